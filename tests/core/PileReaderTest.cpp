// Reading pile files of every generation, built byte by byte.
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/FileError.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <set>

using namespace pit;
using pit::test::DuxAnalysis;
using pit::test::DuxBlow;
using pit::test::DuxBuilder;
using pit::test::DuxChannel;

namespace {

std::vector<float> ramp(int count, int n, float scale = 1.0f) {
    std::vector<float> v(size_t(count) * size_t(n));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = scale * float((i % 97) + 1) * (i / size_t(n) + 1);
    return v;
}

class PileRead : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const DuxBuilder& b, const QString& name = QStringLiteral("P7.DUX")) {
        return b.writeTo(dir.path(), name);
    }
    QString writeBytes(const QByteArray& bytes, const QString& name) {
        const QString path = dir.path() + u'/' + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
};

} // namespace

TEST(RecordType, DetectedFromMagicCodeAndBlockLength) {
    struct Case {
        const char* magic;
        int32_t code;
        int64_t length;
        int type;
    } cases[] = {
        {"VADUZI", 3, 90, 0},       {"VADUZI", 3, 91, 1},  {"VADUZI", 3, 103, 1},    {"VADUZI", 3, 104, 2},
        {"VADUZI", 3, 219, 2},      {"VADUZI", 4, 219, 3}, {"VADUZI", 1042, 150, 3}, {"VADUZI", 3, 528, 6},
        {"VADUZI", 3, 400, 0},      {"VADUZI", 3, -20, 0}, {"VURIZO", 1, 123, 4},    {"RIRADAD", 100, 432, 5},
        {"A-RIRADAD", 100, 432, 5}, {"OTHER", 3, 90, 1},   {"VURIZO", 1048, 90, 6},  {"VADUZI", 1048, -20, 6},
    };
    for (const auto& c : cases) {
        uint8_t magic[10] = {};
        std::memcpy(magic, c.magic, std::strlen(c.magic));
        EXPECT_EQ(DetectRecordType(magic, c.code, c.length), c.type)
            << c.magic << " " << c.code << " " << c.length;
    }
    EXPECT_TRUE(IsBaseTypeCode(100));
    EXPECT_FALSE(IsBaseTypeCode(1042));
    EXPECT_TRUE(IsExtTypeCode(612));
    EXPECT_FALSE(IsKnownTypeCode(2));
}

TEST_F(PileRead, RefusedFilesRaiseFileErrorOrReturnFalse) {
    CPileRecord rec;
    const QString empty = writeBytes({}, QStringLiteral("empty.dux"));
    EXPECT_THROW(rec.ReadFile(empty), FileError);
    try {
        rec.ReadFile(dir.path() + QStringLiteral("/missing.dux"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), FileCause::FileNotFound);
    }

    struct Case {
        const char* name;
        DuxBuilder file;
        FileCause cause;
    } cases[] = {
        {"unknown code", DuxBuilder::shortHeader(90, "VADUZI", 2), FileCause::Generic},
        {"guard", DuxBuilder::shortHeader(90).guard(1024), FileCause::InvalidFile},
        {"no samples", DuxBuilder::shortHeader(90).channels(1, 0), FileCause::InvalidFile},
        {"huge samples", DuxBuilder::shortHeader(90).channels(2, 70000), FileCause::InvalidFile},
        {"block beyond file", DuxBuilder::shortHeader(90).offsets(50, 900000), FileCause::InvalidFile},
        {"blow table without tag", DuxBuilder::paramBlock("A-RIRADAD").blowTable({DuxBlow{}}, false),
         FileCause::InvalidFile},
        {"blow table count 0", DuxBuilder::paramBlock("A-RIRADAD").blowTable({DuxBlow{}}, true, 0),
         FileCause::InvalidFile},
        {"blow table count 17", DuxBuilder::paramBlock("A-RIRADAD").blowTable({DuxBlow{}}, true, 17),
         FileCause::InvalidFile},
        {"analysis without channels", DuxBuilder::paramBlock("VADUZI", 1042).channels(0, 1024).analysis({}),
         FileCause::InvalidFile},
    };
    for (auto& c : cases) {
        const QString path = write(c.file, QStringLiteral("bad.dux"));
        try {
            rec.ReadFile(path);
            ADD_FAILURE() << c.name << ": read succeeded";
        } catch (const FileError& e) {
            EXPECT_EQ(e.cause(), c.cause) << c.name;
        }
    }

    // A file far larger than any pile file is refused without reading it.
    const QString huge = write(DuxBuilder::shortHeader(90), QStringLiteral("huge.dux"));
    ASSERT_TRUE(QFile::resize(huge, 65 * 1024 * 1024));
    try {
        rec.ReadFile(huge);
        ADD_FAILURE() << "huge file read";
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), FileCause::InvalidFile);
    }

    // Channel counts out of range refuse the read without an error.
    EXPECT_FALSE(
        rec.ReadFile(write(DuxBuilder::shortHeader(90).channels(16, 1024), QStringLiteral("c16.dux"))));
    EXPECT_FALSE(rec.ReadFile(write(DuxBuilder::paramBlock().channels(16, 1024), QStringLiteral("b16.dux"))));
    EXPECT_FALSE(rec.ReadFile(write(DuxBuilder::paramBlock().channels(-1, 1024), QStringLiteral("bm.dux"))));

    // The quiet read says false for both kinds of refusal.
    EXPECT_FALSE(rec.TryReadFile(empty));
    EXPECT_FALSE(rec.TryReadFile(dir.path() + QStringLiteral("/bm.dux")));
    EXPECT_TRUE(rec.TryReadFile(write(DuxBuilder::paramBlock(), QStringLiteral("good.dux"))));
}

