// The project report's layout calculators against the worked examples and
// lookup tables, and the rows of every layout fitting their cell.
#include "office/ProjectLayout.h"

#include "core/doc/PrintSettings.h"
#include "reports/RepProjectA.h"

#include <gtest/gtest.h>

using namespace pit;

namespace {

CPrintSettings Settings(int rows, int cols, bool spectrum, bool quality, std::initializer_list<int> items) {
    CPrintSettings s;
    s.m_nRow = rows;
    s.m_nColumn = cols;
    s.m_bSpectrum = spectrum;
    s.m_bQualityAssess = quality;
    for (int& f : s.m_bHeadInfo)
        f = 0;
    for (int i : items)
        s.m_bHeadInfo[i] = 1;
    return s;
}

const std::initializer_list<int> k3Fields = {0, 1, 2};
const std::initializer_list<int> k5Fields = {0, 1, 2, 3, 5};
const std::initializer_list<int> k7Fields = {0, 1, 2, 3, 4, 5, 6};
const std::initializer_list<int> k12Fields = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13};

TEST(ProjectLayout, FieldsAndInfoLines) {
    struct Case {
        std::initializer_list<int> items;
        int fields, columns, rows;
    };
    const Case cases[] = {
        {{}, 0, 0, 2},      // no field: one info line without columns
        {{9, 12}, 0, 0, 2}, // the heading and the time are no fields
        {{0, 9, 12}, 1, 1, 2}, {{0, 1, 2, 3, 4, 5}, 6, 6, 2}, {k7Fields, 7, 6, 3}, // two info lines
        {k12Fields, 12, 6, 3},
    };
    for (const Case& c : cases) {
        const CPrintSettings s = Settings(5, 1, false, false, c.items);
        EXPECT_EQ(ProjectFieldCount(s), c.fields);
        const ProjectCellLayout l = ComputeCurvePageLayout({480, 700, 12, 8.5f}, s);
        EXPECT_EQ(l.fieldColumns, c.columns);
        EXPECT_EQ(l.tableRows, c.rows);
        EXPECT_FLOAT_EQ(l.fieldWidth, c.columns ? l.cellWidth / c.columns : l.cellWidth);
    }
}

TEST(ProjectLayout, WorkedExamples) {
    const float R = 3 * 72 / 25.4f;
    const ProjectCellLayout two =
        ComputeCurvePageLayout({480, 700, 12, R}, Settings(5, 2, false, true, k5Fields));
    EXPECT_FLOAT_EQ(two.cellWidth, 231.75f);
    EXPECT_FLOAT_EQ(two.cellHeight, (700 - 5 * R) / 5);

    const ProjectCellLayout one =
        ComputeCurvePageLayout({481.9f, 700, 12, R}, Settings(5, 1, false, true, k5Fields));
    EXPECT_EQ(one.tableRows, 3);
    EXPECT_NEAR(one.cellWidth, 476.9, 1e-3);
    EXPECT_NEAR(one.cellHeight, 131.50, 0.01);
    EXPECT_FLOAT_EQ(one.lineSpacing, 12);
    EXPECT_FLOAT_EQ(one.fontSize, 9);
    EXPECT_EQ(one.curveLines, 5);
    EXPECT_NEAR(one.lineHeight, 18.79, 0.01);
    EXPECT_FLOAT_EQ(one.lineSpacingRule, 4);
    EXPECT_EQ(one.spectrumLines, 6);
}

