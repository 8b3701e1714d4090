// Processing values of the analysis panel applied to channels, piles and
// the pile files of a project.
#include "core/project/ProjectApply.h"

#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

namespace pit {

int ClampRampStart(int start, int head, int toe) {
    const int upper = head + (4 * (toe - head)) / 5;
    int s = start;
    if (s < head)
        s = head;
    if (s > upper)
        s = upper;
    return s;
}

void ApplyAmplificationToChannel(CWaveRecord& wave, const WaveProcessParams& p) {
    int head = 0, toe = 0;
    wave.GetHeadToe(head, toe);
    wave.SetGainStart(ClampRampStart(p.expStart, head, toe));
    wave.SetExpGain(p.expIndex, 0);
}

void ApplyParamsToChannel(CWaveRecord& wave, const WaveProcessParams& p) {
    wave.SetHighPass(p.highPassHz);
    wave.SetLowPass(p.lowPassHz);
    ApplyAmplificationToChannel(wave, p);
}

void ApplyParamsToRecord(CPileRecord& record, const WaveProcessParams& p) {
    for (int i = 0; i < record.ChannelCountInList(); ++i) {
        CWaveRecord* w = record.Channel(i);
        if (!w)
            continue;
        ApplyParamsToChannel(*w, p);
        w->SetWaveSpeed(record.m_nWaveSpeed);
    }
}

void ApplyAmplificationToRecord(CPileRecord& record, const WaveProcessParams& p) {
    for (int i = 0; i < record.ChannelCountInList(); ++i)
        if (CWaveRecord* w = record.Channel(i))
            ApplyAmplificationToChannel(*w, p);
}

namespace {

struct Staged {
    QString path;
    QByteArray image;
    QString refused; // why a cut-off asked for was not taken, empty when all were
};

QString tr(bool english, const char* zh, const char* en) {
    return english ? QString::fromUtf8(en) : QString::fromUtf8(zh);
}

// Why the channel refused the high-pass fc.
QString HighPassRefusal(const CWaveRecord& w, int fc, bool english) {
    const double dt = w.GetSampleInterval();
    if (fc > 49999)
        return english ? QStringLiteral("high-pass %1 Hz not taken: it must lie from 1 to 49999 Hz").arg(fc)
                       : QStringLiteral("高通 %1 Hz 未设置：须在 1 到 49999 Hz 之间").arg(fc);
    if (!(dt > 0))
        return english ? QStringLiteral("high-pass %1 Hz not taken: the sample interval is unknown").arg(fc)
                       : QStringLiteral("高通 %1 Hz 未设置：采样间隔未知").arg(fc);
    const QString limit = QString::number(5e5 / dt, 'g', 6);
    const QString interval = QString::number(dt, 'g', 6);
    return english ? QStringLiteral("high-pass %1 Hz not taken: with a sample interval of %2 µs it must be "
                                    "below %3 Hz")
                         .arg(fc)
                         .arg(interval, limit)
                   : QStringLiteral("高通 %1 Hz 未设置：采样间隔 %2 µs 时须小于 %3 Hz")
                         .arg(fc)
                         .arg(interval, limit);
}

// The cut-offs, the ramp start and the index to one channel, as
// ApplyParamsToChannel; why a cut-off asked for (high-pass from 1 Hz,
// low-pass below 50000 Hz; 0 and 50000 mean none) was refused, else empty.
QString ApplyParamsTelling(CWaveRecord& w, const WaveProcessParams& p, bool english) {
    QString why;
    if (!w.SetHighPass(p.highPassHz) && p.highPassHz >= 1)
        why = HighPassRefusal(w, p.highPassHz, english);
    if (!w.SetLowPass(p.lowPassHz) && p.lowPassHz >= 1 && p.lowPassHz <= 49999 && why.isEmpty())
        why =
            english
                ? QStringLiteral("low-pass %1 Hz not taken: the sample interval is unknown").arg(p.lowPassHz)
                : QStringLiteral("低通 %1 Hz 未设置：采样间隔未知").arg(p.lowPassHz);
    ApplyAmplificationToChannel(w, p);
    return why;
}

QString FileNames(const std::vector<QString>& paths, bool english) {
    QStringList names;
    for (const QString& p : paths)
        names << QFileInfo(p).fileName();
    return names.join(english ? QStringLiteral(", ") : QStringLiteral("、"));
}

} // namespace

ProjectApplyResult ApplyToProjectFiles(const std::vector<QString>& paths, const WaveProcessParams& p,
                                       bool english, const ProjectApplyProgress& progress) {
    ProjectApplyResult result;
    const int total = int(paths.size());
    // The writer saves into the record's own file: each file is saved into a
    // scratch copy first, and the originals are replaced only at the end. The
    // copies live in this run's own folder, which a later start clears when
    // this run was killed.
    const QString runFolder = tempDir();
    auto failAll = [&](const QString& why) {
        for (const QString& path : paths)
            result.failed.push_back({path, why});
        return result;
    };
    // Without a folder of its own the run stages nothing (never in the working folder).
    if (runFolder.isEmpty()) {
        const std::optional<TempFolderProblem> missing = MissingRunFolder();
        return failAll(missing ? missing->Text(english)
                               : (english ? QStringLiteral("this run has no temporary folder of its own")
                                          : QStringLiteral("本次运行没有自己的临时文件夹")));
    }
    QTemporaryDir staging(joinPath(runFolder, QStringLiteral("apply-XXXXXX")));
    if (!staging.isValid())
        return failAll((english ? QStringLiteral("no temporary folder could be made in %1: %2")
                                : QStringLiteral("无法在 %1 建立临时文件夹：%2"))
                           .arg(QDir::toNativeSeparators(runFolder), staging.errorString()));
    std::vector<Staged> staged;
    for (int i = 0; i < total; ++i) {
        const QString& path = paths[size_t(i)];
        if (progress && !progress(i, total, path)) {
            result.cancelled = true;
            result.rewritten.clear();
            result.skipped.clear();
            result.failed.clear();
            return result;
        }
        CPileRecord record; // fresh for every file: nothing of another pile can leak in
        try {
            if (!record.ReadFile(path)) {
                result.failed.push_back({path, tr(english, "通道数不正确", "channel count out of range")});
                continue;
            }
        } catch (const FileError& e) {
            result.failed.push_back({path, e.message(english)});
            continue;
        }
        if (!record.m_bFixedParam) {
            result.skipped.push_back(path);
            continue;
        }
        QString refused;
        for (int c = 0; c < record.ChannelCountInList(); ++c)
            if (CWaveRecord* w = record.Channel(c)) {
                const QString why = ApplyParamsTelling(*w, p, english);
                if (refused.isEmpty())
                    refused = why;
            }
        const QString scratch = QDir(staging.path()).filePath(QString::number(i) + QStringLiteral(".DUX"));
        try {
            writeFileAtomic(scratch, readWholeFile(path));
            record.m_strPath = scratch;
            record.SaveAnalysis();
            staged.push_back({path, readWholeFile(scratch), refused});
        } catch (const FileError& e) {
            result.failed.push_back({path, e.message(english)});
        }
    }
    if (progress)
        progress(total, total, {});
    for (const Staged& s : staged) {
        try {
            writeFileAtomic(s.path, s.image);
            if (s.refused.isEmpty())
                result.rewritten.push_back(s.path);
            else
                result.refused.push_back({s.path, s.refused});
        } catch (const FileError& e) {
            result.failed.push_back({s.path, e.message(english)});
        }
    }
    return result;
}

QString ProjectApplySummary(const ProjectApplyResult& r, bool english) {
    if (r.cancelled)
        return tr(english, "已取消，没有文件被改动。", "Cancelled: no file was changed.");
    QString text =
        english ? QStringLiteral("%1 files rewritten, %2 skipped (no saved analysis: they take "
                                 "the values when selected), %3 failed.")
                      .arg(r.rewritten.size())
                      .arg(r.skipped.size())
                      .arg(r.failed.size())
                : QStringLiteral("已改写 %1 个文件，跳过 %2 个（未保存分析结果，选中时应用），失败 %3 个。")
                      .arg(r.rewritten.size())
                      .arg(r.skipped.size())
                      .arg(r.failed.size());
    if (!r.refused.empty()) {
        text +=
            english
                ? QStringLiteral("\n%1 more files refused a setting (their other values were written):")
                      .arg(r.refused.size())
                : QStringLiteral("\n另有 %1 个文件的设置未被接受（其余设置已写入）：").arg(r.refused.size());
        for (const auto& f : r.refused)
            text += QStringLiteral("\n") + QFileInfo(f.path).fileName() + QStringLiteral(": ") + f.reason;
    }
    if (!r.failed.empty()) {
        // Stopped part-way: which files now hold the values and which do not.
        std::vector<QString> written = r.rewritten;
        for (const auto& f : r.refused)
            written.push_back(f.path);
        if (!written.empty())
            text += (english ? QStringLiteral("\nRewritten: ") : QStringLiteral("\n已改写：")) +
                    FileNames(written, english);
        text += english ? QStringLiteral("\nNot rewritten:") : QStringLiteral("\n未改写：");
    }
    for (const auto& f : r.failed)
        text += QStringLiteral("\n") + QFileInfo(f.path).fileName() + QStringLiteral(": ") + f.reason;
    return text;
}

} // namespace pit
