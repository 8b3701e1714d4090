// The report-mode button "导入数据库" in the real main window, answered by
// filling in the project information dialog, against an SQLite database that
// Database.ini names.
#include "controls/CtrlId.h"
#include "controls/SListCtrl.h"
#include "database/UploadJob.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/MainFrame.h"
#include "platform/Paths.h"
#include "reportmode/DatabaseImport.h"
#include "reportmode/ExportView.h"
#include "reportmode/LinkCodeInput.h"
#include "res/ids.h"
#include "tests/database/TestDatabase.h"
#include "tests/reportmode/ReportModeFixture.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
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
        WriteIni("");
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1300, 850);
        frame->show();
        Open(folder + QStringLiteral("/A1.DUX"));
        frame->SetExportServices(&services);
    }
    void WriteIni(const QByteArray& more) {
        QFile ini(iniPath);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Database]\nConnectionString=" + db.connectionString.toUtf8() + "\n" + more);
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

// Another program holds the database file locked. The upload runs behind a
// progress box while the window keeps painting; it ends within its timeout
// (Database.ini: 2 s) with a message, and nothing is written, then or later.
// Cancel in the box ends it the same way.
TEST_F(DatabaseButton, AHeldLockEndsInAMessageWhileTheWindowPaints) {
    WriteIni("LoginTimeout=2\nQueryTimeout=2\n");
    frame->Commands()->Update();
    frame->Commands()->Action(cmd::kProjectReport)->trigger();
    odbc::Connection holder(db.env);
    ASSERT_TRUE(holder.Open(db.connectionString));
    {
        odbc::Statement lock(holder);
        ASSERT_TRUE(lock.ExecDirect(QStringLiteral("BEGIN EXCLUSIVE")));
    }

    // Paints of the main window while the upload waits.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    QWidget* list = frame->ExportView()->List()->viewport();
    list->installEventFilter(&counter);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, list, [list] { list->update(); });
    repaint.start(100);

    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "Cancel" : "timeout");
        sink.shown.clear();
        counter.paints = 0;
        bool progressSeen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            // The box of the writing (the pictures are made before it).
            if (!box || progressSeen || !box->labelText().contains(QStringLiteral("连接数据库")))
                return;
            progressSeen = CtrlId(box) == kUploadProgressId;
            if (cancel)
                if (auto* button = box->findChild<QPushButton*>())
                    button->click();
        });
        watch.start(50);
        answers = {Enter(cancel ? QStringLiteral("WT-C") : QStringLiteral("WT-L"))};
        QElapsedTimer clock;
        clock.start();
        ASSERT_EQ(ClickUpload(), 1);
        const double took = clock.elapsed() / 1000.0;
        watch.stop();
        EXPECT_TRUE(progressSeen);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.startsWith(cancel ? QStringLiteral("上传已取消，未写入任何数据。")
                                                         : QStringLiteral("数据库在 2 秒内没有响应")))
            << sink.shown[0].text.toStdString();
        EXPECT_LT(took, (cancel ? 0.5 : 3.0) + UploadJob::kGraceMilliseconds / 1000.0 + 2.0);
        EXPECT_GE(counter.paints, cancel ? 3 : 10) << "the window painted while it waited";
    }
    list->removeEventFilter(&counter);
    {
        odbc::Statement release(holder);
        ASSERT_TRUE(release.ExecDirect(QStringLiteral("ROLLBACK")));
    }
    holder.Close();
    QElapsedTimer clock;
    clock.start();
    while (UploadJob::RunningWorkers() > 0 && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(UploadJob::RunningWorkers(), 0);
    EXPECT_EQ(db.Count(QStringLiteral("ZDC_M")), 0);
    EXPECT_EQ(db.Count(QStringLiteral("ZDC_S")), 0);
}

} // namespace pit::test
