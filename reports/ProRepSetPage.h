// The project report settings page: report and statistics formats, rows and
// columns per page tied to the gap between waveforms, the ruler unit, the
// report font size fitted to the page, and batch pictures.
#pragma once

#include "controls/MyPropertySheet.h"
#include "reports/FontFit.h"

#include <QDateTime>
#include <QPointer>
#include <functional>

class CKEV_DUXDoc;
class CPrintSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;

namespace pit {

// The largest gap between waveforms (mm) a page of rows rows allows
// (rows kept within 3..10).
int GapLimitForRows(int rows);
// The most rows whose gap limit is at least gap.
int MaxRowsForWaveGap(int gap);

// The report font sizes of the size box, ascending (points); index kept within 0..11.
constexpr int kProjectFontSizes = 12;
float ProjectFontSize(int index);
// The box entry of a stored size: the first within 0.1 point, else 0.
int ProjectFontSizeEntry(float points);
// The largest size not above the measured points (within 0.01); 0 when none.
int ChooseProjectFontSize(double points);

// Head lines of a pile cell: switched-on head-line items, the project name
// not counted and test date with test time counted once; 0, 1 (up to 6) or 2.
int HeadLineCount(const CPrintSettings& s);
// Text lines a pile cell is divided into for the font fit.
int FontFitLineUnits(const CPrintSettings& s);

// The values of one pile that its head line shows.
struct HeadLineValues {
    QString pileNo;
    float length = 0;
    int speed = 0;
    QString grade;
    QString pileClass;
    float diameter = 0;
    float secondSide = 0;
    bool square = false;
    QDateTime testDate;
    int lowPass = 0;
    int exp = 0;
    QString model;
    QString remark;
    QDateTime constructionDate;
    int age = 0;
};
// The head line as the project report prints it, in the report language:
// the first six switched-on items (project name and test time left out, the
// time riding on the date), "|" between them.
QString ProjectHeadLine(const HeadLineValues& v, const CPrintSettings& s, int decimals);

} // namespace pit

class CProRepSetPage : public CSheetPage {
public:
    static constexpr int kDialogId = 183;
    static constexpr int kFormat = 1034;
    static constexpr int kInfoType = 1061;
    static constexpr int kRows = 1040;
    static constexpr int kColumns = 1041;
    static constexpr int kRuler = 1035;
    static constexpr int kFontSize = 1036;
    static constexpr int kGap = 1127;
    static constexpr int kMultiPicture = 1342;

    CProRepSetPage(CKEV_DUXDoc* doc, CPrintSettings* settings);
    ~CProRepSetPage() override;

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    // A gap typed but not finished yet is settled first.
    bool Validate() override;
    // The format shown becomes the stored format and report language.
    void Apply() override;
    std::vector<std::pair<int, int>> RefreshCodes() const override { return {{6, 0}}; }

    bool CheckWaveIntervalLimit(int rows);
    // r: the row index (rows - 3), moved to the limit when the user says No.
    bool CheckRowLimit(int& r);
    bool ValidateInput(bool checkGap);
    void UpdateFontRate(bool chosenInBox);
    // The gap edit finished (Enter or the focus left it).
    void OnGapEdited();
    // The widest head line over the checked, readable piles of the project.
    QString SampleHeadLine() const;

    // Measures a text in "宋体" of a cell height (the screen unless a test sets its own).
    std::function<pit::TextExtent(const QString& text, int fontHeight)> measureText;

private:
    void OnFormatChanged(int s);
    void SetGap(int gap);

    CKEV_DUXDoc* m_doc;
    CPrintSettings* m_pSettings;
    QPointer<QWidget> m_page;
    QComboBox* m_rows = nullptr;
    QComboBox* m_columns = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_ruler = nullptr;
    QComboBox* m_fontSize = nullptr;
    QComboBox* m_infoType = nullptr;
    QLineEdit* m_gap = nullptr;
    QCheckBox* m_multiPicture = nullptr;
};
