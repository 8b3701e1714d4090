// The picture files: the BMP writer checked byte by byte and read back by
// Qt's own reader; the EMF device read by two independent EMF readers
// (printemf parses every record, emf2svg-conv renders to SVG).
#include "platform/BmpWriter.h"
#include "platform/ByteCursor.h"
#include "platform/Canvas.h"
#include "platform/EmfDevice.h"
#include "platform/FontSetup.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a tool; its standard output, or a null array when it fails.
QByteArray RunTool(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return {};
    if (status)
        *status = p.exitCode();
    return p.readAllStandardOutput() + p.readAllStandardError();
}

// The test picture: lines, a Chinese text in "宋体", an Arial text, a cubic, an image.
void DrawSample(QPaintDevice& dev) {
    QPainter painter(&dev);
    gdi::Canvas dc(painter);
    const int u = dc.dpiX() / 96;
    dc.FillSolidRect(gdi::Rect(0, 0, 400 * u, 300 * u), 0xFFFFFF);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 2 * u, RGB(255, 0, 0)));
    dc.MoveTo(10 * u, 10 * u);
    dc.LineTo(390 * u, 10 * u);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_DASH, 1, RGB(0, 0, 255)));
    dc.Rectangle(gdi::Rect(20 * u, 20 * u, 120 * u, 80 * u));
    dc.SelectFont(gdi::Font::Create(20 * u, 400, QStringLiteral("宋体")));
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.TextOut(30 * u, 100 * u, QStringLiteral("工程名称"));
    dc.SelectFont(gdi::Font::Create(-16 * u, 700, QStringLiteral("Arial")));
    dc.TextOut(30 * u, 140 * u, QStringLiteral("Page 1"));
    dc.DrawBeziers({QPointF(10 * u, 250 * u), QPointF(100 * u, 150 * u), QPointF(200 * u, 290 * u),
                    QPointF(390 * u, 250 * u)},
                   gdi::SmoothPen{RGB(0, 128, 0), 1.5 * u, 0});
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    dc.DrawImage(gdi::Rect(300 * u, 200 * u, 380 * u, 240 * u), image);
}

struct EmfHeader {
    uint32_t type = 0, size = 0;
    gdi::Rect bounds, frame;
    uint32_t signature = 0, bytes = 0, records = 0;
    uint16_t handles = 0;
    QSize device, millimetres;
};

EmfHeader ParseHeader(const QByteArray& data) {
    ByteReader in(data);
    EmfHeader h;
    h.type = in.u32();
    h.size = in.u32();
    auto rect = [&in] {
        const int l = in.i32(), t = in.i32(), r = in.i32(), b = in.i32();
        return gdi::Rect(l, t, r, b);
    };
    h.bounds = rect();
    h.frame = rect();
    h.signature = in.u32();
    in.u32();
    h.bytes = in.u32();
    h.records = in.u32();
    h.handles = in.u16();
    in.seek(72);
    const int dx = in.i32(), dy = in.i32(), mx = in.i32(), my = in.i32();
    h.device = QSize(dx, dy);
    h.millimetres = QSize(mx, my);
    return h;
}

// Walks the records by their sizes: types in order.
std::vector<uint32_t> RecordTypes(const QByteArray& data) {
    std::vector<uint32_t> types;
    ByteReader in(data);
    while (in.remaining() >= 8) {
        const size_t at = in.pos();
        const uint32_t type = in.u32(), size = in.u32();
        types.push_back(type);
        if (size < 8 || size % 4 || at + size > in.size())
            return {};
        in.seek(at + size);
    }
    return types;
}

class PictureFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFontSubstitutions();
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PictureFilesTest, BmpOfAPageHasTheWindowsHeadersAndReadsBack) {
    QImage page(768, 1024, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setPixelColor(0, 0, QColor(10, 20, 30));        // top left
    page.setPixelColor(767, 1023, QColor(200, 100, 50)); // bottom right
    const QString path = dir.filePath(QStringLiteral("page.bmp"));
    ASSERT_TRUE(SaveBmp(page, path));
    const QByteArray b = ReadAll(path);
    ASSERT_EQ(b.size(), 2359350); // 54 + 2304 x 1024
    ByteReader in(b);
    EXPECT_EQ(in.u8(), 'B');
    EXPECT_EQ(in.u8(), 'M');
    EXPECT_EQ(in.u32(), 2359350u);
    EXPECT_EQ(in.u32(), 0u); // reserved
    EXPECT_EQ(in.u32(), 54u);
    EXPECT_EQ(in.u32(), 40u);
    EXPECT_EQ(in.i32(), 768);
    EXPECT_EQ(in.i32(), 1024); // bottom-up
    EXPECT_EQ(in.u16(), 1);
    EXPECT_EQ(in.u16(), 24);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(in.u32(), 0u) << "field " << i; // compression, image size, resolutions, colours
    // The first stored row is the bottom one, blue first.
    EXPECT_EQ(uint8_t(b[54 + 767 * 3]), 50);
    EXPECT_EQ(uint8_t(b[54 + 767 * 3 + 2]), 200);

    QImageReader reader(path);
    const QImage back = reader.read();
    ASSERT_FALSE(back.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(back.size(), QSize(768, 1024));
    EXPECT_EQ(back.pixelColor(0, 0), QColor(10, 20, 30));
    EXPECT_EQ(back.pixelColor(767, 1023), QColor(200, 100, 50));
    EXPECT_EQ(back.pixelColor(300, 500), QColor(Qt::white));
}

TEST_F(PictureFilesTest, BmpRowsArePaddedAndFailuresNameTheFile) {
    EXPECT_EQ(BmpRowBytes(1, 24), 4);
    EXPECT_EQ(BmpRowBytes(5, 24), 16);
    EXPECT_EQ(BmpRowBytes(768, 24), 2304);
    QImage odd(5, 3, QImage::Format_RGB32);
    odd.fill(Qt::black);
    EXPECT_EQ(BmpFileImage(odd).size(), 54 + 16 * 3);
    EXPECT_TRUE(BmpFileImage(QImage()).isEmpty());

    QString why;
    const QString bad = dir.filePath(QStringLiteral("no/such/folder/p.bmp"));
    EXPECT_FALSE(SaveBmp(odd, bad, &why, true));
    EXPECT_TRUE(why.contains(bad)) << why.toStdString();
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_TRUE(SaveBitmapToFileAtPrinterDepth(odd, dir.filePath(QStringLiteral("p.bmp"))));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("p.bmp")))[28], char(24));
}

// The black-and-white form of the database pictures: the header of the
// 350 x 270 picture field by field, rows bottom-up with the leftmost pixel in
// the top bit (1 white), two zero filler rows, and each pixel the nearer of
// black and white; Pillow reads the file back.
TEST_F(PictureFilesTest, MonochromeBmpHeaderRowsAndThreshold) {
    QImage image(350, 270, QImage::Format_RGB32);
    image.fill(Qt::white);
    const struct {
        int x, y;
        QColor color;
        bool white;
    } pixels[] = {
        {0, 0, QColor(0, 0, 0), false},      {1, 0, QColor(127, 127, 127), false},
        {2, 0, QColor(128, 128, 128), true}, {3, 0, QColor(255, 0, 127), false},
        {4, 0, QColor(255, 0, 128), true},   {349, 269, QColor(20, 20, 20), false},
        {8, 100, QColor(0, 0, 255), false},  {9, 100, QColor(0, 255, 255), true},
    };
    for (const auto& p : pixels)
        image.setPixelColor(p.x, p.y, p.color);

    const QByteArray b = BmpFileImage(image, BmpDepth::Mono1);
    ASSERT_EQ(b.size(), 12030);
    const struct {
        int offset, size;
        uint32_t value;
    } fields[] = {
        {0, 2, 0x4D42}, {2, 4, 12030}, {6, 2, 0},  {8, 2, 0},  {10, 4, 62}, {14, 4, 40},
        {18, 4, 350},   {22, 4, 270},  {26, 2, 1}, {28, 2, 1}, {30, 4, 0},  {34, 4, 11968},
        {38, 4, 0},     {42, 4, 0},    {46, 4, 2}, {50, 4, 0}, {54, 4, 0},  {58, 4, 0x00FFFFFF},
    };
    for (const auto& f : fields) {
        ByteReader in(b);
        in.seek(f.offset);
        EXPECT_EQ(f.size == 2 ? in.u16() : in.u32(), f.value) << "offset " << f.offset;
    }
    const int stride = 44;
    auto bit = [&](int x, int y) { // y from the top
        const uint8_t byte = uint8_t(b[62 + (269 - y) * stride + x / 8]);
        return (byte >> (7 - x % 8)) & 1;
    };
    for (const auto& p : pixels)
        EXPECT_EQ(bit(p.x, p.y), p.white ? 1 : 0) << p.x << "," << p.y;
    EXPECT_EQ(bit(5, 0), 1);
    // The two bits past the width and the filler rows are zero.
    EXPECT_EQ(uint8_t(b[62 + 43]), 0xF8); // bottom row: 344..348 white, 349 black
    EXPECT_EQ(uint8_t(b[62 + 269 * stride + 43]), 0xFC);
    EXPECT_EQ(b.mid(62 + 270 * stride), QByteArray(2 * stride, '\0'));

    // Debian's Python, which has the Pillow of the setup script.
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    const QString path = dir.filePath(QStringLiteral("mono.bmp"));
    ASSERT_TRUE(SaveBmp(image, path, nullptr, false, BmpDepth::Mono1));
    int status = -1;
    const QByteArray out =
        RunTool(python,
                {QStringLiteral("-c"),
                 QStringLiteral("import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                                "print(im.size[0], im.size[1], im.mode); "
                                "print(''.join('1' if im.getpixel((x, y)) else '0' "
                                "for y in range(im.size[1]) for x in range(im.size[0])))"),
                 path},
                &status);
    ASSERT_EQ(status, 0) << out.toStdString();
    const QList<QByteArray> lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << out.toStdString();
    EXPECT_EQ(lines[0].trimmed(), QByteArray("350 270 1"));
    QByteArray expected;
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 350; ++x) {
            const QColor c = image.pixelColor(x, y);
            expected += c.red() + c.green() + c.blue() > 382 ? '1' : '0';
        }
    EXPECT_EQ(lines[1].trimmed(), expected);
}

