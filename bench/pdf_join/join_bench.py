#!/usr/bin/env python3
"""Times `foldant-pdf join` and the module against other PDF joiners on the same inputs.

Cases, all built from the clean, unencrypted corpus files in a scratch folder at run time:
- two large files, every other clean file in each half, each half repeated four times with
  `qpdf --empty --pages` (the pair the benchmark has always used);
- two large files, all clean files in two halves, no file repeated (real, varied objects);
- a target and ten typical attachments, and a target and twenty: through `foldant-pdf join`,
  through the module's response conversation (`foldant-host respond`, when FOLDANT_HOST and the
  module are given) and through the peers. Twenty must cost at most 2.2 times ten. These short cases are also timed
with hyperfine when it is installed (100 runs, no wrapper).
Each peer's time, peak memory and processor time are printed as a multiple of ours (see
../peer_bench.py). With --plot, a PNG of time and output size per case and tool is written.

usage: join_bench.py FOLDANT_PDF [--host FOLDANT_HOST --module FOLDANT] [--scratch DIR]
                     [--runs N] [--plot PNG]
"""
import argparse
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import peer_bench  # noqa: E402

PDFTK_LIMIT = 60
COPIES = 4


def build_large_inputs(scratch, tag, copies):
    """Every other clean file into each half, each half repeated `copies` times."""
    files = [path for path, _ in peer_bench.clean_files()]
    return [peer_bench.build_large_input(scratch, "%s-%s" % (tag, name), half, copies)
            for name, half in (("a", files[0::2]), ("b", files[1::2]))]


def typical_attachments(count):
    """`count` files of 20 to 400 KB, spread over the corpus, and an invoice as the target."""
    files = [path for path, size in peer_bench.clean_files() if 20_000 <= size <= 400_000]
    step = max(1, len(files) // count)
    return os.path.join(peer_bench.SAMPLES, "Rechnung 2026-0815.pdf"), files[::step][:count]


def respond_command(host, module, inputs, scratch, output):
    """A run of the response conversation on fresh copies: the module joins into the target
    in place and the host removes the joined copies."""
    def prepare():
        folder = os.path.join(scratch, "respond")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copyfile(inputs[0], output)
        copies = []
        for i, path in enumerate(inputs[1:]):
            copy = os.path.join(folder, "%02d.pdf" % i)
            shutil.copyfile(path, copy)
            copies.append(copy)
        return [host, "respond", "--module", module, "--target", output, *copies]
    return prepare


def commands(arguments, inputs, output, scratch, module):
    table = {"foldant-pdf join": [arguments.tool, "join", "-o", output, *inputs]}
    if module and arguments.host and arguments.module:
        table["foldant-host respond"] = respond_command(arguments.host, arguments.module, inputs,
                                                        scratch, output)
    table.update({
        "qpdf --empty --pages": ["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--",
                                 output],
        "pdfunite": ["pdfunite", *inputs, output],
        "mutool merge": ["mutool", "merge", "-o", output, *inputs],
    })
    if shutil.which("pdftk"):
        table["pdftk cat"] = ["timeout", str(PDFTK_LIMIT), "pdftk", *inputs, "cat", "output",
                              output]
    return table


def run_case(title, arguments, inputs, scratch, module=False):
    sizes = sum(os.path.getsize(path) for path in inputs)
    print("\n%s: %d files, %.1f MB in" % (title, len(inputs), sizes / 1e6), flush=True)
    output = os.path.join(scratch, "out.pdf")
    table = commands(arguments, inputs, output, scratch, module)
    # Exit status 1 only says that an item was not joined; the time still counts.
    results = peer_bench.compare(table, scratch, arguments.runs, accepted_codes=(0, 1),
                                 output=output)
    if module:
        # The attachment cases take milliseconds, where the wrapper's own start counts.
        peer_bench.precise({name: command for name, command in table.items()
                            if name != "pdftk cat"}, scratch)
    sys.stdout.flush()
    return results


def print_growth(ten, twenty):
    print("\ntwenty attachments against ten (at most 2.2):")
    for name in ten:
        if name in twenty:
            print("  %-22s %.2f" % (name, twenty[name][0] / ten[name][0]))


def plot(cases, path):
    try:
        import matplotlib
    except ImportError:
        print("\nno plot: python3-matplotlib is not installed")
        return
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    tools = []
    for results in cases.values():
        tools += [name for name in results if name not in tools]
    figure, (times, sizes) = plt.subplots(1, 2, figsize=(13, 5))
    width = 0.8 / len(tools)
    for index, tool in enumerate(tools):
        xs = [i + index * width for i in range(len(cases))]
        times.bar(xs, [r.get(tool, (0,))[0] for r in cases.values()], width, label=tool)
        sizes.bar(xs, [(r.get(tool, (0, 0, 0, 0))[3] or 0) / 1e6 for r in cases.values()],
                  width, label=tool)
    for axis, label in ((times, "median wall time, s (log)"), (sizes, "output size, MB")):
        axis.set_xticks([i + 0.4 - width / 2 for i in range(len(cases))])
        axis.set_xticklabels(list(cases), fontsize=8)
        axis.set_ylabel(label)
    times.set_yscale("log")
    times.legend(fontsize=8)
    figure.suptitle("Joining PDF files: foldant against other joiners")
    figure.tight_layout()
    figure.savefig(path, dpi=90)
    print("\nplot written to %s" % path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--host")
    parser.add_argument("--module")
    parser.add_argument("--scratch")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--plot")
    arguments = parser.parse_args()
    scratch = arguments.scratch or tempfile.mkdtemp(prefix="foldant-join-bench-")
    os.makedirs(scratch, exist_ok=True)
    cases = {}
    try:
        cases["two large,\nrepeated"] = run_case(
            "two large files, corpus halves repeated %d times" % COPIES, arguments,
            build_large_inputs(scratch, "repeated", COPIES), scratch)
        cases["two large,\nno repeats"] = run_case(
            "two large files, all clean corpus files in two halves, none repeated", arguments,
            build_large_inputs(scratch, "single", 1), scratch)
        for count in (10, 20):
            target, attachments = typical_attachments(count)
            cases["target +\n%d attachments" % count] = run_case(
                "%d attachments into one target" % count, arguments, [target, *attachments],
                scratch, module=True)
        print_growth(cases["target +\n10 attachments"], cases["target +\n20 attachments"])
        if arguments.plot:
            plot(cases, arguments.plot)
    finally:
        if not arguments.scratch:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
