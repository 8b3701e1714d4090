// Curve drawer base: sample copy, cached picture, phase fill and the time
// or depth axis under the curve.
#include "core/draw/BaseDraw.h"

#include "core/draw/TimeAxisDraw.h"
#include "core/wave/WaveRecord.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

CBaseDraw::CBaseDraw(CWaveRecord* w) : wave(w) {
    ResetDefaults();
    if (wave) {
        const std::vector<float>& src = wave->Source();
        SetData(src.data(), int(src.size()));
        sampleInterval = wave->GetSampleInterval();
    }
}

CBaseDraw::~CBaseDraw() = default;

void CBaseDraw::ResetDefaults() {
    axisColour = 0x000000;
    curveColour = 0xC83232;
    fillColour = 0xB46E42;
    axisPenWidth = 1;
    curvePenWidth = 2;
    fillMode = 0;
    kind = 1;
    cursor = {};
    margins = {1, 2, 2, 20, 80};
}

void CBaseDraw::SetData(const float* values, int n) {
    n = std::max(0, n);
    data.assign(values, values + n);
    count = n;
}

void CBaseDraw::SetRect(const gdi::Rect& r) {
    outerRect = r;
    plotRect =
        gdi::Rect(r.left + margins[0], r.top + margins[2], r.right - kPanelWidth, r.bottom - margins[3]);
}

bool CBaseDraw::SetFillMode(int mode) {
    if (mode < 0 || mode > 3)
        return false;
    fillMode = mode;
    return true;
}

float CBaseDraw::GetPeak() const {
    float p = -100.0f;
    for (int i = 0; i < count && i < int(data.size()); ++i)
        p = std::max(p, std::fabs(data[size_t(i)]));
    return p;
}

pit::COLORREF CBaseDraw::ShadingColour() const {
    return wave && wave->IsOddChannel() ? 0xDEDEDE : 0xFFFFFF;
}

void CBaseDraw::FillBackground(gdi::Canvas& dc, gdi::Rect& outer, gdi::Rect& plot) const {
    outer = outerRect;
    plot = plotRect;
    if (!dc.isPrinting()) {
        outer.OffsetRect(-outerRect.left, -outerRect.top);
        plot.OffsetRect(-outerRect.left, -outerRect.top);
    }
    dc.FillSolidRect(outer, ShadingColour());
}

int CBaseDraw::PrepareBitmap(QPaintDevice* dev, bool monochrome) {
    if (monochrome)
        axisColour = curveColour = fillColour = 0;
    bitmap = QImage();
    if (!dev || outerRect.IsRectEmpty())
        return 0;
    const qreal dpr = std::max<qreal>(1.0, dev->devicePixelRatioF());
    QImage image(int(outerRect.Width() * dpr), int(outerRect.Height() * dpr), QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        gdi::Canvas dc(painter, std::max(1, dev->logicalDpiX()), std::max(1, dev->logicalDpiY()), false);
        Render(dc);
    }
    bitmap = std::move(image);
    return 1;
}

int CBaseDraw::DrawFillLines(gdi::Canvas& dc, const std::vector<gdi::Point>& pts) {
    int width = 2 * GetRefine();
    if (kind == 2 && wave) {
        const float z = wave->GetZoom();
        if (z / 2 >= 1.0f)
            width = int(width * z / 2);
    }
    const gdi::Pen old = dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, width, fillColour));
    for (const gdi::Point& p : pts) {
        if ((p.y < 0 && (fillMode & 1)) || (p.y > 0 && (fillMode & 2))) {
            dc.MoveTo(p);
            dc.LineTo(p.x, 0);
        }
    }
    dc.SelectPen(old);
    return 1;
}

void CBaseDraw::DrawAxes(gdi::Canvas& dc, const gdi::Rect& plot) {
    if (!wave)
        return;
    const int s = std::max(1, dc.dpiX() / 96);
    const gdi::Font oldFont = dc.SelectFont(gdi::Font::Create(16 * s, 400, QStringLiteral("Arial")));
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(axisColour);

    const int mode = wave->GetAxisMode();
    if (mode == 1) {
        int head = 0, toe = 0;
        wave->GetHeadToe(head, toe);
        CTimeAxisDraw axis(head, head, toe, sampleInterval, plot.left, plot.bottom, plot.right, plot.bottom,
                           0, count);
        axis.Draw(dc);
    } else if (mode == 2) {
        DrawDepthAxis(dc, plot, s);
    }

    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
    dc.SelectFont(oldFont);
}

void CBaseDraw::DrawDepthAxis(gdi::Canvas& dc, const gdi::Rect& plot, int s) {
    int h = 0, t = 0;
    wave->GetHeadToe(h, t);
    const float L = wave->GetPileLength();
    const double c = wave->GetWaveSpeed();
    const double dt = sampleInterval;
    const int N = count;
    dc.TextOut(plot.right - 10 * s, plot.bottom, QStringLiteral("m"));
    // Every depth divides by the speed and the interval, every x by N - 1.
    if (!(c > 0) || !(dt > 0) || N < 2 || h == 0)
        return;
    const auto x = [&](int i) { return int(plot.left + (long long)plot.Width() * i / (N - 1)); };
    const auto tick = [&](int xi, int len) {
        dc.MoveTo(xi, plot.bottom);
        dc.LineTo(xi, plot.bottom - len);
    };
    dc.TextOut(std::max(0, x(h) - 3 * s), plot.bottom, QStringLiteral("0"));
    dc.TextOut(x(h) - 7 * s, plot.bottom, QStringLiteral("0.0"));
    if (t == 1)
        return;

    if (L <= 10.0f) {
        for (int q = 1; q <= 4; ++q) {
            if ((t - h) * q < 0)
                break;
            const int p = h + (t - h) * q / 4;
            const double d = ((t - h) * q * dt / 4) * c / 1e6 / 2;
            tick(x(p), 5 * s);
            const int lx = x(p) - 7 * s;
            if (lx - plot.left > 30 * s)
                dc.TextOut(lx, plot.bottom, QString::asprintf("%.1f", d));
        }
        return;
    }

    int S = 11;
    for (int step = 1; step <= 11; ++step) {
        if (L / step <= 5.0f) {
            S = step;
            break;
        }
    }
    const int k = int((S * 2 / c * 1e6) / dt);
    const int marks = int(L / S);
    const int o = int((2 / c * 1e6) / dt);
    const int spacing = int((long long)plot.Width() * (k / 5) / (N - 1));
    const auto minorTicks = [&](int from, int to) {
        if (spacing <= 0)
            return;
        for (int m = 1; m <= 4 && from + m * spacing < to; ++m)
            tick(from + m * spacing, 3 * s);
    };
    int last = x(h + o);
    for (int j = 0; j <= marks; ++j) {
        const int xi = x(k * j + h + o);
        if (xi > plot.right)
            break;
        tick(xi, 5 * s);
        if (j > 0) {
            const int lx = xi - 2 * s;
            if (lx - plot.left > 30 * s)
                dc.TextOut(lx, plot.bottom, QString::asprintf("%d", int(1 + j * S)));
            minorTicks(last, xi);
        }
        last = xi;
    }
    const int xt = x(t);
    tick(xt, 5 * s);
    dc.TextOut(xt - 2 * s, plot.bottom, QString::asprintf("%.1f", double(L)));
    minorTicks(last, xt);
}
