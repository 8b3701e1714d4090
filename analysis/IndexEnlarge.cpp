// Exponential amplification dialog and its check.
#include "analysis/IndexEnlarge.h"

#include "analysis/FrameServices.h"
#include "analysis/ProcessingDlgCommon.h"
#include "controls/UiServices.h"

#include "controls/CtrlId.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace pit {

ValidationFailure ValidateAmplificationIndex(int& index, bool english) {
    if (index < 1) {
        index = 1;
        return {CIndexEnlarge::IDC_INDEX,
                english ? QStringLiteral("Exp must more than 1!") : QStringLiteral("指数不可小于1!")};
    }
    if (index > 100) {
        index = 100;
        return {CIndexEnlarge::IDC_INDEX,
                english ? QStringLiteral("Exp must less than 100!") : QStringLiteral("指数不可大于100!")};
    }
    return {};
}

} // namespace pit

CIndexEnlarge::CIndexEnlarge(QWidget* parent) : CDialogExt(IDD, parent) {
    setWindowTitle(QStringLiteral("指数放大"));
    auto* box = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_edit = pit::MakeIdEdit(this, IDC_INDEX);
    form->addRow(pit::WithCtrlId(new QLabel(QStringLiteral("指数放大系数："), this), IDC_INDEX_LABEL), m_edit);
    box->addLayout(form);
    pit::AddOkCancelRow(this, box, QStringLiteral("确定"), QStringLiteral("取消"));
}

void CIndexEnlarge::showEvent(QShowEvent* e) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        pit::TranslateDialog(this, IDD);
        m_edit->setText(QString::number(m_nIndex));
    }
    CDialogExt::showEvent(e);
}

void CIndexEnlarge::ValidateInput(int* badId, QString* message) {
    const bool english = pit::ui::english();
    pit::ValidationFailure f;
    if (pit::ExchangeIntField(m_edit, IDC_INDEX, m_nIndex, english, f)) {
        f = pit::ValidateAmplificationIndex(m_nIndex, english);
        if (f.failed())
            m_edit->setText(QString::number(m_nIndex));
    }
    if (f.failed()) {
        *badId = f.badId;
        *message = f.message;
    }
}
