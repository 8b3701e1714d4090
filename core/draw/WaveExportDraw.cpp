// One channel of the curve export (a picture per pile, or every pile's curve
// in a document): its own layout, fitted label font and amplitude scale, and
// the pile sketch's plain picture under the curve.
#include "core/wave/WaveRecord.h"

#include "core/doc/MathOperation.h"
#include "core/draw/AxisDraw.h"
#include "core/draw/TimeAxisDraw.h"
#include "core/wave/WaveMath.h"

#include <algorithm>
#include <cmath>

using pit::wave::TruncToInt;

void CWaveRecord::DrawForExport(gdi::Canvas& dc, int n, gdi::Rect box, int first, bool printFlag,
                                const gdi::Font* font) {
    const pit::WaveDisplaySettings& disp = context->Display();
    // The export shows at most the first 1024 samples, fewer when stretched.
    const int count = TruncToInt(double(std::min(sampleCount, kDefaultCount)) / double(EffectiveZoom()));
    const pit::COLORREF saved0 = colours[0], saved1 = colours[1];
    colours[0] = 0;
    const int u = std::max(1, dc.dpiX() / 96);
    const std::optional<QRegion> oldClip = dc.GetClipRegion();
    dc.IntersectClipRect(box);
    dc.FillSolidRect(box, 0xFFFFFF);
    const double Wb = box.Width(), Hb = box.Height();

    const int W = disp.waveLineDivisor;
    const int divisor = W + 1 > 0 ? W + 1 : 1;
    const gdi::Pen framePen = gdi::Pen::Create(gdi::PS_SOLID, drawC * u, colours[0]);
    const int waveW = (printFlag && W == 0) ? (waveWidth + 1) * u / divisor : waveWidth * u / divisor;
    const gdi::Pen wavePen = gdi::Pen::Create(gdi::PS_SOLID, waveW, colours[1]);
    const gdi::Pen centrePen =
        gdi::Pen::Create(disp.centreStyle == 1 ? gdi::PS_DOT : disp.centreStyle, 1, disp.centreColour);

    pit::ExportLayout lay = pit::ExportFirstLayout(box, u);
    gdi::Rect& plot = lay.plot;
    gdi::Rect& label = lay.label;

    // The label font: the box grows until the sample text fits in at least
    // height 10, or reaches a fifth of the width; bounded on a narrow box.
    float A = commonPeak != -1.0f ? commonPeak * 100.0f : float(displayMax100);
    const int d = MathOperation::ChooseDecimalsAndRound(A);
    const QString sample =
        QString::asprintf("%d/%d", n, n) + QStringLiteral("-") + MathOperation::FormatFloatDecimals(A, d);
    const int grow = std::max(1, TruncToInt(0.01 * Wb));
    int edge = plot.left;
    int h = 0;
    for (int round = 0; round < 20 && h < 10; ++round) {
        edge += grow;
        if (edge > box.left + 0.2 * Wb)
            break;
        h = FitLabelFont(sample, gdi::Rect(label.left, box.top + 2, edge, box.top + 2 + 20 * u));
    }
    const gdi::Font exportFont = gdi::Font::Create(h, 100, QStringLiteral("宋体"));
    if (h < 20) {
        label.left += 2;
        label.right = label.left + (2 * h + 2) * u;
        label.top = box.top + 2;
        label.bottom = label.top + h * u;
        const pit::ExportLayout again = pit::ExportFirstLayout(box, u);
        plot.top = again.plot.top;
        plot.bottom = again.plot.bottom;
        plot.left = edge;
        plot.right = TruncToInt(box.right - 0.02 * Wb);
    }
    if (pit::ExportRowCount(n) >= 7)
        plot.bottom = TruncToInt(plot.top + 0.64 * Hb);

    const gdi::Pen oldPen = dc.SelectPen(framePen);
    const gdi::Font oldFont = dc.SelectFont(font ? *font : exportFont);
    // The top amplitude value stands left of the plot's top edge: the plot
    // starts low enough for it to clear the channel's name above it.
    const int e = dc.GetTextExtent(QStringLiteral("m")).cy;
    plot.top =
        std::min(std::max(plot.top, label.bottom + e / 4 + 1), std::max(plot.top, plot.bottom - 4 * u));
    dc.FillSolidRect(label, 0xFFFFFF);
    dc.MoveTo(plot.left, plot.bottom);
    dc.LineTo(plot.right, plot.bottom);
    dc.MoveTo(plot.left, plot.top);
    dc.LineTo(plot.right, plot.top);
    dc.MoveTo(plot.right, plot.top);
    dc.LineTo(plot.right, plot.bottom);
    const int middle = (plot.top + plot.bottom) / 2;
    dc.SelectPen(centrePen);
    dc.MoveTo(plot.left, middle);
    dc.LineTo(plot.right, middle);
    dc.SelectPen(framePen);

    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(colours[0]);

    // Amplitude scale left of the plot, labels right-aligned against the ticks.
    const int axisX = plot.left - 1;
    dc.MoveTo(axisX, plot.top);
    dc.LineTo(axisX, plot.bottom);
    auto tickLabel = [&](int y, int from, const QString& text) {
        dc.MoveTo(from, y);
        dc.LineTo(axisX, y);
        gdi::Rect r(box.left, y - e / 4, plot.left - 5 * u, y - e / 4 + e);
        dc.DrawText(text, r, gdi::DT_RIGHT | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
    };
    tickLabel(middle, plot.left - 5 * u, QStringLiteral("0"));
    const int q = plot.Height() / 4;
    for (int i = 1; i <= 2; ++i) {
        const float v = float(i) * A / 2.0f;
        tickLabel(i == 2 ? plot.top : middle - i * q, plot.left - 3 * u,
                  MathOperation::FormatFloatDecimals(v, d));
        tickLabel(i == 2 ? plot.bottom : middle + i * q, plot.left - 3 * u,
                  MathOperation::FormatFloatDecimals(-v, d));
    }

    if (axisMode == 1) {
        CTimeAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, plot.left, plot.bottom,
                            plot.right, box.bottom, 0, count);
        ruler.SetTickSizes(3, 2);
        ruler.SetTickSpacing(20);
        ruler.Draw(dc);
        ruler.GetSteps(rulerTickStep, rulerValueStep);
    } else if (axisMode == 2) {
        CAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, plot.left, plot.bottom, plot.right,
                        box.bottom, 0, count, speedAbove, speed);
        ruler.SetTickSizes(3, 2);
        ruler.SetTickSpacing(20);
        ruler.Draw(dc);
        ruler.GetSteps(rulerTickStep, rulerValueStep);
    }

    dc.SelectPen(wavePen);
    const gdi::Point oldOrg = dc.GetViewportOrg();
    dc.SetViewportOrg(oldOrg.x + plot.left, oldOrg.y + middle);
    std::vector<gdi::Point> p;
    if (count >= 2) {
        const double yScale = pit::AmplitudeScale(plot.Height(), GetDisplayMax(false), scale);
        const double xStep = double(plot.Width()) / double(count - 1);
        p = pit::CurvePoints(std::span<const float>(display).first(size_t(count)), xStep, yScale);
        std::vector<gdi::Point> line{{0, 0}};
        line.insert(line.end(), p.begin(), p.end());
        dc.Polyline(line);
        if (drawD != 0)
            DrawFillLines(dc, p, plot);
    }
    dc.SetViewportOrg(oldOrg.x, oldOrg.y);

    if (selected) {
        gdi::Pen headPen, toePen;
        if (disp.centreStyle == 1) {
            headPen = toePen = gdi::Pen::Create(gdi::PS_DOT, 1, disp.centreColour);
        } else {
            const int geo = gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | gdi::PS_USERSTYLE;
            headPen = gdi::Pen::Ext(geo, u, 0x000000, {u, u, 4 * u, 4 * u});
            toePen = gdi::Pen::Ext(geo, u, 0x000000, {2 * u, 2 * u});
        }
        // Only samples that were drawn have a position.
        auto drawn = [&](int index) { return index >= 0 && index < int(p.size()); };
        const int lastShown = first + count - 1;
        for (auto [index, pen] : {std::pair{headIndex, headPen}, std::pair{toeIndex, toePen}}) {
            if (first <= index && index <= lastShown && drawn(index)) {
                dc.SelectPen(pen);
                const int x = p[size_t(index)].x + plot.left;
                dc.MoveTo(x, plot.bottom);
                dc.LineTo(x, plot.top);
            }
        }
        dc.SelectPen(gdi::Pen::Create(gdi::PS_DOT, 1, 0x000000));
        for (const DefectMark& mk : defects) {
            if (!drawn(mk.index))
                continue;
            const int x = p[size_t(mk.index)].x + plot.left;
            dc.MoveTo(x, plot.bottom);
            dc.LineTo(x, plot.top);
        }

        gdi::Rect strip(plot.left, plot.bottom + 3 * u + label.Height(), plot.right, box.bottom - 1);
        if (pileSketch.GetBitmap2().isNull() && !sketchRect.IsRectEmpty()) {
            pileSketch.SetRect(sketchRect);
            pileSketch.SetBottomType(bottomShape);
            pileSketch.DrawToBitmap(SketchWave(), dc.dpiX());
        }
        if (!strip.IsRectEmpty() && !pileSketch.GetBitmap2().isNull()) {
            const double f = strip.Height() <= 20 ? 0.8 : (strip.Height() <= 30 ? 0.9 : 1.0);
            gdi::Rect dest = strip;
            dest.bottom = strip.top + TruncToInt(strip.Height() * f);
            dc.DrawImage(dest, pileSketch.GetBitmap2());
            if (drawn(toeIndex)) {
                const int tx = p[size_t(toeIndex)].x + plot.left;
                if (tx > 0 && tx < plot.right)
                    dc.FillSolidRect(gdi::Rect(tx + 1, strip.top, plot.right, strip.bottom), 0xFFFFFF);
            }
        }
    }

    DrawUnitLabel(dc, box.left, plot.top, plot.left, plot.bottom);
    const QString name = isAverage ? QStringLiteral("AVG") : QString::asprintf("%d/%d", drawA, drawB);
    label.right = label.left + int(name.size()) * dc.GetTextExtent(QStringLiteral("m")).cx;
    dc.DrawText(name, label, gdi::DT_VCENTER | gdi::DT_SINGLELINE);

    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
    colours[0] = saved0;
    colours[1] = saved1;
    if (oldClip)
        dc.SelectClipRegion(*oldClip);
    else
        dc.RemoveClip();
}
