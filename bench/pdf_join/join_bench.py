#!/usr/bin/env python3
"""Times `foldant-pdf join` against other PDF joiners on the same inputs.

Two large inputs (about 30 MB each) are built from the clean, unencrypted corpus files with
`qpdf --empty --pages` in a scratch folder at run time; a second case joins ten typical
attachments into one target, the module's real load. Every tool runs five times, the tools
alternating within each round; the median wall time, peak memory and processor time (from
/usr/bin/time) are printed, with each peer's figures as a multiple of ours. Processor times
have a resolution of 10 ms.

usage: join_bench.py FOLDANT_PDF [--scratch DIR] [--runs N]
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
SAMPLES = os.path.normpath(os.path.join(HERE, "..", "..", "samples"))
PDFTK_LIMIT = 60
COPIES = 4


def clean_files():
    with open(os.path.join(CORPUS, "MANIFEST.tsv"), newline="") as manifest:
        rows = list(csv.DictReader(manifest, delimiter="\t"))
    rows = [r for r in rows if r["reference_check"] == "clean" and r["encrypted"] == "no"
            and r["pages"].isdigit() and int(r["pages"]) > 0]
    rows.sort(key=lambda r: int(r["bytes"]))
    return [(os.path.join(CORPUS, "pdf", r["file"]), int(r["bytes"])) for r in rows]


def qpdf_pages(inputs, output):
    subprocess.run(["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--", output],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def build_large_inputs(scratch):
    """Every other clean file into each half, each half repeated COPIES times."""
    files = [path for path, _ in clean_files()]
    result = []
    for name, half in (("a", files[0::2]), ("b", files[1::2])):
        single = os.path.join(scratch, "half-%s.pdf" % name)
        qpdf_pages(half, single)
        copies = [single]
        for i in range(1, COPIES):
            copy = os.path.join(scratch, "half-%s-%d.pdf" % (name, i))
            shutil.copyfile(single, copy)
            copies.append(copy)
        large = os.path.join(scratch, "large-%s.pdf" % name)
        qpdf_pages(copies, large)
        result.append(large)
    return result


def typical_attachments():
    """Ten files of 20 to 400 KB, spread over the corpus, and an invoice as the target."""
    files = [path for path, size in clean_files() if 20_000 <= size <= 400_000]
    step = max(1, len(files) // 10)
    return os.path.join(SAMPLES, "Rechnung 2026-0815.pdf"), files[::step][:10]


def commands(tool, inputs, output):
    return {
        "foldant-pdf join": [tool, "join", "-o", output, *inputs],
        "qpdf --empty --pages": ["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--",
                                 output],
        "pdfunite": ["pdfunite", *inputs, output],
        "mutool merge": ["mutool", "merge", "-o", output, *inputs],
        "pdftk cat": ["timeout", str(PDFTK_LIMIT), "pdftk", *inputs, "cat", "output", output],
    }


def measure(command, scratch):
    """Wall seconds, peak resident kilobytes and processor seconds, or None on failure."""
    report = os.path.join(scratch, "time.txt")
    start = time.perf_counter()
    run = subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", report, *command],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    with open(report) as text:
        last = text.read().strip().splitlines()[-1].split()
    if run.returncode not in (0, 1) or len(last) != 3 or not last[0].isdigit():
        return None
    return seconds, int(last[0]), float(last[1]) + float(last[2])


def run_case(title, tool, inputs, scratch, runs):
    sizes = sum(os.path.getsize(path) for path in inputs)
    print("\n%s: %d files, %.1f MB in" % (title, len(inputs), sizes / 1e6))
    output = os.path.join(scratch, "out.pdf")
    table = commands(tool, inputs, output)
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
    ours = samples["foldant-pdf join"]
    if not ours:
        print("  foldant-pdf join failed")
        return
    our_time = statistics.median(t for t, _, _ in ours)
    our_memory = statistics.median(m for _, m, _ in ours)
    our_cpu = statistics.median(c for _, _, c in ours)
    print("  %-22s %9s %9s %11s %9s %9s %9s" % ("tool", "median s", "x ours", "peak MB", "x ours",
                                                "cpu s", "x ours"))
    for name, values in samples.items():
        if name in failed or not values:
            print("  %-22s %s" % (name, "did not finish (time limit or error)"))
            continue
        seconds = statistics.median(t for t, _, _ in values)
        memory = statistics.median(m for _, m, _ in values)
        cpu = statistics.median(c for _, _, c in values)
        print("  %-22s %9.3f %9.2f %11.1f %9.2f %9.2f %9.2f" % (
            name, seconds, seconds / our_time, memory / 1024, memory / our_memory, cpu,
            cpu / max(our_cpu, 0.01)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--scratch")
    parser.add_argument("--runs", type=int, default=5)
    arguments = parser.parse_args()
    scratch = arguments.scratch or tempfile.mkdtemp(prefix="foldant-join-bench-")
    os.makedirs(scratch, exist_ok=True)
    try:
        run_case("two large files", arguments.tool, build_large_inputs(scratch), scratch,
                 arguments.runs)
        target, attachments = typical_attachments()
        run_case("ten attachments into one target", arguments.tool, [target, *attachments],
                 scratch, arguments.runs)
    finally:
        if not arguments.scratch:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
