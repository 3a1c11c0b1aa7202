#!/usr/bin/env python3
"""Times `foldant-pdf join` against other PDF joiners on the same inputs.

Two large inputs (about 30 MB each) are built from the clean, unencrypted corpus files with
`qpdf --empty --pages` in a scratch folder at run time; a second case joins ten typical
attachments into one target, the module's real load. Each peer's time, peak memory and
processor time are printed as a multiple of ours (see ../peer_bench.py).

usage: join_bench.py FOLDANT_PDF [--scratch DIR] [--runs N]
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


def build_large_inputs(scratch):
    """Every other clean file into each half, each half repeated COPIES times."""
    files = [path for path, _ in peer_bench.clean_files()]
    return [peer_bench.build_large_input(scratch, name, half, COPIES)
            for name, half in (("a", files[0::2]), ("b", files[1::2]))]


def typical_attachments():
    """Ten files of 20 to 400 KB, spread over the corpus, and an invoice as the target."""
    files = [path for path, size in peer_bench.clean_files() if 20_000 <= size <= 400_000]
    step = max(1, len(files) // 10)
    return os.path.join(peer_bench.SAMPLES, "Rechnung 2026-0815.pdf"), files[::step][:10]


def commands(tool, inputs, output):
    return {
        "foldant-pdf join": [tool, "join", "-o", output, *inputs],
        "qpdf --empty --pages": ["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--",
                                 output],
        "pdfunite": ["pdfunite", *inputs, output],
        "mutool merge": ["mutool", "merge", "-o", output, *inputs],
        "pdftk cat": ["timeout", str(PDFTK_LIMIT), "pdftk", *inputs, "cat", "output", output],
    }


def run_case(title, tool, inputs, scratch, runs):
    sizes = sum(os.path.getsize(path) for path in inputs)
    print("\n%s: %d files, %.1f MB in" % (title, len(inputs), sizes / 1e6))
    # Exit status 1 only says that an item was not joined; the time still counts.
    peer_bench.compare(commands(tool, inputs, os.path.join(scratch, "out.pdf")), scratch, runs,
                       accepted_codes=(0, 1))


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
