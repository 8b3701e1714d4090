// Markers, coordinates, zoom and editing of one wave.
#include "core/wave/WaveRecord.h"

#include "core/dsp/CubicSpline.h"
#include "core/wave/WaveMath.h"

#include <algorithm>
#include <cmath>

using pit::wave::ClampToInt;
using pit::wave::RoundHalfDown;
using pit::wave::TruncToInt;

namespace {

// Windows at the start of the wave where the blow is looked for.
constexpr int kPulseWindow = 300;

constexpr float kStretch[5][6] = {
    {1.0f, 2.0f, 4.0f, 4.0f, 4.0f, 4.0f},
    {1.0f, 1.3333334f, 2.0f, 4.0f, 4.0f, 4.0f},
    {1.0f, 1.25f, 1.6666666f, 2.5f, 4.0f, 4.0f},
    {1.0f, 1.2195122f, 1.5873016f, 2.2727273f, 4.0f, 4.0f},
    {1.0f, 1.1764706f, 1.4285715f, 1.8181819f, 2.5f, 4.0f},
};

} // namespace

// ---- markers and first pulse ----------------------------------------------------------

void CWaveRecord::AutoMarkers() {
    const int N = sampleCount;
    const int window = std::min(kPulseWindow, N);
    headIndex = pit::wave::FirstIndexOfMax(source.data(), size_t(window), -1e6f, pit::wave::Magnitude{});
    sensorSamples = HasInterval() ? float(double(LengthToTime(true)) / double(sampleInterval)) : 0.0f;
    refIndex = std::min(headIndex, N - 1);
    expStart = headIndex;
    // Speed or interval unknown: the toe keeps its place (clamped below).
    if (speed != 0 && HasInterval()) {
        const double t = (2.0 * double(pileLength)) * 1e6 / (double(speed) * double(sampleInterval)) -
                         double(sensorSamples);
        if (!std::isnan(t))
            toeIndex = ClampToInt(double(refIndex) + std::trunc(t), 0, N - 1);
    }
    toeIndex = std::clamp(toeIndex, 0, N - 1);
    if (ampStartDepth >= 0.0f && speed != 0 && HasInterval()) {
        const double off = 2.0 * double(ampStartDepth) * 1e6 / (double(speed) * double(sampleInterval));
        expStart = ClampToInt(double(headIndex) + std::trunc(off), INT32_MIN / 2, INT32_MAX / 2);
        if (expStart >= toeIndex)
            expStart = toeIndex - 1;
    }
    ClampMarkers();
    FindPeakAndRise();
}

void CWaveRecord::FindPeakAndRise() {
    const int N = sampleCount;
    const int window = std::min(kPulseWindow, N);
    peakIndex = pit::wave::FirstIndexOfMax(source.data(), size_t(window), -1e6f, pit::wave::Value{});
    riseIndex = FindRiseIndex();
    pulseEnd = 2 * peakIndex - riseIndex;
    if (pulseEnd > N - 1)
        pulseEnd = N - 1;
    else if (pulseEnd < riseIndex)
        pulseEnd = riseIndex;
}

int CWaveRecord::FindRiseIndex() const {
    const int N = sampleCount;
    const float* x = source.data();
    // |the sample at the largest magnitude| (GetValueAtMaxAbs) without the search,
    // scanned once with the samples. Samples all NaN give 0 where |x[0]| would
    // be NaN: no sample lies between A/2 and A/1.5 either way.
    const float A = source.MaxAbs();
    int i = 0;
    for (; i < N; ++i) {
        const float v = std::fabs(x[i]);
        if (A / 2.0f < v && v < A / 1.5f)
            break;
    }
    if (i >= N || i == 0)
        return 0;
    const float d = std::fabs(x[i]) - std::fabs(x[i - 1]);
    for (;; --i) {
        if (i < 1)
            return 0;
        const float xi = std::fabs(x[i]);
        // At the last sample there is no slope ahead: take it as flat.
        const float next = i + 1 < N ? std::fabs(x[i + 1]) : xi;
        const float s1 = xi - std::fabs(x[i - 1]);
        const float s2 = next - xi;
        if (s2 / 2.5f > s1 && s2 <= d / 3.0f && xi < A / 6.0f)
            return i;
        if (xi < A / 15.0f)
            return i;
    }
}

