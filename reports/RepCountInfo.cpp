// The statistics report.
#include "reports/RepCountInfo.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"
#include "core/pile/AnalysisBlock.h"
#include "core/pile/PileRecord.h"
#include "platform/MessageSink.h"
#include "reports/ProjectItems.h"
#include "reports/WordExport.h"

CRepCountInfo::CRepCountInfo(const pit::ReportEnv& env, const pit::ListRows* list, int summaryType)
    : CReportBuilder(env), m_pList(list),
      m_nCountType(summaryType >= 0 && summaryType <= 2 ? summaryType : 1) {}

bool CRepCountInfo::LoadCountRow(CPileReportRow& row, const QString& path) const {
    const bool allAge = m_pDoc && m_pDoc->m_bAllPilesAge;
    const int age = m_pDoc ? m_pDoc->m_iAllAge : 0;
    pit::AnalysisBlock b;
    const pit::AnalysisBlockRead read = pit::ReadAnalysisBlockFile(path, b);
    CPileReportRow r;
    if (read.kind == pit::AnalysisBlockRead::Kind::BlowFile) {
        CPileRecord pile;
        if (!pile.TryReadFile(path))
            return false;
        r.m_strPileNo = pile.m_strPileNo;
        r.m_strResult = pile.m_strConclusion;
        r.m_dtTest = pile.m_testDate;
        r.m_dtConstruct = pile.m_constructionDate;
        r.m_nAge = pile.m_nAge;
        r.m_fLength = pile.m_fPileLength;
        r.m_fSize1 = pile.m_fDiameter;
        r.m_fSize2 = pile.m_fSecondSide;
        r.m_fEnlarged1 = pile.m_fEnlarged;
        r.m_fEnlarged2 = pile.m_fEnlarged2;
        r.m_nSpeed = pile.m_nWaveSpeed;
        r.m_strClass = pile.m_strClass;
        r.m_nGrade = pile.m_nGradeIndex;
        r.m_strRemark = pile.m_strIdText2;
        r.m_nShape = pile.m_nShape;
    } else if (read.kind == pit::AnalysisBlockRead::Kind::Fields) {
        // A file cut short past its fields is left out here as from every other report.
        if (!pit::AnalysedWaveReads(path, b))
            return false;
        r.m_strPileNo = b.pileNo.isEmpty() ? CPileRecord::FileTitle(path) : b.pileNo;
        r.m_strResult = b.conclusion;
        r.m_dtTest = b.testDate;
        r.m_dtConstruct = b.constructionDate.isValid() ? b.constructionDate : b.testDate;
        r.m_nAge =
            r.m_dtConstruct.isValid() && r.m_dtTest.isValid() ? int(r.m_dtConstruct.daysTo(r.m_dtTest)) : 0;
        r.m_fLength = b.pileLength;
        r.m_fSize1 = b.diameter;
        r.m_fEnlarged1 = b.enlarged;
        // Only codes 1036 and 1042 keep second sides; the others are round.
        r.m_fSize2 = b.hasSecondSides ? b.secondSide : b.diameter;
        r.m_fEnlarged2 = b.hasSecondSides ? b.enlarged2 : b.enlarged;
        r.m_nSpeed = b.waveSpeed;
        r.m_strClass = b.PileClass();
        r.m_nGrade = b.gradeIndex >= 0 && b.gradeIndex <= 18 ? b.gradeIndex : 0;
        r.m_strRemark = b.idText2;
        r.m_nShape = b.IsSquare() ? 1 : 0;
    } else {
        return false;
    }
    if (allAge) {
        r.m_nAge = age;
        r.m_dtConstruct = r.m_dtTest.addDays(-age);
    }
    row = r;
    return true;
}

