// The main window on a copy of the sample project: view switching, the
// refresh hub and its title, the command rules, the save prompts, the pile
// tree and the information pages.
#include "mainwnd/MainFrame.h"
#include "analysis/AnalysisView.h"
#include "analysis/AverageWaveView.h"
#include "analysis/DlgWavaSpectrum.h"
#include "analysis/MainWaveView.h"
#include "analysis/PrintUi.h"
#include "analysis/SingleWaveView.h"
#include "app/Application.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "controls/ViewBar.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/project/ProjectInfo.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/DlgProInfo.h"
#include "mainwnd/FormMain.h"
#include "mainwnd/RefreshHub.h"
#include "platform/MessageSink.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <set>

using namespace pit;
using namespace pit::test;

namespace {

// ---- pure tables ------------------------------------------------------------------------

TEST(RefreshHub, EachCodeReachesItsTargets) {
    using P = RefreshPlan;
    auto views = [](unsigned v) {
        P p;
        p.views = v;
        return p;
    };
    P pile, integrity, dates, form2, report1;
    pile.pileChanged = true;
    integrity.integrityText = true;
    dates.testDateState = true;
    form2.reportForm = 2;
    report1.reportView = 1;
    const struct {
        int code, sub;
        P plan;
    } cases[] = {
        {1, 0, views(P::kMainWave)},
        {2, 0, views(P::kAverage)},
        {3, 0, views(P::kAnalysis)},
        {4, 0, views(P::kMainWave | P::kAverage | P::kAnalysis | P::kSingle)},
        {5, 0, views(P::kSingle)},
        {6, 1, report1},
        {6, 7, P{}},
        {10, 0, pile},
        {11, 0, integrity},
        {12, 0, dates},
        {15, 2, form2},
        {15, 3, P{}},
        {7, 0, P{}},
        {8, 0, P{}},
        {9, 0, P{}},
        {13, 0, P{}},
        {14, 0, P{}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlanRefresh(c.code, c.sub), c.plan) << "code " << c.code << " sub " << c.sub;
}

TEST(WindowTitle, StringsByteForByte) {
    EXPECT_EQ(ComposeWindowTitle(false, {}).toUtf8(),
              QByteArray("KEV\xE4\xBD\x8E\xE5\xBA\x94\xE5\x8F\x98\xE5\x88\x86"
                         "\xE6\x9E\x90\xE7\xA8\x8B\xE5\xBA\x8F 1.8.31008     "));
    EXPECT_EQ(ComposeWindowTitle(true, {}), QStringLiteral("KEV-TIMBO 1.8.31008     "));
    EXPECT_EQ(ComposeWindowTitle(true, QStringLiteral("/p/ZK1.DUX")),
              QStringLiteral("KEV-TIMBO 1.8.31008     /p/ZK1.DUX"));
    EXPECT_EQ(FrameTitleWord(false), QStringLiteral("KEV-DUX(W)"));
    EXPECT_EQ(FrameTitleWord(true), QStringLiteral("KEV-TIMBO"));
}

// ---- the frame on a copy of the sample project ----------------------------------------------

TEST_F(Frame, StartsOnTheMainPairWithTheLowerPaneActive) {
    EXPECT_EQ(frame->VisibleClientPage(), frame->MainWaveView()->parentWidget());
    // The lower pane, unless the pile's current channel is its average.
    const CPileRecord& r = doc->m_PileRecord;
    const bool average = r.m_nCurrentChannel == r.ChannelCountInList() - 1;
    EXPECT_TRUE(frame->IsActiveView(average ? ActiveView::Average : ActiveView::MainWave));
    EXPECT_EQ(g_nViewMode, 0);
    EXPECT_FALSE(frame->PanelBar()->isHidden());
    EXPECT_TRUE(frame->ReportBar()->isHidden());
    EXPECT_TRUE(frame->ReportToolBar()->isHidden());
    EXPECT_EQ(frame->windowTitle(), ComposeWindowTitle(false, pile("ZK1.DUX")));
    // Every command id of the menus and tool bars has its action with the id in data().
    for (int id : CommandRegistry::MainToolBarIds())
        if (id)
            ASSERT_NE(frame->Commands()->Action(id), nullptr) << id;
    EXPECT_EQ(frame->Commands()->Action(cmd::kViewMain)->data().toInt(), cmd::kViewMain);
}

TEST_F(Frame, ViewSwitchingTable) {
    doc->m_PileRecord.m_nCurrentChannel = 0;
    frame->OnPileSelected();
    ASSERT_TRUE(frame->IsActiveView(ActiveView::MainWave));
    const struct {
        int command;
        ActiveView active;
        int mode, prev;
        QWidget* (*page)(CMainFrame&);
    } steps[] = {
        {cmd::kViewSingleWave, ActiveView::SingleWave, 2, 0,
         [](CMainFrame& f) -> QWidget* { return f.SingleWaveView(); }},
        {cmd::kViewAnalysis, ActiveView::Analysis, 1, 2,
         [](CMainFrame& f) -> QWidget* { return f.AnalysisView(); }},
        {cmd::kViewMain, ActiveView::MainWave, 0, 1,
         [](CMainFrame& f) -> QWidget* { return f.MainWaveView()->parentWidget(); }},
        {cmd::kViewAnalysis, ActiveView::Analysis, 1, 0,
         [](CMainFrame& f) -> QWidget* { return f.AnalysisView(); }},
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(choose(s.command)) << s.command;
        EXPECT_TRUE(frame->IsActiveView(s.active)) << s.command;
        EXPECT_EQ(g_nViewMode, s.mode) << s.command;
        EXPECT_EQ(g_nPrevViewMode, s.prev) << s.command;
        EXPECT_EQ(frame->VisibleClientPage(), s.page(*frame)) << s.command;
        frame->Commands()->Update();
        EXPECT_TRUE(frame->Commands()->Action(s.command)->isChecked()) << s.command;
    }
    // Leaving the analysis view for the main view remembers it as the detail view.
    frame->SetActivateUpper(true);
    frame->OnViewMain();
    EXPECT_FALSE(frame->WasSingleWaveView());
    EXPECT_TRUE(frame->IsActiveView(ActiveView::Average));
    EXPECT_FALSE(frame->ActivateUpperPending());
    frame->SwitchToView(ActiveView::MainWave);
    EXPECT_TRUE(frame->IsActiveView(ActiveView::MainWave));
    // In report mode the view switches are refused by their rules.
    g_nViewMode = 4;
    EXPECT_FALSE(choose(cmd::kViewSingleWave));
    g_nViewMode = 0;
}

TEST_F(Frame, ReportModeSwapsTheBarsAndComesBackToTheRememberedView) {
    ASSERT_TRUE(choose(cmd::kViewSingleWave));
    frame->RememberActiveView();
    EXPECT_EQ(frame->SavedView(), 3);
    frame->EnterReportMode(true);
    EXPECT_EQ(g_nViewMode, 4);
    EXPECT_EQ(g_nPrevViewMode, 2);
    EXPECT_TRUE(frame->IsActiveView(ActiveView::Report));
    EXPECT_EQ(frame->VisibleClientPage(), frame->ReportView());
    EXPECT_TRUE(frame->MainToolBar()->isHidden());
    EXPECT_TRUE(frame->PanelBar()->isHidden());
    EXPECT_FALSE(frame->ReportToolBar()->isHidden());
    EXPECT_FALSE(frame->ReportBar()->isHidden());
    // Wave editing and view switches are off in report mode; the panel toggle works on the report form.
    frame->Commands()->Update();
    EXPECT_FALSE(frame->Commands()->Action(cmd::kFileSave)->isEnabled());
    EXPECT_FALSE(frame->Commands()->Action(cmd::kViewMain)->isEnabled());
    ASSERT_TRUE(choose(cmd::kMainPanel));
    EXPECT_TRUE(frame->ReportBar()->isHidden());
    EXPECT_TRUE(frame->PanelBar()->isHidden());

    frame->RestoreViewMode();
    EXPECT_TRUE(frame->IsActiveView(ActiveView::SingleWave));
    EXPECT_EQ(g_nViewMode, 2);
    EXPECT_FALSE(frame->MainToolBar()->isHidden());
    EXPECT_FALSE(frame->PanelBar()->isHidden());
    EXPECT_TRUE(frame->ReportToolBar()->isHidden());
}

TEST_F(Frame, RefreshCodesReachTheirViewsAndEndWithTheTitle) {
    std::vector<int> codes;
    QObject::connect(frame.get(), &CMainFrame::refreshed, [&](int code, int) { codes.push_back(code); });
    doc->m_PileRecord.m_nCurrentChannel = 1;
    frame->MainWaveView()->SetCurrentWave(0);
    frame->SingleWaveView()->SetCurrentWave(0);
    frame->setWindowTitle(QStringLiteral("x"));
    frame->Refresh(RefreshTarget::MainWaveView);
    EXPECT_EQ(frame->MainWaveView()->CurrentWave(), 1);
    EXPECT_EQ(frame->SingleWaveView()->CurrentWave(), 0); // code 1 reaches only the main view
    EXPECT_EQ(frame->windowTitle(), ComposeWindowTitle(false, pile("ZK1.DUX")));

    doc->m_PileRecord.m_nCurrentChannel = -1; // no channel: the views take 0
    frame->Refresh(RefreshTarget::AllWaveViews);
    EXPECT_EQ(frame->MainWaveView()->CurrentWave(), 0);
    EXPECT_EQ(frame->SingleWaveView()->CurrentWave(), 0);

    doc->m_PileRecord.m_nCurrentChannel = 1;
    frame->setWindowTitle(QStringLiteral("x"));
    frame->Refresh(RefreshTarget(7));
    EXPECT_EQ(frame->MainWaveView()->CurrentWave(), 0);
    EXPECT_EQ(frame->windowTitle(), ComposeWindowTitle(false, pile("ZK1.DUX")));
    EXPECT_EQ(codes, (std::vector<int>{1, 4, 7}));

    // The report-mode codes carry their sub-codes to the report parts.
    std::vector<int> form, view;
    QObject::connect(frame.get(), &CMainFrame::reportFormRefresh, [&](int sub) { form.push_back(sub); });
    QObject::connect(frame.get(), &CMainFrame::reportViewRefresh, [&](int sub) { view.push_back(sub); });
    frame->Refresh(RefreshTarget::ReportForm, 2);
    frame->Refresh(RefreshTarget::ReportForm, 5);
    frame->Refresh(RefreshTarget::ReportView, 1);
    EXPECT_EQ(form, std::vector<int>{2});
    EXPECT_EQ(view, std::vector<int>{1});
}

TEST_F(Frame, PileTreeListsTheProjectInOrderWithMarks) {
    QTreeWidgetItem* root = tree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), doc->m_ProjectInfo.GetProjectPath());
    const CPileFileArray& files = doc->m_ProjectInfo.Files();
    ASSERT_EQ(root->childCount(), files.GetCount());
    ASSERT_EQ(files.GetCount(), 12);
    int marked = 0;
    for (int i = 0; i < files.GetCount(); ++i) {
        const CPileFileItem& f = files.GetAt(i);
        const bool mark = f.m_bFlag == 1;
        marked += mark;
        EXPECT_EQ(root->child(i)->text(0), f.m_strName + (mark ? QStringLiteral("*") : QString()));
        EXPECT_EQ(root->child(i)->data(0, CFormMain::kPathRole).toString(), f.m_strPath);
    }
    EXPECT_EQ(frame->FormMain()->MarkedCount(), marked);
    // Natural name order: ZK2 before ZK10.
    QStringList names;
    for (int i = 0; i < root->childCount(); ++i)
        names << QFileInfo(root->child(i)->data(0, CFormMain::kPathRole).toString()).fileName();
    EXPECT_LT(names.indexOf(QStringLiteral("ZK2.DUX")), names.indexOf(QStringLiteral("ZK10.DUX")));
    EXPECT_EQ(tree()->currentItem(), item(QStringLiteral("ZK1.DUX")));
}

