#include "app/Application.h"
#include "app/Startup.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "core/wave/WaveRecord.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "tests/support/Disks.h"
#include "tests/support/DuxBuilder.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using namespace pit;

namespace {

// A copy of the sample project (opening a pile writes the folder's index).
struct AppStart : ::testing::Test {
    QTemporaryDir tmp;
    QString folder;
    ScriptedMessageSink sink;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        folder = tmp.filePath(QStringLiteral("demo"));
        ASSERT_TRUE(test::copyPileFiles(QStringLiteral(PIT_SAMPLES_DIR), folder));
    }
    std::unique_ptr<CKEV_DUXApp> makeApp() {
        auto app = std::make_unique<CKEV_DUXApp>();
        app->SetRecentFileList(
            std::make_unique<RecentFileList>(tmp.filePath(QStringLiteral("registry.ini"))));
        app->SetMessageSink(&sink);
        return app;
    }
    QString pile() const { return folder + QStringLiteral("/ZK1.DUX"); }
};

} // namespace

TEST_F(AppStart, OffscreenStartWithAPileArgumentOpensItAndShutsDownCleanly) {
    const QString temp = joinPath(stateDir(), QStringLiteral("Temp"));
    // A link named like a gone run's folder: its folder is not the window's to empty.
    const QString kept = tmp.filePath(QStringLiteral("kept"));
    ASSERT_TRUE(QDir().mkpath(kept));
    ASSERT_TRUE(QFile(kept + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly));
    RunIdentity gone = ThisRun();
    gone.pid = test::GonePid();
    const QString link = joinPath(temp, QStringLiteral("run-") + gone.Tag());
    ASSERT_TRUE(QDir().mkpath(temp));
    ASSERT_TRUE(QFile::link(kept, link));
    QString session;
    {
        auto app = makeApp();
        session = app->SessionTempDir();
        ASSERT_FALSE(session.isEmpty());
        EXPECT_EQ(tempDir(), session);
        EXPECT_TRUE(QFileInfo(session).isDir());
        EXPECT_EQ(QFileInfo(session).absolutePath(), QFileInfo(temp).absoluteFilePath());

        ASSERT_TRUE(app->InitInstance({pile()}));
        EXPECT_TRUE(sink.shown.empty());
        ASSERT_NE(app->MainWindow(), nullptr);
        EXPECT_TRUE(app->MainWindow()->isVisible());
        EXPECT_EQ(app->MainWindow()->windowTitle(),
                  QStringLiteral("KEV低应变分析程序 1.8.31008     ") + pile());
        EXPECT_EQ(app->Document()->m_PileRecord.m_strPath, pile());
        EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/demo.DUP")));
        EXPECT_EQ(app->RecentFiles().Files(), QStringList{pile()});
        EXPECT_TRUE(app->Context().interactive);

        // Files in "Temp" itself are no run's: they stay.
        for (const char* name : {"a.TMP", "b.emf", "c.tmp", "d.EMF", "e.png"}) {
            QFile f(joinPath(temp, QString::fromLatin1(name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QFile picture(joinPath(session, QStringLiteral("wave.emf")));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(QFileInfo::exists(session));
    EXPECT_EQ(QDir(temp).entryList(QDir::Files, QDir::Name),
              (QStringList{"a.TMP", "b.emf", "c.tmp", "d.EMF", "e.png"}));
    EXPECT_EQ(QDir(temp).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{QFileInfo(link).fileName()});
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(kept).entryList(QDir::Files), QStringList{"notes.txt"});
    for (const QString& name : QDir(temp).entryList(QDir::Files | QDir::System))
        QFile::remove(joinPath(temp, name));
    QFile::remove(link);
    // The document wrote its settings on the way out.
    IniFile ini;
    ASSERT_TRUE(ini.load(joinPath(stateDir(), QStringLiteral("DuxConfig.xml"))));
    EXPECT_EQ(ini.readString(QStringLiteral("DocInfo"), QStringLiteral("FileName")), pile());
}

// A state folder that is not there yet is made, with "Temp" and the
// window's own folder in it. A window that gets no folder of its own (every
// name of it taken) says so and opens all the same; its pictures go nowhere.
TEST_F(AppStart, AWindowMakesAStateFolderNotThereYetOrSaysItHasNoRunFolder) {
    const QByteArray saved = qgetenv("KEV_DUX_HOME");
    const QString fresh = tmp.filePath(QStringLiteral("new/state"));
    qputenv("KEV_DUX_HOME", QFile::encodeName(fresh));
    QString session;
    {
        auto app = makeApp();
        session = app->SessionTempDir();
        EXPECT_EQ(QFileInfo(session).absolutePath(), fresh + QStringLiteral("/Temp"));
        ASSERT_TRUE(app->InitInstance({}));
        EXPECT_TRUE(sink.shown.empty());
    }
    EXPECT_FALSE(QFileInfo::exists(session));
    EXPECT_TRUE(QFileInfo::exists(fresh + QStringLiteral("/DuxConfig.xml")));

    // Every name the window's folder may take, taken.
    const QString temp = fresh + QStringLiteral("/Temp");
    const QString base = QStringLiteral("run-") + RunTag();
    for (int n = 1; n <= 100; ++n)
        ASSERT_TRUE(QFile(joinPath(temp, n == 1 ? base : base + QStringLiteral("~%1").arg(n)))
                        .open(QIODevice::WriteOnly));
    {
        auto app = makeApp();
        EXPECT_TRUE(app->SessionTempDir().isEmpty());
        ASSERT_TRUE(app->InitInstance({}));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("本次运行没有自己的临时文件夹")))
            << sink.shown[0].text.toStdString();
        EXPECT_TRUE(tempDir().isEmpty());
        EXPECT_NE(app->MainWindow(), nullptr);
    }
    EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 100);
    qputenv("KEV_DUX_HOME", saved);
}

TEST_F(AppStart, EnglishIsChosenFirstFromTheLanguageFiles) {
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(PIT_RES_DIR "/English.lng"), joinPath(resourceDir(), "English.lng")));
    ASSERT_TRUE(WriteStringToFile(LanguageFiles::instance().LanguageIdPath(), QStringLiteral("1033")));
    auto app = makeApp();
    ASSERT_TRUE(app->InitInstance({}));
    EXPECT_TRUE(app->m_bEnglish);
    EXPECT_TRUE(app->Context().english);
    EXPECT_EQ(app->MainWindow()->windowTitle(), QStringLiteral("KEV-TIMBO 1.8.31008"));
    EXPECT_EQ(app->MainWindow()->menuBar()->actions().value(0)->text(), QStringLiteral("&File"));
    EXPECT_EQ(app->Document()->m_PileRecord.m_nLanguage, 1);
    ASSERT_TRUE(app->Document()->OnOpenDocument(pile()));
    // One composer for every title: the language's title text, then the path.
    EXPECT_EQ(app->MainWindow()->windowTitle(), QStringLiteral("KEV-TIMBO 1.8.31008     ") + pile());
    // The next tests of this process start in Chinese again.
    QFile::remove(joinPath(resourceDir(), "English.lng"));
    QFile::remove(LanguageFiles::instance().LanguageIdPath());
}

