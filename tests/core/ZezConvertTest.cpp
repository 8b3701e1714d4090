#include "core/project/ZezConvert.h"
#include "platform/TimeUtil.h"
#include "tests/support/TestSupport.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::DuxBuilder;

namespace {

// 2024-03-15 17:30:00 UTC: 2024-03-16 01:30:00 in China.
constexpr int32_t kTestTime = 1710523800;

// Channel 0: flat, a ramp from 0 to 0.01 over samples 100..110, flat again.
std::vector<float> rampChannel(float height = 0.01f) {
    std::vector<float> x(1024, 0.0f);
    for (int i = 100; i < 1024; ++i)
        x[size_t(i)] = i <= 110 ? height * 0.1f * float(i - 100) : height;
    return x;
}

// A record-type-2 pile (short header with blow bytes). Its pile number is
// the file title, which the reader puts into the short pile-number field.
DuxBuilder pileFixture(int channels = 2) {
    std::vector<float> all;
    for (int c = 0; c < channels; ++c) {
        const std::vector<float> x = c == 0 ? rampChannel() : std::vector<float>(1024, 0.0f);
        all.insert(all.end(), x.begin(), x.end());
    }
    return DuxBuilder::shortHeader(219)
        .channels(channels, 1024)
        .samples(all)
        .pile(12.5f, 800, 3800)
        .sampleInterval(25)
        .scale(2.5f)
        .testTime(kTestTime)
        .toeDepth(1.5f)
        .blowSelect(1, {3, 2})
        .rawAt(0, QByteArray("ABC.PIF", 8))
        .i32At(25, 2000) // low-pass
        .i32At(37, 3);   // exponential gain
}

class ZezFolder : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString target() const { return tmp.filePath(QStringLiteral("out.a")); }
    QString pile(const QString& name, const DuxBuilder& b = pileFixture()) {
        return b.writeTo(tmp.path(), name);
    }
    ZezResult run(std::vector<QString> files, ZezMode mode, ZezStart start = ZezStart::Rise,
                  const ZezProgress& progress = {}) {
        ZezParams p;
        p.files = std::move(files);
        p.mode = mode;
        p.start = start;
        p.defaultName = QStringLiteral("Folder");
        p.target = target();
        return ConvertPilesToZez(p, progress);
    }
};

} // namespace

TEST_F(ZezFolder, RecordByteMap) {
    const ZezResult r = run({pile(QStringLiteral("12+3.DUX"))}, ZezMode::Separate);
    ASSERT_TRUE(r.written);
    const QByteArray d = pit::test::readFileBytes(target());
    ASSERT_EQ(d.size(), 2500) << "channel 2 holds no data";

    EXPECT_EQ(d.mid(0, 8), QByteArray("ABC.PIF "));
    EXPECT_EQ(d.mid(8, 8), QByteArray("12      "));
    EXPECT_EQ(d.mid(16, 8), QByteArray("800     "));
    EXPECT_EQ(d.mid(24, 8), QByteArray(8, ' '));
    EXPECT_EQ(d.mid(32, 8), QByteArray("20240316")) << "China Standard Time, not local time plus 8 hours";
    EXPECT_EQ(pit::test::valueAt<float>(d, 40), 12.5f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 44), 3.8f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 48), 40000.0f);
    EXPECT_EQ(pit::test::valueAt<int16_t>(d, 2100), 1);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2102), 1.0f);
    EXPECT_EQ(d.mid(2106, 4), QByteArray("\x1F\x85\xEB\x38", 4));
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, 2110), 100) << "the rise of the ramp";
    EXPECT_EQ(d.mid(2114, 20), QByteArray(20, ' '));
    EXPECT_EQ(d.mid(2134, 20), QByteArray("ABC").leftJustified(20, ' '));
    EXPECT_EQ(d.mid(2154, 20), QByteArray("12").leftJustified(20, ' '));
    EXPECT_EQ(d.mid(2174, 20), QByteArray("800").leftJustified(20, ' '));
    EXPECT_EQ(d.mid(2194, 20), QByteArray(20, ' '));
    EXPECT_EQ(d.mid(2214, 8), QByteArray("01:30:00"));
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, 2222), 3) << "blow-count byte of channel 1";
    EXPECT_FLOAT_EQ(pit::test::valueAt<float>(d, 2226), 400.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2230), 1.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2234), 1.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2238), 3.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2242), 1.5f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2246), 20.0f); // 10^6 / (2000 x 25)
    EXPECT_EQ(d.mid(2250, 2464 - 2250), QByteArray(2464 - 2250, '\0'));
    EXPECT_EQ(pit::test::valueAt<float>(d, 2464), 125.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2468), 38000.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2472), 3.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2476), 1.5f);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2480), 20.0f);
    EXPECT_EQ(d.mid(2484, 8), QByteArray(8, '\0'));
    EXPECT_EQ(pit::test::valueAt<uint16_t>(d, 2492), 32);
    EXPECT_EQ(pit::test::valueAt<uint16_t>(d, 2494), 0);
    EXPECT_EQ(pit::test::valueAt<float>(d, 2496), 1.0f);

    // Differentiated: 0.001 per 25 us is 40; x 2.5 x 32767 / 49033.25 gives 66.8.
    for (int i = 0; i < 1024; ++i) {
        const int expected = (i >= 100 && i < 110) ? 66 : 0;
        ASSERT_EQ(pit::test::valueAt<int16_t>(d, 52 + 2 * i), expected) << "sample " << i;
    }

    ASSERT_TRUE(run({pile(QStringLiteral("12+3.DUX"))}, ZezMode::Separate, ZezStart::Peak).written);
    EXPECT_EQ(pit::test::valueAt<int32_t>(pit::test::readFileBytes(target()), 2110), 110);
}