// A sample interval no instrument records is a damaged file, in every
// generation: refused with a message naming the file and the interval, the
// record keeping the pile it held. 1 and 32767 µs, the ends of what the
// instruments store, are read.
TEST_F(PileRead, SampleIntervalsOutsideWhatInstrumentsRecordAreRefused) {
    DuxAnalysis saved;
    saved.channels = {DuxChannel{}};
    saved.averages = {DuxChannel{}};
    const struct {
        const char* what;
        DuxBuilder file;
    } kinds[] = {
        {"short header", DuxBuilder::shortHeader(90)},
        {"parameter block", DuxBuilder::paramBlock()},
        {"blow table", DuxBuilder::paramBlock("A-RIRADAD").blowTable({DuxBlow{}})},
        {"saved analysis", DuxBuilder::paramBlock("VADUZI", 1042).analysis(saved)},
    };
    const QString good = write(DuxBuilder::paramBlock().pileNo(u"G1"_qs), QStringLiteral("good.dux"));
    CPileRecord rec;
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        for (float dt : pit::test::kRefusedSampleIntervals) {
            SCOPED_TRACE(dt);
            ASSERT_TRUE(rec.ReadFile(good));
            DuxBuilder file = kind.file;
            const QString path = write(file.sampleInterval(dt), QStringLiteral("bad_dt.dux"));
            try {
                rec.ReadFile(path);
                ADD_FAILURE() << "read";
            } catch (const FileError& e) {
                EXPECT_EQ(e.cause(), FileCause::InvalidFile);
                for (bool english : {true, false}) {
                    EXPECT_TRUE(e.message(english).contains(path));
                    EXPECT_TRUE(e.message(english).contains(english ? u"sample interval"_qs : u"采样间隔"_qs))
                        << e.message(english).toStdString();
                }
            }
            EXPECT_EQ(rec.m_strPath, good);
            EXPECT_EQ(rec.m_strPileNo, u"G1"_qs);
            EXPECT_FALSE(rec.TryReadFile(path));
        }
        for (float dt : pit::test::kEdgeSampleIntervals) {
            DuxBuilder file = kind.file;
            ASSERT_TRUE(rec.ReadFile(write(file.sampleInterval(dt), QStringLiteral("edge_dt.dux")))) << dt;
            EXPECT_EQ(rec.m_fSampleInterval, dt);
            EXPECT_EQ(rec.CurrentChannel()->GetSampleInterval(), dt);
        }
    }
}

