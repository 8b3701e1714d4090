// The list file, the grouping by project, folders, names and the command line.
#include "batch/BatchMain.h"
#include "batch/BatchReportHelper.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "platform/CodePage.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;
using namespace pit::test;

namespace {

struct BatchHelper : ::testing::Test {
    QTemporaryDir tmp;
    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(tmp.filePath(name));
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
    for (const Case& c : cases)
        EXPECT_EQ(helper.ReserveReportFile(tmp.path(), c.project, stamp), tmp.filePath(c.file))
            << c.project.toStdString();
}

TEST_F(BatchHelper, ReportNamesSkipFilesOnDiskAndAreTakenAtOnce) {
    const QString stamp = QStringLiteral("20240315093000");
    // An earlier run (or one running now) wrote Pier's document of this second.
    write(QStringLiteral("Pier_20240315093000.docx"), "first run");
    CBatchReportHelper run1, run2;
    bool reserved = false;
    const QString a = run1.ReserveReportFile(tmp.path(), "Pier", stamp, &reserved);
    EXPECT_TRUE(reserved);
    EXPECT_EQ(a, tmp.filePath("Pier_2_20240315093000.docx"));
    // Made at once, empty, so that another run skips it too.
    EXPECT_TRUE(QFileInfo(a).isFile());
    EXPECT_EQ(QFileInfo(a).size(), 0);
    EXPECT_EQ(run2.ReserveReportFile(tmp.path(), "Pier", stamp), tmp.filePath("Pier_3_20240315093000.docx"));
    EXPECT_EQ(readFileBytes(tmp.filePath("Pier_20240315093000.docx")), "first run");

    // A reserved file the writer did not replace goes; a written one stays.
    CBatchReportHelper::ReleaseReportFile(a);
    EXPECT_FALSE(QFileInfo::exists(a));
    CBatchReportHelper::ReleaseReportFile(tmp.filePath("Pier_20240315093000.docx"));
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath("Pier_20240315093000.docx")));

    // No folder to make it in: the name is still given, for the writer to fail on and say why.
    const QString none = tmp.filePath("none");
    EXPECT_EQ(run1.ReserveReportFile(none, "Pier", stamp, &reserved),
              QDir(none).filePath("Pier_20240315093000.docx"));
    EXPECT_FALSE(reserved);
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
