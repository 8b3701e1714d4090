// One document per project through a fake writer: which reports, with which
// files and names, and what the record log says of each pile.
#include "batch/BatchReports.h"
#include "batch/AnalysisLog.h"
#include "batch/BatchMain.h"
#include "batch/BatchReportHelper.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>

using namespace pit;
using namespace pit::test;

namespace {

// Writes a small file for each report unless told to fail (or to claim success without one).
struct FakeWriter : BatchReportWriter {
    std::vector<Report> reports;
    std::vector<std::array<QString, 3>> projects;    // project name, testing unit, tester of each report
    QStringList failFor;                             // file names of reports that fail
    QStringList claimOnly;                           // file names reported written but never made
    QStringList leaveOut;                            // files the document leaves out as unreadable
    int outOfMemoryAt = -1;                          // the report (0-based) that runs out of memory
    std::function<void(const Report&)> whileWriting; // runs as each document is written
    bool Write(CKEV_DUXDoc& doc, const Report& r, QString& error, QStringList& leftOut) override {
        if (int(reports.size()) == outOfMemoryAt)
            throw std::bad_alloc();
        reports.push_back(r);
        const auto& t = doc.m_ProjectInfo.m_texts;
        projects.push_back({t[0], t[2], t[4]});
        for (const QString& f : r.files)
            if (leaveOut.contains(f))
                leftOut << f;
        const QString name = QFileInfo(r.documentName).fileName();
        if (failFor.contains(name)) {
            error = QStringLiteral("disk full");
            return false;
        }
        if (claimOnly.contains(name))
            return true;
        if (whileWriting)
            whileWriting(r);
        // As the document writer saves.
        try {
            writeFileAtomic(r.outputPath, "docx");
            return true;
        } catch (const FileError& e) {
            error = e.message(false);
            return false;
        }
    }
};

struct LoggedRecord {
    QString project, pile, original, analysisFile, analysisTime, fileType, instrument;
};

std::vector<LoggedRecord> readLog(const QString& path) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.toStdString().c_str()));
    std::vector<LoggedRecord> out;
    for (pugi::xml_node r : doc.child("ArrayOfRecord").children("Record"))
        out.push_back(
            {QString::fromUtf8(r.child_value("ProjectName")), QString::fromUtf8(r.child_value("PileName")),
             QString::fromUtf8(r.child_value("OriginalFile")),
             QString::fromUtf8(r.child_value("AnalysisFile")),
             QString::fromUtf8(r.child_value("AnalysisTime")), QString::fromUtf8(r.child_value("FileType")),
             QString::fromUtf8(r.child_value("InstrumentNo"))});
    return out;
}

struct BatchRun : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx = batchContext(&sink);
    FakeWriter writer;
    QString out, logPath;
    // Piles listed as: A1, B0 (not analysed), missing, A2, B1, C1 (project "a/b").
    QString a1, b0, missing, a2, b1, c1;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        const QString d = tmp.filePath(QStringLiteral("piles"));
        QDir().mkpath(d);
        a1 = writePile(d, "A1.DUX", "Pier", "A1", true);
        b0 = writePile(d, "B0.DUX", "Bridge", "B0", false);
        missing = d + QStringLiteral("/missing.DUX");
        a2 = writePile(d, "A2.DUX", "Pier", "A2", true);
        b1 = writePile(d, "B1.DUX", "Bridge", "B1", true);
        c1 = writePile(d, "C1.DUX", "a/b", "C1", true);
        out = tmp.filePath(QStringLiteral("out/reports"));
        logPath = tmp.filePath(QStringLiteral("Record.xml"));
    }
    BatchOutcome run(int kind, QStringList paths = {}) {
        CBatchReportHelper helper;
        BatchJob job;
        job.kind = kind;
        job.paths = paths.isEmpty() ? QStringList{a1, b0, missing, a2, b1, c1} : paths;
        job.outputDir = out;
        job.logPath = logPath;
        return GenerateBatchReports(ctx, helper, job, writer);
    }
    QString report(const char* name) const { return QDir(out).filePath(QString::fromUtf8(name)); }
};

} // namespace

