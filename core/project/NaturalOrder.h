// Natural order of names: runs of digits compare by value ("P2" before "P10").
#pragma once

#include <QString>

namespace pit {

// Three-way natural comparison (<0, 0, >0). An empty text comes first; a text
// that begins with a digit comes before one that begins with another
// character; then the texts are compared run by run: digit runs by numeric
// value (any length), other runs by their UTF-16 code units. Texts that differ
// only in leading zeros compare equal. This is a strict weak ordering, so it
// may drive std::sort; callers break ties themselves.
int CompareNatural(const QString& a, const QString& b);

inline bool NaturalLess(const QString& a, const QString& b) {
    return CompareNatural(a, b) < 0;
}

// The file-name order of the conversion dialogs: natural, then plain text so
// that names differing only in leading zeros keep a fixed order.
bool CompareFileNamesNatural(const QString& a, const QString& b);

} // namespace pit
