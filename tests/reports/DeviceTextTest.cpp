// Pile texts with control characters and '&' on every device a report page
// goes to: the recording device, the printer's PDF (read back by pdftotext),
// the page metafile (read by its records and by emf2svg-conv with an XML
// parser), the page bitmap and the print preview's picture. Each shows the
// characters the Word documents show.
#include "core/wave/WaveRecord.h"
#include "platform/RecordingDevice.h"
#include "reports/PrintJob.h"
#include "reports/RepProjectA.h"
#include "reports/RepSingle.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QImageReader>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace pit::test {
namespace {

constexpr int kTextDpi = 150;

// Control characters (but the breaks of a text file: tab, line feed, form
// feed), DEL, and what stands for a character no font has.
QString Strays(const QString& text) {
    QString out;
    for (QChar c : text)
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\f') || c.unicode() == 0x7F ||
            c.unicode() == 0xFFFD)
            out += QStringLiteral("U+%1 ").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return out;
}

// The strings of the metafile's EMR_EXTTEXTOUTW records, walked by their sizes.
QStringList MetafileTexts(const QByteArray& emf) {
    const pit::test::MetafileText m = pit::test::readMetafileText(emf);
    QStringList texts = m.texts;
    if (!m.ok)
        texts << QStringLiteral("<broken record at %1>").arg(m.brokenAt);
    return texts;
}

// The texts of an SVG file run together, read by an XML parser; the
// parser's error, if any.
QString SvgText(const QByteArray& svg, QString* error) {
    QXmlStreamReader xml(svg);
    QString text;
    int inText = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            inText += xml.name() == QLatin1String("text");
            break;
        case QXmlStreamReader::EndElement:
            inText -= xml.name() == QLatin1String("text");
            break;
        case QXmlStreamReader::Characters:
            if (inText > 0)
                text += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        *error = xml.errorString() + QStringLiteral(" at line %1").arg(xml.lineNumber());
    return text;
}

// The texts of the page as typed, and as the documents show them.
struct PageTexts {
    QString header, footer, project, pileNo, conclusion;
};
const QChar VT(0x0B);
const PageTexts kTyped{
    QStringLiteral("Header A & B") + QChar(0x02),
    QStringLiteral("Foot") + VT + QStringLiteral("note && more"),
    QStringLiteral("桥A&B") + QChar(0x01) + QStringLiteral("工程"),
    QStringLiteral("ZK") + QChar(0x1B) + QStringLiteral("7&8") + QChar(0x7F),
    QStringLiteral("1.2m") + QChar(0x07) + QStringLiteral("处") + VT + QStringLiteral("缩径&") + QChar(0x1F),
};
// Single lines show a break as a space; the results block breaks the line there.
const PageTexts kShown{QStringLiteral("Header A & B"), QStringLiteral("Foot note && more"),
                       QStringLiteral("桥A&B工程"), QStringLiteral("ZK7&8"), QStringLiteral("1.2m处\n缩径&")};
// What a reader finds on the page, in pieces a line each.
const QStringList kFound = {QStringLiteral("Header A & B"), QStringLiteral("Foot note && more"),
                            QStringLiteral("桥A&B工程"),    QStringLiteral("ZK7&8"),
                            QStringLiteral("1.2m处"),       QStringLiteral("缩径&")};

struct DeviceTextTest : ReportFixture {
    void SetUp() override {
        ReportFixture::SetUp();
        Open(WritePile(QStringLiteral("A1.DUX"), SavedPile(QStringLiteral("A1"))));
        CPrintSettings& s = doc->m_PrintSettings;
        s.m_bpagehead = 1;
        s.m_bpagefoot = 1;
        s.m_bprpage = 1;
        s.m_npageloc = 2; // the number clear of the footer text
    }
    // The page of the builder's own pile with these texts.
    std::unique_ptr<CRepSingle> Make(const PageTexts& t) {
        CPrintSettings& s = doc->m_PrintSettings;
        s.m_strphcon = t.header;
        s.m_strpfcon = t.footer;
        doc->m_ProjectInfo.m_texts[0] = t.project;
        doc->m_PileRecord.m_strPileNo = t.pileNo;
        doc->m_PileRecord.m_strConclusion = t.conclusion;
        return std::make_unique<CRepSingle>(Env(kTextDpi), &doc->m_PileRecord, nullptr);
    }
    // Page 1 through the print hosts' page loop on an A4 page at kTextDpi.
    void PrintFirstPage(CReportBuilder& b, QPainter& painter) {
        PageMetrics m;
        m.dpiX = m.dpiY = kTextDpi;
        m.horzRes = 1240;
        m.vertRes = 1754;
        ReportPages pages(b, doc->m_PrintSettings, m);
        CPrintInfo info;
        b.SetPageRange(info);
        info.fromPage = info.toPage = 1;
        EXPECT_EQ(PrintPages(painter, pages, info, [] { return true; }), 1);
    }
    QImage Preview(const PageTexts& t) {
        auto b = Make(t);
        QPicture picture;
        {
            QPainter p(&picture);
            PrintFirstPage(*b, p);
        }
        QImage img(1240, 1754, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        picture.play(&p);
        return img;
    }
    QImage Bitmap(const PageTexts& t, const QString& name) {
        const QString path = tmp.filePath(name);
        services.answers.push_back(path);
        EXPECT_TRUE(Make(t)->ExportBmp());
        return QImageReader(path).read();
    }
    static void ExpectFound(const QString& text, const char* device) {
        SCOPED_TRACE(device);
        EXPECT_EQ(Strays(text), QString()) << text.toStdString();
        for (const QString& s : kFound)
            EXPECT_TRUE(text.contains(s)) << s.toStdString() << " in " << text.toStdString();
    }
};

} // namespace

