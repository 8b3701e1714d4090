#include "core/project/ProjectInfo.h"

#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cstring>

using namespace pit;

namespace {

constexpr size_t kTextBlockAt = 20;

// The texts the index keeps, in file order: 1 to 7 and 9.
constexpr int kStoredTexts[] = {0, 1, 2, 3, 4, 5, 6, 8};

bool readFormatMark(QFile& f) {
    char b[8];
    if (f.read(b, 8) != 8)
        return false;
    double v;
    std::memcpy(&v, b, 8);
    return v == CProjectInfo::kFormatMark;
}

// Writes the index unless its file already holds exactly these bytes: opening
// a project whose piles did not change leaves its index untouched.
void saveIndexIfChanged(const CProjectInfo& info) {
    const QString path = info.GetProjectPath();
    const QByteArray bytes = info.ToBytes();
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.size() == bytes.size() && old.readAll() == bytes)
        return;
    old.close();
    info.SaveProjectFile();
}

} // namespace

bool IsProjectFile(const QString& path) {
    // No last project: nothing to open (and no warning of Qt's on stderr).
    if (path.isEmpty())
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && readFormatMark(f);
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
    m_nItemCount = 0;
    m_nValue3 = 1;
    m_strIndexPath.clear();
}

bool CProjectInfo::OpenProjectFile(const QString& indexPath) {
    const AppContext& c = ctx();
    QFile f(indexPath);
    if (!f.open(QIODevice::ReadOnly)) {
        c.message(QStringLiteral("无法打开文件，文件已被删除或损坏!"),
                  QStringLiteral("Can't open File,file deleted or damaged!"), QStringLiteral("提示"),
                  QStringLiteral("Tips"), MB_OK);
        return false;
    }
    if (!readFormatMark(f)) {
        c.message(QStringLiteral("错误的文件格式或文件已损坏!"),
                  QStringLiteral("Wrong File Format of File damaged!"), QStringLiteral("提示"),
                  QStringLiteral("Tips"), MB_OK);
        return false;
    }
    f.seek(0);
    const QByteArray data = f.readAll();
    f.close();

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
        texts[size_t(k)] = in.archiveString(*c.codePage);
    const int32_t v1 = in.i32();
    const int32_t v2 = in.i32();

    m_texts = texts;
    m_nValue1 = v1;
    m_nValue2 = v2;
    m_strIndexPath = indexPath;
    Rebuild();
    m_nItemCount = m_files.GetCount();
    return true;
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
    try {
        writeFileAtomic(path, ToBytes());
    } catch (const FileError& e) {
        throw FileError(FileCause::DiskFull, path, -1, e.detail());
    }
}

void CProjectInfo::SaveProjectFile() const {
    if (m_strIndexPath.isEmpty())
        throw FileError(FileCause::BadPath, {}, -1);
    WriteProjectFile(m_strIndexPath);
}

bool CProjectInfo::IndexWritable() const {
    // A project on read-only media is still read; only its index is not kept.
    const QFileInfo folder(QFileInfo(m_strIndexPath).absolutePath());
    return !m_strIndexPath.isEmpty() && (!folder.isDir() || folder.isWritable());
}

void CProjectInfo::Rebuild() {
    if (!ctx().interactive)
        return;
    m_files.RemoveAll();
    ScanFolder(QFileInfo(m_strIndexPath).absolutePath());
    m_files.Sort(CPileFileArray::ByName);
    if (IndexWritable())
        saveIndexIfChanged(*this);
}

void CProjectInfo::BuildDefault(const QString& folder) {
    Reset();
    const QDir dir(folder);
    m_strIndexPath = dir.filePath(QFileInfo(dir.absolutePath()).fileName() + QStringLiteral(".DUP"));
    m_files.RemoveAll();
    ScanFolder(folder);
    m_files.Sort(CPileFileArray::ByName);
    if (IndexWritable())
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
        if (item.ReadFileSummary() && !listed.contains(item.m_strPath)) {
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
