#include "core/doc/LanguageFiles.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;

namespace {

void writeText(const QString& path, const QByteArray& utf8) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(utf8);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A language folder and a state folder in one temporary directory.
struct LangFixture {
    QTemporaryDir dir;
    QString langDir = dir.filePath(QStringLiteral("lang"));
    QString stateDir = dir.filePath(QStringLiteral("mini"));
    LangFixture() {
        QDir().mkpath(langDir);
        QDir().mkpath(stateDir);
    }
    void addLanguage(const QString& name, int id, const QByteArray& body = {}) {
        writeText(QDir(langDir).filePath(name + QStringLiteral(".lng")),
                  "[Language]\nLanguage=" + QByteArray::number(id) + "\nDescription=" + name.toUtf8() + "\n" +
                      body);
    }
    LanguageFiles files() const {
        return LanguageFiles(langDir, QDir(stateDir).filePath(QStringLiteral("KEV_DUX.ini")));
    }
};

} // namespace

TEST(LanguageFiles, LanguageIdFileIsOneArchivedString) {
    EXPECT_EQ(ArchiveStringBytes(QStringLiteral("2052")),
              QByteArray::fromHex("FFFEFF04320030003500320000").left(12));
    const QString longText(300, u'中');
    const QByteArray longBytes = ArchiveStringBytes(longText);
    EXPECT_EQ(longBytes.left(6), QByteArray::fromHex("FFFEFFFF2C01"));
    EXPECT_EQ(ParseArchiveString(longBytes), longText);
    EXPECT_EQ(ParseArchiveString(QByteArray::fromHex("0431303333")), QStringLiteral("1033")) << "8-bit form";
    EXPECT_EQ(ParseArchiveString(QByteArray::fromHex("FFFEFF0432003000")), std::nullopt) << "cut short";
    EXPECT_EQ(ParseArchiveString(QByteArray()), std::nullopt);
}

TEST(LanguageFiles, IdFilePathChangesOnlyTheExtension) {
    LangFixture fx;
    EXPECT_EQ(fx.files().LanguageIdPath(), QDir(fx.stateDir).filePath(QStringLiteral("KEV_DUX.txt")));
    EXPECT_TRUE(fx.files().LanguageIdPath().contains(QStringLiteral("/mini/")));
}

TEST(LanguageFiles, StartUpChoosesTheFirstFileWithTheStoredLanguage) {
    struct Case {
        const char* name;
        const char* stored; // null: no language-id file
        int found;
        bool english;
        const char* active; // file name of the active language file
    } cases[] = {
        {"no id file: Chinese", nullptr, 2052, false, "Chinese.lng"},
        {"English", "1033", 1033, true, "English.lng"},
        {"Chinese file", "2052", 2052, false, "Chinese.lng"},
        {"unknown id", "1041", 0, false, ""},
        {"zero", "0", 0, false, ""},
        {"Russian", "1049", 1049, false, "ru.lng"},
    };
    for (const Case& c : cases) {
        LangFixture fx;
        fx.addLanguage(QStringLiteral("English"), 1033);
        fx.addLanguage(QStringLiteral("English2"), 1033); // sorted after English: never chosen
        fx.addLanguage(QStringLiteral("Chinese"), 2052);
        fx.addLanguage(QStringLiteral("ru"), 1049);
        fx.addLanguage(QStringLiteral("broken"), 0);
        LanguageFiles files = fx.files();
        if (c.stored)
            ASSERT_TRUE(WriteStringToFile(files.LanguageIdPath(), QString::fromLatin1(c.stored)));
        EXPECT_EQ(files.LoadLanguageSetting(), c.found) << c.name;
        EXPECT_EQ(files.IsEnglish(), c.english) << c.name;
        EXPECT_EQ(files.StartupEnglish(), c.english) << c.name;
        EXPECT_EQ(QFileInfo(files.ActivePath()).fileName(), QString::fromLatin1(c.active)) << c.name;
        if (c.found) {
            // The choice is stored again in both setting files.
            EXPECT_EQ(ReadProfileInt(files.ProgramIniPath(), QStringLiteral("Main"),
                                     QStringLiteral("Language"), -1),
                      c.found);
            EXPECT_EQ(files.ReadLanguageSetting(), c.found);
        }
    }
}

