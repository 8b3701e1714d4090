// The device-context canvas: what the drawing code expects of a Windows DC,
// on top of any QPainter (widget, image, printer, PDF, metafile, recorder).
#pragma once

#include "platform/Color.h"
#include "platform/GdiRect.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

class QPainterPath;

namespace pit {
class EmfDevice;
}

namespace gdi {

using pit::COLORREF;

// Pen styles and the ExtCreatePen flags that the drawing code uses.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_USERSTYLE = 7;
constexpr int PS_STYLE_MASK = 0x0000000F;
constexpr int PS_ENDCAP_ROUND = 0x00000000;
constexpr int PS_ENDCAP_SQUARE = 0x00000100;
constexpr int PS_ENDCAP_FLAT = 0x00000200;
constexpr int PS_ENDCAP_MASK = 0x00000F00;
constexpr int PS_JOIN_ROUND = 0x00000000;
constexpr int PS_JOIN_BEVEL = 0x00001000;
constexpr int PS_JOIN_MITER = 0x00002000;
constexpr int PS_JOIN_MASK = 0x0000F000;
constexpr int PS_COSMETIC = 0x00000000;
constexpr int PS_GEOMETRIC = 0x00010000;

struct Pen {
    int style = PS_SOLID; // style | end cap | join | type, as CreatePen and ExtCreatePen take it
    int width = 1;        // device units; 0 draws one unit wide
    COLORREF color = 0;
    // PS_USERSTYLE: on, off, on, ... in device units. A geometric pen of a
    // stock style (PS_DASH..PS_DASHDOTDOT) may carry the pattern it is drawn
    // with on pixels; metafiles keep its stock style.
    std::vector<int> dashes;

    static Pen Create(int style, int width, COLORREF color) { return Pen{style, width, color, {}}; }
    static Pen Ext(int style, int width, COLORREF color, std::vector<int> dashes = {}) {
        return Pen{style, width, color, std::move(dashes)};
    }
    static Pen Null() { return Pen{PS_NULL, 1, 0, {}}; }
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    bool null = false;
    COLORREF color = 0xFFFFFF;

    static Brush Solid(COLORREF c) { return Brush{false, c}; }
    static Brush Null() { return Brush{true, 0}; }
    friend bool operator==(const Brush&, const Brush&) = default;
};

// The face of a font that names none, as a device's default font has one:
// the sans face of the font substitutions. Left to Qt, an empty face takes
// the first installed family, which may be a symbol face.
inline QString DefaultFace() {
    return QStringLiteral("Arial");
}

// A font as CreateFont describes it. height > 0 is the cell height in device
// units (ascent + descent), height < 0 the character height (the em size),
// 0 the device's default of 12 points. An empty face is the default face.
struct Font {
    QString face = DefaultFace();
    int height = 0;
    int weight = 0; // 100..900; 0 is normal (400)
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    static Font Create(int height, int weight, const QString& face) { return Font{face, height, weight}; }
    friend bool operator==(const Font&, const Font&) = default;
};

struct TextMetrics {
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
};

// DrawText format bits.
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_EXPANDTABS = 0x0040;
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_EXTERNALLEADING = 0x0200;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_NOPREFIX = 0x0800;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// The pen a GDI+ curve is drawn with: real width, dash style 0 solid,
// 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot (dash lengths scale with the width).
struct SmoothPen {
    COLORREF color = 0;
    double width = 1.0;
    int dashStyle = 0;
};

// The QPen a GDI pen draws with: cosmetic dash patterns only at width 1,
// styled pens wider than 1 solid, user dashes and caps for geometric pens.
QPen QtPen(const Pen& pen);
// The stock style (PS_DASH..PS_DASHDOTDOT) a pen is drawn dashed with; 0 for
// a solid line or a user pattern.
int DashedStockStyle(const Pen& pen);

// The QFont whose cell height (ascent + descent) is `cellHeight` device
// units, as large as fits; pixel sizes, never point sizes.
QFont FontForCellHeight(const QString& face, int weight, int cellHeight);

class Canvas {
public:
    // dpi 0 takes the device's logical resolution; printing defaults to
    // whether the painter paints on a printer.
    explicit Canvas(QPainter& painter, int dpiX = 0, int dpiY = 0,
                    std::optional<bool> printing = std::nullopt);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Direct painter access; the canvas sets its pen again before its next line.
    QPainter& painter() {
        m_penLive = false;
        return m_painter;
    }

    // LOGPIXELSX and LOGPIXELSY of the device.
    int dpiX() const { return m_dpiX; }
    int dpiY() const { return m_dpiY; }
    bool isPrinting() const { return m_printing; }

