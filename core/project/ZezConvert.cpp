#include "core/project/ZezConvert.h"

#include "core/pile/PileRecord.h"
#include "core/project/NaturalOrder.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/TimeUtil.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace pit {

namespace {

using Record = CPitRecordArray::Record;

template <typename T> void put(Record& r, size_t off, T v) {
    std::memcpy(r.data() + off, &v, sizeof v);
}

// A text field: blanks, then the bytes (at most the field).
void putText(Record& r, size_t off, size_t n, const QByteArray& bytes) {
    std::memset(r.data() + off, ' ', n);
    std::memcpy(r.data() + off, bytes.constData(), std::min(n, size_t(bytes.size())));
}

// The 8-bit text of a header field up to its first NUL.
QByteArray rawText(const PileHeaderRaw& raw, size_t off, size_t n) {
    const char* p = reinterpret_cast<const char*>(raw.data() + off);
    size_t len = 0;
    while (len < n && p[len] != 0)
        ++len;
    return QByteArray(p, qsizetype(len));
}

QByteArray cutAt(const QByteArray& bytes, size_t maxBytes) {
    return bytes.left(qsizetype(CodePage::system().boundaryAtOrBefore(bytes, maxBytes)));
}

QByteArray cutName(QByteArray text) {
    const qsizetype plus = text.left(9).indexOf('+');
    if (plus >= 0)
        text.truncate(plus);
    return cutAt(text, 8);
}

// The records' clock is China Standard Time, whatever zone this machine is in.
QDateTime chinaTime(const QDateTime& t) {
    return t.toOffsetFromUtc(8 * 3600);
}

int16_t saturate16(double v) {
    if (!std::isfinite(v))
        return v > 0 ? 32767 : (v < 0 ? -32768 : 0);
    v = std::trunc(v);
    return int16_t(std::clamp(v, -32768.0, 32767.0));
}

int riseIndex(const std::vector<float>& x) {
    const int N = int(x.size());
    int m = 0;
    float best = -1;
    for (int i = 0; i < N; ++i)
        if (std::fabs(x[size_t(i)]) > best) {
            best = std::fabs(x[size_t(i)]);
            m = i;
        }
    const float A = N > 0 ? std::fabs(x[size_t(m)]) : 0.1f;
    auto ax = [&](int i) { return std::fabs(x[size_t(i)]); };
    int i = 0;
    for (; i < N; ++i)
        if (A / 2.0f < ax(i) && ax(i) < A / 1.5f)
            break;
    if (i >= N || i == 0)
        return 0;
    const float d = ax(i) - ax(i - 1);
    for (;; --i) {
        if (i < 1)
            return 0;
        const float xi = ax(i);
        const float next = i + 1 < N ? ax(i + 1) : xi;
        const float s1 = xi - ax(i - 1);
        const float s2 = next - xi;
        if (s2 / 2.5f > s1 && s2 <= d / 3.0f && xi < A / 6.0f)
            return i;
        if (xi < A / 15.0f)
            return i;
    }
}

std::vector<float> channelSamples(const CPileRecord& pile, int c) {
    const size_t n = size_t(std::max(pile.m_header.Samples(), 0));
    std::vector<float> x(kZezSamples, 0.0f);
    const auto& raw = pile.RawSamples();
    for (size_t i = 0; i < std::min<size_t>(n, kZezSamples); ++i)
        if (size_t(c) * n + i < raw.size())
            x[i] = raw[size_t(c) * n + i];
    return x;
}

bool hasData(const CPileRecord& pile, int c) {
    return size_t(c) < pile.m_recordedBlows.size() && pile.m_recordedBlows[size_t(c)];
}

int blowByte(const CPileRecord& pile, int c) {
    return c < kMaxBlows ? pile.m_header.bytes[hdr::kBlowBytes + size_t(c)] : 0;
}

// Fills the channel fields of a record built from pile and appends it.
void finishRecord(CPitRecordArray& out, Record& rec, std::vector<float> x, const CPileRecord& pile,
                  ZezStart start, int number, int blows) {
    int polarity = 1;
    const int first = FindFirstPulse(x, start, polarity);
    DifferentiateSamples(x, int(pile.m_fSampleInterval));
    const std::vector<int16_t> s = ScaleToInt16(x, polarity, pile.m_header.Scale());
    std::memcpy(rec.data() + zez::kSamples, s.data(), s.size() * 2);
    put(rec, zez::kNumber, int16_t(number));
    put(rec, zez::kStart, int32_t(first));
    put(rec, zez::kBlows, int32_t(blows));
    out.Add(rec);
}

} // namespace

