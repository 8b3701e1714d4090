// Read-out panel of a wave channel: the channel's cursor lines.
#pragma once

#include "core/draw/Para.h"

class CWaveRecord;

class CParaWave : public CPara {
public:
    // What the channel's cursor read-out needs of the document and the view.
    struct Format {
        int decimals = 2;   // the document's decimal places
        int markerMode = 0; // the pile's marker mode
        bool analysisView = false;
        float pilePeakFrequency = 0; // the pile's Fmax mark, shown by the analysis view
    };

    explicit CParaWave(CWaveRecord* w = nullptr) : wave(w) {}
    void SetWave(CWaveRecord* w) { wave = w; }
    CWaveRecord* GetWave() const { return wave; }
    void SetFormat(const Format& f) { format = f; }
    const Format& GetFormat() const { return format; }

    // The wave's cursor read-out at its pick point; no lines without a wave.
    void UpdateLines() override;

private:
    CWaveRecord* wave = nullptr; // not owned
    Format format;
};
