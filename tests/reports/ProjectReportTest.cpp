// The project report: page range and layout, cell bands and contents on the
// recording device, the items read from every kind of file with the common
// values, the font-rate fitting with an injected measurer, variant B, and
// the picture exports with fake services.
#include "platform/Metrics.h"
#include "platform/RecordingDevice.h"
#include "reports/ProjectReportWriter.h"
#include "reports/RepProjectB.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QtEndian>

namespace pit::test {
namespace {

// The builder with items pushed straight in.
template <typename Base> struct Exposed : Base {
    using Base::Base;
    using Base::DrawExportPage;
    using Base::m_bPictureRender;
    using Base::m_items;
    void AddItems(int n, const QString& integrity = QStringLiteral("桩身完整")) {
        for (int i = 0; i < n; ++i) {
            auto item = std::make_unique<CReportPileItem>();
            item->m_strPileNo = QStringLiteral("Z%1").arg(m_items.size() + 1);
            item->m_strProject = QStringLiteral("滨江大桥");
            item->m_fLength = 12.5f;
            item->m_nSpeed = 3800;
            item->m_fDiameter = 600;
            item->m_fSide = 400;
            item->m_dtTest = QDateTime(QDate(2024, 3, 15), QTime(9, 30, 5));
            item->m_dtConstruct = QDateTime(QDate(2024, 3, 1), QTime(0, 0));
            item->m_nAge = 14;
            item->m_strIntegrity = integrity;
            item->m_strModel = QStringLiteral("KEV-DUX(W)");
            item->m_strProjectC = QStringLiteral("检测公司");
            item->m_nSpecRange = 2000;
            item->m_nFAMax = 410;
            item->m_nF0 = 180;
            item->m_wave.SetData(Pulse());
            item->m_wave.sampleInterval = 20;
            item->m_wave.SetFilterCutoffs(10, 1500);
            item->m_wave.SetExpGain(3);
            m_items.push_back(std::move(item));
        }
    }
};
using OpenA = Exposed<CRepProjectA>;
using OpenB = Exposed<CRepProjectB>;

// The printer's A4 body at 600 dpi, or the page picture's 720 x 870 pixels
// as the picture exports draw them.
gdi::Rect PageRect(bool picture) {
    return picture ? gdi::Rect(0, 0, 720, 870) : gdi::Rect(0, 0, 4724, 6614);
}
int PageDpi(bool picture) {
    return picture ? 96 : 600;
}

// Page 1 of b on dev, as the print host or the picture export draws it.
void DrawFirstPage(OpenA& b, gdi::RecordingDevice& dev, bool picture) {
    QPainter painter(&dev);
    gdi::Canvas dc(painter, 0, 0, !picture);
    if (picture) {
        b.m_bPictureRender = true;
        b.SetDrawToBitmap(true);
        b.DrawExportPage(dc, PageRect(true), 1);
    } else {
        b.LayoutPage(PageRect(false), dc);
        CPrintInfo info;
        b.PrintPage(dc, info);
    }
}

struct ProjectReportTest : ReportFixture {
    void SetUp() override {
        ReportFixture::SetUp();
        Open(WritePile(QStringLiteral("A1.DUX"), SavedPile(QStringLiteral("A1"))));
    }
    // A multi-blow file: unsaved (the blow table) or saved with an analysis block.
    QString BlowFile(const QString& name, const QString& pileNo, bool saved) {
        if (saved) {
            DuxAnalysis a = SavedPile(pileNo);
            return DuxBuilder::paramBlock("A-RIRADAD", 1042)
                .channels(2, 1024)
                .analysis(a)
                .writeTo(folder, name);
        }
        DuxBlow b1, avg;
        b1.samples = Pulse();
        avg.blow = 0;
        avg.samples = Pulse();
        avg.blowBytes[0] = 1;
        return DuxBuilder::paramBlock("A-RIRADAD")
            .pileNo(pileNo)
            .channels(1, 1024)
            .samples(Pulse())
            .blowTable({b1, avg})
            .writeTo(folder, name);
    }
    static std::vector<gdi::RecordedItem> TextsIn(const gdi::RecordingDevice& dev, const QString& text) {
        std::vector<gdi::RecordedItem> out;
        for (const auto& t : dev.texts())
            if (t.text.contains(text))
                out.push_back(t);
        return out;
    }
};

} // namespace

TEST_F(ProjectReportTest, PagesOfTheItems) {
    struct Case {
        int items, rows, columns, pages;
    };
    for (const Case& c : {Case{11, 5, 1, 3}, Case{0, 5, 1, 0}, Case{10, 5, 2, 1}, Case{10, 2, 1, 4}}) {
        doc->m_PrintSettings.m_nRow = c.rows; // 2 counts as 3
        doc->m_PrintSettings.m_nColumn = c.columns;
        OpenA b(Env(), nullptr);
        b.AddItems(c.items);
        CPrintInfo info;
        b.SetPageRange(info);
        EXPECT_EQ(info.GetMaxPage(), c.pages) << c.items;
        EXPECT_EQ(info.GetMinPage(), 1);
    }
    EXPECT_EQ(CRepProjectA::InfoLineCount(0), 0);
    EXPECT_EQ(CRepProjectA::InfoLineCount(1), 1);
    EXPECT_EQ(CRepProjectA::InfoLineCount(6), 1);
    EXPECT_EQ(CRepProjectA::InfoLineCount(7), 2);
}

TEST_F(ProjectReportTest, PageLayoutOfTheBitmapPage) {
    CPrintSettings& s = doc->m_PrintSettings;
    s.m_nRow = 5;
    s.m_nColumn = 1;
    s.m_nWaveGas = 3;
    OpenA b(Env(), nullptr);
    b.AddItems(1);
    gdi::RecordingDevice dev(720, 870);
    QPainter painter(&dev);
    gdi::Canvas dc(painter, 0, 0, false);
    const gdi::Rect body(5, 5, 715, 865);

    s.m_bHeadInfo[9] = 0;
    b.LayoutPage(body, dc);
    ASSERT_EQ(b.Cells().size(), 5u);
    EXPECT_EQ(b.Cells()[0], gdi::Rect(5, 5, 715, 166));
    EXPECT_EQ(b.Cells()[1], gdi::Rect(5, 177, 715, 338)); // gaps of 11 px
    EXPECT_EQ(b.Cells()[4], gdi::Rect(5, 693, 715, 854));

    s.m_bHeadInfo[9] = 1; // the title line: 15 pt
    b.LayoutPage(body, dc);
    EXPECT_EQ(b.Cells()[0], gdi::Rect(5, 25, 715, 182));
    EXPECT_EQ(b.Cells()[1].top, 193);
    EXPECT_EQ(b.Cells()[4].top, 697);

    s.m_nColumn = 2;
    b.LayoutPage(body, dc);
    ASSERT_EQ(b.Cells().size(), 10u);
    EXPECT_EQ(b.Cells()[0].left, 5);
    EXPECT_EQ(b.Cells()[1].left, 365);
    EXPECT_EQ(b.Cells()[1].Width(), 349);

    // A title wider than the body: the cells start three title heights down.
    s.m_nColumn = 1;
    b.m_items[0]->m_strProject = QString(80, u'桥');
    b.LayoutPage(body, dc);
    EXPECT_EQ(b.Cells()[0].top, 5 + 3 * 20);

    // Printing devices count real millimetres.
    EXPECT_EQ(CRepProjectA::GapPixels(3, 600, true, 100), 70);
    EXPECT_EQ(CRepProjectA::GapPixels(3, 96, false, 100), 11);
    EXPECT_EQ(CRepProjectA::GapPixels(3, 600, false, 125), 14);
}

TEST_F(ProjectReportTest, BandsOfACell) {
    OpenA b(Env(), nullptr);
    b.AddItems(1);
    gdi::RecordingDevice dev(720, 870);
    QPainter painter(&dev);
    gdi::Canvas dc(painter, 0, 0, false);
    // The default items: six shown, no spectrum, the integrity line.
    b.DrawPage(5, 5, 715, 166, dc);
    EXPECT_EQ(b.InfoItems(), 6);
    EXPECT_EQ(b.HeadBand(), gdi::Rect(5, 5, 715, 31)); // a unit of 161 / 6 = 26
    EXPECT_EQ(b.CurveBand(), gdi::Rect(5, 35, 715, 140));
    EXPECT_EQ(b.QualityBand(), gdi::Rect(5, 140, 715, 166));
    // Item 12 (the test time) never counts; item 9 (the title) neither.
    doc->m_PrintSettings.m_bHeadInfo[12] = 1;
    doc->m_PrintSettings.m_bHeadInfo[9] = 1;
    b.DrawPage(5, 5, 715, 166, dc);
    EXPECT_EQ(b.InfoItems(), 6);
    doc->m_PrintSettings.m_bSpectrum = 1;
    b.DrawPage(5, 5, 715, 166, dc);
    EXPECT_EQ(b.SpectrumBand().Height(), 6 * (161 / 14)); // 1 + 6 + 6 + 1 lines
}

// Every page size of cells, with and without the spectrum, with one line of
// fields or two, printed and as a page picture: the bands of a cell follow
// one another inside it, the curve keeps its floor with a wave drawn across
// it, and every text lies whole inside its field and band.
TEST_F(ProjectReportTest, BandsOfEveryPageLayout) {
    struct Case {
        int rows, columns, spectrum;
        bool picture, allFields;
    };
    std::vector<Case> cases;
    for (const bool allFields : {false, true})
        for (const bool picture : {false, true})
            for (const int spectrum : {0, 1})
                for (const int columns : {1, 2})
                    for (const int rows : {3, 5, 8, 10})
                        cases.push_back({rows, columns, spectrum, picture, allFields});
    CPrintSettings& s = doc->m_PrintSettings;
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 x %2, spectrum %3, %4, %5 fields")
                         .arg(c.rows)
                         .arg(c.columns)
                         .arg(c.spectrum)
                         .arg(c.picture ? "picture" : "print")
                         .arg(c.allFields ? 12 : 6)
                         .toStdString());
        // Six fields on one line, or all twelve on two.
        for (int flag : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13})
            s.m_bHeadInfo[flag] = c.allFields || (flag < 7 && flag != 4);
        s.m_nRow = c.rows;
        s.m_nColumn = c.columns;
        s.m_bSpectrum = c.spectrum;
        OpenA b(Env(), nullptr);
        b.AddItems(c.rows * c.columns);
        const int dpi = PageDpi(c.picture);
        const gdi::Rect page = PageRect(c.picture);
        gdi::RecordingDevice dev(page.Width(), page.Height(), dpi, dpi);
        DrawFirstPage(b, dev, c.picture);
        // The bands of the last cell drawn.
        const gdi::Rect cell = b.Cells().back();
        const gdi::Rect head = b.HeadBand(), curve = b.CurveBand(), marks = b.SpectrumBand(),
                        quality = b.QualityBand();
        EXPECT_EQ(head.top, cell.top);
        EXPECT_GT(head.Height(), 0);
        EXPECT_LE(head.bottom, curve.top);
        EXPECT_LE(curve.bottom, marks.top);
        EXPECT_LE(marks.bottom, quality.top);
        EXPECT_GT(quality.Height(), 0);
        EXPECT_EQ(quality.bottom, cell.bottom);
        EXPECT_EQ(marks.Height() > 0, c.spectrum == 1);
        // The curve's floor: the share the cell's line units give it, which
        // the fit of the row font and the spectrum never takes.
        {
            gdi::RecordingDevice scratch(page.Width(), page.Height(), dpi, dpi);
            QPainter painter(&scratch);
            gdi::Canvas dc(painter, 0, 0, !c.picture);
            b.DrawPage(cell.left, cell.top, cell.right, cell.bottom, dc);
            EXPECT_GE(curve.Height(), b.CurveBand().Height());
            EXPECT_GT(b.CurveBand().Height(), cell.Height() / 3);
        }

        const auto inside = [](const QRectF& r, const gdi::Rect& band) {
            return r.top() >= band.top - 1 && r.bottom() <= band.bottom + 1;
        };
        const QRectF cellF(cell.left, cell.top, cell.Width(), cell.Height());
        // The wave across its band, and the spectrum in its own.
        int waves = 0, spectra = 0;
        for (const gdi::RecordedItem& it : dev.itemsOf(gdi::RecordedItem::Kind::Polyline)) {
            if (it.points.size() < 100)
                continue;
            const QRectF r = QPolygonF(QList<QPointF>(it.points.begin(), it.points.end())).boundingRect();
            if (!cellF.adjusted(-1, -1, 1, 1).contains(r))
                continue;
            if (inside(r, curve) && r.height() >= curve.Height() / 8.0)
                ++waves;
            else if (c.spectrum && inside(r, marks))
                ++spectra;
            else
                ADD_FAILURE() << "a curve of " << it.points.size() << " points over " << r.top() << ".."
                              << r.bottom();
        }
        EXPECT_EQ(waves, 1);
        EXPECT_EQ(spectra, c.spectrum);
        // The information row in the head, the six marks beside the spectrum,
        // the integrity line in its own.
        int rowTexts = 0, markTexts = 0, integrity = 0;
        for (const gdi::RecordedItem& t : dev.texts()) {
            if (!cellF.contains(t.rect.center()) || !t.text.contains(u':'))
                continue;
            if (t.text.startsWith(QStringLiteral("完整性评价"))) {
                ++integrity;
                EXPECT_TRUE(inside(t.rect, quality));
            } else if (t.text.contains(QStringLiteral("Hz"))) {
                ++markTexts;
                EXPECT_TRUE(inside(t.rect, marks)) << t.text.toStdString();
                EXPECT_TRUE(ShownWhole(t));
            } else {
                ++rowTexts;
                EXPECT_TRUE(inside(t.rect, head)) << t.text.toStdString();
                EXPECT_TRUE(ShownWhole(t));
            }
        }
        EXPECT_EQ(rowTexts, c.allFields ? 12 : 6);
        EXPECT_EQ(integrity, 1);
        EXPECT_EQ(markTexts, 6 * c.spectrum);
    }
}

