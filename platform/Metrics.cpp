#include "platform/Metrics.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <cmath>

namespace pit {

namespace {

PrinterProvider& printerProvider() {
    static PrinterProvider provider;
    return provider;
}

} // namespace

int ScreenScalePercentFrom(double physicalWidth, double logicalWidth) {
    double x = (logicalWidth == 0.0) ? 1.0 : physicalWidth / logicalWidth;
    if (std::isnan(x) || std::fabs(x) <= 0.000001)
        x = 1.0;
    return int(100.0 * x);
}

int GetScreenScalePercent() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 100;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 100;
    const double logical = screen->geometry().width();
    return ScreenScalePercentFrom(logical * screen->devicePixelRatio(), logical);
}

int SplitTextAtWidth(const std::function<int(const QString&)>& measure, const QString& text, QString& rest,
                     QString& head, int width) {
    const qsizetype n = text.size();
    for (qsizetype i = 1; i < n; ++i) {
        if (measure(text.left(i)) <= width && measure(text.left(i + 1)) > width) {
            head = text.left(i);
            rest = text.mid(i);
            return 1;
        }
    }
    head = text;
    rest.clear();
    return 1;
}

int SplitTextAtWidth(const QFontMetrics& fm, const QString& text, QString& rest, QString& head, int width) {
    return SplitTextAtWidth([&fm](const QString& s) { return fm.horizontalAdvance(s); }, text, rest, head,
                            width);
}

void SetDefaultPrinterProvider(PrinterProvider provider) {
    printerProvider() = std::move(provider);
}

std::unique_ptr<QPaintDevice> GetDefaultPrinterDC() {
    const PrinterProvider& p = printerProvider();
    return p ? p() : nullptr;
}

} // namespace pit