void CWaveRecord::AutoAlignHead(int mode) {
    int head;
    if (mode == 1)
        head = FindMaxAbsIndex();
    else if (mode == 0)
        head = FindRiseIndex();
    else
        return;
    toeIndex = std::clamp(toeIndex + (head - headIndex), 0, sampleCount - 1);
    headIndex = head;
}

void CWaveRecord::SetCursor(int i) {
    if (i < 0 || i >= sampleCount)
        return;
    toeIndex = std::clamp(toeIndex + (i - headIndex), 0, sampleCount - 1);
    headIndex = i;
}

float CWaveRecord::IndexToDepth(int i) const {
    if (!(headIndex < i && i < toeIndex))
        return 0.0f;
    if (i > refIndex)
        return float((double(i - refIndex) + double(sensorSamples)) * double(sampleInterval) * double(speed) /
                     1e6 / 2.0);
    return float(double(i - headIndex) * double(sampleInterval) * double(speedAbove) / 1e6 / 2.0);
}

bool CWaveRecord::IsIndexInPile(int x, int y) const {
    const int i = XToIndex(x, y);
    return headIndex <= i && i <= toeIndex;
}

bool CWaveRecord::IsToeReflectionWeak() const {
    const int N = sampleCount;
    if (toeIndex < 0 || toeIndex >= N || peakIndex < 0 || peakIndex >= N)
        return false;
    const float peak = display[size_t(peakIndex)];
    if (peak == 0.0f)
        return false;
    return std::fabs(display[size_t(toeIndex)] / peak) <= 0.1f;
}

void CWaveRecord::ClipDefectMarks() {
    std::erase_if(defects, [this](const DefectMark& m) { return m.index < headIndex || m.index > toeIndex; });
}

// ---- coordinates ------------------------------------------------------------------------

float CWaveRecord::EffectiveZoom() const {
    return (zoom >= 1.0f && zoom <= 4.0f) ? zoom : 1.0f;
}

double CWaveRecord::PixelsPerSample() const {
    const int visible = TruncToInt(double(sampleCount) / double(EffectiveZoom()));
    if (visible <= 1)
        return 0.0;
    return double(plotRect.Width()) / double(visible - 1);
}

int CWaveRecord::IndexToX(int i) const {
    const double scale = PixelsPerSample();
    return scale > 0.0 ? RoundHalfDown(double(i) * scale) : 0;
}

int CWaveRecord::XToIndex(int x, int /*y*/, int /*viewFlag*/) const {
    const double scale = PixelsPerSample();
    if (!(scale > 0.0))
        return -1; // no plot: no sample under any point
    return RoundHalfDown(double(x - plotRect.left) / scale);
}

int CWaveRecord::XToIndexClamped(int x, int /*y*/, bool roundUp) const {
    const int W = plotRect.Width();
    if (x < plotRect.left || W < 1)
        return 0;
    const double v = double(sampleCount - 1) * double(x - plotRect.left) / double(W);
    const int i = roundUp ? ClampToInt(std::floor(v + 0.5), 0, INT32_MAX) : ClampToInt(v, 0, INT32_MAX);
    return std::min(i, sampleCount - 1);
}

int CWaveRecord::IndexToOffset(int i) const {
    if (sampleCount <= 1)
        return 0;
    return int(int64_t(plotRect.Width()) * int64_t(i) / int64_t(sampleCount - 1));
}

int CWaveRecord::XToGridTick(int x, int& grid, int& tick) const {
    const double scale = PixelsPerSample();
    const double step = double(rulerTickStep);
    if (!(scale > 0.0) || !(step > 0.0) || !std::isfinite(step))
        return 0;
    const int px = x - plotRect.left;
    const double ref = double(refIndex);
    int g = std::max(TruncToInt((double(px) / scale - ref) / step) - 1, 0);
    // Bounded: every round moves the line's sample on by step, and the search
    // ends once a sample reaches N.
    const int maxRounds = sampleCount + 2;
    bool found = false;
    for (int round = 0; round < maxRounds; ++round, ++g) {
        const int sample = TruncToInt(ref + double(g) * step);
        if (sample >= sampleCount)
            return 0;
        const int pix = TruncToInt(double(sample) * scale);
        if (pix == px) {
            grid = g;
            tick = 0;
            return 1;
        }
        if (pix > px) {
            found = true;
            break;
        }
    }
    if (!found)
        return 0;
    const int p = TruncToInt((double(TruncToInt(ref + double(g) * step)) - step) * scale);
    const int d = TruncToInt(step / 5.0 * scale);
    for (int k = 1; k <= 4; ++k) {
        const int t = p + k * d;
        if (t == px) {
            grid = g - 1;
            tick = k;
            return 1;
        }
        if (t > px)
            return 0;
    }
    return 0;
}

