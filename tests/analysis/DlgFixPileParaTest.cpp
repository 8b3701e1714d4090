// The fixed-parameter dialog: the one-of-two rule for length and speed, the
// square-pile fields, the test date switch, the length decimals, and what OK
// reports.
#include "analysis/DlgFixPilePara.h"
#include "controls/CtrlId.h"
#include "core/doc/KEV_DUXDoc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FixDlg : public ::testing::Test {
protected:
    QTemporaryDir dir;
    pit::AppContext ctx;
    CKEV_DUXDoc doc{ctx, {QDir(dir.path()).filePath("DuxConfig.xml"), QDir(dir.path()).filePath("hist.ini")}};
    pit::ScriptedMessageSink sink;

    void SetUp() override {
        doc.SetWriteSettingsOnClose(false);
        CPileRecord& r = doc.m_PileRecord;
        r.m_fPileLength = 12.5f;
        r.m_nWaveSpeed = 4000;
        r.m_fDiameter = 800;
        r.m_strShape = u"圆桩"_qs;
        r.m_nGradeIndex = 3;
    }
    template <class W> static W* ctrl(QWidget* dlg, int id) {
        return qobject_cast<W*>(pit::FindCtrl(dlg, id));
    }
    static void click(QWidget* dlg, int id) {
        QTest::mouseClick(ctrl<QAbstractButton>(dlg, id), Qt::LeftButton, {}, QPoint(5, 5));
    }
};

} // namespace

TEST_F(FixDlg, FixedTimeDifferenceLetsOnlyOneOfLengthAndSpeedBeFixed) {
    doc.m_nFixSettings[pit::FixTimeMode] = pit::kTimeDifferenceFixed;
    doc.m_nFixSettings[pit::FixLength] = 1;
    CDlgFixPilePara dlg(doc);
    dlg.SetMessageSink(&sink);
    dlg.show();
    click(&dlg, CDlgFixPilePara::IDC_FIX_SPEED);
    EXPECT_FALSE(ctrl<QCheckBox>(&dlg, CDlgFixPilePara::IDC_FIX_SPEED)->isChecked()); // undone
    EXPECT_EQ(doc.m_nFixSettings[pit::FixSpeed], 0);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, u"固定时间差时，桩长与波速只能固定其中一个！"_qs);
    EXPECT_FALSE(ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_LENGTH)->isEnabled()); // locked
    EXPECT_TRUE(ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_SPEED)->isEnabled());

    click(&dlg, CDlgFixPilePara::IDC_TIME_VARYING);
    EXPECT_EQ(doc.m_nFixSettings[pit::FixTimeMode], pit::kTimeDifferenceVarying);
    click(&dlg, CDlgFixPilePara::IDC_FIX_SPEED);
    EXPECT_TRUE(ctrl<QCheckBox>(&dlg, CDlgFixPilePara::IDC_FIX_SPEED)->isChecked());
    EXPECT_EQ(doc.m_nFixSettings[pit::FixSpeed], 1);
    EXPECT_FALSE(ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_SPEED)->isEnabled());
    EXPECT_EQ(sink.shown.size(), 1u);
}

TEST_F(FixDlg, SquarePileEnablesTheSecondSidesAndTestDateFollowsTheSetting) {
    doc.m_bEnableTestDate = false;
    doc.m_nFixSettings[pit::FixTestDate] = 1;
    CDlgFixPilePara dlg(doc);
    dlg.show();
    EXPECT_EQ(doc.m_nFixSettings[pit::FixTestDate], 0);
    EXPECT_FALSE(ctrl<QDateEdit>(&dlg, CDlgFixPilePara::IDC_DATE)->isEnabled());
    EXPECT_FALSE(ctrl<QCheckBox>(&dlg, CDlgFixPilePara::IDC_FIX_DATE)->isEnabled());
    auto* side = ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_SIDE);
    EXPECT_FALSE(side->isEnabled()); // round pile
    auto* shape = ctrl<QComboBox>(&dlg, CDlgFixPilePara::IDC_SHAPE);
    EXPECT_EQ(shape->currentIndex(), 0);
    EXPECT_EQ(ctrl<QComboBox>(&dlg, CDlgFixPilePara::IDC_GRADE)->currentText(), u"C30"_qs);
    shape->setCurrentIndex(1);
    Q_EMIT shape->activated(1);
    EXPECT_TRUE(side->isEnabled());
    EXPECT_TRUE(ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_ENLARGED_SIDE)->isEnabled());
    EXPECT_EQ(doc.m_FixParams.shapeIndex, 1);
    click(&dlg, CDlgFixPilePara::IDC_FIX_DIAMETER); // a locked diameter locks its second side
    EXPECT_FALSE(side->isEnabled());
    shape->setCurrentIndex(0);
    Q_EMIT shape->activated(0);
    EXPECT_FALSE(ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_ENLARGED_SIDE)->isEnabled());

    doc.m_bEnableTestDate = true;
    CDlgFixPilePara withDate(doc);
    EXPECT_TRUE(ctrl<QDateEdit>(&withDate, CDlgFixPilePara::IDC_DATE)->isEnabled());
}