TEST(LanguageFiles, PlainIdFileAndTheProgramsOwnLanguageFolder) {
    // The state folder (KEV_DUX_HOME) holds no language file; the program's
    // folder holds English.lng; the id file was written by hand.
    LangFixture fx;
    const QString programDir = fx.dir.filePath(QStringLiteral("program"));
    QDir().mkpath(programDir);
    writeText(QDir(programDir).filePath(QStringLiteral("English.lng")),
              "[Language]\nLanguage=1033\nDescription=English\n[String]\n7=from the program\n");
    LanguageFiles files(fx.langDir, QDir(fx.stateDir).filePath(QStringLiteral("KEV_DUX.ini")), programDir);
    for (const QByteArray& plain : {QByteArray("1033"), QByteArray(" 1033\r\n")}) {
        writeText(files.LanguageIdPath(), plain);
        EXPECT_EQ(files.ReadLanguageSetting(), 1033) << plain.constData();
    }
    writeText(files.LanguageIdPath(), "English");
    EXPECT_EQ(files.ReadLanguageSetting(), 2052); // no number: the default
    writeText(files.LanguageIdPath(), "1033");
    EXPECT_EQ(files.LoadLanguageSetting(), 1033);
    EXPECT_TRUE(files.IsEnglish());
    EXPECT_EQ(files.LoadLangString(7), QStringLiteral("from the program"));
    // A file of the same name in the state folder comes first.
    fx.addLanguage(QStringLiteral("English"), 1033, "[String]\n7=from the state folder\n");
    EXPECT_EQ(files.LanguageFilePaths().size(), 1);
    files.LoadLanguageSetting();
    EXPECT_EQ(files.LoadLangString(7), QStringLiteral("from the state folder"));
}

TEST(LanguageFiles, LookupsUseOnlyNonEmptyTexts) {
    LangFixture fx;
    fx.addLanguage(QStringLiteral("English"), 1033,
                   "[100]\n100=About KEV\n1080=\n[128]\n57601=&Open...\tCtrl+O\n|0=&File\n|0|3=Recent\n"
                   "[String]\n61446=Line one~Line two\n61447=\n");
    LanguageFiles files = fx.files();
    files.SetBuiltinStrings({{61447, QStringLiteral("内置~文本")}, {61448, QStringLiteral("仅内置")}});
    EXPECT_EQ(files.DialogText(100, 100), std::nullopt) << "no active file yet";
    EXPECT_EQ(files.LoadLangString(61447), QStringLiteral("内置\n文本"));

    files.SetActivePath(QDir(fx.langDir).filePath(QStringLiteral("English.lng")));
    EXPECT_EQ(files.DialogText(100, 100), QStringLiteral("About KEV"));
    EXPECT_EQ(files.DialogText(100, 1080), std::nullopt) << "an empty value keeps the resource text";
    EXPECT_EQ(files.DialogText(100, 9999), std::nullopt);
    EXPECT_EQ(files.MenuText(128, QStringLiteral("57601")), QStringLiteral("&Open...\tCtrl+O"));
    EXPECT_EQ(files.MenuText(128, LanguageFiles::PopupKey(QString(), 0)), QStringLiteral("&File"));
    EXPECT_EQ(files.MenuText(128, LanguageFiles::PopupKey(QStringLiteral("|0"), 3)),
              QStringLiteral("Recent"));
    EXPECT_EQ(files.LoadLangString(61446), QStringLiteral("Line one\nLine two"));
    EXPECT_EQ(files.LoadLangString(61447), QStringLiteral("内置\n文本"))
        << "empty value: the program's own text";
    EXPECT_EQ(files.LoadLangString(61448), QStringLiteral("仅内置"));
    EXPECT_EQ(files.LoadLangString(1), std::nullopt);
}

