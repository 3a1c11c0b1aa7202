#!/usr/bin/env python3
"""Times `foldant-pdf encrypt` against `qpdf --encrypt` on the same large file.

The input (about 30 MB) is built from every other clean, unencrypted corpus file with
`qpdf --empty --pages`, repeated four times, in a scratch folder at run time: the first large
input of the join benchmark. RC4 128 bit (level 1) and AES-128 (level 2) are each timed against
qpdf with the matching cipher. Every tool runs five times, alternating within each round; the
median wall time and peak memory (/usr/bin/time) are printed, with qpdf's as a multiple of ours.

usage: encrypt_bench.py FOLDANT_PDF [--scratch DIR] [--runs N]
"""
import argparse
import csv
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.normpath(os.path.join(HERE, "..", "..", "..", "shared", "corpus"))
COPIES = 4


def clean_files():
    with open(os.path.join(CORPUS, "MANIFEST.tsv"), newline="") as manifest:
        rows = list(csv.DictReader(manifest, delimiter="\t"))
    rows = [r for r in rows if r["reference_check"] == "clean" and r["encrypted"] == "no"
            and r["pages"].isdigit() and int(r["pages"]) > 0]
    rows.sort(key=lambda r: int(r["bytes"]))
    return [os.path.join(CORPUS, "pdf", r["file"]) for r in rows]


def qpdf_pages(inputs, output):
    subprocess.run(["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--", output],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def build_large_input(scratch):
    single = os.path.join(scratch, "half.pdf")
    qpdf_pages(clean_files()[0::2], single)
    copies = [single]
    for i in range(1, COPIES):
        copy = os.path.join(scratch, "half-%d.pdf" % i)
        shutil.copyfile(single, copy)
        copies.append(copy)
    large = os.path.join(scratch, "large.pdf")
    qpdf_pages(copies, large)
    return large


def measure(command, scratch):
    """Wall seconds and peak resident kilobytes, or None when the command failed."""
    report = os.path.join(scratch, "time.txt")
    start = time.perf_counter()
    run = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, *command],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    with open(report) as text:
        last = text.read().strip().splitlines()[-1].split()
    if run.returncode != 0 or len(last) != 1 or not last[0].isdigit():
        return None
    return seconds, int(last[0])


def run_case(title, table, scratch, runs):
    print("\n" + title)
    samples = {name: [] for name in table}
    failed = set()
    for round_number in range(runs):
        names = list(table)
        if round_number % 2:
            names.reverse()
        for name in names:
            if name in failed:
                continue
            result = measure(table[name], scratch)
            if result is None:
                failed.add(name)
            else:
                samples[name].append(result)
    ours_name = next(iter(table))
    ours = samples[ours_name]
    if not ours:
        print("  %s failed" % ours_name)
        return
    our_time = statistics.median(t for t, _ in ours)
    our_memory = statistics.median(m for _, m in ours)
    print("  %-44s %9s %9s %9s %9s" % ("tool", "median s", "x ours", "peak MB", "x ours"))
    for name, values in samples.items():
        if name in failed or not values:
            print("  %-44s %s" % (name, "failed"))
            continue
        seconds = statistics.median(t for t, _ in values)
        memory = statistics.median(m for _, m in values)
        print("  %-44s %9.3f %9.2f %9.1f %9.2f" % (name, seconds, seconds / our_time,
                                                  memory / 1024, memory / our_memory))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--scratch")
    parser.add_argument("--runs", type=int, default=5)
    arguments = parser.parse_args()
    scratch = arguments.scratch or tempfile.mkdtemp(prefix="foldant-encrypt-bench-")
    os.makedirs(scratch, exist_ok=True)
    try:
        source = build_large_input(scratch)
        print("input: %.1f MB" % (os.path.getsize(source) / 1e6))
        output = os.path.join(scratch, "out.pdf")
        # qpdf refuses to write RC4 without --allow-weak-crypto.
        qpdf = ["qpdf", "--warning-exit-0", "--allow-weak-crypto", "--encrypt", "", "", "128"]
        run_case("RC4 128 bit", {
            "foldant-pdf encrypt --level 1": [arguments.tool, "encrypt", "-o", output,
                                              "--level", "1", source],
            "qpdf --encrypt '' '' 128 --use-aes=n": [*qpdf, "--use-aes=n", "--", source, output],
        }, scratch, arguments.runs)
        run_case("AES-128", {
            "foldant-pdf encrypt --level 2": [arguments.tool, "encrypt", "-o", output,
                                              "--level", "2", source],
            "qpdf --encrypt '' '' 128 --use-aes=y": [*qpdf, "--use-aes=y", "--", source, output],
        }, scratch, arguments.runs)
    finally:
        if not arguments.scratch:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