TEST_F(ProjectReportTest, RowTextsInBothLanguages) {
    CPrintSettings& s = doc->m_PrintSettings;
    OpenA b(Env(), nullptr);
    b.AddItems(1);
    CReportPileItem& it = *b.m_items[0];
    it.m_bSquare = 1;
    struct Case {
        int language, printType, testTime, item;
        QString label, value;
    };
    const Case cases[] = {
        {0, 0, 0, 0, QStringLiteral("桩号:"), QStringLiteral("Z1")},
        {1, 0, 0, 1, QStringLiteral("LE:"), QStringLiteral("12.50m")},
        {0, 0, 0, 2, QStringLiteral("波速:"), QStringLiteral("3800m/s")},
        {1, 0, 0, 5, QStringLiteral("D:"), QStringLiteral("600mm*400mm")},
        {0, 0, 0, 6, QStringLiteral("测试日期:"), QStringLiteral("2024-03-15")},
        {0, 0, 1, 6, QStringLiteral("2024-03-15"), QStringLiteral(" 09:30:05")},
        {0, 0, 0, 7, QStringLiteral("低通:"), QStringLiteral("1500")},
        {0, 0, 0, 8, QStringLiteral(" Exp:"), QStringLiteral("3")},
        {1, 0, 0, 9, QStringLiteral("InstrumentType:"), QStringLiteral("KEV-DUX(W)")},
        {0, 0, 0, 11, QStringLiteral("施工日期:"), QStringLiteral("2024-03-01")},
        {1, 1, 0, 11, QStringLiteral("Age:"), QStringLiteral("14")},
        {0, 1, 0, 11, QStringLiteral("龄期:"), QStringLiteral("14")},
    };
    for (const Case& c : cases) {
        s.m_bLanguage = c.language;
        s.m_iPrintType = c.printType;
        s.m_bHeadInfo[12] = c.testTime;
        const ProjectRowItems row = BuildProjectRowItems(it, s, 2);
        EXPECT_EQ(row.labels[size_t(c.item)], c.label) << c.item;
        EXPECT_EQ(row.values[size_t(c.item)], c.value) << c.item;
    }

    // Seven shown items: two lines, the seventh under the first column.
    s.m_bLanguage = 0;
    s.m_bHeadInfo[12] = 0;
    s.m_bHeadInfo[7] = 1; // low-pass: the seventh
    gdi::RecordingDevice dev(720, 870);
    {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 0, 0, false);
        b.DrawPage(5, 5, 715, 166, dc);
        b.DrawPileRow(dc, 0, false);
    }
    EXPECT_EQ(b.InfoItems(), 7);
    const auto first = TextsIn(dev, QStringLiteral("桩号:"));
    const auto seventh = TextsIn(dev, QStringLiteral("低通:"));
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(seventh.size(), 1u);
    EXPECT_NEAR(seventh[0].baseline.x(), first[0].baseline.x(), 1.0);
    EXPECT_GT(seventh[0].baseline.y(), first[0].baseline.y());
    // Out of range: nothing.
    gdi::RecordingDevice none(720, 870);
    QPainter p2(&none);
    gdi::Canvas dc2(p2, 0, 0, false);
    b.DrawPileRow(dc2, 1, false);
    b.DrawPileRow(dc2, -1, false);
    EXPECT_TRUE(none.items().empty());
}