QString ZezGroupKey(const QString& fileName) {
    const qsizetype plus = fileName.indexOf(u'+');
    return plus < 0 ? fileName : fileName.left(plus);
}

QStringList ScanZezSources(const QString& folder) {
    QStringList names;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& fi : entries)
        if (fi.fileName().size() >= 4 && fi.fileName().right(4).toUpper() == QStringLiteral(".DUX"))
            names << fi.fileName();
    std::sort(names.begin(), names.end(), CompareFileNamesNatural);
    return names;
}

int FindFirstPulse(std::vector<float>& x, ZezStart start, int& polarity) {
    const size_t n = x.size();
    if (n == 0) {
        polarity = 1;
        return start == ZezStart::Rise ? 1 : 0;
    }
    double mean = 0;
    const size_t head = std::min<size_t>(32, n);
    for (size_t i = 0; i < head; ++i)
        mean += x[i];
    mean /= double(head);
    for (float& v : x)
        v = float(v - mean);
    size_t p = 0;
    for (size_t i = 1; i < std::min<size_t>(256, n); ++i)
        if (std::fabs(x[i]) > std::fabs(x[p]))
            p = i;
    polarity = 1;
    const float quarter = std::fabs(x[p]) / 4.0f;
    for (size_t i = 0; i <= p; ++i)
        if (std::fabs(x[i]) > quarter) {
            polarity = x[i] < 0 ? -1 : 1;
            break;
        }
    if (start == ZezStart::Peak)
        return int(p);
    const int r = riseIndex(x);
    return r == 0 ? 1 : r;
}

void DifferentiateSamples(std::vector<float>& x, int dtMicro) {
    if (x.empty() || dtMicro <= 0)
        return;
    const double dt = dtMicro / 1e6;
    for (size_t i = 0; i + 1 < x.size(); ++i)
        x[i] = float((double(x[i + 1]) - double(x[i])) / dt);
    if (x.size() > 1)
        x.back() = x[x.size() - 2];
}

std::vector<int16_t> ScaleToInt16(const std::vector<float>& x, int polarity, float scale) {
    float A = 0;
    for (float v : x)
        if (std::isfinite(v))
            A = std::max(A, std::fabs(v));
    float f = float(double(scale) * 32767.0 / 49033.25);
    // Raise a factor that would round every sample to zero; an all-zero
    // channel or a zero factor has nothing to raise.
    if (A > 0 && std::isfinite(f) && f != 0.0f)
        for (int k = 0; k < 64 && std::trunc(f * A) == 0.0f && f * A < 0.999999f; ++k)
            f *= 10.0f;
    if (!(f >= 1e-10f))
        f = 1e-10f;
    f *= float(polarity);
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        out[i] = saturate16(double(f * x[i]));
    return out;
}

QByteArray ZezPileName(const PileHeaderRaw& raw) {
    const QByteArray pileNo = rawText(raw, hdr::kPileNoShort, hdr::kShortText);
    return cutName(pileNo.isEmpty() ? rawText(raw, hdr::kPileNo, hdr::kLongText) : pileNo);
}

