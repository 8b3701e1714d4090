// The channel block of the pile file: a hand-built fixture, byte offsets of
// the writer, the round trip and the refusals of the reader.
#include "core/wave/WaveRecord.h"

#include <gtest/gtest.h>

#include <ostream>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Builds a channel block byte by byte, independent of CWaveRecord::Write.
struct BlockBuilder {
    int32_t n = 1024, hp = 20, lp = 1500, wavelet = 0, gain = 3, form = 0, shape = 1;
    int32_t toe1 = 0, ref1 = 0, cAbove = 3800, c = 4000;
    float distance = 0.25f, length = 12.5f;
    int32_t head = 40, ref = 42, toe = 340;
    float dt = 20.0f;
    int32_t gainStart = 60;
    float zoom = 1.25f;
    std::vector<DefectMark> marks;
    int32_t markCountOverride = INT32_MIN; // INT32_MIN: the real count
    std::vector<float> samples;            // empty: n samples of a ramp

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> b;
        auto put = [&b](const void* p, size_t k) {
            const auto* c8 = static_cast<const uint8_t*>(p);
            b.insert(b.end(), c8, c8 + k);
        };
        auto i32 = [&put](int32_t v) { put(&v, 4); };
        auto f32 = [&put](float v) { put(&v, 4); };
        i32(n);
        i32(hp);
        i32(lp);
        i32(wavelet);
        i32(gain);
        i32(form);
        i32(shape);
        i32(toe1);
        i32(ref1);
        i32(cAbove);
        i32(c);
        f32(distance);
        f32(length);
        i32(head);
        i32(ref);
        i32(toe);
        f32(dt);
        i32(gainStart);
        f32(zoom);
        i32(markCountOverride != INT32_MIN ? markCountOverride : int32_t(marks.size()));
        for (const auto& m : marks) {
            i32(m.index);
            i32(m.type);
            i32(m.severity);
            i32(m.extra);
        }
        if (samples.empty()) {
            for (int i = 0; i < n; ++i)
                f32(float(i) * 0.5f - 7.0f);
        } else {
            for (float v : samples)
                f32(v);
        }
        return b;
    }
};

int32_t I32At(const QByteArray& b, int off) {
    int32_t v;
    std::memcpy(&v, b.constData() + off, 4);
    return v;
}
float F32At(const QByteArray& b, int off) {
    float v;
    std::memcpy(&v, b.constData() + off, 4);
    return v;
}

bool ReadBlock(CWaveRecord& w, const std::vector<uint8_t>& bytes, size_t* endPos = nullptr) {
    pit::ByteReader in(std::span<const uint8_t>(bytes.data(), bytes.size()));
    const bool ok = w.Read(in);
    if (endPos)
        *endPos = in.pos();
    return ok;
}

} // namespace

TEST(WaveBlock, ReadsHandFixtureFieldByField) {
    BlockBuilder f;
    f.marks = {{100, 2, 1, 7}, {200, 5, 0, 0}};
    CWaveRecord w;
    size_t end = 0;
    ASSERT_TRUE(ReadBlock(w, f.bytes(), &end));
    EXPECT_EQ(end, size_t(80 + 2 * 16 + 1024 * 4));
    EXPECT_EQ(w.readOk, 1);
    EXPECT_EQ(w.SampleCount(), 1024);
    EXPECT_EQ(w.highPassHz, 20);
    EXPECT_EQ(w.lowPassHz, 1500);
    EXPECT_EQ(w.expGain, 3);
    EXPECT_EQ(w.bottomShape, 1);
    EXPECT_EQ(w.speedAbove, 3800);
    EXPECT_EQ(w.speed, 4000);
    EXPECT_FLOAT_EQ(w.sensorDistance, 0.25f);
    EXPECT_FLOAT_EQ(w.pileLength, 12.5f);
    EXPECT_EQ(w.headIndex, 40);
    EXPECT_EQ(w.refIndex, 42);  // the second copy wins
    EXPECT_EQ(w.toeIndex, 340); // the second copy wins
    EXPECT_FLOAT_EQ(w.sampleInterval, 20.0f);
    EXPECT_EQ(w.expStart, 60);
    EXPECT_FLOAT_EQ(w.zoom, 1.25f);
    ASSERT_EQ(w.GetDefectMarks().size(), 2u);
    EXPECT_EQ(w.GetDefectMarks()[0], (DefectMark{100, 2, 1, 7}));
    EXPECT_EQ(w.GetDefectMarks()[1], (DefectMark{200, 5, 0, 0}));
    EXPECT_FLOAT_EQ(w.Source()[0], -7.0f);
    EXPECT_FLOAT_EQ(w.Source()[1023], 1023 * 0.5f - 7.0f);
    // Refreshed: the display carries the gain from the toe on.
    EXPECT_FLOAT_EQ(w.Display()[500], 3.0f * w.Source()[500]);
}