TEST_F(ProjectReportTest, SpectrumMarksAndIntegrityLine) {
    CPrintSettings& s = doc->m_PrintSettings;
    s.m_bSpectrum = 1;
    OpenA b(Env(), nullptr);
    b.AddItems(1);
    b.AddItems(1, QStringLiteral("Pile Integrity good"));
    for (int language : {0, 1}) {
        s.m_bLanguage = language;
        gdi::RecordingDevice dev(720, 870);
        {
            QPainter painter(&dev);
            gdi::Canvas dc(painter, 0, 0, false);
            b.LayoutPage(gdi::Rect(5, 5, 715, 865), dc);
            CPrintInfo info;
            b.PrintPage(dc, info);
        }
        // Run together: Qt hands mixed scripts over in pieces.
        const QString all = dev.textList().join(QString());
        EXPECT_TRUE(all.contains(language ? QStringLiteral(" SRange:0-2000Hz")
                                          : QStringLiteral(" 频谱范围:0-2000Hz")))
            << all.toStdString();
        EXPECT_TRUE(all.contains(QStringLiteral(" F0:180Hz")));
        EXPECT_TRUE(all.contains(QStringLiteral(" FAMax:410Hz")));
        EXPECT_TRUE(all.contains(language ? QStringLiteral("Test Results:桩身完整")
                                          : QStringLiteral("完整性评价:桩身完整")));
        // A text that names its integrity stands alone in English.
        if (language) {
            EXPECT_TRUE(all.contains(QStringLiteral("Pile Integrity good")));
            EXPECT_FALSE(all.contains(QStringLiteral("Test Results:Pile Integrity good")));
        } else {
            EXPECT_TRUE(all.contains(QStringLiteral("完整性评价:Pile Integrity good")));
        }
    }
}

