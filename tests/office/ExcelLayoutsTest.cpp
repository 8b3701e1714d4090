// The result and raw-data sheets as openpyxl reads them from the written file.
#include "office/ExcelExporter.h"
#include "office/OfficeExcel.h"
#include "platform/AppContext.h"
#include "tests/office/XlsxDump.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

using namespace pit;
using pit::test::readXlsx;
using pit::test::XlsxBook;
using pit::test::XlsxSheet;

namespace {

std::vector<float> Samples(int n, float phase = 0) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = float(std::sin(i * 0.05 + phase) * 1.2345678 / (1 + i * 0.01));
    return v;
}

std::unique_ptr<CExcelPileInfo> MakePile(const QString& fileName = "ZK6") {
    auto p = std::make_unique<CExcelPileInfo>();
    p->m_strInstrument = "KEV-JX";
    p->m_strProject = "桥梁工程";
    p->m_strTestOrg = "检测中心";
    p->m_strBuilder = "第三工程队";
    p->m_strPileNo = "1-2";
    p->m_strTester = "张三";
    p->m_fEnlargedBase = 1000;
    p->m_strStandard = "JGJ 106-2014";
    p->m_strDateTime = "2024-03-15 09:30:00";
    p->m_fLength = 12.5f;
    p->m_fDiameter = 800;
    p->m_nSpeed = 3800;
    p->m_strClass = "II";
    p->m_strIntegrity = "桩身完整";
    p->m_strFileName = fileName;
    p->m_nGrade = 3;
    p->m_nFreqLimit = 2000;
    p->m_nFMax = 1200;
    p->m_nF0 = 150;
    p->m_nDFL = 160;
    p->m_nDFD1 = 170;
    p->m_nDFD2 = 180;
    p->m_wave.SetData(Samples(1024));
    p->m_wave.sampleInterval = 20;
    p->m_wave.highPassHz = 10;
    p->m_wave.lowPassHz = 2000;
    p->m_wave.waveletHz = 3;
    p->m_wave.expGain = 4;
    p->m_wave.expStart = 25;
    p->m_wave.headIndex = 20;
    p->m_nSamples = 1024;
    p->m_nChannel = 1;
    return p;
}

XlsxBook WriteResults(const std::vector<const CExcelPileInfo*>& piles, bool english, int decimals,
                      const QTemporaryDir& dir) {
    AppContext app;
    OfficeExcel excel(app);
    excel.CreateApplication();
    excel.ExportResultSheets(piles, english, decimals);
    const QString path = dir.filePath("results.xlsx");
    EXPECT_TRUE(excel.ShowAndRelease({path}));
    QString error;
    const auto book = readXlsx(path, &error);
    EXPECT_TRUE(book.has_value()) << error.toStdString();
    return book.value_or(XlsxBook{});
}

QString Ref(const char* col, int row) {
    return QString::fromLatin1(col) + QString::number(row);
}

double Rounded6(float v) {
    return QString::asprintf("%.6f", double(v)).toDouble();
}

// The frame of the result sheet: grid, merges, "@" column, table head, samples.
class ResultFrame : public testing::TestWithParam<bool> {};

