// The text layer of the PDF files Qt writes. Its font subsets map every glyph
// back to the lowest code point that shows it, and the CJK faces draw an
// ideograph and the radical of the same form (工 and ⼯, 大 and ⼤) with one
// glyph: the text reads back as radicals, and a search for a name finds
// nothing; the Latin faces draw a space with the glyph of the tab, and
// "JGJ 106-2014" reads back with a tab. The repair maps those radicals back
// to their ideographs and blank glyphs of control characters to spaces.
#pragma once

#include <QByteArray>
#include <QString>

namespace pit {

// The ideograph a CJK radical (Kangxi radicals, CJK radicals supplement)
// stands for; other code points as they are.
char32_t IdeographOfRadical(char32_t c);

// The PDF file's bytes with the radicals of its ToUnicode maps replaced by
// their ideographs and its control characters by spaces; stream lengths and
// the cross-reference table follow. Bytes it cannot read as such a file
// come back unchanged.
QByteArray RepairPdfTextLayer(const QByteArray& pdf);

// The same for a file, rewritten in place when anything changed; false with
// a reason when it cannot be read or written.
bool RepairPdfTextLayerFile(const QString& path, QString* why = nullptr, bool english = false);

} // namespace pit
