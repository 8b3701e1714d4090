#include "batch/BatchReportHelper.h"

#include "core/pile/PileRecord.h"
#include "platform/AppContext.h"
#include "platform/CodePage.h"
#include "platform/TimeUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    QString out = project;
    for (QChar& c : out) {
        if (c == u'/' || c == u'\\' || c == QChar(0) || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
            c == u'<' || c == u'>' || c == u'|')
            c = u'_';
    }
    return out;
}

QString CBatchReportHelper::ReportFileName(const QString& folder, const QString& project,
                                           const QString& stamp) {
    const QString base = SanitizeFileNamePart(project);
    QString part = base;
    for (int n = 2; m_usedNames.contains(part.toCaseFolded()); ++n)
        part = base + QStringLiteral("_%1").arg(n);
    m_usedNames.insert(part.toCaseFolded());
    return QDir(folder).filePath(part + u'_' + stamp + QStringLiteral(".docx"));
}
