// The project report: items, page layout, cell bands and contents, pictures
// and the Word document.
#include "reports/RepProjectA.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"
#include "core/draw/SpectrumDraw.h"
#include "core/pile/AnalysisBlock.h"
#include "core/pile/PileRecord.h"
#include "platform/AtomicFile.h"
#include "platform/BmpWriter.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Metrics.h"
#include "platform/SafeText.h"
#include "reports/ExportServices.h"
#include "reports/ProjectReportWriter.h"
#include "reports/WordExport.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

using pit::RGB;

namespace {

constexpr unsigned kCellLine = gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX;
constexpr double kGapMmPerInch = 25.40005111694336;

} // namespace

namespace pit {

QString ProjectPageFileName(const QString& chosen, int page, const QString& defaultSuffix) {
    const QFileInfo fi(chosen);
    const QString suffix = fi.suffix().isEmpty() ? defaultSuffix : fi.suffix();
    const QString base = fi.suffix().isEmpty() ? fi.fileName() : fi.completeBaseName();
    return QDir(fi.path()).filePath(base + QStringLiteral("_第%1页.").arg(page) + suffix);
}

QString SafeFileName(const QString& name) {
    return FileNamePart(name.trimmed());
}

} // namespace pit

CRepProjectA::CRepProjectA(const pit::ReportEnv& env, const pit::ListRows* list)
    : CReportBuilder(env), m_pList(list) {}

CRepProjectA::~CRepProjectA() = default;

int CRepProjectA::Rows() const {
    if (m_bSinglePile || !m_pSettings)
        return 1;
    return std::clamp(m_pSettings->m_nRow, 3, 10);
}

int CRepProjectA::Columns() const {
    if (m_bSinglePile || !m_pSettings)
        return 1;
    return std::clamp(m_pSettings->m_nColumn, 1, 2);
}

bool CRepProjectA::ReportEnglish() const {
    return m_pSettings && m_pSettings->m_bLanguage == 1;
}

void CRepProjectA::SetFontRate(float rate) {
    if (m_pSettings)
        m_pSettings->m_fFontRate = rate;
}

// ---- items ---------------------------------------------------------------------------------------

std::unique_ptr<CReportPileItem> CRepProjectA::NewItem() const {
    auto item = std::make_unique<CReportPileItem>();
    if (m_pDoc) {
        item->m_strModel = pit::options::InstrumentModel(m_pDoc->m_nYiqiXinghao);
        item->m_strStandard = pit::options::TestStandard(m_pDoc->m_nJianceYiju);
        const auto& t = m_pDoc->m_ProjectInfo.m_texts;
        item->m_strProject = t[0];
        item->m_strProjectB = t[3];
        item->m_strProjectC = t[2];
        item->m_strProjectD = t[5];
        item->m_strProjectE = t[4];
    }
    return item;
}

bool CRepProjectA::LoadPileItem(CReportPileItem& item, const QString& path, bool allAge) const {
    return pit::LoadProjectPileItem(m_pDoc, item, path, allAge);
}

void CRepProjectA::ApplyCommonInfo(CReportPileItem& it) const {
    const CCommonInfo& c = m_CommonInfo;
    c.ApplyTo({.projectName = &it.m_strProject,
               .testingUnit = &it.m_strProjectC,
               .constructionUnit = &it.m_strProjectD,
               .tester = &it.m_strProjectE,
               .instrument = &it.m_strModel,
               .standard = &it.m_strStandard,
               .diameter = &it.m_fDiameter,
               .secondSide = &it.m_fSide,
               .enlarged = &it.m_fValueA,
               .enlarged2 = &it.m_fValueB,
               .grade = &it.m_nGrade,
               .shape = &it.m_bSquare});
    // Bounded as the pile's own are when read.
    it.m_nGrade = std::clamp(it.m_nGrade, 0, 18);
    it.m_bSquare = it.m_bSquare == 1 ? 1 : 0;
    if (c.Use(CCommonInfo::TestDate)) {
        // The common test date to the second, as the saved texts keep it.
        it.m_dtTest = pit::ParseSavedDateTime(c.m_testDate.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        it.m_nAge = it.m_dtConstruct.isValid() ? int(it.m_dtConstruct.daysTo(it.m_dtTest)) : 0;
        if (m_pDoc && m_pDoc->m_bAllPilesAge) {
            it.m_nAge = m_pDoc->m_iAllAge;
            it.m_dtConstruct = it.m_dtTest.addDays(-it.m_nAge);
        }
    }
}

void CRepProjectA::UpdatePileList() {
    if (!m_pList || !m_pDoc)
        return;
    m_items.clear();
    m_leftOut.clear();
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        if (!m_pList->GetItemCheck(row))
            continue;
        if (auto item = LoadListRow(row)) {
            m_items.push_back(std::move(item));
        } else {
            const QString path = ListRowPath(*m_pList, row);
            m_leftOut << (path.isEmpty() ? ListRowName(*m_pList, row) : path);
        }
    }
}

std::unique_ptr<CReportPileItem> CRepProjectA::LoadListRow(int row) const {
    auto item = NewItem();
    item->m_strPileNo = m_pList->GetItemText(row, 2);
    const QString path = ListRowPath(*m_pList, row);
    if (path.isEmpty() || !LoadPileItem(*item, path))
        return nullptr;
    if (m_bUseCommonInfo)
        ApplyCommonInfo(*item);
    return item;
}

void CRepProjectA::SetPileFiles(std::vector<QString> paths, std::vector<QString> pileNos) {
    m_items.clear();
    m_leftOut.clear();
    const size_t n = std::min(paths.size(), pileNos.size());
    for (size_t i = 0; i < n; ++i) {
        auto item = NewItem();
        item->m_strPileNo = pileNos[i];
        if (LoadPileItem(*item, paths[i]))
            m_items.push_back(std::move(item));
        else
            m_leftOut << paths[i];
    }
}

// ---- pages ---------------------------------------------------------------------------------------

