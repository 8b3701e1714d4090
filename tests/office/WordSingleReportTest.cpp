// The single-pile report in a document, from the builder through the office
// writer, read back with python-docx; the export's messages and refusals.
#include "office/OfficeWordExport.h"
#include "office/WordOffice.h"
#include "platform/Paths.h"
#include "reports/RepCountInfo.h"
#include "reports/RepSingle.h"
#include "tests/office/OfficeTestUtil.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QJsonArray>

using namespace pit;
using namespace pit::test;

namespace {

struct WordSingleReportTest : ReportFixture {
    CWordOffice office;
    std::unique_ptr<OfficeWordExport> writer;
    QStringList piles;

    void SetUp() override {
        ReportFixture::SetUp();
        office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
        writer = std::make_unique<OfficeWordExport>(&doc->Context(), &services, &office);
        for (int k = 1; k <= 4; ++k) {
            DuxAnalysis a = SavedPile(QStringLiteral("ZK%1").arg(k));
            for (int i = 0; i < 1024; ++i) { // every pile its own curve: the echo moves
                const double b = (i - 300 - 30 * k) / 6.0;
                a.channels[0].samples[size_t(i)] += float(4.0 * std::exp(-b * b));
            }
            a.averages = {a.channels[0]};
            a.className = QStringLiteral("II");
            a.conclusion = k == 2 ? QStringLiteral("桩身完整") : QStringLiteral("2.1m处轻微缩径");
            piles << WritePile(QStringLiteral("ZK%1.DUX").arg(k), a);
        }
        Open(piles[0]);
    }
    // The builder's Word export of the given piles into out.
    bool Export(const QStringList& files, const QString& out, const AppContext* app = nullptr) {
        ReportEnv env = Env();
        env.word = writer.get();
        env.app = app;
        CRepSingle builder(env, &doc->m_PileRecord, nullptr);
        builder.SetPileFiles(std::vector<QString>(files.begin(), files.end()));
        return builder.ExportWord(out);
    }
    QJsonObject Read(const QString& path) {
        EXPECT_TRUE(DocxProblems(path).isEmpty()) << DocxProblems(path).join(u'\n').toStdString();
        return ReadDocx(path);
    }
    static QString CellText(const QJsonObject& d, int table, int row, int cell) {
        return d[QStringLiteral("tables")][table][QStringLiteral("rows")][row][QStringLiteral("cells")][cell]
                [QStringLiteral("text")]
                    .toString();
    }
};

TEST_F(WordSingleReportTest, ChinesePileCellMap) {
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral("  滨江大桥  ");
    doc->m_ProjectInfo.m_texts[2] = QStringLiteral("检测中心");
    doc->m_ProjectInfo.m_texts[3] = QStringLiteral("王工");
    doc->m_ProjectInfo.m_texts[4] = QStringLiteral("李工");
    const QString out = tmp.filePath(QStringLiteral("one.docx"));
    ASSERT_TRUE(Export({piles[0]}, out)) << services.messages.join(u'\n').toStdString();
    const QJsonObject d = Read(out);
    struct Expect {
        int table, row, cell;
        const char* text;
    };
    const Expect cells[] = {
        {0, 0, 1, "滨江大桥"},   {0, 0, 3, "ZK1"},      {0, 1, 1, "检测中心"},   {0, 1, 3, "李工"},
        {0, 2, 1, "2024-03-15"}, {1, 0, 0, "施工日期"}, {1, 0, 1, "2024-03-01"}, {1, 0, 3, "王工"},
        {1, 1, 1, "圆桩"},       {1, 1, 3, "C30"},      {1, 1, 5, "600"},        {1, 2, 1, "1.25 "},
        {1, 2, 3, "-11.25 "},    {1, 2, 5, "-"},
    };
    for (const Expect& e : cells)
        EXPECT_EQ(CellText(d, e.table, e.row, e.cell), QString::fromUtf8(e.text))
            << e.table << " " << e.row << " " << e.cell;
    EXPECT_EQ(CellText(d, 1, 3, 0), QStringLiteral("原始测试曲线：\r"));
    EXPECT_EQ(CellText(d, 1, 4, 0), QStringLiteral("测试结果:\r缺陷描述: 2.1m处轻微缩径"));
    const QJsonArray pics = d[QStringLiteral("pictures")].toArray();
    ASSERT_EQ(pics.size(), 1);
    EXPECT_EQ(pics[0][QStringLiteral("contentType")].toString(), QStringLiteral("image/x-emf"));
    // The curve fills the cell's text width.
    EXPECT_NEAR(pics[0][QStringLiteral("width")].toDouble() / 12700, 496.1 - 10.8, 1.0);
    EXPECT_EQ(services.messages, QStringList());
}

TEST_F(WordSingleReportTest, ResultLines) {
    struct Case {
        const char* result;
        bool english;
        const char *first, *second;
    };
    const Case cases[] = {
        {"桩身完整", false, "测试结果:桩身完整", ""},
        {"2m处缩径", false, "测试结果:", "缺陷描述: 2m处缩径"},
        {"Pile Integrity", true, "TIMBO Test Results:", "Pile Integrity"},
        {"桩身完整", true, "TIMBO Test Results:桩身完整", ""},
        {"Necking at 2 m", true, "TIMBO Test Results:", "Defect Description: Necking at 2 m"},
    };
    for (const Case& c : cases) {
        const auto [first, second] = CWordOffice::SingleResultLines(QString::fromUtf8(c.result), c.english);
        EXPECT_EQ(first, QString::fromUtf8(c.first)) << c.result;
        EXPECT_EQ(second, QString::fromUtf8(c.second)) << c.result;
    }
}

// Report type 1: the length, speed and class row after row 3, the result cell
// shorter by that row; the length only with 1 to 6 decimals.
TEST_F(WordSingleReportTest, TypeOneRowAndDecimals) {
    struct Case {
        int decimals;
        const char* length;
    };
    const Case cases[] = {{2, "12.50"}, {1, "12.5"}, {0, ""}, {7, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.decimals);
        doc->m_PrintSettings.m_nSingleRepType = 1;
        doc->m_PrintSettings.m_iPrintType = 1;
        doc->m_nDecimalPointNum = c.decimals;
        const QString out = tmp.filePath(QStringLiteral("type1.docx"));
        ASSERT_TRUE(Export({piles[0]}, out));
        const QJsonObject d = Read(out);
        const QJsonArray rows = d[QStringLiteral("tables")][1][QStringLiteral("rows")].toArray();
        ASSERT_EQ(rows.size(), 6);
        QStringList row4;
        for (const QJsonValue cell : rows[3][QStringLiteral("cells")].toArray())
            row4 << cell[QStringLiteral("text")].toString();
        EXPECT_EQ(row4, (QStringList{"桩长 (m)", QString::fromUtf8(c.length), "波速 (m/s)", "3800", "桩类别",
                                     "II"}));
        EXPECT_EQ(rows[3][QStringLiteral("height")].toInt(), 24 * 20);
        EXPECT_EQ(rows[5][QStringLiteral("height")].toInt(), (110 - 24) * 20);
        EXPECT_EQ(rows[5][QStringLiteral("rule")].toString(), QStringLiteral("atLeast"));
        EXPECT_EQ(CellText(d, 1, 0, 0), QStringLiteral("龄期"));
        EXPECT_EQ(CellText(d, 1, 0, 1), QStringLiteral("14"));
    }
}

// Pages after the first are copies of the template page in sections of their
// own; the picture names come round again, each page keeps its own curve.
TEST_F(WordSingleReportTest, FourPilesFourPagesThreePictureNames) {
    const QString out = tmp.filePath(QStringLiteral("four.docx"));
    ASSERT_TRUE(Export(piles, out));
    const QJsonObject d = Read(out);
    EXPECT_EQ(d[QStringLiteral("sections")].toArray().size(), 4);
    EXPECT_EQ(d[QStringLiteral("tables")].toArray().size(), 8);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(CellText(d, 2 * k, 0, 3), QStringLiteral("ZK%1").arg(k + 1));
    EXPECT_EQ(CellText(d, 3, 4, 0), QStringLiteral("测试结果:桩身完整\r"));
    const QStringList temp = QDir(tempDir()).entryList({QStringLiteral("SIN-08*")}, QDir::Files);
    EXPECT_EQ(temp, (QStringList{"SIN-08AE.emf", "SIN-08BE.emf", "SIN-08CE.emf"}));
    const OoxmlPackage pkg = OoxmlPackage::FromFile(out);
    QSet<QByteArray> media;
    for (const QString& part : pkg.PartNames())
        if (part.startsWith(QLatin1String("word/media/")))
            media.insert(pkg.Part(part));
    EXPECT_EQ(media.size(), 4); // the fourth page's curve is its own
    for (const PictureAspect& a : PictureAspects(out))
        EXPECT_NEAR(a.shown, a.drawn, a.drawn * 0.01) << "a curve shown at the aspect drawn";
}

// The curve picture's texts in the printed page's face ("新宋体", or "Arial"
// with the English interface), named in the metafile, so a reader draws the
// axis numbers as the page prints them.
TEST_F(WordSingleReportTest, CurvePictureNamesThePrintedPagesFace) {
    for (const bool english : {false, true}) {
        SCOPED_TRACE(english);
        AppContext app = doc->Context();
        app.english = english;
        const QString out = tmp.filePath(QStringLiteral("face%1.docx").arg(english));
        ASSERT_TRUE(Export({piles[0]}, out, &app));
        const OoxmlPackage pkg = OoxmlPackage::FromFile(out);
        QStringList faces;
        int texts = 0;
        for (const QString& part : pkg.PartNames()) {
            if (!part.startsWith(QLatin1String("word/media/")))
                continue;
            const pit::test::MetafileText emf = pit::test::readMetafileText(pkg.Part(part));
            ASSERT_TRUE(emf.ok) << part.toStdString() << ": record at " << emf.brokenAt;
            faces << emf.faces;
            texts += int(emf.texts.size());
        }
        EXPECT_GT(texts, 5) << "the axis numbers";
        ASSERT_FALSE(faces.isEmpty());
        for (const QString& face : faces)
            EXPECT_EQ(face, english ? QStringLiteral("Arial") : QStringLiteral("新宋体"))
                << faces.join(u',').toStdString();
    }
}

// Control characters and breaks in pile texts: the document shows what the
// printed page shows (DEL and the other control characters nothing, a
// vertical tab a break): the fields of one line read a break as a space,
// the conclusion box and the parameter boxes (they wrap) keep it.
TEST_F(WordSingleReportTest, ControlCharactersAndBreaksAsThePageShowsThem) {
    DuxAnalysis a = SavedPile(QStringLiteral("ZK") + QChar(0x1B) + QStringLiteral("7&8\r\n9") + QChar(0x7F));
    a.conclusion = QStringLiteral("1.2m") + QChar(0x07) + QStringLiteral("处") + QChar(0x0B) +
                   QStringLiteral("缩径&") + QChar(0x7F) + QStringLiteral("\r\n第二行");
    a.shapeText = QStringLiteral("圆桩\r\n扩底");
    const QString pile = WritePile(QStringLiteral("ZK8.DUX"), a);
    doc->m_ProjectInfo.m_texts[0] =
        QStringLiteral("桥A&B") + QChar(0x01) + QStringLiteral("工程\r\n二期") + QChar(0x7F);
    doc->m_ProjectInfo.m_texts[2] = QStringLiteral("检测\n中心");
    doc->m_ProjectInfo.m_texts[3] = QStringLiteral("王工\r李工");
    doc->m_ProjectInfo.m_texts[4] = QStringLiteral("李工") + QChar(0x0B) + QStringLiteral("赵工");
    const QString out = tmp.filePath(QStringLiteral("control.docx"));
    ASSERT_TRUE(Export({pile}, out));
    const QJsonObject d = Read(out);
    EXPECT_EQ(CellText(d, 0, 0, 1), QStringLiteral("桥A&B工程 二期"));
    EXPECT_EQ(CellText(d, 0, 0, 3), QStringLiteral("ZK7&8 9"));
    EXPECT_EQ(CellText(d, 0, 1, 1), QStringLiteral("检测 中心"));
    EXPECT_EQ(CellText(d, 0, 1, 3), QStringLiteral("李工 赵工"));
    EXPECT_EQ(CellText(d, 1, 0, 3), QStringLiteral("王工 李工"));
    EXPECT_EQ(CellText(d, 1, 1, 1), QStringLiteral("圆桩\n扩底"));
    EXPECT_EQ(CellText(d, 1, 4, 0), QStringLiteral("测试结果:\r缺陷描述: 1.2m处\n缩径&\n第二行"));
}

// The printed page cuts a long conclusion at its results block; the
// document keeps all of it.
TEST_F(WordSingleReportTest, LongConclusionWhole) {
    DuxAnalysis a = SavedPile(QStringLiteral("ZK9"));
    a.conclusion.clear();
    while (a.conclusion.size() < 3000)
        a.conclusion += QStringLiteral("1.2m处轻微缩径，2.5m处离析；");
    a.conclusion.truncate(3000);
    const QString pile = WritePile(QStringLiteral("ZK9.DUX"), a);
    const QString out = tmp.filePath(QStringLiteral("long.docx"));
    ASSERT_TRUE(Export({pile}, out));
    EXPECT_EQ(CellText(Read(out), 1, 4, 0), QStringLiteral("测试结果:\r缺陷描述: ") + a.conclusion);
}

TEST_F(WordSingleReportTest, AskedWhereThenOpened) {
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥");
    const QString chosen = tmp.filePath(QStringLiteral("chosen.docx"));
    services.answers.push_back(chosen);
    ASSERT_TRUE(Export({piles[0]}, QString()));
    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, QStringLiteral("滨江大桥_单桩报告.docx"));
    EXPECT_EQ(services.asks[0].folder, doc->m_strFolder);
    EXPECT_EQ(services.opened, QStringList{chosen});
    EXPECT_TRUE(QFileInfo::exists(chosen));

