#include "controls/SListCtrl.h"

#include "controls/CtrlId.h"
#include "res/ids.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <algorithm>

namespace pit {

void ListRowsModel::setRows(ListRows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ListRowsModel::setCheckBoxes(bool on) {
    m_checkBoxes = on;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

int ListRowsModel::insertColumn(int col, const QString& heading, int width) {
    const int at = std::clamp(col, 0, m_rows.GetColumnCount());
    beginInsertColumns({}, at, at);
    const int r = m_rows.InsertColumn(col, heading, width);
    endInsertColumns();
    return r;
}

bool ListRowsModel::deleteColumn(int col) {
    if (col < 0 || col >= m_rows.GetColumnCount())
        return false;
    beginRemoveColumns({}, col, col);
    m_rows.DeleteColumn(col);
    endRemoveColumns();
    return true;
}

int ListRowsModel::insertItem(int row, const QString& text) {
    if (row < 0)
        return -1;
    const int at = std::min(row, m_rows.GetItemCount());
    beginInsertRows({}, at, at);
    const int r = m_rows.InsertItem(at, text);
    endInsertRows();
    return r;
}

bool ListRowsModel::deleteItem(int row) {
    if (row < 0 || row >= m_rows.GetItemCount())
        return false;
    beginRemoveRows({}, row, row);
    m_rows.DeleteItem(row);
    endRemoveRows();
    return true;
}

void ListRowsModel::deleteAllItems() {
    beginResetModel();
    m_rows.DeleteAllItems();
    endResetModel();
}

bool ListRowsModel::setItemText(int row, int col, const QString& text) {
    if (!m_rows.SetItemText(row, col, text))
        return false;
    Q_EMIT dataChanged(index(row, col), index(row, col));
    return true;
}

bool ListRowsModel::setItemCheck(int row, bool checked) {
    if (!m_rows.SetItemCheck(row, checked))
        return false;
    Q_EMIT dataChanged(index(row, 0), index(row, 0));
    return true;
}

int ListRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.GetItemCount();
}

int ListRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.GetColumnCount();
}

QVariant ListRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_rows.GetItemText(index.row(), index.column());
    if (role == Qt::CheckStateRole && m_checkBoxes && index.column() == 0)
        return m_rows.GetItemCheck(index.row()) ? Qt::Checked : Qt::Unchecked;
    if (m_style && role != Qt::CheckStateRole)
        return m_style(index.row(), index.column(), role);
    return {};
}

bool ListRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid())
        return false;
    if (role == Qt::CheckStateRole && index.column() == 0)
        return setItemCheck(index.row(), value.toInt() == Qt::Checked);
    if (role == Qt::EditRole)
        return setItemText(index.row(), index.column(), value.toString());
    return false;
}

QVariant ListRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_rows.GetColumnCount())
        return m_rows.column(section).heading;
    return {};
}

Qt::ItemFlags ListRowsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_checkBoxes && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

} // namespace pit

CSListCtrl::CSListCtrl(QWidget* parent) : QTableView(parent), m_model(new pit::ListRowsModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // cells edit through the list's own box
    setShowGrid(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);

    m_edit = new QLineEdit(viewport());
    pit::SetCtrlId(m_edit, ids::IDC_LIST_EDIT);
    m_edit->setFont(font());
    m_edit->setGeometry(10, 10, 190, 90);
    m_edit->hide();
    m_edit->installEventFilter(this);
    connect(this, &QAbstractItemView::clicked, this, &CSListCtrl::OnClick);
}

CSListCtrl::~CSListCtrl() {
    m_edit->removeEventFilter(this);
    m_editable.clear();
}

int CSListCtrl::InsertColumn(int col, const QString& heading, int width) {
    const int r = m_model->insertColumn(col, heading, width);
    if (r >= 0)
        setColumnWidth(r, width);
    return r;
}

void CSListCtrl::EnableEditing(bool on) {
    m_editable.clear();
    m_editing = m_edit ? on : false;
}

bool CSListCtrl::AddEditableCell(int row, int col) {
    if (!m_editing) {
        m_editable.clear();
        return false;
    }
    const std::pair<uint16_t, uint16_t> cell{uint16_t(row), uint16_t(col)};
    if (std::find(m_editable.begin(), m_editable.end(), cell) == m_editable.end())
        m_editable.push_back(cell);
    return true;
}

bool CSListCtrl::IsCellEditable(int row, int col) const {
    if (!m_editing)
        return false;
    const std::pair<uint16_t, uint16_t> cell{uint16_t(row), uint16_t(col)};
    return std::find(m_editable.begin(), m_editable.end(), cell) != m_editable.end();
}

void CSListCtrl::ClearEditableCells() {
    m_editCell = {-1, -1};
    m_editing = false;
    m_editable.clear();
    if (m_edit)
        m_edit->hide();
}

bool CSListCtrl::CommitEdit() {
    if (!m_edit || !m_editing || m_editCell.first < 0 || m_editCell.second < 0)
        return false;
    const QString text = m_edit->text();
    if (!text.isEmpty())
        SetItemText(m_editCell.first, m_editCell.second, text);
    m_committing = true; // hiding the focused box loses the focus again
    m_edit->hide();
    m_committing = false;
    return true;
}

void CSListCtrl::OnClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    CommitEdit();
    const int row = index.row(), col = index.column();
    if (!IsCellEditable(row, col) || !m_edit)
        return;
    m_editCell = {int16_t(row), int16_t(col)};
    m_edit->setGeometry(visualRect(index));
    m_edit->setText(GetItemText(row, col));
    m_edit->show();
    m_edit->setFocus();
    m_edit->selectAll();
}

void CSListCtrl::OnEditKillFocus() {
    if (m_committing || !m_edit || !m_editing || m_editCell.first < 0 || m_editCell.second < 0)
        return;
    if (!m_edit->isVisible())
        return;
    const int row = m_editCell.first, col = m_editCell.second;
    if (CommitEdit())
        Q_EMIT cellEdited(row, col);
}

bool CSListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::FocusOut)
        OnEditKillFocus();
    return QTableView::eventFilter(watched, event);
}
