#include "app/Startup.h"

#include "controls/PrinterSupport.h"
#include "platform/Paths.h"

#include <QCoreApplication>
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

} // namespace pit
