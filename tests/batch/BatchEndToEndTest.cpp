// The built program run as a user runs it: no display, a home folder of its
// own, a copy of the sample project; the documents read back by LibreOffice.
#include "batch/AnalysisLog.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProjectInfo.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/OfficeCheck.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <signal.h>
#include <unistd.h>

using namespace pit;
using namespace pit::test;

namespace {

struct ProgramRun {
    int status = -1;
    QByteArray out, err;
};

QProcessEnvironment programEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("KEV_DUX_HOME"), home);
    return env;
}

ProgramRun finish(QProcess& p) {
    ProgramRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// KEV_DUX with args, without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, KEV_DUX_HOME at home.
ProgramRun runProgram(const QStringList& args, const QString& home) {
    QProcess p;
    p.setProcessEnvironment(programEnvironment(home));
    p.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), args);
    return finish(p);
}

// A program of the build run by a user whom file permissions bind: root
// runs it as "nobody" (root itself writes any file).
ProgramRun runAsUser(const QString& program, const QStringList& args, const QString& home) {
    QProcess p;
    QProcessEnvironment env = programEnvironment(home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    if (::geteuid() == 0)
        p.start(QStringLiteral("runuser"),
                QStringList{"-u", "nobody", "--", QStringLiteral(PIT_BIN_DIR "/") + program} + args);
    else
        p.start(QStringLiteral(PIT_BIN_DIR "/") + program, args);
    return finish(p);
}

// The whole text python-docx reads of a document: paragraphs and table cells.
QString docxText(const QString& docx) {
    return QString::fromUtf8(QJsonDocument(ReadDocx(docx)).toJson(QJsonDocument::Compact));
}

struct Pile {
    QString path, project, pileNo;
    bool analysed = false;
};

struct LogRecord {
    QString pile, original, report;
};

std::vector<LogRecord> readLog(const QString& path) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.toStdString().c_str())) << path.toStdString();
    std::vector<LogRecord> out;
    for (pugi::xml_node r : doc.child("ArrayOfRecord").children("Record"))
        out.push_back({QString::fromUtf8(r.child_value("PileName")),
                       QString::fromUtf8(r.child_value("OriginalFile")),
                       QString::fromUtf8(r.child_value("AnalysisFile"))});
    return out;
}

// The documents of a folder by the project part of their names ("<project>_<stamp>.docx").
std::map<QString, QString> documentsByProject(const QString& folder) {
    static const QRegularExpression name(QStringLiteral("^(.*)_(\\d{14})\\.docx$"));
    std::map<QString, QString> out;
    for (const QFileInfo& fi : QDir(folder).entryInfoList({QStringLiteral("*.docx")}, QDir::Files)) {
        const auto m = name.match(fi.fileName());
        EXPECT_TRUE(m.hasMatch()) << fi.fileName().toStdString();
        out[m.captured(1)] = fi.absoluteFilePath();
    }
    return out;
}

// The project as part of a file name.
QString namePart(QString project) {
    return project.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("_"));
}

struct BatchEndToEnd : ::testing::Test {
    QTemporaryDir tmp;
    QString home, piles;
    std::vector<Pile> samples;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        home = tmp.filePath(QStringLiteral("home"));
        piles = tmp.filePath(QStringLiteral("demo_project"));
        QDir().mkpath(home);
        QDir().mkpath(piles);
        // The templates come from the home folder when KEV_DUX_HOME is set.
        const QDir bin(QStringLiteral(PIT_BIN_DIR));
        for (const QString& t : bin.entryList({QStringLiteral("*.dotx")}, QDir::Files))
            ASSERT_TRUE(QFile::copy(bin.filePath(t), QDir(home).filePath(t)));
        const QDir from(QStringLiteral(PIT_SAMPLES_DIR));
        for (const QString& name : from.entryList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name)) {
            const QString copy = QDir(piles).filePath(name);
            ASSERT_TRUE(QFile::copy(from.filePath(name), copy));
            QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner);
            samples.push_back(readPile(copy));
        }
        ASSERT_FALSE(samples.empty());
    }
    static Pile readPile(const QString& path) {
        CPileRecord r;
        EXPECT_TRUE(r.ReadFile(path));
        return {path, r.m_strProject.trimmed(), r.m_strPileNo, r.m_bFixedParam != 0};
    }
    QString writeList(const QStringList& paths) const {
        const QString list = tmp.filePath(QStringLiteral("list.txt"));
        QFile f(list);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (const QString& p : paths)
            f.write(p.toUtf8() + "\r\n");
        return list;
    }
    QStringList samplePaths() const {
        QStringList out;
        for (const Pile& p : samples)
            out << p.path;
        return out;
    }
    // Every sample saved with its analysis; the files of the first one's project.
    QStringList analyseFirstProject() const {
        QStringList out;
        for (const Pile& p : samples) {
            CPileRecord r;
            EXPECT_TRUE(r.ReadFile(p.path));
            r.SaveAnalysis();
            if (p.project == samples.front().project)
                out << p.path;
        }
        return out;
    }
    // The analysed piles by the file-name part of their project.
    std::map<QString, std::vector<Pile>> expectedDocuments() const {
        std::map<QString, std::vector<Pile>> out;
        for (const Pile& p : samples)
            if (p.analysed)
                out[namePart(p.project)].push_back(p);
        return out;
    }
};

} // namespace

