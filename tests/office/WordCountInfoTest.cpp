// The statistics report in a document, read back with python-docx.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "tests/office/OfficeTestUtil.h"

#include <QJsonArray>

using namespace pit;
using namespace pit::test;

namespace {

std::array<QString, 11> Row(int n, const QString& cls) {
    return {QString::number(n),
            QStringLiteral("ZK%1").arg(n),
            QStringLiteral("2024-01-02"),
            QStringLiteral("2023-12-01"),
            QStringLiteral("12.50"),
            QStringLiteral("600"),
            QStringLiteral("C30"),
            QStringLiteral("3800"),
            QStringLiteral("完整%1").arg(n),
            cls,
            QStringLiteral("R%1").arg(n)};
}

class WordCountInfoTest : public ::testing::Test {
protected:
    void SetUp() override { office.SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR)); }
    // Writes the report and reads it back; paragraphs, heading row and rows.
    QJsonObject Write(const char* templ, const CWordOffice::CountInfoRows& rows, const CPrintSettings& s,
                      int type, const QString& project = QStringLiteral("Demo")) {
        EXPECT_TRUE(office.NewDocument(office.TemplateFile(QString::fromLatin1(templ))));
        EXPECT_TRUE(office.WriteCountInfoReport(rows, project, s, type))
            << office.ErrorText(true).toStdString();
        const QString path = dir.filePath(QStringLiteral("count.docx"));
        EXPECT_TRUE(office.SaveDocumentAs(path));
        EXPECT_TRUE(DocxProblems(path).isEmpty()) << DocxProblems(path).join(u'\n').toStdString();
        return ReadDocx(path);
    }
    static QStringList RowTexts(const QJsonObject& doc, int r) {
        QStringList out;
        for (const QJsonValue c :
             doc[QStringLiteral("tables")][0][QStringLiteral("rows")][r][QStringLiteral("cells")].toArray())
            out << c[QStringLiteral("text")].toString();
        return out;
    }
    static QStringList Paragraphs(const QJsonObject& doc) {
        QStringList out;
        for (const QJsonValue p : doc[QStringLiteral("paragraphs")].toArray())
            out << p.toString();
        return out;
    }
    CWordOffice office;
    QTemporaryDir dir;
};

TEST_F(WordCountInfoTest, ClassCountsCloseTheReport) {
    CPrintSettings s;
    const QJsonObject one = Write("CountInfoReportA", {Row(1, QStringLiteral("III"))}, s, 0);
    QStringList ps = Paragraphs(one);
    EXPECT_EQ(ps[0], QStringLiteral("低应变反射波法检测结果汇总表"));
    EXPECT_EQ(ps[1], QStringLiteral("工程名称：Demo"));
    ASSERT_GE(ps.size(), 2);
    EXPECT_EQ(ps[ps.size() - 2], QStringLiteral("本次试验共检测 1 根工程桩，其中"));
    EXPECT_EQ(ps.back(), QStringLiteral("III 类桩 1 根，占所测桩数的 100.0%"));

    // No pile: the first sentence with 0, no class line.
    ps = Paragraphs(Write("CountInfoReportA", {}, s, 0));
    EXPECT_EQ(ps.back(), QStringLiteral("本次试验共检测 0 根工程桩，其中"));

    // Class V and an empty class are listed but named in no class line.
    const QJsonObject mixed = Write(
        "CountInfoReportB",
        {Row(1, QStringLiteral("I")), Row(2, QStringLiteral("V")), Row(3, {}), Row(4, QStringLiteral("I"))},
        s, 1);
    ps = Paragraphs(mixed);
    EXPECT_EQ(ps[ps.size() - 2], QStringLiteral("本次试验共检测 4 根工程桩，其中"));
    EXPECT_EQ(ps.back(), QStringLiteral("I 类桩 2 根，占所测桩数的 50.0%"));
    EXPECT_EQ(mixed[QStringLiteral("tables")][0][QStringLiteral("rows")].toArray().size(), 5);
    EXPECT_EQ(RowTexts(mixed, 2)[1], QStringLiteral("ZK2"));

    s.m_bLanguage = 1;
    ps = Paragraphs(Write("CountInfoReportA", {Row(1, QStringLiteral("II"))}, s, 0));
    EXPECT_EQ(ps[0], QStringLiteral("CountInfo Report"));
    EXPECT_EQ(ps[1], QStringLiteral("Project Name:Demo"));
    EXPECT_EQ(ps.back(), QStringLiteral("The Number of Pile in Grade II is 1 ,According for 100.0 %"));
}

