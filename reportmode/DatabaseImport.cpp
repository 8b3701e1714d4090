#include "reportmode/DatabaseImport.h"

#include "controls/SListCtrl.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "database/DatabaseConfig.h"
#include "database/DatabasePicture.h"
#include "reportmode/ExportView.h"
#include "reportmode/LinkCodeInput.h"
#include "database/ResultsUploader.h"
#include "platform/MessageSink.h"

#include <QApplication>

namespace pit {

int ImportResultsToDatabase(QWidget* parent, CKEV_DUXDoc& doc, const ListRows& list) {
    const DatabaseConfig config = LoadDatabaseConfig(DatabaseConfigPath());
    RecordValueSource values(ConstructionDateRule::FromDocument(doc));
    ReportEnv env;
    env.doc = &doc;
    env.printerDpi = 600;
    ReportCellPictures pictures(env);
    ResultsUploader uploader(values, pictures);

    ImportRequest q;
    q.ask = CLinkCodeInput::MakeAsker(config, parent);
    q.config = &config;
    q.rows = UploadRowsFromList(list, doc.m_ProjectInfo);
    q.uploader = &uploader;
    q.messages = &ui::messages();
    q.english = ui::english();
    q.busy = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    return RunDatabaseImport(q);
}

} // namespace pit

int CExportView::ImportToDatabase() {
    if (!m_pDoc)
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