TEST_F(BatchEndToEnd, SingleThenProjectReportsOfTheSampleProject) {
    // 1. Single-pile reports of the piles saved with their analysis: a page each.
    const QString out1 = tmp.filePath(QStringLiteral("out1"));
    const ProgramRun first = runProgram({QStringLiteral("-report"), writeList(samplePaths()), out1}, home);
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, "end");

    auto expected = expectedDocuments();
    ASSERT_FALSE(expected.empty()) << "the samples hold no pile saved with its analysis";
    auto docs = documentsByProject(out1);
    ASSERT_EQ(docs.size(), expected.size());
    QStringList all;
    for (const auto& [project, doc] : docs) {
        ASSERT_TRUE(expected.count(project)) << project.toStdString();
        all << doc;
    }
    auto pdfs = RenderToPdf(all);
    size_t analysed = 0;
    for (const auto& [project, doc] : docs) {
        const PdfText& pdf = pdfs[doc];
        ASSERT_TRUE(pdf.error.isEmpty()) << pdf.error.toStdString();
        EXPECT_EQ(size_t(pdf.pages), expected[project].size()) << project.toStdString();
        for (const Pile& p : expected[project])
            EXPECT_TRUE(Squeezed(pdf.pageTexts.join(QString())).contains(Squeezed(p.pileNo)))
                << p.pileNo.toStdString();
        analysed += expected[project].size();
    }
    const QString logPath = QDir(home).filePath(QStringLiteral("Record.xml"));
    const auto log1 = readLog(logPath);
    ASSERT_EQ(log1.size(), analysed);
    for (const LogRecord& r : log1) {
        const Pile p = readPile(r.original);
        EXPECT_EQ(r.pile, p.pileNo);
        EXPECT_EQ(r.report, docs[namePart(p.project)]) << r.pile.toStdString();
    }

    // 2. Every pile saved with its analysis, and a missing file listed: one
    // project report per project, 5 x 1 piles a page.
    for (const Pile& p : samples) {
        CPileRecord r;
        ASSERT_TRUE(r.ReadFile(p.path));
        r.SaveAnalysis();
    }
    samples.clear();
    for (const QFileInfo& fi : QDir(piles).entryInfoList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name))
        samples.push_back(readPile(fi.absoluteFilePath()));
    const QString missing = QDir(piles).filePath(QStringLiteral("missing.DUX"));
    const QString out2 = tmp.filePath(QStringLiteral("out2"));
    const ProgramRun second =
        runProgram({QStringLiteral("-projectreport"), writeList(samplePaths() << missing), out2}, home);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.out, "end");
    EXPECT_TRUE(second.err.contains(missing.toUtf8())) << second.err.toStdString();

    expected = expectedDocuments();
    docs = documentsByProject(out2);
    ASSERT_EQ(docs.size(), expected.size());
    bool unnamed = false;
    all.clear();
    for (const auto& [project, doc] : docs) {
        ASSERT_TRUE(expected.count(project)) << project.toStdString();
        unnamed = unnamed || project.isEmpty();
        all << doc;
    }
    EXPECT_TRUE(unnamed) << "the samples were to hold piles without a project name";
    pdfs = RenderToPdf(all);
    for (const auto& [project, doc] : docs) {
        ASSERT_TRUE(pdfs[doc].error.isEmpty()) << pdfs[doc].error.toStdString();
        EXPECT_EQ(size_t(pdfs[doc].pages), (expected[project].size() + 4) / 5) << project.toStdString();
    }
    const auto log2 = readLog(logPath);
    ASSERT_EQ(log2.size(), log1.size() + samples.size());
    for (size_t i = 0; i < log1.size(); ++i)
        EXPECT_EQ(log2[i].original, log1[i].original);
    for (size_t i = log1.size(); i < log2.size(); ++i)
        EXPECT_EQ(log2[i].report, docs[namePart(readPile(log2[i].original).project)])
            << log2[i].pile.toStdString();
}

