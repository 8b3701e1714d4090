#include "core/doc/KEV_DUXDoc.h"
#include "core/project/ProjectInfo.h"
#include "platform/AppContext.h"
#include "platform/IniFile.h"
#include "tests/support/DuxBuilder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::DuxBuilder;

namespace {

// A project folder "Bridge" with two readable piles, and a settings folder.
struct DocFixture : ::testing::Test {
    QTemporaryDir tmp;
    QString folder, p1, p2;
    ScriptedMessageSink sink;
    AppContext ctx;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        folder = tmp.filePath(QStringLiteral("Bridge"));
        QDir().mkpath(folder);
        QDir().mkpath(tmp.filePath(QStringLiteral("state")));
        p1 = DuxBuilder::paramBlock("VADUZI", 1048)
                 .project(QStringLiteral("桥梁"))
                 .writeTo(folder, QStringLiteral("P1.DUX"));
        p2 = DuxBuilder::shortHeader(90).writeTo(folder, QStringLiteral("P2.DUX"));
        ctx.messages = &sink;
    }
    CKEV_DUXDoc::Files files() const {
        return {tmp.filePath(QStringLiteral("state/DuxConfig.xml")),
                tmp.filePath(QStringLiteral("state/VADUZI_PROINFO.ini"))};
    }
    QString indexPath() const { return folder + QStringLiteral("/Bridge.DUP"); }
};

} // namespace

TEST_F(DocFixture, OpeningAPileOfAFolderWithoutIndexBuildsTheIndex) {
    CKEV_DUXDoc doc(ctx, files());
    QStringList registered, titles;
    int opened = 0;
    QObject::connect(&doc, &CKEV_DUXDoc::pathRegistered, [&](const QString& p) { registered << p; });
    QObject::connect(&doc, &CKEV_DUXDoc::titleChanged, [&](const QString& t) { titles << t; });
    QObject::connect(&doc, &CKEV_DUXDoc::pileOpened, [&] { ++opened; });
    EXPECT_FALSE(doc.CanSaveCopy());

    ASSERT_TRUE(doc.OnOpenDocument(p1));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(IsProjectFile(indexPath()));
    EXPECT_EQ(doc.m_ProjectInfo.GetProjectPath(), indexPath());
    EXPECT_EQ(doc.m_ProjectInfo.Files().GetCount(), 2);
    EXPECT_EQ(doc.m_ProjectInfo.m_texts[0], QStringLiteral("桥梁")); // the pile's project name
    EXPECT_EQ(doc.m_PileRecord.m_strPath, p1);
    EXPECT_EQ(doc.GetPathName(), p1);
    EXPECT_EQ(doc.m_strFolder, folder);
    EXPECT_TRUE(doc.CanSaveCopy());
    EXPECT_EQ(registered, QStringList{p1});
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(titles, QStringList{QStringLiteral("KEV低应变分析程序 1.8.31008     ") + p1});
    EXPECT_EQ(doc.GetTitle(), titles.last());
}

TEST_F(DocFixture, SecondPileOfTheSameProjectDoesNotReReadTheIndex) {
    CKEV_DUXDoc doc(ctx, files());
    ASSERT_TRUE(doc.OnOpenDocument(p1));
    doc.m_ProjectInfo.m_texts[1] = QStringLiteral("edited, not yet saved");
    // Were the index read again, this damage would be reported.
    QFile::remove(indexPath());
    QFile junk(indexPath());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an index at all");
    junk.close();

    ASSERT_TRUE(doc.OnOpenDocument(p2));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(doc.m_ProjectInfo.m_texts[1], QStringLiteral("edited, not yet saved"));
    EXPECT_EQ(doc.m_PileRecord.m_strPath, p2);

    // A pile of another folder replaces the project.
    const QString other = tmp.filePath(QStringLiteral("Pier"));
    QDir().mkpath(other);
    const QString p3 = DuxBuilder::shortHeader(90).writeTo(other, QStringLiteral("Q1.DUX"));
    ASSERT_TRUE(doc.OnOpenDocument(p3));
    EXPECT_EQ(doc.m_ProjectInfo.GetProjectPath(), other + QStringLiteral("/Pier.DUP"));
    EXPECT_EQ(doc.m_ProjectInfo.Files().GetCount(), 1);
}

