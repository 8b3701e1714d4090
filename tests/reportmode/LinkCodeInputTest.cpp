// The project information dialog of the database upload.
#include "reportmode/LinkCodeInput.h"
#include "controls/CtrlId.h"
#include "platform/MessageSink.h"
#include "res/ids.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace pit;

namespace {

template <class W> W* dialogCtrl(QWidget* dlg, int id) {
    return qobject_cast<W*>(FindCtrl(dlg, id));
}

struct LinkCodeInputTest : testing::Test {
    void SetUp() override { CLinkCodeInput::SetLastUserType(-1); }
    void TearDown() override { CLinkCodeInput::SetLastUserType(-1); }
};

} // namespace

TEST_F(LinkCodeInputTest, EmptyOrderNumberKeepsTheDialogOpen) {
    ScriptedMessageSink sink;
    CLinkCodeInput dlg(u"10.0.0.5"_qs, u"203.0.113.9"_qs);
    dlg.SetMessageSink(&sink);
    dlg.show();
    dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_TESTER1)->setText(u"张三"_qs);
    dialogCtrl<QPushButton>(&dlg, ids::IDOK)->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, u"字符串不能为空！"_qs);
    EXPECT_EQ(sink.shown[0].type & MB_TYPEMASK, unsigned(MB_OK));
    EXPECT_EQ(CLinkCodeInput::LastUserType(), -1);
}

TEST_F(LinkCodeInputTest, NeverConfirmedTypeDisablesBothAddresses) {
    CLinkCodeInput dlg(u"10.0.0.5"_qs, u"203.0.113.9"_qs);
    auto* intranetIp = dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_INTRANET_IP);
    auto* extranetIp = dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_EXTRANET_IP);
    ASSERT_TRUE(intranetIp && extranetIp);
    EXPECT_FALSE(dialogCtrl<QRadioButton>(&dlg, CLinkCodeInput::IDC_INTRANET_USER)->isChecked());
    EXPECT_FALSE(dialogCtrl<QRadioButton>(&dlg, CLinkCodeInput::IDC_EXTRANET_USER)->isChecked());
    EXPECT_FALSE(intranetIp->isEnabled());
    EXPECT_FALSE(extranetIp->isEnabled());
    EXPECT_EQ(intranetIp->text(), u"10.0.0.5"_qs);
    EXPECT_EQ(extranetIp->text(), u"203.0.113.9"_qs);

    // Choosing a type switches the intranet field; the extranet one only shows its preset.
    dialogCtrl<QRadioButton>(&dlg, CLinkCodeInput::IDC_INTRANET_USER)->click();
    EXPECT_TRUE(intranetIp->isEnabled());
    EXPECT_FALSE(extranetIp->isEnabled());
    dialogCtrl<QRadioButton>(&dlg, CLinkCodeInput::IDC_EXTRANET_USER)->click();
    EXPECT_FALSE(intranetIp->isEnabled());

    // OK without a type: the extranet address serves.
    CLinkCodeInput other(u"10.0.0.5"_qs, u"203.0.113.9"_qs);
    dialogCtrl<QLineEdit>(&other, CLinkCodeInput::IDC_ENTRUST_NO)->setText(u"WT-1"_qs);
    other.accept();
    ASSERT_EQ(other.result(), QDialog::Accepted);
    EXPECT_EQ(other.Values().userType, -1);
    EXPECT_EQ(other.Values().ServerAddress(), 0xCB007109u);
}

TEST_F(LinkCodeInputTest, OkStoresTheValuesAndTheNextDialogRemembersTheType) {
    {
        CLinkCodeInput dlg(u"10.0.0.5"_qs, u"203.0.113.9"_qs);
        dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_ENTRUST_NO)->setText(u"WT-2024-01"_qs);
        dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_TESTER1)->setText(u"张三"_qs);
        dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_TESTER2)->setText(u"李四"_qs);
        dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_DEVICE1)->setText(u"D1"_qs);
        dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_DEVICE2)->setText(u"D2"_qs);
        dialogCtrl<QPlainTextEdit>(&dlg, CLinkCodeInput::IDC_CONCLUSION)->setPlainText(u"合格"_qs);
        dialogCtrl<QRadioButton>(&dlg, CLinkCodeInput::IDC_INTRANET_USER)->click();
        dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_INTRANET_IP)->setText(u"192.168.3.4"_qs);
        dlg.accept();
        ASSERT_EQ(dlg.result(), QDialog::Accepted);
        const UploadOrder o = dlg.Values();
        EXPECT_EQ(o.entrustNo, u"WT-2024-01"_qs);
        EXPECT_EQ(o.tester1, u"张三"_qs);
        EXPECT_EQ(o.tester2, u"李四"_qs);
        EXPECT_EQ(o.device1, u"D1"_qs);
        EXPECT_EQ(o.device2, u"D2"_qs);
        EXPECT_EQ(o.conclusion, u"合格"_qs);
        EXPECT_EQ(o.userType, 0);
        EXPECT_EQ(o.ServerAddress(), 0xC0A80304u);
        EXPECT_EQ(o.extranetIp, 0xCB007109u);
    }
    EXPECT_EQ(CLinkCodeInput::LastUserType(), 0);
    CLinkCodeInput next(u"10.0.0.5"_qs, u"203.0.113.9"_qs);
    EXPECT_TRUE(dialogCtrl<QRadioButton>(&next, CLinkCodeInput::IDC_INTRANET_USER)->isChecked());
    EXPECT_TRUE(dialogCtrl<QLineEdit>(&next, CLinkCodeInput::IDC_INTRANET_IP)->isEnabled());
    // The presets come back; the address typed last time is not kept.
    EXPECT_EQ(dialogCtrl<QLineEdit>(&next, CLinkCodeInput::IDC_INTRANET_IP)->text(), u"10.0.0.5"_qs);

    // Cancel keeps the remembered type.
    next.reject();
    EXPECT_EQ(CLinkCodeInput::LastUserType(), 0);
}

TEST_F(LinkCodeInputTest, IntranetUserNeedsACompleteAddress) {
    ScriptedMessageSink sink;
    CLinkCodeInput dlg{QString(), QString()};
    dlg.SetMessageSink(&sink);
    dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_ENTRUST_NO)->setText(u"WT"_qs);
    dialogCtrl<QRadioButton>(&dlg, CLinkCodeInput::IDC_INTRANET_USER)->click();
    auto* ip = dialogCtrl<QLineEdit>(&dlg, CLinkCodeInput::IDC_INTRANET_IP);
    ip->setText(u"192.168."_qs);
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(CLinkCodeInput::LastUserType(), -1);
    // The field takes digits and dots only.
    ip->setText(QString());
    ip->insert(u"10.x"_qs);
    EXPECT_EQ(ip->text(), QString());
}