TEST(WaveBlock, ReadsN512WithItsMarksAndSamples) {
    BlockBuilder f;
    f.n = 512;
    f.toe = 300;
    f.marks = {{150, 1, 2, 0}};
    const auto bytes = f.bytes();
    CWaveRecord w;
    size_t end = 0;
    ASSERT_TRUE(ReadBlock(w, bytes, &end));
    EXPECT_EQ(end, bytes.size());
    EXPECT_EQ(w.SampleCount(), 512);
    ASSERT_EQ(w.Source().size(), 512u);
    ASSERT_EQ(w.Display().size(), 512u);
    ASSERT_EQ(w.GetDefectMarks().size(), 1u);
    EXPECT_EQ(w.GetDefectMarks()[0].index, 150);
    for (int i = 0; i < 512; ++i)
        ASSERT_FLOAT_EQ(w.Source()[size_t(i)], float(i) * 0.5f - 7.0f) << i;
}

TEST(WaveBlock, ReadsTwoBlocksBackToBack) {
    BlockBuilder a, b;
    a.n = 256;
    a.toe = 200;
    b.n = 2048;
    b.head = 7;
    auto bytes = a.bytes();
    const auto second = b.bytes();
    bytes.insert(bytes.end(), second.begin(), second.end());
    pit::ByteReader in(std::span<const uint8_t>(bytes.data(), bytes.size()));
    CWaveRecord w1, w2;
    ASSERT_TRUE(w1.Read(in));
    ASSERT_TRUE(w2.Read(in));
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(w1.SampleCount(), 256);
    EXPECT_EQ(w2.SampleCount(), 2048);
    EXPECT_EQ(w2.headIndex, 7);
}

struct ClampCase {
    const char* name;
    int32_t storedToe;
    int32_t storedHead;
    int32_t storedRef;
    int32_t storedStart;
    int32_t storedShape;
    int32_t toe, head, ref, start, shape;
};

// Case names in test listings instead of bytes.
void PrintTo(const ClampCase& c, std::ostream* os) {
    *os << c.name;
}

class WaveBlockClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(WaveBlockClamp, MarkersComeBackInRange) {
    const ClampCase& c = GetParam();
    BlockBuilder f;
    f.toe = c.storedToe;
    f.toe1 = c.storedToe;
    f.head = c.storedHead;
    f.ref = c.storedRef;
    f.gainStart = c.storedStart;
    f.shape = c.storedShape;
    CWaveRecord w;
    ASSERT_TRUE(ReadBlock(w, f.bytes()));
    EXPECT_EQ(w.toeIndex, c.toe);
    EXPECT_EQ(w.headIndex, c.head);
    EXPECT_EQ(w.refIndex, c.ref);
    EXPECT_EQ(w.expStart, c.start);
    EXPECT_EQ(w.bottomShape, c.shape);
}

