#include "controls/ColorPicker.h"

#include "controls/CtrlId.h"
#include "controls/UiServices.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

CColorPicker::CColorPicker(QWidget* parent)
    : QPushButton(parent), m_color(pit::toColorRef(palette().color(QPalette::Button))) {
    setCursor(Qt::ArrowCursor);
}

QString CColorPicker::ColorToText(pit::COLORREF c) {
    return QString::asprintf("#%02X%02X%02X", pit::GetRValue(c), pit::GetGValue(c), pit::GetBValue(c));
}

void CColorPicker::AttachText(QWidget* text) {
    m_text = text;
}

void CColorPicker::ShowText() {
    if (auto* label = qobject_cast<QLabel*>(m_text.data()))
        label->setText(ColorToText(m_color));
    else if (auto* edit = qobject_cast<QLineEdit*>(m_text.data()))
        edit->setText(ColorToText(m_color));
}

void CColorPicker::SetColor(pit::COLORREF color, bool notify) {
    m_color = color;
    if (notify)
        Q_EMIT colorChosen(pit::CtrlId(this), m_color);
    ShowText();
    update();
}

void CColorPicker::Choose() {
    if (const auto chosen = pit::ui::colorChooser().choose(m_color, this))
        SetColor(*chosen, true);
}

void CColorPicker::mousePressEvent(QMouseEvent* e) {
    QPushButton::mousePressEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    setDown(false); // the chooser takes the release
    Choose();
}

void CColorPicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const QColor face = palette().color(QPalette::Button);
    const QColor shadow = palette().color(QPalette::Shadow);
    // Raised 3D frame, then an inner frame in the face colour.
    p.setPen(Qt::white);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(shadow);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(face);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.fillRect(r.adjusted(3, 3, -3, -3), pit::toQColor(m_color));
    // The notch with a down-pointing triangle in the bottom-right corner.
    const QRect notch(r.right() - 9, r.bottom() - 6, 8, 5);
    p.fillRect(notch, face);
    p.setPen(Qt::black);
    const int cx = notch.center().x();
    for (int i = 0; i < 3; ++i)
        p.drawLine(cx - 2 + i, notch.top() + 1 + i, cx + 2 - i, notch.top() + 1 + i);
}
