#include "core/doc/OptionTables.h"

#include <array>

namespace pit::options {

namespace {

template <size_t N> QString at(const std::array<const char*, N>& table, int index) {
    if (index < 0 || size_t(index) >= N)
        return {};
    return QString::fromUtf8(table[size_t(index)]);
}

constexpr std::array<const char*, 5> kClasses = {"I", "II", "III", "IV", "V"};
constexpr std::array<const char*, 2> kShapesZh = {"圆桩", "方桩"};
constexpr std::array<const char*, 2> kShapesEn = {"Round pile", "Square pile"};
constexpr std::array<const char*, 11> kModels = {"KEV-DUX(W)", "KEV-TIMBO",  "KEV-DUX(T)", "KEV-DUX",
                                                 "KEV-WEP",    "KEV-WEP(F)", "KEV-DUX(M)", "KEV-WEP(A)",
                                                 "KEV-WEP(B)", "KEV-DUX(N)", "KEV-DUX(S)"};
constexpr std::array<const char*, 11> kStandards = {
    "JGJ 106-2014", "ASTM D5882-07", "TB 10218-2008", "JTG/T F81-01-2004", "DBJ 15-60-2008", "SJG 09-2015",
    "JGJ 340-2015", "JTJ 249-2001",  "TB 10218-2019", "DBJ/T 15-60-2019",  "JTG/T 3512—2020"};
constexpr std::array<const char*, 23> kFontSizes1 = {
    "8",    "9(小五号)", "10",         "11",       "12(小四号)", "14(四号)",   "16(三号)", "18(小二号)",
    "20",   "22(二号)",  "24(小一号)", "26(一号)", "28",         "36(小初号)", "48",       "72",
    "初号", "小三号",    "五号",       "六号",     "小六号",     "七号",       "八号"};
constexpr std::array<const char*, 23> kFontSizes2 = {
    "八号",       "七号",       "小六号",   "六号",       "8",        "9(小五号)",  "10", "五号",
    "11",         "12(小四号)", "14(四号)", "小三号",     "16(三号)", "18(小二号)", "20", "22(二号)",
    "24(小一号)", "26(一号)",   "28",       "36(小初号)", "初号",     "48",         "72"};
constexpr std::array<NamedColor, 5> kPicker = {{{RGB(0, 0, 0), "Black"},
                                                {RGB(128, 0, 0), "Maroon"},
                                                {RGB(0, 128, 0), "Green"},
                                                {RGB(128, 128, 0), "Olive"},
                                                {RGB(0, 0, 128), "Navy"}}};

} // namespace

int GradeCount() {
    return 19;
}

QString Grade(int index) {
    if (index < 0 || index >= GradeCount())
        return {};
    return QStringLiteral("C%1").arg(15 + 5 * index);
}

int ShownGradeIndex(int index) {
    return index >= 0 && index < GradeCount() ? index : 0;
}

int ClassCount() {
    return int(kClasses.size());
}
QString ClassName(int index) {
    return at(kClasses, index);
}
QString PileShape(int index, bool english) {
    return english ? at(kShapesEn, index) : at(kShapesZh, index);
}
int PileShapeIndex(const QString& name) {
    for (int i = 0; i < 2; ++i)
        if (name == PileShape(i, false) || name == PileShape(i, true))
            return i;
    return -1;
}
int InstrumentModelCount() {
    return int(kModels.size());
}
QString InstrumentModel(int index) {
    return at(kModels, index);
}
int TestStandardCount() {
    return int(kStandards.size());
}
QString TestStandard(int index) {
    return at(kStandards, index);
}
int FontSizeCount() {
    return 23;
}

QString FontSizeName(int table, int index) {
    if (table == 0)
        return at(kFontSizes1, index);
    if (table == 1)
        return at(kFontSizes2, index);
    return {};
}

std::span<const NamedColor> PickerColors() {
    return kPicker;
}

// COLOR_3DDKSHADOW of the classic Windows scheme.
const QPen& ShadowPen() {
    static const QPen pen(QColor(105, 105, 105), 1);
    return pen;
}

const QPen& WhitePen() {
    static const QPen pen(Qt::white, 1);
    return pen;
}

const QPen& BlackPen() {
    static const QPen pen(Qt::black, 1);
    return pen;
}

} // namespace pit::options
