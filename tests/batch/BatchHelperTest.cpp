// The list file, the grouping by project, folders, names and the command line.
#include "batch/BatchMain.h"
#include "batch/BatchReportHelper.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

using namespace pit;
using namespace pit::test;

namespace {

struct BatchHelper : ::testing::Test {
    QTemporaryDir tmp;
    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(QFileInfo(name).isAbsolute() ? name : tmp.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
};

} // namespace

TEST_F(BatchHelper, ListFilesGiveOnePathPerLine) {
    const QString zh = QStringLiteral("/数据/桩1.DUX");
    struct Case {
        const char* what;
        QByteArray bytes;
        QStringList paths;
    } cases[] = {
        {"CRLF lines, a final newline", "/a/1.DUX\r\n/a/2.DUX\r\n", {"/a/1.DUX", "/a/2.DUX"}},
        {"no final newline", "/a/1.DUX\n/a/2.DUX", {"/a/1.DUX", "/a/2.DUX"}},
        {"blank lines inside", "/a/1.DUX\n\r\n  \n/a/2.DUX\n\n", {"/a/1.DUX", "/a/2.DUX"}},
        {"only one CR dropped", "/a/1.DUX\r\r\n", {"/a/1.DUX\r"}},
        {"UTF-8", zh.toUtf8() + "\r\n", {zh}},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + zh.toUtf8() + "\n", {zh}},
        {"GBK", CodePage::system().fromUnicode(zh) + "\r\n/b.DUX", {zh, "/b.DUX"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        bool opened = false;
        EXPECT_EQ(CBatchReportHelper::ReadListFile(write(QStringLiteral("list.txt"), c.bytes), &opened),
                  c.paths)
            << c.what;
        EXPECT_TRUE(opened) << c.what;
    }
    bool opened = true;
    EXPECT_TRUE(
        CBatchReportHelper::ReadListFile(tmp.filePath(QStringLiteral("none.txt")), &opened).isEmpty());
    EXPECT_FALSE(opened);
}

TEST_F(BatchHelper, EntriesOfAProjectStandTogetherLaterListedFirst) {
    const QString d = tmp.path();
    const QString a1 = writePile(d, "A1.DUX", "Pier", "A1", true);
    const QString b1 = writePile(d, "B1.DUX", "  Bridge", "B1", true);
    const QString a2 = writePile(d, "A2.DUX", "Pier ", "A2", false);
    const QString b2 = writePile(d, "B2.DUX", "Bridge", "B2", true);
    const QString missing = d + QStringLiteral("/missing.DUX");
    const QString n1 = writePile(d, "N1.DUX", "", "N1", true);

    const auto groups = CBatchReportHelper::BuildRecordGroups({a1, b1, missing, a2, b2, n1});
    struct Expected {
        int group;
        QString project, path;
    } expected[] = {
        {1, "Pier", a2}, {1, "Pier", a1}, {2, "Bridge", b2}, {2, "Bridge", b1}, {3, "", n1}, {3, "", missing},
    };
    ASSERT_EQ(groups.size(), std::size(expected));
    for (size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].group, expected[i].group) << i;
        EXPECT_EQ(groups[i].project, expected[i].project) << i;
        EXPECT_EQ(groups[i].path, expected[i].path) << i;
    }
    EXPECT_TRUE(CBatchReportHelper::BuildRecordGroups({}).empty());
}