void BuildPitHeader(Record& rec, const CPileRecord& pile, const QString& sourcePath,
                    const QString& defaultName) {
    const PileHeaderRaw& raw = pile.m_header;
    const CodePage& cp = CodePage::system();
    rec.fill(0);
    const QByteArray text0 = rawText(raw, hdr::kIdText, hdr::kShortText);
    const QByteArray name = ZezPileName(raw);
    const QByteArray diameter = QByteArray::number(raw.Diameter());
    QDateTime when;
    if (QDateTime local; IsValidTimeValue(local, raw.TestTime()))
        when = chinaTime(local);
    else
        when = chinaTime(QFileInfo(sourcePath).lastModified());

    putText(rec, 0, 8, cutAt(text0, 8));
    putText(rec, 8, 8, name);
    putText(rec, 16, 8, diameter.left(8));
    putText(rec, 24, 8, {});
    putText(rec, 32, 8, when.toString(QStringLiteral("yyyyMMdd")).toLatin1());
    const float dt = pile.m_fSampleInterval;
    put(rec, 40, pile.m_fPileLength);
    put(rec, 44, float(pile.m_nWaveSpeed) / 1000.0f);
    put(rec, 48, float(1e6 / dt));
    put(rec, 2102, 1.0f);
    const uint8_t mark[4] = {0x1F, 0x85, 0xEB, 0x38};
    std::memcpy(rec.data() + 2106, mark, 4);
    putText(rec, 2114, 20, {});
    QString title = cp.toUnicode(text0).trimmed();
    for (const char* ext : {".PIF", ".pif", ".PRF", ".prf"})
        title.remove(QString::fromLatin1(ext));
    if (title.isEmpty())
        title = defaultName;
    putText(rec, 2134, 20, cp.fromUnicodeLimited(title, 20));
    putText(rec, 2154, 20, name);
    putText(rec, 2174, 20, diameter);
    putText(rec, 2194, 20, {});
    putText(rec, 2214, 8, when.toString(QStringLiteral("HH:mm:ss")).toLatin1());
    put(rec, 2226, 1000.0f / raw.Scale());
    put(rec, 2230, 1.0f);
    put(rec, 2234, 1.0f);
    const float gain = float(raw.ExpGain());
    const float depth = pile.m_nRecordType != 0 ? raw.ToeDepth() : 0.0f;
    const float lowPassRate = float(1e6 / (double(raw.LowPass()) * dt));
    put(rec, 2238, gain);
    put(rec, 2242, depth);
    put(rec, 2246, lowPassRate);
    put(rec, 2464, pile.m_fPileLength * 10.0f);
    put(rec, 2468, float(pile.m_nWaveSpeed) * 10.0f);
    put(rec, 2472, gain);
    put(rec, 2476, depth);
    put(rec, 2480, lowPassRate);
    put(rec, 2492, uint16_t(32));
    put(rec, 2494, uint16_t(0));
    put(rec, 2496, 1.0f);
}

ZezResult ConvertPilesToZez(const ZezParams& params, const ZezProgress& progress) {
    ZezResult result;
    CPitRecordArray records;
    std::set<size_t> done;
    const int total = int(params.files.size());
    auto nameOf = [](const QString& path) { return QFileInfo(path).fileName(); };

    // Reads a pile; false (and the file listed) when it cannot be used.
    auto readPile = [&](const QString& path, CPileRecord& pile) {
        try {
            if (!pile.ReadFile(path)) {
                result.failed << nameOf(path);
                return false;
            }
        } catch (const FileError&) {
            result.failed << nameOf(path);
            return false;
        }
        if (pile.m_nSensorKind != 0) {
            result.velocity << nameOf(path);
            return false;
        }
        if (int(pile.m_fSampleInterval) <= 0) {
            result.failed << nameOf(path);
            return false;
        }
        if (pile.m_nRecordedCount == 0) {
            result.noData << nameOf(path);
            return false;
        }
        return true;
    };

    for (size_t k = 0; k < params.files.size(); ++k) {
        if (progress && !progress(int(done.size()), total)) {
            result.cancelled = true;
            return result;
        }
        if (done.count(k))
            continue;
        // The pile and the later files of the same pile ("12+1", "12+2").
        std::vector<size_t> group{k};
        const QString key = ZezGroupKey(nameOf(params.files[k]));
        for (size_t j = k + 1; j < params.files.size(); ++j) {
            const QString other = ZezGroupKey(nameOf(params.files[j]));
            if (!done.count(j) && !key.isEmpty() && !other.isEmpty() && other == key)
                group.push_back(j);
        }
        for (size_t j : group)
            done.insert(j);

        if (params.mode == ZezMode::Separate) {
            for (size_t j : group) {
                CPileRecord pile;
                if (!readPile(params.files[j], pile))
                    continue;
                Record header;
                BuildPitHeader(header, pile, params.files[j], params.defaultName);
                const bool blowBytes = pile.m_nRecordType == 2 || pile.m_nRecordType == 4;
                for (int c = 0; c < pile.m_nChannelCount; ++c) {
                    if (!hasData(pile, c))
                        continue;
                    Record rec = header;
                    finishRecord(records, rec, channelSamples(pile, c), pile, params.start,
                                 int(records.GetSize()) + 1, blowBytes ? blowByte(pile, c) : 1);
                }
                result.converted << nameOf(params.files[j]);
            }
            continue;
        }

        // Averaged: every channel with data of the group's files, at most
        // eight files besides the first.
        for (size_t g = size_t(kZezMaxGroupExtra) + 1; g < group.size(); ++g)
            result.overLimit << nameOf(params.files[group[g]]);
        group.resize(std::min(group.size(), size_t(kZezMaxGroupExtra) + 1));
        std::vector<double> sum(kZezSamples, 0.0);
        int used = 0, blows = 0;
        std::optional<CPileRecord> first;
        QString firstPath;
        QStringList names;
        for (size_t j : group) {
            CPileRecord pile;
            if (!readPile(params.files[j], pile))
                continue;
            const bool blowBytes = pile.m_nRecordType == 2 || pile.m_nRecordType >= 4;
            for (int c = 0; c < pile.m_nChannelCount; ++c) {
                if (!hasData(pile, c))
                    continue;
                const std::vector<float> x = channelSamples(pile, c);
                for (int i = 0; i < kZezSamples; ++i)
                    sum[size_t(i)] += x[size_t(i)];
                ++used;
                const int b = blowByte(pile, c);
                blows += blowBytes ? (b == 0 ? 1 : b) : 1;
            }
            names << nameOf(params.files[j]);
            if (!first) {
                first.emplace(std::move(pile));
                firstPath = params.files[j];
            }
        }
        if (!first || used == 0)
            continue;
        std::vector<float> avg(kZezSamples);
        for (int i = 0; i < kZezSamples; ++i)
            avg[size_t(i)] = float(sum[size_t(i)] / used);
        Record rec;
        BuildPitHeader(rec, *first, firstPath, params.defaultName);
        finishRecord(records, rec, std::move(avg), *first, params.start, 1, blows);
        result.converted << names;
    }
    if (progress && !progress(total, total)) {
        result.cancelled = true;
        return result;
    }
    result.records = int(records.GetSize());
    try {
        result.written = records.WriteToFile(params.target);
    } catch (const FileError& e) {
        result.writeErrorZh = e.message(false);
        result.writeErrorEn = e.message(true);
    }
    return result;
}

