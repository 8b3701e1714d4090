// What the wave drawings put on the painter: the three print forms, the
// channel picture, the view paint and the curve export; and a few coarse
// renders into images.
#include "core/doc/CurveStyle.h"
#include "core/doc/DocSettings.h"
#include "core/doc/PrintSettings.h"
#include "core/draw/TimeAxisDraw.h"
#include "core/wave/WaveRecord.h"
#include "platform/FontSetup.h"
#include "platform/RecordingDevice.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using gdi::RecordedItem;
using Kind = RecordedItem::Kind;

namespace {

constexpr pit::COLORREF kWave = pit::RGB(50, 50, 200);
constexpr pit::COLORREF kHead = pit::RGB(250, 0, 0);
constexpr pit::COLORREF kToe = pit::RGB(0, 160, 0);
constexpr pit::COLORREF kBug = pit::RGB(0, 0, 250);

// 1024 samples at 20 µs: a blow at 50, an echo at 300, a defect mark at 200.
struct Fixture {
    CWaveRecord w;
    CPrintSettings print;
    CCurveStyle curve;
    pit::DocInfo doc;

    Fixture(float dt = 20.0f) {
        std::vector<float> s(1024);
        for (int i = 0; i < 1024; ++i)
            s[size_t(i)] = float(0.6 * std::exp(-std::pow((i - 50) / 8.0, 2)) -
                                 0.2 * std::exp(-std::pow((i - 300) / 10.0, 2)) + 0.05 * std::sin(i / 7.0));
        w.sampleInterval = dt;
        w.speed = w.speedAbove = 4000;
        w.pileLength = 10.0f;
        w.SetData(s);
        w.headIndex = w.refIndex = w.expStart = 50;
        w.toeIndex = 300;
        w.defects.push_back({200, 0, 0, 0});
        w.Layout(0, 0, 1000, 200);
        curve[pit::CurveElement::Head] = {kHead, 0, 0};
        curve[pit::CurveElement::Bttm] = {kToe, 0, 0};
        curve[pit::CurveElement::Bug] = {kBug, 0, 0};
    }
    pit::PrintDrawDoc docs() const { return {&print, &curve, &doc}; }
};

class WaveDrawTest : public ::testing::Test {
protected:
    void SetUp() override { pit::RegisterFontSubstitutions(); }
};

bool HasColour(const RecordedItem& it, pit::COLORREF c) {
    return it.pen.color() == pit::toQColor(c);
}

std::vector<RecordedItem> OfColour(const std::vector<RecordedItem>& items, pit::COLORREF c) {
    std::vector<RecordedItem> out;
    for (const RecordedItem& it : items)
        if (HasColour(it, c))
            out.push_back(it);
    return out;
}

// Vertical lines hanging below y (the ruler's ticks), by length.
std::multiset<int> TickLengths(const gdi::RecordingDevice& dev, int y) {
    std::multiset<int> out;
    for (const RecordedItem& l : dev.lines())
        if (l.points[0].x() == l.points[1].x() && l.points[0].y() == y && l.points[1].y() > y)
            out.insert(int(l.points[1].y() - y));
    return out;
}

// Vertical strokes at their x: plain lines, and the dashed ones that reach
// the device as paths.
struct Stroke {
    int x;
    QPen pen;
};
std::vector<Stroke> VerticalStrokes(const gdi::RecordingDevice& dev) {
    std::vector<Stroke> out;
    for (const RecordedItem& it : dev.items()) {
        if (it.kind == Kind::Line && it.points[0].x() == it.points[1].x())
            out.push_back({int(it.points[0].x()), it.pen});
        else if (it.kind == Kind::Path && it.path.boundingRect().width() == 0 && it.path.elementCount() == 2)
            out.push_back({int(it.path.boundingRect().left()), it.pen});
    }
    return out;
}

bool HasText(const gdi::RecordingDevice& dev, const QString& text) {
    return dev.textList().contains(text);
}

enum class Form { Full, Plain, Word };

int DrawForm(Form f, Fixture& fx, gdi::RecordingDevice& dev, int first = 0, int count = 1024,
             bool printing = false, bool printFlag = false) {
    QPainter p(&dev);
    gdi::Canvas dc(p, 0, 0, printing);
    const gdi::Rect box(0, 0, 800, 400);
    switch (f) {
    case Form::Full:
        return fx.w.DrawForPrint(dc, first, count, box, printFlag, nullptr, fx.docs());
    case Form::Plain:
        return fx.w.DrawForPrintB(dc, first, count, box, printFlag, nullptr, fx.docs());
    case Form::Word:
        return fx.w.DrawForWordReport(dc, first, count, box, printFlag, nullptr, fx.docs());
    }
    return 0;
}

} // namespace