// With the spectrum, printed and as a page picture, for rows x columns: no
// line runs through a text of the curve band (the ruler's numbers above the
// sketch) or of the spectrum plot (its axis numbers, below their ticks),
// and the spectrum's numbers keep apart.
TEST_F(ProjectReportTest, NoLineThroughTheNumbersOfCurveAndSpectrum) {
    CPrintSettings& s = doc->m_PrintSettings;
    s.m_bSpectrum = 1;
    for (const bool picture : {false, true})
        for (const int columns : {1, 2})
            for (const int rows : {5, 8, 10}) {
                SCOPED_TRACE(testing::Message()
                             << rows << " x " << columns << (picture ? " picture" : " print"));
                s.m_nRow = rows;
                s.m_nColumn = columns;
                OpenA b(Env(), nullptr);
                b.AddItems(1);
                const int dpi = PageDpi(picture);
                const gdi::Rect page = PageRect(picture);
                gdi::RecordingDevice dev(page.Width(), page.Height(), dpi, dpi);
                DrawFirstPage(b, dev, picture);
                const gdi::Rect curve = b.CurveBand(), band = b.SpectrumBand();
                const QRectF plot(band.left + band.Width() / 5, band.top, band.Width() * 4 / 5,
                                  band.Height());
                std::vector<QLineF> lines;
                for (const gdi::RecordedItem& it : dev.items())
                    if (it.kind == gdi::RecordedItem::Kind::Line ||
                        it.kind == gdi::RecordedItem::Kind::Polyline)
                        for (size_t k = 1; k < it.points.size(); ++k)
                            lines.emplace_back(it.points[k - 1], it.points[k]);
                int numbers = 0;
                double lastRight = -1;
                for (const gdi::RecordedItem& t : dev.texts()) {
                    const QPointF c = t.rect.center();
                    const bool inPlot = plot.contains(c);
                    if (!inPlot && !QRectF(curve.left, curve.top, curve.Width(), curve.Height()).contains(c))
                        continue;
                    ++numbers;
                    if (inPlot && t.text != QStringLiteral("kHz")) {
                        EXPECT_GT(t.rect.left(), lastRight) << t.text.toStdString();
                        lastRight = t.rect.right();
                    }
                    for (const QLineF& l : lines) {
                        const QRectF r = QRectF(l.p1(), l.p2()).normalized();
                        EXPECT_FALSE(r.right() > t.rect.left() && r.left() < t.rect.right() &&
                                     r.bottom() > t.rect.top() && r.top() < t.rect.bottom())
                            << l.x1() << "," << l.y1() << " - " << l.x2() << "," << l.y2() << " through \""
                            << t.text.toStdString() << "\"";
                    }
                }
                EXPECT_GE(numbers, 6);
            }
}

