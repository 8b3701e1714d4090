// The analysis-block reader on files assembled byte by byte: the fields of
// each format code, the kinds of file, damaged blocks and sample intervals
// no instrument records refused.
#include "core/pile/AnalysisBlock.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/FileError.h"
#include "tests/support/DuxBuilder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace pit;
using pit::test::DuxAnalysis;
using pit::test::DuxBuilder;
using pit::test::DuxChannel;
using Kind = AnalysisBlockRead::Kind;

namespace {

DuxAnalysis SquarePile() {
    DuxAnalysis a;
    a.pileNo = QStringLiteral("P-07");
    a.project = QStringLiteral("大桥");
    a.text6 = QStringLiteral("t6");
    a.text5 = QStringLiteral("检测单位");
    a.pileLength = 12.5f;
    a.waveSpeed = 3800;
    a.className = QStringLiteral("III");
    a.gradeIndex = 25; // stored as is; callers bound it
    a.diameter = 600;
    a.enlarged = 800;
    a.pileValues = {1.25f, -10.5f, 0.0000005f};
    a.remark = QStringLiteral("remark");
    a.conclusion = QStringLiteral("桩身完整");
    a.idText2 = QStringLiteral("second id");
    a.shapeText = QStringLiteral("方桩");
    a.firstSample = 16;
    a.samples = 900;
    a.analysisValues = {2000, 410, 180, 190, 95, 60};
    a.blowFlags[0] = a.blowFlags[2] = 1;
    a.secondSide = 400;
    a.enlarged2 = 700;
    a.sensorDistance = 150;
    DuxChannel one, two;
    one.lowPass = 1111;
    two.lowPass = 2222;
    a.channels = {one, two};
    a.averages = {DuxChannel{}};
    a.current = 1;
    return a;
}

} // namespace

