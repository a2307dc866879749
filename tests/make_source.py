#!/usr/bin/env python3
"""Writes a source file for import tests: make_source.py OUT.xlsx|OUT.xls|OUT.mdb < LAYOUT.json

LAYOUT: {"sheet": "Sheet1", "rows": [[cell, ...], ...], "date1904": false, "extra_sheets": ["Other"]}
A cell is a text, a number, null, or {"date": "2003-05-06T10:30:00", "format": "yyyy/m/d"}.
.xlsx through openpyxl (shared strings), .xls (BIFF8) through xlwt.
.mdb: {"table": "sheet1", "columns": [["NAME", "TEXT"|"MEMO"|"LONG"|"DOUBLE"|"DATETIME"|"BOOL", size], ...],
"rows": [...], "more_tables": [{"table": ..., "columns": ..., "rows": ...}, ...]}, through make_mdb.py beside this file; with "jet3_code_page": N an Access 97
(Jet3) file whose header names code page N (0: none).
"format": "xlsx"|"xls"|"mdb" names the kind when the file's name does not.
A zip of given parts: {"parts": {"NAME": "TEXT", ...}, "huge": "NAME"}; the part named by "huge"
claims a size of almost 4 GiB in its headers. A part given as [HEAD, UNIT, COUNT, TAIL] is HEAD,
COUNT times UNIT, then TAIL; more UNIT, COUNT, TAIL may follow.
"repeat": N (.xls) writes the last row N times.
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
    rows = layout["rows"]
    rows = rows + rows[-1:] * (layout.get("repeat", 1) - 1)
    for r, row in enumerate(rows):
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
    def value(col, c):
        v = cell_value(c)[0]
        return datetime.datetime.fromisoformat(v) if col.typ == make_mdb.T_DATETIME and isinstance(v, str) else v
    def table(t):
        cols = [make_mdb.Col(n, getattr(make_mdb, "T_" + typ), size) for n, typ, size in t["columns"]]
        return t.get("table", "sheet1"), cols, [[value(col, c) for col, c in zip(cols, row)] for row in t["rows"]]
    with open(out, "wb") as f:
        if "jet3_code_page" in layout:
            f.write(jet3(*table(layout), layout["jet3_code_page"]))
        else:
            f.write(make_mdb.build(*table(layout), [table(t) for t in layout.get("more_tables", [])]))

def jet3(table_name, cols, rows, code_page):
    """The same one-table file in the Access 97 (Jet3) layout: 2 KiB pages, texts in the
    code page the header names (0: none named), one-byte offsets in rows of under 256 bytes."""
    import struct, make_mdb as m
    PG = 2048
    text_cp = "cp936" if code_page in (0, 936) else "cp%d" % code_page
    def header():
        p = bytearray(PG)
        p[0:4] = b"\x00\x01\x00\x00"; p[4:20] = b"Standard Jet DB\x00"
        plain = bytearray(126)
        struct.pack_into("<H", plain, 0x3A - 0x18, 0x0804)
        struct.pack_into("<H", plain, 0x3C - 0x18, code_page)
        p[0x18:0x18 + 126] = m.rc4(struct.pack("<I", 0x6B39DAC7), bytes(plain))
        return p
    def data_page(tdef_pg, rows):
        p = bytearray(PG); p[0] = 1; p[1] = 1
        struct.pack_into("<I", p, 4, tdef_pg); struct.pack_into("<H", p, 8, len(rows))
        end = PG
        for i, r in enumerate(rows):
            start = end - len(r); p[start:end] = r; struct.pack_into("<H", p, 10 + 2 * i, start); end = start
        struct.pack_into("<H", p, 2, end - (10 + 2 * len(rows)))
        return p
    lval = []
    def long_value(data):                                    # as make_mdb's, on 2 KiB pages
        if len(data) <= 64: return struct.pack("<III", 0x80000000 | len(data), 0, 0) + data
        first = 6 + len(lval); pieces = [data[i:i + 2000] for i in range(0, len(data), 2000)]
        for i, piece in enumerate(pieces):
            lval.append(data_page(4, [struct.pack("<I", (first + i + 1) << 8 if i + 1 < len(pieces) else 0) + piece]))
        return struct.pack("<III", len(data), first << 8, 0)
    def encode(c, v):
        if c.typ == m.T_MEMO: return long_value(v.encode(text_cp))
        return v.encode(text_cp) if c.typ == m.T_TEXT else m.encode(c, v)
    def row(cols, values):
        fixed_len, nvar = m.layout(cols)
        fixed = bytearray(fixed_len); var = bytearray(); offs = []; nullmask = bytearray((len(cols) + 7) // 8)
        for c, v in zip(cols, values):
            if v is not None and c.typ != m.T_BOOL or (c.typ == m.T_BOOL and v): nullmask[c.num // 8] |= 1 << (c.num % 8)
            if c.fixed and c.typ != m.T_BOOL and v is not None: fixed[c.foff:c.foff + c.size] = encode(c, v)
        base = 1 + fixed_len
        for c, v in zip(cols, values):
            if not c.fixed:
                offs.append(base + len(var))
                if v is not None: var += encode(c, v)
        offs.append(base + len(var))
        r = bytearray([len(cols)]) + fixed + var
        if nvar:
            for o in reversed(offs): r.append(o)
            r.append(nvar)
        r += nullmask
        assert len(r) < 256, "a Jet3 row here must stay under 256 bytes"
        return bytes(r)
    def tdef(cols, nrows, system, used_ptr, free_ptr):
        fixed_len, nvar = m.layout(cols)
        p = bytearray(PG); p[0] = 2; p[1] = 1
        struct.pack_into("<I", p, 12, nrows)
        p[20] = 0x53 if system else 0x4E
        struct.pack_into("<HHH", p, 21, len(cols), nvar, len(cols))
        struct.pack_into("<II", p, 27, 0, 0)
        struct.pack_into("<II", p, 35, used_ptr, free_ptr)
        pos = 43
        for c in cols:
            e = bytearray(18); e[0] = c.typ
            struct.pack_into("<HHH", e, 1, c.num, c.vnum, c.num)
            e[13] = (0x01 if c.fixed else 0) | 0x02
            struct.pack_into("<HH", e, 14, c.foff, c.size)
            p[pos:pos + 18] = e; pos += 18
        for c in cols:
            n = c.name.encode(text_cp); p[pos] = len(n); p[pos + 1:pos + 1 + len(n)] = n; pos += 1 + len(n)
        struct.pack_into("<H", p, pos, 0xFFFF); pos += 2
        struct.pack_into("<I", p, 8, pos - 8)
        struct.pack_into("<H", p, 2, PG - pos - 8)
        return p
    msys = [m.Col("Id", m.T_LONG), m.Col("ParentId", m.T_LONG), m.Col("Name", m.T_TEXT, 255), m.Col("Type", m.T_INT),
            m.Col("Flags", m.T_LONG), m.Col("LvProp", m.T_OLE)]
    msys_rows = [[2, 0x0F000000, "MSysObjects", 1, 0x80000002 - (1 << 32), None],
                 [4, 0x0F000000, table_name, 1, 0, None]]
    maps = [m.usage_map([3]), m.usage_map([3]), m.usage_map([5]), m.usage_map([5])]
    pages = [header(), data_page(0, maps),
             tdef(msys, len(msys_rows), True, (1 << 8) | 0, (1 << 8) | 1),
             data_page(2, [row(msys, r) for r in msys_rows]),
             tdef(cols, len(rows), False, (1 << 8) | 2, (1 << 8) | 3),
             data_page(4, [row(cols, r) for r in rows])]
    return b"".join(pages + lval)

def write_zip(out, layout):
    import struct, zipfile
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in layout["parts"].items():
            if isinstance(text, str):
                z.writestr(name, text)
                continue
            with z.open(name, "w", force_zip64=True) as f:
                f.write(text[0].encode())
                for at in range(1, len(text), 3):
                    unit, count, after = text[at].encode(), text[at + 1], text[at + 2]
                    block = unit * max(1, min(count, (1 << 20) // max(1, len(unit))))
                    per = len(block) // len(unit)
                    while count >= per:
                        f.write(block)
                        count -= per
                    f.write(unit * count + after.encode())
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
