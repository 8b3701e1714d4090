// The single-pile report: page layout, the blocks on the recording device,
// printing from a list into the builder's own record, the picture exports
// with fake services and the Word export with a fake writer.
#include "core/wave/WaveRecord.h"
#include "platform/RecordingDevice.h"
#include "reports/PrintJob.h"
#include "reports/RepSingle.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>

namespace pit::test {
namespace {

struct SingleReportTest : ReportFixture {
    QString p1, p2;
    void SetUp() override {
        ReportFixture::SetUp();
        p1 = WritePile(QStringLiteral("A1.DUX"), SavedPile(QStringLiteral("A1")));
        DuxAnalysis second = SavedPile(QStringLiteral("A2"));
        second.conclusion = QStringLiteral("1.2m处缩径");
        p2 = WritePile(QStringLiteral("A2.DUX"), second);
        Open(p1);
    }
    std::unique_ptr<CRepSingle> Make(const ListRows* list = nullptr, int dpi = 600) {
        return std::make_unique<CRepSingle>(Env(dpi), &doc->m_PileRecord, list);
    }
    // The page of the builder's own pile on the recording device at 96 dpi.
    std::vector<gdi::RecordedItem> Draw(CRepSingle& b, gdi::RecordingDevice& dev) {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 0, 0, false);
        b.LayoutPage(gdi::Rect(51, 34, 717, 990), dc);
        CPrintInfo info;
        b.PrintPage(dc, info);
        painter.end();
        return dev.items();
    }
    static QStringList Texts(const gdi::RecordingDevice& dev) { return dev.textList(); }
    // All texts run together: Qt hands mixed scripts over in pieces.
    static QString Joined(const gdi::RecordingDevice& dev) { return dev.textList().join(QString()); }
};

} // namespace

TEST(SingleReportLayout, BlocksOfACell) {
    struct Case {
        int dpi, top, gap, bottom;
        gdi::Rect cell;
        CRepSingle::Blocks want;
    };
    const gdi::Rect cell(51, 34, 717, 990);
    const Case cases[] = {
        {96,
         50,
         20,
         20,
         cell,
         {{51, 84, 717, 343}, {51, 363, 717, 507}, {51, 507, 717, 795}, {51, 795, 717, 970}}},
        // Picture mode: 12, 5, 5 design pixels. A = 956 - 22 = 934.
        {96,
         12,
         5,
         5,
         cell,
         {{51, 46, 717, 326}, {51, 331, 717, 486}, {51, 486, 717, 797}, {51, 797, 717, 985}}},
    };
    for (const Case& c : cases) {
        const CRepSingle::Blocks b = CRepSingle::SplitPage(c.cell, c.dpi, c.top, c.gap, c.bottom);
        EXPECT_EQ(b.head, c.want.head) << c.top;
        EXPECT_EQ(b.param, c.want.param) << c.top;
        EXPECT_EQ(b.curve, c.want.curve) << c.top;
        EXPECT_EQ(b.result, c.want.result) << c.top;
    }
    // At 600 dpi the design pixels become 312, 125 and 125 device pixels.
    const gdi::Rect page(300, 200, 4500, 6500);
    const CRepSingle::Blocks b = CRepSingle::SplitPage(page, 600, 50, 20, 20);
    EXPECT_EQ(b.head.top, 200 + 312);
    EXPECT_EQ(b.param.top, b.head.bottom + 125);
    EXPECT_EQ(b.result.bottom, 6500 - 125);
}

