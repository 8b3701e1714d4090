// The enhanced-metafile paint device and its engine.
#include "platform/EmfDevice.h"

#include "platform/AllocationProbe.h"
#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/Color.h"
#include "platform/FileError.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <algorithm>
#include <cmath>
#include <map>
#include <new>
#include <vector>

namespace pit {

// Record-building details, named so that a unity build can see them from EmfEngine.
namespace emfrecords {

// Record types.
enum : uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_EXTCREATEPEN = 95,
};

constexpr uint32_t kStockNullBrush = 0x80000005;
constexpr uint32_t kStockNullPen = 0x80000008;
constexpr uint32_t kSignature = 0x464D4520; // " EMF"
constexpr uint32_t kHeaderBytes = 108;      // with both header extensions
constexpr uint32_t kTransparent = 1;
constexpr uint32_t kTaBaseline = 24;
constexpr uint32_t kMmText = 1;
constexpr uint32_t kRgnCopy = 5;
constexpr uint32_t kSrcCopy = 0x00CC0020;

int32_t ToDevice(double v) {
    return int32_t(std::lround(v));
}

gdi::Point Map(const QTransform& t, const QPointF& p) {
    const QPointF d = t.map(p);
    return {ToDevice(d.x()), ToDevice(d.y())};
}

bool Fits16(const std::vector<gdi::Point>& pts) {
    return std::all_of(pts.begin(), pts.end(), [](const gdi::Point& p) {
        return p.x >= -32768 && p.x <= 32767 && p.y >= -32768 && p.y <= 32767;
    });
}

gdi::Rect BoundsOf(const std::vector<gdi::Point>& pts) {
    gdi::Rect r(pts.front().x, pts.front().y, pts.front().x, pts.front().y);
    for (const gdi::Point& p : pts) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

void PutRect(ByteWriter& w, const gdi::Rect& r) {
    w.i32(r.left);
    w.i32(r.top);
    w.i32(r.right);
    w.i32(r.bottom);
}

// The pen as GDI takes it: style bits, width, colour and user dashes.
struct PenKey {
    bool null = true;
    uint32_t style = 0;
    int32_t width = 1;
    COLORREF color = 0;
    std::vector<uint32_t> dashes;
    bool extended = false;
    friend bool operator==(const PenKey&, const PenKey&) = default;
};

// stockStyle: the GDI stock style the pen's dashes come from (0: none).
PenKey PenKeyOf(const QPen& pen, double scale, int stockStyle) {
    PenKey k;
    if (pen.style() == Qt::NoPen || pen.brush().style() == Qt::NoBrush)
        return k;
    k.null = false;
    k.color = toColorRef(pen.color());
    const double w = pen.widthF() * (pen.isCosmetic() ? 1.0 : scale);
    k.width = std::max<int32_t>(pen.isCosmetic() && pen.widthF() <= 1.0 ? 1 : 0, ToDevice(w));
    if (stockStyle >= 1 && stockStyle <= 4 && pen.style() == Qt::CustomDashLine) {
        // A pen of a stock style: a cosmetic pen of that style when one pixel
        // wide, else a geometric one, without user entries.
        k.style = uint32_t(stockStyle);
        if (k.width <= 1) {
            k.width = 1;
            return k;
        }
    } else {
        switch (pen.style()) {
        case Qt::DashLine:
            k.style = 1;
            break;
        case Qt::DotLine:
            k.style = 2;
            break;
        case Qt::DashDotLine:
            k.style = 3;
            break;
        case Qt::DashDotDotLine:
            k.style = 4;
            break;
        case Qt::CustomDashLine: {
            k.style = 7; // user style
            k.extended = true;
            const double unit = std::max(1.0, w);
            for (qreal d : pen.dashPattern())
                k.dashes.push_back(uint32_t(std::max<long>(1, std::lround(d * unit))));
            break;
        }
        default:
            k.style = 0;
            break;
        }
    }
    // Wide pens keep their ends and joins as Qt draws them.
    if (k.width > 1 || k.extended) {
        k.extended = true;
        k.style |= 0x00010000; // geometric
        switch (pen.capStyle()) {
        case Qt::SquareCap:
            k.style |= 0x100;
            break;
        case Qt::FlatCap:
            k.style |= 0x200;
            break;
        default:
            break;
        }
        switch (pen.joinStyle()) {
        case Qt::BevelJoin:
            k.style |= 0x1000;
            break;
        case Qt::MiterJoin:
        case Qt::SvgMiterJoin:
            k.style |= 0x2000;
            break;
        default:
            break;
        }
    }
    return k;
}

struct BrushKey {
    bool null = true;
    COLORREF color = 0;
    friend bool operator==(const BrushKey&, const BrushKey&) = default;
};

struct FontKey {
    QString face;
    int32_t height = 0; // negative: the em height
    int32_t weight = 400;
    int32_t escapement = 0; // tenths of a degree, counterclockwise
    bool italic = false, underline = false, strikeOut = false;
    friend bool operator==(const FontKey&, const FontKey&) = default;
};

} // namespace emfrecords

using namespace emfrecords;

// ---- the engine -----------------------------------------------------------------------------

class EmfEngine : public QPaintEngine {
public:
    explicit EmfEngine(EmfDevice* device)
        : QPaintEngine(QPaintEngine::AllFeatures &
                       ~(QPaintEngine::PatternBrush | QPaintEngine::PerspectiveTransform |
                         QPaintEngine::ConicalGradientFill | QPaintEngine::PorterDuff)),
          m_device(device) {}

