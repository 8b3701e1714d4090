#include "core/project/ProjectInfo.h"

#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/FileError.h"
#include "platform/RangeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <cstring>

using namespace pit;

namespace {

constexpr size_t kTextBlockAt = 20;

// The texts the index keeps, in file order: 1 to 7 and 9.
constexpr int kStoredTexts[] = {0, 1, 2, 3, 4, 5, 6, 8};

bool hasFormatMark(const QByteArray& head) {
    if (head.size() < 8)
        return false;
    double v;
    std::memcpy(&v, head.constData(), 8);
    return v == CProjectInfo::kFormatMark;
}

// Writes the index unless its file already holds exactly these bytes: opening
// a project whose piles did not change leaves its index untouched.
void saveIndexIfChanged(const CProjectInfo& info) {
    const QString path = info.GetProjectPath();
    const QByteArray bytes = info.ToBytes();
    const RangeFile old(path);
    QByteArray held;
    if (old.IsOpen() && old.Size() == bytes.size() && old.Read(0, old.Size(), held) && held == bytes)
        return;
    info.SaveProjectFile();
}

} // namespace

bool IsProjectFile(const QString& path) {
    // No last project: nothing to open (and no warning of Qt's on stderr).
    if (path.isEmpty())
        return false;
    const RangeFile f(path);
    QByteArray head;
    return f.IsOpen() && f.Read(0, 8, head) && hasFormatMark(head);
}

CProjectInfo::CProjectInfo(const AppContext* ctx) : m_ctx(ctx) {
    m_texts[kInstrumentText] = DefaultInstrument();
}

void CProjectInfo::SetContext(const AppContext* ctx) {
    m_ctx = ctx;
}

const AppContext& CProjectInfo::ctx() const {
    static const AppContext fallback;
    return m_ctx ? *m_ctx : fallback;
}

QString CProjectInfo::DefaultInstrument() const {
    return ctx().english ? QStringLiteral("KEV-TIMBO") : QStringLiteral("KEV-DUX(W)");
}

void CProjectInfo::Reset() {
    for (QString& t : m_texts)
        t.clear();
    m_texts[kInstrumentText] = DefaultInstrument();
    m_nValue1 = 0;
    m_nValue2 = 0;
    m_files.RemoveAll();
    m_unreadable.clear();
    m_nItemCount = 0;
    m_nValue3 = 1;
    m_strIndexPath.clear();
}

bool CProjectInfo::OpenProjectFile(const QString& indexPath) {
    const AppContext& c = ctx();
    QByteArray data;
    try {
        data = readWholeFile(indexPath);
    } catch (const FileError&) {
        c.message(QStringLiteral("无法打开文件，文件已被删除或损坏!"),
                  QStringLiteral("Can't open File,file deleted or damaged!"), QStringLiteral("提示"),
                  QStringLiteral("Tips"), MB_OK);
        return false;
    }
    if (!hasFormatMark(data)) {
        c.message(QStringLiteral("错误的文件格式或文件已损坏!"),
                  QStringLiteral("Wrong File Format of File damaged!"), QStringLiteral("提示"),
                  QStringLiteral("Tips"), MB_OK);
        return false;
    }
    ReadTexts(data, indexPath);
    m_strIndexPath = indexPath;
    Rebuild();
    m_nItemCount = m_files.GetCount();
    return true;
}

void CProjectInfo::ReadTexts(const QByteArray& data, const QString& indexPath) {
    // Every count is checked against the bytes that remain; a damaged block
    // throws before anything is taken over.
    ByteReader in(data, indexPath);
    in.seek(8);
    const int32_t textAt = in.i32();
    if (textAt < 0)
        throw FileError(FileCause::BadSeek, indexPath, -1, QStringLiteral("text block at %1").arg(textAt));
    in.seek(size_t(textAt));
    std::array<QString, kTexts> texts = m_texts;
    for (int k : kStoredTexts)
        texts[size_t(k)] = in.archiveString(*ctx().codePage);
    const int32_t v1 = in.i32();
    const int32_t v2 = in.i32();

    m_texts = texts;
    m_nValue1 = v1;
    m_nValue2 = v2;
}