TEST_F(DocFixture, AnExistingIndexKeepsItsTexts) {
    CProjectInfo written(&ctx);
    written.m_texts[1] = QStringLiteral("检测单位");
    written.WriteProjectFile(indexPath());
    CKEV_DUXDoc doc(ctx, files());
    ASSERT_TRUE(doc.OnOpenDocument(p2));
    EXPECT_EQ(doc.m_ProjectInfo.m_texts[1], QStringLiteral("检测单位"));
    EXPECT_EQ(doc.m_ProjectInfo.Files().GetCount(), 2);
}

TEST_F(DocFixture, CorruptPileIsReportedOnceAndChangesNothing) {
    CKEV_DUXDoc doc(ctx, files());
    ASSERT_TRUE(doc.OnOpenDocument(p1));
    const QString title = doc.GetTitle();
    const QString bad = DuxBuilder::shortHeader(90).guard(1024).writeTo(folder, QStringLiteral("BAD.DUX"));
    int opened = 0;
    QObject::connect(&doc, &CKEV_DUXDoc::pileOpened, [&] { ++opened; });

    EXPECT_FALSE(doc.OnOpenDocument(bad));
    // One message naming the file and the problem.
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("BAD.DUX"))) << sink.shown[0].text.toStdString();
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("File Error"));
    EXPECT_EQ(doc.m_PileRecord.m_strPath, p1);
    EXPECT_EQ(doc.m_PileRecord.m_strProject, QStringLiteral("桥梁"));
    EXPECT_EQ(doc.GetTitle(), title);
    EXPECT_EQ(doc.GetPathName(), p1);
    EXPECT_EQ(opened, 0);

    // A pile of a new folder that fails leaves the old project too.
    const QString other = tmp.filePath(QStringLiteral("Pier"));
    QDir().mkpath(other);
    const QString bad2 = DuxBuilder::shortHeader(90).guard(1024).writeTo(other, QStringLiteral("X.DUX"));
    EXPECT_FALSE(doc.OnOpenDocument(bad2));
    EXPECT_EQ(doc.m_ProjectInfo.GetProjectPath(), indexPath());
    EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral("/Pier.DUP")));
}

TEST_F(DocFixture, IndexIsNamedAfterTheFolderAndNoneAtARoot) {
    EXPECT_EQ(CKEV_DUXDoc::IndexPathFor(p1), indexPath());
    EXPECT_EQ(CKEV_DUXDoc::IndexPathFor(QStringLiteral("/P1.DUX")), QString());
    // An index written in another case is the folder's index.
    QFile lower(folder + QStringLiteral("/bridge.dup"));
    ASSERT_TRUE(lower.open(QIODevice::WriteOnly));
    lower.close();
    EXPECT_EQ(CKEV_DUXDoc::IndexPathFor(p1), folder + QStringLiteral("/bridge.dup"));
}

TEST(DocumentTitles, ByteForByte) {
    const QString p = QStringLiteral("/data/桩/A1.DUX");
    EXPECT_EQ(CKEV_DUXDoc::OpenTitle(p, true), QStringLiteral("KEV-TIMBO      /data/桩/A1.DUX"));
    EXPECT_EQ(CKEV_DUXDoc::OpenTitle(p, false),
              QStringLiteral("KEV低应变分析程序 1.8.31008     /data/桩/A1.DUX"));
    EXPECT_EQ(CKEV_DUXDoc::SaveTitle(p, true), QStringLiteral("KEV-TIMBO 1.8.31008     /data/桩/A1.DUX"));
    EXPECT_EQ(CKEV_DUXDoc::SaveTitle(p, false),
              QStringLiteral("KEV低应变分析程序 1.8.31008     /data/桩/A1.DUX"));
}

