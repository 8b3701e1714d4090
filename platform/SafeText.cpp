#include "platform/SafeText.h"

#include <QStringView>
#include <algorithm>

namespace pit {

namespace {

// Code points of text in order; a lone surrogate comes out as itself (not an XML character).
template <typename F> void forEachCodePoint(const QString& text, F&& f) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text[i + 1]), i, 2);
            ++i;
        } else {
            f(char32_t(c.unicode()), i, 1);
        }
    }
}

// Bytes of one bad character starting at p, or 0 when p starts a good one.
// Only what Qt's encoder and a parsed XML part can hold is looked for:
// C0 controls, U+FFFE/U+FFFF and encoded surrogates.
size_t badAt(const unsigned char* p) {
    const unsigned char b = p[0];
    if (b < 0x20)
        return (b == 0x9 || b == 0xA || b == 0xD) ? 0 : 1;
    if (b == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF))
        return 3;
    if (b == 0xED && p[1] >= 0xA0 && p[1] <= 0xBF && p[2] >= 0x80 && p[2] <= 0xBF)
        return 3;
    return 0;
}

} // namespace

QString XmlSafeText(const QString& text) {
    bool clean = true;
    forEachCodePoint(text, [&](char32_t c, qsizetype, int) { clean = clean && IsXmlChar(c); });
    if (clean)
        return text;
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype at, int len) {
        if (IsXmlChar(c))
            out += QStringView(text).mid(at, len);
    });
    return out;
}

bool HasNonXmlChars(const char* utf8) {
    for (auto p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p)
        if (badAt(p))
            return true;
    return false;
}

bool DropNonXmlChars(std::string& utf8) {
    if (!HasNonXmlChars(utf8.c_str()))
        return false;
    std::string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.c_str());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (const size_t bad = badAt(p)) {
            p += bad;
            continue;
        }
        out += char(*p++);
    }
    utf8.swap(out);
    return true;
}

QString DrawnText(const QString& text, bool singleLine) {
    // Most texts hold none of it: the same string back, no copy.
    const bool clean = std::none_of(text.begin(), text.end(), [singleLine](QChar ch) {
        const char16_t c = ch.unicode();
        if (c < 0x20)
            return c != 0x9 && (singleLine || (c != 0xA && c != 0xD));
        return c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE;
    });
    if (clean)
        return text;
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype at, int len) {
        if (c == 0xA || c == 0xD || c == 0xB) {
            if (!singleLine)
                out += c == 0xB ? u'\n' : QChar(char16_t(c));
            else if (!(c == 0xA && at > 0 && text[at - 1] == u'\r')) // CR LF is one break
                out += u' ';
        } else if (c != 0x7F && IsXmlChar(c)) {
            out += QStringView(text).mid(at, len);
        }
    });
    return out;
}

QString FileNamePart(const QString& text) {
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype at, int len) {
        const bool reserved = c < 0x80 && QStringView(u"\\/:*?\"<>|").contains(QChar(char16_t(c)));
        if (reserved || c == 0x7F || c < 0x20 || !IsXmlChar(c))
            out += u'_';
        else
            out += QStringView(text).mid(at, len);
    });
    return out;
}

} // namespace pit