TEST_F(BatchHelper, ReportNamesAreSafeAndUniqueInARun) {
    CBatchReportHelper helper;
    const QString stamp = QStringLiteral("20240315093000");
    // The longest names whose documents fit (255 bytes): their hidden names fit too.
    const QString longest = QString(78, u'桩') + QStringLiteral("a");  // 235 bytes
    const QString tooLong = QString(78, u'桩') + QStringLiteral("ab"); // 236 bytes
    struct Case {
        QString project, file;
    } cases[] = {
        {"滨江大桥", "滨江大桥_20240315093000.docx"},
        {"a/b", "a_b_20240315093000.docx"},
        {"a_b", "a_b_2_20240315093000.docx"}, // the same file name as the one before
        {"A/B", "A_B_3_20240315093000.docx"}, // and again, but for case
        {QString::fromUtf16(u"x\\y:z*?\"<>|\0w", 13), "x_y_z_______w_20240315093000.docx"},
        {QStringLiteral("ZK") + QChar(0x1B) + QStringLiteral("[1m") + QChar(0x0B),
         "ZK_[1m__20240315093000.docx"},
        {"", "_20240315093000.docx"},
        {"..", "___20240315093000.docx"}, // visible, not hidden
        {".pier.a", "_pier.a_20240315093000.docx"},
        {QString(75, u'桩'), QString(75, u'桩') + QStringLiteral("_20240315093000.docx")},
        {longest, longest + QStringLiteral("_20240315093000.docx")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.project.toStdString());
        const QString name = helper.DocumentName(tmp.path(), c.project, stamp);
        EXPECT_EQ(name, tmp.filePath(c.file));
        ExclusiveFile temp;
        ASSERT_EQ(CBatchReportHelper::CreateTemporaryDocument(tmp.path(), name, temp), 0);
        EXPECT_LE(QFile::encodeName(QFileInfo(temp.Path()).fileName()).size(), 255);
        EXPECT_TRUE(QFileInfo(temp.Path()).fileName().startsWith(u'.'));
        temp.Write("docx");
        QString published, why;
        ASSERT_TRUE(helper.PublishDocument(temp, tmp.path(), c.project, stamp, published, why, false))
            << why.toStdString();
        EXPECT_EQ(published, name);
        EXPECT_EQ(readFileBytes(name), "docx");
    }
    // A name the folder cannot hold is said so, in either language; nothing stays.
    {
        ExclusiveFile temp;
        ASSERT_EQ(CBatchReportHelper::CreateTemporaryDocument(
                      tmp.path(), helper.DocumentName(tmp.path(), tooLong, stamp), temp),
                  0);
        temp.Write("docx");
        QString published, why;
        for (const bool english : {false, true}) {
            EXPECT_FALSE(helper.PublishDocument(temp, tmp.path(), tooLong, stamp, published, why, english));
            EXPECT_EQ(why, english ? QStringLiteral("file name too long") : QStringLiteral("文件名过长"));
        }
    }
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), int(std::size(cases)));
}

