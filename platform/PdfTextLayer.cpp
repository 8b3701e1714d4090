#include "platform/PdfTextLayer.h"

#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <QFont>
#include <QGuiApplication>
#include <QRawFont>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

namespace pit {

namespace {

// The CJK radicals supplement has no compatibility decomposition: its forms
// are found by the glyph they share with an ideograph in the CJK faces.
const std::map<char32_t, char32_t>& SupplementRadicals() {
    static const std::map<char32_t, char32_t> table = [] {
        std::map<char32_t, char32_t> t;
        if (!QGuiApplication::instance())
            return t;
        for (const char* family : {"Noto Sans CJK SC", "Noto Serif CJK SC"}) {
            const QRawFont raw = QRawFont::fromFont(QFont(QString::fromLatin1(family)));
            if (!raw.isValid())
                continue;
            QString ideographs;
            for (char32_t c = 0x4E00; c <= 0x9FFF; ++c)
                ideographs += QChar(char16_t(c));
            const QList<quint32> glyphs = raw.glyphIndexesForString(ideographs);
            std::map<quint32, char32_t> byGlyph;
            for (qsizetype i = 0; i < glyphs.size(); ++i)
                if (glyphs[i] != 0)
                    byGlyph.emplace(glyphs[i], char32_t(0x4E00 + i));
            QString radicals;
            for (char32_t c = 0x2E80; c <= 0x2EFF; ++c)
                radicals += QChar(char16_t(c));
            const QList<quint32> own = raw.glyphIndexesForString(radicals);
            for (qsizetype i = 0; i < own.size(); ++i)
                if (own[i] != 0)
                    if (auto it = byGlyph.find(own[i]); it != byGlyph.end())
                        t.emplace(char32_t(0x2E80 + i), it->second);
        }
        return t;
    }();
    return table;
}

bool IsHex(const QByteArray& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(uchar(c)); });
}

// The character a glyph of the subset shows. The Latin faces draw a space
// and a tab with one glyph, so the subset names the tab: a glyph of a
// control character can only be blank, and reads back as a space (0 stays:
// it marks the missing glyph).
char32_t ShownCharacter(char32_t c) {
    return c > 0 && c < 0x20 ? char32_t(0x20) : IdeographOfRadical(c);
}

// A destination <XXXX> of one code unit, mapped; other destinations as they are.
QByteArray MapDestination(const QByteArray& hex) {
    if (hex.size() != 4 || !IsHex(hex))
        return hex;
    const char32_t c = char32_t(hex.toUInt(nullptr, 16));
    const char32_t m = ShownCharacter(c);
    return m == c ? hex : QByteArray::number(uint(m), 16).toUpper().rightJustified(4, '0');
}

// The <...> tokens of a line, with their positions.
struct Token {
    qsizetype at, length; // of the hex digits
    QByteArray hex;
};
std::vector<Token> HexTokens(const QByteArray& line) {
    std::vector<Token> out;
    qsizetype i = 0;
    while ((i = line.indexOf('<', i)) >= 0) {
        const qsizetype end = line.indexOf('>', i);
        if (end < 0)
            break;
        out.push_back({i + 1, end - i - 1, line.mid(i + 1, end - i - 1)});
        i = end + 1;
    }
    return out;
}

// One line of a bfrange or bfchar section with its destinations mapped. An
// incremental range that runs over radicals becomes an array when grow is set.
QByteArray RewriteLine(const QByteArray& line, bool range, bool grow) {
    std::vector<Token> t = HexTokens(line);
    if (t.size() < 2)
        return line;
    const bool array = range && line.contains('[');
    if (range && !array && t.size() == 3 && t[2].hex.size() == 4 && IsHex(t[0].hex) && IsHex(t[1].hex) &&
        IsHex(t[2].hex)) {
        const uint lo = t[0].hex.toUInt(nullptr, 16), hi = t[1].hex.toUInt(nullptr, 16);
        const uint first = t[2].hex.toUInt(nullptr, 16);
        if (hi < lo || hi - lo > 0xFFFF)
            return line;
        bool changes = false;
        for (uint k = 0; k <= hi - lo && !changes; ++k)
            changes = ShownCharacter(char32_t(first + k)) != char32_t(first + k);
        if (!changes)
            return line;
        if (hi == lo) {
            QByteArray out = line;
            out.replace(t[2].at, t[2].length, MapDestination(t[2].hex));
            return out;
        }
        if (!grow)
            return line;
        QByteArray out = '<' + t[0].hex + "> <" + t[1].hex + "> [";
        for (uint k = 0; k <= hi - lo; ++k)
            out += '<' + MapDestination(QByteArray::number(first + k, 16).toUpper().rightJustified(4, '0')) +
                   "> ";
        out += ']';
        return out;
    }
    // Array ranges and single characters: every destination after the sources.
    QByteArray out = line;
    const size_t firstDestination = range ? 2 : 1;
    for (size_t k = t.size(); k-- > firstDestination;)
        out.replace(t[k].at, t[k].length, MapDestination(t[k].hex));
    return out;
}

QByteArray RewriteCMap(const QByteArray& cmap, bool grow) {
    QList<QByteArray> lines = cmap.split('\n');
    enum { None, Range, Char } section = None;
    for (QByteArray& line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.endsWith("beginbfrange"))
            section = Range;
        else if (trimmed.endsWith("beginbfchar"))
            section = Char;
        else if (trimmed == "endbfrange" || trimmed == "endbfchar")
            section = None;
        else if (section != None)
            line = RewriteLine(line, section == Range, grow);
    }
    return lines.join('\n');
}

struct Edit {
    qsizetype at, length;
    QByteArray bytes;
};

