#include "platform/Canvas.h"
#include "platform/BmpWriter.h"
#include "platform/FontSetup.h"
#include "platform/RecordingDevice.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPicture>
#include <QRawFont>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>

using namespace gdi;
using Kind = RecordedItem::Kind;

namespace {

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { pit::RegisterFontSubstitutions(); }
};

QImage whiteImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

bool dark(const QImage& img, int x, int y) {
    return qGray(img.pixel(x, y)) < 128;
}

// Runs of dark and light pixels along row y from x0 to x1 (exclusive).
std::vector<int> runsAlongRow(const QImage& img, int y, int x0, int x1) {
    std::vector<int> runs;
    bool state = dark(img, x0, y);
    int n = 0;
    for (int x = x0; x < x1; ++x) {
        if (dark(img, x, y) == state) {
            ++n;
        } else {
            runs.push_back(n);
            state = !state;
            n = 1;
        }
    }
    runs.push_back(n);
    return runs;
}

} // namespace

TEST_F(CanvasTest, PensFollowTheDashRules) {
    struct Case {
        const char* name;
        Pen pen;
        Qt::PenStyle qtStyle;
        QVector<qreal> pattern; // empty: solid
        int width;
        Qt::PenCapStyle cap;
    } cases[] = {
        {"solid 1", Pen::Create(PS_SOLID, 1, 0), Qt::SolidLine, {}, 1, Qt::FlatCap},
        {"width 0 draws one wide", Pen::Create(PS_DOT, 0, 0), Qt::CustomDashLine, {3, 3}, 1, Qt::FlatCap},
        {"dash 1", Pen::Create(PS_DASH, 1, 0), Qt::CustomDashLine, {18, 6}, 1, Qt::FlatCap},
        {"dash-dot 1", Pen::Create(PS_DASHDOT, 1, 0), Qt::CustomDashLine, {9, 6, 3, 6}, 1, Qt::FlatCap},
        {"dash-dot-dot 1",
         Pen::Create(PS_DASHDOTDOT, 1, 0),
         Qt::CustomDashLine,
         {9, 3, 3, 3, 3, 3},
         1,
         Qt::FlatCap},
        {"styled wider than 1 is solid", Pen::Create(PS_DASH, 2, 0), Qt::SolidLine, {}, 2, Qt::SquareCap},
        {"dotted 3 is solid", Pen::Create(PS_DOT, 3, 0), Qt::SolidLine, {}, 3, Qt::SquareCap},
        {"wide pens end round", Pen::Create(PS_SOLID, 4, 0), Qt::SolidLine, {}, 4, Qt::RoundCap},
        {"inside frame is solid", Pen::Create(PS_INSIDEFRAME, 1, 0), Qt::SolidLine, {}, 1, Qt::FlatCap},
        {"null", Pen::Null(), Qt::NoPen, {}, 1, Qt::SquareCap},
        {"cosmetic user style",
         Pen::Ext(PS_COSMETIC | PS_USERSTYLE, 1, 0, {2, 5}),
         Qt::CustomDashLine,
         {2, 5},
         1,
         Qt::FlatCap},
        {"geometric user style in device units",
         Pen::Ext(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_USERSTYLE, 2, 0, {2, 2, 8, 8}),
         Qt::CustomDashLine,
         {1, 1, 4, 4},
         2,
         Qt::FlatCap},
        {"geometric dash scales with width",
         Pen::Ext(PS_GEOMETRIC | PS_DASH, 5, 0),
         Qt::CustomDashLine,
         {3, 1},
         5,
         Qt::RoundCap},
    };
    for (const Case& c : cases) {
        const QPen q = QtPen(c.pen);
        EXPECT_EQ(q.style(), c.qtStyle) << c.name;
        if (c.qtStyle == Qt::NoPen)
            continue;
        EXPECT_EQ(q.width(), c.width) << c.name;
        EXPECT_EQ(q.capStyle(), c.cap) << c.name;
        if (!c.pattern.isEmpty())
            EXPECT_EQ(q.dashPattern(), c.pattern) << c.name;
    }
    EXPECT_EQ(QtPen(Pen::Create(PS_SOLID, 1, pit::RGB(200, 50, 50))).color(), QColor(200, 50, 50));
}

