// The result workbook of a project of 2,000 piles with saved analyses: the
// sheets built in the program, then written by the workbook writer. The
// counters give the peak memory of the program and of the writer process.
#include "office/OfficeExcel.h"
#include "platform/AppContext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

std::unique_ptr<CExcelPileInfo> Pile(int i) {
    auto p = std::make_unique<CExcelPileInfo>();
    p->m_strInstrument = "KEV-JX";
    p->m_strProject = QStringLiteral("桥梁工程");
    p->m_strTestOrg = QStringLiteral("检测中心");
    p->m_strBuilder = QStringLiteral("第三工程队");
    p->m_strPileNo = QStringLiteral("%1-2").arg(i);
    p->m_strTester = QStringLiteral("张三");
    p->m_strStandard = "JGJ 106-2014";
    p->m_strDateTime = "2024-03-15 09:30:00";
    p->m_fLength = 12.5f;
    p->m_fDiameter = 800;
    p->m_nSpeed = 3800;
    p->m_strClass = "II";
    p->m_strIntegrity = QStringLiteral("桩身完整");
    p->m_strFileName = QStringLiteral("ZK%1").arg(i);
    std::vector<float> samples(1024);
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] = float(std::sin(double(k + i) * 0.05) * std::exp(-double(k) / 300.0));
    p->m_wave.SetData(samples);
    p->m_wave.sampleInterval = 20;
    p->m_nSamples = 1024;
    return p;
}

double PeakMB(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_maxrss) / 1024.0; // kB
}

// The writer's own peak (VmHWM), watched while it runs: the system's count
// for children also holds what the program had when it started the writer.
class WriterWatch {
public:
    WriterWatch()
        : m_thread([this] {
              while (!m_stop) {
                  Look();
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~WriterWatch() { Stop(); }
    double Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_peakKb / 1024.0;
    }

private:
    void Look() {
        const QString self = QString::number(getpid());
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile status("/proc/" + pid + "/status");
            if (!status.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = status.readAll();
            if (!text.startsWith("Name:\tkev_dux_xlsx") || !text.contains("PPid:\t" + self.toLatin1() + '\n'))
                continue;
            const qsizetype at = text.indexOf("VmHWM:");
            if (at >= 0)
                m_peakKb =
                    std::max(m_peakKb.load(), text.mid(at + 6, 20).trimmed().split(' ').first().toLong());
        }
    }
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_peakKb{0};
    std::thread m_thread;
};

void BM_ResultWorkbook2000Sheets(benchmark::State& state) {
    QTemporaryDir home;
    qputenv("KEV_DUX_HOME", QFile::encodeName(home.path()));
    qputenv("KEV_DUX_XLSX_WRITER", PIT_BIN_DIR "/kev_dux_xlsx");
    const int count = int(state.range(0));
    std::vector<std::unique_ptr<CExcelPileInfo>> piles;
    std::vector<const CExcelPileInfo*> list;
    for (int i = 0; i < count; ++i) {
        piles.push_back(Pile(i));
        list.push_back(piles.back().get());
    }
    pit::AppContext app;
    bool saved = true;
    WriterWatch watch;
    for (auto _ : state) {
        OfficeExcel excel(app);
        excel.CreateApplication();
        excel.ExportResultSheets(list, false, 2);
        saved = excel.Save(QDir(home.path()).filePath("results.xlsx"), false) && saved;
    }
    if (!saved)
        state.SkipWithError("the workbook was not written");
    state.counters["program_peak_MB"] = PeakMB(RUSAGE_SELF);
    state.counters["writer_peak_MB"] = watch.Stop();
    state.counters["sheets"] = count;
}
BENCHMARK(BM_ResultWorkbook2000Sheets)->Arg(2000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