int CRepProjectA::PagesOf(size_t items) const {
    const size_t per = size_t(Rows() * Columns());
    return int((items + per - 1) / per);
}

void CRepProjectA::SetPageRange(CPrintInfo& info) {
    info.SetMaxPage(PagesOf(m_items.size()));
    info.SetMinPage(1);
}

QString CRepProjectA::TitleText() const {
    return QStringLiteral(" 工程名称:") +
           (m_items.empty() ? QString() : m_items.front()->m_strProject.trimmed());
}

bool CRepProjectA::TitleTooWide(gdi::Canvas& dc, const QString& title, int width) {
    const gdi::Font old = dc.SelectFont(CreateReportFont(8, dc, 0));
    const int extent = dc.GetTextExtent(title).cx;
    dc.SelectFont(old);
    const qsizetype bytes = std::min<qsizetype>(pit::CodePage::system().fromUnicode(title).size(), 200);
    return extent > width || bytes > 76;
}

std::vector<gdi::Rect> CRepProjectA::LayoutCells(const gdi::Rect& r, int rows, int columns, int hgap,
                                                 int vgap) {
    rows = std::max(1, rows);
    columns = std::max(1, columns);
    const int W = r.Width(), H = r.Height();
    const int cellH = (H - vgap * rows) / rows;
    const int cellW = (W - (columns - 1) * hgap) / columns;
    std::vector<gdi::Rect> cells;
    for (int row = 0; row < rows; ++row)
        for (int c = 0; c < columns; ++c) {
            const int left = (cellW + hgap) * c + r.left;
            const int top = (cellH + vgap) * row + r.top;
            cells.emplace_back(left, top, left + cellW, top + cellH);
        }
    return cells;
}

int CRepProjectA::GapPixels(double mm, int dpi, bool printing, int scalePercent) {
    if (printing)
        return int(dpi / 25.4 * mm);
    return int(scalePercent / kGapMmPerInch * mm);
}

void CRepProjectA::LayoutPage(const gdi::Rect& page, gdi::Canvas& dc) {
    const double titleH = dc.dpiY() * 15 * 1.0 / 72;
    int W = page.Width(), H = page.Height();
    int T = page.top;
    if (m_pSettings && m_pSettings->m_bHeadInfo[9]) {
        H = int(H - titleH);
        T += int(titleH);
        if (TitleTooWide(dc, TitleText(), W)) {
            T += 2 * int(titleH);
            H -= 2 * int(titleH);
        }
    }
    const int S = pit::GetScreenScalePercent();
    const int gap = m_pSettings ? m_pSettings->m_nWaveGas : 3;
    // Printing devices take real millimetres; the pictures keep the Windows program's pixels.
    const int hgap = GapPixels(3.0, dc.dpiX(), dc.isPrinting(), S);
    const int vgap = GapPixels(gap, dc.dpiY(), dc.isPrinting(), S);
    m_arrCellRects =
        LayoutCells(gdi::Rect(page.left, T, page.left + W, T + H), Rows(), Columns(), hgap, vgap);
}

void CRepProjectA::DrawPage(int left, int top, int right, int bottom, gdi::Canvas& dc) {
    if (!m_pSettings)
        return;
    const CPrintSettings& s = *m_pSettings;
    const double scale = SmoothCurves() ? double(dc.dpiX() / 600) : dc.dpiX() / 96.0;
    m_rcCell = gdi::Rect(left, top, right, bottom);
    m_nInfoItems = pit::ProjectFieldCount(s);
    const bool withSpectrum = s.m_bSpectrum || s.m_bXiangwei;
    const int lines = CellLineUnits(s);
    const int H = bottom - top;
    const int unit = std::max(1, int(H * 1.0 / lines));
    m_rcHead = gdi::Rect(left, top, right, s.m_bTableHead ? top + InfoLineCount(m_nInfoItems) * unit : top);
    m_rcQuality = s.m_bQualityAssess ? gdi::Rect(left, bottom - unit, right, bottom)
                                     : gdi::Rect(left, bottom, right, bottom);
    m_rcSpectrum = withSpectrum ? gdi::Rect(left, m_rcQuality.top - 6 * unit, right, m_rcQuality.top)
                                : gdi::Rect(left, m_rcQuality.top, right, m_rcQuality.top);
    m_rcCurve = gdi::Rect(left, int(m_rcHead.bottom + scale * 2.0) + 2, right, m_rcSpectrum.top);
}

void CRepProjectA::DrawItemWave(gdi::Canvas& dc, CReportPileItem& item, const gdi::Rect& box,
                                const gdi::Font& font, int pictureMode) {
    CWaveRecord& w = item.m_wave;
    w.SetStyleFlag(m_bPictureMode);
    if (m_pDoc)
        w.SetFillMode(m_pDoc->m_ProjectInfo.m_nValue2);
    w.SetDrawParams(item.m_fLength, item.m_fDiameter, item.m_fSide);
    w.pictureMode = uint8_t(pictureMode);
    w.layoutMode = Columns() == 2 ? 1 : 0;
    w.printLabelMode = 1;
    w.DrawForPrint(dc, item.m_nFirstSample, item.m_nSampleCount, box, m_bToBitmap, &font, DrawDoc());
    w.pictureMode = 0;
    w.layoutMode = 0;
    w.printLabelMode = 0;
}

void CRepProjectA::DrawCellLines(gdi::Canvas& dc) {
    dc.Polyline({{m_rcCurve.left, m_rcCurve.bottom},
                 {m_rcHead.left, m_rcHead.top},
                 {m_rcHead.right, m_rcHead.top},
                 {m_rcCurve.right, m_rcCurve.bottom}});
    const gdi::Brush oldBrush = dc.SelectBrush(gdi::Brush::Null());
    if (!m_rcSpectrum.IsRectEmpty())
        dc.Polyline({{m_rcSpectrum.left, m_rcSpectrum.bottom},
                     {m_rcSpectrum.left, m_rcSpectrum.top},
                     {m_rcSpectrum.right, m_rcSpectrum.top},
                     {m_rcSpectrum.right, m_rcSpectrum.bottom}});
    if (!m_rcQuality.IsRectEmpty()) {
        DrawFrame(dc, m_rcQuality.left, m_rcQuality.top, m_rcQuality.right, m_rcQuality.bottom, true);
        DrawFrame(dc, m_rcQuality.left, m_rcQuality.top, m_rcQuality.right, m_rcQuality.bottom, false);
    }
    dc.SelectBrush(oldBrush);
}

