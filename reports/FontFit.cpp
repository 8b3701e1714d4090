// The shared font-height search of the project report's font fitting.
#include "reports/FontFit.h"

#include <algorithm>
#include <cmath>

namespace pit {

FontFit FitFontHeight(int startHeight, int maxWidth, const TextMeasurer& measure) {
    FontFit fit;
    fit.fontHeight = std::max(1, startHeight);
    for (;;) {
        fit.extent = measure(fit.fontHeight);
        fit.fits = fit.extent.width <= maxWidth;
        if (fit.fits || fit.fontHeight <= 1)
            return fit;
        --fit.fontHeight;
    }
}

double FittedPoints(int textHeight, int scalePercent) {
    const int scale = scalePercent > 0 ? scalePercent : 100;
    return std::trunc(double(textHeight) * 100.0 / scale) * 72.0 / 96.0;
}

} // namespace pit