// A document takes its name only when whole, the first that nothing on disk
// has; two runs at once (each its own helper) never take one name.
TEST_F(BatchHelper, DocumentsTakeTheirNameWhenWholeAndNeverAnotherRunsName) {
    const QString stamp = QStringLiteral("20240315093000");
    write(QStringLiteral("Pier_20240315093000.docx"), "first run");
    CBatchReportHelper run1, run2;
    const QString name = run1.DocumentName(tmp.path(), "Pier", stamp);
    EXPECT_EQ(name, tmp.filePath("Pier_2_20240315093000.docx"));
    EXPECT_FALSE(QFileInfo::exists(name)); // nothing made before the document is whole
    EXPECT_EQ(run2.DocumentName(tmp.path(), "Pier", stamp), name);

    // Hidden, beside the documents, of this run alone.
    const QString temp1 = CBatchReportHelper::TemporaryDocumentPath(tmp.path(), name);
    EXPECT_EQ(QFileInfo(temp1).absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
    EXPECT_EQ(QFileInfo(temp1).fileName(), u".Pier_2_20240315093000.docx."_qs + RunTag() + u".part"_qs);
    EXPECT_EQ(QFileInfo(CBatchReportHelper::TemporaryDocumentPath(tmp.path(), name, 3)).fileName(),
              u".Pier_2_20240315093000.docx."_qs + RunTag() + u"~3.part"_qs);

    ExclusiveFile file1, file2;
    ASSERT_EQ(CBatchReportHelper::CreateTemporaryDocument(tmp.path(), name, file1), 0);
    EXPECT_EQ(file1.Path(), temp1);
    ASSERT_EQ(file2.Create(tmp.path(), QStringLiteral(".other-run.part")), 0);
    // Written through the file made, whatever path the writer is given.
    writeFileAtomic(temp1, "run 1");
    file2.Write("run 2");
    QString published1, published2, why;
    ASSERT_TRUE(run1.PublishDocument(file1, tmp.path(), "Pier", stamp, published1, why, false));
    ASSERT_TRUE(run2.PublishDocument(file2, tmp.path(), "Pier", stamp, published2, why, false));
    EXPECT_EQ(published1, name);
    EXPECT_EQ(published2, tmp.filePath("Pier_3_20240315093000.docx"));
    EXPECT_EQ(readFileBytes(published1), "run 1");
    EXPECT_EQ(readFileBytes(published2), "run 2");
    EXPECT_EQ(readFileBytes(tmp.filePath("Pier_20240315093000.docx")), "first run");
    EXPECT_FALSE(QFileInfo::exists(temp1));
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(".other-run.part")));

    // Its name gone before it was given: not published, and why.
    ExclusiveFile file3;
    ASSERT_EQ(file3.Create(tmp.path(), QStringLiteral(".third.part")), 0);
    file3.Write("run 3");
    ASSERT_TRUE(QFile::remove(file3.Path()));
    EXPECT_FALSE(file3.StillOurs());
    EXPECT_FALSE(run1.PublishDocument(file3, tmp.path(), "Pier", stamp, published1, why, false));
    EXPECT_EQ(why, QStringLiteral("文件或文件夹不存在"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

// A file the run makes is never reached through what takes its name: made
// only where nothing is, removed only while it still is what was made.
TEST_F(BatchHelper, AFileOfTheRunIsMadeWhereNothingIsAndRemovedOnlyWhileItIsItself) {
    const QString target = write(QStringLiteral("notes.txt"), "notes");
    ASSERT_TRUE(QFile::link(target, tmp.filePath(QStringLiteral(".doc.part"))));
    ExclusiveFile file;
    EXPECT_EQ(file.Create(tmp.path(), QStringLiteral(".doc.part")), EEXIST);
    EXPECT_FALSE(file.IsOpen());
    write(QStringLiteral("taken.docx"), "taken");
    ASSERT_EQ(file.Create(tmp.path(), QStringLiteral(".doc2.part")), 0);
    EXPECT_TRUE(file.StillOurs());
    EXPECT_EQ(file.Publish(tmp.filePath(QStringLiteral("taken.docx"))), RenameResult::Taken);
    // Replaced by a link while open: written, then removed, it touches nothing of the link's.
    ASSERT_TRUE(QFile::remove(file.Path()));
    ASSERT_TRUE(QFile::link(target, file.Path()));
    EXPECT_FALSE(file.StillOurs());
    writeFileAtomic(file.Path(), "written");
    EXPECT_EQ(file.Size(), 7);
    file.Remove();
    EXPECT_TRUE(QFileInfo(file.Path()).isSymLink());
    EXPECT_EQ(readFileBytes(target), "notes");
    EXPECT_EQ(readFileBytes(tmp.filePath(QStringLiteral("taken.docx"))), "taken");
    // Closed, its path is written as any other again.
    writeFileAtomic(tmp.filePath(QStringLiteral(".doc3.part")), "plain");
    EXPECT_EQ(readFileBytes(tmp.filePath(QStringLiteral(".doc3.part"))), "plain");
}

TEST_F(BatchHelper, FoldersAreMadeLevelByLevelAndAFailingLevelIsNamed) {
    ScriptedMessageSink sink;
    const AppContext ctx = batchContext(&sink);
    const QString deep = tmp.filePath(QStringLiteral("out/2024/三月"));
    EXPECT_TRUE(CBatchReportHelper::CreateDirectories(deep, ctx));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(CBatchReportHelper::CreateDirectories(deep, ctx)); // already there
    EXPECT_TRUE(sink.shown.empty());

    write(QStringLiteral("plain"), "x");
    EXPECT_FALSE(CBatchReportHelper::CreateDirectories(tmp.filePath(QStringLiteral("plain/sub")), ctx));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text,
              QStringLiteral("创建目录【%1】失败！").arg(tmp.filePath(QStringLiteral("plain"))));
}

TEST_F(BatchHelper, StampAndFileTimes) {
    const AppContext ctx = batchContext(nullptr);
    EXPECT_EQ(CBatchReportHelper::GetTimeStamp(ctx), QStringLiteral("20240315093000"));
    const QString f = write(QStringLiteral("t.docx"), "x");
    QFile file(f);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(fixedNow(), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(CBatchReportHelper::GetFileTimes(f), QStringLiteral("2024-03-15 09:30:00"));
    EXPECT_EQ(CBatchReportHelper::GetFileTimes(tmp.filePath(QStringLiteral("none"))), QString());
}

TEST(BatchCommandLine, BatchUsageOrWindow) {
    struct Case {
        QStringList args;
        bool display;
        BatchStart start;
    } cases[] = {
        {{}, false, BatchStart::NotBatch},
        {{"a.DUX"}, false, BatchStart::NotBatch},
        {{"-report", "list.txt", "/out"}, false, BatchStart::Run},
        {{"/projectreport", "list.txt", "/out"}, true, BatchStart::Run},
        {{"-report", "list.txt"}, false, BatchStart::UsageError},
        {{"-projectreport"}, false, BatchStart::UsageError},
        {{"-report", "list.txt"}, true, BatchStart::NotBatch}, // the window starts, as File New
        {{"-report", "list.txt", "/out", "--help"}, false, BatchStart::NotBatch},
    };
    for (const Case& c : cases) {
        CKEVCommandLineInfo cmd;
        cmd.Parse(c.args);
        EXPECT_EQ(ClassifyCommandLine(cmd, c.display), c.start) << c.args.join(u' ').toStdString();
    }
}
