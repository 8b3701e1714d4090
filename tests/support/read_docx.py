#!/usr/bin/python3
"""Reads a .docx with python-docx (an independent reader) and prints what the
tests check as JSON: body paragraphs, tables with their cells (nested tables
too), sections, header and footer texts, pictures."""
import json
import sys

import docx
from docx.oxml.ns import qn
from docx.table import _Cell, Table


def cell_info(tc, table):
    cell = _Cell(tc, table)
    tcPr = tc.tcPr
    span = 1
    vmerge = None
    width = None
    if tcPr is not None:
        gs = tcPr.find(qn("w:gridSpan"))
        if gs is not None:
            span = int(gs.get(qn("w:val")))
        vm = tcPr.find(qn("w:vMerge"))
        if vm is not None:
            vmerge = vm.get(qn("w:val")) or "continue"
        w = tcPr.find(qn("w:tcW"))
        if w is not None:
            width = int(w.get(qn("w:w")))
    return {
        "text": "\r".join(p.text for p in cell.paragraphs),
        "span": span,
        "vmerge": vmerge,
        "width": width,
        "tables": [table_info(t) for t in cell.tables],
    }


def table_info(table):
    rows = []
    for tr in table._tbl.tr_lst:
        trPr = tr.trPr
        height, rule = None, None
        if trPr is not None:
            h = trPr.find(qn("w:trHeight"))
            if h is not None:
                height = int(h.get(qn("w:val")))
                rule = h.get(qn("w:hRule")) or "atLeast"
        rows.append({"height": height, "rule": rule, "cells": [cell_info(tc, table) for tc in tr.tc_lst]})
    grid = [int(g.get(qn("w:w"))) for g in table._tbl.tblGrid.findall(qn("w:gridCol"))]
    return {"grid": grid, "rows": rows}


def main(path):
    d = docx.Document(path)
    out = {
        "paragraphs": [p.text for p in d.paragraphs],
        "tables": [table_info(t) for t in d.tables],
        "sections": [],
        "pictures": [],
    }
    for s in d.sections:
        out["sections"].append({
            "pageWidth": s.page_width, "pageHeight": s.page_height,
            "top": s.top_margin, "bottom": s.bottom_margin, "left": s.left_margin, "right": s.right_margin,
            "header": [p.text for p in s.header.paragraphs] if not s.header.is_linked_to_previous else None,
            "footer": [p.text for p in s.footer.paragraphs] if not s.footer.is_linked_to_previous else None,
        })
    for shape in d.inline_shapes:
        blip = shape._inline.graphic.graphicData.pic.blipFill.blip
        part = d.part.related_parts[blip.embed]
        out["pictures"].append({"width": shape.width, "height": shape.height,
                                "contentType": part.content_type, "size": len(part.blob)})
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1])
