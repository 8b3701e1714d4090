// The project and single-pile report settings pages: rows against the gap
// between waveforms, the formats, the font size fit and the ruler unit.
#include "tests/reports/PagesFixture.h"

#include "core/doc/PrintSettings.h"
#include "platform/Metrics.h"
#include "reports/ProRepSetPage.h"
#include "reports/SglRepSetPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace pit;
using pit::pages::Choose;
using pit::test::PagesFixture;

namespace {

// The most rows a page may hold for each gap, from the limit table of rows 3..10.
TEST(ProjectReportRows, MaxRowsIsTheMostRowsWhoseLimitHoldsTheGap) {
    const int limits[] = {50, 35, 25, 20, 16, 12, 10, 8};
    for (int gap = 3; gap <= 50; ++gap) {
        int expected = 0;
        for (int rows = 3; rows <= 10; ++rows)
            if (limits[rows - 3] >= gap)
                expected = rows;
        EXPECT_EQ(MaxRowsForWaveGap(gap), expected) << gap;
    }
    EXPECT_EQ(MaxRowsForWaveGap(8), 10);
    EXPECT_EQ(MaxRowsForWaveGap(9), 9);
    EXPECT_EQ(MaxRowsForWaveGap(36), 3);
    EXPECT_EQ(GapLimitForRows(8), 12);
}

TEST(ProjectReportRows, HeadLinesCountTestDateAndTimeOnce) {
    CPrintSettings s;
    std::fill(std::begin(s.m_bHeadInfo), std::end(s.m_bHeadInfo), 0);
    EXPECT_EQ(HeadLineCount(s), 0);
    for (int i : {0, 1, 2, 3, 4, 6, 12})
        s.m_bHeadInfo[i] = 1;
    EXPECT_EQ(HeadLineCount(s), 1);
    s.m_bHeadInfo[9] = 1; // the project name is not counted
    EXPECT_EQ(HeadLineCount(s), 1);
    s.m_bHeadInfo[5] = 1;
    EXPECT_EQ(HeadLineCount(s), 2);
    s.m_bSpectrum = 0;
    s.m_bQualityAssess = 1;
    EXPECT_EQ(FontFitLineUnits(s), 4 + 2 + 1);
    s.m_bXiangwei = 1;
    EXPECT_EQ(FontFitLineUnits(s), 12 + 2 + 1);
}

TEST(ProjectReportRows, FontSizeChoiceTakesTheLargestNotAboveTheMeasure) {
    EXPECT_EQ(ChooseProjectFontSize(12.0), 9);   // 12 pt
    EXPECT_EQ(ChooseProjectFontSize(11.995), 9); // within 0.01
    EXPECT_EQ(ChooseProjectFontSize(11.98), 8);  // 11 pt
    EXPECT_EQ(ChooseProjectFontSize(4.0), 0);    // below the table: the smallest
    EXPECT_EQ(ChooseProjectFontSize(99.0), 11);
    EXPECT_EQ(ProjectFontSizeEntry(10.45f), 7);
    EXPECT_EQ(ProjectFontSizeEntry(13.0f), 0);
}

TEST(ProjectReportRows, HeadLineLeavesOutProjectNameAndTestTimeAndStopsAtSix) {
    CPrintSettings s;
    std::fill(std::begin(s.m_bHeadInfo), std::end(s.m_bHeadInfo), 1);
    s.m_bLanguage = 0;
    HeadLineValues v;
    v.pileNo = QStringLiteral("ZK1");
    v.length = 12.345f;
    v.speed = 3800;
    v.grade = QStringLiteral("C30");
    v.pileClass = QStringLiteral("I");
    v.diameter = 800;
    v.secondSide = 600;
    v.square = true;
    v.testDate = QDateTime(QDate(2023, 5, 6), QTime(7, 8, 9));
    EXPECT_EQ(ProjectHeadLine(v, s, 2),
              QStringLiteral("桩号:ZK1|桩长:12.35m|波速:3800m/s|强度等级:C30|桩类别:I|"
                             "桩径:800mm*600mm"));
    std::fill(std::begin(s.m_bHeadInfo), std::end(s.m_bHeadInfo), 0);
    s.m_bHeadInfo[6] = s.m_bHeadInfo[12] = s.m_bHeadInfo[13] = 1;
    s.m_iPrintType = 1;
    s.m_bLanguage = 1;
    v.age = 28;
    EXPECT_EQ(ProjectHeadLine(v, s, 2), QStringLiteral("TestDate:2023-05-06 07:08:09|Age:28"));
}

struct ProjectPage : PagesFixture {
    std::unique_ptr<CProRepSetPage> page;
    QWidget* w = nullptr;
    void open() {
        page = std::make_unique<CProRepSetPage>(doc.get(), &print());
        page->measureText = [](const QString&, int h) { return TextExtent{0, h}; };
        w = page->CreatePage(nullptr);
        w->show();
    }
    void TearDown() override {
        page.reset();
        PagesFixture::TearDown();
    }
    QComboBox* rows() { return ctrl<QComboBox>(w, CProRepSetPage::kRows); }
    QComboBox* columns() { return ctrl<QComboBox>(w, CProRepSetPage::kColumns); }
    QLineEdit* gap() { return ctrl<QLineEdit>(w, CProRepSetPage::kGap); }
    void typeGap(const QString& text) {
        gap()->clear();
        QTest::keyClicks(gap(), text);
        Q_EMIT gap()->editingFinished();
    }
};

QString rowQuestion(int a, int b, int c, int d, int e, int f) {
    return QString::asprintf(
        "当前波形间隔值为%d(mm)，其极限报告行数为%d。\n当前所选报告行数%d已超出极限值!\n\n"
        "RGB(0,0,255)确认将报告行数改为%d吗？\nRGB(255,0,0)是:波形间隔值将自动调整为%d(mm)\n"
        "否:报告行数将更改为极限值%d。",
        a, b, c, d, e, f);
}

QString gapQuestion(int a, int b, int c, int d, int e, int f) {
    return QString::asprintf(
        "当前报告行数为%d，其极限波形间隔值为%d(mm)。\n当前波形间隔值%d(mm)已超出极限值!\n\n"
        "RGB(0,0,255)确认将波形间隔值改为%d(mm)吗？\nRGB(255,0,0)是:报告行数会自动调整为%d。\n"
        "否:当前波形间隔值将更改为极限值%d。",
        a, b, c, d, e, f);
}

TEST_F(ProjectPage, TooManyRowsForTheGapAsksWhichToChange) {
    for (const int answer : {IDYES, IDNO}) {
        print().m_nRow = 5;
        print().m_nWaveGas = 20;
        print().m_nReportKind = 2;
        sink.shown.clear();
        open();
        sink.answers = {answer};
        Choose(rows(), 8 - 3);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, rowQuestion(20, 6, 8, 8, 12, 6));
        EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
        EXPECT_EQ(sink.shown[0].type, unsigned(MB_YESNO | MB_ICONEXCLAMATION));
        if (answer == IDYES) {
            EXPECT_EQ(print().m_nWaveGas, 12);
            EXPECT_EQ(gap()->text(), QStringLiteral("12"));
            EXPECT_EQ(print().m_nRow, 8);
        } else {
            EXPECT_EQ(print().m_nWaveGas, 20);
            EXPECT_EQ(print().m_nRow, 6);
            EXPECT_EQ(rows()->currentText(), QStringLiteral("6"));
        }
    }
}