TEST(SingleReportLayout, ResultTextsInBothLanguages) {
    struct Case {
        QString result, zh1, zh2, en1, en2;
    };
    const Case cases[] = {
        {QStringLiteral("桩身完整"),
         QStringLiteral("测试结果: 桩身完整"),
         {},
         QStringLiteral("TIMBO Test Results:桩身完整"),
         {}},
        {QStringLiteral("1.2m处缩径"), QStringLiteral("测试结果: "), QStringLiteral("缺陷描述: 1.2m处缩径"),
         QStringLiteral("TIMBO Test Results:"), QStringLiteral("Defect Description:1.2m处缩径")},
        // The first 14 characters go; the rest decides.
        {QStringLiteral("Good Integrity: neck at 3m"), QStringLiteral("测试结果: "),
         QStringLiteral("缺陷描述: : neck at 3m"), QStringLiteral("TIMBO Test Results:"),
         QStringLiteral("Good Integrity: neck at 3m")},
        {QStringLiteral("Pile Integrity, Integrity good"),
         QStringLiteral("测试结果: Integrity"),
         {},
         QStringLiteral("TIMBO Test Results:"),
         QStringLiteral("Pile Integrity, Integrity good")},
        {QString(), QStringLiteral("测试结果: "), QStringLiteral("缺陷描述: "),
         QStringLiteral("TIMBO Test Results:"), QStringLiteral("Defect Description:")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CRepSingle::ResultTexts(c.result, false), std::make_pair(c.zh1, c.zh2))
            << c.result.toStdString();
        EXPECT_EQ(CRepSingle::ResultTexts(c.result, true), std::make_pair(c.en1, c.en2))
            << c.result.toStdString();
    }
    EXPECT_EQ(CRepSingle::ElevationText(0.0000005f), QStringLiteral("-"));
    EXPECT_EQ(CRepSingle::ElevationText(-0.000001f), QStringLiteral("-"));
    EXPECT_EQ(CRepSingle::ElevationText(-11.25f), QStringLiteral("-11.25 "));
}

TEST(SingleReportLayout, HeaderValuesWrapAtTheCellWidth) {
    auto measure = [](const QString& s) { return 10 * int(s.size()); };
    EXPECT_EQ(CRepSingle::WrapValue(QStringLiteral("abcdefghij"), 40, measure),
              (QStringList{QStringLiteral("abcd"), QStringLiteral("efgh"), QStringLiteral("ij")}));
    EXPECT_EQ(CRepSingle::WrapValue(QStringLiteral("abc"), 40, measure), QStringList{QStringLiteral("abc")});
    // A cell of no width gives one line instead of dividing by it.
    EXPECT_EQ(CRepSingle::WrapValue(QStringLiteral("abcdef"), 0, measure),
              QStringList{QStringLiteral("abcdef")});
    EXPECT_EQ(CRepSingle::WrapValue(QStringLiteral("abcdef"), -5, measure),
              QStringList{QStringLiteral("abcdef")});
}

TEST_F(SingleReportTest, BlocksOnTheRecordingDevice) {
    doc->m_ProjectInfo.m_texts[0] = QString(70, u'桥'); // 70 characters
    doc->m_PrintSettings.m_nSingleRepType = 0;
    auto b = Make();
    gdi::RecordingDevice dev(768, 1024);
    Draw(*b, dev);
    const QStringList texts = Texts(dev);
    EXPECT_TRUE(texts.contains(QStringLiteral("低应变反射波法单桩检测报告单")));
    EXPECT_TRUE(texts.contains(QStringLiteral("A1")));
    // The project name: its first 57 characters over several lines.
    QString name;
    int lines = 0;
    for (const QString& t : texts) {
        if (QRegularExpression(QStringLiteral("^桥+$")).match(t).hasMatch()) {
            name += t;
            ++lines;
        }
    }
    EXPECT_EQ(name, doc->m_ProjectInfo.m_texts[0].left(57));
    EXPECT_GT(lines, 1);
    // Elevations: a value within 1e-6 of zero prints "-".
    EXPECT_TRUE(texts.contains(QStringLiteral("1.25")));
    EXPECT_TRUE(texts.contains(QStringLiteral("-11.25")));
    EXPECT_TRUE(texts.contains(QStringLiteral("-")));
    EXPECT_TRUE(texts.contains(QStringLiteral("测试结果: 桩身完整")));
    const QStringList extra = {QStringLiteral("桩长 (m)"), QStringLiteral("波速 (m/s)"),
                               QStringLiteral("桩类别")};
    for (const QString& label : extra)
        EXPECT_FALSE(Joined(dev).contains(label)) << label.toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("设计桩端标高")));
    EXPECT_EQ(b->ExtraRows(), 0);
    auto caption = [](const gdi::RecordingDevice& d) {
        for (const auto& t : d.texts())
            if (t.text == QStringLiteral("原始测试曲线:"))
                return t.rect.top();
        return -1.0;
    };
    const double captionTop = caption(dev);

    // Report type 1: eleven pairs; curve and results two fifths of the table lower.
    doc->m_PrintSettings.m_nSingleRepType = 1;
    gdi::RecordingDevice dev1(768, 1024);
    Draw(*b, dev1);
    for (const QString& label : extra)
        EXPECT_TRUE(Joined(dev1).contains(label)) << label.toStdString();
    const int param = b->CurrentBlocks().param.Height();
    EXPECT_EQ(b->ExtraRows(), 2 * param / 5);
    EXPECT_DOUBLE_EQ(caption(dev1), captionTop + 2 * param / 5);

    // All four blocks off: nothing on the page.
    doc->m_PrintSettings.m_bHead1 = doc->m_PrintSettings.m_bHead2 = 0;
    doc->m_PrintSettings.m_bWaveGraph = doc->m_PrintSettings.m_bDetectResult = 0;
    gdi::RecordingDevice none(768, 1024);
    EXPECT_TRUE(Draw(*b, none).empty());
}

