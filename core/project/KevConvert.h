// Converting an older instrument's "*.KEV" file into a pile file "*.DUX"
// (record type 0) beside it, and the values the conversion asks the user for.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>

namespace pit {

// The pile diameter the instrument file does not hold reliably, and whether
// it is to be used for every further file without asking. One instance
// lives for the whole run (KevInputSettings::shared()).
struct KevInputSettings {
    int diameterMm = 0;
    bool useForAll = false;

    static KevInputSettings& shared();
};

// The diameter edit of the conversion parameters dialog.
constexpr int kKevDiameterMin = 1;
constexpr int kKevDiameterMax = 100000;

// A refused dialog field: the control's id and the message.
struct FieldError {
    int ctrlId = 0;
    QString message;
};

// Checks the diameter text as an integer within the limits; on success the
// value goes to out and the error is empty.
FieldError ValidateKevDiameter(const QString& text, int& out, bool english);

// The test date of a KEV file: "YY-MM-DD" or "YYYY-MM-DD" with "-", "/" or "."
// between the fields (two-digit years 00..29 are 20xx, 30..99 19xx). Anything
// else gives an invalid date.
QDate ParseKevDate(const QString& text);

// Asks for the diameter of one file. diameterMm holds the file's own value
// and takes the answer; the settings may be changed (the "use for all" box).
// False when the user cancelled: the file's own diameter is then kept.
using KevDiameterAsker =
    std::function<bool(int& diameterMm, KevInputSettings& settings, const QString& targetPath)>;

// Why ConvertKevFile gave false: the user kept the existing pile file, or
// the conversion failed (the reason in both languages).
struct KevConvertOutcome {
    bool declined = false;
    QString whyZh, whyEn;
};

// The layout of the instrument file.
namespace kev {
constexpr size_t kIdRecord = 18;
constexpr size_t kIdText = kIdRecord + 12;   // 8 bytes
constexpr size_t kDateText = kIdRecord + 26; // 9 bytes
constexpr size_t kDiameter = 64;             // f32 m
constexpr size_t kSensorKind = 76;           // i16
constexpr size_t kScale = 86;                // f32
constexpr size_t kLowPass = 94;              // i16 Hz
constexpr size_t kExpGain = 128;             // i16
constexpr size_t kPileLength = 130;          // f64 m
constexpr size_t kWaveSpeed = 138;           // i16 m/s
constexpr size_t kSampleInterval = 140;      // i16 us
constexpr size_t kSamples = 256;             // 3 x 1024 f32
constexpr int kChannels = 3;
constexpr int kChannelSamples = 1024;
constexpr size_t kSize = kSamples + size_t(kChannels) * kChannelSamples * 4;
} // namespace kev

// The pile file image made from the bytes of a KEV file (at least kev::kSize
// bytes), with the given diameter and test time (UTC seconds).
QByteArray BuildDuxFromKev(const QByteArray& kevBytes, int diameterMm, int32_t testTime);

// The source file's diameter in whole mm (the f32 metres truncated).
int KevDiameterMm(const QByteArray& kevBytes);

// The target of a KEV file: its path with the extension replaced by ".DUX".
QString KevTargetPath(const QString& kevPath);

} // namespace pit