TEST_F(BatchRun, OneDocumentPerProjectAndEveryPileLoggedUnderItsOwn) {
    for (int kind : {1, 2}) {
        SCOPED_TRACE(kind);
        writer.reports.clear();
        sink.shown.clear();
        QFile::remove(logPath);
        QDir(out).removeRecursively(); // the names are free again
        const BatchOutcome outcome = run(kind);

        // Bridge's last entry in its group (B0) is skipped: Bridge still gets its report.
        const QString pier = report("Pier_20240315093000.docx");
        const QString bridge = report("Bridge_20240315093000.docx");
        const QString ab = report("a_b_20240315093000.docx");
        ASSERT_EQ(writer.reports.size(), 3u);
        // Written under a hidden name beside it, named when whole.
        EXPECT_EQ(writer.reports[0].documentName, pier);
        EXPECT_EQ(writer.reports[0].outputPath, CBatchReportHelper::TemporaryDocumentPath(out, pier));
        EXPECT_EQ(writer.reports[0].files, (QStringList{a2, a1}));
        EXPECT_EQ(writer.reports[0].pileNumbers, (QStringList{"A2", "A1"}));
        EXPECT_EQ(writer.reports[1].documentName, bridge);
        EXPECT_EQ(writer.reports[1].files, QStringList{b1});
        EXPECT_EQ(writer.reports[2].documentName, ab);
        for (const auto& r : writer.reports) {
            EXPECT_EQ(r.kind, kind);
            EXPECT_FALSE(r.variantB);
        }
        EXPECT_EQ(outcome.written, (QStringList{pier, bridge, ab}));
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  (QStringList{"Bridge_20240315093000.docx", "Pier_20240315093000.docx",
                               "a_b_20240315093000.docx"}));
        EXPECT_TRUE(outcome.failed); // the missing file

        // The missing file is named, the pile without analysis noted.
        ASSERT_EQ(sink.shown.size(), 2u);
        EXPECT_TRUE(sink.shown[0].text.contains(b0));
        EXPECT_TRUE(sink.shown[1].text.contains(missing));

        const auto log = readLog(logPath);
        ASSERT_EQ(log.size(), 4u);
        const QString when = CBatchReportHelper::GetFileTimes(pier);
        EXPECT_EQ(log[0].pile, "A2");
        EXPECT_EQ(log[0].analysisFile, pier);
        EXPECT_EQ(log[0].analysisTime, when);
        EXPECT_EQ(log[1].pile, "A1");
        EXPECT_EQ(log[1].analysisFile, pier);
        EXPECT_EQ(log[2].pile, "B1");
        EXPECT_EQ(log[2].analysisFile, bridge);
        EXPECT_EQ(log[3].project, "a/b"); // the log keeps the real name
        EXPECT_EQ(log[3].analysisFile, ab);
        EXPECT_EQ(log[3].original, c1);
        for (const auto& r : log) {
            EXPECT_EQ(r.fileType, QString::number(kind));
            EXPECT_EQ(r.instrument, "KEV-DUX(W)");
        }
    }
}

TEST_F(BatchRun, AReportNotWrittenLeavesItsEntriesWithoutAReport) {
    writer.failFor = {"Bridge_20240315093000.docx"};
    writer.claimOnly = {"a_b_20240315093000.docx"};
    const BatchOutcome outcome = run(1, {a1, b1, c1});
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.written, QStringList{report("Pier_20240315093000.docx")});
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("disk full")));
    EXPECT_TRUE(sink.shown[1].text.contains(QStringLiteral("a_b_20240315093000.docx")));

    const auto log = readLog(logPath);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].analysisFile, report("Pier_20240315093000.docx"));
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(log[i].analysisFile, QString()) << i;
        EXPECT_EQ(log[i].analysisTime, QString()) << i;
        EXPECT_EQ(log[i].fileType, "1") << i;
    }
}

// Every hidden name the document is first written under is taken (by
// things of no run): the message names what is in the way, not the
// document, whose own name is free.
TEST_F(BatchRun, EveryHiddenNameTakenIsToldForWhatIsInTheWay) {
    const QString pier = report("Pier_20240315093000.docx");
    QDir().mkpath(out);
    for (int variant = 1; variant <= 100; ++variant)
        ASSERT_TRUE(QDir().mkdir(CBatchReportHelper::TemporaryDocumentPath(out, pier, variant)));
    const BatchOutcome outcome = run(1, {a1});
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.written.isEmpty());
    ASSERT_EQ(sink.shown.size(), 1u);
    const QString said = sink.shown[0].text;
    EXPECT_TRUE(said.contains(
        QStringLiteral("临时文件名【%1】").arg(CBatchReportHelper::TemporaryDocumentPath(out, pier))))
        << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("：该名称已被占用"))) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pier));
}

