// The workbook exports as the report builders and the main window call them,
// written through OfficeExcel.
#pragma once

#include "office/OfficeExcel.h"
#include "reports/ExcelExport.h"

namespace pit {

struct AppContext;

class OfficeExcelExport : public ExcelExport {
public:
    // presenter: none in batch runs and tests (the path is written as given).
    explicit OfficeExcelExport(const AppContext& app, WorkbookPresenter* presenter = nullptr)
        : m_app(app), m_presenter(presenter) {}

    bool ExportResults(const std::vector<const CExcelPileInfo*>& piles, bool english, int decimals,
                       const QString& path) override;
    bool ExportRawData(const CExcelRawInfo& info, const AverageFlags& flags,
                       const std::vector<const CWaveRecord*>& waves, const QString& path) override;

private:
    const AppContext& m_app;
    WorkbookPresenter* m_presenter;
};

} // namespace pit