TEST_P(ResultFrame, MovesDownOneRowWithAnAverageList) {
    const bool averaged = GetParam();
    const int d = averaged ? 1 : 0;
    auto pile = MakePile();
    if (averaged) {
        pile->m_strAvgChannels = "1、2、3";
        pile->m_bAverage = true;
    }
    QTemporaryDir dir;
    const XlsxBook book = WriteResults({pile.get()}, false, 2, dir);
    ASSERT_EQ(book.sheets.size(), 1u);
    const XlsxSheet& s = book.sheets[0];
    EXPECT_EQ(s.name, "ZK6");
    EXPECT_EQ(s.at("A1").text(), "低应变结果数据格式");
    EXPECT_EQ(s.at("A2").text(), "项目");
    EXPECT_EQ(s.at("A2").align, "center");
    EXPECT_EQ(s.freeze, "A3");
    EXPECT_DOUBLE_EQ(s.widths.at("A"), 23.7109375);

    const int last = 1063 + d;
    for (const QString& ref : {Ref("A", 2), Ref("B", 20), Ref("C", 40 + d), Ref("A", last), Ref("C", last)})
        EXPECT_EQ(s.at(ref).edges, "LTBR") << ref.toStdString();
    // The reader shows a merged block by its outline only.
    EXPECT_EQ(s.at("C2").edges, "TBR");
    EXPECT_EQ(s.at(Ref("A", last + 1)).edges, "");
    EXPECT_EQ(s.merges.size(), size_t(37 + d));
    EXPECT_TRUE(s.merges.contains("B2:C2"));
    EXPECT_TRUE(s.merges.contains(QStringLiteral("B%1:C%1").arg(38 + d)));
    EXPECT_FALSE(s.merges.contains(QStringLiteral("B%1:C%1").arg(39 + d)));

    const int head = 39 + d;
    EXPECT_EQ(s.at(Ref("A", head)).text(), "点数序号");
    EXPECT_EQ(s.at(Ref("B", head)).text(), "对应时间(μs)");
    EXPECT_EQ(s.at(Ref("C", head)).text(), "m/s");
    EXPECT_EQ(s.at(Ref("C", head)).align, "center");
    const std::vector<float> samples = Samples(1024);
    for (int i : {0, 1, 511, 1023}) {
        const int row = head + 1 + i;
        const auto num = s.at(Ref("A", row));
        EXPECT_EQ(num.type, "text");
        EXPECT_EQ(num.text(), QString::number(i));
        EXPECT_EQ(num.format, "@");
        EXPECT_DOUBLE_EQ(s.at(Ref("B", row)).number(), i * 20.0);
        EXPECT_NEAR(s.at(Ref("C", row)).number(), Rounded6(samples[size_t(i)]), 1e-12);
    }
    EXPECT_EQ(s.at(Ref("C", head + 1025)).type, "empty");
    if (averaged) {
        EXPECT_EQ(s.at("A38").text(), "参与平均波形计算的通道号");
        EXPECT_EQ(s.at("B38").text(), "1、2、3");
        EXPECT_EQ(s.at("B38").align, "right");
        EXPECT_EQ(s.at("B37").text(), "CHAVG");
    } else {
        EXPECT_EQ(s.at("B37").text(), "CH2");
        EXPECT_EQ(s.at("A38").type, "empty");
    }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutAverage, ResultFrame, testing::Bool());

