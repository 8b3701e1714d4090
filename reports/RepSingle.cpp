// The single-pile report page, its pictures and its Word document.
#include "reports/RepSingle.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"
#include "core/wave/WaveRecord.h"
#include "platform/BmpWriter.h"
#include "platform/Metrics.h"
#include "platform/SafeText.h"
#include "reports/ExportServices.h"
#include "reports/WordExport.h"

#include <QFileInfo>
#include <QPainter>
#include <cmath>
#include <cstring>

using pit::RGB;

namespace {

constexpr unsigned kSingleLine = gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX;
const QString kSquareZh = QStringLiteral("方桩");
const QString kSquareEn = QStringLiteral("Square pile");

bool IsSquareText(const QString& shape) {
    return shape == kSquareZh || shape == kSquareEn;
}

QString DateText(const QDateTime& t) {
    return t.date().toString(QStringLiteral("yyyy-MM-dd"));
}

// Selects a font for the scope of a block and gives the old one back.
struct FontScope {
    gdi::Canvas& dc;
    gdi::Font old;
    FontScope(gdi::Canvas& d, const gdi::Font& f) : dc(d), old(d.SelectFont(f)) {}
    // A destructor that threw (memory running out) would end the program.
    ~FontScope() {
        try {
            dc.SelectFont(old);
        } catch (...) {
        }
    }
};

// Text centred in a cell, word-broken, the lines kept together in the middle.
void DrawCentred(gdi::Canvas& dc, const QString& text, const gdi::Rect& cell) {
    gdi::Rect m(cell.left, cell.top, cell.right, cell.top);
    dc.DrawText(text, m, gdi::DT_CENTER | gdi::DT_WORDBREAK | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
    const int h = m.Height();
    gdi::Rect r(cell.left, cell.top + (cell.Height() - h) / 2, cell.right,
                cell.top + (cell.Height() - h) / 2 + h);
    dc.DrawText(text, r, gdi::DT_CENTER | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX);
}

// The text as far as its lines fit height in width, cut with "..." where
// they do not; the whole text when it fits.
QString FitLines(gdi::Canvas& dc, const QString& text, int width, int height, unsigned format) {
    const auto heightOf = [&](const QString& t) {
        gdi::Rect m(0, 0, width, 0);
        dc.DrawText(t, m, format | gdi::DT_CALCRECT);
        return m.Height();
    };
    if (heightOf(text) <= height)
        return text;
    const QString dots = QStringLiteral("...");
    const auto cut = [&](qsizetype n) { return text.left(n).trimmed() + dots; };
    if (heightOf(dots) > height)
        return {};
    qsizetype fits = 0, over = text.size();
    while (over - fits > 1) {
        const qsizetype mid = (fits + over) / 2;
        (heightOf(cut(mid)) <= height ? fits : over) = mid;
    }
    return cut(fits);
}

} // namespace

CRepSingle::CRepSingle(const pit::ReportEnv& env, const CPileRecord* pile, const pit::ListRows* list)
    : CReportBuilder(env), m_pList(list) {
    if (pile)
        m_pile = pile->Clone();
    m_pile.SetLanguage(EnglishInterface() ? 1 : 0);
    m_pagePile.SetLanguage(EnglishInterface() ? 1 : 0);
    m_bOwnPage = list == nullptr;
    SetDefaultLayout();
}

CRepSingle::~CRepSingle() = default;

void CRepSingle::SetDefaultLayout() {
    m_nTopBand = 50;
    m_nGap = 20;
    m_nBottom = 20;
    m_nExtraRows = 0;
}

void CRepSingle::SetPictureMode(bool on) {
    if (on) {
        m_nTopBand = 12;
        m_nGap = 5;
        m_nBottom = 5;
    } else {
        SetDefaultLayout();
    }
    m_bPictureMode = on;
    if (CWaveRecord* w = m_pile.CurrentChannel())
        w->SetStyleFlag(on);
}

void CRepSingle::SetPileFiles(std::vector<QString> paths) {
    m_arrFiles = std::move(paths);
    m_bOwnPage = false;
}

void CRepSingle::UpdatePileList() {
    if (!m_pList || !m_pDoc)
        return;
    m_arrFiles.clear();
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        if (!m_pList->GetItemCheck(row))
            continue;
        const QString path = ListRowPath(*m_pList, row);
        // A name the project does not hold is no page.
        if (!path.isEmpty())
            m_arrFiles.push_back(path);
    }
}

void CRepSingle::SetPageRange(CPrintInfo& info) {
    info.SetMaxPage(m_bOwnPage ? 1 : int(m_arrFiles.size()));
    info.SetMinPage(1);
}

void CRepSingle::LayoutPage(const gdi::Rect& page, gdi::Canvas&) {
    m_arrCellRects.clear();
    m_arrCellRects.push_back(page);
}

