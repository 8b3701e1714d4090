// The channel on screen: the cached channel picture, its paint into a view,
// the local-amplification preview, the half-wave fills, the amplitude axis
// and the small drawing helpers that the print and export forms share.
#include "core/wave/WaveRecord.h"

#include "core/doc/CurveStyle.h"
#include "core/doc/DocSettings.h"
#include "core/doc/MathOperation.h"
#include "core/doc/PrintSettings.h"
#include "core/draw/AxisDraw.h"
#include "core/draw/TimeAxisDraw.h"
#include "core/dsp/CubicSpline.h"
#include "core/wave/WaveMath.h"
#include "platform/Metrics.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

using pit::wave::TruncToInt;

namespace {

constexpr pit::COLORREF kOddBackground = 0xDEDEDE;
constexpr pit::COLORREF kSelectedLabel = pit::RGB(244, 100, 100);

} // namespace

// ---- document values --------------------------------------------------------------

const CPrintSettings& pit::PrintDrawDoc::Print() const {
    static const CPrintSettings defaults;
    return print ? *print : defaults;
}

const CCurveStyle& pit::PrintDrawDoc::Curve() const {
    static const CCurveStyle defaults;
    return curve ? *curve : defaults;
}

const pit::DocInfo& pit::PrintDrawDoc::Doc() const {
    static const DocInfo defaults;
    return doc ? *doc : defaults;
}

// ---- helpers ---------------------------------------------------------------------

int CWaveRecord::DeviceDpiX(const QPaintDevice* dc) {
    return dc ? dc->logicalDpiX() : 0;
}

gdi::Pen CWaveRecord::CreateStylePen(int style, int width, pit::COLORREF colour, int unit) {
    if (style == 0)
        return gdi::Pen::Create(gdi::PS_SOLID, width * unit, colour);
    // The curve style's stock style, drawn on pixels with its own pattern.
    return gdi::Pen::Ext(gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | std::clamp(style, 1, 4), width * unit,
                         colour, StylePenPattern(style, unit));
}

pit::PileSketchWave CWaveRecord::SketchWave() const {
    pit::PileSketchWave w;
    w.sampleCount = sampleCount;
    w.zoom = EffectiveZoom();
    w.headIndex = headIndex;
    w.toeIndex = toeIndex;
    w.expGain = expGain;
    w.expStart = expStart;
    w.oddChannel = IsOddChannel();
    for (const DefectMark& d : defects)
        w.defects.push_back({d.index, d.type});
    return w;
}

QString CWaveRecord::DrawLengthDiameter(bool scaleOn) const {
    if (!scaleOn)
        return {};
    if (diameter <= 1e-6f)
        return QStringLiteral(" L/D= ");
    return QString::asprintf(" L/D=%d", TruncToInt(double(printA) * 1000.0 / double(diameter)));
}

int CWaveRecord::FitLabelFont(const QString& text, const gdi::Rect& box) {
    // Pixel-sized fonts measure alike on any device; the printer, when there
    // is one, is asked only so that its font substitutions apply.
    const std::unique_ptr<QPaintDevice> printer = pit::GetDefaultPrinterDC();
    for (int h = 20; h >= 10; --h) {
        const QFont f = gdi::FontForCellHeight(QStringLiteral("宋体"), 100, h);
        const QFontMetrics fm = printer ? QFontMetrics(f, printer.get()) : QFontMetrics(f);
        if (fm.horizontalAdvance(text) <= box.Width())
            return h;
    }
    return 9;
}

// ---- amplitude axis ----------------------------------------------------------------

namespace {

QString UnitText(int dataForm) {
    if (dataForm == 1)
        return QStringLiteral("cm");
    if (dataForm == -1)
        return QStringLiteral("cm/s\u00b2");
    return QStringLiteral("cm/s");
}

// The unit written upwards from e below the zero line, at s right of left.
void DrawTurnedUnit(gdi::Canvas& dc, const QString& unit, int left, int top, int zeroY, int bottomY, int e,
                    int s) {
    const gdi::Point org = dc.GetViewportOrg();
    dc.SetViewportOrg(org.x + left, org.y + top);
    dc.SetWorldTransform(QTransform(0, -1, 1, 0, 0, bottomY - top));
    dc.TextOut(bottomY - zeroY - e, s, unit);
    dc.ResetWorldTransform();
    dc.SetViewportOrg(org.x, org.y);
}

} // namespace

