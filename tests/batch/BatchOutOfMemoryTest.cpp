// The console batch with the real report writer, in this process, while
// memory runs out: from a chosen allocation (of the second project's
// drawing or Word model, or of the start) on, every allocation of a kind
// fails, as when memory is gone (restoring a drawing's clip and pen on the
// way out included); and what stands in the way of its start.
#include "batch/BatchMain.h"
#include "platform/AllocationProbe.h"
#include "platform/Paths.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <vector>

using namespace pit;
using namespace pit::test;

namespace {

struct ConsoleRun {
    int status = -1;
    std::string out, err;
};

struct BatchOutOfMemory : ::testing::Test {
    QTemporaryDir tmp;
    QString piles, out, a1, b1, b2, c1;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        // The templates the writer opens: from the state folder, as KEV_DUX_HOME gives it.
        const QDir bin(QStringLiteral(PIT_BIN_DIR));
        for (const QString& t : bin.entryList({QStringLiteral("*.dotx")}, QDir::Files)) {
            QFile::remove(joinPath(stateDir(), t));
            ASSERT_TRUE(QFile::copy(bin.filePath(t), joinPath(stateDir(), t)));
        }
        piles = tmp.filePath(QStringLiteral("piles"));
        QDir().mkpath(piles);
        a1 = writePile(piles, "A1.DUX", "Pier", "A1", true);
        b1 = writePile(piles, "B1.DUX", "Bridge", "B1", true);
        b2 = writePile(piles, "B2.DUX", "Bridge", "B2", true);
        c1 = writePile(piles, "C1.DUX", "Quay", "C1", true);
        out = tmp.filePath(QStringLiteral("out"));
    }
    void TearDown() override {
        for (int s = 0; s < int(AllocSite::Count); ++s)
            FailAllocationsFrom(AllocSite(s), -1);
    }
    QString list(const QStringList& paths) const {
        const QString path = tmp.filePath(QStringLiteral("list.txt"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(paths.join(QStringLiteral("\n")).toUtf8());
        return path;
    }
    // KEV_DUX -report LIST OUT, as main runs it.
    ConsoleRun run(const QStringList& paths, const char* kind = "-report") {
        QFile::remove(joinPath(stateDir(), QStringLiteral("Record.xml")));
        QDir(out).removeRecursively();
        const QByteArray listFile = QFile::encodeName(list(paths)), outDir = QFile::encodeName(out);
        char program[] = "KEV_DUX";
        QByteArray flag(kind);
        char* argv[] = {program, flag.data(), const_cast<char*>(listFile.constData()),
                        const_cast<char*>(outDir.constData()), nullptr};
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        ConsoleRun r;
        r.status = BatchMain(4, argv).value_or(-1);
        r.out = testing::internal::GetCapturedStdout();
        r.err = testing::internal::GetCapturedStderr();
        return r;
    }
    QStringList outFiles() const { return QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

// The allocations of each kind a run makes.
using Counts = std::array<long, size_t(AllocSite::Count)>;

struct Failing {
    AllocSite site;
    long into; // the allocations of Bridge's document before the first that fails
};
struct OutOfMemoryCase {
    const char* what;
    std::vector<Failing> failing;
};

// Runs the four piles with each case's allocations failing from a count
// into the second document (Bridge's), pier giving where that starts; the
// run ends as out of memory, with Pier's document whole and logged.
void ExpectRunsEndAsOutOfMemory(BatchOutOfMemory& t, const char* kind, const Counts& pier,
                                const std::vector<OutOfMemoryCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const Failing& f : c.failing)
            FailAllocationsFrom(f.site, pier[size_t(f.site)] + f.into);
        const ConsoleRun r = t.run({t.a1, t.b1, t.b2, t.c1}, kind);
        for (const Failing& f : c.failing)
            FailAllocationsFrom(f.site, -1);

        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "end");
        EXPECT_NE(r.err.find("内存不足，批量报告已中止"), std::string::npos) << r.err;
        // Told as out of memory, not as a document that could not be made.
        EXPECT_EQ(r.err.find("没有写成"), std::string::npos) << r.err;
        // Pier's document stays, whole and logged; the run stopped at Bridge's:
        // none of it, nor of Quay's, nor anything hidden, is left.
        const QStringList files = t.outFiles();
        ASSERT_EQ(files.size(), 1) << files.join(u' ').toStdString();
        EXPECT_TRUE(files[0].startsWith(u"Pier_"_qs)) << files[0].toStdString();
        const QString pierDoc = QDir(t.out).filePath(files[0]);
        EXPECT_TRUE(readFileBytes(pierDoc).startsWith("PK"));
        pugi::xml_document log;
        ASSERT_TRUE(
            log.load_file(QFile::encodeName(joinPath(stateDir(), QStringLiteral("Record.xml"))).constData()));
        const pugi::xml_node record = log.child("ArrayOfRecord").child("Record");
        EXPECT_STREQ(record.child_value("PileName"), "A1");
        EXPECT_EQ(QString::fromUtf8(record.child_value("AnalysisFile")), pierDoc);
        EXPECT_FALSE(record.next_sibling("Record"));
        // The run's temporary folder went with it.
        EXPECT_TRUE(QDir(joinPath(stateDir(), QStringLiteral("Temp")))
                        .entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::Hidden)
                        .isEmpty());
    }
}

