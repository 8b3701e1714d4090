// The print frame (margins, header, footer, page numbers) and the page loop,
// on the recording device and into real PDF files.
#include "StubBuilder.h"
#include "core/doc/PrintSettings.h"
#include "platform/FontSetup.h"
#include "platform/RecordingDevice.h"
#include "reports/PageFrame.h"
#include "reports/PrintJob.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;
using gdi::RecordedItem;

namespace {

class PrintFrameTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterFontSubstitutions(); }
};

// An A4 page at 600 dpi with a printable area 100 px in from the paper's edges.
PageMetrics A4At600() {
    PageMetrics m;
    m.dpiX = m.dpiY = 600;
    m.horzRes = 4960 - 200;
    m.vertRes = 7016 - 200;
    m.offsetX = m.offsetY = 100;
    return m;
}

int PdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(f.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace

TEST_F(PrintFrameTest, MarginsBandsAndPrinterOffsets) {
    CPrintSettings s;
    s.m_nmarginup = 20;
    s.m_nmarginleft = 20;
    s.m_nmargindown = 15;
    s.m_nmarginr = 2; // 47 px, inside the printer's 100 px offset: raised to it
    PageFrame f = LayoutPageFrame(s, A4At600());
    const int top = int(20 * 600 / 25.40005111694336) - 100; // 472 - 100
    const int left = 372;
    EXPECT_EQ(f.body, gdi::Rect(left, top, 4760 - 0, 6816 - (354 - 100)));
    EXPECT_FALSE(f.headerOn);
    EXPECT_FALSE(f.footerOn);

    s.m_bpagehead = 1;
    s.m_bprpage = 1; // a page number alone makes the footer
    f = LayoutPageFrame(s, A4At600());
    const int band = 23 * 10, gap = 23 * 2; // trunc(600 / 25.4) = 23 px per mm
    EXPECT_TRUE(f.headerOn);
    EXPECT_TRUE(f.footerOn);
    EXPECT_EQ(f.header, gdi::Rect(left, top, 4760, top + band - gap));
    const int bodyHeight = 6816 - top - 254 - 2 * band;
    EXPECT_EQ(f.body, gdi::Rect(left, top + band, 4760, top + band + bodyHeight));
    EXPECT_EQ(f.footer.top, f.body.bottom + band + gap);
    EXPECT_EQ(f.footer.Height(), band - gap);
}

TEST_F(PrintFrameTest, FontSizeTableAndLocations) {
    const std::pair<int, int> sizes[] = {{0, 80},   {4, 120},  {18, 105}, {22, 50},
                                         {23, 120}, {63, 120}, {70, 120}, {-1, 120}};
    for (auto [index, tenths] : sizes)
        EXPECT_EQ(HeaderFooterTenths(index), tenths) << index;
    EXPECT_EQ(HeaderFooterAlign(-3), gdi::DT_LEFT);
    EXPECT_EQ(HeaderFooterAlign(1), gdi::DT_CENTER);
    EXPECT_EQ(HeaderFooterAlign(9), gdi::DT_RIGHT);
    EXPECT_EQ(PageNumberEmHeight(96), 13);
    EXPECT_EQ(PageNumberEmHeight(600), 78);
}

TEST_F(PrintFrameTest, PageNumberFormats) {
    CPrintSettings s;
    s.m_nstpage = 1;
    struct Case {
        int format, maxPage, start, language;
        QString text;
    } cases[] = {
        {0, 0, 1, 0, QStringLiteral("2")},
        {1, 0, 1, 0, QStringLiteral(".2.")},
        {2, 0, 3, 0, QStringLiteral("-4-")},
        {3, 0, 1, 0, QStringLiteral("第2页")},
        {4, 0, 1, 0, QStringLiteral("第2页 共5页")},
        {4, 9, 1, 0, QStringLiteral("第2页 共9页")},
        {4, 0, 10, 0, QStringLiteral("第11页 共14页")},
        {5, 0, 1, 0, QString()},
        // The words follow the report language.
        {0, 0, 1, 1, QStringLiteral("2")},
        {3, 0, 1, 1, QStringLiteral("Page 2")},
        {4, 0, 1, 1, QStringLiteral("Page 2 Total 5")},
        {4, 9, 3, 1, QStringLiteral("Page 4 Total 9")},
    };
    for (const Case& c : cases) {
        s.m_npagefm = c.format;
        s.m_nMaxPage = c.maxPage;
        s.m_nstpage = c.start;
        s.m_bLanguage = c.language;
        EXPECT_EQ(PageNumberText(s, 2, 5), c.text) << c.format << " " << c.start << " " << c.language;
    }
}

TEST_F(PrintFrameTest, HeaderFooterAndNumberOnTheRecordingDevice) {
    CPrintSettings s;
    s.m_bpagehead = 1;
    s.m_strphcon = QStringLiteral("Header A & B"); // the user's texts as typed: no '&' prefixes
    s.m_nphhei = 70;                               // outside the table: 12 pt
    s.m_nphloc = 1;
    s.m_bHIsBold = 1;
    s.m_colorHead = 0x0000FF;
    s.m_bpagefoot = 1;
    s.m_strpfcon = QStringLiteral("Foot && note");
    s.m_npfloc = 0;
    s.m_bprpage = 1;
    s.m_npageloc = 2;
    s.m_npagefm = 2;
    const PageMetrics m = A4At600();
    const PageFrame f = LayoutPageFrame(s, m);

    gdi::RecordingDevice dev(m.horzRes, m.vertRes, 600, 600);
    {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 600, 600, true);
        dc.SetTextColor(0x00FF00);
        DrawPageHeaderFooter(dc, s, f, 3, 4);
        EXPECT_EQ(dc.GetTextColor(), 0x00FF00u);
    }
    const auto texts = dev.texts();
    ASSERT_EQ(texts.size(), 3u) << dev.textList().join('|').toStdString();
    const RecordedItem& head = texts[0];
    EXPECT_EQ(head.text, QStringLiteral("Header A & B"));
    EXPECT_EQ(head.font.pixelSize() > 0 ? head.font.pixelSize() : 0, 100); // 12 pt at 600 dpi
    EXPECT_EQ(head.font.weight(), QFont::Bold);
    EXPECT_EQ(head.pen.color(), QColor(255, 0, 0));
    EXPECT_NEAR(head.rect.center().x(), (f.header.left + f.header.right) / 2.0, 2);
    EXPECT_NEAR(head.rect.center().y(), (f.header.top + f.header.bottom) / 2.0, 2);

    const RecordedItem& foot = texts[1];
    EXPECT_EQ(foot.text, QStringLiteral("Foot && note"));
    EXPECT_EQ(foot.rect.left(), f.footer.left);
    EXPECT_NEAR(foot.rect.center().y(), (f.footer.top + f.footer.bottom) / 2.0, 2);

    const RecordedItem& number = texts[2];
    EXPECT_EQ(number.text, QStringLiteral("-3-"));
    EXPECT_EQ(number.font.pixelSize(), 78); // 12.5 px at 96 dpi, the same size on paper
    EXPECT_NEAR(number.rect.right(), f.footer.right, 2);
    EXPECT_EQ(number.pen.color(), QColor(0, 255, 0));   // the colour from before the header
    EXPECT_LE(number.rect.height(), f.footer.Height()); // fits the band
}