int CWaveRecord::SetPickPoint(int x, int y) {
    if (plotRect.PtInRect({x, y})) {
        pickX = x;
        pickY = y;
    }
    return 1;
}

int CWaveRecord::MoveCursorStep(QPoint& point, bool left) const {
    const int N = sampleCount;
    const int i = XToIndex(pickX, pickY);
    if ((left && i <= 0) || (!left && i >= N - 1))
        return 0;
    if (N <= 1 || plotRect.Width() <= 0)
        return 0;
    const float z = EffectiveZoom();
    const int t = TruncToInt(double(i + (left ? -1 : 1)) * double(z));
    int x = plotRect.left + IndexToOffset(t);
    if (x == pickX) {
        const double p = double(plotRect.Width()) * double(z) / double(N - 1);
        const int step = p < 1.0 ? 1 : TruncToInt(p);
        for (int k = 0; k < 5; ++k) {
            const int under = XToIndex(x, pickY);
            if (left ? under <= t : under >= t)
                break;
            x += left ? -step : step;
        }
    }
    point = QPoint(x, pickY);
    return 1;
}

// ---- zoom --------------------------------------------------------------------------------

float CWaveRecord::StretchFactor(int steps, int index) {
    steps = std::clamp(steps, 2, 6);
    index = std::clamp(index, 0, 5);
    return kStretch[steps - 2][index];
}

float CWaveRecord::GetZoom() {
    if (!(zoom >= 1.0f && zoom <= 4.0f))
        zoom = 1.0f;
    return zoom;
}

int CWaveRecord::SetZoom(float z) {
    if (sampleCount < 257)
        return 1;
    if (!(z >= 1.0f))
        return -1;
    zoom = std::min(z, float(sampleCount) / 256.0f);
    return TruncToInt(zoom);
}

void CWaveRecord::StepZoom(int steps, bool up) {
    if (zoom == -1.0f || steps < 2 || steps > 6)
        return;
    const float* row = kStretch[steps - 2];
    const int last = std::min(steps, 5);
    if (up) {
        zoomStep = std::max(zoomStep, 0);
        if (zoomStep < steps && row[std::min(zoomStep, 5)] != zoom) {
            int bestIdx = 0;
            float bestDiff = std::fabs(row[0] - zoom);
            for (int i = 1; i <= last; ++i) {
                const float diff = std::fabs(row[i] - zoom);
                if (diff < bestDiff) {
                    bestDiff = diff;
                    bestIdx = i;
                }
            }
            zoomStep = bestIdx;
        } else if (zoomStep >= steps) {
            zoomStep = steps - 1;
        }
    } else {
        zoomStep = std::min(zoomStep, steps - 1);
        if (zoomStep >= 0 && row[zoomStep] != zoom) {
            int bestIdx = last;
            float bestDiff = std::fabs(row[last] - zoom);
            for (int i = last - 1; i >= 0; --i) {
                const float diff = std::fabs(row[i] - zoom);
                if (diff < bestDiff) {
                    bestDiff = diff;
                    bestIdx = i;
                }
            }
            zoomStep = bestIdx;
        } else if (zoomStep < 0) {
            zoomStep = 0;
        }
    }
    zoom = row[std::clamp(zoomStep, 0, 5)];
}

int CWaveRecord::ZoomStep(bool up, int steps, QPaintDevice* dc) {
    const int N = sampleCount;
    if (N < 257)
        return 1;
    if (steps < 1)
        return -1;
    steps = std::clamp(steps, 2, 6); // the settings keep 2..6
    StepZoom(steps, up);
    const float maxZoom = float(N) / 256.0f;
    const float* row = kStretch[steps - 2];
    int width = frameRect.Width();
    gdi::Rect frame = frameRect;
    if (up) {
        if (std::fabs(zoom - maxZoom) <= 0.1f || zoom > maxZoom)
            return TruncToInt(zoom);
        if (zoomStep < steps)
            zoomStep = std::min(zoomStep + 1, 5);
        zoom = std::min(row[zoomStep], maxZoom);
        frame.right += width * (steps - 1);
    } else if (zoomStep >= 1) {
        --zoomStep;
        zoom = row[zoomStep];
        frame.right -= width / steps;
    }
    Layout(frame.left, frame.top, frame.right, frame.bottom, DeviceDpiX(dc));
    DrawToBitmap(dc);
    return TruncToInt(zoom);
}

