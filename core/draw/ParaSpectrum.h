// Read-out panel of the amplitude spectrum: peak, cursor frequency and
// amplitude, frequency difference and the length it implies.
#pragma once

#include "core/draw/Para.h"

class CSpectrum;

class CParaSpectrum : public CPara {
public:
    explicit CParaSpectrum(CSpectrum* s = nullptr) : spectrum(s) {}
    // Asks the spectrum to fill the lines; none without a spectrum.
    void UpdateLines() override;

private:
    CSpectrum* spectrum = nullptr; // not owned
};
