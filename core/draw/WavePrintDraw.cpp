// Print drawings of one channel (report pages, picture exports, documents):
// the print layout, the full form with the curve style and print settings,
// and the two plain forms with the channel's own colours.
#include "core/wave/WaveRecord.h"

#include "core/doc/CurveStyle.h"
#include "core/doc/DocSettings.h"
#include "core/doc/PrintSettings.h"
#include "core/draw/AxisDraw.h"
#include "core/draw/TimeAxisDraw.h"
#include "core/wave/WaveMath.h"
#include "platform/Metrics.h"

#include <algorithm>
#include <cmath>

using pit::CurveElement;
using pit::wave::TruncToInt;

namespace {

// The unit of the print pens: dpi / 96, or dpi / 600 for the picture
// exports; at least 1 so a low-resolution device still draws.
int PrintUnit(const gdi::Canvas& dc, bool pictureMode) {
    return std::max(1, dc.dpiX() / (pictureMode ? 600 : 96));
}

// Saves what a print drawing borrows of the record and the device, and
// gives it back however the drawing ends: by restore() at its end, where
// running out of memory (a clip region recorded) goes to the caller, or,
// when the drawing ends by an exception, as far as memory allows.
struct PrintScope {
    gdi::Canvas& dc;
    std::array<pit::COLORREF, 8>& colours;
    pit::COLORREF c0, c1;
    gdi::Pen pen;
    gdi::Font font;
    gdi::Point org;
    std::optional<QRegion> clip;

    // Nothing of the drawing (a thick pen at the plot's edge) spills out of box.
    PrintScope(gdi::Canvas& d, std::array<pit::COLORREF, 8>& c, const gdi::Font* f, const gdi::Rect& box)
        : dc(d), colours(c), c0(c[0]), c1(c[1]), pen(d.GetPen()), font(d.GetFont()), org(d.GetViewportOrg()),
          clip(d.GetClipRegion()) {
        // The clip first: when it finds no memory, nothing else has changed.
        dc.IntersectClipRect(box);
        if (f)
            dc.SelectFont(*f);
        colours[0] = 0;
    }
    bool restored = false;

    void restore() {
        if (restored)
            return;
        restored = true;
        colours[0] = c0;
        colours[1] = c1;
        dc.SetViewportOrg(org.x, org.y);
        dc.SelectPen(pen);
        dc.SelectFont(font);
        if (clip)
            dc.SelectClipRegion(*clip);
        else
            dc.RemoveClip();
    }
    // A destructor that threw would end the program.
    ~PrintScope() {
        try {
            restore();
        } catch (...) {
        }
    }
    void origin(int x, int y) { dc.SetViewportOrg(org.x + x, org.y + y); }
};

void VerticalLine(gdi::Canvas& dc, int x, int bottom, int top) {
    dc.MoveTo(x, bottom);
    dc.LineTo(x, top);
}

void DrawRuns(gdi::Canvas& dc, const pit::BandClip& clip) {
    for (const auto& run : clip.runs)
        dc.Polyline(run);
}

// The base line under the plot in linePen and the centre line in centrePen;
// leaves linePen selected and returns the centre line's y.
int DrawBaseAndCentreLines(gdi::Canvas& dc, const gdi::Rect& P, const gdi::Pen& linePen,
                           const gdi::Pen& centrePen) {
    dc.SelectPen(linePen);
    dc.MoveTo(P.left, P.bottom);
    dc.LineTo(P.right, P.bottom);
    const int m = (P.top + P.bottom) / 2;
    dc.SelectPen(centrePen);
    dc.MoveTo(P.left, m);
    dc.LineTo(P.right, m);
    dc.SelectPen(linePen);
    return m;
}

} // namespace