float CWaveRecord::DrawUnitAxis(gdi::Canvas& dc, const gdi::Rect& column, int zeroY, int bottomY,
                                bool compact) {
    const int s = std::max(1, dc.dpiX() / 96);
    float A = commonPeak != -1.0f ? commonPeak * 100.0f : float(displayMax100);
    // The curve is drawn magnified by the channel's factor: the labels give
    // the values at the ticks as drawn.
    const float factor = scale > 0.0f && std::isfinite(scale) ? scale : 1.0f;
    A /= factor;
    const int d = MathOperation::ChooseDecimalsAndRound(A);
    const int e = dc.GetTextExtent(MathOperation::FormatFloatDecimals(A, d)).cy;
    DrawTurnedUnit(dc, UnitText(dataForm), column.left, column.top, zeroY, bottomY, e, s);

    int labelX = column.left + e + 6 * s;
    if (compact)
        labelX = column.left + 45 * s;
    else if (e < 10)
        labelX = column.left + e + 4 * s;
    const int axisX = column.right - 1;
    // A label wider than the room up to the ticks ends before them, as far
    // left as the unit allows, rather than running into the axis.
    auto label = [&](int y, const QString& text) {
        const int room = column.right - 6 * s;
        const int x = std::max(std::min(labelX, room - dc.GetTextExtent(text).cx), column.left + e + 2 * s);
        dc.TextOut(x, y - e / 4, text);
    };
    dc.MoveTo(axisX, column.top);
    dc.LineTo(axisX, bottomY);
    dc.MoveTo(column.right - 5 * s, zeroY);
    dc.LineTo(axisX, zeroY);
    label(zeroY, QStringLiteral("0"));
    const int q = (bottomY - column.top) / 4;
    for (int i = 1; i <= 2; ++i) {
        const int up = i == 2 ? column.top : zeroY - i * q;
        const int down = i == 2 ? bottomY : zeroY + i * q;
        const float v = float(i) * A / 2.0f;
        for (auto [y, value] : {std::pair{up, v}, std::pair{down, -v}}) {
            dc.MoveTo(column.right - 3 * s, y);
            dc.LineTo(axisX, y);
            label(y, MathOperation::FormatFloatDecimals(value, d));
        }
    }
    return A * factor / 100.0f;
}

float CWaveRecord::DrawUnitLabel(gdi::Canvas& dc, int x, int top, int /*right*/, int bottom) {
    const int s = std::max(1, dc.dpiX() / 96);
    float A = commonPeak != -1.0f ? commonPeak * 100.0f : float(displayMax100);
    const int d = MathOperation::ChooseDecimalsAndRound(A);
    const int e = dc.GetTextExtent(MathOperation::FormatFloatDecimals(A, d)).cy;
    DrawTurnedUnit(dc, UnitText(dataForm), x, top, (top + bottom) / 2, bottom, e, s);
    return A / 100.0f;
}

// ---- fills ---------------------------------------------------------------------------

int CWaveRecord::DrawFilledCurve(gdi::Canvas& dc, const std::vector<gdi::Point>& p) {
    const int n = int(p.size());
    if (n < 1)
        return 1;
    std::vector<QPoint> in(p.size());
    for (size_t i = 0; i < p.size(); ++i)
        in[i] = QPoint(p[i].x, p[i].y);
    std::vector<QPoint> out(size_t(2 * n + 10));
    for (auto [bit, keepUp] : {std::pair{1, true}, std::pair{2, false}}) {
        if (!(drawD & bit))
            continue;
        const int k = BuildFillPoints(in.data(), n, out.data(), keepUp, 0);
        if (k < 1)
            continue;
        std::vector<gdi::Point> poly;
        poly.reserve(size_t(k + 2));
        poly.push_back({out[1].x(), 0});
        for (int i = 1; i <= k; ++i)
            poly.push_back({out[size_t(i)].x(), out[size_t(i)].y()});
        poly.push_back({out[size_t(k)].x(), 0});
        dc.FillPolygon(poly, gdi::Brush::Solid(colours[2]), gdi::WINDING);
    }
    return 1;
}