    // What QPainter asks of the engine. Memory running out must not throw
    // through the painter, whose code does not pass exceptions on: the
    // picture is marked broken instead, and saving it says memory ran out.
    bool begin(QPaintDevice*) override {
        return Recording([&] { RecordBegin(); });
    }
    bool end() override {
        return Recording([&] { RecordEnd(); });
    }
    void updateState(const QPaintEngineState& state) override {
        Recording([&] { RecordState(state); });
    }
    void drawLines(const QLineF* lines, int count) override {
        Recording([&] { RecordLines(lines, count); });
    }
    void drawRects(const QRectF* rects, int count) override {
        Recording([&] { RecordRects(rects, count); });
    }
    void drawEllipse(const QRectF& r) override {
        Recording([&] { RecordEllipse(r); });
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        Recording([&] { RecordPolygon(points, count, mode); });
    }
    void drawPath(const QPainterPath& path) override {
        Recording([&] { RecordPath(path); });
    }
    void drawPoints(const QPointF* points, int count) override {
        Recording([&] { RecordPoints(points, count); });
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                   Qt::ImageConversionFlags) override {
        Recording([&] { RecordImage(r, image, sr); });
    }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        Recording([&] { RecordText(p, ti); });
    }

    void RecordBegin() {
        if (!m_started) {
            m_started = true;
            // Text is placed by its baseline and never fills its background:
            // the canvas draws opaque backgrounds itself.
            simple(EMR_SETMAPMODE, kMmText);
            simple(EMR_SETBKMODE, kTransparent);
            simple(EMR_SETTEXTALIGN, kTaBaseline);
        }
        m_transform = QTransform();
        m_pen = QPen();
        m_brush = QBrush();
    }
    void RecordEnd() {
        // The next painter starts from the defaults again.
        SelectPen(PenKey{});
        SelectBrush(BrushKey{});
    }
    Type type() const override { return Type(QPaintEngine::User + 21); }
    void SetPenStockStyle(const QPen& pen, int style) {
        m_stockPen = pen;
        m_stockStyle = style;
    }

