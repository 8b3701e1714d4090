// reportshot without a temporary folder of its own says so and puts no
// picture in the shared "Temp"; the summary table of piles from several
// folders. (A state folder not there yet: the command-line test beside the
// workbook tests.)
#include "office/OoxmlPackage.h"
#include "platform/Paths.h"
#include "tests/support/TestSupport.h"
#include "tools/reportshot/ReportShot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace pit;

namespace {

struct StateShotRun {
    int status = -1;
    std::string err;
};

// reportshot KIND --out OUT PILES..., in this process.
StateShotRun StateShot(const char* kind, const QString& out, const QStringList& piles) {
    std::vector<QByteArray> args{"reportshot", kind, "--out", QFile::encodeName(out)};
    for (const QString& p : piles)
        args.push_back(QFile::encodeName(p));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStderr();
    StateShotRun r;
    r.status = ReportShotMain(int(args.size()), argv.data());
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

QString Sample(const char* name) {
    return QStringLiteral(PIT_SAMPLES_DIR "/") + QLatin1String(name);
}

// KEV_DUX_HOME pointed elsewhere for a test, and back after it.
struct HomeOverride {
    QByteArray saved = qgetenv("KEV_DUX_HOME");
    explicit HomeOverride(const QString& home) { qputenv("KEV_DUX_HOME", QFile::encodeName(home)); }
    ~HomeOverride() { qputenv("KEV_DUX_HOME", saved); }
};

// The templates the Word writer opens: from the state folder, as KEV_DUX_HOME gives it.
void CopyTemplates(const QString& to) {
    const QDir bin(QStringLiteral(PIT_BIN_DIR));
    for (const QString& t : bin.entryList({QStringLiteral("*.dotx")}, QDir::Files)) {
        QFile::remove(joinPath(to, t));
        ASSERT_TRUE(QFile::copy(bin.filePath(t), joinPath(to, t)));
    }
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

// Every name its run folder may take is taken: it says so, the document
// (which needs pictures) is not written, and "Temp" holds only what it held.
TEST(ReportShotState, WithoutARunFolderOfItsOwnItSaysSoAndWritesNoPictureInTemp) {
    QTemporaryDir tmp;
    const QString state = tmp.filePath(QStringLiteral("state"));
    const QString temp = state + QStringLiteral("/Temp");
    ASSERT_TRUE(QDir().mkpath(temp));
    CopyTemplates(state);
    const QString base = QStringLiteral("run-") + RunTag();
    for (int n = 1; n <= 100; ++n)
        ASSERT_TRUE(QFile(joinPath(temp, n == 1 ? base : base + QStringLiteral("~%1").arg(n)))
                        .open(QIODevice::WriteOnly));
    const QStringList before = Entries(temp);
    const HomeOverride home(state);
    const QString out = tmp.filePath(QStringLiteral("report.docx"));
    const StateShotRun r = StateShot("single", out, {Sample("ZK6.DUX")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("This run has no temporary folder of its own"), std::string::npos) << r.err;
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(Entries(temp), before);
    // A PDF needs no temporary file: written all the same.
    const QString pdf = tmp.filePath(QStringLiteral("report.pdf"));
    EXPECT_EQ(StateShot("single", pdf, {Sample("ZK6.DUX")}).status, 0);
    EXPECT_TRUE(test::readFileBytes(pdf).startsWith("%PDF"));
    EXPECT_EQ(Entries(temp), before);
}

// The summary table finds its piles by name: piles from two folders are
// all in it; two of one name from two folders are refused, naming both.
TEST(ReportShotState, TheSummaryTableTakesPilesFromSeveralFolders) {
    QTemporaryDir tmp;
    CopyTemplates(stateDir());
    const QString a = tmp.filePath(QStringLiteral("a")), b = tmp.filePath(QStringLiteral("b"));
    ASSERT_TRUE(QDir().mkpath(a) && QDir().mkpath(b));
    for (const auto& [from, to] :
         {std::pair{"ZK6.DUX", a + "/ZK6.DUX"}, std::pair{"ZK10.DUX", b + "/ZK10.DUX"},
          std::pair{"ZK6.DUX", b + "/ZK6.DUX"}})
        ASSERT_TRUE(QFile::copy(Sample(from), to));
    const QString out = tmp.filePath(QStringLiteral("stats.docx"));
    const StateShotRun r = StateShot("stats", out, {a + "/ZK6.DUX", b + "/ZK10.DUX"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("cannot be read"), std::string::npos) << r.err;
    const QByteArray body = OoxmlPackage::FromFile(out).Part(QStringLiteral("word/document.xml"));
    EXPECT_TRUE(body.contains("ZK6") && body.contains("ZK10"));

    const QString twice = tmp.filePath(QStringLiteral("twice.docx"));
    const StateShotRun same = StateShot("stats", twice, {a + "/ZK6.DUX", b + "/ZK6.DUX"});
    EXPECT_EQ(same.status, 1);
    EXPECT_NE(same.err.find("have the same name"), std::string::npos) << same.err;
    EXPECT_NE(same.err.find((b + "/ZK6.DUX").toStdString()), std::string::npos) << same.err;
    EXPECT_FALSE(QFileInfo::exists(twice));
}
