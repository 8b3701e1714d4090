#include "controls/ListRows.h"

#include <algorithm>

namespace pit {

int ListRows::InsertColumn(int col, const QString& heading, int width) {
    if (col < 0)
        return -1;
    col = std::min(col, GetColumnCount());
    m_columns.insert(m_columns.begin() + col, Column{heading, width});
    for (Row& r : m_rows)
        if (int(r.cells.size()) > col)
            r.cells.insert(r.cells.begin() + col, QString());
    return col;
}

bool ListRows::DeleteColumn(int col) {
    if (col < 0 || col >= GetColumnCount())
        return false;
    m_columns.erase(m_columns.begin() + col);
    for (Row& r : m_rows)
        if (int(r.cells.size()) > col)
            r.cells.erase(r.cells.begin() + col);
    return true;
}

int ListRows::InsertItem(int row, const QString& text) {
    if (row < 0)
        return -1;
    row = std::min(row, GetItemCount());
    Row r;
    r.cells.push_back(text);
    m_rows.insert(m_rows.begin() + row, std::move(r));
    return row;
}

bool ListRows::DeleteItem(int row) {
    if (!valid(row))
        return false;
    m_rows.erase(m_rows.begin() + row);
    return true;
}

bool ListRows::SetItemText(int row, int col, const QString& text) {
    if (!valid(row) || col < 0 || col >= std::max(GetColumnCount(), 1))
        return false;
    auto& cells = m_rows[size_t(row)].cells;
    if (int(cells.size()) <= col)
        cells.resize(size_t(col) + 1);
    cells[size_t(col)] = text;
    return true;
}

QString ListRows::GetItemText(int row, int col) const {
    if (!valid(row) || col < 0)
        return {};
    const auto& cells = m_rows[size_t(row)].cells;
    return col < int(cells.size()) ? cells[size_t(col)] : QString();
}

bool ListRows::SetItemCheck(int row, bool checked) {
    if (!valid(row))
        return false;
    m_rows[size_t(row)].checked = checked;
    return true;
}

bool ListRows::GetItemCheck(int row) const {
    return valid(row) && m_rows[size_t(row)].checked;
}

bool ListRows::SetItemData(int row, quintptr data) {
    if (!valid(row))
        return false;
    m_rows[size_t(row)].data = data;
    return true;
}

quintptr ListRows::GetItemData(int row) const {
    return valid(row) ? m_rows[size_t(row)].data : 0;
}

} // namespace pit