TEST_F(Frame, SortByTestTimeReordersTheTreeAndKeepsTheSelection) {
    frame->FormMain()->SortBy(2);
    EXPECT_TRUE(frame->FormMain()->SortedByTestTime());
    const CPileFileArray& files = doc->m_ProjectInfo.Files();
    QTreeWidgetItem* root = tree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), files.GetCount());
    for (int i = 0; i < files.GetCount(); ++i) {
        EXPECT_EQ(root->child(i)->data(0, CFormMain::kPathRole).toString(), files.GetAt(i).m_strPath);
        if (i > 0)
            EXPECT_LE(files.GetAt(i - 1).m_strTestDateTime, files.GetAt(i).m_strTestDateTime);
    }
    EXPECT_EQ(tree()->currentItem(), item(QStringLiteral("ZK1.DUX")));
    frame->FormMain()->SortBy(0);
    EXPECT_FALSE(frame->FormMain()->SortedByTestTime());
}

TEST_F(Frame, PanelCodesReloadThePagesAndTheTestDateControls) {
    auto* speed = qobject_cast<QLineEdit*>(FindCtrl(frame->FormMain()->PilePanel(), 1072));
    doc->m_PileRecord.m_nWaveSpeed = 3210;
    frame->Refresh(RefreshTarget::PileChanged);
    EXPECT_EQ(speed->text(), QStringLiteral("3210"));
    QWidget* testDate = FindCtrl(frame->FormMain()->ProjectPanel(), 1023);
    for (bool allowed : {true, false}) {
        doc->m_bEnableTestDate = allowed;
        frame->Refresh(RefreshTarget::DefectState);
        EXPECT_EQ(testDate->isEnabled(), allowed);
    }
    // A fixed test date keeps the controls disabled.
    doc->m_bEnableTestDate = true;
    doc->m_bFixedParams = true;
    doc->m_nFixSettings[9] = 1;
    frame->Refresh(RefreshTarget::DefectState);
    EXPECT_FALSE(testDate->isEnabled());
}

