#include "controls/LanguageWidgets.h"
#include "controls/CtrlId.h"
#include "core/doc/LanguageFiles.h"

#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;

namespace {

// A language file with a dialog section and a menu section, made active.
struct ActiveLanguage {
    QTemporaryDir dir;
    LanguageFiles files{dir.path(), dir.filePath(QStringLiteral("KEV_DUX.ini"))};
    ActiveLanguage() {
        const QString path = dir.filePath(QStringLiteral("English.lng"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Language]\nLanguage=1033\n"
                "[161]\n161=Refinement Index\n1155=Enter the index:\n1144=\n1=OK\n1200=Options\n1300=8\n"
                "[128]\n|0=&File\n57601=&Open...\n|0|2=Recent &Files\n57616=Recent File\n|1=&View\n");
        f.close();
        files.SetActivePath(path);
    }
};

} // namespace

TEST(LanguageWidgets, TranslatesADialogByControlIds) {
    ActiveLanguage lang;
    QDialog dlg;
    pit::WithCtrlId(&dlg, 161)->setWindowTitle(QStringLiteral("设置细化指数"));
    auto* prompt = pit::WithCtrlId(new QLabel(QStringLiteral("请输入细化指数:"), &dlg), 1155);
    auto* hint = pit::WithCtrlId(new QLabel(QStringLiteral("(请输入2的n次幂且小于50的数字)"), &dlg), 1144);
    auto* ok = pit::WithCtrlId(new QPushButton(QStringLiteral("确定"), &dlg), 1);
    auto* cancel = pit::WithCtrlId(new QPushButton(QStringLiteral("取消"), &dlg), 2);
    auto* group = pit::WithCtrlId(new QGroupBox(QStringLiteral("选项"), &dlg), 1200);
    auto* edit = pit::WithCtrlId(new QLineEdit(QStringLiteral("4"), group), 1300); // nested
    auto* plain = new QLabel(QStringLiteral("无编号"), &dlg);

    TranslateWidgetTree(&dlg, lang.files.Section(161));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Refinement Index"));
    EXPECT_EQ(prompt->text(), QStringLiteral("Enter the index:"));
    EXPECT_EQ(hint->text(), QStringLiteral("(请输入2的n次幂且小于50的数字)")) << "empty value: kept";
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(cancel->text(), QStringLiteral("取消")) << "missing key: kept";
    EXPECT_EQ(group->title(), QStringLiteral("Options"));
    EXPECT_EQ(edit->text(), QStringLiteral("8"));
    EXPECT_EQ(plain->text(), QStringLiteral("无编号"));
}

TEST(LanguageWidgets, TranslatesMenusByCommandIdAndPopupPosition) {
    ActiveLanguage lang;
    QMenuBar bar;
    QMenu* file = bar.addMenu(QStringLiteral("文件"));
    QAction* open = file->addAction(QStringLiteral("打开"));
    open->setData(57601);
    file->addSeparator();
    QMenu* recent = file->addMenu(QStringLiteral("最近文件")); // position 2: separators count
    QAction* mru = recent->addAction(QStringLiteral("最近的文件"));
    mru->setData(57616);
    QMenu* view = bar.addMenu(QStringLiteral("查看"));
    QAction* other = view->addAction(QStringLiteral("主视图"));
    other->setData(32771);

    TranslateMenuBar(&bar, lang.files.Section(128));
    EXPECT_EQ(file->title(), QStringLiteral("&File"));
    EXPECT_EQ(open->text(), QStringLiteral("&Open..."));
    EXPECT_EQ(recent->title(), QStringLiteral("Recent &Files"));
    EXPECT_EQ(mru->text(), QStringLiteral("Recent File"));
    EXPECT_EQ(view->title(), QStringLiteral("&View"));
    EXPECT_EQ(other->text(), QStringLiteral("主视图"));
}

TEST(LanguageWidgets, TranslateDialogUsesTheSectionOfItsIdOnlyWithAnActiveFile) {
    ActiveLanguage lang;
    QDialog dlg;
    pit::WithCtrlId(&dlg, 161)->setWindowTitle(QStringLiteral("设置细化指数"));
    auto* ok = pit::WithCtrlId(new QPushButton(QStringLiteral("确定"), &dlg), 1);
    TranslateDialog(&dlg, 128, lang.files); // another section: no key of this dialog
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("设置细化指数"));
    TranslateDialog(&dlg, 161, lang.files);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Refinement Index"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));

    QDialog other;
    pit::WithCtrlId(&other, 161)->setWindowTitle(QStringLiteral("设置细化指数"));
    lang.files.SetActivePath(QString());
    TranslateDialog(&other, 161, lang.files);
    EXPECT_EQ(other.windowTitle(), QStringLiteral("设置细化指数"));
}
