// End to end: report mode prints its checked rows in list order with the
// program's builders into PDF files read back by poppler, and leaves every
// pile file as it was.
#include "analysis/AnalysisView.h"
#include "reports/ReportFactory.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/reportmode/ReportModeFixture.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <map>

namespace pit::test {
namespace {

struct ReportPrint : ReportModeFixture {
    A4PdfPrintUi printUi;
    std::unique_ptr<ReportFactory> factory;

    std::map<QString, QByteArray> Files() const {
        std::map<QString, QByteArray> out;
        QDirIterator it(folder, {QStringLiteral("*.DUX")}, QDir::Files);
        while (it.hasNext()) {
            const QString p = it.next();
            out[p] = readFileBytes(p);
        }
        return out;
    }
    void Start(bool singlePile, const QString& open) {
        printUi.path = tmp.filePath(QStringLiteral("report.pdf"));
        Open(open);
        factory = std::make_unique<ReportFactory>(doc.get(), &services, nullptr, CAnalysisView::kPrintDpi);
        view = std::make_unique<CExportView>(doc.get(), &host);
        view->SetReportFactory(factory.get());
        view->SetPrintUi(&printUi);
        view->SetExportServices(&services);
        view->resize(1100, 700);
        view->OnInitialUpdate();
        view->ShowReportMode(singlePile);
    }
    QString Text() const { return PdfText(printUi.path); }
    QString Pages() const { return pit::test::toolOutput(QStringLiteral("pdfinfo"), {printUi.path}); }
};

} // namespace

TEST_F(ReportPrint, SinglePileReportsOfTheCheckedRowsInListOrder) {
    for (int i = 0; i < 4; ++i)
        WritePile(QStringLiteral("S%1.DUX").arg(i + 1), SavedPile(kPrintPiles[i]));
    const auto before = Files();
    Start(true, folder + QStringLiteral("/S1.DUX"));
    ASSERT_EQ(view->List()->GetItemCount(), 4);
    view->SelectRow(2); // S3, brought to the top
    view->OnMoveToTop();
    QAbstractItemModel* m = view->List()->model();
    m->setData(m->index(RowOf(QStringLiteral("S2.DUX")), 0), Qt::Unchecked, Qt::CheckStateRole);

    // Selecting a row saved the pile shown before; what is printed is compared from here.
    const auto saved = Files();
    ASSERT_TRUE(view->OnPrint());
    EXPECT_TRUE(Pages().contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))))
        << Pages().toStdString();
    const QString text = Text();
    const qsizetype a = text.indexOf(kPrintPiles[2]), b = text.indexOf(kPrintPiles[0]),
                    c = text.indexOf(kPrintPiles[3]);
    EXPECT_GE(a, 0) << text.toStdString();
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_FALSE(text.contains(kPrintPiles[1]));
    // The project name and the standard as the pages show them.
    EXPECT_EQ(text.count(QStringLiteral("滨江大桥")), 3) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("JGJ 106-2014")), 3);
    EXPECT_EQ(Files(), saved);
    EXPECT_EQ(before.size(), saved.size());
}

TEST_F(ReportPrint, ProjectReportOfSevenPilesOnTwoNumberedPages) {
    WriteProjectPiles(folder, "VADUZI");
    CPrintSettings& s = doc->m_PrintSettings;
    s.m_nRow = 5;
    s.m_nColumn = 1;
    s.m_bprpage = 1;
    s.m_npagefm = 4;
    s.m_nMaxPage = 0;
    s.m_nstpage = 1;
    s.m_bpagehead = 1;
    s.m_strphcon = QStringLiteral("Header A & B"); // printed as typed
    const auto before = Files();
    Start(false, folder + QStringLiteral("/B2.DUX"));
    ASSERT_EQ(view->List()->GetItemCount(), 7);
    ASSERT_EQ(s.m_nReportKind, 2);
    ASSERT_TRUE(view->OnPrint());
    EXPECT_TRUE(Pages().contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))))
        << Pages().toStdString();
    const QString text = Text();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("第2页\\s*共2页")))) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("Header A & B")), 2) << text.toStdString();
    // The saved piles' numbers (the blow files go by their file names).
    for (int i = 1; i < kPrintPiles.size(); i += 2)
        EXPECT_TRUE(text.contains(QStringLiteral("桩号:") + kPrintPiles[i])) << kPrintPiles[i].toStdString();
    EXPECT_EQ(Files(), before);
}

// The page pictures with no row checked: nothing is asked or written, and
// the user is told why, for both picture kinds.
TEST_F(ReportPrint, PagePicturesOfNoCheckedPileSaySo) {
    WriteProjectPiles(folder, "VADUZI");
    Start(false, folder + QStringLiteral("/B2.DUX"));
    QAbstractItemModel* m = view->List()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        m->setData(m->index(r, 0), Qt::Unchecked, Qt::CheckStateRole);
    for (int smooth : {0, 1}) {
        SCOPED_TRACE(smooth ? "bitmaps" : "metafiles");
        doc->m_CurveStyle.IsSmooth = smooth;
        services.messages.clear();
        services.answers.push_back(tmp.filePath(QStringLiteral("pages.emf")));
        view->OnExportPictures();
        EXPECT_EQ(services.messages, QStringList{QStringLiteral("没有勾选可读取的桩，没有写出图片。")});
        EXPECT_TRUE(services.asks.empty());
        services.answers.clear();
    }
    EXPECT_TRUE(QDir(tmp.path()).entryList({QStringLiteral("pages*")}).isEmpty());
}

} // namespace pit::test
