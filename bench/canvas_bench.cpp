// Canvas throughput at the size of a full wave view: 15 channels of 1024
// samples with their rulers and pile sketches, and the copy of cached pictures.
#include "bench/BenchGui.h"
#include "core/draw/MoniPileDraw.h"
#include "core/draw/TimeAxisDraw.h"
#include "platform/Canvas.h"

#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int kChannels = 15;
constexpr int kSamples = 1024;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void drawChannel(gdi::Canvas& dc, int c, const std::vector<float>& wave) {
    const int rowH = kHeight / kChannels;
    const gdi::Rect plot(80, c * rowH + 2, kWidth - 120, c * rowH + rowH * 2 / 3);
    const int mid = (plot.top + plot.bottom) / 2;
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, 0));
    dc.MoveTo(plot.left, plot.bottom);
    dc.LineTo(plot.right, plot.bottom);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_DOT, 1, 0));
    dc.MoveTo(plot.left, mid);
    dc.LineTo(plot.right, mid);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, 0));
    CTimeAxisDraw ruler(50, 50, 700, 20.0f, plot.left, plot.bottom, plot.right, c * rowH + rowH, 0, kSamples);
    ruler.Draw(dc);

    dc.SelectClipRect(plot);
    dc.SetViewportOrg(plot.left, mid);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 2, pit::RGB(50, 50, 200)));
    const double xStep = double(plot.Width()) / (kSamples - 1);
    const double yScale = plot.Height() / 2.0;
    dc.MoveTo(0, 0);
    for (int i = 0; i < kSamples; ++i)
        dc.LineTo(int(i * xStep), int(-wave[size_t(i)] * yScale));
    dc.SetViewportOrg(0, 0);
    dc.RemoveClip();
}

} // namespace

static void BM_FullRepaint15Channels(benchmark::State& state) {
    bench::EnsureGui();
    std::vector<float> wave(kSamples);
    for (int i = 0; i < kSamples; ++i)
        wave[size_t(i)] = float(std::exp(-i / 300.0) * std::sin(i / 15.0));
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    pit::PileSketchWave sketchWave;
    sketchWave.headIndex = 50;
    sketchWave.toeIndex = 700;
    sketchWave.expGain = 4;
    sketchWave.expStart = 200;
    sketchWave.defects = {{300, 0}, {450, 2}};
    for (auto _ : state) {
        target.fill(Qt::white);
        QPainter p(&target);
        gdi::Canvas dc(p);
        dc.SelectFont(gdi::Font::Create(14, 400, QStringLiteral("Arial")));
        dc.SetBkMode(gdi::TRANSPARENT);
        for (int c = 0; c < kChannels; ++c) {
            drawChannel(dc, c, wave);
            CMoniPileDraw sketch;
            const int rowH = kHeight / kChannels;
            sketch.SetRect(gdi::Rect(80, c * rowH + rowH * 2 / 3 + 20, kWidth - 120, (c + 1) * rowH));
            sketch.Draw(dc, sketchWave);
        }
    }
}
BENCHMARK(BM_FullRepaint15Channels)->Unit(benchmark::kMillisecond);

static void BM_RepaintFromCachedPictures(benchmark::State& state) {
    bench::EnsureGui();
    const int rowH = kHeight / kChannels;
    std::vector<QImage> pictures;
    for (int c = 0; c < kChannels; ++c) {
        QImage img(kWidth, rowH, QImage::Format_RGB32);
        img.fill(c % 2 ? QColor(0xDE, 0xDE, 0xDE) : QColor(Qt::white));
        pictures.push_back(img);
    }
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        gdi::Canvas dc(p);
        for (int c = 0; c < kChannels; ++c)
            dc.DrawImage(gdi::Rect(0, c * rowH, kWidth, (c + 1) * rowH), pictures[size_t(c)]);
        dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, 0));
        dc.MoveTo(500, 0);
        dc.LineTo(500, kHeight);
    }
}
BENCHMARK(BM_RepaintFromCachedPictures)->Unit(benchmark::kMillisecond);
