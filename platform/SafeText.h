// Text that every file we write can hold: the characters XML 1.0 allows in
// documents, workbooks and the record log, and names a file system takes.
// Pile texts come from instruments and from pasting, so they may carry
// control characters that no XML reader accepts.
#pragma once

#include <QString>
#include <string>

namespace pit {

// Tab, line feed, carriage return, U+0020..U+D7FF, U+E000..U+FFFD and U+10000..U+10FFFF.
constexpr bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The text without the characters XML 1.0 does not allow (lone surrogates included).
QString XmlSafeText(const QString& text);

// The same on UTF-8 text in place; true when something was dropped.
bool DropNonXmlChars(std::string& utf8);
// Whether DropNonXmlChars would change the text (a quick scan, no copy).
bool HasNonXmlChars(const char* utf8);

// Text as a page draws it, with the characters the documents show: what
// XML 1.0 does not allow and DEL are dropped, so no device draws a gap for
// a glyph that no font has. The documents' line breaks (CR LF, CR, LF, VT)
// stay breaks (VT as LF) in text laid out in lines; a single line shows
// each as one space, so the words on either side stay apart.
QString DrawnText(const QString& text, bool singleLine);

// Text as part of a file name: \ / : * ? " < > |, control characters and
// what XML does not allow become "_", so the name is the same on every
// system and can be written into a document.
QString FileNamePart(const QString& text);

} // namespace pit