TEST_F(CanvasTest, DottedAndWideStyledLinesOnPixels) {
    QImage img = whiteImage(80, 20);
    {
        QPainter p(&img);
        Canvas dc(p);
        dc.SelectPen(Pen::Create(PS_DOT, 1, 0));
        dc.MoveTo(0, 5);
        dc.LineTo(60, 5);
        dc.SelectPen(Pen::Create(PS_DASH, 2, 0));
        dc.MoveTo(0, 12);
        dc.LineTo(60, 12);
    }
    const std::vector<int> dots = runsAlongRow(img, 5, 0, 30);
    for (size_t i = 0; i + 1 < dots.size(); ++i)
        EXPECT_EQ(dots[i], 3) << "run " << i;
    EXPECT_TRUE(dark(img, 0, 5));
    for (int x = 2; x < 58; ++x)
        ASSERT_TRUE(dark(img, x, 12)) << "wide dashed pen draws solid, gap at " << x;
}

TEST_F(CanvasTest, OpaqueBackgroundFillsTheGapsOfDottedLines) {
    QImage img(40, 10, QImage::Format_RGB32);
    img.fill(QColor(0xDE, 0xDE, 0xDE));
    {
        QPainter p(&img);
        Canvas dc(p);
        dc.SelectPen(Pen::Create(PS_DOT, 1, 0));
        dc.SetBkColor(pit::RGB(255, 255, 255));
        dc.MoveTo(0, 2);
        dc.LineTo(30, 2);
        dc.SetBkMode(TRANSPARENT);
        dc.MoveTo(0, 6);
        dc.LineTo(30, 6);
    }
    EXPECT_EQ(img.pixel(4, 2), qRgb(255, 255, 255)) << "opaque: the gap takes the background colour";
    EXPECT_EQ(img.pixel(4, 6), qRgb(0xDE, 0xDE, 0xDE)) << "transparent: the gap shows what is below";
    EXPECT_EQ(img.pixel(1, 6), qRgb(0, 0, 0));
}

TEST_F(CanvasTest, RectanglesExcludeTheirRightAndBottomEdges) {
    QImage img = whiteImage(30, 20);
    {
        QPainter p(&img);
        Canvas dc(p);
        dc.SelectBrush(Brush::Null());
        dc.Rectangle(2, 2, 8, 6);
        dc.FillRect(Rect(10, 10, 13, 12), Brush::Solid(0));
        dc.MoveTo(0, 16);
        dc.LineTo(5, 16);
        dc.SelectBrush(Brush::Solid(0));
        dc.Ellipse(Rect(10, 0, 20, 10));
    }
    EXPECT_TRUE(dark(img, 15, 0));
    EXPECT_TRUE(dark(img, 15, 9));
    EXPECT_FALSE(dark(img, 15, 10));
    EXPECT_TRUE(dark(img, 19, 5));
    EXPECT_FALSE(dark(img, 20, 5)) << "ellipses keep inside their rectangle too";
    for (int x = 2; x <= 7; ++x) {
        EXPECT_TRUE(dark(img, x, 2)) << x;
        EXPECT_TRUE(dark(img, x, 5)) << x;
    }
    EXPECT_TRUE(dark(img, 7, 3));
    EXPECT_FALSE(dark(img, 8, 3));
    EXPECT_FALSE(dark(img, 4, 6));
    EXPECT_FALSE(dark(img, 4, 3)) << "null brush leaves the inside";
    EXPECT_TRUE(dark(img, 12, 11));
    EXPECT_FALSE(dark(img, 13, 11));
    EXPECT_FALSE(dark(img, 12, 12));
    EXPECT_TRUE(dark(img, 4, 16));
    EXPECT_FALSE(dark(img, 5, 16)) << "LineTo stops before its end point";
}

TEST_F(CanvasTest, DrawTextAlignsInItsRectangle) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    dc.SelectFont(Font::Create(16, 400, QStringLiteral("Arial")));
    dc.SetBkMode(TRANSPARENT);
    const Size ext = dc.GetTextExtent(QStringLiteral("Label"));
    const int h = ext.cy;
    const Rect box(10, 10, 210, 60);
    struct Case {
        unsigned flags;
        int x;
        int top;
    } cases[] = {
        {DT_LEFT, 10, 10},
        {DT_CENTER, 10 + (200 - ext.cx) / 2, 10},
        {DT_RIGHT, 210 - ext.cx, 10},
        {DT_SINGLELINE | DT_VCENTER, 10, 10 + (50 - h) / 2},
        {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 210 - ext.cx, 60 - h},
        {DT_VCENTER | DT_CENTER, 10 + (200 - ext.cx) / 2, 10}, // vertical alignment needs a single line
        {DT_BOTTOM, 10, 10},
    };
    for (const Case& c : cases) {
        dev.clear();
        Rect r = box;
        dc.DrawText(QStringLiteral("Label"), r, c.flags);
        const auto texts = dev.texts();
        ASSERT_EQ(texts.size(), 1u) << c.flags;
        EXPECT_EQ(int(texts[0].rect.left()), c.x) << c.flags;
        EXPECT_EQ(int(texts[0].rect.top()), c.top) << c.flags;
        EXPECT_EQ(texts[0].clip, QRegion(box.toQRect())) << "DrawText clips to its rectangle";
        EXPECT_EQ(r, box) << "drawing leaves the rectangle";
    }
}

