// Fixed-parameter analysis dialog: which pile parameters the project's piles
// hold fixed, at which values, and whether the time difference 2L/c is fixed
// or varying. It edits the document's fixed-parameter settings and its
// current pile record, and reports whether length or speed changed.
#pragma once

#include "controls/ColDialog.h"
#include "core/pile/PileRecord.h"
#include "core/project/FixedParams.h"

#include <array>

class CKEV_DUXDoc;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;

class CDlgFixPilePara : public CColDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 165;
    enum : int {
        IDC_FIX_DIAMETER = 1044, // the nine check boxes, in the order of the fix flags
        IDC_FIX_LENGTH = 1045,
        IDC_FIX_SCALE = 1046,
        IDC_FIX_ENLARGED = 1047,
        IDC_FIX_SPEED = 1048,
        IDC_FIX_GRADE = 1049,
        IDC_FIX_CLASS = 1050,
        IDC_FIX_SHAPE = 1051,
        IDC_FIX_DATE = 1052,
        IDC_GRADE = 1066,
        IDC_CLASS = 1067,
        IDC_SHAPE = 1069,
        IDC_DIAMETER = 1121,
        IDC_LENGTH = 1122,
        IDC_SCALE = 1123,
        IDC_ENLARGED = 1124,
        IDC_SPEED = 1125,
        IDC_SIDE = 1126,
        IDC_ENLARGED_SIDE = 1127,
        IDC_DATE = 1136,
        IDC_TIME_FIXED = 1154,
        IDC_TIME_VARYING = 1155,
        IDC_SIDE_LABEL = 1182,
        IDC_ENLARGED_SIDE_LABEL = 1183,
    };

    explicit CDlgFixPilePara(CKEV_DUXDoc& doc, QWidget* parent = nullptr);

    // Read by the caller after OK.
    bool m_bSpeedChanged = false;
    bool m_bLengthChanged = false;

    // index 1..9: the value controls of that parameter; other values: all of them.
    void UpdateControls(int index);
    // The second-side edits and their labels (square piles only).
    void EnableSecondDimensions(bool enable);
    // With apply: the fixed values into the record (see pit::ApplyFixedParams);
    // without: the record into the fixed values.
    void ApplyFixedParams(bool apply);

    void ValidateInput(int* badId, QString* message) override;
    void done(int r) override;

private:
    void OnInitDialog();
    void LoadControls();
    void OnCheckClicked(int index, bool checked);
    void OnLengthEdited(bool always);
    // Shows a length the program puts in the field; it is the last valid one.
    void ShowLength(const QString& text);
    void OnShapeChanged(int sel);
    bool SecondSidesAllowed() const;

    CKEV_DUXDoc& m_doc;
    pit::FixSettings m_savedSettings{};
    CPileParamSet m_savedValues;
    std::array<QCheckBox*, 10> m_checks{}; // 1..9
    QRadioButton* m_timeFixed;
    QRadioButton* m_timeVarying;
    QLineEdit *m_diameter, *m_length, *m_scale, *m_enlarged, *m_speed, *m_side, *m_enlargedSide;
    QString m_lastLength; // the last length text that was taken
    QLabel *m_sideLabel, *m_enlargedSideLabel;
    QComboBox *m_grade, *m_class, *m_shape;
    QDateEdit* m_date;
};
