#include "platform/Canvas.h"

#include "platform/AllocationProbe.h"
#include "platform/EmfDevice.h"
#include "platform/SafeText.h"

#include <QMutex>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <cmath>

namespace gdi {

namespace {

constexpr int kNoClipExtent = 1 << 24;

QVector<qreal> toPattern(std::initializer_list<qreal> v) {
    return QVector<qreal>(v);
}

// Dash patterns of the one-pixel cosmetic pens, in pixels.
QVector<qreal> cosmeticPattern(int style) {
    switch (style) {
    case PS_DASH:
        return toPattern({18, 6});
    case PS_DOT:
        return toPattern({3, 3});
    case PS_DASHDOT:
        return toPattern({9, 6, 3, 6});
    case PS_DASHDOTDOT:
        return toPattern({9, 3, 3, 3, 3, 3});
    default:
        return {};
    }
}

// Geometric pens and GDI+ pens: dash lengths in units of the pen width.
QVector<qreal> widthPattern(int style) {
    switch (style) {
    case PS_DASH:
        return toPattern({3, 1});
    case PS_DOT:
        return toPattern({1, 1});
    case PS_DASHDOT:
        return toPattern({3, 1, 1, 1});
    case PS_DASHDOTDOT:
        return toPattern({3, 1, 1, 1, 1, 1});
    default:
        return {};
    }
}

// User dashes are device units; Qt counts in pen widths and wants pairs.
QVector<qreal> userPattern(const std::vector<int>& dashes, int width) {
    QVector<qreal> pattern;
    for (int d : dashes)
        pattern << std::max(1, d) / qreal(width);
    if (pattern.size() % 2)
        pattern << pattern.back();
    return pattern;
}

// The centre lines of the dashes that pen strokes along path, in the
// path's units; the pattern starts again with each subpath, as Qt's does.
QPainterPath dashCentres(const QPainterPath& path, const QPen& pen) {
    const QVector<qreal> pattern = pen.dashPattern();
    const qreal unit = std::max<qreal>(1.0, pen.widthF());
    qreal period = 0;
    for (qreal d : pattern)
        period += d;
    if (pattern.isEmpty() || period <= 0)
        return path;
    QPainterPath out;
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
        qsizetype i = 0;
        qreal left = pattern[0] * unit;
        bool open = false; // a dash is being drawn
        for (qsizetype k = 1; k < poly.size(); ++k) {
            const QLineF edge(poly[k - 1], poly[k]);
            const qreal len = edge.length();
            for (qreal pos = 0; pos < len;) {
                const qreal step = std::min(left, len - pos);
                if (i % 2 == 0 && step > 0) {
                    if (!open)
                        out.moveTo(edge.pointAt(pos / len));
                    out.lineTo(edge.pointAt((pos + step) / len));
                    open = true;
                }
                pos += step;
                left -= step;
                if (left <= 0) {
                    i = (i + 1) % pattern.size();
                    left = pattern[i] * unit;
                    open = false;
                }
            }
        }
    }
    return out;
}

QString stripPrefixes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == u'&')
            continue;
        out += text[i];
    }
    return out;
}

QString expandTabs(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c == u'\t') {
            do
                out += u' ';
            while (out.size() % 8);
        } else {
            out += c;
        }
    }
    return out;
}

QString trimRight(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1].isSpace())
        --n;
    return s.left(n);
}

// Greedy line filling at the break opportunities of the text (spaces, and
// between ideographs); a word wider than the line stays whole.
QStringList wrapParagraph(const QString& para, const QFontMetrics& fm, int width) {
    if (para.isEmpty())
        return {QString()};
    QStringList lines;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, para);
    auto fits = [&](qsizetype from, qsizetype to) {
        return fm.horizontalAdvance(trimRight(para.mid(from, to - from))) <= width;
    };
    auto push = [&](qsizetype from, qsizetype to) {
        QString line = trimRight(para.mid(from, to - from));
        if (!lines.isEmpty())
            line = line.trimmed();
        lines << line;
    };
    qsizetype lineStart = 0;
    qsizetype lastGood = -1;
    for (qsizetype b = finder.toNextBoundary(); b != -1; b = finder.toNextBoundary()) {
        if (fits(lineStart, b)) {
            lastGood = b;
            continue;
        }
        if (lastGood > lineStart) {
            push(lineStart, lastGood);
            lineStart = lastGood;
            if (fits(lineStart, b)) {
                lastGood = b;
                continue;
            }
        }
        push(lineStart, b);
        lineStart = b;
        lastGood = -1;
    }
    if (lineStart < para.size())
        push(lineStart, para.size());
    return lines;
}