void CRepProjectA::PrintPage(gdi::Canvas& dc, CPrintInfo& info) {
    if (!m_pSettings)
        return;
    const int page = std::max(1, info.currentPage);
    const int perPage = Rows() * Columns();
    const bool smooth = SmoothCurves();
    const gdi::Pen pen = gdi::Pen::Create(gdi::PS_SOLID, smooth ? dc.dpiX() / 600 : dc.dpiX() / 96, 0);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const gdi::Pen oldPen = dc.GetPen();
    m_bTitleDrawn = 0;
    for (size_t i = 0; i < m_arrCellRects.size(); ++i) {
        const size_t idx = size_t(page - 1) * size_t(perPage) + i;
        if (idx >= m_items.size())
            break;
        const gdi::Rect& c = m_arrCellRects[i];
        DrawPage(c.left, c.top, c.right, c.bottom, dc);
        dc.SelectPen(pen);
        m_nInfoItems = 0;
        DrawPileRow(dc, int(idx), false);

        DrawItemWave(dc, *m_items[idx], m_rcCurve, CreateReportFont(2, dc, 0), smooth ? 1 : 0);

        dc.SelectPen(pen);
        DrawSpectrumMarks(dc, int(idx));
        DrawIntegrity(dc, int(idx));
        dc.SelectPen(pen);
        DrawCellLines(dc);
    }
    dc.SelectPen(oldPen);
    dc.SetBkMode(oldBk);
}

// ---- cell contents -------------------------------------------------------------------------------

gdi::Font CRepProjectA::CreateReportFont(int kind, gdi::Canvas&, int height) {
    int h = 0, weight = 400;
    const int rowPt = m_anRowFontPt[Columns() - 1][Rows() - 1];
    if (kind & 16)
        h = rowPt;
    switch (kind & ~16) {
    case 1:
        h = m_rcCurve.Height() / 7;
        weight = 700;
        break;
    case 2:
        h = m_nRowFontHeight != 0 ? m_nRowFontHeight : m_rcCurve.Height() / 9;
        break;
    case 4:
        h = height;
        break;
    case 8:
        h = m_nRowFontHeight;
        break;
    default:
        break;
    }
    const QString face = EnglishInterface() ? QStringLiteral("Arial") : QStringLiteral("宋体");
    return gdi::Font::Create(h, weight, face);
}

QString CRepProjectA::BuildRowText(const pit::ProjectRowItems& row) {
    m_nInfoItems = 0;
    QString text;
    int used = 0;
    for (int i = 0; i < 12; ++i) {
        if (!row.shown[size_t(i)])
            continue;
        ++m_nInfoItems;
        if (used++ < 6)
            text += row.Text(i);
    }
    return text;
}

int CRepProjectA::ComputeRowColumns(const pit::ProjectRowItems& row, int idx[12], float frac[6],
                                    const std::function<int(const QString&)>& measure) {
    int count = 0;
    for (int i = 0; i < 12; ++i)
        idx[i] = -1;
    for (int i = 0; i < 12; ++i)
        if (row.shown[size_t(i)])
            idx[count++] = i;
    const int n = std::min(count, 6);
    double sum = 0;
    double weight[6] = {};
    for (int k = 0; k < n; ++k) {
        int w = measure(row.Text(idx[k]));
        if (k + 6 < 12 && idx[k + 6] >= 0)
            w = std::max(w, measure(row.Text(idx[k + 6])));
        weight[k] = w;
        sum += w;
    }
    for (int k = 0; k < 6; ++k)
        frac[k] = k < n ? float(sum > 0 ? weight[k] / sum : 1.0 / n) : 0.0f;
    return n;
}

std::vector<int> CRepProjectA::RowColumnEdges(int left, int right, int n, const float frac[6]) {
    std::vector<int> edges{left};
    double acc = 0;
    for (int k = 0; k < n; ++k) {
        acc += frac[k];
        edges.push_back(k == n - 1 ? right : int(left + (right - left) * acc));
    }
    return edges;
}