TEST_F(ProjectReportTest, ItemsFromEveryKindOfFile) {
    struct Case {
        const char* name;
        int32_t code;
        QString shape;
        int square;
        float side, valueB;
        QString pileType;
    };
    const Case cases[] = {
        {"1042", 1042, QStringLiteral("方桩"), 1, 400, 700, QStringLiteral("II")},
        {"1036", 1036, QStringLiteral("方桩"), 1, 400, 700, QStringLiteral("II")},
        // No second sides: round, the second values the first.
        {"1030", 1030, QStringLiteral("方桩"), 0, 600, 800, QStringLiteral("II")},
        {"1007", 1007, QStringLiteral("圆桩"), 0, 600, 800, QStringLiteral("I")},
    };
    OpenA b(Env(), nullptr);
    for (const Case& c : cases) {
        DuxAnalysis a = SavedPile(QStringLiteral("Q"));
        a.className = QStringLiteral("II");
        a.shapeText = c.shape;
        a.enlarged = 800;
        a.secondSide = 400;
        a.enlarged2 = 700;
        a.gradeIndex = 25;
        a.text5 = QStringLiteral("建设单位");
        a.firstSample = 12;
        a.samples = 900;
        a.analysisValues = {2000, 410, 180, 190, 95, 60};
        CReportPileItem item;
        item.m_strProjectD = QStringLiteral("project text 6");
        ASSERT_TRUE(
            b.LoadPileItem(item, WritePile(QString::fromLatin1(c.name) + QStringLiteral(".DUX"), a, c.code)))
            << c.name;
        EXPECT_EQ(item.m_bSquare, c.square) << c.name;
        EXPECT_FLOAT_EQ(item.m_fSide, c.side) << c.name;
        EXPECT_FLOAT_EQ(item.m_fValueA, 800) << c.name;
        EXPECT_FLOAT_EQ(item.m_fValueB, c.valueB) << c.name;
        EXPECT_EQ(item.m_nGrade, 18) << c.name;
        EXPECT_EQ(item.m_strPileType, c.pileType) << c.name;
        EXPECT_EQ(item.m_strProjectD,
                  c.code == 1007 ? QStringLiteral("project text 6") : QStringLiteral("建设单位"));
        EXPECT_FLOAT_EQ(item.m_fLength, 12.5f) << c.name;
        EXPECT_EQ(item.m_nFirstSample, 12);
        EXPECT_EQ(item.m_nSampleCount, 900);
        EXPECT_EQ(item.m_nFAMax, 410);
        EXPECT_EQ(item.m_nDFD2, 60);
        EXPECT_EQ(item.m_nChannel, 2);
        EXPECT_EQ(item.m_nAge, 14);
        // The current channel is the average (index 2 of two blows): its blows.
        EXPECT_EQ(item.m_strAvgBlows, QStringLiteral("1、2")) << c.name;
        EXPECT_GT(item.m_wave.MaxInWindow(0, 1024), 5.0f);
    }

    // A blow file, unsaved, through the pile reader.
    CReportPileItem blows;
    ASSERT_TRUE(b.LoadPileItem(blows, BlowFile(QStringLiteral("B1.DUX"), QStringLiteral("B1"), false)));
    EXPECT_EQ(blows.m_nFirstSample, 0);
    EXPECT_EQ(blows.m_nSampleCount, 1024);
    EXPECT_EQ(blows.m_strAvgBlows, QStringLiteral("1"));

    // Refused files are skipped without a crash.
    QByteArray absurd =
        DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(SavedPile("Z")).build();
    const int32_t A = pit::test::valueAt<int32_t>(absurd, 22);
    absurd.replace(A + 12, 4, QByteArray("\xf0\xff\xff\x7f", 4));
    QFile f(folder + QStringLiteral("/absurd.DUX"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(absurd);
    f.close();
    CReportPileItem none;
    EXPECT_FALSE(b.LoadPileItem(none, folder + QStringLiteral("/absurd.DUX")));
    EXPECT_FALSE(b.LoadPileItem(none, DuxBuilder::paramBlock("RIRADAD", 100)
                                          .channels(1, 1024)
                                          .writeTo(folder, QStringLiteral("plain.DUX"))));
    EXPECT_FALSE(b.LoadPileItem(none, folder + QStringLiteral("/missing.DUX")));
}

TEST_F(ProjectReportTest, ListRowsAndCommonValues) {
    DuxAnalysis other = SavedPile(QStringLiteral("A2"));
    other.current = 0; // a blow, not the average
    WritePile(QStringLiteral("A2.DUX"), other);
    doc->m_ProjectInfo.ScanFolder(folder);
    auto list = List({QStringLiteral("A1.DUX"), QStringLiteral("gone.DUX"), QStringLiteral("A2.DUX")});
    CRepProjectA b(Env(), list.get());
    CCommonInfo common;
    common.m_fDiameter = 999;
    common.m_fSecondSide = 888;
    common.m_testDate = QDateTime(QDate(2024, 4, 1), QTime(8, 0, 0));
    common.SetUse(CCommonInfo::Diameter, true);
    common.SetUse(CCommonInfo::TestDate, true);
    b.SetCommonInfo(true, &common);
    b.UpdatePileList();
    ASSERT_EQ(b.Items().size(), 2u);
    const CReportPileItem& a1 = *b.Items()[0];
    EXPECT_EQ(a1.m_strPileNo, QStringLiteral("A1"));
    EXPECT_FLOAT_EQ(a1.m_fDiameter, 999);
    EXPECT_FLOAT_EQ(a1.m_fSide, 888);
    EXPECT_EQ(a1.m_dtTest, common.m_testDate);
    EXPECT_EQ(a1.m_nAge, 31); // from 2024-03-01 to the common test date
    EXPECT_EQ(a1.m_strAvgBlows, QStringLiteral("1、2"));
    // Each pile's own blows: a pile showing a blow lists none.
    EXPECT_EQ(b.Items()[1]->m_strAvgBlows, QString());

    // With the common age the construction date follows the test date.
    doc->m_bAllPilesAge = true;
    doc->m_iAllAge = 28;
    b.UpdatePileList();
    EXPECT_EQ(b.Items()[0]->m_nAge, 28);
    EXPECT_EQ(b.Items()[0]->m_dtConstruct.date(), QDate(2024, 3, 4));
}

TEST_F(ProjectReportTest, FontRateFitWithAnInjectedMeasurer) {
    BlowFile(QStringLiteral("B1.DUX"), QStringLiteral("B1"), true);
    doc->m_ProjectInfo.ScanFolder(folder);
    CProjectReportWriter w(doc.get());
    CPrintSettings s; // margins 20, 20, 15, 15; gap 3; 5 rows; no spectrum
    w.SetSettings(s);
    w.scalePercent = 100;
    const QString line = w.FormatPileHeaderLines();
    ASSERT_FALSE(line.isEmpty());
    EXPECT_TRUE(line.startsWith(QStringLiteral("桩号:B1.DUX|桩长:"))) << line.toStdString();
    const int chars = int(line.size());
    std::vector<int> asked;
    double k = 0;
    w.measure = [&](const QString& text, int h) {
        asked.push_back(h);
        return TextExtent{int(k * h * text.size()), h};
    };
    // A box of 688 px: a line of exactly 688 px fits at the start height 16 -> 12 pt.
    k = 688.5 / (16 * chars);
    EXPECT_FLOAT_EQ(w.FitFontRate(false), 12.0f);
    EXPECT_EQ(asked.front(), 16);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FLOAT_EQ(doc->m_nFontRate, 12.0f);
    EXPECT_FLOAT_EQ(w.Settings().m_fFontRate, 12.0f);
    // One pixel more: one height lower (15 px = 11.25 pt -> 11).
    k = 689.5 / (16 * chars);
    asked.clear();
    EXPECT_FLOAT_EQ(w.FitFontRate(false), 11.0f);
    EXPECT_EQ(asked, (std::vector<int>{16, 15}));
    // Below 5 pt: 5.
    k = 688.5 / (6 * chars);
    EXPECT_FLOAT_EQ(w.FitFontRate(false), 5.0f);
    // Keep: the stored size.
    doc->m_nFontRate = 9.0f;
    EXPECT_FLOAT_EQ(w.FitFontRate(true), 9.0f);
    EXPECT_FLOAT_EQ(w.Settings().m_fFontRate, 9.0f);
    // A box of no width, and a line that never fits: 5, and the search ends.
    s.m_nmarginleft = 120;
    s.m_nmarginr = 100;
    w.SetSettings(s);
    EXPECT_FLOAT_EQ(w.FitFontRate(false), 5.0f);
    s.m_nmarginleft = 20;
    s.m_nmarginr = 15;
    w.SetSettings(s);
    k = 1e6;
    asked.clear();
    EXPECT_FLOAT_EQ(w.FitFontRate(false), 5.0f);
    EXPECT_EQ(asked.back(), 1);
    // The choice: the largest size not above the points (within 0.01).
    EXPECT_FLOAT_EQ(CProjectReportWriter::ChooseSize(10.5), 10.5f);
    EXPECT_FLOAT_EQ(CProjectReportWriter::ChooseSize(10.495), 10.5f);
    EXPECT_FLOAT_EQ(CProjectReportWriter::ChooseSize(10.48), 10.0f);
    EXPECT_FLOAT_EQ(CProjectReportWriter::ChooseSize(99), 15.0f);
    EXPECT_FLOAT_EQ(CProjectReportWriter::ChooseSize(4.9), 5.0f);
}

TEST_F(ProjectReportTest, VariantBCell) {
    OpenB b(Env(), nullptr);
    b.AddItems(1);
    gdi::RecordingDevice dev(720, 870);
    {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 0, 0, false);
        b.LayoutPage(gdi::Rect(5, 5, 715, 865), dc);
        const gdi::Rect c = b.Cells()[0];
        CPrintInfo info;
        b.PrintPage(dc, info);
        const int H = c.Height();
        EXPECT_EQ(b.HeadBand(), gdi::Rect(c.left, c.top, c.right, c.top + 2 * H / 9));
        EXPECT_EQ(b.CurveBand(),
                  gdi::Rect(c.left, c.top + 2 * H / 9, c.right, c.top + 2 * H / 9 + 6 * H / 9));
        EXPECT_EQ(b.QualityBand().bottom, c.bottom);
        // The summary column is a fifth of the curve, the plot the rest.
        EXPECT_EQ(b.PlotBand().left, c.left + c.Width() / 5);
        EXPECT_EQ(b.PlotBand().right, c.right);
    }
    const QString all = dev.textList().join(u'|');
    for (const QString& line : CRepProjectB::SummaryLines(*b.m_items[0]))
        EXPECT_TRUE(all.contains(line.trimmed())) << line.toStdString();
    EXPECT_EQ(CRepProjectB::SummaryLines(*b.m_items[0]),
              (std::array<QString, 6>{QStringLiteral(" SZPI: 600 m"), QStringLiteral(" LGPI: 12.5 m"),
                                      QStringLiteral(" WSPI: 3800 m/s"), QStringLiteral(" PALO: 10 Hz"),
                                      QStringLiteral(" PAHI: 1500 Hz"), QStringLiteral(" FXEX: 3")}));
    EXPECT_TRUE(all.contains(QStringLiteral("KEV-TIMBO 1.0")));
    EXPECT_TRUE(all.contains(QStringLiteral("检测公司")));
    // The fixed-pitch font by target.
    EXPECT_EQ(b.CreateCourierFont(), gdi::Font::Create(-78, 400, QStringLiteral("courier new")));
    b.SetDrawToBitmap(true);
    EXPECT_EQ(b.CreateCourierFont().height, -13);
    b.SetPictureMode(true);
    EXPECT_EQ(b.CreateCourierFont().height, -5);
    OpenB batch(Env(300), nullptr);
    EXPECT_EQ(batch.CreateCourierFont().height, -39);
}

// Variant B's fixed-pitch fields on the printed page: at every grid the
// values are whole inside their fields, and the font only shrinks where the
// cell is small.
TEST_F(ProjectReportTest, VariantBFieldsHoldTheirValues) {
    struct Case {
        int rows, columns;
        bool fullSize; // the 9.4-pt face as it is
    };
    for (const Case& c :
         {Case{3, 1, true}, Case{8, 1, false}, Case{3, 2, false}, Case{8, 2, false}, Case{10, 2, false}}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(c.rows).arg(c.columns).toStdString());
        doc->m_PrintSettings.m_nRow = c.rows;
        doc->m_PrintSettings.m_nColumn = c.columns;
        OpenB b(Env(), nullptr);
        b.AddItems(c.rows * c.columns);
        b.m_items.back()->m_strProject = QStringLiteral("Harbour Pier Extension Phase 2");
        gdi::RecordingDevice dev(4724, 6614, 600, 600);
        {
            QPainter painter(&dev);
            gdi::Canvas dc(painter, 0, 0, true);
            b.LayoutPage(gdi::Rect(0, 0, 4724, 6614), dc);
            CPrintInfo info;
            b.PrintPage(dc, info);
        }
        EXPECT_EQ(b.CellCourierFont().height == b.CreateCourierFont().height, c.fullSize);
        int fields = 0;
        for (const gdi::RecordedItem& t : dev.texts()) {
            if (!t.font.family().contains(QStringLiteral("Courier"), Qt::CaseInsensitive) &&
                !t.font.family().contains(QStringLiteral("Mono"), Qt::CaseInsensitive))
                continue;
            ++fields;
            EXPECT_TRUE(ShownWhole(t));
        }
        // Four header fields, six summary lines and two quality fields a cell.
        EXPECT_GE(fields, 12 * c.rows * c.columns);
    }
}

