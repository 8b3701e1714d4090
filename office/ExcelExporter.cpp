#include "office/ExcelExporter.h"

#include "platform/AppContext.h"

#include <algorithm>

namespace pit {

bool OfficeExcelExport::ExportResults(const std::vector<const CExcelPileInfo*>& piles, bool english,
                                      int decimals, const QString& path) {
    if (std::none_of(piles.begin(), piles.end(), [](const CExcelPileInfo* p) { return p != nullptr; })) {
        m_app.message(QStringLiteral("没有可导出的桩：请勾选至少一根能读取的桩。"),
                      QStringLiteral("No pile to export: check at least one pile that can be read."),
                      QStringLiteral("提示"), QStringLiteral("Note"), MB_OK | MB_ICONWARNING);
        return false;
    }
    OfficeExcel excel(m_app, m_presenter);
    excel.CreateApplication();
    excel.ExportResultSheets(piles, english, decimals);
    return excel.ShowAndRelease(path);
}

bool OfficeExcelExport::ExportRawData(const CExcelRawInfo& info, const AverageFlags& flags,
                                      const std::vector<const CWaveRecord*>& waves, const QString& path) {
    OfficeExcel excel(m_app, m_presenter);
    excel.CreateApplication();
    if (!excel.ExportRawDataWorkbook(info, flags, waves, QStringLiteral("sheet1")))
        return false;
    return excel.ShowAndRelease(path);
}

} // namespace pit
