// Layout and curve geometry of the wave drawings, without a device.
#include "core/draw/WaveDrawGeometry.h"

#include "core/wave/WaveMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using pit::wave::TruncToInt;

namespace pit {

SampleWindow ClampSampleWindow(int first, int count, float zoom, int sampleCount) {
    SampleWindow w;
    if (sampleCount < 1)
        return w;
    const float z = (zoom >= 1.0f && zoom <= 4.0f) ? zoom : 1.0f;
    w.first = std::clamp(first, 0, sampleCount - 1);
    const int wanted = TruncToInt(double(count) / double(z));
    w.count = std::clamp(wanted, 0, sampleCount - w.first);
    return w;
}

double AmplitudeScale(int plotHeight, double peak, float scale) {
    if (!(peak > 0.0) || !std::isfinite(peak))
        peak = 1.0;
    return (double(plotHeight / 2) / peak) * double(scale);
}

std::vector<gdi::Point> CurvePoints(std::span<const float> values, double xStep, double yScale) {
    std::vector<gdi::Point> p(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        p[i] = {TruncToInt(double(i) * xStep), TruncToInt(-(double(values[i]) * yScale))};
    return p;
}

int BandCrossingX(gdi::Point a, gdi::Point b, int edge) {
    if (b.y == a.y)
        return a.x;
    const double x = a.x + double(b.x - a.x) * double(edge - a.y) / double(b.y - a.y);
    return TruncToInt(x);
}

BandClip ClipToBand(const std::vector<gdi::Point>& p, int h) {
    BandClip out;
    if (p.empty())
        return out;
    auto inside = [h](gdi::Point q) { return std::abs(q.y) <= h; };
    auto onEdge = [h](gdi::Point q) { return gdi::Point{q.x, std::clamp(q.y, -h, h)}; };
    out.smooth.resize(p.size());
    out.smooth[0] = onEdge(p[0]);
    std::vector<gdi::Point> run{p[0]};
    auto closeRun = [&out, &run] {
        if (run.size() >= 2)
            out.runs.push_back(std::move(run));
        run.clear();
    };
    for (size_t i = 1; i < p.size(); ++i) {
        const gdi::Point a = p[i - 1], b = p[i];
        const bool ain = inside(a), bin = inside(b);
        if (ain && bin) {
            run.push_back(b);
            out.smooth[i] = b;
        } else if (ain) {
            const int edge = b.y > 0 ? h : -h;
            const gdi::Point c{BandCrossingX(a, b, edge), edge};
            run.push_back(c);
            closeRun();
            out.smooth[i] = c;
        } else if (bin) {
            const int edge = a.y > 0 ? h : -h;
            closeRun();
            run = {{BandCrossingX(a, b, edge), edge}, b};
            out.smooth[i] = b;
        } else {
            out.smooth[i] = onEdge(b);
        }
    }
    closeRun();
    return out;
}

std::vector<QPointF> BezierPoints(const std::vector<gdi::Point>& smooth) {
    const int count = int(smooth.size());
    if (count < 1)
        return {};
    std::vector<QPointF> b(size_t((count / 3 + 1) * 3 + 1));
    for (size_t i = 0; i < b.size(); ++i) {
        const gdi::Point& q = smooth[std::min(i, size_t(count - 1))];
        b[i] = QPointF(q.x, q.y);
    }
    return b;
}

std::vector<Segment> FillLineSegments(const std::vector<gdi::Point>& p, int fillMode, int frameHeight) {
    std::vector<Segment> out;
    const int half = frameHeight / 2;
    for (const gdi::Point& q : p) {
        if (q.y < 0 && (fillMode & 1))
            out.push_back({{q.x, std::max(q.y, -half)}, {q.x, 0}});
        else if (q.y > 0 && (fillMode & 2))
            out.push_back({{q.x, std::min(q.y, half)}, {q.x, 0}});
    }
    return out;
}

int PrintMarkerX(int index, int first, double w, int left) {
    return TruncToInt(double(index - first) * w + double(left));
}

int PeakDigits(double peak) {
    const double v = peak * 100.0;
    if (v > 1.0 || (v > 0.0 && v < 0.009))
        return TruncToInt(std::fabs(std::log10(v)));
    return 0;
}

PrintLayout ComputePrintLayout(const PrintLayoutInput& in) {
    PrintLayout out;
    const gdi::Rect& box = in.box;
    const int s = std::max(1, in.s);
    const int top = box.top + in.marginTop * s;
    const int usable = box.Height() - in.marginTop * s;
    if (in.withScale) {
        const double peak = in.groupPeak == 0.0 ? in.displayMax100 : in.groupPeak;
        const int d = PeakDigits(peak);
        out.scale.left = box.left;
        out.scale.right = box.left + (d / 2 + (in.fontHeight < 5 ? 7 : 5)) * in.fontHeight;
        out.scale.top = top;
        out.scale.bottom = TruncToInt(top + usable * 0.75);
    }
    out.plot.left = in.withScale ? out.scale.right : box.left;
    out.plot.top = top;
    out.plot.right = box.right - in.marginRight * s;
    const int L = in.labelHeight;
    // The ruler's labels need their line below the axis and their height; a
    // small font leaves L short of that.
    const int room = std::max(L, in.rulerLabelBottom);
    out.plot.bottom =
        in.printLabelMode < 1 ? TruncToInt(top + usable * 0.75) : TruncToInt(top + (usable - L) * 0.75);
    if (!in.moniPile) {
        out.plot.bottom = box.bottom - in.marginBottom * s - room;
        return out;
    }
    const bool picture = in.printLabelMode > 1;
    gdi::Rect& sk = out.sketch;
    sk.left = out.plot.left;
    sk.right = out.plot.right;
    // The sketch draws its body above its own bottom edge: a short picture
    // needs no margin under it.
    sk.bottom = picture ? box.bottom : box.bottom - in.marginBottom * s;
    // L is already in device pixels; only the compact margin is in 1/96 inch.
    sk.top = out.plot.bottom + (in.compact ? s * in.compactLabelMargin : room);
    int g = (27 - in.rows) * s;
    if (picture)
        g = std::clamp(box.Height() / 7, std::min(5 * s, g), g);
    if (in.compact) {
        if (sk.Height() > 30 * s) {
            sk.top = sk.bottom - 30 * s;
            out.plot.bottom = sk.top - L;
        }
    } else if (sk.Height() > g) {
        sk.top = sk.bottom - g;
        out.plot.bottom = sk.top - room;
    }
    return out;
}

ExportLayout ExportFirstLayout(const gdi::Rect& box, int u) {
    ExportLayout out;
    const double W = box.Width(), H = box.Height();
    out.plot.top = TruncToInt(box.top + 0.05 * H);
    out.plot.bottom = TruncToInt(out.plot.top + 0.72 * H);
    out.plot.left = TruncToInt(box.left + 0.1 * W);
    out.plot.right = TruncToInt(out.plot.left + 0.88 * W);
    out.label = gdi::Rect(box.left + 2, box.top + 2, box.left + 2 + 40 * u, box.top + 2 + 20 * u);
    return out;
}

int ExportRowCount(int n) {
    if (n < 9)
        return n + 1;
    return (n % 2) ? (n + 2) / 2 : (n + 1) / 2;
}

} // namespace pit