// The tables row by row: spacing, font, curve lines and the line-unit
// denominator (cellHeight / lineHeight) for each column count, row count and
// spectrum switch, with L = 12, one info line, integrity on (T = 3 + s).
TEST(ProjectLayout, LookupTables) {
    struct Case {
        int cols, rows;
        bool s;
        float spacing, font;
        int curve, denominator;
    };
    const Case cases[] = {
        {1, 3, true, 12, 10, 8, 4 + 12},
        {1, 3, false, 18, 14, 4, 3 + 3},
        {1, 4, true, 8, 8.5f, 8, 4 + 12},
        {1, 4, false, 12, 11.5f, 4, 3 + 3},
        {1, 5, true, 6, 6.5f, 8, 4 + 12},
        {1, 5, false, 12, 9, 5, 3 + 4},
        {1, 6, false, 12, 8.5f, 5, 3 + 4},
        {1, 7, false, 12, 8.5f, 5, 3 + 4},
        {1, 8, false, 6, 7.5f, 5, 3 + 4},
        {1, 9, false, 6, 7.5f, 5, 3 + 4},
        {1, 10, false, 6, 6.5f, 5, 3 + 4},
        {2, 3, true, 9, 5, 8, 4 + 12},
        {2, 3, false, 12, 5, 8, 3 + 7},
        {2, 4, true, 8, 5, 8, 4 + 12},
        {2, 4, false, 12, 5, 8, 3 + 7},
        {2, 5, true, 6, 5, 8, 4 + 12},
        {2, 5, false, 12, 5, 6, 3 + 5},
        {2, 6, false, 6, 5, 4, 3 + 3},
        {2, 10, false, 6, 5, 4, 3 + 3},
        // The spectrum row counted where the tables give a fixed denominator.
        {1, 6, true, 12, 8.5f, 5, 4 + 9},
        {1, 8, true, 6, 7.5f, 5, 4 + 9},
        {1, 10, true, 6, 6.5f, 5, 4 + 9},
        {2, 6, true, 6, 5, 4, 4 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cols << " columns, " << c.rows << " rows, spectrum " << c.s);
        const ProjectCellLayout l =
            ComputeCurvePageLayout({480, 700, 12, 8.5f}, Settings(c.rows, c.cols, c.s, true, k3Fields));
        EXPECT_FLOAT_EQ(l.lineSpacing, c.spacing);
        EXPECT_FLOAT_EQ(l.fontSize, c.font);
        EXPECT_EQ(l.curveLines, c.curve);
        EXPECT_NEAR(l.cellHeight / l.lineHeight, c.denominator, 1e-3);
    }
}

TEST(ProjectLayout, ShortCellAndFourRowFonts) {
    // One column, 3 rows, spectrum, 12 fields, a short cell: spacing 3 × cellHeight / 64.
    const ProjectCellLayout shortCell =
        ComputeCurvePageLayout({480, 180, 12, 8.5f}, Settings(3, 1, true, true, k12Fields));
    ASSERT_LT(int(3 * shortCell.cellHeight / 12 / 4), 16);
    EXPECT_FLOAT_EQ(shortCell.lineSpacing, 3 * shortCell.cellHeight / 64);
    const ProjectCellLayout tallCell =
        ComputeCurvePageLayout({480, 900, 12, 8.5f}, Settings(3, 1, true, true, k12Fields));
    EXPECT_FLOAT_EQ(tallCell.lineSpacing, 12);
    // One column, 4 rows, no spectrum: L − 1 with two info lines, L − 0.5 with one.
    EXPECT_FLOAT_EQ(
        ComputeCurvePageLayout({480, 700, 12, 8.5f}, Settings(4, 1, false, true, k7Fields)).fontSize, 11);
    EXPECT_FLOAT_EQ(
        ComputeCurvePageLayout({480, 700, 12, 8.5f}, Settings(4, 1, false, true, k3Fields)).fontSize, 11.5f);
}

