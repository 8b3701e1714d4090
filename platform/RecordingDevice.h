// A paint device that keeps what reaches the painter (lines, polylines,
// polygons, rectangles, ellipses, paths, images and texts with their pens,
// brushes, fonts and clip) in device coordinates, so drawing code can be
// checked without pixels.
#pragma once

#include <QBrush>
#include <QFont>
#include <QPaintDevice>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace gdi {

struct RecordedItem {
    enum class Kind { Line, Polyline, Polygon, Rect, Ellipse, Path, Image, Text };
    Kind kind = Kind::Line;
    std::vector<QPointF> points; // Line: two points; Polyline and Polygon: the vertices
    QRectF rect;                 // Rect, Ellipse, Image target, Text cell (ascent + descent high)
    QString text;
    QPointF baseline; // Text: start of the baseline
    QPainterPath path;
    QPen pen;
    QBrush brush;
    QFont font;
    bool antialiased = false;
    std::optional<QRegion> clip; // none: unclipped
};

class RecordingEngine;

class RecordingDevice : public QPaintDevice {
public:
    explicit RecordingDevice(int width = 800, int height = 600, int dpiX = 96, int dpiY = 96);
    ~RecordingDevice() override;

    QPaintEngine* paintEngine() const override;

    const std::vector<RecordedItem>& items() const { return m_items; }
    std::vector<RecordedItem> itemsOf(RecordedItem::Kind kind) const;
    std::vector<RecordedItem> lines() const { return itemsOf(RecordedItem::Kind::Line); }
    std::vector<RecordedItem> texts() const { return itemsOf(RecordedItem::Kind::Text); }
    // The texts joined in drawing order, for a quick look in failure messages.
    QStringList textList() const;
    void clear() { m_items.clear(); }

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    friend class RecordingEngine;
    int m_width;
    int m_height;
    int m_dpiX;
    int m_dpiY;
    std::vector<RecordedItem> m_items;
    std::unique_ptr<RecordingEngine> m_engine;
};

} // namespace gdi