TEST_F(WaveDrawTest, PrintRulerOnlyOnChannelsLongerThanTwoMilliseconds) {
    struct Case {
        Form form;
        float dt;
        bool ruler;
    };
    const Case cases[] = {{Form::Full, 20.0f, true},
                          {Form::Full, 1.0f, false},
                          {Form::Plain, 1.0f, true},
                          {Form::Word, 1.0f, true}};
    for (const Case& c : cases) {
        Fixture fx(c.dt);
        gdi::RecordingDevice dev(800, 400);
        EXPECT_EQ(DrawForm(c.form, fx, dev), 1);
        EXPECT_EQ(HasText(dev, QStringLiteral("ms")), c.ruler) << int(c.form) << " dt " << c.dt;
        EXPECT_EQ(!TickLengths(dev, fx.w.printPlotRect.bottom).empty(), c.ruler);
    }
}

TEST_F(WaveDrawTest, PrintTickSizesFollowTheRowsAndSpacingTheColumns) {
    for (auto [rows, major, minor] : {std::tuple{5, 4, 3}, std::tuple{6, 3, 2}}) {
        Fixture fx;
        fx.print.m_nRow = rows;
        gdi::RecordingDevice dev(800, 400);
        DrawForm(Form::Full, fx, dev);
        const auto lengths = TickLengths(dev, fx.w.printPlotRect.bottom);
        EXPECT_EQ(std::set<int>(lengths.begin(), lengths.end()), (std::set<int>{major, minor})) << rows;
    }

    // Two columns halve the spacing, unless the caller prints at full size.
    auto stepWith = [](bool printFlag) {
        Fixture fx;
        fx.print.m_nColumn = 2;
        gdi::RecordingDevice dev(800, 400);
        DrawForm(Form::Full, fx, dev, 0, 1024, false, printFlag);
        return fx.w.rulerTickStep;
    };
    auto rulerStep = [](int spacing) {
        Fixture fx;
        gdi::RecordingDevice dev(800, 400);
        QPainter p(&dev);
        gdi::Canvas dc(p);
        fx.w.DrawScaleBar(gdi::Rect(0, 0, 800, 400), dc, 1, false, fx.docs(), true);
        const gdi::Rect P = fx.w.printPlotRect;
        CTimeAxisDraw ruler(50, 50, 300, 20.0f, P.left, P.bottom, P.right, 400, 0, 1024);
        ruler.SetTickSpacing(spacing);
        ruler.Draw(dc);
        float spt = 0;
        int step = 0;
        ruler.GetSteps(spt, step);
        return spt;
    };
    EXPECT_FLOAT_EQ(stepWith(false), rulerStep(10));
    EXPECT_FLOAT_EQ(stepWith(true), rulerStep(20));
    EXPECT_LT(stepWith(false), stepWith(true));
}

// The document's picture (print label mode 2) in both its forms, at the
// heights its rows give: the ruler's labels take the font the layout
// measured, so no line of the ruler or of the sketch (its amplification
// curve rises to its top) runs through a text; with labels of the fields'
// size the wave keeps the larger share.
TEST_F(WaveDrawTest, DocumentPictureRulerClearOfTheSketch) {
    for (Form form : {Form::Full, Form::Word})
        for (int height : {36, 47, 88})
            for (float rate : {4.5f, 9.0f}) {
                SCOPED_TRACE(testing::Message()
                             << (form == Form::Full ? "full " : "word ") << height << " px, rate " << rate);
                Fixture fx;
                fx.w.SetExpGain(3);
                fx.print.m_nRow = 10;
                fx.doc.m_nFontRate = rate;
                fx.w.printLabelMode = 2;
                gdi::RecordingDevice dev(600, height);
                {
                    QPainter p(&dev);
                    gdi::Canvas dc(p, 0, 0, false);
                    const gdi::Rect box(0, 0, 600, height);
                    if (form == Form::Full)
                        fx.w.DrawForPrint(dc, 0, 1024, box, true, nullptr, fx.docs());
                    else
                        fx.w.DrawForWordReport(dc, 0, 1024, box, true, nullptr, fx.docs());
                }
                std::vector<QLineF> lines;
                for (const RecordedItem& it : dev.items()) {
                    if (it.kind == Kind::Line || it.kind == Kind::Polyline)
                        for (size_t k = 1; k < it.points.size(); ++k)
                            lines.emplace_back(it.points[k - 1], it.points[k]);
                    else if (it.kind == Kind::Path)
                        for (int k = 1; k < it.path.elementCount(); ++k)
                            if (it.path.elementAt(k).isLineTo())
                                lines.emplace_back(it.path.elementAt(k - 1), it.path.elementAt(k));
                }
                const auto texts = dev.texts();
                ASSERT_GE(texts.size(), 4u);
                for (const RecordedItem& t : texts)
                    for (const QLineF& l : lines) {
                        const QRectF b = QRectF(l.p1(), l.p2()).normalized();
                        EXPECT_FALSE(b.right() > t.rect.left() && b.left() < t.rect.right() &&
                                     b.bottom() > t.rect.top() && b.top() < t.rect.bottom())
                            << l.x1() << "," << l.y1() << " - " << l.x2() << "," << l.y2() << " through \""
                            << t.text.toStdString() << "\"";
                    }
                if (rate < 5)
                    EXPECT_GT(fx.w.printPlotRect.Height(), height / 2);
            }
}

