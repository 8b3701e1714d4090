// What the time and depth rulers draw, computed without a device: the step
// choice, the unit, and the tick and label layout.
#pragma once

#include "platform/Canvas.h"

#include <QString>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace pit {

// The label step chosen for a value span per tick spacing v: v is scaled by
// ten (p ten times larger each round) until it reaches 10, then the nearest
// of lower, half and upper one-digit candidates wins, the later on a tie.
struct RulerStepChoice {
    enum class Candidate { Lower, Half, Upper };
    Candidate which = Candidate::Lower;
    long long candidate = 0;
    double power = 1;  // p
    int labelStep = 1; // trunc(candidate / p), at least 1
    bool oneDecimal = false;
};

// maxScalings bounds the scaling rounds; with fallback a v that stays below
// 10 is taken as 1 with p = 10. Nothing (no step) when v is not positive and
// finite, or stays below 1 without a fallback.
std::optional<RulerStepChoice> ChooseRulerStep(double v, int maxScalings, bool fallback);

// The time unit for the samples shown: "us", "ms" or "s" and the µs per unit.
struct TimeUnit {
    QString unit = QStringLiteral("us");
    int multiplier = 1;
};
TimeUnit ChooseTimeUnit(int firstSample, int sampleCount, float sampleInterval);

// The value a tick spacing of `spacingMm` spans when `span` is spread over
// `widthPx` pixels at `dpiX`.
double ValuePerTick(double span, int widthPx, int spacingMm, int dpiX);

struct RulerTick {
    int x = 0;
    int y0 = 0;
    int y1 = 0; // the tick runs from y0 down to y1 (exclusive)
    bool major = false;
};

struct RulerLabel {
    QString text;
    gdi::Rect rect;
    unsigned format = 0; // DrawText flags
};

struct RulerLayout {
    std::vector<RulerTick> ticks;
    std::vector<RulerLabel> labels; // the unit first, then the values in drawing order
    float samplesPerTick = 0;
    int labelStep = 0;
    bool oneDecimal = false;
    float backSamplesPerTick = 0; // the depth ruler's step before its zero
    int backLabelStep = 0;
};

// The device facts the layout needs.
struct RulerDevice {
    int dpiX = 96;
    int dpiY = 96;
    bool printing = false;
};

// Distance of the labels below the axis and the major tick's length, in
// 1/96 inch, as both rulers keep them unless told otherwise.
constexpr int kRulerLabelGap = 5;
constexpr int kRulerMajorTick = 4;
// Where the label line starts below the axis, device units: the label gap
// less the line lift (larger on a printer, smaller again for fine lines),
// but a unit below the end of the major ticks, so no tick runs into a label.
int RulerLabelOffset(const RulerDevice& device, int majorLength = kRulerMajorTick,
                     int labelGap = kRulerLabelGap, bool fineLine = false);

// Size of a text as DrawText with DT_CALCRECT | DT_SINGLELINE gives it.
using TextMeasure = std::function<gdi::Size(const QString&)>;

// Placement shared by both rulers: pixel scale, tick lengths, label line and
// the overlap rules of the labels.
class RulerPlacer {
public:
    struct Params {
        gdi::Rect rect;
        int firstSample = 0;
        int sampleCount = 0;
        int majorLength = kRulerMajorTick; // 1/96 inch
        int minorLength = 3;
        int labelGap = 5;
        int subdivisions = 5;
        bool fineLine = false;
    };
    RulerPlacer(const Params& params, const RulerDevice& device, const TextMeasure& measure,
                RulerLayout& out);

    bool valid() const { return m_valid; }
    int xOf(int index) const;
    int xOfReal(double index) const;
    bool shown(int index) const {
        return index >= m_p.firstSample && index < m_p.firstSample + m_p.sampleCount;
    }
    int end() const { return m_p.firstSample + m_p.sampleCount; }

    void unit(const QString& text);
    void major(int index);
    // Minor ticks between two major tick indices, where they fall inside the ruler.
    void minors(double from, double to);
    // A label centred under index; left out when it would touch the label
    // before it (forward) or after it (backward), the unit or the left edge.
    bool forwardLabel(int index, const QString& text);
    bool backwardLabel(int index, const QString& text);
    // A label that is written with no neighbour test (the origin's "0"),
    // moved right to start no further left than the ruler.
    void originLabel(int index, const QString& text);
    // Major ticks at origin + k * samplesPerTick, k = 1 .. maxTicks, up to the
    // ruler's end, each with its minors after the one before and the label
    // label(k); a tick on the one before or before the first sample is skipped.
    void forwardTicks(int origin, float samplesPerTick, int maxTicks,
                      const std::function<QString(int k)>& label);
    // The same backward, at origin - k * samplesPerTick while after the first
    // sample; a tick at or past the ruler's end is skipped.
    void backwardTicks(int origin, float samplesPerTick, const std::function<QString(int k)>& label);
    bool endsBeforeUnit(int index, const QString& text) const {
        return centredAt(index, text).right < m_unitLeft;
    }

private:
    gdi::Rect centredAt(int index, const QString& text) const;

    Params m_p;
    TextMeasure m_measure;
    RulerLayout& m_out;
    bool m_valid = false;
    int m_scale = 1;
    int m_labelTop = 0;
    int m_unitLeft = 0;
    int m_lastRight;
    int m_lastLeft;
};

// Iteration cap of the tick loops that have no count limit of their own.
constexpr int kRulerLoopCap = 100000;

// Paints a layout with the canvas's selected pen, font and text colour.
void PaintRuler(gdi::Canvas& dc, const RulerLayout& layout);
// DrawText measurement on a canvas.
TextMeasure CanvasMeasure(gdi::Canvas& dc);
RulerDevice DeviceOf(const gdi::Canvas& dc);

// The tick settings both rulers take and the step of their last Draw.
class RulerTicks {
public:
    // Negative gives 10, above 50 gives 50; 0 draws with the default 40.
    void SetTickSpacing(int mm) { m_nTickSpacing = mm < 0 ? 10 : std::min(mm, 50); }
    void SetTickSizes(int major, int minor) {
        m_nMajorLength = major;
        m_nMinorLength = minor;
    }
    // Samples per major tick and label step of the last Draw.
    void GetSteps(float& samplesPerTick, int& labelStep) const {
        samplesPerTick = m_fSamplesPerTick;
        labelStep = m_nLabelStep;
    }

protected:
    explicit RulerTicks(float samplesPerTick) : m_fSamplesPerTick(samplesPerTick) {}

    int m_nTickSpacing = 40;
    int m_nMajorLength = kRulerMajorTick;
    int m_nMinorLength = 3;
    float m_fSamplesPerTick;
    int m_nLabelStep = 1;
};

} // namespace pit