TEST_F(BatchEndToEnd, AFlagWithoutItsOutputFolderIsAUsageErrorWithoutADisplay) {
    const ProgramRun r = runProgram({QStringLiteral("-report"), writeList(samplePaths())}, home);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("Usage: KEV_DUX -report|-projectreport LIST_FILE OUTPUT_FOLDER"))
        << r.err.data();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(home).filePath(QStringLiteral("Record.xml"))));
}

TEST_F(BatchEndToEnd, HelpListsTheBatchModeAndItsExitStatuses) {
    QProcess p;
    p.setProcessEnvironment(programEnvironment(home));
    p.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), {QStringLiteral("--help")});
    const ProgramRun r = finish(p);
    EXPECT_EQ(r.status, 0);
    for (const char* part :
         {"KEV_DUX [FILE.DUX]", "-report LIST_FILE OUTPUT_FOLDER", "-projectreport LIST_FILE OUTPUT_FOLDER",
          "Record.xml", "Exit status", "  0  every report was written", "  2  usage error"})
        EXPECT_TRUE(r.out.contains(part)) << part << "\n" << r.out.toStdString();
}

TEST_F(BatchEndToEnd, EachDocumentCarriesItsOwnProjectNotTheWindowsLast) {
    // The window was last used on another project, its texts typed and saved.
    const QString other = tmp.filePath(QStringLiteral("binjiang"));
    QDir().mkpath(other);
    const QString x1 = writePile(other, "X1.DUX", QStringLiteral("滨江大桥桩基检测"), "X1", true);
    {
        ScriptedMessageSink sink;
        AppContext ctx;
        ctx.messages = &sink;
        CKEV_DUXDoc window(ctx, {QDir(home).filePath(QStringLiteral("DuxConfig.xml")),
                                 QDir(home).filePath(QStringLiteral("VADUZI_PROINFO.ini"))});
        ASSERT_TRUE(window.OnOpenDocument(x1));
        window.m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥桩基检测");
        window.m_ProjectInfo.m_texts[2] = QStringLiteral("滨江检测中心");
        window.m_ProjectInfo.m_texts[4] = QStringLiteral("王工程师");
        window.m_ProjectInfo.SaveProjectFile();
        window.m_PrintSettings.m_bHeadInfo[9] = 1; // the project report's heading names the project
        window.SetWriteSettingsOnClose(false);
        ASSERT_TRUE(window.SaveSettings());
    }
    // The harbour project, with its own texts in its index.
    const QString harbour = tmp.filePath(QStringLiteral("harbour_pier"));
    ASSERT_TRUE(copyPileFiles(QStringLiteral(PIT_SAMPLES_DIR "/../harbour_pier"), harbour));
    QStringList piles;
    for (const QFileInfo& fi :
         QDir(harbour).entryInfoList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name)) {
        QFile::setPermissions(fi.absoluteFilePath(), fi.permissions() | QFileDevice::WriteOwner);
        CPileRecord r;
        ASSERT_TRUE(r.ReadFile(fi.absoluteFilePath()));
        r.SaveAnalysis();
        piles << fi.absoluteFilePath();
    }
    const QString project = readPile(piles.first()).project;
    {
        CProjectInfo index;
        index.BuildDefault(harbour);
        index.m_texts[0] = project;
        index.m_texts[2] = QStringLiteral("Harbour Testing Lab");
        index.m_texts[4] = QStringLiteral("Li Ming");
        index.SaveProjectFile();
    }
    for (const char* mode : {"-report", "-projectreport"}) {
        SCOPED_TRACE(mode);
        const QString out = tmp.filePath(QString::fromLatin1(mode).mid(1));
        const ProgramRun r = runProgram({QString::fromLatin1(mode), writeList(piles), out}, home);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        const auto docs = documentsByProject(out);
        ASSERT_EQ(docs.size(), 1u);
        EXPECT_EQ(docs.begin()->first, namePart(project));
        const QString text = docxText(docs.begin()->second);
        EXPECT_TRUE(text.contains(project)) << text.toStdString();
        if (QString::fromLatin1(mode) == QStringLiteral("-report")) {
            // The single-pile page shows the testing unit and the tester.
            EXPECT_TRUE(text.contains(QStringLiteral("Harbour Testing Lab"))) << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("Li Ming"))) << text.toStdString();
        }
        for (const QString& leak : {QStringLiteral("滨江"), QStringLiteral("王工程师")})
            EXPECT_FALSE(text.contains(leak)) << leak.toStdString();
    }
}

