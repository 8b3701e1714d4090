// The project report in a document, from the builders through the office
// writer: the page loop, the pile pages in both languages, the ZEZ-style
// page, and the nested rows fitting their outer row.
#include "core/doc/PrintSettings.h"
#include "office/OfficeWordExport.h"
#include "office/ProjectLayout.h"
#include "office/WordOffice.h"
#include "platform/Paths.h"
#include "reports/RepProjectB.h"
#include "reports/ReportPileItem.h"
#include "tests/office/OfficeTestUtil.h"
#include "tests/reports/ReportFixture.h"

#include <QJsonArray>
#include <cmath>
#include <cstring>

using namespace pit;
using namespace pit::test;

namespace {

struct WordProjectReportTest : ReportFixture {
    CWordOffice office;
    std::unique_ptr<OfficeWordExport> writer;
    std::vector<QString> files, names;

    void SetUp() override {
        ReportFixture::SetUp();
        office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
        writer = std::make_unique<OfficeWordExport>(&doc->Context(), &services, &office);
    }
    // n piles of the project, each with an echo of its own; shape changes
    // the reported wave.
    void MakePiles(int n, const std::function<void(DuxChannel&)>& shape = {}) {
        files.clear();
        names.clear();
        for (int k = 1; k <= n; ++k) {
            DuxAnalysis a = SavedPile(QStringLiteral("ZK%1").arg(k));
            for (int i = 0; i < 1024; ++i) {
                const double b = (i - 250 - 10 * k) / 6.0;
                a.channels[0].samples[size_t(i)] += float(4.0 * std::exp(-b * b));
            }
            if (shape)
                shape(a.channels[0]);
            a.averages = {a.channels[0]};
            a.conclusion = k % 2 ? QStringLiteral("桩身完整") : QStringLiteral("Pile Integrity");
            files.push_back(WritePile(QStringLiteral("ZK%1.DUX").arg(k), a));
            names.push_back(QStringLiteral("ZK%1").arg(k));
        }
        Open(files.front());
        doc->m_bFontRateSet = true;
        doc->m_PrintSettings.m_fFontRate = 9;
    }
    CPrintSettings& S() { return doc->m_PrintSettings; }
    // Runs check at 5, 8 and 10 rows of 1 and 2 columns, Chinese and English.
    void ForEachLayout(const std::function<void()>& check) {
        for (int rows : {5, 8, 10})
            for (int cols : {1, 2})
                for (bool english : {false, true}) {
                    SCOPED_TRACE(testing::Message() << rows << " x " << cols << (english ? " en" : " zh"));
                    S().m_nRow = rows;
                    S().m_nColumn = cols;
                    S().m_bLanguage = english;
                    check();
                }
    }
    // The report of the piles through the builder's Word export into out.
    bool Export(const QString& out, bool styleB = false) {
        ReportEnv env = Env();
        env.word = writer.get();
        std::unique_ptr<CRepProjectA> b = styleB ? std::make_unique<CRepProjectB>(env, nullptr)
                                                 : std::make_unique<CRepProjectA>(env, nullptr);
        b->SetPileFiles(files, names);
        return b->ExportWord(out);
    }
    QJsonObject Read(const QString& path) {
        EXPECT_TRUE(DocxProblems(path).isEmpty()) << DocxProblems(path).join(u'\n').toStdString();
        return ReadDocx(path);
    }
    QString Out(const char* name) { return tmp.filePath(QString::fromLatin1(name)); }
    static QJsonArray Rows(const QJsonValue& table) { return table[QStringLiteral("rows")].toArray(); }
    static QJsonValue Nested(const QJsonObject& d, int table, int row, int cell) {
        return Rows(d[QStringLiteral("tables")][table])[row][QStringLiteral("cells")][cell]
                                                       [QStringLiteral("tables")][0];
    }
    static QStringList Texts(const QJsonValue& row) {
        QStringList out;
        for (const QJsonValue c : row[QStringLiteral("cells")].toArray())
            out << c[QStringLiteral("text")].toString();
        return out;
    }
};

TEST(ProjectFields, TextsInBothLanguages) {
    CReportPileItem item;
    item.m_strPileNo = QStringLiteral("ZK3");
    item.m_fLength = 12.5f;
    item.m_nSpeed = 3800;
    item.m_nGrade = 3;
    item.m_strPileType = QStringLiteral("II");
    item.m_fDiameter = 600.7f;
    item.m_fSide = 400.2f;
    item.m_dtTest = QDateTime(QDate(2024, 3, 15), QTime(9, 30, 5));
    item.m_dtConstruct = QDateTime(QDate(2024, 3, 1), QTime(0, 0));
    item.m_nAge = 14;
    item.m_strModel = QStringLiteral("KEV-1");
    item.m_strRemark = QStringLiteral("r");
    item.m_wave.SetFilterCutoffs(10, 1500);
    CPrintSettings s;
    s.m_nDecimalPointNum = 2;
    struct Case {
        int k;
        std::function<void(CPrintSettings&, CReportPileItem&)> set;
        const char *zh, *en;
    };
    const Case cases[] = {
        {0, {}, "桩号:ZK3", "ID:ZK3"},
        {1, {}, "桩长:12.50m", "LE:12.50m"},
        {2, {}, "波速:3800 m/s", "WS:3800 m/s"},
        {3, {}, "强度等级:C30", "Con_L:C30"},
        {4, {}, "桩类别:II", "PileType:II"},
        {5, {}, "桩径:600 mm", "D:601 mm"},
        {5, [](CPrintSettings&, CReportPileItem& i) { i.m_bSquare = 1; }, "桩径:600(mm)*400(mm)",
         "D:601(mm)*400"},
        {6, {}, "测试日期:2024-03-15", "TestDate:2024-03-15"},
        {6, [](CPrintSettings& s, CReportPileItem&) { s.m_bHeadInfo[12] = 1; },
         "测试日期:2024-03-15 09:30:05", "TestDate:2024-03-15 09:30:05"},
        {7, {}, "低通:1500 Hz", "LP:1500 Hz"},
        {9, {}, "仪器型号:KEV-1", "InstrumentType:KEV-1"},
        {10, {}, "备注:r", "Remark:r"},
        {11, {}, "施工日期:2024-03-01", "CommDate:2024-03-01"},
        {11, [](CPrintSettings& s, CReportPileItem&) { s.m_iPrintType = 1; }, "龄期:14", "Age:14"},
    };
    for (const Case& c : cases) {
        CPrintSettings set = s;
        item.m_bSquare = 0;
        if (c.set)
            c.set(set, item);
        EXPECT_EQ(CWordOffice::ProjectFieldText(item, set, c.k, false), QString::fromUtf8(c.zh)) << c.k;
        EXPECT_EQ(CWordOffice::ProjectFieldText(item, set, c.k, true), QString::fromUtf8(c.en)) << c.k;
    }
    EXPECT_EQ(CWordOffice::ProjectFieldText(item, s, 4, false, true), QStringLiteral("桩类别:等II"));
}

// 23 piles at 5 x 2: three pages of 5 x 2 outer cells (the last with 3
// piles), the heading and the page number on each.
TEST_F(WordProjectReportTest, PageLoop) {
    MakePiles(23);
    S().m_nRow = 5;
    S().m_nColumn = 2;
    S().m_bHeadInfo[9] = 1;
    S().m_bprpage = 1;
    S().m_npagefm = 4;
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral(" 滨江大桥 ");
    ASSERT_TRUE(Export(Out("loop.docx"))) << services.messages.join(u'\n').toStdString();
    const QJsonObject d = Read(Out("loop.docx"));
    const QJsonArray tables = d[QStringLiteral("tables")].toArray();
    ASSERT_EQ(tables.size(), 3);
    for (int t = 0; t < 3; ++t) {
        const QJsonArray rows = Rows(tables[t]);
        ASSERT_EQ(rows.size(), 5);
        int filled = 0;
        for (const QJsonValue r : rows) {
            ASSERT_EQ(r[QStringLiteral("cells")].toArray().size(), 2);
            for (const QJsonValue c : r[QStringLiteral("cells")].toArray())
                filled += c[QStringLiteral("tables")].toArray().size();
        }
        EXPECT_EQ(filled, t < 2 ? 10 : 3);
    }
    EXPECT_EQ(d[QStringLiteral("sections")].toArray().size(), 3);
    int headings = 0;
    for (const QJsonValue p : d[QStringLiteral("paragraphs")].toArray())
        headings += p.toString() == QStringLiteral("工程名称：滨江大桥");
    EXPECT_EQ(headings, 3);
    EXPECT_EQ(d[QStringLiteral("sections")][0][QStringLiteral("footer")][0].toString(),
              QStringLiteral("第1页共3页"));

    // English: no blank after the label.
    S().m_bLanguage = 1;
    MakePiles(1);
    ASSERT_TRUE(Export(Out("en.docx")));
    EXPECT_EQ(Read(Out("en.docx"))[QStringLiteral("paragraphs")][0].toString(),
              QStringLiteral("ProjectName:滨江大桥"));
}

TEST_F(WordProjectReportTest, EmptyListWritesOnlyTheFooter) {
    ASSERT_TRUE(office.NewDocument(office.TemplateFile(QStringLiteral("ProjectReport"))));
    CPrintSettings s;
    s.m_bHeadInfo[9] = 1;
    s.m_bprpage = 1;
    s.m_npagefm = 4;
    ASSERT_TRUE(office.WriteProjectPages({}, s, 0));
    ASSERT_TRUE(office.SaveDocumentAs(Out("empty.docx")));
    const QJsonObject d = Read(Out("empty.docx"));
    EXPECT_TRUE(d[QStringLiteral("tables")].toArray().isEmpty());
    EXPECT_EQ(d[QStringLiteral("paragraphs")].toArray(), QJsonArray{QString()});
    EXPECT_EQ(d[QStringLiteral("sections")][0][QStringLiteral("footer")][0].toString(),
              QStringLiteral("第1页共1页"));
}

TEST_F(WordProjectReportTest, ZezStyleOnePilePerRow) {
    MakePiles(3);
    S().m_nRow = 4;
    S().m_nColumn = 2;
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral("  Harbour\r\nPier  "); // one line, as printed
    ASSERT_TRUE(Export(Out("zez.docx"), true)) << services.messages.join(u'\n').toStdString();
    const QJsonObject d = Read(Out("zez.docx"));
    const QJsonArray outer = Rows(d[QStringLiteral("tables")][0]);
    ASSERT_EQ(outer.size(), 4);
    EXPECT_EQ(outer[0][QStringLiteral("cells")].toArray().size(), 1);
    const QJsonArray rows = Rows(Nested(d, 0, 0, 0));
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(Texts(rows[0]).value(0), QStringLiteral(" Harbour Pier"));
    EXPECT_EQ(Texts(rows[1]).value(0), QStringLiteral(" ZK1"));
    EXPECT_EQ(Texts(rows[1]).value(1), QStringLiteral(" 2024-03-15"));
    QStringList readouts;
    for (int r = 2; r < 8; ++r)
        readouts << Texts(rows[r]).value(0);
    EXPECT_EQ(readouts[0], QStringLiteral(" SZPI:600 m"));
    EXPECT_EQ(readouts[1], QStringLiteral(" LGPI:12.50 m"));
    EXPECT_EQ(readouts[2], QStringLiteral(" PWPI:3800 m/s"));
    EXPECT_TRUE(readouts[3].startsWith(QStringLiteral(" PALO:")));
    EXPECT_TRUE(readouts[4].startsWith(QStringLiteral(" PAHI:")));
    EXPECT_EQ(Texts(rows[8]).value(1), QStringLiteral(" KEV-TIMBO 1.0"));
    const QJsonArray pics = d[QStringLiteral("pictures")].toArray();
    ASSERT_EQ(pics.size(), 3);
    for (const QJsonValue p : pics)
        EXPECT_EQ(p[QStringLiteral("contentType")].toString(), QStringLiteral("image/bmp"));
    for (const PictureAspect& a : PictureAspects(Out("zez.docx")))
        EXPECT_NEAR(a.shown, a.drawn, a.drawn * 0.01) << "a curve shown at the aspect drawn";
    EXPECT_TRUE(QFileInfo::exists(pit::joinPath(tempDir(), QStringLiteral("PRO-0010.emf"))));
}

TEST(ZezReadouts, DiameterCutLengthRoundedCutOffsNamedAsPrinted) {
    CReportPileItem item;
    item.m_fDiameter = 800.9f;
    item.m_fLength = 12.345f;
    item.m_wave.SetFilterCutoffs(10, 2000);
    QTemporaryDir dir;
    CWordOffice office;
    office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
    ASSERT_TRUE(office.NewDocument(office.TemplateFile(QStringLiteral("ProjectReport"))));
    CPrintSettings s;
    ASSERT_TRUE(office.WriteProjectReport({&item}, s, 1, PrintDrawDoc()));
    const QString path = dir.filePath(QStringLiteral("z.docx"));
    ASSERT_TRUE(office.SaveDocumentAs(path));
    const QJsonObject d = ReadDocx(path);
    const QJsonArray rows = d[QStringLiteral("tables")][0][QStringLiteral("rows")][0][QStringLiteral("cells")]
                             [0][QStringLiteral("tables")][0][QStringLiteral("rows")]
                                 .toArray();
    ASSERT_EQ(rows.size(), 9);
    const auto text = [&](int r) {
        return rows[r][QStringLiteral("cells")][0][QStringLiteral("text")].toString();
    };
    EXPECT_EQ(text(2), QStringLiteral(" SZPI:800 m"));
    EXPECT_EQ(text(3), QStringLiteral(" LGPI:12.35 m"));
    EXPECT_EQ(text(5), QStringLiteral(" PALO:10 Hz"));
    EXPECT_EQ(text(6), QStringLiteral(" PAHI:2000 Hz"));
}

// Fields share the width as the injected measurer measures them; the
// seventh and eighth fields go to line 2 below the first two.
TEST_F(WordProjectReportTest, InfoLinesTakeTheMeasuredWidths) {
    MakePiles(1);
    office.SetMeasurer([](const QString& t) { return int(t.size()) * 10; });
    S().m_nRow = 5;
    S().m_nColumn = 1;
    S().m_bSpectrum = 0;
    for (int& f : S().m_bHeadInfo)
        f = 0;
    S().m_bHeadInfo[0] = S().m_bHeadInfo[1] = S().m_bHeadInfo[2] = 1;
    ASSERT_TRUE(Export(Out("three.docx")));
    QJsonObject d = Read(Out("three.docx"));
    QJsonArray row1 = Rows(Nested(d, 0, 0, 0))[0][QStringLiteral("cells")].toArray();
    ASSERT_EQ(row1.size(), 3);
    const QStringList texts = Texts(Rows(Nested(d, 0, 0, 0))[0]);
    double total = 0;
    for (const QJsonValue c : row1)
        total += c[QStringLiteral("width")].toInt();
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(row1[j][QStringLiteral("width")].toInt() / total,
                    double(texts[j].size()) / double(texts.join(QString()).size()), 0.002);
    EXPECT_NEAR(total / 20, office.ComputeCurvePageLayout(&S(), 0).cellWidth, 0.2);

    for (int i : {3, 4, 5, 6, 7})
        S().m_bHeadInfo[i] = 1;
    ASSERT_TRUE(Export(Out("eight.docx")));
    d = Read(Out("eight.docx"));
    const QJsonArray rows = Rows(Nested(d, 0, 0, 0));
    EXPECT_EQ(Texts(rows[0]).size(), 6);
    const QStringList line2 = Texts(rows[1]);
    ASSERT_EQ(line2.size(), 6);
    EXPECT_TRUE(line2[0].startsWith(QStringLiteral("测试日期:")));
    EXPECT_TRUE(line2[1].startsWith(QStringLiteral("低通:")));
    EXPECT_TRUE(line2[2].isEmpty() && line2[5].isEmpty());
    EXPECT_EQ(rows[0][QStringLiteral("cells")][2][QStringLiteral("width")],
              rows[1][QStringLiteral("cells")][2][QStringLiteral("width")]);
}

// The spectrum block: six read-outs beside the spectrum picture, the
// integrity line after them; six piles go round the five picture names and
// keep their own pictures.
TEST_F(WordProjectReportTest, SpectrumIntegrityAndPictureNames) {
    MakePiles(6);
    S().m_nRow = 3;
    S().m_nColumn = 2;
    S().m_bSpectrum = 1;
    S().m_bQualityAssess = 1;
    for (bool english : {false, true}) {
        SCOPED_TRACE(english);
        S().m_bLanguage = english;
        const QString out = Out(english ? "specEn.docx" : "specCn.docx");
        ASSERT_TRUE(Export(out));
        const QJsonObject d = Read(out);
        const QJsonArray rows = Rows(Nested(d, 0, 0, 0));
        const int info = 1;
        ASSERT_EQ(rows.size(), info + 1 + 6 + 1);
        const QStringList spectrumTexts = {Texts(rows[info + 1]).value(0), Texts(rows[info + 2]).value(0),
                                           Texts(rows[info + 6]).value(0)};
        EXPECT_TRUE(spectrumTexts[0].startsWith(english ? QStringLiteral(" SRange:0-")
                                                        : QStringLiteral(" 频谱范围:0-")));
        EXPECT_TRUE(spectrumTexts[1].startsWith(QStringLiteral(" F0:")));
        EXPECT_TRUE(spectrumTexts[2].startsWith(QStringLiteral(" FAMax:")));
        EXPECT_EQ(rows[info + 1][QStringLiteral("cells")].toArray().size(), 2); // read-out, picture
        const QString integrity = Texts(rows[info + 7]).value(0);
        EXPECT_EQ(integrity, english ? QStringLiteral(" Test Results:桩身完整")
                                     : QStringLiteral(" 完整性评价:桩身完整"));
        const QString second = Texts(Rows(Nested(d, 0, 0, 1))[info + 7]).value(0);
        EXPECT_EQ(second,
                  english ? QStringLiteral(" Pile Integrity") : QStringLiteral(" 完整性评价:Pile Integrity"));
        // Twelve pictures, each its own, from five curve and five spectrum names.
        const OoxmlPackage pkg = OoxmlPackage::FromFile(out);
        QSet<QByteArray> media;
        for (const QString& part : pkg.PartNames())
            if (part.startsWith(QLatin1String("word/media/")))
                media.insert(pkg.Part(part));
        EXPECT_EQ(media.size(), 12);
    }
    const QStringList temp =
        QDir(tempDir()).entryList({QStringLiteral("PRO-001*"), QStringLiteral("PRO-010*")}, QDir::Files);
    EXPECT_EQ(temp.size(), 10);
}

// No shown field: one column and no info row; a spectrum still gets its
// read-out cell and picture cell.
TEST_F(WordProjectReportTest, NoFieldGivesOneColumnWithoutInfoRow) {
    MakePiles(1);
    for (int& f : S().m_bHeadInfo)
        f = 0;
    S().m_bSpectrum = 1;
    ASSERT_TRUE(Export(Out("none.docx")));
    const QJsonObject d = Read(Out("none.docx"));
    const QJsonArray rows = Rows(Nested(d, 0, 0, 0));
    ASSERT_EQ(rows.size(), 1 + 6 + 1);
    EXPECT_EQ(rows[0][QStringLiteral("cells")].toArray().size(), 1);
    EXPECT_EQ(rows[1][QStringLiteral("cells")].toArray().size(), 2);
    EXPECT_EQ(d[QStringLiteral("pictures")].toArray().size(), 2);
}

// For every row count, column count and spectrum switch the nested rows add
// up to no more than their exact-height outer row.
TEST_F(WordProjectReportTest, NestedRowsFitTheOuterRow) {
    MakePiles(1);
    for (int rows = 3; rows <= 10; ++rows)
        for (int cols = 1; cols <= 2; ++cols)
            for (bool spectrum : {false, true}) {
                SCOPED_TRACE(testing::Message() << rows << " x " << cols << " spectrum " << spectrum);
                S().m_nRow = rows;
                S().m_nColumn = cols;
                S().m_bSpectrum = spectrum;
                S().m_bQualityAssess = 1;
                const QString out = Out("fit.docx");
                ASSERT_TRUE(Export(out));
                pugi::xml_document x;
                LoadMainPart(OoxmlPackage::FromFile(out), x);
                pugi::xml_node outerRow = x.select_node("/w:document/w:body/w:tbl/w:tr").node();
                const int outer = outerRow.child("w:trPr").child("w:trHeight").attribute("w:val").as_int();
                int sum = 0;
                for (pugi::xml_node tr : outerRow.select_node("w:tc/w:tbl").node().children("w:tr"))
                    sum += tr.child("w:trPr").child("w:trHeight").attribute("w:val").as_int();
                EXPECT_LE(sum, outer);
                EXPECT_GT(sum, outer * 8 / 10);
            }
}

double Points(pugi::xml_node n, const char* attr, double per) {
    return n.attribute(attr).as_double() / per;
}

// With the spectrum, for rows x columns in both languages and a font rate
// fitted before the spectrum was ticked (14 points): every picture shows at
// the aspect it was drawn, the curve keeps its floor, and no text's line is
// taller than its row or its letters taller than their line.
TEST_F(WordProjectReportTest, PicturesAsDrawnAndTextsInsideTheirRows) {
    MakePiles(2);
    S().m_fFontRate = 14;
    S().m_bSpectrum = 1;
    S().m_bQualityAssess = 1;
    for (int& f : S().m_bHeadInfo)
        f = 0;
    for (int i : {0, 1, 2, 3, 5, 6})
        S().m_bHeadInfo[i] = 1;
    ForEachLayout([&] {
        const QString out = Out("fit.docx");
        ASSERT_TRUE(Export(out));
        pugi::xml_document x;
        LoadMainPart(OoxmlPackage::FromFile(out), x);
        const std::vector<PictureAspect> aspects = PictureAspects(out);
        ASSERT_EQ(aspects.size(), 4u);
        for (const PictureAspect& a : aspects)
            EXPECT_NEAR(a.shown, a.drawn, a.drawn * 0.01);
        const float cellHeight = office.ComputeCurvePageLayout(&S(), 0).cellHeight;
        const pugi::xpath_node_set nested = x.select_nodes("/w:document/w:body/w:tbl/w:tr/w:tc/w:tbl");
        ASSERT_EQ(nested.size(), 2u);
        for (pugi::xpath_node t : nested) {
            int picture = 0;
            for (pugi::xpath_node d : t.node().select_nodes(".//wp:extent"))
                if (picture++ == 0)
                    EXPECT_GE(Points(d.node(), "cy", 12700), kCurveFloorShare * cellHeight - 5)
                        << "the curve";
            EXPECT_EQ(picture, 2);
            for (pugi::xml_node tr : t.node().children("w:tr")) {
                pugi::xml_node h = tr.child("w:trPr").child("w:trHeight");
                ASSERT_STREQ(h.attribute("w:hRule").as_string(), "exact");
                const double row = Points(h, "w:val", 20);
                for (pugi::xpath_node p : tr.select_nodes("w:tc/w:p")) {
                    double size = 0;
                    bool text = false;
                    for (pugi::xpath_node r : p.node().select_nodes("w:r[w:t]")) {
                        text = true;
                        size = std::max(size, Points(r.node().select_node("w:rPr/w:sz").node(), "w:val", 2));
                    }
                    // A picture's cell may span the rows below it.
                    double rows = row;
                    if (!std::strcmp(
                            p.parent().child("w:tcPr").child("w:vMerge").attribute("w:val").as_string(),
                            "restart"))
                        for (pugi::xml_node below = tr.next_sibling("w:tr");
                             below && below.last_child().child("w:tcPr").child("w:vMerge") &&
                             !below.last_child().child("w:tcPr").child("w:vMerge").attribute("w:val");
                             below = below.next_sibling("w:tr"))
                            rows += Points(below.child("w:trPr").child("w:trHeight"), "w:val", 20);
                    for (pugi::xpath_node d : p.node().select_nodes(".//wp:extent"))
                        EXPECT_LE(Points(d.node(), "cy", 12700), rows) << "a picture taller than its cell";
                    if (!text)
                        continue;
                    ASSERT_GT(size, 0);
                    pugi::xml_node spacing = p.node().child("w:pPr").child("w:spacing");
                    const double line = !std::strcmp(spacing.attribute("w:lineRule").as_string(), "exact")
                                            ? Points(spacing, "w:line", 20)
                                            : size * 1.2;
                    const std::string what = pit::word::ParagraphText(p.node()).toStdString();
                    EXPECT_LE(line, row) << what;
                    EXPECT_LE(size * 1.15, line) << what;
                }
            }
        }
    });
}

// With the spectrum, for rows x columns in both languages and a pile with
// an amplified wave and a fracture, read back from the written metafiles:
// no line runs through a text of the curve picture (the ruler's numbers, the
// sketch's factor) or of the spectrum picture (its axis numbers), and the
// wave area between the head and toe marks is shown at least 5 mm tall,
// the larger share of its picture.
TEST_F(WordProjectReportTest, PictureNumbersClearAndTheWaveAreaKept) {
    MakePiles(1, [](DuxChannel& c) {
        c.expGain = 3;
        c.expStart = 80;
        c.defects = {{250, 2}};
    });
    S().m_bSpectrum = 1;
    S().m_bQualityAssess = 1;
    ForEachLayout([&] {
        const QString out = Out("clear.docx");
        ASSERT_TRUE(Export(out));
        const std::vector<DocxPicture> pictures = DocxPictures(out);
        ASSERT_EQ(pictures.size(), 2u); // the curve, then the spectrum
        for (size_t k = 0; k < pictures.size(); ++k) {
            const EmfShapes e = ReadEmfShapes(pictures[k].bytes);
            ASSERT_TRUE(e.valid);
            EXPECT_GE(e.texts.size(), 3u);
            for (const EmfText& t : e.texts)
                for (const EmfSegment& l : e.segments)
                    EXPECT_FALSE(Crosses(l, t))
                        << (k ? "spectrum" : "curve") << ": (" << l.x0 << "," << l.y0 << ")-(" << l.x1 << ","
                        << l.y1 << ") through \"" << t.text.toStdString() << "\" " << t.left << "," << t.top
                        << "-" << t.right << "," << t.bottom;
        }
        // The wave area: the longest vertical lines are the marks.
        const EmfShapes curve = ReadEmfShapes(pictures[0].bytes);
        int extent = 0, marks = 0;
        for (const EmfSegment& l : curve.segments) {
            const int h = l.x0 == l.x1 ? std::abs(l.y1 - l.y0) : 0;
            if (h > extent)
                extent = h, marks = 0;
            marks += h == extent;
        }
        EXPECT_GE(marks, 2);
        EXPECT_GT(extent, curve.heightPx / 2);
        EXPECT_GE(extent / curve.heightPx * pictures[0].shownHeight * 25.4 / 72, 5.0);
    });
}

// Breaks typed into the piles' texts and a 3,000-character conclusion, at
// every layout in both languages, as the printed cells show them: each text
// on one line (a break a space), the long conclusion in its fields' size and
// cut with dots where its row ends.
TEST_F(WordProjectReportTest, TextsOnOneLineAndALongConclusionCut) {
    QString longText;
    while (longText.size() < 3000)
        longText += QStringLiteral("距桩顶约3.90m缩径，");
    longText.truncate(3000);
    files.clear();
    names.clear();
    for (int k = 1; k <= 2; ++k) {
        DuxAnalysis a = SavedPile(QStringLiteral("ZK%1").arg(k));
        a.idText2 = QStringLiteral("缩径\r\n备注");
        a.conclusion = k == 1 ? QStringLiteral("距桩顶约3.90m缩径\r\n第二行") : longText;
        files.push_back(WritePile(QStringLiteral("ZK%1.DUX").arg(k), a));
        names.push_back(QStringLiteral("ZK%1").arg(k));
    }
    Open(files.front());
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥\r\n二期");
    S().m_bHeadInfo[9] = 1;
    S().m_bHeadInfo[11] = 1; // the remark
    S().m_bQualityAssess = 1;
    ForEachLayout([&] {
        const bool english = S().m_bLanguage != 0;
        const QString out = Out("lines.docx");
        ASSERT_TRUE(Export(out));
        const QJsonObject d = Read(out);
        EXPECT_EQ(d[QStringLiteral("paragraphs")][0].toString(),
                  (english ? QStringLiteral("ProjectName:") : QStringLiteral("工程名称：")) +
                      QStringLiteral("滨江大桥 二期"));
        QStringList texts; // of both piles' tables
        for (const QJsonValue outer : Rows(d[QStringLiteral("tables")][0]))
            for (const QJsonValue c : outer[QStringLiteral("cells")].toArray())
                for (const QJsonValue t : c[QStringLiteral("tables")].toArray())
                    for (const QJsonValue r : Rows(t))
                        texts << Texts(r);
        for (const QString& t : texts)
            EXPECT_FALSE(t.contains(u'\n') || t.contains(u'\r')) << t.toStdString();
        const QString label = english ? QStringLiteral(" Test Results:") : QStringLiteral(" 完整性评价:");
        EXPECT_TRUE(texts.contains(label + QStringLiteral("距桩顶约3.90m缩径 第二行")));
        EXPECT_TRUE(texts.contains((english ? QStringLiteral("Remark:") : QStringLiteral("备注:")) +
                                   QStringLiteral("缩径 备注")));
        // The long one: a start of it and the dots.
        const auto cut = std::find_if(texts.begin(), texts.end(), [&](const QString& t) {
            return t.startsWith(label + longText.left(12));
        });
        ASSERT_NE(cut, texts.end());
        EXPECT_TRUE(cut->endsWith(QStringLiteral("...")));
        EXPECT_TRUE((label + longText).startsWith(cut->chopped(3))) << cut->toStdString();
        EXPECT_GT(cut->size(), 12);

        // Its size is the fields' size, read from the runs.
        pugi::xml_document x;
        LoadMainPart(OoxmlPackage::FromFile(out), x);
        double field = 0, conclusion = 0;
        for (pugi::xpath_node r : x.select_nodes("//w:tbl/w:tr/w:tc/w:tbl//w:r[w:t]")) {
            const QString t = QString::fromUtf8(r.node().child("w:t").text().get());
            const double size = r.node().select_node("w:rPr/w:sz").node().attribute("w:val").as_double() / 2;
            if (t.endsWith(QStringLiteral("...")))
                conclusion = size;
            else if (t.contains(english ? QStringLiteral("LE:") : QStringLiteral("桩长:")))
                field = size;
        }
        EXPECT_GT(field, 0);
        EXPECT_EQ(conclusion, field);
    });
}

TEST_F(WordProjectReportTest, NoPileIsToldAndNothingWritten) {
    MakePiles(1);
    files = {tmp.filePath(QStringLiteral("missing.DUX"))};
    EXPECT_FALSE(Export(Out("no.docx")));
    EXPECT_FALSE(QFileInfo::exists(Out("no.docx")));
    ASSERT_EQ(services.messages.size(), 1);
    // The checked pile is there but cannot be read: it is named.
    EXPECT_EQ(services.messages[0], QStringLiteral("下列桩文件无法读取，没有写出文档：\n") +
                                        tmp.filePath(QStringLiteral("missing.DUX")));
}

} // namespace
