// The fixed structures of a pile file: the 459-byte header image every record
// keeps (its first 309 bytes are the instrument's short header), the 432-byte
// parameter block of the newer instruments, the "AD" blow record, and the
// format-code and record-type rules.
#pragma once

#include "platform/ByteCursor.h"

#include <QString>
#include <array>
#include <cstdint>
#include <cstring>

namespace pit {

// Byte arrays with typed access at a named offset. Unknown bytes are carried.
template <size_t N> struct FixedImage {
    std::array<uint8_t, N> bytes{};

    static constexpr size_t size() { return N; }
    void Clear() { bytes.fill(0); }
    uint8_t* data() { return bytes.data(); }
    const uint8_t* data() const { return bytes.data(); }

    template <typename T> T get(size_t off) const {
        static_assert(std::is_trivially_copyable_v<T>);
        T v;
        std::memcpy(&v, bytes.data() + off, sizeof(T));
        return v;
    }
    template <typename T> void set(size_t off, T v) { std::memcpy(bytes.data() + off, &v, sizeof(T)); }
    int32_t i32(size_t off) const { return get<int32_t>(off); }
    float f32(size_t off) const { return get<float>(off); }
    void setI32(size_t off, int32_t v) { set(off, v); }
    void setF32(size_t off, float v) { set(off, v); }
    void zero(size_t off, size_t n) { std::memset(bytes.data() + off, 0, n); }

    // 8-bit text in the system code page, up to the first NUL of the field.
    QString text(size_t off, size_t n) const;
    // Zeroes the field and writes at most maxBytes bytes of the text, cut at a
    // character boundary.
    void setText(size_t off, size_t n, const QString& text, size_t maxBytes);
    // UTF-16LE text up to the first NUL character of the field.
    QString utf16(size_t off, size_t n) const;
    // Zeroes the field and writes at most maxChars characters.
    void setUtf16(size_t off, size_t n, const QString& text, size_t maxChars);
};

// Offsets of the header image (and of the short header, which is its prefix).
namespace hdr {
constexpr size_t kIdText = 0;           // 9 bytes, short header only
constexpr size_t kPileLength = 9;       // f32 m
constexpr size_t kDiameter = 13;        // i32 mm
constexpr size_t kWaveSpeed = 17;       // i32 m/s
constexpr size_t kHighPass = 21;        // i32 Hz
constexpr size_t kLowPass = 25;         // i32 Hz
constexpr size_t kFormFlag = 29;        // i32
constexpr size_t kSensorKind = 33;      // i32, 0 acceleration
constexpr size_t kExpGain = 37;         // i32
constexpr size_t kCarried = 41;         // 4 x i32
constexpr size_t kSampleInterval = 57;  // f32 us
constexpr size_t kScale = 61;           // f32
constexpr size_t kChannelCount = 65;    // i32
constexpr size_t kSamples = 69;         // i32
constexpr size_t kIdText2Short = 73;    // 9 bytes
constexpr size_t kTestTime = 82;        // i32 UTC seconds
constexpr size_t kCarried2 = 86;        // i32
constexpr size_t kToeDepth = 90;        // f32 m
constexpr size_t kPileNoShort = 94;     // 9 bytes
constexpr size_t kBlowSelect = 103;     // u8
constexpr size_t kBlowBytes = 104;      // 15 bytes
constexpr size_t kSensorDistance = 119; // i32 mm
constexpr size_t kShape = 125;          // i32
constexpr size_t kSecondSide = 129;     // i32 mm
constexpr size_t kGradeNumber = 133;    // i32 15..105
constexpr size_t kText4 = 137;          // 50 bytes
constexpr size_t kText5 = 187;
constexpr size_t kText6 = 237;
constexpr size_t kClass = 287;     // 10 bytes
constexpr size_t kSpareF = 297;    // f32
constexpr size_t kEnlarged = 301;  // f32 mm
constexpr size_t kEnlarged2 = 305; // f32 mm
constexpr size_t kProject = 309;   // 50 bytes
constexpr size_t kIdText2 = 359;   // 50 bytes
constexpr size_t kPileNo = 409;    // 50 bytes
constexpr size_t kShortMax = 309;
constexpr size_t kSize = 459;
constexpr size_t kShortText = 9;
constexpr size_t kLongText = 50;
constexpr size_t kClassText = 10;
} // namespace hdr

// Offsets inside the parameter block.
namespace blk {
constexpr size_t kProject = 0; // UTF-16 50 bytes
constexpr size_t kPileLength = 50;
constexpr size_t kDiameter = 54;
constexpr size_t kTenInts = 58; // header 17..56
constexpr size_t kSampleInterval = 98;
constexpr size_t kScale = 102;
constexpr size_t kChannelCount = 106;
constexpr size_t kSamples = 110;
constexpr size_t kIdText2 = 114; // UTF-16 50 bytes
constexpr size_t kTestTime = 164;
constexpr size_t kCarried2 = 168;
constexpr size_t kToeDepth = 172;
constexpr size_t kPileNo = 176; // UTF-16 (type 5: maybe 8-bit) 50 bytes
constexpr size_t kBlowSelect = 226;
constexpr size_t kBlowBytes = 227;
constexpr size_t kSensorDistance = 242;
constexpr size_t kExtFlag = 246;
constexpr size_t kExtSpare = 247;
constexpr size_t kShape = 248;
constexpr size_t kSecondSide = 252;
constexpr size_t kGradeNumber = 256;
constexpr size_t kText4 = 260; // UTF-16 (type 5: 8-bit) 50 bytes
constexpr size_t kText5 = 310;
constexpr size_t kText6 = 360;
constexpr size_t kClass = 410; // UTF-16 10 bytes
constexpr size_t kZeroF = 420;
constexpr size_t kEnlarged = 424;
constexpr size_t kEnlarged2 = 428;
constexpr size_t kSize = 432;
} // namespace blk

// Offsets of the file header.
namespace filehdr {
constexpr size_t kMagic = 0; // 10 bytes
constexpr size_t kCode = 10;
constexpr size_t kParamOffset = 14;  // P
constexpr size_t kSampleOffset = 18; // W
constexpr size_t kTrailOffset = 22;  // A
constexpr size_t kGuard = 26;
constexpr size_t kSize = 50;
constexpr int32_t kGuardRefused = 1024;
constexpr size_t kExtensionSize = 14;
constexpr size_t kTailSize = 16;
} // namespace filehdr

struct PileHeaderRaw : FixedImage<hdr::kSize> {
    float PileLength() const { return f32(hdr::kPileLength); }
    int32_t Diameter() const { return i32(hdr::kDiameter); }
    int32_t WaveSpeed() const { return i32(hdr::kWaveSpeed); }
    int32_t HighPass() const { return i32(hdr::kHighPass); }
    int32_t LowPass() const { return i32(hdr::kLowPass); }
    int32_t FormFlag() const { return i32(hdr::kFormFlag); }
    int32_t SensorKind() const { return i32(hdr::kSensorKind); }
    int32_t ExpGain() const { return i32(hdr::kExpGain); }
    float SampleInterval() const { return f32(hdr::kSampleInterval); }
    float Scale() const { return f32(hdr::kScale); }
    int32_t ChannelCount() const { return i32(hdr::kChannelCount); }
    int32_t Samples() const { return i32(hdr::kSamples); }
    int32_t TestTime() const { return i32(hdr::kTestTime); }
    float ToeDepth() const { return f32(hdr::kToeDepth); }
    uint8_t BlowSelect() const { return bytes[hdr::kBlowSelect]; }
    int32_t SensorDistance() const { return i32(hdr::kSensorDistance); }
    int32_t Shape() const { return i32(hdr::kShape); }
    int32_t SecondSide() const { return i32(hdr::kSecondSide); }
    int32_t GradeNumber() const { return i32(hdr::kGradeNumber); }
    float Enlarged() const { return f32(hdr::kEnlarged); }
    float Enlarged2() const { return f32(hdr::kEnlarged2); }
};

struct PileParamBlock : FixedImage<blk::kSize> {
    int32_t ChannelCount() const { return i32(blk::kChannelCount); }
    int32_t Samples() const { return i32(blk::kSamples); }
};

// One "AD" block of a blow file.
struct AdRecord {
    int32_t blowNumber = -1; // 1-based; 0 marks the averaged wave
    std::array<uint8_t, 15> blowBytes{};
    int32_t sampleOffset = 0;
    std::array<uint8_t, 36> params{}; // nine 4-byte channel parameters
    uint8_t last = 0;
    std::array<float, 1024> samples{};

