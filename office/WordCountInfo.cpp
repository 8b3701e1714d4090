// The statistics (count-info) report in a document: title, project name, one
// table row per pile, the headings the settings ask for, the class counts.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "core/doc/SharedRoutines.h"
#include "platform/SafeText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QRegularExpression>
#include <algorithm>

using pit::WordError;

namespace {

// Record columns (1-based) that the eight columns of the type-2 table show:
// number, pile number, length, size, wave speed, class, result, remark.
constexpr int kTableUColumns[8] = {1, 2, 5, 6, 8, 10, 9, 11};

bool IsWide(QChar c) {
    return c.unicode() >= 0x2E80;
}

} // namespace

std::vector<double> CWordOffice::ShareColumnWidths(const std::vector<ColumnNeed>& needs, double total) {
    const size_t n = needs.size();
    std::vector<double> out(n, 0);
    double wanted = 0, least = 0, fixedWanted = 0, flexLeast = 0, flexMore = 0, more = 0;
    for (const ColumnNeed& c : needs) {
        wanted += c.wanted;
        least += c.least;
        more += c.wanted - c.least;
        if (c.sentences) {
            flexLeast += c.least;
            flexMore += c.wanted - c.least;
        } else {
            fixedWanted += c.wanted;
        }
    }
    if (n == 0 || total <= 0)
        return out;
    if (wanted <= total) {
        for (size_t i = 0; i < n; ++i)
            out[i] = needs[i].wanted + (total - wanted) * (wanted > 0 ? needs[i].wanted / wanted : 1.0 / n);
    } else if (flexLeast > 0 && fixedWanted + flexLeast <= total) {
        const double rest = total - fixedWanted - flexLeast;
        for (size_t i = 0; i < n; ++i) {
            const ColumnNeed& c = needs[i];
            out[i] = !c.sentences ? c.wanted
                                  : c.least + rest * (flexMore > 0 ? (c.wanted - c.least) / flexMore : 0);
        }
    } else if (least <= total) {
        for (size_t i = 0; i < n; ++i)
            out[i] = needs[i].least +
                     (total - least) * (more > 0 ? (needs[i].wanted - needs[i].least) / more : 1.0 / n);
    } else {
        for (size_t i = 0; i < n; ++i)
            out[i] = needs[i].least * total / least;
    }
    return out;
}

void CWordOffice::FitSummaryColumns(pit::WordTable& table) {
    constexpr double kSize = 10.5;  // the table's text, points
    constexpr double kPadding = 12; // the cell's margins and borders, points
    const int columns = int(table.Row(1).Node().select_nodes("w:tc").size());
    std::vector<ColumnNeed> needs(size_t(std::max(0, columns)));
    // The table's faces: Latin text in Times New Roman, Chinese in 宋体 (their
    // substitutes here); a measurer set for the document comes first.
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    const auto width = [&](const QString& text, bool bold) {
        double w = 0;
        if (HasMeasurer() || !gui) {
            w = Measure(text) * kSize / 100 * (bold ? 1.1 : 1.0);
        } else {
            QFont f;
            f.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("宋体")});
            f.setPixelSize(100);
            f.setBold(bold);
            w = QFontMetricsF(f).horizontalAdvance(text) * kSize / 100;
        }
        return w + kPadding;
    };
    for (int r = 1; r <= table.RowCount(); ++r)
        for (int c = 1; c <= columns; ++c) {
            ColumnNeed& need = needs[size_t(c - 1)];
            const QStringList lines =
                table.Cell(r, c).Range().Text().split(QRegularExpression(QStringLiteral("[\r\n]")));
            for (const QString& line : lines) {
                need.wanted = std::max(need.wanted, width(line, r == 1));
                // Latin words and dates (their hyphens included) stay whole;
                // Chinese text may break between any two characters.
                for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
                    QString piece, widest = word.left(2);
                    for (QChar ch : word) {
                        if (IsWide(ch)) {
                            piece.clear();
                            continue;
                        }
                        piece += ch;
                        if (width(piece, r == 1) > width(widest, r == 1))
                            widest = piece;
                    }
                    need.least = std::max(need.least, width(widest, r == 1));
                }
                if (r > 1 && line.size() > 6 && std::any_of(line.begin(), line.end(), IsWide))
                    need.sentences = true;
            }
            need.least = std::min(need.least, need.wanted);
        }
    const std::vector<double> widths = ShareColumnWidths(needs, m_fPageWidth);
    for (int c = 1; c <= columns; ++c)
        table.SetColumnWidth(c, widths[size_t(c - 1)]);
}

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
            .SetText((english ? QStringLiteral("Project Name:") : QStringLiteral("工程名称：")) +
                     pit::DrawnText(project, true));
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
                // A pile's field on one line, as the printed pages show it.
                cell.Range().SetText(pit::DrawnText(rows[i][size_t(c - 1)], true));
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
        // Columns as wide as their texts need: a date with its time on one
        // line, headings unbroken, the descriptions wrapping in what is left.
        FitSummaryColumns(table);

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
                cell.Range().SetText(pit::DrawnText(rows[i][size_t(kTableUColumns[c - 1] - 1)], true));
                sel.Select(cell.Range());
            }
        }
        (void)type;
        FitSummaryColumns(table);
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}
