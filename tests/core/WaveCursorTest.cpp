// Head and toe setters with their messages and the physics they keep, and
// the cursor read-out lines.
#include "core/wave/WaveRecord.h"
#include "platform/AppContext.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// 1024 samples at 20 µs, a blow at 50, c = 4000 m/s, L = 10 m: the toe echo
// comes 2L/c = 5000 µs = 250 samples after the head.
struct CursorChannel {
    CWaveRecord w;
    pit::ScriptedMessageSink sink;
    pit::AppContext app;

    CursorChannel() {
        std::vector<float> s(1024, 0.0f);
        s[50] = 0.8f;
        s[300] = -0.2f;
        w.sampleInterval = 20.0f;
        w.speed = 4000;
        w.speedAbove = 4000;
        w.sensorDistance = 0.0f;
        w.pileLength = 10.0f;
        w.SetData(s);
        w.headIndex = w.refIndex = w.expStart = 50;
        w.toeIndex = 300;
        w.Layout(0, 0, 1000, 200);
        app.messages = &sink;
    }
    int xOf(int index) const { return w.GetPlotRect().left + w.IndexToX(index); }
};

} // namespace

TEST(WaveMarkers, LengthAndSpeedFollowTheToeAsTravelTimeSays) {
    // L = c dt / 2 with dt = (toe - head) x 20 µs.
    CursorChannel c;
    c.w.toeIndex = 100;
    ASSERT_TRUE(c.w.SetToeIndex(300, 0, c.app));
    EXPECT_NEAR(c.w.pileLength, 4000.0 * 250 * 20e-6 / 2.0, 1e-4);
    EXPECT_EQ(c.w.speed, 4000);

    ASSERT_TRUE(c.w.SetToeIndex(550, 1, c.app)) << "keep 10 m: twice the time is half the speed";
    EXPECT_NEAR(c.w.pileLength, 10.0, 1e-6);
    EXPECT_EQ(c.w.speed, 2000);
    EXPECT_TRUE(c.sink.shown.empty());
}

TEST(WaveMarkers, HeadMovesTheReferenceAndTheAmplificationStart) {
    CursorChannel c;
    ASSERT_TRUE(c.w.SetHeadIndex(100, 0, c.app));
    EXPECT_EQ(c.w.headIndex, 100);
    EXPECT_EQ(c.w.refIndex, 100);
    EXPECT_EQ(c.w.expStart, 100);
    EXPECT_NEAR(c.w.pileLength, 4000.0 * 200 * 20e-6 / 2.0, 1e-4);

    c.w.expStart = 280;
    ASSERT_TRUE(c.w.SetHeadIndex(120, 1, c.app));
    EXPECT_EQ(c.w.expStart, 300) << "the start stops at the toe";
    EXPECT_EQ(c.w.speed, int(8.0 * 1.2 * 1e6 / (180 * 0.6 * 20)));
}

TEST(WaveMarkers, OrderErrorsAreToldAndChangeNothing) {
    struct Case {
        const char* name;
        bool head;
        int index;
        int toe; // toe before the call
        bool english;
        const char* message; // nullptr: ignored silently
    };
    const Case cases[] = {
        {"toe before the head", false, 30, 300, false, "桩底必须在桩顶之后"},
        {"toe on the reference", false, 50, 300, true, "PileEnd should be on the right of Head"},
        {"toe at N is outside the wave", false, 1024, 300, false, nullptr},
        {"negative toe", false, -1, 300, false, nullptr},
        {"head after the toe", true, 400, 300, false, "桩顶必须在桩底之前"},
        {"head after the toe, English", true, 400, 300, true, "BoltHead should be left of End"},
        {"head on the default toe passes the first check", true, 1, 1, false, "自由端位置超出杆底"},
        {"head on the toe", true, 300, 300, true, "FreeEnd is beyond BoltEnd!"},
        {"head at N", true, 1024, 300, false, nullptr},
    };
    for (const Case& k : cases) {
        CursorChannel c;
        c.app.english = k.english;
        c.w.toeIndex = k.toe;
        if (k.toe == 1)
            c.w.headIndex = c.w.refIndex = 0;
        const int head = c.w.headIndex, toe = c.w.toeIndex, speed = c.w.speed;
        const float length = c.w.pileLength;
        const bool moved = k.head ? c.w.SetHeadIndex(k.index, 1, c.app) : c.w.SetToeIndex(k.index, 1, c.app);
        EXPECT_FALSE(moved) << k.name;
        EXPECT_EQ(c.w.headIndex, head) << k.name;
        EXPECT_EQ(c.w.toeIndex, toe) << k.name;
        EXPECT_EQ(c.w.speed, speed) << k.name;
        EXPECT_EQ(c.w.pileLength, length) << k.name;
        if (!k.message) {
            EXPECT_TRUE(c.sink.shown.empty()) << k.name;
            continue;
        }
        ASSERT_EQ(c.sink.shown.size(), 1u) << k.name;
        EXPECT_EQ(c.sink.shown[0].text, QString::fromUtf8(k.message)) << k.name;
        EXPECT_EQ(c.sink.shown[0].caption, k.english ? QStringLiteral("Tips") : QStringLiteral("提示"))
            << k.name;
    }
}