// ---- editing -----------------------------------------------------------------------------

int CWaveRecord::Shift(int mode, int k, QPaintDevice* dc) {
    const int N = sampleCount;
    if ((mode != 1 && mode != 3) || k < 0 || k > N)
        return 0;
    float* x = source.Writable().data();
    if (mode == 1) {
        for (int i = 0; i < k; ++i)
            shiftedOutLeft.push_back(x[i]);
        const float last = x[N - 1];
        for (int i = 0; i < N; ++i)
            x[i] = i + k < N ? x[i + k] : last;
        for (int pos = N - k, popped = 0; popped < k && !shiftedOutRight.empty(); ++pos, ++popped) {
            x[pos] = shiftedOutRight.back();
            shiftedOutRight.pop_back();
        }
        const int oldHead = headIndex;
        if (headIndex != 0) {
            headIndex -= k;
            if (headIndex < 0) {
                k = oldHead - 1;
                headIndex = 1;
            }
            refIndex = headIndex;
        }
        if (expStart != 0)
            expStart = std::max(expStart - k, 0);
        if (toeIndex != 1 && oldHead != 0) {
            toeIndex -= k;
            if (toeIndex <= refIndex)
                ++refIndex;
        }
    } else {
        for (int i = 0; i < k; ++i)
            shiftedOutRight.push_back(x[N - 1 - i]);
        const float first = x[0];
        for (int i = N - 1; i >= 0; --i)
            x[i] = i >= k ? x[i - k] : first;
        for (int pos = k - 1, popped = 0; popped < k && !shiftedOutLeft.empty(); --pos, ++popped) {
            x[pos] = shiftedOutLeft.back();
            shiftedOutLeft.pop_back();
        }
        const int t0 = toeIndex;
        if (t0 != N - 2) {
            toeIndex += k;
            if (toeIndex > N - 2) {
                toeIndex = N - 2;
                k = N - t0 - 1;
            }
        }
        if (headIndex != N - 3 && t0 != N - 2) {
            headIndex = std::min(headIndex + k, N - 3);
            refIndex = headIndex;
        }
        if (expStart != 0)
            expStart = std::min(expStart + k, N - 3);
    }
    ClampMarkers();
    Refresh();
    DrawToBitmap(dc);
    return 1;
}

int CWaveRecord::Offset(int mode, float fraction, QPaintDevice* dc) {
    if (mode != 2 && mode != 4)
        return 0;
    const double delta = double(GetGlobalMaxAbs()) * double(fraction) * (mode == 2 ? 1.0 : -1.0);
    for (float& v : source.Writable())
        v = float(double(v) + delta);
    Refresh();
    DrawToBitmap(dc);
    return 1;
}

int CWaveRecord::Invert(QPaintDevice* dc) {
    for (float& v : source.Writable())
        v = -v;
    Refresh();
    DrawToBitmap(dc);
    return 1;
}

int CWaveRecord::SetScale(float s, QPaintDevice* dc, int flag) {
    if (!(s > 0.0f))
        return 0;
    scaleFlag = uint8_t(flag);
    scale = s;
    if (dc)
        DrawToBitmap(dc);
    return 1;
}

int CWaveRecord::SetAdjustStartFromPoint(int x, int y) {
    if (tiltStart == kTiltUnset) {
        tiltStart = headIndex;
        return 1;
    }
    const int W = plotRect.Width();
    if (!plotRect.PtInRect({x, y}) || W <= 0)
        return 0;
    const int64_t i = int64_t(x - plotRect.left) * sampleCount / W - 1;
    tiltStart = int(std::clamp<int64_t>(i, 0, sampleCount - 1));
    return 1;
}

int CWaveRecord::RotateTail(bool up, bool rotateMode, float /*unused*/) {
    if (!rotateMode)
        return 0;
    const int N = sampleCount;
    if (tiltStart == kTiltUnset)
        tiltStart = headIndex;
    if (tiltStart >= N || tiltStart < 0)
        return 0;
    const float step = (GetGlobalMaxAbs() * 0.01f) / float(N - tiltStart);
    const std::span<float> x = source.Writable();
    for (int i = tiltStart; i < N; ++i) {
        const float d = float(i - tiltStart) * step;
        x[size_t(i)] += up ? d : -d;
    }
    Refresh();
    return 1;
}