// The offsets of the cross-reference table's entries, and where its
// entries and the startxref number sit; false for a file of another shape.
struct XrefTable {
    qsizetype table = -1;     // "xref" keyword
    qsizetype startxref = -1; // the number after "startxref\n"
    qsizetype startxrefLength = 0;
    std::vector<qsizetype> entries; // positions of the 10-digit offsets of in-use objects
};
bool ReadXref(const QByteArray& pdf, XrefTable& x) {
    const qsizetype key = pdf.lastIndexOf("startxref");
    if (key < 0)
        return false;
    qsizetype p = key + 9;
    while (p < pdf.size() && (pdf[p] == '\n' || pdf[p] == '\r' || pdf[p] == ' '))
        ++p;
    qsizetype e = p;
    while (e < pdf.size() && std::isdigit(uchar(pdf[e])))
        ++e;
    bool ok = false;
    x.table = pdf.mid(p, e - p).toLongLong(&ok);
    if (!ok || x.table < 0 || !pdf.mid(x.table).startsWith("xref"))
        return false;
    x.startxref = p;
    x.startxrefLength = e - p;
    qsizetype at = pdf.indexOf('\n', x.table) + 1;
    static const QRegularExpression subsection(QStringLiteral("^(\\d+) (\\d+)\\s*$"));
    for (;;) {
        const qsizetype eol = pdf.indexOf('\n', at);
        if (eol < 0)
            return false;
        const QString head = QString::fromLatin1(pdf.mid(at, eol - at));
        const QRegularExpressionMatch m = subsection.match(head);
        if (!m.hasMatch())
            return head.trimmed() == QStringLiteral("trailer");
        at = eol + 1;
        const int count = m.captured(2).toInt();
        for (int i = 0; i < count; ++i, at += 20) {
            if (at + 20 > pdf.size())
                return false;
            if (pdf[at + 17] == 'n')
                x.entries.push_back(at);
        }
    }
}

} // namespace

char32_t IdeographOfRadical(char32_t c) {
    if (c >= 0x2F00 && c <= 0x2FD5) {
        const QString folded = QString(QChar(char16_t(c))).normalized(QString::NormalizationForm_KC);
        return folded.size() == 1 ? char32_t(folded[0].unicode()) : c;
    }
    if (c >= 0x2E80 && c <= 0x2EFF) {
        const auto& t = SupplementRadicals();
        const auto it = t.find(c);
        return it == t.end() ? c : it->second;
    }
    return c;
}

QByteArray RepairPdfTextLayer(const QByteArray& pdf) {
    XrefTable xref;
    const bool canGrow = ReadXref(pdf, xref);
    std::vector<Edit> edits;
    static const QRegularExpression lengthKey(QStringLiteral("/Length (\\d+)"));
    qsizetype from = 0;
    for (qsizetype cmap; (cmap = pdf.indexOf("begincmap", from)) >= 0; from = cmap + 9) {
        // The stream around it and the length its dictionary gives.
        const qsizetype keyword = pdf.lastIndexOf("stream", cmap);
        const qsizetype object = pdf.lastIndexOf(" obj", keyword);
        if (keyword < 0 || object < 0)
            continue;
        qsizetype start = keyword + 6;
        if (pdf.mid(start, 2) == "\r\n")
            start += 2;
        else if (pdf[start] == '\n')
            start += 1;
        const QString dict = QString::fromLatin1(pdf.mid(object, keyword - object));
        const QRegularExpressionMatch m = lengthKey.match(dict);
        if (!m.hasMatch())
            continue;
        const qsizetype length = m.captured(1).toLongLong();
        if (start + length > pdf.size() || cmap < start || cmap >= start + length ||
            pdf.indexOf("endstream", start + length) < 0)
            continue;
        const QByteArray content = pdf.mid(start, length);
        const QByteArray fixed = RewriteCMap(content, canGrow);
        if (fixed == content)
            continue;
        if (fixed.size() != content.size())
            edits.push_back(
                {object + m.capturedStart(1), m.capturedLength(1), QByteArray::number(fixed.size())});
        edits.push_back({start, length, fixed});
    }
    if (edits.empty())
        return pdf;
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    auto shift = [&edits](qsizetype at) {
        qsizetype d = 0;
        for (const Edit& e : edits)
            if (e.at < at)
                d += e.bytes.size() - e.length;
        return d;
    };
    bool grown = false;
    for (const Edit& e : edits)
        grown = grown || e.bytes.size() != e.length;
    if (grown) {
        // The cross-reference table names every object by its offset.
        for (qsizetype at : xref.entries) {
            const qsizetype offset = pdf.mid(at, 10).toLongLong();
            edits.push_back({at, 10, QByteArray::number(offset + shift(offset)).rightJustified(10, '0')});
        }
        edits.push_back(
            {xref.startxref, xref.startxrefLength, QByteArray::number(xref.table + shift(xref.table))});
        std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    }
    QByteArray out;
    out.reserve(pdf.size() + 1024);
    qsizetype at = 0;
    for (const Edit& e : edits) {
        out += pdf.mid(at, e.at - at);
        out += e.bytes;
        at = e.at + e.length;
    }
    out += pdf.mid(at);
    return out;
}

bool RepairPdfTextLayerFile(const QString& path, QString* why, bool english) {
    try {
        const QByteArray pdf = readWholeFile(path);
        const QByteArray fixed = RepairPdfTextLayer(pdf);
        if (fixed != pdf)
            writeFileAtomic(path, fixed);
        return true;
    } catch (const FileError& e) {
        if (why)
            *why = e.message(english);
        return false;
    }
}

} // namespace pit
