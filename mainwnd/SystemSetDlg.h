// The system settings page of the options sheet: wave editing steps, the
// spectrum refinement, test-date editing and the kept stretch state.
#pragma once

#include "controls/MyPropertySheet.h"
#include "controls/Validation.h"

#include <QPointer>

class CKEV_DUXDoc;

namespace pit {

// The page's fields, as the document keeps them.
struct SystemSettings {
    float zoomRateDefine = 300; // custom display factor, percent
    float movePoint = 10;       // points per left/right move
    float moveScale = 10;       // percent per up/down move
    int refineIndex = 8;
    int stretchSteps = 4; // 2..6
    bool enableTestDate = false;
    bool keepState = false;

    static SystemSettings FromDocument(const CKEV_DUXDoc& doc);
    void ToDocument(CKEV_DUXDoc& doc) const;
};

// The stretch step lies in 2..6; else the step edit and the message.
ValidationFailure ValidateStretchSteps(int steps, bool english);
// The spectrum refinement index lies in 1..32; else its edit and the message.
ValidationFailure ValidateRefineSetting(int index, bool english);

} // namespace pit

class QCheckBox;
class QLineEdit;

class CSystemSetDlg : public CSheetPage {
public:
    static constexpr int kDialogId = 144;
    static constexpr int kZoomRate = 1149;
    static constexpr int kMovePoint = 1076;
    static constexpr int kMoveScale = 1150;
    static constexpr int kRefineIndex = 1151;
    static constexpr int kStretchSteps = 1152;
    static constexpr int kEnableTestDate = 1314;
    static constexpr int kKeepState = 1121;
    // The labels of the five fields and their units (1970, 1971, 1972, ...).
    static constexpr int kLabelFirst = 1970;

    explicit CSystemSetDlg(CKEV_DUXDoc* doc);

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    // Reads the fields; a step outside 2..6 or a refinement index outside
    // 1..32 puts the old values back, tells the user and keeps the sheet
    // open; so does a field that is no number.
    bool Validate() override { return ValidateStretchSteps(); }
    bool ValidateStretchSteps();
    void Apply() override;

    const pit::SystemSettings& Values() const { return m_values; }

private:
    // Fields into m_values; a failure names the field that is no number.
    pit::ValidationFailure UpdateData();
    void FillControls();

    CKEV_DUXDoc* m_doc;
    pit::SystemSettings m_values;
    QPointer<QWidget> m_page;
    QLineEdit* m_zoomRate = nullptr;
    QLineEdit* m_movePoint = nullptr;
    QLineEdit* m_moveScale = nullptr;
    QLineEdit* m_refine = nullptr;
    QLineEdit* m_steps = nullptr;
    QCheckBox* m_testDate = nullptr;
    QCheckBox* m_keepState = nullptr;
};
