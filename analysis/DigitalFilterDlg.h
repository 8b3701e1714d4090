// Digital filter dialog: the high-pass and low-pass cut-offs of the filter command.
#pragma once

#include "controls/DialogExt.h"
#include "controls/Validation.h"

class QLineEdit;

namespace pit {

struct DigitalFilterParams {
    int highPass = 0; // Hz
    int lowPass = 0;  // Hz
};

// The first failing check, in order: high-pass below 0 or above 50000 (reset
// to 1), low-pass below 0 or above 50000 (reset to the bound it broke).
// 0 and 50000 pass.
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

    void ValidateInput(int* badId, QString* message) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnInitDialog();
    bool m_bInitialised = false;
    QLineEdit* m_highEdit;
    QLineEdit* m_lowEdit;
};
