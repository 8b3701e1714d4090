// Written documents as LibreOffice lays them out: pages, page numbers, the
// curve document on one page, typed texts beside the printed pages. All
// documents of this binary are written first and converted by one
// LibreOffice run.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "office/CurveDocument.h"
#include "office/OfficeWordExport.h"
#include "reports/PrintJob.h"
#include "reports/RepProjectB.h"
#include "reports/RepSingle.h"
#include "tests/office/OfficeTestUtil.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

using namespace pit;
using namespace pit::test;

namespace {

struct Rendered {
    std::unique_ptr<QTemporaryDir> dir;
    std::map<QString, QString> paths;   // name → document
    std::map<QString, PdfText> pdfs;    // document → its PDF text
    std::map<QString, QString> printed; // name → the text of its printed pages
    std::map<QString, QString> errors;

    const PdfText& Pdf(const QString& name) { return pdfs[paths[name]]; }
};

Rendered& Docs() {
    static Rendered r;
    return r;
}

// The fonts and a context that asks nothing, for the writers below.
struct QuietRun {
    ScriptedMessageSink sink;
    AppContext ctx;
    QuietRun() {
        RegisterFontSubstitutions();
        ctx.interactive = false;
        ctx.messages = &sink;
    }
};

// A document on dir and n piles saved by the program in dir/sub, named
// prefix1 to prefixn; the first one open.
struct SavedProject : QuietRun {
    CKEV_DUXDoc doc;
    std::vector<QString> files, names;
    bool opened = false;