INSTANTIATE_TEST_SUITE_P(Cases, WaveBlockClamp,
                         ::testing::Values(ClampCase{"ToeAtN", 1024, 10, 10, 10, 0, 1023, 10, 10, 10, 0},
                                           ClampCase{"ToeNegative", -5, 10, 10, 10, 2, 1023, 10, 10, 10, 2},
                                           ClampCase{"ShapeSeven", 500, 10, 10, 10, 7, 500, 10, 10, 10, 0},
                                           ClampCase{"HeadAndRefBeyond", 500, 5000, 1024, 99999, 1, 500, 1023,
                                                     1023, 1023, 1},
                                           ClampCase{"Negatives", 500, -3, -1, -8, -1, 500, 0, 0, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefuseCase {
    const char* name;
    int32_t n;
    int32_t markCount;
    int cutBytes; // bytes taken off the end
};

// Case names in test listings instead of bytes.
void PrintTo(const RefuseCase& c, std::ostream* os) {
    *os << c.name;
}

class WaveBlockRefuse : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(WaveBlockRefuse, RefusedReadChangesNothing) {
    const RefuseCase& c = GetParam();
    BlockBuilder f;
    f.n = c.n;
    f.markCountOverride = c.markCount;
    f.samples.assign(size_t(std::max(0, std::min(c.n, 4096))), 1.0f);
    auto bytes = f.bytes();
    bytes.resize(bytes.size() - size_t(c.cutBytes));

    const std::vector<float> before = {5.0f, -2.0f, 3.0f};
    CWaveRecord w;
    w.SetData(before);
    w.headIndex = 1;
    pit::ByteReader in(std::span<const uint8_t>(bytes.data(), bytes.size()));
    EXPECT_FALSE(w.Read(in));
    EXPECT_EQ(in.pos(), 0u);
    EXPECT_EQ(w.readOk, 0);
    EXPECT_EQ(w.SampleCount(), 3);
    EXPECT_EQ(w.Source(), before);
    EXPECT_EQ(w.headIndex, 1);
    EXPECT_EQ(w.highPassHz, 0);
    EXPECT_TRUE(w.GetDefectMarks().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WaveBlockRefuse,
    ::testing::Values(RefuseCase{"ShortBySample", 1024, 0, 1}, RefuseCase{"ShortHeader", 16, 0, 16 * 4 + 10},
                      RefuseCase{"ZeroSamples", 0, 0, 0}, RefuseCase{"NegativeSamples", -4, 0, 0},
                      RefuseCase{"TooManySamples", 65537, 0, 0},
                      RefuseCase{"HugeMarkCount", 64, INT32_MAX, 0}, RefuseCase{"NegativeMarks", 64, -1, 0},
                      RefuseCase{"MarksBeyondBlock", 64, 4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WaveBlock, WriterPutsFieldsAtTheirOffsets) {
    CWaveRecord w;
    std::vector<float> s(600);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = std::sin(0.05f * float(i));
    w.SetData(s);
    w.highPassHz = 11;
    w.lowPassHz = 2222;
    w.waveletHz = 33;
    w.expGain = 4;
    w.dataForm = 1;
    w.bottomShape = 2;
    w.toeIndex = 450;
    w.refIndex = 55;
    w.speedAbove = 3700;
    w.speed = 3900;
    w.sensorDistance = 0.3f;
    w.pileLength = 9.75f;
    w.headIndex = 50;
    w.sampleInterval = 25.0f;
    w.expStart = 70;
    w.zoom = 2.0f;
    w.DefectMarks() = {{120, 3, 2, 1}};

    pit::ByteWriter out;
    w.Write(out);
    const QByteArray& b = out.data();
    ASSERT_EQ(b.size(), 80 + 16 + 600 * 4);
    EXPECT_EQ(w.BlockSize(), b.size());
    EXPECT_EQ(I32At(b, 0), 600);
    EXPECT_EQ(I32At(b, 4), 11);
    EXPECT_EQ(I32At(b, 8), 2222);
    EXPECT_EQ(I32At(b, 12), 33);
    EXPECT_EQ(I32At(b, 16), 4);
    EXPECT_EQ(I32At(b, 20), 1);
    EXPECT_EQ(I32At(b, 24), 2);
    EXPECT_EQ(I32At(b, 28), 450);
    EXPECT_EQ(I32At(b, 32), 55);
    EXPECT_EQ(I32At(b, 36), 3700);
    EXPECT_EQ(I32At(b, 40), 3900);
    EXPECT_FLOAT_EQ(F32At(b, 44), 0.3f);
    EXPECT_FLOAT_EQ(F32At(b, 48), 9.75f);
    EXPECT_EQ(I32At(b, 52), 50);
    EXPECT_EQ(I32At(b, 56), 55);
    EXPECT_EQ(I32At(b, 60), 450);
    EXPECT_FLOAT_EQ(F32At(b, 64), 25.0f);
    EXPECT_EQ(I32At(b, 68), 70);
    EXPECT_FLOAT_EQ(F32At(b, 72), 2.0f);
    EXPECT_EQ(I32At(b, 76), 1);
    EXPECT_EQ(I32At(b, 80), 120);
    EXPECT_EQ(I32At(b, 84), 3);
    EXPECT_EQ(I32At(b, 88), 2);
    EXPECT_EQ(I32At(b, 92), 1);
    EXPECT_FLOAT_EQ(F32At(b, 96), s[0]);
    EXPECT_FLOAT_EQ(F32At(b, 96 + 599 * 4), s[599]);
}

TEST(WaveBlock, RoundTripGivesIdenticalFieldsMarksAndSamples) {
    for (int n : {1024, 512, 1, 3000}) {
        SCOPED_TRACE(n);
        BlockBuilder f;
        f.n = n;
        f.toe = n - 1;
        f.head = std::min(40, n - 1);
        f.ref = std::min(42, n - 1);
        f.gainStart = std::min(60, n - 1);
        f.marks = {{3, 0, 0, 0}, {9, 4, 2, 3}};
        const auto bytes = f.bytes();
        CWaveRecord a;
        ASSERT_TRUE(ReadBlock(a, bytes));
        pit::ByteWriter out;
        a.Write(out);
        const QByteArray& written = out.data();
        ASSERT_EQ(size_t(written.size()), bytes.size());
        // The hand fixture's first toe/ref copies differ from the second; the
        // writer puts the record's values in both places.
        QByteArray expected(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        std::memcpy(expected.data() + 28, expected.constData() + 60, 4);
        std::memcpy(expected.data() + 32, expected.constData() + 56, 4);
        EXPECT_EQ(written, expected);

        CWaveRecord b;
        pit::ByteReader in(written);
        ASSERT_TRUE(b.Read(in));
        EXPECT_EQ(b.Source(), a.Source());
        EXPECT_EQ(b.Display(), a.Display());
        EXPECT_EQ(b.GetDefectMarks(), a.GetDefectMarks());
        EXPECT_EQ(b.headIndex, a.headIndex);
        EXPECT_EQ(b.toeIndex, a.toeIndex);
        EXPECT_EQ(b.refIndex, a.refIndex);
        EXPECT_EQ(b.expStart, a.expStart);
        EXPECT_EQ(b.speed, a.speed);
        EXPECT_EQ(b.speedAbove, a.speedAbove);
        EXPECT_EQ(b.sampleInterval, a.sampleInterval);
        EXPECT_EQ(b.zoom, a.zoom);
    }
}

TEST(WaveBlock, MoreThanFourMarksAreReadAndWrittenBack) {
    // Only marking stops at four; a block that holds more keeps them all.
    BlockBuilder f;
    f.n = 64;
    for (int32_t i = 0; i < 6; ++i)
        f.marks.push_back({10 + i, i % 6, i % 3, i});
    const auto bytes = f.bytes();
    CWaveRecord r;
    size_t end = 0;
    ASSERT_TRUE(ReadBlock(r, bytes, &end));
    EXPECT_EQ(end, bytes.size());
    EXPECT_EQ(r.GetDefectMarks(), f.marks);
    EXPECT_FLOAT_EQ(r.Source()[0], -7.0f); // the samples start after the sixth mark
    pit::ByteWriter out;
    r.Write(out);
    EXPECT_EQ(I32At(out.data(), 76), 6);
    EXPECT_EQ(r.BlockSize(), out.data().size());
    EXPECT_EQ(I32At(out.data(), 80 + 5 * 16), 15);
    CWaveRecord back;
    pit::ByteReader in(out.data());
    ASSERT_TRUE(back.Read(in));
    EXPECT_EQ(back.GetDefectMarks(), f.marks);
}

TEST(WaveBlock, ReadAppendsToExistingMarks) {
    BlockBuilder f;
    f.marks = {{300, 1, 1, 0}};
    CWaveRecord w;
    w.DefectMarks() = {{10, 0, 0, 0}};
    ASSERT_TRUE(ReadBlock(w, f.bytes()));
    ASSERT_EQ(w.GetDefectMarks().size(), 2u);
    EXPECT_EQ(w.GetDefectMarks()[0].index, 10);
    EXPECT_EQ(w.GetDefectMarks()[1].index, 300);
}
