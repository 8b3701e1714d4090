// Processing values of the analysis panel applied to channels, piles and
// the pile files of a project.
#include "core/project/ProjectApply.h"

#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <QDir>
#include <QFileInfo>
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
};

QString tr(bool english, const char* zh, const char* en) {
    return english ? QString::fromUtf8(en) : QString::fromUtf8(zh);
}

} // namespace

ProjectApplyResult ApplyToProjectFiles(const std::vector<QString>& paths, const WaveProcessParams& p,
                                       bool english, const ProjectApplyProgress& progress) {
    ProjectApplyResult result;
    const int total = int(paths.size());
    // The writer saves into the record's own file: each file is saved into a
    // scratch copy first, and the originals are replaced only at the end.
    QTemporaryDir staging;
    if (!staging.isValid()) {
        for (const QString& path : paths)
            result.failed.push_back({path, tr(english, "无法建立临时文件夹", "no temporary folder")});
        return result;
    }
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
        for (int c = 0; c < record.ChannelCountInList(); ++c)
            if (CWaveRecord* w = record.Channel(c))
                ApplyParamsToChannel(*w, p);
        const QString scratch = QDir(staging.path()).filePath(QString::number(i) + QStringLiteral(".DUX"));
        try {
            writeFileAtomic(scratch, readWholeFile(path));
            record.m_strPath = scratch;
            record.SaveAnalysis();
            staged.push_back({path, readWholeFile(scratch)});
        } catch (const FileError& e) {
            result.failed.push_back({path, e.message(english)});
        }
    }
    if (progress)
        progress(total, total, {});
    for (const Staged& s : staged) {
        try {
            writeFileAtomic(s.path, s.image);
            result.rewritten.push_back(s.path);
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
    for (const auto& f : r.failed)
        text += QStringLiteral("\n") + QFileInfo(f.path).fileName() + QStringLiteral(": ") + f.reason;
    return text;
}

} // namespace pit
