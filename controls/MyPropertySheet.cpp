#include "controls/MyPropertySheet.h"

#include "controls/ColDialog.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "res/ids.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kListLeft = 10;
constexpr int kListWidth = 140;
constexpr int kBandHeight = 22;

QFont rowFont() {
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12); // 9 points on a 96 dpi screen
    return f;
}

// Draws the rows of the page list: a filled selected row, the icon, the name
// and a fading underline.
class PageRowDelegate : public QStyledItemDelegate {
public:
    PageRowDelegate(QObject* parent, pit::COLORREF selection, pit::COLORREF underline,
                    const std::vector<QIcon>* icons)
        : QStyledItemDelegate(parent), m_selection(selection), m_underline(underline), m_icons(icons) {}

    QSize sizeHint(const QStyleOptionViewItem& opt, const QModelIndex&) const override {
        return {opt.rect.width(), 32}; // the height a 24-point font gives the rows
    }

    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        const int row = index.row();
        const QRect rowRect = opt.rect;
        const int h = rowRect.height();
        QRect cell = rowRect.adjusted(3, row == 0 ? 3 : 0, -3, 0);
        const bool active = (opt.state & QStyle::State_Selected) && (opt.state & QStyle::State_HasFocus);
        p->save();
        p->fillRect(cell, active ? pit::toQColor(m_selection) : QColor(Qt::white));
        constexpr int iconWidth = 16;
        if (row < int(m_icons->size()) && !(*m_icons)[size_t(row)].isNull())
            (*m_icons)[size_t(row)].paint(p, QRect(cell.left(), rowRect.top() + (h - 16) / 2, 16, 16));
        const QFont font = rowFont();
        p->setFont(font);
        p->setPen(active ? Qt::white : Qt::black);
        const int textHeight = QFontMetrics(font).height();
        const QPoint at(cell.left() + iconWidth + 8, rowRect.top() + (h - textHeight) / 2);
        p->drawText(QRect(at, QPoint(cell.right(), at.y() + textHeight)), Qt::AlignLeft | Qt::AlignTop,
                    index.data().toString());
        const int x0 = cell.left(), x1 = cell.right() + 1, y = cell.bottom();
        for (int x = x0; x < x1; ++x) {
            const int c[3] = {CMyPropertySheet::UnderlineChannel(pit::GetRValue(m_underline), x0, x1, x),
                              CMyPropertySheet::UnderlineChannel(pit::GetGValue(m_underline), x0, x1, x),
                              CMyPropertySheet::UnderlineChannel(pit::GetBValue(m_underline), x0, x1, x)};
            p->setPen(QColor(c[0], c[1], c[2]));
            p->drawPoint(x, y - 1);
            p->drawPoint(x, y);
        }
        p->restore();
    }

private:
    pit::COLORREF m_selection, m_underline;
    const std::vector<QIcon>* m_icons;
};

} // namespace

CMyPropertySheet::CMyPropertySheet(const QString& caption, QWidget* parent, int selectPage)
    : QDialog(parent), m_current(selectPage) {
    setWindowTitle(caption);
    m_list = new QListWidget(this);
    pit::SetCtrlId(m_list, ids::IDC_SHEET_PAGE_LIST);
    m_list->setFixedWidth(kListWidth);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setItemDelegate(new PageRowDelegate(m_list, m_selectionColor, m_underlineColor, &m_icons));
    m_list->setFrameShape(QFrame::NoFrame);
    m_stack = new QStackedWidget(this);

    auto* pageColumn = new QVBoxLayout;
    pageColumn->setContentsMargins(0, 0, 0, 0);
    pageColumn->addSpacing(kBandHeight);
    pageColumn->addWidget(m_stack, 1);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(kListLeft, 0, 20, 0);
    body->setSpacing(12);
    body->addWidget(m_list);
    body->addLayout(pageColumn, 1);

    m_ok = new QPushButton(this);
    pit::SetCtrlId(m_ok, ids::IDOK);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    pit::SetCtrlId(m_cancel, ids::IDCANCEL);
    connect(m_ok, &QPushButton::clicked, this, &CMyPropertySheet::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CMyPropertySheet::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->setContentsMargins(0, 0, 20, 0);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 10, 0, 10);
    top->addLayout(body, 1);
    top->addLayout(buttons);

    connect(m_list, &QListWidget::clicked, this,
            [this](const QModelIndex& index) { SelectPage(index.row()); });
}

CMyPropertySheet::~CMyPropertySheet() = default;

void CMyPropertySheet::AddPage(CSheetPage* page) {
    m_pages.push_back(page);
    m_windows.push_back(nullptr);
}

void CMyPropertySheet::AddIcon(const QIcon& icon) {
    m_icons.push_back(icon);
}

int CMyPropertySheet::SetMode(int page) {
    m_current = page;
    return 0;
}

