// End to end: the analysis view's project runner with the program's report
// builders prints seven blow files of a project, five to a page, into a PDF
// file read back by poppler.
#include "analysis/AnalysisView.h"
#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/FontSetup.h"
#include "reports/ReportFactory.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/reports/ReportFixture.h"

#include <QApplication>
#include <QRegularExpression>

namespace pit::test {
namespace {

struct ProjectReportPrintTest : ReportFixture {
    CAnalysisView view;
    A4PdfPrintUi printUi;
    std::unique_ptr<ReportFactory> factory;
    std::unique_ptr<ListRows> list;

    void SetUp() override {
        ReportFixture::SetUp();
        // Seven blow files, the even-numbered ones saved with an analysis block.
        const QStringList names = WriteProjectPiles(folder, "A-RIRADAD");
        Open(folder + QStringLiteral("/B2.DUX"));
        list = List(names);
        for (int i = 0; i < kPrintPiles.size(); ++i)
            list->SetItemText(i, 2, kPrintPiles[i]);
        doc->m_PrintSettings.m_nRow = 5;
        doc->m_PrintSettings.m_nColumn = 1;
        doc->m_PrintSettings.m_bHeadInfo[9] = 1; // the project title above each page's first cell
        printUi.path = tmp.filePath(QStringLiteral("project.pdf"));
        factory = std::make_unique<ReportFactory>(doc.get(), nullptr, nullptr, CAnalysisView::kPrintDpi);
        view.SetDocument(doc.get());
        view.OnInitialUpdate();
        view.SetReportFactory(factory.get());
        view.SetPrintUi(&printUi);
    }
    QString Text() const { return PdfText(printUi.path); }
};

} // namespace

TEST_F(ProjectReportPrintTest, SevenPilesOnTwoPagesInListOrder) {
    view.RunProjectReport(*list, CAnalysisView::kPrint, false, nullptr, true);
    const QString info = pit::test::toolOutput(QStringLiteral("pdfinfo"), {printUi.path});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
    const QString text = Text();
    qsizetype at = -1;
    for (const QString& pile : kPrintPiles) {
        const qsizetype next = text.indexOf(pile, at + 1);
        EXPECT_GT(next, at) << pile.toStdString() << "\n" << text.toStdString();
        at = next;
    }

    // The title line sits above the first cell's row on each page.
    const QString boxes = PdfText(printUi.path, {QStringLiteral("-bbox")});
    const QStringList pages = boxes.split(QStringLiteral("<page "), Qt::SkipEmptyParts).mid(1);
    ASSERT_EQ(pages.size(), 2);
    const QRegularExpression word(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" "
                                                 "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (const QString& page : pages) {
        double titleBottom = -1, firstRowTop = -1;
        for (const QRegularExpressionMatch& m : word.globalMatch(page)) {
            if (titleBottom < 0 && m.captured(3).startsWith(QStringLiteral("工程名称:")))
                titleBottom = m.captured(2).toDouble();
            if (firstRowTop < 0 && m.captured(3).startsWith(QStringLiteral("桩号:")))
                firstRowTop = m.captured(1).toDouble();
        }
        ASSERT_GT(titleBottom, 0) << page.left(800).toStdString();
        EXPECT_TRUE(page.contains(QStringLiteral("工程名称:滨江大桥")));
        ASSERT_GT(firstRowTop, 0);
        EXPECT_LE(titleBottom, firstRowTop + 0.5);
    }
}

TEST_F(ProjectReportPrintTest, StaticEnglishFormat) {
    view.RunProjectReport(*list, CAnalysisView::kPrint, false, nullptr, false);
    const QString text = Text();
    EXPECT_EQ(text.count(QStringLiteral("SZPI:")), 7) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("KEV-TIMBO")), 7);
}

} // namespace pit::test