int CRepProjectA::FitRowHeight(gdi::Rect band, const pit::ProjectRowItems& row, const QString& text,
                               gdi::Canvas& dc, int start, int* calcHOut, bool estimate) {
    const int rowPt = m_anRowFontPt[Columns() - 1][Rows() - 1];
    if (Columns() == 1 && Rows() > 5)
        band.right = band.left + band.Width() / 2;
    const int length = std::max<int>(1, int(text.size()));
    int calcH = 0, calcW = 0;
    const gdi::Font old = dc.GetFont();
    auto measure = [&](int height) {
        dc.SelectFont(CreateReportFont(4, dc, std::max(1, height)));
        gdi::Rect r = band;
        dc.DrawText(text, r, gdi::DT_SINGLELINE | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
        calcH = r.Height();
        calcW = r.Width();
        return dc.GetTextMetrics();
    };
    int h = std::max(1, start);
    for (int pass = 0; estimate && pass < 31; ++pass) {
        const gdi::TextMetrics tm = measure(h);
        h = tm.height;
        const int d = (tm.aveCharWidth * length - band.Width()) / length;
        if (d >= -10 && d <= 0)
            break;
        h = std::max(1, h - d);
    }
    const int hmax = int(rowPt * int(dc.dpiX() / 72.0));
    if (estimate && h > hmax)
        h = hmax;
    measure(h);
    // The average width misjudges a row of ideographs and digits, and the
    // first line alone misjudges two: each column's texts, after the padding
    // the row leaves before them, must fit the column the row gives them.
    const double scale = SmoothCurves() ? dc.dpiX() / 600.0 : dc.dpiX() / 96.0;
    const int pad = int(2 * scale);
    const auto extent = [&dc](const QString& t) { return dc.GetTextExtent(t).cx; };
    const auto crowding = [&]() { // the largest share of its column a column's text needs
        int idx[12];
        float frac[6];
        const int n = ComputeRowColumns(row, idx, frac, extent);
        const std::vector<int> edges = RowColumnEdges(band.left, band.right, n, frac);
        double worst = 0;
        for (int k = 0; k < n; ++k) {
            int need = extent(row.Text(idx[k]));
            if (idx[k + 6] >= 0)
                need = std::max(need, extent(row.Text(idx[k + 6])));
            worst =
                std::max(worst, double(need + pad) / std::max(1, edges[size_t(k) + 1] - edges[size_t(k)]));
        }
        return worst;
    };
    for (double c = crowding(); c > 1.0 && h > 1; c = crowding()) {
        h = std::max(1, std::min(h - 1, int(h / c)));
        measure(h);
    }
    dc.SelectFont(old);
    if (calcHOut)
        *calcHOut = calcH;
    return h;
}

CRepProjectA::CellBands CRepProjectA::FitCellBands(const CellBandInput& in) {
    const gdi::Rect& c = in.cell;
    CellBands b;
    const int headBottom =
        std::clamp(int(c.top + in.textHeight * 1.4 * std::max(0, in.lines)), int(c.top), int(c.bottom));
    const int qualityTop =
        in.quality ? std::clamp(int(c.bottom - in.textHeight * 1.4), headBottom, int(c.bottom)) : c.bottom;
    const int curveTop = std::min(int(headBottom + in.curveGap) + 2, qualityTop);
    const int avail = qualityTop - curveTop;
    int spectrum = 0;
    if (in.spectrum) {
        const int wanted = in.spectrumLines > 0 ? int(in.textHeight * in.spectrumLines * 6)
                                                : qualityTop - std::max(in.spectrumTop, curveTop);
        spectrum = std::clamp(std::min(wanted, avail - in.curveFloor), 0, avail);
        if (spectrum < 6 * in.textHeight)
            b.fits = false;
    }
    if (avail - spectrum < in.curveFloor)
        b.fits = false;
    b.head = gdi::Rect(c.left, c.top, c.right, headBottom);
    b.curve = gdi::Rect(c.left, curveTop, c.right, qualityTop - spectrum);
    b.spectrum = gdi::Rect(c.left, qualityTop - spectrum, c.right, qualityTop);
    b.quality = gdi::Rect(c.left, qualityTop, c.right, c.bottom);
    return b;
}

void CRepProjectA::FitRowFont(gdi::Rect band, const pit::ProjectRowItems& row, const QString& text,
                              gdi::Canvas& dc) {
    const CPrintSettings& s = *m_pSettings;
    const int lines = InfoLineCount(m_nInfoItems);
    const int rowPt = m_anRowFontPt[Columns() - 1][Rows() - 1];
    // No item shown, or nothing to measure: the row height of the table.
    if (lines == 0 || text.isEmpty()) {
        m_nRowFontHeight = rowPt;
        return;
    }
    int h = m_rcHead.Height() / lines;
    if (s.m_bSpectrum)
        h = int(m_rcSpectrum.Height() / 6.0);
    int calcH = 0;
    h = FitRowHeight(band, row, text, dc, h, &calcH);
    const int fitted = h;
    const float rate = m_pDoc ? m_pDoc->m_nFontRate : m_pSettings->m_fFontRate;
    if (rate != 0 && !m_bPictureMode && !m_bPictureRender) {
        // The font rate enlarges the row as far as the band has room.
        h = std::max(fitted, FitRowHeight(band, row, text, dc, h + int(dc.dpiX() / 96.0 * 2 * rate / 6.0),
                                          &calcH, false));
    }
    if (m_bPictureRender) {
        // Pictures: the font rate's size, but never larger than the row fits.
        const int h1 = int(rate * 96.0 / 72.0);
        const int h2 = (pit::GetScreenScalePercent() * h1) / 100;
        // (the fit to the width alone: the table's point cap counts points as
        // pixels at the picture's 96 dpi)
        if (h2 > 0)
            h = FitRowHeight(band, row, text, dc, int(h2 * dc.dpiX() / 96.0), &calcH, false);
    }

    // The bands below the row: the curve keeps the share the cell's units
    // give it; the spectrum gives way first, then the row font.
    const bool smooth = SmoothCurves();
    CellBandInput in;
    in.cell = m_rcCell;
    in.lines = lines;
    in.quality = s.m_bQualityAssess != 0;
    in.spectrum = s.m_bSpectrum != 0;
    in.curveGap = smooth ? dc.dpiX() / 600.0 * 2 * 3 : 2 * dc.dpiX() / 96.0;
    in.spectrumTop = m_rcSpectrum.top;
    in.spectrumLines = Columns() == 2 && !m_bPictureMode ? std::max(7.5 / Rows(), 1.2) : 0;
    in.curveFloor = std::max(0, m_rcCurve.Height());
    const int hMin = std::max(1, dc.dpiY() * 4 / 72);
    const gdi::Font old = dc.GetFont();
    CellBands bands;
    for (;;) {
        dc.SelectFont(CreateReportFont(4, dc, std::max(1, h)));
        gdi::Rect r = band;
        dc.DrawText(text, r, gdi::DT_SINGLELINE | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
        calcH = r.Height();
        in.textHeight = calcH;
        bands = FitCellBands(in);
        if (bands.fits || h <= hMin)
            break;
        h = std::max(hMin, h - std::max(1, h / 16));
    }
    dc.SelectFont(old);
    m_nRowFontHeight =
        m_bPictureMode ? 4 - Columns() : h - (s.m_bSpectrum ? dc.dpiY() / (smooth ? 600 : 96) : 0);
    m_rcHead = bands.head;
    m_rcCurve = bands.curve;
    m_rcSpectrum = bands.spectrum;
    m_rcQuality = s.m_bQualityAssess
                      ? bands.quality
                      : gdi::Rect(m_rcCell.left, m_rcCell.bottom, m_rcCell.right, m_rcCell.bottom);
}

void CRepProjectA::DrawPileRow(gdi::Canvas& dc, int index, bool noFit) {
    if (index < 0 || size_t(index) >= m_items.size() || !m_pSettings)
        return;
    const CPrintSettings& s = *m_pSettings;
    if (!s.m_bTableHead) {
        m_nRowFontHeight = m_anRowFontPt[Columns() - 1][Rows() - 1];
        return;
    }
    const CReportPileItem& item = *m_items[size_t(index)];
    const pit::COLORREF oldText = dc.SetTextColor(0);
    const pit::ProjectRowItems row = pit::BuildProjectRowItems(item, s, m_nDecimals);
    if (!noFit) {
        const QString text = BuildRowText(row);
        FitRowFont(m_rcHead, row, text, dc);
    } else {
        BuildRowText(row);
    }
    const double scale = SmoothCurves() ? dc.dpiX() / 600.0 : dc.dpiX() / 96.0;
    const gdi::Font oldFont = dc.SelectFont(CreateReportFont(8, dc, 0));
    const gdi::Pen oldPen = dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, int(scale), 0));
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);

    int idx[12];
    float frac[6];
    const int n =
        ComputeRowColumns(row, idx, frac, [&dc](const QString& t) { return dc.GetTextExtent(t).cx; });
    const int lines = InfoLineCount(m_nInfoItems);
    gdi::Rect line1 = m_rcHead, line2;
    if (lines == 2) {
        line1.bottom = m_rcHead.top + m_rcHead.Height() / 2;
        line2 = gdi::Rect(m_rcHead.left, line1.bottom, m_rcHead.right, m_rcHead.bottom);
    }

    // The project title above the first cell of a page.
    if (!m_bTitleDrawn && s.m_bHeadInfo[9]) {
        m_bTitleDrawn = 1;
        const QString title = QStringLiteral(" 工程名称:") + item.m_strProject.trimmed();
        const int avail = int(m_rcHead.Width() - 8 * scale);
        const int left = int(m_rcHead.left + 3 * scale);
        if (dc.GetTextExtent(title).cx > avail) {
            QString head, rest;
            pit::SplitTextAtWidth([&dc](const QString& t) { return dc.GetTextExtent(t).cx; }, title, rest,
                                  head, avail);
            gdi::Rect m(0, 0, avail, 0);
            dc.DrawText(head, m, gdi::DT_SINGLELINE | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
            const int h = m.Height();
            const int top = int(m_rcHead.top - 2 * h - 8 * scale);
            gdi::Rect r1(left, top, m_rcHead.right, int(top + h + 4 * scale));
            dc.DrawText(head, r1, kCellLine);
            gdi::Rect r2(left, r1.bottom, m_rcHead.right, int(r1.bottom + h + 4 * scale));
            dc.DrawText(rest, r2, kCellLine);
        } else {
            gdi::Rect m(0, 0, avail, 0);
            dc.DrawText(title, m, gdi::DT_SINGLELINE | gdi::DT_CALCRECT | gdi::DT_NOPREFIX);
            const int h = m.Height();
            gdi::Rect r(left, int(m_rcHead.top - h - 3 * scale), m_rcHead.right,
                        int(m_rcHead.top - 3 * scale));
            dc.DrawText(title, r, kCellLine);
        }
    }

    const int pad = int(2 * scale);
    const std::vector<int> edges = RowColumnEdges(m_rcHead.left, m_rcHead.right, n, frac);
    int x = m_rcHead.left;
    for (int k = 0; k < n; ++k) {
        const int right = edges[size_t(k) + 1];
        gdi::Rect c1(x + pad, line1.top, right, line1.bottom);
        dc.DrawText(row.Text(idx[k]), c1, kCellLine);
        DrawFrame(dc, x, line1.top, right, line1.bottom, true);
        if (lines == 2) {
            if (idx[k + 6] >= 0) {
                gdi::Rect c2(x + pad, line2.top, right, line2.bottom);
                dc.DrawText(row.Text(idx[k + 6]), c2, kCellLine);
            }
            DrawFrame(dc, x, line2.top, right, line2.bottom, true);
        }
        x = right;
    }
    dc.SetBkMode(oldBk);
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
    dc.SetTextColor(oldText);
}

