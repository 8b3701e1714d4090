// The report builders of the program, made on one document with the
// services of the window build (or none in batch and tests).
#pragma once

#include "reports/ReportBuilder.h"

namespace pit {

class ReportFactory : public ReportBuilderFactory {
public:
    // printerDpi: the print hosts' resolution (600); the batch measures at 300.
    ReportFactory(CKEV_DUXDoc* doc, ExportServices* services, WordExport* word, int printerDpi = 600);

    std::unique_ptr<CReportBuilder> CreateSingle(const CPileRecord& pile, const ListRows* list) override;
    std::unique_ptr<CReportBuilder> CreateProject(const ListRows& list, bool styleA) override;
    std::unique_ptr<CReportBuilder> CreateCountInfo(const ListRows& list, int summaryType) override;
    // The result workbook of the ticked piles.
    std::unique_ptr<CReportBuilder> CreateExcel(const ListRows& list, int option) override;

    const ReportEnv& Env() const { return m_env; }
    void SetWordExport(WordExport* word) { m_env.word = word; }
    void SetExcelExport(ExcelExport* excel) { m_env.excel = excel; }
    // The file chooser, desktop and messages of the builders made from now on.
    void SetServices(ExportServices* services) { m_env.services = services; }

private:
    ReportEnv m_env;
};

} // namespace pit
