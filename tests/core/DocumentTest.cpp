#include "core/doc/KEV_DUXDoc.h"
#include "core/project/ProjectInfo.h"
#include "platform/AppContext.h"
#include "platform/IniFile.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
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
