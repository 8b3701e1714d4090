// Report mode's list view: which files it lists and how, row order and
// header sorts, the statistics of the checked rows, the age, the elevation
// cells, a pile file that cannot be read, the builder of each command and
// the pile pictures of a batch.
#include "analysis/PrintUi.h"
#include "core/pile/PileRecord.h"
#include "reports/ReportFactory.h"
#include "tests/reportmode/ReportModeFixture.h"

#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <algorithm>
#include <map>
#include <random>

namespace pit::test {
namespace {

struct ReportView : ReportModeFixture {
    // Project mode on A.DUX's project, every checked pile's picture into its folder.
    void EnterForPilePictures(ReportFactory& factory) {
        Open(folder + QStringLiteral("/A.DUX"));
        doc->m_bIsMultiplePictrue = true;
        view = std::make_unique<CExportView>(doc.get(), &host);
        view->SetReportFactory(&factory);
        view->SetExportServices(&services);
        view->resize(1100, 700);
        view->OnInitialUpdate();
        view->ShowReportMode(false);
    }
};

// Cuts a saved file right after its test date text: the project still lists
// it, but its speed and channels cannot be read.
void CutAfterTestDate(const QString& path, const QString& testDate) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray bytes = f.readAll();
    const int32_t block = valueAt<int32_t>(bytes, 22);
    const qsizetype at = bytes.indexOf(DuxBuilder::gbk(testDate), block);
    ASSERT_GT(at, 0);
    ASSERT_TRUE(f.resize(at + testDate.size() + 3));
}

struct NoPrintUi : PrintUi {
    int chosen = 0, previewed = 0;
    bool ChoosePrinter(QPrinter&, CPrintInfo&, QWidget*) override {
        ++chosen;
        return false;
    }
    void Preview(QPrinter&, const std::function<void(QPrinter*)>&, QWidget*) override { ++previewed; }
};

} // namespace