// A conclusion of 3,000 characters keeps inside the results block, above the
// submit line: as many lines as fit, the last cut with "...".
TEST_F(SingleReportTest, LongConclusionKeepsAboveTheSubmitLine) {
    QString conclusion;
    while (conclusion.size() < 3000)
        conclusion += QStringLiteral("1.2m处轻微缩径，2.5m处离析；");
    conclusion.truncate(3000);
    doc->m_PileRecord.m_strConclusion = conclusion;
    for (const int type : {0, 1}) { // type 1 moves the block's top down
        SCOPED_TRACE(type);
        doc->m_PrintSettings.m_nSingleRepType = type;
        auto b = Make();
        gdi::RecordingDevice dev(768, 1024);
        Draw(*b, dev);
        gdi::Rect block = b->CurrentBlocks().result;
        block.top += b->ExtraRows();
        const auto texts = dev.texts();
        const auto submit = std::find_if(texts.begin(), texts.end(), [](const gdi::RecordedItem& t) {
            return t.text.startsWith(QStringLiteral("提交报告时间"));
        });
        ASSERT_NE(submit, texts.end());
        EXPECT_LE(submit->rect.bottom(), block.bottom + 1);
        QString shown;
        int lines = 0;
        for (const gdi::RecordedItem& t : texts) {
            if (t.rect.top() < block.top || &t == &*submit || t.text.startsWith(QStringLiteral("测试结果")))
                continue;
            EXPECT_LE(t.rect.bottom(), submit->rect.top() + 1) << t.text.toStdString();
            shown += t.text;
            ++lines;
        }
        EXPECT_GT(lines, 3);
        ASSERT_TRUE(shown.endsWith(QStringLiteral("..."))) << shown.toStdString();
        shown.chop(3);
        EXPECT_TRUE((QStringLiteral("缺陷描述: ") + conclusion).startsWith(shown)) << shown.toStdString();
        EXPECT_GT(shown.size(), 100);
    }
}

TEST_F(SingleReportTest, CommonValuesReplaceOnlyTheFlaggedHeaderValues) {
    doc->m_bUseCommonInfo = 1;
    doc->m_CommonInfo.m_strProjectName = QStringLiteral("Common project");
    doc->m_CommonInfo.m_strTester = QStringLiteral("Common tester");
    doc->m_CommonInfo.SetUse(CCommonInfo::ProjectName, true);
    auto b = Make();
    gdi::RecordingDevice dev(768, 1024);
    Draw(*b, dev);
    EXPECT_TRUE(Texts(dev).contains(QStringLiteral("Common project")));
    EXPECT_FALSE(Texts(dev).contains(QStringLiteral("Common tester")));
}