TEST_F(ProjectReportTest, PageFileNames) {
    struct Case {
        QString chosen, page1;
    };
    const Case cases[] = {
        {QStringLiteral("/tmp/a/report.bmp"), QStringLiteral("/tmp/a/report_第1页.bmp")},
        {QStringLiteral("/tmp/a.b/report"), QStringLiteral("/tmp/a.b/report_第1页.bmp")},
        {QStringLiteral("/tmp/a/report.v2.bmp"), QStringLiteral("/tmp/a/report.v2_第1页.bmp")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProjectPageFileName(c.chosen, 1, QStringLiteral("bmp")), c.page1);
    EXPECT_EQ(SafeFileName(QStringLiteral(" Project_A/B: \"x\" ")), QStringLiteral("Project_A_B_ _x_"));
}

TEST_F(ProjectReportTest, PagePicturesWithFakeServices) {
    doc->m_PrintSettings.m_nRow = 5;
    OpenA b(Env(), nullptr);
    b.AddItems(7);
    const QString chosen = tmp.filePath(QStringLiteral("proj.bmp"));
    services.answers.push_back(chosen);
    ASSERT_TRUE(b.ExportBmp());
    EXPECT_EQ(services.asks[0].defaultName, QStringLiteral("Project_滨江大桥.bmp"));
    const QString p1 = tmp.filePath(QStringLiteral("proj_第1页.bmp")),
                  p2 = tmp.filePath(QStringLiteral("proj_第2页.bmp"));
    EXPECT_EQ(QImageReader(p1).size(), QSize(720, 870));
    EXPECT_EQ(QImageReader(p2).size(), QSize(720, 870));
    EXPECT_FALSE(QFile::exists(tmp.filePath(QStringLiteral("proj_第3页.bmp"))));
    EXPECT_EQ(services.opened, QStringList{p2});

    services.answers.push_back(tmp.filePath(QStringLiteral("proj.emf")));
    ASSERT_TRUE(b.ExportEmf());
    EXPECT_TRUE(QFile::exists(tmp.filePath(QStringLiteral("proj_第2页.emf"))));
    EXPECT_EQ(services.opened.last(), tmp.filePath(QStringLiteral("proj_第2页.emf")));

    // Cancelled: nothing; a folder that cannot be written: the page named, nothing opened.
    EXPECT_FALSE(b.ExportBmp());
    services.answers.push_back(tmp.filePath(QStringLiteral("no/such/proj.bmp")));
    EXPECT_FALSE(b.ExportBmp());
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains(QStringLiteral("proj_第1页.bmp")))
        << services.messages[0].toStdString();
    EXPECT_EQ(services.opened.size(), 2);

    // No pile: nothing asked or written, and the user is told so.
    OpenA empty(Env(), nullptr);
    const size_t asked = services.asks.size();
    services.messages.clear();
    services.answers.push_back(tmp.filePath(QStringLiteral("none.bmp")));
    EXPECT_FALSE(empty.ExportBmp());
    EXPECT_FALSE(empty.ExportEmf());
    EXPECT_EQ(services.asks.size(), asked);
    EXPECT_EQ(services.messages, QStringList(2, QStringLiteral("没有勾选可读取的桩，没有写出图片。")));
    EXPECT_FALSE(QFile::exists(tmp.filePath(QStringLiteral("none_第1页.bmp"))));
}

