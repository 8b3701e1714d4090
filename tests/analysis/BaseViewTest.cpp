// Marking on a wave with real mouse and key events: head, toe, defect marks
// and their undo, local amplification, accelerators and cursor keys.
#include "analysis/SingleWaveView.h"
#include "core/pile/PileRecord.h"
#include "tests/analysis/ViewFixture.h"

using namespace pit::test;

namespace {

struct BaseViewTest : ViewFixture {
    CSingleWaveView view;
    CWaveRecord* w = nullptr;
    int head = 0, toe = 0;

    void SetUp() override {
        ViewFixture::SetUp();
        LoadThreeBlows();
        doc->m_PileRecord.m_nCurrentChannel = 0;
        Attach(view);
        view.OnUpdate();
        Paint(view);
        w = doc->m_PileRecord.Channel(0);
        w->GetHeadToe(head, toe);
    }
};

int IndexAt(const CWaveRecord& w, QPoint p) {
    return w.XToIndex(p.x(), p.y(), 1);
}

std::vector<int> Indexes(const CWaveRecord& w) {
    std::vector<int> v;
    for (const DefectMark& m : w.GetDefectMarks())
        v.push_back(m.index);
    return v;
}

TEST_F(BaseViewTest, LeftClickLeftOfTheHeadMovesItWithoutTheDialog) {
    const QPoint p = AtSample(*w, head - 30);
    Click(view, p);
    int h = 0, t = 0;
    w->GetHeadToe(h, t);
    EXPECT_EQ(h, IndexAt(*w, p));
    EXPECT_LT(h, head);
    EXPECT_TRUE(asker.asks.empty());
    EXPECT_EQ(frame.integrity, std::vector<bool>{true});
}

TEST_F(BaseViewTest, LeftClickRightOfTheToeDoesNothing) {
    Click(view, AtSample(*w, toe + 40));
    int h = 0, t = 0;
    w->GetHeadToe(h, t);
    EXPECT_EQ(h, head);
    EXPECT_EQ(t, toe);
    EXPECT_TRUE(asker.asks.empty());
    EXPECT_TRUE(w->GetDefectMarks().empty());
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(BaseViewTest, FixedTimeDifferenceTakesNoMarks) {
    doc->m_PileRecord.m_nCalcMode = 1;
    Click(view, AtSample(*w, head - 30));
    Click(view, AtSample(*w, 150));
    Click(view, AtSample(*w, 200), Qt::RightButton);
    int h = 0, t = 0;
    w->GetHeadToe(h, t);
    EXPECT_EQ(h, head);
    EXPECT_EQ(t, toe);
    EXPECT_TRUE(asker.asks.empty());
}

TEST_F(BaseViewTest, DefectsAreInsertedInIndexOrderUpToFour) {
    asker.answers = {ScriptedDefectAsker::Defect(2, 2), ScriptedDefectAsker::Defect(0, 1),
                     ScriptedDefectAsker::Defect(5, 0), ScriptedDefectAsker::Defect(3, 1),
                     ScriptedDefectAsker::Defect(1, 1), ScriptedDefectAsker::Defect(4, 2)};
    const QPoint p200 = AtSample(*w, 200), p100 = AtSample(*w, 100), p250 = AtSample(*w, 250),
                 p150 = AtSample(*w, 150), p120 = AtSample(*w, 120);
    for (QPoint p : {p200, p100, p250})
        Click(view, p);
    ASSERT_EQ(asker.asks.size(), 3u);
    EXPECT_TRUE(asker.asks[0].defectMode);
    // The dialog opens at the clicked spot on the screen.
    EXPECT_EQ(asker.asks[0].spot, QRect(view.viewport()->mapToGlobal(p200), QSize(10, 10)));
    EXPECT_EQ(Indexes(*w), (std::vector<int>{IndexAt(*w, p100), IndexAt(*w, p200), IndexAt(*w, p250)}));
    EXPECT_EQ(w->GetDefectMarks()[1], (DefectMark{IndexAt(*w, p200), 2, 2, 1}));

    // Marking again at an existing mark only changes its type and severity.
    Click(view, p200);
    EXPECT_EQ(w->GetDefectMarks()[1], (DefectMark{IndexAt(*w, p200), 3, 1, 1}));

    Click(view, p150);
    ASSERT_EQ(w->GetDefectMarks().size(), 4u);
    EXPECT_TRUE(sink.shown.empty());

    // A fifth is refused and the four stay.
    Click(view, p120);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("缺陷数量不能超过4个!"));
    EXPECT_EQ(Indexes(*w),
              (std::vector<int>{IndexAt(*w, p100), IndexAt(*w, p150), IndexAt(*w, p200), IndexAt(*w, p250)}));
}

TEST_F(BaseViewTest, CancelledDialogAddsNothing) {
    Click(view, AtSample(*w, 200));
    EXPECT_EQ(asker.asks.size(), 1u);
    EXPECT_TRUE(w->GetDefectMarks().empty());
    EXPECT_TRUE(frame.integrity.empty());
}

TEST_F(BaseViewTest, UndoRemovesTheNewestMarkEvenAfterAClip) {
    asker.answers = {ScriptedDefectAsker::Defect(0, 0), ScriptedDefectAsker::Defect(1, 0),
                     ScriptedDefectAsker::Defect(2, 0)};
    const QPoint a = AtSample(*w, 100), b = AtSample(*w, 150), c = AtSample(*w, 200);
    for (QPoint p : {a, b, c})
        Click(view, p);
    ASSERT_EQ(w->GetDefectMarks().size(), 3u);
    EXPECT_TRUE(view.CanUndoDefect());
    view.OnUndoDefect();
    EXPECT_EQ(Indexes(*w), (std::vector<int>{IndexAt(*w, a), IndexAt(*w, b)}));
    view.OnUndoDefect();
    EXPECT_EQ(Indexes(*w), (std::vector<int>{IndexAt(*w, a)}));

    // Marks 1..3 again, then the head moves past the first (the dialog's
    // head choice), clipping it: a new mark must still undo first.
    view.OnUndoAllDefects();
    EXPECT_FALSE(view.CanUndoDefect());
    asker.answers = {ScriptedDefectAsker::Defect(0, 0), ScriptedDefectAsker::Defect(1, 0),
                     ScriptedDefectAsker::Defect(2, 0), ScriptedDefectAsker::Head(),
                     ScriptedDefectAsker::Defect(3, 0)};
    for (QPoint p : {a, b, c})
        Click(view, p);
    Click(view, AtSample(*w, 120));
    ASSERT_EQ(Indexes(*w), (std::vector<int>{IndexAt(*w, b), IndexAt(*w, c)}));
    const QPoint d = AtSample(*w, 250);
    Click(view, d);
    ASSERT_EQ(w->GetDefectMarks().size(), 3u);
    EXPECT_EQ(w->GetDefectMarks()[2].extra, 4);
    view.OnUndoDefect();
    EXPECT_EQ(Indexes(*w), (std::vector<int>{IndexAt(*w, b), IndexAt(*w, c)}));
    view.OnUndoDefect();
    EXPECT_EQ(Indexes(*w), (std::vector<int>{IndexAt(*w, b)}));
}

TEST_F(BaseViewTest, LabelAndInformationBoxes) {
    const gdi::Rect& label = w->GetLabelRect();
    gdi::Rect info1, info2;
    w->GetInfoRects(info1, info2);
    // The second box overlaps the first's right edge and may reach past the plot.
    const int x2 = (info1.right + std::min(info2.right, w->GetPlotRect().right)) / 2;
    // The label box lies outside the plot: a click there does nothing at all.
    Click(view, QPoint(label.left + 2, label.top + 2));
    Click(view, QPoint(info1.left + 2, info1.top + 2));
    Click(view, QPoint(x2, info2.top + 2));
    Click(view, QPoint(info1.left + 2, info1.top + 2), Qt::RightButton);
    Click(view, QPoint(x2, info2.top + 2), Qt::RightButton);
    EXPECT_EQ(frame.indexSteps, (std::vector<int>{1, 5, -1, -5}));
    EXPECT_TRUE(asker.asks.empty());
}

TEST_F(BaseViewTest, RightClickSetsTheToeAndAltAsksForLocalAmplificationOnlyWhenWeak) {
    // Toe on the echo (half the peak): strong, no question even with Alt.
    asker.answers = {ScriptedDefectAsker::Bottom(2), ScriptedDefectAsker::Bottom(1)};
    const QPoint echo = AtSample(*w, 400);
    Click(view, echo, Qt::RightButton, Qt::AltModifier);
    ASSERT_EQ(asker.asks.size(), 1u);
    EXPECT_FALSE(asker.asks[0].defectMode);
    int h = 0, t = 0;
    w->GetHeadToe(h, t);
    EXPECT_EQ(t, IndexAt(*w, echo));
    EXPECT_EQ(w->bottomShape, 2);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(w->IsLocalAmplifyMode(), 0);

    // Toe where the wave is flat: weak; Yes arms the local amplification.
    sink.answers = {pit::IDYES};
    Click(view, AtSample(*w, 250), Qt::RightButton, Qt::AltModifier);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("是否局部放大?"));
    EXPECT_EQ(w->IsLocalAmplifyMode(), 1);
    EXPECT_EQ(w->bottomShape, 1);
    EXPECT_EQ(doc->m_PileRecord.m_nCurrentChannel, 0);