TEST_F(ReportView, ListsTheBlowFilesWithTheirColumnTexts) {
    Saved(QStringLiteral("A.DUX"), QStringLiteral("P-A"), 3600);
    Saved(QStringLiteral("B.DUX"), QStringLiteral("P-B"), 3800, QStringLiteral("2024-03-16"));
    DuxBlow b1, avg;
    b1.samples = Pulse();
    avg.blow = 0;
    DuxBuilder::paramBlock("A-RIRADAD")
        .channels(1, 1024)
        .samples(Pulse())
        .blowTable({b1, avg})
        .writeTo(folder, QStringLiteral("C.DUX"));
    DuxAnalysis unmarked = SavedPile(QStringLiteral("P-N"));
    unmarked.fixedParam = 0; // no blow file: not listed
    const QString n = WritePile(QStringLiteral("N.DUX"), unmarked);

    Enter(false, n);
    EXPECT_EQ(Column(0), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(Column(1), (QStringList{"A.DUX*", "B.DUX*", "C.DUX*"}));
    EXPECT_EQ(Column(2), (QStringList{"P-A", "P-B", "C"}));
    EXPECT_EQ(Column(3), (QStringList{"2024-03-15", "2024-03-16", "2024-03-15"}));
    // The time from the first blank on; none for a date saved without a time.
    EXPECT_EQ(Column(4), (QStringList{" 09:30:00", "", " 09:30:00"}));
    EXPECT_EQ(Column(5).front(), QStringLiteral("桩身完整"));
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(view->List()->GetItemCheck(row)) << row;
    EXPECT_EQ(view->CurrentRow(), 0);
    EXPECT_EQ(view->Record()->m_strPileNo, QStringLiteral("P-A"));

    // The common test date, with its trailing blank, while it is in use.
    doc->m_bUseCommonInfo = 1;
    doc->m_CommonInfo.SetUse(CCommonInfo::TestDate, true);
    doc->m_CommonInfo.m_testDate = QDateTime(QDate(2024, 5, 1), QTime(8, 0));
    view->ApplyCommonDate();
    EXPECT_EQ(Column(3), (QStringList{"2024-05-01 ", "2024-05-01 ", "2024-05-01 "}));

    // The current row and the inactive time column as the cells' colours.
    const QAbstractItemModel* m = view->List()->model();
    EXPECT_EQ(m->data(m->index(0, 2), Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 255));
    EXPECT_FALSE(m->data(m->index(1, 2), Qt::BackgroundRole).isValid());
    EXPECT_TRUE(m->data(m->index(1, 4), Qt::ForegroundRole).isValid());
    host.timeOrder = true;
    EXPECT_FALSE(m->data(m->index(1, 4), Qt::ForegroundRole).isValid());
}

TEST_F(ReportView, WithoutBlowFilesTheRecordReadsTheOpenPile) {
    DuxAnalysis a = SavedPile(QStringLiteral("P-N"));
    a.fixedParam = 0;
    const QString n = WritePile(QStringLiteral("N.DUX"), a);
    Enter(true, n);
    EXPECT_EQ(view->List()->GetItemCount(), 0);
    EXPECT_EQ(view->CurrentRow(), -1);
    EXPECT_EQ(view->Record()->m_strPath, n);
    EXPECT_EQ(view->List()->GetColumnCount(), 9);
}

// Random sequences of order buttons, row changes, check changes and header
// clicks against a model of the list: numbers 1..n from the top, and every
// row keeps its file, speed and check.
TEST_F(ReportView, OrderButtonsAndHeaderSortsKeepEachRowsPile) {
    const QStringList piles = {"Z3", "A7", "M1", "B2", "Q9", "C5"};
    std::map<QString, int> speed;
    std::map<QString, QString> pileOf, dateOf;
    QStringList order;
    for (int i = 0; i < piles.size(); ++i) {
        const QString name = QStringLiteral("F%1.DUX").arg(i + 1);
        // Dates in an order of their own.
        const QString date =
            QStringLiteral("2024-03-%1 08:00:00").arg(10 + (i * 5) % 7, 2, 10, QLatin1Char('0'));
        Saved(name, piles[i], 3600 + 50 * i, date);
        speed[name] = 3600 + 50 * i;
        pileOf[name] = piles[i];
        dateOf[name] = date;
        order << name;
    }
    Enter(false, folder + QStringLiteral("/F1.DUX"));
    std::map<QString, bool> checked;
    for (const QString& n : order)
        checked[n] = true;
    QString current = order[0];
    int lastColumn = -1;
    bool ascending = true;

    std::mt19937 rng(20240315);
    auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };
    const int n = int(order.size());
    for (int step = 0; step < 160; ++step) {
        const int op = pick(8);
        const int cur = int(order.indexOf(current));
        switch (op) {
        case 0: {
            const int r = pick(n);
            view->SelectRow(r);
            current = order[r];
            break;
        }
        case 1:
            view->OnMoveUp();
            if (cur > 0)
                order.swapItemsAt(cur, cur - 1);
            break;
        case 2:
            view->OnMoveDown();
            if (cur < n - 1)
                order.swapItemsAt(cur, cur + 1);
            break;
        case 3:
            view->OnMoveToTop();
            order.move(cur, 0);
            break;
        case 4:
            view->OnMoveToBottom();
            order.move(cur, n - 1);
            break;
        case 5: {
            const int r = pick(n);
            const QString name = order[r];
            checked[name] = !checked[name];
            QAbstractItemModel* m = view->List()->model();
            m->setData(m->index(r, 0), checked[name] ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
            break;
        }
        default: {
            const int col = pick(6);
            view->OnHeaderClick(col);
            ascending = col == lastColumn ? !ascending : true;
            lastColumn = col;
            if (col < 1 || col > 3)
                break; // only the memory changes (column 4 outside test-time order)
            auto key = [&](const QString& name) {
                return col == 1 ? name : col == 2 ? pileOf[name] : dateOf[name].left(10);
            };
            std::stable_sort(order.begin(), order.end(),
                             [&](const QString& a, const QString& b) { return key(a) < key(b); });
            if (!ascending)
                std::reverse(order.begin(), order.end());
            break;
        }
        }
        QStringList numbers, files;
        for (int i = 0; i < n; ++i) {
            numbers << QString::number(i + 1);
            files << order[i] + QStringLiteral("*");
        }
        ASSERT_EQ(Column(0), numbers) << "step " << step << " op " << op;
        ASSERT_EQ(Column(1), files) << "step " << step << " op " << op;
        for (int row = 0; row < n; ++row) {
            const QString& name = order[row];
            ASSERT_EQ(view->RowSpeeds()[size_t(row)].speed, speed[name]) << "step " << step;
            ASSERT_EQ(view->RowSpeeds()[size_t(row)].counted, checked[name]) << "step " << step;
            ASSERT_EQ(view->List()->GetItemCheck(row), checked[name]) << "step " << step;
            ASSERT_EQ(view->List()->GetItemText(row, 2), pileOf[name]) << "step " << step;
        }
        ASSERT_EQ(view->CurrentRow(), order.indexOf(current)) << "step " << step << " op " << op;
    }

    // The same header twice: up, then down.
    view->OnHeaderClick(2);
    if (lastColumn == 2)
        view->OnHeaderClick(2); // the memory was on column 2 already: start over ascending
    QStringList up = Column(2);
    EXPECT_TRUE(std::is_sorted(up.begin(), up.end())) << up.join(u',').toStdString();
    view->OnHeaderClick(2);
    QStringList down = Column(2);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(down, up);

    // Column 4 sorts only while the files are ordered by test date and time.
    const QStringList before = Column(1);
    view->OnHeaderClick(4);
    EXPECT_EQ(Column(1), before);
    host.timeOrder = true;
    view->OnHeaderClick(3); // another column, then 4: ascending
    view->OnHeaderClick(4);
    QStringList times;
    for (int row = 0; row < n; ++row)
        times << dateOf[Column(1)[row].chopped(1)];
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << times.join(u',').toStdString();
}

TEST_F(ReportView, StatisticsCountTheCheckedRowsAndNameAnUnreadablePile) {
    Saved(QStringLiteral("A.DUX"), QStringLiteral("A"), 3600);
    Saved(QStringLiteral("B.DUX"), QStringLiteral("B"), 3800);
    Saved(QStringLiteral("C.DUX"), QStringLiteral("C"), 4000);
    const QString bad = Saved(QStringLiteral("D.DUX"), QStringLiteral("D"), 9000);
    CutAfterTestDate(bad, QStringLiteral("2024-03-15 09:30:00"));
    Enter(false, folder + QStringLiteral("/A.DUX"));
    ASSERT_EQ(view->List()->GetItemCount(), 4); // listed, but out of the statistics
    int named = 0;
    for (const auto& m : sink.shown)
        named += m.text.contains(QStringLiteral("D.DUX")) ? 1 : 0;
    EXPECT_EQ(named, 1);
    EXPECT_EQ(Field(CExportView::kCountEdit), QStringLiteral("3"));
    EXPECT_EQ(Field(CExportView::kMeanEdit), QStringLiteral("3800"));
    EXPECT_EQ(Field(CExportView::kSdEdit), QStringLiteral("200.00"));
    EXPECT_EQ(Field(CExportView::kCvEdit), QStringLiteral("0.053"));
    EXPECT_EQ(Field(CExportView::kMaxEdit), QStringLiteral("4000"));
    EXPECT_EQ(Field(CExportView::kMinEdit), QStringLiteral("3600"));

    // An unchecked row leaves the statistics at once.
    QAbstractItemModel* m = view->List()->model();
    m->setData(m->index(RowOf(QStringLiteral("C.DUX")), 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(Field(CExportView::kMeanEdit), QStringLiteral("3700"));
    EXPECT_EQ(Field(CExportView::kSdEdit), QStringLiteral("141.42"));
    auto* all = static_cast<QCheckBox*>(Ctrl(CExportView::kCheckAll));
    EXPECT_EQ(all->checkState(), Qt::PartiallyChecked);
    all->click(); // indeterminate -> unchecked: nothing checked
    EXPECT_EQ(view->CheckedCount(), 0);
    EXPECT_EQ(Field(CExportView::kMeanEdit), QStringLiteral("0"));
    all->click(); // unchecked -> checked: everything
    EXPECT_EQ(view->CheckedCount(), 4);
    EXPECT_EQ(Field(CExportView::kMeanEdit), QStringLiteral("3800"));
}

// An unreadable pile is left out of what the mode shows: the statistics of
// project mode, the report of single-pile mode (which shows no statistics).
TEST_F(ReportView, AnUnreadablePileIsNamedAsLeftOutOfWhatTheModeShows) {
    Saved(QStringLiteral("A.DUX"), QStringLiteral("A"), 3600);
    CutAfterTestDate(Saved(QStringLiteral("D.DUX"), QStringLiteral("D"), 9000),
                     QStringLiteral("2024-03-15 09:30:00"));
    const struct {
        bool single, english;
        const char16_t* says;
    } cases[] = {{false, false, u"不计入波速统计"},
                 {true, false, u"无法读取，不计入报告"},
                 {false, true, u"left out of the statistics"},
                 {true, true, u"cannot be read; they are left out of the report"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.single * 2 + c.english);
        ui::setEnglish(c.english);
        sink.shown.clear();
        view.reset();
        Enter(c.single, folder + QStringLiteral("/A.DUX"));
        ui::setEnglish(false);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("D.DUX")));
        EXPECT_TRUE(sink.shown[0].text.contains(QString::fromUtf16(c.says)))
            << sink.shown[0].text.toStdString();
        EXPECT_EQ(sink.shown[0].text.contains(QStringLiteral("统计")) ||
                      sink.shown[0].text.contains(QStringLiteral("statistics")),
                  !c.single);
    }
}

TEST_F(ReportView, AgeFromOneTo9999DerivesTheConstructionDate) {
    doc->m_PrintSettings.m_bHeadInfo[13] = 1; // the age is printed
    doc->m_PrintSettings.m_iPrintType = 1;
    Saved(QStringLiteral("A.DUX"), QStringLiteral("A"), 3600);
    Enter(false, folder + QStringLiteral("/A.DUX"));
    auto* check = static_cast<QCheckBox*>(Ctrl(CExportView::kAgeCheck));
    auto* edit = static_cast<QLineEdit*>(Ctrl(CExportView::kAgeEdit));
    ASSERT_FALSE(check->isHidden());
    check->click();
    EXPECT_TRUE(doc->m_bAllPilesAge);
    EXPECT_TRUE(edit->isEnabled());
    const int datesBefore = host.dates;
    const struct {
        const char* text;
        bool taken;
    } cases[] = {{"0", false}, {"10000", false}, {"1", true}, {"9999", true}};
    for (const auto& c : cases) {
        const int before = doc->m_iAllAge;
        sink.shown.clear();
        edit->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(view->OnAgeEntered(), c.taken) << c.text;
        if (c.taken) {
            EXPECT_EQ(doc->m_iAllAge, QString::fromLatin1(c.text).toInt());
            EXPECT_TRUE(sink.shown.empty());
        } else {
            EXPECT_EQ(doc->m_iAllAge, before);
            EXPECT_EQ(edit->text(), QString::number(before));
            ASSERT_EQ(sink.shown.size(), 1u) << c.text;
            EXPECT_EQ(sink.shown[0].text, QStringLiteral("龄期请输入1-9999！"));
            EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
        }
    }
    EXPECT_EQ(host.dates, datesBefore + 2);
    // With the flag the record's construction date is its test date less the common age.
    check->click();
    check->click();
    EXPECT_EQ(view->Record()->m_constructionDate.date(), QDate(2024, 3, 15).addDays(-9999));

    // Not printed: the controls go and the flag is cleared.
    doc->m_PrintSettings.m_bHeadInfo[13] = 0;
    view->ShowAgeControls();
    EXPECT_TRUE(check->isHidden());
    EXPECT_FALSE(doc->m_bAllPilesAge);
}

TEST_F(ReportView, ElevationEditsNeedSaveAndAnUnreadableFileIsNeverWritten) {
    for (const char* name : {"A", "B", "C"})
        Saved(QString::fromLatin1(name) + QStringLiteral(".DUX"), QString::fromLatin1(name), 3600);
    const QString bad = folder + QStringLiteral("/C.DUX");
    CutAfterTestDate(bad, QStringLiteral("2024-03-15 09:30:00"));
    const QByteArray badBytes = readFileBytes(bad);
    Enter(true, folder + QStringLiteral("/A.DUX"));
    CSListCtrl* list = view->List();
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetItemText(0, 7), QStringLiteral("-11.25"));

    // An edit and a row change without Save: the stored value comes back.
    list->SetItemText(0, 7, QStringLiteral("-12.50"));
    view->OnCellEdited();
    view->SelectRow(1);
    EXPECT_EQ(list->GetItemText(0, 7), QStringLiteral("-11.25"));
    EXPECT_FLOAT_EQ(report::ReadRowFile(folder + QStringLiteral("/A.DUX")).elevations[1], -11.25f);

    // With Save the record and its file take the values, and column 5 follows the record.
    list->SetItemText(1, 6, QStringLiteral("2.75"));
    view->OnCellEdited();
    view->Record()->m_strConclusion = QStringLiteral("距桩顶约6.0m缩径。");
    host.refreshes.clear();
    view->OnSave();
    const report::RowFile b = report::ReadRowFile(folder + QStringLiteral("/B.DUX"));
    EXPECT_FLOAT_EQ(b.elevations[0], 2.75f);
    EXPECT_EQ(b.description, QStringLiteral("距桩顶约6.0m缩径。"));
    EXPECT_EQ(list->GetItemText(1, 5), QStringLiteral("距桩顶约6.0m缩径。"));
    EXPECT_TRUE(std::count(host.refreshes.begin(), host.refreshes.end(), std::pair{15, 1}) == 1);

    // A pile file that cannot be read: told, the previous row stays, and
    // moving on never writes the record into it.
    sink.shown.clear();
    view->SelectRow(2);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("C.DUX")));
    EXPECT_EQ(view->CurrentRow(), 1);
    EXPECT_EQ(view->Record()->m_strPileNo, QStringLiteral("B"));
    view->SelectRow(0);
    EXPECT_EQ(view->CurrentRow(), 0);
    EXPECT_EQ(readFileBytes(bad), badBytes);
    EXPECT_FLOAT_EQ(report::ReadRowFile(folder + QStringLiteral("/B.DUX")).elevations[0], 2.75f);
}

