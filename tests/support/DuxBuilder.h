// Assembles pile files byte by byte for the tests, from the layout tables
// alone: it shares no code with the program's writers, so a fault made the
// same way in reader and writer cannot hide.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace pit::test {

struct DuxDefect {
    int32_t index = 0, type = 0, severity = 0, extra = 0;
};

// Sample intervals (µs) no instrument records: every reader refuses a pile
// that holds one. 1 and 32767, the ends of what they store, are read.
inline constexpr std::array<float, 8> kRefusedSampleIntervals{0.0f,
                                                              -20.0f,
                                                              std::numeric_limits<float>::quiet_NaN(),
                                                              std::numeric_limits<float>::infinity(),
                                                              1e-30f,
                                                              1e30f,
                                                              0.99f,
                                                              32768.0f};
inline constexpr std::array<float, 2> kEdgeSampleIntervals{1.0f, 32767.0f};

// One channel record of an analysis block.
struct DuxChannel {
    int32_t n = 1024;
    int32_t highPass = 0, lowPass = 50000, wavelet = 0, expGain = 1, dataForm = 0, bottom = 0;
    int32_t toe = 300, ref = 20, speedAbove = 4000, speed = 4000;
    float sensorDistance = 0, pileLength = 10;
    int32_t head = 20;
    float dt = 20;
    int32_t expStart = 20;
    float zoom = 1;
    std::vector<DuxDefect> defects;
    std::optional<int32_t> markCount; // stored mark count; unset: defects.size()
    std::vector<float> samples;       // n values; empty: zeros
};

// One "AD" block of a blow file.
struct DuxBlow {
    int32_t blow = 1; // 0: the averaged wave
    std::array<uint8_t, 15> blowBytes{};
    float pileLength = 10;
    int32_t speed = 4000;
    int32_t head = 20, toe = 300, defectIndex = 0;
    std::vector<float> samples; // 1024 values; empty: zeros
    bool tagged = true;
};

// The analysis block and tail of a file saved by the program.
struct DuxAnalysis {
    QString pileNo = QStringLiteral("A1"), constructionDate = QStringLiteral("2024-03-01");
    uint8_t fixedParam = 1;
    QString project = QStringLiteral("Bridge"), testDate = QStringLiteral("2024-03-15 09:30:00");
    QString text6, text5;
    float pileLength = 10;
    int32_t waveSpeed = 4000;
    QString className = QStringLiteral("II");
    int32_t gradeIndex = 3, sensorKind = 1;
    float diameter = 800, enlarged = 0;
    std::array<float, 3> pileValues{}; // design top, design tip, measured top elevations
    QString remark, conclusion, idText2, shapeText = QStringLiteral("圆桩");
    int32_t firstSample = 0; // the spare counter
    int32_t samples = 1024;
    std::array<int32_t, 6> analysisValues{}; // spectrum range and marks
    int32_t current = -1; // the head's second int32 points at this channel's record when it is one
    std::array<int32_t, 15> blowFlags{};
    uint8_t state = 1;
    float secondSide = 800, enlarged2 = 0;
    int32_t sensorDistance = 0;
    std::vector<DuxChannel> channels;      // the blows
    std::vector<DuxChannel> averages;      // one or more averaged records
    std::array<int32_t, 3> modes{1, 1, 0}; // view, alignment, calculation
    float scale = 1;
};

class DuxBuilder {
public:
    // An instrument file with the short header of the given length.
    static DuxBuilder shortHeader(int length, const char* magic = "VADUZI", int32_t code = 3);
    // A file with the 432-byte parameter block and `pad` bytes after it.
    static DuxBuilder paramBlock(const char* magic = "RIRADAD", int32_t code = 100, int pad = 96);

    // Values written where the layout keeps them.
    DuxBuilder& channels(int count, int samples);
    DuxBuilder& pile(float length, int32_t diameter, int32_t speed);
    DuxBuilder& sampleInterval(float dt);
    DuxBuilder& testTime(int32_t utcSeconds);
    DuxBuilder& sensor(int32_t kind, int32_t formFlag);
    DuxBuilder& scale(float s);
    DuxBuilder& toeDepth(float m);
    DuxBuilder& blowSelect(uint8_t sel, std::array<uint8_t, 15> bytes = {});
    DuxBuilder& sensorDistance(int32_t mm);
    DuxBuilder& shapeSideGrade(int32_t shape, int32_t side, int32_t grade);
    DuxBuilder& enlarged(float d, float side);
    // Texts: block layouts UTF-16 (texts 4..6 8-bit with RIRADAD), short header 8-bit.
    DuxBuilder& project(const QString& t);
    DuxBuilder& pileNo(const QString& t);
    DuxBuilder& idText2(const QString& t);
    DuxBuilder& texts(const QString& t4, const QString& t5, const QString& t6);
    DuxBuilder& className(const QString& t);
    // Raw bytes in the parameter area (offsets of the area).
    DuxBuilder& rawAt(size_t off, const QByteArray& bytes);
    DuxBuilder& i32At(size_t off, int32_t v);
    DuxBuilder& f32At(size_t off, float v);
    // 14 bytes directly after the block (or anywhere in the pad).
    DuxBuilder& extension(uint8_t flag, int32_t shape, int32_t side, int32_t grade);
    // File header values.
    DuxBuilder& guard(int32_t v);
    DuxBuilder& offsets(int32_t p, int32_t w); // override P and W

    DuxBuilder& samples(std::vector<float> all); // count x N, channel after channel
    DuxBuilder& blowTable(std::vector<DuxBlow> blows, bool tagged = true, std::optional<int32_t> count = {});
    DuxBuilder& analysis(DuxAnalysis a);

    QByteArray build() const;
    // Writes build() to dir/name; returns the path.
    QString writeTo(const QString& dir, const QString& name) const;

    // Byte-level helpers shared by the tests.
    static QByteArray gbk(const QString& t);
    static QByteArray utf16(const QString& t);
    static QByteArray channelRecord(const DuxChannel& c);

    int count = 1, n = 1024;

private:
    QByteArray m_magic;
    int32_t m_code = 3;
    int32_t m_guard = 0;
    bool m_block = false;
    QByteArray m_area; // short header or block plus pad
    std::optional<int32_t> m_p, m_w;
    std::vector<float> m_samples;
    std::optional<std::vector<DuxBlow>> m_blows;
    bool m_tableTagged = true;
    std::optional<int32_t> m_tableCount;
    std::optional<DuxAnalysis> m_analysis;

    void put(size_t off, const void* p, size_t len);
    void text8(size_t off, size_t field, const QString& t);
    void text16(size_t off, size_t field, const QString& t);
};

} // namespace pit::test