TEST_F(Frame, SelectingAPileLoadsItIntoTheViewsAndPages) {
    tree()->setCurrentItem(item(QStringLiteral("ZK3.DUX")));
    EXPECT_EQ(doc->m_PileRecord.m_strPath, pile("ZK3.DUX"));
    EXPECT_EQ(doc->GetPathName(), pile("ZK3.DUX"));
    EXPECT_EQ(frame->windowTitle(), ComposeWindowTitle(false, pile("ZK3.DUX")));
    auto* speed = qobject_cast<QLineEdit*>(FindCtrl(frame->FormMain()->PilePanel(), 1072));
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->text(), QString::number(doc->m_PileRecord.m_nWaveSpeed));
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(Frame, TheRootOrThePileShownDoesNotReload) {
    doc->SetModifiedFlag(true);
    doc->m_PileRecord.m_nWaveSpeed = 1234; // a reload would put the file's speed back
    sink.shown.clear();
    tree()->setCurrentItem(tree()->topLevelItem(0));
    tree()->setCurrentItem(item(QStringLiteral("ZK1.DUX")));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(doc->m_PileRecord.m_nWaveSpeed, 1234);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(Frame, SwitchPromptSavesOnceOnYesNotOnNoAndStaysOnCancel) {
    const QByteArray before = bytes(pile("ZK1.DUX"));
    struct Case {
        int answer;
        bool switched, saved;
    } const cases[] = {{IDCANCEL, false, false}, {IDNO, true, false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
        tree()->setCurrentItem(item(QStringLiteral("ZK1.DUX")));
        doc->SetModifiedFlag(true);
        sink.shown.clear();
        sink.answers = {c.answer};
        tree()->setCurrentItem(item(QStringLiteral("ZK2.DUX")));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, QStringLiteral("是否将改动保存到ZK1.DUX?"));
        EXPECT_EQ(sink.shown[0].caption, QStringLiteral("KEV-DUX(W)"));
        EXPECT_EQ(sink.shown[0].type & MB_TYPEMASK, unsigned(MB_YESNOCANCEL));
        EXPECT_EQ(doc->m_PileRecord.m_strPath, pile(c.switched ? "ZK2.DUX" : "ZK1.DUX")) << c.answer;
        QApplication::processEvents();
        QTreeWidgetItem* shown = item(c.switched ? QStringLiteral("ZK2.DUX") : QStringLiteral("ZK1.DUX"));
        EXPECT_EQ(tree()->currentItem(), shown);
        EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{shown});
        EXPECT_EQ(bytes(pile("ZK1.DUX")), before) << c.answer;
    }
    // Yes: saved, then switched.
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
    tree()->setCurrentItem(item(QStringLiteral("ZK1.DUX")));
    doc->SetModifiedFlag(true);
    sink.answers = {IDYES};
    tree()->setCurrentItem(item(QStringLiteral("ZK2.DUX")));
    EXPECT_EQ(doc->m_PileRecord.m_strPath, pile("ZK2.DUX"));
    EXPECT_NE(bytes(pile("ZK1.DUX")), before);
}