TEST_F(ProjectPage, TooLargeAGapForTheRowsAsksWhichToChange) {
    for (const int answer : {IDYES, IDNO}) {
        print().m_nRow = 5;
        print().m_nWaveGas = 3;
        sink.shown.clear();
        open();
        sink.answers = {answer};
        typeGap(QStringLiteral("30"));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, gapQuestion(5, 25, 30, 30, 4, 25));
        if (answer == IDYES) {
            EXPECT_EQ(print().m_nRow, 4);
            EXPECT_EQ(rows()->currentText(), QStringLiteral("4"));
            EXPECT_EQ(print().m_nWaveGas, 30);
        } else {
            EXPECT_EQ(print().m_nRow, 5);
            EXPECT_EQ(print().m_nWaveGas, 25);
            EXPECT_EQ(gap()->text(), QStringLiteral("25"));
        }
    }
}

// The gap is settled when the edit is finished: typing "15" is not clamped
// at its first digit.
TEST_F(ProjectPage, TypedGapIsClampedWhenFinished) {
    print().m_nRow = 5;
    print().m_bSpectrum = 1;
    open();
    typeGap(QStringLiteral("3"));
    EXPECT_EQ(print().m_bSpectrum, 1); // the smallest gap keeps the spectrum
    typeGap(QStringLiteral("15"));
    EXPECT_EQ(print().m_nWaveGas, 15);
    EXPECT_EQ(gap()->text(), QStringLiteral("15"));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(print().m_bSpectrum, 0);
    const struct {
        const char* typed;
        int gap;
    } cases[] = {{"1", 3}, {"80", 50}, {"", 3}, {"4", 4}};
    print().m_nRow = 3;
    for (const auto& c : cases) {
        typeGap(QString::fromLatin1(c.typed));
        EXPECT_EQ(print().m_nWaveGas, c.gap) << c.typed;
        EXPECT_EQ(gap()->text(), QString::number(c.gap)) << c.typed;
    }
    EXPECT_TRUE(sink.shown.empty());
    // A gap typed and left unfinished is settled by OK.
    gap()->setText(QStringLiteral("99"));
    EXPECT_TRUE(page->Validate());
    EXPECT_EQ(print().m_nWaveGas, 50);
}

