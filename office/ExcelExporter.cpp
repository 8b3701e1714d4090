#include "office/ExcelExporter.h"

#include "platform/AppContext.h"
#include "reports/ExportServices.h"

#include <algorithm>

namespace pit {

bool OfficeExcelExport::ExportResults(const std::vector<const CExcelPileInfo*>& piles, bool english,
                                      int decimals, const ExcelTarget& target) {
    if (std::none_of(piles.begin(), piles.end(), [](const CExcelPileInfo* p) { return p != nullptr; })) {
        OfficeExcel(m_app, m_services)
            .Tell(QStringLiteral("没有可导出的桩：请勾选至少一根能读取的桩。"),
                  QStringLiteral("No pile to export: check at least one pile that can be read."),
                  MB_OK | MB_ICONWARNING);
        return false;
    }
    // Asked first, so the user waits only for the writing.
    OfficeExcel excel(m_app, m_services);
    const std::optional<QString> path = excel.ChooseTarget(target);
    if (!path)
        return false;
    // The sheets are made with the progress shown (a project's thousands
    // of piles take a while), then written with it.
    excel.CreateApplication();
    const bool made = excel.ExportResultSheets(piles, english, decimals, [&](int done, int total) {
        if (!m_services || done % 20 != 0)
            return true;
        return m_services->Progress(
            m_app.tr(QStringLiteral("正在准备工作表 (%1/%2)...").arg(done).arg(total),
                     QStringLiteral("Preparing the sheets (%1/%2)...").arg(done).arg(total)),
            done, total);
    });
    if (!made) { // cancelled: nothing written, nothing to say
        if (m_services)
            m_services->EndProgress();
        return false;
    }
    return excel.Save(*path, target.outputPath.isEmpty());
}

bool OfficeExcelExport::ExportRawData(const CExcelRawInfo& info, const AverageFlags& flags,
                                      const std::vector<const CWaveRecord*>& waves,
                                      const ExcelTarget& target) {
    OfficeExcel excel(m_app, m_services);
    const std::optional<QString> path = excel.ChooseTarget(target);
    if (!path)
        return false;
    excel.CreateApplication();
    if (!excel.ExportRawDataWorkbook(info, flags, waves, QStringLiteral("sheet1")))
        return false;
    return excel.Save(*path, target.outputPath.isEmpty());
}

} // namespace pit
