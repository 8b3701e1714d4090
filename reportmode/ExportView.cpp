// Report mode's list view.
#include "reportmode/ExportView.h"

#include "analysis/PrintUi.h"
#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/PrinterSupport.h"
#include "controls/SListCtrl.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/project/PileFileArray.h"
#include "core/project/ProjectInfo.h"
#include "core/wave/WaveRecord.h"
#include "platform/ByteCursor.h"
#include "platform/Canvas.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"
#include "reports/ExportServices.h"
#include "reports/PrintJob.h"
#include "reports/RepProjectA.h"
#include "reports/RepSingle.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPolygon>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <numeric>

using namespace pit;
using pit::report::RowSpeed;

namespace {

// The header column clicked last and its direction, shared by every list view.
int g_sortColumn = -1;
bool g_sortAscending = true;

constexpr int kPrintDpi = 600;

// A three-state box that cycles unchecked, checked, indeterminate, as the
// list's "check all" box does.
class CheckAllBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        switch (checkState()) {
        case Qt::Unchecked:
            setCheckState(Qt::Checked);
            break;
        case Qt::Checked:
            setCheckState(Qt::PartiallyChecked);
            break;
        default:
            setCheckState(Qt::Unchecked);
            break;
        }
    }
};

QString ColumnHeading(int col, bool english) {
    static const char16_t* const zh[] = {u"序号",
                                         u"文件名",
                                         u"桩号",
                                         u"日期",
                                         u"时间",
                                         u"完整性描述",
                                         u"设计桩顶标高\n(m)",
                                         u"设计桩端标高\n(m)",
                                         u"实测桩顶标高\n(m)"};
    static const char16_t* const en[] = {u"Index",          u"Name",           u"No",
                                         u"Date",           u"Time",           u"Description",
                                         u"DsPileTop\n(m)", u"DsPileTip\n(m)", u"DtPileTop\n(m)"};
    return QString::fromUtf16(english ? en[col] : zh[col]);
}

// An order button's picture: an arrow up or down, with a bar at its tip for
// the moves to the top and to the bottom.
QIcon OrderIcon(bool up, bool toEnd) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 140));
    const int tip = up ? 6 : 18, base = up ? 14 : 10;
    p.drawPolygon(QPolygon({QPoint(12, tip), QPoint(5, base), QPoint(19, base)}));
    p.drawRect(QRect(10, up ? base : 6, 4, 8));
    if (toEnd)
        p.drawRect(QRect(5, up ? 3 : 19, 14, 2));
    return QIcon(pm);
}

QString ElevationCell(float v) {
    return QString::asprintf("%.2f", double(v));
}

float PileValueOf(const CPileRecord& r, int i) {
    float v;
    std::memcpy(&v, r.m_pileValues[size_t(i)].data(), 4);
    return v;
}

} // namespace

CExportView::CExportView(CKEV_DUXDoc* doc, ReportModeHost* host, QWidget* parent)
    : QWidget(parent), m_pDoc(doc), m_host(host) {
    SetCtrlId(this, kTemplateId);
    setFocusPolicy(Qt::StrongFocus);
    CreateControls();
}

CExportView::~CExportView() = default;

void CExportView::ResetSortMemory() {
    g_sortColumn = -1;
    g_sortAscending = true;
}

void CExportView::CreateControls() {
    m_checkAll = new CheckAllBox(QStringLiteral("全选/全不选"), this);
    SetCtrlId(m_checkAll, kCheckAll);
    m_checkAll->setTristate(true);
    m_topBar = new QWidget(this);
    auto* bar = new QHBoxLayout(m_topBar);
    bar->setContentsMargins(8, 0, 0, 0);
    const struct {
        int label, edit;
        const char16_t* text;
    } stats[] = {{32907, kCountEdit, u"数量"}, {1149, kMeanEdit, u"平均波速"}, {1150, kSdEdit, u"标准差"},
                 {1151, kCvEdit, u"离散系数"}, {1152, kMaxEdit, u"最大波速"},  {1153, kMinEdit, u"最小波速"}};
    for (size_t i = 0; i < std::size(stats); ++i) {
        auto* label = new QLabel(QString::fromUtf16(stats[i].text), m_topBar);
        SetCtrlId(label, stats[i].label);
        auto* edit = new QLineEdit(m_topBar);
        SetCtrlId(edit, stats[i].edit);
        edit->setEnabled(false);
        // Wide enough for a speed with two decimals, never squeezed below it.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000.00")) + 10);
        edit->setMaximumWidth(std::max(70, edit->minimumWidth()));
        bar->addWidget(label);
        bar->addWidget(edit);
        m_statsWidgets.push_back(label);
        m_statsWidgets.push_back(edit);
        m_statsEdits[i] = edit;
    }
    m_sideBar = new QWidget(this);
    bar = new QHBoxLayout(m_sideBar);
    bar->setContentsMargins(12, 0, 0, 0);
    m_ageCheck = new QCheckBox(QStringLiteral("龄期"), m_sideBar);
    SetCtrlId(m_ageCheck, kAgeCheck);
    m_ageEdit = new QLineEdit(m_sideBar);
    SetCtrlId(m_ageEdit, kAgeEdit);
    m_ageEdit->setMaximumWidth(60);
    bar->addWidget(m_ageCheck);
    bar->addWidget(m_ageEdit);
    bar->addStretch(1);
    m_database = new QPushButton(QStringLiteral("导入数据库"), m_sideBar);
    SetCtrlId(m_database, kDatabase);
    bar->addWidget(m_database);

    m_list = new CSListCtrl(this);
    SetCtrlId(m_list, kList);
    m_list->SetCheckBoxes(true);
    m_list->setShowGrid(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->horizontalHeader()->setSectionsClickable(true);
    m_list->horizontalHeader()->setMinimumHeight(36);
    // The current row's own colour shows instead of the selection's.
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Highlight, QColor(0, 255, 255));
    pal.setColor(QPalette::HighlightedText, Qt::black);
    m_list->setPalette(pal);
    m_list->SetCellStyle([this](int row, int col, int role) { return CellStyle(row, col, role); });

    m_picture = new QLabel(this);
    SetCtrlId(m_picture, kPicture);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameShape(QFrame::Box);

    const struct {
        int id;
        const char16_t* text;
        const char16_t* english;
        bool up, toEnd;
    } buttons[] = {{kToTop, u"上移至顶端", u"Move to top", true, true},
                   {kUp, u"上移", u"Move up", true, false},
                   {kDown, u"下移", u"Move down", false, false},
                   {kToBottom, u"下移至底端", u"Move to bottom", false, true}};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(this);
        SetCtrlId(b, buttons[i].id);
        b->setIcon(OrderIcon(buttons[i].up, buttons[i].toEnd));
        b->setIconSize(QSize(24, 24));
        const QString tip = QString::fromUtf16(ui::english() ? buttons[i].english : buttons[i].text);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        m_orderButtons[i] = b;
    }
    connect(m_orderButtons[0], &QPushButton::clicked, this, &CExportView::OnMoveToTop);
    connect(m_orderButtons[1], &QPushButton::clicked, this, &CExportView::OnMoveUp);
    connect(m_orderButtons[2], &QPushButton::clicked, this, &CExportView::OnMoveDown);
    connect(m_orderButtons[3], &QPushButton::clicked, this, &CExportView::OnMoveToBottom);
    connect(m_checkAll, &QCheckBox::clicked, this, &CExportView::OnCheckAll);
    connect(m_ageCheck, &QCheckBox::clicked, this, &CExportView::OnAgeCheck);
    connect(m_ageEdit, &QLineEdit::returnPressed, this, &CExportView::OnAgeEntered);
    connect(m_database, &QPushButton::clicked, this, &CExportView::ImportToDatabase);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this, &CExportView::OnHeaderClick);
    connect(m_list, &CSListCtrl::cellEdited, this, &CExportView::OnCellEdited);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CExportView::OnSelectionChanged);
    connect(m_list->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& tl, const QModelIndex&, const QList<int>& roles) {
                if (!m_bQuiet && tl.column() == 0 && (roles.isEmpty() || roles.contains(Qt::CheckStateRole)))
                    OnCheckStateChanged();
            });
    connect(m_list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            UpdateStatistics();
    });
}

