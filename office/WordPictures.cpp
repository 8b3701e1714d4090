// Picture files for documents.
#include "office/WordPictures.h"

#include "platform/BmpWriter.h"
#include "platform/EmfDevice.h"
#include "platform/Metrics.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pit {

QString DocumentPictureFile(const QString& stem, bool bitmap) {
    const QString dir = tempDir();
    if (dir.isEmpty()) // this run has no folder of its own: no picture anywhere else
        return {};
    return joinPath(dir, stem + (bitmap ? QStringLiteral(".bmp") : QStringLiteral(".emf")));
}

int PointsToPixels(double points) {
    const int px = int(std::lround(points * 96.0 / 72.0));
    return px * GetScreenScalePercent() / 100;
}

double PixelsToPoints(int px) {
    return px * 72.0 / 96.0 * 100.0 / std::max(1, GetScreenScalePercent());
}

bool WritePictureFile(const QString& path, QSize px, bool bitmap,
                      const std::function<void(gdi::Canvas&, const gdi::Rect&)>& draw, QString* why,
                      bool english, int scale) {
    if (path.isEmpty()) {
        if (why) {
            const std::optional<TempFolderProblem> missing = MissingRunFolder();
            *why = missing   ? missing->Text(english)
                   : english ? QStringLiteral("This run has no temporary folder of its own.")
                             : QStringLiteral("本次运行没有自己的临时文件夹。");
        }
        return false;
    }
    // Pictures go to the run's temporary folder in the state folder; when
    // that cannot be written, say so rather than "file not found".
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir() || !folder.isWritable()) {
        if (why) {
            const QString shown = QDir::toNativeSeparators(folder.absoluteFilePath());
            *why = english
                       ? QStringLiteral("The folder \"%1\" for the document's pictures cannot be written: "
                                        "the state folder is not writable.")
                             .arg(shown)
                       : QStringLiteral("文档图片的文件夹“%1”无法写入：状态文件夹不可写。").arg(shown);
        }
        return false;
    }
    px = px.expandedTo(QSize(1, 1));
    const gdi::Rect box(0, 0, px.width(), px.height());
    if (bitmap) {
        QImage image(px, QImage::Format_RGB32);
        if (image.isNull()) {
            if (why)
                *why = english ? QStringLiteral("No bitmap of %1 x %2 pixels could be made for \"%3\".")
                                     .arg(px.width())
                                     .arg(px.height())
                                     .arg(path)
                               : QStringLiteral("无法为“%3”创建 %1 x %2 像素的位图。")
                                     .arg(px.width())
                                     .arg(px.height())
                                     .arg(path);
            return false;
        }
        image.setDotsPerMeterX(int(std::lround(96 / 0.0254)));
        image.setDotsPerMeterY(int(std::lround(96 / 0.0254)));
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            gdi::Canvas dc(painter, 96, 96, false);
            dc.SetBkMode(gdi::TRANSPARENT);
            draw(dc, box);
        }
        return SaveBitmapToFileAtPrinterDepth(image, path, why, english);
    }
    const EmfReference screen = EmfReference::Screen();
    scale = std::max(1, scale);
    EmfReference ref = screen;
    ref.dpiX *= scale;
    ref.dpiY *= scale;
    ref.pixels *= scale;
    EmfDevice emf(px * scale, ref);
    // The frame is the picture's box: a reader shows just that at the size
    // asked, even where a drawing reaches a pixel past its box.
    emf.SetFrame(gdi::Rect(0, 0, int(std::lround(px.width() * 2540.0 / screen.dpiX)),
                           int(std::lround(px.height() * 2540.0 / screen.dpiY))));
    emf.SetDescription(QStringLiteral("KEV_DUX"), QFileInfo(path).completeBaseName());
    {
        QPainter painter(&emf);
        gdi::Canvas dc(painter, 0, 0, false);
        const gdi::Rect drawn(0, 0, px.width() * scale, px.height() * scale);
        dc.FillSolidRect(drawn, 0xFFFFFF);
        draw(dc, drawn);
    }
    return emf.Save(path, why, english);
}

} // namespace pit
