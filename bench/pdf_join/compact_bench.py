#!/usr/bin/env python3
"""Output size and time of `foldant-pdf join --compact` against the plain join and the peers.

Cases, built in a scratch folder at run time:
- the benchmark pair of join_bench.py (two large files, corpus halves repeated four times);
- a target and ten attachments that share one embedded font and one image, each with its own
  text, as invoices from one system are (written here by hand, no PDF library needed).
Peers: qpdf, pdfunite, `mutool merge`, and `mutool merge` followed by `mutool clean -gggg`.
Targets: on the pair, the compact output at most 0.95 times that of merge + clean, in at most
0.6 times the time of `mutool merge`; on the job, the joined file smaller than the sum of its
inputs by at least 0.9 times nine times the stored bytes of the shared font and image. The
figures are printed whether the targets are met or not. With --plot, a PNG of output size per
case and tool is written.

usage: compact_bench.py FOLDANT_PDF [--scratch DIR] [--runs N] [--plot PNG]
"""
import argparse
import os
import random
import shutil
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, HERE)
import join_bench  # noqa: E402
import peer_bench  # noqa: E402

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
ATTACHMENTS = 10
IMAGE_SIDE = 240


def shared_resources():
    """The font program and the image pixels every attachment embeds, as stored streams."""
    with open(FONT, "rb") as font:
        program = font.read()
    rng = random.Random(815)
    # A logo-like picture: flat bands with noise, so it compresses only partly.
    pixels = bytearray()
    for y in range(IMAGE_SIDE):
        for x in range(IMAGE_SIDE):
            band = (x // 30 + y // 30) % 3
            pixels += bytes(min(255, 60 * band + rng.randrange(80)) for _ in range(3))
    return zlib.compress(program, 9), len(program), zlib.compress(bytes(pixels), 9)


def attachment(path, number, font, font_length, image):
    """One single-page invoice in DejaVu Sans with the shared logo."""
    lines = ["Lieferschein %d" % number, "Kunde K-%04d" % (4711 + number),
             "Position %d: %d Stueck" % (number, 3 * number + 1)]
    text = "".join("BT /F1 14 Tf 72 %d Td (%s) Tj ET\n" % (700 - 24 * i, line)
                   for i, line in enumerate(lines))
    content = (text + "q 120 0 0 120 400 650 cm /Logo Do Q\n").encode()
    widths = " ".join(["600"] * 95)
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> /XObject << /Logo 8 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content),
        b"<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 32 /LastChar 126 "
        b"/Widths [" + widths.encode() + b"] /FontDescriptor 6 0 R /Encoding /WinAnsiEncoding >>",
        b"<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [-1021 -463 1793 "
        b"1232] /ItalicAngle 0 /Ascent 928 /Descent -236 /CapHeight 729 /StemV 80 "
        b"/FontFile2 7 0 R >>",
        b"<< /Length %d /Length1 %d /Filter /FlateDecode >>\nstream\n%s\nendstream"
        % (len(font), font_length, font),
        b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
        b"/BitsPerComponent 8 /Filter /FlateDecode /Length %d >>\nstream\n%s\nendstream"
        % (IMAGE_SIDE, IMAGE_SIDE, len(image), image),
    ]
    data = bytearray(b"%PDF-1.4\n")
    offsets = []
    for index, body in enumerate(objects, start=1):
        offsets.append(len(data))
        data += b"%d 0 obj\n%s\nendobj\n" % (index, body)
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    data += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    with open(path, "wb") as out:
        out.write(data)


def build_job(scratch):
    font, font_length, image = shared_resources()
    files = []
    for number in range(1, ATTACHMENTS + 1):
        path = os.path.join(scratch, "attachment-%02d.pdf" % number)
        attachment(path, number, font, font_length, image)
        files.append(path)
    target = os.path.join(peer_bench.SAMPLES, "Rechnung 2026-0815.pdf")
    return [target, *files], len(font) + len(image)


def commands(tool, inputs, output, scratch):
    return {
        "foldant-pdf join --compact": [tool, "join", "--compact", "-o", output, *inputs],
        "foldant-pdf join": [tool, "join", "-o", output, *inputs],
        "qpdf --empty --pages": ["qpdf", "--empty", "--warning-exit-0", "--pages", *inputs, "--",
                                 output],
        "qpdf, object streams": ["qpdf", "--empty", "--warning-exit-0", "--object-streams=generate",
                                 "--pages", *inputs, "--", output],
        "pdfunite": ["pdfunite", *inputs, output],
        "mutool merge": ["mutool", "merge", "-o", output, *inputs],
        "mutool merge + clean -gggg": merge_and_clean(os.path.join(scratch, "merged.pdf"), output,
                                                      inputs),
    }