TEST(ResultLayout, HeaderRowsCarryLabelsAndTypedValues) {
    auto pile = MakePile();
    pile->m_wave.DefectMarks() = {{300, 0, 0, 0}, {410, 1, 1, 0}};
    QTemporaryDir zhDir, enDir;
    const XlsxSheet zh = WriteResults({pile.get()}, false, 2, zhDir).sheets.at(0);
    const XlsxSheet en = WriteResults({pile.get()}, true, 3, enDir).sheets.at(0);
    const int toe = 20 + int(2 * 12.5 / 3800 * 1e6 / 20); // head + 2L/c in samples

    const struct {
        int row;
        const char* zh;
        const char* en;
        QJsonValue value;
        const char* type;
    } rows[] = {
        {3, "工程名称", "Project Name", "桥梁工程", "text"},
        {4, "检测单位", "Test Department", "检测中心", "text"},
        {5, "施工单位", "Construct Company", "第三工程队", "text"},
        {6, "检测人员", "Detect Man", "张三", "text"},
        {7, "测试日期", "Test Date", "2024-03-15T00:00:00", "datetime"},
        {8, "测试时间", "Test Time", "09:30:00", "time"},
        {9, "仪器型号", "Instrument", "KEV-JX", "text"},
        {10, "检测依据", "Technical Code", "JGJ 106-2014", "text"},
        {12, "文件名", "File Name", "ZK6", "text"},
        {13, "桩号", "Pile Num", "1-2", "text"},
        {14, "桩长（m）", "Lenght（m）", 12.5, "number"},
        {15, "桩径（mm）", "Diameter（mm）", 800, "number"},
        {16, "扩底（mm）", "Expand（mm）", 1000, "number"},
        {17, "波速（m/s）", "Speed（m/s）", 3800, "number"},
        {18, "指数放大", "Index Enlarge", 4, "number"},
        {19, "小波滤波", "WaveletFilter", 3, "number"},
        {20, "高通滤波", "Hight Filter", 10, "number"},
        {21, "低通滤波", "Low Filter", 2000, "number"},
        {22, "砼等级", "Con_L", "C30", "text"},
        {23, "桩类别", "Pile Type", "II", "text"},
        {24, "完整性描述", "Description", "桩身完整", "text"},
        {25, "频率上限", "Flimited", 2000, "number"},
        {26, "FMAX（Hz）", "FMAX（Hz）", 1200, "number"},
        {27, "F0（Hz）", "F0（Hz）", 150, "number"},
        {28, "dFL（Hz）", "dFL（Hz）", 160, "number"},
        {29, "dFD1（Hz）", "dFD1（Hz）", 170, "number"},
        {30, "dFD2（Hz）", "dFD2（Hz）", 180, "number"},
        {31, "桩头起始点序号", "Pile Head Start Pos", 25, "number"},
        {32, "桩底终止点序号", "Pile bottom End Pos", toe, "number"},
        {33, "缺陷1的点序号", "defect 1", 300, "number"},
        {34, "缺陷2的点序号", "defect 2", 410, "number"},
        {35, "缺陷3的点序号", "defect 3", QJsonValue(), "empty"},
        {36, "缺陷4的点序号", "defect 4", QJsonValue(), "empty"},
        {37, "结果波形通道号", "Result Wave Num", "CH2", "text"},
    };
    for (const auto& r : rows) {
        for (const XlsxSheet* s : {&zh, &en}) {
            const auto label = s->at(Ref("A", r.row));
            EXPECT_EQ(label.text(), QString::fromUtf8(s == &zh ? r.zh : r.en)) << r.row;
            const auto value = s->at(Ref("B", r.row));
            EXPECT_EQ(value.type, QLatin1String(r.type)) << r.row;
            EXPECT_EQ(value.value, r.value) << r.row;
            EXPECT_EQ(value.align, "right") << r.row;
        }
    }
    for (int row : {14, 15, 16})
        EXPECT_EQ(zh.at(Ref("B", row)).format, "0.00_ ") << row;
    EXPECT_EQ(zh.at("B7").format, "yyyy-m-d;@");
    EXPECT_EQ(zh.at("B8").format, "h:mm:ss;@");
    EXPECT_EQ(zh.at("A11").type, "empty");
    EXPECT_EQ(en.at("A1").text(), "Low Strain Result Data Format");
    EXPECT_EQ(en.at("A2").text(), "Project ");
    EXPECT_EQ(en.at("A39").text(), "Num");
    EXPECT_EQ(en.at("B39").text(), "Time(μs)");
}