    // While armed, a right click does nothing at all.
    Click(view, AtSample(*w, 300), Qt::RightButton);
    EXPECT_EQ(asker.asks.size(), 2u);
}

TEST_F(BaseViewTest, ContextMenuActionArmsLikeAltRightClick) {
    asker.answers = {ScriptedDefectAsker::Bottom(0)};
    // The toe on the echo: strong, nothing to amplify.
    Click(view, AtSample(*w, 400), Qt::RightButton);
    EXPECT_FALSE(view.CanArmLocalAmplify());
    asker.answers = {ScriptedDefectAsker::Bottom(0)};
    Click(view, AtSample(*w, 250), Qt::RightButton);
    EXPECT_TRUE(sink.shown.empty()); // no Alt: no question
    ASSERT_TRUE(view.CanArmLocalAmplify());
    view.ArmLocalAmplify();
    EXPECT_EQ(w->IsLocalAmplifyMode(), 1);
    EXPECT_FALSE(view.CanArmLocalAmplify());
}

TEST_F(BaseViewTest, DraggedHandleIsConfirmedOrDroppedOnRelease) {
    w->SetLocalAmplifyMode(1);
    const QPoint handle = w->GetMarkerLabelPoint();
    // Outside the 8 x 8 box around the handle nothing starts.
    Click(view, handle + QPoint(4, 0));
    EXPECT_EQ(w->IsDraggingHandle(), 0);
    EXPECT_TRUE(asker.asks.empty());

    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, ToViewport(view, handle + QPoint(3, -4)));
    EXPECT_EQ(w->IsDraggingHandle(), 1);
    w->smallTest = 0.5f; // the preview's ratio above 0.1: refused
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, ToViewport(view, handle));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("当前放大的曲线不合法,请重做!"));
    EXPECT_EQ(w->IsLocalAmplifyMode(), 0);
    EXPECT_EQ(w->IsDraggingHandle(), 0);

    w->SetLocalAmplifyMode(1);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, ToViewport(view, handle));
    w->smallTest = 0.05f;
    sink.answers = {pit::IDCANCEL};
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, ToViewport(view, handle));
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[1].text, QStringLiteral("确定放大效果吗?"));
    EXPECT_EQ(w->IsLocalAmplifyMode(), 0);
}

