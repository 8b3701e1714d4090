// Tables of the document model. Cell widths are the truth while a document is
// edited; the grid that readers need is made from them when it is saved.
#include "office/WordDocument.h"

#include "office/WordError.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace pit {

using namespace word;

namespace word {
// Rounded boundaries closer than this are one boundary (rounding of point
// widths to twips leaves rows a twip or two apart).
constexpr double kSnapTwips = 4.0;
constexpr int kDefaultPaddingTwips = 108; // 5.4 pt

void SetAttr(pugi::xml_node n, const char* attr, const char* v) {
    pugi::xml_attribute a = n.attribute(attr);
    if (!a)
        a = n.append_attribute(attr);
    a.set_value(v);
}
void SetAttr(pugi::xml_node n, const char* attr, long v) {
    SetAttr(n, attr, QByteArray::number(qlonglong(v)).constData());
}

bool IsContinuation(pugi::xml_node tc) {
    pugi::xml_node vm = tc.child("w:tcPr").child("w:vMerge");
    return vm && std::strcmp(vm.attribute("w:val").as_string("continue"), "restart") != 0;
}

std::vector<pugi::xml_node> RowCells(pugi::xml_node tr) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node tc = tr.child("w:tc"); tc; tc = tc.next_sibling("w:tc"))
        out.push_back(tc);
    return out;
}

double CellTwips(pugi::xml_node tc) {
    return tc.child("w:tcPr").child("w:tcW").attribute("w:w").as_double();
}

void SetCellTwips(pugi::xml_node tc, double twips) {
    pugi::xml_node w = Child(Child(tc, "w:tcPr"), "w:tcW");
    SetAttr(w, "w:w", std::max(1L, std::lround(twips)));
    SetAttr(w, "w:type", "dxa");
}

double StartX(pugi::xml_node tc) {
    double x = 0;
    for (pugi::xml_node c = tc.previous_sibling("w:tc"); c; c = c.previous_sibling("w:tc"))
        x += CellTwips(c);
    return x;
}

pugi::xml_node CellAt(pugi::xml_node tr, double x) {
    double pos = 0;
    for (pugi::xml_node tc = tr.child("w:tc"); tc; tc = tc.next_sibling("w:tc")) {
        if (std::abs(pos - x) <= kSnapTwips)
            return tc;
        pos += CellTwips(tc);
    }
    return {};
}

