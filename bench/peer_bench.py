"""What the PDF benchmarks share: the corpus inputs, building large files from them with qpdf,
and timing a table of commands against our own with /usr/bin/time.

Every command runs `runs` times, the commands alternating within each round; the median wall
time, peak memory and processor time are printed, each peer's as a multiple of ours (the first
command of the table). Processor times have a resolution of 10 ms.
"""
import csv
import json
import os
import shlex
import shutil
import statistics
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "corpus"))
SAMPLES = os.path.normpath(os.path.join(HERE, "..", "samples"))


def clean_files():
    """(path, bytes) of every clean, unencrypted corpus file with pages, smallest first."""
    with open(os.path.join(CORPUS, "MANIFEST.tsv"), newline="") as manifest:
        rows = list(csv.DictReader(manifest, delimiter="\t"))
    rows = [r for r in rows if r["reference_check"] == "clean" and r["encrypted"] == "no"
            and r["pages"].isdigit() and int(r["pages"]) > 0]
    rows.sort(key=lambda r: int(r["bytes"]))
    return [(os.path.join(CORPUS, "pdf", r["file"]), int(r["bytes"])) for r in rows]


def qpdf_pages(inputs, output):
    subprocess.run(["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--", output],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def build_large_input(scratch, name, files, copies):
    """The pages of `files`, repeated `copies` times, as one file in the scratch folder."""
    single = os.path.join(scratch, "half-%s.pdf" % name)
    qpdf_pages(files, single)
    parts = [single]
    for i in range(1, copies):
        copy = os.path.join(scratch, "half-%s-%d.pdf" % (name, i))
        shutil.copyfile(single, copy)
        parts.append(copy)
    large = os.path.join(scratch, "large-%s.pdf" % name)
    qpdf_pages(parts, large)
    return large


def measure(command, scratch, accepted_codes):
    """Wall seconds, peak resident kilobytes and processor seconds, or None on failure."""
    if callable(command):
        command = command()
    report = os.path.join(scratch, "time.txt")
    start = time.perf_counter()
    run = subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", report, *command],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    with open(report) as text:
        last = text.read().strip().splitlines()[-1].split()
    if run.returncode not in accepted_codes or len(last) != 3 or not last[0].isdigit():
        return None
    return seconds, int(last[0]), float(last[1]) + float(last[2])


def compare(table, scratch, runs, accepted_codes=(0,), output=None):
    """Prints the table and answers {name: (seconds, peak KB, cpu s, output bytes)} of the
    commands that finished; a command may be a function that prepares its run and answers the
    argument list. `output`, when given, is the file whose size is taken after each run."""
    samples = {name: [] for name in table}
    sizes = {}
    failed = set()
    for round_number in range(runs):
        names = list(table)
        if round_number % 2:
            names.reverse()
        for name in names:
            if name in failed:
                continue
            if output and os.path.exists(output):
                os.remove(output)
            result = measure(table[name], scratch, accepted_codes)
            if result is None:
                failed.add(name)
            else:
                samples[name].append(result)
                if output and os.path.exists(output):
                    sizes[name] = os.path.getsize(output)
    ours_name = next(iter(table))
    width = max(len(name) for name in table)
    if not samples[ours_name]:
        print("  %s failed" % ours_name)
        return {}
    ours = [statistics.median(column) for column in zip(*samples[ours_name])]
    print("  %-*s %9s %9s %11s %9s %9s %9s %9s" % (width, "tool", "median s", "x ours",
                                                   "peak MB", "x ours", "cpu s", "x ours",
                                                   "out MB"))
    results = {}
    for name, values in samples.items():
        if name in failed or not values:
            print("  %-*s %s" % (width, name, "did not finish (time limit or error)"))
            continue
        seconds, memory, cpu = (statistics.median(column) for column in zip(*values))
        size = sizes.get(name)
        results[name] = (seconds, memory, cpu, size)
        print("  %-*s %9.3f %9.2f %11.1f %9.2f %9.2f %9.2f %9s" % (
            width, name, seconds, seconds / ours[0], memory / 1024, memory / ours[1], cpu,
            cpu / max(ours[2], 0.01), "-" if size is None else "%.2f" % (size / 1e6)))
    return results


def precise(table, scratch, runs=100):
    """Times the commands that are plain argument lists with hyperfine, many runs each and
    without the /usr/bin/time wrapper, whose start costs about a millisecond per run and flattens
    the ratios of commands that take only a few. Prints each median and its ratio to ours (the
    first command); answers {name: median seconds}, or {} when hyperfine is not installed."""
    if not shutil.which("hyperfine"):
        print("  (install hyperfine for precise times of short commands)")
        return {}
    commands = {name: command for name, command in table.items() if not callable(command)}
    report = os.path.join(scratch, "hyperfine.json")
    arguments = ["hyperfine", "--style", "none", "-N", "-i", "-w", "5", "-r", str(runs),
                 "--export-json", report]
    for name, command in commands.items():
        arguments += ["-n", name, " ".join(shlex.quote(part) for part in command)]
    subprocess.run(arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    with open(report) as text:
        medians = {result["command"]: result["median"] for result in json.load(text)["results"]}
    ours = medians[next(iter(commands))]
    print("  precise medians (hyperfine, %d runs):" % runs)
    for name, seconds in medians.items():
        print("    %-22s %8.2f ms %6.2f x ours" % (name, seconds * 1000, seconds / ours))
    return medians
