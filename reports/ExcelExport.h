// What the report builders and the main window call to write workbooks.
// The office library implements it; the window build and the batch install
// it, so the report builders never link the writer.
#pragma once

#include "reports/ExcelReportInfo.h"

#include <QString>
#include <vector>

namespace pit {

// Where a workbook goes: a given path is written without asking (batch runs,
// tools, tests); without one the user picks the file, the chooser opening in
// folder with defaultName offered, and the file is opened afterwards.
struct ExcelTarget {
    QString outputPath;
    QString folder;
    QString defaultName;
};

class ExcelExport {
public:
    virtual ~ExcelExport() = default;

    // The result workbook: one sheet per pile in the order given. english:
    // the report language; decimals: of the pile length. False, after one
    // message (none when the user cancelled), when nothing was written.
    virtual bool ExportResults(const std::vector<const CExcelPileInfo*>& piles, bool english, int decimals,
                               const ExcelTarget& target) = 0;
    // The raw-data workbook of one pile: its channels, then the averaged wave.
    virtual bool ExportRawData(const CExcelRawInfo& info, const AverageFlags& flags,
                               const std::vector<const CWaveRecord*>& waves, const ExcelTarget& target) = 0;
};

} // namespace pit