// The cell and the lower parts of its vertical merge, top to bottom.
std::vector<pugi::xml_node> VerticalGroup(pugi::xml_node tc) {
    std::vector<pugi::xml_node> out{tc};
    const double x = StartX(tc);
    for (pugi::xml_node tr = tc.parent().next_sibling("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
        pugi::xml_node c = CellAt(tr, x);
        if (!c || !IsContinuation(c))
            break;
        out.push_back(c);
    }
    return out;
}

void EnsureEndsWithParagraph(pugi::xml_node tc) {
    pugi::xml_node last = tc.last_child();
    if (!last || std::strcmp(last.name(), "w:p"))
        tc.append_child("w:p");
}

// An empty paragraph shaped as the first paragraph of tc.
void AppendEmptyParagraphLike(pugi::xml_node dst, pugi::xml_node tc) {
    pugi::xml_node p = dst.append_child("w:p");
    if (pugi::xml_node pPr = tc.child("w:p").child("w:pPr")) {
        pugi::xml_node c = p.append_copy(pPr);
        if (pugi::xml_node s = c.child("w:sectPr"))
            c.remove_child(s);
    }
}

// A cell shaped as tc (properties, one empty paragraph); vMerge as given.
pugi::xml_node NewCellLike(pugi::xml_node tr, pugi::xml_node after, pugi::xml_node tc, const char* vMerge) {
    pugi::xml_node n = after ? tr.insert_child_after("w:tc", after) : tr.append_child("w:tc");
    pugi::xml_node tcPr = n.append_copy(tc.child("w:tcPr"));
    if (!tcPr)
        tcPr = n.append_child("w:tcPr");
    tcPr.set_name("w:tcPr");
    for (const char* name : {"w:vMerge", "w:gridSpan", "w:hMerge"})
        if (pugi::xml_node c = tcPr.child(name))
            tcPr.remove_child(c);
    if (vMerge) {
        pugi::xml_node vm = Child(tcPr, "w:vMerge");
        if (std::strcmp(vMerge, "continue"))
            SetAttr(vm, "w:val", vMerge);
    }
    AppendEmptyParagraphLike(n, tc);
    return n;
}

// A row shaped as tr with empty cells, vertical merges dropped.
pugi::xml_node NewRowLike(pugi::xml_node tbl, pugi::xml_node after, pugi::xml_node tr) {
    pugi::xml_node n = tbl.insert_child_after("w:tr", after);
    if (pugi::xml_node trPr = tr.child("w:trPr"))
        n.append_copy(trPr);
    for (pugi::xml_node tc : RowCells(tr))
        NewCellLike(n, {}, tc, nullptr);
    return n;
}

double Padding(pugi::xml_node tc, bool left) {
    const char* side = left ? "w:left" : "w:right";
    const char* alt = left ? "w:start" : "w:end";
    if (pugi::xml_node m = tc.child("w:tcPr").child("w:tcMar")) {
        pugi::xml_node s = m.child(side) ? m.child(side) : m.child(alt);
        if (s)
            return s.attribute("w:w").as_double() / kTwipsPerPoint;
    }
    pugi::xml_node tbl = tc.parent().parent();
    if (pugi::xml_node m = tbl.child("w:tblPr").child("w:tblCellMar")) {
        pugi::xml_node s = m.child(side) ? m.child(side) : m.child(alt);
        if (s)
            return s.attribute("w:w").as_double() / kTwipsPerPoint;
    }
    return kDefaultPaddingTwips / kTwipsPerPoint;
}

WordError NoSuch(const QString& zh, const QString& en) {
    return WordError(zh, en);
}

// Makes the grid from the cell widths: every distinct boundary of any row is
// a grid line; spans and trailing gaps follow.
void RecomputeGrid(pugi::xml_node tbl) {
    std::vector<std::vector<double>> rowBounds;
    std::vector<double> all{0.0};
    for (pugi::xml_node tr = tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
        std::vector<double> b{0.0};
        double x = 0;
        for (pugi::xml_node tc : RowCells(tr)) {
            x += CellTwips(tc);
            b.push_back(x);
            all.push_back(x);
        }
        rowBounds.push_back(std::move(b));
    }
    std::sort(all.begin(), all.end());
    std::vector<double> lines; // cluster representatives
    for (double x : all)
        if (lines.empty() || x - lines.back() > kSnapTwips)
            lines.push_back(x);
    const auto lineOf = [&](double x) {
        size_t best = 0;
        for (size_t i = 1; i < lines.size(); ++i)
            if (std::abs(lines[i] - x) < std::abs(lines[best] - x))
                best = i;
        return int(best);
    };
    const int gridCount = int(lines.size()) - 1;

    pugi::xml_node grid = tbl.child("w:tblGrid");
    if (!grid)
        grid = tbl.insert_child_after("w:tblGrid", tbl.child("w:tblPr"));
    while (grid.first_child())
        grid.remove_child(grid.first_child());
    for (int i = 0; i < gridCount; ++i)
        SetAttr(grid.append_child("w:gridCol"), "w:w", std::max(1L, std::lround(lines[i + 1] - lines[i])));

    size_t r = 0;
    for (pugi::xml_node tr = tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr"), ++r) {
        const auto& b = rowBounds[r];
        const auto cells = RowCells(tr);
        int start = 0;
        for (size_t i = 0; i < cells.size(); ++i) {
            const int end = std::max(start + 1, lineOf(b[i + 1]));
            pugi::xml_node tcPr = Child(cells[i], "w:tcPr");
            if (end - start > 1)
                SetAttr(Child(tcPr, "w:gridSpan"), "w:val", long(end - start));
            else if (pugi::xml_node gs = tcPr.child("w:gridSpan"))
                tcPr.remove_child(gs);
            start = end;
        }
        pugi::xml_node trPr = tr.child("w:trPr");
        for (const char* name : {"w:gridAfter", "w:wAfter", "w:gridBefore", "w:wBefore"})
            if (trPr && trPr.child(name))
                trPr.remove_child(trPr.child(name));
        if (start < gridCount) {
            trPr = Child(tr, "w:trPr");
            SetAttr(Child(trPr, "w:gridAfter"), "w:val", long(gridCount - start));
            pugi::xml_node wa = Child(trPr, "w:wAfter");
            SetAttr(wa, "w:w", std::lround(lines[size_t(gridCount)] - lines[size_t(start)]));
            SetAttr(wa, "w:type", "dxa");
        }
    }
}

// Gives every cell a width in twips from the grid, as documents made by other
// programs may give widths only in the grid.
void NormalizeWidths(pugi::xml_node tbl) {
    std::vector<double> cols;
    for (pugi::xml_node g = tbl.child("w:tblGrid").child("w:gridCol"); g; g = g.next_sibling("w:gridCol"))
        cols.push_back(g.attribute("w:w").as_double());
    for (pugi::xml_node tr = tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
        size_t col = size_t(tr.child("w:trPr").child("w:gridBefore").attribute("w:val").as_int());
        for (pugi::xml_node tc : RowCells(tr)) {
            const int span = std::max(1, tc.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int(1));
            pugi::xml_node w = tc.child("w:tcPr").child("w:tcW");
            if (!w || std::strcmp(w.attribute("w:type").as_string("dxa"), "dxa") ||
                w.attribute("w:w").as_double() <= 0) {
                double sum = 0;
                for (int k = 0; k < span && col + size_t(k) < cols.size(); ++k)
                    sum += cols[col + size_t(k)];
                SetCellTwips(tc, sum > 0 ? sum : 1440);
            }
            col += size_t(span);
        }
    }
}

} // namespace word

