// Common base of the curve drawers under the wave in the analysis view (the
// amplitude spectrum and the phase curve): a copy of the channel's samples
// that the drawer transforms, the rectangles, pens and fill, and a cached
// picture of the whole drawing that a paint copies to the view.
#pragma once

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/GdiRect.h"

#include <QImage>
#include <array>
#include <vector>

class CWaveRecord;
class QPaintDevice;

class CBaseDraw {
public:
    // Width kept free for the read-out panel right of the plot.
    static constexpr int kPanelWidth = 120;

    // Takes a copy of the wave's source samples and its sample interval.
    explicit CBaseDraw(CWaveRecord* wave);
    virtual ~CBaseDraw();
    CBaseDraw(const CBaseDraw&) = delete;
    CBaseDraw& operator=(const CBaseDraw&) = delete;

    // The whole picture into dc (a picture canvas, or a printer directly).
    virtual int Render(gdi::Canvas& dc) = 0;
    // The cached picture to dc with the cursor line (and the read-out).
    virtual int Paint(gdi::Canvas& dc) = 0;
    // The drawer's refinement or horizontal factor.
    virtual int GetRefine() const { return 1; }

    // Back to the colours, pen widths, fill and cursor of a new drawer.
    void ResetDefaults();
    void SetData(const float* values, int count);
    // Outer rectangle; the plot keeps the margins and the read-out panel free.
    void SetRect(const gdi::Rect& r);
    void SetCursorPoint(int x, int y) { cursor = {x, y}; }
    gdi::Point GetCursorPoint() const { return cursor; }
    // 0..3 only; false (mode unchanged) for any other value.
    bool SetFillMode(int mode);
    int GetFillMode() const { return fillMode; }
    // Largest |value|, starting from -100 (an empty curve gives -100).
    float GetPeak() const;

    // Renders into a new cached picture of the outer rectangle's size at the
    // resolution of dev; monochrome draws all three colours black. 1, or 0
    // (no picture) when there is no device or the rectangle is empty.
    int PrepareBitmap(QPaintDevice* dev, bool monochrome = false);
    const QImage& GetBitmap() const { return bitmap; }

    // Phase fill: vertical lines from the points to the zero line, for the
    // negative half (bit 0) and the positive half (bit 1).
    int DrawFillLines(gdi::Canvas& dc, const std::vector<gdi::Point>& pts);
    // Time or depth axis under plot, by the wave's axis mode.
    void DrawAxes(gdi::Canvas& dc, const gdi::Rect& plot);

    const gdi::Rect& GetOuterRect() const { return outerRect; }
    const gdi::Rect& GetPlotRect() const { return plotRect; }
    const std::vector<float>& Data() const { return data; }
    int Count() const { return count; }
    float SampleInterval() const { return sampleInterval; }
    CWaveRecord* Wave() const { return wave; }
    int Kind() const { return kind; }

    pit::COLORREF axisColour = 0x000000;
    pit::COLORREF curveColour = 0xC83232;
    pit::COLORREF fillColour = 0xB46E42;
    int axisPenWidth = 1;
    int curvePenWidth = 2;

protected:
    // Background of the pictures: grey for an odd blow, else white.
    pit::COLORREF ShadingColour() const;
    // The outer and plot rectangles as drawn on dc (relative to the outer
    // rectangle on a picture, as they are on a printer), the outer one filled
    // with the shading colour.
    void FillBackground(gdi::Canvas& dc, gdi::Rect& outer, gdi::Rect& plot) const;
    // Depth labels under the plot, metres below the pile head.
    void DrawDepthAxis(gdi::Canvas& dc, const gdi::Rect& plot, int s);

    CWaveRecord* wave;
    std::vector<float> data;
    float peakFrequency = 0;
    int count = 1024;
    float sampleInterval = 1.0f;
    QImage bitmap;
    gdi::Rect outerRect;
    gdi::Rect plotRect;
    int fillMode = 0;
    int kind = 1;
    gdi::Point cursor;
    // left, read-out gap, top, bottom, label font base in tenths of a point
    std::array<int, 5> margins{1, 2, 2, 20, 80};
};