// Clicking a row whose file cannot be read: told, and the selection goes
// back to the row shown, the only row highlighted.
TEST_F(ReportView, AClickOnAnUnreadableRowReturnsTheSelectionToTheShownRow) {
    for (const char* name : {"A", "B", "C"})
        Saved(QString::fromLatin1(name) + QStringLiteral(".DUX"), QString::fromLatin1(name), 3600);
    CutAfterTestDate(folder + QStringLiteral("/C.DUX"), QStringLiteral("2024-03-15 09:30:00"));
    Enter(false, folder + QStringLiteral("/A.DUX"));
    view->show();
    QApplication::processEvents();
    CSListCtrl* list = view->List();
    auto click = [&](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 2)).center());
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    };
    auto selected = [&] {
        std::vector<int> rows;
        for (const QModelIndex& i : list->selectionModel()->selectedRows())
            rows.push_back(i.row());
        return rows;
    };
    click(1);
    ASSERT_EQ(view->CurrentRow(), 1);
    EXPECT_EQ(view->Record()->m_strPileNo, QStringLiteral("B"));
    sink.shown.clear();
    click(2);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("C.DUX")));
    EXPECT_EQ(view->CurrentRow(), 1);
    EXPECT_EQ(view->Record()->m_strPileNo, QStringLiteral("B"));
    EXPECT_EQ(selected(), std::vector<int>{1});
    EXPECT_EQ(list->selectionModel()->currentIndex().row(), 1);
    // The next click works as usual.
    click(0);
    EXPECT_EQ(view->CurrentRow(), 0);
    EXPECT_EQ(selected(), std::vector<int>{0});
}

