#include "platform/Metrics.h"
#include "controls/PrinterSupport.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <gtest/gtest.h>

TEST(Metrics, SplitsOnRealFontMetrics) {
    const QFontMetrics fm(QFont(QStringLiteral("Liberation Sans"), 12));
    const QString text = QStringLiteral("工程名称: pile foundation test");
    const int width = fm.horizontalAdvance(text) / 2;
    QString head, rest;
    pit::SplitTextAtWidth(fm, text, rest, head, width);
    EXPECT_EQ(head + rest, text);
    EXPECT_LE(fm.horizontalAdvance(head), width);
    EXPECT_GT(fm.horizontalAdvance(text.left(head.size() + 1)), width);
}

TEST(Metrics, ScreenScaleOfTheOffscreenScreenIs100) {
    EXPECT_EQ(pit::GetScreenScalePercent(), 100);
}

TEST(Metrics, DefaultPrinterIsNullWithoutAConfiguredPrinter) {
    pit::InstallDefaultPrinterProvider();
    // CI machines have no printer; where one exists it must be a usable device.
    auto dc = pit::GetDefaultPrinterDC();
    if (dc)
        EXPECT_GT(dc->logicalDpiX(), 0);
    else
        SUCCEED();
}
