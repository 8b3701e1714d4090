// The main window's command handlers on the sample project.
#include "tests/mainwnd/CommandsFixture.h"

#include "platform/FileError.h"
#include "tests/support/KevBuilder.h"

#include <QFileInfo>

using namespace pit;
using namespace pit::frame;
using pit::test::CommandsFixture;

namespace {

TEST_F(CommandsFixture, WaveFactorsSetTheChannelFactorAndTheirRadio) {
    OpenSample();
    select(0);
    struct Case {
        int id;
        float factor;
    };
    for (const Case c : {Case{id::kFactor20, 0.2f}, Case{id::kFactor70, 0.7f}, Case{id::kFactor300, 3.0f}}) {
        ASSERT_TRUE(run(c.id));
        EXPECT_FLOAT_EQ(ch(0).GetScale(), c.factor);
        EXPECT_TRUE(EvaluateRule(c.id, cmds->Snapshot())->checked);
        EXPECT_FALSE(EvaluateRule(id::kFactorCustom, cmds->Snapshot())->checked);
    }
    // A custom factor equal to an item's still shows only the custom mark.
    doc->m_fZoomRateDefine = 300;
    run(id::kFactorCustom);
    EXPECT_FLOAT_EQ(ch(0).GetScale(), 3.0f);
    EXPECT_FALSE(EvaluateRule(id::kFactor300, cmds->Snapshot())->checked);
    EXPECT_TRUE(EvaluateRule(id::kFactorCustom, cmds->Snapshot())->checked);
}

TEST_F(CommandsFixture, FactorOnTheAverageMovesToTheAveragedView) {
    OpenSample();
    const int last = rec().ChannelCountInList() - 1;
    select(last);
    run(id::kFactor50);
    EXPECT_EQ(host.upper, 1);
    EXPECT_FLOAT_EQ(ch(last).GetScale(), 0.5f);
}

TEST_F(CommandsFixture, FillModesGoIntoTheProjectAndTheSettings) {
    OpenSample();
    for (const auto& [cmd, mode] : {std::pair{id::kFillPositive, 1}, std::pair{id::kFillNegative, 2},
                                    std::pair{id::kFillBoth, 3}, std::pair{id::kFillNone, 0}}) {
        frame.refreshes.clear();
        run(cmd);
        EXPECT_EQ(doc->m_ProjectInfo.m_nValue2, mode);
        EXPECT_EQ(doc->m_nFillWave, mode);
        EXPECT_EQ(frame.refreshes, std::vector{RefreshTarget::AllWaveViews});
        EXPECT_TRUE(EvaluateRule(cmd, cmds->Snapshot())->checked);
    }
}

TEST_F(CommandsFixture, ShiftMovesTheSamplesAndDropsMarksThatLeave) {
    OpenSample();
    select(0);
    const int N = ch(0).SampleCount();
    ch(0).DefectMarks() = {DefectMark{N - 5, 0, 0, 0}, DefectMark{N - 10, 1, 0, 0}};
    const std::vector<float> before = ch(0).Source();
    run(id::kShiftRight);
    EXPECT_FLOAT_EQ(ch(0).Source()[100], before[90]);
    ASSERT_EQ(ch(0).GetDefectMarks().size(), 1u);
    EXPECT_EQ(ch(0).GetDefectMarks()[0].index, N);
    EXPECT_EQ(frame.exchanges.size(), 1u);
    EXPECT_TRUE(doc->IsModified());

    doc->m_fMovePoint = 4.9f; // points are whole
    run(id::kShiftLeft);
    EXPECT_EQ(ch(0).GetDefectMarks()[0].index, N - 4);
}

TEST_F(CommandsFixture, OffsetMovesEverySampleByTheStepOfTheGlobalPeak) {
    OpenSample();
    select(1);
    const std::vector<float> before = ch(1).Source();
    doc->m_fMoveScale = 20;
    run(id::kMoveUp);
    const float step = WaveContext::Default().StoredMaxAbs() * 0.2f;
    EXPECT_GT(step, 0.0f);
    for (size_t i : {size_t(0), size_t(300), before.size() - 1})
        EXPECT_NEAR(ch(1).Source()[i], before[i] + step, 1e-3f * step);
    run(id::kMoveDown);
    EXPECT_NEAR(ch(1).Source()[300], before[300], 1e-3f * step);
    EXPECT_EQ(frame.refreshes.back(), RefreshTarget::AllWaveViews);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(CommandsFixture, InvertWithCtrlTurnsEveryChannelAndTheAverage) {
    OpenSample();
    const int n = rec().ChannelCountInList();
    std::vector<float> firsts;
    for (int i = 0; i < n; ++i)
        firsts.push_back(ch(i).Source()[200]);
    select(0);
    run(id::kWaveReverse);
    EXPECT_FLOAT_EQ(ch(0).Source()[200], -firsts[0]);
    EXPECT_FLOAT_EQ(ch(1).Source()[200], firsts[1]);
    host.ctrl = true;
    run(id::kWaveReverse);
    EXPECT_FLOAT_EQ(ch(0).Source()[200], firsts[0]);
    EXPECT_FLOAT_EQ(ch(n - 1).Source()[200], -firsts[n - 1]);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(CommandsFixture, StretchWithCtrlZoomsEveryChannel) {
    OpenSample();
    select(0);
    host.ctrl = true;
    run(id::kWaveStretch);
    for (int i = 0; i < rec().ChannelCountInList(); ++i)
        EXPECT_GT(ch(i).zoom, 1.0f) << i;
    EXPECT_FLOAT_EQ(rec().m_fChannelZoom, ch(0).zoom);
    host.ctrl = false;
    run(id::kWaveCompress);
    EXPECT_FLOAT_EQ(ch(0).zoom, 1.0f);
    EXPECT_GT(ch(1).zoom, 1.0f);
}

TEST_F(CommandsFixture, RestoreChannelAsksFirst) {
    OpenSample();
    select(0);
    const std::vector<float> original = ch(0).Source();
    run(id::kWaveReverse);
    doc->SetModifiedFlag(false);
    frame.refreshes.clear();

    sink.answers = {IDCANCEL};
    run(id::kRestoreChannel);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("确定恢复当前通道么?"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("警告"));
    EXPECT_EQ(sink.shown[0].type & MB_TYPEMASK, unsigned(MB_OKCANCEL));
    EXPECT_FLOAT_EQ(ch(0).Source()[200], -original[200]);
    EXPECT_FALSE(doc->IsModified());

    sink.answers = {IDOK};
    run(id::kRestoreChannel);
    EXPECT_FLOAT_EQ(ch(0).Source()[200], original[200]);
    EXPECT_EQ(frame.refreshes, (std::vector{RefreshTarget::PileChanged, RefreshTarget::AllWaveViews}));
    EXPECT_EQ(frame.integrity, std::vector<bool>{true}); // the marks went with the channel
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(CommandsFixture, RestoreChannelKeepsTheRebuiltMarkersInFixedTimeDifference) {
    OpenSample();
    for (int i : {0, rec().ChannelCountInList() - 1}) { // a blow and the average
        SCOPED_TRACE(i);
        select(i);
        // Where a channel rebuilt from the samples as read puts its markers.
        rec().m_nCalcMode = 0;
        sink.answers = {IDOK};
        ASSERT_TRUE(run(id::kRestoreChannel));
        const int head = ch(i).headIndex, toe = ch(i).toeIndex;
        // Aligning on the rise would move them: the case tells the two apart.
        ASSERT_NE(ch(i).FindRiseIndex(), head);

        rec().m_nCalcMode = 1; // fixed time difference
        rec().m_nAlignMode = 0;
        ch(i).SetCursor(head + 7);
        sink.answers = {IDOK};
        ASSERT_TRUE(run(id::kRestoreChannel));
        EXPECT_EQ(ch(i).headIndex, head);
        EXPECT_EQ(ch(i).toeIndex, toe);
        EXPECT_EQ(rec().m_nCurrentChannel, i);
    }
}

TEST_F(CommandsFixture, CopyAndPasteAChannel) {
    OpenSample();
    select(0);
    EXPECT_FALSE(EvaluateRule(id::kEditPaste, cmds->Snapshot())->enabled);
    run(id::kEditPaste); // nothing to paste: nothing changes
    EXPECT_FALSE(doc->IsModified());

    run(id::kEditCopy);
    EXPECT_EQ(cmds->CopyBuffer(), ch(0).Source());
    EXPECT_TRUE(EvaluateRule(id::kEditPaste, cmds->Snapshot())->enabled);
    select(1);
    run(id::kEditPaste);
    EXPECT_EQ(ch(1).Source(), ch(0).Source());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(CommandsFixture, IntegrateAndDifferentiateStopAtTheirLimits) {
    OpenSample();
    select(0);
    ASSERT_EQ(ch(0).GetDataForm(), 0);
    run(id::kIntegrate);
    EXPECT_EQ(ch(0).GetDataForm(), 1);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(frame.refreshes.back(), RefreshTarget::AverageView);

    doc->SetModifiedFlag(false);
    frame.refreshes.clear();
    const std::vector<float> once = ch(0).Source();
    run(id::kIntegrate); // refused: integrated already
    EXPECT_EQ(ch(0).Source(), once);
    EXPECT_TRUE(frame.refreshes.empty());
    EXPECT_FALSE(doc->IsModified());

    run(id::kDifferentiate);
    run(id::kDifferentiate);
    EXPECT_EQ(ch(0).GetDataForm(), -1);
    const std::vector<float> twice = ch(0).Source();
    doc->SetModifiedFlag(false);
    run(id::kDifferentiate);
    EXPECT_EQ(ch(0).Source(), twice);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(CommandsFixture, RotationTiltsTheTailAndMarksTheDocument) {
    OpenSample();
    select(0);
    run(id::kRotate);
    EXPECT_TRUE(cmds->IsRotateMode());
    run(id::kRotateLocate);
    EXPECT_TRUE(cmds->IsLocateMode());
    EXPECT_FALSE(cmds->IsRotateMode());
    const std::vector<float> before = ch(0).Source();
    run(id::kRotateUp);
    EXPECT_GT(ch(0).Source().back(), before.back());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(CommandsFixture, AxisCommandsSetEveryChannelAndTheShowStyle) {
    OpenSample();
    run(id::kViewByLength);
    for (int i = 0; i < rec().ChannelCountInList(); ++i)
        EXPECT_EQ(ch(i).GetAxisMode(), 2);
    EXPECT_EQ(doc->m_nShowStyle, 2);
    EXPECT_TRUE(EvaluateRule(id::kViewByLength, cmds->Snapshot())->checked);
    host.active = ActiveView::Report;
    run(id::kViewByTime);
    EXPECT_EQ(doc->m_nShowStyle, 2);
}

TEST_F(CommandsFixture, LockGivesEveryChannelTheLargestPeak) {
    OpenSample();
    run(id::kLockYAxis);
    const float peak = ch(0).commonPeak;
    EXPECT_GT(peak, 0.0f);
    for (int i = 0; i < rec().ChannelCountInList(); ++i) {
        EXPECT_EQ(ch(i).commonPeak, peak);
        EXPECT_LE(ch(i).GetDisplayMax(true), peak);
    }
    run(id::kLockYAxis);
    EXPECT_EQ(ch(1).commonPeak, -1.0f);
}

TEST_F(CommandsFixture, SaveWritesTheAnalysisAndMarksTheTreeItem) {
    const QString path = OpenSample();
    select(0);
    run(id::kWaveReverse);
    const float inverted = ch(0).Source()[200];
    run(id::kFileSave);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(host.savedMarks, std::vector{true});
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(frame.exchanges.back().toPanel, false);

    CPileRecord reread;
    ASSERT_TRUE(reread.ReadFile(path));
    EXPECT_FLOAT_EQ(reread.Channel(0)->Source()[200], inverted);
}

TEST_F(CommandsFixture, SaveWithoutAProjectIndexWritesNoIndexAndSaysNothing) {
    OpenSample();
    doc->m_ProjectInfo.m_strIndexPath.clear();
    EXPECT_NO_THROW(run(id::kFileSave));
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(CommandsFixture, SpectrumViewKeepsTheConclusionOfAnotherChannel) {
    OpenSample();
    rec().m_nCurrentChannel = 0;
    rec().m_strClass = QStringLiteral("II");
    rec().m_strRemark = QStringLiteral("remark");
    rec().m_strConclusion = QStringLiteral("conclusion");
    rec().m_analysisValues = {120, 800, 1, 2, 3, 4};
    host.wave = 1; // the view shows another channel than the record's current one
    run(id::kSpectrumView);
    EXPECT_EQ(rec().m_strClass, QStringLiteral("II"));
    EXPECT_EQ(rec().m_strRemark, QStringLiteral("remark"));
    EXPECT_EQ(rec().m_strConclusion, QStringLiteral("conclusion"));
    EXPECT_EQ(rec().m_analysisValues[0], 0);
    ASSERT_EQ(host.curves.size(), 1u);
    EXPECT_EQ(host.curves[0], (std::pair{1, 1}));
    EXPECT_EQ(cmds->AnalysisChannel(), 1);
}

TEST_F(CommandsFixture, ReportCommandsNeedAnAveragedFileInTheProject) {
    OpenSample(); // the sample project holds averaged files
    // Off in the table until report mode has its list view.
    EXPECT_FALSE(run(id::kSingleReport));
    EXPECT_TRUE(host.reports.empty());
    cmds->OnReport(false);
    cmds->OnReport(true);
    EXPECT_EQ(host.reports, (std::vector{false, true}));

    auto& files = doc->m_ProjectInfo.Files();
    for (int i = 0; i < files.GetCount(); ++i) {
        QFile f(files.GetAt(i).m_strPath);
        if (f.open(QIODevice::ReadOnly) && f.read(9) == "A-RIRADAD") {
            f.close();
            ASSERT_TRUE(f.remove());
        }
    }
    host.reports.clear();
    cmds->OnReport(false);
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(CommandsFixture, HelpOpensTheManualOrSaysItIsMissing) {
    cmds->SetManualDir(tmp.path());
    run(id::kHelpManual);
    EXPECT_TRUE(opener.opened.empty());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("KEV_JX使用手册.pdf")));

    const QString manual = tmp.filePath(QStringLiteral("KEV_JX使用手册.pdf"));
    QFile f(manual);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    run(id::kHelpManual);
    EXPECT_EQ(opener.opened, std::vector{manual});
    EXPECT_EQ(sink.shown.size(), 1u);
}

struct FakeLanguages : LanguageChoice {
    bool FilesExist() const override { return true; }
    int CheckedItem() const override { return checked; }
    void Select(int item) override { selected.push_back(item); }
    int checked = 5051;
    std::vector<int> selected;
};

TEST_F(CommandsFixture, LanguageChoiceTakesEffectAtTheNextStart) {
    FakeLanguages languages;
    cmds->SetLanguageChoice(&languages);
    EXPECT_TRUE(EvaluateRule(5052, cmds->Snapshot())->enabled);
    run(5051); // the checked item
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(languages.selected.empty());
    run(5052);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Need to reboot application for Switch Language!"));
    EXPECT_EQ(languages.selected, std::vector{5052});
    EXPECT_EQ(languages.checked, 5051);
}

TEST_F(CommandsFixture, KevFolderConversion) {
    host.folder.clear();
    run(id::kConvertKev); // cancelled
    EXPECT_TRUE(sink.shown.empty());

    host.folder = tmp.path();
    run(id::kConvertKev); // no instrument file: said so
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("数据转换失败")));
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("没有KEV文件")))
        << sink.shown[0].text.toStdString();

    pit::test::KevBuilder kev;
    kev.writeTo(tmp.path(), QStringLiteral("A1.KEV"));
    kev.writeTo(tmp.path(), QStringLiteral("A2.kev"));
    run(id::kConvertKev);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[1].text, QStringLiteral("数据转换成功"));
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath(QStringLiteral("A1.DUX"))));
    EXPECT_EQ(QDir(tmp.path()).entryList({QStringLiteral("A2.*")}, QDir::Files).size(), 2);

    // A file cut short names itself; the files before it stay converted.
    const QString other = tmp.filePath(QStringLiteral("other"));
    QDir().mkpath(other);
    kev.writeTo(other, QStringLiteral("A0.KEV"));
    QFile cut(QDir(other).filePath(QStringLiteral("B0.KEV")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write("KEV");
    cut.close();
    host.folder = other;
    sink.shown.clear();
    run(id::kConvertKev);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("数据转换失败")));
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("B0.KEV"))) << sink.shown[0].text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(other).filePath(QStringLiteral("A0.DUX"))));
}

TEST_F(CommandsFixture, CommandsOnAChannelDoNothingInTheReportView) {
    OpenSample();
    host.active = ActiveView::Report;
    const std::vector<float> before = ch(0).Source();
    for (int c : {id::kShiftLeft, id::kMoveUp, id::kWaveReverse, id::kIntegrate, id::kFactor50})
        run(c);
    EXPECT_EQ(ch(0).Source(), before);
    EXPECT_FLOAT_EQ(ch(0).GetScale(), 1.0f);
    EXPECT_FALSE(doc->IsModified());
}

} // namespace

namespace {

TEST_F(CommandsFixture, TimeDifferenceAndHeadPickModes) {
    OpenSample();
    run(id::kVaryingTimeDiff);
    EXPECT_EQ(rec().m_nCalcMode, 1);
    EXPECT_EQ(host.panelControls, 1);
    EXPECT_EQ(frame.refreshes.back(), RefreshTarget::AllWaveViews);
    UiState s = cmds->Snapshot();
    EXPECT_TRUE(EvaluateRule(id::kVaryingTimeDiff, s)->checked);
    EXPECT_TRUE(EvaluateRule(id::kHeadPeak, s)->enabled);

    run(id::kHeadPeak);
    EXPECT_EQ(doc->AlignModeValue(), 1);
    EXPECT_TRUE(EvaluateRule(id::kHeadPeak, cmds->Snapshot())->checked);
    run(id::kHeadStart);
    EXPECT_EQ(doc->AlignModeValue(), 0);
    EXPECT_TRUE(EvaluateRule(id::kHeadStart, cmds->Snapshot())->checked);

    run(id::kFixedTimeDiff);
    EXPECT_EQ(rec().m_nCalcMode, 0);
    EXPECT_FALSE(EvaluateRule(id::kHeadPeak, cmds->Snapshot())->enabled);
}

} // namespace

