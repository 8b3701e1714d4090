// The statistics report: the eleven text columns, the rows read from pile
// files of every kind, the common values by their flags, the Word export.
#include "reports/RepCountInfo.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

namespace pit::test {
namespace {

struct CountInfoTest : ReportFixture {
    void SetUp() override {
        ReportFixture::SetUp();
        Open(WritePile(QStringLiteral("A1.DUX"), SavedPile(QStringLiteral("A1"))));
    }
    CPileReportRow Row() const {
        CPileReportRow r;
        r.m_strPileNo = QStringLiteral("A1");
        r.m_strResult = QStringLiteral("桩身完整");
        r.m_dtTest = QDateTime(QDate(2024, 3, 15), QTime(9, 30, 5));
        r.m_dtConstruct = QDateTime(QDate(2024, 3, 1), QTime(0, 0));
        r.m_nAge = 14;
        r.m_fLength = 12.5f;
        r.m_fSize1 = r.m_fSize2 = 600;
        r.m_fEnlarged1 = r.m_fEnlarged2 = 800;
        r.m_nSpeed = 3800;
        r.m_strClass = QStringLiteral("II");
        r.m_nGrade = 3;
        r.m_strRemark = QStringLiteral("r");
        return r;
    }
};

} // namespace

TEST_F(CountInfoTest, ElevenColumnsOfEveryRow) {
    CPrintSettings& s = doc->m_PrintSettings;
    CRepCountInfo b(Env(), nullptr, 2);
    for (int i = 0; i < 10; ++i)
        b.Rows().push_back(Row());
    auto rows = b.FillCountInfo();
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0][0], QStringLiteral("01"));
    EXPECT_EQ(rows[8][0], QStringLiteral("09"));
    EXPECT_EQ(rows[9][0], QStringLiteral("10"));
    const auto& r = rows[0];
    EXPECT_EQ(r[1], QStringLiteral("A1"));
    EXPECT_EQ(r[4], QStringLiteral("12.50"));
    EXPECT_EQ(r[6], QStringLiteral("C30"));
    EXPECT_EQ(r[7], QStringLiteral("3800"));
    EXPECT_EQ(r[8], QStringLiteral("桩身完整"));
    EXPECT_EQ(r[9], QStringLiteral("II"));
    EXPECT_EQ(r[10], QStringLiteral("r"));
    CRepCountInfo typeA(Env(), nullptr, 0);
    typeA.Rows() = {Row(), Row()};
    EXPECT_EQ(typeA.FillCountInfo()[1][0], QStringLiteral("2"));

    struct Case {
        int testDate, testTime, printCountType, kuoDi, shape, grade;
        QString date, dateOrAge, size, gradeName;
    };
    const Case cases[] = {
        {1, 0, 0, 0, 0, 3, QStringLiteral("2024-03-15"), QStringLiteral("2024-03-01"), QStringLiteral("600"),
         QStringLiteral("C30")},
        {1, 1, 1, 1, 0, -1, QStringLiteral("2024-03-15 09-30-05"), QStringLiteral("14"),
         QStringLiteral("600/800"), QStringLiteral("C15")},
        {0, 1, 0, 1, 1, 19, QStringLiteral(" 09-30-05"), QStringLiteral("2024-03-01"),
         QStringLiteral("600*600 / 800*800"), QStringLiteral("C15")},
        {0, 0, 1, 0, 1, 18, QString(), QStringLiteral("14"), QStringLiteral("600 * 600"),
         QStringLiteral("C105")},
    };
    for (const Case& c : cases) {
        s.m_bTestDate = c.testDate;
        s.m_bTestTime = c.testTime;
        s.m_iPrintCountType = c.printCountType;
        s.m_bKuoDi = c.kuoDi;
        CPileReportRow row = Row();
        row.m_nShape = c.shape;
        row.m_nGrade = c.grade;
        typeA.Rows() = {row};
        const auto t = typeA.FillCountInfo().at(0);
        EXPECT_EQ(t[2], c.date) << c.date.toStdString();
        EXPECT_EQ(t[3], c.dateOrAge);
        EXPECT_EQ(t[5], c.size);
        EXPECT_EQ(t[6], c.gradeName);
    }
}

