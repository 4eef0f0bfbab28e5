#!/usr/bin/python3
"""Reads an Excel 97-2003 workbook the way other programs do and prints it.

xlrd reads the cells; a record walk of its own checks what xlrd does not
look at (INDEX, DBCELL, EXTSST, CONTINUE splits, sheet offsets).

Output, one item a line, fields separated by tabs:
  sheet  NAME
  width  COLUMN(1-based)  WIDTH(1/256 character)
  ROW(1-based)  TEXT                  a cell of column 1
  ROW,COLUMN  TEXT                    a cell of another column
  strings  UNIQUE  CONTINUE-RECORDS   the shared string table
  problem  WHAT                       anything a reader could trip over
  log  LINE                           what xlrd complained about
"""

import io
import struct
import sys

import xlrd
import xlrd.compdoc

MAX_DATA = 8224
BOF, EOF, CONTINUE = 0x0809, 0x000A, 0x003C
SST, EXTSST, BOUNDSHEET = 0x00FC, 0x00FF, 0x0085
FONT, XF, STYLE, CODEPAGE, WINDOW1 = 0x0031, 0x00E0, 0x0293, 0x0042, 0x003D
INDEX, DEFCOLWIDTH, DIMENSIONS, ROW = 0x020B, 0x0055, 0x0200, 0x0208
LABELSST, DBCELL, WINDOW2 = 0x00FD, 0x00D7, 0x023E
CELL_RECORDS = {LABELSST, 0x0204, 0x0203, 0x027E, 0x0201, 0x0205, 0x0006, 0x00BD, 0x00BE}

problems = []


def problem(text):
    problems.append(text)


