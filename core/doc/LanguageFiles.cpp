#include "core/doc/LanguageFiles.h"

#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pit {

namespace {

const QString kLanguageSection = QStringLiteral("Language");

void writeLength(ByteWriter& w, quint32 n) {
    if (n < 0xFF) {
        w.u8(uint8_t(n));
    } else if (n < 0xFFFE) {
        w.u8(0xFF);
        w.u16(uint16_t(n));
    } else {
        w.u8(0xFF);
        w.u16(0xFFFF);
        w.u32(n);
    }
}

// The length prefix; *unicode is set when the marker 0xFFFE comes first.
quint32 readLength(ByteReader& r, bool* unicode) {
    const uint8_t b = r.u8();
    if (b < 0xFF)
        return b;
    const uint16_t w = r.u16();
    if (w == 0xFFFE) {
        *unicode = true;
        return readLength(r, unicode);
    }
    if (w < 0xFFFF)
        return w;
    return r.u32();
}

} // namespace

QByteArray ArchiveStringBytes(const QString& text) {
    ByteWriter w;
    w.u8(0xFF);
    w.u16(0xFFFE);
    writeLength(w, quint32(text.size()));
    for (QChar c : text)
        w.u16(c.unicode());
    return w.take();
}

std::optional<QString> ParseArchiveString(const QByteArray& bytes) {
    try {
        ByteReader r(bytes);
        bool unicode = false;
        const quint32 n = readLength(r, &unicode);
        if (unicode) {
            if (n > r.remaining() / 2)
                return std::nullopt;
            QString s;
            s.reserve(qsizetype(n));
            for (quint32 i = 0; i < n; ++i)
                s.append(QChar(char16_t(r.u16())));
            return s;
        }
        if (n > r.remaining())
            return std::nullopt;
        const auto b = r.bytes(n);
        return CodePage::system().toUnicode(reinterpret_cast<const char*>(b.data()), n);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

bool WriteStringToFile(const QString& path, const QString& text) {
    try {
        writeFileAtomic(path, ArchiveStringBytes(text));
    } catch (const FileError&) {
        return false;
    }
    return true;
}

std::optional<QString> ReadWholeTextFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseArchiveString(f.readAll());
}

LanguageFiles::LanguageFiles(QString languageDir, QString programIni, QString extraDir)
    : m_languageDir(std::move(languageDir)), m_programIni(std::move(programIni)),
      m_extraDir(std::move(extraDir)) {}

LanguageFiles::LanguageFiles()
    : LanguageFiles(resourceDir(), joinPath(stateDir(), QStringLiteral("KEV_DUX.ini")),
                    installedResourceDir()) {}

LanguageFiles& LanguageFiles::instance() {
    static LanguageFiles files;
    return files;
}

QString LanguageFiles::LanguageIdPath() const {
    // Only the extension changes: a folder named "mini" stays as it is.
    const QFileInfo fi(m_programIni);
    return joinPath(fi.path(), fi.completeBaseName() + QStringLiteral(".txt"));
}

int LanguageFiles::ReadLanguageSetting() const {
    QFile f(LanguageIdPath());
    if (!f.open(QIODevice::ReadOnly))
        return kChinese;
    const QByteArray bytes = f.readAll();
    if (const std::optional<QString> text = ParseArchiveString(bytes))
        return atoiC(*text);
    // Written by hand: "1033" as plain text.
    const std::optional<int> plain = parseInt(QString::fromLatin1(bytes).trimmed());
    return plain ? *plain : kChinese;
}

int LanguageFiles::FileLanguage(const QString& path) {
    IniFile ini;
    if (!ini.load(path))
        return 0;
    return ini.readInt(kLanguageSection, kLanguageSection, 0);
}

QStringList LanguageFiles::LanguageFilePaths() const {
    QStringList out;
    QStringList names;
    for (const QString& dir : {m_languageDir, m_extraDir}) {
        if (dir.isEmpty() || (dir != m_languageDir && QDir(dir) == QDir(m_languageDir)))
            continue;
        const QFileInfoList files =
            QDir(dir).entryInfoList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& fi : files) {
            if (names.contains(fi.fileName(), Qt::CaseInsensitive))
                continue;
            names << fi.fileName();
            out << fi.absoluteFilePath();
        }
    }
    return out;
}

void LanguageFiles::SetEnglishFrom(int identifier) {
    if (identifier == 0 || identifier == kChinese)
        m_english = false;
    else if (identifier == kEnglish)
        m_english = true;
}