    void RecordState(const QPaintEngineState& state) {
        const auto flags = state.state();
        if (flags & DirtyTransform)
            m_transform = state.transform();
        if (flags & DirtyPen)
            m_pen = state.pen();
        if (flags & DirtyBrush)
            m_brush = state.brush();
        if (flags & DirtyFont)
            m_font = state.font();
        if (flags & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled))
            UpdateClip();
    }

    void RecordLines(const QLineF* lines, int count) {
        for (int i = 0; i < count; ++i)
            Poly(EMR_POLYLINE16, EMR_POLYLINE,
                 {Map(m_transform, lines[i].p1()), Map(m_transform, lines[i].p2())}, true, false);
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }
    void RecordRects(const QRectF* rects, int count) {
        for (int i = 0; i < count; ++i) {
            const QRectF d = m_transform.mapRect(rects[i]);
            // GDI leaves the right and bottom edge out; Qt covers them.
            const gdi::Rect box(ToDevice(d.left()), ToDevice(d.top()), ToDevice(d.right()) + 1,
                                ToDevice(d.bottom()) + 1);
            Box(EMR_RECTANGLE, box);
        }
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }
    void RecordEllipse(const QRectF& r) {
        const QRectF d = m_transform.mapRect(r);
        const int l = int(std::floor(d.left())), t = int(std::floor(d.top()));
        Box(EMR_ELLIPSE, gdi::Rect(l, t, l + ToDevice(d.width()) + 1, t + ToDevice(d.height()) + 1));
    }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }
    void RecordPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
        if (count < 2)
            return;
        std::vector<gdi::Point> pts;
        pts.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            pts.push_back(Map(m_transform, points[i]));
        if (mode == PolylineMode) {
            Poly(EMR_POLYLINE16, EMR_POLYLINE, pts, true, false);
            return;
        }
        SetFillMode(mode == WindingMode ? 2 : 1);
        Poly(EMR_POLYGON16, EMR_POLYGON, pts, true, true);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF poly;
        for (int i = 0; i < count; ++i)
            poly << QPointF(points[i]);
        drawPolygon(poly.constData(), count, mode);
    }
    void RecordPath(const QPainterPath& path) {
        const QPainterPath d = m_transform.map(path);
        if (m_brush.style() != Qt::NoBrush) {
            SetFillMode(path.fillRule() == Qt::WindingFill ? 2 : 1);
            for (const QPolygonF& poly : d.toFillPolygons()) {
                std::vector<gdi::Point> pts;
                for (const QPointF& p : poly)
                    pts.push_back({ToDevice(p.x()), ToDevice(p.y())});
                if (pts.size() >= 3)
                    Poly(EMR_POLYGON16, EMR_POLYGON, pts, false, true);
            }
        }
        if (m_pen.style() == Qt::NoPen)
            return;
        // Each subpath: a Bézier run when it is made of cubics alone, else its polyline.
        int i = 0;
        while (i < d.elementCount()) {
            int j = i + 1;
            while (j < d.elementCount() && !d.elementAt(j).isMoveTo())
                ++j;
            bool cubic = j - i > 1;
            for (int k = i + 1; k < j; ++k)
                cubic = cubic && !d.elementAt(k).isLineTo();
            std::vector<gdi::Point> pts;
            for (int k = i; k < j; ++k)
                pts.push_back({ToDevice(d.elementAt(k).x), ToDevice(d.elementAt(k).y)});
            if (cubic && (pts.size() - 1) % 3 == 0) {
                Poly(EMR_POLYBEZIER16, EMR_POLYBEZIER, pts, true, false);
            } else if (pts.size() >= 2) {
                QPainterPath sub;
                sub.moveTo(d.elementAt(i).x, d.elementAt(i).y);
                for (int k = i + 1; k < j; ++k) {
                    const QPainterPath::Element& e = d.elementAt(k);
                    if (e.isLineTo()) {
                        sub.lineTo(e.x, e.y);
                    } else if (e.type == QPainterPath::CurveToElement && k + 2 < j) {
                        sub.cubicTo(e.x, e.y, d.elementAt(k + 1).x, d.elementAt(k + 1).y,
                                    d.elementAt(k + 2).x, d.elementAt(k + 2).y);
                        k += 2;
                    }
                }
                for (const QPolygonF& poly : sub.toSubpathPolygons()) {
                    std::vector<gdi::Point> line;
                    for (const QPointF& p : poly)
                        line.push_back({ToDevice(p.x()), ToDevice(p.y())});
                    if (line.size() >= 2)
                        Poly(EMR_POLYLINE16, EMR_POLYLINE, line, true, false);
                }
            }
            i = j;
        }
    }
    void RecordPoints(const QPointF* points, int count) {
        for (int i = 0; i < count; ++i) {
            const gdi::Point p = Map(m_transform, points[i]);
            Poly(EMR_POLYLINE16, EMR_POLYLINE, {p, {p.x + 1, p.y}}, true, false);
        }
    }
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        drawImage(r, pm.toImage(), sr, Qt::AutoColor);
    }
    void RecordImage(const QRectF& r, const QImage& image, const QRectF& sr);
    void RecordText(const QPointF& p, const QTextItem& ti);

    // ---- the file ----
    QByteArray Body() const { return m_body.data(); }
    // Nothing was lost for want of memory.
    bool Whole() const { return !m_broken; }
    uint32_t Records() const { return m_records; }
    uint16_t Handles() const { return uint16_t(std::max<size_t>(1, m_slots.size() + 1)); }
    std::optional<gdi::Rect> Bounds() const { return m_bounds; }

