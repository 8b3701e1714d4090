#include "batch/BatchReports.h"

#include "batch/AnalysisLog.h"
#include "batch/BatchReportHelper.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "platform/AppContext.h"
#include "platform/FileError.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace pit {

namespace {

// Reads one listed file into the document's record; false (told through ctx) when it cannot be read.
bool readPile(const AppContext& ctx, CPileRecord& record, const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    try {
        if (record.ReadFile(path))
            return true;
        ctx.message(
            QStringLiteral("无法读取桩文件【%1】：通道数超出范围。").arg(shown),
            QStringLiteral("Cannot read the pile file [%1]: the channel count is out of range.").arg(shown),
            QString(), QString(), MB_OK | MB_ICONERROR);
    } catch (const FileError& e) {
        const QString why = e.message(ctx.english);
        ctx.message(QStringLiteral("无法读取桩文件【%1】：%2").arg(shown, why),
                    QStringLiteral("Cannot read the pile file [%1]: %2").arg(shown, why), QString(),
                    QString(), MB_OK | MB_ICONERROR);
    }
    return false;
}

} // namespace

BatchOutcome GenerateBatchReports(const AppContext& ctx, CBatchReportHelper& helper, const BatchJob& job,
                                  BatchReportWriter& writer) {
    BatchOutcome outcome;
    const QString logPath =
        job.logPath.isEmpty() ? joinPath(stateDir(), QStringLiteral("Record.xml")) : job.logPath;
    const std::vector<CBatchReportEntry> entries = CBatchReportHelper::BuildRecordGroups(job.paths);

    const QString outDir = QDir::cleanPath(QFileInfo(job.outputDir).absoluteFilePath());
    // A folder that cannot be made is told; the reports are still tried and fail each.
    if (!QFileInfo(outDir).isDir())
        CBatchReportHelper::CreateDirectories(outDir, ctx);

    CKEV_DUXDoc doc(ctx);
    doc.SetWriteSettingsOnClose(false);
    helper.SetBatchDocument(&doc);
    BatchReportWriter::Report report;
    report.kind = job.kind;
    if (job.kind == 2)
        report.variantB = doc.m_PrintSettings.EnterProjectReports(ctx.english) == 5;
    else
        doc.m_PrintSettings.m_nReportKind = 1;
    const QString instrument = options::InstrumentModel(doc.m_nYiqiXinghao);

    std::vector<AnalysisLogEntry> log;
    std::vector<AnalysisLogEntry> groupLog;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CBatchReportEntry& entry = entries[i];
        CPileRecord& record = doc.m_PileRecord;
        if (!readPile(ctx, record, entry.path)) {
            outcome.failed = true;
        } else if (!record.m_bFixedParam) {
            const QString shown = QDir::toNativeSeparators(entry.path);
            ctx.message(
                QStringLiteral("桩文件【%1】没有保存的分析结果，不出报告。").arg(shown),
                QStringLiteral("The pile file [%1] has no saved analysis; it is not reported.").arg(shown),
                QString(), QString(), MB_OK | MB_ICONINFORMATION);
        } else {
            AnalysisLogEntry e = AnalysisLogEntry::FromRecord(record);
            e.FileType = job.kind;
            e.InstrumentNo = instrument;
            groupLog.push_back(std::move(e));
            report.files << entry.path;
            report.pileNumbers << record.m_strPileNo;
        }

        // Each group's report once its last entry is handled or skipped, so
        // that every log entry names its own group's document.
        const bool lastOfGroup = i + 1 == entries.size() || entries[i + 1].group != entry.group;
        if (!lastOfGroup)
            continue;
        if (!report.files.isEmpty()) {
            report.outputPath =
                helper.ReportFileName(outDir, entry.project, CBatchReportHelper::GetTimeStamp(ctx));
            QString why;
            bool written = writer.Write(doc, report, why);
            if (written && !QFileInfo(report.outputPath).isFile()) {
                written = false;
                why = ctx.tr(QStringLiteral("文件没有生成。"), QStringLiteral("the file was not made."));
            }
            const QString name = written ? report.outputPath : QString();
            const QString time = written ? CBatchReportHelper::GetFileTimes(name) : QString();
            for (AnalysisLogEntry& e : groupLog) {
                e.AnalysisFile = name;
                e.AnalysisTime = time;
            }
            if (written) {
                outcome.written << report.outputPath;
            } else {
                outcome.failed = true;
                const QString shown = QDir::toNativeSeparators(report.outputPath);
                if (why.isEmpty()) // the writer has told why
                    ctx.message(QStringLiteral("报告【%1】没有写成。").arg(shown),
                                QStringLiteral("The report [%1] was not written.").arg(shown), QString(),
                                QString(), MB_OK | MB_ICONERROR);
                else
                    ctx.message(QStringLiteral("报告【%1】没有写成：%2").arg(shown, why),
                                QStringLiteral("The report [%1] was not written: %2").arg(shown, why),
                                QString(), QString(), MB_OK | MB_ICONERROR);
            }
        }
        log.insert(log.end(), groupLog.begin(), groupLog.end());
        groupLog.clear();
        report.files.clear();
        report.pileNumbers.clear();
    }

    // Written even without entries: a first run leaves an empty log, as the list promised.
    if (!AppendToRecordLog(logPath, log, ctx))
        outcome.failed = true;
    helper.SetBatchDocument(nullptr);
    return outcome;
}

} // namespace pit