// ---- WordCell

WordTable WordCell::Table() const {
    return WordTable(m_doc, m_tc.parent().parent());
}

double WordCell::Width() const {
    return CellTwips(m_tc) / kTwipsPerPoint;
}

void WordCell::SetWidth(double points) {
    for (pugi::xml_node c : VerticalGroup(m_tc))
        SetCellTwips(c, std::max(1.0, points) * kTwipsPerPoint);
}

double WordCell::Height() const {
    return WordRow(m_doc, m_tc.parent()).Height();
}

int WordCell::HeightRule() const {
    return WordRow(m_doc, m_tc.parent()).HeightRule();
}

void WordCell::SetHeight(double points, int rule) {
    WordRow(m_doc, m_tc.parent()).SetHeight(points, rule);
}

double WordCell::LeftPadding() const {
    return Padding(m_tc, true);
}

double WordCell::RightPadding() const {
    return Padding(m_tc, false);
}

void WordCell::SetVerticalAlignment(int align) {
    const char* v = align == 1 ? "center" : align == 3 ? "bottom" : "top";
    for (pugi::xml_node c : VerticalGroup(m_tc))
        SetAttr(Child(Child(c, "w:tcPr"), "w:vAlign"), "w:val", v);
}

void WordCell::Merge(const WordCell& other) {
    pugi::xml_node tr = m_tc.parent();
    if (other.m_tc.parent() != tr)
        throw WordError(QStringLiteral("只能合并同一行中的单元格。"),
                        QStringLiteral("Only cells of one row can be merged."));
    if (other.m_tc == m_tc)
        return;
    pugi::xml_node first = m_tc;
    pugi::xml_node last = other.m_tc;
    if (StartX(last) < StartX(first))
        std::swap(first, last);
    const double x0 = StartX(first);
    const double x1 = StartX(last) + CellTwips(last);
    for (pugi::xml_node top : VerticalGroup(first)) {
        pugi::xml_node row = top.parent();
        std::vector<pugi::xml_node> parts;
        double pos = 0;
        for (pugi::xml_node tc : RowCells(row)) {
            if (pos >= x0 - kSnapTwips && pos + CellTwips(tc) <= x1 + kSnapTwips)
                parts.push_back(tc);
            pos += CellTwips(tc);
        }
        if (parts.size() < 2)
            continue;
        pugi::xml_node keep = parts.front();
        double width = 0;
        for (pugi::xml_node tc : parts)
            width += CellTwips(tc);
        // Content of the non-empty cells, in order; one empty paragraph when none.
        const auto isEmptyCell = [](pugi::xml_node tc) {
            for (pugi::xml_node c : tc.children()) {
                if (!std::strcmp(c.name(), "w:tcPr"))
                    continue;
                if (std::strcmp(c.name(), "w:p") || !IsEmptyParagraph(c))
                    return false;
            }
            return true;
        };
        bool keepEmpty = isEmptyCell(keep);
        for (size_t i = 1; i < parts.size(); ++i) {
            if (!isEmptyCell(parts[i])) {
                if (keepEmpty) {
                    // The first cell's empty paragraph gives way to the content.
                    std::vector<pugi::xml_node> drop;
                    for (pugi::xml_node c : keep.children())
                        if (std::strcmp(c.name(), "w:tcPr"))
                            drop.push_back(c);
                    for (auto c : drop)
                        keep.remove_child(c);
                    keepEmpty = false;
                }
                std::vector<pugi::xml_node> move;
                for (pugi::xml_node c : parts[i].children())
                    if (std::strcmp(c.name(), "w:tcPr"))
                        move.push_back(c);
                for (auto c : move)
                    keep.append_move(c);
            }
            row.remove_child(parts[i]);
        }
        EnsureEndsWithParagraph(keep);
        SetCellTwips(keep, width);
    }
}