void CWaveRecord::DrawFillLines(gdi::Canvas& dc, const std::vector<gdi::Point>& p, const gdi::Rect& frame) {
    const double s = double(dc.dpiX()) / 96.0;
    const int width = TruncToInt(double(EffectiveZoom()) * s * (sampleCount > 768 ? 1 : 2));
    const gdi::Pen old = dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, width, 0x000000));
    for (const pit::Segment& seg : pit::FillLineSegments(p, drawD, frame.Height())) {
        dc.MoveTo(seg.a);
        dc.LineTo(seg.b);
    }
    dc.SelectPen(old);
}

// ---- local amplification preview ---------------------------------------------------------

void CWaveRecord::DrawLocalAmplify(gdi::Canvas& dc, float xScale, float yScale) {
    const int N = sampleCount;
    const int visible = TruncToInt(double(N) / double(EffectiveZoom()));
    if (toeIndex > visible || toeIndex < 0 || toeIndex >= N)
        return;
    if (!localAmplifyB) {
        labelOffsetX = TruncToInt(double(toeIndex) * xScale);
        labelOffsetY = TruncToInt(-double(display[size_t(toeIndex)]) * yScale);
    }
    if (riseIndex < 0 || peakIndex >= N || peakIndex < riseIndex)
        return;
    const int count = peakIndex - riseIndex + 1;
    const int m = TruncToInt(1.2 * count);
    if (m < 3)
        return;
    std::vector<double> kx(static_cast<size_t>(count)), ky(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        kx[size_t(k)] = k;
        ky[size_t(k)] = source[size_t(riseIndex + k)];
    }
    const CubicSpline spline(kx.data(), ky.data(), count);
    std::vector<double> sx(static_cast<size_t>(m)), sv(static_cast<size_t>(m));
    if (!spline.ok() || !spline.Resample(m, sx.data(), sv.data()))
        return;
    // A zero peak gives no scale to measure the handle against.
    const double peakY = -double(display[size_t(peakIndex)]) * yScale;
    if (peakY == 0.0)
        return;
    localGain = float(labelOffsetY / peakY);

    const int H = (plotRect.Height()) / 2;
    const gdi::Pen oldPen = dc.SelectPen(gdi::Pen::Create(gdi::PS_DOT, 1, pit::RGB(20, 248, 96)));
    bool started = false;
    for (int k = 0; k < 2 * m; ++k) {
        const int idx = toeIndex - (m - k - 1);
        if (idx < 0 || k == m)
            continue;
        if (idx >= visible || idx >= N)
            break;
        const int j = k < m ? k : 2 * m - k;
        const int x = TruncToInt(double(idx) * xScale);
        int y = TruncToInt(-(double(display[size_t(idx)]) + double(localGain) * sv[size_t(j)]) * yScale);
        y = std::clamp(y, std::min(1 - H, H - 1), std::max(1 - H, H - 1));
        if (!started) {
            dc.MoveTo(x, y);
            started = true;
        } else {
            dc.LineTo(x, y);
        }
        if (idx == toeIndex) {
            labelOffsetX = x;
            labelOffsetY = y;
        }
    }
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, pit::RGB(255, 0, 255)));
    const gdi::Brush oldBrush = dc.SelectBrush(gdi::Brush::Null());
    dc.Ellipse(gdi::Rect(labelOffsetX - 4, labelOffsetY - 4, labelOffsetX + 4, labelOffsetY + 4));
    dc.SelectBrush(oldBrush);
    dc.SelectPen(oldPen);
    smallTest = float(labelOffsetY / peakY);
}

