// Report mode's list view: the project's blow files in a checked list that
// sets which piles go into a report and in which order, the picture of the
// selected pile's wave, the wave-speed statistics of the checked piles, the
// age that derives construction dates, and the report commands: print,
// preview, picture exports, save, back. It works on the document's second
// pile record, which it reads from the selected row's file.
#pragma once

#include "analysis/FrameServices.h"
#include "reportmode/ExportViewRules.h"
#include "reports/ReportBuilder.h"

#include <QWidget>
#include <memory>
#include <vector>

class CKEV_DUXDoc;
class CPileFileItem;
class CPileRecord;
class CProjectInfo;
class CSListCtrl;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pit {

class ExportServices;
class PrintUi;

// What the list view asks of the main window.
class ReportModeHost {
public:
    virtual ~ReportModeHost() = default;
    // The refresh hub (the report-mode form answers code 15).
    virtual void RefreshFromReport(RefreshTarget target, int sub) = 0;
    // A pile was loaded or the age changed: the form shows the derived dates.
    virtual void ReportDatesChanged() = 0;
    // The form's fields the user changed into the record before it is saved
    // (refresh code 15, sub-code 1); false when the form refused a value and
    // told the user.
    virtual bool StoreReportForm() = 0;
    // The main panel lists its files by test date and time.
    virtual bool PilesOrderedByTestTime() const = 0;
    // Reload the current pile, refresh the main panel, show the view of before.
    virtual void LeaveReportMode() = 0;
};

} // namespace pit

