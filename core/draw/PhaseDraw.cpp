// Phase curve drawer.
#include "core/draw/PhaseDraw.h"

#include "core/dsp/Hilbert.h"
#include "core/wave/WaveRecord.h"

#include <algorithm>

CPhase::CPhase(CWaveRecord* w) : CBaseDraw(w) {
    const std::vector<float> phase = pit::dsp::ComputePhase(data);
    SetData(phase.data(), int(phase.size()));
    horizontalFactor = 1;
    kind = 2;
}

CPhase::~CPhase() = default;

int CPhase::SetRefine(int factor) {
    horizontalFactor = std::clamp(factor, kMinFactor, kMaxFactor);
    return 0;
}

int CPhase::Render(gdi::Canvas& dc) {
    const int savedCount = count;
    const float zoom = wave ? wave->GetZoom() : 1.0f;
    if (zoom > 0)
        count = std::min(savedCount, int(savedCount / zoom));

    gdi::Rect outer, plot;
    FillBackground(dc, outer, plot);

    const gdi::Pen axisPen = gdi::Pen::Create(gdi::PS_SOLID, axisPenWidth, axisColour);
    const gdi::Pen curvePen = gdi::Pen::Create(gdi::PS_SOLID, curvePenWidth, curveColour);
    const gdi::Pen dashPen = gdi::Pen::Create(gdi::PS_DASH, axisPenWidth, axisColour);
    const gdi::Pen oldPen = dc.SelectPen(axisPen);
    dc.MoveTo(plot.left, plot.bottom);
    dc.LineTo(plot.right, plot.bottom);
    const int mid = (plot.top + plot.bottom) / 2;
    dc.SelectPen(dashPen);
    dc.MoveTo(plot.left, mid);
    dc.LineTo(plot.right, mid);
    dc.SelectPen(axisPen);
    DrawAxes(dc, plot);

    const int shown = count / horizontalFactor;
    if (shown > 0) {
        const float P = GetPeak();
        // A flat trace (an all-zero channel) has no scale: drawn on the middle line.
        const float ky = P > 0 ? (plot.Height() / 2.0f) / P : 0.0f;
        const float kx = float(plot.Width()) / float(std::max(1, (count - 1) / horizontalFactor));
        dc.SelectPen(curvePen);
        const auto oldClip = dc.GetClipRegion();
        dc.IntersectClipRect(plot);
        const gdi::Point oldOrg = dc.SetViewportOrg(plot.left, mid);
        std::vector<gdi::Point> pts(size_t(std::max(0, count)));
        std::vector<gdi::Point> line;
        line.reserve(size_t(shown) + 1);
        line.push_back({0, 0});
        for (int i = 0; i < shown; ++i) {
            pts[size_t(i)] = {int(i * kx), int(-(data[size_t(i)] * ky))};
            line.push_back(pts[size_t(i)]);
        }
        dc.Polyline(line);
        if (fillMode != 0)
            DrawFillLines(dc, pts);
        dc.SetViewportOrg(oldOrg.x, oldOrg.y);
        if (oldClip)
            dc.SelectClipRegion(*oldClip);
        else
            dc.RemoveClip();
    }
    dc.SelectPen(oldPen);
    count = savedCount;
    return 1;
}

int CPhase::Paint(gdi::Canvas& dc) {
    if (!bitmap.isNull())
        dc.DrawImage(outerRect, bitmap);
    if (plotRect.left <= cursor.x && cursor.x <= plotRect.right) {
        dc.MoveTo(cursor.x, plotRect.top);
        dc.LineTo(cursor.x, plotRect.bottom);
    }
    return 1;
}
