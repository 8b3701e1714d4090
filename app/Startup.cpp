#include "app/Startup.h"

#include "controls/PrinterSupport.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pit {

namespace {

bool runsWithoutWindow(const char* a) {
    for (const char* flag : {"--version", "-v", "--help", "-h"})
        if (!std::strcmp(a, flag))
            return true;
    // The batch reports never show a window.
    for (const char* prefix : {"-", "--", "/"})
        for (const char* name : {"report", "projectreport"})
            if (std::strlen(a) == std::strlen(prefix) + std::strlen(name) &&
                !std::strncmp(a, prefix, std::strlen(prefix)) && !std::strcmp(a + std::strlen(prefix), name))
                return true;
    return false;
}

} // namespace

bool EnsureDisplay(int argc, char* argv[]) {
    auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (runsWithoutWindow(argv[i])) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            return true;
        }
    }
    std::fprintf(stderr, "KEV_DUX: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                         "Start it from a desktop session, or under a virtual display (Debian package xvfb): "
                         "xvfb-run ./run.sh\n");
    return false;
}

void StartWindowBuild() {
    InstallDefaultPrinterProvider();
}

bool InstallQtTranslations(bool english) {
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    auto* qt = new QTranslator(QCoreApplication::instance());
    const QLocale locale = english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                   : QLocale(QLocale::Chinese, QLocale::China);
    if (!qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    installed = qt;
    return true;
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

} // namespace pit