TEST_F(BatchEndToEnd, TwoRunsStartedTogetherWriteTwoDocumentsBothLogged) {
    const QStringList analysed = analyseFirstProject();
    const QString list = writeList(analysed);
    const QString out = tmp.filePath(QStringLiteral("together"));
    QProcess first, second;
    for (QProcess* p : {&first, &second}) {
        p->setProcessEnvironment(programEnvironment(home));
        p->start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), {QStringLiteral("-projectreport"), list, out});
    }
    const ProgramRun a = finish(first), b = finish(second);
    EXPECT_EQ(a.status, 0) << a.err.toStdString();
    EXPECT_EQ(b.status, 0) << b.err.toStdString();

    const QFileInfoList docs = QDir(out).entryInfoList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name);
    ASSERT_EQ(docs.size(), 2) << "one run's document replaced the other's";
    for (const QFileInfo& d : docs) {
        EXPECT_GT(d.size(), 0) << d.fileName().toStdString();
        EXPECT_FALSE(ReadDocx(d.absoluteFilePath()).contains(QStringLiteral("error")))
            << d.fileName().toStdString();
    }
    // Every pile logged twice, once under each document.
    const auto log = readLog(QDir(home).filePath(QStringLiteral("Record.xml")));
    ASSERT_EQ(log.size(), size_t(2 * analysed.size()));
    std::map<QString, int> perDocument;
    for (const LogRecord& r : log)
        ++perDocument[r.report];
    ASSERT_EQ(perDocument.size(), 2u);
    for (const QFileInfo& d : docs)
        EXPECT_EQ(perDocument[d.absoluteFilePath()], analysed.size()) << d.fileName().toStdString();
}

TEST_F(BatchEndToEnd, ControlCharactersInPileTextsLeaveEveryFileReadable) {
    // Texts pasted from elsewhere: U+0001, ESC and a vertical tab.
    const QString pasted = tmp.filePath(QStringLiteral("pasted"));
    QDir().mkpath(pasted);
    const QString project = QStringLiteral("滨江") + QChar(0x1B) + QStringLiteral("[1m大桥") + QChar(0x01);
    const QString pile =
        writePile(pasted, "Z7.DUX", project,
                  QStringLiteral("ZK") + QChar(0x01) + QStringLiteral("7") + QChar(0x0B), true);
    const QString out = tmp.filePath(QStringLiteral("pasted_out"));
    QStringList written;
    for (const char* mode : {"-report", "-projectreport"}) {
        const ProgramRun r = runProgram({QString::fromLatin1(mode), writeList({pile}), out}, home);
        EXPECT_EQ(r.status, 0) << mode << r.err.toStdString();
    }
    for (const QFileInfo& fi : QDir(out).entryInfoList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name)) {
        // No control character in the name either.
        EXPECT_TRUE(fi.fileName().startsWith(QStringLiteral("滨江_[1m大桥__")))
            << fi.fileName().toStdString();
        const QJsonObject read = ReadDocx(fi.absoluteFilePath());
        EXPECT_FALSE(read.contains(QStringLiteral("error")))
            << read[QStringLiteral("error")].toString().toStdString();
        const QString text = docxText(fi.absoluteFilePath());
        EXPECT_TRUE(text.contains(QStringLiteral("ZK7"))) << text.toStdString();
        // The single-pile page names the project (the project report only with its heading on).
        if (written.isEmpty())
            EXPECT_TRUE(text.contains(QStringLiteral("滨江[1m大桥"))) << text.toStdString();
        written << fi.absoluteFilePath();
    }
    ASSERT_EQ(written.size(), 2);
    auto pdfs = RenderToPdf(written);
    for (const QString& doc : written) {
        EXPECT_TRUE(pdfs[doc].error.isEmpty()) << pdfs[doc].error.toStdString();
        EXPECT_GE(pdfs[doc].pages, 1);
    }
    // The record log through Python's own XML parser.
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import sys, xml.etree.ElementTree as E\n"
                             "r = E.parse(sys.argv[1]).getroot()\n"
                             "print(len(r.findall('Record')), r.find('Record/PileName').text)"),
              QDir(home).filePath(QStringLiteral("Record.xml"))});
    ASSERT_TRUE(py.waitForFinished(30000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(py.readAllStandardOutput()).trimmed(), QStringLiteral("2 ZK7"));
}

