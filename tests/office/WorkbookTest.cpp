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
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <future>
#include <gtest/gtest.h>
#include <thread>
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
    // A conclusion from the instrument breaks its lines with CR LF: every
    // reader shows LF as the break (CR comes back as "_x000D_").
    sheet.SetText(2, 1, QStringLiteral("滨江\r\n完整\r桩身"));
    const XlsxBook read = SaveAndRead(book, dir);
    ASSERT_EQ(read.sheets.size(), 1u);
    EXPECT_EQ(read.sheets[0].name, "ZK_1_");
    EXPECT_EQ(read.sheets[0].at("A1").text(), QStringLiteral("ZK1\t桩"));
    EXPECT_EQ(read.sheets[0].at("A2").text(), QStringLiteral("滨江\n完整\n桩身"));
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

// Many sheets of the result sheet's size, so the writer takes a while.
std::unique_ptr<Workbook> BigBook(int sheets) {
    auto book = std::make_unique<Workbook>();
    for (int i = 0; i < sheets; ++i) {
        Worksheet& s = book->AddSheet(QStringLiteral("ZK%1").arg(i));
        for (int row = 1; row <= 1024; ++row) {
            s.SetText(row, 1, QString::number(row));
            s.SetNumber(row, 2, row * 0.25);
            s.SetNumber(row, 3, -row * 0.001);
        }
        s.SetEdges({1, 1, 1024, 3}, EdgeLeft | EdgeRight | EdgeTop | EdgeBottom, true);
    }
    return book;
}

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A program started with SIGCHLD ignored (the system then reaps its
// children itself) still writes its workbooks.
TEST(Workbook, SavesWithChildEndsIgnored) {
    QTemporaryDir dir;
    Workbook book;
    book.AddSheet("one").SetText(1, 1, "kept");
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ASSERT_EQ(sigaction(SIGCHLD, &ignore, &before), 0);
    QString error;
    const bool saved = book.Save(dir.filePath("t.xlsx"), &error);
    sigaction(SIGCHLD, &before, nullptr);
    ASSERT_TRUE(saved) << error.toStdString();
    const auto read = readXlsx(dir.filePath("t.xlsx"), &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->sheets.at(0).at("A1").text(), "kept");
}

// Another thread converting local times (holding the C library's time-zone
// lock now and then, as Qt's threads do) never stops a save: the writer is
// a fresh program, not a copy of this one with that lock held.
TEST(Workbook, SavesWhileAnotherThreadConvertsLocalTimes) {
    QTemporaryDir dir;
    Workbook book;
    book.AddSheet("a").SetNumber(1, 1, 1);
    book.AddSheet("b").SetText(1, 1, "x");
    std::atomic<bool> stop{false};
    std::thread times([&] {
        for (time_t t = 0; !stop; t += 3600) {
            tm out{};
            localtime_r(&t, &out);
        }
    });
    auto saves = std::async(std::launch::async, [&] {
        for (int i = 0; i < 12; ++i)
            if (!book.Save(dir.filePath(QStringLiteral("t%1.xlsx").arg(i))))
                return i;
        return -1;
    });
    const bool done = saves.wait_for(std::chrono::seconds(120)) == std::future_status::ready;
    stop = true;
    times.join();
    if (!done) {
        ADD_FAILURE() << "the saves did not end";
        std::_Exit(1); // a save that hangs would hold the test forever
    }
    EXPECT_EQ(saves.get(), -1) << "a save failed";
    const auto read = readXlsx(dir.filePath("t11.xlsx"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sheets.size(), 2u);
}

// Cancelled while it writes: the earlier workbook stays as it was and
// nothing of the new one is left.
TEST(Workbook, ACancelLeavesTheTargetAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.xlsx");
    WriteFile(path, "earlier");
    const auto book = BigBook(80);
    int calls = 0;
    WorkbookFailure failure;
    EXPECT_FALSE(book->Save(path, &failure, [&](int done, int total) {
        EXPECT_EQ(total, 2 * 80 + 1);
        EXPECT_LE(done, total);
        return ++calls < 3;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(failure.cause, WorkbookFailure::Cause::Cancelled);
    EXPECT_TRUE(failure.Text(false).isEmpty());
    EXPECT_EQ(Contents(path), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.xlsx"});

    // Through the export: no message for a cancel, the progress taken away.
    AppContext app;
    test::FakeExportServices services;
    services.cancelOnCall = 2;
    OfficeExcel excel(app, &services);
    excel.CreateApplication();
    excel.Book() = std::move(*BigBook(80));
    EXPECT_FALSE(excel.Save(path, false));
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join('\n').toStdString();
    EXPECT_EQ(services.progressEnded, 1);
    EXPECT_EQ(Contents(path), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.xlsx"});

    // Not cancelled: the progress reaches its end.
    services.cancelOnCall = -1;
    services.progressCalls = 0;
    EXPECT_TRUE(excel.Save(path, false));
    EXPECT_GT(services.progressCalls, 0);
    EXPECT_EQ(services.progressEnded, 2);
}

// The reasons are told in the interface's language.
TEST(OfficeExcel, AWriterThatCannotStartIsToldInTheInterfaceLanguage) {
    QTemporaryDir dir;
    const QByteArray before = qgetenv("KEV_DUX_XLSX_WRITER");
    qputenv("KEV_DUX_XLSX_WRITER", QFile::encodeName(dir.filePath("missing/kev_dux_xlsx")));
    if (Workbook::WriterProgram() != dir.filePath("missing/kev_dux_xlsx")) {
        qputenv("KEV_DUX_XLSX_WRITER", before);
        GTEST_SKIP() << "the writer beside the test program is always found";
    }
    for (const bool english : {false, true}) {
        AppContext app;
        app.english = english;
        test::FakeExportServices services;
        OfficeExcel excel(app, &services);
        excel.CreateApplication();
        EXPECT_FALSE(excel.Save(dir.filePath("t.xlsx"), false));
        ASSERT_EQ(services.messages.size(), 1);
        const QString said = services.messages[0];
        if (english)
            EXPECT_TRUE(said.contains("cannot be started: no such file or folder")) << said.toStdString();
        else
            EXPECT_TRUE(said.contains(QStringLiteral("无法启动表格写入程序")) &&
                        said.contains(QStringLiteral("文件或文件夹不存在")))
                << said.toStdString();
    }
    qputenv("KEV_DUX_XLSX_WRITER", before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

// The process id of the writer that the program of that id started; 0 when none.
qint64 WriterOf(qint64 parent) {
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0 || !line.contains("(kev_dux_xlsx)"))
            continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == parent)
            return entry.toLongLong();
    }
    return 0;
}

bool Running(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.size() > close + 2 && line[close + 2] != 'Z';
}

// A program killed while its writer makes the workbook (a frozen window
// closed by force): the writer ends too, removes what it wrote, and the
// earlier workbook stays as it was.
TEST(Workbook, TheWriterEndsWithItsProgramAndLeavesNothing) {
    const QString tool =
        QFileInfo(QFile::decodeName(qgetenv("KEV_DUX_XLSX_WRITER"))).dir().filePath("reportshot");
    if (!QFileInfo(tool).isExecutable())
        GTEST_SKIP() << "no reportshot beside the writer";
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(out));
    const QString path = QDir(out).filePath("results.xlsx");
    WriteFile(path, "earlier");
    QStringList args{"results", "--out", path};
    for (int i = 0; i < 30; ++i)
        for (const char* pile : {"ZK6", "ZK10", "ZK13", "ZK14"})
            args << QStringLiteral(PIT_SAMPLES_DIR "/%1.DUX").arg(QLatin1String(pile));
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("KEV_DUX_HOME", dir.filePath("home"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(tool, args);
    ASSERT_TRUE(program.waitForStarted(10000));

    // Killed once the writer makes the workbook's file beside the target.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    qint64 writer = 0;
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() < deadline && program.state() == QProcess::Running) {
        if (!writer)
            writer = WriterOf(program.processId());
        writing = writer && QDir(out).entryList(QDir::Files | QDir::Hidden).size() > 1;
        if (!writing)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(writing) << "the writer was not seen writing";
    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(10000);

    const auto gone = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Running(writer) && std::chrono::steady_clock::now() < gone)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(Running(writer)) << "the writer went on alone";
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"results.xlsx"});
    EXPECT_EQ(Contents(path), "earlier");
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
