#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString EnsureTempFolder() {
    const QString root = tempRootDir();
    // One folder per running instance: an instance that ends removes only its own pictures.
    const QString session = joinPath(root, QStringLiteral("run-%1").arg(QCoreApplication::applicationPid()));
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