TEST_F(CanvasTest, DrawTextMeasuresBreaksAndShortens) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    dc.SelectFont(Font::Create(20, 400, QStringLiteral("Arial")));
    const int h = dc.GetTextMetrics().height;

    Rect calc(5, 7, 6, 8);
    EXPECT_EQ(dc.DrawText(QStringLiteral("100"), calc, DT_CALCRECT | DT_SINGLELINE | DT_CENTER), h);
    EXPECT_TRUE(dev.texts().empty()) << "measuring draws nothing";
    Rect none(5, 7, 50, 80);
    EXPECT_EQ(dc.DrawText(QString(), none, DT_CALCRECT | DT_SINGLELINE), 0);
    EXPECT_EQ(none, Rect(5, 7, 5, 7 + h)) << "an empty single line is one line high and no width";
    EXPECT_EQ(calc, Rect(5, 7, 5 + dc.GetTextExtent(QStringLiteral("100")).cx, 7 + h));

    const int wordWidth = dc.GetTextExtent(QStringLiteral("alpha")).cx;
    Rect narrow(0, 0, wordWidth + 2, 10);
    EXPECT_EQ(dc.DrawText(QStringLiteral("alpha beta gamma"), narrow, DT_WORDBREAK | DT_CALCRECT), 3 * h);
    Rect two(0, 0, 300, 10);
    dc.DrawText(QStringLiteral("one\r\ntwo"), two, DT_LEFT | DT_NOCLIP);
    ASSERT_EQ(dev.textList(), QStringList({"one", "two"}));
    EXPECT_EQ(int(dev.texts()[1].rect.top()), h);
    EXPECT_FALSE(dev.texts()[0].clip.has_value());

    dev.clear();
    Rect tight(0, 0, dc.GetTextExtent(QStringLiteral("Vmax:1")).cx, 30);
    dc.DrawText(QStringLiteral("Vmax:12.34(cm/s)"), tight, DT_RIGHT | DT_SINGLELINE | DT_END_ELLIPSIS);
    ASSERT_EQ(dev.texts().size(), 1u);
    EXPECT_TRUE(dev.texts()[0].text.endsWith(QStringLiteral("..."))) << dev.texts()[0].text.toStdString();
    EXPECT_LE(dev.texts()[0].rect.width(), tight.Width());

    const QString title = QStringLiteral("低应变反射波法单桩检测报告单");
    Rect cjk(0, 0, dc.GetTextExtent(title).cx / 3, 10);
    const int cjkHeight = dc.DrawText(title, cjk, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(cjkHeight, 3 * h) << "ideographs break anywhere";
    EXPECT_LE(cjk.Width(), dc.GetTextExtent(title).cx / 3);

    dev.clear();
    Rect menu(0, 0, 300, 30);
    dc.DrawText(QStringLiteral("&File && more"), menu, DT_SINGLELINE);
    EXPECT_EQ(dev.textList(), QStringList({"File & more"}));
}

TEST_F(CanvasTest, TextColourAndBackgroundAreSeparateFromThePen) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    dc.SelectPen(Pen::Create(PS_SOLID, 1, pit::RGB(255, 0, 0)));
    dc.SetTextColor(pit::RGB(0, 0, 255));
    dc.SetBkColor(pit::RGB(0, 255, 0));
    dc.SetBkMode(OPAQUE);
    dc.TextOut(3, 4, QStringLiteral("A"));
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(3, 40, QStringLiteral("B"));
    dc.MoveTo(0, 0);
    dc.LineTo(10, 0);

    const auto rects = dev.itemsOf(Kind::Rect);
    ASSERT_EQ(rects.size(), 1u) << "only the opaque text fills its cell";
    EXPECT_EQ(rects[0].brush.color(), QColor(0, 255, 0));
    const auto texts = dev.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].pen.color(), QColor(0, 0, 255));
    EXPECT_EQ(rects[0].rect, QRectF(3, 4, texts[0].rect.width(), texts[0].rect.height()));
    EXPECT_EQ(texts[0].rect.topLeft(), QPointF(3, 4)) << "TextOut places the cell's top left";
    const auto lines = dev.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].pen.color(), QColor(255, 0, 0));
}