pit::PrintLayout CWaveRecord::DrawScaleBar(const gdi::Rect& box, gdi::Canvas& dc, int /*mode*/,
                                           bool withScale, const pit::PrintDrawDoc& doc, bool moniPile,
                                           int majorTick) {
    const int s = std::max(1, dc.dpiX() / 96);
    // The document's picture labels its ruler in a font of its own, which
    // stays selected for the drawing: the room measured here is the room
    // the labels take. (Regular weight: a light one is drawn as a hairline
    // face by word processors that have one.)
    if (printLabelMode > 1) {
        const double h = (double(doc.Doc().m_nFontRate) - 1.0) * 96.0 / 72.0 * pit::GetScreenScalePercent() /
                             100.0 * dc.dpiX() / 96.0 +
                         0.45;
        dc.SelectFont(gdi::Font::Create(std::max(1, TruncToInt(h)), 400, QStringLiteral("宋体")));
    }
    // The amplitude labels are drawn in this font too: their column is measured in it.
    const int fontHeight = dc.GetTextMetrics().height;
    gdi::Rect r(0, 0, 0, 0);
    dc.DrawText(QStringLiteral("100"), r, gdi::DT_CALCRECT | gdi::DT_SINGLELINE | gdi::DT_CENTER);
    const int L = TruncToInt(1.4 * r.Height());

    pit::PrintLayoutInput in;
    in.box = box;
    in.s = s;
    in.withScale = withScale;
    in.groupPeak = groupPeak;
    in.displayMax100 = displayMax100;
    in.fontHeight = fontHeight;
    in.labelHeight = L;
    in.rulerLabelBottom =
        pit::RulerLabelOffset(pit::DeviceOf(dc), majorTick, pit::kRulerLabelGap, pictureMode != 0) +
        r.Height();
    in.printLabelMode = printLabelMode;
    in.moniPile = moniPile;
    in.compact = compact != 0;
    in.compactLabelMargin = margins[4];
    in.rows = doc.Print().m_nRow;
    in.marginTop = margins[2];
    in.marginRight = margins[1];
    in.marginBottom = margins[3];
    const pit::PrintLayout layout = pit::ComputePrintLayout(in);
    printPlotRect = layout.plot;
    if (printSketch)
        printSketch->SetRect(layout.sketch);
    return layout;
}

