#include "controls/DialogExt.h"

#include "controls/CtrlId.h"
#include "controls/MessageTip.h"
#include "controls/UiServices.h"
#include "res/ids.h"

#include <QKeyEvent>

CDialogExt::CDialogExt(int templateId, QWidget* parent) : QDialog(parent), m_tip(new CMessageTip(this)) {
    pit::SetCtrlId(this, templateId);
}

CDialogExt::~CDialogExt() = default;

void CDialogExt::ValidateInput(int*, QString*) {}

pit::MessageSink& CDialogExt::sink() const {
    return m_sink ? *m_sink : pit::ui::messages();
}

void CDialogExt::accept() {
    pit::ValidationFailure f;
    ValidateInput(&f.badId, &f.message);
    if (!f.failed()) {
        QDialog::accept();
        return;
    }
    pit::ReactToFailure(this, *m_tip, f, pit::FindCtrl(this, ids::IDOK), m_lastField, sink());
}

void CDialogExt::keyPressEvent(QKeyEvent* e) {
    if (pit::IsEnterKey(e->key())) {
        QWidget* target = focusWidget();
        if (target && pit::CtrlId(target) != ids::IDOK)
            m_lastField = target;
    }
    QDialog::keyPressEvent(e);
}