private:
    template <typename F> bool Recording(F&& record) noexcept {
        if (m_broken)
            return true;
        try {
            record();
        } catch (const std::bad_alloc&) {
            m_broken = true;
        }
        return true;
    }

    // Starts a record; returns its offset for the size patch.
    size_t Begin(uint32_t type) {
        ProbeAllocation(AllocSite::MetafileRecord);
        const size_t at = m_body.size();
        m_body.u32(type);
        m_body.u32(0);
        return at;
    }
    void Finish(size_t at) {
        while (m_body.size() % 4)
            m_body.u8(0);
        m_body.patchI32(at + 4, int32_t(m_body.size() - at));
        ++m_records;
    }
    void simple(uint32_t type, uint32_t value) {
        const size_t at = Begin(type);
        m_body.u32(value);
        Finish(at);
    }
    // What the picture shows of an inclusive rectangle: its part within the
    // clip and the picture, as GDI counts only clipped output in the bounds.
    std::optional<gdi::Rect> Shown(const gdi::Rect& inclusive) const {
        QRect r(QPoint(inclusive.left, inclusive.top), QPoint(inclusive.right, inclusive.bottom));
        r = r.normalized() & Visible().boundingRect();
        if (r.isEmpty())
            return std::nullopt;
        return gdi::Rect(r.left(), r.top(), r.right(), r.bottom());
    }
    // The picture's surface within the current clip, device pixels.
    QRegion Visible() const {
        QRegion v(QRect(QPoint(0, 0), m_device->Size()));
        if (m_clip)
            v &= *m_clip;
        return v;
    }
    void Grow(const gdi::Rect& drawn) {
        const std::optional<gdi::Rect> shown = Shown(drawn);
        if (!shown)
            return;
        const gdi::Rect& inclusive = *shown;
        if (!m_bounds) {
            m_bounds = inclusive;
            return;
        }
        m_bounds->left = std::min(m_bounds->left, inclusive.left);
        m_bounds->top = std::min(m_bounds->top, inclusive.top);
        m_bounds->right = std::max(m_bounds->right, inclusive.right);
        m_bounds->bottom = std::max(m_bounds->bottom, inclusive.bottom);
    }

    // ---- objects ----
    uint32_t NewSlot() {
        for (size_t i = 0; i < m_slots.size(); ++i) {
            if (!m_slots[i]) {
                m_slots[i] = true;
                return uint32_t(i + 1);
            }
        }
        m_slots.push_back(true);
        return uint32_t(m_slots.size());
    }
    void Select(uint32_t handle) { simple(EMR_SELECTOBJECT, handle); }
    void Delete(uint32_t handle) {
        if (handle & 0x80000000u)
            return;
        simple(EMR_DELETEOBJECT, handle);
        m_slots[handle - 1] = false;
    }
    void SelectPen(const PenKey& k) {
        if (m_penHandle && k == m_penKey)
            return;
        uint32_t handle = kStockNullPen;
        if (!k.null) {
            handle = NewSlot();
            if (k.extended) {
                const size_t at = Begin(EMR_EXTCREATEPEN);
                m_body.u32(handle);
                m_body.u32(0); // no brush bitmap
                m_body.u32(0);
                m_body.u32(0);
                m_body.u32(0);
                m_body.u32(k.style);
                m_body.u32(uint32_t(k.width));
                m_body.u32(0); // BS_SOLID
                m_body.u32(k.color);
                m_body.u32(0); // hatch
                m_body.u32(uint32_t(k.dashes.size()));
                for (uint32_t d : k.dashes)
                    m_body.u32(d);
                Finish(at);
            } else {
                const size_t at = Begin(EMR_CREATEPEN);
                m_body.u32(handle);
                m_body.u32(k.style);
                m_body.i32(k.width);
                m_body.i32(0);
                m_body.u32(k.color);
                Finish(at);
            }
        }
        Select(handle);
        if (m_penHandle)
            Delete(m_penHandle);
        m_penHandle = handle;
        m_penKey = k;
    }
    void SelectBrush(const BrushKey& k) {
        if (m_brushHandle && k == m_brushKey)
            return;
        uint32_t handle = kStockNullBrush;
        if (!k.null) {
            handle = NewSlot();
            const size_t at = Begin(EMR_CREATEBRUSHINDIRECT);
            m_body.u32(handle);
            m_body.u32(0); // BS_SOLID
            m_body.u32(k.color);
            m_body.u32(0);
            Finish(at);
        }
        Select(handle);
        if (m_brushHandle)
            Delete(m_brushHandle);
        m_brushHandle = handle;
        m_brushKey = k;
    }
    void SelectFont(const FontKey& k) {
        if (m_fontHandle && k == m_fontKey)
            return;
        const uint32_t handle = NewSlot();
        const size_t at = Begin(EMR_EXTCREATEFONTINDIRECTW);
        m_body.u32(handle);
        // LOGFONTW
        m_body.i32(k.height);
        m_body.i32(0); // width
        m_body.i32(k.escapement);
        m_body.i32(k.escapement); // orientation
        m_body.i32(k.weight);
        m_body.u8(k.italic ? 1 : 0);
        m_body.u8(k.underline ? 1 : 0);
        m_body.u8(k.strikeOut ? 1 : 0);
        m_body.u8(1); // DEFAULT_CHARSET
        m_body.u8(0); // out precision
        m_body.u8(0); // clip precision
        m_body.u8(0); // quality
        m_body.u8(0); // pitch and family
        m_body.fixedUtf16(k.face.left(31), 64);
        // The rest of the extended form (full name, style, script, panose) left empty.
        m_body.zeros(320 - 92);
        Finish(at);
        Select(handle);
        if (m_fontHandle)
            Delete(m_fontHandle);
        m_fontHandle = handle;
        m_fontKey = k;
    }
    void SetFillMode(uint32_t mode) {
        if (m_fillMode == mode)
            return;
        simple(EMR_SETPOLYFILLMODE, mode);
        m_fillMode = mode;
    }
    void ApplyPenAndBrush(bool usePen, bool useBrush) {
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        SelectPen(usePen ? PenKeyOf(m_pen, scale, m_pen == m_stockPen ? m_stockStyle : 0) : PenKey{});
        BrushKey b;
        if (useBrush && m_brush.style() != Qt::NoBrush) {
            b.null = false;
            b.color = toColorRef(m_brush.color());
        }
        SelectBrush(b);
    }

    // ---- drawing records ----
    void Poly(uint32_t type16, uint32_t type32, const std::vector<gdi::Point>& pts, bool usePen,
              bool useBrush) {
        if (pts.empty())
            return;
        ApplyPenAndBrush(usePen, useBrush);
        const bool small = Fits16(pts);
        const gdi::Rect bounds = BoundsOf(pts);
        const size_t at = Begin(small ? type16 : type32);
        PutRect(m_body, bounds);
        m_body.u32(uint32_t(pts.size()));
        for (const gdi::Point& p : pts) {
            if (small) {
                m_body.i16(int16_t(p.x));
                m_body.i16(int16_t(p.y));
            } else {
                m_body.i32(p.x);
                m_body.i32(p.y);
            }
        }
        Finish(at);
        Grow(bounds);
    }
    void Box(uint32_t type, const gdi::Rect& box) {
        if (box.right <= box.left || box.bottom <= box.top)
            return;
        ApplyPenAndBrush(true, true);
        const size_t at = Begin(type);
        PutRect(m_body, box);
        Finish(at);
        // Without a pen GDI fills one pixel less across and down.
        const int cut = m_penKey.null ? 2 : 1;
        Grow(gdi::Rect(box.left, box.top, box.right - cut, box.bottom - cut));
    }
    void UpdateClip() {
        std::optional<QRegion> clip;
        if (QPainter* p = painter(); p && p->hasClipping())
            clip = p->transform().map(p->clipRegion());
        if (clip == m_clip && m_clipKnown)
            return;
        // Taken as written only once the record is whole: memory may run out on the way.
        const size_t at = Begin(EMR_EXTSELECTCLIPRGN);
        if (!clip) {
            m_body.u32(0); // the default clip again
            m_body.u32(kRgnCopy);
            Finish(at);
            m_clipKnown = true;
            m_clip = clip;
            return;
        }
        const QRect bound = clip->boundingRect();
        const int n = clip->rectCount();
        m_body.u32(uint32_t(32 + 16 * n));
        m_body.u32(kRgnCopy);
        m_body.u32(32);
        m_body.u32(1); // RDH_RECTANGLES
        m_body.u32(uint32_t(n));
        m_body.u32(uint32_t(16 * n));
        PutRect(m_body, gdi::Rect::fromQRect(bound));
        for (const QRect& r : *clip)
            PutRect(m_body, gdi::Rect::fromQRect(r));
        Finish(at);
        m_clipKnown = true;
        m_clip = std::move(clip);
    }

    EmfDevice* m_device;
    ByteWriter m_body;
    uint32_t m_records = 0;
    bool m_broken = false;
    bool m_started = false;
    std::optional<gdi::Rect> m_bounds;
    std::vector<bool> m_slots;
    QTransform m_transform;
    QPen m_pen;
    QPen m_stockPen; // the pen the canvas last said is of a stock style
    int m_stockStyle = 0;
    QBrush m_brush;
    QFont m_font;
    uint32_t m_penHandle = 0, m_brushHandle = 0, m_fontHandle = 0;
    PenKey m_penKey;
    BrushKey m_brushKey;
    FontKey m_fontKey;
    uint32_t m_fillMode = 1;
    COLORREF m_textColor = 0;
    bool m_textColorSet = false;
    std::optional<QRegion> m_clip;
    bool m_clipKnown = false;
};

