// End to end: the analysis view's single-pile runner with the program's
// report builders prints one A4 page into a PDF file, read back by poppler
// (pdfinfo, pdftotext with word boxes).
#include "analysis/AnalysisView.h"
#include "analysis/PrintUi.h"
#include "core/wave/WaveRecord.h"
#include "platform/FontSetup.h"
#include "reports/ReportFactory.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/analysis/ViewFixture.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace pit::test {
namespace {

struct SingleReportPrintTest : ViewFixture {
    CAnalysisView view;
    A4PdfPrintUi printUi;
    std::unique_ptr<ReportFactory> factory;

    void SetUp() override {
        ViewFixture::SetUp();
        RegisterFontSubstitutions();
        LoadThreeBlows();
        printUi.path = tmp.filePath(QStringLiteral("single.pdf"));
        factory = std::make_unique<ReportFactory>(doc.get(), nullptr, nullptr, CAnalysisView::kPrintDpi);
        view.SetReportFactory(factory.get());
        view.SetPrintUi(&printUi);
        Attach(view);
    }
};

} // namespace

TEST_F(SingleReportPrintTest, OnePageOfTheShownPileIntoAPdf) {
    CPileRecord& pile = doc->m_PileRecord;
    CPrintSettings& s = doc->m_PrintSettings;
    s.m_bprpage = 1;
    s.m_npagefm = 3;
    CWaveRecord* shown = pile.CurrentChannel();
    shown->SetExpGain(6); // an unsaved edit the page leaves alone
    const QString path = pile.m_strPath;
    // A pile number of letters and digits, a project name of ideographs that
    // share their glyph with radicals: both read back as shown.
    pile.m_strPileNo = QStringLiteral("ZK6");
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral("大工桥基工程");

    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        s.m_bLanguage = language;
        view.RunSingleReport(pile, CAnalysisView::kPrint);
        EXPECT_EQ(printUi.resolution, 600);
        const QString info = pit::test::toolOutput(QStringLiteral("pdfinfo"), {printUi.path});
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
            << info.toStdString();
        EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
        const QString text = PdfText(printUi.path);
        const QString title = language ? QStringLiteral("Low Strain Pile Integrity Testing Report")
                                       : QStringLiteral("低应变反射波法单桩检测报告单");
        EXPECT_TRUE(text.contains(title)) << text.toStdString();
        EXPECT_TRUE(text.contains(language ? QStringLiteral("Project Name") : QStringLiteral("工程名称")));
        EXPECT_TRUE(text.contains(QStringLiteral("ZK6"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("大工桥基工程")));
        EXPECT_TRUE(text.contains(QStringLiteral("JGJ 106-2014")));
        EXPECT_TRUE(text.contains(language ? QStringLiteral("Page 1") : QStringLiteral("第1")))
            << text.toStdString();

        // The title is centred on the page body: (20 mm + (210 - 15) mm) / 2 from the left.
        const QString boxes = pit::test::toolOutput(
            QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), printUi.path, QStringLiteral("-")});
        const QString firstWord = title.section(u' ', 0, 0), lastWord = title.section(u' ', -1);
        auto box = [&boxes](const QString& word, int group) {
            const QRegularExpression re(
                QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>") +
                QRegularExpression::escape(word) + QStringLiteral("</word>"));
            const QRegularExpressionMatch m = re.match(boxes);
            return m.hasMatch() ? m.captured(group).toDouble() : -1000.0;
        };
        const double centrePt = (box(firstWord, 1) + box(lastWord, 2)) / 2;
        const double mmPerPt = 25.4 / 72;
        EXPECT_NEAR(centrePt * mmPerPt, 107.5, 1.0) << boxes.left(600).toStdString();
    }
    // The pile shown is as it was.
    EXPECT_EQ(pile.CurrentChannel(), shown);
    EXPECT_EQ(shown->GetExpGain(), 6);
    EXPECT_EQ(pile.m_strPath, path);
}

} // namespace pit::test
