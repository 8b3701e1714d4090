// Fixed-parameter rules and the length, speed and time-difference coupling.
#include "core/project/FixedParams.h"

#include "core/doc/MathOperation.h"
#include "core/doc/SharedRoutines.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"

#include <algorithm>
#include <cmath>

namespace pit {

bool FixClickConflicts(const FixSettings& s, int index, bool ticking) {
    if (!ticking || s[FixTimeMode] != kTimeDifferenceFixed)
        return false;
    return (index == FixLength && s[FixSpeed]) || (index == FixSpeed && s[FixLength]);
}

FixApplyResult ApplyFixedParams(CPileRecord& record, const FixSettings& s, CPileParamSet& values,
                                bool& anyFixed) {
    FixApplyResult r;
    if (s[FixSpeed]) {
        record.m_bFixedQuantity = 0;
        r.speedChanged = record.m_nWaveSpeed != values.waveSpeed;
    }
    if (s[FixLength]) {
        record.m_bFixedQuantity = 1;
        r.lengthChanged = record.m_fPileLength != values.length;
    }
    std::array<bool, 10> flags{};
    bool any = false;
    for (int i = 1; i < 10; ++i) {
        flags[size_t(i)] = s[size_t(i)] != 0;
        any = any || flags[size_t(i)];
    }
    record.ExchangePileParams(values, flags, true);
    if (any)
        anyFixed = true;
    return r;
}

LengthSpeed CoupleFromSpeed(LengthSpeed old, int newSpeed) {
    const int c = std::clamp(newSpeed, 1, 10000);
    if (old.length <= 0 || old.speed <= 0)
        return {old.length, c};
    const double dt = 2.0 * double(old.length) / double(old.speed);
    return {float(std::max(0.1, double(c) * dt / 2.0)), c};
}

LengthSpeed CoupleFromLength(LengthSpeed old, float newLength) {
    const float L = std::clamp(newLength, 0.1f, 1000.0f);
    if (old.length <= 0 || old.speed <= 0)
        return {L, old.speed};
    const double dt = 2.0 * double(old.length) / double(old.speed);
    // Rounded: 2 L / dt lands a hair below a whole speed as often as above it.
    const double c = std::floor(2.0 * double(L) / dt + 0.5);
    return {L, int(std::max(1.0, c))};
}

void SetRecordLengthSpeed(CPileRecord& record, LengthSpeed v) {
    record.m_fPileLength = v.length;
    record.m_nWaveSpeed = v.speed;
    for (int i = 0; i < record.ChannelCountInList(); ++i)
        if (CWaveRecord* w = record.Channel(i))
            w->SetLengthAndSpeed(v.length, v.speed);
}

LengthSpeed RecoupleFixedRecord(const CPileRecord& record, int timeMode, LengthSpeed previous) {
    const LengthSpeed now{record.m_fPileLength, record.m_nWaveSpeed};
    if (timeMode != kTimeDifferenceFixed)
        return now;
    return record.m_bFixedQuantity == 0 ? CoupleFromSpeed(previous, now.speed)
                                        : CoupleFromLength(previous, now.length);
}

bool LengthTextNeedsRounding(const QString& text, int decimals) {
    const int dot = int(text.indexOf(QLatin1Char('.')));
    return dot >= 0 && int(text.size()) - dot - 1 > decimals;
}

QString RoundedLengthText(float value, int decimals) {
    MathOperation::RoundToDecimals(value, decimals);
    QString text;
    if (!FormatFloat(text, value, decimals, true))
        text = QString::number(double(value));
    return text;
}

} // namespace pit