void EmfEngine::RecordImage(const QRectF& r, const QImage& image, const QRectF& sr) {
    const QRect src = sr.toAlignedRect().intersected(image.rect());
    if (src.isEmpty())
        return;
    const QImage rgb = image.copy(src).convertToFormat(QImage::Format_RGB888);
    const QRectF d = m_transform.mapRect(r);
    const gdi::Rect dest(ToDevice(d.left()), ToDevice(d.top()), ToDevice(d.right()), ToDevice(d.bottom()));
    const int w = rgb.width(), h = rgb.height();
    const int stride = (w * 3 + 3) / 4 * 4;
    const uint32_t bits = uint32_t(stride) * uint32_t(h);
    const size_t at = Begin(EMR_STRETCHDIBITS);
    const gdi::Rect bounds(dest.left, dest.top, dest.right - 1, dest.bottom - 1);
    PutRect(m_body, bounds);
    m_body.i32(dest.left);
    m_body.i32(dest.top);
    m_body.i32(0);
    m_body.i32(0);
    m_body.i32(w);
    m_body.i32(h);
    m_body.u32(80);      // offset of the information header
    m_body.u32(40);      // its size
    m_body.u32(80 + 40); // offset of the bits
    m_body.u32(bits);
    m_body.u32(0); // DIB_RGB_COLORS
    m_body.u32(kSrcCopy);
    m_body.i32(dest.Width());
    m_body.i32(dest.Height());
    m_body.u32(40);
    m_body.i32(w);
    m_body.i32(h); // bottom-up
    m_body.u16(1);
    m_body.u16(24);
    m_body.zeros(24);
    QByteArray row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const uchar* s = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(s[3 * x + 2]);
            row[3 * x + 1] = char(s[3 * x + 1]);
            row[3 * x + 2] = char(s[3 * x]);
        }
        m_body.bytes(row);
    }
    Finish(at);
    Grow(bounds);
}

