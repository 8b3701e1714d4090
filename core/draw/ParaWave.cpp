// Read-out panel of a wave channel.
#include "core/draw/ParaWave.h"

#include "core/wave/WaveRecord.h"

void CParaWave::UpdateLines() {
    if (!wave) {
        SetLines({});
        return;
    }
    wave->FormatCursorInfo(format.decimals, format.markerMode, format.analysisView, format.pilePeakFrequency);
    SetLines(std::vector<QString>(wave->cursorLines.begin(), wave->cursorLines.end()));
}
