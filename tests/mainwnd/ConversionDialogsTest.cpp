#include "controls/CtrlId.h"
#include "controls/MessageTip.h"
#include "mainwnd/KEVInputDlg.h"
#include "mainwnd/PITDataConvertDlg.h"
#include "platform/MessageSink.h"
#include "res/ids.h"
#include "tests/support/Disks.h"
#include "tests/support/DuxBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::DuxBuilder;

namespace {

template <class W> W* ctrl(QWidget* dlg, int id) {
    return qobject_cast<W*>(FindCtrl(dlg, id));
}

DuxBuilder pulsePile() {
    std::vector<float> x(1024, 0.0f);
    for (int i = 100; i < 1024; ++i)
        x[size_t(i)] = i <= 110 ? 0.001f * float(i - 100) : 0.01f;
    return DuxBuilder::shortHeader(90).channels(1, 1024).samples(x).sampleInterval(25).scale(1);
}

} // namespace

TEST(KEVInputDlg, RefusedDiameterShowsThePreviousOne) {
    ScriptedMessageSink sink;
    CKEVInputDlg dlg(QStringLiteral("/data/ZK1.DUX"), KevInputSettings{650, false});
    dlg.SetMessageSink(&sink);
    dlg.show();
    auto* edit = ctrl<QLineEdit>(&dlg, CKEVInputDlg::IDC_DIAMETER);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("650"));
    EXPECT_EQ(qobject_cast<QLabel*>(FindCtrl(&dlg, CKEVInputDlg::IDC_FILE_NAME))->text(),
              QStringLiteral("ZK1.DUX"));

    for (const char* bad : {"0", "100001", "abc"}) {
        edit->setText(QString::fromLatin1(bad));
        ctrl<QPushButton>(&dlg, ids::IDOK)->click();
        EXPECT_TRUE(dlg.isVisible()) << bad;
        EXPECT_EQ(edit->text(), QStringLiteral("650")) << bad;
    }
    edit->setText(QStringLiteral("1200"));
    ctrl<QCheckBox>(&dlg, CKEVInputDlg::IDC_USE_FOR_ALL)->setChecked(true);
    ctrl<QPushButton>(&dlg, ids::IDOK)->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Settings().diameterMm, 1200);
    EXPECT_TRUE(dlg.Settings().useForAll);
}

TEST(KEVInputDlg, AskerStoresTheAnswerInTheSettings) {
    KevInputSettings settings{300, false};
    int diameter = 800;
    QTimer::singleShot(0, [] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        ctrl<QLineEdit>(w, CKEVInputDlg::IDC_DIAMETER)->setText(QStringLiteral("750"));
        ctrl<QCheckBox>(w, CKEVInputDlg::IDC_USE_FOR_ALL)->setChecked(true);
        ctrl<QPushButton>(w, ids::IDOK)->click();
    });
    ASSERT_TRUE(CKEVInputDlg::MakeAsker(nullptr)(diameter, settings, QStringLiteral("/d/A.DUX")));
    EXPECT_EQ(diameter, 750);
    EXPECT_EQ(settings.diameterMm, 750);
    EXPECT_TRUE(settings.useForAll);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    int other = 500;
    EXPECT_FALSE(CKEVInputDlg::MakeAsker(nullptr)(other, settings, QStringLiteral("/d/B.DUX")));
    EXPECT_EQ(other, 500);
}

class ZezDialog : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    QString folder;
    void SetUp() override {
        folder = tmp.filePath(QStringLiteral("Site"));
        QDir().mkpath(folder);
        for (const char* n : {"P10.DUX", "P2.DUX", "P1.dux"})
            pulsePile().writeTo(folder, QString::fromLatin1(n));
        pulsePile().sensor(1, 0).writeTo(folder, QStringLiteral("V.DUX"));
    }
};

