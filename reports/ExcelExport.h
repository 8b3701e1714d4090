// What the report builders and the main window call to write workbooks.
// The office library implements it; the window build and the batch install
// it, so the report builders never link the writer.
#pragma once

#include "reports/ExcelReportInfo.h"

#include <QString>
#include <vector>

namespace pit {

class ExcelExport {
public:
    virtual ~ExcelExport() = default;

    // The result workbook: one sheet per pile in the order given. english:
    // the report language; decimals: of the pile length. path: where to write
    // (interactive use proposes it and asks). False, after one message, when
    // nothing was written.
    virtual bool ExportResults(const std::vector<const CExcelPileInfo*>& piles, bool english, int decimals,
                               const QString& path) = 0;
    // The raw-data workbook of one pile: its channels, then the averaged wave.
    virtual bool ExportRawData(const CExcelRawInfo& info, const AverageFlags& flags,
                               const std::vector<const CWaveRecord*>& waves, const QString& path) = 0;
};

} // namespace pit