TEST_F(DocFixture, SaveCopyOffersTheNameWithCopyAndWritesThePile) {
    CKEV_DUXDoc doc(ctx, files());
    ASSERT_TRUE(doc.OnOpenDocument(p1));
    EXPECT_EQ(doc.SaveCopyDefaultName(), QStringLiteral("P1_copy"));
    const QString copy = folder + QStringLiteral("/P1_copy.DUX");
    ASSERT_TRUE(doc.SaveCopyAs(copy));
    CPileRecord back;
    EXPECT_TRUE(back.ReadFile(copy));
    EXPECT_EQ(doc.m_PileRecord.m_strPath, p1);

    const QString shortName = DuxBuilder::shortHeader(90).writeTo(folder, QStringLiteral("ab"));
    ASSERT_TRUE(doc.OnOpenDocument(shortName));
    EXPECT_EQ(doc.SaveCopyDefaultName(), QStringLiteral("_copy"));

    EXPECT_FALSE(doc.SaveCopyAs(tmp.filePath(QStringLiteral("missing/dir/x.DUX"))));
    EXPECT_EQ(sink.shown.size(), 1u);
}

TEST_F(DocFixture, AlignModeFollowsTheCalculationMode) {
    CKEV_DUXDoc doc(ctx, files());
    ASSERT_TRUE(doc.OnOpenDocument(p1));
    doc.m_PileRecord.m_nCalcMode = 0;
    doc.m_PileRecord.m_nAlignMode = 1;
    EXPECT_EQ(doc.GetAlignMode(), 2);
    EXPECT_EQ(doc.AlignModeValue(), 0); // untouched

    doc.SetAlignMode(2);
    EXPECT_EQ(doc.AlignModeValue(), 2);
    EXPECT_EQ(doc.m_PileRecord.m_nAlignMode, 1);

    doc.m_PileRecord.m_nCalcMode = 1;
    doc.SetAlignMode(0);
    EXPECT_EQ(doc.GetAlignMode(), 0);
    EXPECT_EQ(doc.m_PileRecord.m_nAlignMode, 0);
}

TEST_F(DocFixture, SettingsAndHistoryAreWrittenOnCloseUnlessSwitchedOff) {
    {
        CKEV_DUXDoc doc(ctx, files());
        EXPECT_FALSE(doc.SettingsLoaded());
        EXPECT_EQ(doc.m_PrintSettings.m_nRow, 5);
        ASSERT_TRUE(doc.OnOpenDocument(p2));
        doc.m_nShowStyle = 2;
        doc.m_CurveStyle.IsSmooth = 1;
        doc.m_PileRecord.m_bKeepZoom = 1;
        doc.m_History.AddValue(0, QStringLiteral("某工程"));
    }
    const CKEV_DUXDoc::Files f = files();
    IniFile ini;
    ASSERT_TRUE(ini.load(f.settings));
    EXPECT_EQ(ini.sections(), (QStringList{QStringLiteral("REZPrintInfo"), QStringLiteral("stCurvePara"),
                                           QStringLiteral("DocInfo")}));
    EXPECT_EQ(ini.readString(QStringLiteral("DocInfo"), QStringLiteral("FilePath")), indexPath());
    EXPECT_EQ(ini.readString(QStringLiteral("DocInfo"), QStringLiteral("FileName")), p2);

    {
        // The next run finds the project and the pile's path again (the pile is not read).
        CKEV_DUXDoc doc(ctx, files());
        EXPECT_TRUE(doc.SettingsLoaded());
        EXPECT_EQ(doc.m_nShowStyle, 2);
        EXPECT_EQ(doc.m_CurveStyle.IsSmooth, 1);
        EXPECT_EQ(doc.m_PileRecord.m_bKeepZoom, 1);
        EXPECT_EQ(doc.m_ProjectInfo.GetProjectPath(), indexPath());
        EXPECT_EQ(doc.m_strFolder, folder);
        EXPECT_EQ(doc.m_PileRecord.m_strPath, p2);
        EXPECT_EQ(doc.m_PileRecord.ChannelCountInList(), 0);
        EXPECT_EQ(doc.m_History.GetCount(0), 1);

        doc.SetWriteSettingsOnClose(false);
        doc.m_nShowStyle = 1;
        doc.m_History.AddValue(0, QStringLiteral("另一工程"));
    }
    CKEV_DUXDoc doc(ctx, files());
    EXPECT_EQ(doc.m_nShowStyle, 2);
    EXPECT_EQ(doc.m_History.GetCount(0), 1);
}

