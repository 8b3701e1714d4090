// INI-syntax files with the semantics of the Windows private-profile calls:
// case-insensitive sections and keys, the first match wins, values trimmed and
// stripped of one pair of enclosing quotes, an empty value gives the default,
// and writes change the file in place (a missing key is added at the end of
// its section, a missing section at the end of the file). Lines we do not
// understand are kept as they are.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace pit {

class IniFile {
public:
    enum class Encoding { Gb18030, Utf8, Utf8Bom, Utf16Le, Utf16Be };

    IniFile() = default;

    // Reads path; a missing file gives an empty profile (false). The file's
    // encoding is detected and kept for save().
    bool load(const QString& path);
    void loadFromBytes(const QByteArray& bytes);
    // Whole-file atomic rewrite in the file's own encoding (GB18030 for a new one).
    // Throws FileError.
    void save(const QString& path) const;
    // save() that gives false instead of throwing FileError.
    bool trySave(const QString& path) const;
    QByteArray toBytes() const;

    Encoding encoding() const { return m_encoding; }
    void setEncoding(Encoding e) { m_encoding = e; }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // The leading decimal integer of the value (with sign), 0 when it has none;
    // the default when the key is missing or empty.
    int readInt(const QString& section, const QString& key, int def) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);
    void removeKey(const QString& section, const QString& key);
    void removeSection(const QString& section);

private:
    struct Line {
        QString text; // the line as read or written, without its end of line
        int kind = 0; // 0 other, 1 section header, 2 key=value
        QString name; // section name or key, trimmed
    };
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;
    int sectionEnd(int sectionLine) const;
    static Line parse(const QString& text);

    std::vector<Line> m_lines;
    Encoding m_encoding = Encoding::Gb18030;
};

// Reads one value without keeping the file (GetPrivateProfileString).
QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& def = {});
int ReadProfileInt(const QString& path, const QString& section, const QString& key, int def);
// Changes one value and rewrites the file (WritePrivateProfileString).
void WriteProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value);

} // namespace pit
