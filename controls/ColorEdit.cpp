#include "controls/ColorEdit.h"

#include <QApplication>

CColorEdit::CColorEdit(QWidget* parent) : QLineEdit(parent) {
    m_grayText = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    ApplyColors();
}

QColor CColorEdit::BackgroundColor(bool highlight, bool enabled, const QColor& grayText) {
    if (!enabled)
        return grayText;
    return highlight ? QColor(148, 170, 240) : QColor(Qt::white);
}

void CColorEdit::SetHighlight(bool on) {
    if (m_highlight == on)
        return;
    m_highlight = on;
    ApplyColors();
}

void CColorEdit::ApplyColors() {
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, BackgroundColor(m_highlight, true, m_grayText));
        pal.setColor(group, QPalette::Text, Qt::black);
    }
    pal.setColor(QPalette::Disabled, QPalette::Base, BackgroundColor(m_highlight, false, m_grayText));
    pal.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
    setPalette(pal);
    update();
}