TEST_F(AppStart, ADroppedPileFileIsOpened) {
    auto app = makeApp();
    ASSERT_TRUE(app->InitInstance({}));
    EXPECT_TRUE(app->MainWindow()->acceptDrops());
    const QString dropped = folder + QStringLiteral("/ZK2.DUX");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app->MainWindow(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app->MainWindow(), &drop);
    EXPECT_EQ(app->Document()->GetPathName(), dropped);
    EXPECT_EQ(app->MainWindow()->windowTitle(), QStringLiteral("KEV低应变分析程序 1.8.31008     ") + dropped);

    // A drop opens as 文件 ▸ 打开 does: the changes of the pile shown are asked about first.
    app->Document()->SetModifiedFlag(true);
    data.setUrls({QUrl::fromLocalFile(pile())});
    sink.answers = {IDCANCEL};
    ui::setMessages(&sink);
    QDragEnterEvent enterAgain(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app->MainWindow(), &enterAgain);
    QDropEvent again(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app->MainWindow(), &again);
    ui::setMessages(nullptr);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("是否将改动保存到ZK2.DUX")));
    EXPECT_EQ(app->Document()->GetPathName(), dropped);
    EXPECT_TRUE(app->Document()->IsModified());
    app->Document()->SetModifiedFlag(false);
}