TEST_F(CanvasTest, ViewportOriginMovesDrawingButNotTheClip) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectClipRect(Rect(0, 0, 50, 40));
    EXPECT_EQ(dc.SetViewportOrg(100, 50), Point{});
    dc.MoveTo(0, -10);
    dc.LineTo(20, 10);
    dc.IntersectClipRect(Rect(-100, -50, -80, -40)); // logical: device (0, 0, 20, 10)
    dc.TextOut(1, 2, QStringLiteral("x"));
    dc.SetViewportOrg(0, 0);
    dc.ExcludeClipRect(Rect(0, 0, 5, 5));
    dc.Polyline({{1, 1}, {2, 2}, {3, 1}});
    dc.RemoveClip();
    dc.Polygon({{0, 0}, {4, 0}, {4, 4}});

    const auto& items = dev.items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].points, (std::vector<QPointF>{{100, 40}, {120, 60}}));
    EXPECT_EQ(items[0].clip, QRegion(0, 0, 50, 40));
    EXPECT_EQ(items[1].rect.topLeft(), QPointF(101, 52));
    EXPECT_EQ(items[1].clip, QRegion(0, 0, 20, 10));
    EXPECT_EQ(items[2].kind, Kind::Polyline);
    EXPECT_EQ(items[2].clip, QRegion(0, 0, 20, 10) - QRegion(0, 0, 5, 5));
    EXPECT_EQ(items[3].kind, Kind::Polygon);
    EXPECT_FALSE(items[3].clip.has_value());
}

TEST_F(CanvasTest, WorldTransformTurnsText) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectFont(Font::Create(16, 400, QStringLiteral("Arial")));
    const int ascent = dc.GetTextMetrics().ascent;
    dc.SetViewportOrg(5, 0);
    dc.SetWorldTransform(QTransform(0, -1, 1, 0, 0, 100)); // a quarter turn upwards
    dc.TextOut(10, 0, QStringLiteral("cm/s"));
    dc.ResetWorldTransform();
    dc.TextOut(10, 0, QStringLiteral("0"));
    const auto texts = dev.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].baseline, QPointF(5 + ascent, 90));
    EXPECT_GT(texts[0].rect.height(), texts[0].rect.width()) << "the text runs up the page";
    EXPECT_EQ(texts[1].baseline, QPointF(15, ascent));
}

TEST_F(CanvasTest, StartsFromThePaintersStateAndGivesItBack) {
    RecordingDevice dev;
    QPainter p(&dev);
    p.translate(100, 100);
    p.setClipRect(QRect(0, 0, 50, 50));
    {
        Canvas dc(p);
        dc.SelectClipRect(Rect(10, 10, 200, 200));
        dc.SetViewportOrg(3, 4);
        dc.MoveTo(0, 0);
        dc.LineTo(1, 0);
    }
    EXPECT_EQ(p.transform(), QTransform::fromTranslate(100, 100));
    p.drawLine(0, 0, 1, 0);
    const auto lines = dev.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points[0], QPointF(103, 104));
    EXPECT_EQ(lines[0].clip, QRegion(110, 110, 40, 40)) << "the canvas clip stays inside the painter's";
    EXPECT_EQ(lines[1].clip, QRegion(100, 100, 50, 50));
}

TEST_F(CanvasTest, ClipLimitsPixels) {
    QImage img = whiteImage(40, 40);
    {
        QPainter p(&img);
        Canvas dc(p);
        dc.SetViewportOrg(10, 10);
        dc.IntersectClipRect(Rect(0, 0, 10, 10));
        dc.ExcludeClipRect(Rect(0, 0, 5, 10));
        dc.SetViewportOrg(0, 0);
        dc.FillRect(Rect(0, 0, 40, 40), Brush::Solid(0));
    }
    int count = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            count += dark(img, x, y);
    EXPECT_EQ(count, 5 * 10);
    EXPECT_TRUE(dark(img, 15, 10));
    EXPECT_FALSE(dark(img, 14, 10));
    EXPECT_FALSE(dark(img, 20, 10));
}

