// The main, averaged and single wave views: rows, scrolling, selection
// between the two panes, a pile read again, presses before a pile is loaded.
#include "analysis/AverageDlg.h"
#include "analysis/AverageWaveView.h"
#include "analysis/MainWaveView.h"
#include "analysis/SingleWaveView.h"
#include "controls/CtrlId.h"
#include "core/pile/PileRecord.h"
#include "tests/analysis/ViewFixture.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QWheelEvent>

using namespace pit::test;

namespace {

struct WaveViewsTest : ViewFixture {
    CKEV_DUXView main;
    CAverageView average;

    void AttachBoth(QSize mainSize = QSize(600, 600)) {
        frame.upper = &average;
        frame.lower = &main;
        Attach(main, mainSize);
        Attach(average, QSize(600, 300));
    }
    CPileRecord& pile() { return doc->m_PileRecord; }
    const gdi::Rect& Frame(int i) { return pile().Channel(i)->GetFrameRect(); }
    // Pixels of the wave's screen colour inside a content rectangle of the view's picture.
    static int WavePixels(const CBaseView& view, const QImage& image, const gdi::Rect& content) {
        return pit::test::countPixels(image, content.toQRect().translated(-view.ScrollPosition()),
                                      qRgb(50, 50, 200));
    }
    static QPoint Inside(const gdi::Rect& r) { return QPoint(r.left + 3, r.top + 3); }
    static void Wheel(CBaseView& view, int delta, Qt::KeyboardModifiers m = Qt::NoModifier) {
        const QPointF at(10, 10);
        QWheelEvent e(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, m,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &e);
    }
};

TEST_F(WaveViewsTest, RowsTakeAThirdOfTheHeightAndBlowsWithoutDataNone) {
    LoadPile({PulseBlow(1024, 1), PulseBlow(1024, 1), {}, PulseBlow(1024, 1)});
    AttachBoth();
    const int h = main.viewport()->height();
    const double r = h / 3.0;
    EXPECT_EQ(main.RowCount(), 3);
    EXPECT_EQ(Frame(0), gdi::Rect(0, 0, main.viewport()->width(), int(r)));
    EXPECT_EQ(Frame(1), gdi::Rect(0, int(r), main.viewport()->width(), int(2 * r)));
    EXPECT_EQ(Frame(3), gdi::Rect(0, int(2 * r), main.viewport()->width(), int(3 * r)));
    EXPECT_TRUE(Frame(2).IsRectEmpty());
    EXPECT_FALSE(main.TakesRow(2));
    EXPECT_EQ(main.TotalSize().height(), int(3 * r));
    EXPECT_EQ(main.verticalScrollBar()->pageStep(), int(r));

    // Selecting the blow after the empty one scrolls by rows, not channels.
    main.SelectChannel(3);
    EXPECT_EQ(main.CurrentWave(), 3);
    EXPECT_EQ(pile().m_nCurrentChannel, 3);
    EXPECT_TRUE(pile().Channel(3)->IsSelected());
    EXPECT_FALSE(pile().Channel(0)->IsSelected());
}

TEST_F(WaveViewsTest, ScrollingToAChannelCountsRowsNotChannels) {
    const auto b = PulseBlow(1024, 1);
    LoadPile({b, {}, b, b, b, b, b}); // six rows, blow 2 is the third channel but the second row
    AttachBoth();
    main.SelectChannel(3);
    EXPECT_EQ(main.CurrentWave(), 3);
    EXPECT_NEAR(main.ScrollPosition().y(), Frame(3).top, 1);
    EXPECT_EQ(Frame(3).top, int(2 * main.viewport()->height() / 3.0));
    main.SelectChannel(0);
    EXPECT_EQ(main.ScrollPosition().y(), 0);
}

TEST_F(WaveViewsTest, OneBlowShowsOneRowAndGreyBelow) {
    LoadPile({PulseBlow(1024, 1)});
    AttachBoth();
    const QImage img = Paint(main);
    const int h = main.viewport()->height();
    EXPECT_EQ(Frame(0).bottom, h / 3);
    EXPECT_EQ(img.pixelColor(img.width() / 2, h * 2 / 3), QColor(192, 192, 192));
    EXPECT_NE(img.pixelColor(Frame(0).left + 200, Frame(0).top + 50), QColor(192, 192, 192));

    // A click below the row hits no blow: channel 0 stays current, no dialog.
    Click(main, QPoint(300, h - 20));
    EXPECT_EQ(main.CurrentWave(), 0);
    EXPECT_EQ(pile().m_nCurrentChannel, 0);
    EXPECT_TRUE(asker.asks.empty());
}

TEST_F(WaveViewsTest, HomeEndAndWheelScrollByRows) {
    LoadPile(
        {PulseBlow(1024, 1), PulseBlow(1024, 1), PulseBlow(1024, 1), PulseBlow(1024, 1), PulseBlow(1024, 1)});
    AttachBoth();
    main.setFocus();
    QScrollBar* v = main.verticalScrollBar();
    const int row = int(main.viewport()->height() / 3.0);
    ASSERT_EQ(v->maximum(), main.TotalSize().height() - main.viewport()->height());

    QTest::keyClick(&main, Qt::Key_End);
    EXPECT_EQ(v->value(), v->maximum());
    EXPECT_EQ(main.ScrollPosition().y() + main.viewport()->height(), Frame(4).bottom);
    QTest::keyClick(&main, Qt::Key_Home);
    EXPECT_EQ(v->value(), 0);

    // One wheel step moves one row, never two.
    Wheel(main, -120);
    EXPECT_EQ(v->value(), row);
    Wheel(main, 120);
    EXPECT_EQ(v->value(), 0);
    Wheel(main, -120, Qt::ControlModifier);
    EXPECT_EQ(v->value(), v->singleStep());
}

TEST_F(WaveViewsTest, SelectingABlowDeselectsTheAverageAndBack) {
    LoadThreeBlows();
    AttachBoth();
    CWaveRecord* avg = pile().AverageChannel();
    EXPECT_EQ(average.CurrentWave(), 3);

    Click(main, AtSample(*pile().Channel(1), 900));
    EXPECT_EQ(main.CurrentWave(), 1);
    EXPECT_EQ(pile().m_nCurrentChannel, 1);
    EXPECT_TRUE(pile().Channel(1)->IsSelected());
    EXPECT_FALSE(pile().Channel(0)->IsSelected());
    EXPECT_FALSE(avg->IsSelected());
    ASSERT_FALSE(frame.panel.empty());
    EXPECT_EQ(frame.panel.back().gain, pile().Channel(1)->GetExpGain());

    Click(average, AtSample(*avg, 900));
    EXPECT_TRUE(avg->IsSelected());
    EXPECT_FALSE(pile().Channel(1)->IsSelected());
    EXPECT_EQ(pile().m_nCurrentChannel, 3);

    main.SelectWave(2);
    EXPECT_FALSE(avg->IsSelected());
    EXPECT_TRUE(pile().Channel(2)->IsSelected());
    average.SelectAverage();
    EXPECT_TRUE(avg->IsSelected());
    EXPECT_FALSE(pile().Channel(2)->IsSelected());
    EXPECT_EQ(pile().m_nCurrentChannel, 3);
}

TEST_F(WaveViewsTest, DoubleClickOnTheLabelGoesToTheDetailViewLeftLast) {
    LoadThreeBlows();
    AttachBoth();
    const gdi::Rect label = pile().Channel(0)->GetLabelRect();
    const QPoint at(label.left + 3, label.top + 3);
    QTest::mouseDClick(main.viewport(), Qt::LeftButton, {}, at);
    frame.wasSingleWave = true;
    QTest::mouseDClick(main.viewport(), Qt::LeftButton, {}, at);
    const gdi::Rect avgLabel = pile().AverageChannel()->GetLabelRect();
    QTest::mouseDClick(average.viewport(), Qt::LeftButton, {}, QPoint(avgLabel.left + 3, avgLabel.top + 3));
    EXPECT_EQ(frame.switches, (std::vector<pit::ViewMode>{pit::ViewMode::Analysis, pit::ViewMode::SingleWave,
                                                          pit::ViewMode::SingleWave}));
    EXPECT_EQ(frame.panelRefreshes, 3);
    EXPECT_EQ(pile().m_nCurrentChannel, 3);

    // The single view shows the pile's current channel: the average now.
    CSingleWaveView single;
    Attach(single);
    EXPECT_EQ(single.CurrentWave(), 3);
    const gdi::Rect singleLabel = pile().AverageChannel()->GetLabelRect();
    QTest::mouseDClick(single.viewport(), Qt::LeftButton, {},
                       QPoint(singleLabel.left + 3, singleLabel.top + 3));
    EXPECT_EQ(frame.switches.back(), pit::ViewMode::Main);
}

TEST_F(WaveViewsTest, AverageLeavesRoomBelowFromFourBlows) {
    LoadThreeBlows();
    AttachBoth();
    EXPECT_EQ(pile().AverageChannel()->GetFrameRect().bottom, average.viewport()->height());

    LoadPile({PulseBlow(1024, 1), PulseBlow(1024, 1), PulseBlow(1024, 1), PulseBlow(1024, 1)});
    average.ClearBackground();
    Paint(average);
    EXPECT_EQ(pile().AverageChannel()->GetFrameRect().bottom, average.viewport()->height() - 15);
}

TEST_F(WaveViewsTest, ChannelsOfAPileReadAgainAreLaidOutForTheNextClickAndPaint) {
    // A save reads the pile again into new channels, which no view laid out.
    LoadThreeBlows();
    AttachBoth();
    std::vector<gdi::Rect> labels;
    for (int i = 0; i < 4; ++i)
        labels.push_back(pile().Channel(i)->GetLabelRect());
    const gdi::Rect row2 = Frame(2);
    ASSERT_TRUE(pile().ReloadFile());
    ASSERT_TRUE(Frame(2).IsRectEmpty());

    // A click on a label before any paint selects that blow.
    Click(main, Inside(labels[2]));
    EXPECT_EQ(main.CurrentWave(), 2);
    EXPECT_EQ(pile().m_nCurrentChannel, 2);
    EXPECT_TRUE(pile().Channel(2)->IsSelected());
    EXPECT_FALSE(pile().Channel(0)->IsSelected());
    EXPECT_EQ(Frame(2), row2);
    EXPECT_TRUE(asker.asks.empty());

    // Every row is drawn with its wave, and the average above.
    QImage shot = Paint(main);
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(WavePixels(main, shot, Frame(i)), 200) << i;
    EXPECT_EQ(shot.pixelColor(Inside(labels[2])), QColor(244, 100, 100));
    ASSERT_TRUE(pile().ReloadFile());
    Click(average, Inside(labels[3]));
    EXPECT_TRUE(pile().AverageChannel()->IsSelected());
    EXPECT_EQ(pile().m_nCurrentChannel, 3);
    shot = Paint(average);
    EXPECT_GT(WavePixels(average, shot, pile().AverageChannel()->GetFrameRect()), 200);

    // The single view alike, its channel laid out over the whole view; the
    // main view, hidden, lays nothing out under it.
    main.hide();
    pile().m_nCurrentChannel = 1;
    CSingleWaveView single;
    Attach(single);
    ASSERT_TRUE(pile().ReloadFile());
    pile().m_nCurrentChannel = 1;
    shot = Paint(single);
    const CWaveRecord& shown = *pile().Channel(1);
    EXPECT_EQ(shown.GetFrameRect().bottom, single.viewport()->height());
    EXPECT_GT(WavePixels(single, shot, shown.GetFrameRect()), 200);
    main.SelectChannel(1);
    EXPECT_EQ(shown.GetFrameRect().bottom, single.viewport()->height());
}

TEST_F(WaveViewsTest, PressesBeforeAnyPileAreIgnored) {
    AttachBoth();
    CSingleWaveView single;
    Attach(single);
    for (CBaseView* v : {static_cast<CBaseView*>(&main), static_cast<CBaseView*>(&average),
                         static_cast<CBaseView*>(&single)}) {
        Click(*v, QPoint(200, 100));
        Click(*v, QPoint(200, 100), Qt::RightButton);
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(v->viewport(), QPoint(210, 110));
        QTest::keyClick(v, Qt::Key_Right);
        Wheel(*v, -120);
        Paint(*v);
    }
    EXPECT_TRUE(asker.asks.empty());
    EXPECT_TRUE(frame.switches.empty());
    EXPECT_TRUE(sink.shown.empty());
}

TEST(AverageDlg, OnlyBlowsInTheAverageCanBeChosenAndOkStoresThem) {
    CPileRecord pile;
    pile.m_blowFlags = {1, 1, 1, 1};
    {
        CAverageDlg dlg(pile);
        for (int i = 0; i < CAverageDlg::kBlows; ++i) {
            EXPECT_EQ(dlg.Check(i)->isChecked(), i < 4) << i;
            EXPECT_EQ(dlg.Check(i)->isEnabled(), i < 4) << i;
            EXPECT_EQ(pit::CtrlId(dlg.Check(i)), 1044 + i);
        }
        EXPECT_EQ(dlg.title(), QStringLiteral("请选择平均波形的来源"));
        dlg.Check(1)->setChecked(false);
        dlg.reject();
    }
    EXPECT_EQ(pile.m_blowFlags[1], 1); // Cancel leaves the flags
    {
        CAverageDlg dlg(pile);
        dlg.Check(1)->setChecked(false);
        dlg.accept();
    }
    EXPECT_EQ(pile.m_blowFlags, (std::array<int32_t, 15>{1, 0, 1, 1}));
}

} // namespace
