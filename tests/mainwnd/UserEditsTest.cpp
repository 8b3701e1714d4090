// What an engineer does in the main window, done as the engineer does it:
// mouse and keys on the views, fields and tree, commands through their
// actions, the dialogs answered on screen. The pile's work is never lost
// without a prompt and the values saved are the values shown.
#include "analysis/AnalysisView.h"
#include "analysis/DefectDlg.h"
#include "analysis/DlgWavaSpectrum.h"
#include "analysis/MainWaveView.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProjectInfo.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/DlgProInfo.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace pit;
using namespace pit::test;

namespace {

struct UserEdits : Frame {
    void SetUp() override {
        Frame::SetUp();
        activate();
        settle();
    }
    CPileRecord& rec() { return doc->m_PileRecord; }
    CDlgPileInfo* pilePage() { return frame->FormMain()->PilePanel(); }
    QLineEdit* edit(QWidget* page, int id) { return qobject_cast<QLineEdit*>(FindCtrl(page, id)); }

    // The point of sample index on blow channel 0 in the main wave view's viewport.
    QPoint pointOf(int index) {
        CKEV_DUXView* view = frame->MainWaveView();
        view->ClearBackground();
        view->viewport()->repaint();
        const CWaveRecord& w = *rec().Channel(0);
        const gdi::Rect plot = w.GetPlotRect();
        return QPoint(plot.left + w.IndexToX(index), (plot.top + plot.bottom) / 2) - view->ScrollPosition();
    }
    void click(Qt::MouseButton button, QPoint at) {
        QTest::mouseClick(frame->MainWaveView()->viewport(), button, {}, at);
        settle();
    }
    // A defect between head and toe of channel 0, through the defect dialog.
    void markDefect() {
        int head = 0, toe = 0;
        rec().Channel(0)->GetHeadToe(head, toe);
        WhenModal([](QDialog& d) {
            Click(d, CDefectDlg::kNecking);
            Click(d, CDefectDlg::kOrdinary);
        });
        click(Qt::LeftButton, pointOf((head + toe) / 2));
    }
};

// ---- no lost work ---------------------------------------------------------------------------

TEST_F(UserEdits, EveryEditMarksThePileAndSwitchingAsksSaveDontSaveCancel) {
    struct EditKind {
        const char* what;
        std::function<void(UserEdits&)> prepare, edit;
    };
    const EditKind kinds[] = {
        {"head marked left of the head", nullptr,
         [](UserEdits& t) {
             int head = 0, toe = 0;
             t.rec().Channel(0)->GetHeadToe(head, toe);
             ASSERT_GT(head, 8);
             t.click(Qt::LeftButton, t.pointOf(head - 6));
         }},
        {"toe marked with the right button", nullptr,
         [](UserEdits& t) {
             int head = 0, toe = 0;
             t.rec().Channel(0)->GetHeadToe(head, toe);
             WhenModal([](QDialog& d) { Click(d, CDefectDlg::kFlat); });
             t.click(Qt::RightButton, t.pointOf(toe - 10));
         }},
        {"defect marked between head and toe", nullptr, [](UserEdits& t) { t.markDefect(); }},
        {"撤消缺陷", [](UserEdits& t) { t.markDefect(); },
         [](UserEdits& t) { ASSERT_TRUE(t.choose(cmd::kUndoDefect)); }},
        {"设置平均波形", nullptr,
         [](UserEdits& t) {
             int seen = 0;
             WhenModal([](QDialog& d) { Click(d, 1); }, &seen);
             ASSERT_TRUE(t.choose(cmd::kSetAverageWave));
             EXPECT_EQ(seen, 1);
         }},
        {"diameter left with Tab", nullptr,
         [](UserEdits& t) { t.typeAndTab(t.edit(t.pilePage(), 1034), QStringLiteral("950")); }},
        {"speed left with Tab", nullptr,
         [](UserEdits& t) { t.typeAndTab(t.edit(t.pilePage(), 1072), QStringLiteral("3650")); }},
        {"remark typed, then a click elsewhere", nullptr,
         [](UserEdits& t) {
             auto* remark = qobject_cast<QPlainTextEdit*>(FindCtrl(t.pilePage(), 1061));
             t.activate();
             remark->setFocus();
             QTest::keyClicks(remark, QStringLiteral("ok"));
             t.edit(t.pilePage(), 1047)->setFocus();
             t.settle();
         }},
        {"tester on the project page left with Tab", nullptr,
         [](UserEdits& t) {
             t.frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kProjectTab);
             t.settle();
             t.typeAndTab(t.edit(t.frame->FormMain()->ProjectPanel(), 1049), QStringLiteral("Wang"));
             t.frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kPileTab);
         }},
    };
    const QByteArray before = bytes(pile("ZK1.DUX"));
    for (const EditKind& k : kinds) {
        SCOPED_TRACE(k.what);
        if (k.prepare)
            k.prepare(*this);
        doc->SetModifiedFlag(false);
        k.edit(*this);
        EXPECT_TRUE(doc->IsModified());

        // Another pile chosen with the mouse: the three-button prompt; Cancel stays.
        sink.shown.clear();
        sink.answers = {IDCANCEL};
        QTreeWidgetItem* zk2 = item(QStringLiteral("ZK2.DUX"));
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(zk2).center());
        settle();
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].type & MB_TYPEMASK, unsigned(MB_YESNOCANCEL));
        EXPECT_EQ(rec().m_strPath, pile("ZK1.DUX"));
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(tree()->currentItem(), item(QStringLiteral("ZK1.DUX")));
        EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{item(QStringLiteral("ZK1.DUX"))});
    }
    EXPECT_EQ(bytes(pile("ZK1.DUX")), before);

    // Don't save: the other pile comes, the file as it was.
    sink.answers = {IDNO};
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                      tree()->visualItemRect(item(QStringLiteral("ZK2.DUX"))).center());
    settle();
    EXPECT_EQ(rec().m_strPath, pile("ZK2.DUX"));
    EXPECT_EQ(bytes(pile("ZK1.DUX")), before);
}