void WordCell::Split(int rows, int columns) {
    if (rows < 1 || columns < 1 || (rows > 1 && columns > 1))
        throw WordError(QStringLiteral("单元格只能拆分为一行多列或多行一列。"),
                        QStringLiteral("A cell splits into one row of columns or one column of rows."));
    if (rows == 1 && columns == 1)
        return;
    if (rows == 1) {
        for (pugi::xml_node part : VerticalGroup(m_tc)) {
            const double w = CellTwips(part);
            const long each = std::lround(w / columns);
            SetCellTwips(part, double(w - each * (columns - 1)));
            pugi::xml_node after = part;
            for (int k = 1; k < columns; ++k) {
                const char* vm = IsContinuation(part)                     ? "continue"
                                 : part.child("w:tcPr").child("w:vMerge") ? "restart"
                                                                          : nullptr;
                after = NewCellLike(part.parent(), after, part, vm);
                SetCellTwips(after, double(each));
            }
        }
        return;
    }
    if (VerticalGroup(m_tc).size() > 1 || IsContinuation(m_tc))
        throw WordError(QStringLiteral("纵向合并的单元格不能再拆分为多行。"),
                        QStringLiteral("A vertically merged cell cannot be split into rows."));
    pugi::xml_node tr = m_tc.parent();
    pugi::xml_node tbl = tr.parent();
    WordRow row(m_doc, tr);
    const double h = row.Height();
    const int rule = row.HeightRule();
    // The row's other cells become the tops of vertical merges.
    for (pugi::xml_node tc : RowCells(tr))
        if (tc != m_tc && !tc.child("w:tcPr").child("w:vMerge"))
            SetAttr(Child(Child(tc, "w:tcPr"), "w:vMerge"), "w:val", "restart");
    pugi::xml_node after = tr;
    for (int k = 1; k < rows; ++k) {
        pugi::xml_node n = tbl.insert_child_after("w:tr", after);
        if (pugi::xml_node trPr = tr.child("w:trPr"))
            n.append_copy(trPr);
        for (pugi::xml_node tc : RowCells(tr))
            NewCellLike(n, {}, tc, tc == m_tc ? nullptr : "continue");
        after = n;
    }
    if (h > 0) {
        for (pugi::xml_node r = tr; r != after.next_sibling("w:tr"); r = r.next_sibling("w:tr"))
            WordRow(m_doc, r).SetHeight(h / rows, rule);
    }
}

// ---- WordRow

double WordRow::Height() const {
    return FromTwips(m_tr.child("w:trPr").child("w:trHeight"), "w:val", 0);
}