    AdRecord() { blowBytes.fill(16); }
    float Param(int i) const {
        float v;
        std::memcpy(&v, params.data() + 4 * i, 4);
        return v;
    }
    int32_t ParamInt(int i) const {
        int32_t v;
        std::memcpy(&v, params.data() + 4 * i, 4);
        return v;
    }
    // Reads the block at the reader's position; a block without the "AD" tag
    // keeps the defaults. The samples must lie inside the file.
    static void Read(ByteReader& in, AdRecord& out);
};

enum class RecordType : int32_t { T0 = 0, T1, T2, T3, T4, T5, T6 };

bool IsBaseTypeCode(int32_t code);
bool IsExtTypeCode(int32_t code);
bool IsKnownTypeCode(int32_t code);
// magic: the 10 bytes at the start of the file; L: W - P (negative counts as
// longer than every bound).
int DetectRecordType(const uint8_t* magic10, int32_t code, int64_t blockLength);
QByteArray MagicText(const uint8_t* magic10);
int RecordTypeToFormatCode(int type);
int RecordTypeToHeaderLength(int type);

constexpr int32_t kAnalysisCode = 1042;
constexpr int32_t kCopyCode = 1048;
constexpr int kMaxBlows = 15;
constexpr int kMaxSamples = 65536;
// Sample intervals (µs) a pile file may hold. The KEV instruments store
// whole microseconds in 16 bits, so 1 to 32767; the samples' time, up to
// 65536 x 32767 µs, then still fits a 32-bit count of microseconds.
constexpr float kMinSampleInterval = 1.0f;
constexpr float kMaxSampleInterval = 32767.0f;

// Whether a stored interval is one of those (NaN is not). Every time, depth,
// filter and ruler is drawn from it, so every reader of a pile, its header or
// a saved channel record, refuses the pile for any other.
inline bool IsSampleIntervalValid(float dt) {
    return dt >= kMinSampleInterval && dt <= kMaxSampleInterval;
}
// FileError(InvalidFile) naming the file and the interval, in both languages,
// when dt is not one of them.
void CheckSampleInterval(float dt, const QString& path);

} // namespace pit