TEST_F(PileRead, EveryPrefixOfASavedFileIsReadOrRefusedCleanly) {
    DuxAnalysis a;
    a.channels = {DuxChannel{}, DuxChannel{}};
    a.channels[0].defects = {{100, 2, 1, 0}};
    a.averages = {DuxChannel{}};
    const QByteArray full =
        DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).samples(ramp(2, 1024)).analysis(a).build();
    CPileRecord rec;
    for (qsizetype len = 1; len < full.size(); len += (len < 600 ? 1 : 37)) {
        const QString path = writeBytes(full.left(len), QStringLiteral("cut.dux"));
        try {
            rec.ReadFile(path);
        } catch (const FileError& e) {
            EXPECT_EQ(e.cause(), FileCause::InvalidFile) << len;
        }
    }
}

TEST_F(PileRead, ShortHeaderFileBuildsChannelsAndAverage) {
    const auto samples = ramp(3, 1024);
    CPileRecord rec;
    ASSERT_TRUE(
        rec.ReadFile(write(DuxBuilder::shortHeader(90).channels(3, 1024).samples(samples).idText2(u"ab"_qs),
                           QStringLiteral("ZK12.dux"))));
    EXPECT_EQ(rec.m_nRecordType, 0);
    EXPECT_EQ(rec.m_nChannelCount, 3);
    ASSERT_EQ(rec.ChannelCountInList(), 4);
    EXPECT_EQ(rec.m_nCurrentChannel, 3);
    EXPECT_TRUE(rec.AverageChannel()->isAverage);
    EXPECT_TRUE(rec.AverageChannel()->IsSelected());
    EXPECT_EQ(rec.Channel(1)->Source()[5], samples[1024 + 5]);
    // Empty pile-number fields: the file name without its extension.
    EXPECT_EQ(rec.m_strPileNo, u"ZK12"_qs);
    EXPECT_EQ(rec.m_strIdText2, u"ab"_qs);
    EXPECT_EQ(rec.m_strClass, u"I"_qs);
    EXPECT_EQ(rec.m_testDate, QDateTime(QDate(2024, 3, 15), QTime(9, 30)));
    EXPECT_EQ(rec.m_logTexts[0], u"低应变"_qs);
    // All three blows hold data and take part in the average.
    EXPECT_EQ(rec.m_nRecordedCount, 3);
    EXPECT_EQ(rec.m_blowFlags[2], 1);
    EXPECT_EQ(rec.m_blowFlags[3], 0);
    for (int i : {0, 500, 1023})
        EXPECT_FLOAT_EQ(rec.AverageChannel()->Source()[size_t(i)],
                        (samples[size_t(i)] + samples[1024 + size_t(i)] + samples[2048 + size_t(i)]) / 3);
}

TEST_F(PileRead, ShortHeaderEdgeCases) {
    CPileRecord rec;
    // A count of 0 is read as one channel.
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::shortHeader(90).channels(0, 1024).samples(ramp(1, 1024)))));
    EXPECT_EQ(rec.m_nChannelCount, 1);
    EXPECT_EQ(rec.ChannelCountInList(), 2);

    // W below P counts as longer than every bound: type 0, 309 bytes read.
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::shortHeader(309).enlarged(0, 77).offsets(50, 20))));
    EXPECT_EQ(rec.m_nRecordType, 0);
    EXPECT_FLOAT_EQ(rec.m_header.Enlarged2(), 77);
}

TEST_F(PileRead, ShortHeaderNeverKeepsThePreviousPilesBytes) {
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(write(
        DuxBuilder::paramBlock("VADUZI", 1048).project(u"前一根桩"_qs).texts(u"t4"_qs, u"t5"_qs, u"t6"_qs),
        QStringLiteral("a.dux"))));
    EXPECT_EQ(rec.m_strProject, u"前一根桩"_qs);
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::shortHeader(90), QStringLiteral("b.dux"))));
    for (size_t i = 90; i < hdr::kSize; ++i)
        if (i < hdr::kPileNoShort || i >= hdr::kPileNoShort + 9)
            ASSERT_EQ(rec.m_header.bytes[i], 0) << i;
    EXPECT_TRUE(rec.m_strProject.isEmpty());
}

