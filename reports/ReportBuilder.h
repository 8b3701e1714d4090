// The common base of the report builders: what the print hosts and the
// report runners call on a builder. The builders draw their pages on the
// canvas; only the hosts know printers and dialogs.
#pragma once

#include "platform/Canvas.h"
#include "platform/GdiRect.h"

#include <QImage>
#include <QString>
#include <memory>

class CCommonInfo;
class CPileRecord;

namespace pit {
class ListRows;
}

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

class CReportBuilder {
public:
    virtual ~CReportBuilder() = default;

    // Before printing: the builder sets the job's page range.
    virtual void SetPageRange(CPrintInfo& info) { info.SetMaxPage(1); }
    // Lays out the current page's body (page rectangle in device units).
    virtual void LayoutPage(const gdi::Rect& page, gdi::Canvas& dc) {}
    // Draws the current page (info.currentPage) into the body it laid out.
    virtual void PrintPage(gdi::Canvas& dc, CPrintInfo& info) {}
    // After creation: the builder reads the piles it reports on.
    virtual void UpdatePileList() {}
    // The report as a Word document; an empty name asks the user where.
    virtual bool ExportWord(const QString& outputName) { return false; }
    // The report pages as metafiles.
    virtual bool ExportEmf() { return false; }
    // The workbook of results.
    virtual bool ExportExcel() { return false; }
    // The page picture for a rectangle of that size.
    virtual QImage RenderToBitmap(const gdi::Rect& rect) { return {}; }
    // Picture mode: the builder draws for a bitmap instead of a page.
    virtual void SetPictureMode(bool on) {}
    // Whether the common report values replace each pile's own.
    virtual void SetCommonInfo(bool use, const CCommonInfo* values) {}
    // Decimal places of printed values.
    virtual void SetDecimalPlaces(int n) {}
};

namespace pit {

// Makes the builders the report runners ask for; the window build installs
// the real builders, tests a stub.
class ReportBuilderFactory {
public:
    virtual ~ReportBuilderFactory() = default;
    // A single-pile report. The builder keeps its own copy of what it needs
    // of pile: printing never changes or reloads the record shown.
    virtual std::unique_ptr<CReportBuilder> CreateSingle(const CPileRecord& pile, const ListRows* list) = 0;
    // The project report, style A or B.
    virtual std::unique_ptr<CReportBuilder> CreateProject(const ListRows& list, bool styleA) = 0;
    // The summary report (0 A, 1 B, 2 the U/UE template); Word only.
    virtual std::unique_ptr<CReportBuilder> CreateCountInfo(const ListRows& list, int summaryType) = 0;
    // The workbook of results or raw data.
    virtual std::unique_ptr<CReportBuilder> CreateExcel(const ListRows& list, int option) = 0;
};

} // namespace pit
