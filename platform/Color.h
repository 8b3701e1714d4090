// COLORREF (0x00BBGGRR, red in the low byte) as the files and settings store it.
#pragma once

#include <QColor>
#include <cstdint>

namespace pit {

using COLORREF = uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(uint8_t(r)) | (COLORREF(uint8_t(g)) << 8) | (COLORREF(uint8_t(b)) << 16);
}
constexpr int GetRValue(COLORREF c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return int((c >> 16) & 0xFF);
}

inline QColor toQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF toColorRef(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace pit
