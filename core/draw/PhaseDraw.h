// Phase curve of one wave channel: the phase of the reshaped signal against
// its direct Hilbert transform, between -pi and +pi around a dashed middle
// line, with the channel's time or depth axis underneath.
#pragma once

#include "core/draw/BaseDraw.h"

class CPhase : public CBaseDraw {
public:
    static constexpr int kMinFactor = 1;
    static constexpr int kMaxFactor = 50;

    // Computes the phase of a copy of the wave's samples, once.
    explicit CPhase(CWaveRecord* wave);
    ~CPhase() override;

    // Only the first count / factor values are drawn, over the whole width;
    // the factor is kept in 1..50. Returns 0.
    int SetRefine(int factor);
    int GetRefine() const override { return horizontalFactor; }

    int Render(gdi::Canvas& dc) override;
    int Paint(gdi::Canvas& dc) override;

private:
    int horizontalFactor = 1;
};
