// The static-English project report.
#include "reports/RepProjectB.h"

#include "core/doc/KEV_DUXDoc.h"

#include <algorithm>
#include <vector>

namespace {

constexpr unsigned kFieldLine = gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX;
const QString kProduct = QStringLiteral("KEV-TIMBO 1.0");

} // namespace

void CRepProjectB::DrawPage(int left, int top, int right, int bottom, gdi::Canvas&) {
    const int H = bottom - top;
    m_rcCell = gdi::Rect(left, top, right, bottom);
    m_rcHead = gdi::Rect(left, top, right, top + 2 * H / 9);
    m_rcCurve = gdi::Rect(left, m_rcHead.bottom, right, m_rcHead.bottom + 6 * H / 9);
    m_rcQuality = gdi::Rect(left, m_rcCurve.bottom, right, bottom);
}

gdi::Font CRepProjectB::CreateCourierFont() const {
    const int height = m_bPictureMode ? -5 : m_bToBitmap ? -13 : int(-13 * m_nPrinterDpi / 100.0);
    return gdi::Font::Create(height, 400, QStringLiteral("courier new"));
}

gdi::Font CRepProjectB::CellCourierFont() const {
    gdi::Font f = CreateCourierFont();
    if (m_nCourierEm > 0)
        f.height = -std::min(-f.height, m_nCourierEm);
    return f;
}

void CRepProjectB::FitCourierFont(gdi::Canvas& dc, int index) {
    const CReportPileItem& it = *m_items[size_t(index)];
    const int off = dc.dpiX() / 96;
    // Each text with the room of its field: header fields from 3 x off,
    // summary slots and the quality line's parts from 2 x off.
    struct Field {
        QString text;
        int width, height;
    };
    std::vector<Field> fields;
    const gdi::Rect& h = m_rcHead;
    const int mid = h.Width() * 3 / 4, half = h.Height() / 2;
    const QString head[4] = {QStringLiteral(" ") + it.m_strProject, QStringLiteral(" ") + it.m_strModel,
                             QStringLiteral(" ") + it.m_strPileNo,
                             QStringLiteral(" ") + it.m_dtTest.toString(QStringLiteral("yyyy-MM-dd"))};
    for (int k = 0; k < 4; ++k)
        fields.push_back(
            {head[k], (k % 2 ? h.Width() - mid : mid) - 3 * off, k < 2 ? half : h.Height() - half});
    const int colW = m_rcCurve.Width() / 5, slotH = m_rcCurve.Height() / 6;
    for (const QString& line : SummaryLines(it))
        fields.push_back({line, colW - 2 * off, slotH});
    const int split = m_rcQuality.Width() * 3 / 4;
    fields.push_back({QStringLiteral(" ") + it.m_strProjectC, split - 2 * off, m_rcQuality.Height()});
    fields.push_back(
        {QStringLiteral(" ") + kProduct, m_rcQuality.Width() - split - 2 * off, m_rcQuality.Height()});

    m_nCourierEm = 0;
    int em = -CreateCourierFont().height;
    const gdi::Font old = dc.GetFont();
    for (int pass = 0; pass < 12 && em > 1; ++pass) {
        dc.SelectFont(gdi::Font::Create(-em, 400, CreateCourierFont().face));
        // The fixed-pitch face scales in proportion: the largest size every field takes.
        double fit = em;
        for (const Field& f : fields) {
            const gdi::Size ext = dc.GetTextExtent(f.text);
            if (ext.cx > 0)
                fit = std::min(fit, double(em) * std::max(1, f.width - 1) / ext.cx);
            if (ext.cy > 0)
                fit = std::min(fit, double(em) * std::max(1, f.height) / ext.cy);
        }
        if (int(fit) >= em)
            break;
        em = std::max(1, std::min(em - 1, int(fit)));
    }
    dc.SelectFont(old);
    m_nCourierEm = em;
}

std::array<QString, 6> CRepProjectB::SummaryLines(const CReportPileItem& it) {
    int hp = 0, lp = 0;
    it.m_wave.GetFilterCutoffs(hp, lp);
    return {QString::asprintf(" SZPI: %d m", int(it.m_fDiameter)),
            QString::asprintf(" LGPI: %.1f m", double(it.m_fLength)),
            QString::asprintf(" WSPI: %d m/s", it.m_nSpeed),
            QString::asprintf(" PALO: %d Hz", hp),
            QString::asprintf(" PAHI: %d Hz", lp),
            QString::asprintf(" FXEX: %d", it.m_wave.GetExpGain())};
}

