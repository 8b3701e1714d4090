#include "core/draw/AxisDraw.h"
#include "core/draw/MoniPileDraw.h"
#include "core/draw/TimeAxisDraw.h"
#include "platform/Canvas.h"
#include "platform/FontSetup.h"
#include "platform/RecordingDevice.h"

#include <QFontInfo>
#include <gtest/gtest.h>

using namespace gdi;
using Kind = RecordedItem::Kind;

namespace {

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override { pit::RegisterFontSubstitutions(); }
};

pit::PileSketchWave sketchWave() {
    pit::PileSketchWave w;
    w.headIndex = 100;
    w.toeIndex = 900;
    return w;
}

} // namespace

TEST_F(DrawingTest, TimeRulerDrawsWithTheSelectedPenAndFontAndKeepsItsSteps) {
    RecordingDevice dev(1000, 300);
    QPainter p(&dev);
    Canvas dc(p);
    dc.SelectPen(Pen::Create(PS_SOLID, 1, pit::RGB(10, 20, 30)));
    dc.SelectFont(Font::Create(14, 400, QStringLiteral("Arial")));
    dc.SetBkMode(TRANSPARENT);
    CTimeAxisDraw ruler(0, 0, 500, 20.0f, 100, 200, 900, 240, 0, 1024);
    ruler.Draw(dc);

    float spt = 0;
    int step = 0;
    ruler.GetSteps(spt, step);
    EXPECT_FLOAT_EQ(spt, 200.0f);
    EXPECT_EQ(step, 4);
    EXPECT_EQ(ruler.GetUnit(), QStringLiteral("ms"));

    EXPECT_EQ(dev.textList(), QStringList({"ms", "0", "4", "8", "12", "16"})) << "20 would touch the unit";
    for (const RecordedItem& t : dev.texts()) {
        EXPECT_EQ(QFontInfo(t.font).family(), QStringLiteral("Liberation Sans"));
        EXPECT_LE(QFontMetrics(t.font).height(), 14);
        EXPECT_GE(t.rect.top(), 200 + 5 - 1);
    }
    const auto lines = dev.lines();
    EXPECT_EQ(lines.size(), 6u + 20u);
    for (const RecordedItem& l : lines) {
        EXPECT_EQ(l.pen.color(), QColor(10, 20, 30));
        EXPECT_EQ(l.points[0].y(), 200);
        EXPECT_EQ(l.points[0].x(), l.points[1].x()) << "ticks are vertical";
    }
}

TEST_F(DrawingTest, DepthRulerKeepsItsForwardSteps) {
    RecordingDevice dev(1000, 300);
    QPainter p(&dev);
    Canvas dc(p);
    CAxisDraw ruler(100, 100, 600, 20.0f, 0, 0, 800, 30, 0, 1024, 4000, 4000);
    ruler.Draw(dc);
    float spt = 0;
    int step = 0;
    ruler.GetSteps(spt, step);
    EXPECT_FLOAT_EQ(spt, 175.0f);
    EXPECT_EQ(step, 7);
    EXPECT_FLOAT_EQ(ruler.GetBackwardSamplesPerTick(), 25.0f);
    EXPECT_EQ(dev.textList().value(0), QStringLiteral("m"));
}

TEST_F(DrawingTest, SketchPensAndBackground) {
    struct Case {
        const char* name;
        int dpi;
        bool printing;
        bool printFlag;
        bool odd;
        bool givenPen;
        int fills;     // background fills of the strip
        QColor fill;   // their colour
        int mainWidth; // width of the outline pen
        QColor mainColour;
    } cases[] = {
        {"screen, own pen", 96, false, false, false, false, 1, Qt::white, 1, Qt::black},
        {"odd channel on screen is grey", 96, false, false, true, false, 1, QColor(0xDE, 0xDE, 0xDE), 1,
         Qt::black},
        {"own pen scales with the device", 192, false, false, false, false, 1, Qt::white, 2, Qt::black},
        {"printing paints no background", 600, true, false, true, false, 0, {}, 6, Qt::black},
        {"print copies paint no background", 96, false, true, true, true, 0, {}, 3, QColor(0, 0, 255)},
    };
    for (const Case& c : cases) {
        RecordingDevice dev(1200, 200, c.dpi, c.dpi);
        QPainter p(&dev);
        Canvas dc(p, 0, 0, c.printing);
        dc.SelectFont(Font::Create(14, 400, QStringLiteral("Arial")));
        CMoniPileDraw sketch;
        sketch.SetRect(Rect(0, 100, 1024, 150));
        sketch.SetPrintFlag(c.printFlag);
        pit::PileSketchWave w = sketchWave();
        w.oddChannel = c.odd;
        const Pen given = Pen::Create(PS_SOLID, 3, pit::RGB(0, 0, 255));
        sketch.Draw(dc, w, c.givenPen ? &given : nullptr);

        const auto rects = dev.itemsOf(Kind::Rect);
        ASSERT_EQ(int(rects.size()), c.fills) << c.name;
        if (c.fills)
            EXPECT_EQ(rects[0].brush.color(), c.fill) << c.name;
        const auto outline = dev.itemsOf(Kind::Polyline);
        ASSERT_EQ(outline.size(), 1u) << c.name;
        EXPECT_EQ(outline[0].pen.width(), c.mainWidth) << c.name;
        EXPECT_EQ(outline[0].pen.color(), c.mainColour) << c.name;
        EXPECT_EQ(dev.textList(), QStringList({QStringLiteral("\u00d7 1")})) << c.name;
        EXPECT_EQ(dc.GetPen(), Pen()) << "the previous pen is selected again";
    }
}