void CProjectInfo::OpenOrBuild(const QString& indexPath, const QString& folder) {
    const AppContext& c = ctx();
    const QFileInfo fi(indexPath);
    if (!fi.exists()) {
        BuildDefault(folder);
        return;
    }
    const QString shown = QDir::toNativeSeparators(indexPath);
    const auto tell = [&c](const QString& zh, const QString& en) {
        c.message(zh, en, QStringLiteral("提示"), QStringLiteral("Tips"), MB_OK | MB_ICONWARNING);
    };
    if (!fi.isFile()) {
        // Not ours to move: it is named, and the project goes without an index.
        const bool isFolder = fi.isDir();
        tell(QStringLiteral("工程文件【%1】的位置上是%2，无法建立工程文件；桩列表按文件夹中的桩文件建立。"
                            "请移走它。")
                 .arg(shown,
                      isFolder ? QStringLiteral("一个文件夹") : QStringLiteral("一个不是普通文件的对象")),
             QStringLiteral("%2 stands in the place of the project file [%1], so no project file can be "
                            "made; the pile list is built from the pile files of the folder. Move it away.")
                 .arg(shown, isFolder ? QStringLiteral("A folder")
                                      : QStringLiteral("Something that is no "
                                                       "regular file")));
        BuildList(folder, false);
        m_strIndexPath = indexPath;
        return;
    }
    QString why;
    CProjectInfo read = *this;
    try {
        const QByteArray data = readWholeFile(indexPath);
        if (hasFormatMark(data))
            read.ReadTexts(data, indexPath);
        else
            why = c.tr(QStringLiteral("错误的文件格式或文件已损坏"),
                       QStringLiteral("wrong file format or damaged file"));
    } catch (const FileError& e) {
        why = e.cause() == FileCause::BadSeek || e.cause() == FileCause::InvalidFile
                  ? c.tr(QStringLiteral("文件已损坏"), QStringLiteral("the file is damaged"))
                  : e.message(c.english);
    }
    if (why.isEmpty()) {
        *this = std::move(read);
        m_strIndexPath = indexPath;
        Rebuild();
        m_nItemCount = m_files.GetCount();
        return;
    }
    // Every unreadable index alike: kept aside, and a new one built from the folder.
    const QString aside = setAsideAsBad(indexPath, c.clock().toString(QStringLiteral("yyyyMMddHHmmss")));
    if (aside.isEmpty()) {
        tell(QStringLiteral("工程文件【%1】无法读取（%2），也无法另存；桩列表按文件夹中的桩文件建立，"
                            "工程文件保持原样。")
                 .arg(shown, why),
             QStringLiteral("The project file [%1] cannot be read (%2) nor set aside; the pile list is built "
                            "from the pile files of the folder and the project file is left as it is.")
                 .arg(shown, why));
        BuildList(folder, false);
        m_strIndexPath = indexPath;
        return;
    }
    tell(QStringLiteral("工程文件【%1】无法读取（%2），已另存为【%3】，并按文件夹中的桩文件重建工程文件。")
             .arg(shown, why, QDir::toNativeSeparators(aside)),
         QStringLiteral("The project file [%1] cannot be read (%2); it was kept as [%3] and a new one was "
                        "built from the pile files of the folder.")
             .arg(shown, why, QDir::toNativeSeparators(aside)));
    BuildDefault(folder);
}