TEST_F(WaveDrawTest, PrintCurveStaysInsideItsBand) {
    for (Form form : {Form::Full, Form::Plain}) {
        Fixture fx;
        fx.w.scale = 3.0f; // the blow and the echo reach beyond the plot
        gdi::RecordingDevice dev(800, 400);
        DrawForm(form, fx, dev);
        const gdi::Rect P = fx.w.printPlotRect;
        const int m = (P.top + P.bottom) / 2, h = P.Height() / 2;
        const pit::COLORREF colour = form == Form::Full ? kWave : fx.w.colours[1];
        const auto runs = OfColour(dev.itemsOf(Kind::Polyline), colour);
        ASSERT_GE(runs.size(), 2u) << "the samples outside the band leave gaps";
        bool onEdge = false;
        for (const RecordedItem& r : runs)
            for (const QPointF& q : r.points) {
                EXPECT_LE(std::abs(q.y() - m), h);
                EXPECT_GE(q.x(), P.left);
                EXPECT_LE(q.x(), P.right);
                onEdge = onEdge || std::abs(q.y() - m) == h;
            }
        EXPECT_TRUE(onEdge) << "the runs end on the band's edges";
    }
}

TEST_F(WaveDrawTest, SmoothedCurveOnlyOnPrintersOrForPictures) {
    struct Case {
        const char* name;
        bool printing;
        int isSmooth;
        int waveStyle;
        bool pictureMode;
        bool smooth;
    };
    const Case cases[] = {
        {"printer, smoothing on", true, 1, 0, false, true},
        {"preview or metafile", false, 1, 0, false, false},
        {"smoothing off", true, 0, 0, false, false},
        {"dashed wave pen", true, 1, 1, false, false},
        {"picture export forces it", false, 0, 0, true, true},
    };
    for (const Case& c : cases) {
        Fixture fx;
        fx.curve.IsSmooth = c.isSmooth;
        fx.curve[pit::CurveElement::Wave].style = c.waveStyle;
        fx.w.pictureMode = c.pictureMode;
        fx.w.scale = 2.0f;
        gdi::RecordingDevice dev(800, 400);
        DrawForm(Form::Full, fx, dev, 0, 1024, c.printing);
        // The smoothed curve is the one antialiased path; a dashed polyline
        // reaches the device as plain paths.
        std::vector<RecordedItem> smoothed, plain;
        for (const RecordedItem& it : dev.items())
            if ((it.kind == Kind::Path || it.kind == Kind::Polyline) && HasColour(it, kWave))
                (it.kind == Kind::Path && it.antialiased ? smoothed : plain).push_back(it);
        EXPECT_EQ(smoothed.size(), c.smooth ? 1u : 0u) << c.name;
        EXPECT_EQ(plain.empty(), c.smooth) << c.name;
        if (!smoothed.empty()) {
            const gdi::Rect P = fx.w.printPlotRect;
            const QRectF b = smoothed[0].path.boundingRect();
            EXPECT_GE(b.top(), P.top - 1) << c.name;
            EXPECT_LE(b.bottom(), P.bottom + 1) << c.name;
        }
    }
    // The document form smooths always, with a pen one unit wide.
    Fixture fx;
    gdi::RecordingDevice dev(800, 400);
    DrawForm(Form::Word, fx, dev);
    const auto paths = OfColour(dev.itemsOf(Kind::Path), kWave);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].pen.widthF(), 1.0);
}