// A page picture whose texts are far longer than their fields (a long
// conclusion, a long pile number): the picture's frame is the page, and no
// text record reaches past the page or holds what the page does not show.
TEST_F(ProjectReportTest, PagePictureFramedByThePageWhateverItsTexts) {
    OpenA b(Env(), nullptr);
    b.AddItems(1, QStringLiteral("桩身完整，").repeated(600));
    b.AddItems(1);
    b.m_items.back()->m_strPileNo = QStringLiteral("ZK").repeated(20) + QStringLiteral("1234567");
    services.answers.push_back(tmp.filePath(QStringLiteral("long.emf")));
    ASSERT_TRUE(b.ExportEmf());
    const QString path = tmp.filePath(QStringLiteral("long_第1页.emf"));
    const QByteArray emf = readFileBytes(path);
    ASSERT_GT(emf.size(), 88);
    const auto i32 = [&emf](qsizetype at) { return qFromLittleEndian<qint32>(emf.constData() + at); };
    const QRect frame(QPoint(i32(24), i32(28)), QPoint(i32(32), i32(36)));
    // The page within its margins (0.01 mm; the picture's pixels are the
    // desktop's, a little larger than the paper's).
    const CPrintSettings& s = doc->m_PrintSettings;
    const double scale = GetScreenScalePercent() / 100.0;
    const double width = (21000 - 100 * (s.m_nmarginleft + s.m_nmarginr)) * scale;
    const double height = (29700 - 100 * (s.m_nmargindown + s.m_nmarginup) - 900) * scale;
    EXPECT_EQ(frame.left(), 0);
    EXPECT_EQ(frame.top(), 0);
    EXPECT_NEAR(frame.right(), width, width * 0.06);
    EXPECT_NEAR(frame.bottom(), height, height * 0.06);
    const QRect bounds(QPoint(i32(8), i32(12)), QPoint(i32(16), i32(20)));
    const QRect page(QPoint(0, 0), bounds.bottomRight());
    int texts = 0;
    for (qsizetype at = 0; at + 8 <= emf.size();) {
        const qint32 type = i32(at), size = i32(at + 4);
        ASSERT_GE(size, 8);
        if (type == 84) { // EMR_EXTTEXTOUTW: its bounds, then the string's length
            ++texts;
            const QRect r(QPoint(i32(at + 8), i32(at + 12)), QPoint(i32(at + 16), i32(at + 20)));
            EXPECT_TRUE(page.contains(r))
                << r.left() << "," << r.top() << ".." << r.right() << "," << r.bottom();
            EXPECT_LT(i32(at + 44), 200);
        }
        at += size;
    }
    EXPECT_GT(texts, 10);
    // The device the frame stands for: the picture's pixels at its resolution.
    EXPECT_LT(bounds.width(), 2000);

    // An independent reader draws it at the page's size.
    QString errors;
    const QString svgPath = tmp.filePath(QStringLiteral("long.svg"));
    toolOutput(QStringLiteral("emf2svg-conv"), {QStringLiteral("-i"), path, QStringLiteral("-o"), svgPath},
               &errors);
    QFile svg(svgPath);
    if (!svg.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "emf2svg-conv made no picture: " << errors.toStdString();
    const QString head = QString::fromUtf8(svg.read(400));
    const QRegularExpressionMatch w = QRegularExpression(QStringLiteral("width=\"([0-9.]+)")).match(head);
    ASSERT_TRUE(w.hasMatch()) << head.toStdString();
    EXPECT_LT(w.captured(1).toDouble(), 2000) << head.toStdString();
}

// The pile bitmap with the ordinate: its amplitude labels end left of the
// axis, as on the printed page (at the printer's resolution on the bitmap's
// few pixels every offset was six times too large and they ran over it).
TEST_F(ProjectReportTest, PileBitmapKeepsTheAmplitudeLabelsLeftOfTheAxis) {
    auto list = List({QStringLiteral("A1.DUX")});
    doc->m_PrintSettings.m_bWaveInfo[4] = 1;
    doc->m_bDefineRow = true; // 800 pixels whatever the desktop's scaling
    CRepProjectA b(Env(), list.get());
    const QString path = tmp.filePath(QStringLiteral("ordinate.bmp"));
    ASSERT_TRUE(b.ExportPilePictureBmp(path, 0));
    QImage image(path);
    ASSERT_EQ(image.size(), QSize(800, 400));
    const auto dark = [&image](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    // The axis: the leftmost long vertical line inside the cell's frame.
    int axis = -1, top = 0, bottom = 0;
    for (int x = 10; x < 400 && axis < 0; ++x)
        for (int y = 0, run = 0; y < image.height(); ++y) {
            run = dark(x, y) ? run + 1 : 0;
            if (run >= 150) {
                axis = x;
                bottom = y;
                while (bottom + 1 < image.height() && dark(x, bottom + 1))
                    ++bottom;
                top = bottom - run;
                while (top > 0 && dark(x, top))
                    --top;
                break;
            }
        }
    ASSERT_GT(axis, 20) << "no amplitude axis";
    // Left of the axis the labels end a few pixels before it, as on the
    // printed page; only the ticks reach it.
    int labelRows = 0;
    for (int y = top; y <= bottom; ++y) {
        if (dark(axis - 1, y) && dark(axis - 2, y))
            continue; // a tick
        int right = -1;
        for (int x = 6; x < axis; ++x)
            if (dark(x, y))
                right = x;
        if (right < 0)
            continue;
        ++labelRows;
        EXPECT_LT(right, axis - 3) << "row " << y << ", axis at " << axis;
    }
    EXPECT_GT(labelRows, 20) << "the labels left of the axis";
}

TEST_F(ProjectReportTest, PilePicturesOfAListRow) {
    auto list = List({QStringLiteral("A1.DUX")});
    CRepProjectA b(Env(), list.get());
    const QString path = tmp.filePath(QStringLiteral("pile.bmp"));
    ASSERT_TRUE(b.ExportPilePictureBmp(path, 0));
    EXPECT_EQ(QImageReader(path).size(), QSize(800, 400));
    EXPECT_EQ(services.opened, QStringList{path});
    // Several pictures in a row are not opened one by one.
    doc->m_bIsMultiplePictrue = true;
    ASSERT_TRUE(b.ExportPilePictureEmf(tmp.filePath(QStringLiteral("pile.emf")), 0));
    EXPECT_EQ(services.opened.size(), 1);
    EXPECT_FALSE(b.ExportPilePictureBmp(path, 5)); // no such row

    // One pile's cell anywhere; an index outside the list draws nothing.
    gdi::RecordingDevice dev(800, 400);
    QPainter painter(&dev);
    gdi::Canvas dc(painter, 0, 0, false);
    EXPECT_TRUE(b.DrawPileCell(dc, 3, 0, 0, 800, 400));
    EXPECT_TRUE(dev.items().empty());
    EXPECT_TRUE(b.DrawPileCell(dc, 0, 0, 0, 800, 400));
    EXPECT_TRUE(dev.textList().join(QString()).contains(QStringLiteral("A1")));
}

TEST_F(ProjectReportTest, WordExportFitsTheFontRateAndPassesTheKind) {
    auto list = List({QStringLiteral("A1.DUX")});
    doc->m_bFontRateSet = false;
    doc->m_nFontRate = 0;
    CRepProjectA a(Env(), list.get());
    ASSERT_TRUE(a.ExportWord(QStringLiteral(" out.docx ")));
    EXPECT_EQ(word.projectKinds, std::vector<int>{0});
    EXPECT_EQ(word.paths.last(), QStringLiteral("out.docx"));
    EXPECT_GE(doc->m_PrintSettings.m_fFontRate, 5.0f); // fitted
    CRepProjectB b(Env(), list.get());
    ASSERT_TRUE(b.ExportWord(QString()));
    EXPECT_EQ(word.projectKinds, (std::vector<int>{0, 1}));
}

} // namespace pit::test
