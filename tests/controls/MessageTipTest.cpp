#include "controls/MessageTip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(MessageTip, StandsAboveThePointAndStaysOnTheScreen) {
    const QRect screen(0, 0, 1024, 768);
    const QSize size(100, 30);
    struct Case {
        QPoint point;
        QPoint topLeft;
    } cases[] = {
        {{200, 300}, {200, 270}},  // bottom-left corner at the point
        {{1000, 300}, {924, 270}}, // right edge pulled back onto the screen
        {{200, 10}, {200, 0}},     // top pushed down to the screen's top
        {{-20, 300}, {0, 270}},    // left edge pushed right
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMessageTip::PlaceRect(c.point, size, screen), QRect(c.topLeft, size)) << c.point.x();
    // Wider than the screen: the left edge wins.
    EXPECT_EQ(CMessageTip::PlaceRect({50, 300}, {2000, 30}, screen).left(), 0);
}

TEST(MessageTip, SizeIsTheWidestLinePlusTwoBlanksMarginsAndShadow) {
    CMessageTip tip;
    const QFontMetrics fm(tip.tipFont());
    const QString text = "short\na much longer line\nmid";
    const QRect r = tip.CalcWindowSize(text);
    EXPECT_EQ(r.topLeft(), QPoint(0, 0));
    EXPECT_EQ(r.width(), fm.horizontalAdvance("a much longer line  ") + 14 + 6);
    // Three lines: a face whose lines overlap (negative leading) sets them closer.
    EXPECT_GE(r.height(), fm.height() + 2 * std::min(fm.lineSpacing(), fm.height()) + 8 + 6);
    const QSize plain = CMessageTip::TipSize(fm, text, QMargins(6, 4, 8, 4), 0);
    EXPECT_EQ(plain.width(), r.width() - 6);
    EXPECT_EQ(plain.height(), r.height() - 6);
}

TEST(MessageTip, ShadowFadesFromHalfNextToTheBodyToNinetyPercentOutside) {
    const int w = 40, h = 20, s = 6, cols = w + s;
    const auto p = CMessageTip::ShadowPercents(w, h, s);
    ASSERT_EQ(p.size(), size_t(cols * (h + s)));
    auto at = [&](int x, int y) { return p[size_t(y) * cols + x]; };
    EXPECT_EQ(at(10, 10), 100); // body
    EXPECT_EQ(at(20, h), 50);   // bottom edge, next to the body
    EXPECT_EQ(at(20, h + 5), 90);
    EXPECT_EQ(at(w, 15), 50); // right edge
    EXPECT_EQ(at(w + 5, 15), 90);
    EXPECT_EQ(at(s, h), 98); // corners fade from 98 to 58
    EXPECT_EQ(at(s + 5, h), 58);
    EXPECT_EQ(at(w, s), 98);
    EXPECT_EQ(at(w, 0), 100); // the shadow starts s pixels down and right
    EXPECT_EQ(at(0, h + 2), 100);
    for (int v : CMessageTip::ShadowPercents(w, h, 0))
        EXPECT_EQ(v, 100);
}

class TipFixture : public ::testing::Test {
protected:
    void SetUp() override {
        owner.setGeometry(100, 200, 300, 200);
        owner.show();
        ASSERT_TRUE(tip.Create(&owner));
        tip.SetActiveWindowProbe([] { return true; });
        tip.SetCursorProbe([this] { return cursor; });
    }
    void show() { tip.Show(QPoint(50, 60), "Value out of range"); }

    QWidget owner;
    CMessageTip tip;
    QPoint cursor{-1000, -1000};
};

TEST_F(TipFixture, ShowsAboveTheAnchorWithoutTakingTheFocus) {
    show();
    ASSERT_TRUE(tip.isVisible());
    const QPoint anchor = owner.mapToGlobal(QPoint(50 - 6, 60));
    EXPECT_EQ(tip.geometry().left(), anchor.x());
    EXPECT_EQ(tip.geometry().top() + tip.geometry().height(), anchor.y());
    EXPECT_TRUE(tip.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(tip.windowFlags() & Qt::WindowDoesNotAcceptFocus);

    CMessageTip unmade;
    unmade.Show(QPoint(1, 1), "x"); // no window yet
    EXPECT_FALSE(unmade.isVisible());
    tip.Hide();
    tip.Show(QPoint(1, 1), ""); // nothing to show
    EXPECT_FALSE(tip.isVisible());
}

TEST_F(TipFixture, EnterKeepsItAnyOtherKeyOrAClickClosesIt) {
    show();
    QTest::keyClick(&owner, Qt::Key_Return);
    QTest::keyClick(&owner, Qt::Key_Enter);
    QApplication::processEvents();
    EXPECT_TRUE(tip.isVisible());
    QTest::keyClick(&owner, Qt::Key_A);
    QApplication::processEvents();
    EXPECT_FALSE(tip.isVisible());
    EXPECT_FALSE(tip.IsWatching());

    show();
    QTest::mouseClick(&owner, Qt::RightButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_FALSE(tip.isVisible());

    // Hidden, it no longer watches: a key does nothing to a later showing.
    QTest::keyClick(&owner, Qt::Key_B);
    show();
    QApplication::processEvents();
    EXPECT_TRUE(tip.isVisible());
}

TEST_F(TipFixture, ClosesAfterItsLifeUnlessTheMouseRestsOnItsBody) {
    tip.SetLife(2000);
    tip.SetTick(500);
    show();
    for (int i = 0; i < 3; ++i)
        tip.OnTimer();
    EXPECT_TRUE(tip.isVisible());
    tip.OnTimer();
    EXPECT_FALSE(tip.isVisible());

    show();
    EXPECT_EQ(tip.elapsed(), 0);
    const QRect g = tip.frameGeometry();
    cursor = g.topLeft() + QPoint(3, 3);
    for (int i = 0; i < 10; ++i)
        tip.OnTimer();
    EXPECT_TRUE(tip.isVisible());
    cursor = g.bottomRight() - QPoint(1, 1); // over the shadow
    tip.OnTimer();
    EXPECT_FALSE(tip.isVisible());

    // Without an active window the tip goes at the first tick.
    show();
    tip.SetActiveWindowProbe([] { return false; });
    tip.OnTimer();
    EXPECT_FALSE(tip.isVisible());
}

TEST_F(TipFixture, PaintsFramedBodyOverAHalfDarkShadow) {
    show();
    QImage img(tip.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    tip.render(&img);
    const int s = tip.shadowSize();
    EXPECT_EQ(qAlpha(img.pixel(2, 2)), 255);                              // body
    EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(Qt::black));                // frame
    EXPECT_EQ(qAlpha(img.pixel(img.width() - 1, 0)), 0);                  // above the right shadow
    EXPECT_EQ(qAlpha(img.pixel(img.width() - s, img.height() / 2)), 127); // half-dark shadow
}

} // namespace