int CWaveRecord::DrawForPrint(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                              const gdi::Font* font, const pit::PrintDrawDoc& doc) {
    const CPrintSettings& ps = doc.Print();
    const CCurveStyle cs = doc.Curve();
    int info[6];
    std::copy(std::begin(ps.m_bWaveInfo), std::end(ps.m_bWaveInfo), info);
    const pit::SampleWindow win = pit::ClampSampleWindow(first, count, zoom, sampleCount);
    PrintScope scope(dc, colours, font, box);
    scope.colours[0] = 0;

    printSketch = std::make_unique<CMoniPileDraw>(pileSketch);
    printSketch->SetBottomType(bottomShape);
    printSketch->SetPrintFlag(printFlag);
    const int major = ps.m_nRow < 6 ? 4 : 3, minor = ps.m_nRow < 6 ? 3 : 2;
    const pit::PrintLayout layout =
        DrawScaleBar(box, dc, layoutMode ? 2 : 1, info[4] != 0, doc, ps.m_bMoniPile != 0, major);
    const gdi::Rect P = layout.plot;

    dc.FillSolidRect(box, 0xFFFFFF);
    const int u = PrintUnit(dc, pictureMode);
    auto pen = [&](CurveElement e) {
        const CCurveStyle::Pen& p = cs[e];
        return CreateStylePen(p.style, p.width, p.color, u);
    };
    const gdi::Pen absPen = pen(CurveElement::Absci);
    const gdi::Pen wavePen = pen(CurveElement::Wave);
    const gdi::Pen centrePen = pen(CurveElement::Center);

    const int m = DrawBaseAndCentreLines(dc, P, absPen, centrePen);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(colours[0]);

    const double w = win.drawable() ? double(P.Width()) / double(win.count - 1) : 0.0;
    if (double(sampleCount) * double(sampleInterval) > 2000.0) {
        const int spacing = printFlag ? 20 : 20 / std::max(1, ps.m_nColumn);
        if (axisMode == 1) {
            CTimeAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, P.left, P.bottom, P.right,
                                box.bottom, win.first, win.count);
            ruler.SetFineLine(pictureMode != 0);
            ruler.SetTickSizes(major, minor);
            ruler.SetTickSpacing(spacing);
            ruler.Draw(dc);
            ruler.GetSteps(rulerTickStep, rulerValueStep);
        } else if (axisMode == 2) {
            CAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, P.left, P.bottom, P.right,
                            box.bottom, win.first, win.count, speed, speed);
            ruler.SetFlags(pictureMode != 0, layoutMode != 0);
            ruler.SetTickSizes(major, minor);
            ruler.SetTickSpacing(spacing);
            ruler.Draw(dc);
            ruler.GetSteps(rulerTickStep, rulerValueStep);
        }
    }
    if (info[4]) {
        dc.SelectPen(pen(CurveElement::YAxis));
        DrawUnitAxis(dc, layout.scale, m, P.bottom, false);
    }
    dc.SelectPen(centrePen);
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);

    if (ps.m_bMoniPile) {
        const gdi::Pen pilePen = pen(CurveElement::Pile);
        printSketch->Draw(dc, SketchWave(), &pilePen);
    }

    dc.SelectPen(wavePen);
    const bool smooth =
        (dc.isPrinting() && cs.IsSmooth && cs[CurveElement::Wave].style == 0) || pictureMode != 0;
    const int h = P.Height() / 2;
    scope.origin(P.left, m);
    pit::BandClip clip;
    std::vector<gdi::Point> p;
    if (win.drawable()) {
        const double yScale = pit::AmplitudeScale(P.Height(), displayMax100 / 100.0, scale);
        p = pit::CurvePoints(std::span<const float>(display).subspan(size_t(win.first), size_t(win.count)), w,
                             yScale);
        clip = pit::ClipToBand(p, h);
        if (!smooth)
            DrawRuns(dc, clip);
    }
    if (info[3]) {
        const QString text =
            dataForm != 0
                ? QStringLiteral("Vmax:")
                : QString::asprintf("Vmax:%.2f(cm/s)", double(MaxInWindow(win.first, win.count)) * 100.0);
        gdi::Rect r(0, -(P.Height() / 2) + 2 * u, P.Width(), 0);
        dc.DrawText(text, r, gdi::DT_RIGHT | gdi::DT_SINGLELINE | gdi::DT_END_ELLIPSIS);
    }
    if (drawD != 0 && !p.empty())
        DrawFillLines(dc, p, P);

    const CCurveStyle::Pen& head = cs[CurveElement::Head];
    const CCurveStyle::Pen& toe = cs[CurveElement::Bttm];
    const gdi::Pen headPen = head.style == 0
                                 ? gdi::Pen::Create(gdi::PS_SOLID, (head.width + 1) * u, head.color)
                                 : CreateStylePen(head.style, head.width, head.color, u);
    const gdi::Pen toePen = toe.style == 0 ? gdi::Pen::Create(gdi::PS_SOLID, (toe.width + 1) * u, toe.color)
                                           : CreateStylePen(toe.style, toe.width + 1, toe.color, u);
    scope.origin(0, 0);

    if (win.drawable()) {
        if (info[0] && win.first <= headIndex && headIndex <= win.last()) {
            dc.SelectPen(headPen);
            VerticalLine(dc, pit::PrintMarkerX(headIndex, win.first, w, P.left), P.bottom, P.top);
        }
        if (info[1] && win.first <= toeIndex && toeIndex <= win.last()) {
            dc.SelectPen(toePen);
            VerticalLine(dc, pit::PrintMarkerX(toeIndex, win.first, w, P.left), P.bottom, P.top);
        }
        if (info[5]) {
            const QString text = QString::asprintf("%.0f(us)", double(toeIndex - headIndex) * sampleInterval);
            const gdi::Size ext = dc.GetTextExtent(text);
            const int right = pit::PrintMarkerX(toeIndex, win.first, w, P.left);
            gdi::Rect r(right - ext.cx, P.bottom - 10 - ext.cy, right, P.bottom - 10);
            dc.DrawText(text, r, gdi::DT_RIGHT | gdi::DT_SINGLELINE);
        }
        if (info[2] && !defects.empty()) {
            const CCurveStyle::Pen& bug = cs[CurveElement::Bug];
            dc.SelectPen(bug.style == 0 ? gdi::Pen::Create(gdi::PS_SOLID, bug.width * u, bug.color)
                                        : CreateStylePen(bug.style, bug.width, bug.color, u));
            for (const DefectMark& d : defects)
                VerticalLine(dc, pit::PrintMarkerX(d.index, win.first, w, P.left), P.bottom, P.top);
        }
    }

    if (smooth && win.drawable()) {
        const CCurveStyle::Pen& wave = cs[CurveElement::Wave];
        scope.origin(P.left, m);
        dc.DrawBeziers(pit::BezierPoints(clip.smooth),
                       {wave.color, double((wave.width + 1) * u), wave.style});
        scope.origin(0, 0);
    }
    scope.restore();
    return 1;
}

int CWaveRecord::DrawForPrintB(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                               const gdi::Font* font, const pit::PrintDrawDoc& doc) {
    return PrintPlain(dc, first, count, box, printFlag, font, doc, false);
}

int CWaveRecord::DrawForWordReport(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                                   const gdi::Font* font, const pit::PrintDrawDoc& doc) {
    return PrintPlain(dc, first, count, box, printFlag, font, doc, true);
}

