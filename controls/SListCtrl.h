// A report-style list whose chosen cells can be edited in place: a click on
// an editable cell opens an edit box over it; when the box loses the focus
// its text goes into the cell (an empty text keeps the old one) and
// cellEdited tells the owner which cell it was.
#pragma once

#include "controls/ListRows.h"

#include <QAbstractTableModel>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QLineEdit;

namespace pit {

// The rows of a ListRows as an item model.
class ListRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    const ListRows& rows() const { return m_rows; }
    void setRows(ListRows rows);
    void setCheckBoxes(bool on);
    bool checkBoxes() const { return m_checkBoxes; }

    int insertColumn(int col, const QString& heading, int width);
    bool deleteColumn(int col);
    int insertItem(int row, const QString& text);
    bool deleteItem(int row);
    void deleteAllItems();
    bool setItemText(int row, int col, const QString& text);
    bool setItemCheck(int row, bool checked);
    bool setItemData(int row, quintptr data) { return m_rows.SetItemData(row, data); }
    // Colours and fonts of a cell by item role (background, foreground, ...);
    // an invalid value leaves the view's own.
    using CellStyle = std::function<QVariant(int row, int col, int role)>;
    void setCellStyle(CellStyle style) { m_style = std::move(style); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    ListRows m_rows;
    bool m_checkBoxes = false;
    CellStyle m_style;
};

} // namespace pit

class CSListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CSListCtrl(QWidget* parent = nullptr);
    ~CSListCtrl() override;

    // The list's own operations on its rows.
    int InsertColumn(int col, const QString& heading, int width = 80);
    bool DeleteColumn(int col) { return m_model->deleteColumn(col); }
    int GetColumnCount() const { return rows().GetColumnCount(); }
    int InsertItem(int row, const QString& text) { return m_model->insertItem(row, text); }
    bool DeleteItem(int row) { return m_model->deleteItem(row); }
    void DeleteAllItems() { m_model->deleteAllItems(); }
    int GetItemCount() const { return rows().GetItemCount(); }
    bool SetItemText(int row, int col, const QString& text) { return m_model->setItemText(row, col, text); }
    QString GetItemText(int row, int col) const { return rows().GetItemText(row, col); }
    bool SetItemData(int row, quintptr data) { return m_model->setItemData(row, data); }
    quintptr GetItemData(int row) const { return rows().GetItemData(row); }
    bool GetItemCheck(int item) const { return rows().GetItemCheck(item); }
    void SetItemCheck(int item, bool checked) { m_model->setItemCheck(item, checked); }
    // Check boxes in the first column.
    void SetCheckBoxes(bool on) { m_model->setCheckBoxes(on); }
    // The cells' colours by role, asked whenever a cell is drawn.
    void SetCellStyle(pit::ListRowsModel::CellStyle style) { m_model->setCellStyle(std::move(style)); }

    const pit::ListRows& rows() const { return m_model->rows(); }
    void SetRows(pit::ListRows rows) { m_model->setRows(std::move(rows)); }

    void EnableEditing(bool on);
    // Lists the cell while editing is on (true); with editing off it empties
    // the list and returns false.
    bool AddEditableCell(int row, int col);
    bool IsCellEditable(int row, int col) const;
    void ClearEditableCells();
    void ResetEditCell() { m_editCell = {-1, -1}; }
    // Writes the edit box into the current cell and hides it; false when no
    // cell is being edited.
    bool CommitEdit();

    QLineEdit* editBox() const { return m_edit; }
    std::pair<int, int> editCell() const { return {m_editCell.first, m_editCell.second}; }

Q_SIGNALS:
    // An edited cell was written (also when an empty text kept the old one).
    void cellEdited(int row, int col);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnClick(const QModelIndex& index);
    void OnEditKillFocus();

    pit::ListRowsModel* m_model;
    QLineEdit* m_edit = nullptr;
    std::pair<int16_t, int16_t> m_editCell{-1, -1};
    std::vector<std::pair<uint16_t, uint16_t>> m_editable;
    bool m_editing = false;
    bool m_committing = false;
};
