// Screen and printer metrics shared by drawing and report code.
#pragma once

#include <QPaintDevice>
#include <QString>
#include <functional>
#include <memory>

class QFontMetrics;

namespace pit {

// The desktop scaling in percent (physical to logical pixels of the primary
// screen); 100 when it cannot be computed or there is no screen.
int GetScreenScalePercent();
// The same computation on given sizes (DESKTOPHORZRES / HORZRES).
int ScreenScalePercentFrom(double physicalWidth, double logicalWidth);

// head := the longest start of text whose drawn width fits width (found as the
// first i where i characters fit and i + 1 do not), rest := the remainder.
// When no such i exists (all fits, or not even one character) head is the
// whole text and rest is empty. Returns 1.
int SplitTextAtWidth(const QFontMetrics& fm, const QString& text, QString& rest, QString& head, int width);
int SplitTextAtWidth(const std::function<int(const QString&)>& measure, const QString& text, QString& rest,
                     QString& head, int width);

// A paint device on the default printer, or null when there is none. The
// window build installs the provider; without one there is no printer.
using PrinterProvider = std::function<std::unique_ptr<QPaintDevice>()>;
void SetDefaultPrinterProvider(PrinterProvider provider);
std::unique_ptr<QPaintDevice> GetDefaultPrinterDC();

} // namespace pit
