// Amplitude spectrum drawer.
#include "core/draw/SpectrumDraw.h"

#include "core/doc/MathOperation.h"
#include "core/wave/WaveRecord.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Axis steps in Hz; the small ones serve long sample intervals at high refinement.
constexpr std::array<double, 38> kSteps = {
    1,      2,      5,      10,     20,     25,     50,     100,    200,    250,    300,    400,    500,
    600,    750,    800,    1000,   2000,   5000,   10000,  15000,  20000,  25000,  30000,  50000,  75000,
    100000, 125000, 150000, 175000, 200000, 250000, 300000, 350000, 400000, 500000, 750000, 1000000};

} // namespace

CSpectrum::CSpectrum(CWaveRecord* w) : CBaseDraw(w), panel(this) {
    computed = 0;
    peakFrequency = wave ? wave->spectrumPeak : 0.0f;
    clickPoint = {};
    clickBin = -1;
    refine = kDefaultRefine;
    kind = 1;
    referenceFrequency = -1;
    savedSamples = data;
    Compute();
}

CSpectrum::~CSpectrum() = default;

void CSpectrum::Compute() {
    spectrum = pit::dsp::ComputeAmplitudeSpectrum(savedSamples, sampleInterval, refine);
    refine = pit::dsp::RoundSpectrumRefine(refine);
    if (!spectrum.magnitude.empty())
        refine = spectrum.refine;
    SetData(spectrum.magnitude.data(), spectrum.length());
    computed = 1;
}

int CSpectrum::SetRefine(int r) {
    refine = r;
    Compute();
    return 0;
}

int CSpectrum::SetRect(int left, int top, int right, int bottom) {
    CBaseDraw::SetRect(gdi::Rect(left, top, right, bottom));
    panel.SetRect(
        gdi::Rect(outerRect.right - kPanelWidth, plotRect.top, outerRect.right - 2, plotRect.bottom));
    return 1;
}

int CSpectrum::SetCursorPos(int x, int y) {
    clickPoint = {x, y};
    clickBin = pit::dsp::SpectrumIndexAtX(x, plotRect.left, plotRect.Width(), spectrum.shownBins());
    return 0;
}

int CSpectrum::GetCursorFrequency() const {
    return int(spectrum.frequencyHz(std::max(0, clickBin)));
}

void CSpectrum::GetRangeAndPeak(int& rangeHz, int& peakHz) const {
    rangeHz = int(spectrum.maxFrequencyHz());
    peakHz = pit::dsp::ComputeSpectrumReadout(spectrum, peakFrequency, 0, -1, 0).peakFrequencyHz;
}

void CSpectrum::UpdateReadout() {
    const int c = pit::dsp::SpectrumIndexAtX(cursor.x, plotRect.left, plotRect.Width(), spectrum.shownBins());
    const float speed = wave ? float(wave->GetWaveSpeed()) : 0.0f;
    const pit::dsp::SpectrumReadout r =
        pit::dsp::ComputeSpectrumReadout(spectrum, peakFrequency, c, referenceFrequency, speed);
    peakFrequency = float(r.peakFrequencyHz);
    cursorFrequency = float(r.cursorFrequencyHz);
    maxFrequency = r.maxFrequencyHz;
    cursorAmplitude = r.cursorAmplitude;
    deltaFrequency = float(r.deltaFrequencyHz);
    deltaLength = r.deltaLengthM;
    const int n = std::clamp(decimals, 0, 6);
    MathOperation::RoundToDecimals(deltaLength, n);

    std::vector<QString> lines;
    lines.push_back(PadText(QString::asprintf("Fmax: %.0fHz", double(peakFrequency)), 14));
    lines.push_back(PadText(QString::asprintf("F: %.0fHz", double(cursorFrequency)), 14));
    lines.push_back(PadText(QString::asprintf("FA: %.2E", double(cursorAmplitude)), 18));
    lines.push_back(PadText(QString::asprintf("dFre: %.0fHz", double(deltaFrequency)), 14));
    lines.push_back(PadText(QStringLiteral("dLen:") + MathOperation::FormatFloatDecimals(deltaLength, n) +
                                QStringLiteral("m"),
                            14));
    panel.SetLines(std::move(lines));
}

double CSpectrum::AxisStep(double rangeHz) {
    if (!(rangeHz > 0) || !std::isfinite(rangeHz))
        return 0;
    double step = kSteps.front();
    for (double s : kSteps)
        if (rangeHz / s >= 5)
            step = s;
    return step;
}

