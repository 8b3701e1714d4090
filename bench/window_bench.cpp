// Opening a project in the main window (offscreen): the pile read, the project
// index read, the pile tree filled and the window brought up to date, for a
// project of 12 piles and one of 1,000 (copies of the sample piles). Each
// iteration opens a pile of the project in the other of two equal folders, so
// every open is a new project whose index exists. BM_OpenProject opens
// projects seen before (the pile summaries kept); BM_OpenProjectFirst forgets
// the summaries before each open, as the first open of a project after start.
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/project/PileFileArray.h"
#include "mainwnd/MainFrame.h"
#include "platform/MessageSink.h"
#include "platform/TimeUtil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

struct Window {
    QTemporaryDir dir;
    pit::StderrMessageSink sink; // no message box waits for an answer
    pit::AppContext ctx;
    std::unique_ptr<CKEV_DUXDoc> doc;
    std::unique_ptr<CMainFrame> frame;

    Window() {
        setenv("KEV_DUX_HOME", dir.path().toLocal8Bit().constData(), 1);
        ctx.messages = &sink;
        pit::ui::setMessages(&sink);
        doc = std::make_unique<CKEV_DUXDoc>(ctx,
                                            CKEV_DUXDoc::Files{dir.filePath(QStringLiteral("DuxConfig.xml")),
                                                               dir.filePath(QStringLiteral("hist.ini"))});
        doc->SetWriteSettingsOnClose(false);
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1100, 760);
        frame->show();
        QApplication::processEvents();
    }

    // Two folders of n piles each, named ZK1 .. ZKn; the first pile of each.
    std::array<QString, 2> Projects(int n) {
        const QFileInfoList samples = QDir(QStringLiteral(PIT_SAMPLES_DIR))
                                          .entryInfoList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name);
        std::array<QString, 2> first;
        for (int f = 0; f < 2; ++f) {
            const QString folder = dir.filePath(QStringLiteral("p%1_%2").arg(n).arg(f));
            QDir().mkpath(folder);
            for (int k = 0; k < n; ++k)
                QFile::copy(samples[k % samples.size()].absoluteFilePath(),
                            QDir(folder).filePath(QStringLiteral("ZK%1.DUX").arg(k + 1)));
            first[size_t(f)] = QDir(folder).filePath(QStringLiteral("ZK1.DUX"));
        }
        // Summaries are kept only for files some seconds old.
        std::this_thread::sleep_for(std::chrono::milliseconds(3200));
        return first;
    }

    bool Open(const QString& pile) {
        const bool ok = doc->OnOpenDocument(pile);
        QApplication::processEvents();
        // Shown: the whole window painted once, whether or not the event
        // loop has delivered its update yet.
        frame->repaint();
        return ok;
    }
};

// Made on first use and closed before the application ends.
std::unique_ptr<Window> g_window;

Window& Shared() {
    if (!g_window)
        g_window = std::make_unique<Window>();
    return *g_window;
}

// Opens the two projects of state.range(0) piles in turn; with forget, the
// kept pile summaries are dropped (untimed) before each open.
void OpenInTurn(benchmark::State& state, bool forget) {
    Window& w = Shared();
    const std::array<QString, 2> piles = w.Projects(int(state.range(0)));
    // The first opens write the project indexes.
    if (!w.Open(piles[0]) || !w.Open(piles[1])) {
        state.SkipWithError("the project did not open");
        return;
    }
    size_t k = 0;
    for (auto _ : state) {
        if (forget) {
            state.PauseTiming();
            CPileFileItem::ForgetSummaries();
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(w.Open(piles[k++ % 2]));
    }
    state.SetLabel(std::to_string(state.range(0)) + " piles");
}

void BM_OpenProject(benchmark::State& state) {
    OpenInTurn(state, false);
}
BENCHMARK(BM_OpenProject)->Arg(12)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_OpenProjectFirst(benchmark::State& state) {
    OpenInTurn(state, true);
}
BENCHMARK(BM_OpenProjectFirst)->Arg(12)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    pit::PinLocalTimeZone();
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    g_window.reset();
    benchmark::Shutdown();
    return 0;
}