// ---- set-up -------------------------------------------------------------------------

void CExportView::OnInitialUpdate() {
    if (!m_pDoc)
        return;
    m_pRecord = &m_pDoc->m_PileRecord2;
    m_pProject = &m_pDoc->m_ProjectInfo;
    m_pRecord->SetLanguage(ui::english() ? 1 : 0);
    m_pRecord->SetDecimalCount(m_pDoc->m_nDecimalPointNum);
    m_nAge = m_pDoc->m_iAllAge;
    TranslateDialog(this, kTemplateId);
    if (m_bFirstUpdate) {
        m_bFirstUpdate = false;
        // The columns exist whether or not the view is shown; their widths
        // follow the list's width at each layout.
        InsertBaseColumns();
        LayoutControls();
    }
    if (FillList() == 0 && m_pDoc->m_bFileOpen && !m_pDoc->GetPathName().isEmpty()) {
        try {
            m_pRecord->ReadFile(m_pDoc->GetPathName());
        } catch (const FileError&) {
            // The record stays empty; nothing is reported before report mode.
        }
        if (m_host)
            m_host->ReportDatesChanged();
        if (!m_pDoc->m_bAllPilesAge)
            m_ageEdit->setText(QString::number(m_pRecord->m_nAge));
    }
    if (m_nCurrentRow < 0 && m_list->GetItemCount() > 0)
        SetCurrentRowQuiet(0);
    UpdateStatistics();
    m_ageCheck->setChecked(false);
    m_ageEdit->setEnabled(false);
    ShowAgeControls();
}

void CExportView::InsertBaseColumns() {
    const bool english = ui::english();
    for (int col = 0; col < 6; ++col)
        m_list->InsertColumn(col, ColumnHeading(col, english), 80);
    m_nColumnCount = 6;
}

void CExportView::ShowReportMode(bool singlePile) {
    if (!m_pDoc || !m_pRecord)
        return;
    CProInfoHistory& history = m_pDoc->m_History;
    const auto& texts = m_pProject->m_texts;
    // History lists 0-3: project name, testing unit, construction unit, tester.
    history.AddValue(0, texts[0]);
    history.AddValue(1, texts[2]);
    history.AddValue(2, texts[5]);
    history.AddValue(3, texts[4]);
    history.SetIndex(4, m_pDoc->m_nYiqiXinghao);
    history.SetIndex(5, m_pDoc->m_nJianceYiju);

    const bool changed = singlePile != m_bSinglePile;
    m_bSinglePile = singlePile;
    for (QWidget* w : m_statsWidgets)
        w->setVisible(!singlePile);
    if (!size().isEmpty())
        LayoutControls();
    if (changed || m_list->GetColumnCount() != (singlePile ? 9 : 6)) {
        m_list->ClearEditableCells();
        if (!singlePile) {
            while (m_list->GetColumnCount() > 6)
                m_list->DeleteColumn(m_list->GetColumnCount() - 1);
        } else if (m_list->GetColumnCount() == 6) {
            for (int col = 6; col < 9; ++col)
                m_list->InsertColumn(col, ColumnHeading(col, ui::english()), 100);
        }
        m_nColumnCount = m_list->GetColumnCount();
    }
    LayoutControls();
    if (FillList() == 0 && m_pDoc->m_bFileOpen && !m_pDoc->GetPathName().isEmpty()) {
        try {
            if (m_pRecord->ReadFile(m_pDoc->GetPathName()))
                m_loadedPath = m_pRecord->m_strPath;
        } catch (const FileError&) {
        }
        history.SetIndex(6, m_pRecord->m_nGradeIndex);
    }
    // A project index without a name takes the one its piles hold, as the
    // batch does: the form shows it and the reports print it.
    if (texts[0].trimmed().isEmpty() && !m_rowsProject.isEmpty()) {
        m_pProject->m_texts[0] = m_rowsProject;
        history.AddValue(0, m_rowsProject);
    }
    if (!m_unreadable.isEmpty() || !m_unlisted.isEmpty()) {
        // Single-pile mode shows no statistics: there the piles are left out of the report.
        QString zh, en;
        if (!m_unreadable.isEmpty()) {
            const QString files = m_unreadable.join(u'\n');
            if (singlePile) {
                zh = QStringLiteral("以下桩文件无法读取，不计入报告：\n") + files;
                en = QStringLiteral("These pile files cannot be read; they are left out of the report:\n") +
                     files;
            } else {
                zh = QStringLiteral("以下桩文件读不出波速，不计入波速统计：\n") + files;
                en = QStringLiteral(
                         "The wave speed of these pile files cannot be read; they are left out of the "
                         "statistics:\n") +
                     files;
            }
        }
        if (!m_unlisted.isEmpty()) {
            QStringList names;
            for (const QString& path : m_unlisted)
                names << QFileInfo(path).fileName();
            const QString files = names.join(u'\n');
            const QString sep = zh.isEmpty() ? QString() : QStringLiteral("\n\n");
            zh += sep + QStringLiteral("以下桩文件无法读取，不在列表中，也不计入报告：\n") + files;
            en += sep +
                  QStringLiteral("These pile files cannot be read; they are not listed and are left out of "
                                 "the reports:\n") +
                  files;
        }
        Tell(zh, en, MB_OK | MB_ICONWARNING);
    }
    UpdateStatistics();
    if (m_nCurrentRow < 0 && m_list->GetItemCount() > 0)
        SetCurrentRowQuiet(0);
    LoadSelectedPile(true);

    CPrintSettings& s = m_pDoc->m_PrintSettings;
    if (!singlePile) {
        // The batch picks its project report by the same rule.
        s.EnterProjectReports(ui::english());
    } else {
        m_list->EnableEditing(true);
        for (int row = 0; row < m_list->GetItemCount(); ++row)
            for (int col = 6; col < 9; ++col)
                m_list->AddEditableCell(row, col);
    }
    m_list->setFocus();
    if (m_host)
        m_host->ReportDatesChanged();
    if (!m_pDoc->m_bAllPilesAge)
        m_ageEdit->setText(QString::number(m_pRecord->m_nAge));
}

