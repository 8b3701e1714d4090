// The program's report builders.
#include "reports/ReportFactory.h"

#include "reports/RepCountInfo.h"
#include "reports/RepSingle.h"

namespace pit {

ReportFactory::ReportFactory(CKEV_DUXDoc* doc, ExportServices* services, WordExport* word, int printerDpi) {
    m_env.doc = doc;
    m_env.services = services;
    m_env.word = word;
    m_env.printerDpi = printerDpi;
}

std::unique_ptr<CReportBuilder> ReportFactory::CreateSingle(const CPileRecord& pile, const ListRows* list) {
    return std::make_unique<CRepSingle>(m_env, &pile, list);
}

std::unique_ptr<CReportBuilder> ReportFactory::CreateProject(const ListRows&, bool) {
    return nullptr;
}

std::unique_ptr<CReportBuilder> ReportFactory::CreateCountInfo(const ListRows& list, int summaryType) {
    return std::make_unique<CRepCountInfo>(m_env, &list, summaryType);
}

std::unique_ptr<CReportBuilder> ReportFactory::CreateExcel(const ListRows&, int) {
    return nullptr;
}

} // namespace pit