TEST_F(UserEdits, AnIndexWithoutAProjectNameTakesThePilesAndTheSaveKeepsIt) {
    // A folder whose first pile has no project name: its index has none.
    const QString other = tmp.filePath(QStringLiteral("site"));
    QDir().mkpath(other);
    for (const char* name : {"ZK4.DUX", "ZK1.DUX"})
        ASSERT_TRUE(QFile::copy(pile(name), QDir(other).filePath(QString::fromLatin1(name))));
    ASSERT_TRUE(doc->OnOpenDocument(QDir(other).filePath(QStringLiteral("ZK4.DUX"))));
    settle();
    ASSERT_TRUE(doc->m_ProjectInfo.m_texts[0].isEmpty());
    CPileRecord zk1;
    ASSERT_TRUE(zk1.ReadFile(QDir(other).filePath(QStringLiteral("ZK1.DUX"))));
    const QString name = zk1.m_strProject;
    ASSERT_FALSE(name.isEmpty());

    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                      tree()->visualItemRect(item(QStringLiteral("ZK1.DUX"))).center());
    settle();
    ASSERT_EQ(rec().m_strPath, QDir(other).filePath(QStringLiteral("ZK1.DUX")));
    EXPECT_EQ(doc->m_ProjectInfo.m_texts[0], name);
    EXPECT_EQ(edit(frame->FormMain()->ProjectPanel(), 1018)->text(), name);
    ASSERT_TRUE(choose(cmd::kFileSave));

    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(QDir(other).filePath(QStringLiteral("ZK1.DUX"))));
    EXPECT_EQ(back.m_strProject, name);
    CProjectInfo index;
    ASSERT_TRUE(index.OpenProjectFile(QDir(other).filePath(QStringLiteral("site.DUP"))));
    EXPECT_EQ(index.m_texts[0], name);
}

// ---- the digital filter ---------------------------------------------------------------------

