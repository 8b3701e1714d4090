#include "batch/BatchMain.h"

#include "batch/BatchReportHelper.h"
#include "batch/BatchReports.h"
#include "batch/BuilderReportWriter.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "core/doc/LanguageFiles.h"
#include "office/OfficeWordExport.h"
#include "platform/AppContext.h"
#include "platform/FontSetup.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"
#include "res/StringTable.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <clocale>
#include <cstdio>
#include <cstdlib>

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
        ctx.message(QStringLiteral("无法读取列表文件【%1】。").arg(shown),
                    QStringLiteral("Cannot read the list file [%1].").arg(shown), QString(), QString(),
                    MB_OK | MB_ICONERROR);
    }

    CBatchReportHelper helper;
    BatchJob job;
    job.kind = cmd.BatchKind();
    job.paths = paths;
    job.outputDir = cmd.m_strOutputDir;
    const BatchOutcome outcome = GenerateBatchReports(ctx, helper, job, writer);
    failed = failed || outcome.failed;

    if (openFolder)
        openFolder(QFileInfo(cmd.m_strOutputDir).absoluteFilePath());
    std::fputs("end", stdout);
    std::fflush(stdout);
    return failed ? 1 : 0;
}

std::optional<int> BatchMain(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    CKEVCommandLineInfo cmd;
    cmd.Parse(args);
    const bool desktop = HaveDisplay();
    switch (ClassifyCommandLine(cmd, desktop)) {
    case BatchStart::NotBatch:
        return std::nullopt;
    case BatchStart::UsageError:
        std::fputs(qPrintable(BatchUsage()), stderr);
        return 2;
    case BatchStart::Run:
        break;
    }

    // Reports are drawn with fonts and pictures, which need the GUI part of
    // Qt, but never a window: the offscreen platform whatever the session.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    RegisterFontSubstitutions();
    QGuiApplication::setApplicationName(QStringLiteral("KEV_DUX"));

    const QString session = EnsureTempFolder();
    LanguageFiles& lang = LanguageFiles::instance();
    lang.SetBuiltinStrings(res::BuiltinStrings());
    lang.LoadLanguageSetting();
    StderrMessageSink sink;
    AppContext ctx;
    ctx.english = lang.IsEnglish();
    ctx.interactive = false;
    ctx.messages = &sink;

    OfficeWordExport word(&ctx, nullptr);
    BuilderReportWriter writer(&word);
    auto openFolder = [desktop](const QString& folder) {
        if (desktop)
            QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
    };
    const int status = RunBatchReports(cmd, ctx, writer, openFolder);
    ClearTempFolder(session);
    return status;
}

} // namespace pit
