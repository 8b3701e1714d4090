// The state export of the open pile through its action in the main window:
// the raw-data workbook offered in the pile's folder, written and opened.
#include "analysis/QtExportServices.h"
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandIds.h"
#include "office/ExcelExporter.h"
#include "platform/AllocationProbe.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/office/XlsxDump.h"
#include "tests/reports/ReportFixture.h"

#include <QProgressDialog>
#include <QPushButton>

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
    // Said in the window's language.
    EXPECT_TRUE(services.messages[0].contains(QStringLiteral("内存不足")))
        << services.messages[0].toStdString();
    EXPECT_FALSE(services.messages[0].contains("memory")) << services.messages[0].toStdString();
    EXPECT_TRUE(services.opened.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(QDir(tmp.path()).entryList({"*.xlsx*", ".*.tmp"}, QDir::Files | QDir::Hidden), QStringList());

    // The window goes on: the same command writes the workbook.
    action(cmd::kExportStateExcel)->trigger();
    EXPECT_EQ(services.opened, QStringList{out});
    QString error;
    EXPECT_TRUE(test::readXlsx(out, &error)) << error.toStdString();
}

// Cancel while the workbook is written: the earlier file stays as it was,
// nothing is said or opened, and the window goes on.
TEST_F(StateExcel, ACancelWhileTheWorkbookIsWrittenLeavesTheFileAsItWas) {
    test::FakeExportServices services;
    OfficeExcelExport excel(ctx, &services);
    frame->SetExcelExport(&excel);
    const QString out = tmp.filePath("chosen.xlsx");
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }
    services.answers = {out};
    services.cancelOnCall = 1;
    ASSERT_NO_FATAL_FAILURE(TriggerOnPile(cmd::kExportStateExcel, "ZK6.DUX"));
    EXPECT_EQ(services.progressCalls, 1);
    EXPECT_EQ(services.progressEnded, 1);
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join('\n').toStdString();
    EXPECT_TRUE(services.opened.isEmpty());
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "earlier");
    EXPECT_EQ(QDir(tmp.path()).entryList({"*.xlsx*", ".*.tmp"}, QDir::Files | QDir::Hidden),
              QStringList{"chosen.xlsx"});
}

// The window's progress: a box over the window with a bar and Cancel;
// after Cancel the export is told to stop, and the box goes at the end.
TEST_F(StateExcel, TheWindowShowsProgressWithCancel) {
    QtExportServices services(frame.get());
    EXPECT_TRUE(services.Progress("writing", 0, 10));
    auto* box = frame->findChild<QProgressDialog*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->maximum(), 10);
    EXPECT_TRUE(services.Progress("writing", 4, 10));
    EXPECT_EQ(box->value(), 4);
    EXPECT_TRUE(box->windowModality() == Qt::ApplicationModal);
    auto* cancel = box->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_FALSE(services.Progress("writing", 5, 10));
    services.EndProgress();
    EXPECT_EQ(frame->findChild<QProgressDialog*>(), nullptr);
    EXPECT_TRUE(services.Progress("again", 0, 3)) << "a new export starts uncancelled";
    services.EndProgress();
}

} // namespace
