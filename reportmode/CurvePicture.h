// The open pile's waves as one metafile page: an A4 page at the screen's
// scale with the pile's captions on top and every channel in a grid below,
// the average first.
#pragma once

#include "platform/GdiRect.h"

#include <QSize>
#include <QString>

class CPileRecord;

namespace gdi {
class Canvas;
}

namespace pit {

// A4 portrait at 100 x scale / 100 dots per inch: 826 x 1169 at 100 %.
QSize CurvePicturePageSize(double scalePercent);

// The page of size `page` onto dc: white, the caption boxes (pile number,
// length with `decimals` places, speed, class; the description below), the
// framed wave area and each channel in its cell.
void DrawCurvePicturePage(gdi::Canvas& dc, const CPileRecord& pile, QSize page, double scalePercent,
                          int decimals);

// The page as an enhanced metafile at path (an existing file is replaced);
// false with the reason in why when it cannot be written.
bool WriteCurvePicture(const CPileRecord& pile, const QString& path, double scalePercent, int decimals,
                       QString* why, bool english);

} // namespace pit