TEST_F(WaveDrawTest, PrintLabelsFromTheWaveInformationFlags) {
    Fixture fx;
    fx.print.m_bWaveInfo[3] = 1;
    fx.print.m_bWaveInfo[5] = 1;
    gdi::RecordingDevice dev(800, 400);
    DrawForm(Form::Full, fx, dev);
    EXPECT_TRUE(HasText(dev, QString::asprintf("Vmax:%.2f(cm/s)", fx.w.MaxInWindow(0, 1024) * 100.0)))
        << dev.textList().join(u'|').toStdString();
    EXPECT_TRUE(HasText(dev, QStringLiteral("5000(us)")));

    Fixture integrated;
    integrated.print.m_bWaveInfo[3] = 1;
    integrated.w.dataForm = 1;
    gdi::RecordingDevice dev2(800, 400);
    DrawForm(Form::Full, integrated, dev2);
    EXPECT_TRUE(HasText(dev2, QStringLiteral("Vmax:")));
}

TEST_F(WaveDrawTest, MarkersInsideTheShownSamplesAndDefectsAlways) {
    struct Case {
        int first;
        bool head, toe;
    };
    for (const Case& c : {Case{0, true, true}, Case{100, false, true}, Case{400, false, false}}) {
        Fixture fx;
        fx.w.defects.push_back({900, 1, 0, 0});
        gdi::RecordingDevice dev(800, 400);
        DrawForm(Form::Full, fx, dev, c.first, 1024 - c.first);
        const gdi::Rect P = fx.w.printPlotRect;
        const auto heads = OfColour(dev.lines(), kHead);
        const auto toes = OfColour(dev.lines(), kToe);
        EXPECT_EQ(heads.size(), c.head ? 1u : 0u) << c.first;
        EXPECT_EQ(toes.size(), c.toe ? 1u : 0u) << c.first;
        EXPECT_EQ(OfColour(dev.lines(), kBug).size(), 2u) << "every mark, shown or not";
        const double w = double(P.Width()) / (1024 - c.first - 1);
        if (c.toe) {
            EXPECT_EQ(toes[0].points[0].x(), int((300 - c.first) * w + P.left));
            EXPECT_EQ(toes[0].points[0].y(), P.bottom);
            EXPECT_EQ(toes[0].points[1].y(), P.top);
        }
    }
}

TEST_F(WaveDrawTest, PrintFormsSurviveBadWindowsAndFlatChannels) {
    struct Case {
        const char* name;
        int first, count;
        bool flat;
        bool curve;
    };
    const Case cases[] = {
        {"count beyond the channel", 1000, 1024, false, true},
        {"first beyond the channel", 4000, 1024, false, false},
        {"one sample", 10, 1, false, false},
        {"no samples", 0, 0, false, false},
        {"flat channel", 0, 1024, true, true},
    };
    for (Form form : {Form::Full, Form::Plain, Form::Word}) {
        for (const Case& c : cases) {
            Fixture fx;
            if (c.flat)
                fx.w.SetData(std::vector<float>(1024, 0.0f));
            fx.w.defects.push_back({-5, 0, 0, 0});
            fx.curve.IsSmooth = 1;
            gdi::RecordingDevice dev(800, 400);
            EXPECT_EQ(DrawForm(form, fx, dev, c.first, c.count, true), 1) << c.name;
            const pit::COLORREF colour = form == Form::Plain ? fx.w.colours[1] : kWave;
            const size_t curves = OfColour(dev.itemsOf(Kind::Polyline), colour).size() +
                                  OfColour(dev.itemsOf(Kind::Path), colour).size();
            EXPECT_EQ(curves > 0, c.curve) << c.name << " form " << int(form);
            for (const RecordedItem& it : dev.items())
                for (const QPointF& q : it.points)
                    EXPECT_TRUE(std::isfinite(q.x()) && std::isfinite(q.y())) << c.name;
        }
    }
}

TEST_F(WaveDrawTest, PrintFormsGiveBackWhatTheyBorrow) {
    Fixture fx;
    fx.w.colours[0] = pit::RGB(1, 2, 3);
    const pit::COLORREF wave = fx.w.colours[1];
    gdi::RecordingDevice dev(800, 400);
    QPainter p(&dev);
    gdi::Canvas dc(p);
    const gdi::Pen pen = gdi::Pen::Create(gdi::PS_DASH, 1, pit::RGB(9, 9, 9));
    const gdi::Font font = gdi::Font::Create(13, 400, QStringLiteral("Arial"));
    dc.SelectPen(pen);
    dc.SelectFont(font);
    const gdi::Font label = gdi::Font::Create(20, 700, QStringLiteral("Arial"));
    fx.w.DrawForPrint(dc, 0, 1024, gdi::Rect(0, 0, 800, 400), false, &label, fx.docs());
    fx.w.DrawForWordReport(dc, 0, 1024, gdi::Rect(0, 0, 800, 400), false, &label, fx.docs());
    EXPECT_EQ(dc.GetPen(), pen);
    EXPECT_EQ(dc.GetFont(), font);
    EXPECT_EQ(dc.GetViewportOrg(), (gdi::Point{0, 0}));
    EXPECT_EQ(fx.w.colours[0], pit::RGB(1, 2, 3));
    EXPECT_EQ(fx.w.colours[1], wave);
    ASSERT_NE(fx.w.printSketch, nullptr);
    EXPECT_FALSE(fx.w.printSketch->GetRect().IsRectEmpty());
}

