// The ".bmp" writer.
#include "platform/BmpWriter.h"

#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/FileError.h"

namespace pit {

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;

void WriteRgb24Rows(const QImage& image, ByteWriter& out) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int stride = BmpRowBytes(w, 24);
    QByteArray row(stride, '\0');
    for (int y = rgb.height() - 1; y >= 0; --y) {
        const uchar* src = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(src[3 * x + 2]);
            row[3 * x + 1] = char(src[3 * x + 1]);
            row[3 * x + 2] = char(src[3 * x]);
        }
        out.bytes(row);
    }
}

// Leftmost pixel in the top bit; bit 1 is white.
void WriteMono1Rows(const QImage& image, int paddedHeight, ByteWriter& out) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int stride = BmpRowBytes(w, 1);
    QByteArray row(stride, '\0');
    for (int y = rgb.height() - 1; y >= 0; --y) {
        row.fill('\0');
        const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            // Nearer to white than to black: the channel sum above half of 3 x 255.
            if (qRed(src[x]) + qGreen(src[x]) + qBlue(src[x]) > 382)
                row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        }
        out.bytes(row);
    }
    out.bytes(QByteArray(stride * (paddedHeight - rgb.height()), '\0'));
}

} // namespace

int BmpRowBytes(int width, int bits) {
    return int((int64_t(bits) * width + 31) / 32 * 4);
}

QByteArray BmpFileImage(const QImage& image, BmpDepth depth) {
    if (image.isNull())
        return {};
    const int bits = int(depth);
    const bool mono = depth == BmpDepth::Mono1;
    const uint32_t palette = bits <= 8 ? 4u << bits : 0u;
    const int rows = mono ? (image.height() + 3) / 4 * 4 : image.height();
    const uint32_t imageBytes = uint32_t(BmpRowBytes(image.width(), bits)) * uint32_t(rows);
    const uint32_t offset = kFileHeaderBytes + kInfoHeaderBytes + palette;
    ByteWriter out;
    out.u8('B');
    out.u8('M');
    out.u32(offset + imageBytes);
    out.u16(0);
    out.u16(0);
    out.u32(offset);
    out.u32(kInfoHeaderBytes);
    out.i32(image.width());
    out.i32(image.height()); // positive: rows bottom-up
    out.u16(1);
    out.u16(uint16_t(bits));
    out.u32(0);                      // no compression
    out.u32(mono ? imageBytes : 0u); // image size (0 is valid without compression)
    out.i32(0);                      // resolutions
    out.i32(0);
    out.u32(mono ? 2u : 0u); // colours used
    out.u32(0);              // colours important
    switch (depth) {
    case BmpDepth::Mono1:
        out.u32(0x00000000); // black
        out.u32(0x00FFFFFF); // white
        WriteMono1Rows(image, rows, out);
        break;
    case BmpDepth::Rgb24:
        WriteRgb24Rows(image, out);
        break;
    }
    return out.take();
}

bool SaveBmp(const QImage& image, const QString& path, QString* why, bool english, BmpDepth depth) {
    if (image.isNull()) {
        if (why)
            *why = FileError(FileCause::Generic, path, 0,
                             english ? QStringLiteral("no picture") : QStringLiteral("没有图片"))
                       .message(english);
        return false;
    }
    try {
        writeFileAtomic(path, BmpFileImage(image, depth));
    } catch (const FileError& e) {
        if (why)
            *why = e.message(english);
        return false;
    }
    return true;
}

bool SaveBitmapToFileAtPrinterDepth(const QImage& image, const QString& path, QString* why, bool english) {
    return SaveBmp(image, path, why, english, BmpDepth::Rgb24);
}

} // namespace pit