TEST_F(ProjectPage, DynamicEnglishHoldsSixRowsInOneColumn) {
    print().m_nRow = 8;
    print().m_nColumn = 2;
    print().m_nReportKind = 2;
    open();
    Choose(ctrl<QComboBox>(w, CProRepSetPage::kFormat), 3); // Static English: neither changes
    EXPECT_EQ(print().m_nRow, 8);
    EXPECT_EQ(print().m_nColumn, 2);
    EXPECT_TRUE(columns()->isEnabled());
    EXPECT_EQ(print().m_nReportKind, 5);
    EXPECT_EQ(print().m_bLanguage, 1);

    Choose(ctrl<QComboBox>(w, CProRepSetPage::kFormat), 2);
    EXPECT_EQ(print().m_nRow, 6);
    EXPECT_EQ(print().m_nColumn, 1);
    EXPECT_FALSE(columns()->isEnabled());
    EXPECT_EQ(rows()->count(), 4);
    EXPECT_EQ(rows()->currentText(), QStringLiteral("6"));
    EXPECT_EQ(print().m_nProType, 2);
    EXPECT_EQ(print().m_nReportKind, 4);

    Choose(ctrl<QComboBox>(w, CProRepSetPage::kFormat), 0);
    EXPECT_EQ(rows()->count(), 8);
    EXPECT_TRUE(columns()->isEnabled());
    EXPECT_EQ(print().m_bLanguage, 0);
}

TEST_F(ProjectPage, EnglishInterfaceOffersToMatchTheFormat) {
    ui::setEnglish(true);
    print().m_nProType = 0;
    print().m_bLanguage = 0;
    sink.answers = {IDYES};
    open();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("Prompt"));
    EXPECT_EQ(ctrl<QComboBox>(w, CProRepSetPage::kFormat)->currentIndex(), 2);
    // Nothing is stored before OK, so Cancel leaves format and language together.
    EXPECT_EQ(print().m_bLanguage, 0);
    EXPECT_EQ(print().m_nProType, 0);
    page->Apply();
    EXPECT_EQ(print().m_nProType, 2);
    EXPECT_EQ(print().m_nReportKind, 4);
    EXPECT_EQ(print().m_bLanguage, 1);
}

TEST_F(ProjectPage, FontSizeFitsTheLineToThePage) {
    if (GetScreenScalePercent() != 100)
        GTEST_SKIP() << "the sizes below assume an unscaled screen";
    print().m_nRow = 4;
    print().m_nWaveGas = 3;
    doc->m_bDefineRow = false;
    open();
    // Rows 5, gap 3, margins 20/15: a line of 8.23 mm, a font of 16 px, 12 pt.
    Choose(rows(), 5 - 3);
    EXPECT_FLOAT_EQ(doc->m_nFontRate, 12.0f);
    EXPECT_FLOAT_EQ(print().m_fFontRate, 12.0f);
    EXPECT_TRUE(doc->m_bDefineRow);
    EXPECT_TRUE(doc->m_bFontRateSet);
    EXPECT_EQ(ctrl<QComboBox>(w, CProRepSetPage::kFontSize)->currentIndex(), 9);
}