TEST_F(BatchEndToEnd, AProjectReportWithATruncatedPileNamesItAndFails) {
    const QStringList listed = analyseFirstProject();
    ASSERT_GE(listed.size(), 2);
    const QString cut = listed.back();
    const QString cutPile = readPile(cut).pileNo;
    {
        QFile f(cut);
        ASSERT_TRUE(f.resize(f.size() - 2000)); // into its last wave
    }
    const QString out = tmp.filePath(QStringLiteral("cut"));
    const ProgramRun r = runProgram({QStringLiteral("-projectreport"), writeList(listed), out}, home);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "end");
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(cut)) << r.err.toStdString();

    const auto docs = documentsByProject(out);
    ASSERT_EQ(docs.size(), 1u);
    const QString text = docxText(docs.begin()->second);
    EXPECT_FALSE(text.contains(cutPile)) << cutPile.toStdString();
    const auto log = readLog(QDir(home).filePath(QStringLiteral("Record.xml")));
    EXPECT_EQ(log.size(), size_t(listed.size() - 1));
    for (const LogRecord& rec : log)
        EXPECT_NE(rec.original, cut);
}

// A listed pile whose sample interval no instrument records: named with
// the interval, not reported, the run's status 1; the others reported.
TEST_F(BatchEndToEnd, APileWithAnImpossibleSampleIntervalIsNamedAndNotReported) {
    const QString dir = tmp.filePath(QStringLiteral("intervals"));
    QDir().mkpath(dir);
    const QString good = writePile(dir, "A1.DUX", QStringLiteral("Pier"), "A1", true);
    DuxAnalysis a;
    a.project = QStringLiteral("Bridge");
    a.pileNo = QStringLiteral("B1");
    a.channels = {DuxChannel{}};
    a.averages = {DuxChannel{}};
    const QString bad = DuxBuilder::paramBlock("VADUZI", 1042)
                            .channels(1, 1024)
                            .sampleInterval(-20)
                            .analysis(a)
                            .writeTo(dir, QStringLiteral("B1.DUX"));
    const QString out = tmp.filePath(QStringLiteral("intervals_out"));
    const ProgramRun r = runProgram({QStringLiteral("-report"), writeList({good, bad}), out}, home);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "end");
    const QString err = QString::fromUtf8(r.err);
    EXPECT_TRUE(err.contains(bad)) << r.err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("采样间隔 -20 µs"))) << r.err.toStdString();
    const auto docs = documentsByProject(out);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs.begin()->first, QStringLiteral("Pier"));
    const auto log = readLog(QDir(home).filePath(QStringLiteral("Record.xml")));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].original, good);
}

// A list file or a record log that is no regular file (a pipe, a device, a
// link to one) is refused by name at once: no endless read, no wait for a
// writer, no lock file left behind.
TEST_F(BatchEndToEnd, AListFileOrRecordLogThatIsNoRegularFileIsRefusedByName) {
    const QString dir = tmp.filePath(QStringLiteral("special"));
    QDir().mkpath(dir);
    const QString list = writeList({writePile(dir, "A1.DUX", QStringLiteral("Pier"), "A1", true)});
    const QString log = QDir(home).filePath(QStringLiteral("Record.xml"));
    const QString pipe = tmp.filePath(QStringLiteral("list.pipe"));
    const QString zero = QStringLiteral("/dev/zero");
    const struct {
        const char* name;
        QString listFile;
        std::function<bool()> make;
        QString said;
    } cases[] = {
        {"the list file is /dev/zero", zero, [] { return true; },
         QStringLiteral("无法读取列表文件【%1】：不是普通文件。").arg(zero)},
        {"the list file is a pipe", pipe, [&] { return MakeFifo(pipe); },
         QStringLiteral("无法读取列表文件【%1】：不是普通文件。").arg(pipe)},
        {"the record log is a pipe", list, [&] { return MakeFifo(log); },
         QStringLiteral("记录文件【%1】不是普通文件，本次记录未写入，请删除它。").arg(log)},
        {"the record log links to /dev/zero", list, [&] { return QFile::link(zero, log); },
         QStringLiteral("记录文件【%1】不是普通文件，本次记录未写入，请删除它。").arg(log)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.make());
        QProcess p;
        p.setProcessEnvironment(programEnvironment(home));
        p.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"),
                {QStringLiteral("-report"), c.listFile, tmp.filePath(QStringLiteral("special_out"))});
        const bool ended = p.waitForFinished(60000);
        if (!ended) {
            p.kill();
            p.waitForFinished();
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_EQ(p.readAllStandardOutput(), "end");
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_TRUE(err.contains(c.said)) << err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(log + QStringLiteral(".lock")));
        QFile::remove(log);
        QFile::remove(pipe);
    }
}

