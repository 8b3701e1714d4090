// Converting pile files into a ZEZ DOS file "*.a" of 2500-byte records, one
// per blow or one averaged per pile, for older tools. No windows here: the
// dialog collects the parameters and shows progress and the summary.
#pragma once

#include "core/doc/SharedRoutines.h"
#include "core/pile/PileHeader.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class CPileRecord;

namespace pit {

enum class ZezMode : int { Averaged = 0, Separate = 1 };
// Which sample the record names as the start of the first pulse.
enum class ZezStart : int { Peak = 0, Rise = 1 };

// Files averaged into one pile besides the first.
constexpr int kZezMaxGroupExtra = 8;
constexpr int kZezSamples = 1024;

struct ZezParams {
    std::vector<QString> files; // full paths, in list order
    ZezMode mode = ZezMode::Separate;
    ZezStart start = ZezStart::Rise;
    QString defaultName; // for a pile without a text: the folder's name
    QString target;
};

struct ZezResult {
    bool written = false;
    QString writeErrorZh, writeErrorEn; // why the target could not be written
    bool cancelled = false;
    int records = 0;
    QStringList converted; // file names that gave records
    QStringList velocity;  // recorded with a velocity sensor, not converted
    QStringList failed;    // unreadable, or without a usable sample interval
    QStringList overLimit; // beyond the files averaged per pile
    QStringList noData;    // no channel holds data
};

// done files of total; false cancels (nothing is written then).
using ZezProgress = std::function<bool(int done, int total)>;

ZezResult ConvertPilesToZez(const ZezParams& params, const ZezProgress& progress = {});

// The status text after a conversion: the files left out, by reason, and the counts.
QString ZezSummaryText(const ZezResult& result, bool english);

// The names of the pile files ("*.dux" in any case) of a folder, in natural order.
QStringList ScanZezSources(const QString& folder);

// The part of a file name before its first '+' (the whole name without one).
QString ZezGroupKey(const QString& fileName);

// --- steps, exposed for the tests ---

// Subtracts the mean of the first 32 samples, finds the first pulse's peak
// (largest magnitude among the first 256) and its polarity (-1 when the
// first sample up to the peak above a quarter of it is negative); returns
// the peak, or its rise (at least 1).
int FindFirstPulse(std::vector<float>& x, ZezStart start, int& polarity);
// (x[i+1] - x[i]) / (dt / 10^6), the last value repeated. dtMicro > 0.
void DifferentiateSamples(std::vector<float>& x, int dtMicro);
// 16-bit samples with a factor that brings the largest magnitude into range;
// always ends, and saturates instead of wrapping.
std::vector<int16_t> ScaleToInt16(const std::vector<float>& x, int polarity, float scale);
// The pile's name for the record: the pile number cut before a '+' and at 8 bytes.
QByteArray ZezPileName(const PileHeaderRaw& raw);
// Every field of a record that does not depend on the channel.
void BuildPitHeader(CPitRecordArray::Record& rec, const CPileRecord& pile, const QString& sourcePath,
                    const QString& defaultName);

// Record offsets.
namespace zez {
constexpr size_t kSamples = 52;
constexpr size_t kNumber = 2100;
constexpr size_t kStart = 2110;
constexpr size_t kBlows = 2222;
} // namespace zez

} // namespace pit
