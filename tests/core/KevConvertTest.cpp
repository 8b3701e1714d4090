#include "core/project/KevConvert.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/AppContext.h"
#include "platform/FileError.h"
#include "tests/support/KevBuilder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::KevBuilder;

namespace {

void setMTime(const QString& path, const QDateTime& t) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(t, QFileDevice::FileModificationTime));
}

const QDateTime kSourceTime(QDate(2021, 6, 7), QTime(8, 9, 10));

class KevConversion : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx;
    KevInputSettings settings;
    int asked = 0;
    KevDiameterAsker never = [this](int&, KevInputSettings&, const QString&) {
        ++asked;
        return false;
    };

    void SetUp() override { ctx.messages = &sink; }
    QString source(const KevBuilder& k, const QString& name = QStringLiteral("ZK1.KEV"), int cutAt = 0) {
        const QString path = k.writeTo(tmp.path(), name, cutAt);
        setMTime(path, kSourceTime);
        return path;
    }
};

} // namespace

TEST(KevDate, ParsesTheInstrumentDates) {
    struct Case {
        const char* text;
        QDate expected; // invalid: refused
    } cases[] = {
        {"24-03-15", QDate(2024, 3, 15)},
        {"2024-03-15", QDate(2024, 3, 15)},
        {"2024/3/5", QDate(2024, 3, 5)},
        {"99.12.31", QDate(1999, 12, 31)},
        {"29-01-02", QDate(2029, 1, 2)},
        {"30-01-02", QDate(1930, 1, 2)},
        {" 2024.03.15", QDate(2024, 3, 15)},
        {"2024-03/15", QDate()},
        {"2024-13-01", QDate()},
        {"2023-02-29", QDate()},
        {"15/03/2024", QDate()},
        {"", QDate()},
        {"\xB1\xF0", QDate()},
        {"240315", QDate()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseKevDate(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(KevDate, DiameterFieldLimits) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {{"800", true, 800},   {" 1", true, 1},  {"100000", true, 100000}, {"0", false, 0},
                 {"100001", false, 0}, {"-5", false, 0}, {"8x", false, 0},         {"", false, 0}};
    for (const Case& c : cases) {
        int v = -1;
        const FieldError e = ValidateKevDiameter(QString::fromLatin1(c.text), v, false);
        EXPECT_EQ(e.message.isEmpty(), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(v, c.value);
        else
            EXPECT_EQ(e.ctrlId, 1121);
    }
    int v = 0;
    EXPECT_EQ(ValidateKevDiameter(QStringLiteral("0"), v, true).message,
              QStringLiteral("Please enter an integer between 1 and 100000."));
}

TEST_F(KevConversion, WritesARecordTypeZeroPileFile) {
    KevBuilder k;
    const QString src = source(k);
    settings.useForAll = true;
    settings.diameterMm = 650;
    ASSERT_TRUE(CPileRecord::ConvertKevFile(src, ctx, settings, never));
    EXPECT_EQ(asked, 0) << "the use-for-all flag never opens the dialog";
    const QString target = QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX"));
    const QByteArray d = pit::test::readFileBytes(target);
    ASSERT_EQ(d.size(), 509 + 3 * 1024 * 4);

    EXPECT_EQ(d.left(10), QByteArray("VADUZI\0\0\0\0", 10));
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, 10), 3);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, 14), 50);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, 18), 509);
    EXPECT_EQ(d.mid(22, 28), QByteArray(28, '\0'));
    const int H = 50; // header image
    EXPECT_EQ(d.mid(H, 9), QByteArray("ZK-0001A\0", 9));
    EXPECT_EQ(pit::test::valueAt<float>(d, H + 9), 12.5f);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 13), 650);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 17), 3800);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 21), 0);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 25), 2000);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 29), 1);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 33), 0);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 37), 3);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 41), 50);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 45), 500);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 49), 300);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 53), 1);
    EXPECT_EQ(pit::test::valueAt<float>(d, H + 57), 25.0f);
    EXPECT_EQ(pit::test::valueAt<float>(d, H + 61), 2.5f);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 65), 3);
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 69), 1024);
    EXPECT_EQ(d.mid(H + 73, 9), QByteArray(9, '\0'));
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 82),
              QDateTime(QDate(2024, 3, 15), QTime(0, 0)).toSecsSinceEpoch());
    EXPECT_EQ(pit::test::valueAt<int32_t>(d, H + 86), 1);
    EXPECT_EQ(d.mid(H + 90, 459 - 90), QByteArray(459 - 90, '\0'));
    EXPECT_EQ(d.mid(509), k.build().mid(256)) << "samples copied unchanged";
    EXPECT_EQ(QFileInfo(target).lastModified(), kSourceTime);

    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(target));
    EXPECT_EQ(rec.m_nRecordType, 0);
    EXPECT_EQ(rec.m_nChannelCount, 3);
    ASSERT_EQ(rec.ChannelCountInList(), 4) << "three blows and the average";
    EXPECT_EQ(rec.AverageChannel()->SampleCount(), 1024);
    EXPECT_EQ(rec.RawSamples()[1024 + 5], k.sample(1, 5));
    EXPECT_EQ(rec.m_testTime.date(), QDate(2024, 3, 15));
}

