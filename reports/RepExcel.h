// The result workbook of report mode: one record per ticked pile, read from
// its file and the document, written by the workbook writer one sheet each.
#pragma once

#include "reports/ExcelReportInfo.h"
#include "reports/ReportBuilder.h"

#include <QString>
#include <memory>
#include <vector>

class CRepExcel : public CReportBuilder {
public:
    // option: kept as the creator passes it.
    CRepExcel(const pit::ReportEnv& env, const pit::ListRows* list, int option);
    ~CRepExcel() override;

    // The records of the ticked rows in list order; piles whose file cannot
    // be read are left out.
    void UpdatePileList() override;
    // The workbook: asks where (the project folder and its default name
    // offered), writes and opens it. False after a message when nothing was written.
    bool ExportExcel() override;

    // Piles by path instead of list rows (the batch and the developer tool).
    void SetPileFiles(std::vector<QString> paths, std::vector<QString> pileNos);

    // One pile's values from a file saved with its analysis, or through the
    // pile reader for a blow file; false (the pile left out) for anything
    // else or a damaged file.
    bool LoadPileInfo(CExcelPileInfo& rec, const QString& path) const;
    bool LoadFromPileRecord(CExcelPileInfo& rec, const QString& path) const;

    const std::vector<std::unique_ptr<CExcelPileInfo>>& Items() const { return m_items; }
    int Option() const { return m_nOption; }

private:
    // The document's drawing settings and head alignment on a wave read.
    void PrepareWave(CWaveRecord& wave) const;
    // The document's values every record starts from.
    void FillFromDocument(CExcelPileInfo& rec) const;
    void ApplyCommonValues(CExcelPileInfo& rec) const;

    const pit::ListRows* m_pList = nullptr;
    int m_nOption = 0;
    pit::ExcelExport* m_pExcel = nullptr;
    std::vector<std::unique_ptr<CExcelPileInfo>> m_items;
    std::vector<QString> m_paths, m_pileNos; // SetPileFiles
    bool m_bFiles = false;
};