QString ZezSummaryText(const ZezResult& r, bool english) {
    QString text;
    auto list = [&](const QStringList& names, const QString& zh, const QString& en) {
        if (names.isEmpty())
            return;
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += (english ? en : zh) + QStringLiteral("\r\n") + names.join(QStringLiteral(" ; ")) +
                QStringLiteral(" .");
    };
    list(r.velocity, QStringLiteral("以下文件为速度计采集,不符号转换条件："),
         QStringLiteral("The following files collected by The speedometer, out of conditions："));
    list(r.failed, QStringLiteral("以下文件无法读取或转换："),
         QStringLiteral("The following files could not be read or converted："));
    list(r.overLimit,
         QStringLiteral("以下文件超出同一桩平均的文件数（%1），未转换：").arg(kZezMaxGroupExtra + 1),
         QStringLiteral("The following files exceed the %1 files averaged per pile and were not converted：")
             .arg(kZezMaxGroupExtra + 1));
    list(r.noData, QStringLiteral("以下文件没有数据，未转换："),
         QStringLiteral("The following files hold no data and were not converted："));
    // Files that gave records the target could not take failed too.
    const bool unwritten = !r.cancelled && !r.written && !r.writeErrorZh.isEmpty();
    if (unwritten) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += english ? r.writeErrorEn : r.writeErrorZh;
    }
    if (!text.isEmpty())
        text += QStringLiteral("\r\n");
    const int skipped = int(r.velocity.size() + r.overLimit.size() + r.noData.size());
    const int failed = int(r.failed.size()) + (unwritten ? int(r.converted.size()) : 0);
    if (r.cancelled)
        text += english ? QStringLiteral("Conversion cancelled, nothing written.")
                        : QStringLiteral("转换已取消，未写入文件。");
    else
        text += english ? QStringLiteral("%1 records written from %2 files; %3 files skipped, %4 failed.")
                              .arg(r.written ? r.records : 0)
                              .arg(r.written ? r.converted.size() : 0)
                              .arg(skipped)
                              .arg(failed)
                        : QStringLiteral("写入 %1 条记录（%2 个文件），跳过 %3 个文件，失败 %4 个文件。")
                              .arg(r.written ? r.records : 0)
                              .arg(r.written ? r.converted.size() : 0)
                              .arg(skipped)
                              .arg(failed);
    return text;
}

} // namespace pit