// The allocations of the sites of a run of Pier's pile alone.
Counts PierAlone(BatchOutOfMemory& t, const char* kind, std::initializer_list<AllocSite> sites) {
    Counts pier{};
    for (int s = 0; s < int(AllocSite::Count); ++s)
        FailAllocationsFrom(AllocSite(s), -1);
    const ConsoleRun first = t.run({t.a1}, kind);
    EXPECT_EQ(first.status, 0) << first.err;
    for (AllocSite s : sites) {
        pier[size_t(s)] = AllocationsAt(s);
        EXPECT_GT(pier[size_t(s)], 0) << int(s);
    }
    return pier;
}

} // namespace

TEST_F(BatchOutOfMemory, DrawingThatRunsOutOfMemoryEndsTheRunWithItsMessageKeepingWhatWasWritten) {
    const Counts pier =
        PierAlone(*this, "-report", {AllocSite::Points, AllocSite::Clip, AllocSite::MetafileRecord});
    // Each picture sets its clip and gives the old one back at its end.
    ExpectRunsEndAsOutOfMemory(
        *this, "-report", pier,
        {
            {"setting the clip of the first picture", {{AllocSite::Clip, 0}}},
            {"giving the clip back at the picture's end", {{AllocSite::Clip, 1}}},
            {"the curve's points, and the clip on the way out",
             {{AllocSite::Points, 0}, {AllocSite::Clip, 1}}},
            {"a metafile record, and every one after", {{AllocSite::MetafileRecord, 60}}},
        });
}

TEST_F(BatchOutOfMemory, WordModelThatRunsOutOfMemoryEndsTheRunAsOutOfMemoryNotAsAMissingCell) {
    // A part that finds no memory as it is read, or an append as the report
    // fills the template's tables (the XML grows by blocks: the template's
    // parts take the first dozen or so, the report's first table follows).
    const struct {
        const char* kind;
        long tables; // the block its first table took
    } reports[] = {{"-report", 16}, {"-projectreport", 12}};
    for (const auto& report : reports) {
        SCOPED_TRACE(report.kind);
        const Counts pier = PierAlone(*this, report.kind, {AllocSite::Xml});
        ExpectRunsEndAsOutOfMemory(
            *this, report.kind, pier,
            {
                {"reading the template's document part", {{AllocSite::Xml, 0}}},
                {"filling the report's first table", {{AllocSite::Xml, report.tables}}},
                {"further into the report", {{AllocSite::Xml, report.tables + 1}}},
            });
    }
}

// Memory that runs out while the run starts (its temporary folder) ends it
// as it ends later: said, "end" last, status 1, nothing written or left.
TEST_F(BatchOutOfMemory, MemoryRunningOutWhileTheRunStartsIsToldAndEndsIt) {
    FailAllocationsFrom(AllocSite::TempFolder, 0);
    const ConsoleRun r = run({a1});
    FailAllocationsFrom(AllocSite::TempFolder, -1);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "end");
    EXPECT_NE(r.err.find("内存不足，批量报告已中止"), std::string::npos) << r.err;
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_TRUE(QDir(joinPath(stateDir(), QStringLiteral("Temp")))
                    .entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::Hidden)
                    .isEmpty());
}

namespace {
// The same console run, for what stands in the way of its start.
struct ConsoleStart : BatchOutOfMemory {};
} // namespace

// Something in the place of "Temp" that is no folder is named for what it
// is; the state folder is not blamed. (A name of the run's own folder that
// is taken is left alone and another taken: the tests of what lies in the
// way.)
TEST_F(ConsoleStart, SomethingInThePlaceOfTheTemporaryFolderIsNamed) {
    const QString temp = joinPath(stateDir(), QStringLiteral("Temp"));
    QDir(temp).removeRecursively();
    const QString target = tmp.filePath(QStringLiteral("target.txt"));
    const struct {
        const char* what;
        std::function<bool()> lay;
    } cases[] = {
        {"a file", [&] { return QFile(temp).open(QIODevice::WriteOnly); }},
        {"a link to a file",
         [&] { return QFile(target).open(QIODevice::WriteOnly) && QFile::link(target, temp); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.lay());
        const ConsoleRun r = run({a1});
        QFile::remove(temp);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "end");
        EXPECT_NE(r.err.find(QStringLiteral("临时文件夹【%1】无法建立：它的名称已被一个不是文件夹的东西占用")
                                 .arg(temp)
                                 .toStdString()),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("状态文件夹"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(QFileInfo::exists(target));
}
