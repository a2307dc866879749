#!/usr/bin/env python3
"""Writes the nested and the outsized workbooks of data/hostile from the real
data/real/deaths.xlsx, each with one part changed: make_hostile.py [FOLDER]

Nesting: elements of no known name opened DEPTH deep right inside the part's root, then
closed again; "after a comment" puts a comment before the root (read by Qt's XML reader).
240 MB: sixty more shared strings of 4,000,000 letters "a" each, which no cell names.
"""
import os, re, sys, zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SHEET, STRINGS, STYLES = "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml"


def nested(depth, comment=False):
    def change(xml):
        prolog = xml.index(b"?>") + 2 if xml.startswith(b"<?") else 0
        inside = xml.index(b">", xml.index(b"<", prolog)) + 1
        head = xml[:prolog] + (b"<!-- -->" if comment else b"") + xml[prolog:inside]
        return head + b"<x>" * depth + b"</x>" * depth + xml[inside:]
    return change


def more_strings(xml):
    xml = re.sub(rb'uniqueCount="(\d+)"', lambda m: b'uniqueCount="%d"' % (int(m.group(1)) + 60), xml)
    end = xml.rindex(b"</sst>")
    return xml[:end] + (b"<si><t>" + b"a" * 4000000 + b"</t></si>") * 60 + xml[end:]


FILES = {
    "xlsx-sheet-nested-3000000-deep.xlsx": (SHEET, nested(3000000)),
    "xlsx-sheet-nested-3000000-deep-after-a-comment.xlsx": (SHEET, nested(3000000, True)),
    "xlsx-shared-strings-nested-100000-deep.xlsx": (STRINGS, nested(100000)),
    "xlsx-styles-nested-100000-deep-after-a-comment.xlsx": (STYLES, nested(100000, True)),
    "xlsx-240-MB-of-ASCII-shared-strings.xlsx": (STRINGS, more_strings),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "data", "hostile")
    with zipfile.ZipFile(os.path.join(HERE, "data", "real", "deaths.xlsx")) as real:
        entries = [(i, real.read(i)) for i in real.infolist()]
    for name, (part, change) in FILES.items():
        with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
            for info, data in entries:
                z.writestr(zipfile.ZipInfo(info.filename, (1980, 1, 1, 0, 0, 0)),
                           change(data) if info.filename == part else data, zipfile.ZIP_DEFLATED)


if __name__ == "__main__":
    main()