TEST_F(ReportView, EachCommandMakesTheBuilderOfItsModeAndKind) {
    Saved(QStringLiteral("A.DUX"), QStringLiteral("A"), 3600);
    RecordingFactory factory;
    NoPrintUi printUi;
    doc->m_PrintSettings.m_nInfoType = 2;
    doc->m_nFontRate = 11.5f;
    const struct {
        bool single;
        int kind; // the report kind set after entering (0: as entering set it)
        int smooth;
        void (CExportView::*command)();
        QStringList expected;
    } cases[] = {
        {true, 0, 0, &CExportView::OnPrintPreview, {"single:1", "update"}},
        {true, 0, 0, &CExportView::OnExportDocument, {"single:1", "update", "word:"}},
        {true, 0, 1, &CExportView::OnExportPictures, {"single:1", "update", "bmp"}},
        {false,
         0,
         0,
         &CExportView::OnExportPictures,
         {"projectA", "font:11.5", "common:1:1", "update", "emf"}},
        {false, 5, 0, &CExportView::OnExportDocument, {"projectB", "common:1:1", "update", "word:"}},
        {false, 4, 0, &CExportView::OnPrintPreview, {"projectA", "font:11.5", "common:1:1", "update"}},
        {true, 0, 0, &CExportView::OnCountInfo, {"count:2", "common:1:1", "update", "word:"}},
        {false, 5, 0, &CExportView::OnExportExcel, {"excel:0", "decimals:2", "update", "excel"}},
    };
    Open(folder + QStringLiteral("/A.DUX"));
    view = std::make_unique<CExportView>(doc.get(), &host);
    view->SetReportFactory(&factory);
    view->SetPrintUi(&printUi);
    view->OnInitialUpdate();
    int i = 0;
    for (const auto& c : cases) {
        view->ShowReportMode(c.single);
        doc->m_bUseCommonInfo = 1;
        if (c.kind)
            doc->m_PrintSettings.m_nReportKind = c.kind;
        doc->m_CurveStyle.IsSmooth = c.smooth;
        factory.log.clear();
        (view.get()->*c.command)();
        EXPECT_EQ(factory.log, c.expected) << "case " << i;
        if (c.single && c.command != &CExportView::OnCountInfo)
            EXPECT_EQ(doc->m_PrintSettings.m_nReportKind, 1) << "case " << i;
        ++i;
    }
    EXPECT_EQ(printUi.previewed, 2);
    view->OnPrint();
    EXPECT_EQ(printUi.chosen, 1);
}

