#include "core/doc/KEV_DUXDoc.h"

#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/RangeFile.h"

#include <QDir>
#include <QFileInfo>

using namespace pit;

namespace {

const QString kVersion = QStringLiteral("1.8.31008");
const QString kFileErrorCaption = QStringLiteral("File Error");

} // namespace

CKEV_DUXDoc::Files CKEV_DUXDoc::DefaultFiles() {
    return {SettingsFilePath(), joinPath(stateDir(), QStringLiteral("VADUZI_PROINFO.ini"))};
}

CKEV_DUXDoc::CKEV_DUXDoc(const AppContext& ctx, QObject* parent) : CKEV_DUXDoc(ctx, DefaultFiles(), parent) {}

CKEV_DUXDoc::CKEV_DUXDoc(const AppContext& ctx, Files files, QObject* parent)
    : QObject(parent), m_PrintSettings(ctx.english), m_ctx(ctx), m_files(std::move(files)) {
    m_FixParams.testDate = QDateTime();
    m_PileParams.testDate = QDateTime();
    m_ProjectInfo.SetContext(&m_ctx);
    DocInfo& info = *this;
    if (LoadDocInfo(m_files.settings, m_PrintSettings, m_CurveStyle, info, ctx.english)) {
        // The last project comes back; its pile is read when the user picks it.
        if (IsProjectFile(FilePath)) {
            m_strFolder = QFileInfo(FilePath).absolutePath();
            CProjectInfo project = m_ProjectInfo;
            try {
                project.OpenProjectFile(FilePath);
                m_ProjectInfo = std::move(project);
                m_PileRecord.m_strPath = FileName;
            } catch (const FileError&) {
                // A damaged index only loses the last project.
            }
        }
        m_PileRecord.m_bKeepZoom = m_bIsKeepState ? 1 : 0;
        m_bSettingsLoaded = true;
        m_bFontRateSet = true;
    }
    FilePath.clear();
    FileName.clear();
    m_History.Init(m_files.history);
    m_PileRecord.SetLanguage(ctx.english ? 1 : 0);
    // The conclusion sentence gives depths with the decimals the main panel uses.
    m_PileRecord.SetDecimalCount(m_nDecimalPointNum);
}

CKEV_DUXDoc::~CKEV_DUXDoc() {
    if (!m_bClosed)
        CloseAndSave();
}

std::vector<FileError> CKEV_DUXDoc::CloseAndSave() {
    std::vector<FileError> failed;
    if (m_bClosed)
        return failed;
    m_bClosed = true;
    if (onClose)
        onClose(m_PileRecord);
    if (!m_bWriteOnClose)
        return failed;
    try {
        WriteSettings();
    } catch (const FileError& e) {
        failed.push_back(e);
    }
    try {
        m_History.Write();
    } catch (const FileError& e) {
        failed.push_back(e);
    }
    return failed;
}

void CKEV_DUXDoc::WriteSettings() {
    FilePath = m_ProjectInfo.GetProjectPath();
    FileName = m_PileRecord.m_strPath;
    m_bIsKeepState = m_PileRecord.m_bKeepZoom == 1;
    struct Clear {
        DocInfo& info;
        ~Clear() {
            info.FilePath.clear();
            info.FileName.clear();
        }
    } clear{*this};
    WriteDocInfo(m_files.settings, m_PrintSettings, m_CurveStyle, *this);
}

bool CKEV_DUXDoc::SaveSettings() {
    try {
        WriteSettings();
    } catch (const FileError&) {
        return false;
    }
    return true;
}

bool CKEV_DUXDoc::OnNewDocument() {
    m_strPathName.clear();
    m_strTitle.clear();
    SetModifiedFlag(false);
    return true;
}

void CKEV_DUXDoc::CloseFile() {
    CPileRecord empty;
    empty.TakeSettingsFrom(m_PileRecord);
    m_PileRecord = std::move(empty);
    m_bFileOpen = false;
    OnNewDocument();
    SetTitle(QString());
}

void CKEV_DUXDoc::ReportOpenFailure(const QString& path, const QString& exceptionText) {
    // One message that names the file and the problem.
    QString text = exceptionText;
    if (text.isEmpty())
        text = m_ctx
                   .tr(QStringLiteral("文件“%1”：错误的文件格式或文件已损坏!"),
                       QStringLiteral("File \"%1\": Wrong File Format of File damaged!"))
                   .arg(QDir::toNativeSeparators(path));
    m_ctx.message(text, kFileErrorCaption, MB_OK | MB_ICONEXCLAMATION);
}

bool CKEV_DUXDoc::ReadPile(const QString& path, CPileRecord& into) {
    into.TakeSettingsFrom(m_PileRecord);
    if (!into.ReadFile(path)) {
        // A channel count the reader refuses is as bad as a damaged file.
        ReportOpenFailure(path, QString());
        return false;
    }
    return true;
}

QString CKEV_DUXDoc::IndexPathFor(const QString& pilePath) {
    const QDir dir(QFileInfo(pilePath).absolutePath());
    if (dir.isRoot())
        return {};
    const QString name = QFileInfo(dir.absolutePath()).fileName() + QStringLiteral(".DUP");
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList found = dir.entryList({name}, QDir::Files | QDir::Hidden, QDir::Name);
    return found.isEmpty() ? exact : dir.filePath(found.first());
}

