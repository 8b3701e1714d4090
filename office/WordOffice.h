// The program's one connection to word-processing documents: it opens new
// documents from the report templates, reads and writes the page setup,
// writes headers, footers and page numbers, inserts pictures and saves. The
// documents are written in-process through our own model (no office program
// runs); showing a document means saving it and opening it with the desktop.
#pragma once

#include "core/wave/WaveRecord.h"
#include "office/ProjectLayout.h"
#include "office/WordDocument.h"
#include "office/WordError.h"
#include "platform/Canvas.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CPrintSettings;
class CReportPileItem;
class CSingleReportInfo;

class CWordOffice {
public:
    // Width of a text in the report font of 100 pixels.
    using Measurer = std::function<int(const QString&)>;
    // Where a word processor would show the document: asks where to save it
    // (defaultName in the project folder), saves it and opens it with the
    // desktop. Installed by the window build; returns the result.
    using Presenter = std::function<bool(CWordOffice&, const QString& defaultName)>;

    CWordOffice();
    virtual ~CWordOffice();
    CWordOffice(const CWordOffice&) = delete;
    CWordOffice& operator=(const CWordOffice&) = delete;

    static CWordOffice& GetInstance();

    // The writer runs in-process, so starting always succeeds.
    bool StartOffice();
    bool Init();
    bool NewDocument(QString templatePath);
    bool StartDocument(QString templatePath);
    bool ReadPageSetup(bool reserveFourLines);
    bool ApplyPageSetup(CPrintSettings settings);
    bool WritePageFooter(const CPrintSettings& settings, int pageCount);
    static QString FormatPageNo(int style, bool after, bool english);
    bool InsertPicture(int row, int column, float width, float height, const QString& path);
    bool SaveDocumentAs(QString path);
    void CloseDocument();
    bool ShowApplication();
    void DetachAll();
    static bool EnsureDirectory(const QString& path);
    // The program folder, with a trailing separator.
    static QString GetProgramDir();
    static bool CreateReportFont(gdi::Font& font, float points);
    // widths (optional) receives each column's measured width: the measurer's
    // units, a 100-pixel font by default.
    void MeasureColumnWidths(const QString texts[12], const int flags[12], float fractions[6],
                             int indices[12], double* widths = nullptr) const;
    // One text by the measurer.
    double Measure(const QString& text) const;
    // The text as far as it fits width (points) at size, cut with "..." as
    // the printed page cuts what its box cannot hold; the whole text when it fits.
    QString CutToWidth(const QString& text, double size, double width) const;

    // The pile's table of the current-state curve document: two caption rows
    // above n picture rows; width and height receive the usable size of one
    // picture cell (points). Returns the caption row count (2), or 0 on failure.
    int WriteCurvePileCaptions(int n, int columns, const QString& pileNo, int& width, int& height,
                               const QString& length, int speed, const QString& pileClass,
                               const QString& description);

    // The project report's cell layout from the page just read and the pile
    // row gap (mode 0 for the English and Chinese pages, 1 for the ZEZ page).
    ProjectCellLayout ComputeCurvePageLayout(const CPrintSettings* settings, int mode) const;
    ProjectCellLayout ComputePageLayout(const CPrintSettings* settings, int mode) const;

    // The single-pile report: the template page once per pile (a next-page
    // section each), then the page-number footer with the pages written.
    // curveFont: the texts of the curve pictures, in the printed page's face.
    bool WriteSingleReport(const std::vector<CSingleReportInfo>& pages, const CPrintSettings& s,
                           const pit::PrintDrawDoc& draw, const gdi::Font& curveFont, bool bitmapPictures);
    bool WriteSinglePilePage(const CSingleReportInfo& info, int page, bool english, int reportType,
                             int decimals, int printType, const pit::PrintDrawDoc& draw,
                             const gdi::Font& curveFont, bool bitmapPictures);
    // The two result lines of the single-pile page.
    static std::pair<QString, QString> SingleResultLines(const QString& result, bool english);

