// The state export of the open pile through its action in the main window:
// the raw-data workbook offered in the pile's folder, written and opened.
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandIds.h"
#include "office/ExcelExporter.h"
#include "platform/AllocationProbe.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/office/XlsxDump.h"
#include "tests/reports/ReportFixture.h"

using namespace pit;

namespace {

struct StateExcel : test::SampleFrame {};

TEST_F(StateExcel, TheActionWritesTheOpenPilesRawWorkbook) {
    test::FakeExportServices services;
    OfficeExcelExport excel(ctx, &services);
    frame->SetExcelExport(&excel);
    const QString out = tmp.filePath("chosen.xlsx");
    services.answers = {out};
    ASSERT_NO_FATAL_FAILURE(TriggerOnPile(cmd::kExportStateExcel, "ZK6.DUX"));

    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, doc->m_PileRecord.m_strPileNo + "_原始数据.xlsx");
    EXPECT_EQ(QFileInfo(services.asks[0].folder), QFileInfo(folder));
    EXPECT_EQ(services.opened, QStringList{out});
    QString error;
    const auto book = test::readXlsx(out, &error);
    ASSERT_TRUE(book) << error.toStdString();
    const auto& s = book->sheets.at(0);
    EXPECT_EQ(s.name, "原始数据数据格式");
    EXPECT_EQ(s.at("B9").text(), doc->m_PileRecord.m_strPileNo);
    const int n = doc->m_PileRecord.ChannelCountInList() - 1;
    EXPECT_EQ(s.at("B10").number(), n);
    EXPECT_EQ(s.at(OfficeExcel::CellName(12, n + 3)).text(), "CHAVG");
    EXPECT_NEAR(s.at("C26").number(), doc->m_PileRecord.Channel(0)->Source()[0], 5e-7);
}

TEST_F(StateExcel, AWorkbookWriterThatRunsOutOfMemoryIsToldAndTheWindowGoesOn) {
    test::FakeExportServices services;
    OfficeExcelExport excel(ctx, &services);
    frame->SetExcelExport(&excel);
    const QString out = tmp.filePath("chosen.xlsx");
    services.answers = {out, out};
    // The library runs out in the middle of the samples, in its own process.
    FailAllocationsFrom(AllocSite::Workbook, 2000);
    TriggerOnPile(cmd::kExportStateExcel, "ZK6.DUX");
    FailAllocationsFrom(AllocSite::Workbook, -1);
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains("out of memory") ||
                services.messages[0].contains("memory may have run out"))
        << services.messages[0].toStdString();
    EXPECT_TRUE(services.opened.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(QDir(tmp.path()).entryList({"*.xlsx*", ".*.tmp"}, QDir::Files | QDir::Hidden), QStringList());

    // The window goes on: the same command writes the workbook.
    action(cmd::kExportStateExcel)->trigger();
    EXPECT_EQ(services.opened, QStringList{out});
    QString error;
    EXPECT_TRUE(test::readXlsx(out, &error)) << error.toStdString();
}

} // namespace