TEST_F(PileRead, AFileWithoutDatesTakesTheNewRecordsAgeNotThePreviousPiles) {
    DuxAnalysis saved;
    saved.constructionDate = QStringLiteral("2024-02-14"); // 30 days before the test
    saved.channels = {DuxChannel{}};
    saved.averages = {DuxChannel{}};
    const QString savedPath = write(DuxBuilder::paramBlock("VADUZI", 1042).channels(1, 1024).analysis(saved),
                                    QStringLiteral("saved.dux"));
    const QString plainPath = write(DuxBuilder::shortHeader(90), QStringLiteral("plain.dux"));
    CPileRecord alone;
    ASSERT_TRUE(alone.ReadFile(plainPath));
    EXPECT_EQ(alone.m_nAge, CPileRecord::kNewRecordAge);
    EXPECT_EQ(alone.m_constructionDate, alone.m_testDate.addDays(-CPileRecord::kNewRecordAge));

    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(savedPath));
    EXPECT_EQ(rec.m_nAge, 30);
    ASSERT_TRUE(rec.ReadFile(plainPath));
    EXPECT_EQ(rec.m_nAge, alone.m_nAge);
    EXPECT_EQ(rec.m_constructionDate, alone.m_constructionDate);
    // An age set on the record (a form edit) is no date of the next file either.
    rec.m_nAge = 99;
    ASSERT_TRUE(rec.ReadFile(plainPath));
    EXPECT_EQ(rec.m_constructionDate, alone.m_constructionDate);
}

TEST_F(PileRead, ParameterBlockTextsAndExtension) {
    const QString longName = QString(25, QChar(u'桩')); // 50 bytes in GBK
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock("VADUZI", 1048)
                                       .channels(2, 512)
                                       .samples(ramp(2, 512))
                                       .project(longName)
                                       .pileNo(u"东-3"_qs)
                                       .idText2(u"第二"_qs)
                                       .texts(u"文四"_qs, u"文五"_qs, u"文六"_qs)
                                       .className(u"III"_qs)
                                       .shapeSideGrade(1, 600, 35)
                                       .enlarged(1200, 5e9f)
                                       .sensorDistance(100))));
    EXPECT_EQ(rec.m_nRecordType, 6);
    EXPECT_EQ(rec.m_nSamples, 512);
    // A text too long for the 8-bit field is cut at a character, not erased.
    EXPECT_EQ(rec.m_strProject, QString(24, QChar(u'桩')));
    EXPECT_EQ(rec.m_strPileNo, u"东-3"_qs);
    EXPECT_EQ(rec.m_strIdText2, u"第二"_qs);
    EXPECT_EQ(rec.m_strText4, u"文四"_qs);
    EXPECT_EQ(rec.m_strText6, u"文六"_qs);
    EXPECT_EQ(rec.m_strClass, u"III"_qs);
    // No extension after the block: shape, side and grade come from the block.
    EXPECT_EQ(rec.m_nShape, 1);
    EXPECT_EQ(rec.m_strShape, u"方桩"_qs);
    EXPECT_EQ(rec.m_bLegacy, 0);
    EXPECT_EQ(rec.m_nGradeIndex, 4);
    EXPECT_FLOAT_EQ(rec.m_fEnlarged, 1200);
    EXPECT_FLOAT_EQ(rec.m_fEnlarged2, 0); // out of range
    EXPECT_EQ(rec.m_nSensorDistance, 100);

    // An extension after the block decides legacy flag, shape text and grade.
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock("VADUZI", 1048)
                                       .shapeSideGrade(0, 0, 35)
                                       .extension(1, 3, 500, 60)
                                       .sensorDistance(5000),
                                   QStringLiteral("x.dux"))));
    EXPECT_EQ(rec.m_bLegacy, 1);
    EXPECT_EQ(rec.m_strShape, u"方桩"_qs);
    EXPECT_EQ(rec.m_nGradeIndex, 9);
    EXPECT_EQ(rec.m_nSensorDistance, 0); // beyond half the circumference
}

TEST_F(PileRead, Type5PileNumberEncoding) {
    struct Case {
        QByteArray field;
        QString file;
        QString pileNo;
    } cases[] = {
        {"12+3", u"12+3.dux"_qs, u"12"_qs},
        {"12+345", u"P12.dux"_qs, u"12"_qs},
        {"12", u"other.dux"_qs, QString(QChar(char16_t('1' | ('2' << 8))))},
    };
    for (const auto& c : cases) {
        CPileRecord rec;
        ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock().rawAt(176, c.field), c.file)));
        EXPECT_EQ(rec.m_nRecordType, 5);
        EXPECT_EQ(rec.m_strPileNo, c.pileNo) << c.field.constData();
    }
    // One character before the '+': the field is UTF-16.
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock().rawAt(176, "1+2"), u"1+2.dux"_qs)));
    EXPECT_NE(rec.m_strPileNo, u"1"_qs);
    // 8-bit texts 4..6 of this generation are kept widened in the image.
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock().texts(u"甲"_qs, u"b"_qs, u"c"_qs), u"t.dux"_qs)));
    EXPECT_EQ(rec.m_header.utf16(hdr::kText4, 50), u"甲"_qs);
}