TEST_F(ZezFolder, NamesAndTimesFallBack) {
    // No pile number in the short field, no text at 0, no valid test time.
    const QString path =
        pile(QStringLiteral("X.DUX"),
             pileFixture().rawAt(0, QByteArray(9, '\0')).rawAt(94, QByteArray(9, '\0')).testTime(-5));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(kTestTime + 3600, Qt::UTC),
                                  QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(run({path}, ZezMode::Separate).written);
    const QByteArray d = pit::test::readFileBytes(target());
    EXPECT_EQ(d.mid(0, 8), QByteArray(8, ' '));
    EXPECT_EQ(d.mid(8, 8), QByteArray("X       ")) << "the reader's file title";
    EXPECT_EQ(d.mid(2134, 20), QByteArray("Folder").leftJustified(20, ' '));
    EXPECT_EQ(d.mid(32, 8), QByteArray("20240316"));
    EXPECT_EQ(d.mid(2214, 8), QByteArray("02:30:00"));

    PileHeaderRaw raw;
    raw.setText(hdr::kPileNo, hdr::kLongText, QStringLiteral("ABCDEFGHIJK+1"), 48);
    EXPECT_EQ(ZezPileName(raw), QByteArray("ABCDEFGH")) << "a '+' past the ninth character does not cut";
    raw.setText(hdr::kPileNoShort, hdr::kShortText, QStringLiteral("桩1+2"), 8);
    EXPECT_EQ(ZezPileName(raw), QByteArray("\xD7\xAE"
                                           "1"));
}

TEST_F(ZezFolder, GroupsFilesOfOnePileByPlus) {
    const std::vector<QString> files = {pile(QStringLiteral("ZK3+1.DUX"), pileFixture(3)),
                                        pile(QStringLiteral("ZK4.DUX")), pile(QStringLiteral("ZK3+2.DUX"))};
    ZezResult r = run(files, ZezMode::Separate);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.converted, (QStringList{"ZK3+1.DUX", "ZK3+2.DUX", "ZK4.DUX"}));
    QByteArray d = pit::test::readFileBytes(target());
    ASSERT_EQ(d.size(), 3 * 2500);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(pit::test::valueAt<int16_t>(d, 2500 * k + 2100), k + 1) << "numbers run over the whole file";

    r = run(files, ZezMode::Averaged);
    ASSERT_TRUE(r.written);
    d = pit::test::readFileBytes(target());
    ASSERT_EQ(d.size(), 2 * 2500) << "one record per pile";
    EXPECT_EQ(pit::test::valueAt<int16_t>(d, 2100), 1);
    EXPECT_EQ(pit::test::valueAt<int16_t>(d, 2500 + 2100), 1);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, 2222), 6) << "blow bytes 3 + 3 of the two files' first channels";

    EXPECT_EQ(ZezGroupKey(QStringLiteral("12+3.DUX")), QStringLiteral("12"));
    EXPECT_EQ(ZezGroupKey(QStringLiteral("12.DUX")), QStringLiteral("12.DUX"));
}