void CRepProjectA::DrawSpectrumMarks(gdi::Canvas& dc, int index) {
    if (!m_pSettings || !(m_pSettings->m_bSpectrum || m_pSettings->m_bXiangwei))
        return;
    if (index < 0 || size_t(index) >= m_items.size() || m_rcSpectrum.IsRectEmpty())
        return;
    const CReportPileItem& it = *m_items[size_t(index)];
    const int off = dc.dpiX() / 96;
    const int colW = m_rcSpectrum.Width() / 5;
    m_rcSpectrumPlot =
        gdi::Rect(m_rcSpectrum.left + colW, m_rcSpectrum.top, m_rcSpectrum.right, m_rcSpectrum.bottom);
    const int slotH = m_rcSpectrum.Height() / 6;
    gdi::Rect slot(m_rcSpectrum.left, m_rcSpectrum.top, m_rcSpectrum.left + colW, m_rcSpectrum.top + slotH);
    const QString texts[6] = {
        ReportEnglish() ? QString::asprintf(" SRange:0-%dHz", it.m_nSpecRange)
                        : QStringLiteral(" 频谱范围:0-%1Hz").arg(it.m_nSpecRange),
        QString::asprintf(" F0:%dHz", it.m_nF0),
        QString::asprintf(" dFL:%dHz", it.m_nDFL),
        QString::asprintf(" dFD1:%dHz", it.m_nDFD1),
        QString::asprintf(" dFD2:%dHz", it.m_nDFD2),
        QString::asprintf(" FAMax:%dHz", it.m_nFAMax),
    };
    // The row font, but no taller than a slot and no wider than the column,
    // so the six marks never run into each other.
    int markH = std::min(m_nRowFontHeight > 0 ? m_nRowFontHeight : slotH, std::max(1, slotH));
    const gdi::Font oldFont = dc.SelectFont(CreateReportFont(4, dc, markH));
    const int room = colW - off - 1;
    for (int pass = 0; pass < 8 && markH > 1; ++pass) {
        int widest = 0;
        for (const QString& t : texts)
            widest = std::max(widest, dc.GetTextExtent(t).cx);
        if (widest <= room)
            break;
        markH = std::max(1, std::min(markH - 1, int(double(markH) * room / widest)));
        dc.SelectFont(CreateReportFont(4, dc, markH));
    }
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    for (int k = 0; k < 5; ++k) {
        gdi::Rect r = slot;
        r.OffsetRect(off, 0);
        dc.DrawText(texts[k], r, kCellLine);
        DrawFrame(dc, slot.left, slot.top, slot.right, slot.bottom, true);
        slot.OffsetRect(0, slotH);
    }
    dc.MoveTo(slot.right, slot.top);
    dc.LineTo(slot.right, m_rcQuality.top);
    gdi::Rect r = slot;
    r.OffsetRect(off, 0);
    dc.DrawText(texts[5], r, kCellLine);
    dc.SetBkMode(oldBk);
    dc.SelectFont(oldFont);
    DrawSpectrum(dc, index);
}

