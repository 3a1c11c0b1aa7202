#!/usr/bin/env python3
"""Times `foldant-pdf encrypt` against `qpdf --encrypt` on the same large file.

The input (about 30 MB) is built from every other clean, unencrypted corpus file with
`qpdf --empty --pages`, repeated four times, in a scratch folder at run time: the first large
input of the join benchmark. RC4 128 bit (level 1) and AES-128 (level 2) are each timed against
qpdf with the matching cipher (see ../peer_bench.py for how).

usage: encrypt_bench.py FOLDANT_PDF [--scratch DIR] [--runs N]
"""
import argparse
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import peer_bench  # noqa: E402

COPIES = 4


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--scratch")
    parser.add_argument("--runs", type=int, default=5)
    arguments = parser.parse_args()
    scratch = arguments.scratch or tempfile.mkdtemp(prefix="foldant-encrypt-bench-")
    os.makedirs(scratch, exist_ok=True)
    try:
        files = [path for path, _ in peer_bench.clean_files()]
        source = peer_bench.build_large_input(scratch, "a", files[0::2], COPIES)
        print("input: %.1f MB" % (os.path.getsize(source) / 1e6))
        output = os.path.join(scratch, "out.pdf")
        # qpdf refuses to write RC4 without --allow-weak-crypto.
        qpdf = ["qpdf", "--warning-exit-0", "--allow-weak-crypto", "--encrypt", "", "", "128"]
        for title, level, aes in (("RC4 128 bit", "1", "n"), ("AES-128", "2", "y")):
            print("\n" + title)
            peer_bench.compare({
                "foldant-pdf encrypt --level " + level: [arguments.tool, "encrypt", "-o", output,
                                                         "--level", level, source],
                "qpdf --encrypt '' '' 128 --use-aes=" + aes: [*qpdf, "--use-aes=" + aes, "--",
                                                              source, output],
            }, scratch, arguments.runs)
    finally:
        if not arguments.scratch:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