TEST_F(PictureFilesTest, MetafileFrameOfAPixelPicture) {
    // 1920 px of the nominal screen are 508 mm; the scale divides.
    struct Case {
        double scale;
        gdi::Rect frame;
    };
    const Case cases[] = {{100, {0, 0, 50800, 38100}},
                          {125, {0, 0, 40640, 30480}},
                          {0, {0, 0, 50800, 38100}},
                          {-5, {0, 0, 50800, 38100}},
                          {150, {0, 0, 33866, 25400}}};
    for (const Case& c : cases)
        EXPECT_EQ(MetafileFrameForPixels(1920, 1440, c.scale), c.frame) << c.scale;
    auto dc = CreateMetafileDC(768, 400, 100);
    EXPECT_EQ(dc->Frame(), gdi::Rect(0, 0, 20300, 10500)); // trunc(203.2) mm, trunc(105.8) mm
    EXPECT_EQ(dc->logicalDpiX(), 96);
    EXPECT_EQ(dc->width(), 768);
}

TEST_F(PictureFilesTest, MetafilesAreReadByIndependentReaders) {
    const QString printemf = QStandardPaths::findExecutable(QStringLiteral("printemf"));
    const QString emf2svg = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    ASSERT_FALSE(printemf.isEmpty()) << "printemf (scripts/install-deps.sh)";
    ASSERT_FALSE(emf2svg.isEmpty()) << "emf2svg-conv (scripts/install-deps.sh)";

    for (const EmfReference& ref : {EmfReference::Screen(), EmfReference::Printer()}) {
        SCOPED_TRACE(ref.dpiX);
        const int u = ref.dpiX / 96;
        EmfDevice emf(QSize(400 * u, 300 * u), ref);
        emf.SetFrame(gdi::Rect(0, 0, 10583, 7937));
        emf.SetDescription(QStringLiteral("KEV_DUX"), QStringLiteral("sample"));
        DrawSample(emf);
        const QString path = dir.filePath(QStringLiteral("sample%1.emf").arg(ref.dpiX));
        ASSERT_TRUE(emf.Save(path));

        const QByteArray data = ReadAll(path);
        const EmfHeader h = ParseHeader(data);
        EXPECT_EQ(h.type, 1u);
        EXPECT_EQ(h.signature, 0x464D4520u);
        EXPECT_EQ(h.bytes, uint32_t(data.size()));
        EXPECT_EQ(h.frame, gdi::Rect(0, 0, 10583, 7937));
        EXPECT_EQ(h.device, ref.pixels);
        EXPECT_EQ(h.millimetres, ref.millimetres);
        EXPECT_EQ(h.bounds, gdi::Rect(0, 0, 400 * u - 1, 300 * u - 1));
        const std::vector<uint32_t> types = RecordTypes(data);
        ASSERT_EQ(types.size(), h.records);
        EXPECT_EQ(types.back(), 14u);                     // EOF
        for (uint32_t t : {43u, 84u, 85u, 81u, 82u, 95u}) // rectangle, text, Bézier, image, font, wide pen
            EXPECT_NE(std::find(types.begin(), types.end(), t), types.end()) << t;

        // printemf knows no picture records; every other record it parses.
        int status = -1;
        const QString dump = QString::fromUtf8(RunTool(printemf, {path}, &status));
        EXPECT_EQ(status, 0) << dump.toStdString();
        EXPECT_TRUE(dump.contains(QStringLiteral("*EOF*"))) << dump.left(2000).toStdString();
        EXPECT_EQ(dump.count(QStringLiteral("unknown record")), 1) << dump.toStdString();
        EXPECT_TRUE(dump.contains(QStringLiteral("unknown record type 81 "))) << dump.toStdString();
        EXPECT_TRUE(dump.contains(QStringLiteral("*EXTTEXTOUTW*")));
        EXPECT_TRUE(dump.contains(QStringLiteral("*POLYBEZIER16*")));

        const QString svgPath = dir.filePath(QStringLiteral("sample%1.svg").arg(ref.dpiX));
        RunTool(emf2svg, {QStringLiteral("-i"), path, QStringLiteral("-o"), svgPath}, &status);
        EXPECT_EQ(status, 0);
        const QString svg = QString::fromUtf8(ReadAll(svgPath));
        const qsizetype text = svg.indexOf(QStringLiteral("工程名称"));
        ASSERT_GE(text, 0) << svg.left(3000).toStdString();
        const qsizetype open = svg.lastIndexOf(QStringLiteral("<text"), text);
        EXPECT_TRUE(svg.mid(open, text - open).contains(QStringLiteral("宋体")))
            << svg.mid(open, 400).toStdString();
        EXPECT_TRUE(svg.contains(QStringLiteral("Page 1")));
        EXPECT_TRUE(svg.contains(QStringLiteral("<image"))) << "the picture record";
    }
}

