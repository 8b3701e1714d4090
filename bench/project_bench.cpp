// Listing a project folder (summary of every pile file, natural sort) and the
// ZEZ conversion of a folder, on copies of the sample project's files.
#include "core/project/NaturalOrder.h"
#include "core/project/ProjectInfo.h"
#include "core/project/ZezConvert.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// n copies of the sample piles named ZK1 .. ZKn.
struct CopiedFolder {
    QTemporaryDir dir;
    std::vector<QString> files;

    explicit CopiedFolder(int n) {
        const QFileInfoList samples = QDir(QStringLiteral(PIT_SAMPLES_DIR)).entryInfoList(QDir::Files);
        for (int k = 0; k < n; ++k) {
            const QString path = dir.filePath(QStringLiteral("ZK%1.DUX").arg(k + 1));
            QFile::copy(samples[k % samples.size()].absoluteFilePath(), path);
            files.push_back(path);
        }
    }
};

void BM_ProjectScanAndSort(benchmark::State& state) {
    CopiedFolder folder(int(state.range(0)));
    for (auto _ : state) {
        CProjectInfo p;
        p.ScanFolder(folder.dir.path());
        p.Sort(CPileFileArray::ByName);
        benchmark::DoNotOptimize(p.m_files.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ProjectScanAndSort)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_NaturalSortNames(benchmark::State& state) {
    std::vector<QString> names;
    std::mt19937 rng(1);
    for (int k = 0; k < state.range(0); ++k)
        names.push_back(QStringLiteral("ZK%1+%2.DUX").arg(rng() % 5000).arg(rng() % 9));
    for (auto _ : state) {
        std::vector<QString> v = names;
        std::sort(v.begin(), v.end(), pit::CompareFileNamesNatural);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NaturalSortNames)->Arg(10000);

void BM_ZezConvertFolder(benchmark::State& state) {
    CopiedFolder folder(int(state.range(0)));
    pit::ZezParams p;
    p.files = folder.files;
    p.mode = pit::ZezMode::Separate;
    p.target = folder.dir.filePath(QStringLiteral("out.a"));
    for (auto _ : state) {
        const pit::ZezResult r = pit::ConvertPilesToZez(p);
        benchmark::DoNotOptimize(r.records);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ZezConvertFolder)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace
