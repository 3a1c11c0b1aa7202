"""Checks that a joined PDF file keeps where its inputs' links and outline items lead.

Usage: destination_pages.py JOINED INPUT...

Every link annotation and outline item of the joined file must lead to the page its counterpart
led to in its input (moved by the pages of the inputs before it), and every named destination
of an input must still lead there, under its own name unless an earlier input defined it too.
Names are looked up as viewers do: a name object in the catalog's Dests dictionary first, a
string in the Dests name tree first, each falling back to the other. Prints one line per
mismatch and a summary; the exit code is 1 when anything differs.
"""

import sys

from pypdf import PdfReader
from pypdf.generic import ArrayObject, DictionaryObject, NameObject, NumberObject

MAX_DEPTH = 64


def resolve(value):
    seen = 0
    while value is not None and hasattr(value, "get_object") and seen < 16:
        resolved = value.get_object()
        if resolved is value:
            break
        value = resolved
        seen += 1
    return value


def name_tree_entries(node, entries, entered, depth=0):
    node = resolve(node)
    if not isinstance(node, DictionaryObject) or depth > MAX_DEPTH or id(node) in entered:
        return
    entered.add(id(node))
    names = resolve(node.get("/Names"))
    if isinstance(names, ArrayObject):
        for i in range(0, len(names) - 1, 2):
            key = resolve(names[i])
            if isinstance(key, (str, bytes)) and bytes_of(key) not in entries:
                entries[bytes_of(key)] = names[i + 1]
    kids = resolve(node.get("/Kids"))
    if isinstance(kids, ArrayObject):
        for kid in kids:
            name_tree_entries(kid, entries, entered, depth + 1)


def bytes_of(key):
    if isinstance(key, bytes):
        return bytes(key)
    if hasattr(key, "original_bytes"):
        return key.original_bytes
    return str(key).encode("latin-1", "replace")


class Document:
    def __init__(self, path):
        self.reader = PdfReader(path, strict=False)
        self.page_numbers = {}
        for index, page in enumerate(self.reader.pages):
            reference = page.indirect_reference
            if reference is not None:
                self.page_numbers[reference.idnum] = index
        catalog = resolve(self.reader.trailer["/Root"])
        self.dictionary = {}
        dests = resolve(catalog.get("/Dests"))
        if isinstance(dests, DictionaryObject):
            for key, value in dests.items():
                self.dictionary[str(key)[1:].encode("latin-1", "replace")] = value
        self.tree = {}
        names = resolve(catalog.get("/Names"))
        if isinstance(names, DictionaryObject):
            name_tree_entries(names.get("/Dests"), self.tree, set())
        self.catalog = catalog

    def page_count(self):
        return len(self.reader.pages)

    def page_of(self, destination, depth=0):
        destination = resolve(destination)
        if depth > 2 or destination is None:
            return None
        if isinstance(destination, NameObject):
            key = str(destination)[1:].encode("latin-1", "replace")
            found = self.dictionary.get(key, self.tree.get(key))
            return self.page_of(found, depth + 1) if found is not None else None
        if isinstance(destination, (str, bytes)):
            key = bytes_of(destination)
            found = self.tree.get(key, self.dictionary.get(key))
            return self.page_of(found, depth + 1) if found is not None else None
        if isinstance(destination, DictionaryObject):
            return self.page_of(destination.get("/D"), depth + 1)
        if isinstance(destination, ArrayObject) and len(destination) > 0:
            target = destination[0]
            if hasattr(target, "idnum"):
                return self.page_numbers.get(target.idnum)
        return None

    def target_of(self, user):
        if "/Dest" in user:
            return self.page_of(user["/Dest"])
        action = resolve(user.get("/A"))
        if isinstance(action, DictionaryObject) and action.get("/S") == "/GoTo":
            return self.page_of(action.get("/D"))
        return None

    def link_targets(self):
        targets = []
        for page in self.reader.pages:
            annots = resolve(page.get("/Annots"))
            if not isinstance(annots, ArrayObject):
                continue
            for annotation in annots:
                annotation = resolve(annotation)
                if isinstance(annotation, DictionaryObject) and annotation.get("/Subtype") == "/Link":
                    targets.append(self.target_of(annotation))
        return targets

    def outline_targets(self):
        targets = []
        outlines = resolve(self.catalog.get("/Outlines"))
        if not isinstance(outlines, DictionaryObject):
            return targets
        entered = set()
        pending = [outlines.get("/First")]
        while pending:
            reference = pending.pop()
            item = resolve(reference)
            if not isinstance(item, DictionaryObject):
                continue
            key = getattr(reference, "idnum", id(item))
            if key in entered:
                continue
            entered.add(key)
            targets.append(self.target_of(item))
            pending.append(item.get("/Next"))
            pending.append(item.get("/First"))
        return targets

    def named(self):
        names = {}
        for key, value in self.tree.items():
            names[key] = self.page_of(value, 1)
        for key, value in self.dictionary.items():
            names.setdefault(key, self.page_of(value, 1))
        return names


def moved(pages, offset):
    return [page + offset if page is not None else None for page in pages]


def main(arguments):
    joined = Document(arguments[0])
    inputs = [Document(path) for path in arguments[1:]]
    problems = []
    expected_links, expected_outlines = [], []
    offset = 0
    earlier_names = set()
    joined_names = joined.named()
    named_checked = 0
    for number, document in enumerate(inputs, 1):
        expected_links += moved(document.link_targets(), offset)
        expected_outlines += moved(document.outline_targets(), offset)
        for key, page in document.named().items():
            if key in earlier_names:
                continue
            named_checked += 1
            want = page + offset if page is not None else None
            if joined_names.get(key, "missing") != want:
                problems.append(f"input {number}: name {key!r} leads to "
                                f"{joined_names.get(key, 'missing')}, expected {want}")
        earlier_names |= set(document.named())
        offset += document.page_count()
    if joined.page_count() != offset:
        problems.append(f"pages: {joined.page_count()}, expected {offset}")
    for kind, got, want in (("link", joined.link_targets(), expected_links),
                            ("outline item", joined.outline_targets(), expected_outlines)):
        if len(got) != len(want):
            problems.append(f"{kind}s: {len(got)}, expected {len(want)}")
        for index, (g, w) in enumerate(zip(got, want)):
            if g != w:
                problems.append(f"{kind} {index}: leads to page {g}, expected {w}")
    for problem in problems[:20]:
        print(problem)
    resolved_links = sum(1 for page in expected_links if page is not None)
    resolved_outlines = sum(1 for page in expected_outlines if page is not None)
    print(f"links {len(expected_links)} resolved {resolved_links}; outline items "
          f"{len(expected_outlines)} resolved {resolved_outlines}; names {named_checked}; "
          f"problems {len(problems)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
