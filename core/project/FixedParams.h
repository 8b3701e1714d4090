// Fixed-parameter analysis: which pile parameters are held for the piles of
// a project, and the coupling of length, wave speed and time difference
// (dt = 2 L / c) that keeps them consistent.
#pragma once

#include <QString>
#include <array>

class CPileRecord;
struct CPileParamSet;

namespace pit {

// Index 0 of the settings is the time-difference mode, 1..9 the fix flags.
enum FixIndex : int {
    FixTimeMode = 0,
    FixDiameter = 1,
    FixLength = 2,
    FixScale = 3,
    FixEnlarged = 4,
    FixSpeed = 5,
    FixGrade = 6,
    FixClass = 7,
    FixShape = 8,
    FixTestDate = 9,
};
using FixSettings = std::array<int, 10>;

constexpr int kTimeDifferenceFixed = 0;
constexpr int kTimeDifferenceVarying = 1;

// Same text in both interface languages.
inline QString FixLengthSpeedConflictMessage() {
    return QStringLiteral("固定时间差时，桩长与波速只能固定其中一个！");
}

// True when ticking box index would fix both length and speed while the
// time difference is fixed. Unticking is always allowed, so a pile left
// with both ticked can be put right.
bool FixClickConflicts(const FixSettings& settings, int index, bool ticking);

struct FixApplyResult {
    bool speedChanged = false;
    bool lengthChanged = false;
};

// The record's fixed-quantity byte (0 speed fixed, 1 length fixed), the
// changed flags, the fixed values into the record, and anyFixed set when any
// fix flag is set (never cleared here).
FixApplyResult ApplyFixedParams(CPileRecord& record, const FixSettings& settings, CPileParamSet& values,
                                bool& anyFixed);

struct LengthSpeed {
    float length = 0; // m
    int speed = 0;    // m/s
};

// Keeps the time difference 2 L / c of (length, speed): the new speed is
// clamped to 1..10000 m/s and the length follows (at least 0.1 m). Without
// a time difference (length or speed not positive) the length stays.
LengthSpeed CoupleFromSpeed(LengthSpeed old, int newSpeed);
// The same with the length clamped to 0.1..1000 m; the speed follows, rounded
// to the nearest m/s, at least 1.
LengthSpeed CoupleFromLength(LengthSpeed old, float newLength);

// Length and speed to the pile and every channel of it (toe markers follow).
void SetRecordLengthSpeed(CPileRecord& record, LengthSpeed v);

// After the fixed values went into the record: in fixed time-difference mode
// the quantity that is not fixed follows the fixed one (the record's
// fixed-quantity byte: 0 the speed is fixed, 1 the length); in varying mode
// the values stay as set. previous is the pile's length and speed before.
LengthSpeed RecoupleFixedRecord(const CPileRecord& record, int timeMode, LengthSpeed previous);

// The length edit rounds as soon as more decimals are typed than shown:
// true when text holds a '.' followed by more than decimals characters.
bool LengthTextNeedsRounding(const QString& text, int decimals);
// The value rounded half up to decimals (1..6) and formatted with them.
QString RoundedLengthText(float value, int decimals);

} // namespace pit
