// The list file, the grouping by project, folders, names and the command line.
#include "batch/BatchMain.h"
#include "batch/BatchReportHelper.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
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
        {"..", ".._20240315093000.docx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.project.toStdString());
        const QString name = helper.DocumentName(tmp.path(), c.project, stamp);
        EXPECT_EQ(name, tmp.filePath(c.file));
        const QString temp = write(CBatchReportHelper::TemporaryDocumentPath(tmp.path(), name), "docx");
        QString published, why;
        ASSERT_TRUE(helper.PublishDocument(temp, tmp.path(), c.project, stamp, published, why))
            << why.toStdString();
        EXPECT_EQ(published, name);
    }
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
    EXPECT_TRUE(QFileInfo(temp1).fileName().startsWith(u".Pier_2_20240315093000.docx."_qs));
    EXPECT_TRUE(temp1.endsWith(u'.' + RunTag() + QStringLiteral(".part")));

    write(QFileInfo(temp1).fileName(), "run 1");
    const QString temp2 = write(QStringLiteral(".other-run.part"), "run 2");
    QString published1, published2, why;
    ASSERT_TRUE(run1.PublishDocument(temp1, tmp.path(), "Pier", stamp, published1, why));
    ASSERT_TRUE(run2.PublishDocument(temp2, tmp.path(), "Pier", stamp, published2, why));
    EXPECT_EQ(published1, name);
    EXPECT_EQ(published2, tmp.filePath("Pier_3_20240315093000.docx"));
    EXPECT_EQ(readFileBytes(published1), "run 1");
    EXPECT_EQ(readFileBytes(published2), "run 2");
    EXPECT_EQ(readFileBytes(tmp.filePath("Pier_20240315093000.docx")), "first run");
    EXPECT_FALSE(QFileInfo::exists(temp1));
    EXPECT_FALSE(QFileInfo::exists(temp2));

    // No folder to put it in: not published, and why.
    const QString temp3 = write(QStringLiteral(".third.part"), "run 3");
    EXPECT_FALSE(run1.PublishDocument(temp3, tmp.filePath("none"), "Pier", stamp, published1, why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(temp3));
}

// What killed runs of this machine left is cleared; a live run's, another
// machine's (a shared folder) and every other file stay.
TEST_F(BatchHelper, TemporaryDocumentsOfRunsGoneAreCleared) {
    const QString host = RunTag().section(u'@', 1);
    const qint64 gone = GonePid();
    ASSERT_GT(gone, 0);
    const QString live = QString::number(::getppid());
    struct Case {
        QString name;
        bool stays;
    } cases[] = {
        {".P_20240315093000.docx." + QString::number(gone) + u'@' + host + ".part", false},
        {".P_20240315093000.docx." + QString::number(gone) + u'@' + host + ".part.a1B2c3", false},
        {".P_2_20240315093000.docx." + live + u'@' + host + ".part", true},
        {".P_20240315093000.docx." + RunTag() + ".part", true},
        {".P_20240315093000.docx." + QString::number(gone) + "@other-host.part", true},
        {"P_20240315093000.docx", true},
        {".P_20240315093000.docx.part", true},
    };
    for (const Case& c : cases)
        write(c.name, "x");
    CBatchReportHelper::ClearGoneRunsDocuments(tmp.path());
    for (const Case& c : cases)
        EXPECT_EQ(QFileInfo::exists(tmp.filePath(c.name)), c.stays) << c.name.toStdString();
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