TEST(WaveMarkers, PointSettersGoThroughTheSampleUnderThePoint) {
    CursorChannel c;
    const int toeX = c.xOf(400), headX = c.xOf(60);
    ASSERT_TRUE(c.w.SetToeFromPoint(toeX, 50, 0, c.app));
    EXPECT_EQ(c.w.toeIndex, c.w.XToIndex(toeX));
    EXPECT_NEAR(c.w.toeIndex, 400, 1);
    ASSERT_TRUE(c.w.SetHeadFromPoint(headX, 50, 0, c.app));
    EXPECT_EQ(c.w.headIndex, c.w.XToIndex(headX));
    EXPECT_FALSE(c.w.SetToeFromPoint(c.w.GetPlotRect().left - 40, 50, 0, c.app)) << "left of the wave";
}

TEST(WaveReadout, OnTheHeadTheTimeIsZero) {
    CursorChannel c;
    c.w.pickX = c.xOf(50);
    c.w.pickY = 50;
    c.w.FormatCursorInfo(2, 0);
    const auto& l = c.w.cursorLines;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Vmax:80\\.\\d\\dcm/s$")).match(l[0]).hasMatch())
        << l[0].toStdString();
    EXPECT_EQ(l[1], QStringLiteral("T:5000[0]") + QString(10, u' '));
    EXPECT_TRUE(l[2].startsWith(QStringLiteral("V: 8.00E+01"))) << l[2].toStdString();
    EXPECT_EQ(l[3], QStringLiteral("dL:0.00m") + QString(12, u' '));
    EXPECT_EQ(l[4], QStringLiteral("C:4000m/s[4000]"));
    EXPECT_EQ(l[5], QStringLiteral("L:10.00m"));
}

TEST(WaveReadout, DepthBelowTheReferenceAndTheSpeedToThePoint) {
    CursorChannel c;
    c.w.pickX = c.xOf(200);
    c.w.pickY = 50;
    c.w.FormatCursorInfo(3, 1);
    const auto& l = c.w.cursorLines;
    // 150 samples of 20 µs at 4000 m/s, there and back: 6 m.
    EXPECT_TRUE(l[3].startsWith(QStringLiteral("dL:6.000m"))) << l[3].toStdString();
    EXPECT_TRUE(l[1].startsWith(QStringLiteral("T:5000[3000]"))) << l[1].toStdString();
    EXPECT_EQ(l[4], QString::asprintf("C:4000m/s[%d]", int(2 * 10.0 * 1e6 / (150 * 20.0))));
}

TEST(WaveReadout, OffTheWaveOnEitherSide) {
    for (int dx : {-30, 1000}) {
        CursorChannel c;
        c.w.pickX = c.w.GetPlotRect().left + dx;
        c.w.FormatCursorInfo(2, 0);
        const auto& l = c.w.cursorLines;
        EXPECT_TRUE(l[0].isEmpty());
        EXPECT_EQ(l[2], QStringLiteral("V: out"));
        EXPECT_TRUE(l[3].startsWith(QStringLiteral("dL: out"))) << l[3].toStdString();
        EXPECT_TRUE(l[1].startsWith(QStringLiteral("T:"))) << l[1].toStdString();
        EXPECT_EQ(l[5], QStringLiteral("L:10.00"));
        EXPECT_EQ(l[4], QStringLiteral("C:4000m/s[4000]"));
    }
}

TEST(WaveReadout, MarksOnTheToeAndRulerTicks) {
    CursorChannel c;
    // The toe line of the last picture reads the pile's own length.
    c.w.toeX = c.w.IndexToX(300);
    c.w.pickX = c.w.GetPlotRect().left + c.w.toeX;
    c.w.FormatCursorInfo(1, 1);
    EXPECT_TRUE(c.w.cursorLines[3].startsWith(QStringLiteral("dL:10.0m")));
    EXPECT_TRUE(c.w.cursorLines[1].startsWith(QStringLiteral("T:5000[5000]")));

    // Zero speed and the toe on the reference give no infinities.
    c.w.speed = 0;
    c.w.refIndex = c.w.toeIndex = 300;
    c.w.pickX = c.xOf(300);
    c.w.FormatCursorInfo(1, 1);
    for (const QString& line : c.w.cursorLines)
        EXPECT_FALSE(line.contains(QStringLiteral("inf")) || line.contains(QStringLiteral("nan")))
            << line.toStdString();

    // A grid line of the time ruler reads its time: 4 ms per label step.
    CursorChannel g;
    g.w.rulerTickStep = 200.0f; // samples per major tick
    g.w.rulerValueStep = 4;
    g.w.pickX = g.xOf(50 + 2 * 200);
    g.w.FormatCursorInfo(2, 0);
    EXPECT_TRUE(g.w.cursorLines[1].startsWith(QStringLiteral("T:5000[8000]")))
        << g.w.cursorLines[1].toStdString();
    EXPECT_TRUE(g.w.cursorLines[3].startsWith(QStringLiteral("dL:16.00m")))
        << g.w.cursorLines[3].toStdString();

    // In the analysis view the pile's peak-frequency mark is taken over.
    g.w.FormatCursorInfo(2, 0, true, 812.5f);
    EXPECT_FLOAT_EQ(g.w.spectrumPeak, 812.5f);
}

TEST(WaveLabels, LengthOverDiameterText) {
    CWaveRecord w;
    w.SetDrawParams(12.5f, 800.0f, 0.0f);
    EXPECT_EQ(w.DrawLengthDiameter(true), QStringLiteral(" L/D=15"));
    EXPECT_EQ(w.DrawLengthDiameter(false), QString());
    w.SetDrawParams(12.5f, 0.0f, 0.0f);
    EXPECT_EQ(w.DrawLengthDiameter(true), QStringLiteral(" L/D= "));
}