    // Cancelled: nothing written, nothing said.
    services.opened.clear();
    EXPECT_FALSE(Export({piles[0]}, QString()));
    EXPECT_TRUE(services.opened.isEmpty());
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(WordSingleReportTest, RefusalsWriteNoFileAndSayWhy) {
    const QString out = tmp.filePath(QStringLiteral("r.docx"));
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QStringList files;
        const char* said;
    };
    const QString bad = tmp.filePath(QStringLiteral("broken.DUX"));
    WriteFile(bad, "not a pile");
    const Case cases[] = {
        {"no pile", [] {}, {}, "没有选中的桩"},
        {"only unreadable piles", [] {}, {bad}, "broken.DUX"},
        {"missing template",
         [&] { office.SetTemplateDir(tmp.filePath(QStringLiteral("none"))); },
         {piles[0]},
         "SingleBoltReport.dotx"},
        {"file open elsewhere", [&] { WriteFile(OfficeLockFile(out), "lock"); }, {piles[0]}, "其他程序"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
        QFile::remove(OfficeLockFile(out));
        c.arrange();
        EXPECT_FALSE(Export(c.files, out));
        EXPECT_FALSE(QFileInfo::exists(out));
        ASSERT_EQ(services.messages.size(), 1);
        EXPECT_TRUE(services.messages[0].contains(QString::fromUtf8(c.said)))
            << services.messages[0].toStdString();
    }
    // A folder that cannot take the file.
    services.messages.clear();
    QFile::remove(OfficeLockFile(out));
    const QString nowhere = tmp.filePath(QStringLiteral("no folder/r.docx"));
    EXPECT_FALSE(Export({piles[0]}, nowhere));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains(QStringLiteral("r.docx")));
}