CRepSingle::Blocks CRepSingle::SplitPage(const gdi::Rect& c, int dpiX, int topBand, int gap, int bottom) {
    const double s = dpiX / 96.0;
    const int top = int(topBand * s);
    const int g = int(gap * s);
    const int b = int(bottom * s);
    const int H = c.bottom - c.top;
    const int A = H - (top + g + b);
    Blocks k;
    k.head = gdi::Rect(c.left, c.top + top, c.right, int(c.top + top + A * 1.8 / 6.0));
    k.param = gdi::Rect(c.left, k.head.bottom + g, c.right, k.head.bottom + g + A / 6);
    k.curve = gdi::Rect(c.left, k.param.bottom, c.right, k.param.bottom + (2 * A) / 6);
    k.result = gdi::Rect(c.left, k.curve.bottom, c.right, c.bottom - b);
    return k;
}

void CRepSingle::DrawPage(int left, int top, int right, int bottom, gdi::Canvas& dc) {
    // Nothing to lay out without a pile.
    if (m_pPile->ChannelCountInList() == 0 && m_strUnreadable.isEmpty())
        return;
    m_blocks = SplitPage(gdi::Rect(left, top, right, bottom), dc.dpiX(), m_nTopBand, m_nGap, m_nBottom);
}

void CRepSingle::PrintPage(gdi::Canvas& dc, CPrintInfo& info) {
    m_pPile = &m_pile;
    m_strUnreadable.clear();
    if (dc.isPrinting() && !m_bOwnPage) {
        const int page = info.currentPage;
        if (page < 1 || page > int(m_arrFiles.size()))
            return;
        // The page's pile goes into the builder's own record: the pile shown
        // and the list stay as they are.
        const QString& path = m_arrFiles[size_t(page - 1)];
        if (!m_pagePile.TryReadFile(path)) {
            m_strUnreadable = QFileInfo(path).fileName();
            if (!m_arrCellRects.empty()) {
                const gdi::Rect& c = m_arrCellRects.front();
                m_blocks = SplitPage(c, dc.dpiX(), m_nTopBand, m_nGap, m_nBottom);
            }
            DrawUnreadable(dc);
            return;
        }
        m_pPile = &m_pagePile;
    }
    if (m_arrCellRects.empty() || m_pPile->ChannelCountInList() == 0)
        return;
    if (m_pDoc)
        if (CWaveRecord* w = m_pPile->CurrentChannel())
            w->SetFillMode(m_pDoc->m_nFillWave);
    const gdi::Rect& c = m_arrCellRects.front();
    DrawPage(c.left, c.top, c.right, c.bottom, dc);
    if (!m_pSettings)
        return;
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const gdi::Pen oldPen = dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, std::max(1, dc.dpiX() / 96), 0));
    const pit::COLORREF oldText = dc.SetTextColor(0);
    if (m_pSettings->m_bHead1)
        DrawHeaderTable(dc);
    if (m_pSettings->m_bHead2)
        DrawParamTable(dc);
    if (m_pSettings->m_bWaveGraph)
        DrawCurveCaption(dc);
    if (m_pSettings->m_bDetectResult)
        DrawResults(dc);
    dc.SetTextColor(oldText);
    dc.SelectPen(oldPen);
    dc.SetBkMode(oldBk);
}

// A page whose file cannot be read: its frame and the name, never the values
// of another pile.
void CRepSingle::DrawUnreadable(gdi::Canvas& dc) {
    if (m_arrCellRects.empty())
        return;
    const gdi::Rect& c = m_arrCellRects.front();
    const gdi::Pen oldPen = dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, std::max(1, dc.dpiX() / 96), 0));
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    DrawFrame(dc, c.left, c.top, c.right, c.bottom, false);
    DrawFrame(dc, c.left, c.top, c.right, c.bottom, true);
    FontScope font(dc, gdi::Font::Create(std::max(1, m_rcHeadTable.Height() / 18), 400, MakeFont(2).face));
    gdi::Rect r = m_rcHeadTable;
    dc.DrawText((English() ? QStringLiteral("Cannot read file: ") : QStringLiteral("文件无法读取: ")) +
                    m_strUnreadable,
                r, gdi::DT_CENTER | kSingleLine);
    dc.SetBkMode(oldBk);
    dc.SelectPen(oldPen);
}

gdi::Font CRepSingle::MakeFont(int kind) const {
    const QString face = EnglishInterface() ? QStringLiteral("Arial") : QStringLiteral("新宋体");
    const int h = m_rcHeadTable.Height();
    switch (kind) {
    case 1:
        return gdi::Font::Create(std::max(1, h / 13), 700, face);
    case 2:
        return gdi::Font::Create(std::max(1, m_bPictureMode ? h / 22 : h / 18), 400, face);
    case 3:
        return gdi::Font::Create(std::max(1, h / 21), 400, face);
    default:
        return gdi::Font::Create(0, 0, face);
    }
}

bool CRepSingle::English() const {
    return m_pSettings && m_pSettings->m_bLanguage == 1;
}

