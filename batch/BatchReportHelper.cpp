#include "batch/BatchReportHelper.h"

#include "core/pile/PileRecord.h"
#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/SafeText.h"
#include "platform/TimeUtil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pit;

namespace {

QString decodeList(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return CodePage::system().toUnicode(bytes);
}

} // namespace

QStringList CBatchReportHelper::ReadListFile(const QString& path, bool* opened) {
    // Only a regular file: a FIFO would be waited on, /dev/zero read without end.
    QByteArray bytes;
    bool ok = true;
    try {
        bytes = readWholeFile(path);
    } catch (const FileError&) {
        ok = false;
    }
    if (opened)
        *opened = ok;
    QStringList paths;
    for (QString line : decodeList(bytes).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            paths << line;
    }
    return paths;
}

std::vector<CBatchReportEntry> CBatchReportHelper::BuildRecordGroups(const QStringList& paths) {
    std::vector<CBatchReportEntry> result;
    for (const QString& path : paths) {
        CBatchReportEntry entry{0, QString(), path};
        {
            // An unreadable file is read again, and reported, when the reports are made.
            CPileRecord scratch;
            if (scratch.TryReadFile(path))
                entry.project = scratch.m_strProject.trimmed();
        }
        int candidate = 1;
        auto match = result.end();
        for (auto it = result.begin(); it != result.end(); ++it) {
            if (it->project == entry.project) {
                match = it;
                break;
            }
            candidate = it->group + 1;
        }
        if (match != result.end()) {
            entry.group = match->group;
            result.insert(match, std::move(entry));
        } else {
            entry.group = candidate;
            result.push_back(std::move(entry));
        }
    }
    return result;
}