TEST_F(UserEdits, DigitalFilterOkFiltersTheCurrentWaveOrLeavesThePileToApply) {
    struct Case {
        int applyTo;   // 0 current wave, 1 pile
        bool filtered; // right after OK
    } const cases[] = {{0, true}, {1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.applyTo);
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
        settle();
        CDlgWavaSpectrum* panel = frame->FormMain()->WavePanel();
        qobject_cast<QRadioButton*>(FindCtrl(panel, CDlgWavaSpectrum::IDC_APPLY_ONE + c.applyTo))->click();
        const int channel = rec().m_nCurrentChannel;
        const std::vector<float> before = rec().CurrentChannel()->Source();
        // What the processing chain makes of the wave as read with that cut-off.
        CPileRecord fresh;
        ASSERT_TRUE(fresh.ReadFile(pile("ZK1.DUX")));
        CWaveRecord& expected = *fresh.Channel(channel);
        ASSERT_EQ(expected.Source(), before);
        expected.SetHighPass(rec().CurrentChannel()->highPassHz);
        ASSERT_EQ(expected.SetLowPass(500), 1);

        int seen = 0;
        WhenModal(
            [](QDialog& d) {
                Type(d, 1039, QStringLiteral("500"));
                Click(d, 1);
            },
            &seen);
        activate();
        QTest::keyClick(frame.get(), Qt::Key_D, Qt::ControlModifier);
        settle();
        ASSERT_EQ(seen, 1);
        EXPECT_EQ(edit(panel, CDlgWavaSpectrum::IDC_LOWPASS)->text(), QStringLiteral("500"));
        EXPECT_EQ(rec().CurrentChannel()->Source() == expected.Source(), c.filtered);
        EXPECT_EQ(rec().CurrentChannel()->Source() == before, !c.filtered);
        if (!c.filtered) {
            Click(*panel, CDlgWavaSpectrum::IDC_APPLY); // "应用"
            EXPECT_EQ(rec().CurrentChannel()->Source(), expected.Source());
        }
        EXPECT_TRUE(doc->IsModified());
        ASSERT_TRUE(choose(cmd::kFileSave));
        CPileRecord back;
        ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
        EXPECT_EQ(back.Channel(channel)->lowPassHz, 500);
    }
}

TEST_F(UserEdits, AFilterValueTypedButNotAppliedIsNotSaved) {
    CDlgWavaSpectrum* panel = frame->FormMain()->WavePanel();
    frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kWaveTab);
    qobject_cast<QRadioButton*>(FindCtrl(panel, CDlgWavaSpectrum::IDC_APPLY_ONE + 1))->click();
    const int channel = rec().m_nCurrentChannel;
    const int stored = rec().CurrentChannel()->lowPassHz;
    edit(panel, CDlgWavaSpectrum::IDC_LOWPASS)->setText(QStringLiteral("700"));
    ASSERT_TRUE(choose(cmd::kFileSave));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
    EXPECT_EQ(back.Channel(channel)->lowPassHz, stored);
}

// ---- save -----------------------------------------------------------------------------------

TEST_F(UserEdits, SaveOfAPileNeverShownInTheAnalysisViewWritesItsSpectrumMarks) {
    ASSERT_FALSE(frame->IsActiveView(ActiveView::Analysis));
    ASSERT_EQ(rec().m_analysisValues[0], 0);
    ASSERT_EQ(rec().m_analysisValues[1], 0);
    ASSERT_TRUE(choose(cmd::kFileSave));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
    EXPECT_GT(back.m_analysisValues[0], 0);
    EXPECT_GT(back.m_analysisValues[1], 0);
    EXPECT_LE(back.m_analysisValues[1], back.m_analysisValues[0]);
    EXPECT_EQ(rec().m_strInstrument, QStringLiteral("KEV-DUX(W)"));
}

// ---- the pile page's numbers ------------------------------------------------------------------

