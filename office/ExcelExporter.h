// The workbook exports as the report builders and the main window call them,
// written through OfficeExcel.
#pragma once

#include "office/OfficeExcel.h"
#include "reports/ExcelExport.h"

namespace pit {

struct AppContext;
class ExportServices;

class OfficeExcelExport : public ExcelExport {
public:
    // services: the file chooser, desktop and messages of the window build;
    // none in batch runs and tests (the context's message sink tells).
    explicit OfficeExcelExport(const AppContext& app, ExportServices* services = nullptr)
        : m_app(app), m_services(services) {}

    bool ExportResults(const std::vector<const CExcelPileInfo*>& piles, bool english, int decimals,
                       const ExcelTarget& target) override;
    bool ExportRawData(const CExcelRawInfo& info, const AverageFlags& flags,
                       const std::vector<const CWaveRecord*>& waves, const ExcelTarget& target) override;

private:
    const AppContext& m_app;
    ExportServices* m_services;
};

} // namespace pit