// Margins typed wider than the page leave no room: the fit ends at the
// smallest size instead of searching for ever.
TEST_F(ProjectPage, LineThatNeverFitsGetsTheSmallestSize) {
    print().m_nmarginleft = 150;
    print().m_nmarginr = 100;
    print().m_nRow = 4;
    open();
    int measured = 0;
    page->measureText = [&](const QString& text, int h) {
        ++measured;
        return TextExtent{int(text.size()) * h, h};
    };
    Choose(rows(), 5 - 3);
    EXPECT_GT(measured, 0);
    EXPECT_FLOAT_EQ(doc->m_nFontRate, 5.0f);
    EXPECT_EQ(ctrl<QComboBox>(w, CProRepSetPage::kFontSize)->currentIndex(), 0);
}

TEST_F(ProjectPage, SizeChosenInTheBoxIsTakenAsItIs) {
    doc->m_nFontRate = 10.5f;
    open();
    EXPECT_EQ(ctrl<QComboBox>(w, CProRepSetPage::kFontSize)->currentText(), QStringLiteral("五号"));
    Choose(ctrl<QComboBox>(w, CProRepSetPage::kFontSize), 10);
    EXPECT_FLOAT_EQ(doc->m_nFontRate, 14.0f);
    EXPECT_FLOAT_EQ(print().m_fFontRate, 14.0f);
    EXPECT_TRUE(doc->m_bFontRateSet);
}

// Before a pile is loaded into the second record it has no current wave: the
// ruler unit comes from the document.
TEST_F(ProjectPage, RulerUnitFromTheDocumentWithoutAPile) {
    for (int style : {1, 2}) {
        doc->m_nShowStyle = style;
        open();
        EXPECT_EQ(ctrl<QComboBox>(w, CProRepSetPage::kRuler)->currentIndex(), style - 1);
        CSglRepSetPage single(doc.get(), &print());
        QWidget* sw = single.CreatePage(nullptr);
        EXPECT_EQ(ctrl<QComboBox>(sw, CSglRepSetPage::kRuler)->currentIndex(), style - 1);
    }
}

// The report language is kept apart from the interface: the page opens on the
// language that prints and leaves it (and the stored single-pile language) as it was.
TEST_F(PagesFixture, SinglePileLanguageShowsTheLanguageThatPrints) {
    for (bool english : {false, true})
        for (int language : {0, 1}) {
            ui::setEnglish(english);
            print().m_bLanguage = language;
            print().m_nSingleLan = 1 - language;
            CSglRepSetPage page(doc.get(), &print());
            QWidget* w = page.CreatePage(nullptr);
            auto* combo = ctrl<QComboBox>(w, CSglRepSetPage::kLanguage);
            EXPECT_EQ(combo->currentIndex(), language) << english;
            EXPECT_EQ(combo->currentText(),
                      english ? (language ? QStringLiteral("English") : QStringLiteral("Chinese"))
                              : (language ? QStringLiteral("英文") : QStringLiteral("中文")));
            EXPECT_EQ(print().m_bLanguage, language);
            EXPECT_EQ(print().m_nSingleLan, 1 - language);
        }
}

TEST_F(PagesFixture, SinglePileChangesAndTheirRefreshes) {
    CSglRepSetPage page(doc.get(), &print());
    CMyPropertySheet sheet(QStringLiteral("打印设置"));
    sheet.AddPage(&page);
    sheet.show();
    QWidget* w = sheet.pageWindow(0);
    QSignalSpy spy(&sheet, &CMyPropertySheet::refreshRequested);
    Choose(ctrl<QComboBox>(w, CSglRepSetPage::kLanguage), 1);
    EXPECT_EQ(print().m_bLanguage, 1);
    EXPECT_EQ(print().m_nSingleLan, 1);
    Choose(ctrl<QComboBox>(w, CSglRepSetPage::kFormat), 1);
    EXPECT_EQ(print().m_nSingleRepType, 1);
    Choose(ctrl<QComboBox>(w, CSglRepSetPage::kInfoType), 2);
    EXPECT_EQ(print().m_nInfoType, 2);
    EXPECT_EQ(spy.count(), 0);
    Choose(ctrl<QComboBox>(w, CSglRepSetPage::kThickness), 3);
    EXPECT_EQ(doc->m_nWaveWidth, 4);
    Choose(ctrl<QComboBox>(w, CSglRepSetPage::kRuler), 1);
    EXPECT_EQ(doc->m_nShowStyle, 2);
    sheet.accept();
    ASSERT_EQ(spy.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spy[i][0].toInt(), 6);
        EXPECT_EQ(spy[i][1].toInt(), 0);
    }
}

} // namespace
