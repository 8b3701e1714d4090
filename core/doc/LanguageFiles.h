// Interface language files: *.lng files in INI syntax that translate dialogs
// (section = dialog id, key = control id), menus (command ids and "parent|pos"
// keys of pop-ups) and strings (section "String", "~" for a line break); the
// choice of the active file from the language-id file named after the
// program; the entries of the View/Language menu.
#pragma once

#include "platform/IniFile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace pit {

// A string as the framework's archive stores it: 0xFF 0xFE 0xFF, the length
// in characters (one byte, or 0xFF and a 16-bit or 32-bit length), then UTF-16LE.
QByteArray ArchiveStringBytes(const QString& text);
// Also reads the 8-bit form (a length, then code-page bytes). Nothing on damage.
std::optional<QString> ParseArchiveString(const QByteArray& bytes);
// Atomic; false when it cannot be written.
bool WriteStringToFile(const QString& path, const QString& text);
std::optional<QString> ReadWholeTextFile(const QString& path);

struct LanguageMenuEntry {
    int id = 0;       // 5051 ..
    QString text;     // what the menu shows
    QString path;     // the language file it stands for
    int language = 0; // its "Language" identifier
};

class LanguageFiles {
public:
    static constexpr int kChinese = 2052;
    static constexpr int kEnglish = 1033;
    static constexpr int kMenuFirstId = 5050; // the "no language file" item
    static constexpr int kMenuLastId = 5100;
    static constexpr int kDescriptionString = 5051;

    // languageDir: where the *.lng files are; programIni: the program's INI
    // file, whose name with ".txt" is the language-id file. extraDir: a
    // second folder of language files (a name found in both is taken from languageDir).
    LanguageFiles(QString languageDir, QString programIni, QString extraDir = {});
    // resourceDir() and the program's own resource folder (they differ under
    // KEV_DUX_HOME) for the language files, stateDir()/KEV_DUX.ini.
    LanguageFiles();

    // The program-wide instance the windows translate themselves through.
    static LanguageFiles& instance();

    const QString& LanguageDir() const { return m_languageDir; }
    const QString& ProgramIniPath() const { return m_programIni; }
    QString LanguageIdPath() const;

    // The stored identifier: the archived string the program writes, or the
    // number as plain text; 2052 when the language-id file cannot be read.
    int ReadLanguageSetting() const;
    // Start-up: picks the first language file carrying the stored identifier,
    // stores the choice again and sets the English flag. Returns the
    // identifier of the chosen file, 0 when none.
    int LoadLanguageSetting();
    // Stores identifier as the choice for the next start (program INI and language-id file).
    void SelectLanguage(int identifier);

    // The *.lng files (sorted by name, any case) with a non-zero identifier,
    // at most ids 5051..5100. Returns the id of the item to check (5050 when none).
    int BuildLanguageMenu();
    const std::vector<LanguageMenuEntry>& MenuEntries() const { return m_entries; }
    int CheckedItem() const { return m_checkedItem; }
    // A menu choice: stored for the next start. Returns true when the radio
    // check moves to it (the running program keeps its language otherwise).
    bool SelectLanguageItem(int item);
    // The "Description" of the item's file, else string 5051, else empty.
    QString GetLanguageDescription(int item) const;

    bool IsEnglish() const { return m_english; }
    bool StartupEnglish() const { return m_startupEnglish; }
    const QString& ActivePath() const { return m_activePath; }
    bool HasActive() const { return !m_activePath.isEmpty(); }
    // Loads path as the active language file (empty: none).
    void SetActivePath(const QString& path);

    // Non-empty texts of the active file only; nothing otherwise.
    std::optional<QString> Text(const QString& section, const QString& key) const;
    std::optional<QString> DialogText(unsigned dialogId, unsigned ctrlId) const;
    std::optional<QString> MenuText(unsigned menuId, const QString& key) const;
    // The texts of one dialog or menu section, for the widget translators
    // (TranslateWidgetTree, TranslateMenuBar in controls/).
    std::function<std::optional<QString>(const QString& key)> Section(unsigned id) const;
    // The key of a pop-up item: its parent's key, "|" and its position.
    static QString PopupKey(const QString& parentKey, int position);

    // Section "String" of the active file, else the program's own table; "~"
    // becomes a line break either way. Nothing when neither holds the id.
    std::optional<QString> LoadLangString(unsigned id) const;
    void SetBuiltinStrings(std::map<unsigned, QString> table) { m_builtin = std::move(table); }

    // The "Language" identifier of a file, 0 when it is no language file.
    static int FileLanguage(const QString& path);
    QStringList LanguageFilePaths() const;

private:
    void SetEnglishFrom(int identifier);

    QString m_languageDir;
    QString m_programIni;
    QString m_extraDir;
    QString m_activePath;
    IniFile m_active;
    bool m_english = false;
    bool m_startupEnglish = false;
    std::vector<LanguageMenuEntry> m_entries;
    int m_checkedItem = kMenuFirstId;
    std::map<unsigned, QString> m_builtin;
};

} // namespace pit
