// Amplitude spectrum of one wave channel: the refined magnitude curve with
// its frequency axis, the read-out panel, and the picture for reports.
#pragma once

#include "core/draw/BaseDraw.h"
#include "core/draw/ParaSpectrum.h"
#include "core/dsp/Spectrum.h"

#include <QString>
#include <vector>

class CSpectrum : public CBaseDraw {
public:
    static constexpr int kDefaultRefine = 8;

    // Copies the wave's samples and computes with refinement 8; Fmax starts
    // from the wave's stored peak-frequency mark.
    explicit CSpectrum(CWaveRecord* wave);
    ~CSpectrum() override;

    // Recomputes from the saved samples; r is clamped to 1..32 and rounded
    // down to a power of two. Returns 0.
    int SetRefine(int r);
    int GetRefine() const override { return refine; }
    // Outer and plot rectangles as the base, and the read-out panel's.
    int SetRect(int left, int top, int right, int bottom);
    // 0 makes the read-out take the frequency of the curve's peak.
    void SetPeakFrequency(float hz) { peakFrequency = hz; }
    float GetPeakFrequency() const { return peakFrequency; }
    // A click in the curve area: its point and the bin under it. Returns 0.
    int SetCursorPos(int x, int y);
    gdi::Point GetClickPoint() const { return clickPoint; }
    int GetClickBin() const { return clickBin; }
    // Whole Hz under the last click (bin 0 before any click).
    int GetCursorFrequency() const;
    // The shown range's upper end and Fmax (the stored mark, else the peak's), whole Hz.
    void GetRangeAndPeak(int& rangeHz, int& peakHz) const;
    // First index in 1..N/2-1 holding the largest value above 0; -1 for none.
    int FindPeakBin() const { return spectrum.peakBin(); }
    // Reference for the frequency difference, whole Hz; -1 for none.
    void SetReferenceFrequency(int hz) { referenceFrequency = hz; }
    // Decimal places of the dLen line (the document's).
    void SetDecimals(int n) { decimals = n; }

    // Values at the mouse cursor into the panel's five lines.
    void UpdateReadout();
    const std::vector<QString>& ReadoutLines() const { return panel.Lines(); }
    float CursorFrequency() const { return cursorFrequency; }
    float CursorAmplitude() const { return cursorAmplitude; }
    float DeltaFrequency() const { return deltaFrequency; }
    float DeltaLength() const { return deltaLength; }
    float MaxFrequency() const { return maxFrequency; }
    const pit::dsp::AmplitudeSpectrum& Spectrum() const { return spectrum; }
    CParaSpectrum& Panel() { return panel; }

    int Render(gdi::Canvas& dc) override;
    int Paint(gdi::Canvas& dc) override;
    // The report picture into outerRect of dc, in black, with the given font.
    void DrawForPrint(gdi::Canvas& dc, const gdi::Font& font);

    // The frequency axis under plot: baseline, unit, ticks and labels.
    void DrawAxes(gdi::Canvas& dc, const gdi::Rect& plot);

    // Axis step for a shown range of rangeHz: the largest table entry giving
    // at least five steps; 0 when the range is not positive.
    static double AxisStep(double rangeHz);
    // Unit text and divisor of the axis labels for a shown range.
    static QString AxisUnit(double rangeHz, double& divisor);

private:
    void Compute();
    // Ticks and labels of the frequency axis along baseline y from x0 over
    // width; a label's top at labelY, its left labelDx from its tick. Centred
    // (the report picture), a label is centred on its tick instead, and left
    // out where it would touch the one before it or reach labelsEnd.
    void DrawFrequencyTicks(gdi::Canvas& dc, int x0, int y, int width, int major, int minor, int labelDx,
                            int labelY, bool centred = false, int labelsEnd = 0);

    std::vector<float> savedSamples;
    pit::dsp::AmplitudeSpectrum spectrum;
    int refine = kDefaultRefine;
    float cursorFrequency = 0;
    float cursorAmplitude = 0;
    float deltaFrequency = 0;
    float deltaLength = 0;
    float maxFrequency = 0;
    gdi::Point clickPoint;
    int clickBin = -1;
    int referenceFrequency = -1;
    int computed = 0;
    int decimals = 2;
    CParaSpectrum panel;
};