    // The project report: R from the pile gap, the page setup, then the page
    // loop of rows x columns piles a page (kind 0 the English or Chinese
    // page by the report language, kind 1 the ZEZ-style page).
    bool WriteProjectReport(const std::vector<const CReportPileItem*>& items, CPrintSettings settings,
                            int kind, const pit::PrintDrawDoc& draw);
    bool WriteProjectPages(const std::vector<const CReportPileItem*>& items, const CPrintSettings& s,
                           int kind);
    // One pile into the outer cell's range.
    void WriteProjectPageEn(const CReportPileItem& item, const CPrintSettings& s, const pit::WordRange& cell);
    void WriteProjectPageCn(const CReportPileItem& item, const CPrintSettings& s, const pit::WordRange& cell);
    void WritePitPage(const CReportPileItem& item, const CPrintSettings& s, const pit::WordRange& cell);
    // Field k (0..11) of the project page; measured: the Chinese class field
    // as it is measured ("桩类别:等" + class).
    static QString ProjectFieldText(const CReportPileItem& item, const CPrintSettings& s, int k, bool english,
                                    bool measured = false);

    // The statistics report from its rows of eleven texts (record columns
    // 1..11 in the order of the builder's rows), in list order.
    using CountInfoRows = std::vector<std::array<QString, 11>>;
    bool WriteCountInfoReport(const CountInfoRows& rows, const QString& project, const CPrintSettings& s,
                              int type);
    bool WriteSummaryTableHeader(const CPrintSettings& s, int type);
    bool WriteCountInfoTableU(const CountInfoRows& rows, const CPrintSettings& s, int type);
    // What a column of the summary table needs (points): its longest
    // unbreakable piece, its longest line, and whether it holds sentences
    // that may wrap.
    struct ColumnNeed {
        double least = 0;
        double wanted = 0;
        bool sentences = false;
    };
    // Widths adding up to total: every column its whole lines when they fit;
    // else the sentence columns wrap in what the others leave; else each
    // column keeps its unbreakable pieces and shares the rest by what it wants more.
    static std::vector<double> ShareColumnWidths(const std::vector<ColumnNeed>& needs, double total);

    // ---- our additions

    // Header and footer sizes: an index into the 23-entry point table; any
    // other index is 12 points.
    static double HeaderFooterPoints(int index);
    // The packed template of that name ("Blank", "SingleBoltReport", ...).
    QString TemplateFile(const QString& name) const;
    void SetTemplateDir(const QString& dir) { m_templateDir = dir; }
    void SetMeasurer(Measurer m) { m_measure = std::move(m); }
    bool HasMeasurer() const { return bool(m_measure); }
    void SetPresenter(Presenter p) { m_present = std::move(p); }
    void SetDefaultName(const QString& name) { m_defaultName = name; }
    // Interface language of the messages.
    void SetEnglish(bool english) { m_english = english; }
    bool English() const { return m_english; }

    pit::WordDocument* Document() const { return m_doc.get(); }
    // The table the writers work on (the last one added or fetched).
    std::optional<pit::WordTable>& CurrentTable() { return m_table; }

    // The first error since the document was opened; a writer that failed
    // returns false and leaves this set.
    bool Failed() const { return m_error.has_value(); }
    QString ErrorText() const;
    QString ErrorText(bool english) const;
    void SetError(const pit::WordError& e);
    void ClearError() { m_error.reset(); }

    // ---- fields as the writers read them

    QString Version;
    int m_nPitPictureIndex = 0; // the ZEZ page's picture name, never advanced
    float m_fPageWidth = 0;     // usable width, points
    float m_fPageHeight = 0;    // usable height, points
    float m_fLineSpacing = 0;
    float m_fCharsLine = 0;
    float m_fPileGap = 0; // pile row gap, points
    QString TemplatePath;
    unsigned char IsWord = 0; // the Word-only steps never run here

private:
    bool NeedDocument();
    // The summary table's columns by the texts they hold.
    void FitSummaryColumns(pit::WordTable& table);
    void WriteProjectPage(const CReportPileItem& item, const CPrintSettings& s, const pit::WordRange& cell,
                          bool english);

    std::unique_ptr<pit::WordDocument> m_doc;
    std::optional<pit::WordTable> m_table;
    std::optional<pit::WordError> m_error;
    QString m_templateDir;
    QString m_defaultName;
    Measurer m_measure;
    Presenter m_present;
    bool m_english = false;
    pit::PrintDrawDoc m_draw; // what the project pages' pictures read of the document
};
