// The main wave view's channels at 1920 x 1080: rebuilding the 15 cached
// channel pictures, a full repaint (layout, pictures, paint), the repaint
// from the cached pictures, and one print picture of a channel.
#include "bench/BenchGui.h"
#include "core/doc/CurveStyle.h"
#include "core/doc/PrintSettings.h"
#include "core/wave/WaveRecord.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kChannels = 15;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A pile of 15 blows: a pulse, a toe echo, a little noise; a defect mark and
// the exponential amplification on, as a typical analysed pile shows them.
std::vector<std::unique_ptr<CWaveRecord>> Pile() {
    std::vector<std::unique_ptr<CWaveRecord>> pile;
    for (int c = 0; c < kChannels; ++c) {
        std::vector<float> s(1024);
        for (int i = 0; i < 1024; ++i)
            s[size_t(i)] =
                float(std::exp(-std::pow((i - 50 - c) / 8.0, 2)) -
                      0.2 * std::exp(-std::pow((i - 300) / 10.0, 2)) + 0.03 * std::sin(i * 0.37 + c));
        auto w = std::make_unique<CWaveRecord>();
        w->sampleInterval = 20.0f;
        w->speed = w->speedAbove = 4000;
        w->pileLength = 10.0f;
        w->SetData(s);
        w->headIndex = w->refIndex = w->expStart = 50;
        w->toeIndex = 300;
        w->SetExpGain(4);
        w->defects.push_back({200, 2, 1, 0});
        w->drawA = c + 1;
        w->drawB = kChannels;
        w->drawD = 1;
        pile.push_back(std::move(w));
    }
    return pile;
}

void LayOut(std::vector<std::unique_ptr<CWaveRecord>>& pile) {
    const int rowH = kHeight / kChannels;
    for (int c = 0; c < kChannels; ++c)
        pile[size_t(c)]->Layout(0, c * rowH, kWidth, (c + 1) * rowH);
}

void PaintAll(QImage& target, std::vector<std::unique_ptr<CWaveRecord>>& pile) {
    QPainter p(&target);
    gdi::Canvas dc(p);
    for (auto& w : pile)
        w->Paint(dc);
}

} // namespace

static void BM_WaveViewRebuildPictures(benchmark::State& state) {
    bench::EnsureGui();
    auto pile = Pile();
    LayOut(pile);
    QImage view(1, 1, QImage::Format_RGB32);
    for (auto _ : state)
        for (auto& w : pile)
            w->DrawToBitmap(&view);
}
BENCHMARK(BM_WaveViewRebuildPictures)->Unit(benchmark::kMillisecond);

// What a paint does after the background-drawn flag was cleared.
static void BM_WaveViewFullRepaint(benchmark::State& state) {
    bench::EnsureGui();
    auto pile = Pile();
    QImage view(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        LayOut(pile);
        for (auto& w : pile)
            w->DrawToBitmap(&view);
        PaintAll(view, pile);
    }
}
BENCHMARK(BM_WaveViewFullRepaint)->Unit(benchmark::kMillisecond);

// What a paint does with the flag set: copy the pictures, draw the cursor.
static void BM_WaveViewRepaintFromCache(benchmark::State& state) {
    bench::EnsureGui();
    auto pile = Pile();
    LayOut(pile);
    QImage view(kWidth, kHeight, QImage::Format_RGB32);
    for (auto& w : pile) {
        w->DrawToBitmap(&view);
        w->pickX = w->GetPlotRect().left + 300;
        w->pickY = w->GetPlotRect().top + 5;
    }
    for (auto _ : state)
        PaintAll(view, pile);
}
BENCHMARK(BM_WaveViewRepaintFromCache)->Unit(benchmark::kMillisecond);

// One report picture of a channel, smoothed, at printer resolution.
static void BM_WavePrintPicture600dpi(benchmark::State& state) {
    bench::EnsureGui();
    auto pile = Pile();
    CPrintSettings print;
    CCurveStyle curve;
    curve.IsSmooth = 1;
    QImage page(4800, 2400, QImage::Format_RGB32);
    page.setDotsPerMeterX(23622);
    page.setDotsPerMeterY(23622);
    for (auto _ : state) {
        QPainter p(&page);
        gdi::Canvas dc(p, 0, 0, true);
        pile[0]->DrawForPrint(dc, 0, 1024, gdi::Rect(0, 0, 4800, 2400), true, nullptr,
                              {&print, &curve, nullptr});
    }
}
BENCHMARK(BM_WavePrintPicture600dpi)->Unit(benchmark::kMillisecond);
