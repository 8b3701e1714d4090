// The batch report mode on a generated project of 100 analysed piles (3
// blows of 1024 samples, one project): the single-pile reports (100 pages)
// and the project report at 5 x 2 (10 pages), written as Word documents.
// Seconds per pile beside what LibreOffice needs to open the same documents
// (tools/time_soffice.sh; PIT_BATCH_BENCH_OUT=folder keeps them). The
// single-pile reports again at 300 and 1,200 piles: the time a pile should
// not grow with the piles.
#include "batch/BatchReportHelper.h"
#include "batch/BatchReports.h"
#include "batch/BuilderReportWriter.h"
#include "bench/BenchGui.h"
#include "core/doc/KEV_DUXDoc.h"
#include "office/OfficeWordExport.h"
#include "office/WordOffice.h"
#include "reports/RepSingle.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <map>
#include <memory>

namespace {

std::vector<float> Blow(int pile, int blow) {
    std::vector<float> s(1024);
    for (int i = 0; i < 1024; ++i) {
        const double a = (i - 60) / 6.0, b = (i - 380 - pile % 20) / 7.0;
        s[size_t(i)] = float((10.0 + blow) * std::exp(-a * a) + 4.0 * std::exp(-b * b) +
                             0.3 * std::sin(i * 0.05 + pile));
    }
    return s;
}

struct Project {
    QTemporaryDir dir;
    QStringList files;
    pit::AppContext ctx;

