// One single-pile report page of a sample pile drawn into the three targets
// of the report output: the EMF device (a page picture at the 600-dpi
// printer reference), a QPdfWriter at 600 dpi (the reference: what printing
// costs) and a 768 x 1024 page bitmap.
#include "bench/BenchGui.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/Canvas.h"
#include "platform/EmfDevice.h"
#include "reports/RepProjectA.h"
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

namespace {

// A project page of 20 cells (5 rows x 2 columns) with the spectrum at
// refinement 32, at 600 dpi into a page bitmap and into the EMF device;
// compare with 20 x BM_Spectrum1024/32.
struct ProjectPage {
    Page& base = Shared();
    std::unique_ptr<CRepProjectA> builder;
    gdi::Rect body;

    ProjectPage() {
        CKEV_DUXDoc& doc = *base.doc;
        doc.m_PrintSettings.m_nRow = 5;
        doc.m_PrintSettings.m_nColumn = 2;
        doc.m_PrintSettings.m_bSpectrum = 1;
        doc.m_nRefineIndex = 32;
        pit::ReportEnv env;
        env.doc = &doc;
        env.printerDpi = 600;
        builder = std::make_unique<CRepProjectA>(env, nullptr);
        builder->SetPileFiles(std::vector<QString>(20, doc.m_PileRecord.m_strPath),
                              std::vector<QString>(20, QStringLiteral("ZK6")));
        // A4 less the default margins at 600 dpi.
        body = gdi::Rect(0, 0, int(175 / 25.4 * 600), int(262 / 25.4 * 600));
    }
    void Draw(QPaintDevice& dev) {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 600, 600, false);
        builder->LayoutPage(body, dc);
        CPrintInfo info;
        builder->PrintPage(dc, info);
    }
};

ProjectPage& SharedProject() {
    static ProjectPage page;
    return page;
}

void BM_ProjectPage20Bitmap600(benchmark::State& state) {
    ProjectPage& p = SharedProject();
    QImage image(p.body.Width(), p.body.Height(), QImage::Format_RGB32);
    image.setDotsPerMeterX(int(600 / 0.0254));
    image.setDotsPerMeterY(int(600 / 0.0254));
    for (auto _ : state) {
        image.fill(Qt::white);
        p.Draw(image);
        benchmark::DoNotOptimize(image.bits());
    }
    state.SetLabel("ms per page");
}
BENCHMARK(BM_ProjectPage20Bitmap600)->Unit(benchmark::kMillisecond);

void BM_ProjectPage20Emf600(benchmark::State& state) {
    ProjectPage& p = SharedProject();
    for (auto _ : state) {
        pit::EmfDevice emf(QSize(p.body.Width(), p.body.Height()), pit::EmfReference::Printer());
        p.Draw(emf);
        benchmark::DoNotOptimize(emf.Data());
    }
    state.SetLabel("ms per page");
}
BENCHMARK(BM_ProjectPage20Emf600)->Unit(benchmark::kMillisecond);

} // namespace
