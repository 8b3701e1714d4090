// The project report of the "Static English" format: the page grid of the
// project report with a fixed cell: a four-field header in a fixed-pitch
// font, six summary lines beside the curve and a quality line.
#pragma once

#include "reports/RepProjectA.h"

class CRepProjectB : public CRepProjectA {
public:
    using CRepProjectA::CRepProjectA;

    void PrintPage(gdi::Canvas& dc, CPrintInfo& info) override;
    void DrawPage(int left, int top, int right, int bottom, gdi::Canvas& dc) override;

    // "courier new": -5 in picture mode, -13 into bitmaps, else
    // trunc(-13 x the printer resolution / 100).
    gdi::Font CreateCourierFont() const;
    // The cell's font: the one above, lowered until every field's text fits
    // its field (FitCourierFont fits it to a cell after DrawPage).
    gdi::Font CellCourierFont() const;
    void FitCourierFont(gdi::Canvas& dc, int index);
    void DrawHeaderB(gdi::Canvas& dc, int index);
    void WritePileSummary(gdi::Canvas& dc, int index);
    void DrawCurveB(gdi::Canvas& dc, int index);
    void DrawQualityB(gdi::Canvas& dc, int index);
    // The six summary lines of a pile.
    static std::array<QString, 6> SummaryLines(const CReportPileItem& item);

    const gdi::Rect& PlotBand() const { return m_rcPlotB; }

protected:
    int WordKind() const override { return 1; }

private:
    gdi::Rect m_rcPlotB;
    int m_nCourierEm = 0; // the fitted character height of the cell; 0 before a fit
};