TEST_F(SingleReportTest, PrintedPagesLoadIntoTheBuildersRecord) {
    // A pile of the project whose file is damaged after the project was read.
    const QString bad = WritePile(QStringLiteral("bad.DUX"), SavedPile(QStringLiteral("B")));
    doc->m_ProjectInfo.ScanFolder(folder);
    ASSERT_EQ(doc->m_ProjectInfo.GetPathByName(QStringLiteral("bad.DUX")), bad);
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(600, 'z'));
    }
    doc->m_PrintSettings.m_bLanguage = 1;
    const QString shownNo = doc->m_PileRecord.m_strPileNo;
    CWaveRecord* shown = doc->m_PileRecord.CurrentChannel();
    shown->SetExpGain(9); // an unsaved edit

    auto list = List({QStringLiteral("A2.DUX"), QStringLiteral("bad.DUX"), QStringLiteral("gone.DUX"),
                      QStringLiteral("A1.DUX"), QStringLiteral("A1.DUX")},
                     {true, true, true, true, false});
    auto b = Make(list.get());
    b->UpdatePileList();
    // A name the project does not hold and an unticked row are no pages.
    ASSERT_EQ(b->Files().size(), 3u);
    CPrintInfo info;
    b->SetPageRange(info);
    EXPECT_EQ(info.GetMaxPage(), 3);

    gdi::RecordingDevice dev(4960, 7016, 600, 600);
    PageMetrics m;
    m.dpiX = m.dpiY = 600;
    m.horzRes = 4960;
    m.vertRes = 7016;
    ReportPages pages(*b, doc->m_PrintSettings, m);
    QPainter painter(&dev);
    info.fromPage = 1;
    info.toPage = 3;
    EXPECT_EQ(PrintPages(painter, pages, info, [] { return true; }), 3);
    painter.end();
    // Texts of each page: split at the titles.
    std::vector<QStringList> page;
    for (const QString& t : dev.textList()) {
        if (t == QStringLiteral("Low Strain Pile Integrity Testing Report") ||
            t.startsWith(QStringLiteral("Cannot")))
            page.emplace_back();
        if (!page.empty())
            page.back() << t;
    }
    ASSERT_EQ(page.size(), 3u);
    EXPECT_TRUE(page[0].contains(QStringLiteral("A2")));
    EXPECT_TRUE(page[0].join(QString()).contains(QStringLiteral("Defect Description:1.2m处缩径")));
    EXPECT_EQ(page[1], QStringList{QStringLiteral("Cannot read file: bad.DUX")});
    EXPECT_TRUE(page[2].contains(QStringLiteral("A1")));
    // The pile shown is the one it was.
    EXPECT_EQ(doc->m_PileRecord.m_strPileNo, shownNo);
    EXPECT_EQ(doc->m_PileRecord.CurrentChannel(), shown);
    EXPECT_EQ(shown->GetExpGain(), 9);
    EXPECT_EQ(doc->m_PileRecord.m_strPath, p1);
}

TEST_F(SingleReportTest, WithoutAListTheReportIsThePageOfItsOwnCopy) {
    doc->m_PileRecord.m_strPileNo = QStringLiteral("edited");
    auto b = Make();
    doc->m_PileRecord.m_strPileNo = QStringLiteral("changed later");
    CPrintInfo info;
    b->SetPageRange(info);
    EXPECT_EQ(info.GetMaxPage(), 1);
    gdi::RecordingDevice dev(4960, 7016, 600, 600);
    QPainter painter(&dev);
    gdi::Canvas dc(painter, 0, 0, true);
    b->LayoutPage(gdi::Rect(300, 300, 4600, 6700), dc);
    info.currentPage = 1;
    b->PrintPage(dc, info);
    painter.end();
    EXPECT_TRUE(dev.textList().contains(QStringLiteral("edited")));
}

