// Device points, sizes and rectangles with the platform's conventions:
// integer device units, right and bottom exclusive, y growing downwards.
#pragma once

#include <QRect>
#include <algorithm>
#include <utility>

namespace gdi {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle whose right and bottom edges lie outside it: (0, 0, 10, 5)
// covers the pixels 0..9 across and 0..4 down.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    constexpr bool PtInRect(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr Point TopLeft() const { return {left, top}; }
    constexpr Point BottomRight() const { return {right, bottom}; }
    constexpr Point CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }
    constexpr void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    constexpr void InflateRect(int dx, int dy) {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    constexpr void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    constexpr void NormalizeRect() {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
    }
    // The common part of a and b; empty (all zero) when they do not meet.
    static constexpr Rect Intersect(const Rect& a, const Rect& b) {
        Rect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom));
        return r.IsRectEmpty() ? Rect() : r;
    }

    QRect toQRect() const { return QRect(left, top, Width(), Height()); }
    static Rect fromQRect(const QRect& r) {
        return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace gdi
