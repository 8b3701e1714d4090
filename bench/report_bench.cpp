// One single-pile report page of a sample pile drawn into the three targets
// of the report output: the EMF device (a page picture at the 600-dpi
// printer reference), a QPdfWriter at 600 dpi (the reference: what printing
// costs) and a 768 x 1024 page bitmap.
#include "bench/BenchGui.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/Canvas.h"
#include "platform/EmfDevice.h"
#include "reports/RepSingle.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct Page {
    QTemporaryDir dir;
    std::unique_ptr<CKEV_DUXDoc> doc;
    std::unique_ptr<CRepSingle> builder;
    pit::AppContext ctx;

    Page() {
        bench::EnsureGui();
        doc = std::make_unique<CKEV_DUXDoc>(ctx,
                                            CKEV_DUXDoc::Files{dir.filePath(QStringLiteral("DuxConfig.xml")),
                                                               dir.filePath(QStringLiteral("hist.ini"))});
        doc->SetWriteSettingsOnClose(false);
        // A copy: opening a pile writes its project's index.
        const QString pile = dir.filePath(QStringLiteral("ZK6.DUX"));
        QFile::copy(QStringLiteral(PIT_SAMPLES_DIR) + QStringLiteral("/ZK6.DUX"), pile);
        doc->OnOpenDocument(pile);
        pit::ReportEnv env;
        env.doc = doc.get();
        env.printerDpi = 600;
        builder = std::make_unique<CRepSingle>(env, &doc->m_PileRecord, nullptr);
    }
    // The page into a device at its resolution, as the picture exports and the print loop draw it.
    void Draw(QPaintDevice& dev, bool printing) {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 0, 0, printing);
        const gdi::Rect page(0, 0, dev.width(), dev.height());
        const gdi::Rect inner(page.right / 15, page.bottom / 30, page.right - page.right / 15,
                              page.bottom - page.bottom / 30);
        builder->LayoutPage(inner, dc);
        CPrintInfo info;
        builder->PrintPage(dc, info);
    }
};

Page& Shared() {
    static Page page;
    return page;
}

void BM_SinglePageEmf600(benchmark::State& state) {
    Page& p = Shared();
    const pit::EmfReference ref = pit::EmfReference::Printer();
    for (auto _ : state) {
        pit::EmfDevice emf(QSize(int(ref.dpiX * 174.4 / 25.4), int(ref.dpiY * 240 / 25.4)), ref);
        p.Draw(emf, false);
        benchmark::DoNotOptimize(emf.Data());
    }
    state.SetLabel("ms per page");
}
BENCHMARK(BM_SinglePageEmf600)->Unit(benchmark::kMillisecond);

void BM_SinglePagePdf600(benchmark::State& state) {
    Page& p = Shared();
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(600);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        p.Draw(pdf, true);
        benchmark::DoNotOptimize(buffer.size());
    }
    state.SetLabel("ms per page (reference)");
}
BENCHMARK(BM_SinglePagePdf600)->Unit(benchmark::kMillisecond);

void BM_SinglePageBitmap768(benchmark::State& state) {
    Page& p = Shared();
    for (auto _ : state) {
        QImage image(768, 1024, QImage::Format_RGB32);
        image.fill(Qt::white);
        p.Draw(image, false);
        benchmark::DoNotOptimize(image.bits());
    }
    state.SetLabel("ms per page");
}
BENCHMARK(BM_SinglePageBitmap768)->Unit(benchmark::kMillisecond);

} // namespace
