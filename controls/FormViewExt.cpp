#include "controls/FormViewExt.h"

#include "controls/CtrlId.h"
#include "controls/UiServices.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// The widgets whose loss of focus runs the check (the edit fields).
bool isEditField(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

} // namespace

CFormViewExt::CFormViewExt(int templateId, QWidget* parent) : QWidget(parent) {
    pit::SetCtrlId(this, templateId);
    setAttribute(Qt::WA_StyledBackground); // the style sheet paints its background
    connect(qApp, &QApplication::focusChanged, this, &CFormViewExt::OnFocusChanged);
}

CFormViewExt::~CFormViewExt() {
    // Closing the window moves the focus; the check must not run on a form being destroyed.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    m_tip.Hide();
}

void CFormViewExt::ValidateInput(int*, QString*) {}

void CFormViewExt::OnFocusChanged(QWidget* old, QWidget*) {
    if (m_reacting || !isVisible() || !old || !isEditField(old) || !isAncestorOf(old))
        return;
    pit::ValidationFailure f;
    ValidateInput(&f.badId, &f.message);
    if (!f.failed())
        return;
    QWidget* control = pit::FindCtrl(this, f.badId);
    if (!control || (old != control && !control->isAncestorOf(old)))
        return;
    m_reacting = true; // taking the focus back changes it again
    pit::ReactToFailure(this, m_tip, f, pit::FindCtrl(this, m_defaultButtonId), m_lastField,
                        m_sink ? *m_sink : pit::ui::messages());
    m_reacting = false;
}

void CFormViewExt::keyPressEvent(QKeyEvent* e) {
    if (pit::IsEnterKey(e->key())) {
        QWidget* target = focusWidget();
        if (target && pit::CtrlId(target) != m_defaultButtonId)
            m_lastField = target;
    }
    QWidget::keyPressEvent(e);
}