// Values whose form decides the cell: date-time texts, shapes, grades, defect marks.
TEST(ResultLayout, ValueFormsAndGuardedIndexes) {
    const struct {
        const char* dateTime;
        const char* date; // B7 value as read
        const char* time; // B8 value as read, "" empty
    } dates[] = {
        {"2024-03-15 00:00:00", "2024-03-15T00:00:00", ""},
        {"2024-03-15", "2024-03-15T00:00:00", ""},
        {"2024-03-15 ", "2024-03-15T00:00:00", ""},
        {"unknown", "unknown", ""},
    };
    std::vector<std::unique_ptr<CExcelPileInfo>> piles;
    for (const auto& c : dates) {
        piles.push_back(MakePile(QStringLiteral("D%1").arg(piles.size())));
        piles.back()->m_strDateTime = QString::fromUtf8(c.dateTime);
    }
    // A square pile, a grade below and above the table, five defect marks.
    auto square = MakePile("SQ");
    square->m_nShape = 1;
    square->m_fDiameter = 600;
    square->m_fDiameter2 = 500;
    square->m_fEnlargedBase2 = 1100;
    square->m_nGrade = -3;
    square->m_wave.DefectMarks() = {
        {10, 0, 0, 0}, {20, 0, 0, 0}, {30, 0, 0, 0}, {40, 0, 0, 0}, {50, 0, 0, 0}};
    auto high = MakePile("HI");
    high->m_nGrade = 25;
    std::vector<const CExcelPileInfo*> list;
    for (auto& p : piles)
        list.push_back(p.get());
    list.push_back(square.get());
    list.push_back(high.get());

    QTemporaryDir dir;
    const XlsxBook book = WriteResults(list, false, 2, dir);
    ASSERT_EQ(book.sheets.size(), list.size());
    for (size_t i = 0; i < std::size(dates); ++i) {
        const XlsxSheet& s = book.sheets[i];
        EXPECT_EQ(s.at("B7").value.toString(), QString::fromUtf8(dates[i].date)) << dates[i].dateTime;
        EXPECT_EQ(s.at("B8").value.toString(), QString::fromUtf8(dates[i].time)) << dates[i].dateTime;
    }
    EXPECT_EQ(book.sheets[3].at("B7").type, "text");
    const XlsxSheet& sq = book.sheets[4];
    EXPECT_EQ(sq.at("B15").value, QJsonValue("600.00 * 500.00"));
    EXPECT_EQ(sq.at("B16").value, QJsonValue("1000.00 * 1100.00"));
    EXPECT_EQ(sq.at("B22").text(), "C15");
    EXPECT_EQ(book.sheets[5].at("B22").text(), "C15");
    for (int row = 33, index = 10; row <= 36; ++row, index += 10)
        EXPECT_EQ(sq.at(Ref("B", row)).number(), index);
    EXPECT_EQ(sq.at("B37").text(), "CH2");
}

TEST(ResultLayout, SamplesStopAtTheWaveAndReachTheEndOfALongOne) {
    auto shortWave = MakePile("SHORT");
    shortWave->m_nSamples = 4096; // more than the wave holds
    auto longWave = MakePile("LONG");
    longWave->m_wave.SetData(Samples(1500));
    longWave->m_nSamples = 1500;
    QTemporaryDir dir;
    const XlsxBook book = WriteResults({shortWave.get(), longWave.get()}, false, 2, dir);
    const XlsxSheet& s = book.sheets.at(0);
    EXPECT_EQ(s.at("C1063").type, "number");
    EXPECT_EQ(s.at("C1064").type, "empty");
    const XlsxSheet& l = book.sheets.at(1);
    const int last = 40 + 1499;
    EXPECT_EQ(l.at(Ref("A", last)).text(), "1499");
    EXPECT_NEAR(l.at(Ref("C", last)).number(), Rounded6(Samples(1500)[1499]), 1e-12);
    EXPECT_EQ(l.at(Ref("A", last)).edges, "LTBR");
    EXPECT_EQ(l.at(Ref("A", last)).format, "@");
    EXPECT_EQ(l.at(Ref("A", last + 1)).type, "empty");
}

TEST(ResultSheets, OneSheetPerPileInReportOrderWithValidUniqueNames) {
    const QString longName = QString(20, u'长') + "/" + QString(19, u'x');
    const QStringList files = {"P01", "A", "a", "sheet3", longName, "P06", "Sheet2", "P08", "P09", "P10"};
    std::vector<std::unique_ptr<CExcelPileInfo>> piles;
    std::vector<const CExcelPileInfo*> list;
    for (const QString& f : files) {
        piles.push_back(MakePile(f));
        piles.back()->m_strPileNo = f + "-no";
        list.push_back(piles.back().get());
    }
    QTemporaryDir dir;
    const XlsxBook book = WriteResults(list, false, 2, dir);
    ASSERT_EQ(book.sheets.size(), 10u);
    const QStringList expected = {
        "P01", "A",      "a (2)", "sheet3", QString(20, u'长') + "_" + QString(10, u'x'),
        "P06", "Sheet2", "P08",   "P09",    "P10"};
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(book.sheets[i].name, expected[int(i)]);
        EXPECT_EQ(book.sheets[i].at("B13").text(), files[int(i)] + "-no") << i;
    }
}