TEST_F(UserEdits, PilePageRefusesWhatIsNoNumberAndKeepsTheOldValue) {
    const QString integer = QStringLiteral("请输入一个整数。"), number = QStringLiteral("请输入一个数字。");
    const struct {
        int id;
        const char* typed;
        const QString& message;
    } cases[] = {
        {1072, "xyz", integer}, {1072, "", integer}, {1072, "1e308", integer}, {1072, "40.5", integer},
        {1071, "xyz", number},  {1071, "", number},  {1071, "1e308", number},  {1071, "inf", number},
        {1034, "xyz", number},  {1034, "", number},  {1034, "1e308", number},  {1152, "nan", number},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " " + c.typed);
        QLineEdit* e = edit(pilePage(), c.id);
        const QString shown = e->text();
        const float L = rec().m_fPileLength, D = rec().m_fDiameter, S = rec().m_fScale;
        const int speed = rec().m_nWaveSpeed;
        sink.shown.clear();
        typeAndTab(e, QString::fromLatin1(c.typed));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, c.message);
        EXPECT_EQ(e->text(), shown);
        EXPECT_EQ(rec().m_nWaveSpeed, speed);
        EXPECT_EQ(rec().m_fPileLength, L);
        EXPECT_EQ(rec().m_fDiameter, D);
        EXPECT_EQ(rec().m_fScale, S);
    }
    // Numbers out of range are clamped; length and speed keep their time difference.
    rec().m_nCalcMode = 0;
    const double dt = 2.0 * rec().m_fPileLength / rec().m_nWaveSpeed;
    sink.shown.clear();
    typeAndTab(edit(pilePage(), 1072), QStringLiteral("0"));
    EXPECT_EQ(rec().m_nWaveSpeed, 1);
    EXPECT_NEAR(rec().m_fPileLength, std::max(0.1, dt / 2), 1e-6);
    typeAndTab(edit(pilePage(), 1072), QStringLiteral("4000"));
    const double dt2 = 2.0 * rec().m_fPileLength / rec().m_nWaveSpeed;
    typeAndTab(edit(pilePage(), 1071), QStringLiteral("-5"));
    EXPECT_FLOAT_EQ(rec().m_fPileLength, 0.1f);
    EXPECT_EQ(rec().m_nWaveSpeed, std::max(1, int(2 * 0.1 / dt2 * (1 + 1e-6))));
    EXPECT_TRUE(sink.shown.empty());

    ASSERT_TRUE(choose(cmd::kFileSave));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
    for (float v : {back.m_fPileLength, back.m_fDiameter, back.m_fSecondSide, back.m_fScale})
        EXPECT_TRUE(std::isfinite(v));
    for (int i = 0; i < back.ChannelCountInList(); ++i)
        EXPECT_TRUE(std::isfinite(back.Channel(i)->GetPileLength()));
    EXPECT_GE(back.m_nWaveSpeed, 1);
}

TEST_F(UserEdits, TheLengthRuleTruncatesTheDerivedSpeed) {
    rec().m_nCalcMode = 0;
    const struct {
        const char* typed;
        int speed;
    } cases[] = {{"10.0015", 4000}, {"12", 4800}, {"10.00199", 4000}, {"9.99", 3996}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        rec().m_fPileLength = 10.0f;
        rec().m_nWaveSpeed = 4000;
        pilePage()->SaveToRecord(false);
        typeAndTab(edit(pilePage(), 1071), QString::fromLatin1(c.typed));
        EXPECT_EQ(rec().m_nWaveSpeed, c.speed);
    }
}

// ---- the value the user ends with ------------------------------------------------------------------

TEST_F(UserEdits, EachKindOfFieldTypedBackOnThePilePageIsSavedAsTypedBack) {
    ASSERT_TRUE(choose(cmd::kFileSave));
    const QByteArray unedited = bytes(pile("ZK1.DUX"));
    QLineEdit* number = edit(pilePage(), 1047);
    QLineEdit* diameter = edit(pilePage(), 1034);
    auto* cls = qobject_cast<QComboBox*>(FindCtrl(pilePage(), 1055));
    auto* description = qobject_cast<QPlainTextEdit*>(FindCtrl(pilePage(), 1057));
    const QString number0 = number->text(), diameter0 = diameter->text(), class0 = cls->currentText(),
                  description0 = description->toPlainText();
    ASSERT_EQ(class0, QStringLiteral("I"));

    // Each field leaves the record holding another value, then gets its first text back.
    const struct {
        const char* kind;
        std::function<void()> away, back;
        std::function<bool()> storedAway;
    } fields[] = {
        {"text", [&] { typeAndTab(number, number0 + QStringLiteral("X")); },
         [&] { typeAndTab(number, number0); },
         [&] { return rec().m_strPileNo == number0 + QStringLiteral("X"); }},
        {"number", [&] { typeAndTab(diameter, QStringLiteral("900")); },
         [&] { typeAndTab(diameter, diameter0); }, [&] { return rec().m_fDiameter == 900.0f; }},
        {"list", [&] { pick(cls, Qt::Key_Down); }, [&] { pick(cls, Qt::Key_Up); },
         [&] { return rec().m_strClass == QStringLiteral("II"); }},
        {"multi-line",
         [&] {
             activate();
             description->setFocus();
             description->moveCursor(QTextCursor::End);
             QTest::keyClicks(description, QStringLiteral("x"));
             settle();
         },
         [&] {
             QTest::keyClick(description, Qt::Key_Backspace);
             QTest::keyClick(description, Qt::Key_Tab); // moves on, types no tab
             settle();
         },
         [&] { return rec().m_strConclusion == description0 + QStringLiteral("x"); }},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.kind);
        f.away();
        EXPECT_TRUE(f.storedAway());
        f.back();
        EXPECT_FALSE(f.storedAway());
    }
    EXPECT_NE(QApplication::focusWidget(), description);
    EXPECT_EQ(rec().m_strConclusion, description0);
    EXPECT_TRUE(doc->IsModified());

    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_EQ(bytes(pile("ZK1.DUX")), unedited);
    EXPECT_EQ(number->text(), number0);
    EXPECT_EQ(diameter->text(), diameter0);
    EXPECT_EQ(cls->currentText(), class0);
    EXPECT_EQ(description->toPlainText(), description0);
}

