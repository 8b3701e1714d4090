// The printed items, print line types and common print information pages,
// and what the print setup does to the common values around its sheet.
#include "tests/reports/PagesFixture.h"

#include "controls/ColorPicker.h"
#include "core/doc/CommonInfo.h"
#include "core/doc/CurveStyle.h"
#include "core/doc/OptionTables.h"
#include "core/doc/PrintSettings.h"
#include "reports/ModifyGroupPage.h"
#include "reports/PrintCurve.h"
#include "reports/PrintStyleDlg.h"
#include "reports/ProRepSetPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace pit;
using pit::pages::Choose;
using pit::test::PagesFixture;

namespace {

// ---- printed items ---------------------------------------------------------------

TEST(PrintedItems, RulesAsThePageOpens) {
    struct Case {
        const char* what;
        std::function<void(CPrintSettings&)> set;
        std::function<bool(const CPrintSettings&)> holds;
        PrintItemEnables enables;
    } cases[] = {
        {"third statistics format: no dates, remark on",
         [](CPrintSettings& s) {
             s.m_nInfoType = 2;
             s.m_bWorkDate = s.m_bKuoDi = s.m_bStrongLevel = 1;
             s.m_bReportRemark = 0;
         },
         [](const CPrintSettings& s) {
             return !s.m_bTestDate && !s.m_bWorkDate && !s.m_bKuoDi && !s.m_bStrongLevel && s.m_bReportRemark;
         },
         {false, true, true, true, true}},
        {"other formats print the test date",
         [](CPrintSettings& s) {
             s.m_nInfoType = 1;
             s.m_bTestDate = 0;
             s.m_bKuoDi = 1;
         },
         [](const CPrintSettings& s) { return s.m_bTestDate && s.m_bKuoDi; },
         {}},
        {"a gap of 5 mm prints no spectrum",
         [](CPrintSettings& s) {
             s.m_nWaveGas = 5;
             s.m_bSpectrum = 1;
         },
         [](const CPrintSettings& s) { return !s.m_bSpectrum; },
         {true, true, true, true, false}},
        {"ordinate off: no Vmax",
         [](CPrintSettings& s) {
             s.m_bWaveInfo[4] = 0;
             s.m_bWaveInfo[3] = 1;
         },
         [](const CPrintSettings& s) { return !s.m_bWaveInfo[3]; },
         {true, false, true, true, true}},
        {"test date off: no test time",
         [](CPrintSettings& s) {
             s.m_bHeadInfo[6] = 0;
             s.m_bHeadInfo[12] = 1;
         },
         [](const CPrintSettings& s) { return !s.m_bHeadInfo[12]; },
         {true, true, false, true, true}},
        {"no simulated pile: no toe reflection time",
         [](CPrintSettings& s) {
             s.m_bMoniPile = 0;
             s.m_bWaveInfo[5] = 1;
         },
         [](const CPrintSettings& s) { return !s.m_bWaveInfo[5]; },
         {true, true, true, false, true}},
    };
    for (const Case& c : cases) {
        CPrintSettings s;
        s.m_nWaveGas = 3;
        s.m_bWaveInfo[4] = 1; // the ordinate on, so only the case's rule bites
        c.set(s);
        EXPECT_EQ(ApplyPrintItemRules(s), c.enables) << c.what;
        EXPECT_TRUE(c.holds(s)) << c.what;
    }
}

// The report format changed on the project page of the same sheet: the
// items page shows the set now stored, OK keeps it, and the ticks made
// before the change stay with the format they were made for.
TEST_F(PagesFixture, PrintedItemsFollowTheFormatChosenInTheSheet) {
    print().m_nProType = 0;
    print().m_nReportKind = 2;
    print().m_PITStyle.Reset();
    print().m_DUXStyle.Reset();
    print().ExchangeStyle(print().m_DUXStyle, false);
    const CPITPrintStyleInfo formatOne;
    ASSERT_NE(formatOne.m_bWaveInfo[0], print().m_bWaveInfo[0]);

    CMyPropertySheet sheet(QStringLiteral("打印设置"));
    CPrintStyleDlg items(&print());
    CProRepSetPage project(doc.get(), &print());
    project.measureText = [](const QString&, int h) { return TextExtent{0, h}; };
    sheet.AddPage(&items);
    sheet.AddPage(&project);
    sheet.SetMode(0);
    sheet.show();
    QWidget* w = sheet.pageWindow(0);
    ASSERT_NE(w, nullptr);
    auto box = [w](int id) { return ctrl<QCheckBox>(w, id); };
    ASSERT_TRUE(box(1168)->isChecked());
    box(1168)->click(); // pile head off for this format, not yet taken
    box(1056)->click(); // integrity: the same for every format

    sheet.SelectPage(1);
    Choose(ctrl<QComboBox>(sheet.pageWindow(1), CProRepSetPage::kFormat), 1);
    ASSERT_EQ(print().m_nProType, 1);
    sheet.SelectPage(0);
    const int waveBoxes[6] = {1168, 1169, 1170, 1166, 1171, 1328};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(box(waveBoxes[i])->isChecked(), formatOne.m_bWaveInfo[i] != 0) << "wave item " << i;
    EXPECT_EQ(box(1167)->isChecked(), formatOne.m_bHeadInfo[12] != 0);
    EXPECT_EQ(box(1056)->isChecked(), print().m_bQualityAssess != 0);

    sheet.accept();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(print().m_bWaveInfo[i], formatOne.m_bWaveInfo[i]) << "wave item " << i;
    // Back to the first format: the pile head it was given before the change.
    print().SetProType(0);
    EXPECT_EQ(print().m_bWaveInfo[0], 0);
    EXPECT_EQ(print().m_bWaveInfo[1], 1);
}

TEST_F(PagesFixture, PrintedItemsClicksKeepTheDependencies) {
    print().m_nInfoType = 2;
    print().m_nWaveGas = 5;
    print().m_bHeadInfo[12] = 1;
    print().m_bWaveInfo[4] = 1;
    print().m_bWaveInfo[3] = 1;
    print().m_bHeadInfo[13] = 0;
    print().m_bPrintCountType = 1;
    print().m_iPrintCountType = 1;
    CPrintStyleDlg page(&print());
    QWidget* w = page.CreatePage(nullptr);
    auto box = [w](int id) { return ctrl<QCheckBox>(w, id); };
    EXPECT_FALSE(box(1057)->isChecked());
    EXPECT_FALSE(box(1057)->isEnabled());
    EXPECT_TRUE(box(1064)->isChecked());
    EXPECT_FALSE(box(CPrintStyleDlg::kSpectrum)->isEnabled());
    EXPECT_TRUE(box(1065)->isChecked()); // fixed statistics columns
    EXPECT_FALSE(box(1065)->isEnabled());

    box(CPrintStyleDlg::kTestDate)->click(); // test date off takes the test time with it
    EXPECT_EQ(print().m_bHeadInfo[6], 0);
    EXPECT_EQ(print().m_bHeadInfo[12], 0);
    EXPECT_FALSE(box(CPrintStyleDlg::kTestTime)->isChecked());
    EXPECT_FALSE(box(CPrintStyleDlg::kTestTime)->isEnabled());
    box(CPrintStyleDlg::kOrdinate)->click();
    EXPECT_EQ(print().m_bWaveInfo[3], 0);
    EXPECT_FALSE(box(CPrintStyleDlg::kVmax)->isEnabled());
    box(CPrintStyleDlg::kMoniPile)->click();
    EXPECT_FALSE(box(CPrintStyleDlg::kToeTime)->isEnabled());

    // The construction data pairs: enabled with their item, checked like radio buttons.
    EXPECT_FALSE(box(CPrintStyleDlg::kWorkDate)->isEnabled());
    box(CPrintStyleDlg::kConstruct)->click();
    EXPECT_EQ(print().m_bHeadInfo[13], 1);
    EXPECT_TRUE(box(CPrintStyleDlg::kAge)->isEnabled());
    box(CPrintStyleDlg::kAge)->click();
    EXPECT_EQ(print().m_iPrintType, 1);
    EXPECT_FALSE(box(CPrintStyleDlg::kWorkDate)->isChecked());
    box(CPrintStyleDlg::kAge)->click(); // clicking the checked one keeps it
    EXPECT_TRUE(box(CPrintStyleDlg::kAge)->isChecked());
    EXPECT_TRUE(box(CPrintStyleDlg::kCountAge)->isChecked());
    box(CPrintStyleDlg::kCountDate)->click();
    EXPECT_EQ(print().m_iPrintCountType, 0);
    EXPECT_FALSE(box(CPrintStyleDlg::kCountAge)->isChecked());
    box(CPrintStyleDlg::kCountType)->click();
    EXPECT_EQ(print().m_bPrintCountType, 0);
    EXPECT_FALSE(box(CPrintStyleDlg::kCountDate)->isEnabled());

    box(1044)->click(); // a plain item is taken with the page
    page.Apply();
    EXPECT_EQ(print().m_bHeadInfo[0], 0);
}

// ---- print line types ------------------------------------------------------------

struct LineTypes : PagesFixture {
    CCurveStyle& curve() { return doc->m_CurveStyle; }
};

TEST_F(LineTypes, StyledPenIsOneUnitWide) {
    curve().m_pens[0] = {RGB(255, 0, 0), 0, 2};
    curve().m_pens[4] = {RGB(0, 0, 255), 2, 3}; // dotted and 4 wide: corrected as the page opens
    CPrintCurve page(&curve());
    QWidget* w = page.CreatePage(nullptr);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("线型为非实线时,线宽只能为1!"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(page.WidthIndex(4), 0);
    EXPECT_FALSE(ctrl(w, CPrintCurve::kWidth[4])->isEnabled());

    auto* waveStyle = ctrl<QComboBox>(w, CPrintCurve::kStyle[0]);
    auto* waveWidth = ctrl<QComboBox>(w, CPrintCurve::kWidth[0]);
    EXPECT_EQ(waveWidth->currentIndex(), 2);
    Choose(waveStyle, 1); // dash
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(waveWidth->currentIndex(), 0);
    EXPECT_FALSE(waveWidth->isEnabled());
    Choose(waveStyle, 0);
    EXPECT_TRUE(waveWidth->isEnabled());
    EXPECT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(curve().m_pens[0].width, 2); // nothing stored before Apply
}

TEST_F(LineTypes, ApplyStoresTheEightElementsThenRefreshesTheReportView) {
    CPrintCurve page(&curve());
    CMyPropertySheet sheet(QStringLiteral("打印设置"));
    sheet.AddPage(&page);
    sheet.show();
    QWidget* w = sheet.pageWindow(0);
    for (int i = 0; i < 8; ++i) {
        ctrl<CColorPicker>(w, CPrintCurve::kColour[size_t(i)])->SetColor(RGB(i, 2 * i, 3 * i), false);
        Choose(ctrl<QComboBox>(w, CPrintCurve::kStyle[size_t(i)]), i % 5);
    }
    Choose(ctrl<QComboBox>(w, CPrintCurve::kStyle[0]), 0);
    ctrl<QComboBox>(w, CPrintCurve::kWidth[0])->setCurrentIndex(3);
    ctrl<QCheckBox>(w, CPrintCurve::kSmooth)->setChecked(true);
    QSignalSpy spy(&sheet, &CMyPropertySheet::refreshRequested);
    sheet.accept();
    for (int i = 0; i < 8; ++i) {
        const CCurveStyle::Pen& pen = curve().m_pens[size_t(i)];
        EXPECT_EQ(pen.color, RGB(i, 2 * i, 3 * i)) << i;
        EXPECT_EQ(pen.style, i % 5) << i;
        EXPECT_EQ(pen.width, i == 0 ? 3 : 0) << i;
    }
    EXPECT_EQ(curve().IsSmooth, 1);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 6);
}

// ---- common print information ---------------------------------------------------

struct CommonValues : PagesFixture {
    CCommonInfo& common() { return doc->m_CommonInfo; }
    QWidget* open(CModifyGroupPage& page) {
        QWidget* w = page.CreatePage(nullptr);
        w->show();
        return w;
    }
};

TEST_F(CommonValues, ReportModesLockTheirFields) {
    const struct {
        int mode;
        std::vector<int> lockedFlags, lockedFields;
    } cases[] = {
        {0, {}, {}},
        {1, {1347, 1354}, {1034, 1126, 1128}},
        {2, {1346, 1347, 1348, 1351, 1354}, {1336, 1034, 1337, 1067, 1126, 1128}},
    };
    for (const auto& c : cases) {
        common().m_bUse.fill(true);
        CModifyGroupPage page(&common(), &doc->m_History, c.mode);
        QWidget* w = open(page);
        for (int id : CModifyGroupPage::kFlags) {
            const bool locked =
                std::find(c.lockedFlags.begin(), c.lockedFlags.end(), id) != c.lockedFlags.end();
            EXPECT_EQ(ctrl<QCheckBox>(w, id)->isChecked(), !locked) << c.mode << " " << id;
            EXPECT_EQ(ctrl(w, id)->isEnabled(), !locked) << c.mode << " " << id;
        }
        for (int id : {1335, 1336, 1034, 1337, 1125, 1126, 1066, 1067, 1069, 1074, 1068, 1136}) {
            const bool locked =
                std::find(c.lockedFields.begin(), c.lockedFields.end(), id) != c.lockedFields.end();
            EXPECT_EQ(ctrl(w, id)->isEnabled(), !locked) << c.mode << " " << id;
        }
    }
}

TEST_F(CommonValues, ShapeDiameterFlagAndTextLimits) {
    common().m_nShape = 0;
    CModifyGroupPage page(&common(), &doc->m_History, 0);
    QWidget* w = open(page);
    EXPECT_FALSE(ctrl(w, CModifyGroupPage::kSecondSide)->isVisible());
    Choose(ctrl<QComboBox>(w, CModifyGroupPage::kShape), 1);
    EXPECT_TRUE(ctrl(w, CModifyGroupPage::kSecondSide)->isVisible());
    EXPECT_TRUE(ctrl(w, CModifyGroupPage::kSecondMark)->isVisible());
    EXPECT_FALSE(ctrl(w, CModifyGroupPage::kEnlarged2)->isVisible());
    Choose(ctrl<QComboBox>(w, CModifyGroupPage::kShape), 0);
    EXPECT_FALSE(ctrl(w, CModifyGroupPage::kSecondSide)->isVisible());

    auto* diameter = ctrl<QCheckBox>(w, 1353);
    auto* shape = ctrl<QCheckBox>(w, 1352);
    diameter->click();
    EXPECT_TRUE(shape->isChecked());
    diameter->click();
    EXPECT_TRUE(shape->isChecked()); // unchecking leaves the shape flag

    for (const auto& [id, most] :
         {std::pair{CModifyGroupPage::kProjectName, 50}, std::pair{CModifyGroupPage::kTestingUnit, 50},
          std::pair{CModifyGroupPage::kTester, 25}}) {
        auto* c = ctrl<QComboBox>(w, id);
        c->lineEdit()->clear();
        QTest::keyClicks(c->lineEdit(), QString(most + 1, u'x'));
        EXPECT_EQ(c->currentText().size(), most) << id;
    }
}

TEST_F(CommonValues, ApplyStoresEveryFieldThenRefreshesFormAndView) {
    CModifyGroupPage page(&common(), &doc->m_History, 0);
    CMyPropertySheet sheet(QStringLiteral("打印设置"));
    sheet.AddPage(&page);
    sheet.show();
    QWidget* w = sheet.pageWindow(0);
    ctrl<QComboBox>(w, CModifyGroupPage::kProjectName)->setEditText(QStringLiteral("一号楼"));
    ctrl<QComboBox>(w, CModifyGroupPage::kTester)->setEditText(QStringLiteral("张三"));
    ctrl<QLineEdit>(w, CModifyGroupPage::kDiameter)->setText(QStringLiteral("800"));
    ctrl<QLineEdit>(w, CModifyGroupPage::kSecondSide)->setText(QStringLiteral("600"));
    ctrl<QComboBox>(w, CModifyGroupPage::kGrade)->setCurrentIndex(3);
    ctrl<QComboBox>(w, CModifyGroupPage::kShape)->setCurrentIndex(1);
    ctrl<QComboBox>(w, CModifyGroupPage::kClass)->setCurrentIndex(2);
    ctrl<QComboBox>(w, CModifyGroupPage::kInstrument)->setCurrentIndex(1);
    ctrl<QDateTimeEdit>(w, CModifyGroupPage::kTestDate)->setDate(QDate(2024, 3, 9));
    ctrl<QCheckBox>(w, 1345)->setChecked(true);
    ctrl<QCheckBox>(w, 1355)->setChecked(true);
    QSignalSpy spy(&sheet, &CMyPropertySheet::refreshRequested);
    sheet.accept();
    EXPECT_EQ(common().m_strProjectName, QStringLiteral("一号楼"));
    EXPECT_EQ(common().m_strTester, QStringLiteral("张三"));
    EXPECT_FLOAT_EQ(common().m_fDiameter, 800.0f);
    EXPECT_FLOAT_EQ(common().m_fSecondSide, 600.0f);
    EXPECT_EQ(common().m_nGradeIndex, 3);
    EXPECT_EQ(common().m_nShape, 1);
    EXPECT_EQ(common().m_strClass, QStringLiteral("III"));
    EXPECT_EQ(common().m_strInstrument, options::InstrumentModel(1));
    EXPECT_EQ(common().m_testDate.date(), QDate(2024, 3, 9));
    EXPECT_TRUE(common().Use(CCommonInfo::ProjectName));
    EXPECT_TRUE(common().Use(CCommonInfo::PileClass));
    EXPECT_FALSE(common().Use(CCommonInfo::Tester));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ((std::pair{spy[0][0].toInt(), spy[0][1].toInt()}), (std::pair{15, 2}));
    EXPECT_EQ((std::pair{spy[1][0].toInt(), spy[1][1].toInt()}), (std::pair{6, 1}));
}

TEST_F(CommonValues, LeavingAHistoryComboRemembersItsText) {
    CModifyGroupPage page(&common(), &doc->m_History, 0);
    QWidget* w = open(page);
    auto* unit = ctrl<QComboBox>(w, CModifyGroupPage::kTestingUnit);
    unit->setEditText(QStringLiteral("检测中心"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(unit->lineEdit(), &leave);
    ASSERT_GE(doc->m_History.GetCount(1), 1);
    EXPECT_EQ((*doc->m_History.GetList(1))[0], QStringLiteral("检测中心"));
    EXPECT_EQ(unit->currentText(), QStringLiteral("检测中心"));
    EXPECT_EQ(unit->findText(QStringLiteral("检测中心")), 0);
}

// Step by step for each flag: what it keeps, the rest goes back.
TEST(CommonValuesRestore, ValuesNotInUseGoBackToTheSnapshot) {
    CCommonInfo old;
    old.m_fDiameter = 500;
    old.m_fEnlarged = 700;
    old.m_nGradeIndex = 2;
    old.m_strClass = QStringLiteral("I");
    old.m_strProjectName = QStringLiteral("old project");
    old.m_strTestingUnit = QStringLiteral("old unit");
    old.m_strTester = QStringLiteral("old tester");
    old.m_strConstructionUnit = QStringLiteral("old builder");
    old.m_strStandard = QStringLiteral("old standard");
    old.m_strInstrument = QStringLiteral("old instrument");
    old.m_fSecondSide = 400;
    old.m_fEnlarged2 = 900;
    old.m_nShape = 0;
    old.m_testDate = QDateTime(QDate(2020, 1, 1), QTime(8, 0));
    CCommonInfo changed;
    changed.m_fDiameter = 600;
    changed.m_fEnlarged = 800;
    changed.m_nGradeIndex = 5;
    changed.m_strClass = QStringLiteral("II");
    changed.m_strProjectName = QStringLiteral("new project");
    changed.m_strTestingUnit = QStringLiteral("new unit");
    changed.m_strTester = QStringLiteral("new tester");
    changed.m_strConstructionUnit = QStringLiteral("new builder");
    changed.m_strStandard = QStringLiteral("new standard");
    changed.m_strInstrument = QStringLiteral("new instrument");
    changed.m_fSecondSide = 450;
    changed.m_fEnlarged2 = 950;
    changed.m_nShape = 1;
    changed.m_testDate = QDateTime(QDate(2024, 6, 1), QTime(9, 30));

    // Which fields each flag keeps (the mapping of the record's fields to its flags).
    const std::function<bool(const CCommonInfo&, const CCommonInfo&)> same[12] = {
        [](auto& a, auto& b) { return a.m_strProjectName == b.m_strProjectName; },
        [](auto& a, auto& b) { return a.m_strTestingUnit == b.m_strTestingUnit; },
        [](auto& a, auto& b) { return a.m_strConstructionUnit == b.m_strConstructionUnit; },
        [](auto& a, auto& b) { return a.m_strTester == b.m_strTester; },
        [](auto& a, auto& b) { return a.m_testDate == b.m_testDate; },
        [](auto& a, auto& b) { return a.m_strInstrument == b.m_strInstrument; },
        [](auto& a, auto& b) { return a.m_strStandard == b.m_strStandard; },
        [](auto& a, auto& b) { return a.m_nShape == b.m_nShape; },
        [](auto& a, auto& b) { return a.m_fDiameter == b.m_fDiameter && a.m_fSecondSide == b.m_fSecondSide; },
        [](auto& a, auto& b) { return a.m_fEnlarged == b.m_fEnlarged && a.m_fEnlarged2 == b.m_fEnlarged2; },
        [](auto& a, auto& b) { return a.m_nGradeIndex == b.m_nGradeIndex; },
        [](auto& a, auto& b) { return a.m_strClass == b.m_strClass; },
    };
    for (int flag = 0; flag < 12; ++flag) {
        CCommonInfo c = changed;
        c.ClearUse();
        c.SetUse(CCommonInfo::Flag(flag), true);
        RestoreUnusedCommonValues(c, old);
        for (int f = 0; f < 12; ++f)
            EXPECT_TRUE(same[f](c, f == flag ? changed : old)) << "flag " << flag << ", field of flag " << f;
    }
}

TEST(CommonValuesRestore, SecondSideOutsideItsRangeTakesTheDiameter) {
    for (const auto [side, expected] :
         {std::pair{0.0f, 630.0f}, std::pair{-5.0f, 630.0f}, std::pair{1e7f, 630.0f}, std::pair{1.0f, 1.0f},
          std::pair{450.0f, 450.0f}}) {
        CCommonInfo c;
        c.m_fDiameter = 630;
        c.m_fSecondSide = side;
        PrepareCommonValues(c);
        EXPECT_FLOAT_EQ(c.m_fSecondSide, expected) << side;
    }
}

} // namespace
