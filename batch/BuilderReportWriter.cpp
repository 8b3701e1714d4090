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

bool BuilderReportWriter::Write(CKEV_DUXDoc& doc, const Report& report, QString& error) {
    ReportFactory factory(&doc, nullptr, m_word, kBatchPrinterDpi);
    // The builders tell why an export fails through the document's context.
    error.clear();
    if (report.kind == 1) {
        const std::unique_ptr<CReportBuilder> builder = factory.CreateSingle(doc.m_PileRecord, nullptr);
        static_cast<CRepSingle&>(*builder).SetPileFiles(toVector(report.files));
        return builder->ExportWord(report.outputPath);
    }
    // No window: an empty list, the piles given by file.
    const ListRows noRows;
    const std::unique_ptr<CReportBuilder> builder = factory.CreateProject(noRows, !report.variantB);
    static_cast<CRepProjectA&>(*builder).SetPileFiles(toVector(report.files), toVector(report.pileNumbers));
    return builder->ExportWord(report.outputPath);
}

} // namespace pit