def clean(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def records_of(stream, start):
    """Records from start up to and including the next EOF."""
    pos = start
    out = []
    while pos + 4 <= len(stream):
        rtype, length = struct.unpack_from("<HH", stream, pos)
        if length > MAX_DATA:
            problem("record 0x%04X at %d has %d bytes" % (rtype, pos, length))
        data = stream[pos + 4:pos + 4 + length]
        if len(data) != length:
            problem("record 0x%04X at %d runs past the stream" % (rtype, pos))
        out.append((pos, rtype, data))
        pos += 4 + length
        if rtype == EOF:
            return out, pos
    problem("substream at %d has no EOF" % start)
    return out, pos


def check_sst(records):
    """Parses SST and its CONTINUE records; returns (unique, continues)."""
    at = next((i for i, r in enumerate(records) if r[1] == SST), None)
    if at is None:
        problem("no SST")
        return 0, 0
    parts = [records[at]]
    for r in records[at + 1:]:
        if r[1] != CONTINUE:
            break
        parts.append(r)
    total, unique = struct.unpack_from("<II", parts[0][2], 0)
    part, off = 0, 8
    starts = []  # (stream position, offset in its record) of each string

    def need(n):
        nonlocal part, off
        if off + n > len(parts[part][2]):
            problem("string header split across records at string %d" % len(starts))
            return False
        return True

    for k in range(unique):
        if off == len(parts[part][2]):
            part, off = part + 1, 0
            if part >= len(parts):
                problem("SST ends after %d of %d strings" % (k, unique))
                return unique, len(parts) - 1
        if not need(3):
            return unique, len(parts) - 1
        data = parts[part][2]
        starts.append((parts[part][0] + 4 + off, off + 4))
        cch, flags = struct.unpack_from("<HB", data, off)
        if flags & 0x0C:
            problem("string %d has rich text or phonetic data" % k)
        off += 3
        wide = flags & 1
        left = cch
        while left:
            data = parts[part][2]
            room = (len(data) - off) // (2 if wide else 1)
            if room == 0:
                part, off = part + 1, 0
                if part >= len(parts):
                    problem("string %d runs past the SST" % k)
                    return unique, len(parts) - 1
                wide = parts[part][2][0] & 1
                off = 1
                continue
            take = min(room, left)
            off += take * (2 if wide else 1)
            left -= take
    if part != len(parts) - 1 or off != len(parts[part][2]):
        problem("SST holds bytes after its last string")
    ext = next((r for r in records if r[1] == EXTSST), None)
    if ext is None:
        problem("no EXTSST")
    else:
        dsst = struct.unpack_from("<H", ext[2], 0)[0]
        buckets = (len(ext[2]) - 2) // 8
        if dsst < 8:
            problem("EXTSST bucket size %d" % dsst)
        expected = (unique + dsst - 1) // dsst if dsst else 0
        if buckets != expected:
            problem("EXTSST has %d buckets, %d expected" % (buckets, expected))
        for b in range(min(buckets, expected)):
            ib, cb = struct.unpack_from("<IH", ext[2], 2 + 8 * b)
            if (ib, cb) != starts[b * dsst]:
                problem("EXTSST bucket %d points to %d/%d, not %d/%d" % ((b, ib, cb) + starts[b * dsst]))
    if total < unique:
        problem("SST counts %d uses of %d strings" % (total, unique))
    return unique, len(parts) - 1


def check_globals(records):
    if not records or records[0][1] != BOF:
        problem("the stream does not begin with BOF")
        return
    vers, dt = struct.unpack_from("<HH", records[0][2], 0)
    if vers != 0x0600 or dt != 0x0005:
        problem("globals BOF is version 0x%04X type 0x%04X" % (vers, dt))
    kinds = [r[1] for r in records]
    cp = next((r for r in records if r[1] == CODEPAGE), None)
    if cp is None or struct.unpack("<H", cp[2])[0] != 1200:
        problem("CODEPAGE is not 1200")
    if WINDOW1 not in kinds:
        problem("no WINDOW1")
    fonts = kinds.count(FONT)
    if fonts < 5:
        problem("%d FONT records" % fonts)
    xfs = [r[2] for r in records if r[1] == XF]
    style = [x for x in xfs if struct.unpack_from("<H", x, 4)[0] & 4]
    if len(style) < 15 or len(xfs) == len(style):
        problem("%d XF records, %d of them style XFs" % (len(xfs), len(style)))
    for i, x in enumerate(xfs):
        font = struct.unpack_from("<H", x, 0)[0]
        real = font if font < 4 else font - 1
        if font == 4 or real >= fonts:
            problem("XF %d uses font %d" % (i, font))
    for r in records:
        if r[1] == STYLE:
            ixf = struct.unpack_from("<H", r[2], 0)[0] & 0x0FFF
            if ixf >= len(xfs) or not struct.unpack_from("<H", xfs[ixf], 4)[0] & 4:
                problem("STYLE refers to XF %d" % ixf)


def check_sheet(stream, start, unique):
    records, end = records_of(stream, start)
    if not records or records[0][1] != BOF:
        problem("sheet offset %d is no BOF" % start)
        return end
    if struct.unpack_from("<H", records[0][2], 2)[0] != 0x0010:
        problem("sheet BOF is not a worksheet")
    by_pos = {r[0]: r for r in records}
    rows = {}  # row -> (first column, last column + 1)
    cells = {}  # row -> columns
    first_cell = {}  # row -> position of its first cell record
    for pos, rtype, data in records:
        if rtype == ROW:
            row, c0, c1 = struct.unpack_from("<HHH", data, 0)
            rows[row] = (c0, c1)
        elif rtype in CELL_RECORDS:
            row, col = struct.unpack_from("<HH", data, 0)
            cells.setdefault(row, []).append(col)
            first_cell.setdefault(row, pos)
            if rtype == LABELSST and struct.unpack_from("<I", data, 6)[0] >= unique:
                problem("cell %d,%d refers to a string past the SST" % (row, col))
    for row, cols in cells.items():
        if row not in rows:
            problem("row %d has cells but no ROW record" % row)
        elif rows[row] != (min(cols), max(cols) + 1):
            problem("ROW %d spans %s, its cells %s" % (row, rows[row], (min(cols), max(cols) + 1)))
    dims = next((r for r in records if r[1] == DIMENSIONS), None)
    want = (min(cells), max(cells) + 1) if cells else (0, 0)
    if dims is None:
        problem("no DIMENSIONS")
    elif struct.unpack_from("<II", dims[2], 0) != want:
        problem("DIMENSIONS rows %s, cells in %s" % (struct.unpack_from("<II", dims[2], 0), want))
    if WINDOW2 not in [r[1] for r in records]:
        problem("no WINDOW2")
    index = next((r for r in records if r[1] == INDEX), None)
    if index is None:
        problem("no INDEX")
        return end
    _, rw_mic, rw_mac, ib_xf = struct.unpack_from("<IIII", index[2], 0)
    if (rw_mic, rw_mac) != want:
        problem("INDEX rows %d..%d, cells in %s" % (rw_mic, rw_mac, want))
    if ib_xf and (ib_xf not in by_pos or by_pos[ib_xf][1] != DEFCOLWIDTH):
        problem("INDEX does not point to DEFCOLWIDTH")
    pointers = struct.unpack_from("<%dI" % ((len(index[2]) - 16) // 4), index[2], 16)
    dbcells = [r for r in records if r[1] == DBCELL]
    if len(pointers) != len(dbcells):
        problem("INDEX lists %d DBCELLs, the sheet has %d" % (len(pointers), len(dbcells)))
    seen_rows = []
    for p in pointers:
        if p not in by_pos or by_pos[p][1] != DBCELL:
            problem("INDEX points to %d, no DBCELL" % p)
            continue
        data = by_pos[p][2]
        first_row = p - struct.unpack_from("<I", data, 0)[0]
        if first_row not in by_pos or by_pos[first_row][1] != ROW:
            problem("DBCELL at %d does not point back to a ROW" % p)
            continue
        block = []
        pos = first_row
        while by_pos.get(pos, (0, 0))[1] == ROW:
            block.append(struct.unpack_from("<H", by_pos[pos][2], 0)[0])
            pos += 4 + len(by_pos[pos][2])
        offsets = struct.unpack_from("<%dH" % ((len(data) - 4) // 2), data, 4)
        if len(offsets) != len(block) or len(block) > 32:
            problem("DBCELL at %d has %d offsets for %d rows" % (p, len(offsets), len(block)))
            continue
        base = first_row + 20
        for row, off in zip(block, offsets):
            base += off
            if first_cell.get(row) != base:
                problem("DBCELL at %d misses the first cell of row %d" % (p, row))
        seen_rows += block
    if pointers and sorted(seen_rows) != sorted(rows):
        problem("the DBCELLs reach %d of %d rows" % (len(seen_rows), len(rows)))
    return end


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        raw = f.read()
    log = io.StringIO()
    stream = xlrd.compdoc.CompDoc(raw, logfile=log).get_named_stream("Workbook")
    if stream is None:
        problem("no Workbook stream")
        stream = b""
    globals_records, end = records_of(stream, 0)
    check_globals(globals_records)
    unique, continues = check_sst(globals_records)
    last_end = end
    for _, rtype, data in globals_records:
        if rtype == BOUNDSHEET:
            last_end = max(last_end, check_sheet(stream, struct.unpack_from("<I", data, 0)[0], unique))
    if any(stream[last_end:]):
        problem("bytes after the last substream")

    book = xlrd.open_workbook(file_contents=raw, formatting_info=True, ragged_rows=True,
                              logfile=log)
    for sheet in book.sheets():
        print("sheet\t" + clean(sheet.name))
        for col in sorted(sheet.colinfo_map):
            print("width\t%d\t%d" % (col + 1, sheet.colinfo_map[col].width))
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                if cell.ctype != xlrd.XL_CELL_TEXT:
                    problem("cell %d,%d is not text" % (r + 1, c + 1))
                where = str(r + 1) if c == 0 else "%d,%d" % (r + 1, c + 1)
                print(where + "\t" + clean(str(cell.value)))
    print("strings\t%d\t%d" % (unique, continues))
    for p in problems:
        print("problem\t" + p)
    for line in log.getvalue().splitlines():
        if line.strip():
            print("log\t" + line)


if __name__ == "__main__":
    main()
