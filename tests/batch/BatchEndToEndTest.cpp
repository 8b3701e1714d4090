// The built program run as a user runs it: no display, a home folder of its
// own, a copy of the sample project; the documents read back by LibreOffice.
#include "batch/AnalysisLog.h"
#include "core/pile/PileRecord.h"
#include "platform/FileError.h"
#include "tests/support/OfficeCheck.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>

using namespace pit;
using namespace pit::test;

namespace {

struct ProgramRun {
    int status = -1;
    QByteArray out, err;
};

// KEV_DUX with args, without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, KEV_DUX_HOME at home.
ProgramRun runProgram(const QStringList& args, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("KEV_DUX_HOME"), home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), args);
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
