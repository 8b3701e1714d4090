// Layout of the project report in a document: one outer cell per pile and the
// nested table inside it, computed from the usable page area and the print
// settings. Pure arithmetic.
#pragma once

class CPrintSettings;

struct ProjectCellLayout {
    float cellWidth = 0;       // points: one outer cell, the nested table's width
    float cellHeight = 0;      // points: one outer cell
    int tableRows = 0;         // rows of the nested table
    int fieldColumns = 0;      // text fields per line
    float lineHeight = 0;      // points: the line unit
    float fieldWidth = 0;      // cellWidth / fieldColumns (cellWidth with no field)
    float lineSpacingRule = 0; // 4 exactly; 0.5 marks single spacing (ZEZ page)
    float lineSpacing = 0;     // points, with rules 3 and 4
    float fontSize = 0;
    int curveLines = 0;      // curve row height in line units
    int spectrumLines = 6;   // spectrum row height in line units
    float pictureAspect = 0; // ZEZ page: curve picture height / width
};

namespace pit {

// The page area the layout divides, points.
struct ProjectPageArea {
    float width = 0;       // W: usable width
    float height = 0;      // H: usable height
    float lineSpacing = 0; // L: the document's paragraph line spacing
    float rowGap = 0;      // R: gap between pile rows
};

// Heights of the nested table's rows on the English and Chinese pages, points.
struct ProjectRowHeights {
    float text = 0;     // an info line or the integrity line
    float curve = 0;    // the curve picture's row
    float spectrum = 0; // the spectrum row, six read-out rows beside the picture
};

// Below this share of the cell the curve's wave and its ruler run into each
// other; the spectrum row gives up height for it first.
constexpr float kCurveFloorShare = 0.45f;
// A spectrum read-out row keeps at least this height (points).
constexpr float kReadoutFloor = 4.0f;

// The rows of layout l: every text row a line unit, the curve and the
// spectrum their units, then the curve raised to its floor out of the spectrum row.
ProjectRowHeights ComputeProjectRows(const ProjectCellLayout& l, bool spectrum);

// A line of text in a row of exact height: its size and exact line spacing.
struct FittedLine {
    float size = 0;
    float spacing = 0;
};
// The text's size: wanted, made smaller (in half points) so that its line
// stays inside the row (a line takes 1.2 x the size) and, when textWidth
// (the measured width of the text at 100 points) is given, so that it
// fits width (points), but for the width no smaller than least (a text
// wider at that size is for the caller to cut). The spacing is lineSpacing
// where the row has room for it, else the row's height less its borders.
FittedLine FitLine(float wanted, float rowHeight, float lineSpacing, double textWidth = 0, double width = 0,
                   float least = 0);

// The English and Chinese pages (mode 0).
ProjectCellLayout ComputeCurvePageLayout(const ProjectPageArea& area, const CPrintSettings& s);
// The ZEZ-style page (mode 1): one pile per page row.
ProjectCellLayout ComputePageLayout(const ProjectPageArea& area, const CPrintSettings& s);

} // namespace pit
