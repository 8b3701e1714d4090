// The analysis view: layout, spectrum marks, detail index, keys, view
// switches, and the print host with a stub report builder into PDF files.
#include "analysis/AnalysisView.h"
#include "analysis/PrintUi.h"
#include "controls/ListRows.h"
#include "core/doc/CommonInfo.h"
#include "core/draw/PhaseDraw.h"
#include "core/draw/SpectrumDraw.h"
#include "tests/analysis/ViewFixture.h"
#include "tests/reports/StubBuilder.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>

namespace pit::test {
namespace {

int PdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(
        QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

// Prints into PDF files of a temporary folder instead of showing dialogs.
struct PdfPrintUi : PrintUi {
    QString folder;
    bool cancel = false;
    int from = 0, to = 0; // 0: all pages
    QStringList files;
    QString next() {
        files << folder + QStringLiteral("/job%1.pdf").arg(files.size());
        return files.back();
    }
    bool ChoosePrinter(QPrinter& printer, CPrintInfo& info, QWidget*) override {
        if (cancel)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(next());
        if (from > 0) {
            info.fromPage = from;
            info.toPage = to;
        }
        return true;
    }
    void Preview(QPrinter& printer, const std::function<void(QPrinter*)>& render, QWidget*) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(next());
        render(&printer);
    }
};

struct StubFactory : ReportBuilderFactory {
    StubBuilder* last = nullptr;
    int pages = 3;
    std::unique_ptr<CReportBuilder> make() {
        auto b = std::make_unique<StubBuilder>();
        b->pages = pages;
        last = b.get();
        return b;
    }
    std::unique_ptr<CReportBuilder> CreateSingle(const CPileRecord&, const ListRows*) override {
        return make();
    }
    std::unique_ptr<CReportBuilder> CreateProject(const ListRows&, bool) override { return make(); }
    std::unique_ptr<CReportBuilder> CreateCountInfo(const ListRows&, int) override { return make(); }
    std::unique_ptr<CReportBuilder> CreateExcel(const ListRows&, int) override { return make(); }
};

// Pixels of the drawers' curve colour inside r.
int CurvePixels(const QImage& image, const gdi::Rect& r) {
    return countPixels(image, r.toQRect(), qRgb(0x32, 0x32, 0xC8));
}

struct AnalysisViewTest : ViewFixture {
    CAnalysisView view;
    StubFactory factory;
    PdfPrintUi printUi;