// The raw sheet of a 15-channel pile: channel columns C..Q, the average in R.
TEST(RawLayout, FifteenChannelsAndTheAverage) {
    std::vector<std::unique_ptr<CWaveRecord>> waves;
    std::vector<const CWaveRecord*> list;
    for (int j = 0; j < 16; ++j) {
        waves.push_back(std::make_unique<CWaveRecord>());
        CWaveRecord& w = *waves.back();
        w.SetData(Samples(1024, float(j)));
        w.sampleInterval = 20;
        w.pileLength = 12.5f + j;
        w.speed = 3800 + j;
        w.expGain = j;
        w.highPassHz = 10;
        w.lowPassHz = 2000;
        w.expStart = 25 + j;
        list.push_back(&w);
    }
    waves[1]->dataForm = 1;
    waves[2]->dataForm = -1;
    CExcelRawInfo info;
    info.m_strProject = "桥梁工程";
    info.m_strPileNo = "007";
    info.m_strDateTime = "2024-03-15 09:30:00";
    info.m_nChannels = 15;
    info.m_strDiameter = "800.00";
    info.m_fInterval = 20;
    info.m_nSamples = 1024;
    AverageFlags flags{};
    flags[0] = flags[1] = flags[2] = 1;

    for (const bool english : {false, true}) {
        info.m_bEnglish = english;
        QTemporaryDir dir;
        const QString path = dir.filePath("raw.xlsx");
        AppContext app;
        OfficeExcelExport exporter(app);
        ASSERT_TRUE(exporter.ExportRawData(info, flags, list, {path}));
        QString error;
        const auto book = readXlsx(path, &error);
        ASSERT_TRUE(book) << error.toStdString();
        ASSERT_EQ(book->sheets.size(), 1u);
        const XlsxSheet& s = book->sheets[0];
        EXPECT_EQ(s.name, english ? "The original data format" : "原始数据数据格式");
        EXPECT_EQ(s.at("A1").text(), english ? "Low Strain Raw Data Format" : "低应变原始数据格式");
        EXPECT_EQ(s.at("A23").text(),
                  english ? "In the calculation of the number average waveform" : "参与平均波形计算的通道号");
        EXPECT_EQ(s.at("B23").text(), "1、2、3");
        EXPECT_EQ(s.at("B9").text(), "007");
        EXPECT_EQ(s.at("B7").type, "datetime");
        EXPECT_EQ(s.at("B7").format, "yyyy-m-d;@");
        EXPECT_EQ(s.at("B8").value, QJsonValue("09:30:00"));
        EXPECT_EQ(s.at("B10").number(), 15);
        EXPECT_EQ(s.at("B15").number(), 800);
        EXPECT_EQ(s.at("B16").number(), 20);
        EXPECT_EQ(s.at("B16").format, "0.00_ ");
        EXPECT_EQ(s.at("B13").format, "0.00_ ");
        EXPECT_EQ(s.freeze, "A3");
        EXPECT_EQ(s.at("A23").edges, "LTBR");
        EXPECT_EQ(s.at("A24").edges, "");

        for (int c = 1; c <= 16; ++c) {
            const QString col = OfficeExcel::CellName(1, c + 2).chopped(1);
            const auto heading = s.at(col + "12");
            EXPECT_EQ(heading.text(), c <= 15 ? QStringLiteral("CH%1").arg(c) : QStringLiteral("CHAVG"));
            EXPECT_EQ(heading.align, "center");
            EXPECT_DOUBLE_EQ(s.widths.at(col), 14.5703125) << col.toStdString();
            EXPECT_NEAR(s.at(col + "13").number(), 12.5 + (c - 1), 1e-9);
            EXPECT_EQ(s.at(col + "14").number(), 3800 + (c - 1));
            EXPECT_EQ(s.at(col + "19").number(), c - 1);
            EXPECT_EQ(s.at(col + "22").number(), 25 + (c - 1));
            EXPECT_EQ(s.at(col + "22").edges, "LTBR");
            EXPECT_EQ(s.at(col + "22").align, "right");
        }
        EXPECT_EQ(s.at("D17").text(), english ? "Integral Done" : "已积分");
        EXPECT_EQ(s.at("E17").text(), english ? "differential Done" : "已微分");
        EXPECT_EQ(s.at("C17").text(), english ? "Not Handle" : "未操作");
        EXPECT_EQ(s.widths.count("S"), 0u);
        EXPECT_TRUE(s.merges.contains("C25:R25"));
        EXPECT_EQ(s.at("C25").text(), "m/s");

        for (int i : {0, 1, 777, 1023}) {
            const int row = 26 + i;
            const auto num = s.at(Ref("A", row));
            EXPECT_EQ(num.type, "text");
            EXPECT_EQ(num.text(), QString::number(i));
            EXPECT_EQ(num.align, "right");
            EXPECT_DOUBLE_EQ(s.at(Ref("B", row)).number(), i * 20.0);
            for (int j : {0, 15})
                EXPECT_NEAR(s.at(OfficeExcel::CellName(row, j + 3)).number(),
                            Rounded6(Samples(1024, float(j))[size_t(i)]), 1e-12);
        }
        EXPECT_EQ(s.at("R1049").edges, "LTBR");
        EXPECT_EQ(s.at("A1050").type, "empty");
    }
}