QByteArray CProjectInfo::ToBytes() const {
    const CodePage& cp = *ctx().codePage;
    ByteWriter w;
    w.f64(kFormatMark);
    w.zeros(12);
    w.patchI32(8, int32_t(w.size()));
    for (int k : kStoredTexts)
        w.archiveString(m_texts[size_t(k)], cp);
    w.i32(m_nValue1);
    w.i32(m_nValue2);
    w.patchI32(12, int32_t(w.size()));
    w.i32(m_files.GetCount());
    for (const CPileFileItem& i : m_files.GetVector()) {
        w.archiveString(i.m_strName, cp);
        w.archiveString(i.m_strPath, cp);
        w.archiveString(i.m_strTestDateTime, cp);
        w.archiveString(i.m_strPileNo, cp);
        w.u8(i.m_bFlag);
        w.u8(i.m_bSummaryRead);
    }
    return w.take();
}

void CProjectInfo::WriteProjectFile(const QString& path) const {
    // Each failure with its own cause: a folder in the way, no permission, a full disk.
    if (QFileInfo(path).isDir())
        throw OpenRefusalError(path, OpenRefusal::Folder, EISDIR, FileCause::BadPath);
    writeFileAtomic(path, ToBytes());
}

void CProjectInfo::SaveProjectFile() const {
    if (m_strIndexPath.isEmpty())
        throw FileError(FileCause::BadPath, {}, -1);
    WriteProjectFile(m_strIndexPath);
}

bool CProjectInfo::IndexWritable() const {
    // A project on read-only media is still read; only its index is not kept.
    // Neither is it where a folder or a pipe has its name.
    const QFileInfo index(m_strIndexPath);
    if (index.exists() && !index.isFile())
        return false;
    const QFileInfo folder(index.absolutePath());
    return !m_strIndexPath.isEmpty() && (!folder.isDir() || folder.isWritable());
}

void CProjectInfo::Rebuild() {
    if (!ctx().interactive)
        return;
    m_files.RemoveAll();
    m_unreadable.clear();
    ScanFolder(QFileInfo(m_strIndexPath).absolutePath());
    m_files.Sort(CPileFileArray::ByName);
    if (IndexWritable())
        saveIndexIfChanged(*this);
}

void CProjectInfo::BuildDefault(const QString& folder) {
    BuildList(folder, true);
}

void CProjectInfo::BuildList(const QString& folder, bool save) {
    Reset();
    const QDir dir(folder);
    m_strIndexPath = dir.filePath(QFileInfo(dir.absolutePath()).fileName() + QStringLiteral(".DUP"));
    m_files.RemoveAll();
    ScanFolder(folder);
    m_files.Sort(CPileFileArray::ByName);
    if (save && IndexWritable())
        saveIndexIfChanged(*this);
}

void CProjectInfo::ScanFolder(const QString& folder) {
    // "." and ".." are left out by name; hidden files are piles like any other.
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // The paths listed already, looked up by hash: a large folder is not
    // compared with itself pile by pile.
    QSet<QString> listed;
    listed.reserve(m_files.GetCount() + entries.size());
    for (const CPileFileItem& i : m_files.GetVector())
        listed.insert(i.m_strPath);
    for (const QFileInfo& fi : entries) {
        const QString name = fi.fileName();
        if (name.size() < 4 || name.right(4).toUpper() != QStringLiteral(".DUX"))
            continue;
        CPileFileItem item;
        item.m_strName = name;
        item.m_strPath = dir.absoluteFilePath(name);
        item.m_bSummaryRead = 1;
        if (!item.ReadFileSummary()) {
            if (!m_unreadable.contains(item.m_strPath))
                m_unreadable << item.m_strPath;
        } else if (!listed.contains(item.m_strPath)) {
            listed.insert(item.m_strPath);
            m_files.Add(item);
        }
    }
}

void CProjectInfo::RefreshItems(const QString& name) {
    if (!name.isEmpty()) {
        for (CPileFileItem& i : m_files.GetVector())
            if (i.m_strName == name) {
                i.ReadFileSummary();
                return;
            }
        return;
    }
    m_bAllComplete = m_files.RefreshAll() ? 1 : 0;
}