TEST_F(PileRead, BlowTableBuildsChannelsFromTheBlocks) {
    DuxBlow b1, b3, avg;
    b1.blow = 1;
    b1.samples.assign(1024, 1.0f);
    b3.blow = 3;
    b3.samples.assign(1024, 3.0f);
    avg.blow = 0;
    avg.blowBytes[0] = 1;
    avg.blowBytes[2] = 1;
    avg.samples.assign(1024, 2.0f);
    avg.pileLength = 12.5f;
    avg.speed = 3600;
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock("A-RIRADAD")
                                       .channels(3, 1024)
                                       .samples(ramp(3, 1024))
                                       .blowTable({b1, b3, avg}))));
    EXPECT_EQ(rec.m_bBlowFile, 1);
    ASSERT_EQ(rec.ChannelCountInList(), 4);
    EXPECT_FLOAT_EQ(rec.Channel(0)->Source()[10], 1.0f);
    // Blow 2 is missing from the table: it comes from the sample block.
    EXPECT_FLOAT_EQ(rec.Channel(1)->Source()[10], ramp(3, 1024)[1024 + 10]);
    EXPECT_FLOAT_EQ(rec.Channel(2)->Source()[10], 3.0f);
    EXPECT_TRUE(rec.Channel(3)->isAverage);
    EXPECT_EQ(rec.m_nCurrentChannel, 3);
    EXPECT_EQ(rec.m_blowFlags[0], 1);
    EXPECT_EQ(rec.m_blowFlags[1], 0);
    EXPECT_EQ(rec.m_blowFlags[2], 1);
    EXPECT_FLOAT_EQ(rec.m_fPileLength, 12.5f);
    EXPECT_EQ(rec.m_nWaveSpeed, 3600);
    EXPECT_EQ(rec.m_bFixedParam, 1);

    // Without an averaged block one is built; the current blow is the last one.
    ASSERT_TRUE(rec.ReadFile(write(
        DuxBuilder::paramBlock("A-RIRADAD").channels(3, 1024).samples(ramp(3, 1024)).blowTable({b1, b3}))));
    ASSERT_EQ(rec.ChannelCountInList(), 4);
    EXPECT_TRUE(rec.AverageChannel()->isAverage);
    EXPECT_EQ(rec.m_nCurrentChannel, 2);

    // A stored toe outside the samples marks the last sample.
    b1.toe = INT32_MIN;
    b3.toe = INT32_MAX;
    ASSERT_TRUE(
        rec.ReadFile(write(DuxBuilder::paramBlock("A-RIRADAD").channels(3, 1024).blowTable({b1, b3}))));
    EXPECT_EQ(rec.Channel(0)->toeIndex, 1023);
    EXPECT_EQ(rec.Channel(2)->toeIndex, 1023);

    // A last blow number that names no blow (the least int32 among them)
    // leaves the current channel on the last one.
    for (int32_t last : {-1, -7, INT32_MIN}) {
        DuxBlow odd = b3;
        odd.blow = last;
        ASSERT_TRUE(
            rec.ReadFile(write(DuxBuilder::paramBlock("A-RIRADAD").channels(3, 1024).blowTable({b1, odd}))))
            << last;
        EXPECT_EQ(rec.m_nCurrentChannel, rec.ChannelCountInList() - 1) << last;
    }
}