TEST_F(FixDlg, LengthRoundsToTheDocumentsDecimalsAsTheyAreTyped) {
    doc.m_nDecimalPointNum = 2;
    CDlgFixPilePara dlg(doc);
    dlg.show();
    auto* length = ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_LENGTH);
    EXPECT_EQ(length->text(), u"12.50"_qs);
    length->clear();
    length->setFocus();
    QTest::keyClicks(length, u"12.34"_qs);
    EXPECT_EQ(length->text(), u"12.34"_qs);
    QTest::keyClicks(length, u"5"_qs);
    EXPECT_EQ(length->text(), u"12.35"_qs);
}

TEST_F(FixDlg, OkAppliesFixedValuesAndReportsOnlyRealChanges) {
    doc.m_nFixSettings[pit::FixTimeMode] = pit::kTimeDifferenceVarying;
    doc.m_nFixSettings[pit::FixSpeed] = 1;
    {
        CDlgFixPilePara dlg(doc);
        dlg.show();
        dlg.accept(); // speed unchanged
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_FALSE(dlg.m_bSpeedChanged);
        EXPECT_FALSE(dlg.m_bLengthChanged);
        EXPECT_EQ(doc.m_PileRecord.m_bFixedQuantity, 0);
        EXPECT_TRUE(doc.m_bFixedParams);
    }
    doc.m_nFixSettings[pit::FixLength] = 1;
    CDlgFixPilePara dlg(doc);
    dlg.show();
    ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_SPEED)->setEnabled(true);
    ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_SPEED)->setText(u"3600"_qs);
    ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_LENGTH)->setText(u"15"_qs);
    ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_DIAMETER)->setText(u"1000"_qs);
    dlg.accept();
    EXPECT_TRUE(dlg.m_bSpeedChanged);
    EXPECT_TRUE(dlg.m_bLengthChanged);
    EXPECT_EQ(doc.m_PileRecord.m_bFixedQuantity, 1); // length wins when both are fixed
    EXPECT_EQ(doc.m_PileRecord.m_nWaveSpeed, 3600);
    EXPECT_FLOAT_EQ(doc.m_PileRecord.m_fPileLength, 15);
    EXPECT_FLOAT_EQ(doc.m_PileRecord.m_fDiameter, 800); // diameter not fixed

    CDlgFixPilePara cancelled(doc);
    cancelled.show();
    ctrl<QLineEdit>(&cancelled, CDlgFixPilePara::IDC_SPEED)->setText(u"2000"_qs);
    click(&cancelled, CDlgFixPilePara::IDC_FIX_GRADE);
    EXPECT_EQ(doc.m_nFixSettings[pit::FixGrade], 1);
    cancelled.reject();
    EXPECT_EQ(doc.m_PileRecord.m_nWaveSpeed, 3600);
    EXPECT_EQ(doc.m_nFixSettings[pit::FixGrade], 0); // the click is put back
}

TEST_F(FixDlg, ALengthFarOutOfRangeGivesBackTheLastValidOneAndOkStillWorks) {
    // The parse tells through the document's context.
    pit::AppContext told = ctx;
    told.messages = &sink;
    CKEV_DUXDoc own{told,
                    {QDir(dir.path()).filePath("DuxConfig2.xml"), QDir(dir.path()).filePath("hist2.ini")}};
    own.SetWriteSettingsOnClose(false);
    own.m_PileRecord.m_fPileLength = 12.5f;
    own.m_PileRecord.m_nWaveSpeed = 4000;
    own.m_nDecimalPointNum = 2;
    own.m_nFixSettings[pit::FixTimeMode] = pit::kTimeDifferenceVarying;
    CDlgFixPilePara dlg(own);
    dlg.SetMessageSink(&sink);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    auto* length = ctrl<QLineEdit>(&dlg, CDlgFixPilePara::IDC_LENGTH);
    length->setFocus();
    length->selectAll();
    QTest::keyClicks(length, u"9.2"_qs);
    QTest::keyClick(length, Qt::Key_Tab);
    EXPECT_EQ(length->text(), u"9.20"_qs);
    length->setFocus();
    length->selectAll();
    QTest::keyClicks(length, QString(120, u'1'));
    QTest::keyClick(length, Qt::Key_Tab);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(u"您所输入的数据严重超出范围"_qs));
    EXPECT_EQ(length->text(), u"9.20"_qs); // the last valid value, as the message says

    click(&dlg, CDlgFixPilePara::IDC_FIX_LENGTH);
    EXPECT_FALSE(length->isEnabled());
    dlg.accept();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_FLOAT_EQ(own.m_PileRecord.m_fPileLength, 9.2f);
}