// ---- the channel picture ------------------------------------------------------------------

int CWaveRecord::Draw(gdi::Canvas& dc, int refDpiX) {
    const int u = std::max(1, refDpiX / 96);
    const pit::WaveDisplaySettings& disp = context->Display();
    gdi::Rect frame = frameRect, plot = plotRect, info1 = infoRect1, info2 = infoRect2, scaleCol = scaleRect;
    if (!dc.isPrinting()) {
        // The picture's origin is the frame's top left corner.
        for (gdi::Rect* r : {&frame, &plot, &info1, &info2, &scaleCol})
            r->OffsetRect(-frameRect.left, -frameRect.top);
    }
    dc.FillSolidRect(frame, IsOddChannel() ? kOddBackground : 0xFFFFFF);

    const gdi::Pen framePen = gdi::Pen::Create(gdi::PS_SOLID, drawC * u, colours[0]);
    const int divisor = disp.waveLineDivisor + 1 > 0 ? disp.waveLineDivisor + 1 : 1;
    const gdi::Pen wavePen = gdi::Pen::Create(gdi::PS_SOLID, waveWidth * u / divisor, colours[1]);
    const gdi::Pen centrePen = gdi::Pen::Create(disp.centreStyle, drawC * u, disp.centreColour);

    const gdi::Pen oldPen = dc.SelectPen(framePen);
    dc.MoveTo(plot.left, plot.bottom);
    dc.LineTo(plot.right, plot.bottom);
    const int m = (plot.top + plot.bottom) / 2;
    dc.SelectPen(centrePen);
    dc.MoveTo(plot.left, m);
    dc.LineTo(plot.right, m);
    dc.SelectPen(framePen);

    const int count = TruncToInt(double(sampleCount) / double(EffectiveZoom()));
    const int fontH = std::min((2 * plot.Height() / 5) / 3, 16) * u;
    const gdi::Font oldFont = dc.SelectFont(gdi::Font::Create(fontH, 400, QStringLiteral("Arial")));
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(colours[0]);

    if (axisMode == 1) {
        CTimeAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, plot.left, plot.bottom,
                            plot.right, frame.bottom, 0, count);
        ruler.Draw(dc);
        ruler.GetSteps(rulerTickStep, rulerValueStep);
    } else if (axisMode == 2) {
        CAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, plot.left, plot.bottom, plot.right,
                        frame.bottom, 0, count, speed, speed);
        ruler.Draw(dc);
        ruler.GetSteps(rulerTickStep, rulerValueStep);
    }
    const float peak = DrawUnitAxis(dc, scaleCol, m, plot.bottom, true);

    const unsigned centred = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    dc.DrawText(QString::asprintf("Exp: %d", expGain), info1, centred);
    dc.DrawText(QStringLiteral("+ 5"), info2, centred);
    dc.SetBkMode(oldBk);
    dc.SelectPen(wavePen);

    const std::optional<QRegion> oldClip = dc.GetClipRegion();
    if (!dc.isPrinting())
        dc.IntersectClipRect(plot);
    const gdi::Point oldOrg = dc.GetViewportOrg();
    dc.SetViewportOrg(oldOrg.x + plot.left, oldOrg.y + m);
    const double yScale = pit::AmplitudeScale(plot.Height(), peak, scale);
    const double xStep = count >= 2 ? double(plot.Width()) / double(count - 1) : 0.0;
    std::vector<gdi::Point> p;
    if (count >= 2) {
        p = pit::CurvePoints(std::span<const float>(display).first(size_t(count)), xStep, yScale);
        std::vector<gdi::Point> line;
        line.reserve(p.size() + 1);
        line.push_back({0, 0});
        line.insert(line.end(), p.begin(), p.end());
        dc.Polyline(line);
    }
    if (localAmplifyMode)
        DrawLocalAmplify(dc, float(xStep), float(yScale));

    dc.SelectPen(gdi::Pen::Create(gdi::PS_DASH, u, colours[4]));
    for (const DefectMark& d : defects) {
        if (d.index < 0 || d.index >= int(p.size()))
            continue;
        p[size_t(d.index)] = {IndexToX(d.index), TruncToInt(-double(display[size_t(d.index)]) * yScale)};
        const int x = p[size_t(d.index)].x;
        dc.MoveTo(x, plot.top - m);
        dc.LineTo(x, plot.bottom - m);
    }
    if (drawD != 0 && !p.empty())
        DrawFilledCurve(dc, p);

    // Markers follow the stretched samples as the curve and the clicks do.
    dc.SetViewportOrg(oldOrg.x + plot.left, oldOrg.y);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_DASHDOT, u, colours[4]));
    const int hx = IndexToX(headIndex);
    dc.MoveTo(hx, plot.bottom);
    dc.LineTo(hx, plot.top);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_DASHDOTDOT, u, colours[5]));
    toeX = IndexToX(toeIndex);
    dc.MoveTo(toeX, plot.bottom);
    dc.LineTo(toeX, plot.top);

    dc.SetViewportOrg(oldOrg.x, oldOrg.y);
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
    dc.SetTextColor(oldText);
    if (oldClip)
        dc.SelectClipRegion(*oldClip);
    else
        dc.RemoveClip();
    return 1;
}