TEST_F(UserEdits, ProjectTextsTypedBackLeaveTheIndexAndTheNextPileAsTyped) {
    frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kProjectTab);
    settle();
    QWidget* page = frame->FormMain()->ProjectPanel();
    QLineEdit* unit = edit(page, 1021);
    QLineEdit* tester = edit(page, 1049);
    const QString tester0 = tester->text();
    CPileRecord zk2;
    ASSERT_TRUE(zk2.ReadFile(pile("ZK2.DUX")));

    typeAndTab(unit, QStringLiteral("Typo Unit"));
    ASSERT_EQ(doc->m_ProjectInfo.m_texts[2], QStringLiteral("Typo Unit"));
    typeAndTab(unit, QString()); // cleared
    typeAndTab(tester, QStringLiteral("Wang"));
    ASSERT_EQ(doc->m_ProjectInfo.m_texts[4], QStringLiteral("Wang"));
    typeAndTab(tester, tester0);
    ASSERT_TRUE(choose(cmd::kFileSave));

    CProjectInfo index;
    ASSERT_TRUE(index.OpenProjectFile(doc->m_ProjectInfo.GetProjectPath()));
    EXPECT_EQ(index.m_texts[2], QString());
    EXPECT_EQ(index.m_texts[4], tester0);
    CPileRecord zk1;
    ASSERT_TRUE(zk1.ReadFile(pile("ZK1.DUX")));
    EXPECT_EQ(zk1.m_strText4, QString());
    EXPECT_EQ(zk1.m_strText6, tester0);

    // The next pile, never touched: its own unit, the project's tester.
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                      tree()->visualItemRect(item(QStringLiteral("ZK2.DUX"))).center());
    settle();
    ASSERT_EQ(rec().m_strPath, pile("ZK2.DUX"));
    EXPECT_EQ(unit->text(), zk2.m_strText4);
    EXPECT_EQ(tester->text(), tester0);
    ASSERT_TRUE(choose(cmd::kFileSave));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(pile("ZK2.DUX")));
    EXPECT_EQ(back.m_strText4, zk2.m_strText4);
    EXPECT_EQ(back.m_strText6, tester0);
}

TEST_F(UserEdits, ATypedTextEqualToTheRoundedOneIsTakenAsTyped) {
    const struct {
        int id;
        const char* stored;
        const char* shown;
        float typed;
        float CPileRecord::*value;
    } cases[] = {{1071, "9.506", "9.51", 9.51f, &CPileRecord::m_fPileLength},
                 {1034, "812.347", "812.35", 812.35f, &CPileRecord::m_fDiameter}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        QLineEdit* e = edit(pilePage(), c.id);
        typeAndTab(e, QString::fromLatin1(c.stored));
        ASSERT_TRUE(choose(cmd::kFileSave));
        ASSERT_EQ(e->text(), QString::fromLatin1(c.shown));
        ASSERT_EQ(rec().*c.value, QString::fromLatin1(c.stored).toFloat());

        typeAndTab(e, QString::fromLatin1(c.shown));
        ASSERT_TRUE(choose(cmd::kFileSave));
        CPileRecord back;
        ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
        EXPECT_EQ(back.*c.value, c.typed);
    }
}