TEST_F(DeviceTextTest, RecordingDeviceAndPrintedPdf) {
    auto b = Make(kTyped);
    gdi::RecordingDevice dev(1240, 1754, kTextDpi, kTextDpi);
    {
        QPainter p(&dev);
        PrintFirstPage(*b, p);
    }
    // Qt hands mixed scripts over in pieces: the texts run together.
    ExpectFound(dev.textList().join(QString()), "recording device");
    EXPECT_TRUE(dev.textList().contains(QStringLiteral("Header A & B")))
        << dev.textList().join(u'|').toStdString();

    const QString pdf = tmp.filePath(QStringLiteral("page.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        CPrintInfo info;
        b->SetPageRange(info);
        EXPECT_EQ(PrintPages(writer, *b, doc->m_PrintSettings, info, pdf), 1);
    }
    const QString text = pit::test::toolOutput(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ExpectFound(text, "PDF");
}

// The project report's cells and title line, from the pile's own file.
TEST_F(DeviceTextTest, ProjectCellsOnTheRecordingDevice) {
    DuxAnalysis a = SavedPile(QStringLiteral("T1"));
    a.conclusion = kTyped.conclusion;
    WritePile(QStringLiteral("T1.DUX"), a);
    doc->m_ProjectInfo.ScanFolder(folder);
    Make(kTyped);                            // the header, footer and project name
    doc->m_PrintSettings.m_bHeadInfo[9] = 1; // the title line
    auto list = List({QStringLiteral("T1.DUX")});
    CRepProjectA b(Env(kTextDpi), list.get());
    b.UpdatePileList();
    ASSERT_EQ(b.Items().size(), 1u);
    gdi::RecordingDevice dev(1240, 1754, kTextDpi, kTextDpi);
    {
        QPainter p(&dev);
        PrintFirstPage(b, p);
    }
    const QString joined = dev.textList().join(QString());
    EXPECT_EQ(Strays(joined), QString()) << joined.toStdString();
    for (const QString& s : {QStringLiteral("Header A & B"), QStringLiteral("Foot note && more"),
                             QStringLiteral("桥A&B工程"), QStringLiteral("1.2m处 缩径&")})
        EXPECT_TRUE(joined.contains(s)) << s.toStdString() << " in " << joined.toStdString();
}

TEST_F(DeviceTextTest, PageMetafileReadByItsRecordsAndByEmf2svg) {
    const QString path = tmp.filePath(QStringLiteral("page.emf"));
    services.answers.push_back(path);
    ASSERT_TRUE(Make(kTyped)->ExportEmf());
    const QStringList texts = MetafileTexts(pit::test::readFileBytes(path));
    ExpectFound(texts.join(QString()), "metafile records");

    const QString svgPath = tmp.filePath(QStringLiteral("page.svg"));
    pit::test::toolOutput(QStringLiteral("emf2svg-conv"),
                          {QStringLiteral("-i"), path, QStringLiteral("-o"), svgPath});
    QString error;
    const QString svg = SvgText(pit::test::readFileBytes(svgPath), &error);
    EXPECT_EQ(error, QString()) << "emf2svg-conv's SVG is well-formed XML";
    ExpectFound(svg, "emf2svg-conv");
}

// The bitmap and the preview show the pixels of the page with the texts as
// the documents show them.
TEST_F(DeviceTextTest, BitmapAndPreviewDrawTheShownTexts) {
    const QImage typed = Bitmap(kTyped, QStringLiteral("typed.bmp"));
    ASSERT_FALSE(typed.isNull());
    EXPECT_EQ(typed, Bitmap(kShown, QStringLiteral("shown.bmp")));
    EXPECT_EQ(Preview(kTyped), Preview(kShown));
}

} // namespace pit::test
