// The items of a project report: one pile read from its file into an item,
// and the texts of a cell's information row. The report pages, their Word
// document and the font-size fit all build on these.
#pragma once

#include "core/doc/PrintSettings.h"
#include "reports/ReportPileItem.h"

#include <QString>
#include <array>

class CKEV_DUXDoc;
class CWaveRecord;

namespace pit {

struct AnalysisBlock;

// The twelve items of a cell's information row: label, value and whether
// the print settings show it.
struct ProjectRowItems {
    std::array<QString, 12> labels;
    std::array<QString, 12> values;
    std::array<bool, 12> shown{};
    QString Text(int i) const { return labels[size_t(i)] + values[size_t(i)]; }
};

// The row of a pile in the report language of the settings.
ProjectRowItems BuildProjectRowItems(const CReportPileItem& item, const CPrintSettings& s, int decimals);
// Shown text fields: head-line items 0..13 except 9 (the page heading) and
// 12 (it only adds the time to item 6).
int ProjectFieldCount(const CPrintSettings& s);

// Information lines of a cell with n shown fields: none, one (up to six) or two.
inline int ProjectInfoLineCount(int n) { return n <= 0 ? 0 : (n <= 6 ? 1 : 2); }
// The line units of a cell: its information lines, four for the curve
// (six with the spectrum), six for the spectrum and one for the quality line.
int ProjectCellLineUnits(const CPrintSettings& s);

// One pile's item from its file; false for a file that cannot be read or is
// no saved pile or blow file. allAge: the document's common age is applied.
bool LoadProjectPileItem(const CKEV_DUXDoc* doc, CReportPileItem& item, const QString& path, bool allAge);

// Whether the analysed wave of a file saved with its analysis (block read
// from it) reads, as the project report reads it. A file cut short or
// damaged past its fields fails here; every report, the workbook and the
// wave-speed statistics leave such a pile out alike.
bool AnalysedWaveReads(const QByteArray& file, const AnalysisBlock& b, CWaveRecord* wave = nullptr);
bool AnalysedWaveReads(const QString& path, const AnalysisBlock& b);

} // namespace pit
