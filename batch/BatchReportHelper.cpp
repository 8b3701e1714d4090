#include "batch/BatchReportHelper.h"

#include "core/pile/PileRecord.h"
#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/SafeText.h"
#include "platform/TimeUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

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
    QFile f(path);
    const bool ok = f.open(QIODevice::ReadOnly);
    const QByteArray bytes = ok ? f.readAll() : QByteArray();
    if (opened)
        *opened = ok && f.error() == QFileDevice::NoError;
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
    return FileNamePart(project);
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

const QRegularExpression& temporaryName() {
    // ".<name>.<pid>@<host>.part", and the copy a save makes beside it.
    static const QRegularExpression re(QStringLiteral("^\\..+\\.(\\d+@[^@/]+)\\.part(\\.[A-Za-z0-9]+)?$"));
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

QString CBatchReportHelper::TemporaryDocumentPath(const QString& folder, const QString& name) {
    return QDir(folder).filePath(u'.' + QFileInfo(name).fileName() + u'.' + RunTag() +
                                 QStringLiteral(".part"));
}

bool CBatchReportHelper::PublishDocument(const QString& temp, const QString& folder, const QString& project,
                                         const QString& stamp, QString& published, QString& why) {
    const QString base = SanitizeFileNamePart(project);
    const QDir dir(folder);
    for (int n = 1; n < kMaxNames; ++n) {
        const QString part = namePart(base, n);
        if (m_usedNames.contains(part.toCaseFolded()))
            continue;
        const QString path = dir.filePath(documentFileName(part, stamp));
        switch (renameExclusive(temp, path, &why)) {
        case RenameResult::Done:
            m_usedNames.insert(part.toCaseFolded());
            published = path;
            return true;
        case RenameResult::Taken:
            continue; // by an earlier run, or one running now
        case RenameResult::Failed:
            return false;
        }
    }
    why = QStringLiteral("no free name");
    return false;
}

void CBatchReportHelper::ClearGoneRunsDocuments(const QString& folder) {
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = temporaryName().match(fi.fileName());
        if (m.hasMatch() && RunIsGone(m.captured(1)))
            QFile::remove(fi.absoluteFilePath());
    }
}