void CRepProjectA::DrawSpectrum(gdi::Canvas& dc, int index) {
    if (index < 0 || size_t(index) >= m_items.size())
        return;
    CReportPileItem& it = *m_items[size_t(index)];
    m_pSpectrum = std::make_unique<CSpectrum>(&it.m_wave);
    const int d = dc.dpiX() / 96;
    gdi::Rect r = m_rcSpectrumPlot;
    r.DeflateRect(d, d);
    m_pSpectrum->SetRefine(m_pDoc ? m_pDoc->m_nRefineIndex : it.m_nRefine);
    m_pSpectrum->SetFillMode(it.m_wave.GetFillMode());
    m_pSpectrum->SetRect(r.left, r.top, r.right, r.bottom);
    m_pSpectrum->DrawForPrint(dc, CreateReportFont(2, dc, 0));
}

void CRepProjectA::DrawIntegrity(gdi::Canvas& dc, int index) {
    if (index < 0 || size_t(index) >= m_items.size() || !m_pSettings || m_rcQuality.IsRectEmpty())
        return;
    const CReportPileItem& it = *m_items[size_t(index)];
    const gdi::Font oldFont = dc.SelectFont(CreateReportFont(8, dc, 0));
    const gdi::Pen oldPen = dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, 0));
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.SetTextColor(0);
    gdi::Rect r = m_rcQuality;
    r.DeflateRect(1, 1);
    r.left += dc.GetTextExtent(QStringLiteral(" ")).cx;
    QString text;
    if (ReportEnglish())
        text = it.m_strIntegrity.contains(QStringLiteral("Integrity"))
                   ? it.m_strIntegrity
                   : QStringLiteral("Test Results:") + it.m_strIntegrity;
    else
        text = QStringLiteral("完整性评价:") + it.m_strIntegrity;
    dc.DrawText(text, r, kCellLine);
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
}

void CRepProjectA::FixedCellBands(const gdi::Rect& c, int dpiX) {
    const CPrintSettings& s = *m_pSettings;
    const int eighth = c.Height() / 8;
    m_rcCell = c;
    m_rcHead = gdi::Rect(c.left, c.top, c.right, s.m_bTableHead ? c.top + eighth : c.top);
    m_rcQuality = s.m_bQualityAssess ? gdi::Rect(c.left, c.bottom - eighth, c.right, c.bottom)
                                     : gdi::Rect(c.left, c.bottom, c.right, c.bottom);
    const int top = int(m_rcHead.bottom + dpiX / 96.0 * 2) + 2;
    m_rcCurve = gdi::Rect(c.left, top, c.right, top + 6 * eighth);
    m_rcSpectrum = gdi::Rect(c.left, m_rcQuality.top, c.right, m_rcQuality.top);
}

bool CRepProjectA::DrawPileCell(gdi::Canvas& dc, int index, int left, int top, int right, int bottom) {
    UpdatePileList();
    if (index < 0 || size_t(index) >= m_items.size() || !m_pSettings)
        return true;
    m_bToBitmap = true;
    const gdi::Pen pen = gdi::Pen::Create(gdi::PS_SOLID, dc.dpiX() / 96, 0);
    const gdi::Pen oldPen = dc.SelectPen(pen);
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    FixedCellBands(gdi::Rect(left, top, right, bottom), dc.dpiX());
    m_bTitleDrawn = 1;
    // The row's font fitted to the picture's width and its row band.
    const pit::ProjectRowItems row =
        pit::BuildProjectRowItems(*m_items[size_t(index)], *m_pSettings, m_nDecimals);
    const QString text = BuildRowText(row);
    const int lines = InfoLineCount(m_nInfoItems);
    if (lines > 0 && !text.isEmpty()) {
        const int lineH = m_rcHead.Height() / lines;
        int calcH = 0;
        int h = FitRowHeight(m_rcHead, row, text, dc, int(lineH / 1.2), &calcH, false);
        while (h > 1 && calcH * 1.2 > lineH)
            h = FitRowHeight(m_rcHead, row, text, dc, h - 1, &calcH, false);
        m_nRowFontHeight = h;
    }
    DrawPileRow(dc, index, true);
    DrawItemWave(dc, *m_items[size_t(index)], m_rcCurve, CreateReportFont(2, dc, 0), 0);
    dc.SelectPen(pen);
    DrawSpectrumMarks(dc, index);
    DrawIntegrity(dc, index);
    dc.SelectPen(pen);
    DrawCellLines(dc);
    dc.SetBkMode(oldBk);
    dc.SelectPen(oldPen);
    m_bToBitmap = false;
    return true;
}

