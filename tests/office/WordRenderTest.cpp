// Written documents as LibreOffice lays them out: pages, page numbers, the
// curve document on one page. All documents of this binary are written first
// and converted by one LibreOffice run.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "tests/office/OfficeTestUtil.h"

using namespace pit;
using namespace pit::test;

namespace {

struct Rendered {
    std::unique_ptr<QTemporaryDir> dir;
    std::map<QString, QString> paths; // name → document
    std::map<QString, PdfText> pdfs;  // document → its PDF text
    std::map<QString, QString> errors;

    const PdfText& Pdf(const QString& name) { return pdfs[paths[name]]; }
};

Rendered& Docs() {
    static Rendered r;
    return r;
}

// Three template pages after next-page section breaks, numbered "page k of 3".
bool WriteNumberedPages(CWordOffice& office, bool english, const QString& path) {
    if (!office.NewDocument(office.TemplateFile(english ? QStringLiteral("SingleBoltReportE")
                                                        : QStringLiteral("SingleBoltReport"))))
        return false;
    WordDocument& doc = *office.Document();
    WordSelection& sel = doc.Selection();
    sel.WholeStory();
    const WordBodyCopy page = sel.CopyStory();
    for (int k = 0; k < 2; ++k) {
        sel.EndKey();
        sel.InsertSectionBreak();
        sel.EndKey();
        sel.Paste(page);
    }
    for (int k = 1; k <= 3; ++k)
        doc.Table(2 * k - 1).Cell(1, 4).Range().SetText(QStringLiteral("PILE-%1").arg(k));
    CPrintSettings s;
    s.m_bprpage = 1;
    s.m_npagefm = 4;
    office.SetEnglish(english);
    return office.WritePageFooter(s, 3) && office.SaveDocumentAs(path);
}

// 15 channels: 8 rows of 2 columns of pictures under the captions.
bool WriteCurveDocument(CWordOffice& office, const QString& dir, const QString& path) {
    if (!office.StartDocument(QString()))
        return false;
    int w = 0, h = 0;
    if (office.WriteCurvePileCaptions(8, 2, QStringLiteral("ZK6"), w, h, QStringLiteral("12.50"), 3800,
                                      QStringLiteral("II"), QStringLiteral("桩身完整")) != 2)
        return false;
    for (int k = 0; k < 15; ++k) {
        const QString pic = dir + QStringLiteral("/PRO-%1.emf").arg(k);
        // A wave picture of the cell's size; every other one a bitmap.
        WriteFile(pic, k % 2 ? MakeImage(w * 4 / 3, h * 4 / 3, "BMP", Qt::darkGreen)
                             : MakeEmf(int(w / 72.0 * 2540), int(h / 72.0 * 2540)));
        if (!office.InsertPicture(3 + k % 8, 1 + k / 8, float(w - 10), float(h - 10), pic))
            return false;
    }
    return office.SaveDocumentAs(path);
}

class RenderEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Rendered& r = Docs();
        r.dir = std::make_unique<QTemporaryDir>();
        CWordOffice office;
        office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
        const auto make = [&](const QString& name, const std::function<bool(const QString&)>& write) {
            const QString path = r.dir->filePath(name + QStringLiteral(".docx"));
            if (write(path))
                r.paths[name] = path;
            else
                r.errors[name] = office.ErrorText(true);
        };
        make(QStringLiteral("pagesZh"),
             [&](const QString& p) { return WriteNumberedPages(office, false, p); });
        make(QStringLiteral("pagesEn"),
             [&](const QString& p) { return WriteNumberedPages(office, true, p); });
        make(QStringLiteral("curve"),
             [&](const QString& p) { return WriteCurveDocument(office, r.dir->path(), p); });
        QStringList all;
        for (const auto& [name, path] : r.paths)
            all << path;
        r.pdfs = RenderToPdf(all);
    }
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new RenderEnvironment);

void ExpectWritten(const QString& name) {
    Rendered& r = Docs();
    ASSERT_TRUE(r.paths.count(name)) << r.errors[name].toStdString();
    EXPECT_TRUE(DocxProblems(r.paths[name]).isEmpty())
        << DocxProblems(r.paths[name]).join(u'\n').toStdString();
    ASSERT_TRUE(r.Pdf(name).error.isEmpty()) << r.Pdf(name).error.toStdString();
}

TEST(WordRender, SectionsArePagesNumberedOfTheTotal) {
    for (bool english : {false, true}) {
        const QString name = english ? QStringLiteral("pagesEn") : QStringLiteral("pagesZh");
        SCOPED_TRACE(name.toStdString());
        ExpectWritten(name);
        const PdfText& pdf = Docs().Pdf(name);
        ASSERT_EQ(pdf.pages, 3);
        ASSERT_EQ(pdf.pageTexts.size(), 3);
        for (int k = 1; k <= 3; ++k) {
            const QString text = pdf.pageTexts[k - 1];
            const QString number =
                english ? QStringLiteral("Page %1 Total 3").arg(k) : QStringLiteral("第%1页共3页").arg(k);
            EXPECT_TRUE(Squeezed(text).contains(Squeezed(number))) << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("PILE-%1").arg(k))) << text.toStdString();
        }
    }
}

TEST(WordRender, FifteenChannelsFitOnePage) {
    ExpectWritten(QStringLiteral("curve"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("curve"));
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(Squeezed(pdf.pageTexts.value(0)).contains(QStringLiteral("桩号:ZK6")));
}

} // namespace