    explicit Project(int piles) {
        // Settings, log and templates in a folder of the benchmark's own.
        setenv("KEV_DUX_HOME", dir.path().toLocal8Bit().constData(), 1);
        bench::EnsureGui();
        const QDir bin(QStringLiteral(PIT_BIN_DIR));
        for (const QString& t : bin.entryList({QStringLiteral("*.dotx")}, QDir::Files))
            QFile::copy(bin.filePath(t), dir.filePath(t));
        const QString folder = dir.filePath(QStringLiteral("piles"));
        QDir().mkpath(folder);
        for (int p = 0; p < piles; ++p) {
            pit::test::DuxAnalysis a;
            a.pileNo = QStringLiteral("ZK%1").arg(p + 1);
            a.project = QStringLiteral("滨江大桥桩基检测");
            a.conclusion = QStringLiteral("桩身完整");
            for (int b = 0; b < 3; ++b) {
                pit::test::DuxChannel c;
                c.samples = Blow(p, b);
                c.head = 60;
                c.toe = 380 + p % 20;
                a.channels.push_back(c);
                a.blowFlags[size_t(b)] = 1;
            }
            a.averages = {a.channels[0]};
            a.current = 3;
            files << pit::test::DuxBuilder::paramBlock("VADUZI", 1042)
                         .channels(3, 1024)
                         .analysis(a)
                         .writeTo(folder, QStringLiteral("ZK%1.DUX").arg(p + 1));
        }
        ctx.interactive = false;
        // The project report at 5 rows x 2 columns.
        CKEV_DUXDoc doc(ctx);
        doc.m_PrintSettings.m_nRow = 5;
        doc.m_PrintSettings.m_nColumn = 2;
        doc.SaveSettings();
        doc.SetWriteSettingsOnClose(false);
    }
};

// One project a pile count, made on first use and kept for the run.
Project& Shared(int piles) {
    static std::map<int, std::unique_ptr<Project>> projects;
    std::unique_ptr<Project>& p = projects[piles];
    if (!p)
        p = std::make_unique<Project>(piles);
    return *p;
}

void RunBatch(benchmark::State& state, int kind, int piles) {
    Project& project = Shared(piles);
    pit::OfficeWordExport word(&project.ctx, nullptr);
    pit::BuilderReportWriter writer(&word);
    const QString out = project.dir.filePath(QStringLiteral("out"));
    QStringList written;
    const QString log = project.dir.filePath(QStringLiteral("Record.xml"));
    for (auto _ : state) {
        state.PauseTiming();
        // The run before's document and log go: each run writes and logs afresh.
        if (!written.isEmpty())
            QFile::remove(written.front());
        QFile::remove(log);
        state.ResumeTiming();
        CBatchReportHelper helper;
        const pit::BatchJob job{kind, project.files, out, log};
        const pit::BatchOutcome outcome = pit::GenerateBatchReports(project.ctx, helper, job, writer);
        if (outcome.failed || outcome.written.size() != 1) {
            state.SkipWithError("the batch did not write its one document");
            break;
        }
        written = outcome.written;
    }
    state.counters["s_per_pile"] = benchmark::Counter(
        double(state.iterations()) * piles, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    const QByteArray keep = qgetenv("PIT_BATCH_BENCH_OUT");
    if (!keep.isEmpty() && !written.isEmpty()) {
        const QString target =
            QDir(QString::fromLocal8Bit(keep))
                .filePath(QStringLiteral("batch_%1_%2.docx")
                              .arg(kind == 1 ? QStringLiteral("single") : QStringLiteral("project"))
                              .arg(piles));
        QDir().mkpath(QString::fromLocal8Bit(keep));
        QFile::remove(target);
        QFile::copy(written.front(), target);
    }
}

} // namespace

static void BM_BatchSingleReports100Piles(benchmark::State& state) {
    RunBatch(state, 1, 100);
}
BENCHMARK(BM_BatchSingleReports100Piles)->Unit(benchmark::kMillisecond);

static void BM_BatchProjectReport100Piles(benchmark::State& state) {
    RunBatch(state, 2, 100);
}
BENCHMARK(BM_BatchProjectReport100Piles)->Unit(benchmark::kMillisecond);

// The argument is the pile count; one iteration is plenty at these sizes.
static void BM_BatchSingleReports(benchmark::State& state) {
    RunBatch(state, 1, int(state.range(0)));
}
BENCHMARK(BM_BatchSingleReports)->Arg(300)->Arg(1200)->Unit(benchmark::kMillisecond)->Iterations(1);

// The document model alone: n single-pile pages of one read pile (its curve
// drawn on each page as the batch draws it) into the template, then saved.
// Reading the piles is left out, so what grows with the pages is the model's.
static void BM_WordSinglePages(benchmark::State& state) {
    Project& project = Shared(100);
    const int pages = int(state.range(0));
    CKEV_DUXDoc doc(project.ctx);
    doc.SetWriteSettingsOnClose(false);
    pit::ReportEnv env;
    env.doc = &doc;
    CRepSingle builder(env, nullptr, nullptr);
    CPileRecord pile;
    if (!pile.TryReadFile(project.files.front())) {
        state.SkipWithError("the pile could not be read");
        return;
    }
    std::vector<CSingleReportInfo> infos(static_cast<size_t>(pages));
    for (int i = 0; i < pages; ++i) {
        builder.FillReportInfo(pile, infos[size_t(i)]);
        infos[size_t(i)].m_strPileNo = QStringLiteral("ZK%1").arg(i + 1);
    }
    pit::PrintDrawDoc draw;
    draw.print = &doc.m_PrintSettings;
    draw.curve = &doc.m_CurveStyle;
    draw.doc = &doc;
    const QString out = project.dir.filePath(QStringLiteral("pages.docx"));
    for (auto _ : state) {
        CWordOffice office;
        office.SetTemplateDir(project.dir.path());
        if (!office.NewDocument(office.TemplateFile(QStringLiteral("SingleBoltReport"))) ||
            !office.WriteSingleReport(infos, doc.m_PrintSettings, draw, builder.PictureFont(), false) ||
            !office.SaveDocumentAs(out)) {
            state.SkipWithError(office.ErrorText(true).toStdString().c_str());
            break;
        }
    }
    state.counters["s_per_page"] = benchmark::Counter(
        double(state.iterations()) * pages, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    QFile::remove(out);
}
BENCHMARK(BM_WordSinglePages)->Arg(300)->Arg(1200)->Arg(3000)->Unit(benchmark::kMillisecond)->Iterations(1);
