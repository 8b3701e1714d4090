// reportshot while memory runs out in the PDF pages, the Word model, the
// workbook writer and the pictures: the run ends with status 1 and says so,
// and no file is left under the name it was writing, nor beside it.
#include "platform/AllocationProbe.h"
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
using pit::test::readFileBytes;

namespace {

struct ShotRun {
    int status = -1;
    std::string err;
};

// reportshot KIND --out OUT ZK6.DUX ZK10.DUX, in this process.
ShotRun Shot(const char* kind, const QString& out) {
    std::vector<QByteArray> args{"reportshot",
                                 kind,
                                 "--out",
                                 QFile::encodeName(out),
                                 QByteArray(PIT_SAMPLES_DIR "/ZK6.DUX"),
                                 QByteArray(PIT_SAMPLES_DIR "/ZK10.DUX")};
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStderr();
    ShotRun r;
    r.status = ReportShotMain(int(args.size()), argv.data());
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

TEST(ReportShotOutOfMemory, EndsWithStatusOneAndLeavesNoFileHalfWritten) {
    // The templates the Word writer opens: from the state folder, as KEV_DUX_HOME gives it.
    const QDir bin(QStringLiteral(PIT_BIN_DIR));
    for (const QString& t : bin.entryList({QStringLiteral("*.dotx")}, QDir::Files)) {
        QFile::remove(joinPath(stateDir(), t));
        ASSERT_TRUE(QFile::copy(bin.filePath(t), joinPath(stateDir(), t)));
    }
    const struct {
        const char* kind;
        const char* suffix;
        AllocSite site;
        long nth; // from this allocation of the run on, every one of the site fails
    } cases[] = {
        {"single", "pdf", AllocSite::Points, 0},          {"project", "pdf", AllocSite::Clip, 3},
        {"single", "emf", AllocSite::MetafileRecord, 40}, {"single", "docx", AllocSite::Xml, 14},
        {"project", "docx", AllocSite::Xml, 10},          {"results", "xlsx", AllocSite::Workbook, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " ." + c.suffix + " from allocation " + std::to_string(c.nth) +
                     " of site " + std::to_string(int(c.site)));
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("report.") + QLatin1String(c.suffix));
        FailAllocationsFrom(c.site, c.nth);
        const ShotRun r = Shot(c.kind, out);
        FailAllocationsFrom(c.site, -1);
        EXPECT_EQ(r.status, 1);
        // The workbook's message is in the interface's language (Chinese here).
        EXPECT_TRUE(r.err.find("out of memory") != std::string::npos ||
                    r.err.find("内存不足") != std::string::npos)
            << r.err;
        EXPECT_TRUE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

        // With memory back, the same run writes the file whole.
        const ShotRun again = Shot(c.kind, out);
        EXPECT_EQ(again.status, 0) << again.err;
        const QByteArray written = readFileBytes(out);
        const QByteArray magic = c.suffix == std::string("pdf")   ? QByteArray("%PDF")
                                 : c.suffix == std::string("emf") ? QByteArray("\x01\0\0\0", 4)
                                                                  : QByteArray("PK");
        EXPECT_TRUE(written.startsWith(magic)) << written.left(8).toHex().toStdString();
    }
}

} // namespace