TEST_F(ZezDialog, TicksFollowTheSelectionGroup) {
    CPITDataConvertDlg dlg(folder);
    dlg.SetMessageSink(&sink);
    dlg.ScanSourceFiles(folder); // a folder chosen earlier in this process comes first
    EXPECT_EQ(dlg.ListedNames(), (QStringList{"P1.dux", "P2.DUX", "P10.DUX", "V.DUX"}));
    EXPECT_EQ(dlg.CheckedPaths().size(), 4);
    EXPECT_EQ(dlg.SelectionState(), CPITDataConvertDlg::SelectAll);

    dlg.SetChecked(1, false);
    EXPECT_EQ(dlg.SelectionState(), CPITDataConvertDlg::SelectAny);
    EXPECT_FALSE(ctrl<QCheckBox>(&dlg, CPITDataConvertDlg::IDC_SELECT_ALL)->isChecked());
    ctrl<QCheckBox>(&dlg, CPITDataConvertDlg::IDC_SELECT_ALL)->click();
    EXPECT_EQ(dlg.CheckedPaths().size(), 4);
    EXPECT_EQ(dlg.SelectionState(), CPITDataConvertDlg::SelectAll);
    ctrl<QCheckBox>(&dlg, CPITDataConvertDlg::IDC_SELECT_ALL)->click();
    EXPECT_TRUE(dlg.CheckedPaths().isEmpty());
    EXPECT_EQ(dlg.SelectionState(), CPITDataConvertDlg::SelectNone);

    ctrl<QPushButton>(&dlg, CPITDataConvertDlg::IDC_CONVERT)->click();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("请选择要转换的文件!"));
}

TEST_F(ZezDialog, ConvertsAndSummarises) {
    CPITDataConvertDlg dlg;
    dlg.SetMessageSink(&sink);
    dlg.chooseFolder = [&](QWidget*, const QString& prompt, const QString&) {
        EXPECT_EQ(prompt, QStringLiteral("请选择KEV_DUX文件所在的目录："));
        return folder;
    };
    const QString target = tmp.filePath(QStringLiteral("site.a"));
    dlg.chooseTarget = [&](QWidget*, const QString&) { return target; };
    ctrl<QPushButton>(&dlg, CPITDataConvertDlg::IDC_READ_PATH)->click();
    EXPECT_EQ(dlg.Folder(), folder);
    ASSERT_EQ(dlg.CheckedPaths().size(), 4);

    ctrl<QPushButton>(&dlg, CPITDataConvertDlg::IDC_CONVERT)->click();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("数据转换完成"));
    EXPECT_EQ(sink.shown[0].type & MB_ICONMASK, unsigned(MB_ICONINFORMATION));
    EXPECT_EQ(QFileInfo(target).size(), 3 * 2500);
    EXPECT_TRUE(
        dlg.StatusText().startsWith(QStringLiteral("以下文件为速度计采集,不符号转换条件：\r\nV.DUX .")));
    EXPECT_TRUE(dlg.StatusText().contains(QStringLiteral("写入 3 条记录（3 个文件）")));

    // The folder is remembered for the next dialog of this run.
    CPITDataConvertDlg again;
    EXPECT_EQ(again.Folder(), folder);
}

TEST_F(ZezDialog, NothingConvertibleIsAnError) {
    CPITDataConvertDlg dlg(folder);
    dlg.SetMessageSink(&sink);
    dlg.ScanSourceFiles(folder);
    dlg.chooseTarget = [&](QWidget*, const QString&) { return tmp.filePath(QStringLiteral("v.a")); };
    for (int k = 0; k < 3; ++k)
        dlg.SetChecked(k, false); // only V.DUX stays ticked
    ctrl<QPushButton>(&dlg, CPITDataConvertDlg::IDC_CONVERT)->click();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("ERROR:转换失败!"));
    EXPECT_TRUE(dlg.StatusText().contains(QStringLiteral("V.DUX")));
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("v.a"))));
}

// The chosen folder is read-only: the Part's text, then why; the three files
// that gave records count as failed, and nothing is written.
TEST_F(ZezDialog, AWriteThatFailsSaysWhyAndCountsTheFiles) {
    const QString out = tmp.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    pit::test::ReadOnlyFolder readOnly;
    if (!readOnly.Make(out))
        GTEST_SKIP() << "no read-only folder for this user";
    CPITDataConvertDlg dlg(folder);
    dlg.SetMessageSink(&sink);
    dlg.ScanSourceFiles(folder);
    const QString target = QDir(out).filePath(QStringLiteral("site.a"));
    dlg.chooseTarget = [&](QWidget*, const QString&) { return target; };
    ctrl<QPushButton>(&dlg, CPITDataConvertDlg::IDC_CONVERT)->click();
    ASSERT_EQ(sink.shown.size(), 1u);
    const QString told = sink.shown[0].text;
    EXPECT_TRUE(told.startsWith(QStringLiteral("ERROR:转换失败!\n"))) << told.toStdString();
    EXPECT_TRUE(pit::test::NamesReadOnly(told)) << told.toStdString();
    EXPECT_TRUE(dlg.StatusText().contains(
        QStringLiteral("写入 0 条记录（0 个文件），跳过 1 个文件，失败 3 个文件。")))
        << dlg.StatusText().toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
}