// A run killed (SIGKILL) in the middle of its second project leaves no
// document cut short under a document's name; the next run clears the
// folder and the temporary documents of the killed run (not those of a run
// still going) and writes its own.
TEST_F(BatchEndToEnd, AKilledRunLeavesNoDocumentCutShortAndTheNextRunClearsWhatItLeft) {
    const QStringList first = analyseFirstProject();
    QStringList second;
    for (const Pile& p : samples)
        if (p.project != samples.front().project)
            second << p.path;
    ASSERT_FALSE(second.isEmpty());
    QStringList listed = first;
    for (int i = 0; i < 150; ++i)
        listed << second; // long enough to be killed in
    const QString out = tmp.filePath(QStringLiteral("killed"));

    QProcess run;
    run.setProcessEnvironment(programEnvironment(home));
    run.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), {QStringLiteral("-report"), writeList(listed), out});
    ASSERT_TRUE(run.waitForStarted());
    const qint64 killed = run.processId();
    // Killed once the first project's document has its name.
    QElapsedTimer waited;
    waited.start();
    while (QDir(out).entryList({QStringLiteral("*.docx")}, QDir::Files).isEmpty() &&
           waited.elapsed() < 60000 && run.state() == QProcess::Running)
        QThread::msleep(10);
    ASSERT_EQ(run.state(), QProcess::Running) << "the run ended before it could be killed";
    ::kill(pid_t(killed), SIGKILL);
    ASSERT_TRUE(run.waitForFinished());

    // Only the first document, whole; no name taken by the document cut short.
    const QFileInfoList docs = QDir(out).entryInfoList({QStringLiteral("*.docx")}, QDir::Files);
    ASSERT_EQ(docs.size(), 1);
    EXPECT_TRUE(ReadDocx(docs[0].absoluteFilePath())[QStringLiteral("error")].toString().isEmpty());
    // The killed run's folder, named by its tag.
    const QString temp = QDir(home).filePath(QStringLiteral("Temp"));
    const QStringList killedFolders =
        QDir(temp).entryList({u"run-%1-*"_qs.arg(killed)}, QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(killedFolders.size(), 1);
    const QString killedTag = killedFolders[0].mid(4);
    EXPECT_TRUE(RunIsGone(killedTag));
    // What a run killed while saving leaves beside the documents, and the
    // folders and documents of a run still going (this test's process).
    const QString liveTag = RunTag();
    const QString hiddenKilled = QDir(out).filePath(u".X_20240315093000.docx."_qs + killedTag + u".part"_qs);
    const QString hiddenLive = QDir(out).filePath(u".X_20240315093000.docx."_qs + liveTag + u".part"_qs);
    const QString liveFolder = QDir(temp).filePath(u"run-"_qs + liveTag);
    for (const QString& f : {hiddenKilled, hiddenLive}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("PK cut short");
    }
    ASSERT_TRUE(QDir().mkpath(liveFolder));

    const ProgramRun next = runProgram({QStringLiteral("-report"), writeList(first), out}, home);
    EXPECT_EQ(next.status, 0) << next.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(temp).filePath(u"run-"_qs + killedTag)));
    EXPECT_FALSE(QFileInfo::exists(hiddenKilled));
    EXPECT_TRUE(QFileInfo::exists(hiddenLive));
    EXPECT_TRUE(QFileInfo(liveFolder).isDir());
    EXPECT_EQ(QDir(temp).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{u"run-"_qs + liveTag});
    EXPECT_EQ(QDir(out).entryList({QStringLiteral("*.docx")}, QDir::Files).size(), 2);
    QDir(liveFolder).removeRecursively();
}

// File permissions that bind the user running the program.
struct AsAnotherUser : BatchEndToEnd {
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(BatchEndToEnd::SetUp());
        if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            GTEST_SKIP() << "root writes any file, and runuser is missing";
        // The user may pass through the test's folder.
        QFile::setPermissions(tmp.path(), QFile::permissions(tmp.path()) | QFileDevice::ExeOther |
                                              QFileDevice::ReadOther);
    }
    static void openToAll(const QString& dir) {
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                       QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                       QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                       QFileDevice::WriteOther | QFileDevice::ExeOther);
    }
};

TEST_F(AsAnotherUser, AReadOnlyWorkbookIsKept) {
    const QString state = tmp.filePath(QStringLiteral("state"));
    const QString out = tmp.filePath(QStringLiteral("books"));
    QDir().mkpath(state);
    QDir().mkpath(out);
    for (const QString& d : {state, out, piles})
        openToAll(d);
    const QString target = QDir(out).filePath(QStringLiteral("results.xlsx"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept as it was");
    }
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ReadOther));
    const auto analysed =
        std::find_if(samples.begin(), samples.end(), [](const Pile& p) { return p.analysed; });
    ASSERT_NE(analysed, samples.end());
    const ProgramRun r =
        runAsUser(QStringLiteral("reportshot"),
                  {QStringLiteral("results"), QStringLiteral("--out"), target, analysed->path}, state);
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("只读"))) << r.err.toStdString();
    EXPECT_EQ(readFileBytes(target), "kept as it was");
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"results.xlsx"});
}