TEST_F(SingleReportTest, BitmapPageWithItsBands) {
    doc->m_PrintSettings.m_bpagehead = 1;
    doc->m_PrintSettings.m_strphcon = QStringLiteral("HEAD");
    doc->m_PrintSettings.m_bprpage = 1;
    const QString path = tmp.filePath(QStringLiteral("page.bmp"));
    services.answers.push_back(path);
    auto b = Make();
    ASSERT_TRUE(b->ExportBmp());
    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, QStringLiteral("Single_A1.bmp"));
    EXPECT_EQ(services.asks[0].filter, QStringLiteral("BMP Files (*.bmp)"));
    ASSERT_TRUE(b->PictureFrame().has_value());
    EXPECT_EQ(b->PictureFrame()->header, gdi::Rect(51, 0, 717, 34));
    EXPECT_EQ(b->PictureFrame()->footer, gdi::Rect(51, 990, 717, 1024));
    EXPECT_EQ(services.opened, QStringList{path});

    const QImage page = QImageReader(path).read();
    ASSERT_EQ(page.size(), QSize(768, 1024));
    auto inked = [&page](const gdi::Rect& r) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += page.pixel(x, y) != qRgb(255, 255, 255);
        return n;
    };
    EXPECT_GT(inked(gdi::Rect(51, 0, 717, 34)), 0);     // the header text
    EXPECT_GT(inked(gdi::Rect(51, 990, 717, 1024)), 0); // the page number
    EXPECT_EQ(inked(gdi::Rect(0, 0, 51, 1024)), 0);     // nothing in the margin
    EXPECT_GT(inked(b->CurrentBlocks().curve), 500);    // the curve
    // The curve block's frame is drawn over the curve's white box: its left
    // edges run the whole block (the right one on the right coordinate, as GDI strokes it).
    const gdi::Rect c = b->CurrentBlocks().curve;
    EXPECT_EQ(inked(gdi::Rect(c.left, c.top, c.left + 1, c.bottom)), c.Height());
    EXPECT_EQ(inked(gdi::Rect(c.right, c.top, c.right + 1, c.bottom)), c.Height());
}

TEST_F(SingleReportTest, HeaderValuesKeepRoomFromTheirCellBorder) {
    auto b = Make();
    gdi::RecordingDevice dev(800, 1100);
    Draw(*b, dev);
    const gdi::Rect& B = b->CurrentBlocks().head;
    const int leftW = 2 * B.Width() / 3;
    const int valueLeft[2] = {B.left + leftW / 3, B.left + leftW + (B.Width() - leftW) / 2};
    int seen = 0;
    for (const gdi::RecordedItem& t : dev.texts()) {
        const int cell = t.text == QStringLiteral("A1")             ? 1
                         : t.text == QStringLiteral("JGJ 106-2014") ? 0
                                                                    : -1;
        if (cell < 0)
            continue;
        ++seen;
        EXPECT_GE(t.rect.left(), valueLeft[cell] + 3) << t.text.toStdString();
    }
    EXPECT_EQ(seen, 2) << Joined(dev).toStdString();
}

