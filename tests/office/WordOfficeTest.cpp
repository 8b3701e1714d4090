// CWordOffice: page setup, header and footer, saving, measuring, and the
// current-state curve document's pile table.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "tests/office/OfficeTestUtil.h"

#include <QJsonArray>
#include <cmath>

using namespace pit;
using namespace pit::test;

namespace {

class WordOfficeTest : public ::testing::Test {
protected:
    void SetUp() override { office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR)); }
    QString Out(const QString& name) { return dir.filePath(name); }
    // Blank with another line pitch (twips), as a template of our own.
    QString BlankWithPitch(int pitch) {
        OoxmlPackage pkg = OoxmlPackage::FromFile(TemplateFile(QStringLiteral("Blank")));
        QByteArray xml = pkg.Part(QStringLiteral("word/document.xml"));
        xml.replace("w:linePitch=\"312\"", "w:linePitch=\"" + QByteArray::number(pitch) + "\"");
        pkg.SetPart(QStringLiteral("word/document.xml"), xml);
        const QString path = Out(QStringLiteral("pitch%1.dotx").arg(pitch));
        WriteFile(path, pkg.ToZip());
        return path;
    }
    QJsonObject SaveAndReadSection(const QString& name) {
        const QString path = Out(name);
        EXPECT_TRUE(office.SaveDocumentAs(path)) << office.ErrorText(true).toStdString();
        EXPECT_TRUE(DocxProblems(path).isEmpty()) << DocxProblems(path).join(u'\n').toStdString();
        return ReadDocx(path)[QStringLiteral("sections")][0].toObject();
    }
    CWordOffice office;
    QTemporaryDir dir;
};