QString endEllipsis(const QString& text, const QFontMetrics& fm, int width) {
    if (fm.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    QString head = text;
    while (!head.isEmpty() && fm.horizontalAdvance(head + dots) > width)
        head.chop(1);
    return head + dots;
}

} // namespace

QPen QtPen(const Pen& pen) {
    const int style = pen.style & PS_STYLE_MASK;
    if (style == PS_NULL)
        return QPen(Qt::NoPen);
    const bool geometric = (pen.style & PS_GEOMETRIC) != 0;
    const int width = std::max(1, pen.width);
    QPen q(pit::toQColor(pen.color));
    q.setWidth(width);
    q.setCosmetic(false);

    if (!geometric && width == 1) {
        // One-pixel lines end before their last point, as LineTo does.
        q.setCapStyle(Qt::FlatCap);
        q.setJoinStyle(Qt::MiterJoin);
        if (style >= PS_DASH && style <= PS_DASHDOTDOT)
            q.setDashPattern(cosmeticPattern(style));
        else if (style == PS_USERSTYLE && !pen.dashes.empty())
            q.setDashPattern(userPattern(pen.dashes, 1));
        return q;
    }
    // Round ends of up to 3 pixels are square ones once rasterised without
    // antialiasing, and square ends stroke several times faster.
    const bool small = width <= 3;
    switch (pen.style & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE:
        q.setCapStyle(Qt::SquareCap);
        break;
    case PS_ENDCAP_FLAT:
        q.setCapStyle(Qt::FlatCap);
        break;
    default:
        q.setCapStyle(small ? Qt::SquareCap : Qt::RoundCap);
    }
    switch (pen.style & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL:
        q.setJoinStyle(Qt::BevelJoin);
        break;
    case PS_JOIN_MITER:
        q.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        q.setJoinStyle(small ? Qt::MiterJoin : Qt::RoundJoin);
    }
    if (!geometric)
        return q; // a styled cosmetic pen wider than 1 draws solid
    if (style == PS_USERSTYLE) {
        if (!pen.dashes.empty())
            q.setDashPattern(userPattern(pen.dashes, width));
    } else if (style >= PS_DASH && style <= PS_DASHDOTDOT) {
        q.setDashPattern(pen.dashes.empty() ? widthPattern(style) : userPattern(pen.dashes, width));
    }
    return q;
}

int DashedStockStyle(const Pen& pen) {
    const int style = pen.style & PS_STYLE_MASK;
    if (style < PS_DASH || style > PS_DASHDOTDOT)
        return 0;
    // Cosmetic pens wider than one pixel draw solid.
    return ((pen.style & PS_GEOMETRIC) || pen.width <= 1) ? style : 0;
}

QFont FontForCellHeight(const QString& face, int weight, int cellHeight) {
    static QMutex mutex;
    static std::map<std::pair<QString, std::pair<int, int>>, QFont> cache;
    const auto key = std::make_pair(face, std::make_pair(weight, cellHeight));
    QMutexLocker lock(&mutex);
    if (auto it = cache.find(key); it != cache.end())
        return it->second;

    QFont f(face);
    f.setWeight(QFont::Weight(weight <= 0 ? 400 : std::clamp(weight, 100, 900)));
    f.setStyleStrategy(QFont::PreferDefault);
    auto cellOf = [&f](int px) {
        f.setPixelSize(px);
        return QFontMetrics(f).height();
    };
    const int target = std::max(1, cellHeight);
    const int first = cellOf(target);
    int px = std::max(1, int(std::lround(double(target) * target / std::max(1, first))));
    while (px > 1 && cellOf(px) > target)
        --px;
    while (cellOf(px + 1) <= target)
        ++px;
    f.setPixelSize(px);
    cache.emplace(key, f);
    return f;
}

