#!/usr/bin/env python3
"""Writes the XML sources of the Word templates under res/templates/.

The templates are plain WordprocessingML written here from scratch: the parts
every template shares go to res/templates/common/, each template's document
part to res/templates/<Name>/word/document.xml. The build packs them into
<Name>.dotx beside the program. Run after changing a layout:
    python3 tools/gen_templates.py
"""
import os
from xml.sax.saxutils import escape

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "templates")

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
WP = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"
DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

# A4 in twips.
A4_W, A4_H = 11906, 16838


def write(rel, text):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def rpr(size=None, bold=False, font=None):
    parts = []
    if font:
        parts.append(f'<w:rFonts w:ascii="{font}" w:hAnsi="{font}" w:eastAsia="{font}" w:cs="{font}"/>')
    if bold:
        parts.append('<w:b/><w:bCs/>')
    if size:
        hp = int(round(size * 2))
        parts.append(f'<w:sz w:val="{hp}"/><w:szCs w:val="{hp}"/>')
    return "<w:rPr>" + "".join(parts) + "</w:rPr>" if parts else ""


def run(text, size=None, bold=False):
    body = []
    for i, line in enumerate(text.split("\n")):
        if i:
            body.append("<w:br/>")
        if line:
            body.append(f'<w:t xml:space="preserve">{escape(line)}</w:t>')
    return f"<w:r>{rpr(size, bold)}{''.join(body)}</w:r>"


def para(text="", jc="left", size=None, bold=False, mark_size=None, mark_bold=False, inner="",
         spacing=None):
    """A paragraph; the mark's format (what typed text takes) by mark_size/mark_bold."""
    sp = spacing or '<w:spacing w:before="0" w:after="0" w:line="240" w:lineRule="auto"/>'
    ppr = f'<w:pPr>{sp}<w:jc w:val="{jc}"/>{rpr(mark_size or size, mark_bold)}</w:pPr>'
    content = run(text, size, bold) if text else ""
    return f"<w:p>{ppr}{inner}{content}</w:p>"


def bookmark(bid, name):
    return f'<w:bookmarkStart w:id="{bid}" w:name="{name}"/><w:bookmarkEnd w:id="{bid}"/>'


def cell(width, content, valign="center", vmerge=None):
    vm = ""
    if vmerge == "restart":
        vm = '<w:vMerge w:val="restart"/>'
    elif vmerge == "continue":
        vm = "<w:vMerge/>"
    return (f'<w:tc><w:tcPr><w:tcW w:w="{width}" w:type="dxa"/>{vm}<w:vAlign w:val="{valign}"/></w:tcPr>'
            f"{content}</w:tc>")


def row(height, rule, cells):
    return (f'<w:tr><w:trPr><w:trHeight w:val="{int(round(height * 20))}" w:hRule="{rule}"/></w:trPr>'
            + "".join(cells) + "</w:tr>")


def table(widths, rows, layout="fixed"):
    total = sum(widths)
    borders = "".join(f'<w:{s} w:val="single" w:sz="4" w:space="0" w:color="auto"/>'
                      for s in ("top", "left", "bottom", "right", "insideH", "insideV"))
    grid = "".join(f'<w:gridCol w:w="{w}"/>' for w in widths)
    return (f'<w:tbl><w:tblPr><w:tblW w:w="{total}" w:type="dxa"/><w:tblBorders>{borders}</w:tblBorders>'
            f'<w:tblLayout w:type="{layout}"/><w:tblCellMar><w:left w:w="108" w:type="dxa"/>'
            f'<w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr><w:tblGrid>{grid}</w:tblGrid>'
            + "".join(rows) + "</w:tbl>")


def sect(width=A4_W, height=A4_H, top=1440, bottom=1440, left=1800, right=1800, pitch=312, orient=None):
    o = f' w:orient="{orient}"' if orient else ""
    return (f'<w:sectPr><w:pgSz w:w="{width}" w:h="{height}"{o}/>'
            f'<w:pgMar w:top="{top}" w:right="{right}" w:bottom="{bottom}" w:left="{left}" w:header="851" '
            f'w:footer="992" w:gutter="0"/><w:cols w:space="425"/>'
            f'<w:docGrid w:type="default" w:linePitch="{pitch}"/></w:sectPr>')


def readable(xml):
    """One paragraph, row or cell a line: breaks only between elements, never in text."""
    for tag in ("<w:p>", "<w:tbl>", "<w:tr>", "<w:tc>", "</w:tr>", "</w:tbl>", "<w:sectPr>", "</w:body>"):
        xml = xml.replace(tag, "\n" + tag)
    return xml


def document(body):
    return (DECL + readable(f'<w:document xmlns:w="{W}" xmlns:r="{R}" xmlns:wp="{WP}"><w:body>'
                            + body + "</w:body>") + "</w:document>\n")