TEST_F(CanvasTest, FontsAreSizedByCellHeightInPixels) {
    for (int dpi : {96, 600}) {
        RecordingDevice dev(100, 100, dpi, dpi);
        QPainter p(&dev);
        Canvas dc(p);
        EXPECT_EQ(dc.dpiX(), dpi);
        for (const QString& face : {QStringLiteral("Arial"), QStringLiteral("宋体")}) {
            for (int h : {9, 10, 16, 20, 37, 100}) {
                dc.SelectFont(Font::Create(h, 400, face));
                const TextMetrics tm = dc.GetTextMetrics();
                EXPECT_LE(tm.height, h) << face.toStdString() << " " << h << " at " << dpi;
                EXPECT_GE(tm.height, h - 2) << face.toStdString() << " " << h << " at " << dpi;
            }
        }
        dc.SelectFont(Font::Create(-20, 700, QStringLiteral("Arial")));
        EXPECT_EQ(dc.qfont().pixelSize(), 20) << "a negative height is the character height";
        EXPECT_EQ(dc.qfont().weight(), QFont::Bold);
    }
}

TEST_F(CanvasTest, WindowsFacesResolveToTheInstalledFonts) {
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Arial"))).family(), QStringLiteral("Liberation Sans"));
    // The Chinese faces: Latin letters and digits from a Latin face, the
    // ideographs from the CJK face of their kind.
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("宋体"))).family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("黑体"))).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(pit::FontSubstitutesFor(QStringLiteral("宋体")).value(1), QStringLiteral("Noto Serif CJK SC"));
    EXPECT_EQ(pit::FontSubstitutesFor(QStringLiteral("黑体")).value(1), QStringLiteral("Noto Sans CJK SC"));
    for (const char* face : {"宋体", "黑体"}) {
        const QRawFont ideographs =
            QRawFont::fromFont(QFont(QString::fromUtf8(face)), QFontDatabase::SimplifiedChinese);
        EXPECT_TRUE(ideographs.familyName().startsWith(QStringLiteral("Noto"))) << face;
    }
    EXPECT_EQ(pit::FontSubstitutesFor(QStringLiteral("arial")).value(0), QStringLiteral("Liberation Sans"));
    EXPECT_TRUE(pit::FontSubstitutesFor(QStringLiteral("Liberation Sans")).isEmpty());
}

TEST_F(CanvasTest, TextInAFontThatNamesNoFaceTakesTheSansFace) {
    // Left to Qt, a font without a face takes the first installed family,
    // which on some machines is a symbol face.
    const struct {
        const char* what;
        std::optional<Font> font;
    } cases[] = {
        {"nothing selected", std::nullopt},
        {"a default font", Font{}},
        {"an empty face", Font::Create(16, 700, QString())},
        {"an empty face by em size", Font::Create(-12, 400, QString())},
    };
    for (const auto& c : cases) {
        RecordingDevice dev;
        {
            QPainter p(&dev);
            Canvas dc(p);
            if (c.font)
                dc.SelectFont(*c.font);
            dc.TextOut(10, 10, QStringLiteral("1/3"));
        }
        ASSERT_EQ(dev.texts().size(), 1u) << c.what;
        const QFont& f = dev.texts()[0].font;
        EXPECT_EQ(f.family(), QStringLiteral("Arial")) << c.what;
        EXPECT_EQ(QFontInfo(f).family(), QStringLiteral("Liberation Sans")) << c.what;
    }
}

TEST_F(CanvasTest, DeviceResolutionAndPrintingAreExplicit) {
    QImage img = whiteImage(10, 10);
    QPainter p(&img);
    {
        Canvas screen(p);
        EXPECT_EQ(screen.dpiX(), 96);
        EXPECT_FALSE(screen.isPrinting());
    }
    Canvas picture(p, 600, 600, true);
    EXPECT_EQ(picture.dpiX(), 600);
    EXPECT_EQ(picture.dpiY(), 600);
    EXPECT_TRUE(picture.isPrinting());
}

TEST_F(CanvasTest, BeziersAreAntialiasedPathsWithScaledDashes) {
    RecordingDevice dev;
    QPainter p(&dev);
    Canvas dc(p);
    dc.SetViewportOrg(10, 20);
    dc.DrawBeziers({{0, 0}, {10, -10}, {20, 10}, {30, 0}}, SmoothPen{pit::RGB(1, 2, 3), 3.0, PS_DOT});
    dc.MoveTo(0, 0);
    dc.LineTo(1, 1);
    const auto& items = dev.items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].kind, Kind::Path);
    EXPECT_TRUE(items[0].antialiased);
    EXPECT_EQ(items[0].pen.widthF(), 3.0);
    EXPECT_EQ(items[0].pen.dashPattern(), QVector<qreal>({1, 1}));
    EXPECT_EQ(items[0].path.elementAt(0), QPointF(10, 20));
    EXPECT_EQ(items[0].path.currentPosition(), QPointF(40, 20));
    EXPECT_FALSE(items[1].antialiased) << "device-context lines stay aliased";
}

