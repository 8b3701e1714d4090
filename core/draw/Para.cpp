// Read-out panel rendering.
#include "core/draw/Para.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

int CPara::DrawToBitmap(QPaintDevice* dev, bool shadedFlag) {
    shaded = shadedFlag;
    bitmap = QImage();
    if (!dev || rect.IsRectEmpty())
        return 0;
    const qreal dpr = std::max<qreal>(1.0, dev->devicePixelRatioF());
    QImage image(int(rect.Width() * dpr), int(rect.Height() * dpr), QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    image.setDevicePixelRatio(dpr);
    {
        QPainter painter(&image);
        gdi::Canvas dc(painter, std::max(1, dev->logicalDpiX()), std::max(1, dev->logicalDpiY()), false);
        Render(dc);
    }
    bitmap = std::move(image);
    return 0;
}

void CPara::Render(gdi::Canvas& dc) {
    gdi::Rect r = rect;
    if (!dc.isPrinting())
        r.OffsetRect(-r.left, -r.top);
    dc.FillSolidRect(r, shaded ? 0xDEDEDE : 0xFFFFFF);

    UpdateLines();
    if (lines.empty())
        return;

    const int height = std::min(16, r.Height() / int(lines.size()) * 2 / 3);
    const gdi::Font oldFont = dc.SelectFont(gdi::Font::Create(height, 400, QStringLiteral("Arial")));
    // The first line gives the step; an empty first line (the cursor off the
    // wave) is measured as one of text, or every line would land on the top.
    gdi::Rect measured(0, 0, 100, 100);
    dc.DrawText(lines.front().isEmpty() ? QStringLiteral("0") : lines.front(), measured,
                gdi::DT_CALCRECT | gdi::DT_CENTER);
    if (lines.front().isEmpty())
        measured.right = measured.left;
    const int step = measured.Height() * 3 / 2;
    gdi::Rect line = r;
    line.bottom = line.top + step;
    line.OffsetRect(measured.Width() / 10, 0);

    const int oldBk = dc.SetBkMode(gdi::TRANSPARENT);
    for (const QString& text : lines) {
        gdi::Rect cell = line;
        dc.DrawText(text, cell, gdi::DT_SINGLELINE | gdi::DT_BOTTOM);
        dc.MoveTo(line.left, line.bottom);
        dc.LineTo(line.right, line.bottom);
        line.OffsetRect(0, step);
    }
    dc.SetBkMode(oldBk);
    dc.SelectFont(oldFont);
}
