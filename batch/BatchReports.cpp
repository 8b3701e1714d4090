#include "batch/BatchReports.h"

#include "batch/AnalysisLog.h"
#include "batch/BatchReportHelper.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/project/ProjectInfo.h"
#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

namespace pit {

namespace {

QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

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

// The listed paths that are files to read. Anything else that exists (a
// folder, a FIFO, a device), and a line that cannot name a file, is named
// and left out: reading a FIFO would wait for ever. A missing file stays,
// to be named when it is read.
QStringList regularFiles(const AppContext& ctx, const QStringList& paths, bool& failed) {
    QStringList out;
    for (const QString& path : paths) {
        // No file has a NUL in its name (the line is shown whole, the NUL as "\0").
        if (path.contains(QChar(u'\0'))) {
            failed = true;
            const QString shown = QDir::toNativeSeparators(path);
            ctx.message(
                QStringLiteral("【%1】含有空字符，不是文件名，已跳过。").arg(shown),
                QStringLiteral("[%1] holds a NUL character and is no file name; it was skipped.").arg(shown),
                QString(), QString(), MB_OK | MB_ICONERROR);
            continue;
        }
        const QFileInfo fi(path);
        if (fi.exists() && !fi.isFile()) {
            failed = true;
            const QString shown = QDir::toNativeSeparators(path);
            ctx.message(QStringLiteral("【%1】不是普通文件，已跳过。").arg(shown),
                        QStringLiteral("[%1] is not a regular file; it was skipped.").arg(shown), QString(),
                        QString(), MB_OK | MB_ICONERROR);
            continue;
        }
        out << path;
    }
    return out;
}

// The project of the group whose first reported pile is pilePath: the texts
// of its folder's index (read, never rebuilt), whatever project the document
// held before. Without an index the project is the piles' own name.
void takeGroupProject(const AppContext& ctx, CKEV_DUXDoc& doc, const QString& pilePath,
                      const QString& project) {
    const QString pile = absolute(pilePath);
    CProjectInfo& info = doc.m_ProjectInfo;
    info.Reset();
    doc.m_strFolder = QFileInfo(pile).absolutePath();
    const QString index = CKEV_DUXDoc::IndexPathFor(pile);
    if (!index.isEmpty() && QFileInfo(index).isFile()) {
        const QString shown = QDir::toNativeSeparators(index);
        QString why;
        if (!IsProjectFile(index)) {
            why = ctx.tr(QStringLiteral("错误的文件格式或文件已损坏。"),
                         QStringLiteral("wrong file format or damaged file."));
        } else {
            CProjectInfo read = info;
            try {
                if (read.OpenProjectFile(index))
                    info = std::move(read);
            } catch (const FileError& e) {
                why = e.message(ctx.english);
            }
        }
        if (!why.isEmpty())
            ctx.message(QStringLiteral("工程文件【%1】无法读取，报告不带工程信息：%2").arg(shown, why),
                        QStringLiteral("The project file [%1] cannot be read; the report has no project "
                                       "texts: %2")
                            .arg(shown, why),
                        QString(), QString(), MB_OK | MB_ICONWARNING);
    }
    if (info.m_texts[0].trimmed().isEmpty())
        info.m_texts[0] = project;
}

} // namespace

BatchOutcome GenerateBatchReports(const AppContext& ctx, CBatchReportHelper& helper, const BatchJob& job,
                                  BatchReportWriter& writer) {
    BatchOutcome outcome;
    const QString logPath =
        job.logPath.isEmpty() ? joinPath(stateDir(), QStringLiteral("Record.xml")) : job.logPath;
    const QStringList paths = regularFiles(ctx, job.paths, outcome.failed);
    const std::vector<CBatchReportEntry> entries = CBatchReportHelper::BuildRecordGroups(paths);

    const QString outDir = absolute(job.outputDir);
    // A folder that cannot be made is told; the reports are still tried and fail each.
    if (!QFileInfo(outDir).isDir())
        CBatchReportHelper::CreateDirectories(outDir, ctx);
    else
        CBatchReportHelper::ClearGoneRunsDocuments(outDir);

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

    // Each group's entries are logged once its document is written (or not):
    // a run that stops later leaves them in the log. After a failed write the
    // log is tried once more at the end, not once per document; not at all
    // after something that is no lock stood in the lock's place (told once).
    std::vector<AnalysisLogEntry> pending;
    bool logWritten = false, logRefused = false, logBlocked = false, logWaited = false;
    const auto writeLog = [&] {
        if (logBlocked)
            return;
        if (AppendToRecordLog(logPath, pending, ctx, &logBlocked, &logWaited)) {
            pending.clear();
            logWritten = true;
            logRefused = false;
        } else {
            logRefused = true;
            outcome.failed = true;
        }
    };

    // However the run ends the helper lets go of the document (a destructor
    // that threw, memory having run out, would end the program); the
    // document being made goes with its ExclusiveFile.
    struct RunEnd {
        CBatchReportHelper& helper;
        ~RunEnd() { helper.SetBatchDocument(nullptr); }
    } runEnd{helper};

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
            // As the document's name is: whatever folder the run started in.
            e.OriginalFile = absolute(entry.path);
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
            takeGroupProject(ctx, doc, report.files.first(), entry.project);
            const QString stamp = CBatchReportHelper::GetTimeStamp(ctx);
            report.documentName = helper.DocumentName(outDir, entry.project, stamp);
            // Made by this run alone, written through what was made, and
            // named only while it still is what was made.
            ExclusiveFile temporary;
            QString why, published;
            QStringList leftOut;
            const int made =
                CBatchReportHelper::CreateTemporaryDocument(outDir, report.documentName, temporary);
            bool written = made == 0;
            if (made == EEXIST) {
                // The document's own name is free: what is in the way are the
                // things under every hidden name it is first written under.
                const QString first = QDir::toNativeSeparators(
                    CBatchReportHelper::TemporaryDocumentPath(outDir, report.documentName));
                why = ctx.tr(
                    QStringLiteral("它的临时文件名【%1】及所有备用名称都已被不是本次运行建立的东西占用")
                        .arg(first),
                    QStringLiteral("its temporary name [%1] and every other name for it are taken by "
                                   "things this run did not make")
                        .arg(first));
            } else if (!written) {
                why = ErrnoText(made, ctx.english);
            }
            if (written) {
                temporary.SetShownName(report.documentName);
                report.outputPath = temporary.Path();
                written = writer.Write(doc, report, why, leftOut);
            }
            if (written && temporary.Size() <= 0) {
                written = false;
                why = ctx.tr(QStringLiteral("文件没有生成。"), QStringLiteral("the file was not made."));
            }
            if (written && !temporary.StillOurs()) {
                written = false;
                const QString shown = QDir::toNativeSeparators(temporary.Path());
                why = ctx.tr(QStringLiteral("临时文档【%1】已被别的东西替换，未使用。").arg(shown),
                             QStringLiteral("its temporary document [%1] was replaced by something else and "
                                            "was not used.")
                                 .arg(shown));
            }
            // Whole: it takes its name now.
            if (written &&
                !helper.PublishDocument(temporary, outDir, entry.project, stamp, published, why, ctx.english))
                written = false;
            temporary.Remove();
            if (written)
                report.documentName = published;
            const QString name = written ? published : QString();
            const QString time = written ? CBatchReportHelper::GetFileTimes(name) : QString();
            for (AnalysisLogEntry& e : groupLog) {
                e.AnalysisFile = name;
                e.AnalysisTime = time;
            }
            if (!leftOut.isEmpty()) {
                // Named by the writer; not in the document, so not logged with it.
                outcome.failed = true;
                QStringList gone;
                for (const QString& f : leftOut)
                    gone << absolute(f);
                std::erase_if(groupLog,
                              [&](const AnalysisLogEntry& e) { return gone.contains(e.OriginalFile); });
            }
            if (written) {
                outcome.written << published;
            } else {
                outcome.failed = true;
                const QString shown = QDir::toNativeSeparators(report.documentName);
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
        pending.insert(pending.end(), groupLog.begin(), groupLog.end());
        groupLog.clear();
        report.files.clear();
        report.pileNumbers.clear();
        if (!pending.empty() && !logRefused)
            writeLog();
    }

    // Written even without entries: a first run leaves an empty log, as the list promised.
    if (!pending.empty() || !logWritten)
        writeLog();
    return outcome;
}

} // namespace pit