// An unreadable pile is left out and named; the others are written.
TEST_F(WordSingleReportTest, UnreadablePileIsNamedAndLeftOut) {
    const QString bad = tmp.filePath(QStringLiteral("broken.DUX"));
    WriteFile(bad, "not a pile");
    const QString out = tmp.filePath(QStringLiteral("some.docx"));
    ASSERT_TRUE(Export({piles[0], bad, piles[1]}, out));
    const QJsonObject d = Read(out);
    EXPECT_EQ(d[QStringLiteral("sections")].toArray().size(), 2);
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains(bad));
}

// The statistics report from the report list through the builder: shown
// for the user to save, under the project's summary name.
TEST_F(WordSingleReportTest, SummaryThroughTheBuilder) {
    doc->m_ProjectInfo.m_texts[0] = QStringLiteral("滨江大桥");
    doc->m_ProjectInfo.ScanFolder(folder);
    auto list = List({QStringLiteral("ZK1.DUX"), QStringLiteral("ZK2.DUX")}, {true, true});
    ReportEnv env = Env();
    env.word = writer.get();
    const QString chosen = tmp.filePath(QStringLiteral("summary.docx"));
    services.answers.push_back(chosen);
    CRepCountInfo builder(env, list.get(), 1);
    ASSERT_TRUE(builder.ExportWord(QString())) << services.messages.join(u'\n').toStdString();
    EXPECT_EQ(services.asks.at(0).defaultName, QStringLiteral("滨江大桥_汇总表.docx"));
    EXPECT_EQ(services.opened, QStringList{chosen});
    const QJsonObject d = Read(chosen);
    const QJsonArray rows = d[QStringLiteral("tables")][0][QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[2][QStringLiteral("cells")][1][QStringLiteral("text")].toString(), QStringLiteral("ZK2"));
    EXPECT_EQ(d[QStringLiteral("paragraphs")][1].toString(), QStringLiteral("工程名称：滨江大桥"));
}

} // namespace