void CRepProjectB::DrawHeaderB(gdi::Canvas& dc, int index) {
    const CReportPileItem& it = *m_items[size_t(index)];
    const int off = dc.dpiX() / 96;
    const gdi::Rect& h = m_rcHead;
    const int mid = h.left + h.Width() * 3 / 4;
    const int half = h.top + h.Height() / 2;
    const gdi::Rect fields[4] = {{h.left, h.top, mid, half},
                                 {mid, h.top, h.right, half},
                                 {h.left, half, mid, h.bottom},
                                 {mid, half, h.right, h.bottom}};
    const QString texts[4] = {QStringLiteral(" ") + it.m_strProject, QStringLiteral(" ") + it.m_strModel,
                              QStringLiteral(" ") + it.m_strPileNo,
                              QStringLiteral(" ") + it.m_dtTest.toString(QStringLiteral("yyyy-MM-dd"))};
    const gdi::Font old = dc.SelectFont(CellCourierFont());
    for (int k = 0; k < 4; ++k) {
        const gdi::Rect& f = fields[k];
        DrawFrame(dc, f.left, f.top, f.right, f.bottom, true);
        gdi::Rect r(f.left + 3 * off, f.top, f.right, f.bottom);
        dc.DrawText(texts[k], r, kFieldLine);
    }
    dc.SelectFont(old);
}

void CRepProjectB::WritePileSummary(gdi::Canvas& dc, int index) {
    const CReportPileItem& it = *m_items[size_t(index)];
    const int off = dc.dpiX() / 96;
    const int colW = m_rcCurve.Width() / 5;
    m_rcPlotB = gdi::Rect(m_rcCurve.left + colW, m_rcCurve.top, m_rcCurve.right, m_rcCurve.bottom);
    const int slotH = m_rcCurve.Height() / 6;
    gdi::Rect slot(m_rcCurve.left, m_rcCurve.top, m_rcCurve.left + colW, m_rcCurve.top + slotH);
    const std::array<QString, 6> lines = SummaryLines(it);
    const gdi::Font old = dc.SelectFont(CellCourierFont());
    for (int k = 0; k < 6; ++k) {
        if (k == 5)
            slot.bottom = m_rcCurve.bottom;
        gdi::Rect r(slot.left + 2 * off, slot.top, slot.right, slot.bottom);
        dc.DrawText(lines[size_t(k)], r, kFieldLine);
        DrawFrame(dc, slot.left, slot.top, slot.right, slot.bottom, true);
        slot.OffsetRect(0, slotH);
    }
    dc.SelectFont(old);
    DrawCurveB(dc, index);
}

void CRepProjectB::DrawCurveB(gdi::Canvas& dc, int index) {
    CReportPileItem& it = *m_items[size_t(index)];
    const int off = dc.dpiX() / 96;
    m_rcPlotB.DeflateRect(off, off);
    DrawItemWave(dc, it, m_rcPlotB, CellCourierFont(), 0);
    m_rcPlotB.InflateRect(off, off);
}

void CRepProjectB::DrawQualityB(gdi::Canvas& dc, int index) {
    const CReportPileItem& it = *m_items[size_t(index)];
    const int off = dc.dpiX() / 96;
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const gdi::Font old = dc.SelectFont(CellCourierFont());
    const gdi::Rect& q = m_rcQuality;
    const int split = q.left + q.Width() * 3 / 4;
    dc.MoveTo(split, q.top);
    dc.LineTo(split, q.bottom);
    gdi::Rect left(q.left + 2 * off, q.top, split, q.bottom);
    dc.DrawText(QStringLiteral(" ") + it.m_strProjectC, left, kFieldLine);
    gdi::Rect right(split + 2 * off, q.top, q.right, q.bottom);
    dc.DrawText(QStringLiteral(" ") + kProduct, right, kFieldLine);
    dc.SelectFont(old);
    dc.SetBkMode(oldBk);
}

void CRepProjectB::PrintPage(gdi::Canvas& dc, CPrintInfo& info) {
    const int page = std::max(1, info.currentPage);
    const int perPage = Rows() * Columns();
    const gdi::Pen pen = gdi::Pen::Create(gdi::PS_SOLID, dc.dpiX() / 96, 0);
    const gdi::Pen oldPen = dc.GetPen();
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(0);
    for (size_t i = 0; i < m_arrCellRects.size(); ++i) {
        const size_t idx = size_t(page - 1) * size_t(perPage) + i;
        if (idx >= m_items.size())
            break;
        const gdi::Rect& c = m_arrCellRects[i];
        DrawPage(c.left, c.top, c.right, c.bottom, dc);
        FitCourierFont(dc, int(idx));
        dc.SelectPen(pen);
        DrawHeaderB(dc, int(idx));
        WritePileSummary(dc, int(idx));
        dc.SelectPen(pen);
        DrawQualityB(dc, int(idx));
        dc.Polyline({{m_rcCurve.left, m_rcCurve.bottom},
                     {m_rcHead.left, m_rcHead.top},
                     {m_rcHead.right, m_rcHead.top}});
        DrawFrame(dc, m_rcPlotB.left, m_rcPlotB.top, m_rcPlotB.right, m_rcPlotB.bottom, true);
        DrawFrame(dc, m_rcQuality.left, m_rcQuality.top, m_rcQuality.right, m_rcQuality.bottom, true);
        dc.MoveTo(m_rcQuality.left, m_rcQuality.top);
        dc.LineTo(m_rcQuality.left, m_rcQuality.bottom);
        const gdi::Brush oldBrush = dc.SelectBrush(gdi::Brush::Null());
        dc.SelectBrush(oldBrush);
    }
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
    dc.SelectPen(oldPen);
}
