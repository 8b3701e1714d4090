// The record log file: its text, appending, blank piles, a damaged log.
#include "batch/AnalysisLog.h"
#include "platform/AllocationProbe.h"
#include "tests/batch/BatchFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <sys/stat.h>
#include <thread>

using namespace pit;
using namespace pit::test;

namespace {

AnalysisLogEntry entry(const QString& pile,
                       const QString& report = QStringLiteral("/out/桥_20240315093000.docx")) {
    return {QStringLiteral("低应变"),
            QStringLiteral("KEV-TIMBO"),
            QStringLiteral("滨江大桥"),
            pile,
            QStringLiteral("/piles/") + pile + QStringLiteral(".DUX"),
            report,
            QStringLiteral("2024-03-15 09:30:00"),
            2};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct RecordLog : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx = batchContext(&sink);
    QString path() const { return tmp.filePath(QStringLiteral("Record.xml")); }
};

} // namespace

TEST_F(RecordLog, AFreshLogHoldsOneRecordOfEightFieldsPerPile) {
    ASSERT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx));
    const QByteArray expected =
        "<?xml version=\"1.0\"?>\n"
        "<ArrayOfRecord>\n"
        "  <Record>\n"
        "    <ProjectType>\xE4\xBD\x8E\xE5\xBA\x94\xE5\x8F\x98</ProjectType>\n"
        "    <InstrumentNo>KEV-TIMBO</InstrumentNo>\n"
        "    <ProjectName>\xE6\xBB\xA8\xE6\xB1\x9F\xE5\xA4\xA7\xE6\xA1\xA5</ProjectName>\n"
        "    <PileName>ZK1</PileName>\n"
        "    <OriginalFile>/piles/ZK1.DUX</OriginalFile>\n"
        "    <AnalysisFile>/out/\xE6\xA1\xA5_20240315093000.docx</AnalysisFile>\n"
        "    <AnalysisTime>2024-03-15 09:30:00</AnalysisTime>\n"
        "    <FileType>2</FileType>\n"
        "  </Record>\n"
        "</ArrayOfRecord>\n";
    EXPECT_EQ(readAll(path()), expected);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(QFileInfo::exists(path() + QStringLiteral(".lock")));
}

TEST_F(RecordLog, ASecondRunAppendsAndBlankPilesAreNotLogged) {
    ASSERT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1")), entry(QStringLiteral("   "))}, ctx));
    AnalysisLogEntry empty = entry(QString(), QString());
    ASSERT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral(" ZK2 ")), empty}, ctx));
    AnalysisLog log;
    ASSERT_TRUE(log.Load(path()));
    EXPECT_EQ(log.RecordCount(), 2);
    const QByteArray text = readAll(path());
    EXPECT_LT(text.indexOf("<PileName>ZK1</PileName>"), text.indexOf("<PileName>ZK2</PileName>"));
    EXPECT_EQ(text.count("<?xml"), 1);
}

TEST_F(RecordLog, AnEmptyRunStillLeavesAnEmptyLog) {
    ASSERT_TRUE(AppendToRecordLog(path(), {}, ctx));
    AnalysisLog log;
    ASSERT_TRUE(log.Load(path()));
    EXPECT_EQ(log.RecordCount(), 0);
}

// Every unreadable log is kept: a second one set aside in the same second
// (or after the clock went back) takes the next number, never the first's place.
TEST_F(RecordLog, ALogThatDoesNotParseIsKeptAsideAndANewOneStarted) {
    const QString aside = path() + QStringLiteral(".bad-20240315093000");
    const struct {
        QByteArray broken;
        QString keptAs;
    } cases[] = {{"<ArrayOfRecord><Record>", aside}, {"<Other/>", aside + QStringLiteral("_2")}};
    for (const auto& c : cases) {
        sink.shown.clear();
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.broken);
        f.close();
        ASSERT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx));
        EXPECT_EQ(readAll(c.keptAs), c.broken);
        AnalysisLog log;
        ASSERT_TRUE(log.Load(path()));
        EXPECT_EQ(log.RecordCount(), 1);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.contains(u'【' + c.keptAs + u'】'))
            << sink.shown[0].text.toStdString();
    }
    EXPECT_EQ(readAll(aside), cases[0].broken);
}

TEST_F(RecordLog, ALogThatCannotBeWrittenIsReported) {
    EXPECT_FALSE(AppendToRecordLog(tmp.filePath(QStringLiteral("gone/Record.xml")),
                                   {entry(QStringLiteral("ZK1"))}, ctx));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("gone/Record.xml")));
}