TEST_F(Frame, ClosePromptCancelKeepsTheWindowOpen) {
    const QByteArray before = bytes(pile("ZK1.DUX"));
    doc->SetModifiedFlag(true);
    sink.answers = {IDCANCEL};
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(doc->IsModified());
    sink.answers = {IDNO};
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(bytes(pile("ZK1.DUX")), before);
}

TEST_F(Frame, ClosePromptYesSavesOnce) {
    doc->SetModifiedFlag(true);
    sink.shown.clear();
    sink.answers = {IDYES};
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_FALSE(doc->IsModified());
    CPileRecord reread;
    ASSERT_TRUE(reread.ReadFile(pile("ZK1.DUX")));
    EXPECT_EQ(reread.m_nChannelCount, doc->m_PileRecord.m_nChannelCount);
}

TEST_F(Frame, AFailedSaveInTheClosePromptKeepsTheWindowOpen) {
    doc->SetModifiedFlag(true);
    ASSERT_TRUE(QDir(folder).removeRecursively()); // nowhere to write
    sink.shown.clear();
    sink.answers = {IDYES};
    EXPECT_FALSE(frame->close());
    ASSERT_EQ(sink.shown.size(), 2u); // the prompt, then the error
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(frame->OnFileSave());
}

TEST_F(Frame, SaveWritesPileAndIndexAndFailsHonestly) {
    const QString index = QDir(folder).filePath(QStringLiteral("demo.DUP"));
    QFile::remove(index);
    doc->SetModifiedFlag(true);
    sink.shown.clear();
    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(IsProjectFile(index));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
    EXPECT_EQ(back.m_bFixedParam, 1); // the saved analysis

    // The pile file went away: one message, still modified.
    doc->SetModifiedFlag(true);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(Frame, ARuleCheckedOnTriggerRefusesAStaleEnabledAction) {
    ASSERT_TRUE(choose(cmd::kViewMain));
    ASSERT_TRUE(action(cmd::kViewSingleWave)->isEnabled());
    // Report mode begins between two idle updates: the action still shows
    // enabled, but its rule is checked when it runs.
    g_nViewMode = 4;
    action(cmd::kViewSingleWave)->trigger();
    EXPECT_FALSE(frame->IsActiveView(ActiveView::SingleWave));
    g_nViewMode = 0;
    action(cmd::kViewSingleWave)->trigger();
    EXPECT_TRUE(frame->IsActiveView(ActiveView::SingleWave));
}

TEST_F(Frame, SavingTwiceMarksThePileOnce) {
    QTreeWidgetItem* zk1 = item(QStringLiteral("ZK1.DUX"));
    const bool markedBefore = zk1->text(0).endsWith(u'*');
    const int count = frame->FormMain()->MarkedCount();
    ASSERT_FALSE(markedBefore);
    frame->Commands()->Update();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier); // 保存 by its shortcut
    EXPECT_EQ(zk1->text(0), QStringLiteral("ZK1.DUX*"));
    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_EQ(zk1->text(0), QStringLiteral("ZK1.DUX*"));
    EXPECT_EQ(frame->FormMain()->MarkedCount(), count + (markedBefore ? 0 : 1));
    frame->FormMain()->MarkPileSaved(false);
    frame->FormMain()->MarkPileSaved(false);
    EXPECT_EQ(zk1->text(0), QStringLiteral("ZK1.DUX"));
    EXPECT_EQ(frame->FormMain()->MarkedCount(), count - (markedBefore ? 1 : 0));
}

