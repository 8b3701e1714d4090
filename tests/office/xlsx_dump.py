#!/usr/bin/python3
"""Prints a workbook as JSON, read through openpyxl: an independent reader of
the workbooks the program writes. Usage: xlsx_dump.py FILE.xlsx"""
import datetime
import json
import sys

import openpyxl


def typed(v):
    if isinstance(v, datetime.datetime):
        return "datetime", v.isoformat()
    if isinstance(v, datetime.date):
        return "date", v.isoformat()
    if isinstance(v, datetime.time):
        return "time", v.isoformat()
    if isinstance(v, bool):
        return "bool", v
    if isinstance(v, (int, float)):
        return "number", v
    if isinstance(v, str):
        return "text", v
    return "empty", None


def edges(cell):
    b = cell.border
    return "".join(k for k, side in (("L", b.left), ("T", b.top), ("B", b.bottom), ("R", b.right))
                   if side is not None and side.style == "thin")


def sheet(ws):
    cells = {}
    for row in ws.iter_rows():
        for c in row:
            t, v = typed(c.value)
            fmt = c.number_format
            align = c.alignment.horizontal or ""
            e = edges(c)
            if t == "empty" and fmt == "General" and not align and not e:
                continue
            cells[c.coordinate] = {"t": t, "v": v, "fmt": fmt, "align": align, "edges": e}
    widths = {k: d.width for k, d in ws.column_dimensions.items() if d.customWidth}
    return {
        "name": ws.title,
        "cells": cells,
        "widths": widths,
        "merges": sorted(str(r) for r in ws.merged_cells.ranges),
        "freeze": ws.freeze_panes or "",
    }


def main():
    wb = openpyxl.load_workbook(sys.argv[1])
    out = {
        "sheets": [sheet(ws) for ws in wb.worksheets],
        "active": wb.active.title,
        "styles": len(wb._cell_styles),
    }
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
