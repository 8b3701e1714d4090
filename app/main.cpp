// KEV_DUX: low-strain pile integrity analysis.
#include "app/Application.h"
#include "app/Startup.h"
#include "batch/BatchMain.h"
#include "platform/FontSetup.h"
#include "platform/TimeUtil.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    pit::PinLocalTimeZone();
    // The batch reports run without a window, before any widget exists.
    if (const std::optional<int> status = pit::BatchMain(argc, argv))
        return *status;
    if (!pit::EnsureDisplay(argc, argv))
        return 2;
    pit::KevApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    pit::RegisterFontSubstitutions();
    QApplication::setApplicationName(QStringLiteral("KEV_DUX"));
    QApplication::setApplicationVersion(QStringLiteral(KEV_DUX_VERSION));

    int result = 1;
    // Commands are guarded one by one (KevApplication::notify); start-up here.
    pit::DeliverTellingOutOfMemory([&] {
        CKEV_DUXApp kev;
        if (!kev.InitInstance(QApplication::arguments().mid(1))) {
            result = kev.ExitInstance();
            return false;
        }
        result = QApplication::exec();
        result = result != 0 ? result : kev.ExitInstance();
        return true;
    });
    return result;
}