TEST_F(Frame, ACorruptPileIsReportedAndThePreviousPileStays) {
    const QString bad = pile("BAD.DUX");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes(pile("ZK2.DUX")).left(300)); // cut short
    f.close();
    CPileFileItem entry;
    entry.m_strName = QStringLiteral("BAD.DUX");
    entry.m_strPath = bad;
    doc->m_ProjectInfo.Files().Add(entry);
    frame->FormMain()->FillPileTree();
    const int channels = doc->m_PileRecord.ChannelCountInList();
    sink.shown.clear();
    tree()->setCurrentItem(item(QStringLiteral("BAD.DUX")));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(doc->m_PileRecord.m_strPath, pile("ZK1.DUX"));
    EXPECT_EQ(doc->m_PileRecord.ChannelCountInList(), channels);
    QApplication::processEvents();
    EXPECT_EQ(tree()->currentItem(), item(QStringLiteral("ZK1.DUX")));
    EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{item(QStringLiteral("ZK1.DUX"))});
}

TEST_F(Frame, SpeedConfirmedTwiceKeepsEveryChannelsTimeDifference) {
    CPileRecord& r = doc->m_PileRecord;
    ASSERT_GE(r.ChannelCountInList(), 2);
    r.m_nSensorDistance = 500;
    r.m_nCalcMode = 0;
    r.m_nCurrentChannel = 0;
    CDlgPileInfo* page = frame->FormMain()->PilePanel();
    page->SaveToRecord(false);
    std::vector<float> lengths;
    for (int i = 1; i < r.ChannelCountInList(); ++i)
        lengths.push_back(r.Channel(i)->GetPileLength());
    page->OnSetfocusSpeed();
    page->OnSetfocusSpeed();
    for (int i = 1; i < r.ChannelCountInList(); ++i)
        EXPECT_NEAR(r.Channel(i)->GetPileLength(), lengths[size_t(i - 1)], 1e-4) << i;
}

