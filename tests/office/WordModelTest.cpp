// The document model: each operation checked in the saved XML, every saved
// document through the structure check and python-docx.
#include "office/OoxmlPackage.h"
#include "office/WordDocument.h"
#include "office/WordError.h"
#include "platform/AllocationProbe.h"
#include "tests/office/OfficeTestUtil.h"
#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <functional>
#include <new>
#include <pugixml.hpp>
#include <sys/wait.h>
#include <unistd.h>

using namespace pit;
using namespace pit::test;

namespace {

class WordModelTest : public ::testing::Test {
protected:
    std::unique_ptr<WordDocument> Blank() {
        return WordDocument::FromTemplate(TemplateFile(QStringLiteral("Blank")));
    }
    std::unique_ptr<Saved> Save(WordDocument& doc, const QString& name = QStringLiteral("doc.docx")) {
        auto s = SaveAndRead(doc, dir.filePath(name));
        EXPECT_TRUE(s->problems.isEmpty()) << s->problems.join(u'\n').toStdString();
        return s;
    }
    QTemporaryDir dir;
};

struct XPathCase {
    const char* name;
    std::function<void(WordDocument&)> edit;
    std::vector<std::pair<const char*, int>> counts;         // xpath → number of nodes
    std::vector<std::pair<const char*, const char*>> values; // xpath → text or attribute
};

// A 3 × 3 table at the start of a blank page, then the case's edit.
TEST_F(WordModelTest, TableOperationsGiveTheExpectedXml) {
    const std::vector<XPathCase> cases = {
        {"plain table",
         [](WordDocument&) {},
         {{"//w:tbl", 1}, {"//w:tbl/w:tr", 3}, {"//w:tr[1]/w:tc", 3}, {"//w:tblGrid/w:gridCol", 3}},
         {{"//w:tblBorders/w:insideH/@w:val", "single"}}},
        {"merge within a row",
         [](WordDocument& d) { d.Table(1).Cell(1, 1).Merge(d.Table(1).Cell(1, 3)); },
         {{"//w:tr[1]/w:tc", 1}, {"//w:tr[2]/w:tc", 3}},
         {{"//w:tr[1]/w:tc[1]/w:tcPr/w:gridSpan/@w:val", "3"}}},
        {"split into columns",
         [](WordDocument& d) { d.Table(1).Cell(2, 2).Split(1, 2); },
         {{"//w:tr[2]/w:tc", 4}, {"//w:tblGrid/w:gridCol", 4}},
         {{"//w:tr[1]/w:tc[2]/w:tcPr/w:gridSpan/@w:val", "2"}}},
        {"split into rows merges the row's other cells vertically",
         [](WordDocument& d) {
             d.Table(1).Row(2).SetHeight(60, kHeightExactly);
             d.Table(1).Cell(2, 1).Split(3, 1);
         },
         {{"//w:tbl/w:tr", 5},
          {"//w:tc/w:tcPr/w:vMerge[@w:val='restart']", 2},
          {"//w:tc/w:tcPr/w:vMerge[not(@w:val)]", 4}},
         {{"//w:tr[3]/w:trPr/w:trHeight/@w:val", "400"}, {"//w:tr[3]/w:trPr/w:trHeight/@w:hRule", "exact"}}},
        {"merge across vertically merged groups",
         [](WordDocument& d) {
             d.Table(1).Cell(2, 1).Split(3, 1);
             d.Table(1).Cell(2, 2).Merge(d.Table(1).Cell(2, 3));
         },
         {{"//w:tr[2]/w:tc", 2}, {"//w:tr[3]/w:tc", 2}, {"//w:tr[4]/w:tc", 2}},
         {{"//w:tr[3]/w:tc[2]/w:tcPr/w:gridSpan/@w:val", "2"}}},
        {"delete a column",
         [](WordDocument& d) { d.Table(1).DeleteColumn(2); },
         {{"//w:tr/w:tc", 6}, {"//w:tblGrid/w:gridCol", 2}},
         {}},
        {"append a row from the last cell",
         [](WordDocument& d) {
             d.Selection().Select(d.Table(1).Cell(3, 3).Range());
             d.Selection().MoveRightCell();
             d.Selection().TypeText(QStringLiteral("new"));
         },
         {{"//w:tbl/w:tr", 4}},
         {{"//w:tr[4]/w:tc[1]//w:t", "new"}}},
        {"insert rows below",
         [](WordDocument& d) {
             d.Selection().Select(d.Table(1).Cell(1, 2).Range());
             d.Selection().InsertRowsBelow(2);
         },
         {{"//w:tbl/w:tr", 5}, {"//w:tr[2]/w:tc", 3}},
         {}},
        {"row heights with their rule",
         [](WordDocument& d) {
             d.Table(1).SetRowsHeight(20, kHeightExactly);
             d.Table(1).Row(2).SetHeight(30.5, kHeightAtLeast);
         },
         {},
         {{"//w:tr[1]/w:trPr/w:trHeight/@w:val", "400"},
          {"//w:tr[1]/w:trPr/w:trHeight/@w:hRule", "exact"},
          {"//w:tr[2]/w:trPr/w:trHeight/@w:val", "610"},
          {"//w:tr[2]/w:trPr/w:trHeight/@w:hRule", "atLeast"}}},
        {"widths, borders, paddings, preferred width",
         [](WordDocument& d) {
             WordTable t = d.Table(1);
             t.SetColumnWidth(1, 100);
             t.SetBordersEnabled(false);
             t.SetPaddings(3.0, 0.5);
             t.SetPreferredWidth(300);
         },
         {{"//w:tblBorders/*[@w:val='nil']", 6}},
         {{"//w:tr[2]/w:tc[1]/w:tcPr/w:tcW/@w:w", "2000"},
          {"//w:tblCellMar/w:left/@w:w", "60"},
          {"//w:tblCellMar/w:right/@w:w", "10"},
          {"//w:tblPr/w:tblW/@w:w", "6000"}}},
        {"autofit to the window",
         [](WordDocument& d) {
             d.Table(1).SetColumnWidth(1, 50);
             d.Table(1).AutoFitWindow();
         },
         {},
         {{"//w:tblPr/w:tblW/@w:type", "pct"}, {"//w:tblPr/w:tblLayout/@w:type", "autofit"}}},
        {"cell text keeps blanks and takes the mark's format",
         [](WordDocument& d) {
             WordRange r = d.Table(1).Cell(1, 1).Range();
             r.SetFontSize(9);
             r.SetText(QStringLiteral("  a b  "));
             d.Table(1).Cell(1, 2).Range().SetText(QStringLiteral("Velocity\n(m/s)"));
         },
         {{"//w:tr[1]/w:tc[2]//w:r/w:br", 1}},
         {{"//w:tr[1]/w:tc[1]//w:r/w:t", "  a b  "}, {"//w:tr[1]/w:tc[1]//w:r/w:rPr/w:sz/@w:val", "18"}}},
        {"paragraph format of a range",
         [](WordDocument& d) {
             WordRange r = d.Table(1).Cell(1, 1).Range();
             r.SetAlignment(kAlignCenter);
             r.SetLineSpacingRule(kLineExactly);
             r.SetLineSpacing(6);
             r.SetRightIndent(-0.5);
             d.Table(1).Cell(1, 1).SetVerticalAlignment(1);
         },
         {},
         {{"//w:tr[1]/w:tc[1]/w:p/w:pPr/w:jc/@w:val", "center"},
          {"//w:tr[1]/w:tc[1]/w:p/w:pPr/w:spacing/@w:line", "120"},
          {"//w:tr[1]/w:tc[1]/w:p/w:pPr/w:spacing/@w:lineRule", "exact"},
          {"//w:tr[1]/w:tc[1]/w:p/w:pPr/w:ind/@w:right", "-10"},
          {"//w:tr[1]/w:tc[1]/w:tcPr/w:vAlign/@w:val", "center"}}},
    };
    for (const XPathCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Blank();
        doc->AddTable(doc->Selection().Range(), 3, 3);
        c.edit(*doc);
        auto s = Save(*doc);
        for (auto [xp, n] : c.counts)
            EXPECT_EQ(s->Count(xp), n) << xp;
        for (auto [xp, v] : c.values)
            EXPECT_EQ(s->Value(xp), v) << xp;
    }
}

TEST_F(WordModelTest, CellsAreCountedWithoutTheLowerPartsOfMerges) {
    auto doc = Blank();
    WordTable t = doc->AddTable(doc->Selection().Range(), 2, 3);
    t.Cell(1, 1).Split(3, 1);
    // Rows 2 and 3 hold only the split cell; the merged cells belong to row 1.
    EXPECT_NO_THROW(t.Cell(3, 1));
    try {
        t.Cell(3, 2);
        FAIL() << "no error";
    } catch (const WordError& e) {
        EXPECT_TRUE(e.message(true).contains(QStringLiteral("(3, 2)")));
    }
    EXPECT_NO_THROW(t.Cell(4, 3));
}

// A nested table leaves its cell a paragraph that takes no room, and a table's
// format does not reach into the tables nested in it.
TEST_F(WordModelTest, NestedTableKeepsItsOwnFormat) {
    auto doc = Blank();
    WordTable outer = doc->AddTable(doc->Selection().Range(), 1, 2);
    WordTable inner = doc->AddTable(outer.Cell(1, 1).Range(), 2, 2);
    inner.Range().SetFontSize(7);
    outer.Range().SetFontSize(20);
    inner.Cell(1, 1).Range().SetText(QStringLiteral("in"));
    EXPECT_EQ(doc->TableCount(), 1); // top-level tables only
    auto s = Save(*doc);
    EXPECT_EQ(s->Count("//w:tbl//w:tbl"), 1);
    EXPECT_EQ(s->Value("/w:document/w:body/w:tbl/w:tr/w:tc[1]/w:p/w:pPr/w:spacing/@w:line"), "20");
    EXPECT_EQ(s->Value("/w:document/w:body/w:tbl/w:tr/w:tc[1]/w:p/w:pPr/w:spacing/@w:lineRule"), "exact");
    EXPECT_EQ(s->Value("//w:tbl//w:tbl//w:r/w:rPr/w:sz/@w:val"), "14");
    EXPECT_EQ(s->Value("/w:document/w:body/w:tbl/w:tr/w:tc[2]/w:p/w:pPr/w:rPr/w:sz/@w:val"), "40");
    const QJsonObject read = ReadDocx(s->path);
    ASSERT_FALSE(read.contains(QStringLiteral("error")))
        << read[QStringLiteral("error")].toString().toStdString();
    const QJsonObject cell =
        read[QStringLiteral("tables")][0][QStringLiteral("rows")][0][QStringLiteral("cells")][0].toObject();
    EXPECT_EQ(cell[QStringLiteral("tables")][0][QStringLiteral("rows")][0][QStringLiteral("cells")][0]
                  [QStringLiteral("text")]
                      .toString(),
              QStringLiteral("in"));
}

TEST_F(WordModelTest, TypingSplitsParagraphsAndKeepsBlanks) {
    auto doc = Blank();
    WordSelection& sel = doc->Selection();
    sel.TypeText(QStringLiteral(" one  "));
    sel.TypeParagraph();
    sel.TypeText(QStringLiteral("two"));
    sel.HomeKey();
    sel.TypeText(QStringLiteral(">"));
    auto s = Save(*doc);
    const QJsonObject read = ReadDocx(s->path);
    const QJsonArray ps = read[QStringLiteral("paragraphs")].toArray();
    ASSERT_EQ(ps.size(), 2);
    EXPECT_EQ(ps[0].toString(), QStringLiteral("> one  "));
    EXPECT_EQ(ps[1].toString(), QStringLiteral("two"));
}

TEST_F(WordModelTest, ControlCharactersNeverReachTheSavedXml) {
    // Pile texts pasted from elsewhere: U+0001, ESC, a form feed, a non-character.
    const QString pasted = QStringLiteral("ZK") + QChar(0x01) + QStringLiteral("7") + QChar(0x1B) +
                           QStringLiteral("[0m") + QChar(0x0C) + QChar(0xFFFE) + QStringLiteral("号");
    auto doc = Blank();
    WordSelection& sel = doc->Selection();
    sel.TypeText(pasted);
    sel.TypeParagraph();
    sel.AddField(QStringLiteral("PAGE"), pasted);
    auto s = Save(*doc);
    const QByteArray xml = s->pkg.Part(QStringLiteral("word/document.xml"));
    EXPECT_FALSE(xml.contains("&#")) << xml.toStdString();
    pugi::xml_document parsed;
    EXPECT_TRUE(parsed.load_buffer(xml.constData(), size_t(xml.size())));
    const QJsonObject read = ReadDocx(s->path);
    ASSERT_FALSE(read.contains(QStringLiteral("error")))
        << read[QStringLiteral("error")].toString().toStdString();
    EXPECT_EQ(read[QStringLiteral("paragraphs")].toArray().at(0).toString(), QStringLiteral("ZK7[0m号"));
}

TEST_F(WordModelTest, BookmarksAreFilledAndAMissingOneIsNamed) {
    auto doc = WordDocument::FromTemplate(TemplateFile(QStringLiteral("CountInfoReportA")));
    doc->Bookmark(QStringLiteral("Title")).SetText(QStringLiteral("汇总表"));
    doc->Bookmark(QStringLiteral("Man_1")).SetText(QStringLiteral("检测人："));
    doc->Bookmark(QStringLiteral("Man_2")).SetText(QStringLiteral("审核人："));
    try {
        doc->Bookmark(QStringLiteral("NoSuchMark"));
        FAIL() << "no error";
    } catch (const WordError& e) {
        EXPECT_TRUE(e.message(false).contains(QStringLiteral("NoSuchMark")));
        EXPECT_TRUE(e.message(true).contains(QStringLiteral("NoSuchMark")));
    }
    auto s = Save(*doc);
    const QJsonArray ps = ReadDocx(s->path)[QStringLiteral("paragraphs")].toArray();
    ASSERT_GE(ps.size(), 3);
    EXPECT_EQ(ps[0].toString(), QStringLiteral("汇总表"));
    EXPECT_TRUE(ps[2].toString().startsWith(QStringLiteral("检测人：")));
    EXPECT_TRUE(ps[2].toString().endsWith(QStringLiteral("审核人：")));
}

// The template page copied after next-page section breaks: one section per
// copy, tables counted per page, no bookmark twice.
TEST_F(WordModelTest, SectionBreaksAndBodyCopies) {
    auto doc = WordDocument::FromTemplate(TemplateFile(QStringLiteral("SingleBoltReport")));
    WordSelection& sel = doc->Selection();
    sel.WholeStory();
    const WordBodyCopy page = sel.CopyStory();
    for (int k = 0; k < 2; ++k) {
        sel.EndKey();
        sel.InsertSectionBreak();
        sel.EndKey();
        sel.Paste(page);
    }
    EXPECT_EQ(doc->TableCount(), 6);
    doc->Table(6).Cell(1, 2).Range().SetText(QStringLiteral("last page"));
    auto s = Save(*doc);
    EXPECT_EQ(s->Count("//w:sectPr"), 3);
    EXPECT_EQ(s->Count("//w:body/w:sectPr"), 1);
    const QJsonObject read = ReadDocx(s->path);
    EXPECT_EQ(read[QStringLiteral("sections")].toArray().size(), 3);
    EXPECT_EQ(read[QStringLiteral("tables")][5][QStringLiteral("rows")][0][QStringLiteral("cells")][1]
                  [QStringLiteral("text")]
                      .toString(),
              QStringLiteral("last page"));
}

// The document keeps its list of tables from look-up to look-up: after each
// change of the body the list is the body's tables, in order, counted afresh here.
TEST_F(WordModelTest, TablesAreFoundAfterEveryChangeOfTheBody) {
    struct Case {
        const char* name;
        std::function<void(WordDocument&, const WordBodyCopy&)> edit;
        int tables;
    };
    const auto atStart = [](WordDocument& d) {
        d.Selection().WholeStory();
        d.Selection().HomeKey();
        return d.Selection().Range();
    };
    const auto atEnd = [](WordDocument& d) {
        d.Selection().WholeStory();
        d.Selection().EndKey();
        return d.Selection().Range();
    };
    const Case cases[] = {
        {"a table before the others",
         [&](WordDocument& d, const WordBodyCopy&) { d.AddTable(atStart(d), 1, 1); }, 3},
        {"a table after the others",
         [&](WordDocument& d, const WordBodyCopy&) { d.AddTable(atEnd(d), 1, 1); }, 3},
        {"a table nested in a cell",
         [](WordDocument& d, const WordBodyCopy&) { d.AddTable(d.Table(2).Cell(1, 1).Range(), 2, 2); }, 2},
        {"a page pasted before the others",
         [&](WordDocument& d, const WordBodyCopy& page) {
             d.Selection().Select(atStart(d));
             d.Selection().Paste(page);
         },
         4},
        {"pages pasted after next-page breaks",
         [&](WordDocument& d, const WordBodyCopy& page) {
             for (int k = 0; k < 2; ++k) {
                 d.Selection().Select(atEnd(d));
                 d.Selection().InsertSectionBreak();
                 d.Selection().EndKey();
                 d.Selection().Paste(page);
             }
         },
         6},
        {"cells merged and split",
         [](WordDocument& d, const WordBodyCopy&) {
             d.Table(1).Cell(1, 1).Merge(d.Table(1).Cell(1, 2));
             d.Table(2).Cell(1, 1).Split(2, 1);
             d.Table(2).Cell(3, 2).Split(1, 3);
         },
         2},
        {"the body's text replaced",
         [](WordDocument& d, const WordBodyCopy&) { d.Content().SetText(QStringLiteral("x")); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = WordDocument::FromTemplate(TemplateFile(QStringLiteral("SingleBoltReport")));
        doc->Selection().WholeStory();
        const WordBodyCopy page = doc->Selection().CopyStory();
        ASSERT_EQ(doc->TableCount(), 2); // the list is made before the change
        c.edit(*doc, page);
        std::vector<pugi::xml_node> body;
        for (pugi::xml_node n : doc->Body().children("w:tbl"))
            body.push_back(n);
        ASSERT_EQ(int(body.size()), c.tables);
        EXPECT_EQ(doc->TableCount(), c.tables);
        for (int i = 1; i <= c.tables; ++i)
            EXPECT_EQ(doc->Table(i).Node(), body[size_t(i - 1)]) << i;
        EXPECT_THROW(doc->Table(c.tables + 1), WordError);
        Save(*doc);
    }
}

TEST_F(WordModelTest, FooterWithPageFieldAndHeader) {
    auto doc = Blank();
    WordRange h = doc->PrimaryHeader();
    h.SetAlignment(kAlignRight);
    h.SetText(QStringLiteral("Header text"));
    WordSelection sel(doc.get());
    sel.Select(doc->PrimaryFooter());
    sel.TypeText(QStringLiteral("第"));
    sel.AddField(QStringLiteral("PAGE \\* Arabic"), QStringLiteral("1"));
    sel.TypeText(QStringLiteral("页共2页"));
    doc->SetPageNumberStart(1);
    auto s = Save(*doc);
    EXPECT_EQ(s->Value("//w:body/w:sectPr/w:pgNumType/@w:start"), "1");
    const QJsonObject sect = ReadDocx(s->path)[QStringLiteral("sections")][0].toObject();
    EXPECT_EQ(sect[QStringLiteral("header")][0].toString(), QStringLiteral("Header text"));
    EXPECT_EQ(sect[QStringLiteral("footer")][0].toString(), QStringLiteral("第1页共2页"));
    const QByteArray footer = s->pkg.Part(QStringLiteral("word/footer1.xml"));
    EXPECT_TRUE(footer.contains("PAGE \\* Arabic"));
    EXPECT_TRUE(footer.contains("w:fldCharType=\"begin\""));
}

TEST_F(WordModelTest, RefusedOperationsAreErrorsNotCrashes) {
    auto doc = Blank();
    WordTable t = doc->AddTable(doc->Selection().Range(), 2, 2);
    const std::vector<std::pair<const char*, std::function<void()>>> refused = {
        {"cell beyond the row", [&] { t.Cell(1, 3); }},
        {"row beyond the table", [&] { t.Row(5); }},
        {"table beyond the document", [&] { doc->Table(2); }},
        {"merge of two rows", [&] { t.Cell(1, 1).Merge(t.Cell(2, 2)); }},
        {"split into rows and columns at once", [&] { t.Cell(1, 1).Split(2, 2); }},
        {"table text", [&] { t.Range().SetText(QStringLiteral("x")); }},
        {"section break in a table",
         [&] {
             doc->Selection().Select(WordRange::Point(doc.get(), t.Cell(1, 1).Range().Start()));
             doc->Selection().InsertSectionBreak();
         }},
        {"empty table", [&] { doc->AddTable(doc->Content(), 0, 3); }},
    };
    for (const auto& [name, op] : refused) {
        SCOPED_TRACE(name);
        EXPECT_THROW(op(), WordError);
    }
    Save(*doc);
}

TEST_F(WordModelTest, TemplatesOpenAsDocuments) {
    for (const char* name :
         {"Blank", "ProjectReport", "SingleBoltReport", "SingleBoltReportE", "CountInfoReportA",
          "CountInfoReportB", "CountInfoReportU", "CountInfoReportUE"}) {
        SCOPED_TRACE(name);
        auto doc = WordDocument::FromTemplate(TemplateFile(QString::fromLatin1(name)));
        auto s = Save(*doc, QString::fromLatin1(name) + QStringLiteral(".docx"));
        EXPECT_TRUE(s->pkg.Part(QStringLiteral("[Content_Types].xml")).contains("document.main+xml"));
        EXPECT_FALSE(s->pkg.Part(QStringLiteral("[Content_Types].xml")).contains("template.main+xml"));
        EXPECT_FALSE(ReadDocx(s->path).contains(QStringLiteral("error")));
    }
}

TEST_F(WordModelTest, DamagedOrMissingTemplatesAreNamed) {
    const QString broken = dir.filePath(QStringLiteral("Broken.dotx"));
    WriteFile(broken, "PK not really a zip");
    for (const QString& path : {broken, dir.filePath(QStringLiteral("Missing.dotx"))}) {
        try {
            WordDocument::FromTemplate(path);
            FAIL() << "no error";
        } catch (const WordError& e) {
            EXPECT_TRUE(e.message(true).contains(QFileInfo(path).fileName())) << e.what();
        }
    }
}

} // namespace

namespace {

// What op throws in a child process whose memory has run out (for every
// allocation, the zip library's included): 0 out of memory, 1 a document
// error, 2 nothing, 3 anything else.
int ThrownWhenMemoryIsGone(const std::function<void()>& op) {
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            RunOutOfMemory();
            op();
            ::_exit(2);
        } catch (const std::bad_alloc&) {
            ::_exit(0);
        } catch (const WordError&) {
            ::_exit(1);
        } catch (...) {
            ::_exit(3);
        }
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

// Memory that runs out while a template is unpacked or a document packed is
// out of memory, not "not a valid document or template" nor "could not be packed".
TEST(OoxmlPackageMemory, MemoryThatRunsOutIsNotADamagedPackage) {
    const QString path = TemplateFile(QStringLiteral("Blank"));
    const QByteArray bytes = test::readFileBytes(path);
    const OoxmlPackage package = OoxmlPackage::FromBytes(bytes, QStringLiteral("Blank.dotx"));
    EXPECT_EQ(ThrownWhenMemoryIsGone([&] { OoxmlPackage::FromBytes(bytes, QStringLiteral("Blank.dotx")); }),
              0);
    EXPECT_EQ(ThrownWhenMemoryIsGone([&] { (void)package.ToZip(); }), 0);
    // A damaged package is still one.
    EXPECT_THROW(OoxmlPackage::FromBytes(bytes.left(bytes.size() / 2), QStringLiteral("Blank.dotx")),
                 WordError);
}