TEST_F(BatchRun, EveryReportWrittenIsSuccess) {
    const BatchOutcome outcome = run(2, {a1, b1, b0});
    EXPECT_FALSE(outcome.failed); // a pile without analysis is only noted
    EXPECT_EQ(outcome.written.size(), 2);
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(readLog(logPath).size(), 2u);
}

TEST_F(BatchRun, TheProjectReportVariantFollowsTheStoredFormat) {
    // The settings file the batch document reads: format 3, fixed English.
    {
        CKEV_DUXDoc doc(ctx);
        doc.m_PrintSettings.m_nProType = 3;
        ASSERT_TRUE(doc.SaveSettings());
        doc.SetWriteSettingsOnClose(false);
    }
    run(2, {a1});
    ASSERT_EQ(writer.reports.size(), 1u);
    EXPECT_FALSE(writer.reports[0].variantB); // a Chinese interface turns it into format 1

    writer.reports.clear();
    ctx.english = true;
    run(2, {a1});
    ASSERT_EQ(writer.reports.size(), 1u);
    EXPECT_TRUE(writer.reports[0].variantB);
    QFile::remove(CKEV_DUXDoc::DefaultFiles().settings);
}

TEST_F(BatchRun, AFolderThatCannotBeMadeIsToldAndTheReportsStillTried) {
    QFile plain(tmp.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    out = tmp.filePath(QStringLiteral("plain/out"));
    const BatchOutcome outcome = run(1, {a1});
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(writer.reports.empty()); // nowhere to make its document
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("创建目录【")));
    EXPECT_EQ(sink.shown[1].text, QStringLiteral("报告【%1】没有写成：路径中有一部分不是文件夹")
                                      .arg(QDir(out).filePath(QStringLiteral("Pier_20240315093000.docx"))));
    EXPECT_EQ(readLog(logPath).at(0).analysisFile, QString());
}

