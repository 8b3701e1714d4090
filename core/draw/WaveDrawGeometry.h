// What the drawings of one wave channel put where, computed without a
// device: the print and export layouts, the curve clipped to its band, the
// smoothed-curve points, the fill lines and the marker positions.
#pragma once

#include "platform/GdiRect.h"

#include <QPointF>
#include <span>
#include <vector>

namespace pit {

// The samples a print drawing shows: first and count clamped to the
// channel; count below 2 draws no curve.
struct SampleWindow {
    int first = 0;
    int count = 0;
    int last() const { return first + count - 1; }
    bool drawable() const { return count >= 2; }
};
// count is divided by zoom (truncated) first, as a stretched wave shows fewer samples.
SampleWindow ClampSampleWindow(int first, int count, float zoom, int sampleCount);

// Pixels per unit of amplitude: (height / 2) / peak x scale, a peak <= 0
// (flat or empty channel) taken as 1.
double AmplitudeScale(int plotHeight, double peak, float scale);

// The curve points relative to (plot left, zero line), y down:
// (trunc(i x xStep), trunc(-v x yScale)).
std::vector<gdi::Point> CurvePoints(std::span<const float> values, double xStep, double yScale);

// Where the segment from a (inside) to b (outside) or back crosses y = edge:
// x0 + (x1 - x0)(edge - y0) / (y1 - y0), truncated.
int BandCrossingX(gdi::Point a, gdi::Point b, int edge);

// The curve cut to the band |y| <= h: polylines to draw (a segment between
// two points outside the band leaves a gap), and the points of the smoothed
// curve: a point leaving the band becomes its crossing, points outside sit on
// the nearer edge at their own x.
struct BandClip {
    std::vector<std::vector<gdi::Point>> runs;
    std::vector<gdi::Point> smooth;
};
BandClip ClipToBand(const std::vector<gdi::Point>& p, int h);

// The Bézier points of the smoothed curve: (count / 3 + 1) x 3 + 1 points,
// the tail filled with the last point.
std::vector<QPointF> BezierPoints(const std::vector<gdi::Point>& smooth);

// The half-wave fill of the print forms: a vertical line from each point,
// cut at half the frame height, to the zero line. Bit 1 fills the positive
// half-waves (y < 0), bit 2 the negative ones.
struct Segment {
    gdi::Point a, b;
};
std::vector<Segment> FillLineSegments(const std::vector<gdi::Point>& p, int fillMode, int frameHeight);

// x of a marker in the print forms: trunc((index - first) x w + left).
int PrintMarkerX(int index, int first, double w, int left);

// Digits of the amplitude labels: trunc(|log10 v|) for v = peak x 100 above 1
// or in (0, 0.009), else 0.
int PeakDigits(double peak);

// The print layout of a channel.
struct PrintLayoutInput {
    gdi::Rect box;
    int s = 1;                // device pixels per 1/96 inch
    bool withScale = false;   // room for the amplitude axis
    double groupPeak = -1;    // the pile's largest display maximum (0: the channel's own)
    double displayMax100 = 0; // 100 x the channel's largest displayed value
    int fontHeight = 0;       // tmHeight of the current font
    int labelHeight = 0;      // L: 1.4 x the height of "100"
    int rulerLabelBottom = 0; // where the ruler's labels end below the plot
    int printLabelMode = 0;   // above 1: a picture of the project report's document
    bool moniPile = true;     // room for the pile sketch
    bool compact = false;     // compact channel style
    int compactLabelMargin = 5;
    int rows = 5; // rows per page of the print settings
    int marginTop = 2, marginRight = 2, marginBottom = 2;
};
struct PrintLayout {
    gdi::Rect scale; // the amplitude column (withScale only)
    gdi::Rect plot;
    gdi::Rect sketch; // empty without the pile sketch
};
// The sketch starts below the ruler's labels (at least L below the plot).
// The document's picture (print label mode above 1) is a short one: its
// sketch is no taller than a seventh of it (or 5 units) nor than the page's
// sketch, and reaches down to its bottom edge, so the wave keeps the larger
// share.
PrintLayout ComputePrintLayout(const PrintLayoutInput& in);

// The first layout of the curve export (before the label font is fitted).
struct ExportLayout {
    gdi::Rect plot;
    gdi::Rect label;
};
ExportLayout ExportFirstLayout(const gdi::Rect& box, int u);
// Rows of an export of n channels: n + 1, from 9 on half of it.
int ExportRowCount(int n);

} // namespace pit
