#include "core/draw/TimeAxisDraw.h"

CTimeAxisDraw::CTimeAxisDraw(int originIndex, int refIndex, int toeIndex, float sampleInterval, int left,
                             int top, int right, int bottom, int firstSample, int sampleCount)
    : pit::RulerTicks(0), m_nOrigin(originIndex), m_nRefIndex(refIndex), m_nToeIndex(toeIndex),
      m_fInterval(sampleInterval), m_rect(left, top, right, bottom), m_nFirst(firstSample),
      m_nCount(sampleCount) {}

pit::RulerLayout CTimeAxisDraw::Layout(const pit::RulerDevice& device,
                                       const pit::TextMeasure& measure) const {
    pit::RulerLayout out;
    pit::RulerPlacer place({m_rect, m_nFirst, m_nCount, m_nMajorLength, m_nMinorLength, m_nLabelGap,
                            m_nSubdivisions, m_bFineLine},
                           device, measure, out);
    if (!place.valid() || !(m_fInterval > 0))
        return out;
    const pit::TimeUnit unit = pit::ChooseTimeUnit(m_nFirst, m_nCount, m_fInterval);
    const int spacing = m_nTickSpacing > 0 ? m_nTickSpacing : 40;
    const double v = pit::ValuePerTick(double(m_fInterval) * m_nCount, m_rect.Width(), spacing, device.dpiX) /
                     unit.multiplier;
    place.unit(unit.unit);
    const auto step = pit::ChooseRulerStep(v, 20, false);
    if (!step)
        return out;
    const float spt = float(step->labelStep) * unit.multiplier / m_fInterval;
    out.samplesPerTick = spt;
    out.labelStep = step->labelStep;
    out.oneDecimal = step->oneDecimal;
    if (!(spt > 0))
        return out;
    auto label = [&](double value) { return QString::asprintf(step->oneDecimal ? "%.1f" : "%.0f", value); };

    if (place.shown(m_nOrigin)) {
        place.major(m_nOrigin);
        place.originLabel(m_nOrigin, QStringLiteral("0"));
    }
    // Forward: at most 50 major ticks after the origin.
    place.forwardTicks(m_nOrigin, spt, 50, [&](int k) { return label(double(k) * step->labelStep); });
    // Backward from the origin, labels placed right to left.
    place.backwardTicks(m_nOrigin, spt, [&](int k) { return label(-double(k) * step->labelStep); });
    return out;
}

void CTimeAxisDraw::Draw(gdi::Canvas& dc) {
    const pit::RulerLayout layout = Layout(pit::DeviceOf(dc), pit::CanvasMeasure(dc));
    const pit::TimeUnit unit = pit::ChooseTimeUnit(m_nFirst, m_nCount, m_fInterval);
    m_strUnit = unit.unit;
    m_nMultiplier = unit.multiplier;
    m_fSamplesPerTick = layout.samplesPerTick;
    m_nLabelStep = layout.labelStep;
    m_bOneDecimal = layout.oneDecimal;
    pit::PaintRuler(dc, layout);
}