TEST_F(Frame, StoringThePilePageKeepsUnchangedValuesExact) {
    CPileRecord& r = doc->m_PileRecord;
    r.m_fPileLength = 12.3456f;
    r.m_fDiameter = 800.125f;
    CDlgPileInfo* page = frame->FormMain()->PilePanel();
    page->SaveToRecord(false);
    page->SaveToRecord(true); // e.g. after the remark changed
    EXPECT_FLOAT_EQ(r.m_fPileLength, 12.3456f);
    EXPECT_FLOAT_EQ(r.m_fDiameter, 800.125f);
    qobject_cast<QLineEdit*>(FindCtrl(page, 1071))->setText(QStringLiteral("11.5"));
    page->SaveToRecord(true);
    EXPECT_FLOAT_EQ(r.m_fPileLength, 11.5f);
}

TEST_F(Frame, SpeedAndLengthAreClampedWithTheTimeDifferenceKept) {
    CPileRecord& r = doc->m_PileRecord;
    r.m_nCalcMode = 0;
    CDlgPileInfo* page = frame->FormMain()->PilePanel();
    auto* speed = qobject_cast<QLineEdit*>(FindCtrl(page, 1072));
    auto* length = qobject_cast<QLineEdit*>(FindCtrl(page, 1071));
    const struct {
        const char* typedSpeed;
        int speed;
    } speeds[] = {{"0", 1}, {"20000", 10000}, {"4000", 4000}};
    for (const auto& c : speeds) {
        r.m_nWaveSpeed = 4000;
        r.m_fPileLength = 10.0f;
        speed->setText(QString::fromLatin1(c.typedSpeed));
        page->OnSetfocusSpeed();
        EXPECT_EQ(r.m_nWaveSpeed, c.speed) << c.typedSpeed;
        EXPECT_NEAR(r.m_fPileLength, std::max(0.1, c.speed * 0.005 / 2), 1e-4) << c.typedSpeed;
    }
    const struct {
        const char* typed;
        float length;
    } lengths[] = {{"0.05", 0.1f}, {"1500", 1000.0f}};
    for (const auto& c : lengths) {
        r.m_nWaveSpeed = 4000;
        r.m_fPileLength = 10.0f;
        length->setText(QString::fromLatin1(c.typed));
        page->OnSetfocusLength();
        EXPECT_FLOAT_EQ(r.m_fPileLength, c.length);
        EXPECT_EQ(r.m_nWaveSpeed, std::max(1, int(std::lround(2 * c.length / 0.005))));
    }
    // Report mode: the length stays as typed.
    doc->m_bReportMode = true;
    r.m_nWaveSpeed = 4000;
    r.m_fPileLength = 10.0f;
    speed->setText(QStringLiteral("3000"));
    length->setText(QStringLiteral("10.00"));
    page->OnSetfocusSpeed();
    EXPECT_FLOAT_EQ(r.m_fPileLength, 10.0f);
    // No pile: nothing.
    doc->m_bReportMode = false;
    doc->m_bFileOpen = false;
    speed->setText(QStringLiteral("1234"));
    page->OnSetfocusSpeed();
    EXPECT_EQ(r.m_nWaveSpeed, 3000);
}

TEST_F(Frame, ProjectPageRefusesLateTestDatesAndAgesOutsideTheRange) {
    CDlgProInfo* page = frame->FormMain()->ProjectPanel();
    sink.shown.clear();
    EXPECT_TRUE(page->CheckDates(QStringLiteral("2038-01-18 19:14:07")));
    EXPECT_FALSE(page->CheckDates(QStringLiteral("2038-01-18 19:14:08")));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("检测日期不能大于2038年1月18日19时14分07秒！"));

    CPileRecord& r = doc->m_PileRecord;
    // Dates: a test date before the construction date is put back; equal dates give age 0.
    auto* testDate = qobject_cast<QDateEdit*>(FindCtrl(page, 1023));
    auto* buildDate = qobject_cast<QDateEdit*>(FindCtrl(page, 1024));
    ASSERT_TRUE(testDate && buildDate);
    const QDate build = buildDate->date();
    const QDate test = testDate->date();
    ASSERT_LE(build, test);
    sink.shown.clear();
    testDate->setDate(build.addDays(-1));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("检测日期必须大于施工日期！"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(testDate->date(), test);
    testDate->setDate(build);
    EXPECT_EQ(r.m_nAge, 0);
    testDate->setDate(test);
    EXPECT_EQ(r.m_nAge, build.daysTo(test));

    auto* age = qobject_cast<QLineEdit*>(FindCtrl(page, 1343));
    const int before = r.m_nAge;
    for (const char* bad : {"0", "10000"}) {
        age->setText(QString::fromLatin1(bad));
        page->ApplyAge();
        EXPECT_EQ(r.m_nAge, before) << bad;
        EXPECT_EQ(age->text(), QString::number(before)) << bad;
    }
    EXPECT_EQ(sink.shown.back().text, QStringLiteral("龄期请输入1-9999！"));
    age->setText(QStringLiteral("9999"));
    page->ApplyAge();
    EXPECT_EQ(r.m_nAge, 9999);
    EXPECT_EQ(doc->m_iAge, 9999);
    EXPECT_EQ(r.m_constructionDate.daysTo(r.m_testDate), 9999);
}

