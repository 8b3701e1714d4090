#include "core/TimeAxisDraw.h"

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
    int prev = m_nOrigin;
    for (int k = 1; k <= 50; ++k) {
        const int idx = m_nOrigin + int(k * double(spt));
        if (idx >= place.end())
            break;
        const int last = prev;
        prev = idx;
        if (idx == last || idx < m_nFirst)
            continue;
        place.major(idx);
        place.forwardLabel(idx, label(double(k) * step->labelStep));
        place.minors(last, idx);
    }
    // Backward from the origin, labels placed right to left.
    prev = m_nOrigin;
    for (int k = 1; k <= pit::kRulerLoopCap; ++k) {
        const int idx = m_nOrigin - int(k * double(spt));
        if (idx <= m_nFirst)
            break;
        const int last = prev;
        prev = idx;
        if (idx == last || idx >= place.end())
            continue;
        place.major(idx);
        place.backwardLabel(idx, label(-double(k) * step->labelStep));
        place.minors(last, idx);
    }
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