bool CBatchReportHelper::CreateDirectories(const QString& path, const AppContext& ctx) {
    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // The levels from the deepest existing one down, each made in turn so
    // that the one that fails can be named.
    QStringList missing;
    for (QString level = target; !QFileInfo(level).isDir();) {
        missing.prepend(level);
        const QString parent = QFileInfo(level).absolutePath();
        if (parent == level)
            break;
        level = parent;
    }
    for (const QString& level : missing) {
        if (QDir().mkdir(level) || QFileInfo(level).isDir())
            continue;
        const QString shown = QDir::toNativeSeparators(level);
        ctx.message(QStringLiteral("创建目录【%1】失败！").arg(shown),
                    QStringLiteral("Cannot create the folder [%1]!").arg(shown), QString(), QString(),
                    MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

QString CBatchReportHelper::GetFileTimes(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists())
        return {};
    return LocalDateTimeText(fi.lastModified());
}

QString CBatchReportHelper::GetTimeStamp(const AppContext& ctx) {
    const QDateTime t = ctx.clock();
    const QDate d = t.date();
    const QTime tm = t.time();
    return QString::asprintf("%4d%02d%02d%02d%02d%02d", d.year(), d.month(), d.day(), tm.hour(), tm.minute(),
                             tm.second());
}

QString CBatchReportHelper::SanitizeFileNamePart(const QString& project) {
    QString part = FileNamePart(project);
    for (QChar& c : part) {
        if (c != u'.')
            break;
        c = u'_';
    }
    return part;
}

namespace {

QString documentFileName(const QString& part, const QString& stamp) {
    return part + u'_' + stamp + QStringLiteral(".docx");
}

// The name part of the n-th name of a project: the project, then "_2", "_3", ...
QString namePart(const QString& base, int n) {
    return n == 1 ? base : base + QStringLiteral("_%1").arg(n);
}

constexpr int kMaxNames = 100000;
constexpr int kMaxTemporaryVariants = 100;

// The longest file name the folder takes, in bytes.
qsizetype nameMax(const QString& folder) {
    const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return max > 0 ? qsizetype(max) : 255;
}

QString digest(const QString& name) {
    return QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
}

// The start of text that takes at most bytes bytes in a file name, whole characters.
QString leadingBytes(const QString& text, qsizetype bytes) {
    qsizetype i = 0, used = 0;
    while (i < text.size()) {
        const qsizetype step = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        used += QFile::encodeName(text.mid(i, step)).size();
        if (used > bytes)
            break;
        i += step;
    }
    return text.left(i);
}

// ".<document, or its start and "~<digest>">.<tag>[~n].part".
const QRegularExpression& temporaryName() {
    static const QRegularExpression re(
        QStringLiteral("^\\.(.+(?:\\.docx|~[0-9a-f]{8}))\\.(%1)(?:~\\d+)?\\.part$").arg(RunTagPattern()));
    return re;
}

} // namespace

QString CBatchReportHelper::DocumentName(const QString& folder, const QString& project,
                                         const QString& stamp) const {
    const QString base = SanitizeFileNamePart(project);
    const QDir dir(folder);
    for (int n = 1; n < kMaxNames; ++n) {
        const QString part = namePart(base, n);
        const QString path = dir.filePath(documentFileName(part, stamp));
        if (!m_usedNames.contains(part.toCaseFolded()) && !QFileInfo::exists(path))
            return path;
    }
    return dir.filePath(documentFileName(base, stamp));
}

QString CBatchReportHelper::TemporaryDocumentPath(const QString& folder, const QString& name, int variant) {
    const QString file = QFileInfo(name).fileName();
    const QString tail = u'.' + RunTag() + (variant > 1 ? QStringLiteral("~%1").arg(variant) : QString()) +
                         QStringLiteral(".part");
    const QString hidden = u'.' + file + tail;
    const qsizetype limit = nameMax(folder);
    if (QFile::encodeName(hidden).size() <= limit)
        return QDir(folder).filePath(hidden);
    const QString mark = u'~' + digest(file);
    const qsizetype room = limit - QFile::encodeName(u'.' + mark + tail).size();
    return QDir(folder).filePath(u'.' + leadingBytes(file, std::max<qsizetype>(room, 0)) + mark + tail);
}

int CBatchReportHelper::CreateTemporaryDocument(const QString& folder, const QString& name,
                                                ExclusiveFile& file) {
    int err = EEXIST;
    // Anything already under the name, a link included, is not this run's: the next variant.
    for (int variant = 1; variant <= kMaxTemporaryVariants && err == EEXIST; ++variant)
        err = file.Create(folder, QFileInfo(TemporaryDocumentPath(folder, name, variant)).fileName());
    return err;
}

bool CBatchReportHelper::PublishDocument(ExclusiveFile& temp, const QString& folder, const QString& project,
                                         const QString& stamp, QString& published, QString& why,
                                         bool english) {
    const QString base = SanitizeFileNamePart(project);
    const QDir dir(folder);
    for (int n = 1; n < kMaxNames; ++n) {
        const QString part = namePart(base, n);
        if (m_usedNames.contains(part.toCaseFolded()))
            continue;
        const QString path = dir.filePath(documentFileName(part, stamp));
        int err = 0;
        switch (temp.Publish(path, &err)) {
        case RenameResult::Done:
            m_usedNames.insert(part.toCaseFolded());
            published = path;
            return true;
        case RenameResult::Taken:
            continue; // by an earlier run, or one running now
        case RenameResult::Failed:
            why = ErrnoText(err, english);
            return false;
        }
    }
    why = ErrnoText(EEXIST, english);
    return false;
}

void CBatchReportHelper::ClearGoneRunsDocuments(const QString& folder) {
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // A regular file of this user (a link is never one), empty when asked;
    // when it was last changed in *changed.
    const auto ours = [dir](const QString& name, bool empty, qint64* changed = nullptr) {
        struct stat st {};
        if (::fstatat(dir, QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (empty && st.st_size != 0))
            return false;
        if (changed)
            *changed = qint64(st.st_mtime);
        return true;
    };
    static const QRegularExpression digested(QStringLiteral("^(.*)~([0-9a-f]{8})$"));
    for (const QString& name : names) {
        const QRegularExpressionMatch m = temporaryName().match(name);
        qint64 changed = -1;
        if (!m.hasMatch() || !ours(name, false, &changed) || !RunIsGone(m.captured(2), changed))
            continue;
        // A run killed between taking the document's name and giving it to
        // the document (where the file system can do neither in one step)
        // left the name empty.
        const QString document = m.captured(1);
        const QRegularExpressionMatch cut = digested.match(document);
        for (const QString& other : names) {
            const bool named = cut.hasMatch() ? other.startsWith(cut.captured(1)) &&
                                                    other.endsWith(QStringLiteral(".docx")) &&
                                                    digest(other) == cut.captured(2)
                                              : other == document;
            if (named && ours(other, true))
                ::unlinkat(dir, QFile::encodeName(other).constData(), 0);
        }
        ::unlinkat(dir, QFile::encodeName(name).constData(), 0);
    }
    ::close(dir);
}
