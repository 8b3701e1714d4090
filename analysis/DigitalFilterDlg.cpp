// Digital filter dialog and its check.
#include "analysis/DigitalFilterDlg.h"

#include "analysis/FrameServices.h"
#include "analysis/ProcessingDlgCommon.h"
#include "controls/UiServices.h"

#include "controls/CtrlId.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace pit {

ValidationFailure ValidateDigitalFilter(DigitalFilterParams& p, bool english) {
    constexpr int kMax = 50000;
    auto fail = [english](int id, const char* zh, const char* en) {
        return ValidationFailure{id, english ? QString::fromUtf8(en) : QString::fromUtf8(zh)};
    };
    if (p.highPass < 0) {
        p.highPass = 1;
        return fail(CDigitalFilterDlg::IDC_HIGHPASS, "高通不可小于0!", "High pass must more than 0!");
    }
    if (p.highPass > kMax) {
        p.highPass = 1;
        return fail(CDigitalFilterDlg::IDC_HIGHPASS, "高通不可大于50000!", "High pass must less than 50000!");
    }
    if (p.lowPass < 0) {
        p.lowPass = 0;
        return fail(CDigitalFilterDlg::IDC_LOWPASS, "低通不可小于0!", "Low pass must more than 0!");
    }
    if (p.lowPass > kMax) {
        p.lowPass = kMax;
        return fail(CDigitalFilterDlg::IDC_LOWPASS, "低通不可大于50000!", "Low pass must less than 50000!");
    }
    return {};
}

} // namespace pit

CDigitalFilterDlg::CDigitalFilterDlg(QWidget* parent) : CDialogExt(IDD, parent) {
    setWindowTitle(QStringLiteral("数字滤波"));
    auto* box = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_highEdit = pit::MakeIdEdit(this, IDC_HIGHPASS);
    m_lowEdit = pit::MakeIdEdit(this, IDC_LOWPASS);
    form->addRow(pit::WithCtrlId(new QLabel(QStringLiteral("高通:"), this), IDC_HIGH_LABEL), m_highEdit);
    form->addRow(pit::WithCtrlId(new QLabel(QStringLiteral("低通:"), this), IDC_LOW_LABEL), m_lowEdit);
    box->addLayout(form);
    pit::AddOkCancelRow(this, box, QStringLiteral("确定"), QStringLiteral("取消"));
}

void CDigitalFilterDlg::showEvent(QShowEvent* e) {
    if (!m_bInitialised)
        OnInitDialog();
    CDialogExt::showEvent(e);
}

void CDigitalFilterDlg::OnInitDialog() {
    m_bInitialised = true;
    pit::TranslateDialog(this, IDD);
    m_highEdit->setText(QString::number(m_nHighPass));
    m_lowEdit->setText(QString::number(m_nLowPass));
}

void CDigitalFilterDlg::ValidateInput(int* badId, QString* message) {
    const bool english = pit::ui::english();
    pit::ValidationFailure f;
    if (!pit::ExchangeIntField(m_highEdit, IDC_HIGHPASS, m_nHighPass, english, f) ||
        !pit::ExchangeIntField(m_lowEdit, IDC_LOWPASS, m_nLowPass, english, f)) {
        *badId = f.badId;
        *message = f.message;
        return;
    }
    pit::DigitalFilterParams p{m_nHighPass, m_nLowPass};
    f = pit::ValidateDigitalFilter(p, english);
    m_nHighPass = p.highPass;
    m_nLowPass = p.lowPass;
    if (f.failed()) {
        // The reset value is shown where the user fixes it.
        m_highEdit->setText(QString::number(m_nHighPass));
        m_lowEdit->setText(QString::number(m_nLowPass));
        *badId = f.badId;
        *message = f.message;
    }
}
