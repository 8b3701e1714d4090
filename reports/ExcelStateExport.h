// The open pile as the raw-data workbook shows it: what the main window's
// state export and the developer tool hand to ExcelExport::ExportRawData,
// and the default names of the two workbooks.
#pragma once

#include "reports/ExcelReportInfo.h"

#include <QString>
#include <vector>

class CPileRecord;
class CProjectInfo;
struct CPileParamSet;

namespace pit {

struct RawWorkbookInput {
    CExcelRawInfo info;
    AverageFlags flags{};
    std::vector<const CWaveRecord*> waves; // the pile's channels, the average last
};

// fixed: the document's fixed pile parameters while fixed-parameter analysis
// is active (they give the section), else null. The waves point into pile.
RawWorkbookInput MakeRawWorkbookInput(const CPileRecord& pile, const CProjectInfo& project,
                                      const CPileParamSet* fixed, bool english);

// The file names offered: "<pile>_原始数据.xlsx" / "<pile>_RawData.xlsx" and
// "<project>_结果数据.xlsx" / "<project>_ResultData.xlsx"; characters a file
// name cannot hold become "_".
QString RawWorkbookDefaultName(const QString& pileNo, bool english);
QString ResultWorkbookDefaultName(const QString& project, bool english);

} // namespace pit