TEST_F(BatchRun, TheConsoleRunPrintsEndLastAndGivesTheStatus) {
    QFile list(tmp.filePath(QStringLiteral("list.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write((a1 + QStringLiteral("\r\n") + b1 + QStringLiteral("\r\n")).toUtf8());
    list.close();
    struct Case {
        QString listFile;
        int status;
    } cases[] = {{list.fileName(), 0}, {tmp.filePath(QStringLiteral("none.txt")), 1}};
    for (const Case& c : cases) {
        CKEVCommandLineInfo cmd;
        cmd.Parse({QStringLiteral("-report"), c.listFile, out});
        QString opened;
        testing::internal::CaptureStdout();
        const int status = RunBatchReports(cmd, ctx, writer, [&](const QString& f) { opened = f; });
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "end");
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(opened, out);
    }
    EXPECT_TRUE(sink.shown.back().text.contains(QStringLiteral("none.txt")));
}

TEST_F(BatchRun, EachGroupTakesItsOwnProjectWhateverTheWindowUsedLast) {
    // The window last worked on another project: its index holds that
    // project's texts and the settings file names it.
    const QString otherDir = tmp.filePath(QStringLiteral("binjiang"));
    QDir().mkpath(otherDir);
    const QString other = writePile(otherDir, "X1.DUX", "滨江大桥桩基检测", "X1", true);
    {
        CKEV_DUXDoc window(ctx);
        ASSERT_TRUE(window.OnOpenDocument(other));
        window.m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥桩基检测");
        window.m_ProjectInfo.m_texts[2] = QStringLiteral("滨江检测中心");
        window.m_ProjectInfo.m_texts[4] = QStringLiteral("王工");
        window.m_ProjectInfo.SaveProjectFile();
        ASSERT_TRUE(window.SaveSettings());
        window.SetWriteSettingsOnClose(false);
    }
    {
        CKEV_DUXDoc next(ctx);
        next.SetWriteSettingsOnClose(false);
        ASSERT_EQ(next.m_ProjectInfo.m_texts[0], QStringLiteral("滨江大桥桩基检测"));
    }

    // Harbour's folder has its index; the bare folder none.
    const QString harbourDir = tmp.filePath(QStringLiteral("harbour_pier"));
    const QString bareDir = tmp.filePath(QStringLiteral("bare"));
    QDir().mkpath(harbourDir);
    QDir().mkpath(bareDir);
    const QString h1 = writePile(harbourDir, "P8.DUX", "Harbour Pier Piling", "P8", true);
    const QString n1 = writePile(bareDir, "N1.DUX", "Bare", "N1", true);
    {
        CProjectInfo harbour;
        harbour.BuildDefault(harbourDir);
        harbour.m_texts[0] = QStringLiteral("Harbour Pier Piling");
        harbour.m_texts[2] = QStringLiteral("Harbour Lab");
        harbour.m_texts[4] = QStringLiteral("Li");
        harbour.SaveProjectFile();
    }
    for (int kind : {1, 2}) {
        SCOPED_TRACE(kind);
        writer.reports.clear();
        writer.projects.clear();
        const BatchOutcome outcome = run(kind, {h1, n1});
        EXPECT_FALSE(outcome.failed);
        ASSERT_EQ(writer.projects.size(), 2u);
        EXPECT_EQ(writer.projects[0], (std::array<QString, 3>{"Harbour Pier Piling", "Harbour Lab", "Li"}));
        EXPECT_EQ(writer.projects[1], (std::array<QString, 3>{"Bare", "", ""}));
    }
    EXPECT_TRUE(sink.shown.empty());
    QFile::remove(CKEV_DUXDoc::DefaultFiles().settings);
}

TEST_F(BatchRun, OutOfMemoryStopsTheRunKeepingWhatWasWrittenLogged) {
    QFile list(tmp.filePath(QStringLiteral("list.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write((QStringList{a1, b1, c1}.join(u'\n')).toUtf8());
    list.close();
    CKEVCommandLineInfo cmd;
    cmd.Parse({QStringLiteral("-report"), list.fileName(), out});
    // The console run logs where the program does.
    logPath = joinPath(stateDir(), QStringLiteral("Record.xml"));
    QFile::remove(logPath);
    writer.outOfMemoryAt = 1; // Bridge's document
    testing::internal::CaptureStdout();
    const int status = RunBatchReports(cmd, ctx, writer, {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "end");
    EXPECT_EQ(status, 1);
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_TRUE(sink.shown.back().text.startsWith(QStringLiteral("内存不足")))
        << sink.shown.back().text.toStdString();
    // Pier's document stays, logged; nothing of Bridge's lingers.
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"Pier_20240315093000.docx"});
    const auto log = readLog(logPath);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].pile, "A1");
    EXPECT_EQ(log[0].analysisFile, report("Pier_20240315093000.docx"));
}

TEST_F(BatchRun, OnlyRegularFilesAreReadAndEveryPathIsLoggedAbsolute) {
    const QString fifo = tmp.filePath(QStringLiteral("pipe.DUX"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = tmp.filePath(QStringLiteral("folder.DUX"));
    QDir().mkpath(folder);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.path()));
    const BatchOutcome outcome = run(1, {QStringLiteral("piles/../piles/A1.DUX"), fifo, folder});
    QDir::setCurrent(before);
    EXPECT_TRUE(outcome.failed);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("【%1】不是普通文件，已跳过。").arg(fifo));
    EXPECT_EQ(sink.shown[1].text, QStringLiteral("【%1】不是普通文件，已跳过。").arg(folder));
    const auto log = readLog(logPath);
    ASSERT_EQ(log.size(), 1u);
    // Like the document's name: absolute, whatever folder the run started in.
    EXPECT_EQ(log[0].original, a1);
    EXPECT_EQ(log[0].analysisFile, report("Pier_20240315093000.docx"));
}

// A list line holding a NUL byte is named whole on the console, the NUL
// shown as "\0", and left out; the other lines are reported.
TEST_F(BatchRun, AListLineWithANulIsShownWholeAndLeftOut) {
    const QByteArray line =
        QFile::encodeName(tmp.filePath(QStringLiteral("piles/A1"))) + QByteArray("\0x.DUX", 6);
    QFile list(tmp.filePath(QStringLiteral("list.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(line + "\r\n" + QFile::encodeName(a1) + "\r\n");
    list.close();
    CKEVCommandLineInfo cmd;
    cmd.Parse({QStringLiteral("-report"), list.fileName(), out});
    StderrMessageSink console;
    ctx.messages = &console;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = RunBatchReports(cmd, ctx, writer, {});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "end");
    EXPECT_EQ(status, 1);
    const std::string shown =
        (tmp.filePath(QStringLiteral("piles/A1")) + QStringLiteral("\\0x.DUX】含有空字符")).toStdString();
    EXPECT_NE(err.find(shown), std::string::npos) << err;
    EXPECT_EQ(err.find("Broken filename"), std::string::npos) << err;
    ASSERT_EQ(writer.reports.size(), 1u);
    EXPECT_EQ(writer.reports[0].files, QStringList{a1});
}

TEST_F(BatchRun, PilesTheDocumentLeavesOutAreNotLoggedAndFailTheRun) {
    writer.leaveOut = {a1};
    const BatchOutcome outcome = run(2, {a1, a2});
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.written, QStringList{report("Pier_20240315093000.docx")});
    const auto log = readLog(logPath);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].pile, "A2");
}

