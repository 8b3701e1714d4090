#include "app/Application.h"

#include "app/Startup.h"
#include "batch/BatchMain.h"
#include "controls/AppStyle.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "mainwnd/MainFrame.h"
#include "res/StringTable.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QSettings>
#include <cstdio>

using namespace pit;

namespace {

// A pile file dropped on the main window is opened like one named on the command line.
class FileDropFilter : public QObject {
public:
    FileDropFilter(CKEV_DUXDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(e);
            if (!firstLocalFile(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            return true;
        }
        if (e->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(e);
            const QString path = firstLocalFile(drop->mimeData());
            if (!path.isEmpty()) {
                drop->acceptProposedAction();
                m_doc.OnOpenDocument(path);
            }
            return true;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    static QString firstLocalFile(const QMimeData* data) {
        if (!data)
            return {};
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                return url.toLocalFile();
        return {};
    }
    CKEV_DUXDoc& m_doc;
};

} // namespace

CKEV_DUXApp::CKEV_DUXApp() : m_sessionTemp(EnsureTempFolder()) {}

CKEV_DUXApp::~CKEV_DUXApp() {
    // The window goes first, then the document writes the settings file and history.
    m_frame.reset();
    m_doc.reset();
    ClearTempFolder(m_sessionTemp);
}

QMainWindow* CKEV_DUXApp::MainWindow() const {
    return m_frame.get();
}

QString CKEV_DUXApp::FrameTitle(bool english) {
    return english ? QStringLiteral("KEV-TIMBO 1.8.31008") : QStringLiteral("KEV低应变分析程序 1.8.31008");
}

void CKEV_DUXApp::ChooseLanguage() {
    LanguageFiles& lang = LanguageFiles::instance();
    lang.SetBuiltinStrings(res::BuiltinStrings());
    lang.LoadLanguageSetting();
    m_bEnglish = lang.IsEnglish();
    m_bStartupEnglish = lang.StartupEnglish();
    m_ctx.english = m_bEnglish;
}

void CKEV_DUXApp::InstallServices() {
    StartWindowBuild();
    InstallQtTranslations(m_bEnglish);
    InstallApplicationStyle();
    m_ctx.messages = m_sink ? m_sink : &m_boxes;
    ui::useAppContext(m_ctx);
    // Qt's own remembered values (the file dialogs' last folders) go to the
    // state folder too, not to the user's configuration elsewhere.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, stateDir());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, stateDir());
    if (!m_recent)
        m_recent = std::make_unique<RecentFileList>();
}

void CKEV_DUXApp::CreateDocumentAndFrame() {
    m_doc = std::make_unique<CKEV_DUXDoc>(m_ctx);
    m_doc->OnNewDocument();
    if (!m_layout)
        m_layout = std::make_unique<QSettings>(RecentFileList::DefaultPath(), QSettings::IniFormat);
    // The frame composes its own title; the document's title is not copied.
    m_frame = std::make_unique<CMainFrame>(m_doc.get(), m_bEnglish, m_layout.get());
    QObject::connect(m_doc.get(), &CKEV_DUXDoc::pathRegistered, m_frame.get(),
                     [this](const QString& path) { m_recent->Add(path); });
    m_frame->SetRecentFileSource(
        {[this] { return m_recent->Files(); }, [this](const QString& path) { m_recent->Remove(path); }});
}

bool CKEV_DUXApp::InitInstance(const QStringList& args) {
    ChooseLanguage();
    InstallServices();
    m_cmdInfo.Parse(args);
    if (m_cmdInfo.m_bShowHelp || m_cmdInfo.m_bShowVersion) {
        if (m_cmdInfo.m_bShowVersion)
            std::printf("KEV_DUX %s\n", qPrintable(QCoreApplication::applicationVersion()));
        else
            std::fputs(qPrintable(pit::HelpText()), stdout);
        return false;
    }

    if (m_cmdInfo.IsBatch()) {
        m_exitCode = 2;
        return false;
    }

    // Without a folder of its own the window still opens; what needs
    // pictures (the Word documents) fails and says so, "Temp" itself stays
    // untouched.
    if (const std::optional<TempFolderProblem> missing = MissingRunFolder();
        m_sessionTemp.isEmpty() && missing)
        m_ctx.message(missing->Text(false), missing->Text(true), QString(), QString(),
                      MB_OK | MB_ICONWARNING);

    CreateDocumentAndFrame();
    // A file that cannot be opened was reported; the window opens empty.
    if (m_cmdInfo.IsFileOpen())
        m_doc->OnOpenDocument(m_cmdInfo.m_strFileName);
    m_frame->setAcceptDrops(true);
    m_frame->installEventFilter(new FileDropFilter(*m_doc, m_frame.get()));
    m_frame->showMaximized();
    return true;
}

int CKEV_DUXApp::ExitInstance() {
    return m_exitCode;
}
