#include "core/draw/Ruler.h"

#include <climits>
#include <cmath>

namespace pit {

std::optional<RulerStepChoice> ChooseRulerStep(double v, int maxScalings, bool fallback) {
    if (!std::isfinite(v) || v < 0 || (v == 0 && !fallback))
        return std::nullopt;
    double p = 1;
    for (int i = 0; v < 10 && i < maxScalings; ++i) {
        v *= 10;
        p *= 10;
    }
    if (v < 10 && fallback) {
        v = 1;
        p = 10;
    }
    if (v < 1 || v >= 9e17)
        return std::nullopt;
    const long long n = (long long)v;
    long long d = 1;
    while (d <= n / 10)
        d *= 10;
    const long long lower = (n / d) * d;
    const long long upper = lower + d;
    const long long half = lower + d / 2;
    const long long dist[3] = {(long long)std::fabs(lower - v), (long long)std::fabs(half - v),
                               (long long)std::fabs(upper - v)};
    const long long values[3] = {lower, half, upper};
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (dist[i] <= dist[best])
            best = i;

    RulerStepChoice c;
    c.which = RulerStepChoice::Candidate(best);
    c.candidate = values[best];
    c.power = p;
    c.labelStep = std::max(1, int(std::min(double(INT_MAX), double(c.candidate) / p)));
    if (p < 5)
        c.oneDecimal = false;
    else if (p < 50)
        c.oneDecimal = c.which == RulerStepChoice::Candidate::Half;
    else
        c.oneDecimal = std::fabs(c.labelStep - 1.0) >= 0.0001;
    return c;
}

TimeUnit ChooseTimeUnit(int firstSample, int sampleCount, float sampleInterval) {
    TimeUnit u;
    double t = (double(firstSample) + sampleCount) * sampleInterval;
    while (t >= 1000) {
        t /= 1000;
        if (u.unit == QLatin1String("us"))
            u.unit = QStringLiteral("ms");
        else if (u.unit == QLatin1String("ms"))
            u.unit = QStringLiteral("s");
        else
            break;
        u.multiplier *= 1000;
    }
    return u;
}

double ValuePerTick(double span, int widthPx, int spacingMm, int dpiX) {
    if (widthPx <= 0)
        return 0;
    const double ticksAcross = widthPx / (spacingMm * dpiX / 25.4);
    return span / ticksAcross;
}

RulerPlacer::RulerPlacer(const Params& params, const RulerDevice& device, const TextMeasure& measure,
                         RulerLayout& out)
    : m_p(params), m_measure(measure), m_out(out), m_lastRight(INT_MIN), m_lastLeft(INT_MAX) {
    m_valid = m_p.sampleCount >= 2 && m_p.rect.Width() > 0;
    // Lengths in 1/96 inch; at least one unit on coarse devices.
    m_scale = std::max(1, device.dpiY / 96);
    m_labelTop = m_p.rect.top + RulerLabelOffset(device, m_p.majorLength, m_p.labelGap, m_p.fineLine);
    m_unitLeft = m_p.rect.right;
}

int RulerLabelOffset(const RulerDevice& device, int majorLength, int labelGap, bool fineLine) {
    double lift = 1;
    if (device.printing) {
        lift = device.dpiY * 4 / 200;
        if (fineLine)
            lift /= 6.25;
    }
    const int scale = std::max(1, device.dpiY / 96);
    return std::max(labelGap * scale - int(lift), majorLength * scale + 1);
}

int RulerPlacer::xOf(int index) const {
    return m_p.rect.left +
           int((long long)(index - m_p.firstSample) * m_p.rect.Width() / (m_p.sampleCount - 1));
}

int RulerPlacer::xOfReal(double index) const {
    return m_p.rect.left + int((index - m_p.firstSample) * m_p.rect.Width() / (m_p.sampleCount - 1));
}

void RulerPlacer::unit(const QString& text) {
    const gdi::Size sz = m_measure(text);
    const gdi::Rect r(m_p.rect.right - sz.cx, m_labelTop, m_p.rect.right, m_labelTop + sz.cy);
    m_out.labels.push_back({text, r, gdi::DT_SINGLELINE | gdi::DT_RIGHT});
    m_unitLeft = r.left;
    m_lastLeft = r.left;
}

void RulerPlacer::major(int index) {
    const int x = xOf(index);
    m_out.ticks.push_back({x, m_p.rect.top, m_p.rect.top + m_p.majorLength * m_scale, true});
}

void RulerPlacer::minors(double from, double to) {
    const int n = m_p.subdivisions;
    for (int j = 1; j < n; ++j) {
        const int x = xOfReal(from + (to - from) * j / n);
        if (x >= m_p.rect.left && x <= m_p.rect.right)
            m_out.ticks.push_back({x, m_p.rect.top, m_p.rect.top + m_p.minorLength * m_scale, false});
    }
}

void RulerPlacer::forwardTicks(int origin, float samplesPerTick, int maxTicks,
                               const std::function<QString(int k)>& label) {
    int prev = origin;
    for (int k = 1; k <= maxTicks; ++k) {
        const int idx = origin + int(k * double(samplesPerTick));
        if (idx >= end())
            break;
        const int last = prev;
        prev = idx;
        if (idx == last || idx < m_p.firstSample)
            continue;
        major(idx);
        forwardLabel(idx, label(k));
        minors(last, idx);
    }
}

void RulerPlacer::backwardTicks(int origin, float samplesPerTick,
                                const std::function<QString(int k)>& label) {
    int prev = origin;
    for (int k = 1; k <= kRulerLoopCap; ++k) {
        const int idx = origin - int(k * double(samplesPerTick));
        if (idx <= m_p.firstSample)
            break;
        const int last = prev;
        prev = idx;
        if (idx == last || idx >= end())
            continue;
        major(idx);
        backwardLabel(idx, label(k));
        minors(last, idx);
    }
}

gdi::Rect RulerPlacer::centredAt(int index, const QString& text) const {
    const gdi::Size sz = m_measure(text);
    const int left = xOf(index) - sz.cx / 2;
    return gdi::Rect(left, m_labelTop, left + sz.cx, m_labelTop + sz.cy);
}

void RulerPlacer::originLabel(int index, const QString& text) {
    gdi::Rect r = centredAt(index, text);
    // An origin at the ruler's left end keeps its label inside the ruler
    // (not across the frame at its edge).
    if (r.left < m_p.rect.left)
        r.OffsetRect(m_p.rect.left - r.left, 0);
    m_out.labels.push_back({text, r, gdi::DT_SINGLELINE | gdi::DT_CENTER});
    m_lastRight = r.right;
    m_lastLeft = r.left;
}

bool RulerPlacer::forwardLabel(int index, const QString& text) {
    const gdi::Rect r = centredAt(index, text);
    if (r.left <= m_lastRight || r.right >= m_unitLeft)
        return false;
    m_out.labels.push_back({text, r, gdi::DT_SINGLELINE | gdi::DT_CENTER});
    m_lastRight = r.right;
    return true;
}

bool RulerPlacer::backwardLabel(int index, const QString& text) {
    const gdi::Rect r = centredAt(index, text);
    if (r.right >= m_lastLeft || r.left < m_p.rect.left)
        return false;
    m_out.labels.push_back({text, r, gdi::DT_SINGLELINE | gdi::DT_CENTER});
    m_lastLeft = r.left;
    return true;
}

void PaintRuler(gdi::Canvas& dc, const RulerLayout& layout) {
    for (const RulerTick& t : layout.ticks) {
        dc.MoveTo(t.x, t.y0);
        dc.LineTo(t.x, t.y1);
    }
    for (const RulerLabel& l : layout.labels) {
        gdi::Rect r = l.rect;
        dc.DrawText(l.text, r, l.format);
    }
}

TextMeasure CanvasMeasure(gdi::Canvas& dc) {
    return [&dc](const QString& text) {
        gdi::Rect r;
        dc.DrawText(text, r, gdi::DT_CALCRECT | gdi::DT_CENTER | gdi::DT_SINGLELINE);
        return gdi::Size{r.Width(), r.Height()};
    };
}

RulerDevice DeviceOf(const gdi::Canvas& dc) {
    return RulerDevice{dc.dpiX(), dc.dpiY(), dc.isPrinting()};
}

} // namespace pit