// The print preview records pages into a picture and replays them: text drawn
// after a clip was removed must show as it does on the page itself.
TEST_F(CanvasTest, TextAfterARemovedClipSurvivesAPictureReplay) {
    auto draw = [](QPainter& p) {
        Canvas dc(p);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectFont(Font::Create(20, 700, QStringLiteral("Arial")));
        dc.SelectClipRect(Rect(0, 0, 40, 40));
        dc.FillRect(Rect(0, 0, 200, 200), Brush::Solid(0));
        dc.RemoveClip();
        Rect r(100, 100, 200, 130);
        dc.DrawText(QStringLiteral("HHH"), r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
        dc.SetViewportOrg(50, 0);
        dc.IntersectClipRect(Rect(0, 150, 100, 200));
        Rect inside(0, 150, 300, 180);
        dc.DrawText(QStringLiteral("HHHHHHHHHHHH"), inside, DT_LEFT | DT_SINGLELINE);
    };
    auto darkIn = [](const QImage& img, const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += dark(img, x, y);
        return n;
    };
    QImage direct = whiteImage(200, 200);
    {
        QPainter p(&direct);
        draw(p);
    }
    QPicture picture;
    {
        QPainter p(&picture);
        draw(p);
    }
    QImage replayed = whiteImage(200, 200);
    {
        QPainter p(&replayed);
        picture.play(&p);
    }
    EXPECT_GT(darkIn(direct, QRect(100, 100, 100, 30)), 50);
    EXPECT_EQ(darkIn(direct, QRect(150, 150, 50, 50)), 0) << "the canvas clip holds the second text";
    // The picture keeps texts as outlines, whose edges come out a little
    // lighter than the glyphs drawn straight onto the image.
    for (const QRect& r :
         {QRect(0, 0, 40, 40), QRect(100, 100, 100, 30), QRect(50, 150, 100, 40), QRect(150, 150, 50, 50)})
        EXPECT_NEAR(darkIn(replayed, r), darkIn(direct, r), darkIn(direct, r) / 5) << r.x() << "," << r.y();
}

// The print preview records pages at the printer's resolution and plays them
// back at a fraction of it: every stroke must still show in its own colour,
// at least a pixel wide, and keep its width and dashes where the zoom allows.
TEST_F(CanvasTest, PictureStrokesKeepTheirColourAtEveryPlaybackScale) {
    constexpr int kPage = 2400; // device units of a 600 dpi page, 4 inches
    const COLORREF red = pit::RGB(200, 30, 30), blue = pit::RGB(50, 50, 200), green = pit::RGB(0, 140, 0);
    const int geoDash = PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_USERSTYLE;
    enum Shape { kLine, kPolyline, kPolygon, kRectangle, kBezier };
    struct Case {
        const char* name;
        Shape shape;
        Pen pen;                   // a smooth curve takes its colour and width
        int gap;                   // the shortest gap of a dashed pen, device units; 0 solid
        std::vector<Point> points; // device units; a rectangle's corners, clockwise
    } cases[] = {
        {"one-pixel line", kLine, Pen::Create(PS_SOLID, 1, red), 0, {{200, 300}, {2200, 2100}}},
        {"curve six units wide",
         kPolyline,
         Pen::Create(PS_SOLID, 6, blue),
         0,
         {{100, 1200}, {1200, 1200}, {1700, 400}, {2300, 2000}}},
        {"dash-dot marker of user dashes",
         kLine,
         Pen::Ext(geoDash, 6, 0, {6, 6, 24, 24}),
         6,
         {{1000, 2200}, {1000, 200}}},
        {"dotted defect line", kLine, Pen::Create(PS_DOT, 1, 0), 3, {{1500, 2200}, {1500, 200}}},
        {"rectangle frame",
         kRectangle,
         Pen::Create(PS_SOLID, 1, green),
         0,
         {{300, 300}, {2100, 300}, {2100, 2100}, {300, 2100}}},
        {"polygon outline",
         kPolygon,
         Pen::Create(PS_SOLID, 1, red),
         0,
         {{400, 2000}, {1200, 400}, {2000, 2000}}},
        {"smooth curve", kBezier, Pen::Create(PS_SOLID, 12, blue), 0, {{200, 1800}, {2200, 1800}}},
    };
    auto draw = [](Canvas& dc, const Case& c) {
        dc.SelectPen(c.pen);
        dc.SelectBrush(Brush::Null());
        const std::vector<Point>& p = c.points;
        switch (c.shape) {
        case kLine:
            dc.MoveTo(p[0]);
            dc.LineTo(p[1]);
            break;
        case kPolyline:
            dc.Polyline(p);
            break;
        case kPolygon:
            dc.Polygon(p);
            break;
        case kRectangle:
            dc.Rectangle(p[0].x, p[0].y, p[2].x + 1, p[2].y + 1);
            break;
        case kBezier:
            dc.DrawBeziers({QPointF(p[0].x, p[0].y), QPointF(900, p[0].y), QPointF(1500, p[1].y),
                            QPointF(p[1].x, p[1].y)},
                           SmoothPen{c.pen.color, double(c.pen.width), 0});
            break;
        }
    };
    // The centre line, closed for the outlines.
    auto centre = [](const Case& c) {
        std::vector<QPointF> line;
        for (const Point& p : c.points)
            line.emplace_back(p.x, p.y);
        if (c.shape == kPolygon || c.shape == kRectangle)
            line.push_back(line.front());
        return line;
    };
    auto near = [](QRgb px, COLORREF c) {
        const QColor want = pit::toQColor(c);
        return std::abs(qRed(px) - want.red()) <= 16 && std::abs(qGreen(px) - want.green()) <= 16 &&
               std::abs(qBlue(px) - want.blue()) <= 16;
    };
    // Share of points along the centre line (every 4 device units) with a
    // pixel of the stroke's colour within one pixel.
    auto coverage = [&](const QImage& img, const Case& c, double scale) {
        int hit = 0, all = 0;
        const std::vector<QPointF> line = centre(c);
        for (size_t k = 1; k < line.size(); ++k) {
            const QLineF edge(line[k - 1], line[k]);
            // The ends are left out: GDI lines stop before their last point.
            for (double d = 8; d < edge.length() - 8; d += 4) {
                const QPointF p = edge.pointAt(d / edge.length()) * scale;
                bool found = false;
                for (int dy = -1; dy <= 1 && !found; ++dy)
                    for (int dx = -1; dx <= 1 && !found; ++dx) {
                        const int x = int(std::lround(p.x())) + dx, y = int(std::lround(p.y())) + dy;
                        found = img.rect().contains(x, y) && near(img.pixel(x, y), c.pen.color);
                    }
                hit += found;
                ++all;
            }
        }
        return double(hit) / all;
    };
    auto play = [](QPicture& picture, double scale) {
        const int side = int(std::ceil(kPage * scale));
        QImage img = whiteImage(side, side);
        QPainter p(&img);
        p.scale(scale, scale);
        picture.play(&p);
        return img;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPicture picture;
        {
            QPainter p(&picture);
            Canvas dc(p, 600, 600, true);
            draw(dc, c);
        }
        // 0.1: the preview's fit-page zoom of an A4 page; 0.16: its 100 %; 1: zoomed far in.
        for (double scale : {0.1, 0.16, 1.0}) {
            SCOPED_TRACE(scale);
            const QImage img = play(picture, scale);
            const double share = coverage(img, c, scale);
            if (c.gap == 0) {
                EXPECT_GT(share, 0.95);
            } else {
                EXPECT_GT(share, 0.3) << "the dashes in their colour";
                if (c.gap * scale >= 4)
                    EXPECT_LT(share, 0.9) << "the gaps stay open";
            }
        }
        if (c.pen.width < 6 || c.gap > 0)
            continue;
        // Zoomed in, a wide pen is as wide as printed, not one pixel (both
        // wide cases start with a level stretch).
        const QImage big = play(picture, 1.0);
        const QPoint mid = QLineF(centre(c)[0], centre(c)[1]).pointAt(0.5).toPoint();
        int across = 0;
        for (int dy = -3 * c.pen.width; dy <= 3 * c.pen.width; ++dy)
            across += near(big.pixel(mid.x(), mid.y() + dy), c.pen.color);
        EXPECT_GE(across, c.pen.width - 1);
    }

    // A page painted straight onto its device (print, PDF, pictures) gets no trace:
    // its hairline stays as thin as the device draws it.
    QImage direct = whiteImage(kPage / 10, kPage / 10);
    {
        QPainter p(&direct);
        p.scale(0.1, 0.1);
        Canvas dc(p, 600, 600, true);
        draw(dc, cases[0]);
    }
    EXPECT_LT(coverage(direct, cases[0], 0.1), 0.05);
}

// Control characters reach no device: the painter gets the text the
// documents show (their breaks as breaks in lines, one space on a single
// line), and images, pictures included, get the same pixels as from it.
TEST_F(CanvasTest, ControlCharactersDrawAsTheDocumentsShowThem) {
    const QString raw = QStringLiteral("A") + QChar(0x01) + QStringLiteral("&B") + QChar(0x0B) +
                        QStringLiteral("C") + QChar(0x7F) + QChar(0x1B) + QStringLiteral("\r\nD");
    const QString single = QStringLiteral("A&B C D"), lines = QStringLiteral("A&B\nC\nD");
    auto draw = [](QPainter& p, const QString& one, const QString& many) {
        Canvas dc(p);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectFont(Font::Create(20, 400, QStringLiteral("Arial")));
        dc.TextOut(5, 5, one);
        Rect r1(5, 40, 300, 70);
        dc.DrawText(one, r1, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        Rect r2(5, 80, 300, 200);
        dc.DrawText(many, r2, DT_WORDBREAK | DT_NOPREFIX);
        return dc.GetTextExtent(one).cx;
    };
    RecordingDevice dev(320, 200);
    {
        QPainter p(&dev);
        EXPECT_EQ(draw(p, raw, raw), draw(p, single, lines)) << "measured as drawn";
    }
    EXPECT_EQ(dev.textList().mid(0, 5), QStringList({"A&B C D", "A&B C D", "A&B", "C", "D"}));

    auto image = [&](const QString& one, const QString& many, bool viaPicture) {
        QImage img = whiteImage(320, 200);
        QPainter p(&img);
        if (!viaPicture) {
            draw(p, one, many);
            return img;
        }
        QPicture picture;
        {
            QPainter pp(&picture);
            draw(pp, one, many);
        }
        picture.play(&p);
        return img;
    };
    for (bool viaPicture : {false, true}) {
        SCOPED_TRACE(viaPicture);
        EXPECT_EQ(image(raw, raw, viaPicture), image(single, lines, viaPicture));
    }
}

// A painter told to draw text without antialiasing (a picture kept at one
// bit a pixel) gets glyphs of whole pixels: thresholding loses no stroke,
// and the numbers differ where their digits do.
TEST_F(CanvasTest, TextWithoutAntialiasingKeepsItsStrokesAtOneBit) {
    auto render = [](const QString& text) {
        QImage img = whiteImage(40, 16);
        QPainter p(&img);
        Canvas dc(p, 96, 96, false);
        dc.painter().setRenderHint(QPainter::TextAntialiasing, false);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectFont(Font::Create(12, 400, QStringLiteral("宋体")));
        dc.TextOut(1, 1, text);
        return img;
    };
    auto oneBit = [](const QImage& img) {
        return QImage::fromData(pit::BmpFileImage(img, pit::BmpDepth::Mono1));
    };
    // Columns where a and b differ.
    auto differ = [](const QImage& a, const QImage& b) {
        std::set<int> xs;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (dark(a, x, y) != dark(b, x, y))
                    xs.insert(x);
        return xs;
    };
    struct Case {
        QString a, b;
        int digit; // the differing digit's index
    } cases[] = {{QStringLiteral("8.0"), QStringLiteral("5.0"), 0},
                 {QStringLiteral("16.0"), QStringLiteral("15.0"), 1}};
    QImage probe = whiteImage(1, 1);
    QPainter pp(&probe);
    Canvas measure(pp, 96, 96, false);
    measure.SelectFont(Font::Create(12, 400, QStringLiteral("宋体")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a.toStdString());
        const QImage a = render(c.a), b = render(c.b);
        for (const QImage& drawn : {a, b}) {
            int grey = 0;
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x)
                    grey += drawn.pixel(x, y) != qRgb(0, 0, 0) && drawn.pixel(x, y) != qRgb(255, 255, 255);
            EXPECT_EQ(grey, 0) << "no edge for the threshold to drop";
        }
        const QImage ma = oneBit(a), mb = oneBit(b);
        EXPECT_TRUE(differ(ma, a).empty()) << "the one-bit picture is the drawn one";
        const std::set<int> xs = differ(ma, mb);
        ASSERT_GE(xs.size(), 2u);
        const int from = 1 + measure.GetTextExtent(c.a.left(c.digit)).cx;
        const int to = 1 + measure.GetTextExtent(c.a.left(c.digit + 1)).cx;
        EXPECT_GE(*xs.begin(), from - 1);
        EXPECT_LE(*xs.rbegin(), to);
    }
}
