// Values that the wave channels share for the whole program run: the global
// amplitude that the vertical shift and the tilt scale by, and the default
// wave colour. Held in one object so that tests can reset it or use their own.
#pragma once

#include "platform/Color.h"

#include <span>

namespace pit {

// Display values that all channels share, set by the display settings page.
struct WaveDisplaySettings {
    int waveLineDivisor = 1; // screen and export wave pens: waveWidth x unit / (divisor + 1)
    int centreStyle = 0;     // pen style of the centre line; 1 also dots the plain forms' markers
    COLORREF centreColour = 0x000000;
};

class WaveContext {
public:
    static constexpr float kUnsetMax = -100000.0f;
    static constexpr COLORREF kDefaultWaveColour = 0xC83232;

    // The context every channel uses unless it is given another.
    static WaveContext& Default();

    // While the stored maximum is not positive, raises it to the largest
    // |source[i]| of the asking channel; once positive it never changes.
    float GlobalMaxAbs(std::span<const float> source);
    float StoredMaxAbs() const { return m_globalMaxAbs; }

    COLORREF DefaultWaveColour() const { return m_waveColour; }
    void SetDefaultWaveColour(COLORREF c) { m_waveColour = c; }

    WaveDisplaySettings& Display() { return m_display; }
    const WaveDisplaySettings& Display() const { return m_display; }

    // Back to the state at program start.
    void Reset() {
        m_globalMaxAbs = kUnsetMax;
        m_waveColour = kDefaultWaveColour;
        m_display = {};
    }

private:
    WaveDisplaySettings m_display;
    float m_globalMaxAbs = kUnsetMax;
    COLORREF m_waveColour = kDefaultWaveColour;
};

} // namespace pit
