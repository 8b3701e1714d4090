// The print preview records every page into a picture and plays it back on
// the screen: the played pages must show what the printer gets.
#include "reports/PrintJob.h"
#include "reports/RepProjectA.h"
#include "reports/RepSingle.h"
#include "tests/reports/ReportFixture.h"

#include <QImage>
#include <QPainter>
#include <QPicture>

namespace pit::test {
namespace {

// A4 at 150 dpi: small enough to compare quickly, large enough for the cells' texts.
constexpr int kDpi = 150;
constexpr int kWidth = 1240;
constexpr int kHeight = 1754;

struct PicturePreviewTest : ReportFixture {
    void SetUp() override {
        ReportFixture::SetUp();
        DuxAnalysis a = SavedPile(QStringLiteral("ZK6"));
        a.project = QStringLiteral("滨江大桥工程");
        Open(WritePile(QStringLiteral("ZK6.DUX"), a));
        for (const QString& n : {QStringLiteral("C40-2"), QStringLiteral("大工8"), QStringLiteral("J105")})
            WritePile(n + QStringLiteral(".DUX"), SavedPile(n));
        doc->m_ProjectInfo.ScanFolder(folder);
    }
    // Page 1 of the builder through the print hosts' page loop.
    void PrintFirstPage(CReportBuilder& b, QPainter& painter) {
        PageMetrics m;
        m.dpiX = m.dpiY = kDpi;
        m.horzRes = kWidth;
        m.vertRes = kHeight;
        ReportPages pages(b, doc->m_PrintSettings, m);
        CPrintInfo info;
        b.SetPageRange(info);
        info.preview = true;
        info.fromPage = info.toPage = 1;
        EXPECT_EQ(PrintPages(painter, pages, info, [] { return true; }), 1);
    }
    static QImage White() {
        QImage img(kWidth, kHeight, QImage::Format_RGB32);
        img.fill(Qt::white);
        return img;
    }
    QImage Direct(CReportBuilder& b) {
        QImage img = White();
        QPainter p(&img);
        PrintFirstPage(b, p);
        return img;
    }
    QImage PlayedBack(CReportBuilder& b) {
        QPicture picture;
        {
            QPainter p(&picture);
            PrintFirstPage(b, p);
        }
        QImage img = White();
        QPainter p(&img);
        picture.play(&p);
        return img;
    }
};

bool Dark(const QImage& img, int x, int y) {
    return qGray(img.pixel(x, y)) < 128;
}

int Inked(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += Dark(img, x, y);
    return n;
}

// Dark pixels of a with no ink at all in b within a pixel: what b misses of a,
// whatever the two make of a glyph's edges.
int Unmatched(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 1; y + 1 < a.height(); ++y)
        for (int x = 1; x + 1 < a.width(); ++x) {
            if (!Dark(a, x, y))
                continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = qGray(b.pixel(x + dx, y + dy)) < 224;
            n += !near;
        }
    return n;
}

} // namespace

TEST_F(PicturePreviewTest, PlayedBackPagesShowThePrintedPage) {
    auto list = List({QStringLiteral("ZK6.DUX"), QStringLiteral("C40-2.DUX"), QStringLiteral("大工8.DUX"),
                      QStringLiteral("J105.DUX")});
    doc->m_PrintSettings.m_nRow = 3;
    doc->m_PrintSettings.m_nColumn = 2;
    doc->m_PrintSettings.m_bSpectrum = 1; // the marks' texts too
    struct Case {
        const char* name;
        std::unique_ptr<CReportBuilder> builder;
    };
    Case cases[] = {{"single", std::make_unique<CRepSingle>(Env(kDpi), &doc->m_PileRecord, nullptr)},
                    {"project", std::make_unique<CRepProjectA>(Env(kDpi), list.get())}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.builder->UpdatePileList();
        const QImage direct = Direct(*c.builder);
        const QImage played = PlayedBack(*c.builder);
        const int ink = Inked(direct);
        ASSERT_GT(ink, 10000);
        // Texts laid out again on playing back land a few pixels off: a
        // hundredth or more of the page's ink.
        EXPECT_LT(Unmatched(direct, played), ink / 200) << "printed ink the preview misses";
        EXPECT_LT(Unmatched(played, direct), ink / 200) << "ink the preview adds";
    }
}

} // namespace pit::test