// A folder under the lock's name is said once in a run, not once a document.
TEST_F(BatchRun, ALockThatIsAFolderIsToldOnceARun) {
    ASSERT_TRUE(QDir().mkdir(logPath + QStringLiteral(".lock")));
    const BatchOutcome outcome = run(1, {a1, b1, c1});
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.written.size(), 3);
    int told = 0;
    for (const auto& shown : sink.shown)
        told += shown.text.contains(QStringLiteral("Record.xml.lock】是一个文件夹"));
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(QFileInfo::exists(logPath));
}

namespace {

bool present(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Removes what a case laid: a link as a link, never what it leads to.
void removeEntry(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        QDir(path).removeRecursively();
    else
        ::unlink(QFile::encodeName(path).constData());
}

bool link(const QString& target, const QString& at) {
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

// What may lie in the way of a run's own files: links at the names of a
// gone run's folder, of the run's own folder and of its hidden document
// (laid before the run, or while the document is written), a gone run's
// folder holding a link, the leftovers of a live run, of another process
// namespace and of another machine, a user's files of similar names. The
// targets of links stay as they were, what is not the run's stays, and only
// the leftovers of runs certainly gone go.
TEST_F(BatchRun, NothingInTheWayOfTheRunsFilesIsFollowedOrTakenOnlyItsOwnLeftoversGo) {
    const QString temp = tempRootDir();
    const QString victim = tmp.filePath(QStringLiteral("victim"));
    const QString victimFile = tmp.filePath(QStringLiteral("victim.txt"));
    ASSERT_TRUE(QDir().mkpath(victim + QStringLiteral("/sub")));
    ASSERT_TRUE(writeFile(victim + QStringLiteral("/notes.txt"), "notes"));
    ASSERT_TRUE(writeFile(victim + QStringLiteral("/sub/more.txt"), "more"));
    ASSERT_TRUE(writeFile(victimFile, "victim"));

    RunIdentity gone = ThisRun();
    gone.pid = GonePid();
    RunIdentity live = ThisRun();
    live.pid = ::getppid();
    live.started = ProcessStartTicks(live.pid);
    ASSERT_GT(live.started, 0);
    RunIdentity otherNamespace = gone;
    otherNamespace.pidNamespace += 1;
    RunIdentity otherMachine = gone;
    otherMachine.machine = QStringLiteral("0123456789ab");
    otherMachine.boot = QStringLiteral("ba9876543210");
    const QString own = RunTag();
    const auto inTemp = [&](const QString& name) { return QDir(temp).filePath(name); };
    const auto inOut = [&](const QString& name) { return QDir(out).filePath(name); };
    const auto hidden = [&](const QString& document, const QString& tag) {
        return inOut(u'.' + document + u'.' + tag + QStringLiteral(".part"));
    };
    const QString pier = QStringLiteral("Pier_20240315093000.docx");
    const QString earlier = QStringLiteral("Pier_20240101000000.docx");
    // A name too long for a hidden name of its own: its start and a digest.
    const QString longDoc = QString(220, u'桩').left(70) + QStringLiteral("_20240101000000.docx");
    const QString longHidden =
        inOut(u'.' + longDoc.left(20) + u'~' +
              QString::fromLatin1(
                  QCryptographicHash::hash(longDoc.toUtf8(), QCryptographicHash::Sha1).toHex().left(8)) +
              u'.' + gone.Tag() + QStringLiteral(".part"));

    struct Laid {
        QString path;
        bool stays;
    };
    const struct {
        const char* what;
        std::function<std::vector<Laid>()> lay;
        bool duringWrite; // a link to the file replaces the hidden document while it is written
    } cases[] = {
        {"a link to a folder at a gone run's folder",
         [&] {
             EXPECT_TRUE(link(victim, inTemp("run-" + gone.Tag())));
             return std::vector<Laid>{{inTemp("run-" + gone.Tag()), true}};
         },
         false},
        {"a link to a file at a gone run's folder",
         [&] {
             EXPECT_TRUE(link(victimFile, inTemp("run-" + gone.Tag() + "~2")));
             return std::vector<Laid>{{inTemp("run-" + gone.Tag() + "~2"), true}};
         },
         false},
        {"a link to a folder at the run's own folder",
         [&] {
             EXPECT_TRUE(link(victim, inTemp("run-" + own)));
             return std::vector<Laid>{{inTemp("run-" + own), true}};
         },
         false},
        {"a file at the run's own folder",
         [&] {
             EXPECT_TRUE(writeFile(inTemp("run-" + own), "mine"));
             return std::vector<Laid>{{inTemp("run-" + own), true}};
         },
         false},
        {"links to a file and to a folder at the hidden document's names",
         [&] {
             EXPECT_TRUE(link(victimFile, hidden(pier, own)));
             EXPECT_TRUE(link(victim, hidden(pier, own + "~2")));
             return std::vector<Laid>{{hidden(pier, own), true}, {hidden(pier, own + "~2"), true}};
         },
         false},
        {"a link laid at the hidden document's name while it is written", [] { return std::vector<Laid>{}; },
         true},
        {"a gone run's folder holding links, and its hidden document with the empty name it took",
         [&] {
             const QString folder = inTemp("run-" + gone.Tag());
             EXPECT_TRUE(QDir().mkpath(folder + "/deeper"));
             EXPECT_TRUE(link(victim, folder + "/pictures"));
             EXPECT_TRUE(link(victimFile, folder + "/deeper/wave.emf"));
             EXPECT_TRUE(writeFile(folder + "/deeper/curve.emf", "emf"));
             EXPECT_TRUE(writeFile(hidden(earlier, gone.Tag()), "PK cut short"));
             EXPECT_TRUE(writeFile(inOut(earlier), QByteArray()));
             EXPECT_TRUE(writeFile(longHidden, "PK cut short"));
             EXPECT_TRUE(writeFile(inOut(longDoc), QByteArray()));
             // A whole document of that name is no name a run took and left empty.
             EXPECT_TRUE(writeFile(hidden("Quay_20240101000000.docx", gone.Tag() + "~2"), "PK"));
             EXPECT_TRUE(writeFile(inOut("Quay_20240101000000.docx"), "PK whole"));
             return std::vector<Laid>{{folder, false},
                                      {hidden(earlier, gone.Tag()), false},
                                      {inOut(earlier), false},
                                      {longHidden, false},
                                      {inOut(longDoc), false},
                                      {hidden("Quay_20240101000000.docx", gone.Tag() + "~2"), false},
                                      {inOut("Quay_20240101000000.docx"), true}};
         },
         false},
        {"a live run's, another namespace's and another machine's",
         [&] {
             std::vector<Laid> laid;
             for (const RunIdentity* r : {&live, &otherNamespace, &otherMachine}) {
                 EXPECT_TRUE(QDir().mkpath(inTemp("run-" + r->Tag())));
                 EXPECT_TRUE(writeFile(hidden(earlier, r->Tag()), "PK"));
                 laid.push_back({inTemp("run-" + r->Tag()), true});
                 laid.push_back({hidden(earlier, r->Tag()), true});
             }
             EXPECT_TRUE(writeFile(inOut(earlier), QByteArray())); // may be theirs to fill
             laid.push_back({inOut(earlier), true});
             return laid;
         },
         false},
        {"a user's files of similar names",
         [&] {
             const QString budget = inOut(".budget.xlsx." + gone.Tag() + ".part");
             const QString fifo = hidden(earlier, gone.Tag());
             const QString linked = hidden("Quay_20240101000000.docx", gone.Tag());
             const QString older =
                 hidden(earlier, QString::number(gone.pid) + u'@' + QSysInfo::machineHostName());
             EXPECT_TRUE(writeFile(budget, "budget"));
             EXPECT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
             EXPECT_TRUE(link(victimFile, linked));
             EXPECT_TRUE(writeFile(older, "PK"));
             EXPECT_TRUE(writeFile(inTemp("run-" + gone.Tag() + "~3"), "a file"));
             return std::vector<Laid>{{budget, true},
                                      {fifo, true},
                                      {linked, true},
                                      {older, true},
                                      {inTemp("run-" + gone.Tag() + "~3"), true}};
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sink.shown.clear();
        writer.reports.clear();
        QDir().mkpath(out); // an existing folder: the leftovers of runs gone are cleared there
        const std::vector<Laid> laid = c.lay();
        writer.whileWriting = [&](const BatchReportWriter::Report& r) {
            if (!c.duringWrite)
                return;
            EXPECT_EQ(::unlink(QFile::encodeName(r.outputPath).constData()), 0);
            EXPECT_TRUE(link(victimFile, r.outputPath));
        };
        QString laidDuring;
        BatchOutcome outcome;
        {
            const RunTempFolder runFolder; // as the batch and the window start and end
            EXPECT_FALSE(runFolder.dir().isEmpty());
            EXPECT_TRUE(QFileInfo(runFolder.dir()).isDir() && !QFileInfo(runFolder.dir()).isSymLink());
            outcome = run(1, {a1});
            if (c.duringWrite && !writer.reports.empty())
                laidDuring = writer.reports[0].outputPath;
        }
        writer.whileWriting = nullptr;

        // The document: named when whole and its own, never through what was laid.
        EXPECT_EQ(outcome.written.isEmpty(), c.duringWrite);
        if (c.duringWrite) {
            EXPECT_TRUE(QFileInfo(laidDuring).isSymLink());
            EXPECT_FALSE(present(inOut(pier)));
            ASSERT_FALSE(sink.shown.empty());
            EXPECT_TRUE(sink.shown.back().text.contains(inOut(pier))) << sink.shown.back().text.toStdString();
        } else {
            EXPECT_EQ(readFileBytes(inOut(pier)), "docx");
            EXPECT_FALSE(QFileInfo(inOut(pier)).isSymLink());
        }
        for (const Laid& l : laid)
            EXPECT_EQ(present(l.path), l.stays) << l.path.toStdString();
        // Nothing else is left: no folder of this run, no hidden document.
        QStringList expectedOut, expectedTemp;
        for (const Laid& l : laid)
            if (l.stays)
                (QFileInfo(l.path).absolutePath() == QFileInfo(temp).absoluteFilePath() ? expectedTemp
                                                                                        : expectedOut)
                    << QFileInfo(l.path).fileName();
        if (!laidDuring.isEmpty())
            expectedOut << QFileInfo(laidDuring).fileName();
        if (!c.duringWrite)
            expectedOut << pier;
        const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        const auto sorted = [](QStringList l) {
            l.sort();
            return l;
        };
        EXPECT_EQ(sorted(QDir(out).entryList(all)), sorted(expectedOut));
        EXPECT_EQ(sorted(QDir(temp).entryList(all)), sorted(expectedTemp));
        // What the links lead to is as it was.
        EXPECT_EQ(readFileBytes(victimFile), "victim");
        EXPECT_EQ(readFileBytes(victim + QStringLiteral("/notes.txt")), "notes");
        EXPECT_EQ(readFileBytes(victim + QStringLiteral("/sub/more.txt")), "more");
        EXPECT_EQ(QDir(victim).entryList(all, QDir::Name), (QStringList{"notes.txt", "sub"}));

        for (const QString& name : QDir(temp).entryList(all))
            removeEntry(inTemp(name));
        for (const QString& name : QDir(out).entryList(all))
            removeEntry(inOut(name));
    }
}