TEST_F(CountInfoTest, RowsFromEveryKindOfPileFile) {
    CRepCountInfo b(Env(), nullptr, 0);
    struct Case {
        const char* name;
        int32_t code;
        QString shape;
        float size2, enlarged2;
        QString cls;
    };
    const Case cases[] = {
        {"square 1042", 1042, QStringLiteral("方桩"), 400, 700, QStringLiteral("II")},
        {"square 1036", 1036, QStringLiteral("Square pile"), 400, 700, QStringLiteral("II")},
        // Without second sides a pile counts as round, each side the first.
        {"code 1030", 1030, QStringLiteral("方桩"), 600, 800, QStringLiteral("II")},
        // 1007 has no texts 6 and 5, and no class of its own.
        {"code 1007", 1007, QStringLiteral("圆桩"), 600, 800, QStringLiteral("I")},
    };
    for (const Case& c : cases) {
        DuxAnalysis a = SavedPile(QStringLiteral("Q1"));
        a.text6 = QStringLiteral("six");
        a.text5 = QStringLiteral("five");
        a.className = QStringLiteral("II");
        a.shapeText = c.shape;
        a.enlarged = 800;
        a.secondSide = 400;
        a.enlarged2 = 700;
        a.idText2 = QStringLiteral("id2");
        a.gradeIndex = 25;
        const QString path = WritePile(QString::fromLatin1(c.name) + QStringLiteral(".DUX"), a, c.code);
        CPileReportRow r;
        ASSERT_TRUE(b.LoadCountRow(r, path)) << c.name;
        EXPECT_EQ(r.m_strPileNo, QStringLiteral("Q1")) << c.name;
        EXPECT_EQ(r.m_strResult, QStringLiteral("桩身完整")) << c.name;
        EXPECT_FLOAT_EQ(r.m_fLength, 12.5f) << c.name;
        EXPECT_EQ(r.m_nSpeed, 3800) << c.name;
        EXPECT_FLOAT_EQ(r.m_fSize1, 600) << c.name;
        EXPECT_FLOAT_EQ(r.m_fSize2, c.size2) << c.name;
        EXPECT_FLOAT_EQ(r.m_fEnlarged2, c.enlarged2) << c.name;
        EXPECT_EQ(r.m_nShape, c.shape == QStringLiteral("圆桩") ? 0 : 1) << c.name;
        EXPECT_EQ(r.m_strClass, c.cls) << c.name;
        EXPECT_EQ(r.m_nGrade, 0) << c.name; // 25 is no grade
        EXPECT_EQ(r.m_strRemark, QStringLiteral("id2")) << c.name;
        EXPECT_EQ(r.m_nAge, 14) << c.name;
        EXPECT_EQ(r.m_dtTest, QDateTime(QDate(2024, 3, 15), QTime(9, 30))) << c.name;
    }

    // A blow file is read whole.
    DuxBlow avg;
    avg.blow = 0;
    avg.samples = Pulse();
    avg.pileLength = 9.5f;
    avg.speed = 3600;
    const QString blows = DuxBuilder::paramBlock("A-RIRADAD")
                              .pileNo(QStringLiteral("B7"))
                              .channels(1, 1024)
                              .samples(Pulse())
                              .blowTable({DuxBlow{}, avg})
                              .writeTo(folder, QStringLiteral("B7.DUX"));
    CPileReportRow r;
    ASSERT_TRUE(b.LoadCountRow(r, blows));
    EXPECT_EQ(r.m_strPileNo, QStringLiteral("B7"));
    EXPECT_FLOAT_EQ(r.m_fLength, 9.5f);
    EXPECT_EQ(r.m_nSpeed, 3600);

    // The all-piles age replaces the dates' difference.
    doc->m_bAllPilesAge = true;
    doc->m_iAllAge = 28;
    ASSERT_TRUE(b.LoadCountRow(r, WritePile(QStringLiteral("age.DUX"), SavedPile(QStringLiteral("G")))));
    EXPECT_EQ(r.m_nAge, 28);
    EXPECT_EQ(r.m_dtConstruct.date(), QDate(2024, 2, 16));

    // Files that are no saved pile or blow file, and damaged ones: false, row untouched.
    const CPileReportRow before = r;
    QByteArray absurd =
        DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(SavedPile("Z")).build();
    const int32_t A = pit::test::valueAt<int32_t>(absurd, 22);
    absurd.replace(A + 12, 4, QByteArray("\x00\x00\x00\x40", 4)); // a 1 GB pile number
    QFile f(folder + QStringLiteral("/absurd.DUX"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(absurd);
    f.close();
    const QString refused[] = {
        DuxBuilder::paramBlock("RIRADAD", 100).channels(1, 1024).writeTo(folder, QStringLiteral("plain.DUX")),
        DuxBuilder::paramBlock("VADUZI", 55).writeTo(folder, QStringLiteral("code55.DUX")),
        folder + QStringLiteral("/absurd.DUX"),
        folder + QStringLiteral("/missing.DUX"),
    };
    for (const QString& path : refused) {
        EXPECT_FALSE(b.LoadCountRow(r, path)) << path.toStdString();
        EXPECT_EQ(r, before);
    }
}

TEST_F(CountInfoTest, CommonValuesReplaceOnlyTheFlaggedFields) {
    DuxAnalysis other = SavedPile(QStringLiteral("A2"));
    other.diameter = 1200;
    other.gradeIndex = 5;
    WritePile(QStringLiteral("A2.DUX"), other);
    doc->m_ProjectInfo.ScanFolder(folder);
    auto list = List({QStringLiteral("A1.DUX"), QStringLiteral("gone.DUX"), QStringLiteral("A2.DUX")});
    CRepCountInfo b(Env(), list.get(), 0);
    CCommonInfo common;
    common.m_fEnlarged = 1500;
    common.m_fDiameter = 999;
    common.m_nGradeIndex = 7;
    common.m_strProjectName = QStringLiteral(" Common ");
    common.SetUse(CCommonInfo::EnlargedBase, true);
    b.SetCommonInfo(true, &common);
    b.UpdatePileList();
    ASSERT_EQ(b.Rows().size(), 2u);                  // a name the project lacks is left out
    EXPECT_FLOAT_EQ(b.Rows()[1].m_fSize1, 1200);     // diameter flag off: each pile its own
    EXPECT_EQ(b.Rows()[1].m_nGrade, 5);              // grade flag off
    EXPECT_FLOAT_EQ(b.Rows()[0].m_fEnlarged1, 1500); // enlarged base flag on
    EXPECT_EQ(b.Project(), QStringLiteral("滨江大桥"));

    common.SetUse(CCommonInfo::ProjectName, true);
    common.SetUse(CCommonInfo::Diameter, true);
    common.SetUse(CCommonInfo::Grade, true);
    common.SetUse(CCommonInfo::Shape, true);
    common.m_nShape = 1;
    b.SetCommonInfo(true, &common);
    b.UpdatePileList();
    EXPECT_EQ(b.Project(), QStringLiteral("Common"));
    EXPECT_FLOAT_EQ(b.Rows()[1].m_fSize1, 999);
    EXPECT_EQ(b.Rows()[1].m_nGrade, 7);
    EXPECT_EQ(b.Rows()[1].m_nShape, 1);
}

TEST_F(CountInfoTest, WordExportHandsTheRowsToTheWriter) {
    auto list = List({QStringLiteral("A1.DUX")});
    doc->m_PrintSettings.m_bLanguage = 1;
    const QString names[] = {QStringLiteral("CountInfoReportA.dot"), QStringLiteral("CountInfoReportB.dot"),
                             QStringLiteral("CountInfoReportUE.dot"), QStringLiteral("CountInfoReportB.dot")};
    for (int type = 0; type < 4; ++type) {
        CRepCountInfo b(Env(), list.get(), type);
        ASSERT_TRUE(b.ExportWord(QStringLiteral("ignored")));
        const WordCountInfoReport& r = word.counts.back();
        EXPECT_EQ(r.templateName, names[type]) << type;
        EXPECT_EQ(r.summaryType, type == 3 ? 1 : type);
        ASSERT_EQ(r.rows.size(), 1u);
        EXPECT_EQ(r.rows[0][1], QStringLiteral("A1"));
        EXPECT_EQ(r.project, QStringLiteral("滨江大桥"));
    }
    doc->m_PrintSettings.m_bLanguage = 0;
    EXPECT_EQ(CRepCountInfo(Env(), list.get(), 2).TemplateName(), QStringLiteral("CountInfoReportU.dot"));
}

} // namespace pit::test
