// The main of every test executable: pinned time zone, the program's state
// folders in a temporary directory, and (for GUI tests) an offscreen
// QApplication, or (for tests that draw without widgets) a QGuiApplication.
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

#ifdef PIT_TEST_GUI
#include <QApplication>
#elif defined(PIT_TEST_GUIAPP)
#include <QGuiApplication>
#endif

int main(int argc, char** argv) {
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
#if defined(PIT_TEST_GUI) || defined(PIT_TEST_GUIAPP)
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
    QTemporaryDir home;
    if (!home.isValid())
        return 3;
    const QByteArray path = home.path().toLocal8Bit();
    setenv("KEV_DUX_HOME", path.constData(), 1);
    setenv("HOME", path.constData(), 1);
    setenv("KEV_DUX_XLSX_WRITER", PIT_PROGRAM_BIN_DIR "/kev_dux_xlsx", 0);
#ifdef PIT_TEST_GUI
    QApplication app(argc, argv);
#elif defined(PIT_TEST_GUIAPP)
    QGuiApplication app(argc, argv);
#endif
    std::setlocale(LC_NUMERIC, "C");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