void EmfEngine::RecordText(const QPointF& p, const QTextItem& ti) {
    QString text = ti.text();
    if (text.isEmpty())
        return;
    const QFont f = ti.font();
    const QFontMetricsF fm(f);
    // Advances as the layout here measured them, rounded without drift.
    std::vector<uint32_t> dx(size_t(text.size()), 0);
    double before = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            continue;
        const double after = fm.horizontalAdvance(text.left(i + 1));
        dx[size_t(i)] = uint32_t(std::max<long>(0, std::lround(after) - std::lround(before)));
        before = after;
    }
    gdi::Point ref = Map(m_transform, p);
    const int ascent = int(std::ceil(fm.ascent())), descent = int(std::ceil(fm.descent()));
    int width = int(std::ceil(fm.horizontalAdvance(text)));
    // Only the characters that the clip and the picture show are kept: a
    // text far longer than its box would otherwise be stored whole, and
    // readers that size the picture by what it holds draw it kilometres wide.
    const QRegion visible = Visible();
    std::optional<QRect> turned;
    if (m_transform.type() <= QTransform::TxTranslate) {
        qsizetype first = -1, last = -1;
        int x = ref.x, firstX = ref.x, lastX = ref.x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int w = int(dx[size_t(i)]);
            if (w > 0 && visible.intersects(QRect(x, ref.y - ascent, w, ascent + descent + 1))) {
                if (first < 0) {
                    first = i;
                    firstX = x;
                }
                last = i;
                lastX = x + w;
            }
            x += w;
        }
        if (first < 0)
            return;
        // A surrogate pair stays whole (its advance rides on the low half).
        if (first > 0 && text[first].isLowSurrogate() && text[first - 1].isHighSurrogate()) {
            --first;
        }
        if (first > 0 || last + 1 < text.size()) {
            text = text.mid(first, last - first + 1);
            dx = std::vector<uint32_t>(dx.begin() + first, dx.begin() + last + 1);
            ref.x = firstX;
            width = lastX - firstX;
        }
    } else {
        turned = m_transform.mapRect(QRectF(p.x(), p.y() - ascent, width, ascent + descent)).toAlignedRect();
        if (!visible.intersects(*turned))
            return;
    }

    FontKey k;
    // The family asked for ("宋体", "Arial", ...), not the face that stands in for it here.
    k.face = f.family();
    const double px = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * m_device->logicalDpiY() / 72.0;
    k.height = -std::max<int32_t>(1, ToDevice(px));
    k.weight = std::clamp(int(f.weight()), 100, 900);
    k.italic = f.italic();
    k.underline = f.underline();
    k.strikeOut = f.strikeOut();
    // A turned text (the amplitude unit) turns its font: GDI writes along the
    // escapement, the records hold no world transform.
    if (m_transform.type() >= QTransform::TxRotate) {
        const double degrees = std::atan2(-m_transform.m12(), m_transform.m11()) * 180.0 / M_PI;
        k.escapement = int32_t(std::lround(degrees * 10.0) % 3600 + 3600) % 3600;
    }
    SelectFont(k);
    const COLORREF color = toColorRef(m_pen.color());
    if (!m_textColorSet || color != m_textColor) {
        simple(EMR_SETTEXTCOLOR, color);
        m_textColor = color;
        m_textColorSet = true;
    }

    const gdi::Rect drawn = turned
                                ? gdi::Rect(turned->left(), turned->top(), turned->right(), turned->bottom())
                                : gdi::Rect(ref.x, ref.y - ascent, ref.x + width, ref.y + descent);
    const gdi::Rect bounds = Shown(drawn).value_or(drawn);

    const size_t at = Begin(EMR_EXTTEXTOUTW);
    PutRect(m_body, bounds);
    m_body.u32(1);   // GM_COMPATIBLE
    m_body.f32(0.f); // scales
    m_body.f32(0.f);
    m_body.i32(ref.x);
    m_body.i32(ref.y);
    const uint32_t chars = uint32_t(text.size());
    const uint32_t offString = 76;
    const uint32_t offDx = offString + (chars * 2 + 3) / 4 * 4;
    m_body.u32(chars);
    m_body.u32(offString);
    m_body.u32(0); // options
    PutRect(m_body, gdi::Rect());
    m_body.u32(offDx);
    for (QChar c : text)
        m_body.u16(c.unicode());
    while ((m_body.size() - at) % 4)
        m_body.u8(0);
    for (uint32_t v : dx)
        m_body.u32(v);
    Finish(at);
    Grow(drawn);
}

