#!/usr/bin/env python3
"""Writes the sample attachments of a sending job: small PDF files with pages, an outline and a
form field each, and one file that is not a PDF. Run it to renew the files in this folder."""

import os
import zlib


class PdfBuilder:
    def __init__(self):
        self.objects = []  # bytes of each object body, index + 1 is its number

    def reserve(self):
        self.objects.append(None)
        return len(self.objects)

    def set(self, number, body):
        self.objects[number - 1] = body

    def add(self, body):
        number = self.reserve()
        self.set(number, body)
        return number

    def stream(self, data, compress=True):
        if compress:
            data = zlib.compress(data)
            head = b"<< /Length %d /Filter /FlateDecode >>" % len(data)
        else:
            head = b"<< /Length %d >>" % len(data)
        return self.add(head + b"\nstream\n" + data + b"\nendstream")

    def write(self, path, root, info):
        out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for number, body in enumerate(self.objects, start=1):
            offsets.append(len(out))
            out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objects) + 1)
        for offset in offsets:
            out += b"%010d 00000 n \n" % offset
        out += b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(self.objects) + 1, root, info, xref)
        with open(path, "wb") as f:
            f.write(out)


def text_page(title, lines):
    ops = [b"BT /F1 20 Tf 56 780 Td (%s) Tj ET" % title.encode("cp1252")]
    y = 740
    for line in lines:
        ops.append(b"BT /F1 11 Tf 56 %d Td (%s) Tj ET" % (y, line.encode("cp1252")))
        y -= 16
    ops.append(b"0.2 0.2 0.6 RG 56 800 m 540 800 l S")
    return b"\n".join(ops)


def make_document(path, title, pages, field_name, field_value):
    pdf = PdfBuilder()
    catalog = pdf.reserve()
    page_tree = pdf.reserve()
    outlines = pdf.reserve()
    font = pdf.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                   b"/Encoding /WinAnsiEncoding >>")
    page_numbers = []
    for heading, lines in pages:
        content = pdf.stream(text_page(heading, lines))
        page_numbers.append(pdf.add(
            b"<< /Type /Page /Parent %d 0 R /Contents %d 0 R "
            b"/Resources << /Font << /F1 %d 0 R >> >> >>" % (page_tree, content, font)))
    # One outline item per page, linked as siblings.
    items = [pdf.reserve() for _ in page_numbers]
    for i, (item, page) in enumerate(zip(items, page_numbers)):
        links = b""
        if i > 0:
            links += b" /Prev %d 0 R" % items[i - 1]
        if i + 1 < len(items):
            links += b" /Next %d 0 R" % items[i + 1]
        label = pages[i][0].encode("cp1252")
        pdf.set(item, b"<< /Title (%s) /Parent %d 0 R /Dest [%d 0 R /Fit]%s >>" % (
            label, outlines, page, links))
    pdf.set(outlines, b"<< /Type /Outlines /First %d 0 R /Last %d 0 R /Count %d >>" % (
        items[0], items[-1], len(items)))
    # A text field on the first page.
    appearance = pdf.stream(b"/Tx BMC BT /F1 11 Tf 2 6 Td (%s) Tj ET EMC" %
                            field_value.encode("cp1252"), compress=False)
    pdf.set(appearance, pdf.objects[appearance - 1].replace(
        b"<< /Length", b"<< /Type /XObject /Subtype /Form /BBox [0 0 200 20] "
        b"/Resources << /Font << /F1 %d 0 R >> >> /Length" % font, 1))
    field = pdf.add(
        b"<< /Type /Annot /Subtype /Widget /FT /Tx /T (%s) /V (%s) /Rect [56 600 256 620] "
        b"/P %d 0 R /F 4 /DA (/Helv 11 Tf 0 g) /AP << /N %d 0 R >> >>" % (
            field_name.encode("cp1252"), field_value.encode("cp1252"), page_numbers[0],
            appearance))
    first_page = pdf.objects[page_numbers[0] - 1]
    pdf.set(page_numbers[0], first_page[:-2] + b"/Annots [%d 0 R] >>" % field)
    kids = b" ".join(b"%d 0 R" % n for n in page_numbers)
    pdf.set(page_tree, b"<< /Type /Pages /Kids [%s] /Count %d /MediaBox [0 0 595 842] >>" % (
        kids, len(page_numbers)))
    helv = pdf.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
    pdf.set(catalog, b"<< /Type /Catalog /Pages %d 0 R /Outlines %d 0 R /PageMode /UseOutlines "
            b"/AcroForm << /Fields [%d 0 R] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv %d 0 R >> >> >> >>"
            % (page_tree, outlines, field, helv))
    info = pdf.add(b"<< /Title (%s) /Producer (Foldant samples) >>" % title.encode("cp1252"))
    pdf.write(path, catalog, info)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    make_document(os.path.join(here, "Rechnung 2026-0815.pdf"), "Rechnung 2026-0815", [
        ("Rechnung 2026-0815", ["Kunde: M\u00fcller GmbH", "Betrag: 1.250,00 \u20ac",
                                "Zahlbar bis 31.12.2026"]),
        ("Positionen", ["1 x Wartung Heizungsanlage", "3 x Filterwechsel"]),
    ], "Kundennummer", "K-4711")
    make_document(os.path.join(here, "Lieferschein 2026-0815.pdf"), "Lieferschein", [
        ("Lieferschein 2026-0815", ["Geliefert am 09.12.2026", "Empf\u00e4nger: M\u00fcller GmbH"]),
    ], "Unterschrift", "")
    make_document(os.path.join(here, "Preis\u00fcbersicht M\u00e4rz.pdf"), "Preis\u00fcbersicht", [
        ("Preis\u00fcbersicht", ["Stundensatz 85,00 \u20ac"]),
        ("Material", ["Filter 12,50 \u20ac"]),
        ("Hinweise", ["Preise zuz\u00fcglich Umsatzsteuer"]),
    ], "Gueltig", "2026")
    with open(os.path.join(here, "Notiz.txt"), "w", encoding="utf-8") as f:
        f.write("Bitte die Rechnung bis Monatsende begleichen.\n")


if __name__ == "__main__":
    main()
