#include "core/draw/AxisDraw.h"

#include <cmath>

namespace {

struct DepthStep {
    pit::RulerStepChoice choice;
    float samplesPerTick = 0;
};

// A step in whole metres for a depth span, and the samples one step covers
// at the given speed.
std::optional<DepthStep> chooseDepthStep(double spanMetres, int widthPx, int spacingMm, int dpiX,
                                         float interval, int speed, bool forward) {
    if (speed == 0 || !(interval > 0))
        return std::nullopt;
    const double v = pit::ValuePerTick(spanMetres, widthPx, spacingMm, dpiX);
    const auto c = forward ? pit::ChooseRulerStep(v, 20, true) : pit::ChooseRulerStep(v, 21, false);
    if (!c)
        return std::nullopt;
    double time = std::trunc(2.0 * c->labelStep * 1000000.0 / speed);
    if (time < 0)
        time = 1000;
    DepthStep s{*c, float(time / interval)};
    if (!(s.samplesPerTick > 0))
        return std::nullopt;
    return s;
}

QString depthLabel(double value, bool decimals) {
    if (!decimals)
        return QString::asprintf("%.0f", value);
    if (std::fabs(value) >= 0.0001)
        return QString::asprintf("%.2f", value);
    return QStringLiteral("0");
}

} // namespace

CAxisDraw::CAxisDraw(int zeroIndex, int startIndex, int toeIndex, float sampleInterval, int left, int top,
                     int right, int bottom, int firstSample, int sampleCount, int speedAbove, int speed)
    : pit::RulerTicks(1.0f), m_nZero(zeroIndex), m_nStart(startIndex), m_nToeIndex(toeIndex),
      m_fInterval(sampleInterval), m_rect(left, top, right, bottom), m_nFirst(firstSample),
      m_nCount(sampleCount), m_nSpeedAbove(speedAbove), m_nSpeed(speed) {}

pit::RulerLayout CAxisDraw::Layout(const pit::RulerDevice& device, const pit::TextMeasure& measure) const {
    pit::RulerLayout out;
    pit::RulerPlacer place({m_rect, m_nFirst, m_nCount, m_nMajorLength, m_nMinorLength, m_nLabelGap,
                            m_nSubdivisions, m_bFineLine},
                           device, measure, out);
    if (!place.valid())
        return out;
    place.unit(QStringLiteral("m"));
    const int spacing = m_nTickSpacing > 0 ? m_nTickSpacing : 40;
    auto metres = [this](double samples, int speed) { return samples * m_fInterval * speed / 2000000.0; };

    const auto fwd = chooseDepthStep(metres(place.end() - m_nStart, m_nSpeed), m_rect.Width(), spacing,
                                     device.dpiX, m_fInterval, m_nSpeed, true);
    const auto back = m_nFirst < m_nZero
                          ? chooseDepthStep(metres(m_nZero - m_nFirst, m_nSpeedAbove), m_rect.Width(),
                                            spacing, device.dpiX, m_fInterval, m_nSpeedAbove, false)
                          : std::nullopt;
    const bool decimals = fwd && fwd->choice.oneDecimal;
    if (fwd) {
        out.samplesPerTick = fwd->samplesPerTick;
        out.labelStep = fwd->choice.labelStep;
        out.oneDecimal = decimals;
    }
    if (back) {
        out.backSamplesPerTick = back->samplesPerTick;
        out.backLabelStep = back->choice.labelStep;
    }

    if (place.shown(m_nStart)) {
        place.major(m_nStart);
        // A printer shows the depth of the labelling start itself.
        const QString depth = QString::asprintf("%d", int(metres(m_nStart - m_nZero, m_nSpeedAbove)));
        const bool showDepth = device.printing && place.endsBeforeUnit(m_nStart, depth);
        place.originLabel(m_nStart, showDepth ? depth : QStringLiteral("0"));
    }
    if (fwd) {
        place.forwardTicks(m_nStart, fwd->samplesPerTick, pit::kRulerLoopCap,
                           [&](int k) { return depthLabel(double(k) * fwd->choice.labelStep, decimals); });
    }
    if (back) {
        place.backwardTicks(m_nZero, back->samplesPerTick,
                            [&](int k) { return depthLabel(-double(k) * back->choice.labelStep, decimals); });
    }
    return out;
}

void CAxisDraw::Draw(gdi::Canvas& dc) {
    const pit::RulerLayout layout = Layout(pit::DeviceOf(dc), pit::CanvasMeasure(dc));
    m_strUnit = QStringLiteral("m");
    m_fSamplesPerTick = layout.samplesPerTick;
    m_nLabelStep = layout.labelStep;
    m_bDecimals = layout.oneDecimal;
    m_fSamplesPerTickBack = layout.backSamplesPerTick;
    m_nLabelStepBack = layout.backLabelStep;
    pit::PaintRuler(dc, layout);
}