TEST_F(PileRead, AnalysisBlockRestoresTheSavedState) {
    DuxAnalysis a;
    a.pileNo = u"东1"_qs;
    a.project = u"大桥"_qs;
    a.text6 = u"六"_qs;
    a.text5 = u"五"_qs;
    a.conclusion = u"桩身完整"_qs;
    a.shapeText = u"方桩"_qs;
    a.secondSide = 650;
    a.sensorDistance = 120;
    a.current = 1;
    a.blowFlags[0] = 1;
    DuxChannel c1, c2, avg1, avg2;
    c1.defects = {{120, 0, 2, 0}};
    c2.samples.assign(1024, 0.5f);
    c2.zoom = 2;
    avg1.samples.assign(1024, 7.0f);
    avg2.samples.assign(1024, 9.0f);
    avg2.defects = {{200, 5, 0, 0}};
    a.channels = {c1, c2};
    a.averages = {avg1, avg2};
    a.modes = {0, 2, 1};
    a.scale = 2.5f;
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(a))));
    EXPECT_EQ(rec.m_strPileNo, u"东1"_qs);
    EXPECT_EQ(rec.m_strProject, u"大桥"_qs);
    EXPECT_EQ(rec.m_strText6, u"六"_qs);
    EXPECT_EQ(rec.m_strConclusion, u"桩身完整"_qs);
    EXPECT_EQ(rec.m_nShape, 1);
    EXPECT_FLOAT_EQ(rec.m_fSecondSide, 650);
    EXPECT_EQ(rec.m_nSensorDistance, 120);
    EXPECT_EQ(rec.m_testDate, QDateTime(QDate(2024, 3, 15), QTime(9, 30)));
    EXPECT_EQ(rec.m_nAge, 14);
    EXPECT_EQ(rec.m_bFixedParam, 1);
    ASSERT_EQ(rec.ChannelCountInList(), 3);
    EXPECT_EQ(rec.m_nCurrentChannel, 1);
    EXPECT_TRUE(rec.Channel(1)->IsSelected());
    ASSERT_EQ(rec.Channel(0)->defects.size(), 1u);
    EXPECT_EQ(rec.Channel(0)->defects[0].severity, 2);
    // The last of the stored averaged records is the one read.
    EXPECT_FLOAT_EQ(rec.AverageChannel()->Source()[3], 9.0f);
    EXPECT_EQ(rec.AverageChannel()->defects.size(), 1u);
    EXPECT_EQ(rec.m_nViewMode, 0);
    EXPECT_EQ(rec.m_nAlignMode, 2);
    EXPECT_EQ(rec.m_nCalcMode, 1);
    EXPECT_FLOAT_EQ(rec.m_fScale, 2.5f);

    // A second file keeps the view modes taken from the first.
    DuxAnalysis b = a;
    b.modes = {1, 0, 0};
    b.averages = {avg1};
    ASSERT_TRUE(rec.ReadFile(
        write(DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(b), u"b.dux"_qs)));
    EXPECT_EQ(rec.m_nViewMode, 0);
    EXPECT_EQ(rec.m_nAlignMode, 2);
    EXPECT_FLOAT_EQ(rec.AverageChannel()->Source()[3], 7.0f);
}

// The saved view mode and the stored defect marks come back as stored, and a
// save in place writes them back unchanged; only a mark count that the rest of
// the file cannot hold refuses the file.
// The sample block goes from the file straight into the record; blocks that
// point back into it still read its bytes, not those of a pile read before.
TEST_F(PileRead, BlocksThatPointIntoTheSampleBlockReadItsBytes) {
    auto i32At = [](const QByteArray& b, qsizetype at) {
        int32_t v;
        std::memcpy(&v, b.constData() + at, 4);
        return v;
    };
    auto setI32 = [](QByteArray& b, qsizetype at, int32_t v) {
        b.replace(at, 4, reinterpret_cast<const char*>(&v), 4);
    };
    CPileRecord rec;
    const std::vector<float> sevens(3 * 1024, 7.0f);

    // Blow records whose samples are those of the sample block.
    DuxBlow b1, b2;
    b2.blow = 2;
    const DuxBuilder blows = DuxBuilder::paramBlock("A-RIRADAD").channels(3, 1024).blowTable({b1, b2});
    QByteArray shared = DuxBuilder(blows).samples(ramp(3, 1024)).build();
    const int32_t W = i32At(shared, 18), table = i32At(shared, 22);
    for (int k = 0; k < 2; ++k)
        setI32(shared, i32At(shared, table + 6 + 4 * k) + 21, W + 4096 * (k + 1));
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder(blows).samples(sevens), QStringLiteral("sevens.dux"))));
    ASSERT_TRUE(rec.ReadFile(writeBytes(shared, QStringLiteral("shared.dux"))));
    EXPECT_FLOAT_EQ(rec.Channel(0)->Source()[10], ramp(3, 1024)[1024 + 10]);
    EXPECT_FLOAT_EQ(rec.Channel(1)->Source()[10], ramp(3, 1024)[2048 + 10]);

    // A saved analysis inside the span the header gives the samples.
    DuxAnalysis a;
    a.channels = {DuxChannel{}};
    a.channels[0].samples.assign(1024, 0.25f);
    a.averages = {DuxChannel{}};
    a.pileNo = QStringLiteral("inside");
    QByteArray inside = DuxBuilder::paramBlock("RIRADAD", 1042).channels(1, 1024).analysis(a).build();
    a.pileNo = QStringLiteral("before");
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock("RIRADAD", 1042).channels(1, 1024).analysis(a))));
    setI32(inside, 18, i32At(inside, 22) - 64);
    ASSERT_TRUE(rec.ReadFile(writeBytes(inside, QStringLiteral("inside.dux"))));
    EXPECT_EQ(rec.m_strPileNo, QStringLiteral("inside"));
    EXPECT_FLOAT_EQ(rec.Channel(0)->Source()[10], 0.25f);
}

