// The font fitting of the project report: the largest font height at which a
// sample line fits a width, measured by whatever the caller measures with
// (the screen, a printer, a fake in tests).
#pragma once

#include <functional>

namespace pit {

// The size of a text drawn on one line in a font of a given cell height.
struct TextExtent {
    int width = 0;
    int height = 0;
};

// Measures the caller's text at a font cell height (device units).
using TextMeasurer = std::function<TextExtent(int fontHeight)>;

struct FontFit {
    int fontHeight = 1; // where the search stopped
    TextExtent extent;  // the text measured at that height
    bool fits = false;  // its width is within the limit
};

// Starting at startHeight (1 when smaller), lowers the font height by one
// until the measured width is at most maxWidth. A text that does not fit
// even at height 1 stops there (fits false) instead of searching forever.
FontFit FitFontHeight(int startHeight, int maxWidth, const TextMeasurer& measure);

// The point size a measured text height stands for on a screen scaled by
// scalePercent: trunc(height x 100 / scale) x 72 / 96.
double FittedPoints(int textHeight, int scalePercent);

} // namespace pit
