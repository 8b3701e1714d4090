// Read-out panel of the amplitude spectrum.
#include "analysis/ParaSpectrum.h"

#include "analysis/SpectrumDraw.h"

void CParaSpectrum::UpdateLines() {
    if (spectrum)
        spectrum->UpdateReadout();
    else
        SetLines({});
}
