"""Prints what a reader shows of a PDF file beyond its page images: the annotations of every
page, the outline tree with the page each item leads to, and the form fields with their values.

Usage: reader_view.py FILE...

Prints one block per file; two files that a reader shows alike print equal blocks, whatever
their object numbers. A part that cannot be read prints as an error line, so damage shows too.
"""

import sys

from pypdf import PdfReader

MAX_DEPTH = 64


def annotations(reader):
    lines = []
    for index, page in enumerate(reader.pages):
        for annotation in page.get("/Annots") or []:
            annotation = annotation.get_object()
            rect = [round(float(v), 2) for v in annotation.get("/Rect", [])]
            lines.append("page %d annotation %s %s %s" % (
                index + 1, annotation.get("/Subtype"), rect, annotation.get("/Contents", "")))
    return lines


def outline(reader, items, depth, lines):
    if depth > MAX_DEPTH:
        return
    for item in items:
        if isinstance(item, list):
            outline(reader, item, depth + 1, lines)
            continue
        try:
            page = reader.get_destination_page_number(item)
        except Exception as error:  # noqa: BLE001 - a broken item shows as such
            page = "unreadable (%s)" % type(error).__name__
        lines.append("%soutline %r -> %s" % ("  " * depth, item.title, page))


def fields(reader):
    found = reader.get_fields() or {}
    return ["field %r %s %r" % (name, field.get("/FT"), field.get("/V"))
            for name, field in sorted(found.items())]


def view(path):
    reader = PdfReader(path, strict=False)
    lines = ["pages %d" % len(reader.pages)]
    for part in (annotations, outline_lines, fields):
        try:
            lines += part(reader)
        except Exception as error:  # noqa: BLE001
            lines.append("unreadable part: %s" % type(error).__name__)
    return lines


def outline_lines(reader):
    lines = []
    outline(reader, reader.outline, 0, lines)
    return lines


def main():
    for path in sys.argv[1:]:
        print("== file")
        for line in view(path):
            print(line)


if __name__ == "__main__":
    main()