int WordRow::HeightRule() const {
    pugi::xml_node h = m_tr.child("w:trPr").child("w:trHeight");
    if (!h)
        return kHeightAuto;
    const std::string rule = h.attribute("w:hRule").as_string("atLeast");
    return rule == "exact" ? kHeightExactly : rule == "auto" ? kHeightAuto : kHeightAtLeast;
}

void WordRow::SetHeight(double points, int rule) {
    pugi::xml_node h = Child(Child(m_tr, "w:trPr"), "w:trHeight");
    SetAttr(h, "w:val", std::max(0L, std::lround(points * kTwipsPerPoint)));
    SetAttr(h, "w:hRule", rule == kHeightExactly ? "exact" : rule == kHeightAuto ? "auto" : "atLeast");
}

// ---- WordTable

int WordTable::RowCount() const {
    int n = 0;
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr"))
        ++n;
    return n;
}

WordRow WordTable::Row(int r) const {
    int i = 1;
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr"), ++i)
        if (i == r)
            return WordRow(m_doc, tr);
    throw NoSuch(QStringLiteral("表格没有第 %1 行。").arg(r),
                 QStringLiteral("The table has no row %1.").arg(r));
}

WordCell WordTable::Cell(int r, int c) const {
    pugi::xml_node tr;
    int i = 1;
    for (pugi::xml_node x = m_tbl.child("w:tr"); x; x = x.next_sibling("w:tr"), ++i)
        if (i == r) {
            tr = x;
            break;
        }
    int k = 0;
    if (tr)
        for (pugi::xml_node tc : RowCells(tr))
            if (!IsContinuation(tc) && ++k == c)
                return WordCell(m_doc, tc);
    throw NoSuch(QStringLiteral("表格没有单元格 (%1, %2)。").arg(r).arg(c),
                 QStringLiteral("The table has no cell (%1, %2).").arg(r).arg(c));
}

void WordTable::SetColumnWidth(int c, double points) {
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
        const auto cells = RowCells(tr);
        if (c >= 1 && size_t(c) <= cells.size())
            SetCellTwips(cells[size_t(c - 1)], std::max(1.0, points) * kTwipsPerPoint);
    }
}

void WordTable::DeleteColumn(int c) {
    bool any = false;
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
        const auto cells = RowCells(tr);
        if (c >= 1 && size_t(c) <= cells.size() && cells.size() > 1) {
            tr.remove_child(cells[size_t(c - 1)]);
            any = true;
        }
    }
    if (!any)
        throw NoSuch(QStringLiteral("表格没有第 %1 列。").arg(c),
                     QStringLiteral("The table has no column %1.").arg(c));
}

void WordTable::SetRowsHeight(double points, int rule) {
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr"))
        WordRow(m_doc, tr).SetHeight(points, rule);
}

void WordTable::SetBordersEnabled(bool on) {
    pugi::xml_node tblPr = Child(m_tbl, "w:tblPr");
    if (pugi::xml_node old = tblPr.child("w:tblBorders"))
        tblPr.remove_child(old);
    pugi::xml_node b = Child(tblPr, "w:tblBorders");
    for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
        pugi::xml_node s = b.append_child(side);
        SetAttr(s, "w:val", on ? "single" : "nil");
        if (on) {
            SetAttr(s, "w:sz", "4");
            SetAttr(s, "w:space", "0");
            SetAttr(s, "w:color", "auto");
        }
    }
    // Cell borders would override the table's.
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr"))
        for (pugi::xml_node tc : RowCells(tr))
            if (pugi::xml_node cb = tc.child("w:tcPr").child("w:tcBorders"))
                tc.child("w:tcPr").remove_child(cb);
}

void WordTable::SetPaddings(double left, double right) {
    pugi::xml_node mar = Child(Child(m_tbl, "w:tblPr"), "w:tblCellMar");
    for (auto [side, v] : {std::pair{"w:left", left}, std::pair{"w:right", right}}) {
        pugi::xml_node s = mar.child(side) ? mar.child(side) : mar.append_child(side);
        SetAttr(s, "w:w", std::lround(v * kTwipsPerPoint));
        SetAttr(s, "w:type", "dxa");
    }
}

