// Reading pile files: the program's reader (record and channels built) beside
// a plain read of the same bytes, which is the limit.
#include "core/pile/PileRecord.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// 1,000 files of 15 blows x 1024 samples, in the layout of the newer instruments.
struct GeneratedFolder {
    QTemporaryDir dir;
    QStringList files;
    int64_t bytes = 0;

    GeneratedFolder() {
        constexpr int kBlows = 15, kN = 1024;
        QByteArray head(50, '\0');
        std::memcpy(head.data(), "VADUZI", 6);
        const int32_t ints[] = {3, 50, 50 + 432 + 96, 0, 0};
        std::memcpy(head.data() + 10, ints, sizeof ints);
        QByteArray block(432 + 96, '\0');
        auto put = [&](int off, auto v) { std::memcpy(block.data() + off, &v, sizeof v); };
        put(50, 12.0f);
        put(54, int32_t(800));
        put(58, int32_t(4000));
        put(66, int32_t(2000));
        put(74, int32_t(1));
        put(78, int32_t(1));
        put(98, 20.0f);
        put(102, 1.0f);
        put(106, int32_t(kBlows));
        put(110, int32_t(kN));
        put(164, int32_t(1710466200));
        put(256, int32_t(30));
        for (int f = 0; f < 1000; ++f) {
            QByteArray file = head + block;
            std::vector<float> s(size_t(kBlows) * kN);
            for (size_t i = 0; i < s.size(); ++i) {
                const double t = double(i % kN);
                s[i] = float(25.0 * std::exp(-t / 40.0) * std::sin(t * 0.06 + f) + 2.0 * std::sin(t * 0.013));
            }
            file.append(reinterpret_cast<const char*>(s.data()), qsizetype(s.size() * 4));
            const int32_t A = int32_t(file.size());
            std::memcpy(file.data() + 22, &A, 4);
            const QString path = dir.path() + QStringLiteral("/G%1.DUX").arg(f);
            QFile out(path);
            out.open(QIODevice::WriteOnly);
            out.write(file);
            files << path;
            bytes += file.size();
        }
    }
};

GeneratedFolder& generated() {
    static GeneratedFolder g;
    return g;
}

QStringList sampleFiles(int64_t& bytes) {
    QDir d(QStringLiteral(PIT_SAMPLES_DIR));
    QStringList out;
    bytes = 0;
    for (const QFileInfo& fi : d.entryInfoList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name)) {
        out << fi.filePath();
        bytes += fi.size();
    }
    return out;
}

void readRecords(benchmark::State& state, const QStringList& files, int64_t bytes) {
    for (auto _ : state) {
        for (const QString& f : files) {
            CPileRecord rec;
            benchmark::DoNotOptimize(rec.ReadFile(f));
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
    state.SetBytesProcessed(state.iterations() * bytes);
}

void readPlain(benchmark::State& state, const QStringList& files, int64_t bytes) {
    for (auto _ : state) {
        for (const QString& f : files)
            benchmark::DoNotOptimize(pit::readWholeFile(f).size());
    }
    state.SetItemsProcessed(state.iterations() * files.size());
    state.SetBytesProcessed(state.iterations() * bytes);
}

} // namespace

static void BM_ReadSampleProject(benchmark::State& state) {
    int64_t bytes;
    const QStringList files = sampleFiles(bytes);
    readRecords(state, files, bytes);
}
BENCHMARK(BM_ReadSampleProject)->Unit(benchmark::kMillisecond);

static void BM_PlainReadSampleProject(benchmark::State& state) {
    int64_t bytes;
    const QStringList files = sampleFiles(bytes);
    readPlain(state, files, bytes);
}
BENCHMARK(BM_PlainReadSampleProject)->Unit(benchmark::kMillisecond);

static void BM_Read1000Piles(benchmark::State& state) {
    readRecords(state, generated().files, generated().bytes);
}
BENCHMARK(BM_Read1000Piles)->Unit(benchmark::kMillisecond);

static void BM_PlainRead1000Piles(benchmark::State& state) {
    readPlain(state, generated().files, generated().bytes);
}
BENCHMARK(BM_PlainRead1000Piles)->Unit(benchmark::kMillisecond);

// The 1,000 piles after the sample project was read, as in the window, where
// other piles were read before: the heap then places the read buffers
// differently than in a process that reads nothing else first (run alone
// with --benchmark_filter=^BM_Read1000Piles$ for that order).
static void BM_Read1000PilesAfterSampleProject(benchmark::State& state) {
    int64_t bytes;
    for (const QString& f : sampleFiles(bytes)) {
        CPileRecord rec;
        benchmark::DoNotOptimize(rec.ReadFile(f));
    }
    readRecords(state, generated().files, generated().bytes);
}
BENCHMARK(BM_Read1000PilesAfterSampleProject)->Unit(benchmark::kMillisecond);