TEST_F(Frame, AmplificationIndexStepsClampAndIntegrityTextWords) {
    CFormMain* form = frame->FormMain();
    struct {
        int start, step, expected;
    } const cases[] = {{99, 5, 100}, {2, -3, 1}, {50, 1, 51}};
    for (const auto& c : cases) {
        form->WavePanel()->m_nExpIndex = c.start;
        form->StepAmplificationIndex(c.step);
        EXPECT_EQ(form->WavePanel()->m_nExpIndex, c.expected) << c.start << " " << c.step;
    }
    CWaveRecord* w = doc->m_PileRecord.Channel(0);
    ASSERT_NE(w, nullptr);
    w->DefectMarks().clear();
    EXPECT_EQ(CFormMain::IntegrityText(*w, 2, false), QStringLiteral("桩身完整"));
    DefectMark m;
    m.index = 300;
    m.type = 0;
    m.severity = 1; // ordinary: no word
    w->DefectMarks().push_back(m);
    const QString depth = QString::number(double(w->IndexToDepth(300)), 'f', 2);
    EXPECT_EQ(CFormMain::IntegrityText(*w, 2, false),
              QStringLiteral("距桩顶") + depth + QStringLiteral("m缩径。"));
    m.severity = 2;
    m.type = 1;
    w->DefectMarks().push_back(m);
    EXPECT_EQ(CFormMain::IntegrityText(*w, 2, true), QStringLiteral("Integrity Ass: Apart Pile Top ") +
                                                         depth + QStringLiteral("m moderate necking, ") +
                                                         depth + QStringLiteral("m severe contaminated."));
}

TEST_F(Frame, LayoutIsRememberedBetweenRuns) {
    QSettings layout(tmp.filePath(QStringLiteral("layout.ini")), QSettings::IniFormat);
    {
        CMainFrame first(doc.get(), false, &layout);
        first.resize(900, 600);
        first.show();
        QApplication::processEvents();
        first.MainToolBar()->hide();
        first.resizeDocks({first.PanelBar()}, {420}, Qt::Horizontal);
        QApplication::processEvents();
        first.SaveLayout();
    }
    CMainFrame second(doc.get(), false, &layout);
    second.show();
    QApplication::processEvents();
    EXPECT_TRUE(second.MainToolBar()->isHidden());
    EXPECT_FALSE(second.PanelBar()->isHidden());
    EXPECT_NEAR(second.PanelBar()->width(), 420, 12);
}

TEST_F(Frame, DigitalFilterAndAmplificationTakeTheDialogsAnswers) {
    CFormMain* form = frame->FormMain();
    std::vector<int> codes;
    QObject::connect(frame.get(), &CMainFrame::refreshed, [&](int code, int) { codes.push_back(code); });
    form->askFilter = [](int& high, int& low) {
        high = 120;
        low = 1800;
        return true;
    };
    form->WavePanel()->m_nApplyTo = 0;
    form->OnDigitalFilter();
    CWaveRecord* w = doc->m_PileRecord.CurrentChannel();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->highPassHz, 120);
    EXPECT_EQ(w->lowPassHz, 1800);
    EXPECT_EQ(form->WavePanel()->m_nHighPass, 120);
    EXPECT_NE(std::find(codes.begin(), codes.end(), 4), codes.end());

    form->askAmplification = [](int& index) {
        index = 7;
        return true;
    };
    form->OnExponentialAmplify();
    EXPECT_EQ(form->WavePanel()->m_nExpIndex, 7);
    form->askAmplification = [](int& index) {
        index = 9;
        return false; // Cancel
    };
    form->OnExponentialAmplify();
    EXPECT_EQ(form->WavePanel()->m_nExpIndex, 7);
}