QStringList CRepSingle::WrapValue(const QString& text, int cellWidth,
                                  const std::function<int(const QString&)>& measure) {
    const int width = measure(text);
    const int n = cellWidth > 0 ? std::max(1, (width + cellWidth - 1) / cellWidth) : 1;
    if (n == 1)
        return {text};
    QStringList lines;
    QString rest = text;
    for (int k = 0; k < n && !rest.isEmpty(); ++k) {
        QString head, tail;
        pit::SplitTextAtWidth(measure, rest, tail, head, cellWidth);
        lines << head;
        rest = tail;
    }
    if (!rest.isEmpty())
        lines.last() += rest;
    return lines;
}

void CRepSingle::DrawHeaderTable(gdi::Canvas& dc) {
    const bool en = English();
    const int u = std::max(1, dc.dpiX() / 96);
    const gdi::Rect& B = m_rcHeadTable;
    const CPileRecord& pile = *m_pPile;

    const QString title = en ? QStringLiteral("Low Strain Pile Integrity Testing Report")
                             : QStringLiteral("低应变反射波法单桩检测报告单");
    const QString number = en ? QStringLiteral("Num:         ") : QStringLiteral("编号:         ");
    const QString labels[7] = {
        en ? QStringLiteral("Project Name") : QStringLiteral("工程名称"),
        en ? QStringLiteral("Test Department") : QStringLiteral("检测单位"),
        en ? QStringLiteral("Test Date") : QStringLiteral("测试日期"),
        en ? QStringLiteral("Technical code") : QStringLiteral("检测依据"),
        en ? QStringLiteral("Pile ID") : QStringLiteral("桩号"),
        en ? QStringLiteral("Tested By") : QStringLiteral("测试人"),
        en ? QStringLiteral("Verified By") : QStringLiteral("审核人"),
    };

    QString project, unit, tester, standard;
    QString date = DateText(pile.m_testDate);
    if (m_pDoc) {
        project = m_pDoc->m_ProjectInfo.m_texts[0];
        unit = m_pDoc->m_ProjectInfo.m_texts[2];
        tester = m_pDoc->m_ProjectInfo.m_texts[4];
        standard = pit::options::TestStandard(m_pDoc->m_nJianceYiju);
        if (m_pDoc->m_bUseCommonInfo) {
            const CCommonInfo& c = m_pDoc->m_CommonInfo;
            c.ApplyTo(
                {.projectName = &project, .testingUnit = &unit, .tester = &tester, .standard = &standard});
            if (c.Use(CCommonInfo::TestDate))
                date = DateText(c.m_testDate);
        }
    }
    const QString values[7] = {project.left(57), unit.left(57),   date,     standard,
                               pile.m_strPileNo, tester.left(28), QString()};

    {
        FontScope f(dc, MakeFont(1));
        gdi::Rect band(B.left, B.top - m_nTopBand * u, B.right, B.top);
        dc.DrawText(title, band, gdi::DT_CENTER | kSingleLine);
    }
    FontScope f(dc, MakeFont(2));
    const gdi::Size ext = dc.GetTextExtent(number);
    gdi::Rect numberRect(B.right - ext.cx, B.top - 5 * u - ext.cy, B.right, B.top - 5 * u);
    dc.DrawText(number, numberRect, gdi::DT_RIGHT | kSingleLine);

    const int W = B.Width(), H = B.Height();
    const int leftW = 2 * W / 3;
    const int leftRows[4] = {3 * H / 8, 3 * H / 8, H / 8, H / 8};
    const int rightRows[3] = {3 * H / 8, 4 * H / 8, H / 8};
    auto measure = [&dc](const QString& s) { return dc.GetTextExtent(s).cx; };
    // Values keep a little room from their cell's left border.
    const int pad = 4 * u;

    auto cellRow = [&](int x0, int x1, int labelW, int top, int height, int item) {
        const gdi::Rect label(x0, top, x0 + labelW, top + height);
        const gdi::Rect value(x0 + labelW + pad, top, x1, top + height);
        DrawFrame(dc, label.left, label.top, label.right, label.bottom, false);
        DrawFrame(dc, value.left - pad, value.top, value.right, value.bottom, false);
        gdi::Rect l = label;
        dc.DrawText(labels[item], l, gdi::DT_CENTER | kSingleLine);
        const bool tall = item == 0 || item == 1 || item == 5;
        const QStringList lines =
            tall ? WrapValue(values[item], value.Width(), measure) : QStringList{values[item]};
        const int n = int(lines.size());
        if (n <= 1) {
            gdi::Rect v = value;
            dc.DrawText(lines.value(0), v, gdi::DT_LEFT | kSingleLine);
            return;
        }
        // 2n + 1 bands; line k takes bands 2k to 2k + 2, sharing one with each neighbour.
        const int band = value.Height() / (2 * n + 1);
        for (int k = 0; k < n; ++k) {
            gdi::Rect v(value.left, value.top + 2 * k * band, value.right, value.top + (2 * k + 3) * band);
            dc.DrawText(lines[k], v, gdi::DT_LEFT | kSingleLine);
        }
    };
    int y = B.top;
    for (int i = 0; i < 4; ++i) {
        cellRow(B.left, B.left + leftW, leftW / 3, y, leftRows[i], i);
        y += leftRows[i];
    }
    y = B.top;
    const int rightW = W - leftW;
    for (int i = 0; i < 3; ++i) {
        cellRow(B.left + leftW, B.right, rightW / 2, y, rightRows[i], 4 + i);
        y += rightRows[i];
    }
    DrawFrame(dc, B.left, B.top, B.right, B.bottom, true);
}

