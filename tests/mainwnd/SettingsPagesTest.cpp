// The system and display pages in the options sheet.
#include "tests/mainwnd/CommandsFixture.h"

#include "controls/ColorPicker.h"
#include "controls/CtrlId.h"
#include "mainwnd/DisplaySetDlg.h"
#include "mainwnd/SystemSetDlg.h"
#include "res/ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using namespace pit;
using pit::test::CommandsFixture;

namespace {

struct SheetTest : CommandsFixture {
    template <class T> T* ctrl(CMyPropertySheet& sheet, int id) {
        return qobject_cast<T*>(FindCtrl(&sheet, id));
    }
    void ok(CMyPropertySheet& sheet) { ctrl<QPushButton>(sheet, ids::IDOK)->click(); }
};

TEST(SystemSettings, StretchStepMustLieFromTwoToSix) {
    for (int steps : {2, 4, 6})
        EXPECT_FALSE(ValidateStretchSteps(steps, false).failed()) << steps;
    for (int steps : {-1, 0, 1, 7}) {
        const ValidationFailure f = ValidateStretchSteps(steps, false);
        EXPECT_TRUE(f.failed()) << steps;
        EXPECT_EQ(f.badId, CSystemSetDlg::kStretchSteps);
        EXPECT_EQ(f.message, QStringLiteral("拉伸压缩的档位必须大于1且小于等于6！"));
    }
    EXPECT_TRUE(ValidateStretchSteps(7, true).message.contains(QStringLiteral("6")));
}

TEST_F(SheetTest, RefusedStretchStepKeepsTheSheetOpenWithThePreviousStep) {
    doc->m_nStretchSteps = 3;
    CSystemSetDlg page(doc.get());
    CMyPropertySheet sheet(QStringLiteral("设置"));
    sheet.AddPage(&page);
    sheet.show();
    auto* steps = ctrl<QLineEdit>(sheet, CSystemSetDlg::kStretchSteps);
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->text(), QStringLiteral("3"));

    steps->setText(QStringLiteral("7"));
    ctrl<QLineEdit>(sheet, CSystemSetDlg::kMovePoint)->setText(QStringLiteral("25"));
    ok(sheet);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_NE(sheet.result(), QDialog::Accepted);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("拉伸压缩的档位必须大于1且小于等于6！"));
    EXPECT_EQ(steps->text(), QStringLiteral("3"));
    EXPECT_EQ(doc->m_nStretchSteps, 3);
    EXPECT_FLOAT_EQ(doc->m_fMovePoint, 10.0f); // nothing taken while refused

    steps->setText(QStringLiteral("6"));
    ctrl<QLineEdit>(sheet, CSystemSetDlg::kRefineIndex)->setText(QStringLiteral("16"));
    ctrl<QCheckBox>(sheet, CSystemSetDlg::kEnableTestDate)->setChecked(true);
    ok(sheet);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(doc->m_nStretchSteps, 6);
    EXPECT_FLOAT_EQ(doc->m_fMovePoint, 25.0f);
    EXPECT_EQ(doc->m_nRefineIndex, 16);
    EXPECT_TRUE(doc->m_bEnableTestDate);
}

TEST_F(SheetTest, FieldThatIsNoNumberIsRefused) {
    CSystemSetDlg page(doc.get());
    CMyPropertySheet sheet(QStringLiteral("设置"));
    sheet.AddPage(&page);
    sheet.show();
    ctrl<QLineEdit>(sheet, CSystemSetDlg::kZoomRate)->setText(QStringLiteral("abc"));
    ok(sheet);
    EXPECT_TRUE(sheet.isVisible());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_FLOAT_EQ(doc->m_fZoomRateDefine, 300.0f);
}

TEST_F(SheetTest, DisplayApplyReachesEveryChannelAndRefreshes) {
    OpenSample();
    CDisplaySetDlg page(doc.get());
    CMyPropertySheet sheet(QStringLiteral("设置"));
    sheet.AddPage(&page);
    sheet.show();
    EXPECT_EQ(ctrl<QComboBox>(sheet, CDisplaySetDlg::kDecimals)->currentIndex(), doc->m_nDecimalPointNum - 1);

    ctrl<QComboBox>(sheet, CDisplaySetDlg::kDecimals)->setCurrentIndex(0);
    ctrl<QRadioButton>(sheet, CDisplaySetDlg::kThin)->setChecked(true);
    ctrl<QRadioButton>(sheet, CDisplaySetDlg::kDashed)->setChecked(true);
    ctrl<CColorPicker>(sheet, CDisplaySetDlg::kWaveColour)->SetColor(0x0000FF);
    ctrl<CColorPicker>(sheet, CDisplaySetDlg::kCentreColour)->SetColor(0x00FF00);
    QSignalSpy spy(&sheet, &CMyPropertySheet::refreshRequested);
    ok(sheet);

    EXPECT_EQ(doc->m_nDecimalPointNum, 1);
    EXPECT_EQ(rec().m_nDecimals, 1);
    const WaveContext& wave = WaveContext::Default();
    EXPECT_EQ(wave.Display().waveLineDivisor, 1);
    EXPECT_EQ(wave.Display().centreStyle, 1);
    EXPECT_EQ(wave.Display().centreColour, 0x00FF00u);
    EXPECT_EQ(wave.DefaultWaveColour(), 0x0000FFu);
    for (int i = 0; i < rec().ChannelCountInList(); ++i)
        EXPECT_EQ(ch(i).colours[1], 0x0000FFu) << i;
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toInt(), 11);
    EXPECT_EQ(spy[1][0].toInt(), 4);
}

} // namespace
