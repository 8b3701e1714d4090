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

// The English and Chinese pages (mode 0).
ProjectCellLayout ComputeCurvePageLayout(const ProjectPageArea& area, const CPrintSettings& s);
// The ZEZ-style page (mode 1): one pile per page row.
ProjectCellLayout ComputePageLayout(const ProjectPageArea& area, const CPrintSettings& s);

} // namespace pit