QWidget* CMyPropertySheet::pageWindow(int index) const {
    return index >= 0 && index < int(m_windows.size()) ? m_windows[size_t(index)] : nullptr;
}

QString CMyPropertySheet::PageListText(const QString& tabText, bool english) {
    if (!english)
        return tabText;
    static const struct {
        const char16_t* zh;
        const char* en;
    } names[] = {
        {u"质量评价设置", "Quality Comment Set"},
        {u"打印页面设置", "Print Page Set"},
        {u"打印样式选择", "Print Style Set"},
        {u"系统设置", "System Set"},
        {u"显示设置", "Display Set"},
        {u"打印线型设置", "Print Curve Set"},
        {u"打印信息修改", "Modify PrintInfo"},
        {u"工程报告设置", "Project Report"},
        {u"单桩报告设置", "Single Report"},
    };
    for (const auto& n : names)
        if (tabText == QString::fromUtf16(n.zh))
            return QString::fromLatin1(n.en);
    return QStringLiteral("No Title");
}

int CMyPropertySheet::UnderlineChannel(int c, int x0, int x1, int x) {
    // The first pixel is white; each next one takes the value of the one before.
    if (x <= x0 || x1 == x0)
        return 255;
    return int(std::trunc(double(x - 1 - x0) * (255 - c) / std::abs(x1 - x0))) + c;
}

void CMyPropertySheet::InitDialog() {
    if (m_initialised)
        return;
    m_initialised = true;
    const bool english = pit::ui::english();
    for (size_t i = 0; i < m_pages.size(); ++i) {
        auto* item = new QListWidgetItem(PageListText(m_pages[i]->TabText(), english), m_list);
        if (i < m_icons.size())
            item->setIcon(m_icons[i]);
    }
    m_ok->setText(english ? QStringLiteral("Ok") : QStringLiteral("确定"));
    m_cancel->setText(english ? QStringLiteral("Cancel") : QStringLiteral("取消"));
    if (m_current < 0 || m_current >= int(m_pages.size()))
        m_current = 0;
    if (!m_pages.empty())
        ShowPage(m_current);
}

void CMyPropertySheet::showEvent(QShowEvent* e) {
    InitDialog();
    QDialog::showEvent(e);
}

void CMyPropertySheet::SelectPage(int index) {
    if (index < 0 || index >= int(m_pages.size()))
        return;
    ShowPage(index);
}

void CMyPropertySheet::ShowPage(int index) {
    QWidget*& window = m_windows[size_t(index)];
    if (!window) {
        window = m_pages[size_t(index)]->CreatePage(m_stack);
        if (!window)
            return;
        m_stack->addWidget(window);
    }
    m_current = index;
    m_stack->setCurrentWidget(window);
    m_pages[size_t(index)]->OnShownInSheet(window);
    // The band names the page shown (also when the sheet opens on another page than the first).
    if (QListWidgetItem* item = m_list->item(index)) {
        m_title = item->text().left(127);
        m_list->setCurrentRow(index);
    }
    m_list->setFocus();
    update();
}

void CMyPropertySheet::RequestRefresh(int code, int sub) {
    Q_EMIT refreshRequested(code, sub);
}

void CMyPropertySheet::RequestRefreshFrom(QWidget* page, int code, int sub) {
    for (QWidget* w = page; w; w = w->parentWidget())
        if (auto* sheet = qobject_cast<CMyPropertySheet*>(w)) {
            sheet->RequestRefresh(code, sub);
            return;
        }
}

void CMyPropertySheet::accept() {
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_windows[i] && !m_pages[i]->Validate()) {
            ShowPage(int(i));
            return; // nothing applied: Cancel still leaves every setting as it was
        }
    }
    std::vector<std::pair<int, int>> codes;
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (!m_windows[i])
            continue;
        m_pages[i]->Apply();
        for (const auto& code : m_pages[i]->RefreshCodes())
            codes.push_back(code);
    }
    for (const auto& [code, sub] : codes)
        Q_EMIT refreshRequested(code, sub);
    QDialog::accept();
}

QRect CMyPropertySheet::TitleBand() const {
    const QRect page = m_stack->geometry();
    const QRect list = m_list->geometry();
    return QRect(QPoint(page.left() - 1, list.top() - 1), QPoint(page.right() + 1, page.top() - 1));
}

void CMyPropertySheet::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    QPainter p(this);
    p.setPen(QPen(pit::toQColor(0x8D8D8D), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(m_list->geometry().adjusted(-1, -1, 0, 0));
    p.drawRect(m_stack->geometry().adjusted(-1, -1, 0, 0));
    const QIcon icon =
        m_current >= 0 && m_current < int(m_icons.size()) ? m_icons[size_t(m_current)] : QIcon();
    CColDialog::PaintCaptionBand(p, TitleBand(), m_titleColor, m_title, icon);
}
