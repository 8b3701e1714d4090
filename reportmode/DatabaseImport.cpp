#include "reportmode/DatabaseImport.h"

#include "controls/CtrlId.h"
#include "controls/SListCtrl.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "database/DatabaseConfig.h"
#include "database/DatabasePicture.h"
#include "database/ResultsUploader.h"
#include "database/UploadJob.h"
#include "platform/MessageSink.h"
#include "reportmode/ExportView.h"
#include "reportmode/LinkCodeInput.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>

namespace pit {

namespace {

// The upload's progress: the window stays usable for painting only, Cancel
// (or Escape) asks the work to stop and the box stays until it has.
std::unique_ptr<QProgressDialog> MakeProgress(QWidget* parent, bool english, int maximum) {
    auto dlg = std::make_unique<QProgressDialog>(QString(),
                                                 english ? QStringLiteral("Cancel") : QStringLiteral("取消"),
                                                 0, std::max(1, maximum), parent);
    SetCtrlId(dlg.get(), kUploadProgressId);
    dlg->setWindowTitle(english ? QStringLiteral("Import to Database") : QStringLiteral("导入数据库"));
    dlg->setWindowModality(Qt::ApplicationModal);
    dlg->setAutoClose(false);
    dlg->setAutoReset(false);
    dlg->setMinimumDuration(300);
    return dlg;
}

QString PhaseText(UploadPhase phase, int written, int total, bool english) {
    switch (phase) {
    case UploadPhase::Connecting:
        return english ? QStringLiteral("Connecting to the database...")
                       : QStringLiteral("正在连接数据库...");
    case UploadPhase::Checking:
        return english ? QStringLiteral("Checking the order number...")
                       : QStringLiteral("正在检查委托单编号...");
    case UploadPhase::Writing:
        return english
                   ? QStringLiteral("Writing pile %1 of %2...").arg(std::min(written + 1, total)).arg(total)
                   : QStringLiteral("正在写入第 %1/%2 根桩...").arg(std::min(written + 1, total)).arg(total);
    case UploadPhase::Committing:
        return english ? QStringLiteral("Committing...") : QStringLiteral("正在提交...");
    }
    return {};
}

// The writing on a worker while this thread keeps the window painting.
UploadOutcome WriteWithProgress(QWidget* parent, const QString& connection, const UploadOrder& order,
                                const PreparedUpload& prepared, UploadTimeouts timeouts, bool english) {
    UploadJob job(connection, order, prepared, timeouts);
    const int total = job.RowsTotal();
    auto dlg = MakeProgress(parent, english, total + 1);
    dlg->setLabelText(PhaseText(UploadPhase::Connecting, 0, total, english));
    bool cancelling = false;
    QObject::connect(dlg.get(), &QProgressDialog::canceled, dlg.get(), [&] {
        cancelling = true;
        job.Cancel();
        dlg->setLabelText(english ? QStringLiteral("Cancelling; nothing is written...")
                                  : QStringLiteral("正在取消，不写入任何数据..."));
    });
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (job.Poll()) {
            loop.quit();
            return;
        }
        const int written = job.RowsWritten();
        dlg->setValue(std::min(written, total));
        if (!cancelling)
            dlg->setLabelText(PhaseText(job.Phase(), written, total, english));
    });
    job.Start();
    poll.start();
    loop.exec();
    return job.Outcome();
}

} // namespace

int ImportResultsToDatabase(QWidget* parent, CKEV_DUXDoc& doc, const ListRows& list) {
    const DatabaseConfig config = LoadDatabaseConfig(DatabaseConfigPath());
    RecordValueSource values(ConstructionDateRule::FromDocument(doc));
    ReportEnv env;
    env.doc = &doc;
    env.printerDpi = 600;
    ReportCellPictures pictures(env);
    ResultsUploader uploader(values, pictures);
    uploader.loginTimeoutSeconds = config.loginTimeout;
    uploader.queryTimeoutSeconds = config.queryTimeout;
    const bool english = ui::english();

    ImportRequest q;
    q.ask = CLinkCodeInput::MakeAsker(config, parent);
    q.config = &config;
    q.rows = UploadRowsFromList(list, doc.m_ProjectInfo);
    q.uploader = &uploader;
    q.messages = &ui::messages();
    q.english = english;
    // The piles' values and pictures come from the document: made here, on
    // the window's thread, with the window painting between piles.
    q.prepare = [&](const std::vector<UploadListRow>& rows) -> std::optional<PreparedUpload> {
        const int checked =
            int(std::count_if(rows.begin(), rows.end(), [](const UploadListRow& r) { return r.checked; }));
        auto dlg = MakeProgress(parent, english, checked);
        return uploader.Prepare(rows, [&](int done, int total) {
            dlg->setLabelText(
                english ? QStringLiteral("Drawing the pictures of the piles (%1/%2)...").arg(done).arg(total)
                        : QStringLiteral("正在生成桩的图片（%1/%2）...").arg(done).arg(total));
            dlg->setValue(done);
            QApplication::processEvents();
            return !dlg->wasCanceled();
        });
    };
    q.write = [&](const QString& connection, const UploadOrder& order, const PreparedUpload& prepared) {
        return WriteWithProgress(parent, connection, order, prepared, uploader.Timeouts(), english);
    };
    return RunDatabaseImport(q);
}

} // namespace pit

int CExportView::ImportToDatabase() {
    // The database gets what the form shows.
    if (!m_pDoc || !KeepFormEdits())
        return -1;
    // No exception leaves the button's handler.
    try {
        return pit::ImportResultsToDatabase(this, *m_pDoc, m_list->rows());
    } catch (const std::exception& e) {
        const bool english = pit::ui::english();
        pit::ui::messages().show(QString::fromLocal8Bit(e.what()),
                                 english ? QStringLiteral("Error") : QStringLiteral("错误提示"),
                                 pit::MB_OK | pit::MB_ICONERROR);
        return -1;
    }
}