TEST_F(PrintFrameTest, PageLoopRangeAndUnknownLength) {
    CPrintSettings s;
    s.m_bprpage = 1;
    s.m_npagefm = 4;
    const PageMetrics m = A4At600();
    struct Case {
        int pages, from, to;
        std::vector<int> printed;
    } cases[] = {
        {3, 1, CPrintInfo::kUnknownMaxPage, {1, 2, 3}},
        {5, 2, 3, {2, 3}},
        {2, 1, 9, {1, 2}},
        {CPrintInfo::kUnknownMaxPage, 1, CPrintInfo::kUnknownMaxPage, {1}},
    };
    for (const Case& c : cases) {
        test::StubBuilder b;
        b.pages = c.pages;
        CPrintInfo info;
        b.SetPageRange(info);
        info.fromPage = c.from;
        info.toPage = c.to;
        gdi::RecordingDevice dev(m.horzRes, m.vertRes, 600, 600);
        QPainter painter(&dev);
        ReportPages pages(b, s, m);
        int breaks = 0;
        const int n = PrintPages(painter, pages, info, [&] { return ++breaks > 0; });
        EXPECT_EQ(b.printed, c.printed) << c.pages;
        EXPECT_EQ(n, int(c.printed.size()));
        EXPECT_EQ(breaks, std::max(0, n - 1));
        EXPECT_EQ(b.layouts.front(), LayoutPageFrame(s, m).body);
        // The page numbers count the whole job, or the one page of an open-ended one.
        painter.end();
        const int total = c.pages == CPrintInfo::kUnknownMaxPage ? 1 : c.pages;
        EXPECT_TRUE(dev.textList().contains(QStringLiteral("第%1页 共%2页").arg(c.printed.back()).arg(total)))
            << dev.textList().join('|').toStdString();
    }
}

TEST_F(PrintFrameTest, PrintsIntoAPdfFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    CPrintSettings s;
    s.m_bpagehead = 1;
    s.m_strphcon = QStringLiteral("Header");
    s.m_bprpage = 1;
    test::StubBuilder b;
    b.pages = 4;
    {
        QPdfWriter pdf(path);
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        CPrintInfo info;
        b.SetPageRange(info);
        EXPECT_EQ(PrintPages(pdf, b, s, info), 4);
        const PageMetrics m = MetricsOf(pdf);
        EXPECT_EQ(m.dpiY, 300);
        EXPECT_EQ(m.offsetX, 0);
        EXPECT_NEAR(m.horzRes, 2480, 1);
    }
    EXPECT_EQ(PdfPageCount(path), 4);
    EXPECT_EQ(b.printed, (std::vector<int>{1, 2, 3, 4}));
}