void WordTable::SetPreferredWidth(double points) {
    pugi::xml_node w = Child(Child(m_tbl, "w:tblPr"), "w:tblW");
    SetAttr(w, "w:w", std::lround(points * kTwipsPerPoint));
    SetAttr(w, "w:type", "dxa");
}

void WordTable::SetPreferredWidthType(int type) {
    pugi::xml_node w = Child(Child(m_tbl, "w:tblPr"), "w:tblW");
    if (type == 3) { // points: the width the rows have now
        double total = 0;
        for (pugi::xml_node tc : RowCells(m_tbl.child("w:tr")))
            total += CellTwips(tc);
        SetAttr(w, "w:w", std::lround(total));
        SetAttr(w, "w:type", "dxa");
    } else if (type == 2) {
        SetAttr(w, "w:type", "pct");
    } else {
        SetAttr(w, "w:w", "0");
        SetAttr(w, "w:type", "auto");
    }
}

void WordTable::AutoFitWindow() {
    pugi::xml_node firstP = m_tbl.select_node(".//w:p").node();
    const double avail = (firstP ? m_doc->TextWidthOf(m_tbl) : 0) * kTwipsPerPoint;
    if (avail <= 0)
        return;
    for (pugi::xml_node tr = m_tbl.child("w:tr"); tr; tr = tr.next_sibling("w:tr")) {
        const auto cells = RowCells(tr);
        double total = 0;
        for (auto tc : cells)
            total += CellTwips(tc);
        if (total <= 0)
            continue;
        // Boundaries scale together, so rows that lined up still do.
        double x = 0, done = 0;
        for (auto tc : cells) {
            x += CellTwips(tc);
            const double nx = std::round(x * avail / total);
            SetCellTwips(tc, nx - done);
            done = nx;
        }
    }
    pugi::xml_node tblPr = Child(m_tbl, "w:tblPr");
    pugi::xml_node w = Child(tblPr, "w:tblW");
    SetAttr(w, "w:w", "5000");
    SetAttr(w, "w:type", "pct");
    SetAttr(Child(tblPr, "w:tblLayout"), "w:type", "autofit");
}

WordRow WordTable::AppendRow() {
    pugi::xml_node last = m_tbl.last_child();
    while (last && std::strcmp(last.name(), "w:tr"))
        last = last.previous_sibling();
    if (!last)
        throw NoSuch(QStringLiteral("表格没有行。"), QStringLiteral("The table has no rows."));
    return WordRow(m_doc, NewRowLike(m_tbl, last, last));
}

void WordTable::InsertRowsBelow(int r, int n) {
    pugi::xml_node tr = Row(r).Node();
    pugi::xml_node after = tr;
    for (int k = 0; k < n; ++k)
        after = NewRowLike(m_tbl, after, tr);
}

// ---- tables of the document