TEST_F(DocFixture, ASettingsFileNamingAMissingIndexLeavesTheProjectEmpty) {
    IniFile ini;
    ini.writeString(QStringLiteral("DocInfo"), QStringLiteral("FilePath"),
                    folder + QStringLiteral("/Gone.DUP"));
    ini.writeString(QStringLiteral("DocInfo"), QStringLiteral("FileName"), p1);
    ini.save(files().settings);
    CKEV_DUXDoc doc(ctx, files());
    EXPECT_TRUE(doc.m_ProjectInfo.GetProjectPath().isEmpty());
    EXPECT_TRUE(doc.m_PileRecord.m_strPath.isEmpty());
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(DocFixture, FixedParameterHookHearsEveryReadInInteractiveRunsOnly) {
    std::vector<bool> told;
    {
        CKEV_DUXDoc doc(ctx, files());
        doc.SetFixedParamHook([&](bool enabled) { told.push_back(enabled); });
        ASSERT_TRUE(doc.OnOpenDocument(p1));
        ASSERT_TRUE(doc.OnOpenDocument(p2));
    }
    EXPECT_EQ(told, (std::vector<bool>{true, true}));

    told.clear();
    ctx.interactive = false;
    CKEV_DUXDoc batch(ctx, files());
    batch.SetWriteSettingsOnClose(false);
    batch.SetFixedParamHook([&](bool enabled) { told.push_back(enabled); });
    ASSERT_TRUE(batch.OnOpenDocument(p1));
    EXPECT_TRUE(told.empty());
}

TEST_F(DocFixture, NewDocumentAndCommonValues) {
    CKEV_DUXDoc doc(ctx, files());
    EXPECT_EQ(doc.m_bUseCommonInfo, 0);
    EXPECT_TRUE(doc.m_CommonInfo.m_testDate.isValid());
    for (int f = 0; f < CCommonInfo::kFlagCount; ++f)
        EXPECT_FALSE(doc.m_CommonInfo.Use(CCommonInfo::Flag(f)));
    EXPECT_EQ(doc.m_PileRecord.m_nLanguage, 0);
    ASSERT_TRUE(doc.OnOpenDocument(p1));
    doc.SetModifiedFlag();
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
}

// Every index that cannot be read is treated alike: set aside under a name
// of its own, built anew from the folder, and the user told; the pile opens.
TEST_F(DocFixture, AnUnreadableIndexIsSetAsideAndBuiltAnewFromTheFolder) {
    ctx.clock = [] { return QDateTime(QDate(2026, 12, 11), QTime(16, 30, 5)); };
    CProjectInfo writer(&ctx);
    writer.m_texts[1] = QStringLiteral("检测单位");
    writer.WriteProjectFile(indexPath());
    const QByteArray good = pit::test::readFileBytes(indexPath());
    QByteArray claims2GB = good;
    const int32_t huge = 0x7FFFFFFF; // the first text's byte count
    std::memcpy(claims2GB.data() + 20, &huge, 4);
    QByteArray random(300, '\0');
    uint32_t x = 12345;
    for (char& c : random)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"cut to 40 bytes", good.left(40)},
                 {"first text claims 2 GB", claims2GB},
                 {"random bytes", random},
                 {"empty", QByteArray()}};
    const QString aside = indexPath() + QStringLiteral(".bad-20261211163005");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(indexPath());
        QFile::remove(aside);
        QFile f(indexPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        sink.shown.clear();
        CKEV_DUXDoc doc(ctx, files());
        ASSERT_TRUE(doc.OnOpenDocument(p1));
        EXPECT_EQ(doc.m_PileRecord.m_strPath, p1);
        EXPECT_EQ(doc.m_ProjectInfo.Files().GetCount(), 2);
        // The damaged index is kept as it was; a new one stands in its place.
        EXPECT_EQ(pit::test::readFileBytes(aside), c.bytes);
        EXPECT_TRUE(IsProjectFile(indexPath()));
        EXPECT_EQ(doc.m_ProjectInfo.GetProjectPath(), indexPath());
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.startsWith(
            QStringLiteral("工程文件【%1】无法读取").arg(QDir::toNativeSeparators(indexPath()))))
            << sink.shown[0].text.toStdString();
        EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("已另存为【%1】").arg(aside)))
            << sink.shown[0].text.toStdString();
    }
    // A second damaged index set aside in the same second does not replace the first.
    QFile::remove(indexPath());
    ASSERT_TRUE(QFile::copy(aside, indexPath()));
    CKEV_DUXDoc doc(ctx, files());
    ASSERT_TRUE(doc.OnOpenDocument(p1));
    EXPECT_TRUE(QFileInfo::exists(aside));
    EXPECT_TRUE(QFileInfo::exists(aside + QStringLiteral("_2")));
}

