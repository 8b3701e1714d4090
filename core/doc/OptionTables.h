// Program-wide vocabulary of the pile records and reports: concrete grades,
// integrity classes, pile shapes, instrument models, test standards, font
// sizes, the colour-picker entries and three shared pens. Every accessor is
// checked: an index outside its table gives an empty text.
#pragma once

#include "platform/Color.h"

#include <QPen>
#include <QString>
#include <span>

namespace pit::options {

struct NamedColor {
    COLORREF color;
    const char* name;
};

int GradeCount(); // 19: "C15" .. "C105"
QString Grade(int index);
// The grade shown and printed for a stored index: one outside the list is the first.
int ShownGradeIndex(int index);
int ClassCount(); // 5: "I" .. "V"
QString ClassName(int index);
QString PileShape(int index, bool english); // 0 round, 1 square
// 0 or 1 for a shape name of either language; -1 for any other text.
int PileShapeIndex(const QString& name);
int InstrumentModelCount(); // 11
QString InstrumentModel(int index);
int TestStandardCount(); // 11
QString TestStandard(int index);
int FontSizeCount();                        // 23 in each table
QString FontSizeName(int table, int index); // table 0 or 1
std::span<const NamedColor> PickerColors();

// Pens of the sunken borders of the colour controls (solid, width 1).
const QPen& ShadowPen();
const QPen& WhitePen();
const QPen& BlackPen();

} // namespace pit::options