QString CSpectrum::AxisUnit(double rangeHz, double& divisor) {
    if (rangeHz >= 1e6) {
        divisor = 1e6;
        return QStringLiteral("MHz");
    }
    if (rangeHz >= 1000) {
        divisor = 1000;
        return QStringLiteral("kHz");
    }
    divisor = 1;
    return QStringLiteral("Hz");
}

void CSpectrum::DrawFrequencyTicks(gdi::Canvas& dc, int x0, int y, int width, int major, int minor,
                                   int labelDx, int labelY, bool centred, int labelsEnd) {
    const double R = (1e6 / sampleInterval) / (2.0 * refine);
    const double S = AxisStep(R);
    if (!(S > 0))
        return;
    double divisor = 1;
    AxisUnit(R, divisor);
    const int n = int(R / S);
    const int spacing = int(width * S / R / 5.0);
    const char* format = (n - 1) * S / divisor <= 5.0 ? "%.2f" : "%.0f";
    int lastRight = x0;
    for (int t = 0; t < n; ++t) {
        const int xt = int(width * S * t / R);
        dc.MoveTo(x0 + xt, y);
        dc.LineTo(x0 + xt, y + major);
        for (int m = 1; m <= 4 && spacing > 0; ++m) {
            dc.MoveTo(x0 + xt + m * spacing, y);
            dc.LineTo(x0 + xt + m * spacing, y + minor);
        }
        if (t == 0)
            continue;
        const QString label = QString::asprintf(format, t * S / divisor);
        if (!centred) {
            dc.TextOut(x0 + labelDx + xt, labelY, label);
            continue;
        }
        const int w = dc.GetTextExtent(label).cx;
        const int left = x0 + xt - w / 2;
        if (left <= lastRight || left + w >= labelsEnd)
            continue;
        dc.TextOut(left, labelY, label);
        lastRight = left + w;
    }
}

void CSpectrum::DrawAxes(gdi::Canvas& dc, const gdi::Rect& plot) {
    dc.MoveTo(plot.left, plot.bottom);
    dc.LineTo(plot.right, plot.bottom);
    // A point-size font: 9.5 pt on the device.
    const int em = int(std::lround((margins[4] + 15) * dc.dpiY() / 720.0));
    const gdi::Font oldFont = dc.SelectFont(gdi::Font::Create(-em, 400, QStringLiteral("Arial")));
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(axisColour);

    const double R = (1e6 / sampleInterval) / (2.0 * refine);
    double divisor = 1;
    // The unit ends at the plot's right edge: the read-out panel beside it
    // would cover a unit that runs past it.
    const QString unit = AxisUnit(R, divisor);
    dc.TextOut(std::min(plot.right - 19, plot.right - 2 - dc.GetTextExtent(unit).cx), plot.bottom + 4, unit);
    DrawFrequencyTicks(dc, plot.left, plot.bottom, plot.Width(), 5, 3, -6, plot.bottom + 5);

    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
    dc.SelectFont(oldFont);
}

int CSpectrum::Render(gdi::Canvas& dc) {
    gdi::Rect outer, plot;
    FillBackground(dc, outer, plot);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);

    const gdi::Pen axisPen = gdi::Pen::Create(gdi::PS_SOLID, axisPenWidth, axisColour);
    const gdi::Pen curvePen = gdi::Pen::Create(gdi::PS_SOLID, curvePenWidth, curveColour);
    const gdi::Pen oldPen = dc.SelectPen(axisPen);
    DrawAxes(dc, plot);

    if (!dc.isPrinting()) {
        if (cursor == gdi::Point{})
            cursor.x = plotRect.left;
        if (plotRect.PtInRect(clickPoint)) {
            const int x = clickPoint.x - outerRect.left;
            dc.MoveTo(x, plot.top);
            dc.LineTo(x, plot.bottom);
        }
    }

    const int half = spectrum.shownBins();
    if (half > 0) {
        const float P = GetPeak();
        // An all-zero channel has no scale: its curve lies flat on the axis.
        const float ky = P > 0 ? float(plot.Height()) / P : 0.0f;
        const float kx = float(plot.Width()) / float(half);
        const gdi::Point oldOrg = dc.SetViewportOrg(plot.left, plot.bottom);
        dc.SelectPen(curvePen);
        std::vector<gdi::Point> line;
        std::vector<gdi::Point> area;
        line.reserve(size_t(half) + 1);
        area.reserve(size_t(half) + 2);
        line.push_back({0, 0});
        area.push_back({0, 0});
        for (int k = 0; k < half; ++k) {
            const int x = int(k * kx);
            const int y = int(data[size_t(k)] * ky);
            line.push_back({x, -y});
            area.push_back({x, 1 - y});
        }
        dc.Polyline(line);
        if (fillMode != 0) {
            // The whole shown curve is filled, down to the axis.
            area.push_back({area.back().x, 0});
            dc.FillPolygon(area, gdi::Brush::Solid(dc.isPrinting() ? 0 : fillColour), gdi::WINDING);
        }
        dc.SetViewportOrg(oldOrg.x, oldOrg.y);
    }
    dc.SelectPen(oldPen);
    dc.SetBkMode(oldBk);
    return 1;
}

