// Page loop of a print job.
#include "reports/PrintJob.h"

#include "platform/PdfTextLayer.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <memory>

namespace pit {

ReportPages::ReportPages(CReportBuilder& builder, const CPrintSettings& settings, const PageMetrics& metrics)
    : m_builder(builder), m_settings(settings), m_metrics(metrics) {}

void ReportPages::PreparePage(gdi::Canvas& dc, CPrintInfo& info) {
    m_frame = LayoutPageFrame(m_settings, m_metrics);
    info.drawRect = m_frame.body;
    m_builder.LayoutPage(m_frame.body, dc);
    info.continuePrinting = info.maxPage != CPrintInfo::kUnknownMaxPage || info.currentPage == 1;
}

void ReportPages::PrintPage(gdi::Canvas& dc, CPrintInfo& info) {
    // A job of unknown length ends with the page it prints.
    const int last = info.maxPage == CPrintInfo::kUnknownMaxPage ? info.currentPage : info.maxPage;
    DrawPageHeaderFooter(dc, m_settings, m_frame, info.currentPage, last);
    m_builder.PrintPage(dc, info);
}

int PrintPages(QPainter& painter, ReportPages& pages, CPrintInfo& info,
               const std::function<bool()>& newPage) {
    const int first = std::max(info.fromPage, info.minPage);
    const int last = std::min(info.toPage, info.maxPage);
    int printed = 0;
    for (int page = first; page <= last; ++page) {
        info.currentPage = page;
        // A canvas per page, so no selection or origin leaks into the next one.
        auto dc = std::make_unique<gdi::Canvas>(painter, pages.Metrics().dpiX, pages.Metrics().dpiY, true);
        pages.PreparePage(*dc, info);
        if (!info.continuePrinting)
            break;
        if (printed > 0) {
            dc.reset();
            if (newPage && !newPage())
                break;
            dc = std::make_unique<gdi::Canvas>(painter, pages.Metrics().dpiX, pages.Metrics().dpiY, true);
        }
        pages.PrintPage(*dc, info);
        ++printed;
    }
    return printed;
}

int PrintPages(QPagedPaintDevice& dev, CReportBuilder& builder, const CPrintSettings& settings,
               CPrintInfo& info, const QString& pdfFile) {
    ReportPages pages(builder, settings, MetricsOf(dev));
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&dev))
        return 0;
    int n = 0;
    try {
        n = PrintPages(*painter, pages, info, [&dev] { return dev.newPage(); });
    } catch (...) {
        // A page that ran out of memory gives the job up. The painter is
        // ended here, not by its destructor in the unwinding: the device
        // writing out its pages may run out too, which in a destructor would
        // end the program. One that could not be ended is let go of, as
        // ending it again would fail again.
        try {
            painter->end();
        } catch (...) {
            (void)painter.release();
        }
        throw;
    }
    painter->end();
    // Only a file this job wrote (a preview paints into no file).
    const QFileInfo written(pdfFile);
    if (n > 0 && !pdfFile.isEmpty() && written.exists() && written.lastModified() >= started)
        RepairPdfTextLayerFile(pdfFile);
    return n;
}

} // namespace pit
