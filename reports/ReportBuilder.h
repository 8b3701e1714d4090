// The common base of the report builders: what the print hosts, the report
// runners, the exports and the batch call on a builder. A builder is made
// with its document, settings and services and never reaches a window; it
// draws its pages on the canvas, and only the hosts know printers and dialogs.
#pragma once

#include "core/doc/CommonInfo.h"
#include "platform/Canvas.h"
#include "platform/EmfDevice.h"
#include "platform/GdiRect.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <iterator>
#include <memory>
#include <vector>

class CKEV_DUXDoc;
class CPileRecord;
class CPrintSettings;

namespace pit {
struct AppContext;
struct PrintDrawDoc;
class ExcelExport;
class ExportServices;
class ListRows;
class WordExport;
} // namespace pit

// The state of one print job as the page loop and the builder share it.
struct CPrintInfo {
    // Page count not known in advance: one page unless the builder says more.
    static constexpr int kUnknownMaxPage = 0xFFFF;
    // A job number with which the host lays the page out as for a printer.
    static constexpr int kLayoutJob = 1000;

    int minPage = 1;
    int maxPage = kUnknownMaxPage;
    int fromPage = 1; // the range the user chose
    int toPage = kUnknownMaxPage;
    int currentPage = 1;
    bool continuePrinting = true;
    bool preview = false;
    int job = 0;
    gdi::Rect drawRect; // the page body of the current page

    void SetMinPage(int p) { minPage = p; }
    void SetMaxPage(int p) { maxPage = p; }
    int GetMinPage() const { return minPage; }
    int GetMaxPage() const { return maxPage; }
    int GetFromPage() const { return fromPage; }
    int GetToPage() const { return toPage; }
};

namespace pit {

// What a builder is made with.
struct ReportEnv {
    CKEV_DUXDoc* doc = nullptr;         // the report's document (the batch mode's own in batch)
    CPrintSettings* settings = nullptr; // none: the document's print settings
    const AppContext* app = nullptr;    // none: the document's context
    ExportServices* services = nullptr; // file chooser, desktop, messages; none in batch
    WordExport* word = nullptr;         // the document writer; none until one is installed
    ExcelExport* excel = nullptr;       // the workbook writer; none until one is installed
    int printerDpi = 300;               // the hosts print at 600, the batch measures at 300
};

// What an export says of the pile files it left out because they cannot
// be read: written without them (the report, its pages as pictures; the
// workbook; the pile pictures), or nothing written for want of a pile.
enum class LeftOut { NotInReport, NotInWorkbook, NoPilePicture, NoDocument, NoWorkbook, NoPicture };

struct LeftOutText {
    QString zh, en;
};

// The message naming them, one file a line.
LeftOutText LeftOutMessage(LeftOut what, const QStringList& files);

} // namespace pit

class CReportBuilder {
public:
    // A builder without a document draws nothing (test stubs).
    CReportBuilder() = default;
    // Copies the document's decimal places into the settings' (they are not stored).
    explicit CReportBuilder(const pit::ReportEnv& env);
    virtual ~CReportBuilder();
    CReportBuilder(const CReportBuilder&) = delete;
    CReportBuilder& operator=(const CReportBuilder&) = delete;

    // Before printing: the builder sets the job's page range.
    virtual void SetPageRange(CPrintInfo& info) { info.SetMaxPage(1); }
    // Lays out the current page's body (page rectangle in device units).
    virtual void LayoutPage(const gdi::Rect& page, gdi::Canvas& dc) {}
    // Draws the current page (info.currentPage) into the body it laid out.
    // A printing canvas (print, preview, PDF) loads the page's pile; a
    // picture canvas draws what the builder holds.
    virtual void PrintPage(gdi::Canvas& dc, CPrintInfo& info) {}
    // Splits one cell (device units) into the builder's blocks.
    virtual void DrawPage(int left, int top, int right, int bottom, gdi::Canvas& dc) {}
    // After creation: the builder reads the piles it reports on.
    virtual void UpdatePileList() {}
    // The report as a Word document; an empty name asks the user where.
    virtual bool ExportWord(const QString& outputName) { return false; }
    // The workbook of results.
    virtual bool ExportExcel() { return false; }
    // The report pages as pictures: true when written, false when cancelled or failed.
    virtual bool ExportBmp() { return true; }
    virtual bool ExportEmf() { return true; }
    // The page picture for a rectangle of that size.
    virtual QImage RenderToBitmap(const gdi::Rect& rect) { return {}; }
    // Picture mode: the builder draws a bare picture instead of a page.
    virtual void SetPictureMode(bool on) {}
    // Whether the common report values replace each pile's own: kept for the
    // builders that read them (the others read the document's).
    virtual void SetCommonInfo(bool use, const CCommonInfo* values);
    // The project report's font size in points.
    virtual void SetFontRate(float rate) {}
    // Decimal places of printed values.
    virtual void SetDecimalPlaces(int n) { m_nDecimals = n; }

