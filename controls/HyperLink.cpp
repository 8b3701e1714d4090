#include "controls/HyperLink.h"

#include "controls/UiServices.h"

#include <QMouseEvent>
#include <QUrl>

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent), m_address(QStringLiteral("https://example.com/")) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    ApplyLook();
}

QColor CHyperLink::TextColor(bool hover, bool visited) {
    if (hover)
        return QColor(242, 101, 34);
    (void)visited; // a visited link keeps the blue of a new one
    return QColor(0, 0, 255);
}

void CHyperLink::SetAddress(const QString& address) {
    m_address = address;
    setToolTip(m_address);
}

void CHyperLink::SetUnderline(bool on) {
    m_underline = on;
    ApplyLook();
}

void CHyperLink::Attach() {
    // An empty address takes the text, an empty text shows the address.
    if (m_address.isEmpty())
        m_address = text();
    if (text().isEmpty())
        setText(m_address);
    setToolTip(m_address);
    m_attached = true;
}

void CHyperLink::ApplyLook() {
    QFont f = font();
    f.setUnderline(m_underline);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, TextColor(m_hover, m_visited));
    setPalette(pal);
    update();
}

void CHyperLink::showEvent(QShowEvent* e) {
    if (!m_attached)
        Attach();
    QLabel::showEvent(e);
}

void CHyperLink::enterEvent(QEnterEvent* e) {
    QLabel::enterEvent(e);
    m_hover = true;
    ApplyLook();
}

void CHyperLink::leaveEvent(QEvent* e) {
    QLabel::leaveEvent(e);
    m_hover = false;
    ApplyLook();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || !rect().contains(e->position().toPoint()))
        return;
    if (m_onClick)
        m_onClick();
    else
        pit::ui::desktop().open(QUrl::fromUserInput(m_address));
    m_visited = true;
    ApplyLook();
}