TEST(LanguageFiles, MenuListsAtMostFiftyLanguageFiles) {
    LangFixture fx;
    for (int k = 0; k < 52; ++k)
        fx.addLanguage(QStringLiteral("L%1").arg(k, 2, 10, QLatin1Char('0')), 3000 + k);
    fx.addLanguage(QStringLiteral("A-none"), 0);
    LanguageFiles files = fx.files();
    ASSERT_TRUE(WriteStringToFile(files.LanguageIdPath(), QStringLiteral("3049")));
    EXPECT_EQ(files.BuildLanguageMenu(), 5100);
    const auto& e = files.MenuEntries();
    ASSERT_EQ(e.size(), 50u);
    EXPECT_EQ(e.front().id, 5051);
    EXPECT_EQ(e.front().text, QStringLiteral("L00"));
    EXPECT_EQ(e.back().id, 5100);
    EXPECT_EQ(e.back().text, QStringLiteral("L49"));
}

TEST(LanguageFiles, MenuNamesFollowTheStoredLanguage) {
    LangFixture fx;
    fx.addLanguage(QStringLiteral("English"), 1033);
    fx.addLanguage(QStringLiteral("简体中文"), 2052);
    for (int stored : {1033, 2052}) {
        LanguageFiles files = fx.files();
        ASSERT_TRUE(WriteStringToFile(files.LanguageIdPath(), QString::number(stored)));
        const int checked = files.BuildLanguageMenu();
        QStringList texts;
        for (const LanguageMenuEntry& e : files.MenuEntries())
            texts << e.text;
        if (stored == 1033) {
            EXPECT_EQ(texts, (QStringList{"English", "Chinese"}));
            EXPECT_EQ(checked, 5051);
        } else {
            EXPECT_EQ(texts, (QStringList{"英文", "简体中文"}));
            EXPECT_EQ(checked, 5052);
        }
        // The file behind an entry is kept, whatever the menu shows.
        EXPECT_TRUE(files.MenuEntries()[1].path.endsWith(QStringLiteral("简体中文.lng")));
        EXPECT_EQ(files.GetLanguageDescription(5052), QStringLiteral("简体中文"));
    }
}

TEST(LanguageFiles, MenuChoiceIsStoredAndAppliesAtTheNextStart) {
    LangFixture fx;
    fx.addLanguage(QStringLiteral("English"), 1033);
    fx.addLanguage(QStringLiteral("UK"), 1033);
    fx.addLanguage(QStringLiteral("简体中文"), 2052);
    LanguageFiles files = fx.files();
    ASSERT_TRUE(WriteStringToFile(files.LanguageIdPath(), QStringLiteral("1033")));
    ASSERT_EQ(files.LoadLanguageSetting(), 1033);
    files.BuildLanguageMenu(); // English 5051, UK 5052, 简体中文 5053

    // Another English file: same interface language, takes over at once.
    EXPECT_TRUE(files.SelectLanguageItem(5052));
    EXPECT_TRUE(files.ActivePath().endsWith(QStringLiteral("UK.lng")));
    EXPECT_EQ(files.CheckedItem(), 5052);

    // Chinese: stored, but the running program stays English.
    EXPECT_FALSE(files.SelectLanguageItem(5053));
    EXPECT_TRUE(files.IsEnglish());
    EXPECT_TRUE(files.ActivePath().endsWith(QStringLiteral("UK.lng")));
    EXPECT_EQ(files.ReadLanguageSetting(), 2052);
    EXPECT_EQ(ReadProfileInt(files.ProgramIniPath(), QStringLiteral("Main"), QStringLiteral("Language"), -1),
              2052);
    EXPECT_EQ(readBytes(files.LanguageIdPath()), QByteArray::fromHex("FFFEFF04320030003500320000").left(12));

    // The "no language file" item stores 0.
    EXPECT_FALSE(files.SelectLanguageItem(5050));
    EXPECT_EQ(files.ReadLanguageSetting(), 0);
    EXPECT_EQ(files.CheckedItem(), 5050);
}