TEST_F(SingleReportTest, APileWithoutDatesPrintsAsItDoesAlone) {
    // A saved pile 30 days old, then a blow file whose construction date
    // comes from the age: its page reads the same after the other as alone.
    DuxAnalysis old = SavedPile(QStringLiteral("OLD"));
    old.constructionDate = QStringLiteral("2024-02-14");
    WritePile(QStringLiteral("OLD.DUX"), old);
    DuxBuilder::shortHeader(90).channels(1, 1024).samples(Pulse()).writeTo(folder, QStringLiteral("NEW.DUX"));
    doc->m_ProjectInfo.ScanFolder(folder);
    auto pageTexts = [&](const QStringList& names) {
        auto list = List(names);
        auto b = Make(list.get());
        b->UpdatePileList();
        gdi::RecordingDevice dev(4960, 7016, 600, 600);
        PageMetrics m;
        m.dpiX = m.dpiY = 600;
        m.horzRes = 4960;
        m.vertRes = 7016;
        ReportPages pages(*b, doc->m_PrintSettings, m);
        CPrintInfo info;
        b->SetPageRange(info);
        info.fromPage = 1;
        info.toPage = info.maxPage;
        QPainter painter(&dev);
        EXPECT_EQ(PrintPages(painter, pages, info, [] { return true; }), int(names.size()));
        painter.end();
        // The last page: from its title on.
        const QStringList all = dev.textList();
        return all.mid(all.lastIndexOf(QStringLiteral("低应变反射波法单桩检测报告单")));
    };
    const QStringList alone = pageTexts({QStringLiteral("NEW.DUX")});
    const QStringList after = pageTexts({QStringLiteral("OLD.DUX"), QStringLiteral("NEW.DUX")});
    EXPECT_EQ(after, alone);
    CPileRecord own;
    ASSERT_TRUE(own.ReadFile(folder + QStringLiteral("/NEW.DUX")));
    EXPECT_TRUE(alone.contains(own.m_testDate.addDays(-14).toString(QStringLiteral("yyyy-MM-dd"))))
        << alone.join(u'|').toStdString();
}

TEST_F(SingleReportTest, MetafilePageSizesFollowTheSmoothingFlag) {
    struct Case {
        int smooth;
        QSize size;
    };
    for (const Case& c : {Case{0, QSize(659, 907)}, Case{1, QSize(4119, 5669)}}) {
        doc->m_CurveStyle.IsSmooth = c.smooth;
        const QString path = tmp.filePath(QStringLiteral("page%1.emf").arg(c.smooth));
        services.answers.push_back(path);
        auto b = Make();
        ASSERT_TRUE(b->ExportEmf());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ByteReader in(bytes);
        in.seek(8);
        const int l = in.i32(), t = in.i32(), r = in.i32(), bt = in.i32();
        // The page is filled white first: the bounds are the page.
        EXPECT_EQ(gdi::Rect(l, t, r + 1, bt + 1), gdi::Rect(0, 0, c.size.width(), c.size.height()))
            << c.smooth;
        // The frame is the page (0.01 mm), whatever is drawn past it.
        const int dpi = c.smooth ? 600 : 96;
        const int fl = in.i32(), ft = in.i32(), fr = in.i32(), fb = in.i32();
        const gdi::Rect frame(fl, ft, fr, fb);
        EXPECT_EQ(frame, gdi::Rect(0, 0, int(std::lround(c.size.width() * 2540.0 / dpi)),
                                   int(std::lround(c.size.height() * 2540.0 / dpi))));
        EXPECT_EQ(b->PictureFrame()->body,
                  gdi::Rect(c.size.width() / 15, c.size.height() / 30, c.size.width() - c.size.width() / 15,
                            c.size.height() - c.size.height() / 30));
        EXPECT_EQ(services.opened.last(), path);
    }
}

TEST_F(SingleReportTest, CancelledOrFailedPicturesWriteAndOpenNothing) {
    auto b = Make();
    EXPECT_FALSE(b->ExportBmp()); // no answer: cancelled
    EXPECT_FALSE(b->ExportEmf());
    EXPECT_TRUE(services.opened.isEmpty());
    EXPECT_TRUE(services.messages.isEmpty());

    const QString bad = tmp.filePath(QStringLiteral("no/such/folder/page.bmp"));
    services.answers = {bad, tmp.filePath(QStringLiteral("no/such/folder/page.emf"))};
    EXPECT_FALSE(b->ExportBmp());
    EXPECT_FALSE(b->ExportEmf());
    EXPECT_TRUE(services.opened.isEmpty());
    ASSERT_EQ(services.messages.size(), 2);
    EXPECT_TRUE(services.messages[0].contains(bad)) << services.messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(bad));
}

