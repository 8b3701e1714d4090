// Operations on all channels of a pile at once: the average, the common
// vertical scale, axis and alignment modes, the scale factor, the exchange
// with the fixed-parameter dialogs and the clean-up of older headers.
#include "core/pile/PileRecord.h"

#include "core/doc/OptionTables.h"
#include "core/wave/WaveMath.h"
#include "core/wave/WaveRecord.h"

#include <cmath>

using namespace pit;

void CPileRecord::ComputeAverage(CWaveRecord& dest) {
    const size_t n = size_t(std::max(m_header.Samples(), 0));
    std::vector<const float*> rows;
    bool whole = true; // every blow holds all n samples
    const int blows = std::min<int>({m_nChannelCount, kMaxBlows, int(m_channels.size())});
    for (int i = 0; i < blows; ++i) {
        const CWaveRecord& ch = *m_channels[size_t(i)];
        if (!m_blowFlags[size_t(i)] || ch.isAverage)
            continue;
        rows.push_back(ch.Source().data());
        whole = whole && size_t(std::max(ch.SampleCount(), 0)) >= n;
    }
    const float count = float(rows.size());
    // Every sample is written when every blow is whole: no zeros first.
    pit::SampleBuffer sum = whole ? pit::SampleBuffer::Uninitialized(n) : pit::SampleBuffer(n, 0.0f);
    float* out = sum.Writable().data();
    if (whole) {
        pit::wave::AverageColumns(out, rows.data(), rows.size(), n, count);
    } else {
        // A shorter blow adds to its own samples only.
        for (int i = 0; i < blows; ++i) {
            const CWaveRecord& ch = *m_channels[size_t(i)];
            if (m_blowFlags[size_t(i)] && !ch.isAverage)
                pit::wave::AddInto(out, ch.Source().data(),
                                   std::min(n, size_t(std::max(ch.SampleCount(), 0))));
        }
        if (count > 0)
            pit::wave::DivideAll(out, n, count);
    }
    // SetSamples refreshes; a refused count keeps the samples, refreshed as they are.
    if (!dest.SetSamples(std::move(sum)))
        dest.Update();
    dest.isAverage = 1;
}

void CPileRecord::RecomputeAverage() {
    if (CWaveRecord* avg = AverageChannel())
        ComputeAverage(*avg);
}

void CPileRecord::UpdateCommonMax() {
    if (m_channels.empty())
        return;
    // Every refresh keeps 100 x the channel's display maximum: no second pass.
    auto peak = [](const CWaveRecord& ch) { return float(ch.displayMax100 / 100.0); };
    float g = peak(*m_channels.front());
    for (const auto& ch : m_channels) {
        const float v = peak(*ch);
        if (v > g)
            g = v;
    }
    for (const auto& ch : m_channels)
        ch->groupPeak = g;
}

void CPileRecord::SetViewMode(int mode) {
    m_nViewMode = mode;
    for (const auto& ch : m_channels)
        ch->SetShowStyle(mode);
}

void CPileRecord::AutoAlignAll(int mode) {
    if (mode == 0 || mode == 1)
        m_nAlignMode = mode;
    for (const auto& ch : m_channels)
        ch->AutoAlignHead(mode);
}

void CPileRecord::SetCalcMode(int mode) {
    m_nCalcMode = mode;
    const int align = mode == 1 ? m_nAlignMode : 2;
    for (const auto& ch : m_channels)
        ch->AutoAlignHead(align);
}

void CPileRecord::SetScaleFactor(float previous) {
    const float f0 = m_fScale;
    if (f0 == 0.0f) {
        m_fScale = previous;
        return;
    }
    const float r = previous / f0;
    if (r >= 0.999999f && r <= 1.0f)
        return;
    for (const auto& ch : m_channels)
        ch->SetDataForm(r);
}