TEST_F(AppStart, AFileThatCannotBeOpenedIsToldOnceAndTheWindowOpensEmpty) {
    // A sample pile cut in half, a file with only the magic, a file that is not there.
    const QString truncated = QDir(folder).filePath(QStringLiteral("ZK2.DUX"));
    ASSERT_TRUE(QFile::resize(truncated, QFileInfo(truncated).size() / 2));
    const QString magicOnly = tmp.filePath(QStringLiteral("bad.DUX"));
    QFile f(magicOnly);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("VADUZI");
    f.close();
    const QString missing = tmp.filePath(QStringLiteral("missing.DUX"));
    for (const QString& path : {truncated, magicOnly, missing}) {
        SCOPED_TRACE(path.toStdString());
        sink.shown.clear();
        auto app = makeApp();
        ASSERT_TRUE(app->InitInstance({path}));
        EXPECT_EQ(app->ExitInstance(), 0);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.contains(QFileInfo(path).fileName()))
            << sink.shown[0].text.toStdString();
        EXPECT_EQ(sink.shown[0].caption, QStringLiteral("File Error"));
        ASSERT_NE(app->MainWindow(), nullptr);
        EXPECT_TRUE(app->MainWindow()->isVisible());
        EXPECT_FALSE(app->Document()->m_bFileOpen);
        EXPECT_TRUE(app->RecentFiles().Files().isEmpty());
    }
}

TEST_F(AppStart, BatchCommandLinesNeverOpenTheWindow) {
    // main runs them before the window build; here they are refused.
    auto app = makeApp();
    EXPECT_FALSE(
        app->InitInstance({QStringLiteral("/projectreport"), QStringLiteral("list.txt"), tmp.path()}));
    EXPECT_EQ(app->MainWindow(), nullptr);
    EXPECT_EQ(app->CommandLine().BatchKind(), 2);
    EXPECT_EQ(app->ExitInstance(), 2);
}