// ---- the whole program, offscreen ------------------------------------------------------------

TEST(ProgramStart, OffscreenStartOnTheSampleProjectShowsTreeAndWaves) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("demo"));
    ASSERT_TRUE(test::copyPileFiles(QStringLiteral(PIT_SAMPLES_DIR), folder));
    ScriptedMessageSink sink;
    auto app = std::make_unique<CKEV_DUXApp>();
    app->SetRecentFileList(std::make_unique<RecentFileList>(tmp.filePath(QStringLiteral("registry.ini"))));
    app->SetMessageSink(&sink);
    ASSERT_TRUE(app->InitInstance({QDir(folder).filePath(QStringLiteral("ZK1.DUX"))}));
    CMainFrame* frame = app->Frame();
    ASSERT_NE(frame, nullptr);
    frame->showNormal();
    frame->resize(1280, 800);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QImage shot = frame->grab().toImage();
    ASSERT_TRUE(shot.save(tmp.filePath(QStringLiteral("mainframe.png"))));
    if (qEnvironmentVariableIsSet("PIT_SCREENSHOT"))
        shot.save(qEnvironmentVariable("PIT_SCREENSHOT"));

    QTreeWidget* tree = frame->FormMain()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 12);
    EXPECT_TRUE(sink.shown.empty());

    // The wave views hold drawn waves: many colours in their areas of the shot.
    for (QWidget* view :
         {static_cast<QWidget*>(frame->MainWaveView()), static_cast<QWidget*>(frame->AverageView())}) {
        const QRect area(view->mapTo(frame, QPoint(0, 0)), view->size());
        ASSERT_TRUE(shot.rect().contains(area));
        std::set<QRgb> colours;
        int dark = 0;
        for (int y = area.top(); y < area.bottom(); y += 2)
            for (int x = area.left(); x < area.right(); x += 2) {
                const QRgb c = shot.pixel(x, y);
                colours.insert(c);
                dark += qGray(c) < 128;
            }
        EXPECT_GT(colours.size(), 3u);
        EXPECT_GT(dark, 50);
    }
    EXPECT_EQ(frame->FormMain()->Tabs()->currentIndex(), int(CFormMain::kPileTab));
    // The detail views and the analysis page paint too.
    frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kWaveTab);
    for (int command : {int(cmd::kViewAnalysis), int(cmd::kViewSingleWave)}) {
        ASSERT_TRUE(Choose(*frame, command));
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        const QImage detail = frame->grab().toImage();
        const QString name = QStringLiteral("view-%1.png").arg(command);
        ASSERT_TRUE(detail.save(tmp.filePath(name)));
        if (qEnvironmentVariableIsSet("PIT_SCREENSHOT"))
            detail.save(qEnvironmentVariable("PIT_SCREENSHOT") + name);
        QWidget* page = frame->VisibleClientPage();
        const QRect area(page->mapTo(frame, QPoint(0, 0)), page->size());
        int dark = 0;
        for (int y = area.top(); y < area.bottom(); y += 2)
            for (int x = area.left(); x < area.right(); x += 2)
                dark += qGray(detail.pixel(x, y)) < 128;
        EXPECT_GT(dark, 50) << command;
    }
    EXPECT_EQ(frame->FormMain()->Tabs()->count(), 3);
}

// The analysis view prints through the report builders the frame installs.
TEST_F(Frame, TheAnalysisViewPrintsTheSinglePilePage) {
    struct PdfUi : PrintUi {
        QString path;
        bool ChoosePrinter(QPrinter& printer, CPrintInfo&, QWidget*) override {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            return true;
        }
        void Preview(QPrinter&, const std::function<void(QPrinter*)>&, QWidget*) override {}
    } ui;
    ui.path = tmp.filePath(QStringLiteral("single.pdf"));
    ASSERT_NE(frame->ReportFactory(), nullptr);
    frame->AnalysisView()->SetPrintUi(&ui);
    frame->AnalysisView()->RunSingleReport(doc->m_PileRecord, CAnalysisView::kPrint);
    ASSERT_NE(frame->AnalysisView()->Builder(), nullptr);
    const QByteArray pdf = bytes(ui.path);
    EXPECT_EQ(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))), 1);
    // What the page shows, a PDF viewer's search finds.
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {ui.path, QStringLiteral("-")});
    pdftotext.waitForFinished(30000);
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains(doc->m_PileRecord.m_strPileNo)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("JGJ 106-2014"))) << text.toStdString();
    frame->AnalysisView()->SetPrintUi(nullptr);
}

} // namespace
