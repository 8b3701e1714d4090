#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/Color.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"
#include "platform/Metrics.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/SafeText.h"
#include "platform/TimeUtil.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pit;

TEST(Numbers, AtoiAndAtofFollowTheCPrefixRules) {
    EXPECT_EQ(atoiC("  -42abc"), -42);
    EXPECT_EQ(atoiC("+7"), 7);
    EXPECT_EQ(atoiC("x1"), 0);
    EXPECT_EQ(atoiC("99999999999"), INT_MAX);
    struct Case {
        const char* text;
        double value;
        size_t used;
    } cases[] = {
        {"3.25", 3.25, 4}, {" -1.5e2x", -150.0, 7}, {".5", 0.5, 2},  {"7.", 7.0, 2}, {"1e", 1.0, 1},
        {"0x10", 0.0, 1},  {"inf", 0.0, 0},         {"nan", 0.0, 0}, {"", 0.0, 0},   {"-", 0.0, 0},
    };
    for (const Case& c : cases) {
        size_t used = 99;
        EXPECT_DOUBLE_EQ(atofC(std::string_view(c.text), &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
}

TEST(Numbers, WholeTextParsingAndShortestFormatting) {
    EXPECT_EQ(parseDouble(" 2.5 "), 2.5);
    EXPECT_FALSE(parseDouble("2.5m"));
    EXPECT_FALSE(parseDouble("1e999"));
    EXPECT_EQ(parseInt("+12"), 12);
    EXPECT_FALSE(parseInt("12.0"));
    EXPECT_EQ(formatDouble(1.004), QStringLiteral("1.004"));
    EXPECT_EQ(formatFloat32(0.1f), QStringLiteral("0.1"));
    EXPECT_EQ(formatDouble(2.0), QStringLiteral("2"));
}

TEST(TimeUtil, LocalTimeIsShanghaiAndValidityIsChecked) {
    const QDateTime t = utcSecondsToLocal(1700000000);
    EXPECT_EQ(t.toString(Qt::ISODate), QStringLiteral("2023-11-15T06:13:20"));
    EXPECT_EQ(localToUtcSeconds(t), 1700000000);
    QDateTime out;
    EXPECT_FALSE(IsValidTimeValue(out, 0));
    EXPECT_TRUE(IsValidTimeValue(out, 1700000000));
    EXPECT_EQ(out, t);
}

TEST(TimeUtil, LocalDateTimeTextIsTheLocalTimeOfTheInstant) {
    const QString fmt = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    for (const QDateTime& t :
         {QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC), utcSecondsToLocal(1700000000),
          QDateTime::fromMSecsSinceEpoch(-1500, Qt::UTC), QDateTime::fromSecsSinceEpoch(0)})
        EXPECT_EQ(LocalDateTimeText(t), t.toLocalTime().toString(fmt))
            << t.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(LocalDateTimeText(QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC)),
              QStringLiteral("2023-11-15 06:13:20"));
    EXPECT_EQ(LocalDateTimeText(QDateTime()), QString());
}

TEST(Color, ColorRefHoldsRedInTheLowByte) {
    EXPECT_EQ(RGB(92, 132, 255), 0xFF845Cu);
    EXPECT_EQ(toQColor(0xFF845C), QColor(92, 132, 255));
    EXPECT_EQ(toColorRef(QColor(1, 2, 3)), RGB(1, 2, 3));
}

TEST(AtomicFile, ReplacesWholeFilesAndReportsCauses) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.bin");
    writeFileAtomic(path, "first version");
    writeFileAtomic(path, "2nd");
    EXPECT_EQ(readWholeFile(path), QByteArray("2nd"));
    try {
        readWholeFile(dir.filePath("missing.DUX"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), FileCause::FileNotFound);
        EXPECT_TRUE(e.message(true).contains("missing.DUX"));
        EXPECT_TRUE(e.message(false).contains("missing.DUX"));
    }
    EXPECT_THROW(writeFileAtomic(dir.filePath("no/such/dir/x"), "x"), FileError);
    EXPECT_EQ(readWholeFile(path), QByteArray("2nd"));
}

TEST(Paths, AllFoldersFollowTheHomeOverride) {
    const QString home = QDir::cleanPath(QString::fromLocal8Bit(qgetenv("KEV_DUX_HOME")));
    ASSERT_FALSE(home.isEmpty());
    EXPECT_EQ(programDir(), home);
    EXPECT_EQ(stateDir(), home);
    EXPECT_EQ(resourceDir(), home);
    EXPECT_EQ(tempDir(), home + QStringLiteral("/Temp"));
    EXPECT_TRUE(QDir(tempDir()).exists());
    EXPECT_EQ(joinPath(home + "/", "x.ini"), home + "/x.ini");
}