TEST(ProjectLayout, ZezPage) {
    struct Case {
        int rows;
        float font, rule, spacing, factor;
    };
    const Case cases[] = {
        {4, 10, 0.5f, 0, 0.93f}, {1, 10, 0.5f, 0, 0.93f}, {5, 6, 4, 6, 0.945f}, {0, 6, 4, 6, 0.945f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        const ProjectCellLayout l =
            ComputePageLayout({480, 700, 12, 8.5f}, Settings(c.rows, 2, true, true, k3Fields));
        EXPECT_FLOAT_EQ(l.cellWidth, 480);
        EXPECT_FLOAT_EQ(l.cellHeight, 700.0f / std::max(1, c.rows) - 5);
        EXPECT_EQ(l.tableRows, 4);
        EXPECT_EQ(l.fieldColumns, 6);
        EXPECT_EQ(l.curveLines, 6);
        EXPECT_FLOAT_EQ(l.lineHeight, l.cellHeight / 9);
        EXPECT_FLOAT_EQ(l.fieldWidth, 80);
        EXPECT_FLOAT_EQ(l.fontSize, c.font);
        EXPECT_FLOAT_EQ(l.lineSpacingRule, c.rule);
        EXPECT_FLOAT_EQ(l.lineSpacing, c.spacing);
        EXPECT_FLOAT_EQ(l.pictureAspect, l.lineHeight * 6 / 400 * c.factor);
    }
}

// Whatever the settings, the nested table's rows add up to no more than the
// outer cell: text rows and integrity one unit each, the curve and the
// spectrum their units.
TEST(ProjectLayout, RowsFitTheirCell) {
    for (int rows = 3; rows <= 10; ++rows)
        for (int cols = 1; cols <= 2; ++cols)
            for (bool s : {false, true})
                for (bool q : {false, true})
                    for (auto items : {std::initializer_list<int>{}, k3Fields, k7Fields, k12Fields}) {
                        const CPrintSettings set = Settings(rows, cols, s, q, items);
                        const ProjectCellLayout l = ComputeCurvePageLayout({481.9f, 717.1f, 12, 8.5f}, set);
                        const int info = ProjectFieldCount(set) > 6 ? 2 : 1;
                        const float sum = l.lineHeight * float(info + l.curveLines +
                                                               (s ? l.spectrumLines : 0) + (q ? 1 : 0));
                        EXPECT_LE(sum, l.cellHeight * 1.0001f)
                            << rows << " rows, " << cols << " columns, s " << s << ", q " << q;
                    }
}

// The rows the pages give: the spectrum row gives up height until the curve
// reaches its floor, keeping its read-outs' least height; the cell's sum stays.
TEST(ProjectLayout, CurveRowFloorFromTheSpectrumRow) {
    for (int rows = 3; rows <= 10; ++rows)
        for (int cols = 1; cols <= 2; ++cols)
            for (bool s : {false, true}) {
                SCOPED_TRACE(testing::Message() << rows << " rows, " << cols << " columns, s " << s);
                const ProjectCellLayout l = ComputeCurvePageLayout({481.9f, 667.1f, 12, 8.5f},
                                                                   Settings(rows, cols, s, true, k7Fields));
                const ProjectRowHeights r = ComputeProjectRows(l, s);
                EXPECT_FLOAT_EQ(r.text, l.lineHeight);
                EXPECT_NEAR(r.curve + r.spectrum, l.lineHeight * (l.curveLines + (s ? l.spectrumLines : 0)),
                            1e-3);
                if (!s) {
                    EXPECT_FLOAT_EQ(r.curve, l.curveLines * l.lineHeight);
                    EXPECT_FLOAT_EQ(r.spectrum, 0);
                    continue;
                }
                EXPECT_GE(r.curve, l.curveLines * l.lineHeight);
                EXPECT_GE(r.spectrum / 6, std::min(kReadoutFloor, l.lineHeight) - 1e-4f);
                if (r.spectrum / 6 > kReadoutFloor + 1e-4f)
                    EXPECT_GE(r.curve, kCurveFloorShare * l.cellHeight - 1e-3f);
            }
    // Ten rows of two columns on the A4 body: the curve takes its floor, the
    // read-outs stay above theirs.
    const ProjectCellLayout l =
        ComputeCurvePageLayout({481.9f, 717.1f, 12, 8.5f}, Settings(10, 2, true, true, k5Fields));
    const ProjectRowHeights r = ComputeProjectRows(l, true);
    EXPECT_LT(l.curveLines * l.lineHeight, kCurveFloorShare * l.cellHeight);
    EXPECT_FLOAT_EQ(r.curve, kCurveFloorShare * l.cellHeight);
    EXPECT_GT(r.spectrum / 6, kReadoutFloor);
}

TEST(ProjectLayout, LinesFitTheirRow) {
    struct Case {
        const char* name;
        float wanted, row, spacing;
        double textWidth, width;
        float size, lineSpacing;
        float least = 0;
    };
    const Case cases[] = {
        {"room for all", 9, 20, 12, 0, 0, 9, 12},
        {"spacing raised to the size's line", 12, 20, 12, 0, 0, 12, 14.4f},
        {"a short row", 12, 5, 6, 0, 0, 3, 4},
        {"a narrow cell", 10, 30, 12, 500, 40, 8, 12},
        {"half points down", 10, 30, 12, 500, 43, 8.5f, 12},
        {"never below one", 9, 1, 6, 0, 0, 1, 1},
        {"a long text stops at the least size", 12, 30, 12, 300000, 400, 7.5f, 12, 7.5f},
        {"a text that fits above the least", 12, 30, 12, 500, 40, 8, 12, 7.5f},
        {"the row below the least", 12, 5, 6, 300000, 400, 3, 4, 7.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FittedLine f = FitLine(c.wanted, c.row, c.spacing, c.textWidth, c.width, c.least);
        EXPECT_FLOAT_EQ(f.size, c.size);
        EXPECT_FLOAT_EQ(f.spacing, c.lineSpacing);
        if (c.row > 2) {
            EXPECT_LE(f.spacing, c.row - 1);
            EXPECT_LE(f.size * 1.2f, f.spacing + 1e-4f);
        }
    }
}

} // namespace
