// Page frame layout and drawing.
#include "reports/PageFrame.h"

#include "core/doc/PrintSettings.h"

#include <QPagedPaintDevice>
#include <algorithm>
#include <array>
#include <cmath>

namespace pit {

namespace {

// Font sizes of the header and footer lists, in points.
constexpr std::array<double, 23> kSizes = {8,  9,  10, 11, 12, 14, 16,   18,  20,  22,  24, 26,
                                           28, 36, 48, 72, 42, 15, 10.5, 7.5, 6.5, 5.5, 5};
constexpr double kMmPerInch = 25.40005111694336;

int MarginPixels(int mm, int dpi, int offset) {
    const int px = int(mm * dpi / kMmPerInch);
    return std::max(px, offset) - offset;
}

// A point-size font on the device, as tenths of a point.
gdi::Font PointFont(int tenths, int dpiY, const QString& face, int bold, int italic, int underline,
                    int strike) {
    gdi::Font f;
    f.face = face;
    f.height = -int(std::lround(double(tenths) * dpiY / 720.0));
    f.weight = bold > 0 ? 700 : 400;
    f.italic = italic != 0;
    f.underline = underline != 0;
    f.strikeOut = strike != 0;
    return f;
}

} // namespace

PageMetrics MetricsOf(const QPagedPaintDevice& dev) {
    PageMetrics m;
    m.dpiX = dev.logicalDpiX();
    m.dpiY = dev.logicalDpiY();
    m.horzRes = dev.width();
    m.vertRes = dev.height();
    const QPageLayout layout = dev.pageLayout();
    const QRect paint = layout.paintRectPixels(m.dpiX);
    m.offsetX = paint.left();
    m.offsetY = layout.paintRectPixels(m.dpiY).top();
    return m;
}

PageFrame LayoutPageFrame(const CPrintSettings& s, const PageMetrics& m) {
    const int top0 = MarginPixels(s.m_nmarginup, m.dpiY, m.offsetY);
    const int left = MarginPixels(s.m_nmarginleft, m.dpiX, m.offsetX);
    const int bottom = MarginPixels(s.m_nmargindown, m.dpiY, m.offsetY);
    const int right = MarginPixels(s.m_nmarginr, m.dpiX, m.offsetX);
    const int width = m.horzRes - left - right;
    int top = top0;
    int height = m.vertRes - top - bottom;
    const int mm = int(m.dpiY / 25.4);
    const int band = mm * 10;
    const int gap = mm * 2;

    PageFrame f;
    if (s.m_bpagehead) {
        f.headerOn = true;
        f.header = gdi::Rect(left, top, left + width, top + band - gap);
        top += band;
        height -= band;
    }
    if (s.m_bpagefoot || s.m_bprpage) {
        f.footerOn = true;
        f.footer = gdi::Rect(left, top + height + gap, left + width, top + height + band);
        height -= band;
    }
    f.body = gdi::Rect(left, top, left + width, top + height);
    return f;
}

int HeaderFooterTenths(int sizeIndex) {
    if (sizeIndex < 0 || sizeIndex >= int(kSizes.size()))
        sizeIndex = 4;
    return int(kSizes[size_t(sizeIndex)] * 10);
}

unsigned HeaderFooterAlign(int location) {
    switch (std::clamp(location, 0, 2)) {
    case 1:
        return gdi::DT_CENTER;
    case 2:
        return gdi::DT_RIGHT;
    default:
        return gdi::DT_LEFT;
    }
}

QString PageNumberText(const CPrintSettings& s, int currentPage, int lastPage) {
    const int n = s.m_nstpage + currentPage - 1;
    // The words follow the report language.
    const bool english = s.m_bLanguage == 1;
    switch (s.m_npagefm) {
    case 0:
        return QString::asprintf("%d", n);
    case 1:
        return QString::asprintf(".%d.", n);
    case 2:
        return QString::asprintf("-%d-", n);
    case 3:
        return english ? QString::asprintf("Page %d", n) : QStringLiteral("第%1页").arg(n);
    case 4: {
        const int total = s.m_nMaxPage != 0 ? s.m_nMaxPage : s.m_nstpage + lastPage - 1;
        if (english)
            return QString::asprintf("Page %d Total %d", n, total);
        return QStringLiteral("第%1页 ").arg(n) + QStringLiteral("共%1页").arg(total);
    }
    default:
        return {};
    }
}

int PageNumberEmHeight(int dpiY) {
    return int(std::lround(12.5 * dpiY / 96.0));
}

void DrawPageHeaderFooter(gdi::Canvas& dc, const CPrintSettings& s, const PageFrame& f, int currentPage,
                          int lastPage) {
    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    const pit::COLORREF oldText = dc.GetTextColor();
    const gdi::Font oldFont = dc.GetFont();
    // The user's texts as typed: no '&' prefixes.
    constexpr unsigned kBand = gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX;

    if (f.headerOn) {
        dc.SelectFont(PointFont(HeaderFooterTenths(s.m_nphhei), dc.dpiY(), s.m_strphfont, s.m_bHIsBold,
                                s.m_bHIsItalic, s.m_bHUnderline, s.m_bHIsStrikeOut));
        dc.SetTextColor(s.m_colorHead);
        gdi::Rect r = f.header;
        dc.DrawText(s.m_strphcon, r, HeaderFooterAlign(s.m_nphloc) | kBand);
    }
    if (f.footerOn) {
        dc.SelectFont(PointFont(HeaderFooterTenths(s.m_npfhei), dc.dpiY(), s.m_strpffont, s.m_bFIsBold,
                                s.m_bFIsItalic, s.m_bFUnderline, s.m_bFIsStrikeOut));
        dc.SetTextColor(s.m_colorFoot);
        if (s.m_bpagefoot) {
            gdi::Rect r = f.footer;
            dc.DrawText(s.m_strpfcon, r, HeaderFooterAlign(s.m_npfloc) | kBand);
        }
        if (s.m_bprpage) {
            // The same physical size on paper as on the preview.
            gdi::Font number;
            number.face = s.m_strpffont;
            number.height = -PageNumberEmHeight(dc.dpiY());
            dc.SelectFont(number);
            dc.SetTextColor(oldText);
            gdi::Rect r = f.footer;
            dc.DrawText(PageNumberText(s, currentPage, lastPage), r, HeaderFooterAlign(s.m_npageloc) | kBand);
        }
    }
    dc.SelectFont(oldFont);
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldBk);
}

} // namespace pit
