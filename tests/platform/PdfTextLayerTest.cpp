// The text layer of the PDF files Qt writes, repaired and read back by
// poppler (pdftotext, pdfinfo) as a PDF viewer's search reads it.
#include "platform/PdfTextLayer.h"
#include "platform/FontSetup.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

using namespace pit;

namespace {

// Lines of text in the program's faces into an A4 PDF file, then repaired.
QString WritePdf(const QString& path, const QStringList& lines) {
    {
        QPdfWriter pdf(path);
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        QPainter painter(&pdf);
        int y = 400;
        for (const QString& line : lines) {
            for (const char* face : {"宋体", "黑体", "Arial"}) {
                QFont f(QString::fromUtf8(face));
                f.setPixelSize(100);
                painter.setFont(f);
                painter.drawText(200, y, line);
                y += 200;
            }
        }
    }
    EXPECT_TRUE(RepairPdfTextLayerFile(path));
    return pit::test::toolOutput(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
}

// What the ToUnicode maps of a PDF file name, read from the maps themselves
// (bfchar, incremental and array bfrange entries): one set a map.
std::vector<std::set<char32_t>> ToUnicodeTargets(const QByteArray& pdf) {
    std::vector<std::set<char32_t>> maps;
    static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
    for (qsizetype at = 0; (at = pdf.indexOf("begincmap", at)) >= 0; ++at) {
        const qsizetype end = pdf.indexOf("endcmap", at);
        if (end < 0)
            break;
        std::set<char32_t>& targets = maps.emplace_back();
        enum { None, Range, Char } section = None;
        for (const QByteArray& raw : pdf.mid(at, end - at).split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.endsWith("beginbfrange"))
                section = Range;
            else if (line.endsWith("beginbfchar"))
                section = Char;
            else if (line.startsWith("end"))
                section = None;
            else if (section != None) {
                std::vector<uint> v;
                for (const QRegularExpressionMatch& m : hex.globalMatch(QString::fromLatin1(line)))
                    v.push_back(m.captured(1).toUInt(nullptr, 16));
                if (section == Char && v.size() == 2)
                    targets.insert(char32_t(v[1]));
                else if (section == Range && line.contains('[') && v.size() > 2)
                    targets.insert(v.begin() + 2, v.end());
                else if (section == Range && v.size() == 3)
                    for (uint c = v[0]; c <= v[1]; ++c)
                        targets.insert(char32_t(v[2] + c - v[0]));
            }
        }
    }
    return maps;
}

} // namespace

TEST(PdfTextLayer, RadicalsMapToTheirIdeographs) {
    EXPECT_EQ(IdeographOfRadical(0x2F2F), char32_t(U'工'));
    EXPECT_EQ(IdeographOfRadical(0x2F24), char32_t(U'大'));
    EXPECT_EQ(IdeographOfRadical(0x2F54), char32_t(U'水'));
    EXPECT_EQ(IdeographOfRadical(0x2EDD), char32_t(U'食')) << "a supplement radical, by its glyph";
    EXPECT_EQ(IdeographOfRadical(U'工'), char32_t(U'工'));
    EXPECT_EQ(IdeographOfRadical(U'Z'), char32_t(U'Z'));
}