// ---- pictures ------------------------------------------------------------------------------------

bool CRepProjectA::AskPageFiles(const QString& suffix, const QString& filter, QString& chosen) {
    if (!m_pServices)
        return false;
    pit::SaveFileAsk ask;
    ask.defaultName =
        pit::SafeFileName(QStringLiteral("Project_") +
                          (m_items.empty() ? (m_pDoc ? m_pDoc->m_ProjectInfo.m_texts[0] : QString())
                                           : m_items.front()->m_strProject)) +
        QLatin1Char('.') + suffix;
    ask.defaultSuffix = suffix;
    ask.filter = filter;
    if (m_pDoc && !m_pDoc->m_strFolder.isEmpty())
        ask.folder = m_pDoc->m_strFolder;
    const std::optional<QString> path = m_pServices->ChooseSaveFile(ask);
    if (!path)
        return false;
    chosen = *path;
    return true;
}

bool CRepProjectA::HasPilesToExport() const {
    if (!m_items.empty())
        return true;
    if (!m_leftOut.isEmpty()) {
        TellLeftOut(pit::LeftOut::NoPicture, AllLeftOut());
        return false;
    }
    Message(QStringLiteral("没有勾选可读取的桩，没有写出图片。"),
            QStringLiteral("No pile that can be read is checked; no picture was written."),
            pit::MB_OK | pit::MB_ICONWARNING);
    return false;
}

void CRepProjectA::ReportPageFailure(const QString& file, const QString& why) {
    Message(QStringLiteral("图片“%1”没有保存，之前的页已保存。\n").arg(file) + why,
            QStringLiteral("The picture \"%1\" was not saved; the pages before it were.\n").arg(file) + why,
            pit::MB_OK | pit::MB_ICONWARNING);
}

bool CRepProjectA::WritePages(const QString& chosen, const QString& suffix,
                              const std::function<bool(int page, const QString& file, QString& why)>& write) {
    m_bPictureRender = true;
    m_bToBitmap = true;
    const int pages = PagesOf(m_items.size());
    QString last;
    bool ok = true;
    for (int p = 1; p <= pages; ++p) {
        const QString file = pit::ProjectPageFileName(chosen, p, suffix);
        QString why;
        if (!write(p, file, why)) {
            ReportPageFailure(file, why);
            ok = false;
            break;
        }
        last = file;
    }
    m_bPictureRender = false;
    m_bToBitmap = false;
    if (!last.isEmpty() && m_pServices)
        m_pServices->OpenWithDesktop(last);
    if (ok)
        TellLeftOut(pit::LeftOut::NotInReport, AllLeftOut());
    return ok;
}

void CRepProjectA::DrawExportPage(gdi::Canvas& dc, const gdi::Rect& page, int p) {
    if (p == 1) {
        gdi::Rect r = page;
        r.DeflateRect(int(5 * dc.dpiX() / 96.0), int(5 * dc.dpiY() / 96.0));
        LayoutPage(r, dc);
    }
    CPrintInfo info;
    info.currentPage = p;
    PrintPage(dc, info);
}

bool CRepProjectA::ExportBmp() {
    UpdatePileList();
    if (!HasPilesToExport())
        return false;
    QString chosen;
    if (!AskPageFiles(QStringLiteral("bmp"), QStringLiteral("BMP Files (*.bmp)"), chosen))
        return false;
    const int S = pit::GetScreenScalePercent();
    const gdi::Rect page(0, 0, 720 * S / 100, 870 * S / 100);
    return WritePages(chosen, QStringLiteral("bmp"), [&](int p, const QString& file, QString& why) {
        QImage image(page.Width(), page.Height(), QImage::Format_RGB32);
        if (image.isNull()) {
            why = EnglishInterface() ? QStringLiteral("No bitmap could be made.")
                                     : QStringLiteral("无法创建位图。");
            return false;
        }
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            gdi::Canvas dc(painter, 0, 0, false);
            DrawExportPage(dc, page, p);
        }
        return pit::SaveBitmapToFileAtPrinterDepth(image, file, &why, EnglishInterface());
    });
}

bool CRepProjectA::ExportEmf() {
    UpdatePileList();
    if (!HasPilesToExport())
        return false;
    QString chosen;
    if (!AskPageFiles(QStringLiteral("emf"), QStringLiteral("EMF Files (*.emf)"), chosen))
        return false;
    const pit::EmfReference ref = SmoothCurves() ? pit::EmfReference::Printer() : pit::EmfReference::Screen();
    const int S = pit::GetScreenScalePercent();
    const CPrintSettings& s = *m_pSettings;
    const double w = 21.0 - s.m_nmarginleft / 10.0 - s.m_nmarginr / 10.0;
    const double h = 29.7 - s.m_nmargindown / 10.0 - s.m_nmarginup / 10.0 - 0.9;
    // The desktop-scaled pixels of the Windows program, on a reference of higher resolution in proportion.
    const gdi::Rect page(0, 0, int(S * w / 2.54 * ref.dpiX / 96), int(S * h / 2.54 * ref.dpiY / 96));
    return WritePages(chosen, QStringLiteral("emf"), [&](int p, const QString& file, QString& why) {
        auto emf = CreateMetaFile(ref, file, QSize(page.Width(), page.Height()));
        {
            QPainter painter(emf.get());
            gdi::Canvas dc(painter, 0, 0, false);
            dc.FillSolidRect(page, RGB(255, 255, 255));
            DrawExportPage(dc, page, p);
        }
        return emf->Save(file, &why, EnglishInterface());
    });
}