// A leftover is another run's until that run is certainly gone: its process
// (by number and start) no longer runs in this boot and namespace, or this
// machine has booted since it was last changed. Whatever cannot be judged
// (another machine, namespace or boot, an older or unknown tag) stays.
TEST(Paths, RunsAreJudgedGoneOnlyWhenCertain) {
    const RunIdentity self = ThisRun();
    ASSERT_TRUE(self.Complete()) << RunTag().toStdString();
    ASSERT_EQ(RunIdentity::FromTag(RunTag())->Tag(), RunTag());
    const qint64 parent = ::getppid();
    ASSERT_GT(test::ProcessStartTicks(parent), 0);
    const auto run = [&](auto change) {
        RunIdentity id = self;
        change(id);
        return id.Tag();
    };
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const struct {
        const char* what;
        QString tag;
        qint64 lastChange;
        bool gone;
    } cases[] = {
        {"this run", RunTag(), now, false},
        {"a process gone", run([](RunIdentity& r) { r.pid = test::GonePid(); }), now, true},
        {"a live process", run([&](RunIdentity& r) {
             r.pid = parent;
             r.started = test::ProcessStartTicks(parent);
         }),
         now, false},
        {"its number now another process's", run([&](RunIdentity& r) {
             r.pid = parent;
             r.started = test::ProcessStartTicks(parent) + 1;
         }),
         now, true},
        {"another process namespace", run([](RunIdentity& r) {
             r.pid = test::GonePid();
             r.pidNamespace += 1;
         }),
         now, false},
        {"another machine", run([](RunIdentity& r) {
             r.machine = "0123456789ab";
             r.boot = "ba9876543210";
         }),
         0, false},
        {"this machine before its boot", run([](RunIdentity& r) { r.boot = "ba9876543210"; }), 0, true},
        {"this machine's other boot, changed since", run([](RunIdentity& r) { r.boot = "ba9876543210"; }),
         now, false},
        {"another boot of a machine without id", run([](RunIdentity& r) {
             r.boot = "ba9876543210";
             r.machine.clear();
         }),
         0, false},
        {"a start that could not be read", run([](RunIdentity& r) {
             r.pid = test::GonePid();
             r.started = -1;
         }),
         now, false},
        {"an older tag", QString::number(test::GonePid()) + u'@' + QSysInfo::machineHostName(), 0, false},
        {"no tag", QStringLiteral("budget"), 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunIsGone(c.tag, c.lastChange), c.gone) << c.what << ": " << c.tag.toStdString();
}

// At start a run clears the temporary folders of runs certainly gone (never
// through a link) and makes its own; at its end it removes only its own.
TEST(Paths, TemporaryFoldersOfRunsGoneAreClearedAtStart) {
    const QString root = tempRootDir();
    RunIdentity gone = ThisRun();
    gone.pid = test::GonePid();
    RunIdentity otherMachine = gone;
    otherMachine.machine = QStringLiteral("0123456789ab");
    otherMachine.boot = QStringLiteral("ba9876543210");
    const struct {
        QString name;
        bool stays;
    } cases[] = {
        {"run-" + gone.Tag(), false},
        {"run-" + gone.Tag() + "~2", false},
        {"run-" + otherMachine.Tag(), true},
        {"run-" + QString::number(gone.pid) + u'@' + QSysInfo::machineHostName(), true},
        {"run-" + QString::number(gone.pid), true},
        {"keep-" + gone.Tag(), true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(QDir().mkpath(joinPath(root, c.name + "/pictures")));
        QFile f(joinPath(root, c.name + "/pictures/a.emf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile old(joinPath(root, QStringLiteral("older.emf")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    const QString own = EnsureTempFolder();
    EXPECT_EQ(own, joinPath(root, "run-" + RunTag()));
    EXPECT_EQ(tempDir(), own);
    EXPECT_TRUE(QFileInfo(own).isDir());
    EXPECT_EQ(QFileInfo(own).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther), 0);
    for (const auto& c : cases) {
        EXPECT_EQ(QFileInfo::exists(joinPath(root, c.name)), c.stays) << c.name.toStdString();
        QDir(joinPath(root, c.name)).removeRecursively();
    }
    QFile picture(joinPath(own, QStringLiteral("wave.emf")));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    ClearTempFolder(own);
    EXPECT_FALSE(QFileInfo::exists(own));
    EXPECT_NE(tempDir(), own);
    // Not the run's: stays.
    EXPECT_TRUE(QFileInfo::exists(old.fileName()));
    QFile::remove(old.fileName());
}

namespace {

// KEV_DUX_HOME pointed elsewhere for a test, and back after it.
struct HomeOverride {
    QByteArray saved = qgetenv("KEV_DUX_HOME");
    explicit HomeOverride(const QString& home) { qputenv("KEV_DUX_HOME", QFile::encodeName(home)); }
    ~HomeOverride() { qputenv("KEV_DUX_HOME", saved); }
};

} // namespace

// A state folder that is not there yet is made with its parents, then
// "Temp" and the run's folder in it. One that cannot be made leaves the run
// without a folder: its temporary files go nowhere (not into a shared
// "Temp"), and what is in the way is named.
TEST(Paths, TheStateFolderIsMadeWithItsParentsOrWhatIsInTheWayNamed) {
    QTemporaryDir tmp;
    const QString fresh = tmp.filePath(QStringLiteral("new/state"));
    {
        const HomeOverride home(fresh);
        const QString own = EnsureTempFolder();
        ASSERT_FALSE(own.isEmpty());
        EXPECT_EQ(QFileInfo(own).absolutePath(), fresh + QStringLiteral("/Temp"));
        EXPECT_EQ(tempDir(), own);
        EXPECT_FALSE(MissingRunFolder());
        ClearTempFolder(own);
        EXPECT_TRUE(QFileInfo(fresh + QStringLiteral("/Temp")).isDir());
        EXPECT_FALSE(QFileInfo::exists(own));
    }

    const QString file = tmp.filePath(QStringLiteral("file"));
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    const QString dangling = tmp.filePath(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(tmp.filePath(QStringLiteral("nowhere")), dangling));
    const struct {
        QString home, inTheWay, says;
    } cases[] = {
        {file + QStringLiteral("/state"), file, QStringLiteral("【%1】不是文件夹").arg(file)},
        {dangling + QStringLiteral("/state"), dangling,
         QStringLiteral("【%1】是一个指向不存在之处的链接").arg(dangling)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.home.toStdString());
        const HomeOverride home(c.home);
        TempFolderProblem problem;
        EXPECT_TRUE(EnsureTempFolder(&problem).isEmpty());
        EXPECT_EQ(problem.path, c.inTheWay);
        ASSERT_TRUE(MissingRunFolder());
        EXPECT_TRUE(tempDir().isEmpty());
        EXPECT_TRUE(problem.Text(false).contains(c.says)) << problem.Text(false).toStdString();
        EXPECT_TRUE(problem.Text(true).contains(c.inTheWay)) << problem.Text(true).toStdString();
        ClearTempFolder(QString()); // the run without a folder ends
        EXPECT_FALSE(MissingRunFolder());
    }
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("nowhere"))));
}

// Qt has no text for a write the full disk cut short ("Unknown error"): a
// file error names the system's cause, in the language asked.
TEST(FileErrors, AFailedDeviceWriteNamesTheSystemsCause) {
    QFile device(QStringLiteral("/dev/full"));
    ASSERT_TRUE(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    errno = 0;
    ASSERT_EQ(device.write(QByteArray(64, 'x')), -1);
    const FileError e = FileError::fromDevice(device, FileCause::DiskFull);
    EXPECT_EQ(e.cause(), FileCause::DiskFull);
    EXPECT_EQ(e.message(false), QStringLiteral("文件“/dev/full”：磁盘已满（磁盘空间不足）"));
    EXPECT_EQ(e.message(true), QStringLiteral("File \"/dev/full\": disk full (no space left on the disk)"));
}

// The console shows every character of a message: control characters
// (a NUL in a listed path) as escapes.
TEST(MessageSink, ControlCharactersAreShownAsEscapes) {
    const QString text = QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0x1B) +
                         QStringLiteral("[1m\tc\nd") + QChar(0x7F) + QChar(0x85) + QStringLiteral("e桩");
    EXPECT_EQ(VisibleControls(text), QStringLiteral("a\\0b\\x1b[1m\tc\nd\\x7f\\x85e桩"));
}

TEST(MessageSink, DefaultButtonsAndScriptedAnswers) {
    EXPECT_EQ(defaultResultForType(MB_OK), IDOK);
    EXPECT_EQ(defaultResultForType(MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(defaultResultForType(MB_YESNO | MB_DEFBUTTON3), IDYES); // no third button: the first
    EXPECT_EQ(buttonsForType(MB_ABORTRETRYIGNORE), (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));

    ScriptedMessageSink sink;
    sink.answers.push_back(IDNO);
    AppContext ctx;
    ctx.messages = &sink;
    ctx.english = true;
    EXPECT_EQ(ctx.message("中文", "English", "提示", "Tips", MB_YESNO), IDNO);
    EXPECT_EQ(ctx.message("a", "b", "c", "d", MB_OKCANCEL), IDOK);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("English"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("Tips"));
}

TEST(Metrics, ScaleAndTextSplitting) {
    EXPECT_EQ(ScreenScalePercentFrom(1920, 1920), 100);
    EXPECT_EQ(ScreenScalePercentFrom(2880, 1920), 150);
    EXPECT_EQ(ScreenScalePercentFrom(100, 0), 100);
    EXPECT_EQ(ScreenScalePercentFrom(0, 100), 100);
    EXPECT_EQ(GetScreenScalePercent(), 100); // no GUI application here

    auto measure = [](const QString& s) { return int(s.size()) * 10; };
    struct Case {
        const char* text;
        int width;
        const char *head, *rest;
    } cases[] = {
        {"abcdef", 35, "abc", "def"},
        {"abcdef", 100, "abcdef", ""},
        {"abcdef", 5, "abcdef", ""},
        {"a", 1, "a", ""},
        {"", 10, "", ""},
    };
    for (const Case& c : cases) {
        QString head, rest = "stale";
        EXPECT_EQ(SplitTextAtWidth(measure, c.text, rest, head, c.width), 1);
        EXPECT_EQ(head, QString(c.head)) << c.text << " " << c.width;
        EXPECT_EQ(rest, QString(c.rest)) << c.text << " " << c.width;
    }
    EXPECT_EQ(GetDefaultPrinterDC(), nullptr);
}

TEST(SafeText, OnlyWhatXml10AllowsIsKeptAndFileNamesAreSafe) {
    const QString lone = QString(QChar(0xD800));
    const QString pair = QString::fromUtf16(u"\U0001F600");
    struct Case {
        QString text, xml, name;
    } cases[] = {
        {QStringLiteral("ZK-1 桩"), QStringLiteral("ZK-1 桩"), QStringLiteral("ZK-1 桩")},
        {QStringLiteral("a") + QChar(0x01) + QStringLiteral("b") + QChar(0x1B) + QStringLiteral("[1mc") +
             QChar(0x0B) + QStringLiteral("d"),
         QStringLiteral("ab[1mcd"), QStringLiteral("a_b_[1mc_d")},
        {QStringLiteral("tab\tlf\ncr\r"), QStringLiteral("tab\tlf\ncr\r"), QStringLiteral("tab_lf_cr_")},
        {QStringLiteral("x") + QChar(0xFFFE) + QChar(0xFFFF) + QChar(0xFFFD),
         QStringLiteral("x") + QChar(0xFFFD), QStringLiteral("x__") + QChar(0xFFFD)},
        {lone + pair + lone, pair, QStringLiteral("_") + pair + QStringLiteral("_")},
        {QStringLiteral("a/b\\c:*?\"<>|\x7F"), QStringLiteral("a/b\\c:*?\"<>|\x7F"),
         QStringLiteral("a_b_c________")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(XmlSafeText(c.text), c.xml);
        EXPECT_EQ(FileNamePart(c.text), c.name);
        // The UTF-8 form drops the same characters (lone surrogates never reach UTF-8).
        std::string utf8 = c.text.toStdString();
        const bool dropped = DropNonXmlChars(utf8);
        if (!c.text.contains(lone)) {
            EXPECT_EQ(QString::fromStdString(utf8), c.xml);
            EXPECT_EQ(dropped, c.xml != c.text);
            EXPECT_EQ(HasNonXmlChars(c.text.toStdString().c_str()), dropped);
        }
    }
}

// Drawn text shows what the documents show: their breaks stay breaks in
// lines, one space each on a single line; every other control character,
// DEL and what XML refuses are gone.
TEST(SafeText, DrawnTextKeepsWhatTheDocumentsShow) {
    const QString pair = QString::fromUtf16(u"\U0001F600");
    struct Case {
        QString text, lines, single;
    } cases[] = {
        {QStringLiteral("ZK-1 桩 & A"), QStringLiteral("ZK-1 桩 & A"), QStringLiteral("ZK-1 桩 & A")},
        {QStringLiteral("a") + QChar(0x01) + QStringLiteral("b") + QChar(0x1B) + QStringLiteral("c") +
             QChar(0x7F) + QChar(0x1F) + QChar(0x00) + QStringLiteral("d"),
         QStringLiteral("abcd"), QStringLiteral("abcd")},
        {QStringLiteral("one\r\ntwo\rthree\nfour") + QChar(0x0B) + QStringLiteral("five"),
         QStringLiteral("one\r\ntwo\rthree\nfour\nfive"), QStringLiteral("one two three four five")},
        {QStringLiteral("\ttab\t"), QStringLiteral("\ttab\t"), QStringLiteral("\ttab\t")},
        {QStringLiteral("x") + QChar(0xFFFE) + QChar(0xD800) + pair + QChar(0x0C), QStringLiteral("x") + pair,
         QStringLiteral("x") + pair},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(DrawnText(c.text, false), c.lines);
        EXPECT_EQ(DrawnText(c.text, true), c.single);
    }
}