void CExportView::ShowAgeControls() {
    if (!m_pDoc)
        return;
    const CPrintSettings& s = m_pDoc->m_PrintSettings;
    const bool printed =
        (s.m_bHeadInfo[13] && s.m_iPrintType == 1) || (s.m_bPrintCountType && s.m_iPrintCountType == 1);
    if (!printed) {
        m_pDoc->m_bAllPilesAge = false;
        m_ageCheck->setChecked(false);
        m_ageEdit->setEnabled(false);
    }
    m_ageCheck->setVisible(printed);
    m_ageEdit->setVisible(printed);
}

// ---- layout -------------------------------------------------------------------------

void CExportView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (size().isEmpty() || size() == m_clientSize)
        return;
    LayoutControls();
    RefreshPicture();
}

void CExportView::LayoutControls() {
    const int W = width(), H = height();
    // Select-all, the statistics, and the age with the database button share
    // one row where they fit; in a narrow window the statistics take a second row.
    const int checkWidth = m_checkAll->sizeHint().width();
    const int statsWidth = m_topBar->minimumSizeHint().width(); // hidden statistics count nothing
    const int sideWidth = m_sideBar->minimumSizeHint().width();
    const bool oneRow = checkWidth + statsWidth + sideWidth <= W;
    m_checkAll->setGeometry(0, 0, checkWidth, 28);
    m_topBar->setGeometry(oneRow ? checkWidth : 0, oneRow ? 0 : 30, oneRow ? statsWidth : W, 28);
    const int sideLeft = oneRow ? checkWidth + statsWidth : checkWidth;
    m_sideBar->setGeometry(sideLeft, 0, std::max(0, W - sideLeft), 28);
    const int top = oneRow ? 30 : 60;
    const int listRight = W * 14 / 15;
    const int listBottom = std::max(top, H * 3 / 4);
    m_list->setGeometry(0, top, std::max(0, listRight), std::max(0, listBottom - top));
    m_picture->setGeometry(0, listBottom + 10, std::max(0, listRight),
                           std::max(0, H - 5 - (listBottom + 10)));
    for (int i = 0; i < 4; ++i)
        m_orderButtons[i]->setGeometry(listRight + 5, top + 35 * i, 32, 32);
    m_clientSize = size();
    SetColumnWidths();
}

void CExportView::SetColumnWidths() {
    const int w = m_list->viewport()->width() / (m_bSinglePile ? 17 : 13);
    if (w <= 0)
        return;
    for (int col = 0; col < m_list->GetColumnCount(); ++col)
        m_list->setColumnWidth(col, col == 0 ? w : (col == 5 && !m_bSinglePile ? 4 * w : 2 * w));
}

// ---- filling and sorting ----------------------------------------------------------------

QString CExportView::RowPath(int row) const {
    QString name = m_list->GetItemText(row, 1);
    name.chop(1); // the blow-file mark
    return name.isEmpty() || !m_pProject ? QString() : m_pProject->GetPathByName(name);
}

void CExportView::SetElevationCells(int row, const std::array<float, 3>& e) {
    for (int i = 0; i < 3; ++i)
        m_list->SetItemText(row, 6 + i, ElevationCell(e[size_t(i)]));
}

void CExportView::InsertRow(int row, const CPileFileItem& item, bool checked) {
    const bool useCommon = m_pDoc->m_bUseCommonInfo != 0;
    m_list->InsertItem(row, QString::number(row + 1));
    m_list->SetItemText(row, 1, item.m_strName + QStringLiteral("*"));
    m_list->SetItemText(row, 2, item.m_strPileNo);
    m_list->SetItemText(row, 3, report::DateColumnText(item.m_strTestDate, m_pDoc->m_CommonInfo, useCommon));
    m_list->SetItemText(row, 4, report::TimeColumnText(item.m_strTestDateTime));
    const report::RowFile f = report::ReadRowFile(item.m_strPath);
    m_list->SetItemText(row, 5, f.description);
    if (m_bSinglePile)
        SetElevationCells(row, f.elevations);
    m_list->SetItemCheck(row, checked);
    RowSpeed s;
    s.speed = f.speed;
    s.counted = checked;
    s.readable = f.readable;
    m_rowSpeeds.insert(m_rowSpeeds.begin() + std::min<size_t>(size_t(row), m_rowSpeeds.size()), s);
    if (!f.readable)
        m_unreadable << item.m_strName;
    if (m_rowsProject.isEmpty())
        m_rowsProject = f.project.trimmed();
}

