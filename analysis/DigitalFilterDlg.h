// Digital filter dialog: the high-pass and low-pass cut-offs of the filter command.
#pragma once

#include "controls/DialogExt.h"
#include "controls/Validation.h"

class CPileRecord;
class QLineEdit;

namespace pit {

struct DigitalFilterParams {
    int highPass = 0; // Hz
    int lowPass = 0;  // Hz
    // Half the sampling rate of the pile shown (Hz); 0 when it has none.
    double nyquistHz = 0;
    // The high-pass before the edit, which a cut-off at or above nyquistHz gets back.
    int previousHighPass = 0;
};

// Half the sampling rate of a sample interval in µs; 0 for none.
double NyquistHz(float sampleIntervalMicros);
// The sample interval (µs) of the pile's current channel, else its first; 0 without channels.
float PileSampleInterval(const CPileRecord& pile);

// The first failing check, in order: high-pass below 0 or above 50000 (reset
// to 1), high-pass at or above nyquistHz (where the high-pass filter becomes
// unstable; reset to previousHighPass), low-pass below 0 or above 50000
// (reset to the bound it broke). 0 and 50000 pass.
ValidationFailure ValidateDigitalFilter(DigitalFilterParams& p, bool english);

} // namespace pit

class CDigitalFilterDlg : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int IDD = 163;
    static constexpr int IDC_HIGHPASS = 1038;
    static constexpr int IDC_LOWPASS = 1039;
    // The labels of the two edits.
    static constexpr int IDC_HIGH_LABEL = 1950;
    static constexpr int IDC_LOW_LABEL = 1951;

    explicit CDigitalFilterDlg(QWidget* parent = nullptr);

    // Filled by the caller before the dialog is shown, read after OK.
    int m_nHighPass = 0;
    int m_nLowPass = 0;
    // The sample interval of the pile shown (µs); it limits the high-pass. 0: no limit.
    float m_fSampleInterval = 0;

    void ValidateInput(int* badId, QString* message) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnInitDialog();
    bool m_bInitialised = false;
    int m_nShownHighPass = 0; // the high-pass the dialog opened with
    QLineEdit* m_highEdit;
    QLineEdit* m_lowEdit;
};
