// Windows ".bmp" files: a 14-byte file header, a 40-byte information header
// with size, one plane and the bit count (no compression, image size and
// resolutions 0), the palette of the depth and the rows bottom-up, each padded
// to four bytes. The picture exports and the document pictures write them.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace pit {

// The depths the writer knows; the bit count in the information header.
enum class BmpDepth : int { Rgb24 = 24 };

// The whole file image of the picture at that depth; empty for a null picture.
QByteArray BmpFileImage(const QImage& image, BmpDepth depth = BmpDepth::Rgb24);

// Bytes of one pixel row, padded: ((bits x width + 31) / 32) x 4.
int BmpRowBytes(int width, int bits);

// Writes the file atomically. False with a message naming the file and the
// reason (in the interface language) when it cannot be written.
bool SaveBmp(const QImage& image, const QString& path, QString* why = nullptr, bool english = false,
             BmpDepth depth = BmpDepth::Rgb24);

// The pictures that the Windows program wrote at the printer's colour depth:
// always 24 bits here, so a picture looks the same whatever printer is installed.
bool SaveBitmapToFileAtPrinterDepth(const QImage& image, const QString& path, QString* why = nullptr,
                                    bool english = false);

} // namespace pit