TEST_F(AppStart, TheLastRunsDecimalsReachThePileAndTheVersionIsTheTitles) {
    // The program itself, as a user asks it.
    for (const char* flag : {"--version", "-v"}) {
        QProcess p;
        p.start(QStringLiteral(PIT_BIN_DIR "/KEV_DUX"), {QString::fromLatin1(flag)});
        ASSERT_TRUE(p.waitForFinished(60000)) << flag;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << flag;
        EXPECT_EQ(p.readAllStandardOutput(), QByteArray("KEV_DUX 1.8.31008\n")) << flag;
    }
    EXPECT_EQ(CKEV_DUXApp::FrameTitle(true), QStringLiteral("KEV-TIMBO 1.8.31008"));

    // A blow with a defect mark 130 samples below the head: 5.2 m at 4000 m/s and 20 us.
    pit::test::DuxBlow blow;
    blow.defectIndex = 150;
    const QString folder = tmp.filePath(QStringLiteral("marked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = pit::test::DuxBuilder::paramBlock("A-RIRADAD")
                             .channels(1, 1024)
                             .pile(10, 800, 4000)
                             .sampleInterval(20)
                             .blowTable({blow})
                             .writeTo(folder, QStringLiteral("B1.DUX"));
    // The settings file of the last run chose three decimals.
    const QString settings = joinPath(stateDir(), QStringLiteral("DuxConfig.xml"));
    IniFile ini;
    ini.writeString(QStringLiteral("DocInfo"), QStringLiteral("m_nDecimalPointNum"), QStringLiteral("3"));
    ASSERT_TRUE(ini.trySave(settings));
    {
        auto app = makeApp();
        ASSERT_TRUE(app->InitInstance({path}));
        EXPECT_EQ(app->m_strSoftName, QStringLiteral("KEV-TIMBO 1.0"));
        CKEV_DUXDoc& doc = *app->Document();
        ASSERT_EQ(doc.m_nDecimalPointNum, 3);
        CPileRecord& r = doc.m_PileRecord;
        ASSERT_EQ(r.m_strPath, path);
        ASSERT_EQ(r.CurrentChannel()->GetDefectMarks().size(), 1u);
        EXPECT_TRUE(r.m_strConclusion.contains(QStringLiteral("5.200m"))) << r.m_strConclusion.toStdString();
        // Built again by the record, it says what the main panel says.
        r.m_strConclusion.clear();
        r.BuildIntegrityText();
        EXPECT_TRUE(r.m_strConclusion.contains(QStringLiteral("5.200m"))) << r.m_strConclusion.toStdString();
    }
    // The next tests of this process start from no settings file.
    QFile::remove(settings);
}

// The state folder is read-only by the time the program closes: one message
// names the folder, every file that could not be kept and why; the settings
// file of the last run stays whole.
TEST_F(AppStart, StateThatCannotBeKeptAtExitIsToldOnce) {
    const QString state = stateDir();
    const QString settings = joinPath(state, QStringLiteral("DuxConfig.xml"));
    IniFile ini;
    ini.writeString(QStringLiteral("DocInfo"), QStringLiteral("m_nDecimalPointNum"), QStringLiteral("3"));
    ASSERT_TRUE(ini.trySave(settings));
    const QByteArray before = test::readFileBytes(settings);
    QString session;
    {
        auto app = std::make_unique<CKEV_DUXApp>();
        app->SetRecentFileList(std::make_unique<RecentFileList>(RecentFileList::DefaultPath()));
        app->SetMessageSink(&sink);
        ASSERT_TRUE(app->InitInstance({pile()}));
        session = app->SessionTempDir();
        test::ReadOnlyFolder readOnly;
        if (!readOnly.Make(state))
            GTEST_SKIP() << "no read-only folder for this user";
        sink.shown.clear();
        app.reset();
        ASSERT_EQ(sink.shown.size(), 1u);
        const QString told = sink.shown[0].text;
        EXPECT_TRUE(told.startsWith(QStringLiteral("设置、最近文件和工程信息历史未能保存到文件夹“%1”：")
                                        .arg(QDir::toNativeSeparators(QFileInfo(settings).absolutePath()))))
            << told.toStdString();
        for (const char* name : {"DuxConfig.xml", "VADUZI_PROINFO.ini", "Registry.ini"})
            EXPECT_TRUE(told.contains(QString::fromLatin1(name))) << name << " " << told.toStdString();
        EXPECT_TRUE(test::NamesReadOnly(told)) << told.toStdString();
        EXPECT_EQ(sink.shown[0].type & MB_ICONMASK, unsigned(MB_ICONWARNING));
        EXPECT_EQ(test::readFileBytes(settings), before);
    }
    // The next tests of this process start from no state of this one.
    QDir(session).removeRecursively();
    QFile::remove(settings);
    QFile::remove(RecentFileList::DefaultPath());
}

TEST(QtTranslations, StandardButtonsSpeakTheInterfaceLanguage) {
    auto buttonText = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    ASSERT_TRUE(InstallQtTranslations(false));
    EXPECT_EQ(buttonText(), QStringLiteral("取消"));
    ASSERT_TRUE(InstallQtTranslations(true));
    EXPECT_EQ(buttonText(), QStringLiteral("Cancel"));
}

TEST(RecentFiles, FourNewestFirstAndThePreviewPages) {
    QTemporaryDir tmp;
    RecentFileList list(tmp.filePath(QStringLiteral("r.ini")));
    for (const char* p : {"/a", "/b", "/c", "/d", "/e", "/c"})
        list.Add(QString::fromLatin1(p));
    EXPECT_EQ(list.Files(), (QStringList{"/c", "/e", "/d", "/b"}));
    EXPECT_EQ(list.PreviewPages(), 1);
    list.SetPreviewPages(2);
    EXPECT_EQ(RecentFileList(tmp.filePath(QStringLiteral("r.ini"))).PreviewPages(), 2);
}

TEST(OutOfMemory, ACommandThatRunsOutIsToldAndTheProgramGoesOn) {
    ScriptedMessageSink sink;
    ui::setMessages(&sink);
    EXPECT_TRUE(DeliverTellingOutOfMemory([] { return true; }));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(DeliverTellingOutOfMemory([]() -> bool { throw std::bad_alloc(); }));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("内存不足")))
        << sink.shown[0].text.toStdString();
    // Other errors are not ours to swallow.
    EXPECT_THROW(DeliverTellingOutOfMemory([]() -> bool { throw std::runtime_error("x"); }),
                 std::runtime_error);
    ui::setMessages(nullptr);
}

