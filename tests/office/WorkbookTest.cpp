// The workbook model and the cell operations of OfficeExcel, read back
// through openpyxl.
#include "office/Workbook.h"
#include "office/OfficeExcel.h"
#include "platform/AllocationProbe.h"
#include "platform/AppContext.h"
#include "tests/office/XlsxDump.h"
#include "tests/reports/ReportFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pit;
using pit::test::readXlsx;
using pit::test::XlsxBook;

namespace {

XlsxBook SaveAndRead(const Workbook& book, const QTemporaryDir& dir, const QString& name = "t.xlsx") {
    const QString path = dir.filePath(name);
    QString error;
    EXPECT_TRUE(book.Save(path, &error)) << error.toStdString();
    const auto read = readXlsx(path, &error);
    EXPECT_TRUE(read.has_value()) << error.toStdString();
    return read.value_or(XlsxBook{});
}

TEST(OfficeExcel, CellNameCountsColumnsInLetters) {
    const struct {
        int row, col;
        const char* name;
    } cases[] = {{1, 1, "A1"},   {7, 26, "Z7"},   {1, 27, "AA1"},   {1, 52, "AZ1"},
                 {1, 53, "BA1"}, {1, 702, "ZZ1"}, {1, 703, "AAA1"}, {3, 16384, "XFD3"},
                 {0, 1, ""},     {1, 0, ""},      {1, 16385, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(OfficeExcel::CellName(c.row, c.col), QString::fromLatin1(c.name)) << c.row << "," << c.col;
}

TEST(Workbook, SheetNamesAreCleanedCutAndMadeUnique) {
    const struct {
        const char* in;
        const char* out;
    } clean[] = {
        {"ZK6", "ZK6"},
        {"a/b\\c[d]e:f*g?h", "a_b_c_d_e_f_g_h"},
        {"'quoted'", "_quoted_"},
        {"history", "history_"},
        {"0123456789012345678901234567890123456789", "0123456789012345678901234567890"},
        {"", ""},
    };
    for (const auto& c : clean)
        EXPECT_EQ(Workbook::CleanSheetName(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;

    Workbook book;
    book.AddSheet("A");
    EXPECT_EQ(book.AddSheet("a").Name(), "a (2)");
    EXPECT_EQ(book.AddSheet("A").Name(), "A (3)");
    const QString long31(31, u'x');
    book.AddSheet(long31);
    const QString second = book.AddSheet(long31).Name();
    EXPECT_EQ(second, QString(27, u'x') + " (2)");
    EXPECT_EQ(book.IndexOf("A (3)"), 2);
    EXPECT_EQ(book.IndexOf("a (3)"), 2);
    EXPECT_EQ(book.IndexOf("none"), -1);
    // A rename to its own name keeps it; to another's name gets a number.
    book.RenameSheet(0, "a");
    EXPECT_EQ(book.Sheet(0).Name(), "a");
    book.RenameSheet(0, "A (3)");
    EXPECT_EQ(book.Sheet(0).Name(), "A (3) (2)");
    book.RenameSheet(0, "");
    EXPECT_EQ(book.Sheet(0).Name(), "A (3) (2)");
}

// What each kind of text becomes in the file.
TEST(OfficeExcel, CellsAreTypedByKindAndTextFormatKeepsText) {
    AppContext app;
    OfficeExcel excel(app);
    ASSERT_TRUE(excel.CreateApplication());
    using K = OfficeExcel::Kind;
    const struct {
        const char* text;
        K kind;
        const char* type;
        QJsonValue value;
    } cases[] = {
        {"1-2", K::Text, "text", "1-2"},
        {"007", K::Text, "text", "007"},
        {"4000", K::Number, "number", 4000},
        {"-0.012346", K::Number, "number", -0.012346},
        {"600.00 * 500.00", K::Number, "text", "600.00 * 500.00"},
        {"2024-03-15", K::Date, "datetime", "2024-03-15T00:00:00"},
        {"2024/3/5", K::Date, "datetime", "2024-03-05T00:00:00"},
        {"2024.3.5", K::Date, "datetime", "2024-03-05T00:00:00"},
        {"1900-01-01", K::Date, "datetime", "1900-01-01T00:00:00"},
        {"2024-02-30", K::Date, "text", "2024-02-30"},
        {"15.03.2024", K::Date, "text", "15.03.2024"},
        {"09:30:05", K::Time, "time", "09:30:05"},
        {"9:30", K::Time, "time", "09:30:00"},
        {"25:00:00", K::Time, "text", "25:00:00"},
        {"", K::Number, "empty", QJsonValue()},
    };
    int row = 1;
    for (const auto& c : cases) {
        if (QLatin1String(c.type) == QLatin1String("datetime"))
            excel.SetCellNumberFormat(row, 1, "yyyy-m-d;@");
        if (QLatin1String(c.type) == QLatin1String("time"))
            excel.SetCellNumberFormat(row, 1, "h:mm:ss;@");
        excel.SetCell(row++, 1, QString::fromUtf8(c.text), c.kind);
    }
    // "@" set before the value keeps a number as text, as the spreadsheet does.
    excel.SetCellNumberFormat(row, 1, "@");
    excel.SetCell(row, 1, "12", K::Number);

    QTemporaryDir dir;
    const XlsxBook book = SaveAndRead(excel.Book(), dir);
    ASSERT_EQ(book.sheets.size(), 1u);
    const auto& sheet = book.sheets[0];
    EXPECT_EQ(sheet.name, "Sheet1");
    row = 1;
    for (const auto& c : cases) {
        const auto cell = sheet.at(QStringLiteral("A%1").arg(row++));
        EXPECT_EQ(cell.type, QLatin1String(c.type)) << c.text;
        EXPECT_EQ(cell.value, c.value) << c.text;
    }
    const auto text = sheet.at(QStringLiteral("A%1").arg(row));
    EXPECT_EQ(text.type, "text");
    EXPECT_EQ(text.text(), "12");
    EXPECT_EQ(text.format, "@");
}

TEST(OfficeExcel, BordersMergesWidthsAndFrozenRowsReachTheFile) {
    AppContext app;
    OfficeExcel excel(app);
    excel.CreateApplication();
    excel.DrawGrid({2, 1, 4, 3});
    // The outline and inner verticals of one row, then its top taken away.
    excel.SetBorder({6, 1, 6, 3}, OfficeExcel::xlEdgeLeft, OfficeExcel::xlContinuous);
    excel.SetBorder({6, 1, 6, 3}, OfficeExcel::xlEdgeRight, OfficeExcel::xlContinuous);
    excel.SetBorder({6, 1, 6, 3}, OfficeExcel::xlInsideVertical, OfficeExcel::xlContinuous);
    excel.SetBorder({6, 1, 6, 3}, OfficeExcel::xlEdgeBottom, OfficeExcel::xlContinuous);
    excel.MergeAcross({2, 2, 4, 3});
    EXPECT_FALSE(excel.Book().Sheet(0).Merge({3, 3, 5, 4})) << "overlaps B3:C3";
    excel.SetCell(3, 2, "merged", OfficeExcel::Kind::Text);
    excel.SetCellAlignment(3, 2, OfficeExcel::xlRight);
    excel.SetCellAlignment(2, 1, OfficeExcel::xlCenter);
    excel.SetColumnWidth(1, "23");
    excel.SetColumnWidth(2, "13.88");
    excel.SetColumnWidth(3, "wide"); // not a number: nothing
    excel.FreezeTitleRows();

    QTemporaryDir dir;
    const XlsxBook book = SaveAndRead(excel.Book(), dir);
    const auto& s = book.sheets.at(0);
    for (const char* ref : {"A2", "B3", "A4"})
        EXPECT_EQ(s.at(ref).edges, "LTBR") << ref;
    EXPECT_EQ(s.at("C4").edges, "TBR"); // the reader shows a merged block by its outline
    EXPECT_EQ(s.at("A6").edges, "LBR");
    EXPECT_EQ(s.at("B6").edges, "LBR");
    EXPECT_EQ(s.at("A5").edges, "");
    EXPECT_EQ(s.merges, QStringList({"B2:C2", "B3:C3", "B4:C4"}));
    EXPECT_EQ(s.at("B3").text(), "merged");
    EXPECT_EQ(s.at("B3").align, "right");
    EXPECT_EQ(s.at("A2").align, "center");
    EXPECT_DOUBLE_EQ(s.widths.at("A"), 23.7109375); // libxlsxwriter's pixel rounding
    EXPECT_DOUBLE_EQ(s.widths.at("B"), 14.5703125);
    EXPECT_EQ(s.widths.count("C"), 0u);
    EXPECT_EQ(s.freeze, "A3");
}

TEST(Workbook, FormatsAreSharedAmongCellsOfOneStyle) {
    Workbook book;
    Worksheet& s = book.AddSheet("data");
    for (int row = 1; row <= 2000; ++row) {
        s.SetNumber(row, 1, row);
        s.SetNumber(row, 2, row * 0.5);
    }
    s.SetNumberFormat({1, 1, 2000, 1}, "@");
    s.SetAlignment({1, 2, 2000, 2}, HAlign::Right);
    s.SetEdges({1, 1, 2000, 2}, EdgeLeft | EdgeRight, true);
    QTemporaryDir dir;
    const XlsxBook read = SaveAndRead(book, dir);
    // The default format and one per distinct style.
    EXPECT_LE(read.styles, 3);
    EXPECT_EQ(read.sheets.at(0).at("B2000").align, "right");
    EXPECT_EQ(read.sheets.at(0).at("A1999").format, "@");
}

TEST(Workbook, SaveReplacesTheTargetAndAFailedSaveLeavesItAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.xlsx");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    Workbook book;
    book.AddSheet("first").SetText(1, 1, "new");
    book.AddSheet("second");
    book.SetActiveSheet(1);
    QString error;
    ASSERT_TRUE(book.Save(path, &error)) << error.toStdString();
    const auto read = readXlsx(path, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->sheets.at(0).at("A1").text(), "new");
    EXPECT_EQ(read->active, "second");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xlsx"});

    // A folder in the target's place cannot be replaced; no temporary file stays.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.xlsx"));
    EXPECT_FALSE(book.Save(dir.filePath("taken.xlsx"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xlsx"});
    EXPECT_FALSE(book.Save(dir.filePath("missing/out.xlsx"), &error));
}

TEST(Workbook, TextsAndSheetNamesHoldOnlyWhatXmlAllows) {
    QTemporaryDir dir;
    const QString esc = QStringLiteral("ZK") + QChar(0x1B) + QStringLiteral("1") + QChar(0x01);
    Workbook book;
    Worksheet& sheet = book.AddSheet(esc + QChar(0xFFFF));
    sheet.SetText(1, 1, esc + QStringLiteral("\t桩") + QChar(0x0B));
    const XlsxBook read = SaveAndRead(book, dir);
    ASSERT_EQ(read.sheets.size(), 1u);
    EXPECT_EQ(read.sheets[0].name, "ZK_1_");
    EXPECT_EQ(read.sheets[0].at("A1").text(), QStringLiteral("ZK1\t桩"));
}

TEST(Workbook, AReadOnlyTargetIsKept) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes any file; the program run as another user is checked end to end";
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.xlsx");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    Workbook book;
    book.AddSheet("new");
    QString error;
    EXPECT_FALSE(book.Save(path, &error));
    EXPECT_EQ(error, "the file is read-only");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.xlsx"});
}

TEST(Workbook, MemoryRunningOutInTheLibraryFailsTheSaveAndLeavesTheTargetAlone) {
    // Two sheets of 400 rows of three cells (a number, a text, a styled
    // blank), rows merged across as the result sheets have them; with a
    // merge over two rows the library runs in its normal mode.
    const auto makeBook = [](bool mergeOverRows) {
        auto book = std::make_unique<Workbook>();
        for (const char* name : {"ZK6", "ZK10"}) {
            Worksheet& s = book->AddSheet(QString::fromLatin1(name));
            for (int row = 1; row <= 400; ++row) {
                s.SetNumber(row, 1, row * 0.25);
                s.SetText(row, 2, QStringLiteral("桩 %1").arg(row));
                s.SetEdges(CellRange::Cell(row, 3), EdgeLeft | EdgeRight, true);
                if (row < 40)
                    s.Merge({row, 2, row, 3});
            }
            if (mergeOverRows)
                s.Merge({400, 1, 401, 1});
        }
        return book;
    };
    // Memory is gone from a cell on, for the library as well: it fails
    // that cell, or ends its process where it writes through the null it got.
    const struct {
        const char* what;
        bool mergeOverRows;
        long cell; // the first cell handed to the library after memory is gone
    } cases[] = {
        {"at the first cell", false, 0},
        {"inside a sheet's rows", false, 500},
        {"in the second sheet", false, 1240 + 600},
        {"in the library's normal mode", true, 300},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.xlsx");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("old");
        }
        FailAllocationsFrom(AllocSite::Workbook, c.cell);
        QString error;
        const bool saved = makeBook(c.mergeOverRows)->Save(path, &error);
        FailAllocationsFrom(AllocSite::Workbook, -1);
        // The library's failure stays in its own process; this one goes on.
        EXPECT_FALSE(saved);
        EXPECT_TRUE(error == "out of memory" || error.contains("memory may have run out"))
            << error.toStdString();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.xlsx"});
    }
    // With memory back, the workbook is written whole.
    QString error;
    ASSERT_TRUE(makeBook(false)->Save(path, &error)) << error.toStdString();
    const auto read = readXlsx(path, &error);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->sheets.size(), 2u);
    EXPECT_EQ(read->sheets[1].at("B400").text(), QStringLiteral("桩 400"));
    EXPECT_EQ(read->sheets[1].at("A400").number(), 100.0);
    EXPECT_EQ(read->sheets[1].at("C400").edges, "LR");
    EXPECT_EQ(read->sheets[0].merges.size(), 39);
}

TEST(OfficeExcel, ShowAndReleaseSavesWhereTheUserChoosesAndOpensIt) {
    QTemporaryDir dir;
    AppContext app;
    test::FakeExportServices services;
    OfficeExcel excel(app, &services);
    excel.CreateApplication();
    const ExcelTarget ask{{}, dir.path(), "offered.xlsx"};

    // Cancelled: nothing written, nothing said.
    EXPECT_FALSE(excel.ShowAndRelease(ask));
    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, "offered.xlsx");
    EXPECT_EQ(services.asks[0].folder, dir.path());
    EXPECT_EQ(services.asks[0].defaultSuffix, "xlsx");
    EXPECT_TRUE(services.messages.empty());

    const QString chosen = dir.filePath("chosen.xlsx");
    services.answers = {chosen};
    EXPECT_TRUE(excel.ShowAndRelease(ask));
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(services.opened, QStringList{chosen});

    // A given path is written without asking or opening.
    EXPECT_TRUE(excel.ShowAndRelease({dir.filePath("given.xlsx")}));
    EXPECT_TRUE(QFile::exists(dir.filePath("given.xlsx")));
    EXPECT_EQ(services.asks.size(), 2u);
    EXPECT_EQ(services.opened.size(), 1);

    // Open in an office program: refused before anything is written.
    QFile lock(dir.filePath(".~lock.busy.xlsx#"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    services.answers = {dir.filePath("busy.xlsx")};
    EXPECT_FALSE(excel.ShowAndRelease(ask));
    EXPECT_FALSE(QFile::exists(dir.filePath("busy.xlsx")));
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains("busy.xlsx"));

    // Without services there is nobody to ask.
    ScriptedMessageSink sink;
    app.messages = &sink;
    OfficeExcel batch(app);
    batch.CreateApplication();
    EXPECT_FALSE(batch.ShowAndRelease(ask));
    EXPECT_EQ(sink.shown.size(), 1u);
}

} // namespace