TEST_F(AsAnotherUser, AStateFolderThatCannotBeWrittenIsSaidSo) {
    // home (templates, settings) belongs to another user and is not writable.
    const QString out = tmp.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    openToAll(out);
    QFile::setPermissions(home, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                    QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString list = writeList(samplePaths());
    QFile::setPermissions(list, QFile::permissions(list) | QFileDevice::ReadOther);
    const ProgramRun r = runAsUser(QStringLiteral("KEV_DUX"), {QStringLiteral("-report"), list, out}, home);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "end");
    const QString err = QString::fromUtf8(r.err);
    EXPECT_TRUE(err.contains(QStringLiteral("状态文件夹【%1】不能写入").arg(home))) << r.err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("找不到文件"))) << r.err.toStdString();
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}

namespace {

// A command run in namespaces of its own (unshare); false when this user may not make them.
bool canUnshare(const QStringList& flags) {
    QProcess p;
    p.start(QStringLiteral("unshare"), flags + QStringList{"true"});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

// A disk that fills while a document is written: the message names the
// document (not its hidden name) and the cause in the interface's
// language; nothing is left in the folder. The output folder is a small
// file system of the run's own (a mount namespace that goes with it).
TEST_F(BatchEndToEnd, AFullDiskIsToldForTheDocumentAndLeavesNothing) {
    const QStringList flags{QStringLiteral("--mount"), QStringLiteral("--map-root-user")};
    if (!canUnshare(flags))
        GTEST_SKIP() << "no mount namespace for this user";
    const QStringList first = analyseFirstProject();
    const QString out = tmp.filePath(QStringLiteral("small"));
    QDir().mkpath(out);
    const QString script =
        QStringLiteral("mount -t tmpfs -o size=12k tmpfs \"$2\" || exit 99; \"$0\" -report \"$1\" "
                       "\"$2\"; status=$?; echo; ls -A \"$2\"; exit $status");
    QProcess p;
    p.setProcessEnvironment(programEnvironment(home));
    p.start(QStringLiteral("unshare"),
            flags + QStringList{"sh", "-c", script, QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), writeList(first),
                                out});
    const ProgramRun r = finish(p);
    if (r.status == 99)
        GTEST_SKIP() << "no tmpfs to fill: " << r.err.toStdString();
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    const QString err = QString::fromUtf8(r.err);
    const QString document = QDir(out).filePath(namePart(samples.front().project) + u'_');
    EXPECT_TRUE(err.contains(QStringLiteral("磁盘空间不足"))) << r.err.toStdString();
    EXPECT_TRUE(err.contains(u"报告【"_qs + document)) << r.err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral(".part"))) << r.err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("Unknown error"))) << r.err.toStdString();
    // "end", then what the folder held: nothing.
    EXPECT_EQ(r.out.trimmed(), "end") << r.out.toStdString();
}

// A picture that the full disk cuts short names the system's cause, as the
// documents do (not Qt's "Unknown error"). "Temp" is a small file system of
// the run's own.
TEST_F(BatchEndToEnd, APictureOnAFullDiskNamesTheCause) {
    const QStringList flags{QStringLiteral("--mount"), QStringLiteral("--map-root-user")};
    if (!canUnshare(flags))
        GTEST_SKIP() << "no mount namespace for this user";
    const QStringList first = analyseFirstProject();
    const QString temp = QDir(home).filePath(QStringLiteral("Temp"));
    const QString out = tmp.filePath(QStringLiteral("out"));
    QDir().mkpath(temp);
    const QString script = QStringLiteral("mount -t tmpfs -o size=4k tmpfs \"$3\" || exit 99; \"$0\" -report "
                                          "\"$1\" \"$2\"; exit $?");
    QProcess p;
    p.setProcessEnvironment(programEnvironment(home));
    p.start(QStringLiteral("unshare"),
            flags + QStringList{"sh", "-c", script, QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), writeList(first),
                                out, temp});
    const ProgramRun r = finish(p);
    if (r.status == 99)
        GTEST_SKIP() << "no tmpfs to fill: " << r.err.toStdString();
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    const QString err = QString::fromUtf8(r.err);
    EXPECT_TRUE(err.contains(QStringLiteral("磁盘已满（磁盘空间不足）"))) << r.err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("Unknown error"))) << r.err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("未知错误"))) << r.err.toStdString();
}