int CExportView::FillList() {
    m_nCurrentRow = -1;
    m_nPreviousRow = -1;
    m_rowSpeeds.clear();
    m_unreadable.clear();
    m_unlisted.clear();
    m_rowsProject.clear();
    m_bQuiet = true;
    m_list->ResetEditCell();
    m_list->DeleteAllItems();
    m_bListFilled = false;
    if (m_pDoc && m_pProject && m_pRecord) {
        // The folder's pile files that could not be read when it was scanned.
        m_unlisted = m_pProject->m_unreadable;
        for (CPileFileItem& item : m_pProject->Files().GetVector()) {
            // A file that no longer reads as a pile file, or no blow file, is not listed.
            const bool read = item.ReadFileSummary();
            if (!read && !m_unlisted.contains(item.m_strPath))
                m_unlisted << item.m_strPath;
            if (!read || !item.m_bFlag)
                continue;
            const int row = m_list->GetItemCount();
            InsertRow(row, item, item.m_bSummaryRead != 0);
            if (!m_pRecord->m_strPath.isEmpty() && item.m_strPath == m_pRecord->m_strPath)
                m_nCurrentRow = row;
        }
    }
    m_bListFilled = true;
    m_bCellsEdited = m_bCellsSaved = false;
    if (m_pDoc && m_pDoc->m_bAllPilesAge)
        ConstructionDateFromAge();
    m_bQuiet = false;
    RecountChecked();
    SetCurrentRowQuiet(m_nCurrentRow);
    return m_list->GetItemCount();
}

void CExportView::SortList(int order, bool ascending) {
    if (!m_pProject || !m_pDoc)
        return;
    m_pProject->RefreshItems();
    CPileFileArray local;
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        QString name = m_list->GetItemText(row, 1);
        name.chop(1);
        const CPileFileItem* item = m_pProject->Files().FindByName(name);
        if (!item)
            continue;
        CPileFileItem copy = *item;
        copy.m_bSummaryRead = m_list->GetItemCheck(row) ? 1 : 0;
        local.Add(copy);
    }
    local.Sort(order);
    m_bQuiet = true;
    m_list->ResetEditCell();
    m_list->DeleteAllItems();
    m_rowSpeeds.clear();
    m_unreadable.clear();
    m_nCurrentRow = -1;
    const int n = local.GetCount();
    for (int i = 0; i < n; ++i) {
        const CPileFileItem& item = local.GetAt(ascending ? i : n - 1 - i);
        InsertRow(i, item, item.m_bSummaryRead != 0);
        if (!m_pRecord->m_strPath.isEmpty() && item.m_strPath == m_pRecord->m_strPath)
            m_nCurrentRow = i;
    }
    if (m_bSinglePile && m_list->editBox()) {
        m_list->EnableEditing(true);
        for (int row = 0; row < n; ++row)
            for (int col = 6; col < 9; ++col)
                m_list->AddEditableCell(row, col);
    }
    // The cells were read again from the files: unsaved edits are gone.
    m_bCellsEdited = m_bCellsSaved = false;
    m_nPreviousRow = m_nCurrentRow;
    if (m_pDoc->m_bAllPilesAge)
        ConstructionDateFromAge();
    m_bQuiet = false;
    RecountChecked();
    SetCurrentRowQuiet(m_nCurrentRow);
}

void CExportView::ApplyCommonDate() {
    if (!m_pDoc || !m_pProject)
        return;
    const bool useCommon = m_pDoc->m_bUseCommonInfo != 0;
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        QString name = m_list->GetItemText(row, 1);
        name.chop(1);
        const CPileFileItem* item = m_pProject->Files().FindByName(name);
        m_list->SetItemText(row, 3,
                            report::DateColumnText(item ? item->m_strTestDate : m_list->GetItemText(row, 3),
                                                   m_pDoc->m_CommonInfo, useCommon));
    }
}

void CExportView::ConstructionDateFromAge() {
    const CCommonInfo& c = m_pDoc->m_CommonInfo;
    const bool common = m_pDoc->m_bUseCommonInfo && c.Use(CCommonInfo::TestDate);
    const QDateTime base = common ? c.m_testDate : m_pRecord->m_testDate;
    if (base.isValid())
        m_pRecord->m_constructionDate = base.addDays(-m_pDoc->m_iAllAge);
}

// ---- rows -------------------------------------------------------------------------------

QVariant CExportView::CellStyle(int row, int col, int role) const {
    const bool timeOrder = m_host && m_host->PilesOrderedByTestTime();
    if (col == 4 && !timeOrder) {
        // The time column reads as inactive while it does not order the files.
        if (role == Qt::ForegroundRole)
            return palette().color(QPalette::Disabled, QPalette::Text);
        if (role == Qt::BackgroundRole)
            return palette().color(QPalette::Button);
    }
    if (role == Qt::BackgroundRole && row == m_nCurrentRow)
        return QColor(0, 255, 255);
    return {};
}

void CExportView::SetCurrentRowQuiet(int row) {
    const bool was = m_bQuiet;
    m_bQuiet = true;
    m_nCurrentRow = row >= 0 && row < m_list->GetItemCount() ? row : -1;
    if (m_nCurrentRow >= 0) {
        const QModelIndex index = m_list->model()->index(m_nCurrentRow, 0);
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    } else {
        m_list->selectionModel()->clearSelection();
    }
    m_list->viewport()->update();
    m_bQuiet = was;
}

void CExportView::OnSelectionChanged() {
    if (m_bQuiet)
        return;
    const QModelIndex index = m_list->selectionModel()->currentIndex();
    if (!index.isValid()) {
        // A click on empty space keeps the current row.
        SetCurrentRowQuiet(m_nCurrentRow);
        return;
    }
    SelectRow(index.row());
    // A refused row: the list sets its current row before it selects the row
    // clicked, so the shown row is selected again once the click is done.
    if (m_nCurrentRow != index.row())
        QTimer::singleShot(0, this, [this] { SetCurrentRowQuiet(m_nCurrentRow); });
}

void CExportView::SelectRow(int row) {
    if (!m_pDoc || !m_pRecord || row < 0 || row >= m_list->GetItemCount())
        return;
    if (row == m_nCurrentRow) {
        SetCurrentRowQuiet(row);
        return;
    }
    const int old = m_nCurrentRow;
    if (old >= 0 && old < m_list->GetItemCount()) {
        // The age field must hold a whole number before the row may change.
        bool ok = false;
        m_ageEdit->text().trimmed().toInt(&ok);
        if (!ok && !m_ageEdit->text().trimmed().isEmpty()) {
            Tell(QStringLiteral("请输入一个整数。"), QStringLiteral("Please enter an integer."),
                 MB_OK | MB_ICONWARNING);
            SetCurrentRowQuiet(old);
            return;
        }
        // A value the form refuses keeps the row.
        if (!KeepFormEdits(true)) {
            SetCurrentRowQuiet(old);
            return;
        }
    }
    m_nCurrentRow = row;
    if (!LoadSelectedPile(false))
        return;
    SetCurrentRowQuiet(m_nCurrentRow);
}