int CWaveRecord::PrintPlain(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                            const gdi::Font* font, const pit::PrintDrawDoc& doc, bool wordReport) {
    const CPrintSettings& ps = doc.Print();
    const CCurveStyle& cs = doc.Curve();
    const pit::WaveDisplaySettings& disp = context->Display();
    const pit::SampleWindow win = pit::ClampSampleWindow(first, count, zoom, sampleCount);
    PrintScope scope(dc, colours, font, box);

    printSketch = std::make_unique<CMoniPileDraw>(pileSketch);
    printSketch->SetBottomType(bottomShape);
    printSketch->SetPrintFlag(printFlag);
    // The plain forms always leave room for the pile sketch.
    const pit::PrintLayout layout = DrawScaleBar(box, dc, wordReport && layoutMode ? 2 : 1, false, doc, true);
    const gdi::Rect P = layout.plot;

    dc.FillSolidRect(box, 0xFFFFFF);
    const int u = PrintUnit(dc, pictureMode);
    const gdi::Pen framePen = gdi::Pen::Create(gdi::PS_SOLID, drawC * u, colours[0]);
    const gdi::Pen wavePen =
        gdi::Pen::Create(gdi::PS_SOLID, (waveWidth - 1) * u * (pictureMode ? 2 : 1), colours[1]);
    const gdi::Pen centrePen =
        gdi::Pen::Create(disp.centreStyle == 1 ? gdi::PS_DOT : disp.centreStyle, 1, disp.centreColour);

    const int m = DrawBaseAndCentreLines(dc, P, framePen, centrePen);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(colours[0]);

    const double w = win.drawable() ? double(P.Width()) / double(win.count - 1) : 0.0;
    if (axisMode == 1) {
        CTimeAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, P.left, P.bottom, P.right,
                            box.bottom, win.first, win.count);
        ruler.SetFineLine(pictureMode != 0);
        ruler.SetTickSpacing(20);
        ruler.Draw(dc);
        ruler.GetSteps(rulerTickStep, rulerValueStep);
    } else if (axisMode == 2) {
        CAxisDraw ruler(headIndex, headIndex, toeIndex, sampleInterval, P.left, P.bottom, P.right, box.bottom,
                        win.first, win.count, speedAbove, speed);
        ruler.SetFlags(pictureMode != 0, wordReport && layoutMode != 0);
        ruler.SetTickSpacing(20);
        ruler.Draw(dc);
        ruler.GetSteps(rulerTickStep, rulerValueStep);
    }
    dc.SelectPen(centrePen);
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);

    const pit::PileSketchWave sketch = SketchWave();
    printSketch->Draw(dc, sketch, nullptr);
    if (wordReport && ps.m_bMoniPile) {
        const CCurveStyle::Pen& pile = cs[CurveElement::Pile];
        const gdi::Pen pilePen = CreateStylePen(pile.style, pile.width, pile.color, u);
        printSketch->Draw(dc, sketch, &pilePen);
    }

    dc.SelectPen(wavePen);
    scope.origin(P.left, m);
    pit::BandClip clip;
    std::vector<gdi::Point> p;
    if (win.drawable()) {
        const double yScale = pit::AmplitudeScale(P.Height(), GetDisplayMax(false), scale);
        p = pit::CurvePoints(std::span<const float>(display).subspan(size_t(win.first), size_t(win.count)), w,
                             yScale);
        clip = pit::ClipToBand(p, P.Height() / 2);
        if (!wordReport)
            DrawRuns(dc, clip);
    }
    if (drawD != 0 && !p.empty())
        DrawFillLines(dc, p, P);

    gdi::Pen headPen, toePen;
    if (disp.centreStyle == 1) {
        headPen = toePen = gdi::Pen::Create(gdi::PS_DOT, 1, disp.centreColour);
    } else {
        const int geo = gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | gdi::PS_USERSTYLE;
        headPen = gdi::Pen::Ext(geo, u, 0x000000, {u, u, 4 * u, 4 * u});
        toePen = gdi::Pen::Ext(geo, u, 0x000000, {2 * u, 2 * u});
    }
    scope.origin(0, 0);
    if (win.drawable()) {
        if (win.first <= headIndex && headIndex <= win.last()) {
            dc.SelectPen(headPen);
            VerticalLine(dc, pit::PrintMarkerX(headIndex, win.first, w, P.left), P.bottom, P.top);
        }
        if (win.first <= toeIndex && toeIndex <= win.last()) {
            dc.SelectPen(toePen);
            VerticalLine(dc, pit::PrintMarkerX(toeIndex, win.first, w, P.left), P.bottom, P.top);
        }
        dc.SelectPen(gdi::Pen::Create(gdi::PS_DOT, 1, 0x000000));
        for (const DefectMark& d : defects)
            VerticalLine(dc, pit::PrintMarkerX(d.index, win.first, w, P.left), P.bottom, P.top);
    }

    if (wordReport && win.drawable()) {
        const CCurveStyle::Pen& wave = cs[CurveElement::Wave];
        scope.origin(P.left, m);
        dc.DrawBeziers(pit::BezierPoints(clip.smooth), {wave.color, double(u), wave.style});
        scope.origin(0, 0);
    }
    scope.restore();
    return 1;
}
