// Read-out panel of the amplitude spectrum.
#include "core/draw/ParaSpectrum.h"

#include "core/draw/SpectrumDraw.h"

void CParaSpectrum::UpdateLines() {
    if (spectrum)
        spectrum->UpdateReadout();
    else
        SetLines({});
}