def common():
    write("common/[Content_Types].xml", DECL +
          '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
          '<Default Extension="xml" ContentType="application/xml"/>'
          '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-'
          'officedocument.wordprocessingml.template.main+xml"/>'
          '<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-'
          'officedocument.wordprocessingml.styles+xml"/>'
          '<Override PartName="/word/settings.xml" ContentType="application/vnd.openxmlformats-'
          'officedocument.wordprocessingml.settings+xml"/>'
          "</Types>\n")
    write("common/_rels/.rels", DECL +
          '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
          '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
          'relationships/officeDocument" Target="word/document.xml"/></Relationships>\n')
    write("common/word/_rels/document.xml.rels", DECL +
          '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
          '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
          'relationships/styles" Target="styles.xml"/>'
          '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
          'relationships/settings" Target="settings.xml"/></Relationships>\n')
    write("common/word/settings.xml", DECL +
          f'<w:settings xmlns:w="{W}"><w:defaultTabStop w:val="420"/>'
          '<w:characterSpacingControl w:val="compressPunctuation"/>'
          '<w:compat><w:compatSetting w:name="compatibilityMode" w:uri="http://schemas.microsoft.com/'
          'office/word" w:val="15"/></w:compat></w:settings>\n')
    write("common/word/styles.xml", DECL +
          f'<w:styles xmlns:w="{W}">'
          '<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Times New Roman" w:hAnsi="Times New Roman" '
          'w:eastAsia="宋体" w:cs="Times New Roman"/><w:kern w:val="2"/><w:sz w:val="21"/><w:szCs w:val="21"/>'
          '<w:lang w:val="en-US" w:eastAsia="zh-CN" w:bidi="ar-SA"/></w:rPr></w:rPrDefault>'
          '<w:pPrDefault><w:pPr><w:spacing w:before="0" w:after="0" w:line="240" w:lineRule="auto"/>'
          '</w:pPr></w:pPrDefault></w:docDefaults>'
          '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/>'
          '<w:pPr><w:widowControl w:val="0"/><w:jc w:val="both"/></w:pPr></w:style>'
          '<w:style w:type="character" w:default="1" w:styleId="DefaultParagraphFont">'
          '<w:name w:val="Default Paragraph Font"/><w:uiPriority w:val="1"/><w:semiHidden/></w:style>'
          '<w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/>'
          '<w:uiPriority w:val="99"/><w:semiHidden/><w:tblPr><w:tblInd w:w="0" w:type="dxa"/>'
          '<w:tblCellMar><w:top w:w="0" w:type="dxa"/><w:left w:w="108" w:type="dxa"/>'
          '<w:bottom w:w="0" w:type="dxa"/><w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr>'
          '</w:style></w:styles>\n')


# ---- the single-pile report: two tables per page (header and parameters).
# Labels as on the printed page, but for the verifier: the writer puts the
# verifier's name beside the date in the parameter table, and the header's
# verifier cell, always left empty, is the box for the signature. Value cells
# carry the value font in their marks.

SINGLE_TEXTS = {
    "zh": dict(title="低应变反射波法单桩检测报告单", number="编号:         ",
               labels=["工程名称", "检测单位", "测试日期", "检测依据", "桩号", "测试人", "审核人签字"],
               params=["施工日期", "审核人", "桩型", "设计强度等级", "设计桩径\n(mm)",
                       "设计桩顶标高\n(m)", "设计桩端标高\n(m)", "实测桩顶标高\n(m)"],
               submit="提交报告时间:    年  月  日"),
    "en": dict(title="Low Strain Pile Integrity Testing Report", number="Num:         ",
               labels=["Project Name", "Test Department", "Test Date", "Technical code", "Pile ID",
                       "Tested By", "Signature"],
               params=["Installation", "Verified By", "Type", "Material", "Size\n(mm)",
                       "DsPileTop\n(m)", "DsPileTip\n(m)", "DtPileTop\n(m)"],
               submit="Submit Date:    Year  Month  Day"),
}


