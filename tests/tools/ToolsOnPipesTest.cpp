// duxinfo and reportshot given a pipe named like a pile: each refuses it at
// once and names it, instead of waiting for a writer that never comes.
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit::test;

TEST(ToolsOnPipes, APipeNamedLikeAPileIsRefusedAtOnceByName) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString pipe = tmp.filePath(QStringLiteral("ZK1.DUX"));
    ASSERT_TRUE(MakeFifo(pipe));
    const struct {
        const char* program;
        QStringList args;
    } runs[] = {
        {"duxinfo", {pipe}},
        {"reportshot",
         {QStringLiteral("single"), QStringLiteral("--out"), tmp.filePath(QStringLiteral("s.pdf")), pipe}},
        {"reportshot",
         {QStringLiteral("project"), QStringLiteral("--out"), tmp.filePath(QStringLiteral("p.docx")), pipe}},
        {"reportshot",
         {QStringLiteral("results"), QStringLiteral("--out"), tmp.filePath(QStringLiteral("r.xlsx")), pipe}},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KEV_DUX_HOME"), tmp.path());
    for (const auto& r : runs) {
        SCOPED_TRACE(r.program + (" " + r.args.first().toStdString()));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PIT_BIN_DIR "/") + QString::fromLatin1(r.program), r.args);
        const bool ended = p.waitForFinished(30000);
        if (!ended) {
            p.kill();
            p.waitForFinished();
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ(p.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(err.contains(pipe)) << err.toStdString();
    }
}
