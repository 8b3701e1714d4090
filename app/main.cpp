// KEV_DUX: low-strain pile integrity analysis.
#include "app/Startup.h"
#include "platform/FontSetup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>
#include <clocale>

int main(int argc, char* argv[]) {
    if (!pit::EnsureDisplay(argc, argv))
        return 2;
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    pit::RegisterFontSubstitutions();
    QApplication::setApplicationName(QStringLiteral("KEV_DUX"));
    QApplication::setApplicationVersion(QStringLiteral(KEV_DUX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Low-strain pile integrity analysis"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A pile file (*.DUX) to open."));
    parser.process(app);

    pit::StartWindowBuild();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("KEV_DUX"));
    window.resize(1024, 700);
    window.show();
    return QApplication::exec();
}
