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

} // namespace

int BmpRowBytes(int width, int bits) {
    return int((int64_t(bits) * width + 31) / 32 * 4);
}

QByteArray BmpFileImage(const QImage& image, BmpDepth depth) {
    if (image.isNull())
        return {};
    const int bits = int(depth);
    const uint32_t palette = bits <= 8 ? 4u << bits : 0u;
    const uint32_t imageBytes = uint32_t(BmpRowBytes(image.width(), bits)) * uint32_t(image.height());
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
    out.u32(0); // no compression
    out.u32(0); // image size (0 is valid without compression)
    out.i32(0); // resolutions
    out.i32(0);
    out.u32(0); // colours used
    out.u32(0); // colours important
    switch (depth) {
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