TEST_F(DrawingTest, SketchFactorTextOnlyWithAVisibleToe) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    CMoniPileDraw sketch;
    sketch.SetRect(Rect(0, 100, 1024, 150));
    pit::PileSketchWave w = sketchWave();
    w.toeIndex = 2000;
    sketch.Draw(dc, w);
    EXPECT_TRUE(dev.texts().empty());
}

TEST_F(DrawingTest, SketchPicturesOnGreyAndOnWhite) {
    CMoniPileDraw sketch;
    EXPECT_FALSE(sketch.DrawToBitmap(sketchWave())) << "no rectangle, no picture";
    sketch.SetRect(Rect(10, 100, 522, 150));
    pit::PileSketchWave w = sketchWave();
    w.sampleCount = 512;
    w.oddChannel = true;
    ASSERT_TRUE(sketch.DrawToBitmap(w, 96, 2.0));
    const QImage& screen = sketch.GetBitmap();
    const QImage& plain = sketch.GetBitmap2();
    EXPECT_EQ(screen.size(), QSize(1024, 100));
    EXPECT_EQ(screen.deviceIndependentSize(), QSizeF(512, 50));
    EXPECT_EQ(screen.pixel(2, 2), qRgb(0xDE, 0xDE, 0xDE));
    EXPECT_EQ(plain.pixel(2, 2), qRgb(255, 255, 255));
    // The body's top edge at y = 50 / 4 (device pixels twice that), from x = 100.
    EXPECT_LT(qGray(screen.pixel(2 * 300, 2 * 12)), 100);
    EXPECT_LT(qGray(plain.pixel(2 * 300, 2 * 12)), 100);
    EXPECT_EQ(plain.pixel(2 * 50, 2 * 12), qRgb(255, 255, 255)) << "nothing left of the head";

    CMoniPileDraw copy(sketch);
    EXPECT_TRUE(copy.GetBitmap().isNull()) << "copies carry no pictures";
    EXPECT_EQ(copy.GetRect(), sketch.GetRect());
}

TEST_F(DrawingTest, RulerAndSketchRenderInsideTheirStripsAt96And600Dpi) {
    for (int dpi : {96, 600}) {
        const int k = dpi / 96;
        QImage img(900 * k, 200 * k, QImage::Format_RGB32);
        img.fill(Qt::white);
        const Rect rulerStrip(50 * k, 60 * k, 850 * k, 90 * k);
        const Rect sketchStrip(50 * k, 100 * k, 850 * k, 150 * k);
        {
            QPainter p(&img);
            Canvas dc(p, dpi, dpi, dpi != 96);
            dc.SelectFont(Font::Create(12 * k, 400, QStringLiteral("Arial")));
            dc.SetBkMode(TRANSPARENT);
            CTimeAxisDraw ruler(30, 30, 700, 20.0f, rulerStrip.left, rulerStrip.top, rulerStrip.right,
                                rulerStrip.bottom, 0, 1024);
            ruler.SetTickSpacing(20);
            ruler.Draw(dc);
            CMoniPileDraw sketch;
            sketch.SetRect(sketchStrip);
            pit::PileSketchWave w = sketchWave();
            w.expGain = 3;
            w.expStart = 300;
            w.defects = {{400, 0}, {500, 2}};
            sketch.Draw(dc, w);
        }
        // The outline lies two pixels above the strip's bottom at any resolution;
        // its pen, six pixels wide at 600 dpi, may reach half its width below.
        Rect sketchInk = sketchStrip;
        sketchInk.InflateRect(0, k / 2);
        int inside = 0, outside = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                if (qGray(img.pixel(x, y)) > 200)
                    continue;
                const Point pt{x, y};
                (rulerStrip.PtInRect(pt) || sketchInk.PtInRect(pt) ? inside : outside)++;
            }
        EXPECT_GT(inside, 200 * k) << dpi;
        EXPECT_EQ(outside, 0) << dpi;
    }
}
