#include "batch/BuilderReportWriter.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "reports/RepProjectA.h"
#include "reports/RepSingle.h"
#include "reports/ReportFactory.h"

#include <vector>

namespace pit {

namespace {

// The builders measure their pages for a printer of this resolution.
constexpr int kBatchPrinterDpi = 300;

std::vector<QString> toVector(const QStringList& list) {
    return std::vector<QString>(list.begin(), list.end());
}

} // namespace

bool BuilderReportWriter::Write(CKEV_DUXDoc& doc, const Report& report, QString& error,
                                QStringList& leftOut) {
    ReportFactory factory(&doc, nullptr, m_word, kBatchPrinterDpi);
    // The builders tell why an export fails, and which piles they leave
    // out, through the document's context.
    error.clear();
    std::unique_ptr<CReportBuilder> builder;
    bool written = false;
    if (report.kind == 1) {
        builder = factory.CreateSingle(doc.m_PileRecord, nullptr);
        static_cast<CRepSingle&>(*builder).SetPileFiles(toVector(report.files));
        written = builder->ExportWord(report.outputPath);
    } else {
        // No window: an empty list, the piles given by file.
        const ListRows noRows;
        builder = factory.CreateProject(noRows, !report.variantB);
        static_cast<CRepProjectA&>(*builder).SetPileFiles(toVector(report.files),
                                                          toVector(report.pileNumbers));
        written = builder->ExportWord(report.outputPath);
    }
    leftOut = builder->LeftOut();
    return written;
}

} // namespace pit