    // typed: what the user typed into pile k (from 1).
    SavedProject(const QString& dir, const QString& sub, const QString& prefix, int n,
                 const std::function<void(int, DuxAnalysis&)>& typed = {})
        : doc(ctx, CKEV_DUXDoc::Files{dir + QStringLiteral("/DuxConfig.xml"),
                                      dir + QStringLiteral("/VADUZI_PROINFO.ini")}) {
        doc.SetWriteSettingsOnClose(false);
        const QString folder = dir + u'/' + sub;
        QDir().mkpath(folder);
        for (int k = 1; k <= n; ++k) {
            names.push_back(prefix + QString::number(k));
            DuxAnalysis a = SavedPile(names.back());
            if (typed)
                typed(k, a);
            files.push_back(DuxBuilder::paramBlock("VADUZI", 1042)
                                .channels(2, 1024)
                                .analysis(a)
                                .writeTo(folder, names.back() + QStringLiteral(".DUX")));
        }
        opened = doc.OnOpenDocument(files.front());
    }
    ReportEnv Env(WordExport* writer) {
        ReportEnv env;
        env.doc = &doc;
        env.word = writer;
        return env;
    }
};

// Three template pages after next-page section breaks, numbered "page k of 3"
// (or from first on, "page k of first + 2").
bool WriteNumberedPages(CWordOffice& office, bool english, const QString& path, int first = 1) {
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
    s.m_bLanguage = english;
    s.m_nstpage = first;
    return office.WritePageFooter(s, 3) && office.SaveDocumentAs(path);
}

// A pile of 14 blows and their average: 8 rows of 2 columns of curves.
bool WriteCurveDocument(CWordOffice& office, const QString& dir, const QString& path) {
    QuietRun run;
    DuxAnalysis a = SavedPile(QStringLiteral("ZK6"));
    a.channels.assign(14, a.channels[0]);
    for (int k = 0; k < 14; ++k)
        a.channels[size_t(k)].samples = Pulse(1.0f + 0.05f * float(k));
    a.current = 14;
    const QString file = DuxBuilder::paramBlock("VADUZI", 1042)
                             .channels(14, 1024)
                             .analysis(a)
                             .writeTo(dir, QStringLiteral("ZK6.DUX"));
    CPileRecord pile;
    if (!pile.ReadFile(file) || pile.ChannelCountInList() != 15)
        return false;
    OfficeWordExport writer(&run.ctx, nullptr, &office);
    return ExportCurveDocument(pile, 2, writer, dir, path);
}

// A summary table of 30 piles.
bool WriteSummary(CWordOffice& office, const QString& path) {
    if (!office.NewDocument(office.TemplateFile(QStringLiteral("CountInfoReportA"))))
        return false;
    CWordOffice::CountInfoRows rows;
    for (int i = 1; i <= 30; ++i)
        rows.push_back({QString::number(i), QStringLiteral("ZK%1").arg(i), QStringLiteral("2024-01-02"),
                        QStringLiteral("2023-12-01"), QStringLiteral("12.50"), QStringLiteral("600"),
                        QStringLiteral("C30"), QStringLiteral("3800"), QStringLiteral("桩身完整"),
                        i % 3 ? QStringLiteral("I") : QStringLiteral("II"), QString()});
    CPrintSettings s;
    return office.WriteCountInfoReport(rows, QStringLiteral("示例工程"), s, 0) && office.SaveDocumentAs(path);
}

// Three piles of a project through the single-pile builder with a page
// header, page numbers "page k of 3" and a footer line below them.
bool WriteSinglePiles(CWordOffice& office, const QString& dir, const QString& path) {
    SavedProject p(dir, QStringLiteral("Bridge"), QStringLiteral("ZK"), 3);
    if (!p.opened)
        return false;
    CPrintSettings& s = p.doc.m_PrintSettings;
    s.m_bprpage = 1;
    s.m_npagefm = 4;
    s.m_bpagehead = 1;
    s.m_strphcon = QStringLiteral("低应变检测报告");
    s.m_bpagefoot = 1;
    s.m_strpfcon = QStringLiteral("检测单位：示例公司");
    OfficeWordExport writer(&p.ctx, nullptr, &office);
    CRepSingle builder(p.Env(&writer), &p.doc.m_PileRecord, nullptr);
    builder.SetPileFiles(p.files);
    return builder.ExportWord(path);
}

// The project report of n piles through its builder (style A or B), the
// settings given by arrange.
bool WriteProject(CWordOffice& office, const QString& dir, const QString& path, int n, bool styleB,
                  const std::function<void(CPrintSettings&)>& arrange) {
    SavedProject p(dir, QStringLiteral("Project"), QStringLiteral("P"), n);
    if (!p.opened)
        return false;
    p.doc.m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥");
    arrange(p.doc.m_PrintSettings);
    OfficeWordExport writer(&p.ctx, nullptr, &office);
    const ReportEnv env = p.Env(&writer);
    std::unique_ptr<CRepProjectA> b =
        styleB ? std::make_unique<CRepProjectB>(env, nullptr) : std::make_unique<CRepProjectA>(env, nullptr);
    b->SetPileFiles(p.files, p.names);
    return b->ExportWord(path);
}

// Texts as typed: the first pile's conclusion with a break, the second's of
// 3,000 characters, the project name with a break.
QString LongConclusion() {
    QString text;
    while (text.size() < 3000)
        text += QStringLiteral("距桩顶约3.90m缩径，");
    return text.left(3000);
}
void TypedTexts(int k, DuxAnalysis& a) {
    a.conclusion = k == 1 ? QStringLiteral("距桩顶约3.90m缩径\r\n第二行") : LongConclusion();
}

// The builder's pages through the print hosts' page loop into a PDF: its text.
QString PrintedText(CReportBuilder& builder, const CPrintSettings& s, const QString& pdf) {
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        CPrintInfo info;
        builder.SetPageRange(info);
        info.fromPage = info.minPage;
        info.toPage = info.maxPage;
        if (PrintPages(writer, builder, s, info, pdf) < 1)
            return {};
    }
    return toolOutput(QStringLiteral("pdftotext"),
                      {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

// The typed texts of two piles in the single-pile or the project report (5
// rows of 1 column with the title line and the integrity line), written and
// printed.
bool WriteTyped(CWordOffice& office, const QString& dir, const QString& path, bool single, QString& printed) {
    SavedProject p(dir, QStringLiteral("Typed"), QStringLiteral("T"), 2, TypedTexts);
    if (!p.opened)
        return false;
    p.doc.m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥\r\n二期");
    CPrintSettings& s = p.doc.m_PrintSettings;
    s.m_nRow = 5;
    s.m_nColumn = 1;
    s.m_bHeadInfo[9] = 1;
    s.m_bQualityAssess = 1;
    OfficeWordExport writer(&p.ctx, nullptr, &office);
    const ReportEnv env = p.Env(&writer);
    const auto make = [&]() -> std::unique_ptr<CReportBuilder> {
        if (single) {
            auto b = std::make_unique<CRepSingle>(env, &p.doc.m_PileRecord, nullptr);
            b->SetPileFiles(p.files);
            return b;
        }
        auto b = std::make_unique<CRepProjectA>(env, nullptr);
        b->SetPileFiles(p.files, p.names);
        return b;
    };
    if (!make()->ExportWord(path))
        return false;
    printed = PrintedText(*make(), s, path + QStringLiteral(".printed.pdf"));
    return !printed.isEmpty();
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
        make(QStringLiteral("pagesFrom5"),
             [&](const QString& p) { return WriteNumberedPages(office, false, p, 5); });
        make(QStringLiteral("curve"),
             [&](const QString& p) { return WriteCurveDocument(office, r.dir->path(), p); });
        make(QStringLiteral("single"),
             [&](const QString& p) { return WriteSinglePiles(office, r.dir->path(), p); });
        // The project reports: name, folder, piles, style B, settings.
        struct ProjectDoc {
            const char *name, *folder;
            int piles;
            bool styleB;
            std::function<void(CPrintSettings&)> arrange;
        };
        const ProjectDoc projects[] = {
            {"project23", "a", 23, false,
             [](CPrintSettings& s) {
                 s.m_nRow = 5;
                 s.m_nColumn = 2;
                 s.m_bHeadInfo[9] = 1;
                 s.m_bprpage = 1;
                 s.m_npagefm = 4;
             }},
            {"project10x2", "d", 20, false,
             [](CPrintSettings& s) {
                 s.m_nRow = 10;
                 s.m_nColumn = 2;
                 s.m_bSpectrum = 1;
                 s.m_bQualityAssess = 1;
                 s.m_fFontRate = 14;
             }},
            {"projectEn", "b", 7, false,
             [](CPrintSettings& s) {
                 s.m_bLanguage = 1;
                 s.m_nRow = 3;
                 s.m_nColumn = 2;
                 s.m_bSpectrum = 1;
             }},
            {"projectB", "c", 7, true,
             [](CPrintSettings& s) {
                 s.m_nRow = 4;
                 s.m_nColumn = 2;
             }},
        };
        for (const ProjectDoc& d : projects)
            make(QString::fromLatin1(d.name), [&](const QString& p) {
                return WriteProject(office, r.dir->filePath(QString::fromLatin1(d.folder)), p, d.piles,
                                    d.styleB, d.arrange);
            });
        make(QStringLiteral("summary"), [&](const QString& p) { return WriteSummary(office, p); });
        for (const bool single : {true, false}) {
            const QString name = single ? QStringLiteral("typedSingle") : QStringLiteral("typedProject");
            make(name, [&](const QString& p) {
                return WriteTyped(office, r.dir->filePath(name), p, single, r.printed[name]);
            });
        }
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

// Numbers from 5: the total is the number of the last page as laid out.
TEST(WordRender, PageTotalFromAnotherFirstNumber) {
    ExpectWritten(QStringLiteral("pagesFrom5"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("pagesFrom5"));
    ASSERT_EQ(pdf.pageTexts.size(), 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(Squeezed(pdf.pageTexts[k]).contains(QStringLiteral("第%1页共7页").arg(5 + k)))
            << pdf.pageTexts[k].toStdString();
}

TEST(WordRender, FifteenChannelsFitOnePage) {
    ExpectWritten(QStringLiteral("curve"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("curve"));
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(Squeezed(pdf.pageTexts.value(0)).contains(QStringLiteral("桩号:ZK6")));
    EXPECT_TRUE(Squeezed(pdf.pageTexts.value(0)).contains(QStringLiteral("描述:桩身完整")));
}

} // namespace

namespace {

TEST(WordRender, SummaryTableWithClassCounts) {
    ExpectWritten(QStringLiteral("summary"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("summary"));
    ASSERT_GE(pdf.pages, 1);
    const QString all = Squeezed(pdf.pageTexts.join(QString()));
    EXPECT_TRUE(all.contains(QStringLiteral("工程名称：示例工程")));
    EXPECT_TRUE(all.contains(QStringLiteral("ZK30")));
    EXPECT_TRUE(all.contains(QStringLiteral("II类桩10根，占所测桩数的33.3%")));
}

} // namespace

namespace {

TEST(WordRender, SinglePileReportOnePagePerPile) {
    ExpectWritten(QStringLiteral("single"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("single"));
    ASSERT_EQ(pdf.pages, 3);
    for (int k = 1; k <= 3; ++k) {
        const QString text = Squeezed(pdf.pageTexts.value(k - 1));
        EXPECT_TRUE(text.contains(QStringLiteral("第%1页共3页").arg(k))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("ZK%1").arg(k))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("测试结果:桩身完整"))) << text.toStdString();
        // The header and both footer lines on the pile's own page.
        EXPECT_TRUE(text.contains(QStringLiteral("低应变检测报告"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("检测单位：示例公司"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("提交报告时间"))) << text.toStdString();
    }
}

} // namespace

namespace {

TEST(WordRender, ProjectReportPagesWithHeadingAndNumbers) {
    ExpectWritten(QStringLiteral("project23"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("project23"));
    ASSERT_EQ(pdf.pages, 3);
    for (int k = 1; k <= 3; ++k) {
        const QString text = Squeezed(pdf.pageTexts.value(k - 1));
        EXPECT_TRUE(text.startsWith(QStringLiteral("工程名称：滨江大桥"))) << text.left(40).toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("第%1页共3页").arg(k))) << text.toStdString();
    }
    EXPECT_TRUE(Squeezed(pdf.pageTexts.value(2)).contains(QStringLiteral("桩号:P23")));
}

// Twenty piles with their spectra at 10 x 2 keep to one page, each with its
// fields, six read-outs and integrity line.
TEST(WordRender, TwentyPilesWithSpectraOnOnePage) {
    ExpectWritten(QStringLiteral("project10x2"));
    const PdfText& pdf = Docs().Pdf(QStringLiteral("project10x2"));
    EXPECT_EQ(pdf.pages, 1);
    const QString text = Squeezed(pdf.pageTexts.value(0));
    EXPECT_EQ(text.count(QStringLiteral("FAMax:")), 20) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("完整性评价:")), 20);
    EXPECT_TRUE(text.contains(QStringLiteral("桩号:P20")));
}

// Without a window: 7 piles, 3 x 2 a page (English, with the spectrum) and
// the ZEZ style at one pile a row, 4 a page.
TEST(WordRender, ProjectReportPageCounts) {
    for (const auto& [name, pages] : {std::pair{"projectEn", 2}, std::pair{"projectB", 2}}) {
        SCOPED_TRACE(name);
        ExpectWritten(QString::fromLatin1(name));
        EXPECT_EQ(Docs().Pdf(QString::fromLatin1(name)).pages, pages);
    }
    EXPECT_TRUE(Squeezed(Docs().Pdf(QStringLiteral("projectEn")).pageTexts.value(0))
                    .contains(QStringLiteral("ID:P1")));
}

} // namespace

namespace {

// A document's text as laid out and its printed pages' text.
std::array<QString, 2> WordAndPrinted(const QString& name) {
    ExpectWritten(name);
    return {Docs().Pdf(name).pageTexts.join(u'\n'), Docs().printed[name]};
}

// The lines of a page's text that hold what.
QStringList LinesWith(const QString& text, const QString& what) {
    QStringList out;
    for (const QString& line : text.split(u'\n'))
        if (Squeezed(line).contains(what))
            out << Squeezed(line);
    return out;
}

// A conclusion typed with a break and one of 3,000 characters, as the
// document shows them laid out and as the page prints them: in the project
// cell one line each (the long one cut), the title on one line; the single
// page's conclusion box keeps the break, its project name does not.
TEST(WordRender, TypedTextsAsThePrintedPageShowsThem) {
    const QString broken = QStringLiteral("距桩顶约3.90m缩径第二行");
    {
        SCOPED_TRACE("project");
        const auto [word, printed] = WordAndPrinted(QStringLiteral("typedProject"));
        for (const QString& text : {word, printed}) {
            EXPECT_EQ(LinesWith(text, QStringLiteral("完整性评价:") + broken).size(), 1)
                << text.toStdString();
            EXPECT_EQ(LinesWith(text, QStringLiteral("滨江大桥二期")).size(), 1) << text.toStdString();
            // The long one cut on its line: some of its 250 sentences, not all.
            const int shown = int(text.count(QStringLiteral("距桩顶约")));
            EXPECT_GT(shown, 3) << text.toStdString();
            EXPECT_LT(shown, 30) << text.toStdString();
        }
        const QStringList cut = LinesWith(word, QStringLiteral("完整性评价:距桩顶约3.90m缩径，"));
        ASSERT_EQ(cut.size(), 1) << word.toStdString();
        EXPECT_TRUE(cut[0].endsWith(QStringLiteral("..."))) << cut[0].toStdString();
    }
    {
        SCOPED_TRACE("single");
        for (const QString& text : WordAndPrinted(QStringLiteral("typedSingle"))) {
            EXPECT_FALSE(LinesWith(text, QStringLiteral("滨江大桥二期")).isEmpty()) << text.toStdString();
            const QStringList description = LinesWith(text, QStringLiteral("缺陷描述:距桩顶约3.90m缩径"));
            ASSERT_FALSE(description.isEmpty()) << text.toStdString();
            EXPECT_FALSE(description[0].contains(QStringLiteral("第二行"))) << text.toStdString();
            EXPECT_FALSE(LinesWith(text, QStringLiteral("第二行")).isEmpty()) << text.toStdString();
        }
    }
}

} // namespace