// A folder, a pipe or a device under the index's name is not ours to move:
// it is named as what is in the way, left alone, and the pile opens with
// the folder's piles listed; nothing waits on the pipe.
TEST_F(DocFixture, WhatIsNoFileInTheIndexsPlaceIsNamedAndLeftAlone) {
    const struct {
        const char* name;
        std::function<bool()> make;
        const char* said;
    } cases[] = {
        {"a folder", [&] { return QDir().mkdir(indexPath()); }, "一个文件夹"},
        {"a pipe", [&] { return pit::test::MakeFifo(indexPath()); }, "一个不是普通文件的对象"},
        {"a link to /dev/zero", [&] { return QFile::link(QStringLiteral("/dev/zero"), indexPath()); },
         "一个不是普通文件的对象"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.make());
        sink.shown.clear();
        CKEV_DUXDoc doc(ctx, files());
        bool opened = false;
        EXPECT_TRUE(
            pit::test::FinishesWithoutWaiting({indexPath()}, [&] { opened = doc.OnOpenDocument(p1); }));
        EXPECT_TRUE(opened);
        EXPECT_EQ(doc.m_ProjectInfo.Files().GetCount(), 2);
        EXPECT_FALSE(doc.m_ProjectInfo.IndexWritable());
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(
            sink.shown[0].text,
            QStringLiteral(
                "工程文件【%1】的位置上是%2，无法建立工程文件；桩列表按文件夹中的桩文件建立。请移走它。")
                .arg(QDir::toNativeSeparators(indexPath()), QString::fromUtf8(c.said)));
        const QFileInfo still(indexPath());
        EXPECT_TRUE(still.exists() || still.isSymLink());
        EXPECT_FALSE(still.isFile() && !still.isSymLink());
        EXPECT_TRUE(
            QDir(folder).entryList({QStringLiteral("*.bad-*")}, QDir::AllEntries | QDir::System).isEmpty());
        if (still.isDir() && !still.isSymLink())
            QDir().rmdir(indexPath());
        else
            QFile::remove(indexPath());
    }
}

// A pipe named like a pile in the project folder, or opened as a pile, or
// as the last project's index at start-up: nothing waits on it, and opening
// it says what it is.
TEST_F(DocFixture, APipeNamedAsAPileOrIndexHangsNothing) {
    const QString pipe = folder + QStringLiteral("/P9.DUX");
    ASSERT_TRUE(pit::test::MakeFifo(pipe));
    CKEV_DUXDoc doc(ctx, files());
    bool opened = false;
    EXPECT_TRUE(pit::test::FinishesWithoutWaiting({pipe}, [&] { opened = doc.OnOpenDocument(p1); }));
    EXPECT_TRUE(opened);
    EXPECT_EQ(doc.m_ProjectInfo.Files().GetCount(), 2); // the pipe is no pile
    EXPECT_TRUE(sink.shown.empty());

    EXPECT_TRUE(pit::test::FinishesWithoutWaiting({pipe}, [&] { opened = doc.OnOpenDocument(pipe); }));
    EXPECT_FALSE(opened);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("文件“%1”：路径无效（不是普通文件）").arg(pipe));
    EXPECT_EQ(doc.m_PileRecord.m_strPath, p1);

    // The last project's index a pipe: the window starts without the project.
    QFile::remove(indexPath());
    ASSERT_TRUE(pit::test::MakeFifo(indexPath()));
    IniFile ini;
    ini.writeString(QStringLiteral("DocInfo"), QStringLiteral("FilePath"), indexPath());
    ini.writeString(QStringLiteral("DocInfo"), QStringLiteral("FileName"), p1);
    ini.save(files().settings);
    EXPECT_TRUE(pit::test::FinishesWithoutWaiting({indexPath(), pipe}, [&] {
        CKEV_DUXDoc started(ctx, files());
        EXPECT_TRUE(started.m_ProjectInfo.GetProjectPath().isEmpty());
    }));
}
