// Pictures: read at once, sniffed from their bytes, natural size, fitting.
#include "office/WordDocument.h"
#include "office/WordError.h"
#include "tests/office/OfficeTestUtil.h"

#include <QJsonArray>

using namespace pit;
using namespace pit::test;

namespace {

class WordPictureTest : public ::testing::Test {
protected:
    std::unique_ptr<WordDocument> Blank() {
        return WordDocument::FromTemplate(TemplateFile(QStringLiteral("Blank")));
    }
    QString File(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        WriteFile(path, bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(WordPictureTest, NaturalSizeByKind) {
    struct Case {
        const char* name;
        QByteArray bytes;
        double width, height;
        const char* contentType;
    };
    const std::vector<Case> cases = {
        // The metafile's frame is 100 × 50 mm.
        {"frame.emf", MakeEmf(10000, 5000), 100 / 25.4 * 72, 50 / 25.4 * 72, "image/x-emf"},
        // Bitmaps count 96 pixels an inch.
        {"wave.bmp", MakeImage(200, 100, "BMP"), 150, 75, "image/bmp"},
        {"wave.png", MakeImage(96, 48, "PNG"), 72, 36, "image/png"},
        // The name does not decide the kind.
        {"SIN-08AE.emf", MakeImage(40, 20, "BMP"), 30, 15, "image/bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Blank();
        WordInlineShape shape =
            doc->AddPicture(doc->Selection().Range(), File(QString::fromLatin1(c.name), c.bytes));
        EXPECT_NEAR(shape.Width(), c.width, 0.01);
        EXPECT_NEAR(shape.Height(), c.height, 0.01);
        auto s = SaveAndRead(*doc, dir.filePath(QStringLiteral("p.docx")));
        EXPECT_TRUE(s->problems.isEmpty()) << s->problems.join(u'\n').toStdString();
        const QJsonArray pics = ReadDocx(s->path)[QStringLiteral("pictures")].toArray();
        ASSERT_EQ(pics.size(), 1);
        EXPECT_EQ(pics[0][QStringLiteral("contentType")].toString(), QString::fromLatin1(c.contentType));
        EXPECT_EQ(pics[0][QStringLiteral("size")].toInt(), c.bytes.size());
    }
}

// Wider than its cell's text width, a picture is scaled down with its aspect;
// a given width and height then replace its size.
TEST_F(WordPictureTest, FittedToTheCellThenSized) {
    auto doc = Blank();
    WordTable t = doc->AddTable(doc->Selection().Range(), 1, 2);
    t.Cell(1, 1).SetWidth(100);
    WordInlineShape wide =
        doc->AddPicture(t.Cell(1, 1).Range(), File(QStringLiteral("w.emf"), MakeEmf(20000, 10000)));
    const double text = 100 - t.Cell(1, 1).LeftPadding() - t.Cell(1, 1).RightPadding();
    EXPECT_NEAR(wide.Width(), text, 0.01);
    EXPECT_NEAR(wide.Height(), text / 2, 0.01);
    WordInlineShape sized =
        doc->AddPicture(t.Cell(1, 2).Range(), File(QStringLiteral("s.png"), MakeImage(10, 10, "PNG")));
    sized.SetWidth(123.5);
    sized.SetHeight(45);
    auto s = SaveAndRead(*doc, dir.filePath(QStringLiteral("fit.docx")));
    EXPECT_TRUE(s->problems.isEmpty()) << s->problems.join(u'\n').toStdString();
    const QJsonArray pics = ReadDocx(s->path)[QStringLiteral("pictures")].toArray();
    ASSERT_EQ(pics.size(), 2);
    EXPECT_EQ(pics[1][QStringLiteral("width")].toInt(), qRound(123.5 * 12700));
    EXPECT_EQ(pics[1][QStringLiteral("height")].toInt(), 45 * 12700);
}

// Picture files are reused under the same names: what was inserted stays.
TEST_F(WordPictureTest, OverwrittenFileKeepsTheEmbeddedBytes) {
    auto doc = Blank();
    const QByteArray red = MakeImage(8, 8, "PNG", Qt::red);
    const QByteArray blue = MakeImage(8, 8, "PNG", Qt::blue);
    const QString path = File(QStringLiteral("PRO-0010.png"), red);
    WordSelection& sel = doc->Selection();
    doc->AddPicture(sel.Range(), path);
    WriteFile(path, blue);
    sel.EndKey();
    sel.TypeParagraph();
    doc->AddPicture(sel.Range(), path);
    QFile::remove(path);
    auto s = SaveAndRead(*doc, dir.filePath(QStringLiteral("reuse.docx")));
    EXPECT_TRUE(s->problems.isEmpty()) << s->problems.join(u'\n').toStdString();
    EXPECT_EQ(s->pkg.Part(QStringLiteral("word/media/image1.png")), red);
    EXPECT_EQ(s->pkg.Part(QStringLiteral("word/media/image2.png")), blue);
    EXPECT_EQ(s->Count("//wp:docPr"), 2);
}

TEST_F(WordPictureTest, UnreadableOrUnknownPicturesAreNamed) {
    auto doc = Blank();
    const QString text = File(QStringLiteral("notes.emf"), "just some text, not a picture");
    const QString missing = dir.filePath(QStringLiteral("gone.bmp"));
    for (const QString& path : {text, missing}) {
        try {
            doc->AddPicture(doc->Selection().Range(), path);
            FAIL() << "no error";
        } catch (const WordError& e) {
            EXPECT_TRUE(e.message(true).contains(QFileInfo(path).fileName())) << e.what();
        }
    }
}

} // namespace