bool CExportView::KeepFormEdits(bool evenUnchanged) {
    if (!m_pDoc || !m_pRecord || !m_pProject)
        return true;
    const int row = m_nCurrentRow;
    if (row < 0 || row >= m_list->GetItemCount())
        return true;
    // Only a record read from the row's file is written back into it, with
    // what the user typed into the form.
    const QString path = RowPath(row);
    if (path.isEmpty() || path != m_loadedPath || m_pRecord->m_strPath != m_loadedPath)
        return true;
    const auto texts = m_pProject->m_texts;
    if (m_host && !m_host->StoreReportForm())
        return false;
    if (m_pRecord->m_testDate.isValid())
        m_pRecord->m_constructionDate = m_pRecord->m_testDate.addDays(-m_pRecord->m_nAge);
    // A pile nobody changed is not written again by a print or on leaving.
    if (!evenUnchanged && texts == m_pProject->m_texts && RecordImage() == m_savedImage)
        return true;
    if (SaveRecord(false))
        m_list->SetItemText(row, 5, m_pRecord->m_strConclusion);
    return true;
}

QByteArray CExportView::RecordImage() const {
    // Writing the block sets the channels' zoom to the record's; the record stays as it is.
    CPileRecord& r = *m_pRecord;
    const float zoom = r.m_fChannelZoom;
    std::vector<float> zooms;
    for (int i = 0; i < r.ChannelCountInList(); ++i)
        zooms.push_back(r.Channel(i) ? r.Channel(i)->zoom : 0.0f);
    ByteWriter w;
    r.WriteAnalysisBlock(w);
    r.WriteTailModes(w);
    r.WriteTailScale(w);
    r.m_fChannelZoom = zoom;
    for (int i = 0; i < r.ChannelCountInList(); ++i)
        if (CWaveRecord* c = r.Channel(i))
            c->zoom = zooms[size_t(i)];
    return w.take();
}

bool CExportView::LoadSelectedPile(bool force) {
    if (!m_pDoc || !m_pRecord || m_nCurrentRow < 0 || m_nCurrentRow >= m_list->GetItemCount())
        return false;
    const QString path = RowPath(m_nCurrentRow);
    if (!force && !path.isEmpty() && path == m_pRecord->m_strPath && path == m_loadedPath)
        return true;
    if (!force)
        RestoreElevations();
    const bool english = ui::english();
    QString why;
    bool read = false;
    if (path.isEmpty()) {
        why = english ? QStringLiteral("the project does not list it") : QStringLiteral("工程中没有该文件");
    } else {
        try {
            // The record changes only when the whole file was read.
            read = m_pRecord->ReadFile(path);
            if (!read)
                why = english ? QStringLiteral("its channel count is out of range")
                              : QStringLiteral("通道数超出范围");
        } catch (const FileError& e) {
            why = e.message(english);
        }
    }
    if (!read) {
        const QString name = m_list->GetItemText(m_nCurrentRow, 1).chopped(1);
        Tell(QStringLiteral("无法读取桩文件 %1：%2").arg(name, why),
             QStringLiteral("The pile file %1 cannot be read: %2").arg(name, why), MB_OK | MB_ICONWARNING);
        SetCurrentRowQuiet(m_nPreviousRow);
        return false;
    }
    m_loadedPath = path;
    m_savedImage = RecordImage();
    m_pDoc->m_History.SetIndex(6, m_pRecord->m_nGradeIndex);
    m_ageEdit->setText(QString::number(m_pDoc->m_bAllPilesAge ? m_pDoc->m_iAllAge : m_pRecord->m_nAge));
    if (m_host)
        m_host->RefreshFromReport(RefreshTarget::ReportForm, 0);
    RefreshPicture();
    m_nPreviousRow = m_nCurrentRow;
    if (m_host)
        m_host->ReportDatesChanged();
    if (!m_pDoc->m_bAllPilesAge)
        m_ageEdit->setText(QString::number(m_pRecord->m_nAge));
    return true;
}

bool CExportView::SaveRecord(bool userSave) {
    // A project on read-only media keeps its files as they are: the save
    // command says why, a row change passes quietly.
    const QFileInfo folder(QFileInfo(m_pRecord->m_strPath).absolutePath());
    if (folder.isDir() && !folder.isWritable()) {
        if (userSave)
            m_pDoc->CheckFolderWritable(m_pRecord->m_strPath, false);
        return false;
    }
    try {
        if (m_pRecord->m_nCurrentChannel == -1)
            m_pRecord->m_nCurrentChannel = 0;
        m_pRecord->SaveAnalysis();
        m_savedImage = RecordImage();
    } catch (const FileError& e) {
        Tell(e.message(false), e.message(true), MB_OK | MB_ICONERROR);
        return false;
    }
    if (!m_pProject->GetProjectPath().isEmpty() && m_pProject->IndexWritable()) {
        try {
            m_pProject->SaveProjectFile();
        } catch (const FileError& e) {
            Tell(e.message(false), e.message(true), MB_OK | MB_ICONERROR);
        }
    }
    return true;
}

void CExportView::RestoreElevations() {
    if (!m_bSinglePile) {
        m_bCellsEdited = m_bCellsSaved = false;
        return;
    }
    if (m_nPreviousRow < 0 || !m_bCellsEdited)
        return;
    if (!m_bCellsSaved) {
        for (int i = 0; i < 3; ++i)
            m_list->SetItemText(m_nPreviousRow, 6 + i, ElevationCell(PileValueOf(*m_pRecord, i)));
        m_list->ResetEditCell();
    }
    m_bCellsEdited = m_bCellsSaved = false;
}

void CExportView::OnCellEdited() {
    m_bCellsEdited = true;
}

void CExportView::OnCheckStateChanged() {
    RecountChecked();
    UpdateStatistics();
}

void CExportView::RecountChecked() {
    const int n = m_list->GetItemCount();
    int checked = 0;
    for (int row = 0; row < n; ++row) {
        const bool on = m_list->GetItemCheck(row);
        // The statistics count exactly the checked rows.
        if (size_t(row) < m_rowSpeeds.size())
            m_rowSpeeds[size_t(row)].counted = on;
        checked += on ? 1 : 0;
    }
    m_nCheckedCount = checked;
    m_checkAll->setCheckState(n > 0 && checked == n ? Qt::Checked
                              : checked == 0        ? Qt::Unchecked
                                                    : Qt::PartiallyChecked);
}

