#include "platform/RecordingDevice.h"

#include <QFontMetrics>
#include <QLineF>
#include <QPaintEngine>
#include <QTransform>

namespace gdi {

class RecordingEngine : public QPaintEngine {
public:
    explicit RecordingEngine(RecordingDevice* device) : QPaintEngine(AllFeatures), m_device(device) {}

    bool begin(QPaintDevice*) override {
        m_transform = QTransform();
        m_clip.reset();
        m_clipEnabled = false;
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        const auto flags = state.state();
        if (flags & DirtyTransform)
            m_transform = state.transform();
        if (flags & DirtyPen)
            m_pen = state.pen();
        if (flags & DirtyBrush)
            m_brush = state.brush();
        if (flags & DirtyFont)
            m_font = state.font();
        if (flags & DirtyHints)
            m_antialiased = state.renderHints() & QPainter::Antialiasing;
        if (flags & DirtyClipRegion)
            applyClip(m_transform.map(state.clipRegion()), state.clipOperation());
        if (flags & DirtyClipPath)
            applyClip(QRegion(m_transform.map(state.clipPath()).toFillPolygon().toPolygon()),
                      state.clipOperation());
        if (flags & DirtyClipEnabled)
            m_clipEnabled = state.isClipEnabled() && m_clip.has_value();
    }

    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            RecordedItem item = base(RecordedItem::Kind::Line);
            item.points = {m_transform.map(lines[i].p1()), m_transform.map(lines[i].p2())};
            push(std::move(item));
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            RecordedItem item = base(RecordedItem::Kind::Rect);
            item.rect = m_transform.mapRect(rects[i]);
            push(std::move(item));
        }
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }
    void drawEllipse(const QRectF& r) override {
        RecordedItem item = base(RecordedItem::Kind::Ellipse);
        item.rect = m_transform.mapRect(r);
        push(std::move(item));
    }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        RecordedItem item =
            base(mode == PolylineMode ? RecordedItem::Kind::Polyline : RecordedItem::Kind::Polygon);
        for (int i = 0; i < count; ++i)
            item.points.push_back(m_transform.map(points[i]));
        push(std::move(item));
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF poly;
        for (int i = 0; i < count; ++i)
            poly << QPointF(points[i]);
        drawPolygon(poly.constData(), count, mode);
    }
    void drawPath(const QPainterPath& path) override {
        RecordedItem item = base(RecordedItem::Kind::Path);
        item.path = m_transform.map(path);
        push(std::move(item));
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { image(r); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        image(r);
    }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        RecordedItem item = base(RecordedItem::Kind::Text);
        item.text = ti.text();
        item.font = ti.font();
        item.baseline = m_transform.map(p);
        // The cell in whole pixels, as the canvas measures it.
        const QFontMetrics fm(ti.font(), m_device);
        item.rect = m_transform.mapRect(
            QRectF(p.x(), p.y() - fm.ascent(), fm.horizontalAdvance(ti.text()), fm.height()));
        // One text drawn in several fonts (Latin letters and ideographs) comes
        // in runs, each where the one before ended: they are one text.
        const QPointF end = m_transform.map(p + QPointF(ti.width(), 0));
        auto& items = m_device->m_items;
        if (m_textEnd && !items.empty()) {
            RecordedItem& last = items.back();
            if (last.kind == RecordedItem::Kind::Text && last.font == item.font && last.pen == item.pen &&
                last.clip == item.clip && QLineF(*m_textEnd, item.baseline).length() < 0.5) {
                last.text += item.text;
                last.rect = last.rect.united(item.rect);
                m_textEnd = end;
                return;
            }
        }
        push(std::move(item));
        m_textEnd = end;
    }

private:
    void applyClip(const QRegion& region, Qt::ClipOperation op) {
        if (op == Qt::NoClip)
            m_clip.reset();
        else if (op == Qt::IntersectClip && m_clip)
            m_clip = *m_clip & region;
        else
            m_clip = region;
        m_clipEnabled = m_clip.has_value();
    }
    void image(const QRectF& r) {
        RecordedItem item = base(RecordedItem::Kind::Image);
        item.rect = m_transform.mapRect(r);
        push(std::move(item));
    }
    RecordedItem base(RecordedItem::Kind kind) const {
        RecordedItem item;
        item.kind = kind;
        item.pen = m_pen;
        item.brush = m_brush;
        item.font = m_font;
        item.antialiased = m_antialiased;
        if (m_clipEnabled)
            item.clip = m_clip;
        return item;
    }
    void push(RecordedItem&& item) {
        m_device->m_items.push_back(std::move(item));
        m_textEnd.reset();
    }

    RecordingDevice* m_device;
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    bool m_antialiased = false;
    std::optional<QRegion> m_clip;
    bool m_clipEnabled = false;
    std::optional<QPointF> m_textEnd; // where the last item, a text, ended
};

RecordingDevice::RecordingDevice(int width, int height, int dpiX, int dpiY)
    : m_width(width), m_height(height), m_dpiX(dpiX), m_dpiY(dpiY),
      m_engine(std::make_unique<RecordingEngine>(this)) {}

RecordingDevice::~RecordingDevice() = default;

QPaintEngine* RecordingDevice::paintEngine() const {
    return m_engine.get();
}

std::vector<RecordedItem> RecordingDevice::itemsOf(RecordedItem::Kind kind) const {
    std::vector<RecordedItem> out;
    for (const RecordedItem& item : m_items)
        if (item.kind == kind)
            out.push_back(item);
    return out;
}

QStringList RecordingDevice::textList() const {
    QStringList out;
    for (const RecordedItem& item : m_items)
        if (item.kind == RecordedItem::Kind::Text)
            out << item.text;
    return out;
}

int RecordingDevice::metric(PaintDeviceMetric m) const {
    switch (m) {
    case PdmWidth:
        return m_width;
    case PdmHeight:
        return m_height;
    case PdmWidthMM:
        return int(m_width * 25.4 / m_dpiX);
    case PdmHeightMM:
        return int(m_height * 25.4 / m_dpiY);
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return m_dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return m_dpiY;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(m);
    }
}

} // namespace gdi
