// The read-out panel beside a curve: a few underlined lines of cursor values
// on a white or grey background, cached in a picture of its own.
#pragma once

#include "platform/Canvas.h"
#include "platform/GdiRect.h"

#include <QImage>
#include <QString>
#include <vector>

class QPaintDevice;

class CPara {
public:
    CPara() = default;
    virtual ~CPara() = default;
    CPara(const CPara&) = delete;
    CPara& operator=(const CPara&) = delete;

    // Refills the line list from the panel's source.
    virtual void UpdateLines() = 0;

    // Renders the panel into its own picture at the resolution of dev.
    // Returns 0 whether or not the picture could be made (none without a
    // device or with an empty rectangle).
    int DrawToBitmap(QPaintDevice* dev, bool shaded);
    // Background, then the lines; in place on a printer, else at (0, 0).
    void Render(gdi::Canvas& dc);

    const QImage& GetBitmap() const { return bitmap; }
    const gdi::Rect& GetRect() const { return rect; }
    void SetRect(const gdi::Rect& r) { rect = r; }
    bool IsShaded() const { return shaded; }
    const std::vector<QString>& Lines() const { return lines; }
    void SetLines(std::vector<QString> l) { lines = std::move(l); }

private:
    QImage bitmap;
    gdi::Rect rect;
    bool shaded = false;
    std::vector<QString> lines;
};