TEST_F(UserEdits, AStoredClassTheListLacksIsShownAndSavedAsItIs) {
    ASSERT_NO_FATAL_FAILURE(saveWith("ZK2.DUX", [](CPileRecord& r) { r.m_strClass = QStringLiteral("V"); }));
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK2.DUX")));
    settle();
    auto* cls = qobject_cast<QComboBox*>(FindCtrl(pilePage(), 1055));
    EXPECT_EQ(cls->currentText(), QStringLiteral("V"));
    auto classOnDisk = [&] {
        CPileRecord back;
        EXPECT_TRUE(back.ReadFile(pile("ZK2.DUX")));
        return back.m_strClass;
    };
    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_EQ(classOnDisk(), QStringLiteral("V"));
    // Another class picked is taken; picking the pile's own again takes it back.
    pick(cls, Qt::Key_Up);
    EXPECT_EQ(rec().m_strClass, QStringLiteral("IV"));
    pick(cls, Qt::Key_Down);
    EXPECT_EQ(rec().m_strClass, QStringLiteral("V"));
    pick(cls, Qt::Key_Up);
    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_EQ(classOnDisk(), QStringLiteral("IV"));
    EXPECT_EQ(cls->currentText(), QStringLiteral("IV"));
}

// ---- display flags and fixed parameters ----------------------------------------------------------

TEST_F(UserEdits, YAxisLockSurvivesARepaint) {
    CKEV_DUXView* view = frame->MainWaveView();
    auto peaks = [&] {
        view->ClearBackground();
        view->viewport()->repaint();
        std::vector<float> p;
        for (int i = 0; i < rec().ChannelCountInList(); ++i)
            p.push_back(rec().Channel(i)->commonPeak);
        return p;
    };
    ASSERT_TRUE(choose(cmd::kLockYAxis));
    frame->Commands()->Update();
    EXPECT_TRUE(action(cmd::kLockYAxis)->isChecked());
    const std::vector<float> locked = peaks();
    EXPECT_GT(locked.front(), 0.0f);
    EXPECT_TRUE(std::all_of(locked.begin(), locked.end(), [&](float v) { return v == locked.front(); }));
    ASSERT_TRUE(choose(cmd::kLockYAxis));
    frame->Commands()->Update();
    EXPECT_FALSE(action(cmd::kLockYAxis)->isChecked());
    const std::vector<float> own = peaks();
    EXPECT_TRUE(std::all_of(own.begin(), own.end(), [](float v) { return v == -1.0f; }));
}

