// Picture files for documents: a drawing onto a bitmap (".bmp") or an
// enhanced metafile (".emf") of a given pixel size, in the run's temp folder.
#pragma once

#include "platform/Canvas.h"

#include <QSize>
#include <QString>
#include <functional>

namespace pit {

// The file of a document picture: stem + ".bmp" or ".emf" in tempDir().
QString DocumentPictureFile(const QString& stem, bool bitmap);

// Points to pixels of the 96-dpi screen (nearest), times the desktop scaling.
int PointsToPixels(double points);
// Back again: the size at which a picture of px pixels shows as drawn.
double PixelsToPoints(int px);

// A white picture of px pixels at 96 dpi, draw(dc, box) on it, written to
// path. False with why (naming the file and the reason) when it cannot be.
// A metafile may be drawn at scale times the resolution (box and device
// resolution scale times larger), at the same size: small texts keep their
// letters' places (a decimal point between two digits of a 4-pixel font).
bool WritePictureFile(const QString& path, QSize px, bool bitmap,
                      const std::function<void(gdi::Canvas&, const gdi::Rect&)>& draw, QString* why,
                      bool english, int scale = 1);

} // namespace pit
