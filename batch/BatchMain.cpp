#include "batch/BatchMain.h"

#include "batch/BatchReportHelper.h"
#include "batch/BatchReports.h"
#include "batch/BuilderReportWriter.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "core/doc/LanguageFiles.h"
#include "office/OfficeWordExport.h"
#include "platform/AppContext.h"
#include "platform/FileError.h"
#include "platform/FontSetup.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace pit {

BatchStart ClassifyCommandLine(const CKEVCommandLineInfo& cmd, bool haveDisplay) {
    if (cmd.m_nMode == CKEVCommandLineInfo::kNoBatch || cmd.m_bShowHelp || cmd.m_bShowVersion)
        return BatchStart::NotBatch;
    if (cmd.IsBatch())
        return BatchStart::Run;
    // The flag without both arguments starts the window, as File New; with
    // no display to show it on, it would run unseen for ever.
    return haveDisplay ? BatchStart::NotBatch : BatchStart::UsageError;
}

bool HaveDisplay() {
    auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

QString BatchUsage() {
    return QStringLiteral("Usage: KEV_DUX -report|-projectreport LIST_FILE OUTPUT_FOLDER\n"
                          "Writes one Word document per project for the analysed pile files that LIST_FILE\n"
                          "names (one path per line) into OUTPUT_FOLDER, without a window: -report the\n"
                          "single-pile reports, -projectreport the project report.\n");
}

QString HelpText() {
    return QStringLiteral(
        "Usage: KEV_DUX [FILE.DUX]\n"
        "       KEV_DUX -report|-projectreport LIST_FILE OUTPUT_FOLDER\n"
        "Low-strain pile integrity analysis. A pile file named on the command line is opened.\n"
        "\n"
        "Batch reports, without a window (no display is needed):\n"
        "  -report LIST_FILE OUTPUT_FOLDER         the single-pile reports\n"
        "  -projectreport LIST_FILE OUTPUT_FOLDER  the project reports\n"
        "LIST_FILE names one pile file a line (UTF-8 or GBK; relative paths from the current\n"
        "folder). The piles saved with their analysis are reported, one Word document per\n"
        "project: OUTPUT_FOLDER/<project>_<YYYYMMDDhhmmss>.docx (the folder is made when\n"
        "missing). Each reported pile is logged in Record.xml in the state folder (beside\n"
        "the program, or KEV_DUX_HOME). Messages go to stderr; \"end\" is printed last on stdout.\n"
        "\n"
        "Exit status of the batch reports:\n"
        "  0  every report was written\n"
        "  1  a report was not written, the list file or a listed pile could not be read (or a\n"
        "     report left a damaged pile out), memory ran out, or the run's temporary folder\n"
        "     cannot be made in the state folder\n"
        "  2  usage error (a batch flag without both arguments and no display)\n"
        "\n"
        "Options:\n"
        "  -h, --help     this text\n"
        "  -v, --version  the program's version\n");
}

void TellOutOfMemory(const AppContext& ctx) {
    try {
        ctx.message(QStringLiteral("内存不足，批量报告已中止；已写出的文档保留。"),
                    QStringLiteral("Out of memory: the batch reports stopped; the documents already written "
                                   "are kept."),
                    QString(), QString(), MB_OK | MB_ICONERROR);
    } catch (const std::bad_alloc&) {
        std::fputs("KEV_DUX: out of memory; the batch reports stopped.\n", stderr);
    }
}

int RunBatchReports(const CKEVCommandLineInfo& cmd, const AppContext& appCtx, BatchReportWriter& writer,
                    const std::function<void(const QString&)>& openFolder) {
    AppContext ctx = appCtx;
    ctx.interactive = false;
    bool failed = false;

    bool opened = false;
    const QStringList paths = CBatchReportHelper::ReadListFile(cmd.m_strListFile, &opened);
    if (!opened) {
        failed = true;
        const QString shown = QDir::toNativeSeparators(cmd.m_strListFile);
        const QFileInfo list(cmd.m_strListFile);
        if (list.exists() && !list.isFile())
            ctx.message(QStringLiteral("无法读取列表文件【%1】：%2。")
                            .arg(shown, list.isDir() ? QStringLiteral("它是一个文件夹")
                                                     : QStringLiteral("不是普通文件")),
                        QStringLiteral("Cannot read the list file [%1]: %2.")
                            .arg(shown, list.isDir() ? QStringLiteral("it is a folder")
                                                     : QStringLiteral("it is not a regular file")),
                        QString(), QString(), MB_OK | MB_ICONERROR);
        else
            ctx.message(QStringLiteral("无法读取列表文件【%1】。").arg(shown),
                        QStringLiteral("Cannot read the list file [%1].").arg(shown), QString(), QString(),
                        MB_OK | MB_ICONERROR);
    }

    CBatchReportHelper helper;
    BatchJob job;
    job.kind = cmd.BatchKind();
    job.paths = paths;
    job.outputDir = cmd.m_strOutputDir;
    try {
        const BatchOutcome outcome = GenerateBatchReports(ctx, helper, job, writer);
        failed = failed || outcome.failed;
    } catch (const std::bad_alloc&) {
        // The documents written so far are logged already; the one being made is gone.
        failed = true;
        TellOutOfMemory(ctx);
    }

    if (openFolder)
        openFolder(QFileInfo(cmd.m_strOutputDir).absoluteFilePath());
    std::fputs("end", stdout);
    std::fflush(stdout);
    return failed ? 1 : 0;
}

std::optional<int> BatchMain(int argc, char* argv[]) {
    StderrMessageSink sink;
    AppContext ctx;
    ctx.interactive = false;
    ctx.messages = &sink;
    bool desktop = false, batch = false;
    try {
        QStringList args;
        for (int i = 1; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        CKEVCommandLineInfo cmd;
        cmd.Parse(args);
        desktop = HaveDisplay();
        switch (ClassifyCommandLine(cmd, desktop)) {
        case BatchStart::NotBatch:
            return std::nullopt;
        case BatchStart::UsageError:
            std::fputs(qPrintable(BatchUsage()), stderr);
            return 2;
        case BatchStart::Run:
            break;
        }
        batch = true;

        // Reports are drawn with fonts and pictures, which need the GUI part
        // of Qt, but never a window: the offscreen platform whatever the session.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        RegisterFontSubstitutions();
        QGuiApplication::setApplicationName(QStringLiteral("KEV_DUX"));

        LanguageFiles& lang = LanguageFiles::instance();
        lang.SetBuiltinStrings(res::BuiltinStrings());
        lang.LoadLanguageSetting();
        ctx.english = lang.IsEnglish();
        // The run's pictures go however the run ends.
        const RunTempFolder temp;
        if (temp.dir().isEmpty()) {
            // Every report draws its pictures there: none could be written.
            // The folder named is "Temp" or the run's in it, whatever level above failed.
            const QString root = joinPath(stateDir(), QStringLiteral("Temp"));
            const QString failedAt = temp.problem().path;
            const QString folder = QDir::toNativeSeparators(failedAt.startsWith(root) ? failedAt : root);
            ctx.message(
                QStringLiteral("临时文件夹【%1】无法建立：%2，报告无法生成。")
                    .arg(folder, temp.problem().Cause(false)),
                QStringLiteral("The temporary folder [%1] cannot be made: %2, so no report can be made.")
                    .arg(folder, temp.problem().Cause(true)),
                QString(), QString(), MB_OK | MB_ICONERROR);
            std::fputs("end", stdout);
            std::fflush(stdout);
            return 1;
        }

        OfficeWordExport word(&ctx, nullptr);
        BuilderReportWriter writer(&word);
        auto openFolder = [desktop](const QString& folder) {
            if (desktop)
                QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
        };
        return RunBatchReports(cmd, ctx, writer, openFolder);
    } catch (const std::bad_alloc&) {
        if (!batch) {
            std::fputs("KEV_DUX: out of memory.\n", stderr);
            return 1;
        }
        // While the run starts (the application, the language, the temporary
        // folder) as while it writes: told, "end" last.
        TellOutOfMemory(ctx);
        std::fputs("end", stdout);
        std::fflush(stdout);
        return 1;
    }
}

} // namespace pit
