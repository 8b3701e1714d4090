// The project report's font size for the Word document: the largest standard
// size at which the longest information line of the project's blow files
// fits the width of a printed A4 page, given margins, rows and row gap.
#pragma once

#include "core/doc/PrintSettings.h"
#include "reports/FontFit.h"

#include <QString>
#include <functional>

class CKEV_DUXDoc;

namespace pit {
struct ProjectRowItems;
}

class CProjectReportWriter {
public:
    // The sizes a fit chooses from, ascending (points).
    static constexpr float kSizes[12] = {5, 5.5f, 6.5f, 7.5f, 8, 9, 10, 10.5f, 11, 12, 14, 15};

    explicit CProjectReportWriter(CKEV_DUXDoc* doc = nullptr);

    void SetSettings(const CPrintSettings& settings) { m_settings = settings; }
    const CPrintSettings& Settings() const { return m_settings; }

    // keep false: fits and stores the document's size; in both cases the
    // settings' font rate takes the document's size, which is returned.
    float FitFontRate(bool keep);
    // The longest information line (in characters) over the project's blow files.
    QString FormatPileHeaderLines() const;
    // Label and value of the first six shown row items, joined by "|".
    static QString FormatHeadInfoItems(const pit::ProjectRowItems& row);
    // The largest size with points + 0.01 - size > 0.0001; 5 when none.
    static float ChooseSize(double points);

    // Measures a line in "宋体" of a cell height, in pixels of the fixed
    // 600-dpi reference (the same whatever printer is installed); tests set their own.
    std::function<pit::TextExtent(const QString& text, int fontHeight)> measure;
    // The desktop scaling percent; tests set their own.
    int scalePercent = 0;

private:
    CKEV_DUXDoc* m_doc;
    CPrintSettings m_settings;
};