namespace {

TEST_F(CommandsFixture, RestoreAllChannelsRewritesTheOriginalAndTakesTheRecordTexts) {
    OpenSample();
    select(0);
    const std::vector<float> original0 = ch(0).Source(), original1 = ch(1).Source();
    host.ctrl = true;
    run(id::kWaveReverse);

    sink.answers = {IDCANCEL};
    run(id::kRestoreAllChannels);
    EXPECT_EQ(sink.shown.back().text, QStringLiteral("确定恢复所有通道么?"));
    EXPECT_FLOAT_EQ(ch(1).Source()[200], -original1[200]);

    doc->m_ProjectInfo.m_texts = {};
    sink.answers = {IDOK};
    frame.refreshes.clear();
    run(id::kRestoreAllChannels);
    EXPECT_FLOAT_EQ(ch(0).Source()[200], original0[200]);
    EXPECT_FLOAT_EQ(ch(1).Source()[200], original1[200]);
    const auto& t = doc->m_ProjectInfo.m_texts;
    // The texts of the rewritten record, in the slots the main panel reads them from.
    EXPECT_FALSE(rec().m_strProject.isEmpty());
    EXPECT_EQ(t[0], rec().m_strProject);
    EXPECT_EQ(t[2], rec().m_strText4);
    EXPECT_EQ(t[5], rec().m_strText5);
    EXPECT_EQ(t[4], rec().m_strText6);
    EXPECT_EQ(host.savedMarks, std::vector{false});
    EXPECT_EQ(frame.refreshes, (std::vector{RefreshTarget::AllWaveViews, RefreshTarget::PileChanged}));
    EXPECT_EQ(frame.switches, std::vector{ViewMode::Main});
}

} // namespace

namespace {

TEST_F(CommandsFixture, SingleTracePictureOfTheAverageFromTheAveragedView) {
    OpenSample();
    rec().m_strPileNo = QStringLiteral("ZK1.2/3");
    host.active = ActiveView::Average;
    const int last = rec().ChannelCountInList() - 1;

    run(id::kSingleTraceBmp); // cancelled
    EXPECT_EQ(host.offeredName, QStringLiteral("ZK1_2_3_%1.bmp").arg(last + 1));
    EXPECT_TRUE(host.savedChannels.empty());
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(frame.refreshes, std::vector{RefreshTarget::AllWaveViews});

    host.savePath = tmp.filePath(QStringLiteral("trace.bmp"));
    run(id::kSingleTraceBmp);
    EXPECT_EQ(host.savedChannels, std::vector{last});
    EXPECT_EQ(opener.opened, std::vector{host.savePath});
}

} // namespace
