// The application object: the temporary folder of the run, the interface
// language chosen first, the services of the window build, the document and
// its main window, the command line.
#pragma once

#include "app/RecentFiles.h"
#include "controls/MyMBox.h"
#include "core/doc/KEVCommandLineInfo.h"
#include "platform/AppContext.h"

#include <QString>
#include <QStringList>
#include <memory>

class CKEV_DUXDoc;
class CMainFrame;
class QMainWindow;
class QSettings;

class CKEV_DUXApp {
public:
    // Makes "Temp" and this run's folder in it.
    CKEV_DUXApp();
    // Closes the document (its settings and history are written), then
    // removes this run's temporary files.
    ~CKEV_DUXApp();

    CKEV_DUXApp(const CKEV_DUXApp&) = delete;
    CKEV_DUXApp& operator=(const CKEV_DUXApp&) = delete;

    // Start-up; args without the program name. False: the program ends now
    // (help, version, or a batch command line, which main runs before any
    // window: status 2 here).
    bool InitInstance(const QStringList& args);
    // The exit code.
    int ExitInstance();

    // The caption of the main window before a file is open.
    static QString FrameTitle(bool english);

    const pit::AppContext& Context() const { return m_ctx; }
    CKEV_DUXDoc* Document() const { return m_doc.get(); }
    QMainWindow* MainWindow() const;
    CMainFrame* Frame() const { return m_frame.get(); }
    const QString& SessionTempDir() const { return m_sessionTemp; }
    const CKEVCommandLineInfo& CommandLine() const { return m_cmdInfo; }

    // Where the recent files are kept; the user's settings unless set before InitInstance.
    void SetRecentFileList(std::unique_ptr<pit::RecentFileList> list) { m_recent = std::move(list); }
    pit::RecentFileList& RecentFiles() { return *m_recent; }

    // Messages go to the program's message box unless a sink is set before InitInstance.
    void SetMessageSink(pit::MessageSink* sink) { m_sink = sink; }

    bool m_bEnglish = false;
    bool m_bStartupEnglish = false;
    QString m_strSoftName = QStringLiteral("KEV-TIMBO 1.0");
    bool m_bInteractive = true;

private:
    void ChooseLanguage();
    void InstallServices();
    void CreateDocumentAndFrame();

    pit::AppContext m_ctx;
    pit::MBoxMessageSink m_boxes;
    pit::MessageSink* m_sink = nullptr;
    std::unique_ptr<pit::RecentFileList> m_recent;
    CKEVCommandLineInfo m_cmdInfo;
    std::unique_ptr<QSettings> m_layout; // docks and sizes of the main window
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CKEV_DUXDoc> m_doc;
    QString m_sessionTemp;
    int m_exitCode = 0;
};