TEST_F(SingleReportTest, PilePicturesOfTheCurveAlone) {
    auto b = Make();
    const QString bmp = tmp.filePath(QStringLiteral("curve.bmp"));
    ASSERT_TRUE(b->ExportPilePictureBmp(bmp));
    const QImage image = QImageReader(bmp).read();
    EXPECT_EQ(image.size(), QSize(768, 400));
    int ink = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 768; ++x)
            ink += image.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(ink, 500);
    // The flags the drawing borrowed are back to 0.
    const CWaveRecord* w = b->Pile().CurrentChannel();
    EXPECT_EQ(w->pictureMode, 0);
    EXPECT_EQ(w->printLabelMode, 0);
    ASSERT_TRUE(b->ExportPilePictureEmf(tmp.filePath(QStringLiteral("curve.emf"))));
    EXPECT_EQ(services.opened.size(), 2);
}

// The metafile of the curve names the face of every font it makes (a word
// processor picks some face of its own for a nameless one), with either curve style.
TEST_F(SingleReportTest, CurvePictureMetafileNamesItsFonts) {
    for (const int smooth : {0, 1}) {
        SCOPED_TRACE(smooth);
        doc->m_CurveStyle.IsSmooth = smooth;
        auto b = Make();
        const QString path = tmp.filePath(QStringLiteral("curve%1.emf").arg(smooth));
        ASSERT_TRUE(b->ExportPilePictureEmf(path));
        const pit::test::MetafileText emf = pit::test::readMetafileText(pit::test::readFileBytes(path));
        ASSERT_TRUE(emf.ok) << "record at " << emf.brokenAt;
        const QStringList& faces = emf.faces;
        const qsizetype texts = emf.texts.size();
        EXPECT_GT(texts, 5) << "the axis numbers";
        ASSERT_FALSE(faces.isEmpty());
        for (const QString& face : faces)
            EXPECT_EQ(face, QStringLiteral("新宋体")) << faces.join(u',').toStdString();
    }
}

TEST_F(SingleReportTest, WordExportGathersOnePagePerReadablePile) {
    auto list = List({QStringLiteral("A1.DUX"), QStringLiteral("A2.DUX")});
    auto b = Make(list.get());
    doc->m_PrintSettings.m_bLanguage = 1;
    ASSERT_TRUE(b->ExportWord(QStringLiteral("  out.docx ")));
    ASSERT_EQ(word.single.size(), 1u);
    const WordSingleReport& r = word.single[0];
    EXPECT_EQ(r.templateName, QStringLiteral("SingleBoltReportE.dot"));
    EXPECT_EQ(word.paths, QStringList{QStringLiteral("out.docx")});
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_EQ(r.pages[0].m_strPileNo, QStringLiteral("A1"));
    EXPECT_EQ(r.pages[1].m_strResult, QStringLiteral("1.2m处缩径"));
    EXPECT_EQ(r.pages[0].m_strDesignTip, QStringLiteral("-11.25 "));
    EXPECT_EQ(r.pages[0].m_strMeasuredTop, QStringLiteral("-"));
    EXPECT_EQ(r.pages[0].m_strSize, QStringLiteral("600"));
    EXPECT_EQ(r.pages[0].m_strGrade, QStringLiteral("C30"));
    EXPECT_EQ(r.pages[0].m_strEmpty, QString());
    ASSERT_TRUE(r.pages[0].m_pWave);
    EXPECT_EQ(r.settings, &doc->m_PrintSettings);

    // Without a list: the one page of the builder's copy.
    auto own = Make();
    ASSERT_TRUE(own->ExportWord(QString()));
    ASSERT_EQ(word.single.size(), 2u);
    ASSERT_EQ(word.single[1].pages.size(), 1u);
    EXPECT_EQ(word.single[1].pages[0].m_strPileNo, QStringLiteral("A1"));

    // Without a writer: a message, nothing else.
    ReportEnv env = Env();
    env.word = nullptr;
    CRepSingle none(env, &doc->m_PileRecord, nullptr);
    EXPECT_FALSE(none.ExportWord(QString()));
    EXPECT_EQ(services.messages.size(), 1);
}

} // namespace pit::test