QString CRepSingle::ElevationText(float value) {
    if (std::fabs(double(value)) <= 1e-6)
        return QStringLiteral("-");
    return QString::asprintf("%.2f ", double(value));
}

void CRepSingle::DrawParamTable(gdi::Canvas& dc) {
    const bool en = English();
    const CPileRecord& pile = *m_pPile;
    const int printType = m_pSettings->m_iPrintType;
    const bool common = m_pDoc && m_pDoc->m_bUseCommonInfo;
    const CCommonInfo* ci = m_pDoc ? &m_pDoc->m_CommonInfo : nullptr;

    const QString labels[11] = {
        printType == 1 ? (en ? QStringLiteral("Age") : QStringLiteral("龄期"))
                       : (en ? QStringLiteral("Installation") : QStringLiteral("施工日期")),
        en ? QStringLiteral("Instrument") : QStringLiteral("测试仪器"),
        en ? QStringLiteral("Type") : QStringLiteral("桩型"),
        en ? QStringLiteral("Material") : QStringLiteral("设计强度等级"),
        en ? QStringLiteral("Size") : QStringLiteral("设计桩径"),
        en ? QStringLiteral("DsPileTop") : QStringLiteral("设计桩顶标高"),
        en ? QStringLiteral("DsPileTip") : QStringLiteral("设计桩端标高"),
        en ? QStringLiteral("DtPileTop") : QStringLiteral("实测桩顶标高"),
        en ? QStringLiteral("Length (m)") : QStringLiteral("桩长 (m)"),
        en ? QStringLiteral("Speed (m/s)") : QStringLiteral("波速 (m/s)"),
        en ? QStringLiteral("Pile Type") : QStringLiteral("桩类别"),
    };
    const QString units[11] = {{},
                               {},
                               {},
                               {},
                               QStringLiteral("(mm)"),
                               QStringLiteral("(m)"),
                               QStringLiteral("(m)"),
                               QStringLiteral("(m)"),
                               {},
                               {},
                               {}};

    CSingleReportInfo info;
    FillReportInfo(pile, info);
    QString dateOrAge = printType == 1 ? QString::asprintf("%d", info.m_nAge) : info.m_strConstructDate;
    QString shape = pile.m_strShape;
    if (common && ci->Use(CCommonInfo::Shape))
        shape = pit::options::PileShape(ci->m_nShape == 1 ? 1 : 0, en);
    const bool square = IsSquareText(pile.m_strShape);
    int grade = pile.m_nGradeIndex;
    float d1 = pile.m_fDiameter, d2 = pile.m_fSecondSide;
    if (common)
        ci->ApplyTo({.diameter = &d1, .secondSide = &d2, .grade = &grade});
    QString length;
    FormatFloat(length, pile.m_fPileLength, m_nDecimals, true);
    const QString values[11] = {
        dateOrAge,
        m_pDoc ? pit::options::InstrumentModel(m_pDoc->m_nYiqiXinghao) : QString(),
        shape,
        pit::options::Grade(grade >= 0 && grade <= 18 ? grade : 0),
        square ? QString::asprintf("%.0f*%.0f", double(d1), double(d2))
               : QString::asprintf("%.0f ", double(d1)),
        info.m_strDesignTop,
        info.m_strDesignTip,
        info.m_strMeasuredTop,
        length,
        QString::asprintf("%d ", pile.m_nWaveSpeed),
        pile.m_strClass,
    };

    FontScope f(dc, MakeFont(2));
    const gdi::Rect& B = m_rcParamTable;
    const int W = B.Width(), H = B.Height();
    auto pair = [&](int item, int x0, int labelW, int valueRight, int top, int height) {
        const gdi::Rect label(x0, top, x0 + labelW, top + height);
        const gdi::Rect value(x0 + labelW, top, valueRight, top + height);
        DrawFrame(dc, label.left, label.top, label.right, label.bottom, false);
        DrawFrame(dc, value.left, value.top, value.right, value.bottom, false);
        if (units[item].isEmpty()) {
            DrawCentred(dc, labels[item], label);
        } else {
            // The label and its unit below it, a third of the spare height above them.
            gdi::Rect m1(label.left, 0, label.right, 0), m2(label.left, 0, label.right, 0);
            dc.DrawText(labels[item], m1,
                        gdi::DT_CENTER | gdi::DT_WORDBREAK | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
            dc.DrawText(units[item], m2,
                        gdi::DT_CENTER | gdi::DT_WORDBREAK | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
            const int top1 = label.top + (label.Height() - m1.Height() - m2.Height()) / 3;
            gdi::Rect r1(label.left, top1, label.right, top1 + m1.Height());
            gdi::Rect r2(label.left, r1.bottom, label.right, r1.bottom + m2.Height());
            dc.DrawText(labels[item], r1, gdi::DT_CENTER | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX);
            dc.DrawText(units[item], r2, gdi::DT_CENTER | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX);
        }
        DrawCentred(dc, values[item], value);
    };
    // Row 1: two pairs across half the width each.
    const int h1 = H / 5, h2 = 2 * H / 5;
    pair(0, B.left, W / 6, B.left + W / 2, B.top, h1);
    pair(1, B.left + W / 2, W / 6, B.right, B.top, h1);
    // Two groups of three pairs, each label and value a sixth of the width.
    auto group = [&](int first, int top, int height) {
        for (int k = 0; k < 3; ++k) {
            const int x0 = B.left + k * W / 3;
            pair(first + k, x0, W / 6, k == 2 ? B.right : x0 + W / 3, top, height);
        }
    };
    group(2, B.top + h1, h2);
    group(5, B.top + h1 + h2, h2);
    int bottom = B.bottom;
    m_nExtraRows = 0;
    if (m_pSettings->m_nSingleRepType == 1) {
        m_nExtraRows = h2;
        group(8, B.bottom, h2);
        bottom = B.bottom + h2;
        dc.MoveTo(B.left, B.bottom);
        dc.LineTo(B.left, bottom);
    }
    DrawFrame(dc, B.left, B.top, B.right, bottom, true);
}

void CRepSingle::DrawCurveCaption(gdi::Canvas& dc) {
    const int g = int(m_nGap * dc.dpiX() / 96.0);
    gdi::Rect B = m_rcCurve;
    if (m_pSettings->m_nSingleRepType == 1)
        B.OffsetRect(0, m_nExtraRows);
    // The frame goes on after the curve, whose white box would cover its edges.
    const gdi::Pen framePen = dc.GetPen();
    auto frame = [&] {
        dc.SelectPen(framePen);
        dc.MoveTo(B.left, B.bottom);
        dc.LineTo(B.left, B.top);
        DrawFrame(dc, B.left, B.top, B.right, B.bottom, true);
    };
    FontScope f(dc, MakeFont(2));
    gdi::Rect caption(B.left + g, B.top, B.right, B.top + 2 * g);
    dc.DrawText(English() ? QStringLiteral("TIMBO Test Curve:") : QStringLiteral("原始测试曲线:"), caption,
                gdi::DT_LEFT | kSingleLine);

    // A pile without channels has no curve.
    CWaveRecord* w = m_pPile->Channel(std::max(0, m_pPile->m_nCurrentChannel));
    if (!w) {
        frame();
        return;
    }
    const gdi::Rect area(B.left, B.top + 2 * g, B.right, B.bottom);
    if (m_pDoc) {
        w->SetWaveWidth(m_pDoc->m_nWaveWidth);
        w->SetShowStyle(m_pDoc->m_nShowStyle);
    }
    const gdi::Font font = MakeFont(2);
    if (SmoothCurves()) {
        w->printLabelMode = -1;
        w->DrawForPrint(dc, 0, 0x400, area, m_bToBitmap, &font, DrawDoc());
    } else {
        w->printLabelMode = 0;
        w->pictureMode = 0;
        w->DrawForPrintB(dc, 0, 0x400, area, m_bToBitmap, &font, DrawDoc());
    }
    w->pictureMode = 0;
    w->layoutMode = 0;
    w->printLabelMode = 0;
    frame();
}

std::pair<QString, QString> CRepSingle::ResultTexts(const QString& R, bool english) {
    const QString whole = QStringLiteral("桩身完整");
    const QString integrity = QStringLiteral("Integrity");
    if (!english) {
        QString heading = QStringLiteral("测试结果: ");
        const QString defect = QStringLiteral("缺陷描述: ");
        if (R == whole)
            return {heading + R, {}};
        if (R.contains(integrity)) {
            const QString rest = R.mid(14);
            if (rest.contains(integrity))
                return {heading + integrity, {}};
            return {heading, defect + rest};
        }
        return {heading, defect + R};
    }
    const QString heading = QStringLiteral("TIMBO Test Results:");
    if (!R.contains(integrity)) {
        if (R == whole)
            return {heading + R, {}};
        return {heading, QStringLiteral("Defect Description:") + R};
    }
    return {heading, R};
}

void CRepSingle::DrawResults(gdi::Canvas& dc) {
    const double s = dc.dpiX() / 96.0;
    const int g = int(m_nGap * s);
    gdi::Rect B = m_rcResult;
    if (m_pSettings->m_nSingleRepType == 1)
        B.top += m_nExtraRows;
    dc.MoveTo(B.left, B.bottom);
    dc.LineTo(B.left, B.top);
    DrawFrame(dc, B.left, B.top, B.right, B.bottom, true);

    const auto [heading, second] = ResultTexts(m_pPile->m_strConclusion, English());
    const QString submit = English() ? QStringLiteral("Submit Date:    Year  Month  Day")
                                     : QStringLiteral("提交报告时间:    年  月  日");
    gdi::Size submitExt;
    {
        FontScope f(dc, MakeFont(3));
        submitExt = dc.GetTextExtent(submit);
    }
    {
        FontScope f(dc, MakeFont(2));
        gdi::Rect r(B.left + g, B.top, B.right, B.top + 2 * g);
        constexpr unsigned kWrap = gdi::DT_WORDBREAK | gdi::DT_NOPREFIX;
        gdi::Rect m = r;
        dc.DrawText(heading, m, kWrap | gdi::DT_CALCRECT);
        const int h = m.Height();
        r = gdi::Rect(r.left, r.top, r.right, r.top + h);
        r.OffsetRect(0, int(10 * s));
        dc.DrawText(heading, r, kWrap);
        r.OffsetRect(0, int(1.5 * h));
        // The description keeps above the submit line: a long one is cut
        // here (the document holds all of it).
        gdi::Rect r2(r.left, r.top, B.right, std::max(r.top, B.bottom - submitExt.cy));
        dc.DrawText(FitLines(dc, second, r2.Width(), r2.Height(), kWrap), r2, kWrap);
    }
    FontScope f(dc, MakeFont(3));
    gdi::Rect r(B.right - submitExt.cx, B.bottom - submitExt.cy, B.right, B.bottom);
    dc.DrawText(submit, r, gdi::DT_RIGHT | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
}

// ---- pictures ---------------------------------------------------------------------------------------

void CRepSingle::SetPictureBands(const gdi::Rect& P, const gdi::Rect& I) {
    pit::PageFrame f;
    f.body = I;
    f.header = gdi::Rect(I.left, P.top, I.right, I.top);
    f.footer = gdi::Rect(I.left, I.bottom, I.right, P.bottom);
    f.headerOn = m_pSettings && m_pSettings->m_bpagehead;
    f.footerOn = m_pSettings && (m_pSettings->m_bpagefoot || m_pSettings->m_bprpage);
    m_pictureFrame = f;
    if (m_arrCellRects.empty())
        m_arrCellRects.push_back(I);
    else
        m_arrCellRects.front() = I;
}

void CRepSingle::DrawPageToDC(const gdi::Rect& R, gdi::Canvas& dc) {
    dc.FillSolidRect(R, RGB(255, 255, 255));
    if (!m_bPictureMode) {
        if (m_pictureFrame && m_pSettings)
            pit::DrawPageHeaderFooter(dc, *m_pSettings, *m_pictureFrame, 1, 1);
    } else {
        m_arrCellRects.assign(1, gdi::Rect(R.left + 5, R.top + 5, R.right - 5, R.bottom - 10));
    }
    CPrintInfo info;
    info.currentPage = 1;
    PrintPage(dc, info);
}

QImage CRepSingle::RenderPage(const gdi::Rect& R) {
    if (R.Width() <= 0 || R.Height() <= 0)
        return {};
    QImage image(R.Width(), R.Height(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    QPainter painter(&image);
    painter.translate(-R.left, -R.top);
    gdi::Canvas dc(painter, 0, 0, false);
    DrawPageToDC(R, dc);
    return image;
}

QImage CRepSingle::RenderToBitmap(const gdi::Rect& rect) {
    m_bToBitmap = true;
    m_arrCellRects.assign(1, rect);
    QImage image = RenderPage(rect);
    m_bToBitmap = false;
    return image;
}

QString CRepSingle::PileTitle() const {
    return QStringLiteral("Single_") + m_pile.m_strPileNo;
}

std::optional<QString> CRepSingle::AskPictureFile(const QString& suffix, const QString& filter) {
    if (!m_pServices)
        return std::nullopt;
    pit::SaveFileAsk ask;
    ask.defaultName = pit::FileNamePart(PileTitle()) + QLatin1Char('.') + suffix;
    ask.defaultSuffix = suffix;
    ask.filter = filter;
    if (m_pDoc && !m_pile.m_strPath.isEmpty())
        ask.folder = QFileInfo(m_pile.m_strPath).absolutePath();
    return m_pServices->ChooseSaveFile(ask);
}

void CRepSingle::ReportWriteFailure(const QString& why) {
    Message(QStringLiteral("图片没有保存。\n") + why, QStringLiteral("The picture was not saved.\n") + why,
            pit::MB_OK | pit::MB_ICONWARNING);
}

bool CRepSingle::ExportBmp() {
    const std::optional<QString> path =
        AskPictureFile(QStringLiteral("bmp"), QStringLiteral("BMP Files (*.bmp)"));
    if (!path)
        return false;
    m_bToBitmap = true;
    const gdi::Rect P(0, 0, 768, 1024);
    const gdi::Rect I(768 / 15, 1024 / 30, 768 - 768 / 15, 1024 - 1024 / 30);
    SetPictureBands(P, I);
    const QImage page = RenderPage(P);
    m_bToBitmap = false;
    QString why;
    if (!pit::SaveBmp(page, *path, &why, EnglishInterface())) {
        ReportWriteFailure(why);
        return false;
    }
    m_pServices->OpenWithDesktop(*path);
    return true;
}

bool CRepSingle::ExportEmf() {
    const std::optional<QString> path =
        AskPictureFile(QStringLiteral("emf"), QStringLiteral("EMF Files (*.emf)"));
    if (!path)
        return false;
    m_bToBitmap = true;
    // Smoothed curves are drawn for the printer, plain ones for the screen.
    const pit::EmfReference ref = SmoothCurves() ? pit::EmfReference::Printer() : pit::EmfReference::Screen();
    const int W = int(ref.dpiX * 174.4 / 25.4), H = int(ref.dpiY * 240 / 25.4);
    auto emf = CreateMetaFile(ref, *path, QSize(W, H));
    const gdi::Rect P(0, 0, W, H);
    const gdi::Rect I(W / 15, H / 30, W - W / 15, H - H / 30);
    SetPictureBands(P, I);
    {
        QPainter painter(emf.get());
        gdi::Canvas dc(painter, 0, 0, false);
        DrawPageToDC(P, dc);
    }
    m_bToBitmap = false;
    QString why;
    if (!emf->Save(*path, &why, EnglishInterface())) {
        ReportWriteFailure(why);
        return false;
    }
    m_pServices->OpenWithDesktop(*path);
    return true;
}

bool CRepSingle::ExportPilePictureBmp(const QString& path) {
    UpdatePileList();
    CWaveRecord* w = m_pile.CurrentChannel();
    QImage image(768, 400, QImage::Format_RGB32);
    // The fixed printer resolution, whatever printer is installed.
    const pit::EmfReference printer = pit::EmfReference::Printer();
    image.setDotsPerMeterX(int(std::lround(printer.dpiX / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(printer.dpiY / 0.0254)));
    image.fill(Qt::white);
    if (w) {
        QPainter painter(&image);
        gdi::Canvas dc(painter, printer.dpiX, printer.dpiY, false);
        dc.SetBkMode(gdi::TRANSPARENT);
        dc.SelectBrush(gdi::Brush::Null());
        w->pictureMode = 1;
        w->printLabelMode = -1;
        const gdi::Font axis = PictureFont();
        w->DrawForPrint(dc, m_pile.m_nSpareCounter, m_pile.m_nSamples, gdi::Rect(0, 0, 768, 400), true, &axis,
                        DrawDoc());
        w->pictureMode = 0;
        w->printLabelMode = 0;
    }
    QString why;
    if (!pit::SaveBitmapToFileAtPrinterDepth(image, path, &why, EnglishInterface())) {
        ReportWriteFailure(why);
        return false;
    }
    if (m_pServices)
        m_pServices->OpenWithDesktop(path);
    return true;
}

bool CRepSingle::ExportPilePictureEmf(const QString& path) {
    UpdatePileList();
    CWaveRecord* w = m_pile.CurrentChannel();
    const bool smooth = SmoothCurves();
    const pit::EmfReference ref = smooth ? pit::EmfReference::Printer() : pit::EmfReference::Screen();
    const QSize size = smooth ? QSize(ref.dpiX * 748 / 72, ref.dpiY * 400 / 72) : QSize(768, 400);
    if (smooth)
        m_bToBitmap = true;
    auto emf = CreateMetaFile(ref, path, size);
    if (w) {
        QPainter painter(emf.get());
        gdi::Canvas dc(painter, 0, 0, false);
        const gdi::Rect box(0, 0, size.width(), size.height());
        const gdi::Font axis = PictureFont();
        if (smooth) {
            dc.FillSolidRect(box, RGB(255, 255, 255));
            w->pictureMode = 1;
            w->printLabelMode = -1;
            w->DrawForPrint(dc, m_pile.m_nSpareCounter, m_pile.m_nSamples, box, true, &axis, DrawDoc());
        } else {
            w->pictureMode = 0;
            w->DrawForPrintB(dc, m_pile.m_nSpareCounter, m_pile.m_nSamples, box, true, &axis, DrawDoc());
        }
        w->pictureMode = 0;
        w->printLabelMode = 0;
    }
    m_bToBitmap = false;
    QString why;
    if (!emf->Save(path, &why, EnglishInterface())) {
        ReportWriteFailure(why);
        return false;
    }
    if (m_pServices)
        m_pServices->OpenWithDesktop(path);
    return true;
}

// ---- the Word document ------------------------------------------------------------------------------

void CRepSingle::FillReportInfo(const CPileRecord& pile, CSingleReportInfo& out) const {
    out = CSingleReportInfo();
    const bool useCommon = m_pDoc && m_pDoc->m_bUseCommonInfo;
    const CCommonInfo* c = m_pDoc ? &m_pDoc->m_CommonInfo : nullptr;
    auto common = [&](CCommonInfo::Flag f) { return useCommon && c->Use(f); };

    if (m_pDoc) {
        const auto& texts = m_pDoc->m_ProjectInfo.m_texts;
        out.m_strProject = texts[0];
        out.m_strTestUnit = texts[2];
        out.m_strVerifier = texts[3];
        out.m_strTester = texts[4];
        out.m_strStandard = pit::options::TestStandard(m_pDoc->m_nJianceYiju);
    }
    if (out.m_strProject.isEmpty())
        out.m_strProject = pile.m_strProject;
    int grade = pile.m_nGradeIndex;
    if (useCommon)
        c->ApplyTo({.projectName = &out.m_strProject,
                    .testingUnit = &out.m_strTestUnit,
                    .tester = &out.m_strTester,
                    .standard = &out.m_strStandard,
                    .grade = &grade});
    out.m_strTestDate = DateText(pile.m_testDate);
    out.m_strPileNo = pile.m_strPileNo;

    const bool allAge = m_pDoc && m_pDoc->m_bAllPilesAge;
    if (allAge) {
        out.m_nAge = m_pDoc->m_iAllAge;
        out.m_strConstructDate = DateText(pile.m_testDate.addDays(-m_pDoc->m_iAllAge));
    } else {
        out.m_nAge = pile.m_constructionDate.isValid() && pile.m_testDate.isValid()
                         ? int(pile.m_constructionDate.daysTo(pile.m_testDate))
                         : pile.m_nAge;
        out.m_strConstructDate = DateText(pile.m_constructionDate);
    }

    const bool english = English();
    out.m_strPileType = pile.m_strShape;
    if (common(CCommonInfo::Shape))
        out.m_strPileType = pit::options::PileShape(c->m_nShape == 1 ? 1 : 0, english);
    out.m_strGrade = pit::options::Grade(grade >= 0 && grade <= 18 ? grade : 0);
    const bool square = IsSquareText(pile.m_strShape);
    if (common(CCommonInfo::Diameter))
        out.m_strSize = square
                            ? QString::asprintf("%.0f*%.0f", double(c->m_fDiameter), double(c->m_fSecondSide))
                            : QString::asprintf("%.0f ", double(c->m_fDiameter));
    else
        out.m_strSize = square ? QString::asprintf("%d*%d", int(pile.m_fDiameter), int(pile.m_fSecondSide))
                               : QString::asprintf("%d", int(pile.m_fDiameter));
    auto elevation = [&pile](int i) {
        float v;
        std::memcpy(&v, pile.m_pileValues[size_t(i)].data(), 4);
        return ElevationText(v);
    };
    out.m_strDesignTop = elevation(0);
    out.m_strDesignTip = elevation(1);
    out.m_strMeasuredTop = elevation(2);
    out.m_strResult = pile.m_strConclusion;

    if (const CWaveRecord* w = pile.CurrentChannel()) {
        out.m_pWave = std::shared_ptr<CWaveRecord>(w->Clone().release());
        out.m_nFirstSample = pile.m_nSpareCounter;
        out.m_nSampleCount = pile.m_nSamples;
        out.m_dValue = w->MaxInWindow(pile.m_nSpareCounter, pile.m_nSamples);
    }
    out.m_nChannel = pile.m_nCurrentChannel;
    out.m_fWaveSpeed = float(pile.m_nWaveSpeed);
    out.m_fLength = pile.m_fPileLength;
    out.m_strClass = pile.m_strClass;
}

bool CRepSingle::ExportWord(const QString& outputName) {
    if (!m_pWord) {
        Message(QStringLiteral("没有可用的文档导出。"), QStringLiteral("No document export is available."),
                pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    pit::WordSingleReport report;
    report.templateName =
        English() ? QStringLiteral("SingleBoltReportE.dot") : QStringLiteral("SingleBoltReport.dot");
    report.settings = m_pSettings;
    report.draw = DrawDoc();
    report.curveFont = PictureFont();
    if (m_pDoc)
        report.folder = m_pDoc->m_strFolder;
    if (m_pApp && m_pApp->interactive)
        UpdatePileList();
    if (m_bOwnPage) {
        if (m_pile.ChannelCountInList() > 0) {
            report.pages.emplace_back();
            FillReportInfo(m_pile, report.pages.back());
        }
    } else {
        for (const QString& path : m_arrFiles) {
            CPileRecord pile;
            pile.SetLanguage(EnglishInterface() ? 1 : 0);
            if (!pile.TryReadFile(path)) { // an unreadable pile is left out, the others stay in order
                report.unreadable << path;
                continue;
            }
            report.pages.emplace_back();
            FillReportInfo(pile, report.pages.back());
        }
    }
    m_leftOut = report.unreadable;
    report.unreadable = AllLeftOut();
    return m_pWord->WriteSingleReport(report, outputName.trimmed());
}