    void SetUp() override {
        ViewFixture::SetUp();
        LoadThreeBlows();
        doc->m_PileRecord.m_nCurrentChannel = 0;
        frame.viewMode = ViewMode::Analysis;
        printUi.folder = tmp.path();
        view.SetReportFactory(&factory);
        view.SetPrintUi(&printUi);
        Attach(view);
    }
    std::array<int32_t, 6>& Marks() { return doc->m_PileRecord.m_analysisValues; }
    int PileChanges() const {
        return int(std::count(frame.refreshes.begin(), frame.refreshes.end(), RefreshTarget::PileChanged));
    }
    // A point in the spectrum's plot at the given fraction of its width.
    QPoint InSpectrum(double fraction) const {
        const gdi::Rect& plot = view.Spectrum()->GetPlotRect();
        return QPoint(plot.left + int(plot.Width() * fraction), plot.top + plot.Height() / 2);
    }
};

} // namespace

TEST_F(AnalysisViewTest, WaveAboveSpectrumAndMarksTakenOnceFromANewSpectrum) {
    const int h = view.viewport()->height();
    EXPECT_NEAR(view.CurveRect().top, 2 * h / 3, 2);
    EXPECT_LE(view.WaveRect().bottom, view.CurveRect().top);
    ASSERT_NE(view.Spectrum(), nullptr);
    const float dt = doc->m_PileRecord.Channel(0)->GetSampleInterval();
    EXPECT_EQ(Marks()[0], int(1e6 / (2 * 8 * dt))); // range at the document's refinement 8
    EXPECT_GT(Marks()[1], 0);
    EXPECT_EQ(PileChanges(), 1);

    // Repaints change no mark and tell nobody.
    for (int i = 0; i < 3; ++i) {
        view.viewport()->repaint();
        Paint(view);
    }
    EXPECT_EQ(PileChanges(), 1);
    EXPECT_EQ(view.WaveIndexFromPoint(QPoint(view.CurveRect().left + 5, view.CurveRect().top + 5)), -1);
    EXPECT_GT(CurvePixels(Paint(view), view.CurveRect()), 100);
}

TEST_F(AnalysisViewTest, APileReadAgainGetsItsWaveLaidOutAndItsSpectrumAnew) {
    // A save reads the pile again: the spectrum drawn from the old channel
    // goes with it, and a click before the next paint finds the new wave.
    const gdi::Rect frameBefore = doc->m_PileRecord.Channel(0)->GetFrameRect();
    const QPoint between = AtSample(*doc->m_PileRecord.Channel(0), 200); // between head and toe
    const std::array<int32_t, 6> marks = Marks();
    ASSERT_TRUE(doc->m_PileRecord.ReloadFile());
    doc->m_PileRecord.m_nCurrentChannel = 0;
    Click(view, between);
    const CWaveRecord& w = *doc->m_PileRecord.Channel(0);
    EXPECT_EQ(w.GetFrameRect(), frameBefore);
    EXPECT_EQ(view.Spectrum(), nullptr);
    EXPECT_EQ(asker.asks.size(), 1u) << "the click marks the wave laid out anew";

    const QImage shot = Paint(view);
    ASSERT_NE(view.Spectrum(), nullptr);
    EXPECT_EQ(view.Spectrum()->Wave(), &w);
    EXPECT_GT(CurvePixels(shot, view.CurveRect()), 100);
    EXPECT_EQ(Marks()[0], marks[0]);
}

TEST_F(AnalysisViewTest, MouseOverTheSpectrumMovesItsReadout) {
    const QPoint p = InSpectrum(0.25);
    QTest::mouseMove(view.viewport(), ToViewport(view, p));
    view.OnMouseMove(p, Qt::NoModifier);
    Paint(view);
    EXPECT_EQ(view.Spectrum()->GetCursorPoint(), (gdi::Point{p.x(), p.y()}));
    const int bin = pit::dsp::SpectrumIndexAtX(p.x(), view.Spectrum()->GetPlotRect().left,
                                               view.Spectrum()->GetPlotRect().Width(),
                                               view.Spectrum()->Spectrum().shownBins());
    const int f = int(view.Spectrum()->Spectrum().frequencyHz(bin));
    EXPECT_EQ(view.Spectrum()->ReadoutLines()[1].trimmed(), QStringLiteral("F: %1Hz").arg(f));
}

TEST_F(AnalysisViewTest, PhaseModeDrawsThePhaseBelowTheWave) {
    view.OnViewPhase();
    const QImage image = Paint(view);
    ASSERT_NE(view.Phase(), nullptr);
    EXPECT_EQ(view.CurveRect().right, view.WaveRect().right);
    EXPECT_GT(CurvePixels(image, view.CurveRect()), 100);
}

TEST_F(AnalysisViewTest, ClicksInTheSpectrumMarkTheFieldEditedLast) {
    const int changes = PileChanges();
    frame.spectrumField = kSpectrumFieldPeak;
    Click(view, InSpectrum(0.25));
    const int f1 = view.Spectrum()->GetCursorFrequency();
    EXPECT_GT(f1, 0);
    EXPECT_EQ(Marks()[1], f1);
    EXPECT_EQ(view.Spectrum()->GetPeakFrequency(), float(f1));
    EXPECT_EQ(PileChanges(), changes + 1);

    frame.spectrumField = kSpectrumFieldBase;
    Click(view, InSpectrum(0.1));
    EXPECT_EQ(Marks()[2], view.Spectrum()->GetCursorFrequency());

    // A difference: armed by the left click, taken by the right click.
    frame.spectrumField = kSpectrumFieldDiff2;
    Click(view, InSpectrum(0.2));
    const int base = view.Spectrum()->GetCursorFrequency();
    Click(view, InSpectrum(0.6), Qt::RightButton);
    EXPECT_EQ(Marks()[4], view.Spectrum()->GetCursorFrequency() - base);
    EXPECT_GT(Marks()[4], 0);

    // Another field edited meanwhile: the right click disarms and marks nothing.
    frame.spectrumField = kSpectrumFieldDiff1;
    const auto before = Marks();
    Click(view, InSpectrum(0.8), Qt::RightButton);
    Click(view, InSpectrum(0.9), Qt::RightButton);
    EXPECT_EQ(Marks(), before);
}

TEST_F(AnalysisViewTest, ScrollBarStoresTheFirstVisibleSampleAndTheCountAtZoom) {
    CPileRecord& pile = doc->m_PileRecord;
    CWaveRecord& w = *pile.Channel(0);
    const gdi::Rect plot = w.GetPlotRect();
    const int N = w.SampleCount();
    ASSERT_EQ(N, 1024);
    ASSERT_GT(plot.Width(), 100);
    ASSERT_LT(plot.right + 50, CAnalysisView::kScrollRange);
    QScrollBar* bar = view.horizontalScrollBar();
    // The bar's position is a content x: the sample under it, truncated, is the first shown.
    struct Case {
        const char* name;
        int position;
        float zoom;
        int first, count;
    } cases[] = {
        {"LeftOfThePlot", plot.left - 1, 1.0f, 0, 1024},
        {"MiddleOfThePlot", plot.left + plot.Width() / 2, 2.5f,
         int((N - 1) * double(plot.Width() / 2) / plot.Width()), 409},
        {"QuarterAtZoomFour", plot.left + plot.Width() / 4, 4.0f,
         int((N - 1) * double(plot.Width() / 4) / plot.Width()), 256},
        {"PastThePlotsRightEdge", plot.right + 50, 3.0f, N - 1, 341},
        {"ZoomNotAFactor", plot.left + 10, 0.0f, int((N - 1) * 10.0 / plot.Width()), 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.zoom = c.zoom;
        pile.m_nFirstVisible = pile.m_nVisibleCount = -1;
        {
            const QSignalBlocker quiet(bar);
            bar->setValue(c.position == 0 ? 1 : 0);
        }
        bar->setValue(c.position);
        EXPECT_EQ(pile.m_nFirstVisible, c.first);
        EXPECT_EQ(pile.m_nVisibleCount, c.count);
    }
    // Without an open pile the bar only moves.
    doc->m_bFileOpen = false;
    pile.m_nFirstVisible = pile.m_nVisibleCount = -1;
    bar->setValue(plot.left + 20);
    EXPECT_EQ(pile.m_nFirstVisible, -1);
    EXPECT_EQ(pile.m_nVisibleCount, -1);
}

TEST_F(AnalysisViewTest, DetailIndexForSpectrumAndPhase) {
    std::vector<std::pair<int, int>> asked;
    std::optional<int> answer = 3;
    view.SetDetailIndexAsker([&](int mode, int value, QWidget*) {
        asked.push_back({mode, value});
        return answer;
    });
    view.OnSetDetailIndex(); // Ctrl+R is the main window's command 32902
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(1, 8));
    EXPECT_EQ(doc->m_nRefineIndex, 3);
    Paint(view);
    EXPECT_EQ(view.Spectrum()->GetRefine(), 2);

    view.OnViewPhase();
    Paint(view);
    ASSERT_NE(view.Phase(), nullptr);
    answer = std::nullopt;
    view.OnSetDetailIndex();
    EXPECT_EQ(asked.back(), std::make_pair(2, 1));
    EXPECT_EQ(doc->m_nPhaseRefineIndex, 1); // cancelled
    answer = 99;
    view.OnSetDetailIndex();
    Paint(view);
    EXPECT_EQ(view.Phase()->GetRefine(), CPhase::kMaxFactor);

    EXPECT_EQ(CAnalysisView::DetailIndexText(3, true), QStringLiteral("Set Dis Points(CTrl+R)"));
    EXPECT_EQ(CAnalysisView::DetailIndexText(2, false), QStringLiteral("细化指数设置(CTrl+R)"));
}

TEST_F(AnalysisViewTest, EscapeClearsTheMarkingFlag) {
    CWaveRecord* w = doc->m_PileRecord.Channel(0);
    w->SetFlagA(1);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(w->flagA, 0);
    EXPECT_FALSE(view.BackgroundDrawn());
}

TEST_F(AnalysisViewTest, SpectrumCommandPressedTwiceGoesBack) {
    frame.viewMode = ViewMode::Main;
    view.OnViewPhase();
    view.OnViewSpectrum();
    EXPECT_EQ(frame.viewMode, ViewMode::Analysis);
    EXPECT_EQ(frame.previousViewMode, ViewMode::Main);
    EXPECT_EQ(view.GetMode(), CAnalysisView::kSpectrum);
    view.OnViewSpectrum();
    EXPECT_EQ(frame.switches, std::vector<ViewMode>{ViewMode::Main});
    frame.previousViewMode = ViewMode::SingleWave;
    view.OnViewSpectrum();
    EXPECT_EQ(frame.switches.back(), ViewMode::SingleWave);
}

TEST_F(AnalysisViewTest, SingleReportPrintsAndPreviewsWithoutTouchingThePile) {
    CPileRecord& pile = doc->m_PileRecord;
    Marks()[2] = 77; // an unsaved edit
    const QString path = pile.m_strPath;
    doc->m_PrintSettings.m_nReportKind = 0;
    doc->m_PrintSettings.m_bprpage = 1;

    view.RunSingleReport(pile, CAnalysisView::kPrint);
    ASSERT_EQ(printUi.files.size(), 1);
    EXPECT_EQ(PdfPageCount(printUi.files[0]), 3);
    EXPECT_EQ(factory.last->calls.first(), QStringLiteral("update"));
    EXPECT_EQ(doc->m_PrintSettings.m_nReportKind, 1);
    EXPECT_EQ(Marks()[2], 77);
    EXPECT_EQ(pile.m_strPath, path);

    printUi.from = 2;
    printUi.to = 3;
    view.RunSingleReport(pile, CAnalysisView::kPrint);
    EXPECT_EQ(PdfPageCount(printUi.files[1]), 2);
    EXPECT_EQ(factory.last->printed, (std::vector<int>{2, 3}));

    factory.pages = 5;
    view.RunSingleReport(pile, CAnalysisView::kPreview);
    ASSERT_EQ(printUi.files.size(), 3);
    EXPECT_EQ(PdfPageCount(printUi.files[2]), 5);

    printUi.cancel = true;
    EXPECT_FALSE(view.OnFilePrint());
    EXPECT_EQ(printUi.files.size(), 3);

    view.RunSingleReport(pile, CAnalysisView::kWord);
    EXPECT_EQ(factory.last->calls, (QStringList{QStringLiteral("update"), QStringLiteral("word:")}));
    view.RunSingleReport(pile, CAnalysisView::kEmf);
    EXPECT_EQ(factory.last->calls.last(), QStringLiteral("emf"));
}

TEST_F(AnalysisViewTest, OtherRunnersCallTheBuilderInOrder) {
    ListRows list;
    CCommonInfo common;
    view.RunProjectReport(list, CAnalysisView::kWord, true, &common, true);
    EXPECT_EQ(factory.last->calls,
              (QStringList{QStringLiteral("common:1:1"), QStringLiteral("update"), QStringLiteral("word:")}));
    view.RunCountReport(list, 2, false, nullptr);
    EXPECT_EQ(factory.last->calls,
              (QStringList{QStringLiteral("common:0:0"), QStringLiteral("update"), QStringLiteral("word:")}));
    doc->m_nDecimalPointNum = 3;
    view.ExportExcelReport(list, 1);
    EXPECT_EQ(factory.last->calls,
              (QStringList{QStringLiteral("decimals:3"), QStringLiteral("update"), QStringLiteral("excel")}));
    const QImage picture = view.DrawSingleReportPreview(doc->m_PileRecord, gdi::Rect(0, 0, 300, 200));
    EXPECT_EQ(picture.size(), QSize(300, 200));
    EXPECT_EQ(factory.last->calls, (QStringList{QStringLiteral("picture:1"), QStringLiteral("bitmap"),
                                                QStringLiteral("picture:0")}));
}

TEST_F(AnalysisViewTest, BitmapFileIsA24BitBottomUpBmp) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(10, 20, 30)); // top left
    image.setPixel(2, 1, qRgb(40, 50, 60)); // bottom right
    const QString path = tmp.filePath(QStringLiteral("p.bmp"));
    ASSERT_TRUE(CAnalysisView::SaveBitmapToFile(image, path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    ASSERT_EQ(b.size(), 54 + 2 * 12); // rows of 9 bytes padded to 12
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(uchar(b[2]), 78);
    EXPECT_EQ(uchar(b[10]), 54);
    EXPECT_EQ(uchar(b[28]), 24);
    // First stored row is the bottom one: its last pixel in BGR order.
    EXPECT_EQ(b.mid(54 + 6, 3), QByteArray("\x3C\x32\x28", 3));
    EXPECT_EQ(b.mid(54 + 12, 3), QByteArray("\x1E\x14\x0A", 3));
    EXPECT_EQ(QImage(path).pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_FALSE(CAnalysisView::SaveBitmapToFile(image, tmp.filePath(QStringLiteral("no/such/dir/p.bmp"))));
}

} // namespace pit::test
