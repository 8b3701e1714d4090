// Refinement dialog: the spectrum refinement index, the phase refinement
// index or the interval points, snapped to a power of two while typed.
#pragma once

#include "controls/DialogExt.h"
#include "controls/Validation.h"

#include <QFont>

class QLabel;
class QLineEdit;

namespace pit {

enum class RefineMode : int { Spectrum = 1, Phase = 2, IntervalPoints = 3 };

// What a typed value becomes: 0, a negative value or one above 50 gives old
// back; any other v the power of two nearest in the logarithmic sense
// (2^trunc(log2 v + 0.5)), at most 32.
int SnapRefineIndex(int typed, int old);

// On OK: below 1 reset to 1, above 50 reset to 32. Mode 3 names the interval
// points (its "below 1" text is Chinese in both interface languages); other
// modes than 1..3 reset without a message.
ValidationFailure ValidateRefineIndex(int& value, int mode, bool english);

} // namespace pit

class CReFineIndexDlg : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int IDD = 161;
    static constexpr int IDC_VALUE = 1128;
    static constexpr int IDC_PROMPT = 1155;
    static constexpr int IDC_HINT = 1144;

    explicit CReFineIndexDlg(QWidget* parent = nullptr);

    int m_nValue = 8;
    int m_nMode = 1; // pit::RefineMode

    void ValidateInput(int* badId, QString* message) override;

protected:
    void showEvent(QShowEvent* e) override;

private Q_SLOTS:
    void OnChangeValue();

private:
    void OnInitDialog();
    bool m_bInitialised = false;
    QFont m_font;
    QLineEdit* m_edit;
    QLabel* m_prompt;
    QLabel* m_hint;
};