TEST_F(WaveDrawTest, ScreenPictureBackgroundsAndMarkers) {
    struct Case {
        const char* name;
        int drawA;
        bool average;
        QRgb background;
    };
    for (const Case& c :
         {Case{"odd channel", 1, false, 0xFFDEDEDE}, Case{"even channel", 2, false, 0xFFFFFFFF},
          Case{"odd average", 3, true, 0xFFFFFFFF}}) {
        Fixture fx;
        fx.w.drawA = c.drawA;
        fx.w.isAverage = c.average;
        QImage view(10, 10, QImage::Format_RGB32);
        ASSERT_EQ(fx.w.DrawToBitmap(&view), 1) << c.name;
        ASSERT_EQ(fx.w.screenBitmap.size(), QSize(1000, 200)) << c.name;
        EXPECT_EQ(fx.w.screenBitmap.pixel(995, 3), c.background) << c.name;
        EXPECT_FALSE(fx.w.pileSketch.GetBitmap().isNull()) << c.name;
    }

    Fixture fx;
    gdi::RecordingDevice dev(1000, 200);
    {
        QPainter p(&dev);
        gdi::Canvas dc(p);
        fx.w.Draw(dc, 96);
    }
    const gdi::Rect P = fx.w.GetPlotRect();
    EXPECT_EQ(fx.w.toeX, fx.w.IndexToX(300));
    std::vector<int> dashDots, dashDotDots, dashes;
    for (const Stroke& l : VerticalStrokes(dev)) {
        if (l.pen.style() != Qt::CustomDashLine)
            continue;
        const auto pattern = l.pen.dashPattern();
        if (pattern.size() == 4)
            dashDots.push_back(l.x);
        else if (pattern.size() == 6)
            dashDotDots.push_back(l.x);
        else if (pattern.size() == 2 && l.pen.color() == pit::toQColor(fx.w.colours[4]))
            dashes.push_back(l.x);
    }
    EXPECT_EQ(dashDots, std::vector<int>{P.left + fx.w.IndexToX(50)}) << "head";
    EXPECT_EQ(dashDotDots, std::vector<int>{P.left + fx.w.toeX}) << "toe";
    EXPECT_EQ(dashes, std::vector<int>{P.left + fx.w.IndexToX(200)}) << "defect";
    EXPECT_TRUE(HasText(dev, QStringLiteral("Exp: 1")));
    EXPECT_TRUE(HasText(dev, QStringLiteral("ms")));
}

TEST_F(WaveDrawTest, StretchedScreenPictureLeavesOutMarksBeyondTheShownSamples) {
    Fixture fx;
    fx.w.zoom = 2.0f; // 512 samples shown
    fx.w.defects.push_back({600, 0, 0, 0});
    fx.w.defects.push_back({-3, 0, 0, 0});
    gdi::RecordingDevice dev(1000, 200);
    {
        QPainter p(&dev);
        gdi::Canvas dc(p);
        fx.w.Draw(dc, 96);
    }
    int defectLines = 0;
    for (const Stroke& l : VerticalStrokes(dev))
        if (l.pen.style() == Qt::CustomDashLine && l.pen.dashPattern().size() == 2)
            ++defectLines;
    EXPECT_EQ(defectLines, 1) << "only the mark at 200 lies among the 512 samples";
    EXPECT_EQ(fx.w.toeX, fx.w.IndexToX(300));
    EXPECT_EQ(fx.w.IndexToX(300), int(std::lround(300.0 * fx.w.GetPlotRect().Width() / 511)));
}

