// The project report's layout calculators and their lookup tables.
#include "office/ProjectLayout.h"

#include "core/doc/PrintSettings.h"
#include "reports/RepProjectA.h"

#include <algorithm>
#include <cmath>

namespace pit {

namespace {

// One entry of the lookup tables: values with the spectrum shown and without.
struct Entry {
    float spacingS, spacing; // lineSpacing; a negative value stands for a multiple of L
    float fontS, font;
    int curveS, curve;
};

// One column, by rows: 2-3, 4, 5, 6-7, 8-9, any other. The 4-row font and the
// 2-3-row spacing depend on more than s and are set in code.
constexpr Entry kOneColumn[] = {
    {-1.0f, -1.5f, 10.0f, 14.0f, 8, 4}, // 2, 3
    {8.0f, -1.0f, 0, 0, 8, 4},          // 4
    {6.0f, 12.0f, 6.5f, 9.0f, 8, 5},    // 5
    {12.0f, 12.0f, 8.5f, 8.5f, 5, 5},   // 6, 7
    {6.0f, 6.0f, 7.5f, 7.5f, 5, 5},     // 8, 9
    {6.0f, 6.0f, 6.5f, 6.5f, 5, 5},     // any other
};
// More than one column, by rows: 2-3, 4, 5, any other.
constexpr Entry kTwoColumns[] = {
    {9.0f, 12.0f, 5.0f, 5.0f, 8, 8}, // 2, 3
    {8.0f, 12.0f, 5.0f, 5.0f, 8, 8}, // 4
    {6.0f, 12.0f, 5.0f, 5.0f, 8, 6}, // 5
    {6.0f, 6.0f, 5.0f, 5.0f, 4, 4},  // any other
};

int OneColumnRow(int rows) {
    switch (rows) {
    case 2:
    case 3:
        return 0;
    case 4:
        return 1;
    case 5:
        return 2;
    case 6:
    case 7:
        return 3;
    case 8:
    case 9:
        return 4;
    default:
        return 5;
    }
}

// The two-column table keeps one entry for every count above five.
int TwoColumnRow(int rows) {
    return std::min(OneColumnRow(rows), 3);
}

} // namespace

ProjectCellLayout ComputeCurvePageLayout(const ProjectPageArea& a, const CPrintSettings& s) {
    ProjectCellLayout l;
    const int cols = s.m_nColumn;
    const int rows = s.m_nRow;
    const bool spectrum = s.m_bSpectrum != 0;
    const bool quality = s.m_bQualityAssess != 0;
    const float L = a.lineSpacing;
    l.cellWidth = (a.width - 3.5f) / float(std::max(1, cols)) - 5.0f * float(cols - 1) - 1.5f;
    l.cellHeight = (a.height - float(rows) * a.rowGap) / float(std::max(1, rows));
    const int n = ProjectFieldCount(s);
    const int infoLines = n > 6 ? 2 : 1;
    l.fieldColumns = infoLines == 2 ? 6 : n;
    l.tableRows = infoLines + 1 + (spectrum ? 1 : 0) + (quality ? 1 : 0);
    l.spectrumLines = 6;
    l.lineSpacingRule = 4.0f;
    l.fieldWidth = l.fieldColumns > 0 ? l.cellWidth / float(l.fieldColumns) : l.cellWidth;

    const Entry& e = cols == 1 ? kOneColumn[OneColumnRow(rows)] : kTwoColumns[TwoColumnRow(rows)];
    const float spacing = spectrum ? e.spacingS : e.spacing;
    l.lineSpacing = spacing < 0 ? -spacing * L : spacing;
    l.fontSize = spectrum ? e.fontS : e.font;
    l.curveLines = spectrum ? e.curveS : e.curve;
    if (cols == 1 && (rows == 2 || rows == 3) && infoLines == 2 && spectrum &&
        int(3 * l.cellHeight / L / 4) < 16)
        l.lineSpacing = 3 * l.cellHeight / 64; // a short cell
    if (cols == 1 && rows == 4)
        l.fontSize = spectrum         ? l.lineSpacing + 0.5f
                     : infoLines == 2 ? l.lineSpacing - 1.0f
                                      : l.lineSpacing - 0.5f;
    // The line units the rows take: one per text row, the curve's, six for the
    // spectrum. (Taken from the rows, the cell holds its integrity row also
    // when the spectrum is shown with many rows.)
    const int units = l.tableRows - 1 - (spectrum ? 1 : 0) + l.curveLines + (spectrum ? l.spectrumLines : 0);
    l.lineHeight = l.cellHeight / float(units);
    return l;
}

ProjectRowHeights ComputeProjectRows(const ProjectCellLayout& l, bool spectrum) {
    ProjectRowHeights r;
    r.text = l.lineHeight;
    r.curve = float(l.curveLines) * l.lineHeight;
    if (!spectrum)
        return r;
    r.spectrum = float(l.spectrumLines) * l.lineHeight;
    const float spare = std::max(0.0f, r.spectrum - float(l.spectrumLines) * kReadoutFloor);
    const float move = std::clamp(kCurveFloorShare * l.cellHeight - r.curve, 0.0f, spare);
    r.curve += move;
    r.spectrum -= move;
    return r;
}

FittedLine FitLine(float wanted, float rowHeight, float lineSpacing, double textWidth, double width,
                   float least) {
    constexpr float kLine = 1.2f;    // a line's height by its size
    constexpr float kBorders = 1.0f; // the row's top and bottom border
    const float room = std::max(1.0f, rowHeight - kBorders);
    double size = std::min<double>(wanted, room / kLine);
    if (textWidth > 0 && width > 0)
        size = std::min(size, std::max(width / textWidth * 100, std::min<double>(size, least)));
    // Half points, as a word processor keeps font sizes; never below one.
    FittedLine f;
    f.size = std::max(1.0f, float(std::floor(size * 2) / 2));
    f.spacing = std::clamp(lineSpacing, std::min(room, f.size * kLine), room);
    return f;
}

ProjectCellLayout ComputePageLayout(const ProjectPageArea& a, const CPrintSettings& s) {
    ProjectCellLayout l;
    const int rows = s.m_nRow;
    l.cellWidth = a.width;
    l.cellHeight = a.height / float(std::max(1, rows)) - 5.0f;
    l.fieldColumns = 6;
    l.tableRows = 4;
    l.curveLines = 6;
    l.lineHeight = l.cellHeight / 9.0f;
    l.fieldWidth = a.width / 6.0f;
    const float pictureWidth = a.width - l.fieldWidth;
    if (rows >= 1 && rows <= 4) {
        l.fontSize = 10.0f;
        l.lineSpacingRule = 0.5f;
        l.pictureAspect = pictureWidth > 0 ? l.lineHeight * 6 / pictureWidth * 0.93f : 0;
    } else {
        l.fontSize = 6.0f;
        l.lineSpacingRule = 4.0f;
        l.lineSpacing = 6.0f;
        l.pictureAspect = pictureWidth > 0 ? l.lineHeight * 6 / pictureWidth * 0.945f : 0;
    }
    return l;
}

} // namespace pit