// ---- the device ---------------------------------------------------------------------------------

EmfReference EmfReference::Screen() {
    return EmfReference{};
}

EmfReference EmfReference::Printer() {
    EmfReference r;
    r.dpiX = r.dpiY = 600;
    r.pixels = QSize(4960, 7016);
    r.millimetres = QSize(210, 297);
    return r;
}

EmfDevice::EmfDevice(QSize size, const EmfReference& ref)
    : m_size(size.expandedTo(QSize(1, 1))), m_ref(ref), m_engine(std::make_unique<EmfEngine>(this)) {}

EmfDevice::~EmfDevice() = default;

QPaintEngine* EmfDevice::paintEngine() const {
    return m_engine.get();
}

void EmfDevice::SetPenStockStyle(const QPen& pen, int style) {
    m_engine->SetPenStockStyle(pen, style);
}

void EmfDevice::SetFrame(const gdi::Rect& frame) {
    m_frame = frame;
}

void EmfDevice::SetDescription(const QString& first, const QString& second) {
    m_description = first + QChar(0) + second + QChar(0) + QChar(0);
}

gdi::Rect EmfDevice::Bounds() const {
    return m_engine->Bounds().value_or(gdi::Rect(0, 0, -1, -1));
}

gdi::Rect EmfDevice::Frame() const {
    if (m_frame)
        return *m_frame;
    // From the drawn bounds: device pixels at the reference's resolution.
    const gdi::Rect b = m_engine->Bounds().value_or(gdi::Rect(0, 0, m_size.width() - 1, m_size.height() - 1));
    auto x = [this](int v) { return int(std::lround(v * 2540.0 / m_ref.dpiX)); };
    auto y = [this](int v) { return int(std::lround(v * 2540.0 / m_ref.dpiY)); };
    return gdi::Rect(x(b.left), y(b.top), x(b.right), y(b.bottom));
}

