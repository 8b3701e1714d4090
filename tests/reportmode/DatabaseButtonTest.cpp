// The report-mode button "导入数据库" in the real main window, answered by
// filling in the project information dialog, against an SQLite database that
// Database.ini names.
#include "controls/CtrlId.h"
#include "controls/SListCtrl.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "reportmode/ExportView.h"
#include "reportmode/LinkCodeInput.h"
#include "mainwnd/MainFrame.h"
#include "platform/Paths.h"
#include "res/ids.h"
#include "tests/reportmode/ReportModeFixture.h"
#include "tests/database/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>

namespace pit::test {
namespace {

struct DatabaseButton : ReportModeFixture {
    std::unique_ptr<CMainFrame> frame;
    TestDatabase db{Backend::SQLite, QStringLiteral("button")};
    QString iniPath;

    void SetUp() override {
        ReportModeFixture::SetUp();
        CLinkCodeInput::SetLastUserType(-1);
        // Blow files saved by the program (report mode lists blow files).
        for (const char* pile : {"A1", "A2", "A3"})
            DuxBuilder::paramBlock("A-RIRADAD", 1042)
                .channels(2, 1024)
                .analysis(SavedPile(QString::fromLatin1(pile)))
                .writeTo(folder, QString::fromLatin1(pile) + QStringLiteral(".DUX"));
        db.CreateTables();
        iniPath = joinPath(stateDir(), QStringLiteral("Database.ini"));
        QFile ini(iniPath);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Database]\nConnectionString=" + db.connectionString.toUtf8() + "\n");
        ini.close();
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1300, 850);
        frame->show();
        Open(folder + QStringLiteral("/A1.DUX"));
        frame->SetExportServices(&services);
    }
    void TearDown() override {
        frame.reset();
        QFile::remove(iniPath);
        CLinkCodeInput::SetLastUserType(-1);
        ReportModeFixture::TearDown();
    }

    // Answers each project information dialog that opens with the next step.
    std::deque<std::function<void(CLinkCodeInput&)>> answers;
    int dialogs = 0;
    int ClickUpload() {
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dlg = qobject_cast<CLinkCodeInput*>(QApplication::activeModalWidget());
            if (!dlg || !dlg->isVisible())
                return;
            ++dialogs;
            if (answers.empty()) {
                dlg->reject();
                return;
            }
            auto step = answers.front();
            answers.pop_front();
            step(*dlg);
        });
        timer.start();
        auto* button = qobject_cast<QPushButton*>(FindCtrl(frame->ExportView(), CExportView::kDatabase));
        EXPECT_TRUE(button && button->isEnabled());
        if (!button)
            return 0;
        button->click();
        return 1;
    }
    static std::function<void(CLinkCodeInput&)> Enter(const QString& number) {
        return [number](CLinkCodeInput& dlg) {
            static_cast<QLineEdit*>(FindCtrl(&dlg, CLinkCodeInput::IDC_ENTRUST_NO))->setText(number);
            static_cast<QPushButton*>(FindCtrl(&dlg, ids::IDOK))->click();
        };
    }
};

} // namespace

TEST_F(DatabaseButton, UploadsTheCheckedPilesAndRefusesATakenNumber) {
    QAction* report = frame->Commands()->Action(cmd::kProjectReport);
    frame->Commands()->Update();
    ASSERT_TRUE(report && report->isEnabled());
    report->trigger();
    CExportView* view = frame->ExportView();
    ASSERT_EQ(view->List()->GetItemCount(), 3);
    view->List()->SetItemCheck(1, false);

    sink.shown.clear();
    answers = {Enter(QStringLiteral("WT-2024-07"))};
    ASSERT_EQ(ClickUpload(), 1);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor ends with the upload";
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("导入成功！")))
        << sink.shown[0].text.toStdString();
    EXPECT_EQ(db.Count(QStringLiteral("ZDC_M")), 1);
    const auto piles = db.Piles();
    ASSERT_EQ(piles.size(), 2u);
    EXPECT_EQ(piles[0].xh, 1);
    EXPECT_EQ(piles[1].xh, 3);
    EXPECT_EQ(piles[0].pileNo, view->List()->GetItemText(0, 2));
    EXPECT_EQ(piles[1].pileNo, view->List()->GetItemText(2, 2));
    EXPECT_EQ(piles[0].pic.size(), 12030);

    // The same number again: refused, the dialog comes back, Cancel ends it quietly.
    sink.shown.clear();
    dialogs = 0;
    answers = {Enter(QStringLiteral("WT-2024-07"))};
    ASSERT_EQ(ClickUpload(), 1);
    EXPECT_EQ(dialogs, 2);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("该委托单编号已存在，请重新输入"));
    EXPECT_EQ(db.Count(QStringLiteral("ZDC_M")), 1);
}

} // namespace pit::test