void CExportView::UpdateStatistics() {
    if (m_bSinglePile)
        return;
    m_stats = report::ComputeSpeedStats(m_rowSpeeds, m_bListFilled && m_nCheckedCount > 0);
    const auto texts = report::SpeedStatsTexts(m_stats);
    for (size_t i = 0; i < texts.size(); ++i)
        m_statsEdits[i]->setText(texts[i]);
}

void CExportView::OnCheckAll() {
    const bool all = m_checkAll->checkState() == Qt::Checked;
    m_bQuiet = true;
    for (int row = 0; row < m_list->GetItemCount(); ++row)
        m_list->SetItemCheck(row, all);
    m_bQuiet = false;
    RecountChecked();
    UpdateStatistics();
    m_checkAll->setCheckState(all ? Qt::Checked : Qt::Unchecked);
    m_list->setFocus();
}

void CExportView::ApplyRowOrder(const std::vector<int>& order, int newCurrent) {
    m_list->CommitEdit();
    const ListRows old = m_list->rows();
    const std::vector<RowSpeed> oldSpeeds = m_rowSpeeds;
    const int columns = m_list->GetColumnCount();
    m_bQuiet = true;
    int previous = -1;
    for (int i = 0; i < int(order.size()); ++i) {
        const int from = order[size_t(i)];
        for (int col = 1; col < columns; ++col)
            m_list->SetItemText(i, col, old.GetItemText(from, col));
        m_list->SetItemText(i, 0, QString::number(i + 1));
        m_list->SetItemCheck(i, old.GetItemCheck(from));
        m_rowSpeeds[size_t(i)] = oldSpeeds[size_t(from)];
        if (from == m_nPreviousRow)
            previous = i;
    }
    m_bQuiet = false;
    m_nPreviousRow = previous;
    m_list->ResetEditCell();
    SetCurrentRowQuiet(newCurrent);
    m_list->setFocus();
}

void CExportView::OnMoveUp() {
    m_list->setFocus();
    const int r = m_nCurrentRow;
    if (r <= 0)
        return;
    std::vector<int> order(static_cast<size_t>(m_list->GetItemCount()));
    std::iota(order.begin(), order.end(), 0);
    std::swap(order[size_t(r)], order[size_t(r - 1)]);
    ApplyRowOrder(order, r - 1);
}

void CExportView::OnMoveDown() {
    m_list->setFocus();
    const int r = m_nCurrentRow, n = m_list->GetItemCount();
    if (r < 0 || r >= n - 1)
        return;
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::swap(order[size_t(r)], order[size_t(r + 1)]);
    ApplyRowOrder(order, r + 1);
}

void CExportView::OnMoveToTop() {
    m_list->setFocus();
    const int r = m_nCurrentRow;
    if (r <= 0)
        return;
    std::vector<int> order{r};
    for (int i = 0; i < m_list->GetItemCount(); ++i)
        if (i != r)
            order.push_back(i);
    ApplyRowOrder(order, 0);
}

void CExportView::OnMoveToBottom() {
    m_list->setFocus();
    const int r = m_nCurrentRow, n = m_list->GetItemCount();
    if (r < 0 || r >= n - 1)
        return;
    std::vector<int> order;
    for (int i = 0; i < n; ++i)
        if (i != r)
            order.push_back(i);
    order.push_back(r);
    ApplyRowOrder(order, n - 1);
}

void CExportView::OnHeaderClick(int column) {
    if (column == g_sortColumn) {
        g_sortAscending = !g_sortAscending;
    } else {
        g_sortColumn = column;
        g_sortAscending = true;
    }
    const bool timeOrder = m_host && m_host->PilesOrderedByTestTime();
    if ((column >= 1 && column <= 3) || (column == 4 && timeOrder))
        SortList(column - 1, g_sortAscending);
}

// ---- age --------------------------------------------------------------------------------

void CExportView::OnAgeCheck() {
    if (!m_pDoc || !m_pRecord)
        return;
    const bool on = m_ageCheck->isChecked();
    m_pDoc->m_bAllPilesAge = on;
    m_ageEdit->setEnabled(on);
    const int age = on ? m_pDoc->m_iAllAge : m_pRecord->m_nAge;
    if (m_pRecord->m_testDate.isValid())
        m_pRecord->m_constructionDate = m_pRecord->m_testDate.addDays(-age);
    m_ageEdit->setText(QString::number(age));
    if (m_host)
        m_host->ReportDatesChanged();
}

bool CExportView::OnAgeEntered() {
    if (!m_pDoc)
        return false;
    const std::optional<int> age = report::ParseAge(m_ageEdit->text());
    if (!age) {
        Tell(QStringLiteral("龄期请输入1-9999！"), QStringLiteral("Please enter 1-9999 for Age!"),
             MB_OK | MB_ICONWARNING);
        m_ageEdit->setText(QString::number(m_pDoc->m_iAllAge));
        return false;
    }
    m_pDoc->m_iAllAge = *age;
    m_nAge = *age;
    if (m_host)
        m_host->ReportDatesChanged();
    return true;
}