// Something under the lock file's name that no run made (a folder, a pipe)
// is said at once for what it is, without waiting for it to go; the log is
// left as it was.
TEST_F(RecordLog, ALockThatIsNotAFileIsToldAtOnce) {
    ASSERT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx));
    const QByteArray before = readAll(path());
    const QString lock = path() + QStringLiteral(".lock");
    const struct {
        const char* what;
        std::function<bool()> make;
        const char* says;
    } cases[] = {
        {"a folder", [&] { return QDir().mkdir(lock); }, "是一个文件夹"},
        {"a pipe", [&] { return ::mkfifo(QFile::encodeName(lock).constData(), 0600) == 0; }, "不是普通文件"},
        // A link is what is there, whether it leads anywhere or not.
        {"a link to nothing", [&] { return QFile::link(tmp.filePath(QStringLiteral("nowhere")), lock); },
         "是一个符号链接"},
        {"a link to a file", [&] { return QFile::link(path(), lock); }, "是一个符号链接"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.make());
        sink.shown.clear();
        QElapsedTimer took;
        took.start();
        bool blocked = false;
        EXPECT_FALSE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK2"))}, ctx, &blocked));
        EXPECT_LT(took.elapsed(), 5000);
        EXPECT_TRUE(blocked);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(
            sink.shown[0].text.contains(QStringLiteral("Record.xml.lock】") + QString::fromUtf8(c.says)))
            << sink.shown[0].text.toStdString();
        EXPECT_EQ(readAll(path()), before);
        QDir().rmdir(lock);
        QFile::remove(lock);
    }
}

// A lock file that no run holds (here: bytes of no program, laid just now)
// makes the run wait until it is stale; the wait is said first, with the lock.
TEST_F(RecordLog, AWaitForTheLockIsSaidWithTheLock) {
    const QString lock = path() + QStringLiteral(".lock");
    QFile f(lock);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x8f\x03\xfe\x11\n\x00\x7f", 7));
    ASSERT_TRUE(f.flush());
    // Stale (30 s old) within a moment, so the test waits little.
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-28), QFileDevice::FileModificationTime));
    f.close();
    ASSERT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx));
    ASSERT_EQ(sink.shown.size(), 1u);
    const QString said = sink.shown[0].text;
    EXPECT_TRUE(said.contains(QStringLiteral("【%1】已被占用").arg(lock))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("其内容不是程序的锁信息"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("最多等待 30 秒"))) << said.toStdString();
    AnalysisLog log;
    ASSERT_TRUE(log.Load(path()));
    EXPECT_EQ(log.RecordCount(), 1);
}

// A run waits for a taken lock once: a later try of the run that finds it
// still taken fails at once, unsaid (the wait told it); one that finds it
// free writes.
TEST_F(RecordLog, ALockIsWaitedForOnceARun) {
    QLockFile holder(path() + QStringLiteral(".lock"));
    ASSERT_TRUE(holder.tryLock(0));
    bool waited = true, blocked = false;
    QElapsedTimer took;
    took.start();
    EXPECT_FALSE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx, &blocked, &waited));
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(blocked);
    EXPECT_FALSE(QFileInfo::exists(path()));
    holder.unlock();
    EXPECT_TRUE(AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx, &blocked, &waited));
    AnalysisLog log;
    ASSERT_TRUE(log.Load(path()));
    EXPECT_EQ(log.RecordCount(), 1);
}

// Another run makes its lock file first and writes who it is next: a lock
// found empty a moment after it was made is that run's, not a file of no
// program. The run waits for it and then writes.
TEST_F(RecordLog, AnEmptyLockJustMadeIsAnotherRunsBeingWritten) {
    const QString lock = path() + QStringLiteral(".lock");
    ASSERT_TRUE(QFile(lock).open(QIODevice::WriteOnly));
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QFile::remove(lock);
    });
    const bool written = AppendToRecordLog(path(), {entry(QStringLiteral("ZK1"))}, ctx);
    other.join();
    EXPECT_TRUE(written);
    ASSERT_EQ(sink.shown.size(), 1u);
    const QString said = sink.shown[0].text;
    EXPECT_TRUE(said.contains(QStringLiteral("另一次运行刚刚建立了它"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("其内容不是程序的锁信息"))) << said.toStdString();
}

// Memory that runs out while the log is read or made is out of memory: the
// log is not set aside as damaged nor replaced by one without its root; it
// stays as it was (or is not made).
TEST_F(RecordLog, MemoryThatRunsOutLeavesTheLogAsItWas) {
    struct Rearm {
        ~Rearm() { FailAllocationsFrom(AllocSite::Xml, -1); }
    } rearm;
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "a log of six records" : "no log yet");
        QFile::remove(path());
        if (existing) {
            std::vector<AnalysisLogEntry> six;
            for (int i = 1; i <= 6; ++i)
                six.push_back(entry(QStringLiteral("ZK%1").arg(i)));
            ASSERT_TRUE(AppendToRecordLog(path(), six, ctx));
        }
        const QByteArray before = readAll(path());
        sink.shown.clear();
        FailAllocationsFrom(AllocSite::Xml, 0);
        EXPECT_THROW(AppendToRecordLog(path(), {entry(QStringLiteral("ZK7"))}, ctx), std::bad_alloc);
        FailAllocationsFrom(AllocSite::Xml, -1);
        EXPECT_EQ(QFileInfo::exists(path()), existing);
        EXPECT_EQ(readAll(path()), before);
        EXPECT_TRUE(sink.shown.empty());
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), existing ? 1 : 0)
            << QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
    }
}

// A log whose root could not be made is never written: the next run would
// set it aside as damaged.
TEST_F(RecordLog, ALogWithoutItsRootIsNotWritten) {
    AnalysisLog log;
    QString why;
    EXPECT_FALSE(log.Save(path(), &why, true));
    EXPECT_TRUE(why.contains(QStringLiteral("ArrayOfRecord"))) << why.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path()));
}
