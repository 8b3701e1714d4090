// The frame commands inside the main window: routes and rules after the registry's.
#include "mainwnd/FrameCommandsBinding.h"

#include "analysis/BaseView.h"
#include "analysis/MainWaveView.h"
#include "analysis/SingleWaveView.h"
#include "controls/MyPropertySheet.h"
#include "core/wave/WaveRecord.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QImage>
#include <QMenu>
#include <QMenuBar>

using namespace pit;
using namespace pit::frame;

namespace {

struct BoundFrame : test::Frame {
    FrameCommandsBinding* binding = nullptr;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Frame::SetUp());
        binding = frame->Binding();
    }
    // What the idle timer does: the rules applied.
    void idle() {
        QTimer* timer = frame->Commands()->findChild<QTimer*>();
        ASSERT_NE(timer, nullptr);
        QMetaObject::invokeMethod(timer, "timeout");
    }
};

TEST_F(BoundFrame, RulesHoldAfterTheRegistryUpdates) {
    idle();
    EXPECT_TRUE(action(cmd::kWaveStretch)->isEnabled());
    EXPECT_TRUE(action(cmd::kShiftLeft)->isEnabled());
    EXPECT_TRUE(action(cmd::kDigitalFilter)->isEnabled());
    EXPECT_TRUE(action(cmd::kConvertKev)->isEnabled());
    EXPECT_FALSE(action(cmd::kEditPaste)->isEnabled());
    EXPECT_FALSE(action(cmd::kPhaseView)->isEnabled());
    EXPECT_TRUE(action(cmd::kFactor100)->isChecked());
    EXPECT_TRUE(action(cmd::kViewMain)->isChecked());

    // Opening a menu applies the rules too.
    for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>())
        Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(action(cmd::kWaveStretch)->isEnabled());
}

TEST_F(BoundFrame, ActionsRunTheHandlersOnTheActiveView) {
    CBaseView* view = frame->ActiveBaseView();
    ASSERT_NE(view, nullptr);
    const int ch = view->CurrentWave();
    ASSERT_GE(ch, 0);
    CWaveRecord* w = doc->m_PileRecord.Channel(ch);
    const float before = w->Source()[200];
    action(cmd::kWaveReverse)->trigger();
    EXPECT_FLOAT_EQ(doc->m_PileRecord.Channel(ch)->Source()[200], -before);
    EXPECT_TRUE(doc->IsModified());

    action(cmd::kFactor50)->trigger();
    idle();
    EXPECT_TRUE(action(cmd::kFactor50)->isChecked());
    EXPECT_FALSE(action(cmd::kFactor100)->isChecked());

    action(cmd::kEditCopy)->trigger();
    idle();
    EXPECT_TRUE(action(cmd::kEditPaste)->isEnabled());
}

TEST_F(BoundFrame, RotationCommandsSetTheFlagTheViewsRead) {
    idle();
    ASSERT_FALSE(frame->IsRotateMode());
    action(cmd::kRotate)->trigger();
    EXPECT_TRUE(frame->IsRotateMode());
    action(cmd::kRotateLocate)->trigger(); // locating ends rotation
    EXPECT_FALSE(frame->IsRotateMode());
}

} // namespace

namespace {

TEST_F(BoundFrame, SingleTracePictureIs768By400WithTheWaveDrawn) {
    const QString path = tmp.filePath(QStringLiteral("trace.bmp"));
    ASSERT_TRUE(binding->SaveTraceBitmap(0, path));
    QImage image(path);
    ASSERT_EQ(image.size(), QSize(768, 400));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 200);
    EXPECT_FALSE(binding->SaveTraceBitmap(99, path));
}

TEST_F(BoundFrame, OptionsSheetOkRefreshesTheTextAndEveryWaveView) {
    std::vector<int> codes;
    QObject::connect(frame.get(), &CMainFrame::refreshed, [&](int code, int) { codes.push_back(code); });
    bool sawSheet = false;
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<CMyPropertySheet*>(QApplication::activeModalWidget());
        sawSheet = sheet != nullptr;
        if (!sheet)
            return;
        sheet->SelectPage(1); // the display page joins the pages applied on OK
        sheet->accept();
    });
    action(cmd::kOptions)->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(sawSheet);
    EXPECT_NE(std::find(codes.begin(), codes.end(), 11), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), 4), codes.end());
}

} // namespace

namespace {

TEST_F(BoundFrame, ChannelKeysSelectInTheMainPairAndTheDetailViews) {
    const int n = doc->m_PileRecord.ChannelCountInList();
    ASSERT_GE(n, 3);
    frame->SwitchToView(ActiveView::MainWave);
    action(cmd::kSelectChannelFirst + 1)->trigger();
    EXPECT_EQ(frame->MainWaveView()->CurrentWave(), 1);
    action(cmd::kSelectChannelFirst + n - 1)->trigger(); // the average has its own key
    EXPECT_EQ(frame->MainWaveView()->CurrentWave(), 1);

    frame->OnViewSingleWave();
    ASSERT_TRUE(frame->IsActiveView(ActiveView::SingleWave));
    action(cmd::kSelectChannelFirst)->trigger();
    EXPECT_EQ(doc->m_PileRecord.m_nCurrentChannel, 0);
    EXPECT_EQ(frame->SingleWaveView()->CurrentWave(), 0);
    action(cmd::kSelectChannelLast)->trigger();
    EXPECT_EQ(doc->m_PileRecord.m_nCurrentChannel, n - 1);
    EXPECT_TRUE(doc->m_PileRecord.Channel(n - 1)->IsSelected());
    EXPECT_FALSE(doc->m_PileRecord.Channel(0)->IsSelected());
}

} // namespace