TEST_F(WaveDrawTest, ViewPaintLabelSelectionAndCursor) {
    Fixture fx;
    QImage view(10, 10, QImage::Format_RGB32);
    fx.w.DrawToBitmap(&view);
    fx.w.selected = 1;
    fx.w.pickX = fx.w.GetPlotRect().left + 100;
    fx.w.pickY = fx.w.GetPlotRect().top + 10;

    for (bool printing : {false, true}) {
        gdi::RecordingDevice dev(1000, 200);
        {
            QPainter p(&dev);
            gdi::Canvas dc(p, 0, 0, printing);
            fx.w.Paint(dc);
        }
        EXPECT_EQ(dev.itemsOf(Kind::Image).size(), 1u) << "the channel picture holds the pile sketch";
        EXPECT_EQ(dev.textList(), QStringList{QStringLiteral("1/3")});
        // The label in the device's default font, which has a real face.
        EXPECT_EQ(QFontInfo(dev.texts()[0].font).family(), QStringLiteral("Liberation Sans"));
        bool red = false;
        for (const RecordedItem& r : dev.itemsOf(Kind::Rect))
            red = red || r.brush.color() == QColor(244, 100, 100);
        EXPECT_TRUE(red);
        int cursor = 0;
        for (const Stroke& l : VerticalStrokes(dev))
            cursor += l.x == fx.w.pickX;
        EXPECT_EQ(cursor, printing ? 0 : 1);
    }

    fx.w.isAverage = 1;
    gdi::RecordingDevice dev(1000, 200);
    QPainter p(&dev);
    gdi::Canvas dc(p);
    fx.w.Paint(dc);
    EXPECT_EQ(dev.textList(), QStringList{QStringLiteral("AVG")});
}

TEST_F(WaveDrawTest, CachedPictureAtTheDevicePixelRatio) {
    Fixture fx;
    QImage view(10, 10, QImage::Format_RGB32);
    view.setDevicePixelRatio(2.0);
    ASSERT_EQ(fx.w.DrawToBitmap(&view), 1);
    EXPECT_EQ(fx.w.screenBitmap.size(), QSize(2000, 400));
    EXPECT_EQ(fx.w.screenBitmap.devicePixelRatio(), 2.0);

    CWaveRecord empty;
    EXPECT_EQ(empty.DrawToBitmap(&view), 0) << "no frame, no picture";
    EXPECT_EQ(empty.DrawToBitmap(nullptr), 0);
}

TEST_F(WaveDrawTest, ExportMarksOnlySelectedChannelsAndOnlyDrawnSamples) {
    struct Case {
        const char* name;
        bool selected;
        float zoom;
        int toe;
        bool toeLine;
    };
    const Case cases[] = {
        {"selected", true, 1.0f, 300, true},
        {"not selected", false, 1.0f, 300, false},
        {"toe beyond the 512 drawn samples", true, 2.0f, 600, false},
    };
    for (const Case& c : cases) {
        Fixture fx;
        QImage view(10, 10, QImage::Format_RGB32);
        fx.w.DrawToBitmap(&view);
        fx.w.selected = c.selected;
        fx.w.zoom = c.zoom;
        fx.w.toeIndex = c.toe;
        gdi::RecordingDevice dev(1000, 400);
        {
            QPainter p(&dev);
            gdi::Canvas dc(p);
            fx.w.DrawForExport(dc, 3, gdi::Rect(0, 0, 1000, 400), 100, true);
        }
        int toeLines = 0, dotted = 0;
        for (const Stroke& l : VerticalStrokes(dev)) {
            if (l.pen.style() != Qt::CustomDashLine)
                continue;
            if (l.pen.dashPattern().size() == 2 && l.pen.widthF() == 1 && l.pen.dashPattern()[0] == 2)
                ++toeLines;
            if (l.pen.dashPattern() == QVector<qreal>({3, 3}))
                ++dotted;
        }
        EXPECT_EQ(toeLines, c.toeLine ? 1 : 0) << c.name;
        EXPECT_EQ(dotted, c.selected ? 1 : 0) << c.name << ": the defect line";
        EXPECT_EQ(dev.itemsOf(Kind::Image).size(), c.selected ? 1u : 0u) << c.name << ": the pile sketch";
        EXPECT_TRUE(HasText(dev, QStringLiteral("1/3"))) << c.name;
    }
}

TEST_F(WaveDrawTest, ExportOnANarrowBoxEnds) {
    Fixture fx;
    gdi::RecordingDevice dev(40, 40);
    QPainter p(&dev);
    gdi::Canvas dc(p);
    const gdi::Pen pen = dc.GetPen();
    fx.w.DrawForExport(dc, 15, gdi::Rect(0, 0, 30, 30), 0, true);
    EXPECT_EQ(dc.GetPen(), pen);
    EXPECT_FALSE(dev.items().empty());
    EXPECT_FALSE(dc.GetClipRegion().has_value()) << "the box's clip is given back";
}