    // Selection: each returns what was selected before, to select back.
    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    Font SelectFont(const Font& font);
    const Pen& GetPen() const { return m_pen; }
    const Brush& GetBrush() const { return m_brush; }
    const Font& GetFont() const { return m_font; }

    COLORREF SetTextColor(COLORREF c);
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const { return m_bkColor; }
    int SetBkMode(int mode);
    int GetBkMode() const { return m_bkMode; }
    int SetPolyFillMode(int mode);

    // Viewport origin: where logical (0, 0) lands on the device.
    Point SetViewportOrg(int x, int y);
    Point GetViewportOrg() const { return m_viewportOrg; }
    // World transform of the advanced graphics mode: QTransform(eM11, eM12,
    // eM21, eM22, eDx, eDy) maps as XFORM does; applied before the origin.
    void SetWorldTransform(const QTransform& xform);
    void ResetWorldTransform() { SetWorldTransform(QTransform()); }

    // Clipping. SelectClipRect takes device units and replaces the clip;
    // IntersectClipRect and ExcludeClipRect take logical units.
    void SelectClipRect(const Rect& deviceRect);
    void SelectClipRegion(const QRegion& deviceRegion);
    void RemoveClip();
    void IntersectClipRect(const Rect& r);
    void ExcludeClipRect(const Rect& r);
    std::optional<QRegion> GetClipRegion() const { return m_clip; }

    void MoveTo(int x, int y);
    void MoveTo(Point p) { MoveTo(p.x, p.y); }
    void LineTo(int x, int y);
    void LineTo(Point p) { LineTo(p.x, p.y); }
    Point GetCurrentPosition() const { return m_current; }
    void Polyline(const Point* points, int count);
    void Polyline(const std::vector<Point>& points) { Polyline(points.data(), int(points.size())); }
    void Polygon(const Point* points, int count);
    void Polygon(const std::vector<Point>& points) { Polygon(points.data(), int(points.size())); }
    // A polygon filled with the brush and no outline (a filled polygon region).
    void FillPolygon(const std::vector<Point>& points, const Brush& brush, int fillMode);
    void Rectangle(const Rect& r);
    void Rectangle(int l, int t, int r, int b) { Rectangle(Rect(l, t, r, b)); }
    void Ellipse(const Rect& r);
    void FillRect(const Rect& r, const Brush& brush);
    void FillSolidRect(const Rect& r, COLORREF c) { FillRect(r, Brush::Solid(c)); }
    void FrameRect(const Rect& r, const Brush& brush);

    // Cubic Bézier segments through 1 + 3n points, antialiased, GDI+ style.
    void DrawBeziers(const std::vector<QPointF>& points, const SmoothPen& pen);

    // Copies an image into dest (stretched when the sizes differ).
    void DrawImage(const Rect& dest, const QImage& image);

    void TextOut(int x, int y, const QString& text);
    // Returns the height of the text; with DT_CALCRECT only measures and sets
    // rect's right and bottom (left and top stay).
    int DrawText(const QString& text, Rect& rect, unsigned format);
    Size GetTextExtent(const QString& text);
    TextMetrics GetTextMetrics();
    const QFont& qfont();

private:
    void applyTransform();
    void applyClip();
    void applyPen();
    void applyTextPen();
    const QFontMetrics& metrics();
    void drawRun(int x, int top, const QString& run, int lineHeight);
    void hairline(const QPainterPath& path, const QPen& pen);
    QTransform logicalToDevice() const;

    QPainter& m_painter;
    int m_dpiX;
    int m_dpiY;
    bool m_printing;
    QTransform m_base;
    std::optional<QRegion> m_baseClip;

    Pen m_pen;
    QPen m_qpen;
    Brush m_brush;
    Font m_font;
    std::optional<QFont> m_qfont;
    std::optional<QFontMetrics> m_metrics;
    std::map<std::pair<QString, std::pair<int, int>>, QFont> m_fontCache;
    COLORREF m_textColor = 0;
    COLORREF m_bkColor = 0xFFFFFF;
    int m_bkMode = OPAQUE;
    int m_fillMode = ALTERNATE;
    Point m_viewportOrg;
    QTransform m_world;
    std::optional<QRegion> m_clip;
    Point m_current;
    bool m_penLive = false;          // the painter holds the selected pen and background
    pit::EmfDevice* m_emf = nullptr; // the metafile painted on, told each pen's stock style
    bool m_textAsOutlines = false;   // a recorded picture (the print preview): texts drawn as shapes
    bool m_hairlines = false;        // a recorded picture: every stroke traced one screen pixel wide too
};

} // namespace gdi
