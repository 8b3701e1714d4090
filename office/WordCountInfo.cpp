// The statistics (count-info) report in a document: title, project name, one
// table row per pile, the headings the settings ask for, the class counts.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "core/doc/SharedRoutines.h"

using pit::WordError;

namespace {

// Record columns (1-based) that the eight columns of the type-2 table show:
// number, pile number, length, size, wave speed, class, result, remark.
constexpr int kTableUColumns[8] = {1, 2, 5, 6, 8, 10, 9, 11};

} // namespace

bool CWordOffice::WriteCountInfoReport(const CountInfoRows& rows, const QString& project,
                                       const CPrintSettings& s, int type) {
    if (!NeedDocument())
        return false;
    try {
        const bool english = s.m_bLanguage != 0;
        QString title;
        if (type == 2)
            title = english ? QStringLiteral("Pile Integrity Detection Results Summary  No 1")
                            : QStringLiteral("桩身结构完整性检测结果汇总表    No 1");
        else
            title =
                english ? QStringLiteral("CountInfo Report") : QStringLiteral("低应变反射波法检测结果汇总表");
        m_doc->Bookmark(QStringLiteral("Title")).SetText(title);
        if (type == 2)
            return WriteCountInfoTableU(rows, s, type);

        m_doc->Bookmark(QStringLiteral("ProjectName"))
            .SetText((english ? QStringLiteral("Project Name:") : QStringLiteral("工程名称：")) + project);
        pit::WordSelection& sel = m_doc->Selection();
        sel.Range().SetAlignment(pit::kAlignCenter);
        pit::WordTable table = m_doc->Table(1);
        m_table = table;
        table.SetPreferredWidthType(3);
        sel.Select(table.Cell(1, 11).Range());
        int counts[5] = {};
        int piles = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            sel.MoveRightCell();
            const int r = int(i) + 2;
            for (int c = 1; c <= 11; ++c) {
                pit::WordCell cell = table.Cell(r, c);
                cell.Range().SetText(rows[i][size_t(c - 1)]);
                if (c == 10) {
                    const int cls = PileClassFromText(rows[i][9]);
                    if (cls >= 1 && cls <= 5)
                        ++counts[cls - 1];
                }
                sel.Select(cell.Range());
            }
            ++piles;
        }
        if (!WriteSummaryTableHeader(s, type))
            return false;
        table.AutoFitWindow();

        sel.EndKey();
        sel.TypeParagraph();
        pit::WordRange r = sel.Range();
        r.SetFontName(QStringLiteral("宋体"));
        r.SetFontSize(12);
        r.SetBold(false);
        r.SetAlignment(pit::kAlignLeft);
        sel.TypeText(english ? QStringLiteral("The tests were detected in %1 engineering piles").arg(piles)
                             : QStringLiteral("本次试验共检测 %1 根工程桩，其中").arg(piles));
        static const char* const kClassNames[] = {"I", "II", "III", "IV"};
        for (int k = 0; k < 4; ++k) {
            if (counts[k] == 0)
                continue;
            const QString name = QString::fromLatin1(kClassNames[k]);
            const QString share = QString::asprintf("%.1f", counts[k] * 100.0 / piles);
            const QString text =
                english
                    ? QStringLiteral("The Number of Pile in Grade %1 is %2 ,According for %3 ")
                          .arg(name)
                          .arg(counts[k])
                          .arg(share)
                    : QStringLiteral("%1 类桩 %2 根，占所测桩数的 %3").arg(name).arg(counts[k]).arg(share);
            sel.TypeParagraph();
            sel.TypeText(text + QStringLiteral("%"));
        }
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

bool CWordOffice::WriteSummaryTableHeader(const CPrintSettings& s, int type) {
    if (!NeedDocument())
        return false;
    try {
        const bool english = s.m_bLanguage == 1;
        pit::WordTable table = m_doc->Table(1);
        m_table = table;
        const QString date = s.m_iPrintCountType == 0
                                 ? (english ? QStringLiteral("ConstructDate") : QStringLiteral("施工日期"))
                                 : (english ? QStringLiteral("Age") : QStringLiteral("龄期"));
        const QString diameter =
            s.m_bKuoDi ? (english ? QStringLiteral("Diameter/Expand\n(mm)") : QStringLiteral("桩径/扩底(mm)"))
                       : (english ? QStringLiteral("Diameter(mm)") : QStringLiteral("桩径(mm)"));
        if (english) {
            const QString headings[11] = {QStringLiteral("Number"),     QStringLiteral("Pile Number"),
                                          QStringLiteral("DetectDate"), date,
                                          QStringLiteral("Length(m)"),  diameter,
                                          QStringLiteral("Strength"),   QStringLiteral("Velocity\n(m/s)"),
                                          QStringLiteral("Integrity "), QStringLiteral("Type"),
                                          QStringLiteral("Remark")};
            for (int c = 1; c <= 11; ++c)
                table.Cell(1, c).Range().SetText(headings[c - 1]);
        } else {
            table.Cell(1, 4).Range().SetText(date);
            table.Cell(1, 6).Range().SetText(diameter);
        }
        if (type == 0) {
            if (!s.m_bReportRemark)
                table.DeleteColumn(11);
            if (!s.m_bStrongLevel)
                table.DeleteColumn(7);
            if (!s.m_bPrintCountType)
                table.DeleteColumn(4);
            if (!s.m_bTestDate)
                table.DeleteColumn(3);
            else if (s.m_bTestTime)
                table.SetColumnWidth(3, 100);
            return true;
        }
        table.DeleteColumn(7);
        table.Cell(1, 6).Range().SetText(diameter);
        m_doc->Bookmark(QStringLiteral("Man_1"))
            .SetText(english ? QStringLiteral("DetecteMan:") : QStringLiteral("检测人："));
        m_doc->Bookmark(QStringLiteral("Man_2"))
            .SetText(english ? QStringLiteral("Assessor:") : QStringLiteral("审核人："));
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

bool CWordOffice::WriteCountInfoTableU(const CountInfoRows& rows, const CPrintSettings& s, int type) {
    if (!NeedDocument())
        return false;
    try {
        pit::WordSelection& sel = m_doc->Selection();
        sel.Range().SetAlignment(pit::kAlignCenter);
        pit::WordTable table = m_doc->Table(1);
        m_table = table;
        table.SetPreferredWidthType(3);
        if (s.m_bLanguage == 1) {
            const char* const headings[8] = {"Number",          "Pile Number", "Length(m)",  "Diameter(mm)",
                                             "Velocity\n(m/s)", "Type",        "Integrity ", "Remark"};
            for (int c = 1; c <= 8; ++c)
                table.Cell(1, c).Range().SetText(QString::fromLatin1(headings[c - 1]));
        }
        sel.Select(table.Cell(1, 8).Range());
        for (size_t i = 0; i < rows.size(); ++i) {
            sel.MoveRightCell();
            const int r = int(i) + 2;
            for (int c = 1; c <= 8; ++c) {
                pit::WordCell cell = table.Cell(r, c);
                cell.Range().SetText(rows[i][size_t(kTableUColumns[c - 1] - 1)]);
                sel.Select(cell.Range());
            }
        }
        (void)type;
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}