bool CRepProjectA::RenderPilePicture(QImage& bmp, const gdi::Rect& rc, int refDpi) {
    const int dpi = refDpi > 0 ? refDpi : pit::EmfReference::Printer().dpiX;
    bmp = QImage(rc.Width(), rc.Height(), QImage::Format_RGB32);
    if (bmp.isNull())
        return false;
    bmp.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    bmp.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    bmp.fill(Qt::white);
    QPainter painter(&bmp);
    gdi::Canvas dc(painter, dpi, dpi, false);
    gdi::Rect inner(2, 2, rc.Width() - 4, rc.Height() - 4);
    if (m_pSettings && m_pSettings->m_bHeadInfo[9]) {
        const int t = int(dc.dpiY() * 10 / 600.0);
        inner.top += t;
        if (TitleTooWide(dc, TitleText(), inner.Width()))
            inner.top += 4 * t;
    }
    m_arrCellRects = LayoutCells(inner, Rows(), Columns(), 3, m_pSettings ? m_pSettings->m_nWaveGas : 3);
    CPrintInfo info;
    PrintPage(dc, info);
    return true;
}

bool CRepProjectA::WritePilePictureEmf(const QString& path, const gdi::Rect& rc,
                                       const pit::EmfReference* refIn) {
    const pit::EmfReference ref =
        refIn ? *refIn : (SmoothCurves() ? pit::EmfReference::Printer() : pit::EmfReference::Screen());
    const int s = ref.dpiX / 96;
    const gdi::Rect inner(2 * s, 2 * s, rc.Width() - 4 * s, rc.Height() - 4 * s);
    const int gap = 3 * s;
    auto emf = CreateMetaFile(ref, path, QSize(rc.Width(), rc.Height()));
    {
        QPainter painter(emf.get());
        gdi::Canvas dc(painter, 0, 0, false);
        dc.FillSolidRect(gdi::Rect(0, 0, rc.Width(), rc.Height()), RGB(255, 255, 255));
        const int rows = Rows(), cols = Columns();
        const int cellH = (inner.Height() - (rows - 1) * gap) / rows;
        const int cellW = (inner.Width() - (cols - 1) * gap) / cols;
        m_arrCellRects.clear();
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const int left = inner.left + (cellW + gap) * c, top = inner.top + (cellH + gap) * r;
                m_arrCellRects.emplace_back(left, top, left + cellW, top + cellH);
            }
        CPrintInfo info;
        PrintPage(dc, info);
    }
    QString why;
    if (!emf->Save(path, &why, EnglishInterface())) {
        ReportPageFailure(path, why);
        return false;
    }
    return true;
}

bool CRepProjectA::LoadSingleRow(int row) {
    if (!m_pList || row < 0 || row >= m_pList->GetItemCount() || !m_pDoc)
        return false;
    m_items.clear();
    m_leftOut.clear();
    auto item = LoadListRow(row);
    if (!item) {
        const QString path = ListRowPath(*m_pList, row);
        m_leftOut << (path.isEmpty() ? ListRowName(*m_pList, row) : path);
        return false;
    }
    m_items.push_back(std::move(item));
    return true;
}

bool CRepProjectA::NotLoaded() const {
    // The pictures of many piles name those they leave out once, at the end.
    if (m_pDoc && !m_pDoc->m_bIsMultiplePictrue)
        TellLeftOut(pit::LeftOut::NoPicture, m_leftOut);
    return false;
}

bool CRepProjectA::ExportPilePictureBmp(const QString& path, int row) {
    if (!LoadSingleRow(row))
        return NotLoaded();
    m_bSinglePile = true;
    const int w = m_pDoc->m_bDefineRow ? 800 : int(pit::GetScreenScalePercent() / 100.0 * 800);
    QImage image;
    // The picture has the screen's pixels: drawn at the printer's resolution
    // every pen, gap and label offset would come out six times too large.
    const bool made = RenderPilePicture(image, gdi::Rect(0, 0, w, w / 2), pit::EmfReference::Screen().dpiX);
    m_bSinglePile = false;
    QString why;
    if (!made || !pit::SaveBitmapToFileAtPrinterDepth(image, path, &why, EnglishInterface())) {
        ReportPageFailure(path, why);
        return false;
    }
    if (!m_pDoc->m_bIsMultiplePictrue && m_pServices)
        m_pServices->OpenWithDesktop(path);
    return true;
}

bool CRepProjectA::ExportPilePictureEmf(const QString& path, int row) {
    if (!LoadSingleRow(row))
        return NotLoaded();
    m_bSinglePile = true;
    const double w =
        SmoothCurves() ? 4119.68505859375 : pit::GetScreenScalePercent() / 100.0 * 659.1495971679688;
    const bool ok = WritePilePictureEmf(path, gdi::Rect(0, 0, int(w), int(w / 2.0)));
    m_bSinglePile = false;
    if (ok && !m_pDoc->m_bIsMultiplePictrue && m_pServices)
        m_pServices->OpenWithDesktop(path);
    return ok;
}

// ---- the Word document ---------------------------------------------------------------------------

bool CRepProjectA::ExportWord(const QString& outputName) {
    if (!m_pSettings)
        return false;
    if (m_pDoc && !m_pDoc->m_bFontRateSet) {
        CProjectReportWriter writer(m_pDoc);
        writer.SetSettings(*m_pSettings);
        m_pSettings->m_fFontRate = writer.FitFontRate(false);
    }
    if (!m_pWord) {
        Message(QStringLiteral("没有可用的文档导出。"), QStringLiteral("No document export is available."),
                pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    if (m_pApp && m_pApp->interactive)
        UpdatePileList();
    pit::WordProjectReport report;
    report.kind = WordKind();
    report.settings = m_pSettings;
    report.draw = DrawDoc();
    if (m_pDoc)
        report.folder = m_pDoc->m_strFolder;
    for (const auto& item : m_items)
        report.items.push_back(item.get());
    report.unreadable = AllLeftOut();
    return m_pWord->WriteProjectReport(report, outputName.trimmed());
}