int CWaveRecord::DrawToBitmap(QPaintDevice* dev, bool print) {
    if (!dev)
        return 0;
    if (print) {
        colours[0] = 0;
        for (size_t i = 2; i < colours.size(); ++i)
            colours[i] = 0;
    } else {
        const pit::COLORREF wave = colours[1];
        colours = {0x000000, wave, 0xB46E42, 0x673610, 0x640064, 0x640064, 0x646400, 0x00FF00};
    }
    screenBitmap = QImage();
    if (frameRect.IsRectEmpty())
        return 0;
    const qreal dpr = std::max<qreal>(1.0, dev->devicePixelRatioF());
    const int dpiX = std::max(1, dev->logicalDpiX());
    QImage image(int(frameRect.Width() * dpr), int(frameRect.Height() * dpr), QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        gdi::Canvas dc(painter, dpiX, std::max(1, dev->logicalDpiY()), false);
        Draw(dc, dpiX);
    }
    pileSketch.SetRect(sketchRect);
    pileSketch.SetBottomType(bottomShape);
    pileSketch.DrawToBitmap(SketchWave(), dpiX, dpr);
    // The sketch changes only here, so it joins the cached picture once
    // instead of on every paint.
    if (!pileSketch.GetBitmap().isNull()) {
        QPainter painter(&image);
        gdi::Rect at = sketchRect;
        at.OffsetRect(-frameRect.left, -frameRect.top);
        painter.drawImage(at.toQRect(), pileSketch.GetBitmap());
    }
    screenBitmap = std::move(image);
    return 1;
}

int CWaveRecord::Paint(gdi::Canvas& dc, bool rotateMode) {
    if (!screenBitmap.isNull())
        dc.DrawImage(frameRect, screenBitmap);

    dc.Rectangle(labelRect);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    if (selected)
        dc.FillSolidRect(labelRect, kSelectedLabel);
    const QString label = isAverage ? QStringLiteral("AVG") : QString::asprintf("%d/%d", drawA, drawB);
    gdi::Rect r = labelRect;
    dc.DrawText(label, r, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOCLIP);
    dc.SetBkMode(oldBk);

    if (!dc.isPrinting()) {
        const gdi::Rect& plot = plotRect;
        if (PointInBox(plot.left, plot.top, plot.right, plot.bottom, pickX, pickY)) {
            dc.MoveTo(pickX, plot.top);
            dc.LineTo(pickX, plot.bottom);
        }
        if (rotateMode && tiltStart >= 0 && tiltStart < sampleCount) {
            const int x = plot.left + IndexToOffset(tiltStart);
            dc.MoveTo(x, plot.bottom);
            dc.LineTo(x, plot.top);
        }
    }
    return 1;
}