QByteArray EmfDevice::Data() const {
    // Records lost, or one cut short, for want of memory: there is no whole file.
    if (!m_engine->Whole())
        ThrowBadAlloc();
    ByteWriter h;
    QString description = m_description;
    const uint32_t descChars = uint32_t(description.size());
    const uint32_t descBytes = (descChars * 2 + 3) / 4 * 4;
    const uint32_t headerSize = kHeaderBytes + descBytes;
    const QByteArray body = m_engine->Body();
    const uint32_t eofSize = 20;
    const uint32_t total = headerSize + uint32_t(body.size()) + eofSize;

    h.u32(EMR_HEADER);
    h.u32(headerSize);
    PutRect(h, Bounds());
    PutRect(h, Frame());
    h.u32(kSignature);
    h.u32(0x00010000);
    h.u32(total);
    h.u32(m_engine->Records() + 2);
    h.u16(m_engine->Handles());
    h.u16(0);
    h.u32(descChars);
    h.u32(descChars ? kHeaderBytes : 0);
    h.u32(0); // palette entries
    h.i32(m_ref.pixels.width());
    h.i32(m_ref.pixels.height());
    h.i32(m_ref.millimetres.width());
    h.i32(m_ref.millimetres.height());
    h.u32(0); // no pixel format
    h.u32(0);
    h.u32(0); // no OpenGL
    h.u32(uint32_t(m_ref.millimetres.width()) * 1000u);
    h.u32(uint32_t(m_ref.millimetres.height()) * 1000u);
    for (QChar c : description)
        h.u16(c.unicode());
    while (h.size() < headerSize)
        h.u8(0);
    h.bytes(body);
    h.u32(EMR_EOF);
    h.u32(eofSize);
    h.u32(0);  // palette entries
    h.u32(16); // their offset
    h.u32(eofSize);
    return h.take();
}

bool EmfDevice::Save(const QString& path, QString* why, bool english) const {
    try {
        writeFileAtomic(path, Data());
    } catch (const FileError& e) {
        if (why)
            *why = e.message(english);
        return false;
    }
    return true;
}

int EmfDevice::metric(PaintDeviceMetric m) const {
    switch (m) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return int(std::lround(m_size.width() * 25.4 / m_ref.dpiX));
    case PdmHeightMM:
        return int(std::lround(m_size.height() * 25.4 / m_ref.dpiY));
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 24;
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return m_ref.dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return m_ref.dpiY;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(m);
    }
}

// ---- the metafile of a pixel picture -----------------------------------------------------------

gdi::Rect MetafileFrameForPixels(int widthPx, int heightPx, double scalePercent) {
    const EmfReference screen = EmfReference::Screen();
    const int widthMm = int(int64_t(widthPx) * screen.millimetres.width() / double(screen.pixels.width()));
    const int heightMm =
        int(int64_t(heightPx) * screen.millimetres.height() / double(screen.pixels.height()));
    const double scale = scalePercent > 0 ? scalePercent / 100.0 : 1.0;
    return gdi::Rect(0, 0, int(widthMm * 100 / scale), int(heightMm * 100 / scale));
}

std::unique_ptr<EmfDevice> CreateMetafileDC(int widthPx, int heightPx, double scalePercent) {
    auto dev = std::make_unique<EmfDevice>(QSize(widthPx, heightPx), EmfReference::Screen());
    dev->SetFrame(MetafileFrameForPixels(widthPx, heightPx, scalePercent));
    dev->SetDescription(QStringLiteral("AppName"), QStringLiteral("Image Description"));
    return dev;
}

} // namespace pit