TEST_F(BaseViewTest, RotationAndDragEditModesTakeTheLeftClick) {
    frame.rotateMode = true;
    const QPoint p = AtSample(*w, 200);
    Click(view, p);
    EXPECT_NE(w->tiltStart, CWaveRecord::kTiltUnset);
    EXPECT_TRUE(asker.asks.empty());

    frame.rotateMode = false;
    frame.dragEditMode = true;
    Click(view, p);
    EXPECT_EQ(frame.refreshes, std::vector<pit::RefreshTarget>{pit::RefreshTarget::AllWaveViews});
    EXPECT_TRUE(asker.asks.empty());
}

TEST_F(BaseViewTest, AcceleratorsReachTheMainPanel) {
    struct Case {
        int key;
        std::vector<int> index, start;
        int keepSpeed, keepLength;
    } cases[] = {
        {Qt::Key_Equal, {1}, {}, 0, 0}, {Qt::Key_Minus, {-1}, {}, 0, 0}, {Qt::Key_0, {}, {1}, 0, 0},
        {Qt::Key_9, {}, {-1}, 0, 0},    {Qt::Key_C, {}, {}, 1, 0},       {Qt::Key_L, {}, {}, 0, 1},
    };
    frame.pileInfoPage = true;
    for (const Case& c : cases) {
        frame.indexSteps.clear();
        frame.startSteps.clear();
        frame.keepSpeed = frame.keepLength = 0;
        QTest::keyClick(&view, Qt::Key(c.key), Qt::AltModifier);
        EXPECT_EQ(frame.indexSteps, c.index) << c.key;
        EXPECT_EQ(frame.startSteps, c.start) << c.key;
        EXPECT_EQ(frame.keepSpeed, c.keepSpeed) << c.key;
        EXPECT_EQ(frame.keepLength, c.keepLength) << c.key;
    }
    // Without the pile page the keep-time keys do nothing.
    frame.pileInfoPage = false;
    QTest::keyClick(&view, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(frame.keepSpeed, 0);
    // Without Alt the keys are no accelerators.
    frame.indexSteps.clear();
    QTest::keyClick(&view, Qt::Key_Equal);
    EXPECT_TRUE(frame.indexSteps.empty());
}

TEST_F(BaseViewTest, ArrowKeysStepTheCursor) {
    const QPoint p = AtSample(*w, 300);
    QTest::mouseMove(view.viewport(), ToViewport(view, p));
    ASSERT_EQ(w->pickX, p.x());
    const int i = IndexAt(*w, p);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_GT(IndexAt(*w, QPoint(w->pickX, w->pickY)), i);
    QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_LT(IndexAt(*w, QPoint(w->pickX, w->pickY)), i);
}

} // namespace
