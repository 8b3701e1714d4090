// The program's report builders.
#include "reports/ReportFactory.h"

#include "core/doc/KEV_DUXDoc.h"
#include "reports/RepCountInfo.h"
#include "reports/RepExcel.h"
#include "reports/RepProjectB.h"
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

std::unique_ptr<CReportBuilder> ReportFactory::CreateProject(const ListRows& list, bool styleA) {
    if (!styleA)
        return std::make_unique<CRepProjectB>(m_env, &list);
    auto builder = std::make_unique<CRepProjectA>(m_env, &list);
    if (m_env.doc)
        builder->SetFontRate(m_env.doc->m_nFontRate);
    return builder;
}

std::unique_ptr<CReportBuilder> ReportFactory::CreateCountInfo(const ListRows& list, int summaryType) {
    return std::make_unique<CRepCountInfo>(m_env, &list, summaryType);
}

std::unique_ptr<CReportBuilder> ReportFactory::CreateExcel(const ListRows& list, int option) {
    return std::make_unique<CRepExcel>(m_env, &list, option);
}

} // namespace pit