void CPileRecord::ExchangePileParams(CPileParamSet& set, const std::array<bool, 10>& flags, bool apply) {
    if (!apply) {
        set.diameter = m_fDiameter;
        set.length = m_fPileLength;
        set.scale = m_fScale;
        set.enlarged = m_fEnlarged;
        set.gradeIndex = m_nGradeIndex;
        set.waveSpeed = m_nWaveSpeed;
        set.secondSide = m_fSecondSide;
        set.enlarged2 = m_fEnlarged2;
        set.testDate = m_testDate;
        for (int i = 0; i < options::ClassCount(); ++i)
            if (m_strClass == options::ClassName(i)) {
                set.classIndex = i;
                break;
            }
        if (const int shape = options::PileShapeIndex(m_strShape); shape >= 0)
            set.shapeIndex = shape;
        return;
    }
    if (m_bBlowFile)
        return;
    if (flags[1]) {
        m_fDiameter = set.diameter;
        m_fSecondSide = set.secondSide;
    }
    if (flags[2])
        m_fPileLength = set.length;
    if (flags[3])
        m_fScale = set.scale;
    if (flags[4]) {
        m_fEnlarged = set.enlarged;
        m_fEnlarged2 = set.enlarged2;
    }
    if (flags[5])
        m_nWaveSpeed = set.waveSpeed;
    if (flags[6])
        m_nGradeIndex = set.gradeIndex;
    if (flags[7])
        m_strClass = options::ClassName(set.classIndex);
    if (flags[8]) {
        m_nShape = set.shapeIndex;
        m_strShape = ShapeText(set.shapeIndex);
    }
    if (flags[9])
        m_testDate = set.testDate;
}

double CPileRecord::CalcSensorDistanceRatio(bool derived) const {
    if (m_nSensorDistance == 0)
        return 0;
    const double d = m_nSensorDistance * 0.001;
    if (!derived)
        return m_nWaveSpeed != 0 ? d / (m_nWaveSpeed * 0.6) : 0;
    const double L0 = m_header.PileLength();
    const double c0 = m_header.WaveSpeed();
    if (c0 == 0)
        return 0;
    const double t = (L0 * 2 / c0) * 0.6;
    const double c = t != 0 ? (m_fPileLength * 1.2 - d) / t : 0;
    return c != 0 ? d / (c * 0.6) : 0;
}

void CPileRecord::SetLengthSpeedPair(const AdRecord& pair) {
    m_fPileLength = pair.Param(0);
    m_nWaveSpeed = pair.ParamInt(1);
    m_bPairFlag = 1;
}

void CPileRecord::SanitizeRawParams() {
    const float toe = m_header.ToeDepth();
    if ((toe < 9e-7f && toe != -1.0f) || !(toe < m_header.PileLength()))
        m_header.setF32(hdr::kToeDepth, 0.0f);
    const uint8_t sel = m_header.BlowSelect();
    if ((sel != 0 && sel != 1) || (m_nRecordType % 2) == 1)
        m_header.zero(hdr::kBlowSelect, 16);
}

void CPileRecord::CountChannelsWithData() {
    m_recordedBlows.clear();
    m_nRecordedCount = 0;
    const size_t n = size_t(std::max(m_header.Samples(), 0));
    if (n == 0)
        return;
    const size_t channels = m_rawSamples.size() / n;
    for (size_t c = 0; c < channels; ++c) {
        const float* s = m_rawSamples.data() + c * n;
        const bool data = std::any_of(s, s + n, [](float x) { return !(std::fabs(x) < 1e-7f); });
        m_recordedBlows.push_back(data);
        if (data)
            ++m_nRecordedCount;
    }
}

void CPileRecord::ResetAnalysisFields() {
    m_strClass = m_nRecordType == 6 ? m_header.text(hdr::kClass, hdr::kClassText) : QStringLiteral("I");
    m_spareValue = {};
    m_fEnlarged = m_fEnlarged2 = 0;
    m_pileValues = {};
    m_strRemark.clear();
    m_strConclusion.clear();
    m_analysisState = 1;
    m_nSpareCounter = 0;
    m_nSamples = m_header.Samples();
    m_analysisValues = {};
    m_nSensorDistance = m_header.SensorDistance();
    m_nShape = m_header.Shape();
}

void CPileRecord::RestoreChannel(int index) {
    if (index < 0 || index >= int(m_channels.size()))
        return;
    const size_t n = size_t(std::max(m_header.Samples(), 0));
    const bool isLast = index + 1 == int(m_channels.size());
    std::unique_ptr<CWaveRecord> fresh;
    if (isLast) {
        fresh = MakeAverageChannel();
    } else {
        if (size_t(index + 1) * n > m_rawSamples.size())
            return; // a blow that was never stored as a run (blow-table files)
        fresh = MakeRawChannel(index);
    }
    // The markers are the fresh channel's own: restoring re-aligns nothing.
    fresh->SetSelected(true);
    m_channels[size_t(index)] = std::move(fresh);
    m_channelStamp = NextChannelStamp();
    m_nCurrentChannel = index;
    // Only the channel is rebuilt: what the engineer entered for the pile stays.
    UpdateCommonMax();
}