WordTable WordDocument::AddTable(const WordRange& at, int rows, int columns) {
    if (rows < 1 || columns < 1 || rows > 1000 || columns > 63)
        throw WordError(QStringLiteral("表格的行数或列数无效：%1 × %2。").arg(rows).arg(columns),
                        QStringLiteral("Invalid table size: %1 × %2.").arg(rows).arg(columns));
    pugi::xml_node before; // the paragraph the table goes in front of
    if (at.IsWhole() && !std::strcmp(at.Container().name(), "w:tc")) {
        before = ClearToOneParagraph(at.Container());
    } else {
        WordRange r = at;
        WordPos pos = r.IsCollapsed() ? r.Start() : WordPos{r.Start().para, 0};
        if (!r.IsCollapsed() && !r.IsWhole())
            pos = WordRange::Span(this, r.Start(), r.End()).SetText(QString());
        const int len = ParagraphLength(pos.para);
        if (len == 0 || pos.offset == 0) {
            before = pos.para;
        } else {
            WordSelection tmp(this);
            tmp.Select(WordRange::Point(this, pos));
            tmp.TypeParagraph();
            before = tmp.Range().Start().para;
        }
    }
    pugi::xml_node parent = before.parent();
    const double avail = TextWidthOf(before) * kTwipsPerPoint;
    const double colTwips = std::max(20.0, std::floor(avail / columns));

    pugi::xml_node tbl = parent.insert_child_before("w:tbl", before);
    pugi::xml_node tblPr = tbl.append_child("w:tblPr");
    // No preferred width of its own: the table is as wide as its cells.
    pugi::xml_node tblW = tblPr.append_child("w:tblW");
    SetAttr(tblW, "w:w", "0");
    SetAttr(tblW, "w:type", "auto");
    SetAttr(tblPr.append_child("w:tblLayout"), "w:type", "fixed");
    pugi::xml_node mar = tblPr.append_child("w:tblCellMar");
    for (const char* side : {"w:left", "w:right"}) {
        pugi::xml_node s = mar.append_child(side);
        SetAttr(s, "w:w", long(kDefaultPaddingTwips));
        SetAttr(s, "w:type", "dxa");
    }
    tbl.append_child("w:tblGrid");
    TableAdded(tbl);
    WordTable table(this, tbl);
    table.SetBordersEnabled(true);
    pugi::xml_node pPr = before.child("w:pPr");
    for (int r = 0; r < rows; ++r) {
        pugi::xml_node tr = tbl.append_child("w:tr");
        for (int c = 0; c < columns; ++c) {
            pugi::xml_node tc = tr.append_child("w:tc");
            SetCellTwips(tc, colTwips);
            pugi::xml_node p = tc.append_child("w:p");
            if (pPr) {
                pugi::xml_node cp = p.append_copy(pPr);
                if (pugi::xml_node s = cp.child("w:sectPr"))
                    cp.remove_child(s);
            }
        }
    }
    if (!std::strcmp(parent.name(), "w:tc")) {
        // The paragraph that a cell needs after a nested table takes no room,
        // so rows of exact height keep their content.
        pugi::xml_node sp = Child(Child(before, "w:pPr"), "w:spacing");
        SetAttr(sp, "w:before", "0");
        SetAttr(sp, "w:after", "0");
        SetAttr(sp, "w:line", "20");
        SetAttr(sp, "w:lineRule", "exact");
        pugi::xml_node rPr = Child(Child(before, "w:pPr"), "w:rPr");
        SetAttr(Child(rPr, "w:sz"), "w:val", "2");
        SetAttr(Child(rPr, "w:szCs"), "w:val", "2");
    }
    Selection().Select(WordRange::Whole(this, tbl.child("w:tr").child("w:tc")));
    return table;
}

const std::vector<pugi::xml_node>& WordDocument::Tables() const {
#ifndef NDEBUG
    // Every change of the body's tables must have reached the list.
    if (m_tablesKnown) {
        std::vector<pugi::xml_node> now;
        for (pugi::xml_node c = Body().child("w:tbl"); c; c = c.next_sibling("w:tbl"))
            now.push_back(c);
        assert(now == m_tables);
    }
#endif
    if (!m_tablesKnown) {
        m_tables.clear();
        for (pugi::xml_node c = Body().child("w:tbl"); c; c = c.next_sibling("w:tbl"))
            m_tables.push_back(c);
        m_tablesKnown = true;
    }
    return m_tables;
}

void WordDocument::TableAdded(pugi::xml_node tbl) {
    if (!m_tablesKnown || tbl.parent() != Body())
        return;
    // Tables go in at the end of the body as pages are added: the walk is short.
    for (pugi::xml_node c = tbl.next_sibling(); c; c = c.next_sibling())
        if (!std::strcmp(c.name(), "w:tbl")) {
            TablesChanged();
            return;
        }
    m_tables.push_back(tbl);
}

int WordDocument::TableCount() const {
    return int(Tables().size());
}

WordTable WordDocument::Table(int index) {
    const std::vector<pugi::xml_node>& tables = Tables();
    if (index >= 1 && size_t(index) <= tables.size())
        return WordTable(this, tables[size_t(index - 1)]);
    throw NoSuch(QStringLiteral("文档中没有第 %1 个表格。").arg(index),
                 QStringLiteral("The document has no table %1.").arg(index));
}

} // namespace pit
