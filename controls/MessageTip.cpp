#include "controls/MessageTip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

CMessageTip::CMessageTip(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground); // the shadow darkens what lies behind
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    m_font = QApplication::font("QStatusBar");
    const QPalette tipPalette = QToolTip::palette();
    m_background = tipPalette.color(QPalette::ToolTipBase);
    m_textColor = tipPalette.color(QPalette::ToolTipText);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &CMessageTip::OnTimer);
    m_cursorProbe = [] { return QCursor::pos(); };
    m_activeProbe = [] { return QApplication::activeWindow() != nullptr; };
    hide();
}

CMessageTip::~CMessageTip() {
    Hide();
}

bool CMessageTip::Create(QWidget* owner) {
    if (!owner)
        return false;
    m_owner = owner;
    QWidget* top = owner->window();
    if (parentWidget() != top)
        setParent(top, windowFlags());
    hide();
    return true;
}

void CMessageTip::Show(const QPoint& at, const QString& text) {
    if (text.isEmpty() || !m_owner)
        return;
    m_text = text;
    const QPoint offset = m_shadow ? m_anchorOffset : QPoint(0, -2);
    const QPoint point = m_owner->mapToGlobal(at + offset);
    Watch(true);
    m_closePosted = false; // a close posted for the previous showing does not apply
    const QRect rect = PlaceNearPoint(point, CalcWindowSize(text));
    setGeometry(rect);
    show();
    raise();
    update();
    m_elapsed = 0;
    m_timer.start(m_tick);
}

void CMessageTip::Hide() {
    m_timer.stop();
    hide();
    Watch(false);
}

QSize CMessageTip::TipSize(const QFontMetrics& fm, const QString& text, const QMargins& margins, int shadow) {
    int width = 0;
    for (const QString& line : text.split(u'\n'))
        width = std::max(width, fm.horizontalAdvance(line + QStringLiteral("  ")));
    const int flags = Qt::TextWordWrap | Qt::TextExpandTabs;
    const int height = fm.boundingRect(QRect(0, 0, width, 0), flags, text).height();
    return {width + margins.left() + margins.right() + shadow,
            height + margins.top() + margins.bottom() + shadow};
}

QRect CMessageTip::CalcWindowSize(const QString& text) {
    return QRect(QPoint(0, 0), TipSize(QFontMetrics(m_font), text, m_margins, shadowSize()));
}

QRect CMessageTip::PlaceRect(const QPoint& point, const QSize& size, const QRect& screen) {
    QRect r(QPoint(point.x(), point.y() - size.height()), size);
    const int excess = r.x() + r.width() - (screen.x() + screen.width());
    if (excess > 0)
        r.moveLeft(r.x() - excess);
    if (r.x() < screen.x())
        r.moveLeft(screen.x());
    if (r.y() < screen.y())
        r.moveTop(screen.y());
    return r;
}

QRect CMessageTip::PlaceNearPoint(const QPoint& point, const QRect& size) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    return PlaceRect(point, size.size(), area);
}

std::vector<int> CMessageTip::ShadowPercents(int w, int h, int s) {
    const int cols = w + s, rows = h + s;
    std::vector<int> p(size_t(std::max(cols, 0)) * size_t(std::max(rows, 0)), 100);
    if (s <= 0)
        return p;
    const int step = -50 / s;
    auto darken = [&](int x, int y, int percent) {
        if (x >= 0 && x < cols && y >= 0 && y < rows)
            p[size_t(y) * cols + x] = percent;
    };
    for (int i = 0; i < s; ++i) {
        const int outer = 50 - (s - i) * step; // the corners' fade
        const int edge = 50 - i * step;        // the edges' fade
        for (int y = h; y <= h + s - i - 1; ++y)
            darken(s + i, y, outer); // bottom-left corner
        for (int x = 2 * s - i; x <= w + i - 1; ++x)
            darken(x, h + i, edge); // bottom edge
        for (int y = 2 * s - i; y <= h + i; ++y)
            darken(w + i, y, edge); // right edge
        for (int x = w; x <= w + s - i - 1; ++x)
            darken(x, s + i, outer); // top-right corner
    }
    return p;
}

void CMessageTip::OnTimer() {
    if (!m_activeProbe()) {
        Hide();
        return;
    }
    m_elapsed += m_tick;
    if (m_elapsed < m_life)
        return;
    // Only the body holds the tip open, not its shadow.
    const QRect body = frameGeometry().adjusted(0, 0, -shadowSize(), -shadowSize());
    if (!body.contains(m_cursorProbe()))
        Hide();
}

void CMessageTip::Watch(bool on) {
    if (on == m_watching)
        return;
    m_watching = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    m_closePosted = false;
}

void CMessageTip::PostClose() {
    // Posted, not called: the event goes on to its receiver first.
    if (m_closePosted)
        return;
    m_closePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_closePosted)
                Hide();
        },
        Qt::QueuedConnection);
}

bool CMessageTip::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            PostClose();
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        PostClose();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CMessageTip::paintEvent(QPaintEvent*) {
    if (m_text.isEmpty())
        return;
    QPainter p(this);
    const int s = shadowSize();
    QRect body = rect().adjusted(0, 0, -s, -s);
    if (s > 0) {
        const int w = body.width(), h = body.height();
        const auto percents = ShadowPercents(w, h, s);
        QImage shade(w + s, h + s, QImage::Format_ARGB32_Premultiplied);
        shade.fill(Qt::transparent);
        for (int y = 0; y < h + s; ++y)
            for (int x = 0; x < w + s; ++x) {
                const int pc = percents[size_t(y) * (w + s) + x];
                if (pc < 100)
                    shade.setPixel(x, y, qRgba(0, 0, 0, (100 - pc) * 255 / 100));
            }
        p.drawImage(body.topLeft(), shade);
    }
    p.fillRect(body, m_background);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(body.adjusted(0, 0, -1, -1));
    p.setFont(m_font);
    p.setPen(m_textColor);
    p.drawText(body.marginsRemoved(m_margins), Qt::TextWordWrap | Qt::TextExpandTabs, m_text);
}

void CMessageTip::closeEvent(QCloseEvent* e) {
    Hide();
    e->ignore(); // kept for the next Show
}
