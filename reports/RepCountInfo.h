// The statistics report: one row per ticked pile of the report list, read
// straight from the pile files, and the Word table made of them.
#pragma once

#include "reports/PileReportRow.h"
#include "reports/ReportBuilder.h"

#include <QString>
#include <array>
#include <vector>

class CRepCountInfo : public CReportBuilder {
public:
    using TextRow = std::array<QString, 11>;

    // summaryType: 0 (template A), 1 (B) or 2 (U/UE); any other counts as 1.
    CRepCountInfo(const pit::ReportEnv& env, const pit::ListRows* list, int summaryType);

    void UpdatePileList() override;
    bool ExportWord(const QString& outputName) override;

    // Every row as the eleven text columns of the Word table.
    std::vector<TextRow> FillCountInfo() const;
    // One pile's values from its file; false (row untouched) for a file that
    // cannot be read or is no pile saved by the program or blow file.
    bool LoadCountRow(CPileReportRow& row, const QString& path) const;

    const QString& Project() const { return m_strProject; }
    const std::vector<CPileReportRow>& Rows() const { return m_arrRows; }
    std::vector<CPileReportRow>& Rows() { return m_arrRows; }
    int CountType() const { return m_nCountType; }
    // The template of the summary type and report language.
    QString TemplateName() const;

private:
    QString m_strProject;
    std::vector<CPileReportRow> m_arrRows;
    const pit::ListRows* m_pList = nullptr;
    int m_nCountType = 1;
};
