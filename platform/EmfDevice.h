// An enhanced-metafile (".emf") paint device: whatever a QPainter draws on it
// becomes EMF records (pens, brushes and fonts as GDI objects, polylines,
// polygons, rectangles, ellipses, Bézier curves, text with its advances,
// pictures), so report pages and pictures leave the program in the format
// the word processors and the Windows programs read.
#pragma once

#include "platform/GdiRect.h"

#include <QByteArray>
#include <QPaintDevice>
#include <QPen>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

namespace pit {

// The device a metafile is recorded against: its resolution and its size in
// pixels and millimetres, written into the header.
struct EmfReference {
    int dpiX = 96;
    int dpiY = 96;
    QSize pixels{1920, 1440};
    QSize millimetres{508, 381};

    // A nominal 96-dpi screen of 1920 x 1440 pixels over 508 x 381 mm.
    static EmfReference Screen();
    // A fixed 600-dpi printer with an A4 page, whatever printer is installed,
    // so exported pictures do not change with the machine.
    static EmfReference Printer();
};

class EmfEngine;

class EmfDevice : public QPaintDevice {
public:
    // A picture of `size` device pixels recorded against ref.
    explicit EmfDevice(QSize size, const EmfReference& ref = EmfReference::Screen());
    ~EmfDevice() override;
    EmfDevice(const EmfDevice&) = delete;
    EmfDevice& operator=(const EmfDevice&) = delete;

    QPaintEngine* paintEngine() const override;

    // The picture frame in 0.01 mm (right and bottom inclusive, as the header
    // keeps it); without one the frame follows the drawn bounds.
    void SetFrame(const gdi::Rect& frame);
    // The description: two names (the program's and the picture's, in the
    // order the caller keeps), each followed by a NUL, then one more NUL.
    void SetDescription(const QString& first, const QString& second);

    const EmfReference& Reference() const { return m_ref; }
    QSize Size() const { return m_size; }
    // Bounds of what was drawn, device pixels, inclusive; empty before anything.
    gdi::Rect Bounds() const;
    // The frame the header carries.
    gdi::Rect Frame() const;

    // The stock style (PS_DASH..PS_DASHDOTDOT) of the GDI pen that pen was
    // made from, or 0: while pen is the one drawn with, it is written as that
    // style (the word processors draw user dash patterns solid).
    void SetPenStockStyle(const QPen& pen, int style);

    // The whole file: header, the records drawn so far, end of file. Throws
    // std::bad_alloc when memory ran out in the middle of a record.
    QByteArray Data() const;
    // Writes Data() atomically; false with a message naming the file and the reason.
    bool Save(const QString& path, QString* why = nullptr, bool english = false) const;

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    friend class EmfEngine;
    QSize m_size;
    EmfReference m_ref;
    std::optional<gdi::Rect> m_frame;
    QString m_description;
    std::unique_ptr<EmfEngine> m_engine;
};

// The frame (0.01 mm) that gives a pixel picture of the nominal screen its
// physical size, divided by the desktop scaling: trunc(px x 508 / 1920)
// millimetres across, trunc(px x 381 / 1440) down, then x 100 / (scale / 100).
// A scale of 0 or less counts as 100.
gdi::Rect MetafileFrameForPixels(int widthPx, int heightPx, double scalePercent);

// A metafile for a pixel picture of that size on the nominal screen, with the
// frame above and the description "AppName", "Image Description". The caller
// draws (one logical unit per device pixel) and saves it.
std::unique_ptr<EmfDevice> CreateMetafileDC(int widthPx, int heightPx, double scalePercent);

} // namespace pit