class CExportView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 126;
    enum Ctrl : int {
        kList = 1004,
        kPicture = 2053,
        kToTop = 1008,
        kUp = 1027,
        kDown = 1005,
        kToBottom = 1011,
        kCheckAll = 1111,
        kAgeCheck = 1044,
        kAgeEdit = 1343,
        kDatabase = 1125,
        kCountEdit = 32908,
        kMeanEdit = 32909,
        kSdEdit = 32910,
        kCvEdit = 32911,
        kMaxEdit = 32912,
        kMinEdit = 32913,
    };
    // Report outputs of the builder by mode.
    enum Output : int { kPreview = 0, kPrint = 1, kWord = 2, kPictures = 3 };

    CExportView(CKEV_DUXDoc* doc, pit::ReportModeHost* host, QWidget* parent = nullptr);
    ~CExportView() override;

    // Services of the window build; tests install their own.
    void SetReportFactory(pit::ReportBuilderFactory* factory) { m_factory = factory; }
    void SetPrintUi(pit::PrintUi* ui) { m_printUi = ui; }
    void SetExportServices(pit::ExportServices* services) { m_services = services; }

    void OnInitialUpdate();
    // Each entry into report mode: single-pile (nine columns, elevations
    // editable) or project mode (six columns, statistics).
    void ShowReportMode(bool singlePile);
    bool IsSinglePileMode() const { return m_bSinglePile; }
    // The age controls shown only while the print settings print the age.
    void ShowAgeControls();
    // The list from the project's blow files; the row count.
    int FillList();
    // order: 0 file name, 1 pile number, 2 test date, 3 test date and time.
    void SortList(int order, bool ascending);
    // Reads the current row's pile into the record (force: also when it is
    // the pile held). False when the file could not be read: the previous
    // row stays selected and the record keeps its pile.
    bool LoadSelectedPile(bool force);
    void UpdateStatistics();
    void RefreshPicture();
    // Column 3 of every row from the common test date.
    void ApplyCommonDate();
    // The channel index the main frame hands over on entry (kept for the way back).
    void SetCurrentIndex(int index) { m_nChannelIndex = index; }

    // ---- commands ---------------------------------------------------------------
    void OnSave();               // 32817
    void OnBack();               // 32827
    void OnPrintPreview();       // 32822
    bool OnPrint();              // 32823
    void OnExportDocument();     // 32818
    void OnExportPictures();     // 32820
    void OnCountInfo();          // 32824
    void OnExportExcel();        // 32819
    void OnExportPilePictures(); // 32825
    // The builder the next output uses, by mode and report kind.
    void MakeBuilder();
    // The builder's piles: the checked rows, and the files the list cannot show.
    void ListPilesInBuilder();
    CReportBuilder* Builder() const { return m_builder.get(); }

    // ---- buttons and list ----------------------------------------------------------
    void OnMoveToTop();
    void OnMoveUp();
    void OnMoveDown();
    void OnMoveToBottom();
    void OnCheckAll();
    void OnAgeCheck();
    // Enter in the age edit; false when the age was refused.
    bool OnAgeEntered();
    void OnHeaderClick(int column);
    // The list's in-place edit ended.
    void OnCellEdited();
    // Selecting another row (the list's selection or a test).
    void SelectRow(int row);
    // What the user typed into the form goes into the pile shown and the
    // pile into its file and the project index, as on a row change (which
    // writes it evenUnchanged): before a report is made, report mode left or
    // the window closed. False when the form refused a value (the user was
    // told; the field has the focus).
    bool KeepFormEdits(bool evenUnchanged = false);
    // 1125: the checked piles into the results database; 1 when written, -1
    // when cancelled or refused (the user has been told why).
    int ImportToDatabase();

    // ---- state ------------------------------------------------------------------------
    CSListCtrl* List() const { return m_list; }
    int CurrentRow() const { return m_nCurrentRow; }
    int CheckedCount() const { return m_nCheckedCount; }
    const std::vector<pit::report::RowSpeed>& RowSpeeds() const { return m_rowSpeeds; }
    const pit::report::SpeedStats& Stats() const { return m_stats; }
    CPileRecord* Record() const { return m_pRecord; }
    CKEV_DUXDoc* GetDocument() const { return m_pDoc; }
    // The remembered header column and direction of every list view.
    static void ResetSortMemory();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void CreateControls();
    void LayoutControls();
    void SetColumnWidths();
    void InsertBaseColumns();
    // Row `row` from the item: columns 1-5 (6-8 in single-pile mode), its
    // speed; checked when the item's selected flag is set.
    void InsertRow(int row, const CPileFileItem& item, bool checked);
    void SetElevationCells(int row, const std::array<float, 3>& e);
    // Rows rewritten in a new order: order[i] is the old index of new row i.
    void ApplyRowOrder(const std::vector<int>& order, int newCurrent);
    void SetCurrentRowQuiet(int row);
    void OnSelectionChanged();
    void OnCheckStateChanged();
    void RecountChecked();
    // The path of a row's pile file (column 1 less its mark); empty when the
    // project does not list it.
    QString RowPath(int row) const;
    // The record into its file and the project index; false when not written.
    // In a read-only folder nothing is written, and userSave tells why.
    bool SaveRecord(bool userSave);
    // What a save writes of the record (its analysis block and tail).
    QByteArray RecordImage() const;
    // The unsaved elevation edits of the previous row back to the record's values.
    void RestoreElevations();
    void ConstructionDateFromAge();
    // A new builder by mode, then the output; false when nothing came out.
    bool RunOutput(int output);
    void PreparePrintUi();
    void PreviewPages();
    bool PrintBuilderPages();
    // One pile picture through a project builder for list row `row`.
    bool WriteProjectPilePicture(int row, const QString& path, bool bmp);
    void Tell(const QString& zh, const QString& en, unsigned type);
    QVariant CellStyle(int row, int col, int role) const;

    CKEV_DUXDoc* m_pDoc;
    pit::ReportModeHost* m_host;
    CPileRecord* m_pRecord = nullptr;
    CProjectInfo* m_pProject = nullptr;
    pit::ReportBuilderFactory* m_factory = nullptr;
    pit::PrintUi* m_printUi = nullptr;
    std::unique_ptr<pit::PrintUi> m_ownPrintUi;
    pit::ExportServices* m_services = nullptr;
    std::unique_ptr<CReportBuilder> m_builder;

    bool m_bFirstUpdate = true;
    bool m_bSinglePile = false;
    int m_nCheckedCount = 0;
    std::vector<pit::report::RowSpeed> m_rowSpeeds;
    bool m_bListFilled = false;
    pit::report::SpeedStats m_stats;
    int m_nCurrentRow = -1;
    int m_nPreviousRow = -1;
    bool m_bCellsEdited = false;
    bool m_bCellsSaved = false;
    int m_nColumnCount = 6;
    int m_nAge = 14;
    int m_nChannelIndex = 0;
    QString m_loadedPath;     // the file the record was read from; only it is saved
    QByteArray m_savedImage;  // RecordImage() as the record was read or last saved
    bool m_bQuiet = false;    // programmatic selection and check changes
    QStringList m_unreadable; // files of the last fill whose speed could not be read
    QStringList m_unlisted;   // paths of the project's pile files that cannot be read, so not listed
    QString m_rowsProject;    // the first project name the listed piles hold

    CSListCtrl* m_list = nullptr;
    QLabel* m_picture = nullptr;
    QPushButton* m_orderButtons[4] = {};
    QCheckBox* m_checkAll = nullptr;
    QCheckBox* m_ageCheck = nullptr;
    QLineEdit* m_ageEdit = nullptr;
    QPushButton* m_database = nullptr;
    std::vector<QWidget*> m_statsWidgets; // label and field of the six values
    QLineEdit* m_statsEdits[6] = {};
    QWidget* m_topBar = nullptr;  // select-all and the speed statistics
    QWidget* m_sideBar = nullptr; // age and the database button
    QSize m_clientSize;
};