Canvas::Canvas(QPainter& painter, int dpiX, int dpiY, std::optional<bool> printing) : m_painter(painter) {
    const QPaintDevice* dev = painter.device();
    m_dpiX = dpiX > 0 ? dpiX : (dev ? dev->logicalDpiX() : 96);
    m_dpiY = dpiY > 0 ? dpiY : (dev ? dev->logicalDpiY() : 96);
    m_printing = printing.value_or(dev && dev->devType() == QInternal::Printer);
    m_emf = dynamic_cast<pit::EmfDevice*>(painter.device());
    // QPicture, and the print preview's engine that records each page into one.
    m_textAsOutlines = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Picture;
    // The preview plays its pictures back far below the printer's resolution,
    // where a stroke a few printer pixels wide fades to a pale grey.
    m_hairlines = m_textAsOutlines;
    m_painter.save();
    m_base = m_painter.transform();
    if (m_painter.hasClipping())
        m_baseClip = m_painter.clipRegion();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_qpen = QtPen(m_pen);
    applyPen();
    m_painter.setBrush(QBrush(pit::toQColor(m_brush.color)));
}

Canvas::~Canvas() {
    // Restoring may record a clip, which can run out of memory; a destructor
    // that threw would end the program (a drawing cut short is thrown away).
    try {
        m_painter.restore();
    } catch (...) {
    }
}

Pen Canvas::SelectPen(const Pen& pen) {
    Pen old = m_pen;
    m_pen = pen;
    m_qpen = QtPen(pen);
    m_penLive = false;
    return old;
}

Brush Canvas::SelectBrush(const Brush& brush) {
    Brush old = m_brush;
    m_brush = brush;
    m_painter.setBrush(brush.null ? QBrush(Qt::NoBrush) : QBrush(pit::toQColor(brush.color)));
    return old;
}

Font Canvas::SelectFont(const Font& font) {
    Font old = m_font;
    if (!(font == m_font)) {
        m_font = font;
        m_qfont.reset();
        m_metrics.reset();
    }
    return old;
}

const QFont& Canvas::qfont() {
    if (!m_qfont) {
        int height = m_font.height;
        if (height == 0)
            height = -(12 * m_dpiY / 72);
        const QString face = m_font.face.isEmpty() ? DefaultFace() : m_font.face;
        QFont f;
        if (height > 0) {
            f = FontForCellHeight(face, m_font.weight, height);
        } else {
            f = QFont(face);
            f.setWeight(QFont::Weight(m_font.weight <= 0 ? 400 : std::clamp(m_font.weight, 100, 900)));
            f.setPixelSize(std::max(1, -height));
        }
        f.setItalic(m_font.italic);
        f.setUnderline(m_font.underline);
        f.setStrikeOut(m_font.strikeOut);
        m_qfont = f;
    }
    return *m_qfont;
}

const QFontMetrics& Canvas::metrics() {
    if (!m_metrics)
        m_metrics.emplace(qfont(), m_painter.device());
    return *m_metrics;
}

COLORREF Canvas::SetTextColor(COLORREF c) {
    return std::exchange(m_textColor, c);
}

COLORREF Canvas::SetBkColor(COLORREF c) {
    m_penLive = false;
    return std::exchange(m_bkColor, c);
}

int Canvas::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    m_penLive = false;
    return std::exchange(m_bkMode, mode);
}

int Canvas::SetPolyFillMode(int mode) {
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    return std::exchange(m_fillMode, mode);
}

QTransform Canvas::logicalToDevice() const {
    return m_world * QTransform::fromTranslate(m_viewportOrg.x, m_viewportOrg.y);
}

void Canvas::applyTransform() {
    m_painter.setTransform(logicalToDevice() * m_base);
}

Point Canvas::SetViewportOrg(int x, int y) {
    Point old = m_viewportOrg;
    m_viewportOrg = {x, y};
    applyTransform();
    return old;
}

void Canvas::SetWorldTransform(const QTransform& xform) {
    m_world = xform;
    applyTransform();
}

void Canvas::applyClip() {
    pit::ProbeAllocation(pit::AllocSite::Clip);
    // The clip is kept in device units: set it with the logical mapping off,
    // so later origin changes do not move it.
    m_painter.setTransform(m_base);
    if (m_clip) {
        m_painter.setClipRegion(m_baseClip ? (*m_clip & *m_baseClip) : *m_clip);
    } else if (m_baseClip) {
        m_painter.setClipRegion(*m_baseClip);
    } else {
        m_painter.setClipping(false);
    }
    applyTransform();
}