TEST(WordOfficeStatic, PageNumberTextsInBothLanguages) {
    struct Case {
        int style;
        const char *zhBefore, *zhAfter, *enBefore, *enAfter;
    };
    const Case cases[] = {
        {0, " ", " ", " ", " "},      {1, ".", ".", ".", "."},      {2, "-", "-", "-", "-"},
        {3, "第", "页", "Page ", ""}, {4, "第", "页", "Page ", ""}, {9, " ", " ", " ", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(CWordOffice::FormatPageNo(c.style, false, false), QString::fromUtf8(c.zhBefore));
        EXPECT_EQ(CWordOffice::FormatPageNo(c.style, true, false), QString::fromUtf8(c.zhAfter));
        EXPECT_EQ(CWordOffice::FormatPageNo(c.style, false, true), QString::fromUtf8(c.enBefore));
        EXPECT_EQ(CWordOffice::FormatPageNo(c.style, true, true), QString::fromUtf8(c.enAfter));
    }
}

TEST(WordOfficeStatic, HeaderFooterSizesFromTheWholeTable) {
    const std::pair<int, double> cases[] = {{0, 8},     {4, 12}, {15, 72}, {16, 42},
                                            {18, 10.5}, {22, 5}, {23, 12}, {-1, 12}};
    for (auto [index, points] : cases)
        EXPECT_EQ(CWordOffice::HeaderFooterPoints(index), points) << index;
}

TEST(WordOfficeStatic, ColumnWidthsShareTheMeasuredWidths) {
    CWordOffice office;
    office.SetMeasurer([](const QString& s) { return int(s.size()) * 10; });
    QString texts[12];
    int flags[12] = {};
    for (int i = 0; i < 12; ++i)
        texts[i] = QString(i + 1, u'x');
    // Eight shown fields: 0, 2, 3, 4, 5, 6, 8, 11; the 7th and 8th share columns 1 and 2.
    for (int i : {0, 2, 3, 4, 5, 6, 8, 11})
        flags[i] = 1;
    float fractions[6];
    int indices[12];
    office.MeasureColumnWidths(texts, flags, fractions, indices);
    const int expectIdx[12] = {0, 2, 3, 4, 5, 6, 8, 11, -1, -1, -1, -1};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(indices[i], expectIdx[i]) << i;
    // Widths: max(1, 9), max(3, 12), 4, 5, 6, 7 characters.
    const double w[6] = {9, 12, 4, 5, 6, 7};
    for (int j = 0; j < 6; ++j)
        EXPECT_NEAR(fractions[j], w[j] / 43.0, 1e-6) << j;

    // No text at all: equal shares rather than a division by zero.
    int two[12] = {1, 1};
    QString empty[12];
    office.MeasureColumnWidths(empty, two, fractions, indices);
    EXPECT_FLOAT_EQ(fractions[0], 0.5f);
    EXPECT_FLOAT_EQ(fractions[1], 0.5f);
}

// A text wider than its cell is cut with dots where it fits; a character is
// never cut in two. Each character one point at size 1.
TEST(WordOfficeStatic, TextsCutToTheirWidth) {
    CWordOffice office;
    office.SetMeasurer([](const QString& s) { return int(s.size()) * 100; });
    struct Case {
        const char16_t* text;
        double width;
        const char16_t* shown;
    };
    const Case cases[] = {
        {u"abcdef", 60, u"abcdef"}, {u"abcdefgh", 60, u"abc..."}, {u"ab cdefgh", 60, u"ab..."},
        {u"a😀bcdefg", 50, u"a..."}, {u"abcdefgh", 20, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(office.CutToWidth(QString::fromUtf16(c.text), 10, c.width), QString::fromUtf16(c.shown))
            << QString::fromUtf16(c.text).toStdString() << " in " << c.width;
    // A conclusion of thousands of characters.
    const QString conclusion(3000, u'x');
    EXPECT_EQ(office.CutToWidth(conclusion, 5, 400), QString(77, u'x') + QStringLiteral("..."));
}

// Blank: A4, margins 72/72/90/90 pt, line pitch 15.6 pt, so 44 lines a page.
TEST_F(WordOfficeTest, PageSetupNumbersOfTheBlankPage) {
    ASSERT_TRUE(office.StartDocument(QString())) << office.ErrorText(true).toStdString();
    const double body = 841.9 - 144 - 10;
    EXPECT_NEAR(office.m_fPageWidth, 595.3 - 180, 0.01);
    EXPECT_NEAR(office.m_fPageHeight, body / 44 * 43, 0.01);
    EXPECT_FLOAT_EQ(office.m_fLineSpacing, 12);
    EXPECT_FLOAT_EQ(office.m_fCharsLine, 39);
    ASSERT_TRUE(office.ReadPageSetup(true));
    EXPECT_NEAR(office.m_fPageHeight, body / 44 * 40, 0.01);
}

// Too few lines to reserve any: the page keeps its height instead of none
// (or an infinite one with no lines at all).
TEST_F(WordOfficeTest, PageSetupGuardsFewLines) {
    const double body = 841.9 - 144 - 10;
    struct Case {
        int pitch;
        bool reserveFour;
        double height;
    };
    const Case cases[] = {
        {3200, true, body}, {3200, false, body / 4 * 3}, {16000, false, body}, {16000, true, body}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pitch);
        ASSERT_TRUE(office.NewDocument(BlankWithPitch(c.pitch)));
        ASSERT_TRUE(office.ReadPageSetup(c.reserveFour));
        EXPECT_NEAR(office.m_fPageHeight, c.height, 0.01);
        EXPECT_TRUE(std::isfinite(office.m_fPageHeight));
    }
}

TEST_F(WordOfficeTest, AppliedMarginsInTwips) {
    ASSERT_TRUE(office.NewDocument(office.TemplateFile(QStringLiteral("ProjectReport"))));
    CPrintSettings s;
    s.m_nmarginup = 20;
    s.m_nmargindown = 15;
    s.m_nmarginleft = 25;
    s.m_nmarginr = 10;
    s.m_bHeadInfo[9] = 1;
    ASSERT_TRUE(office.ApplyPageSetup(s));
    EXPECT_NEAR(office.m_fPageWidth, 595.3 - 35 / 25.4 * 72, 0.05);
    const QString path = Out(QStringLiteral("margins.docx"));
    ASSERT_TRUE(office.SaveDocumentAs(path));
    auto pkg = OoxmlPackage::FromFile(path);
    const QByteArray xml = pkg.Part(QStringLiteral("word/document.xml"));
    pugi::xml_document d;
    d.load_buffer(xml.constData(), size_t(xml.size()));
    pugi::xml_node m = d.select_node("//w:body/w:sectPr/w:pgMar").node();
    EXPECT_EQ(m.attribute("w:top").as_int(), 1134);
    EXPECT_EQ(m.attribute("w:bottom").as_int(), 850);
    EXPECT_EQ(m.attribute("w:left").as_int(), 1417);
    EXPECT_EQ(m.attribute("w:right").as_int(), 567);
    EXPECT_EQ(m.attribute("w:header").as_int(), 737);
    EXPECT_EQ(m.attribute("w:footer").as_int(), 170);
}

TEST_F(WordOfficeTest, FooterAndHeaderAsTheSettingsSay) {
    struct Case {
        const char* name;
        bool english;
        int style, start, maxPage, pageCount;
        bool footText;
        const char* footer;
    };
    const Case cases[] = {
        {"Chinese total", false, 4, 1, 0, 3, false, "第1页共3页"},
        {"English total", true, 4, 1, 0, 3, false, "Page 1 Total 3"},
        {"given last page", false, 4, 1, 7, 3, false, "第1页共7页"},
        {"starting at 5", false, 4, 5, 0, 3, false, "第5页共7页"},
        {"dashes", false, 2, 1, 0, 1, false, "-1-"},
        {"English plain", true, 0, 1, 0, 1, false, " 1 "},
        {"footer text below", false, 3, 1, 0, 1, true, "第1页"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(office.StartDocument(QString()));
        CPrintSettings s;
        s.m_bLanguage = c.english;
        s.m_bprpage = 1;
        s.m_npagefm = c.style;
        s.m_nstpage = c.start;
        s.m_nMaxPage = c.maxPage;
        s.m_bpagefoot = c.footText;
        s.m_strpfcon = QStringLiteral("footer line");
        s.m_bpagehead = 1;
        s.m_strphcon = QStringLiteral("head line");
        s.m_nphhei = 18;
        ASSERT_TRUE(office.WritePageFooter(s, c.pageCount));
        const QJsonObject sect = SaveAndReadSection(QStringLiteral("footer.docx"));
        EXPECT_EQ(sect[QStringLiteral("footer")][0].toString(), QString::fromUtf8(c.footer));
        EXPECT_EQ(sect[QStringLiteral("footer")].toArray().size(), c.footText ? 2 : 1);
        if (c.footText)
            EXPECT_EQ(sect[QStringLiteral("footer")][1].toString(), QStringLiteral("footer line"));
        EXPECT_EQ(sect[QStringLiteral("header")][0].toString(), QStringLiteral("head line"));
    }
}

TEST_F(WordOfficeTest, NoHeaderOrFooterWhenAllSwitchesAreOff) {
    ASSERT_TRUE(office.StartDocument(QString()));
    CPrintSettings s; // page head, foot and number all off
    ASSERT_TRUE(office.WritePageFooter(s, 3));
    const QString path = Out(QStringLiteral("plain.docx"));
    ASSERT_TRUE(office.SaveDocumentAs(path));
    const QStringList parts = OoxmlPackage::FromFile(path).PartNames();
    EXPECT_FALSE(parts.contains(QStringLiteral("word/footer1.xml")));
    EXPECT_FALSE(parts.contains(QStringLiteral("word/header1.xml")));
}

TEST_F(WordOfficeTest, FailuresAreReportedAndLeaveNoFile) {
    // A missing template: named, no document.
    EXPECT_FALSE(office.NewDocument(Out(QStringLiteral("SingleBoltReportX.dotx"))));
    EXPECT_TRUE(office.ErrorText(true).contains(QStringLiteral("SingleBoltReportX.dotx")));
    EXPECT_TRUE(office.ErrorText(false).contains(QStringLiteral("SingleBoltReportX.dotx")));
    EXPECT_EQ(office.Document(), nullptr);
    EXPECT_FALSE(office.SaveDocumentAs(Out(QStringLiteral("x.docx"))));

    // A folder that cannot take the file: the real result, nothing written.
    ASSERT_TRUE(office.StartDocument(QString()));
    const QString bad = Out(QStringLiteral("no such folder/report.docx"));
    EXPECT_FALSE(office.SaveDocumentAs(bad));
    EXPECT_FALSE(QFileInfo::exists(bad));
    EXPECT_TRUE(office.ErrorText(true).contains(QStringLiteral("report.docx")));

    // A picture into no table.
    ASSERT_TRUE(office.StartDocument(QString()));
    EXPECT_FALSE(office.InsertPicture(1, 1, 10, 10, Out(QStringLiteral("none.png"))));
    EXPECT_TRUE(office.Failed());
}

// The pile table of the curve document: two caption rows, n picture rows
// sharing the rest of the page.
TEST_F(WordOfficeTest, CurvePileCaptions) {
    // The captions each on one line: a break typed into a pile's text is a space.
    struct Case {
        int n, columns;
        double captionDivisor;
        const char16_t *description, *shown;
    };
    const Case cases[] = {{5, 1, 36, u"", u"描述:"},
                          {6, 2, 31, u"距桩顶约3.90m缩径\r\n第二行", u"描述:距桩顶约3.90m缩径 第二行"},
                          {8, 2, 41, u"a\rb\nc\vd", u"描述:a b c d"},
                          {1, 1, 8, u"", u"描述:"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        ASSERT_TRUE(office.StartDocument(QString()));
        const double H = office.m_fPageHeight;
        int w = 0, h = 0;
        ASSERT_EQ(office.WriteCurvePileCaptions(c.n, c.columns, QStringLiteral("ZK6"), w, h,
                                                QStringLiteral("12.50"), 3800, QStringLiteral("II"),
                                                QString::fromUtf16(c.description)),
                  2)
            << office.ErrorText(true).toStdString();
        const double caption = std::ceil(H / c.captionDivisor);
        WordTable t = *office.CurrentTable();
        EXPECT_EQ(t.RowCount(), c.n + 2);
        EXPECT_DOUBLE_EQ(t.Row(1).Height(), caption);
        EXPECT_EQ(t.Row(2).HeightRule(), kHeightExactly);
        EXPECT_NEAR(t.Row(3).Height(), (H - 2 * caption) / c.n, 0.05);
        EXPECT_EQ(h, int(t.Row(3).Height()));
        EXPECT_EQ(w, int(t.Cell(3, 1).Width() - 2));
        const QString path = Out(QStringLiteral("curve.docx"));
        ASSERT_TRUE(office.SaveDocumentAs(path));
        EXPECT_TRUE(DocxProblems(path).isEmpty()) << DocxProblems(path).join(u'\n').toStdString();
        const QJsonArray rows = ReadDocx(path)[QStringLiteral("tables")][0][QStringLiteral("rows")].toArray();
        const QJsonArray row1 = rows[0][QStringLiteral("cells")].toArray();
        ASSERT_EQ(row1.size(), 4);
        EXPECT_EQ(row1[0][QStringLiteral("text")].toString(), QStringLiteral("桩号:ZK6"));
        EXPECT_EQ(row1[1][QStringLiteral("text")].toString(), QStringLiteral("桩长:12.50m"));
        EXPECT_EQ(row1[2][QStringLiteral("text")].toString(), QStringLiteral("波速:3800m/s"));
        EXPECT_EQ(row1[3][QStringLiteral("text")].toString(), QStringLiteral("桩类别:II"));
        const QJsonArray row2 = rows[1][QStringLiteral("cells")].toArray();
        ASSERT_EQ(row2.size(), 1); // merged with two columns, single with one
        EXPECT_EQ(row2[0][QStringLiteral("text")].toString(), QString::fromUtf16(c.shown));
        EXPECT_EQ(rows[2][QStringLiteral("cells")].toArray().size(), c.columns);
    }
    // No picture rows: refused, nothing added.
    ASSERT_TRUE(office.StartDocument(QString()));
    int w = 0, h = 0;
    EXPECT_EQ(office.WriteCurvePileCaptions(0, 1, QStringLiteral("ZK6"), w, h, {}, 0, {}, {}), 0);
    EXPECT_TRUE(office.Failed());
    EXPECT_EQ(office.Document()->TableCount(), 0);
}

} // namespace