// A state folder that is not there yet (the first run of a new user) is
// made with its parents: the reports and the record log are written there,
// and the run's temporary folder goes with the run.
TEST_F(BatchEndToEnd, AStateFolderNotThereYetIsMade) {
    const QStringList first = analyseFirstProject();
    const QString state = tmp.filePath(QStringLiteral("new/state"));
    const QString out = tmp.filePath(QStringLiteral("out"));
    const ProgramRun r = runProgram({QStringLiteral("-report"), writeList(first), out}, state);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "end");
    EXPECT_EQ(QDir(out).entryList({QStringLiteral("*.docx")}, QDir::Files).size(), 1);
    EXPECT_EQ(readLog(QDir(state).filePath(QStringLiteral("Record.xml"))).size(), size_t(first.size()));
    const QString temp = QDir(state).filePath(QStringLiteral("Temp"));
    EXPECT_TRUE(QFileInfo(temp).isDir());
    EXPECT_TRUE(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// A run in another process namespace (a container with this host's name)
// keeps its folder and its documents while another run starts beside it;
// both write their documents.
TEST_F(BatchEndToEnd, ARunInAnotherProcessNamespaceIsNotTakenForGone) {
    const QStringList flags{QStringLiteral("--pid"), QStringLiteral("--fork"),
                            QStringLiteral("--mount-proc")};
    if (!canUnshare(flags))
        GTEST_SKIP() << "no process namespace for this user";
    const QStringList first = analyseFirstProject();
    QStringList listed;
    for (int i = 0; i < 60; ++i)
        listed << first;
    const QString temp = QDir(home).filePath(QStringLiteral("Temp"));
    const QString out = tmp.filePath(QStringLiteral("shared"));
    QDir().mkpath(out);
    const QString longList = tmp.filePath(QStringLiteral("long.txt"));
    ASSERT_TRUE(QFile::rename(writeList(listed), longList));

    // Its process number there is one that no process has here: gone, by the number alone.
    qint64 number = 3;
    while (number < 30000 && !(::kill(pid_t(number), 0) != 0 && errno == ESRCH))
        ++number;
    ASSERT_LT(number, 30000);
    const QString script = QStringLiteral("i=2; while [ $i -lt %1 ]; do /bin/true; i=$((i+1)); done; "
                                          "\"$0\" -projectreport \"$1\" \"$2\"; exit $?")
                               .arg(number);
    QProcess inside;
    inside.setProcessEnvironment(programEnvironment(home));
    inside.start(QStringLiteral("unshare"),
                 flags +
                     QStringList{"sh", "-c", script, QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), longList, out});
    ASSERT_TRUE(inside.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    QStringList folders;
    while (folders.isEmpty() && waited.elapsed() < 60000 && inside.state() == QProcess::Running) {
        QThread::msleep(10);
        folders = QDir(temp).entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }
    ASSERT_EQ(folders.size(), 1) << "the run in its namespace did not start";
    EXPECT_TRUE(folders[0].startsWith(u"run-%1-"_qs.arg(number))) << folders[0].toStdString();
    ASSERT_EQ(inside.state(), QProcess::Running) << "the run ended before another started";

    // What that run has (a picture in its folder, a document it is writing) while another starts.
    const QString insideTag = folders[0].mid(4);
    const QString picture = QDir(temp).filePath(folders[0] + u"/picture.emf"_qs);
    const QString writing = QDir(out).filePath(u".X_20240315093000.docx."_qs + insideTag + u".part"_qs);
    for (const QString& f : {picture, writing}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("being written");
    }
    const ProgramRun beside = runProgram({QStringLiteral("-report"), writeList(first), out}, home);
    EXPECT_EQ(beside.status, 0) << beside.err.toStdString();
    EXPECT_EQ(readFileBytes(writing), "being written");
    EXPECT_TRUE(QFileInfo::exists(picture) || inside.state() != QProcess::Running);
    QFile::remove(writing);
    const ProgramRun namespaced = finish(inside);
    EXPECT_EQ(namespaced.status, 0) << namespaced.err.toStdString();
    EXPECT_EQ(namespaced.out, "end");
    EXPECT_FALSE(namespaced.err.contains("文件没有生成")) << namespaced.err.toStdString();
    EXPECT_EQ(QDir(out).entryList({QStringLiteral("*.docx")}, QDir::Files).size(), 2);
    EXPECT_TRUE(QDir(out).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".part")).isEmpty());
    EXPECT_TRUE(QDir(temp).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}
