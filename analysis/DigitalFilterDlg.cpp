// Digital filter dialog and its check.
#include "analysis/DigitalFilterDlg.h"

#include "analysis/FrameServices.h"
#include "analysis/ProcessingDlgCommon.h"
#include "controls/UiServices.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"

#include "controls/CtrlId.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace pit {

double NyquistHz(float sampleIntervalMicros) {
    return sampleIntervalMicros > 0 ? 1e6 / (2.0 * double(sampleIntervalMicros)) : 0.0;
}

float PileSampleInterval(const CPileRecord& pile) {
    const CWaveRecord* w = pile.CurrentChannel() ? pile.CurrentChannel() : pile.Channel(0);
    return w ? w->GetSampleInterval() : 0.0f;
}

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
    if (p.nyquistHz > 0 && p.highPass >= p.nyquistHz) {
        // The filter's formula needs a cut-off below half the sampling rate.
        const QString limit = QString::number(p.nyquistHz, 'g', 7);
        p.highPass = p.previousHighPass >= 0 && p.previousHighPass < p.nyquistHz ? p.previousHighPass : 0;
        return {CDigitalFilterDlg::IDC_HIGHPASS,
                english
                    ? QStringLiteral("High pass must be less than %1 Hz (half the sampling rate)!").arg(limit)
                    : QStringLiteral("高通必须小于%1 Hz（采样频率的一半）!").arg(limit)};
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
    m_nShownHighPass = m_nHighPass;
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
    pit::DigitalFilterParams p{m_nHighPass, m_nLowPass, pit::NyquistHz(m_fSampleInterval), m_nShownHighPass};
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
