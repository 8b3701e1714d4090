// The analysis panel's processing values (filter cut-offs, exponential
// amplification) applied to one channel, to every channel of a pile, or to
// the saved pile files of a whole project.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class CPileRecord;
class CWaveRecord;

namespace pit {

struct WaveProcessParams {
    int highPassHz = 0;
    int lowPassHz = 50000;
    int expIndex = 1; // exponential amplification index, 1..100
    int expStart = 1; // ramp start, sample index
};

// The ramp start kept inside [head, head + 4 (toe - head) / 5] (integer
// arithmetic truncating toward zero): first raised to head, then lowered to
// the upper bound.
int ClampRampStart(int start, int head, int toe);

// The clamped ramp start and the amplification index to one channel.
void ApplyAmplificationToChannel(CWaveRecord& wave, const WaveProcessParams& p);
// Cut-offs, clamped ramp start and amplification index to one channel.
void ApplyParamsToChannel(CWaveRecord& wave, const WaveProcessParams& p);
// Every channel of the pile in order: ApplyParamsToChannel, then the pile's wave speed.
void ApplyParamsToRecord(CPileRecord& record, const WaveProcessParams& p);
// The amplification alone to every channel of the pile.
void ApplyAmplificationToRecord(CPileRecord& record, const WaveProcessParams& p);

struct ProjectApplyResult {
    struct Failure {
        QString path;
        QString reason;
    };
    std::vector<QString> rewritten;
    // Rewritten with the values they took, while refusing a cut-off (a
    // high-pass at or above half the sampling frequency): the reason names it.
    std::vector<Failure> refused;
    // Files without the analysis block: they take the values when next selected.
    std::vector<QString> skipped;
    std::vector<Failure> failed;
    bool cancelled = false;
};

// Told before each file (done files so far, total, the file's path); false cancels.
using ProjectApplyProgress = std::function<bool(int done, int total, const QString& path)>;

// Applies the values to every listed pile file that already carries the
// analysis block, each read into a fresh record and saved only when the read
// succeeded. The new file images are all built before the first one is
// written, so a cancel changes no file; a file that cannot be read, or whose
// image cannot be built or written, is reported and the others go on. The
// images are staged in the run's temporary folder (tempDir()).
ProjectApplyResult ApplyToProjectFiles(const std::vector<QString>& paths, const WaveProcessParams& p,
                                       bool english, const ProjectApplyProgress& progress = {});

// The summary shown after the run: counts, one line per pile that refused a
// setting; after a failure the piles rewritten by name, then one line per
// failure.
QString ProjectApplySummary(const ProjectApplyResult& r, bool english);

} // namespace pit