void CExportView::keyPressEvent(QKeyEvent* e) {
    // Enter never closes or triggers anything else in the view.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (m_ageEdit->hasFocus())
            OnAgeEntered();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

// ---- picture ----------------------------------------------------------------------------

void CExportView::RefreshPicture() {
    if (!m_pDoc || !m_pRecord)
        return;
    CWaveRecord* w = m_pRecord->CurrentChannel();
    const QSize size = m_picture->contentsRect().size();
    if (!w || size.width() < 8 || size.height() < 8) {
        m_picture->clear();
        return;
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        gdi::Canvas dc(painter);
        w->SetShowStyle(m_pDoc->m_nShowStyle);
        w->SetWaveWidth(m_pDoc->m_nWaveWidth);
        w->SetFillMode(m_pProject->m_nValue2);
        const PrintDrawDoc drawDoc{&m_pDoc->m_PrintSettings, &m_pDoc->m_CurveStyle, m_pDoc};
        w->DrawForPrint(dc, 0, w->SampleCount(), gdi::Rect(0, 0, size.width(), size.height()), false, nullptr,
                        drawDoc);
    }
    m_picture->setPixmap(QPixmap::fromImage(image));
}

// ---- commands -----------------------------------------------------------------------------

void CExportView::Tell(const QString& zh, const QString& en, unsigned type) {
    const bool english = ui::english();
    ui::messages().show(english ? en : zh, english ? QStringLiteral("CAPION") : QStringLiteral("提示"), type);
}

void CExportView::OnSave() {
    if (!m_pDoc || !m_pRecord)
        return;
    // The form's fields first: a value it refuses stops the save, the
    // field keeps the focus.
    if (m_host && !m_host->StoreReportForm())
        return;
    m_bCellsSaved = true;
    setFocus();
    const int row = m_nCurrentRow;
    if (m_bSinglePile && row >= 0 && m_bCellsEdited) {
        m_list->CommitEdit();
        float v[3];
        bool all = true;
        for (int i = 0; i < 3; ++i) {
            bool ok = false;
            v[i] = m_list->GetItemText(row, 6 + i).trimmed().toFloat(&ok);
            all = all && ok;
        }
        if (!all) {
            // A text that is no number is not stored as 0: the stored values come back.
            Tell(QStringLiteral("标高请输入数字！"),
                 QStringLiteral("Please enter numbers for the elevations!"), MB_OK | MB_ICONWARNING);
            for (int i = 0; i < 3; ++i)
                m_list->SetItemText(row, 6 + i, ElevationCell(PileValueOf(*m_pRecord, i)));
            m_bCellsEdited = m_bCellsSaved = false;
            m_list->setFocus();
            return;
        }
        for (int i = 0; i < 3; ++i)
            std::memcpy(m_pRecord->m_pileValues[size_t(i)].data(), &v[i], 4);
    }
    if (row >= 0 && !m_loadedPath.isEmpty() && m_pRecord->m_strPath == m_loadedPath &&
        RowPath(row) == m_loadedPath) {
        if (SaveRecord(true))
            m_list->SetItemText(row, 5, m_pRecord->m_strConclusion);
    }
    m_list->setFocus();
}

void CExportView::OnBack() {
    if (!m_pDoc)
        return;
    // What the form holds goes with the pile, as on a row change; a value it
    // refuses keeps report mode.
    if (!KeepFormEdits())
        return;
    m_pDoc->m_CommonInfo.ClearUse();
    m_pDoc->m_bAllPilesAge = false;
    m_ageCheck->setChecked(false);
    m_ageEdit->setEnabled(false);
    if (m_bSinglePile)
        m_list->ClearEditableCells();
    m_pDoc->m_bUseCommonInfo = 0;
    if (m_host)
        m_host->LeaveReportMode();
}

void CExportView::MakeBuilder() {
    m_builder.reset();
    if (!m_factory || !m_pDoc || !m_pRecord)
        return;
    CPrintSettings& s = m_pDoc->m_PrintSettings;
    const ListRows& rows = m_list->rows();
    const bool useCommon = m_pDoc->m_bUseCommonInfo != 0;
    if (m_bSinglePile) {
        s.m_nReportKind = 1;
        m_builder = m_factory->CreateSingle(*m_pRecord, &rows);
    } else {
        m_builder = m_factory->CreateProject(rows, s.m_nReportKind != 5);
        if (m_builder && s.m_nReportKind != 5)
            m_builder->SetFontRate(m_pDoc->m_nFontRate);
        if (m_builder)
            m_builder->SetCommonInfo(useCommon, &m_pDoc->m_CommonInfo);
    }
    if (m_builder)
        ListPilesInBuilder();
}

void CExportView::ListPilesInBuilder() {
    m_builder->UpdatePileList();
    m_builder->SetUnlistedPiles(m_unlisted);
}

bool CExportView::RunOutput(int output) {
    m_list->setFocus();
    if (!KeepFormEdits())
        return false;
    MakeBuilder();
    if (!m_builder)
        return false;
    switch (output) {
    case kPreview:
        PreviewPages();
        return true;
    case kPrint:
        return PrintBuilderPages();
    case kWord:
        return m_builder->ExportWord(QString());
    case kPictures:
        return m_pDoc->m_CurveStyle.IsSmooth ? m_builder->ExportBmp() : m_builder->ExportEmf();
    default:
        return false;
    }
}

void CExportView::OnPrintPreview() {
    RunOutput(kPreview);
}

bool CExportView::OnPrint() {
    return RunOutput(kPrint);
}

void CExportView::OnExportDocument() {
    RunOutput(kWord);
}

void CExportView::OnExportPictures() {
    RunOutput(kPictures);
}

void CExportView::OnCountInfo() {
    m_list->setFocus();
    if (!KeepFormEdits())
        return;
    m_builder.reset();
    if (!m_factory || !m_pDoc)
        return;
    m_builder = m_factory->CreateCountInfo(m_list->rows(), m_pDoc->m_PrintSettings.m_nInfoType);
    if (!m_builder)
        return;
    m_builder->SetCommonInfo(m_pDoc->m_bUseCommonInfo != 0, &m_pDoc->m_CommonInfo);
    ListPilesInBuilder();
    m_builder->ExportWord(QString());
}

void CExportView::OnExportExcel() {
    m_list->setFocus();
    if (!KeepFormEdits())
        return;
    m_builder.reset();
    if (!m_factory || !m_pDoc)
        return;
    m_builder = m_factory->CreateExcel(m_list->rows(), 0);
    if (!m_builder)
        return;
    m_builder->SetDecimalPlaces(m_pDoc->m_nDecimalPointNum);
    ListPilesInBuilder();
    m_builder->ExportExcel();
}

void CExportView::PreparePrintUi() {
    if (!m_printUi) {
        m_ownPrintUi = std::make_unique<QtPrintUi>();
        m_printUi = m_ownPrintUi.get();
    }
}

void CExportView::PreviewPages() {
    PreparePrintUi();
    CPrintInfo range;
    m_builder->SetPageRange(range);
    QPrinter printer(QPrinter::HighResolution);
    StartFromChosenPrinter(printer);
    // Every page is laid out for 600 dpi, whatever printer is chosen.
    printer.setResolution(kPrintDpi);
    CReportBuilder* builder = m_builder.get();
    CPrintSettings* s = &m_pDoc->m_PrintSettings;
    m_printUi->Preview(
        printer,
        [builder, range, s](QPrinter* p) {
            CPrintInfo info = range;
            info.preview = true;
            info.fromPage = info.minPage;
            info.toPage = info.maxPage;
            PrintPages(*p, *builder, *s, info, PdfOutputFile(*p));
        },
        this);
}

bool CExportView::PrintBuilderPages() {
    PreparePrintUi();
    CPrintInfo info;
    m_builder->SetPageRange(info);
    info.fromPage = info.minPage;
    info.toPage = info.maxPage;
    QPrinter printer(QPrinter::HighResolution);
    StartFromChosenPrinter(printer);
    printer.setResolution(kPrintDpi);
    if (!m_printUi->ChoosePrinter(printer, info, this))
        return false;
    printer.setResolution(kPrintDpi); // another printer chosen in the dialog keeps it too
    return PrintPages(printer, *m_builder, m_pDoc->m_PrintSettings, info, PdfOutputFile(printer),
                      [&printer](const QString& file) { printer.setOutputFileName(file); }) > 0;
}

// ---- pile pictures --------------------------------------------------------------------------

bool CExportView::WriteProjectPilePicture(int row, const QString& path, bool bmp) {
    m_builder.reset();
    if (!m_factory)
        return false;
    CPrintSettings& s = m_pDoc->m_PrintSettings;
    // Kept until the next picture or command: what it left out is told once the pictures are written.
    m_builder = m_factory->CreateProject(m_list->rows(), s.m_nReportKind != 5);
    auto* project = dynamic_cast<CRepProjectA*>(m_builder.get());
    if (!project)
        return false;
    project->SetFontRate(m_pDoc->m_nFontRate);
    project->SetCommonInfo(m_pDoc->m_bUseCommonInfo != 0, &m_pDoc->m_CommonInfo);
    project->SetDrawToBitmap(true);
    return bmp ? project->ExportPilePictureBmp(path, row) : project->ExportPilePictureEmf(path, row);
}

void CExportView::OnExportPilePictures() {
    m_list->setFocus();
    if (!m_pDoc || !m_pRecord || !m_factory || !KeepFormEdits())
        return;
    const bool bmp = m_pDoc->m_CurveStyle.IsSmooth != 0;
    const QString suffix = bmp ? QStringLiteral("bmp") : QStringLiteral("emf");
    const QString filter = bmp ? QStringLiteral("BMP Files (*.bmp)") : QStringLiteral("EMF Files (*.emf)");
    const QString folder =
        m_pDoc->m_strFolder.isEmpty() ? QFileInfo(m_pDoc->GetPathName()).absolutePath() : m_pDoc->m_strFolder;
    const bool english = ui::english();

    auto ask = [&](const QString& defaultName) -> std::optional<QString> {
        if (!m_services)
            return std::nullopt;
        SaveFileAsk a;
        a.defaultName = report::PictureFileName(defaultName).value_or(QStringLiteral("picture")) +
                        QLatin1Char('.') + suffix;
        a.defaultSuffix = suffix;
        a.filter = filter;
        a.folder = folder;
        return m_services->ChooseSaveFile(a);
    };

    if (m_bSinglePile) {
        m_builder.reset();
        const std::optional<QString> path = ask(QStringLiteral("DUX单波图片_") + m_pRecord->m_strPileNo);
        if (!path)
            return;
        m_builder = m_factory->CreateSingle(*m_pRecord, nullptr);
        if (auto* single = dynamic_cast<CRepSingle*>(m_builder.get()))
            bmp ? single->ExportPilePictureBmp(*path) : single->ExportPilePictureEmf(*path);
        return;
    }

    const int mark = m_nCurrentRow;
    if (!m_pDoc->m_bIsMultiplePictrue) {
        m_builder.reset();
        if (mark < 0)
            return;
        const std::optional<QString> path =
            ask(m_pProject->m_texts[0] + QLatin1Char('_') + m_list->GetItemText(mark, 2));
        if (path)
            WriteProjectPilePicture(mark, *path, bmp);
        return;
    }

    // One picture per checked row into the pile file's folder, named by its
    // pile number; a number that two checked piles share gets "_2", "_3" on
    // the later ones, so no picture of this run replaces another.
    const QDir dir(folder);
    const int n = m_list->GetItemCount();
    std::vector<std::optional<QString>> targets(size_t(std::max(0, n)));
    QSet<QString> taken;
    for (int row = 0; row < n; ++row) {
        if (!m_list->GetItemCheck(row))
            continue;
        const std::optional<QString> name = report::PictureFileName(m_list->GetItemText(row, 2));
        if (!name)
            continue;
        QString file = *name;
        for (int k = 2; taken.contains(file.toCaseFolded()); ++k)
            file = *name + QStringLiteral("_%1").arg(k);
        taken.insert(file.toCaseFolded());
        targets[size_t(row)] = dir.filePath(file + QLatin1Char('.') + suffix);
    }
    auto target = [&](int row) { return targets[size_t(row)]; };
    for (int row = 0; row < n; ++row) {
        if (!m_list->GetItemCheck(row))
            continue;
        const std::optional<QString> path = target(row);
        if (path && QFileInfo::exists(*path)) {
            const int answer =
                ui::messages().show(english ? QStringLiteral("The file already exists. Replace it?")
                                            : QStringLiteral("文件已存在，是否替换？"),
                                    FrameTitleWord(english), MB_YESNO | MB_ICONQUESTION);
            m_pDoc->m_bReplacePictures = answer == IDYES;
            break;
        }
    }
    int written = 0, kept = 0, failed = 0;
    QStringList leftOut;
    for (int row = 0; row < n; ++row) {
        if (!m_list->GetItemCheck(row))
            continue;
        const std::optional<QString> path = target(row);
        if (!path) {
            ++failed;
            continue;
        }
        if (QFileInfo::exists(*path) && !m_pDoc->m_bReplacePictures) {
            ++kept;
            continue;
        }
        if (WriteProjectPilePicture(row, *path, bmp))
            ++written;
        else
            ++failed;
        if (m_builder)
            leftOut += m_builder->LeftOut();
    }
    // The last pile's builder names the files left out, as the other exports do.
    const std::unique_ptr<CReportBuilder> last = std::move(m_builder);
    if (kept == 0 && failed == 0)
        ui::messages().show(english ? QStringLiteral("All pile pictures have been written!")
                                    : QStringLiteral("所有单桩图片输出完成!"),
                            FrameTitleWord(english), MB_OK | MB_ICONINFORMATION);
    else
        ui::messages().show(
            english ? QStringLiteral("Pile pictures: %1 written, %2 existing kept, %3 failed.")
                          .arg(written)
                          .arg(kept)
                          .arg(failed)
                    : QStringLiteral("单桩图片输出：写出 %1 张，保留已有 %2 张，失败 %3 张。")
                          .arg(written)
                          .arg(kept)
                          .arg(failed),
            FrameTitleWord(english), MB_OK | (failed > 0 ? MB_ICONWARNING : MB_ICONINFORMATION));
    if (last)
        last->TellLeftOut(LeftOut::NoPilePicture, leftOut + m_unlisted);
}
