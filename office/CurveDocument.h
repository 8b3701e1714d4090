// The current-state curve document of the open pile: the pile's captions and
// every channel's curve, as pictures in a table of one or two columns.
#pragma once

#include <QString>
#include <vector>

class CPileRecord;

namespace pit {

class OfficeWordExport;

// The channel grid: one column of n rows below 8 channels, else two columns
// of n/2 rows (n raised to even). Cells go column by column; the first holds
// the average (the last channel), cell k the channel k - 1; -1 is empty.
struct CurveGrid {
    int rows = 0;
    int columns = 0;
    std::vector<int> channelOf; // by cell: column * rows + row
};
CurveGrid CurveDocumentGrid(int channelCount);

// Writes the document through writer: saved at outputPath, or (empty) where
// the user chooses in folder, then opened. False when nothing was written
// (the user has been told why).
bool ExportCurveDocument(const CPileRecord& pile, int decimals, OfficeWordExport& writer,
                         const QString& folder, const QString& outputPath = {});

} // namespace pit