    // The checked piles the last reading or export left out because their
    // files cannot be read (their paths, or list names when the project
    // does not hold them). The exports name them.
    const QStringList& LeftOut() const { return m_leftOut; }
    // Pile files of the project that the report list cannot show because they
    // cannot be read: the exports name them with the piles they leave out.
    void SetUnlistedPiles(const QStringList& paths) { m_unlisted = paths; }
    // Both together: every pile file an export leaves out.
    QStringList AllLeftOut() const { return m_leftOut + m_unlisted; }

    // Tells the user why a host could not write what the builder drew (a
    // print into a file), through the builder's services.
    void TellFailure(const QString& zh, const QString& en) const;
    // Names the pile files an export left out, through the builder's
    // services; nothing when none was left out.
    void TellLeftOut(pit::LeftOut what, const QStringList& files) const;

    // Set around picture exports: the wave drawings draw for a picture.
    void SetDrawToBitmap(bool on) { m_bToBitmap = on; }
    int PrinterDpi() const { return m_nPrinterDpi; }
    CPrintSettings* Settings() const { return m_pSettings; }

    // Strokes two edges in one polyline with the selected pen: right and
    // bottom (from the top right corner down and left), or left and top
    // (from the bottom left corner up and right).
    static void DrawFrame(gdi::Canvas& dc, int left, int top, int right, int bottom, bool rightAndBottom);

    // The metafile of a page file: the description names the picture (the
    // file name without folder and extension) and the program; the frame
    // follows the drawing. Saving it replaces a file of that name whole.
    static std::unique_ptr<pit::EmfDevice> CreateMetaFile(const pit::EmfReference& ref, const QString& path,
                                                          QSize size);

    // Element n - 1 of a list, or none when n lies outside 1..size.
    template <typename List> static auto GetOneBasedItem(List& list, int n) -> decltype(&list[0]) {
        if (n < 1 || size_t(n) > std::size(list))
            return nullptr;
        return &list[size_t(n - 1)];
    }

protected:
    // The interface language of messages (the report language is the settings').
    bool EnglishInterface() const;
    // A bilingual message through the services (or the context's sink).
    int Message(const QString& zh, const QString& en, unsigned type) const;
    // The file a row of a report list names: column 1 less the mark the list
    // ends every name with.
    static QString ListRowName(const pit::ListRows& list, int row);
    // Its path in the document's project; empty when the project does not hold it.
    QString ListRowPath(const pit::ListRows& list, int row) const;
    // The curve style asks for smooth (high-resolution) curves.
    bool SmoothCurves() const;
    // What the wave drawings read of the settings and the document.
    pit::PrintDrawDoc DrawDoc() const;

    CKEV_DUXDoc* m_pDoc = nullptr;
    CPrintSettings* m_pSettings = nullptr;
    const pit::AppContext* m_pApp = nullptr;
    pit::ExportServices* m_pServices = nullptr;
    pit::WordExport* m_pWord = nullptr;
    std::vector<gdi::Rect> m_arrCellRects;
    bool m_bToBitmap = false;
    bool m_bPictureMode = false;
    int m_nPrinterDpi = 300;
    bool m_bUseCommonInfo = false;
    CCommonInfo m_CommonInfo;
    int m_nDecimals = 2;
    QStringList m_leftOut;
    QStringList m_unlisted;
};

namespace pit {

// Makes the builders the report runners ask for; the window build installs
// the real builders, tests a stub.
class ReportBuilderFactory {
public:
    virtual ~ReportBuilderFactory() = default;
    // A single-pile report. The builder keeps its own copy of what it needs
    // of pile: printing never changes or reloads the record shown. Without a
    // list the report is the one page of that pile.
    virtual std::unique_ptr<CReportBuilder> CreateSingle(const CPileRecord& pile, const ListRows* list) = 0;
    // The project report, style A or B.
    virtual std::unique_ptr<CReportBuilder> CreateProject(const ListRows& list, bool styleA) = 0;
    // The summary report (0 A, 1 B, 2 the U/UE template); Word only.
    virtual std::unique_ptr<CReportBuilder> CreateCountInfo(const ListRows& list, int summaryType) = 0;
    // The workbook of results or raw data.
    virtual std::unique_ptr<CReportBuilder> CreateExcel(const ListRows& list, int option) = 0;
};

} // namespace pit