void Canvas::SelectClipRect(const Rect& deviceRect) {
    SelectClipRegion(QRegion(deviceRect.toQRect()));
}

void Canvas::SelectClipRegion(const QRegion& deviceRegion) {
    m_clip = deviceRegion;
    applyClip();
}

void Canvas::RemoveClip() {
    m_clip.reset();
    applyClip();
}

void Canvas::IntersectClipRect(const Rect& r) {
    const QRegion dev = logicalToDevice().map(QRegion(r.toQRect()));
    m_clip = m_clip ? (*m_clip & dev) : dev;
    applyClip();
}

void Canvas::ExcludeClipRect(const Rect& r) {
    const QRegion dev = logicalToDevice().map(QRegion(r.toQRect()));
    const QRegion all(-kNoClipExtent, -kNoClipExtent, 2 * kNoClipExtent, 2 * kNoClipExtent);
    m_clip = (m_clip ? *m_clip : all) - dev;
    applyClip();
}

void Canvas::applyPen() {
    if (m_penLive)
        return;
    m_penLive = true;
    // The background mode also fills the gaps of dashed lines.
    m_painter.setPen(m_qpen);
    if (m_emf)
        m_emf->SetPenStockStyle(m_qpen, DashedStockStyle(m_pen));
    m_painter.setBackgroundMode(m_bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(QBrush(pit::toQColor(m_bkColor)));
}

void Canvas::applyTextPen() {
    m_penLive = false;
    m_painter.setPen(QPen(pit::toQColor(m_textColor)));
}

// A trace of the stroke just drawn, one device pixel wide at any scale it is
// played back at and in the pen's own colour; the stroke itself stays as the
// printer draws it, so it covers the trace once it is wider.
void Canvas::hairline(const QPainterPath& path, const QPen& pen) {
    if (!m_hairlines || pen.style() == Qt::NoPen)
        return;
    QPen trace(pen.color(), 1);
    trace.setCosmetic(true);
    // Flat ends keep the dashes and gaps in the printed proportions.
    trace.setCapStyle(Qt::FlatCap);
    const bool aa = m_painter.testRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.strokePath(pen.style() == Qt::SolidLine ? path : dashCentres(path, pen), trace);
    m_painter.setRenderHint(QPainter::Antialiasing, aa);
}

void Canvas::MoveTo(int x, int y) {
    m_current = {x, y};
}

void Canvas::LineTo(int x, int y) {
    applyPen();
    m_painter.drawLine(QPoint(m_current.x, m_current.y), QPoint(x, y));
    if (m_hairlines) {
        QPainterPath path(QPointF(m_current.x, m_current.y));
        path.lineTo(x, y);
        hairline(path, m_qpen);
    }
    m_current = {x, y};
}

namespace {

// The points as a QPolygon; throws std::bad_alloc when there is no room.
QPolygon toPolygon(const Point* points, int count) {
    QPolygon poly;
    pit::ReserveChecked(poly, count, pit::AllocSite::Points);
    for (int i = 0; i < count; ++i)
        poly.append(QPoint(points[i].x, points[i].y));
    return poly;
}

} // namespace

void Canvas::Polyline(const Point* points, int count) {
    if (count < 2)
        return;
    const QPolygon poly = toPolygon(points, count);
    applyPen();
    m_painter.drawPolyline(poly);
    if (m_hairlines) {
        QPainterPath path;
        path.addPolygon(QPolygonF(poly));
        hairline(path, m_qpen);
    }
}

void Canvas::Polygon(const Point* points, int count) {
    if (count < 2)
        return;
    const QPolygon poly = toPolygon(points, count);
    applyPen();
    m_painter.drawPolygon(poly, m_fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    if (m_hairlines) {
        QPainterPath path;
        path.addPolygon(QPolygonF(poly));
        path.closeSubpath();
        hairline(path, m_qpen);
    }
}

void Canvas::FillPolygon(const std::vector<Point>& points, const Brush& brush, int fillMode) {
    if (points.size() < 3 || brush.null)
        return;
    const QPolygon poly = toPolygon(points.data(), int(points.size()));
    QPainterPath path;
    path.addPolygon(poly);
    path.setFillRule(fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    m_painter.fillPath(path, QBrush(pit::toQColor(brush.color)));
}

void Canvas::Rectangle(const Rect& r) {
    Rect n = r;
    n.NormalizeRect();
    if (n.IsRectEmpty())
        return;
    applyPen();
    // Qt strokes a QRect one pixel wider than its size; GDI's outline stays inside.
    const QRect outline(n.left, n.top, n.Width() - 1, n.Height() - 1);
    m_painter.drawRect(outline);
    if (m_hairlines) {
        QPainterPath path;
        path.addRect(QRectF(outline));
        hairline(path, m_qpen);
    }
}

void Canvas::Ellipse(const Rect& r) {
    Rect n = r;
    n.NormalizeRect();
    if (n.IsRectEmpty())
        return;
    applyPen();
    const QRectF outline(n.left + 0.5, n.top + 0.5, n.Width() - 1, n.Height() - 1);
    m_painter.drawEllipse(outline);
    if (m_hairlines) {
        QPainterPath path;
        path.addEllipse(outline);
        hairline(path, m_qpen);
    }
}

void Canvas::FillRect(const Rect& r, const Brush& brush) {
    if (brush.null || r.IsRectEmpty())
        return;
    m_painter.fillRect(r.toQRect(), pit::toQColor(brush.color));
}

void Canvas::FrameRect(const Rect& r, const Brush& brush) {
    if (brush.null || r.IsRectEmpty())
        return;
    const QColor c = pit::toQColor(brush.color);
    m_painter.fillRect(QRect(r.left, r.top, r.Width(), 1), c);
    m_painter.fillRect(QRect(r.left, r.bottom - 1, r.Width(), 1), c);
    m_painter.fillRect(QRect(r.left, r.top, 1, r.Height()), c);
    m_painter.fillRect(QRect(r.right - 1, r.top, 1, r.Height()), c);
}

void Canvas::DrawBeziers(const std::vector<QPointF>& points, const SmoothPen& pen) {
    if (points.size() < 4)
        return;
    QPainterPath path(points[0]);
    for (size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    QPen q(pit::toQColor(pen.color));
    q.setWidthF(std::max(1.0, pen.width));
    q.setCapStyle(Qt::FlatCap);
    q.setJoinStyle(Qt::MiterJoin);
    if (pen.dashStyle >= PS_DASH && pen.dashStyle <= PS_DASHDOTDOT)
        q.setDashPattern(widthPattern(pen.dashStyle));
    const bool aa = m_painter.testRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_penLive = false;
    m_painter.setPen(q);
    if (m_emf)
        m_emf->SetPenStockStyle(q, pen.dashStyle >= PS_DASH && pen.dashStyle <= PS_DASHDOTDOT ? pen.dashStyle
                                                                                              : 0);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.setBackgroundMode(Qt::TransparentMode); // GDI+ leaves dash gaps open
    m_painter.drawPath(path);
    hairline(path, q);
    m_painter.setRenderHint(QPainter::Antialiasing, aa);
    SelectBrush(m_brush);
    applyPen();
}

void Canvas::DrawImage(const Rect& dest, const QImage& image) {
    if (dest.IsRectEmpty() || image.isNull())
        return;
    m_painter.drawImage(dest.toQRect(), image);
}

void Canvas::drawRun(int x, int top, const QString& run, int lineHeight) {
    const QFontMetrics& fm = metrics();
    if (m_bkMode == OPAQUE)
        m_painter.fillRect(QRect(x, top, fm.horizontalAdvance(run), lineHeight), pit::toQColor(m_bkColor));
    const QPoint baseline(x, top + fm.ascent());
    if (m_textAsOutlines) {
        // A picture keeps a text as a string and lays it out again when it
        // is played, with the line ascent of every face the run falls back
        // to: a Chinese run on a face whose Latin letters come first lands
        // lower than printed. Its outlines play back where they were drawn.
        QPainterPath outline;
        outline.addText(baseline, qfont(), run);
        const bool aa = m_painter.testRenderHint(QPainter::Antialiasing);
        m_painter.setRenderHint(QPainter::Antialiasing, true);
        m_painter.fillPath(outline, pit::toQColor(m_textColor));
        m_painter.setRenderHint(QPainter::Antialiasing, aa);
        return;
    }
    if (m_painter.testRenderHint(QPainter::TextAntialiasing)) {
        m_painter.setFont(qfont());
    } else {
        // Glyphs of whole pixels, for a picture of one bit a pixel: the
        // raster engine keeps grey edges for the hint alone.
        QFont whole = qfont();
        whole.setStyleStrategy(QFont::StyleStrategy(whole.styleStrategy() | QFont::NoAntialias));
        m_painter.setFont(whole);
    }
    m_painter.setBackgroundMode(Qt::TransparentMode);
    applyTextPen();
    m_painter.drawText(baseline, run);
}

void Canvas::TextOut(int x, int y, const QString& textIn) {
    const QString text = pit::DrawnText(textIn, true);
    if (text.isEmpty())
        return;
    drawRun(x, y, text, metrics().height());
    applyPen();
}

Size Canvas::GetTextExtent(const QString& text) {
    const QFontMetrics& fm = metrics();
    return {fm.horizontalAdvance(pit::DrawnText(text, true)), fm.height()};
}

TextMetrics Canvas::GetTextMetrics() {
    const QFontMetrics& fm = metrics();
    TextMetrics tm;
    tm.ascent = fm.ascent();
    tm.descent = fm.descent();
    tm.height = fm.height();
    tm.internalLeading = std::max(0, fm.height() - qfont().pixelSize());
    tm.externalLeading = std::max(0, fm.leading());
    tm.aveCharWidth = fm.averageCharWidth();
    tm.maxCharWidth = fm.maxWidth();
    return tm;
}

int Canvas::DrawText(const QString& textIn, Rect& rect, unsigned format) {
    const QFontMetrics& fm = metrics();
    // Every device shows the characters the documents show.
    QString text = pit::DrawnText(textIn, format & DT_SINGLELINE);
    if (!(format & DT_NOPREFIX))
        text = stripPrefixes(text);
    if (format & DT_EXPANDTABS)
        text = expandTabs(text);
    const int lineHeight = fm.height() + ((format & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    if (text.isEmpty()) {
        if (format & DT_CALCRECT) {
            rect.right = rect.left;
            rect.bottom = rect.top + ((format & DT_SINGLELINE) ? lineHeight : 0);
        }
        return 0;
    }

    QStringList lines;
    if (format & DT_SINGLELINE) {
        if (format & DT_END_ELLIPSIS)
            text = endEllipsis(text, fm, rect.Width());
        lines << text;
    } else {
        QString norm = text;
        norm.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        norm.replace(u'\r', u'\n');
        for (const QString& para : norm.split(u'\n')) {
            if (format & DT_WORDBREAK)
                lines << wrapParagraph(para, fm, rect.Width());
            else
                lines << para;
        }
        if (format & DT_END_ELLIPSIS)
            for (QString& l : lines)
                l = endEllipsis(l, fm, rect.Width());
    }

    const int height = lineHeight * int(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const QString& l : lines)
            widest = std::max(widest, fm.horizontalAdvance(l));
        rect.right = rect.left + widest;
        rect.bottom = rect.top + height;
        return height;
    }

    // Vertical alignment applies to a single line only.
    int y = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            y = rect.bottom - lineHeight;
        else if (format & DT_VCENTER)
            y = rect.top + (rect.Height() - lineHeight) / 2;
    }
    const int result = (y - rect.top) + height;

    const bool clip = !(format & DT_NOCLIP);
    if (clip) {
        m_painter.save();
        // The text's clip replaces the painter's, made from the canvas's own:
        // a recorded picture (the print preview) replays an intersection with
        // a clip that was switched off as an intersection with the stale one.
        QRegion region = logicalToDevice().map(QRegion(rect.toQRect()));
        if (m_clip)
            region &= *m_clip;
        if (m_baseClip)
            region &= *m_baseClip;
        m_painter.setTransform(m_base);
        m_painter.setClipRegion(region, Qt::ReplaceClip);
        applyTransform();
    }
    for (const QString& line : lines) {
        if (!line.isEmpty()) {
            const int w = fm.horizontalAdvance(line);
            int x = rect.left;
            if (format & DT_CENTER)
                x = rect.left + (rect.Width() - w) / 2;
            else if (format & DT_RIGHT)
                x = rect.right - w;
            drawRun(x, y, line, lineHeight);
        }
        y += lineHeight;
    }
    if (clip)
        m_painter.restore();
    applyPen();
    return result;
}

} // namespace gdi
