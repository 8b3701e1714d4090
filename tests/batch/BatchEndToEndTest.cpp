// The built program run as a user runs it: no display, a home folder of its own.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ProgramRun {
    int status = -1;
    QByteArray out, err;
};

// KEV_DUX with args, without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, KEV_DUX_HOME at home.
ProgramRun runProgram(const QStringList& args, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("KEV_DUX_HOME"), home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), args);
    ProgramRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

TEST(BatchEndToEnd, AFlagWithoutItsOutputFolderIsAUsageErrorWithoutADisplay) {
    QTemporaryDir home;
    const ProgramRun r =
        runProgram({QStringLiteral("-report"), home.filePath(QStringLiteral("list.txt"))}, home.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("Usage: KEV_DUX -report|-projectreport LIST_FILE OUTPUT_FOLDER"))
        << r.err.data();
    EXPECT_TRUE(r.out.isEmpty());
}