// The recent files belong to the state folder: another KEV_DUX_HOME starts
// with a list of its own, and coming back brings the first one's back.
TEST(RecentFiles, KeptInTheStateFolder) {
    QTemporaryDir a, b;
    const QByteArray home = qgetenv("KEV_DUX_HOME");
    qputenv("KEV_DUX_HOME", QFile::encodeName(a.path()));
    RecentFileList().Add(QStringLiteral("/project/ZK1.DUX"));
    EXPECT_EQ(RecentFileList::DefaultPath(), a.filePath(QStringLiteral("Registry.ini")));
    EXPECT_TRUE(QFileInfo::exists(a.filePath(QStringLiteral("Registry.ini"))));
    qputenv("KEV_DUX_HOME", QFile::encodeName(b.path()));
    EXPECT_TRUE(RecentFileList().Files().isEmpty());
    qputenv("KEV_DUX_HOME", QFile::encodeName(a.path()));
    EXPECT_EQ(RecentFileList().Files(), QStringList{QStringLiteral("/project/ZK1.DUX")});
    qputenv("KEV_DUX_HOME", home);
}

// The user manual is built beside the program from its source: a PDF that
// an independent reader opens, with the help the program points to.
TEST(UserManual, ShippedBesideTheProgramAsAReadablePdf) {
    const QString manual = QStringLiteral(PIT_BIN_DIR "/KEV_JX使用手册.pdf");
    ASSERT_TRUE(QFileInfo::exists(manual));
    EXPECT_TRUE(test::readFileBytes(manual).startsWith("%PDF-"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-enc"), QStringLiteral("UTF-8"), manual, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    ASSERT_EQ(text.exitCode(), 0);
    // Qt's PDF writer maps some ideographs back to their Kangxi-radical twins
    // (one glyph in the font); compatibility normalisation reads them as written.
    const QString content = QString::fromUtf8(text.readAllStandardOutput())
                                .normalized(QString::NormalizationForm_KC)
                                .remove(QLatin1Char(' '));
    for (const char* part : {"KEV低应变分析程序使用手册", "另存为", "采样频率的一半", "Database.ini",
                             "KEV_DUX_HOME", "帮助▸帮助主题"})
        EXPECT_TRUE(content.contains(QString::fromUtf8(part))) << part;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {manual});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString pages =
        QString::fromUtf8(info.readAllStandardOutput()).section(QStringLiteral("Pages:"), 1).trimmed();
    EXPECT_GE(pages.section(QLatin1Char('\n'), 0, 0).trimmed().toInt(), 2);
}
