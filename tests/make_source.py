#!/usr/bin/env python3
"""Writes a source file for import tests: make_source.py OUT.xlsx|OUT.xls|OUT.mdb < LAYOUT.json

LAYOUT: {"sheet": "Sheet1", "rows": [[cell, ...], ...], "date1904": false, "extra_sheets": ["Other"]}
A cell is a text, a number, null, or {"date": "2003-05-06T10:30:00", "format": "yyyy/m/d"}.
.xlsx through openpyxl (shared strings), .xls (BIFF8) through xlwt.
.mdb: {"table": "sheet1", "columns": [["NAME", "TEXT"|"LONG"|"DOUBLE"|"DATETIME"|"BOOL", size], ...],
"rows": [...]}, through make_mdb.py beside this file.
"format": "xlsx"|"xls"|"mdb" names the kind when the file's name does not.
A zip of given parts: {"parts": {"NAME": "TEXT", ...}, "huge": "NAME"}; the part named by "huge"
claims a size of almost 4 GiB in its headers.
"""
import datetime, json, sys

def cell_value(c):
    if isinstance(c, dict):
        return datetime.datetime.fromisoformat(c["date"]), c.get("format", "yyyy-mm-dd")
    return c, None

def write_xlsx(out, layout):
    import openpyxl
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = layout.get("sheet", "Sheet1")
    if layout.get("date1904"):
        wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    for r, row in enumerate(layout["rows"], 1):
        for c, cell in enumerate(row, 1):
            if cell is None:
                continue
            v, fmt = cell_value(cell)
            x = ws.cell(row=r, column=c, value=v)
            if fmt:
                x.number_format = fmt
    for name in layout.get("extra_sheets", []):
        wb.create_sheet(name)
    wb.save(out)

def write_xls(out, layout):
    import xlwt
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet(layout.get("sheet", "Sheet1"))
    styles = {}
    for r, row in enumerate(layout["rows"]):
        for c, cell in enumerate(row):
            if cell is None:
                continue
            v, fmt = cell_value(cell)
            if fmt:
                st = styles.setdefault(fmt, xlwt.easyxf(num_format_str=fmt))
                ws.write(r, c, v, st)
            else:
                ws.write(r, c, v)
    for name in layout.get("extra_sheets", []):
        wb.add_sheet(name)
    wb.save(out)

def write_mdb(out, layout):
    import os
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import make_mdb
    cols = [make_mdb.Col(n, getattr(make_mdb, "T_" + t), size) for n, t, size in layout["columns"]]
    def value(col, c):
        v = cell_value(c)[0]
        return datetime.datetime.fromisoformat(v) if col.typ == make_mdb.T_DATETIME and isinstance(v, str) else v
    rows = [[value(col, c) for col, c in zip(cols, row)] for row in layout["rows"]]
    with open(out, "wb") as f:
        f.write(make_mdb.build(layout.get("table", "sheet1"), cols, rows))

def write_zip(out, layout):
    import struct, zipfile
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in layout["parts"].items():
            z.writestr(name, text)
    huge = layout.get("huge")
    if not huge:
        return
    data = bytearray(open(out, "rb").read())
    name = huge.encode()
    for sig, size_at, name_at in ((b"PK\x03\x04", 22, 30), (b"PK\x01\x02", 24, 46)):
        at = data.find(sig)
        while at >= 0:
            n = struct.unpack_from("<H", data, at + (26 if sig == b"PK\x03\x04" else 28))[0]
            if data[at + name_at:at + name_at + n] == name:
                struct.pack_into("<I", data, at + size_at, 0xFFFFFFF0)
            at = data.find(sig, at + 4)
    open(out, "wb").write(data)

if __name__ == "__main__":
    out = sys.argv[1]
    layout = json.load(sys.stdin)
    ext = layout.get("format") or out.lower().rsplit(".", 1)[-1]
    if "parts" in layout:
        ext = "zip"
    {"xlsx": write_xlsx, "xls": write_xls, "mdb": write_mdb, "zip": write_zip}[ext](out, layout)