void CRepCountInfo::UpdatePileList() {
    m_arrRows.clear();
    m_leftOut.clear();
    const bool common = m_bUseCommonInfo;
    const CCommonInfo& c = m_CommonInfo;
    m_strProject = (common && c.Use(CCommonInfo::ProjectName)) ? c.m_strProjectName
                   : m_pDoc                                    ? m_pDoc->m_ProjectInfo.m_texts[0]
                                                               : QString();
    m_strProject = m_strProject.trimmed();
    if (!m_pList || !m_pDoc)
        return;
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        if (!m_pList->GetItemCheck(row))
            continue;
        const QString path = ListRowPath(*m_pList, row);
        CPileReportRow r;
        if (path.isEmpty() || !LoadCountRow(r, path)) {
            m_leftOut << (path.isEmpty() ? ListRowName(*m_pList, row) : path);
            continue;
        }
        // Each common value replaces the pile's own only while its flag is set.
        if (common)
            c.ApplyTo({.diameter = &r.m_fSize1,
                       .secondSide = &r.m_fSize2,
                       .enlarged = &r.m_fEnlarged1,
                       .enlarged2 = &r.m_fEnlarged2,
                       .grade = &r.m_nGrade,
                       .shape = &r.m_nShape});
        m_arrRows.push_back(r);
    }
}

std::vector<CRepCountInfo::TextRow> CRepCountInfo::FillCountInfo() const {
    std::vector<TextRow> out;
    const CPrintSettings* s = m_pSettings;
    int n = 0;
    for (const CPileReportRow& r : m_arrRows) {
        ++n;
        TextRow t;
        auto col = [&t](int k) -> QString& { return *GetOneBasedItem(t, k); };
        col(1) = (m_nCountType == 2 && n < 10) ? QString::asprintf("0%d", n) : QString::asprintf("%d", n);
        col(2) = r.m_strPileNo;
        QString date;
        if (s && s->m_bTestDate == 1)
            date = r.m_dtTest.toString(QStringLiteral("yyyy-MM-dd"));
        if (s && s->m_bTestTime == 1)
            date += QStringLiteral(" ") + r.m_dtTest.toString(QStringLiteral("HH-mm-ss"));
        col(3) = date;
        col(4) = (!s || s->m_iPrintCountType == 0) ? r.m_dtConstruct.toString(QStringLiteral("yyyy-MM-dd"))
                                                   : QString::asprintf("%d", r.m_nAge);
        FormatFloat(col(5), r.m_fLength, m_nDecimals, true);
        const bool kuoDi = s && s->m_bKuoDi == 1;
        if (r.m_nShape == 0)
            col(6) = kuoDi ? QString::asprintf("%.0f/%.0f", double(r.m_fSize1), double(r.m_fEnlarged1))
                           : QString::asprintf("%.0f", double(r.m_fSize1));
        else
            col(6) = kuoDi
                         ? QString::asprintf("%.0f*%.0f / %.0f*%.0f", double(r.m_fSize1), double(r.m_fSize2),
                                             double(r.m_fEnlarged1), double(r.m_fEnlarged2))
                         : QString::asprintf("%.0f * %.0f", double(r.m_fSize1), double(r.m_fSize2));
        col(7) = pit::options::Grade(r.m_nGrade >= 0 && r.m_nGrade <= 18 ? r.m_nGrade : 0);
        col(8) = QString::asprintf("%d", r.m_nSpeed);
        col(9) = r.m_strResult;
        col(10) = r.m_strClass;
        col(11) = r.m_strRemark;
        out.push_back(t);
    }
    return out;
}

QString CRepCountInfo::TemplateName() const {
    switch (m_nCountType) {
    case 0:
        return QStringLiteral("CountInfoReportA.dot");
    case 2:
        return m_pSettings && m_pSettings->m_bLanguage == 1 ? QStringLiteral("CountInfoReportUE.dot")
                                                            : QStringLiteral("CountInfoReportU.dot");
    default:
        return QStringLiteral("CountInfoReportB.dot");
    }
}

bool CRepCountInfo::ExportWord(const QString&) {
    if (!m_pWord) {
        Message(QStringLiteral("没有可用的文档导出。"), QStringLiteral("No document export is available."),
                pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    UpdatePileList();
    pit::WordCountInfoReport report;
    report.templateName = TemplateName();
    report.summaryType = m_nCountType;
    report.project = m_strProject;
    report.rows = FillCountInfo();
    report.settings = m_pSettings;
    report.unreadable = AllLeftOut();
    if (m_pDoc)
        report.folder = m_pDoc->m_strFolder;
    // The statistics document is always shown for the user to save.
    return m_pWord->WriteCountInfoReport(report, QString());
}
