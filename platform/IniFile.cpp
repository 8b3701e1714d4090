#include "platform/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace pit {

namespace {

bool isValidUtf8(const QByteArray& b) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        int follow = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            follow = 1, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3, cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= follow; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((follow == 2 && cp < 0x800) || (follow == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += follow + 1;
    }
    return true;
}

bool isAscii(const QByteArray& b) {
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QString stripQuotes(QString v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

} // namespace

IniFile::Line IniFile::parse(const QString& text) {
    Line line{text, 0, {}};
    const QString t = text.trimmed();
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            line.kind = 1;
            line.name = t.mid(1, close - 1).trimmed();
        }
        return line;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq > 0) {
        line.kind = 2;
        line.name = text.left(eq).trimmed();
    }
    return line;
}

bool IniFile::load(const QString& path) {
    m_lines.clear();
    m_encoding = Encoding::Gb18030;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    loadFromBytes(f.readAll());
    return true;
}

void IniFile::loadFromBytes(const QByteArray& bytes) {
    m_lines.clear();
    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16Le;
        text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16Be;
        text = QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_encoding = Encoding::Utf8Bom;
        text = QString::fromUtf8(bytes.mid(3));
    } else if (!isAscii(bytes) && isValidUtf8(bytes)) {
        m_encoding = Encoding::Utf8;
        text = QString::fromUtf8(bytes);
    } else {
        m_encoding = Encoding::Gb18030;
        text = CodePage("GB18030").toUnicode(bytes);
    }
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString l = lines[i];
        if (l.endsWith(u'\r'))
            l.chop(1);
        if (i == lines.size() - 1 && l.isEmpty())
            break; // the end of line of the last line
        m_lines.push_back(parse(l));
    }
}

QByteArray IniFile::toBytes() const {
    QString text;
    for (const Line& l : m_lines) {
        text += l.text;
        text += QStringLiteral("\r\n");
    }
    switch (m_encoding) {
    case Encoding::Utf16Le:
        return QByteArray("\xFF\xFE") + QStringEncoder(QStringEncoder::Utf16LE)(text);
    case Encoding::Utf16Be:
        return QByteArray("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE)(text);
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Gb18030:
        break;
    }
    return CodePage("GB18030").fromUnicode(text);
}

void IniFile::save(const QString& path) const {
    writeFileAtomic(path, toBytes());
}

bool IniFile::trySave(const QString& path) const {
    try {
        save(path);
    } catch (const FileError&) {
        return false;
    }
    return true;
}

int IniFile::findSection(const QString& section) const {
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == 1 && m_lines[i].name.compare(section, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int IniFile::sectionEnd(int sectionLine) const {
    size_t i = size_t(sectionLine) + 1;
    while (i < m_lines.size() && m_lines[i].kind != 1)
        ++i;
    return int(i);
}

int IniFile::findKey(int sectionLine, const QString& key) const {
    if (sectionLine < 0)
        return -1;
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i)
        if (m_lines[size_t(i)].kind == 2 && m_lines[size_t(i)].name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool IniFile::hasSection(const QString& section) const {
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    return findKey(findSection(section), key) >= 0;
}

QStringList IniFile::sections() const {
    QStringList out;
    for (const Line& l : m_lines)
        if (l.kind == 1)
            out << l.name;
    return out;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList out;
    const int s = findSection(section);
    if (s < 0)
        return out;
    const int end = sectionEnd(s);
    for (int i = s + 1; i < end; ++i)
        if (m_lines[size_t(i)].kind == 2)
            out << m_lines[size_t(i)].name;
    return out;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const int k = findKey(findSection(section), key);
    if (k < 0)
        return def;
    const QString& t = m_lines[size_t(k)].text;
    const QString v = stripQuotes(t.mid(t.indexOf(u'=') + 1).trimmed());
    return v.isEmpty() ? def : v;
}

int IniFile::readInt(const QString& section, const QString& key, int def) const {
    const QString v = readString(section, key);
    if (v.isEmpty())
        return def;
    return atoiC(v.toLatin1().constData());
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString text = key + u'=' + value;
    int s = findSection(section);
    if (s < 0) {
        m_lines.push_back(parse(u'[' + section + u']'));
        m_lines.push_back(parse(text));
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        m_lines[size_t(k)] = parse(text);
        return;
    }
    // After the section's last non-blank line.
    int at = sectionEnd(s);
    while (at - 1 > s && m_lines[size_t(at - 1)].text.trimmed().isEmpty())
        --at;
    m_lines.insert(m_lines.begin() + at, parse(text));
}

void IniFile::writeInt(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::removeKey(const QString& section, const QString& key) {
    const int k = findKey(findSection(section), key);
    if (k >= 0)
        m_lines.erase(m_lines.begin() + k);
}

void IniFile::removeSection(const QString& section) {
    const int s = findSection(section);
    if (s >= 0)
        m_lines.erase(m_lines.begin() + s, m_lines.begin() + sectionEnd(s));
}

QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& def) {
    IniFile ini;
    ini.load(path);
    return ini.readString(section, key, def);
}

int ReadProfileInt(const QString& path, const QString& section, const QString& key, int def) {
    IniFile ini;
    ini.load(path);
    return ini.readInt(section, key, def);
}

void WriteProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value) {
    IniFile ini;
    ini.load(path);
    ini.writeString(section, key, value);
    ini.save(path);
}

} // namespace pit
