// The open pile's raw-data workbook: the values taken from a saved pile file
// and its project, written and read back.
#include "reports/ExcelStateExport.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProjectInfo.h"
#include "office/ExcelExporter.h"
#include "platform/AppContext.h"
#include "tests/office/XlsxDump.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;

namespace {

TEST(StateExport, SavedPileGivesItsRawWorkbook) {
    CPileRecord pile;
    ASSERT_TRUE(pile.ReadFile(QStringLiteral(PIT_SAMPLES_DIR "/ZK6.DUX")));
    CProjectInfo project;
    project.m_texts[0] = "演示工程";
    project.m_texts[2] = "检测中心";
    project.m_texts[4] = "张三";
    project.m_texts[5] = "第三工程队";

    const RawWorkbookInput in = MakeRawWorkbookInput(pile, project, nullptr, false);
    ASSERT_EQ(in.waves.size(), size_t(pile.ChannelCountInList()));
    EXPECT_EQ(in.info.m_nChannels, pile.ChannelCountInList() - 1);
    EXPECT_EQ(in.info.m_strDateTime,
              pile.m_testDate.toString("yyyy-MM-dd ") + pile.m_testTime.toString("HH:mm:ss"));

    QTemporaryDir dir;
    const QString path = dir.filePath(RawWorkbookDefaultName(in.info.m_strPileNo, false));
    AppContext app;
    OfficeExcelExport exporter(app);
    ASSERT_TRUE(exporter.ExportRawData(in.info, in.flags, in.waves, {path}));
    QString error;
    const auto book = pit::test::readXlsx(path, &error);
    ASSERT_TRUE(book) << error.toStdString();
    const auto& s = book->sheets.at(0);
    EXPECT_EQ(s.at("B3").text(), "演示工程");
    EXPECT_EQ(s.at("B4").text(), "检测中心");
    EXPECT_EQ(s.at("B5").text(), "第三工程队");
    EXPECT_EQ(s.at("B6").text(), "张三");
    EXPECT_EQ(s.at("B9").text(), pile.m_strPileNo);
    EXPECT_EQ(s.at("B10").number(), 3);
    EXPECT_EQ(s.at("B15").number(), double(int(pile.m_fDiameter * 100 + 0.5f)) / 100);
    EXPECT_EQ(s.at("B16").number(), 20);
    EXPECT_EQ(s.at("B23").text(), "1、2、3");
    EXPECT_EQ(s.at("E12").text(), "CH3");
    EXPECT_EQ(s.at("F12").text(), "CHAVG");
    for (int j = 0; j < 4; ++j)
        EXPECT_NEAR(s.at(QChar(u'C' + j) + QStringLiteral("26")).number(),
                    QString::asprintf("%.6f", double(in.waves[size_t(j)]->Source()[0])).toDouble(), 1e-12);

    // Fixed-parameter analysis gives the section; a square one has two sides.
    CPileParamSet fixed;
    fixed.shapeIndex = 1;
    fixed.diameter = 600;
    fixed.secondSide = 500;
    EXPECT_EQ(MakeRawWorkbookInput(pile, project, &fixed, true).info.m_strDiameter, "600.00*500.00");
    EXPECT_EQ(MakeRawWorkbookInput(pile, project, &fixed, true).info.m_bEnglish, 1);
}

TEST(StateExport, DefaultNames) {
    EXPECT_EQ(RawWorkbookDefaultName("ZK6", false), "ZK6_原始数据.xlsx");
    EXPECT_EQ(RawWorkbookDefaultName("1/2:3", true), "1_2_3_RawData.xlsx");
    EXPECT_EQ(ResultWorkbookDefaultName("桥梁", false), "桥梁_结果数据.xlsx");
    EXPECT_EQ(ResultWorkbookDefaultName("Bridge", true), "Bridge_ResultData.xlsx");
}

} // namespace