TEST(RawLayout, TableRowsFollowTheLongestWaveAndNeverReadPastOne) {
    CWaveRecord longWave, shortWave;
    longWave.SetData(Samples(2048));
    shortWave.SetData(Samples(512));
    CExcelRawInfo info;
    info.m_nChannels = 1;
    info.m_fInterval = 10;
    info.m_nSamples = 2048;
    AppContext app;
    OfficeExcel excel(app);
    excel.CreateApplication();
    EXPECT_FALSE(excel.ExportRawDataWorkbook(info, {}, {&longWave, &shortWave}, "other"));
    ASSERT_TRUE(excel.ExportRawDataWorkbook(info, {}, {&longWave, &shortWave}, "SHEET1"));
    QTemporaryDir dir;
    ASSERT_TRUE(excel.ShowAndRelease({dir.filePath("raw.xlsx")}));
    const auto book = readXlsx(dir.filePath("raw.xlsx"));
    ASSERT_TRUE(book);
    const XlsxSheet& s = book->sheets.at(0);
    EXPECT_EQ(s.at("A2073").text(), "2047");
    EXPECT_DOUBLE_EQ(s.at("B2073").number(), 20470);
    EXPECT_EQ(s.at("C2073").type, "number");
    EXPECT_EQ(s.at("D537").type, "number"); // sample 511 of the short wave
    EXPECT_EQ(s.at("D538").type, "empty");
    EXPECT_EQ(s.at("D2073").edges, "LTBR");
    EXPECT_EQ(s.at("A2074").type, "empty");
}

TEST(ExcelExport, NoPileSaysSoAndWritesNothing) {
    ScriptedMessageSink sink;
    AppContext app;
    app.messages = &sink;
    OfficeExcelExport exporter(app);
    QTemporaryDir dir;
    EXPECT_FALSE(exporter.ExportResults({}, false, 2, {dir.filePath("none.xlsx")}));
    EXPECT_FALSE(exporter.ExportResults({nullptr}, false, 2, {dir.filePath("none.xlsx")}));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.xlsx")));
    EXPECT_EQ(sink.shown.size(), 2u);
}

} // namespace