// The channel's name at the top left and the amplitude values left of the
// plot never cover each other, on the curve document's picture sizes.
TEST_F(WaveDrawTest, ExportNameClearsTheAmplitudeValues) {
    for (QSize size : {QSize(874, 290), QSize(430, 120), QSize(874, 150), QSize(300, 60)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        for (bool average : {false, true}) {
            Fixture fx;
            fx.w.isAverage = average;
            gdi::RecordingDevice dev(size.width(), size.height());
            {
                QPainter p(&dev);
                gdi::Canvas dc(p);
                fx.w.DrawForExport(dc, 15, gdi::Rect(0, 0, size.width(), size.height()), 0, true);
            }
            const std::vector<RecordedItem> texts = dev.texts();
            const QString name = average ? QStringLiteral("AVG") : texts.back().text;
            ASSERT_EQ(texts.back().text, name) << dev.textList().join(u'|').toStdString();
            const QRectF nameRect = texts.back().rect;
            for (size_t i = 0; i + 1 < texts.size(); ++i)
                EXPECT_FALSE(texts[i].rect.intersects(nameRect))
                    << texts[i].text.toStdString() << " under " << name.toStdString();
        }
    }
}

// The document's picture draws its amplitude labels in its own label font,
// whatever font the caller passed: the labels end before the axis's ticks,
// as on the printed page, also on the four-times resolution of the
// document's metafiles.
TEST_F(WaveDrawTest, DocumentPictureAmplitudeLabelsLeftOfTheAxis) {
    for (int dpi : {96, 384})
        for (int passed : {6, 40}) {
            SCOPED_TRACE(testing::Message() << dpi << " dpi, passed font " << passed << " px");
            Fixture fx;
            fx.print.m_bWaveInfo[4] = 1;
            fx.doc.m_nFontRate = 9.0f;
            fx.w.printLabelMode = 2;
            const int scale = dpi / 96;
            gdi::RecordingDevice dev(600 * scale, 120 * scale);
            {
                QPainter p(&dev);
                gdi::Canvas dc(p, dpi, dpi, false);
                const gdi::Font font = gdi::Font::Create(passed * scale, 400, QStringLiteral("宋体"));
                fx.w.DrawForPrint(dc, 0, 1024, gdi::Rect(0, 0, 600 * scale, 120 * scale), true, &font,
                                  fx.docs());
            }
            const int axis = fx.w.printPlotRect.left - 1;
            int labels = 0;
            for (const RecordedItem& t : dev.texts())
                if (t.rect.left() < axis) {
                    ++labels;
                    EXPECT_LT(t.rect.right(), axis - 3 * scale) << t.text.toStdString();
                }
            EXPECT_GE(labels, 5);
        }
}

TEST_F(WaveDrawTest, AmplitudeLabelsFromTheCommonPeakOrTheChannelsOwn) {
    auto labels = [](float commonPeak, float factor = 1.0f) {
        Fixture fx;
        fx.w.SetData(std::vector<float>(1024, 0.0f));
        fx.w.SourceSpan()[40] = 0.6f;
        fx.w.Refresh();
        fx.w.commonPeak = commonPeak;
        fx.w.SetScale(factor, nullptr, 0);
        gdi::RecordingDevice dev(1000, 200);
        QPainter p(&dev);
        gdi::Canvas dc(p);
        fx.w.Draw(dc, 96);
        return dev.textList();
    };
    auto hasLabel = [](const QStringList& l, const QString& prefix) {
        return std::any_of(l.begin(), l.end(), [&](const QString& t) { return t.startsWith(prefix); });
    };
    const QStringList own = labels(-1.0f);
    EXPECT_TRUE(hasLabel(own, QStringLiteral("30."))) << own.join(u'|').toStdString();
    EXPECT_TRUE(hasLabel(own, QStringLiteral("-30.")));
    EXPECT_TRUE(own.contains(QStringLiteral("cm/s")));
    const QStringList common = labels(0.5f);
    EXPECT_TRUE(hasLabel(common, QStringLiteral("25."))) << common.join(u'|').toStdString();
    EXPECT_FALSE(hasLabel(common, QStringLiteral("30.")));
    // A curve shown at 300 % reaches the top tick at a third of its peak.
    {
        // Every label ends before the ticks of the axis.
        Fixture fx;
        gdi::RecordingDevice dev(1000, 200);
        QPainter p(&dev);
        gdi::Canvas dc(p);
        fx.w.Draw(dc, 96);
        p.end();
        const int tickStart = fx.w.GetPlotRect().left - 5;
        int numbers = 0;
        for (const RecordedItem& t : dev.texts())
            if (!t.text.isEmpty() && (t.text[0].isDigit() || t.text[0] == u'-') &&
                t.rect.left() < tickStart) {
                ++numbers;
                EXPECT_LT(t.rect.right(), tickStart) << t.text.toStdString();
            }
        EXPECT_GE(numbers, 5);
    }
    const QStringList magnified = labels(-1.0f, 3.0f);
    EXPECT_TRUE(hasLabel(magnified, QStringLiteral("20."))) << magnified.join(u'|').toStdString();
    EXPECT_TRUE(hasLabel(magnified, QStringLiteral("-10.")));
    EXPECT_FALSE(hasLabel(magnified, QStringLiteral("60.")));
    EXPECT_FALSE(hasLabel(magnified, QStringLiteral("30.")));
}

TEST_F(WaveDrawTest, ScreenFillAndLocalAmplificationPreview) {
    struct Case {
        const char* name;
        int rise, peak;
        bool zeroPeak;
        bool preview;
    };
    const Case cases[] = {
        {"pulse of 17 samples", 40, 56, false, true},
        {"pulse too short to stretch", 50, 51, false, false},
        {"zero at the peak", 40, 56, true, false},
    };
    for (const Case& c : cases) {
        Fixture fx;
        fx.w.drawD = 3;
        fx.w.riseIndex = c.rise;
        fx.w.peakIndex = c.peak;
        if (c.zeroPeak) {
            fx.w.SourceSpan()[size_t(c.peak)] = 0.0f;
            fx.w.Refresh();
        }
        fx.w.SetLocalAmplifyMode(1);
        gdi::RecordingDevice dev(1000, 200);
        {
            QPainter p(&dev);
            gdi::Canvas dc(p);
            fx.w.Draw(dc, 96);
        }
        int fills = 0;
        for (const RecordedItem& it : dev.itemsOf(Kind::Path))
            fills += it.brush.color() == pit::toQColor(fx.w.colours[2]);
        EXPECT_EQ(fills, 2) << c.name << ": both half-waves";
        int preview = 0;
        for (const RecordedItem& it : dev.items())
            preview += HasColour(it, pit::RGB(20, 248, 96));
        EXPECT_EQ(preview > 0, c.preview) << c.name;
        EXPECT_EQ(dev.itemsOf(Kind::Ellipse).size(), c.preview ? 1u : 0u) << c.name << ": the handle";
        EXPECT_TRUE(std::isfinite(fx.w.localGain)) << c.name;
    }
}

TEST_F(WaveDrawTest, LabelFontFitsTheBox) {
    EXPECT_EQ(CWaveRecord::FitLabelFont(QStringLiteral("1/3-0.60"), gdi::Rect(0, 0, 400, 20)), 20);
    EXPECT_EQ(CWaveRecord::FitLabelFont(QStringLiteral("15/15-0.60"), gdi::Rect(0, 0, 5, 20)), 9);
    const int h = CWaveRecord::FitLabelFont(QStringLiteral("15/15-0.60"), gdi::Rect(0, 0, 60, 20));
    EXPECT_GE(h, 9);
    EXPECT_LT(h, 20);
}

TEST_F(WaveDrawTest, RendersInkOnlyInsideTheBox) {
    for (int dpi : {96, 600}) {
        const int k = dpi / 96;
        Fixture fx;
        fx.w.drawD = 3;
        fx.print.m_bWaveInfo[3] = 1;
        QImage img(1000 * k, 500 * k, QImage::Format_RGB32);
        img.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
        img.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
        img.fill(Qt::white);
        const gdi::Rect box(100 * k, 50 * k, 900 * k, 450 * k);
        {
            QPainter p(&img);
            gdi::Canvas dc(p);
            ASSERT_EQ(dc.dpiX(), dpi);
            fx.curve.IsSmooth = 1;
            fx.w.DrawForPrint(dc, 0, 1024, box, true, nullptr, fx.docs());
        }
        int inside = 0, outside = 0, plotInk = 0;
        const gdi::Rect P = fx.w.printPlotRect;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                    continue;
                if (box.PtInRect({x, y})) {
                    ++inside;
                    plotInk += P.PtInRect({x, y});
                } else {
                    ++outside;
                }
            }
        }
        EXPECT_EQ(outside, 0) << dpi;
        EXPECT_GT(plotInk, 2000 * k) << dpi;
        EXPECT_LT(inside, box.Width() * box.Height() / 4) << dpi;
    }
}