TEST(PdfTextLayer, EveryTextShownIsReadBack) {
    RegisterFontSubstitutions();
    QTemporaryDir dir;
    // Pile numbers, grades and standards after Latin letters; ideographs
    // that share their glyph with a radical, two of them in a row of
    // consecutive radicals (水火), which the subset maps as one range.
    const QStringList lines = {QStringLiteral("桩号:ZK6 强度等级:C40 JGJ 106-2014 JTG/T 3512—2020"),
                               QStringLiteral("工程名称:滨江大桥 人口 水火 食"),
                               QStringLiteral("完整性评价:Ⅰ类 0123456789")};
    const QString path = dir.filePath(QStringLiteral("text.pdf"));
    const QString text = WritePdf(path, lines);
    for (const QString& line : lines)
        EXPECT_EQ(text.count(line), 3) << line.toStdString() << "\n" << text.toStdString();
    for (QChar c : text)
        EXPECT_FALSE(c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF) << text.toStdString();

    // The repaired file is whole: poppler reads it without complaint, and a
    // second repair changes nothing.
    QString errors;
    const QString info = pit::test::toolOutput(QStringLiteral("pdfinfo"), {path}, &errors);
    EXPECT_TRUE(info.contains(QStringLiteral("Pages:"))) << info.toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    pit::test::toolOutput(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray once = f.readAll();
    EXPECT_EQ(RepairPdfTextLayer(once), once);
}

// Every face the program draws with, the Latin faces included (they draw
// a space and a tab with one glyph): a space reads back as a space, and
// the maps name no control character.
TEST(PdfTextLayer, SpacesReadBackAsSpacesInEveryFace) {
    RegisterFontSubstitutions();
    QTemporaryDir dir;
    const QString line = QStringLiteral("JGJ 106-2014 桩号 ZK6 C40 滨江大桥 1 2");
    for (const char* face : {"宋体", "新宋体", "黑体", "Arial", "Times New Roman", "Courier New"}) {
        SCOPED_TRACE(face);
        const QString path = dir.filePath(QStringLiteral("face.pdf"));
        {
            QPdfWriter pdf(path);
            pdf.setResolution(600);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            QPainter painter(&pdf);
            QFont f(QString::fromUtf8(face));
            f.setPixelSize(100);
            painter.setFont(f);
            painter.drawText(200, 400, line);
        }
        ASSERT_TRUE(RepairPdfTextLayerFile(path));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const std::vector<std::set<char32_t>> maps = ToUnicodeTargets(file.readAll());
        ASSERT_FALSE(maps.empty());
        std::set<char32_t> shown;
        for (const std::set<char32_t>& m : maps) {
            shown.insert(m.begin(), m.end());
            for (char32_t c : m)
                EXPECT_FALSE(c > 0 && c < 0x20) << "a map names U+" << std::hex << uint(c);
        }
        shown.erase(0); // the missing glyph
        std::set<char32_t> drawn;
        for (QChar c : line)
            drawn.insert(c.unicode());
        EXPECT_EQ(shown, drawn);
        const QString text = pit::test::toolOutput(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        EXPECT_TRUE(text.contains(line)) << text.toStdString();
    }
}

TEST(PdfTextLayer, OtherBytesComeBackUnchanged) {
    for (const QByteArray& bytes : {QByteArray(), QByteArray("not a pdf"),
                                    QByteArray("%PDF-1.4\n1 0 obj\n<< /Length 5 >>\nstream\nbegincmap\n")})
        EXPECT_EQ(RepairPdfTextLayer(bytes), bytes);
}

// A range of consecutive radicals grows into an array of ideographs, a
// range of control characters into one of spaces: the stream's length and
// every offset behind it follow.
TEST(PdfTextLayer, AGrowingRangeKeepsTheCrossReferences) {
    // With the glyph of a space named by a tab, alone and in a range; the
    // missing glyph keeps its 0.
    const QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                            "4 beginbfrange\n<0000> <0000> <0000>\n<0001> <0002> <0041>\n"
                            "<0003> <0004> <2F54>\n<0006> <0007> <0008>\nendbfrange\n"
                            "2 beginbfchar\n<0005> <2F2F>\n<0008> <0009>\nendbfchar\nendcmap\nend\nend\n";
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [] /Count 0 >>",
        "<< /Length " + QByteArray::number(cmap.size()) + " >>\nstream\n" + cmap + "\nendstream",
        "<< /Producer (test) >>",
    };
    auto build = [](const QList<QByteArray>& objs) {
        QByteArray pdf = "%PDF-1.4\n";
        QList<qsizetype> offsets;
        for (int i = 0; i < objs.size(); ++i) {
            offsets << pdf.size();
            pdf += QByteArray::number(i + 1) + " 0 obj\n" + objs[i] + "\nendobj\n";
        }
        const qsizetype xref = pdf.size();
        pdf += "xref\n0 " + QByteArray::number(objs.size() + 1) + "\n0000000000 65535 f \n";
        for (qsizetype o : offsets)
            pdf += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
        pdf += "trailer\n<< /Size " + QByteArray::number(objs.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
               QByteArray::number(xref) + "\n%%EOF\n";
        return pdf;
    };
    const QByteArray fixed = RepairPdfTextLayer(build(objects));
    const QByteArray fixedCmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "4 beginbfrange\n<0000> <0000> <0000>\n<0001> <0002> <0041>\n"
        "<0003> <0004> [<6C34> <706B> ]\n<0006> <0007> [<0020> <0020> ]\nendbfrange\n"
        "2 beginbfchar\n<0005> <5DE5>\n<0008> <0020>\nendbfchar\nendcmap\nend\nend\n";
    QList<QByteArray> want = objects;
    want[2] =
        "<< /Length " + QByteArray::number(fixedCmap.size()) + " >>\nstream\n" + fixedCmap + "\nendstream";
    EXPECT_EQ(fixed, build(want)) << fixed.toStdString();
}