TEST_F(PileRead, ViewModeAndDefectMarksAsStored) {
    auto marks = [](int count, int32_t first) {
        std::vector<pit::test::DuxDefect> v;
        for (int i = 0; i < count; ++i)
            v.push_back({first + 20 * i, i % 6, i % 3, i + 1});
        return v;
    };
    struct Case {
        const char* name;
        int32_t viewMode;
        int blowMarks, averageMarks;
        std::optional<int32_t> storedBlowMarks; // a count other than the marks that follow
        std::optional<int32_t> secondViewMode;  // a second file read into the same record
        bool reads;
        int32_t expectedView;
    } cases[] = {
        {"TimeRuler", 1, 0, 0, {}, {}, true, 1},
        {"DepthRulerKept", 2, 0, 0, {}, {}, true, 2},
        {"NoRulerZero", 0, 0, 0, {}, {}, true, 0},
        {"NoRulerOtherValue", 7, 0, 0, {}, {}, true, 7},
        {"SecondFileKeepsTheFirstsDepthRuler", 2, 0, 0, {}, 1, true, 2},
        {"FourMarksOnABlow", 1, 4, 0, {}, {}, true, 1},
        {"SixMarksOnABlow", 2, 6, 0, {}, {}, true, 2},
        {"FiveMarksOnTheAverage", 1, 1, 5, {}, {}, true, 1},
        {"MarkCountBeyondTheFile", 1, 2, 0, 1000000, {}, false, 1},
        {"MarkCountLargestInt", 1, 2, 0, INT32_MAX, {}, false, 1},
        {"NegativeMarkCount", 1, 2, 0, -1, {}, false, 1},
    };
    auto file = [&](const Case& c, int32_t view) {
        DuxAnalysis a;
        a.channels = {DuxChannel{}, DuxChannel{}};
        a.channels[0].defects = marks(c.blowMarks, 40);
        a.channels[0].markCount = c.storedBlowMarks;
        a.channels[1].samples.assign(1024, 0.25f);
        a.averages = {DuxChannel{}};
        a.averages[0].defects = marks(c.averageMarks, 30);
        a.modes = {view, 1, 0};
        return DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).samples(ramp(2, 1024)).analysis(a);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = write(file(c, c.viewMode), QString::fromLatin1(c.name) + u".dux"_qs);
        CPileRecord rec;
        if (!c.reads) {
            // A refused read leaves the record with the pile it held.
            const QString good = write(DuxBuilder::paramBlock(), QStringLiteral("good.dux"));
            ASSERT_TRUE(rec.ReadFile(good));
            try {
                rec.ReadFile(path);
                ADD_FAILURE() << "read succeeded";
            } catch (const FileError& e) {
                EXPECT_EQ(e.cause(), FileCause::InvalidFile);
            }
            EXPECT_EQ(rec.m_strPath, good);
            continue;
        }
        ASSERT_TRUE(rec.ReadFile(path));
        EXPECT_EQ(rec.m_nViewMode, c.expectedView);
        const auto expectBlow = marks(c.blowMarks, 40);
        const auto expectAverage = marks(c.averageMarks, 30);
        auto check = [&](const CPileRecord& r) {
            EXPECT_EQ(r.m_nViewMode, c.expectedView);
            ASSERT_EQ(r.Channel(0)->defects.size(), expectBlow.size());
            for (size_t i = 0; i < expectBlow.size(); ++i) {
                const DefectMark& m = r.Channel(0)->defects[i];
                EXPECT_EQ(m.index, expectBlow[i].index);
                EXPECT_EQ(m.type, expectBlow[i].type);
                EXPECT_EQ(m.severity, expectBlow[i].severity);
                EXPECT_EQ(m.extra, expectBlow[i].extra);
            }
            ASSERT_EQ(r.AverageChannel()->defects.size(), expectAverage.size());
            for (size_t i = 0; i < expectAverage.size(); ++i)
                EXPECT_EQ(r.AverageChannel()->defects[i].index, expectAverage[i].index);
            // The channels after the marks are read from their own bytes.
            EXPECT_FLOAT_EQ(r.Channel(1)->Source()[0], 0.25f);
        };
        check(rec);
        if (c.secondViewMode) {
            const QString second =
                write(file(c, *c.secondViewMode), QString::fromLatin1(c.name) + u"-2.dux"_qs);
            ASSERT_TRUE(rec.ReadFile(second));
            check(rec);
            continue;
        }
        // Saved in place and read into a fresh record: nothing lost, nothing turned.
        rec.SaveAnalysis();
        CPileRecord back;
        ASSERT_TRUE(back.ReadFile(path));
        check(back);
    }
}