TEST_F(KevConversion, TestTimeFallsBackToTheFileTime) {
    struct Case {
        const char* date;
        QDateTime expected;
    } cases[] = {
        {"2023/11/2", QDateTime(QDate(2023, 11, 2), QTime(0, 0))}, // the field holds 9 characters
        {"2023/11/02", kSourceTime},
        {"1970-01-01", kSourceTime},
        {"70-01-01", kSourceTime},
        {"not date", kSourceTime},
        {"", kSourceTime},
    };
    settings.useForAll = true;
    for (const Case& c : cases) {
        KevBuilder k;
        k.dateText = c.date;
        const QString src = source(k);
        sink.answers = {IDOK};
        ASSERT_TRUE(CPileRecord::ConvertKevFile(src, ctx, settings, never)) << c.date;
        const QByteArray d = pit::test::readFileBytes(QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX")));
        EXPECT_EQ(pit::test::valueAt<int32_t>(d, 50 + 82), c.expected.toSecsSinceEpoch()) << c.date;
    }
    // Before 1970 but not on the first of January: negative, so the current time.
    KevBuilder old;
    old.dateText = "1965-5-5";
    ctx.clock = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); };
    sink.answers = {IDOK};
    ASSERT_TRUE(CPileRecord::ConvertKevFile(source(old), ctx, settings, never));
    EXPECT_EQ(pit::test::valueAt<int32_t>(
                  pit::test::readFileBytes(QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX"))), 50 + 82),
              QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)).toSecsSinceEpoch());
}

TEST_F(KevConversion, AsksForTheDiameterUnlessUsedForAll) {
    KevBuilder k;
    k.diameterM = 1.2345f;
    const QString src = source(k);
    int offered = 0;
    QString offeredTarget;
    KevDiameterAsker answer = [&](int& mm, KevInputSettings& s, const QString& target) {
        offered = mm;
        offeredTarget = target;
        mm = 900;
        s.diameterMm = 900;
        s.useForAll = true;
        return true;
    };
    ASSERT_TRUE(CPileRecord::ConvertKevFile(src, ctx, settings, answer));
    EXPECT_EQ(offered, 1234) << "metres to whole millimetres, truncated";
    EXPECT_EQ(offeredTarget, QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX")));
    EXPECT_EQ(pit::test::valueAt<int32_t>(pit::test::readFileBytes(offeredTarget), 50 + 13), 900);

    // The flag now set, the next file is not asked about.
    KevBuilder k2;
    k2.diameterM = 0.5f;
    ASSERT_TRUE(CPileRecord::ConvertKevFile(source(k2, QStringLiteral("ZK2.kev")), ctx, settings, never));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(pit::test::valueAt<int32_t>(
                  pit::test::readFileBytes(QDir(tmp.path()).filePath(QStringLiteral("ZK2.DUX"))), 50 + 13),
              900);

    // A cancelled dialog keeps the file's own diameter.
    KevInputSettings fresh;
    KevBuilder k3;
    k3.diameterM = 0.6f;
    ASSERT_TRUE(CPileRecord::ConvertKevFile(source(k3, QStringLiteral("ZK3.KEV")), ctx, fresh, never));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(pit::test::valueAt<int32_t>(
                  pit::test::readFileBytes(QDir(tmp.path()).filePath(QStringLiteral("ZK3.DUX"))), 50 + 13),
              600);
}

TEST_F(KevConversion, OverwriteOnlyWhenConfirmed) {
    const QString src = source(KevBuilder{});
    const QString target = QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    settings.useForAll = true;
    sink.answers = {IDCANCEL};
    EXPECT_FALSE(CPileRecord::ConvertKevFile(src, ctx, settings, never));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, target + QStringLiteral("已存在，是否覆盖？"));
    EXPECT_EQ(pit::test::readFileBytes(target), QByteArray("old"));

    sink.answers = {IDOK};
    EXPECT_TRUE(CPileRecord::ConvertKevFile(src, ctx, settings, never));
    EXPECT_EQ(pit::test::readFileBytes(target).size(), 509 + 12288);
}

TEST_F(KevConversion, RefusesBadSourcesWithoutOutput) {
    settings.useForAll = true;
    const QString target = QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX"));

    EXPECT_FALSE(CPileRecord::ConvertKevFile(QDir(tmp.path()).filePath(QStringLiteral("none.KEV")), ctx,
                                             settings, never));

    for (int cut : {100, 256, 256 + 12288 - 1}) {
        const QString src = source(KevBuilder{}, QStringLiteral("ZK1.KEV"), cut);
        try {
            CPileRecord::ConvertKevFile(src, ctx, settings, never);
            ADD_FAILURE() << "cut at " << cut;
        } catch (const FileError& e) {
            EXPECT_EQ(e.cause(), FileCause::EndOfFile);
        }
        EXPECT_FALSE(QFileInfo::exists(target)) << "cut at " << cut;
    }
    // An interval no reader takes makes no pile file.
    for (int16_t dt : {0, -25}) {
        KevBuilder k;
        k.sampleInterval = dt;
        try {
            CPileRecord::ConvertKevFile(source(k), ctx, settings, never);
            ADD_FAILURE() << "interval " << dt;
        } catch (const FileError& e) {
            EXPECT_EQ(e.cause(), FileCause::InvalidFile);
            EXPECT_TRUE(e.message(false).contains(QStringLiteral("采样间隔 %1 µs").arg(dt)));
        }
        EXPECT_FALSE(QFileInfo::exists(target)) << "interval " << dt;
    }
}

TEST_F(KevConversion, ConvertsAReadOnlySource) {
    const QString src = source(KevBuilder{});
    ASSERT_TRUE(QFile::setPermissions(src, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    settings.useForAll = true;
    EXPECT_TRUE(CPileRecord::ConvertKevFile(src, ctx, settings, never));
    EXPECT_EQ(QFileInfo(QDir(tmp.path()).filePath(QStringLiteral("ZK1.DUX"))).lastModified(), kSourceTime);
}
