#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>
#include <limits>
#include <signal.h>

namespace pit {

namespace {

QString homeOverride() {
    const QByteArray home = qgetenv("KEV_DUX_HOME");
    return home.isEmpty() ? QString() : QDir::cleanPath(QString::fromLocal8Bit(home));
}

QString executableDir() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

} // namespace

QString programDir() {
    const QString home = homeOverride();
    return home.isEmpty() ? executableDir() : home;
}

QString resourceDir() {
    const QString home = homeOverride();
    if (!home.isEmpty())
        return home;
    return installedResourceDir();
}

QString installedResourceDir() {
    const QString exe = executableDir();
    const QString shared = QDir::cleanPath(exe + QStringLiteral("/../share/kev-dux"));
    // An installed program finds its resources in the shared data folder.
    return QFileInfo::exists(shared) ? shared : exe;
}

QString stateDir() {
    const QString home = homeOverride();
    if (!home.isEmpty())
        return home;
    const QString exe = executableDir();
    if (QFileInfo(exe).isWritable())
        return exe;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config/kev-dux");
    QDir().mkpath(dir);
    return dir;
}

namespace {
QString g_sessionTemp;
}

QString tempRootDir() {
    const QString dir = joinPath(stateDir(), QStringLiteral("Temp"));
    QDir().mkpath(dir);
    return dir;
}

QString tempDir() {
    if (g_sessionTemp.isEmpty())
        return tempRootDir();
    QDir().mkpath(g_sessionTemp);
    return g_sessionTemp;
}

void setSessionTempDir(const QString& dir) {
    g_sessionTemp = dir;
}

namespace {

QString hostName() {
    QString host = QSysInfo::machineHostName();
    for (QChar& c : host)
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_') || c.unicode() > 0x7F)
            c = u'_';
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

bool processGone(qint64 pid) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    // EPERM: it exists, under another user.
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// Removes the folders "run-<tag>" in root whose runs are gone. Folders of
// older versions are named "run-<pid>" and were of this machine.
void clearGoneRuns(const QString& root) {
    static const QRegularExpression name(QStringLiteral("^run-(\\d+)(@.+)?$"));
    const QString own = RunTag();
    for (const QFileInfo& fi : QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QRegularExpressionMatch m = name.match(fi.fileName());
        if (!m.hasMatch())
            continue;
        const QString tag =
            m.captured(2).isEmpty() ? m.captured(1) + u'@' + hostName() : m.captured(1) + m.captured(2);
        if (tag != own && RunIsGone(tag))
            QDir(fi.absoluteFilePath()).removeRecursively();
    }
}

} // namespace

QString RunTag() {
    return QStringLiteral("%1@%2").arg(QCoreApplication::applicationPid()).arg(hostName());
}

bool RunIsGone(const QString& tag) {
    const qsizetype at = tag.indexOf(u'@');
    if (at <= 0 || tag.mid(at + 1) != hostName())
        return false;
    bool ok = false;
    const qint64 pid = tag.left(at).toLongLong(&ok);
    return ok && pid != QCoreApplication::applicationPid() && processGone(pid);
}

QString EnsureTempFolder() {
    const QString root = tempRootDir();
    clearGoneRuns(root);
    // One folder per running instance: an instance that ends removes only its own pictures.
    const QString session = joinPath(root, QStringLiteral("run-") + RunTag());
    if (!QDir().mkpath(session))
        return {};
    setSessionTempDir(session);
    return session;
}

void ClearTempFolder(const QString& sessionDir) {
    if (!sessionDir.isEmpty()) {
        QDir(sessionDir).removeRecursively();
        setSessionTempDir(QString());
    }
    const QDir root(joinPath(stateDir(), QStringLiteral("Temp")));
    if (!root.exists())
        return;
    for (const QFileInfo& fi : root.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = fi.fileName();
        if (name.endsWith(QStringLiteral(".TMP")) || name.endsWith(QStringLiteral(".emf")))
            QFile::remove(fi.absoluteFilePath());
    }
}

QString joinPath(const QString& dir, const QString& name) {
    return QDir(dir).filePath(name);
}

} // namespace pit