def merge_and_clean(merged, output, inputs):
    script = 'out="$1"; merged="$2"; shift 2; mutool merge -o "$merged" "$@" && ' \
             'mutool clean -gggg "$merged" "$out"'
    return ["sh", "-c", script, "sh", output, merged, *inputs]


def run_case(title, tool, inputs, scratch, runs):
    size_in = sum(os.path.getsize(path) for path in inputs)
    print("\n%s: %d files, %.1f MB in" % (title, len(inputs), size_in / 1e6), flush=True)
    output = os.path.join(scratch, "out.pdf")
    table = commands(tool, inputs, output, scratch)
    results = peer_bench.compare(table, scratch, runs, accepted_codes=(0, 1), output=output)
    sys.stdout.flush()
    return size_in, results


def verdict(met):
    return "met" if met else "MISSED"


def report_pair(results):
    ours = results.get("foldant-pdf join --compact")
    clean = results.get("mutool merge + clean -gggg")
    merge = results.get("mutool merge")
    if not (ours and clean and merge and ours[3] and clean[3]):
        print("\npair: a figure is missing, no verdict")
        return
    size_ratio = ours[3] / clean[3]
    time_ratio = ours[0] / merge[0]
    print("\npair: output %.2f MB = %.3f x merge + clean (target at most 0.95: %s)"
          % (ours[3] / 1e6, size_ratio, verdict(size_ratio <= 0.95)))
    print("pair: time %.2f s = %.3f x mutool merge (target at most 0.6: %s)"
          % (ours[0], time_ratio, verdict(time_ratio <= 0.6)))


def report_job(size_in, shared, results):
    ours = results.get("foldant-pdf join --compact")
    if not ours or not ours[3]:
        print("\njob: no compact output, no verdict")
        return
    saved = size_in - ours[3]
    wanted = 0.9 * (ATTACHMENTS - 1) * shared
    print("\njob: %d bytes in, %d out, %d saved; shared font + image %d bytes, target saving "
          "at least %d: %s" % (size_in, ours[3], saved, shared, wanted, verdict(saved >= wanted)))


def plot(cases, path):
    try:
        import matplotlib
    except ImportError:
        print("\nno plot: python3-matplotlib is not installed")
        return
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, axes = plt.subplots(1, len(cases), figsize=(6 * len(cases), 5))
    for axis, (title, (size_in, results)) in zip(axes, cases.items()):
        names = [name for name in results if results[name][3]]
        sizes = [results[name][3] / 1e6 for name in names]
        bars = axis.bar(range(len(names)), sizes,
                        color=["C2" if "compact" in name else "C0" for name in names])
        axis.axhline(size_in / 1e6, color="grey", linestyle="--", label="sum of the inputs")
        axis.bar_label(bars, fmt="%.2f", fontsize=8)
        axis.set_xticks(range(len(names)))
        axis.set_xticklabels([name.replace(" ", "\n", 2) for name in names], fontsize=7)
        axis.set_ylabel("output size, MB")
        axis.set_title(title, fontsize=10)
        axis.legend(fontsize=8)
    figure.suptitle("Joined file size: foldant's compact join against other joiners")
    figure.tight_layout()
    figure.savefig(path, dpi=90)
    print("\nplot written to %s" % path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--scratch")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--plot")
    arguments = parser.parse_args()
    scratch = arguments.scratch or tempfile.mkdtemp(prefix="foldant-compact-bench-")
    os.makedirs(scratch, exist_ok=True)
    cases = {}
    try:
        pair = join_bench.build_large_inputs(scratch, "repeated", join_bench.COPIES)
        cases["benchmark pair (corpus halves repeated)"] = run_case(
            "benchmark pair", arguments.tool, pair, scratch, arguments.runs)
        report_pair(cases["benchmark pair (corpus halves repeated)"][1])
        inputs, shared = build_job(scratch)
        cases["target + 10 attachments, one font and logo"] = run_case(
            "target and ten attachments sharing a font and an image", arguments.tool, inputs,
            scratch, arguments.runs)
        report_job(cases["target + 10 attachments, one font and logo"][0], shared,
                   cases["target + 10 attachments, one font and logo"][1])
        if arguments.plot:
            plot(cases, arguments.plot)
    finally:
        if not arguments.scratch:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
