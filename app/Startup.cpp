#include "app/Startup.h"

#include "controls/PrinterSupport.h"
#include "controls/UiServices.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

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

bool KevApplication::notify(QObject* receiver, QEvent* event) {
    return DeliverTellingOutOfMemory([&] { return QApplication::notify(receiver, event); });
}

bool DeliverTellingOutOfMemory(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (const std::bad_alloc&) {
        // The box runs its own event loop: a second failure while it shows goes to stderr.
        static bool telling = false;
        if (!telling) {
            telling = true;
            try {
                const bool english = ui::english();
                ui::messages().show(
                    english ? QStringLiteral("Out of memory: the last command was not "
                                             "completed. The files on disk are as they were; "
                                             "save your work and restart the program.")
                            : QStringLiteral("内存不足：刚才的操作没有完成。磁盘上的文件保持原样；"
                                             "请保存工作并重新启动程序。"),
                    QString::fromUtf16(ui::tipsCaption()), MB_OK | MB_ICONERROR);
            } catch (const std::bad_alloc&) {
                std::fputs("KEV_DUX: out of memory; the last command was not completed.\n", stderr);
            }
            telling = false;
        } else {
            std::fputs("KEV_DUX: out of memory; the last command was not completed.\n", stderr);
        }
        return false;
    }
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
