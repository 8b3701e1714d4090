// Report mode's form beside the list: project texts with their history,
// dates, instrument and standard, and the pile and wave values of the pile
// selected in the list. It works on the document's second pile record and
// shows the group's common values, disabled, where a common flag is set.
#pragma once

#include <QDate>
#include <QString>
#include <QWidget>
#include <array>

class CCommonInfo;
class CKEV_DUXDoc;
class CPileRecord;
class CProInfoHistory;
class CProjectInfo;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimeEdit;

class CExportForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 182;
    enum Ctrl : int {
        kProjectName = 1335,
        kTestingUnit = 1336,
        kConstructionUnit = 1034,
        kTester = 1337,
        kTestDate = 1023,
        kTestTime = 1141,
        kConstructionDate = 1024,
        kInstrument = 1066,
        kStandard = 1067,
        kWavelet = 1006,
        kLowPass = 1039,
        kHighPass = 1038,
        kShape = 1304,
        kDiameter = 1007,
        kSecondSide = 1303,
        kEnlarged = 1010,
        kEnlarged2 = 1302,
        kSpeed = 1009,
        kLength = 1012,
        kClass = 1013,
        kGrade = 1014,
        kDescription = 1015,
        kStar1 = 1182,
        kStar2 = 1183,
    };
    // The six spectrum values: range, Fmax, F0, dFL, dFD1, dFD2.
    static constexpr std::array<int, 6> kSpectrumIds = {1002, 1059, 1003, 1062, 1063, 1064};

    explicit CExportForm(CKEV_DUXDoc* doc, QWidget* parent = nullptr);
    ~CExportForm() override;

    void OnInitialUpdate();
    // Refresh code 15, sub-code 0: the fields from the record.
    void RefreshFromRecord();
    // Report mode entered: the four project fields show the project's texts,
    // which the reports print.
    void ShowProjectTexts();
    // save: the fields into the record (false when a value is no number:
    // the user is told and the record keeps its values); else the record's
    // wave fields into the controls.
    bool ExchangeWaveFields(bool save);
    // load: the common values into the fields, disabled where used; else,
    // while the document does not use them yet, the common values from the
    // form's sources.
    void ApplyCommonValues(bool load);
    // Message 0x801: with the age flag the construction date is the test
    // date less age days.
    void SetDates(bool ageFlag, int age);

    // ---- handlers -----------------------------------------------------------------------
    void OnTestDateChanged(QDate date);
    void OnConstructionDateChanged(QDate date);
    void OnTestTimeChanged();
    void OnShapeChanged(int index);

    QDate FormTestDate() const { return m_testDate; }
    QDate FormConstructionDate() const { return m_constructionDate; }
    const std::array<QString, 4>& ComboTexts() const { return m_comboTexts; }

private:
    void CreateControls();
    // Controls from the record and members (false) or back (true; false when refused).
    bool UpdateData(bool save);
    // The four project fields where no common value stands in: a text the
    // user typed or picked becomes the project's (its index) and the pile's,
    // as the project page takes them, so the reports print what they show.
    void TakeProjectTexts();
    void FillHistoryCombo(int i);
    void FillHistoryCombos();
    // Each control of a common flag enabled while its flag is clear; the "*"
    // labels follow `stars`.
    void EnableFields(bool stars);
    void ShowShapeFields();
    void SelectText(QComboBox* combo, const QString& text);
    // The shape list's choice into the record.
    void TakeShape();
    void SetPicker(QDateEdit* picker, const QDate& date);
    // A warning captioned "提示"; in English "CAPION", as the date messages have it, unless told.
    void Tell(const QString& zh, const QString& en, const QString& englishCaption = QStringLiteral("CAPION"));
    bool UsesCommon() const;
    bool CommonFlag(int flag) const;

    CKEV_DUXDoc* m_pDoc;
    CCommonInfo* m_pCommon = nullptr;
    CPileRecord* m_pRecord = nullptr;
    CProjectInfo* m_pProject = nullptr;
    CProInfoHistory* m_pHistory = nullptr;
    bool m_bFirstUpdate = true;
    bool m_loading = false;
    int m_nHighPass = 0;
    int m_nLowPass = 50000;
    int m_nWavelet = 0;
    QString m_strLength;
    QDate m_testDate, m_constructionDate; // last accepted picker values
    std::array<QString, 4> m_comboTexts;

    std::array<QComboBox*, 4> m_projectCombos{};
    QComboBox *m_class = nullptr, *m_grade = nullptr, *m_instrument = nullptr, *m_standard = nullptr,
              *m_shape = nullptr;
    QDateEdit *m_testDateEdit = nullptr, *m_constructionDateEdit = nullptr;
    QTimeEdit* m_testTimeEdit = nullptr;
    QLineEdit *m_waveletEdit = nullptr, *m_lowPassEdit = nullptr, *m_highPassEdit = nullptr;
    QLineEdit *m_diameter = nullptr, *m_secondSide = nullptr, *m_enlarged = nullptr, *m_enlarged2 = nullptr;
    QLineEdit *m_speed = nullptr, *m_length = nullptr;
    QPlainTextEdit* m_description = nullptr;
    std::array<QLineEdit*, 6> m_spectrum{};
    QLabel *m_star1 = nullptr, *m_star2 = nullptr;
};
