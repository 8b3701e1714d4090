#include "controls/SizingControlBar.h"

#include "controls/CtrlId.h"
#include "platform/Color.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

QSize CSizingControlBar::DefaultVerticalSize(int screenHeight) {
    return {250, screenHeight >= 800 ? 580 : 500};
}

CSizingControlBar::CSizingControlBar(QWidget* parent) : QDockWidget(parent) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    vertSize = DefaultVerticalSize(screen ? screen->geometry().height() : 768);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
}

bool CSizingControlBar::Create(const QString& title, QMainWindow* parent, int ctrlId,
                               Qt::DockWidgetArea area) {
    if (!parent)
        return false;
    setWindowTitle(title);
    setObjectName(QStringLiteral("bar%1").arg(ctrlId));
    pit::SetCtrlId(this, ctrlId);
    parent->addDockWidget(area, this);
    return true;
}

namespace {

// The main window's dock area the bar sits in; none while floating or
// without a main window.
Qt::DockWidgetArea DockedArea(const CSizingControlBar* bar) {
    if (bar->isFloating())
        return Qt::NoDockWidgetArea;
    const auto* main = qobject_cast<const QMainWindow*>(bar->parentWidget());
    if (!main)
        return Qt::NoDockWidgetArea;
    return main->dockWidgetArea(const_cast<CSizingControlBar*>(bar));
}

} // namespace

bool CSizingControlBar::IsHorzDocked() const {
    const auto area = DockedArea(this);
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

bool CSizingControlBar::IsVertDocked() const {
    const auto area = DockedArea(this);
    return area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
}

QSize CSizingControlBar::sizeHint() const {
    if (IsHorzDocked())
        return horzSize.expandedTo(minHorz);
    if (IsVertDocked())
        return vertSize.expandedTo(minVert);
    return floatSize.expandedTo(minFloat);
}

QSize CSizingControlBar::minimumSizeHint() const {
    if (IsHorzDocked())
        return minHorz;
    if (IsVertDocked())
        return minVert;
    return minFloat;
}

void CSizingControlBar::closeEvent(QCloseEvent* e) {
    e->ignore();
}

// The title bar widget: paints the band and holds the close button.
class CSizingControlBarCF::Caption : public QWidget {
public:
    explicit Caption(CSizingControlBarCF* bar) : QWidget(bar), m_bar(bar) {}

    QSize sizeHint() const override {
        const int breadth = 11 + 6;
        return vertical() ? QSize(breadth, 40) : QSize(40, breadth);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool vertical() const { return m_bar->features() & QDockWidget::DockWidgetVerticalTitleBar; }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QRect band = rect().adjusted(1, 2, -1, -2);
        if (vertical())
            band = rect().adjusted(2, 1, -2, -1);
        p.fillRect(band, pit::toQColor(0xD8E9EC));
        QFont font(CaptionFontFace());
        font.setPixelSize(11); // 8.5 points on a 96 dpi screen
        p.setFont(font);
        const QPalette& pal = QApplication::palette();
        p.setPen(pal.color(m_bar->IsActive() ? QPalette::Active : QPalette::Inactive, QPalette::WindowText));
        p.setClipRect(band);
        const QString title = m_bar->windowTitle();
        if (vertical()) {
            // Turned by 90 degrees, read from the bottom up.
            p.translate(band.left() - 1, band.bottom() - 3);
            p.rotate(-90);
            p.drawText(QRect(0, 0, band.height(), band.width() + 2), Qt::AlignLeft | Qt::AlignVCenter, title);
        } else {
            p.drawText(band.adjusted(3, -1, -16, 0), Qt::AlignLeft | Qt::AlignVCenter, title);
        }
    }

    void resizeEvent(QResizeEvent*) override {
        QToolButton* close = m_bar->closeButton();
        if (!close)
            return;
        if (vertical())
            close->move((width() - 11) / 2, 3);
        else
            close->move(width() - 11 - 4, (height() - 11) / 2);
    }

    // Presses and double clicks go on to the dock: dragging and floating.
    void mousePressEvent(QMouseEvent* e) override { e->ignore(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->ignore(); }

private:
    CSizingControlBarCF* m_bar;
};

QString CSizingControlBarCF::CaptionFontFace() {
    return QFontDatabase::families().contains(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                                        : QStringLiteral("Arial");
}

CSizingControlBarCF::CSizingControlBarCF(QWidget* parent) : CSizingControlBar(parent) {
    m_caption = new Caption(this);
    m_close = new QToolButton(m_caption);
    m_close->setFixedSize(11, 11);
    m_close->setAutoRaise(true);
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_close->setIconSize(QSize(9, 9));
    m_close->setFocusPolicy(Qt::NoFocus);
    connect(m_close, &QToolButton::clicked, this, [this] { hide(); });
    setTitleBarWidget(m_caption);
    connect(this, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
        const bool horz = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
        setFeatures(horz ? features() | QDockWidget::DockWidgetVerticalTitleBar
                         : features() & ~QDockWidget::DockWidgetVerticalTitleBar);
    });
    connect(this, &QDockWidget::windowTitleChanged, m_caption, [this] { m_caption->update(); });
    connect(qApp, &QApplication::focusChanged, this, &CSizingControlBarCF::OnFocusChanged);
}

void CSizingControlBarCF::OnFocusChanged(QWidget*, QWidget* now) {
    const bool active = now && isAncestorOf(now);
    if (active == m_active)
        return;
    m_active = active;
    m_caption->update();
}
