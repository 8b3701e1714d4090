#include "app/Application.h"

#include "app/Startup.h"
#include "batch/BatchMain.h"
#include "controls/AppStyle.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "mainwnd/FrameCommandsBinding.h"
#include "mainwnd/MainFrame.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "res/StringTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMimeData>
#include <QSettings>
#include <cerrno>
#include <cstdio>

using namespace pit;

namespace {

// A pile file dropped on the main window is opened as 文件 ▸ 打开 opens it:
// report mode's form and the pile's changes are kept or asked about first.
class FileDropFilter : public QObject {
public:
    explicit FileDropFilter(CMainFrame& frame) : QObject(&frame), m_frame(frame) {}

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
                if (frame::FrameCommandsBinding* binding = m_frame.Binding())
                    binding->OpenPile(path);
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
    CMainFrame& m_frame;
};

// Why a file that QSettings could not write was refused (it tells no
// cause): what a trial write into its folder meets.
FileError WhyNotWritten(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    ExclusiveFile probe;
    if (const int err = probe.Create(folder, QStringLiteral(".write-test-") + RunTag()))
        return FileError::fromErrno(err, file);
    try {
        probe.Write(QByteArray(4096, '\0'));
    } catch (const FileError& e) {
        if (e.osError() > 0)
            return FileError::fromErrno(e.osError(), file);
        return FileError(e.cause(), file, e.osError(), e.detail());
    }
    // The folder takes files: the file itself refused.
    return FileError::fromErrno(EACCES, file);
}

// One message for everything the run could not keep.
QString UnsavedStateMessage(const std::vector<FileError>& failed, bool english) {
    const QString folder = QDir::toNativeSeparators(QFileInfo(failed.front().path()).absolutePath());
    QString text =
        english ? QStringLiteral("The settings, recent files and project information history could not "
                                 "be saved in the folder \"%1\":")
                      .arg(folder)
                : QStringLiteral("设置、最近文件和工程信息历史未能保存到文件夹“%1”：").arg(folder);
    for (const FileError& e : failed)
        text += QStringLiteral("\n") + e.message(english);
    text += english ? QStringLiteral("\nThe files saved before were left as they were.")
                    : QStringLiteral("\n以前保存的文件保持不变。");
    return text;
}

} // namespace

CKEV_DUXApp::CKEV_DUXApp() : m_sessionTemp(EnsureTempFolder()) {}

CKEV_DUXApp::~CKEV_DUXApp() {
    // The window goes first, then the document writes the settings file and
    // history; what could not be kept is told once.
    m_frame.reset();
    std::vector<FileError> failed;
    if (m_doc)
        failed = m_doc->CloseAndSave();
    m_doc.reset();
    if (m_recent && m_layout) {
        m_layout->sync();
        const bool layoutKept = m_layout->status() == QSettings::NoError;
        if (!m_recent->Flush())
            failed.push_back(WhyNotWritten(m_recent->FilePath()));
        else if (!layoutKept)
            failed.push_back(WhyNotWritten(m_layout->fileName()));
    }
    if (!failed.empty())
        m_ctx.message(UnsavedStateMessage(failed, m_ctx.english),
                      m_ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")), MB_OK | MB_ICONWARNING);
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
    m_frame->installEventFilter(new FileDropFilter(*m_frame));
    m_frame->showMaximized();
    return true;
}

int CKEV_DUXApp::ExitInstance() {
    return m_exitCode;
}