TEST_F(ReportView, PilePicturesOfABatchAskOnceAndStayInTheFolder) {
    Saved(QStringLiteral("A.DUX"), QStringLiteral("P1"), 3600);
    Saved(QStringLiteral("B.DUX"), QStringLiteral("../x"), 3700);
    const QString existing = folder + QStringLiteral("/P1.emf");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old picture");
    }
    ReportFactory factory(doc.get(), &services, nullptr, 600);
    EnterForPilePictures(factory);

    auto asked = [&] {
        int n = 0;
        for (const auto& m : sink.shown)
            n += m.text == QStringLiteral("文件已存在，是否替换？") ? 1 : 0;
        return n;
    };
    sink.shown.clear();
    sink.answers = {IDNO};
    view->OnExportPilePictures();
    EXPECT_EQ(asked(), 1);
    EXPECT_EQ(readFileBytes(existing), QByteArray("old picture"));
    const QString inside = folder + QStringLiteral("/.._x.emf");
    EXPECT_TRUE(QFile::exists(inside));
    EXPECT_FALSE(QFile::exists(tmp.filePath(QStringLiteral("x.emf"))));
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_EQ(sink.shown.back().text, QStringLiteral("单桩图片输出：写出 1 张，保留已有 1 张，失败 0 张。"));

    sink.shown.clear();
    sink.answers = {IDYES};
    view->OnExportPilePictures();
    EXPECT_EQ(asked(), 1);
    EXPECT_EQ(readFileBytes(existing).mid(40, 4), QByteArray(" EMF")); // the metafile signature
    EXPECT_EQ(sink.shown.back().text, QStringLiteral("所有单桩图片输出完成!"));
}

TEST_F(ReportView, PilesThatShareANumberEachKeepTheirPicture) {
    Saved(QStringLiteral("A.DUX"), QStringLiteral("ZK1"), 3600);
    Saved(QStringLiteral("B.DUX"), QStringLiteral("zk1"), 3700);
    Saved(QStringLiteral("C.DUX"), QStringLiteral("ZK1"), 3800);
    ReportFactory factory(doc.get(), &services, nullptr, 600);
    EnterForPilePictures(factory);
    sink.shown.clear();
    view->OnExportPilePictures();
    // The file system here tells case: still one name a pile, none replaced in the run.
    QStringList pictures;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.emf")}, QDir::Files, QDir::Name))
        pictures << name.toLower();
    pictures.sort();
    EXPECT_EQ(pictures, (QStringList{"zk1.emf", "zk1_2.emf", "zk1_3.emf"}));
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_EQ(sink.shown.back().text, QStringLiteral("所有单桩图片输出完成!"));
}

} // namespace pit::test
