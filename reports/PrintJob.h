// The page loop of a print job: for each page of the chosen range the page
// frame and the builder's layout, then header, footer and the builder's page.
// Runs on any painter, so a printer, a preview, a PDF writer and the
// recording device in tests all take the same road.
#pragma once

#include "reports/PageFrame.h"
#include "reports/ReportBuilder.h"

#include <QString>
#include <functional>

class CPrintSettings;
class QPagedPaintDevice;
class QPainter;

namespace pit {

// The frame and builder steps of one page, as a host calls them.
class ReportPages {
public:
    ReportPages(CReportBuilder& builder, const CPrintSettings& settings, const PageMetrics& metrics);

    // Lays out the frame and the builder's page body; decides whether the
    // job goes on (a job of unknown length prints its first page only).
    void PreparePage(gdi::Canvas& dc, CPrintInfo& info);
    // Header, footer and page number, then the builder's page.
    void PrintPage(gdi::Canvas& dc, CPrintInfo& info);
    const PageFrame& Frame() const { return m_frame; }
    const PageMetrics& Metrics() const { return m_metrics; }

private:
    CReportBuilder& m_builder;
    const CPrintSettings& m_settings;
    PageMetrics m_metrics;
    PageFrame m_frame;
};

// Pages fromPage..toPage of info, kept inside minPage..maxPage; newPage is
// called between pages. Returns the number of pages printed.
int PrintPages(QPainter& painter, ReportPages& pages, CPrintInfo& info, const std::function<bool()>& newPage);
// The same on a printer or PDF writer with its own metrics. pdfFile: the file
// the device writes, whose text layer is repaired when the job has written it.
// With writeTo (which points the device at another file) a print that is no
// preview writes a file beside pdfFile and gives it that name only when it
// is whole: the device ended well, the file ends as a PDF does and its text
// layer was repaired. A failure is told through the builder, leaves pdfFile
// as it was and counts no page.
int PrintPages(QPagedPaintDevice& dev, CReportBuilder& builder, const CPrintSettings& settings,
               CPrintInfo& info, const QString& pdfFile = QString(),
               const std::function<void(const QString&)>& writeTo = {});

} // namespace pit