TEST_F(UserEdits, RestoreAllUnderFixedParametersKeepsTheFixedValues) {
    const struct {
        const char* what;
        int marker; // 2 length, 5 speed
    } cases[] = {{"fixed speed", 5}, {"fixed length", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
        settle();
        rec().m_nCalcMode = 0;
        doc->m_bFixedParams = true;
        doc->m_nFixSettings.fill(0);
        doc->m_nFixSettings[size_t(c.marker)] = 1;
        doc->m_FixParams.waveSpeed = 3500;
        doc->m_FixParams.length = 15.0f;
        frame->Commands()->Update();
        EXPECT_TRUE(action(cmd::kFixedParams)->isChecked());

        sink.answers = {IDOK};
        ASSERT_TRUE(choose(cmd::kRestoreAllChannels));
        settle();
        if (c.marker == 5)
            EXPECT_EQ(rec().m_nWaveSpeed, 3500);
        else
            EXPECT_FLOAT_EQ(rec().m_fPileLength, 15.0f);
        EXPECT_EQ(edit(pilePage(), 1072)->text(), QString::number(rec().m_nWaveSpeed));
        const int speed = rec().m_nWaveSpeed;
        const float length = rec().m_fPileLength;
        ASSERT_TRUE(choose(cmd::kFileSave));
        CPileRecord back;
        ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
        EXPECT_EQ(back.m_nWaveSpeed, speed);
        EXPECT_FLOAT_EQ(back.m_fPileLength, length);
        doc->m_bFixedParams = false;
        doc->m_nFixSettings.fill(0);
    }
}

TEST_F(UserEdits, TheAveragedPaneComesBackFromTheAnalysisViewAtItsOwnSize) {
    CPileRecord& r = rec();
    const int average = r.ChannelCountInList() - 1;
    r.m_nCurrentChannel = average;
    ASSERT_TRUE(choose(cmd::kViewAnalysis));
    settle();
    frame->AnalysisView()->viewport()->repaint();
    ASSERT_TRUE(choose(cmd::kViewMain));
    CBaseView* upper = frame->UpperPaneView();
    upper->viewport()->repaint();
    const gdi::Rect f = r.Channel(average)->GetFrameRect();
    EXPECT_EQ(f.Width(), upper->viewport()->width());
    EXPECT_LE(f.Height(), upper->viewport()->height());
}

// ---- the integrity text -------------------------------------------------------------------------

TEST_F(UserEdits, IntegrityTextFollowsTheSpeedAndTheRestoredChannel) {
    auto depth = [](const QString& text) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+\\.\\d+)m")).match(text);
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    auto* description = qobject_cast<QPlainTextEdit*>(FindCtrl(pilePage(), 1057));
    rec().m_nCalcMode = 0;
    markDefect();
    const double first = depth(rec().m_strConclusion);
    ASSERT_GT(first, 0.0) << rec().m_strConclusion.toStdString();
    EXPECT_EQ(description->toPlainText(), rec().m_strConclusion);

    // Twice the speed: the defect lies twice as deep, and a later store keeps that.
    const int speed = rec().m_nWaveSpeed;
    typeAndTab(edit(pilePage(), 1072), QString::number(2 * speed));
    EXPECT_NEAR(depth(rec().m_strConclusion), 2 * first, 0.02) << rec().m_strConclusion.toStdString();
    EXPECT_EQ(description->toPlainText(), rec().m_strConclusion);
    typeAndTab(edit(pilePage(), 1034), QStringLiteral("850"));
    EXPECT_NEAR(depth(rec().m_strConclusion), 2 * first, 0.02);

    // "恢复当前通道" takes the mark away, and the text with it.
    sink.answers = {IDOK};
    ASSERT_TRUE(choose(cmd::kRestoreChannel));
    EXPECT_EQ(rec().m_strConclusion, QStringLiteral("桩身完整"));
    EXPECT_EQ(description->toPlainText(), QStringLiteral("桩身完整"));
}

TEST_F(UserEdits, ADescriptionTypedSurvivesTheSpeedAndTheLengthAndIsSaved) {
    auto* description = qobject_cast<QPlainTextEdit*>(FindCtrl(pilePage(), 1057));
    const QString typed = QStringLiteral("人工判定A");
    // Fixed time difference (the length or speed follows) and varying (every
    // channel takes both).
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        rec().m_nCalcMode = mode;
        activate();
        description->setFocus();
        description->selectAll();
        // Chinese arrives as the input method commits it.
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(description, &commit);
        QTest::keyClick(description, Qt::Key_Tab);
        settle();
        ASSERT_EQ(rec().m_strConclusion, typed);

        typeAndTab(edit(pilePage(), 1071), QStringLiteral("9.2"));
        EXPECT_FLOAT_EQ(rec().m_fPileLength, 9.2f);
        typeAndTab(edit(pilePage(), 1072), QString::number(rec().m_nWaveSpeed + 100));
        EXPECT_EQ(rec().m_strConclusion, typed);
        EXPECT_EQ(description->toPlainText(), typed);
    }
    ASSERT_TRUE(choose(cmd::kFileSave));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(pile("ZK1.DUX")));
    EXPECT_EQ(back.m_strConclusion, typed);

    // The program's own sentence still follows: once the description reads as
    // built, a defect's depth moves with the speed again.
    rec().m_nCalcMode = 0;
    markDefect();
    const QString built = rec().m_strConclusion;
    ASSERT_NE(built, typed);
    typeAndTab(edit(pilePage(), 1072), QString::number(2 * rec().m_nWaveSpeed));
    EXPECT_NE(rec().m_strConclusion, built);
    EXPECT_TRUE(rec().m_strConclusion.startsWith(QStringLiteral("距桩顶")))
        << rec().m_strConclusion.toStdString();
}

} // namespace
