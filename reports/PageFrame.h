// The frame around a printed report page: margins, the header band at the
// top, the footer band with the page number at the bottom. Shared by every
// print host, so pages look the same whichever host prints them.
#pragma once

#include "platform/Canvas.h"
#include "platform/GdiRect.h"

#include <QString>

class CPrintSettings;
class QPagedPaintDevice;

namespace pit {

// What the frame needs of a page device, in device units.
struct PageMetrics {
    int dpiX = 96;
    int dpiY = 96;
    int horzRes = 0; // printable width
    int vertRes = 0; // printable height
    int offsetX = 0; // printable area's distance from the paper's left edge
    int offsetY = 0; // and from its top edge
};

// The metrics of a printer or PDF writer (its current page layout).
PageMetrics MetricsOf(const QPagedPaintDevice& dev);

struct PageFrame {
    gdi::Rect body; // where the builder lays its page out
    bool headerOn = false;
    gdi::Rect header;
    bool footerOn = false; // a footer text or a page number
    gdi::Rect footer;
};

// Margins (mm, at least the printer's offsets) and the two 10-mm bands.
PageFrame LayoutPageFrame(const CPrintSettings& s, const PageMetrics& m);

// Header and footer sizes in tenths of a point; an index outside the
// 23-entry table takes entry 4 (12 points).
int HeaderFooterTenths(int sizeIndex);
// Horizontal placement for a location setting 0 left, 1 centre, 2 right
// (clamped to that range).
unsigned HeaderFooterAlign(int location);
// The page number text of page currentPage of a job whose last page is lastPage;
// forms 3 and 4 in the report language ("第%d页" or "Page %d").
QString PageNumberText(const CPrintSettings& s, int currentPage, int lastPage);
// Em height in device pixels of the page number: 12.5 px at 96 dpi.
int PageNumberEmHeight(int dpiY);

// Header text, footer text and page number into the frame's bands; the
// canvas's text colour, background mode and font are kept.
void DrawPageHeaderFooter(gdi::Canvas& dc, const CPrintSettings& s, const PageFrame& f, int currentPage,
                          int lastPage);

} // namespace pit