bool CKEV_DUXDoc::OnOpenDocument(const QString& openPath) {
    const QString path = QFileInfo(openPath).absoluteFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    const QString indexPath = IndexPathFor(path);

    // Pile and project are read into copies: a failure leaves both as they were.
    CPileRecord next;
    CProjectInfo project = m_ProjectInfo;
    try {
        if (!ReadPile(path, next))
            return false;
        if (!m_ProjectInfo.Contains(path)) {
            if (indexPath.isEmpty())
                project.Reset(); // no project folder to name an index after
            else
                project.OpenOrBuild(indexPath, folder);
        }
    } catch (const FileError& e) {
        ReportOpenFailure(path, e.message(m_ctx.english));
        return false;
    }
    m_PileRecord = std::move(next);
    m_ProjectInfo = std::move(project);
    m_bProjectReloaded = true;
    m_strFolder = folder;
    m_nOpenCounter = 0;
    SetPathName(path, true);
    if (!m_ProjectInfo.GetProjectPath().isEmpty() && m_ProjectInfo.GetProjectPath() == indexPath)
        m_bProjectReloaded = false;

    // The project name; a pile without one leaves the index's.
    if (!m_PileRecord.m_strProject.isEmpty())
        m_ProjectInfo.m_texts[0] = m_PileRecord.m_strProject;
    CopyPileParams();
    m_bFileOpen = true;
    Q_EMIT pileOpened();
    SetTitle(OpenTitle(path, m_ctx.english));
    return true;
}

QString CKEV_DUXDoc::SaveCopyDefaultName() {
    QString name = m_ProjectInfo.Files().FindOrAdd(m_PileRecord.m_strPath).m_strName;
    if (name.isEmpty()) // an item added just now has no name yet
        name = QFileInfo(m_PileRecord.m_strPath).fileName();
    return name.left(std::max<qsizetype>(0, name.size() - 4)) + QStringLiteral("_copy");
}

bool CKEV_DUXDoc::CheckFolderWritable(const QString& path, bool savingPile) const {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir() || folder.isWritable())
        return true;
    const QString shown = QDir::toNativeSeparators(folder.absoluteFilePath());
    QString zh = QStringLiteral("文件夹“%1”是只读的，无法保存。").arg(shown);
    QString en = QStringLiteral("The folder \"%1\" is read-only; nothing was saved.").arg(shown);
    if (savingPile) {
        zh += QStringLiteral("\n可以用“文件 ▸ 另存为”把桩文件保存到其他文件夹。");
        en += QStringLiteral("\nFile ▸ Save As saves the pile file in another folder.");
    }
    m_ctx.message(m_ctx.tr(zh, en), m_ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")),
                  MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CKEV_DUXDoc::SaveCopyAs(const QString& path) {
    const QString target = QFileInfo(path).absoluteFilePath();
    if (pit::SameFile(m_PileRecord.m_strPath, target)) {
        // The copy holds no analysis block: written over the open pile, under
        // any of its names, it would lose the pile's analysis.
        m_ctx.message(
            m_ctx
                .tr(QStringLiteral("副本不能保存为正在打开的文件“%1”，请另选文件名。"),
                    QStringLiteral("The copy cannot replace the open file \"%1\"; choose another name."))
                .arg(QDir::toNativeSeparators(target)),
            m_ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!CheckFolderWritable(path, false))
        return false;
    try {
        m_PileRecord.WriteCopyFile(path);
    } catch (const FileError& e) {
        m_ctx.message(m_ctx.tr(QStringLiteral("无法写入文件：") + path,
                               QStringLiteral("Cannot write the file: ") + path) +
                          QStringLiteral("\n") + e.message(m_ctx.english),
                      kFileErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_PileRecord.ReloadIfNeeded();
    return true;
}

int CKEV_DUXDoc::GetAlignMode() {
    if (m_PileRecord.m_nCalcMode == 0)
        return 2;
    m_nAlignMode = m_PileRecord.m_nAlignMode;
    return m_nAlignMode;
}

void CKEV_DUXDoc::SetAlignMode(int mode) {
    m_nAlignMode = mode;
    m_PileRecord.AutoAlignAll(mode);
}

void CKEV_DUXDoc::CopyPileParams() {
    m_PileRecord.ExchangePileParams(m_PileParams, {}, false);
}

void CKEV_DUXDoc::SetTitle(const QString& title) {
    m_strTitle = title;
    Q_EMIT titleChanged(title);
}

void CKEV_DUXDoc::SetPathName(const QString& path, bool addToRecent) {
    m_strPathName = path;
    if (addToRecent)
        Q_EMIT pathRegistered(path);
}

void CKEV_DUXDoc::SetModifiedFlag(bool modified) {
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    Q_EMIT modifiedChanged(modified);
}

QString CKEV_DUXDoc::OpenTitle(const QString& path, bool english) {
    return (english ? QStringLiteral("KEV-TIMBO      ")
                    : QStringLiteral("KEV低应变分析程序 ") + kVersion + QStringLiteral("     ")) +
           path;
}

QString CKEV_DUXDoc::SaveTitle(const QString& path, bool english) {
    return (english ? QStringLiteral("KEV-TIMBO ") : QStringLiteral("KEV低应变分析程序 ")) + kVersion +
           QStringLiteral("     ") + path;
}

void CKEV_DUXDoc::SetFixedParamHook(std::function<void(bool)> hook) {
    m_fixedParamHook = std::move(hook);
    // Windows are told nothing in the batch mode.
    m_PileRecord.onFixedParamState = m_ctx.interactive ? m_fixedParamHook : nullptr;
}