int CWaveRecord::DragEditToPoint(int x, int y, bool dragEditMode) {
    if (!dragEditMode || !plotRect.PtInRect({x, y}))
        return 0;
    const int N = sampleCount;
    const int W = plotRect.Width();
    if (W <= 0)
        return 0;
    const float z = EffectiveZoom();
    const int64_t cols = int64_t(x - plotRect.left) * N / W;
    const int i = TruncToInt(double(cols) / double(z)) - 1;
    if (double(i) >= double(N) / double(z) || i < 1 || i == lastDragIndex)
        return 0;
    if (i < lastDragIndex)
        lastDragIndex = 0;
    float* s = source.Writable().data();
    const float v = s[i];
    const double slope = double(v) / double(i - lastDragIndex);
    for (int j = lastDragIndex; j <= i; ++j)
        s[j] = float(double(s[j]) - double(j - lastDragIndex) * slope);
    for (int j = i + 1; j < N; ++j)
        s[j] -= v;
    Refresh();
    lastDragIndex = i;
    return 1;
}

int CWaveRecord::ApplyLocalAmplify() {
    localAmplifyMode = 0;
    localAmplifyB = 0;
    const int N = sampleCount;
    const int s = riseIndex, e = peakIndex;
    const int m = e - s + 1;
    const int M = TruncToInt(1.2 * double(m));
    const int P = 2 * M;
    if (M <= 2)
        return 0;

    // The rising edge up to the peak, then mirrored about the peak.
    std::vector<double> kx, ky;
    kx.reserve(size_t(2 * m));
    ky.reserve(size_t(2 * m));
    for (int k = 0; k < 2 * m; ++k) {
        const int at = s + k;
        const int from = at <= e ? at : 2 * e - at;
        if (at < 0 || at >= N || from < 0 || from >= N)
            break;
        kx.push_back(double(at));
        ky.push_back(double(source[size_t(from)]));
    }
    if (kx.empty())
        return 0;
    CubicSpline spline(kx.data(), ky.data(), int(kx.size()));
    std::vector<double> zx(static_cast<size_t>(P)), zv(static_cast<size_t>(P));
    if (!spline.ok() || !spline.Resample(P, zx.data(), zv.data()))
        return 0;

    const double g = localGain;
    float* x = source.Writable().data();
    for (int j = 0; j < P; ++j) {
        const int q = toeIndex + j - M;
        if (q < 0)
            continue;
        if (q >= N)
            break;
        const double cur = x[q];
        double v;
        if (j < 10)
            v = (10 - j) * cur / 10.0 + g * zv[size_t(j)] * j / 10.0;
        else if (j <= P - 10)
            v = cur + g * zv[size_t(j)];
        else
            v = (j - P + 10) * cur / 10.0 + g * zv[size_t(j)] * (P - j) / 10.0;
        x[q] = float(v);
    }
    Refresh();
    return 1;
}

// ---- drawing support ---------------------------------------------------------------------

int CWaveRecord::BuildFillPoints(const QPoint* points, int n, QPoint* out, bool negativeSide, int base) {
    int w = 1;
    auto side = [base](const QPoint& p) { return p.y() > base ? 1 : (p.y() < base ? -1 : 0); };
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            const QPoint& a = points[i - 1];
            const QPoint& b = points[i];
            if (side(a) * side(b) < 0) {
                const double t = double(base - a.y()) / double(b.y() - a.y());
                out[w++] = QPoint(a.x() + TruncToInt(t * double(b.x() - a.x())), base);
            }
        }
        out[w++] = points[i];
    }
    for (int i = 1; i < w; ++i) {
        const int dy = out[i].y() - base;
        if (negativeSide ? dy > 0 : dy < 0)
            out[i].setY(base);
    }
    return w - 1;
}

std::vector<int> CWaveRecord::StylePenPattern(int style, int unit) {
    std::vector<int> p;
    switch (style) {
    case 0:
        return p;
    case 1:
        p = {3, 2};
        break;
    case 2:
        p = {1, 3};
        break;
    case 3:
        p = {3, 2, 1, 2};
        break;
    default:
        p = {3, 2, 1, 2, 1, 2};
        break;
    }
    for (int& v : p)
        v *= unit;
    return p;
}