TEST(AnalysisBlockTest, FieldsByFormatCode) {
    struct Case {
        int32_t code;
        bool texts65, secondSides, sensorDistance;
    };
    const Case cases[] = {{1042, true, true, true},
                          {1036, true, true, false},
                          {1030, true, false, false},
                          {1007, false, false, false},
                          {612, true, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const QByteArray file =
            DuxBuilder::paramBlock("VADUZI", c.code).channels(2, 1024).analysis(SquarePile()).build();
        AnalysisBlock b;
        const AnalysisBlockRead r = ReadAnalysisBlock(file, b);
        ASSERT_EQ(r.kind, Kind::Fields) << r.why.toStdString();
        EXPECT_EQ(b.formatCode, c.code);
        EXPECT_EQ(b.channelCount, 2);
        EXPECT_EQ(b.pileNo, QStringLiteral("P-07"));
        EXPECT_EQ(b.project, QStringLiteral("大桥"));
        EXPECT_EQ(b.constructionDate, QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
        EXPECT_EQ(b.testDate, QDateTime(QDate(2024, 3, 15), QTime(9, 30)));
        EXPECT_EQ(b.hasTexts65, c.texts65);
        EXPECT_EQ(b.text5, c.texts65 ? QStringLiteral("检测单位") : QString());
        // Whatever the code, the fields after the optional ones land right.
        EXPECT_FLOAT_EQ(b.pileLength, 12.5f);
        EXPECT_EQ(b.waveSpeed, 3800);
        EXPECT_EQ(b.className, QStringLiteral("III"));
        EXPECT_EQ(b.gradeIndex, 25);
        EXPECT_FLOAT_EQ(b.diameter, 600);
        EXPECT_FLOAT_EQ(b.enlarged, 800);
        EXPECT_FLOAT_EQ(b.PileValue(1), -10.5f);
        EXPECT_FLOAT_EQ(b.PileValue(3), 0.0f);
        EXPECT_EQ(b.conclusion, QStringLiteral("桩身完整"));
        EXPECT_EQ(b.idText2, QStringLiteral("second id"));
        EXPECT_TRUE(b.IsSquare());
        EXPECT_EQ(b.spareCounter, 16);
        EXPECT_EQ(b.samples, 900);
        EXPECT_EQ(b.analysisValues[1], 410);
        EXPECT_EQ(b.currentChannel, 1);
        EXPECT_EQ(b.blowFlags[2], 1);
        EXPECT_EQ(b.hasSecondSides, c.secondSides);
        EXPECT_FLOAT_EQ(b.secondSide, c.secondSides ? 400.0f : 0.0f);
        EXPECT_FLOAT_EQ(b.enlarged2, c.secondSides ? 700.0f : 0.0f);
        EXPECT_EQ(b.sensorDistance, c.sensorDistance ? 150 : 0);

        // The head's second int32 leads to the current channel's record.
        ByteReader in(file);
        in.seek(size_t(b.currentRecordOffset));
        CWaveRecord wave;
        ASSERT_TRUE(wave.Read(in));
        int hp = 0, lp = 0;
        wave.GetFilterCutoffs(hp, lp);
        EXPECT_EQ(lp, 2222);
        in.seek(b.channelsOffset);
        ASSERT_TRUE(wave.Read(in));
        wave.GetFilterCutoffs(hp, lp);
        EXPECT_EQ(lp, 1111);
    }
}

TEST(AnalysisBlockTest, KindsOfFileAndDamagedBlocks) {
    AnalysisBlock b;
    EXPECT_EQ(
        ReadAnalysisBlock(DuxBuilder::paramBlock("A-RIRADAD").blowTable({pit::test::DuxBlow{}}).build(), b)
            .kind,
        Kind::BlowFile);
    EXPECT_EQ(ReadAnalysisBlock(DuxBuilder::paramBlock("RIRADAD", 100).build(), b).kind, Kind::Refused);
    EXPECT_EQ(ReadAnalysisBlock(DuxBuilder::paramBlock("VADUZI", 77).build(), b).kind, Kind::Refused);
    EXPECT_EQ(ReadAnalysisBlock(QByteArray("short"), b).kind, Kind::Refused);

    // A string count far beyond the file: refused, nothing read outside it.
    QByteArray absurd = DuxBuilder::paramBlock("VADUZI", 1042).channels(1, 16).analysis(SquarePile()).build();
    ByteReader head(absurd);
    head.seek(22);
    const int32_t A = head.i32();
    absurd.replace(A + 12, 4, QByteArray("\xff\xff\xff\x7f", 4));
    const AnalysisBlockRead r = ReadAnalysisBlock(absurd, b);
    EXPECT_EQ(r.kind, Kind::Refused);
    EXPECT_FALSE(r.why.isEmpty());
    // Cut short inside the block, or an offset beyond the end.
    QByteArray cut = DuxBuilder::paramBlock("VADUZI", 1042).channels(1, 16).analysis(SquarePile()).build();
    EXPECT_EQ(ReadAnalysisBlock(cut.left(A + 40), b).kind, Kind::Refused);
    cut.replace(22, 4, QByteArray("\x00\x00\x00\x70", 4));
    EXPECT_EQ(ReadAnalysisBlock(cut, b).kind, Kind::Refused);

    QTemporaryDir dir;
    EXPECT_EQ(ReadAnalysisBlockFile(dir.filePath(QStringLiteral("none.dux")), b).kind, Kind::Refused);
    const QString path = DuxBuilder::paramBlock("VADUZI", 1042)
                             .channels(1, 16)
                             .analysis(SquarePile())
                             .writeTo(dir.path(), QStringLiteral("p.dux"));
    EXPECT_EQ(ReadAnalysisBlockFile(path, b).kind, Kind::Fields);
}

// A sample interval no instrument records refuses the pile here as the pile
// reader refuses it: in the header, the block is refused saying why; in the
// channel records, the fields read but the record a report draws does not,
// whether found through the head or counted.
TEST(AnalysisBlockTest, SampleIntervalsNoInstrumentRecordsAreRefused) {
    QTemporaryDir dir;
    const struct {
        const char* what;
        DuxBuilder file;
    } headers[] = {
        {"short header", DuxBuilder::shortHeader(219, "VADUZI", 1042).channels(2, 1024)},
        {"parameter block", DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024)},
    };
    auto recordsAt = [](float dt) {
        DuxAnalysis a = SquarePile();
        for (auto* list : {&a.channels, &a.averages})
            for (DuxChannel& c : *list)
                c.dt = dt;
        return a;
    };
    for (const auto& h : headers) {
        SCOPED_TRACE(h.what);
        for (float dt : pit::test::kRefusedSampleIntervals) {
            SCOPED_TRACE(dt);
            DuxBuilder header = h.file;
            const QString path =
                header.sampleInterval(dt).analysis(SquarePile()).writeTo(dir.path(), QStringLiteral("h.dux"));
            AnalysisBlock b;
            const AnalysisBlockRead r = ReadAnalysisBlockFile(path, b);
            EXPECT_EQ(r.kind, Kind::Refused);
            EXPECT_TRUE(r.why.contains(QStringLiteral("sample interval"))) << r.why.toStdString();
            EXPECT_FALSE(CPileRecord().TryReadFile(path));

            DuxBuilder records = h.file;
            const QByteArray file = records.analysis(recordsAt(dt)).build();
            ASSERT_EQ(ReadAnalysisBlock(file, b).kind, Kind::Fields);
            ASSERT_EQ(b.currentChannel, 1);
            for (int index : {1, 0, 2}) {
                CWaveRecord wave;
                EXPECT_FALSE(ReadAnalysisChannel(file, b, index, wave)) << index;
            }
        }
        for (float dt : pit::test::kEdgeSampleIntervals) {
            DuxBuilder both = h.file;
            const QByteArray file = both.sampleInterval(dt).analysis(recordsAt(dt)).build();
            AnalysisBlock b;
            ASSERT_EQ(ReadAnalysisBlock(file, b).kind, Kind::Fields) << dt;
            CWaveRecord wave;
            ASSERT_TRUE(ReadAnalysisChannel(file, b, b.currentChannel, wave)) << dt;
            EXPECT_EQ(wave.GetSampleInterval(), dt);
        }
    }
}

// A saved length, diameter or elevation that is no number (NaN, an
// infinity) marks the analysis damaged: the block reader and the pile
// reader refuse it alike and say which value; the pile's own numbers read.
TEST(AnalysisBlockTest, SavedValuesThatAreNoNumberAreRefused) {
    QTemporaryDir dir;
    using Set = void (*)(DuxAnalysis&, float);
    const struct {
        const char* en;
        const char* zh;
        Set set;
    } fields[] = {
        {"pile length", "桩长", [](DuxAnalysis& a, float v) { a.pileLength = v; }},
        {"pile diameter", "桩径", [](DuxAnalysis& a, float v) { a.diameter = v; }},
        {"enlarged base diameter", "扩大头直径", [](DuxAnalysis& a, float v) { a.enlarged = v; }},
        {"design pile top elevation", "设计桩顶标高", [](DuxAnalysis& a, float v) { a.pileValues[0] = v; }},
        {"design pile tip elevation", "设计桩底标高", [](DuxAnalysis& a, float v) { a.pileValues[1] = v; }},
        {"measured pile top elevation", "实测桩顶标高", [](DuxAnalysis& a, float v) { a.pileValues[2] = v; }},
        {"second side", "第二边长", [](DuxAnalysis& a, float v) { a.secondSide = v; }},
        {"second side of the enlarged base", "扩大头第二边长",
         [](DuxAnalysis& a, float v) { a.enlarged2 = v; }},
    };
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (const auto& f : fields) {
        for (float v : {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf}) {
            SCOPED_TRACE(std::string(f.en) + " " + std::to_string(v));
            DuxAnalysis a = SquarePile();
            f.set(a, v);
            const QString path = DuxBuilder::paramBlock("VADUZI", 1042)
                                     .channels(2, 1024)
                                     .analysis(a)
                                     .writeTo(dir.path(), QStringLiteral("n.dux"));
            AnalysisBlock b;
            const AnalysisBlockRead r = ReadAnalysisBlockFile(path, b);
            EXPECT_EQ(r.kind, Kind::Refused);
            EXPECT_EQ(r.why, QStringLiteral("saved %1 is %2").arg(QString::fromLatin1(f.en)).arg(double(v)));
            CPileRecord pile;
            try {
                pile.ReadFile(path);
                ADD_FAILURE() << "read";
            } catch (const FileError& e) {
                EXPECT_EQ(e.cause(), FileCause::InvalidFile);
                EXPECT_EQ(e.message(false), QStringLiteral("文件“%1”：文件格式无效或已损坏（保存的%2为 %3）")
                                                .arg(path, QString::fromUtf8(f.zh))
                                                .arg(double(v)));
            }
        }
    }
    // The largest finite values are numbers still.
    DuxAnalysis a = SquarePile();
    a.pileLength = std::numeric_limits<float>::max();
    a.pileValues[2] = -std::numeric_limits<float>::max();
    const QString path =
        DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(a).writeTo(dir.path(), "m.dux");
    AnalysisBlock b;
    EXPECT_EQ(ReadAnalysisBlockFile(path, b).kind, Kind::Fields);
    EXPECT_TRUE(CPileRecord().TryReadFile(path));
}

// The channel the reports read is the one the pile shows: a stored index
// that names no channel is the first, as the pile reader takes it.
TEST(AnalysisBlockTest, TheShownChannelIsThePileReadersChoice) {
    QTemporaryDir dir;
    for (int32_t stored : {-1, 0, 1, 2, 3, 1023, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(stored);
        DuxAnalysis a = SquarePile();
        a.current = stored;
        const QString path =
            DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(a).writeTo(dir.path(), "c.dux");
        AnalysisBlock b;
        ASSERT_EQ(ReadAnalysisBlockFile(path, b).kind, Kind::Fields);
        CPileRecord pile;
        ASSERT_TRUE(pile.ReadFile(path));
        EXPECT_EQ(b.ShownChannel(), pile.m_nCurrentChannel);
        EXPECT_EQ(b.ShownChannel(), stored >= 0 && stored <= 2 ? stored : 0);
    }
}