// A text longer than its clip or than the picture keeps only the characters
// shown, and the bounds count only those; a text shown nowhere is left out;
// a turned text turns its font.
TEST_F(PictureFilesTest, MetafileTextsKeepWhatThePictureShows) {
    EmfDevice emf(QSize(300, 100));
    const QString digits = QStringLiteral("0123456789").repeated(300);
    {
        QPainter p(&emf);
        gdi::Canvas dc(p, 0, 0, false);
        dc.SelectFont(gdi::Font::Create(16, 400, QStringLiteral("Arial")));
        gdi::Rect field(20, 10, 120, 40);
        dc.DrawText(digits, field, gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
        dc.TextOut(-500, 60, QStringLiteral("hidden ") + digits); // past both edges
        gdi::Rect nowhere(20, 70, 120, 90);
        dc.IntersectClipRect(gdi::Rect(200, 0, 300, 50));
        dc.DrawText(QStringLiteral("outside"), nowhere, gdi::DT_SINGLELINE);
        dc.RemoveClip();
        dc.SetWorldTransform(QTransform(0, -1, 1, 0, 0, 90));
        dc.TextOut(0, 250, QStringLiteral("cm/s"));
        dc.ResetWorldTransform();
    }
    const QByteArray data = emf.Data();
    const EmfHeader h = ParseHeader(data);
    EXPECT_GE(h.bounds.left, 0);
    EXPECT_LE(h.bounds.right, 299);
    QStringList texts;
    std::vector<int> escapements;
    ByteReader in(data);
    while (in.remaining() >= 8) {
        const size_t at = in.pos();
        const uint32_t type = in.u32(), size = in.u32();
        ASSERT_GE(size, 8u);
        if (type == 84) { // EMR_EXTTEXTOUTW: bounds, mode, scales, reference, length, offset
            in.seek(at + 8);
            const int l = in.i32(), top = in.i32(), r = in.i32(), bottom = in.i32();
            const gdi::Rect b(l, top, r, bottom);
            EXPECT_GE(b.left, 0);
            EXPECT_LE(b.right, 299);
            in.seek(at + 44);
            const uint32_t n = in.u32(), off = in.u32();
            QString s;
            for (uint32_t i = 0; i < n; ++i)
                s += QChar(char16_t(uint8_t(data[qsizetype(at + off + 2 * i)]) |
                                    uint8_t(data[qsizetype(at + off + 2 * i + 1)]) << 8));
            texts << s;
        } else if (type == 82) { // EMR_EXTCREATEFONTINDIRECTW: handle, height, width, escapement
            in.seek(at + 20);
            escapements.push_back(in.i32());
        }
        in.seek(at + size);
    }
    ASSERT_EQ(texts.size(), 3) << texts.join(u'|').toStdString();
    EXPECT_TRUE(digits.startsWith(texts[0]));
    EXPECT_GT(texts[0].size(), 5);
    EXPECT_LT(texts[0].size(), 20);
    EXPECT_TRUE(digits.contains(texts[1]));
    EXPECT_LT(texts[1].size(), 40);
    EXPECT_EQ(texts[2], QStringLiteral("cm/s"));
    EXPECT_NE(std::find(escapements.begin(), escapements.end(), 900), escapements.end());
}

// Dashed pens made from a GDI style leave as that stock style, which the word
// processors and emf2svg draw dashed; a real custom pattern stays a user style.
TEST_F(PictureFilesTest, DashedPensKeepTheirStockStyle) {
    const QString emf2svg = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    ASSERT_FALSE(emf2svg.isEmpty()) << "emf2svg-conv (scripts/install-deps.sh)";
    struct Case {
        gdi::Pen pen;
        uint32_t type, style, width, entries; // the pen record read back
        bool dashed;                          // drawn dashed by emf2svg
    };
    constexpr uint32_t geoFlat = 0x10000 | 0x200 | 0x2000; // geometric, flat ends, mitred joins
    const Case cases[] = {
        {gdi::Pen::Create(gdi::PS_DOT, 1, RGB(255, 0, 0)), 38, 2, 1, 0, true},
        {gdi::Pen::Create(gdi::PS_DASHDOT, 1, RGB(0, 255, 0)), 38, 3, 1, 0, true},
        {gdi::Pen::Create(gdi::PS_DASHDOTDOT, 0, RGB(0, 0, 255)), 38, 4, 1, 0, true},
        // A curve style's pen: geometric, drawn on pixels with its own pattern.
        {gdi::Pen::Ext(gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | gdi::PS_DASH, 3, RGB(1, 2, 3), {9, 6}), 95,
         geoFlat | 1, 3, 0, true},
        {gdi::Pen::Ext(gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | gdi::PS_USERSTYLE, 2, RGB(4, 5, 6),
                       {2, 2, 8, 8}),
         95, geoFlat | 7, 2, 4, false},
        // A styled cosmetic pen wider than one pixel draws solid.
        {gdi::Pen::Create(gdi::PS_DASH, 3, RGB(7, 8, 9)), 95, 0x10000 | 0x100 | 0x2000, 3, 0, false},
    };
    EmfDevice emf(QSize(400, 300));
    {
        QPainter painter(&emf);
        gdi::Canvas dc(painter);
        dc.SetBkMode(gdi::TRANSPARENT); // no background lines in the dashes' gaps
        int y = 20;
        for (const Case& c : cases) {
            dc.SelectPen(c.pen);
            dc.MoveTo(10, y);
            dc.LineTo(390, y);
            y += 40;
        }
    }
    const QString path = dir.filePath(QStringLiteral("pens.emf"));
    ASSERT_TRUE(emf.Save(path));

    // The pen records in the order they were made.
    struct PenRecord {
        uint32_t type, style, width, entries;
    };
    std::vector<PenRecord> pens;
    const QByteArray data = ReadAll(path);
    ByteReader in(data);
    while (in.remaining() >= 8) {
        const size_t at = in.pos();
        const uint32_t type = in.u32(), size = in.u32();
        if (type == 38) {
            in.u32();
            const uint32_t style = in.u32(), width = in.u32();
            pens.push_back({type, style, width, 0});
        } else if (type == 95) {
            in.skip(5 * 4);
            const uint32_t style = in.u32(), width = in.u32();
            in.skip(3 * 4);
            pens.push_back({type, style, width, in.u32()});
        }
        in.seek(at + size);
    }
    QString dump;
    for (const PenRecord& p : pens)
        dump += QStringLiteral("%1 %2 %3 %4; ").arg(p.type).arg(p.style, 0, 16).arg(p.width).arg(p.entries);
    ASSERT_EQ(pens.size(), std::size(cases)) << dump.toStdString();
    for (size_t i = 0; i < pens.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pens[i].type, cases[i].type);
        EXPECT_EQ(pens[i].style, cases[i].style);
        EXPECT_EQ(pens[i].width, cases[i].width);
        EXPECT_EQ(pens[i].entries, cases[i].entries);
    }

    // emf2svg draws the stock styles dashed, one line each.
    const QString svgPath = dir.filePath(QStringLiteral("pens.svg"));
    int status = -1;
    RunTool(emf2svg, {QStringLiteral("-i"), path, QStringLiteral("-o"), svgPath}, &status);
    ASSERT_EQ(status, 0);
    const QString svg = QString::fromUtf8(ReadAll(svgPath));
    int dashed = 0;
    for (const Case& c : cases)
        dashed += c.dashed;
    EXPECT_EQ(svg.count(QStringLiteral("stroke-dasharray")), dashed) << svg.toStdString();
}