TEST_F(ZezFolder, ListsEveryFileLeftOut) {
    std::vector<QString> files;
    for (int k = 1; k <= 10; ++k)
        files.push_back(pile(QStringLiteral("A+%1.DUX").arg(k)));
    files.push_back(pile(QStringLiteral("V.DUX"), pileFixture().sensor(1, 0)));
    files.push_back(pile(QStringLiteral("E.DUX"), pileFixture(1).samples(std::vector<float>(1024, 0.0f))));
    QFile bad(tmp.filePath(QStringLiteral("BAD.DUX")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a pile");
    bad.close();
    files.push_back(bad.fileName());

    const ZezResult r = run(files, ZezMode::Averaged);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.records, 1);
    EXPECT_EQ(r.overLimit, QStringList{"A+10.DUX"});
    EXPECT_EQ(r.velocity, QStringList{"V.DUX"});
    EXPECT_EQ(r.noData, QStringList{"E.DUX"});
    EXPECT_EQ(r.failed, QStringList{"BAD.DUX"});
    const QString text = ZezSummaryText(r, false);
    EXPECT_TRUE(text.startsWith(QStringLiteral("以下文件为速度计采集,不符号转换条件：\r\nV.DUX .")));
    for (const char* name : {"A+10.DUX", "E.DUX", "BAD.DUX"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(text.endsWith(QStringLiteral("写入 1 条记录（9 个文件），跳过 3 个文件，失败 1 个文件。")))
        << qPrintable(text);
}

TEST_F(ZezFolder, CancelWritesNothing) {
    std::vector<QString> files = {pile(QStringLiteral("P1.DUX")), pile(QStringLiteral("P2.DUX"))};
    int calls = 0;
    const ZezResult r = run(files, ZezMode::Separate, ZezStart::Rise, [&](int done, int total) {
        EXPECT_EQ(total, 2);
        return ++calls < 2;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.written);
    EXPECT_FALSE(QFileInfo::exists(target()));

    const ZezResult none = run({}, ZezMode::Separate);
    EXPECT_FALSE(none.written) << "no records, no file";
}

TEST(ZezSamples, ScalingAlwaysEndsAndSaturates) {
    const float f = float(2.5 * 32767.0 / 49033.25);
    struct Case {
        const char* name;
        std::vector<float> x;
        int polarity;
        float scale;
        std::vector<int16_t> expected;
    } cases[] = {
        {"all zero", {0, 0, 0}, 1, 2.5f, {0, 0, 0}},
        {"zero scale", {1, -2, 3}, 1, 0.0f, {0, 0, 0}},
        {"NaN scale", {1, -2, 3}, 1, NAN, {0, 0, 0}},
        {"plain", {10, -20, 30}, 1, 2.5f, {int16_t(f * 10), int16_t(f * -20), int16_t(f * 30)}},
        {"inverted", {10, -20}, -1, 2.5f, {int16_t(-f * 10), int16_t(f * 20)}},
        {"small raised",
         {0.004f, -0.002f},
         1,
         2.5f,
         {int16_t(f * 1000 * 0.004f), int16_t(f * 1000 * -0.002f)}},
        {"saturated", {1e5f, -1e5f, 100}, 1, 2.5f, {32767, -32768, int16_t(f * 100)}},
        {"non-finite sample", {INFINITY, NAN, 1}, 1, 2.5f, {32767, 0, int16_t(f)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaleToInt16(c.x, c.polarity, c.scale), c.expected) << c.name;
}

TEST(ZezSamples, FirstPulseAndDerivative) {
    // A negative pulse: polarity -1, the mean of the first 32 removed.
    std::vector<float> x(1024, 0.5f);
    for (int i = 40; i < 60; ++i)
        x[size_t(i)] = 0.5f - float(i < 50 ? i - 39 : 60 - i);
    int polarity = 0;
    std::vector<float> y = x;
    EXPECT_EQ(FindFirstPulse(y, ZezStart::Peak, polarity), 49);
    EXPECT_EQ(polarity, -1);
    EXPECT_FLOAT_EQ(y[0], 0.0f);

    std::vector<float> flat(1024, 0.0f);
    EXPECT_EQ(FindFirstPulse(flat, ZezStart::Rise, polarity), 1)
        << "a rise search ending at sample 0 gives 1";
    EXPECT_EQ(polarity, 1);

    std::vector<float> d = {0, 1, 3, 6};
    DifferentiateSamples(d, 20);
    EXPECT_EQ(d, (std::vector<float>{50000, 100000, 150000, 150000}));
}

TEST(ZezSources, ListsPileFilesInNaturalOrder) {
    QTemporaryDir tmp;
    for (const char* n : {"P10.DUX", "P2.dux", "P1.Dux", "x.txt", "ADUX"}) {
        QFile f(tmp.filePath(QString::fromLatin1(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(tmp.path()).mkdir(QStringLiteral("D.DUX"));
    EXPECT_EQ(ScanZezSources(tmp.path()), (QStringList{"P1.Dux", "P2.dux", "P10.DUX"}));
}
