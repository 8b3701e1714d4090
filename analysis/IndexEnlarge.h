// Exponential amplification dialog: the amplification index.
#pragma once

#include "controls/DialogExt.h"
#include "controls/Validation.h"

class QLineEdit;

namespace pit {

// Index below 1: reset to 1; above 100: reset to 100. 1 and 100 pass.
ValidationFailure ValidateAmplificationIndex(int& index, bool english);

} // namespace pit

class CIndexEnlarge : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int IDD = 164;
    static constexpr int IDC_INDEX = 1038;
    static constexpr int IDC_INDEX_LABEL = 1950;

    explicit CIndexEnlarge(QWidget* parent = nullptr);

    int m_nIndex = 0;

    void ValidateInput(int* badId, QString* message) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool m_bInitialised = false;
    QLineEdit* m_edit;
};