TEST_F(PileRead, OlderAnalysisCodes) {
    DuxAnalysis a;
    a.className = u"IV"_qs;
    a.shapeText = u"方桩"_qs;
    a.diameter = 900;
    a.enlarged = 1500;
    a.channels = {DuxChannel{}};
    a.averages = {DuxChannel{}};
    a.current = 7; // outside the list
    a.testDate = u"2024/3/5 8:05:00"_qs;
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(write(DuxBuilder::paramBlock("VADUZI", 1007).analysis(a).scale(3))));
    EXPECT_EQ(rec.m_strClass, u"I"_qs);
    EXPECT_EQ(rec.m_strShape, u"圆桩"_qs);
    EXPECT_FLOAT_EQ(rec.m_fSecondSide, 900);
    EXPECT_FLOAT_EQ(rec.m_fEnlarged2, 1500);
    EXPECT_FLOAT_EQ(rec.m_fScale, 3); // the header's
    EXPECT_EQ(rec.m_nCurrentChannel, 0);
    EXPECT_EQ(rec.m_testDate, QDateTime(QDate(2024, 3, 5), QTime(8, 5)));
}

TEST(SampleProject, EveryPileReadsAndTheGenerationsAreCovered) {
    // Every sample project: the folders beside the demo project.
    QFileInfoList files;
    QDir root(QStringLiteral(PIT_SAMPLES_DIR));
    root.cdUp();
    for (const QString& project : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        files += QDir(root.filePath(project)).entryInfoList({QStringLiteral("*.DUX")}, QDir::Files);
    ASSERT_GE(files.size(), 10);
    std::set<int> types;
    bool chinese = false, english = false, saved = false;
    for (const QFileInfo& fi : files) {
        CPileRecord rec;
        ASSERT_TRUE(rec.ReadFile(fi.filePath())) << fi.fileName().toStdString();
        types.insert(rec.m_nRecordType);
        chinese |= rec.m_strProject.contains(u"大桥"_qs);
        english |= rec.m_strProject.startsWith(u"Harbour"_qs);
        saved |= rec.m_bFixedParam && !rec.m_bBlowFile;
        EXPECT_EQ(rec.m_strPileNo, fi.completeBaseName());
        // The toe lies where the pile length and wave speed put it.
        const CWaveRecord& avg = *rec.AverageChannel();
        EXPECT_GT(avg.toeIndex, avg.headIndex + 100);
    }
    EXPECT_TRUE(types.count(0) && types.count(3) && types.count(5) && types.count(6));
    EXPECT_TRUE(chinese && english && saved);
}