def single(lang):
    t = SINGLE_TEXTS[lang]
    size = 10.5
    label = lambda s: para(s, jc="center", size=size)
    value = lambda: para(jc="left", mark_size=size)
    # Text width: A4 less 20 mm left and 15 mm right.
    left, right = 1134, 850
    width = A4_W - left - right  # 9922
    # Header: a left part of two thirds (label a third of it), a right part (label half).
    lw, lv = 2205, 4410
    rw, rv = 1654, width - lw - lv - 1654
    upper = table([lw, lv, rw, rv], [
        row(54, "atLeast", [cell(lw, label(t["labels"][0])), cell(lv, value()),
                            cell(rw, label(t["labels"][4])), cell(rv, value())]),
        row(54, "atLeast", [cell(lw, label(t["labels"][1])), cell(lv, value()),
                            cell(rw, label(t["labels"][5]), vmerge="restart"),
                            cell(rv, value(), vmerge="restart")]),
        row(18, "atLeast", [cell(lw, label(t["labels"][2])), cell(lv, value()),
                            cell(rw, para(jc="center", mark_size=size), vmerge="continue"),
                            cell(rv, para(mark_size=size), vmerge="continue")]),
        row(18, "atLeast", [cell(lw, label(t["labels"][3])), cell(lv, value()),
                            cell(rw, label(t["labels"][6])), cell(rv, value())]),
    ])
    # Parameters: six columns; row 1 has two pairs of a sixth and a third.
    c = 1654
    cols = [c, c, c, c, c, width - 5 * c]
    p = t["params"]
    lower = table(cols, [
        row(24, "atLeast", [cell(c, label(p[0])), cell(2 * c, value()), cell(c, label(p[1])),
                            cell(width - 4 * c, value())]),
        row(30, "atLeast", [cell(c, label(p[2])), cell(c, value()), cell(c, label(p[3])), cell(c, value()),
                            cell(c, label(p[4])), cell(cols[5], value())]),
        row(36, "atLeast", [cell(c, label(p[5])), cell(c, value()), cell(c, label(p[6])), cell(c, value()),
                            cell(c, label(p[7])), cell(cols[5], value())]),
        # The curve: the caption and the picture are written by the program.
        row(300, "exact", [cell(width, para(mark_size=size), valign="top")]),
        # The results, written by the program.
        row(110, "atLeast", [cell(width, para(mark_size=size), valign="top")]),
    ])
    body = (para(t["title"], jc="center", size=16, bold=True,
                 spacing='<w:spacing w:before="0" w:after="120" w:line="240" w:lineRule="auto"/>')
            + para(t["number"], jc="right", size=size)
            + upper
            + para(jc="left", mark_size=3, spacing='<w:spacing w:before="0" w:after="0" w:line="120" '
                                                   'w:lineRule="exact"/>')
            + lower
            + para(t["submit"], jc="right", size=9)
            + sect(top=1134, bottom=850, left=left, right=right))
    return document(body)


# ---- the summary tables: a title, the project name, the table with one
# heading row, the signatures.

COUNT_HEADINGS_11 = ["序号", "桩号", "检测日期", "施工日期", "桩长(m)", "桩径(mm)", "强度等级",
                     "波速(m/s)", "完整性描述", "桩类别", "备注"]
COUNT_HEADINGS_U = ["序号", "桩号", "桩长(m)", "桩径(mm)", "波速\n(m/s)", "桩类别", "完整性描述", "备注"]
COUNT_HEADINGS_UE = ["Number", "Pile Number", "Length(m)", "Diameter(mm)", "Velocity\n(m/s)", "Type",
                     "Integrity ", "Remark"]


def count_info(headings, landscape):
    margin = 1134
    pw, ph = (A4_H, A4_W) if landscape else (A4_W, A4_H)
    width = pw - 2 * margin
    n = len(headings)
    cols = [width // n] * n
    cols[-1] = width - sum(cols[:-1])
    heading = row(20, "atLeast", [
        cell(w, para(h, jc="center", size=10.5, bold=True, mark_size=10.5)) for w, h in zip(cols, headings)])
    body = (para(jc="center", mark_size=18, mark_bold=True, inner=bookmark(0, "Title"),
                 spacing='<w:spacing w:before="0" w:after="120" w:line="240" w:lineRule="auto"/>')
            + para(jc="left", mark_size=12, inner=bookmark(1, "ProjectName"),
                   spacing='<w:spacing w:before="0" w:after="60" w:line="240" w:lineRule="auto"/>')
            + table(cols, [heading], layout="autofit")
            + para(jc="left", mark_size=12, spacing='<w:spacing w:before="120" w:after="0" w:line="240" '
                                                    'w:lineRule="auto"/>',
                   inner=bookmark(2, "Man_1") + run(" " * 40, 12) + bookmark(3, "Man_2"))
            + para(mark_size=12)
            + sect(width=pw, height=ph, top=margin, bottom=margin, left=margin, right=margin,
                   orient="landscape" if landscape else None))
    return document(body)


def blank():
    # The normal page: A4, margins of 1 and 1.25 inches, 15.6-point line pitch.
    return document(para(mark_size=10.5) + sect())


def project_report():
    # One empty paragraph in single spacing; the program sets the margins.
    return document(para(mark_size=10.5) + sect(top=1134, bottom=850, left=1134, right=850))


def main():
    common()
    write("SingleBoltReport/word/document.xml", single("zh"))
    write("SingleBoltReportE/word/document.xml", single("en"))
    write("CountInfoReportA/word/document.xml", count_info(COUNT_HEADINGS_11, True))
    write("CountInfoReportB/word/document.xml", count_info(COUNT_HEADINGS_11, True))
    write("CountInfoReportU/word/document.xml", count_info(COUNT_HEADINGS_U, False))
    write("CountInfoReportUE/word/document.xml", count_info(COUNT_HEADINGS_UE, False))
    write("Blank/word/document.xml", blank())
    write("ProjectReport/word/document.xml", project_report())


if __name__ == "__main__":
    main()
