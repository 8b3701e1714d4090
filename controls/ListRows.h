// The rows of a report-style list: text cells, a check state and a number
// per row. Plain data without a window, so the batch reports can build from
// a list just as the windows do.
#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace pit {

class ListRows {
public:
    struct Column {
        QString heading;
        int width = 80;
    };

    // Insert at col (clamped to the end); the index, or -1.
    int InsertColumn(int col, const QString& heading, int width = 80);
    // The column and its cells; false for a column that is not there.
    bool DeleteColumn(int col);
    int GetColumnCount() const { return int(m_columns.size()); }
    const Column& column(int col) const { return m_columns[size_t(col)]; }

    // Insert at row (clamped to the end) with the text of column 0; the index.
    int InsertItem(int row, const QString& text);
    bool DeleteItem(int row);
    void DeleteAllItems() { m_rows.clear(); }
    int GetItemCount() const { return int(m_rows.size()); }

    // Cells outside the columns or rows are refused (false) or empty.
    bool SetItemText(int row, int col, const QString& text);
    QString GetItemText(int row, int col) const;
    bool SetItemCheck(int row, bool checked);
    bool GetItemCheck(int row) const;
    bool SetItemData(int row, quintptr data);
    quintptr GetItemData(int row) const;

private:
    struct Row {
        std::vector<QString> cells;
        bool checked = false;
        quintptr data = 0;
    };
    bool valid(int row) const { return row >= 0 && row < int(m_rows.size()); }

    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
};

} // namespace pit
