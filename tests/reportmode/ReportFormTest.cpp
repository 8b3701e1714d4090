// Report mode's form: the date checks of its two pickers, the controls each
// common flag disables, the second sides of a square pile, the derived dates.
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/pile/PileRecord.h"
#include "reportmode/ExportForm.h"
#include "tests/reports/ReportFixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

namespace pit::test {
namespace {

struct ReportForm : ReportFixture {
    std::unique_ptr<CExportForm> form;
    void SetUp() override {
        ReportFixture::SetUp();
        ui::setMessages(&sink);
        DuxAnalysis a = SavedPile(QStringLiteral("F1"));
        a.testDate = QStringLiteral("2024-03-15 09:30:00");
        a.constructionDate = QStringLiteral("2024-03-01");
        const QString path = WritePile(QStringLiteral("F1.DUX"), a);
        Open(path);
        ASSERT_TRUE(doc->m_PileRecord2.ReadFile(path));
        form = std::make_unique<CExportForm>(doc.get());
        form->OnInitialUpdate();
        form->RefreshFromRecord();
    }
    void TearDown() override {
        form.reset();
        ui::setMessages(nullptr);
    }
    QDateEdit* Picker(int id) const { return static_cast<QDateEdit*>(FindCtrl(form.get(), id)); }
};

} // namespace

TEST_F(ReportForm, DateOrderIsCheckedInBothPickers) {
    QDateEdit* test = Picker(CExportForm::kTestDate);
    QDateEdit* build = Picker(CExportForm::kConstructionDate);
    ASSERT_EQ(test->date(), QDate(2024, 3, 15));
    ASSERT_EQ(build->date(), QDate(2024, 3, 1));
    // Equal dates are accepted either way.
    build->setDate(QDate(2024, 3, 15));
    EXPECT_EQ(form->FormConstructionDate(), QDate(2024, 3, 15));
    build->setDate(QDate(2024, 3, 10));
    test->setDate(QDate(2024, 3, 10));
    EXPECT_EQ(form->FormTestDate(), QDate(2024, 3, 10));
    EXPECT_EQ(doc->m_PileRecord2.m_testDate, QDateTime(QDate(2024, 3, 10), QTime(9, 30)));
    EXPECT_TRUE(sink.shown.empty());

    const struct {
        QDateEdit* picker;
        QDate wrong;
        const char16_t* message;
    } cases[] = {{build, QDate(2024, 3, 11), u"施工日期必须小于检测日期！"},
                 {test, QDate(2024, 3, 9), u"检测日期必须大于施工日期！"}};
    for (const auto& c : cases) {
        sink.shown.clear();
        c.picker->setDate(c.wrong);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, QString::fromUtf16(c.message));
        EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
        EXPECT_EQ(c.picker->date(), QDate(2024, 3, 10)); // restored
    }
    EXPECT_EQ(doc->m_PileRecord2.m_testDate.date(), QDate(2024, 3, 10));
}

TEST_F(ReportForm, EachCommonFlagDisablesExactlyItsControls) {
    const std::vector<std::vector<int>> controls = {{CExportForm::kProjectName},
                                                    {CExportForm::kTestingUnit},
                                                    {CExportForm::kConstructionUnit},
                                                    {CExportForm::kTester},
                                                    {CExportForm::kTestDate},
                                                    {CExportForm::kInstrument},
                                                    {CExportForm::kStandard},
                                                    {CExportForm::kShape},
                                                    {CExportForm::kDiameter, CExportForm::kSecondSide},
                                                    {CExportForm::kEnlarged, CExportForm::kEnlarged2},
                                                    {CExportForm::kGrade},
                                                    {CExportForm::kClass}};
    std::vector<int> all;
    for (const auto& ids : controls)
        all.insert(all.end(), ids.begin(), ids.end());
    for (int flag = 0; flag < 12; ++flag) {
        doc->m_CommonInfo.ClearUse();
        doc->m_CommonInfo.SetUse(CCommonInfo::Flag(flag), true);
        form->ApplyCommonValues(true);
        for (int id : all) {
            const bool governed =
                std::count(controls[size_t(flag)].begin(), controls[size_t(flag)].end(), id) > 0;
            EXPECT_EQ(FindCtrl(form.get(), id)->isEnabled(), !governed)
                << "flag " << flag << " control " << id;
        }
    }
    EXPECT_EQ(doc->m_bUseCommonInfo, 1);
    // The common diameter shows without decimals.
    doc->m_CommonInfo.ClearUse();
    doc->m_CommonInfo.SetUse(CCommonInfo::Diameter, true);
    doc->m_CommonInfo.m_fDiameter = 1200.4f;
    form->ApplyCommonValues(true);
    EXPECT_EQ(static_cast<QLineEdit*>(FindCtrl(form.get(), CExportForm::kDiameter))->text(),
              QStringLiteral("1200"));
}

TEST_F(ReportForm, SquarePileShowsItsSecondSides) {
    auto* shape = static_cast<QComboBox*>(FindCtrl(form.get(), CExportForm::kShape));
    const int ids[] = {CExportForm::kSecondSide, CExportForm::kEnlarged2, CExportForm::kStar1,
                       CExportForm::kStar2};
    for (int index : {1, 0}) {
        shape->setCurrentIndex(index);
        EXPECT_EQ(doc->m_PileRecord2.m_nShape, index);
        for (int id : ids)
            EXPECT_EQ(FindCtrl(form.get(), id)->isHidden(), index == 0) << index << " " << id;
    }
}

TEST_F(ReportForm, DatesFromTheAgeFollowTheCommonTestDate) {
    QDateEdit* build = Picker(CExportForm::kConstructionDate);
    form->SetDates(true, 10);
    EXPECT_EQ(build->date(), QDate(2024, 3, 5));
    form->SetDates(false, 10);
    EXPECT_EQ(build->date(), QDate(2024, 3, 1));
    doc->m_CommonInfo.SetUse(CCommonInfo::TestDate, true);
    doc->m_CommonInfo.m_testDate = QDateTime(QDate(2024, 6, 1), QTime(8, 0));
    form->ApplyCommonValues(true);
    form->SetDates(true, 14);
    EXPECT_EQ(Picker(CExportForm::kTestDate)->date(), QDate(2024, 6, 1));
    EXPECT_EQ(build->date(), QDate(2024, 5, 18));
}

TEST_F(ReportForm, WaveFieldsGoIntoTheRecordOnlyWhenEveryNumberReads) {
    auto* low = static_cast<QLineEdit*>(FindCtrl(form.get(), CExportForm::kLowPass));
    auto* diameter = static_cast<QLineEdit*>(FindCtrl(form.get(), CExportForm::kDiameter));
    low->setText(QStringLiteral("1500"));
    diameter->setText(QStringLiteral("8x0"));
    EXPECT_FALSE(form->ExchangeWaveFields(true));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(doc->m_PileRecord2.CurrentChannel()->lowPassHz, 50000);
    EXPECT_FLOAT_EQ(doc->m_PileRecord2.m_fDiameter, 600.0f);
    diameter->setText(QStringLiteral("820"));
    EXPECT_TRUE(form->ExchangeWaveFields(true));
    EXPECT_EQ(doc->m_PileRecord2.CurrentChannel()->lowPassHz, 1500);
    EXPECT_FLOAT_EQ(doc->m_PileRecord2.m_fDiameter, 820.0f);
}

} // namespace pit::test
