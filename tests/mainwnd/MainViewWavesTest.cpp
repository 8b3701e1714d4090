// The main view in the real window keeps its waves drawn and clickable after
// a save, which reads the pile again into new channels, and draws them
// behind the modal dialogs opened on it.
#include "analysis/MainWaveView.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandIds.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QImage>
#include <QTest>

using namespace pit;
using namespace pit::test;

namespace {

constexpr QRgb kWaveColour = qRgb(50, 50, 200);
constexpr QRgb kSelectedLabel = qRgb(244, 100, 100);

struct MainViewWaves : SampleFrame {
    CKEV_DUXView* view = nullptr;
    std::vector<gdi::Rect> frames, labels; // of the three blows, as shown before the save

    // ZK13 (three blows) in the main view, laid out and drawn.
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SampleFrame::SetUp());
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK13.DUX")));
        QApplication::processEvents();
        ASSERT_TRUE(choose(cmd::kViewMain));
        view = frame->MainWaveView();
        view->viewport()->repaint();
        CPileRecord& rec = doc->m_PileRecord;
        ASSERT_EQ(rec.ChannelCountInList(), 4);
        for (int i = 0; i < 3; ++i) {
            frames.push_back(rec.Channel(i)->GetFrameRect());
            labels.push_back(rec.Channel(i)->GetLabelRect());
            ASSERT_FALSE(frames.back().IsRectEmpty());
        }
    }
    // Saved: the pile is read again into channels no view has laid out.
    void Save() {
        const uint64_t before = doc->m_PileRecord.ChannelStamp();
        ASSERT_TRUE(choose(cmd::kFileSave));
        ASSERT_FALSE(doc->IsModified());
        ASSERT_NE(doc->m_PileRecord.ChannelStamp(), before);
    }
    QImage Grab() const { return view->viewport()->grab().toImage(); }
    QRect OnScreen(const gdi::Rect& content) const {
        return content.toQRect().translated(-view->ScrollPosition());
    }
    // Every row of the grab shows its wave where it was shown before the save.
    void ExpectWavesDrawn(const QImage& shot, const char* when) const {
        for (int i = 0; i < 3; ++i)
            EXPECT_GT(countPixels(shot, OnScreen(frames[size_t(i)]), kWaveColour), 300)
                << when << ", blow " << i;
    }
};

TEST_F(MainViewWaves, AfterASaveAClickOnALabelSelectsThatBlowAndTheWavesStay) {
    for (int blow : {2, 0}) {
        Save();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, OnScreen(labels[size_t(blow)]).center());
        QApplication::processEvents();
        const CPileRecord& rec = doc->m_PileRecord;
        EXPECT_EQ(view->CurrentWave(), blow);
        EXPECT_EQ(rec.m_nCurrentChannel, blow);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(rec.Channel(i)->IsSelected(), i == blow) << i;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(rec.Channel(i)->GetFrameRect(), frames[size_t(i)]) << i;

        const QImage shot = Grab();
        ExpectWavesDrawn(shot, "after the click");
        const QRect label = OnScreen(labels[size_t(blow)]);
        EXPECT_GT(countPixels(shot, label.adjusted(1, 1, -1, -1), kSelectedLabel),
                  label.width() * label.height() / 3);
    }
    // Home keeps them as well.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    ExpectWavesDrawn(Grab(), "after Home");
}

TEST_F(MainViewWaves, AfterASaveTheWavesAreDrawnBehindAModalDialogAndAfterIt) {
    Save();
    int seen = 0;
    WhenModal([this](QDialog&) { ExpectWavesDrawn(Grab(), "behind the wavelet dialog"); }, &seen);
    ASSERT_TRUE(choose(cmd::kWavelet));
    EXPECT_EQ(seen, 1);
    QApplication::processEvents();
    ExpectWavesDrawn(Grab(), "after the wavelet dialog");

    // A right click between head and toe opens the pile-bottom dialog on that blow.
    const CWaveRecord& w = *doc->m_PileRecord.Channel(1);
    int head = 0, toe = 0;
    w.GetHeadToe(head, toe);
    const gdi::Rect plot = w.GetPlotRect();
    const QPoint at(plot.left + w.IndexToX((head + toe) / 2), plot.top + plot.Height() * 3 / 4);
    Save();
    WhenModal([this](QDialog&) { ExpectWavesDrawn(Grab(), "behind the pile-bottom dialog"); }, &seen);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at - view->ScrollPosition());
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(view->CurrentWave(), 1);
    EXPECT_TRUE(doc->m_PileRecord.Channel(1)->IsSelected());
    QApplication::processEvents();
    ExpectWavesDrawn(Grab(), "after the pile-bottom dialog");
}

} // namespace