void LanguageFiles::SetActivePath(const QString& path) {
    m_activePath = path;
    m_active = IniFile();
    if (!path.isEmpty())
        m_active.load(path);
}

int LanguageFiles::LoadLanguageSetting() {
    const int stored = ReadLanguageSetting();
    int found = 0;
    if (stored != 0) {
        for (const QString& path : LanguageFilePaths()) {
            if (FileLanguage(path) == stored) {
                SetActivePath(path);
                found = stored;
                SelectLanguage(found);
                break;
            }
        }
    }
    SetEnglishFrom(found);
    m_startupEnglish = m_english;
    return found;
}

void LanguageFiles::SelectLanguage(int identifier) {
    // Failures to store the choice are not reported: it only applies at the next start.
    try {
        WriteProfileString(m_programIni, QStringLiteral("Main"), QStringLiteral("Language"),
                           QString::number(identifier));
    } catch (const FileError&) {
    }
    WriteStringToFile(LanguageIdPath(), QString::number(identifier));
}

int LanguageFiles::BuildLanguageMenu() {
    const int setting = ReadLanguageSetting();
    m_entries.clear();
    m_checkedItem = kMenuFirstId;
    int lastId = kMenuFirstId;
    for (const QString& path : LanguageFilePaths()) {
        const int language = FileLanguage(path);
        if (language == 0)
            continue;
        if (lastId >= kMenuLastId)
            break;
        LanguageMenuEntry e;
        e.id = ++lastId;
        e.path = path;
        e.language = language;
        e.text = QFileInfo(path).completeBaseName();
        if (setting == kEnglish) {
            if (e.text == QStringLiteral("简体中文"))
                e.text = QStringLiteral("Chinese");
        } else if (e.text == QStringLiteral("English")) {
            e.text = QStringLiteral("英文");
        }
        if (language == setting && m_checkedItem == kMenuFirstId)
            m_checkedItem = e.id;
        m_entries.push_back(e);
    }
    return m_checkedItem;
}

bool LanguageFiles::SelectLanguageItem(int item) {
    const bool previousEnglish = m_english;
    const QString previousPath = m_activePath;
    int identifier = 0;
    const LanguageMenuEntry* entry = nullptr;
    for (const LanguageMenuEntry& e : m_entries)
        if (e.id == item)
            entry = &e;
    if (!entry) {
        m_checkedItem = kMenuFirstId;
        SetActivePath(QString());
    } else {
        m_checkedItem = item;
        SetActivePath(entry->path);
        identifier = FileLanguage(entry->path);
    }
    SetEnglishFrom(identifier);
    const bool moves = m_english == m_startupEnglish;
    if (!moves) {
        m_english = previousEnglish;
        SetActivePath(previousPath);
    }
    SelectLanguage(identifier);
    return moves;
}

QString LanguageFiles::GetLanguageDescription(int item) const {
    for (const LanguageMenuEntry& e : m_entries) {
        if (e.id != item)
            continue;
        IniFile ini;
        ini.load(e.path);
        const QString d = ini.readString(kLanguageSection, QStringLiteral("Description"));
        if (!d.isEmpty())
            return d;
        break;
    }
    return LoadLangString(kDescriptionString).value_or(QString());
}

std::optional<QString> LanguageFiles::Text(const QString& section, const QString& key) const {
    if (!HasActive())
        return std::nullopt;
    const QString v = m_active.readString(section, key);
    if (v.isEmpty())
        return std::nullopt;
    return v;
}

std::optional<QString> LanguageFiles::DialogText(unsigned dialogId, unsigned ctrlId) const {
    return Text(QString::number(dialogId), QString::number(ctrlId));
}

std::optional<QString> LanguageFiles::MenuText(unsigned menuId, const QString& key) const {
    return Text(QString::number(menuId), key);
}

std::function<std::optional<QString>(const QString&)> LanguageFiles::Section(unsigned id) const {
    return [this, section = QString::number(id)](const QString& key) { return Text(section, key); };
}

QString LanguageFiles::PopupKey(const QString& parentKey, int position) {
    return parentKey + u'|' + QString::number(position);
}

std::optional<QString> LanguageFiles::LoadLangString(unsigned id) const {
    std::optional<QString> s = Text(QStringLiteral("String"), QString::number(id));
    if (!s) {
        const auto it = m_builtin.find(id);
        if (it == m_builtin.end())
            return std::nullopt;
        s = it->second;
    }
    s->replace(u'~', u'\n');
    return s;
}

} // namespace pit