// Type 0 drops the columns whose switch is clear, type 1 the grade column.
TEST_F(WordCountInfoTest, ColumnsFollowTheSwitches) {
    struct Case {
        const char* name;
        int type, remark, grade, printCount, testDate;
        QStringList headings;
    };
    const QString all[11] = {"序号",     "桩号",      "检测日期",   "施工日期", "桩长(m)", "桩径(mm)",
                             "强度等级", "波速(m/s)", "完整性描述", "桩类别",   "备注"};
    const auto pick = [&](std::initializer_list<int> cols) {
        QStringList out;
        for (int c : cols)
            out << all[c - 1];
        return out;
    };
    const Case cases[] = {
        {"all on", 0, 1, 1, 1, 1, pick({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})},
        {"defaults", 0, 0, 1, 0, 1, pick({1, 2, 3, 5, 6, 7, 8, 9, 10})},
        {"all off", 0, 0, 0, 0, 0, pick({1, 2, 5, 6, 8, 9, 10})},
        {"type 1", 1, 0, 0, 0, 0, pick({1, 2, 3, 4, 5, 6, 8, 9, 10, 11})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPrintSettings s;
        s.m_bReportRemark = c.remark;
        s.m_bStrongLevel = c.grade;
        s.m_bPrintCountType = c.printCount;
        s.m_bTestDate = c.testDate;
        const QJsonObject doc =
            Write(c.type ? "CountInfoReportB" : "CountInfoReportA", {Row(1, QStringLiteral("I"))}, s, c.type);
        EXPECT_EQ(RowTexts(doc, 0), c.headings);
        EXPECT_EQ(RowTexts(doc, 1).size(), c.headings.size());
        const QStringList ps = Paragraphs(doc);
        const bool signed_ = ps.join(u'|').contains(QStringLiteral("检测人："));
        EXPECT_EQ(signed_, c.type == 1);
    }
}

TEST_F(WordCountInfoTest, TypeTwoTableShowsItsOwnColumns) {
    CPrintSettings s;
    const QJsonObject zh = Write("CountInfoReportU", {Row(1, QStringLiteral("II"))}, s, 2);
    const QStringList ps = Paragraphs(zh);
    EXPECT_EQ(ps[0], QStringLiteral("桩身结构完整性检测结果汇总表    No 1"));
    EXPECT_TRUE(ps[1].isEmpty()); // no project name, no signatures, no class lines
    EXPECT_FALSE(ps.join(u'|').contains(QStringLiteral("根工程桩")));
    EXPECT_EQ(RowTexts(zh, 1), (QStringList{"1", "ZK1", "12.50", "600", "3800", "II", "完整1", "R1"}));

    s.m_bLanguage = 1;
    const QJsonObject en = Write("CountInfoReportUE", {Row(1, QStringLiteral("II"))}, s, 2);
    EXPECT_EQ(Paragraphs(en)[0], QStringLiteral("Pile Integrity Detection Results Summary  No 1"));
    EXPECT_EQ(RowTexts(en, 0), (QStringList{"Number", "Pile Number", "Length(m)", "Diameter(mm)",
                                            "Velocity\n(m/s)", "Type", "Integrity ", "Remark"}));
}

// Breaks typed into the piles' texts and the project name: each on one
// line, a break a space, in both tables; the headings keep theirs.
TEST_F(WordCountInfoTest, PileTextsOnOneLine) {
    std::array<QString, 11> row = Row(1, QStringLiteral("II"));
    row[1] = QStringLiteral("ZK\r\n1");
    row[8] = QStringLiteral("距桩顶约3.90m缩径\r\n第二行");
    row[10] = QStringLiteral("R\n1\v2");
    CPrintSettings s;
    s.m_bReportRemark = 1;
    const QJsonObject a = Write("CountInfoReportA", {row}, s, 0, QStringLiteral("Demo\r\n二期"));
    EXPECT_EQ(Paragraphs(a)[1], QStringLiteral("工程名称：Demo 二期"));
    const QStringList texts = RowTexts(a, 1);
    EXPECT_EQ(texts[1], QStringLiteral("ZK 1"));
    EXPECT_TRUE(texts.contains(QStringLiteral("距桩顶约3.90m缩径 第二行"))) << texts.join(u'|').toStdString();
    EXPECT_EQ(texts.back(), QStringLiteral("R 1 2"));

    s.m_bLanguage = 1;
    const QJsonObject u = Write("CountInfoReportUE", {row}, s, 2);
    EXPECT_EQ(RowTexts(u, 1),
              (QStringList{"1", "ZK 1", "12.50", "600", "3800", "II", "距桩顶约3.90m缩径 第二行", "R 1 2"}));
    EXPECT_EQ(RowTexts(u, 0)[4], QStringLiteral("Velocity\n(m/s)"));
}

TEST_F(WordCountInfoTest, EnglishHeadingsKeepBreaksAndBlanks) {
    CPrintSettings s;
    s.m_bLanguage = 1;
    s.m_bKuoDi = 1;
    s.m_iPrintCountType = 1;
    s.m_bReportRemark = 1;
    s.m_bPrintCountType = 1;
    const QJsonObject doc = Write("CountInfoReportA", {Row(1, QStringLiteral("I"))}, s, 0);
    EXPECT_EQ(RowTexts(doc, 0),
              (QStringList{"Number", "Pile Number", "DetectDate", "Age", "Length(m)", "Diameter/Expand\n(mm)",
                           "Strength", "Velocity\n(m/s)", "Integrity ", "Type", "Remark"}));
}

TEST(SummaryColumns, WidthsShareThePage) {
    using Need = CWordOffice::ColumnNeed;
    struct Case {
        const char* name;
        std::vector<Need> needs;
        double total;
        std::vector<double> widths;
    };
    const Case cases[] = {
        {"all whole, the rest by what they want", {{10, 20, false}, {10, 60, true}}, 160, {40, 120}},
        {"sentences wrap in what the others leave",
         {{10, 40, false}, {20, 200, true}, {10, 30, false}},
         150,
         {40, 80, 30}},
        {"two sentence columns share by what they want more",
         {{10, 20, false}, {10, 110, true}, {10, 40, true}},
         100,
         {20, 10 + 60 * 100 / 130.0, 10 + 60 * 30 / 130.0}},
        {"unbreakable pieces kept, the rest by what is wanted more",
         {{40, 50, false}, {10, 100, true}},
         55,
         {40 + 5 * 10 / 100.0, 10 + 5 * 90 / 100.0}},
        {"too little room for the pieces: in proportion", {{60, 60, false}, {40, 90, false}}, 50, {30, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> w = CWordOffice::ShareColumnWidths(c.needs, c.total);
        ASSERT_EQ(w.size(), c.widths.size());
        for (size_t i = 0; i < w.size(); ++i)
            EXPECT_NEAR(w[i], c.widths[i], 1e-9) << i;
    }
}

// Ten columns with the test time: the date and time and the headings stay
// on one line, and the Chinese integrity column is the widest.
TEST_F(WordCountInfoTest, ColumnsAsWideAsTheirTexts) {
    office.SetMeasurer([](const QString& t) {
        int w = 0;
        for (QChar c : t)
            w += c.unicode() >= 0x2E80 ? 100 : 50;
        return w;
    });
    std::array<QString, 11> row = Row(1, QStringLiteral("II"));
    row[2] = QStringLiteral("2024-03-19 14-00-00");
    row[8] = QStringLiteral("距桩顶约3.90m缩径，9.10m扩径，桩身其余部位完整。");
    // One line of text at 10.5 points (headings bold) with the cell's margins.
    const auto need = [](const QString& t, bool bold) {
        return t.size() * 0.5 * 10.5 * (bold ? 1.1 : 1) + 11.5;
    };
    for (bool english : {false, true}) {
        SCOPED_TRACE(english);
        CPrintSettings s;
        s.m_bLanguage = english;
        s.m_bPrintCountType = 1;
        s.m_bTestTime = 1;
        const QJsonObject doc = Write("CountInfoReportA", {row, Row(2, QStringLiteral("I"))}, s, 0);
        const QJsonArray heading =
            doc[QStringLiteral("tables")][0][QStringLiteral("rows")][0][QStringLiteral("cells")].toArray();
        ASSERT_EQ(heading.size(), 10);
        const auto width = [&](int c) { return heading[c][QStringLiteral("width")].toDouble() / 20; };
        double total = 0;
        for (int c = 0; c < 10; ++c) {
            total += width(c);
            if (!english && c != 8)
                EXPECT_LT(width(c), width(8)) << c;
        }
        EXPECT_NEAR(total, office.m_fPageWidth, 0.5);
        EXPECT_GE(width(2), need(row[2], false));
        if (english) {
            EXPECT_GE(width(5), need(QStringLiteral("Diameter(mm)"), true));
            EXPECT_GE(width(1), need(QStringLiteral("Pile Number"), true));
        }
    }
}

TEST_F(WordCountInfoTest, MissingTableOrBookmarkIsNamed) {
    CPrintSettings s;
    ASSERT_TRUE(office.StartDocument(QString())); // the blank page has neither
    EXPECT_FALSE(office.WriteCountInfoReport({Row(1, QStringLiteral("I"))}, QStringLiteral("Demo"), s, 0));
    EXPECT_TRUE(office.ErrorText(true).contains(QStringLiteral("\"Title\"")));
}

} // namespace