int CSpectrum::Paint(gdi::Canvas& dc) {
    QPaintDevice* dev = dc.painter().device();
    panel.DrawToBitmap(dev, wave && wave->IsOddChannel());
    if (!bitmap.isNull()) {
        if (!panel.GetBitmap().isNull()) {
            QPainter p(&bitmap);
            const gdi::Rect& pr = panel.GetRect();
            const int y = int(plotRect.Height() / 2 - pr.Width() / 2.8);
            p.drawImage(QPoint(pr.left - outerRect.left, y), panel.GetBitmap());
        }
        dc.DrawImage(outerRect, bitmap);
    }
    if (!dc.isPrinting() && plotRect.PtInRect(cursor)) {
        dc.MoveTo(cursor.x, plotRect.top);
        dc.LineTo(cursor.x, plotRect.bottom);
    }
    return 1;
}

void CSpectrum::DrawForPrint(gdi::Canvas& dc, const gdi::Font& font) {
    axisColour = curveColour = 0;
    const gdi::Rect& outer = outerRect;
    const float u = outer.Width() / 500.0f;
    dc.FillSolidRect(outer, 0xFFFFFF);
    const int s = std::max(1, dc.dpiX() / 96);
    const gdi::Pen axisPen = gdi::Pen::Create(gdi::PS_SOLID, axisPenWidth * s, 0);
    const gdi::Pen curvePen = gdi::Pen::Create(gdi::PS_SOLID, std::max(0, curvePenWidth - 1) * s, 0);
    const gdi::Pen oldPen = dc.SelectPen(axisPen);
    const gdi::Font oldFont = dc.SelectFont(font);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(0);

    gdi::Rect m(0, 0, 0, 0);
    dc.DrawText(QStringLiteral("100"), m, gdi::DT_CALCRECT | gdi::DT_SINGLELINE | gdi::DT_CENTER);
    // The labels' line lies below the longest tick, so no tick runs through
    // a number, and ends at the picture's bottom.
    const int major = std::max(1, int(5 * u)), minor = std::max(1, int(3 * u));
    const int labelTop = outer.bottom - m.Height();
    const int b = labelTop - std::max(1, int(u)) - major;
    dc.MoveTo(outer.left, b);
    dc.LineTo(outer.right, b);

    const double R = (1e6 / sampleInterval) / (2.0 * refine);
    double divisor = 1;
    const QString unit = AxisUnit(R, divisor);
    gdi::Rect um(0, 0, 0, 0);
    dc.DrawText(unit, um, gdi::DT_CALCRECT | gdi::DT_SINGLELINE | gdi::DT_CENTER);
    const int unitLeft = outer.right - um.Width();
    dc.TextOut(unitLeft, labelTop, unit);
    DrawFrequencyTicks(dc, outer.left, b, outer.Width(), major, minor, 0, labelTop, true, unitLeft);

    const int half = spectrum.shownBins();
    if (half > 0) {
        const int H = b - outer.top;
        const float P = GetPeak();
        const float ky = P > 0 ? float(H) / P : 0.0f;
        const float kx = float(outer.Width()) / float(half);
        const gdi::Point oldOrg = dc.SetViewportOrg(outer.left, outer.top);
        dc.SelectPen(curvePen);
        std::vector<gdi::Point> line;
        line.reserve(size_t(half));
        for (int k = 0; k < half; ++k)
            line.push_back({int((k + 1) * kx), H - int(data[size_t(k)] * ky)});
        dc.Polyline(line);
        if (fillMode != 0) {
            // Closed on the baseline, so the area under the curve is filled.
            std::vector<gdi::Point> area;
            area.reserve(line.size() + 2);
            area.push_back({line.front().x, H});
            area.insert(area.end(), line.begin(), line.end());
            area.push_back({line.back().x, H});
            dc.FillPolygon(area, gdi::Brush::Solid(0), gdi::WINDING);
        }
        dc.SetViewportOrg(oldOrg.x, oldOrg.y);
    }
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
}
