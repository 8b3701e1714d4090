// The Excel report builder on piles assembled byte by byte: what each kind of
// pile file gives, which piles are left out, the common values, and the
// workbook the export writes.
#include "reports/RepExcel.h"
#include "core/doc/OptionTables.h"
#include "office/ExcelExporter.h"
#include "reports/ReportFactory.h"
#include "tests/office/XlsxDump.h"
#include "tests/reports/ReportFixture.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

using namespace pit;
using namespace pit::test;

namespace {

struct RepExcelTest : ReportFixture {
    QString first;
    void SetUp() override {
        ReportFixture::SetUp();
        first = WritePile("A1.DUX", SavedPile("A1"));
        Open(first);
        doc->m_ProjectInfo.m_texts[0] = "滨江大桥";
        doc->m_ProjectInfo.m_texts[2] = "检测中心";
        doc->m_ProjectInfo.m_texts[4] = "张三";
        doc->m_ProjectInfo.m_texts[5] = "第三工程队";
    }
    // A file image with its first analysis string's length replaced.
    QString Damaged(const QString& name, int32_t length) {
        QByteArray bytes =
            DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(SavedPile("Z")).build();
        int32_t p = 0;
        std::memcpy(&p, bytes.constData() + 22, 4);
        bytes.replace(p + 12, 4, QByteArray(reinterpret_cast<const char*>(&length), 4));
        QFile f(QDir(folder).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
};

TEST_F(RepExcelTest, SavedPilesByFormatCode) {
    CRepExcel b(Env(), nullptr, 0);
    const struct {
        int32_t code;
        const char* shape;
        int shapeIndex;
        float side2, enlarged2;
    } cases[] = {
        {1042, "方桩", 1, 400, 700},
        {1036, "Square pile", 1, 400, 700},
        {1030, "方桩", 1, 600, 800}, // no second sides saved: each is the first
        {1042, "Round pile", 0, 400, 700},
    };
    for (const auto& c : cases) {
        DuxAnalysis a = SavedPile("Q1");
        a.shapeText = QString::fromUtf8(c.shape);
        a.className = "III";
        a.enlarged = 800;
        a.secondSide = 400;
        a.enlarged2 = 700;
        a.gradeIndex = 4;
        a.testDate = "2024-03-15 09:30:00";
        a.samples = 1024;
        a.blowFlags[1] = 0; // the open pile A1 averages blows 1 and 2
        const QString path = WritePile(QStringLiteral("C%1.DUX").arg(c.code), a, c.code);
        CExcelPileInfo rec;
        ASSERT_TRUE(b.LoadPileInfo(rec, path)) << c.code;
        EXPECT_EQ(rec.m_strFileProject, "滨江大桥");
        EXPECT_EQ(rec.m_strDateTime, "2024-03-15 09:30:00");
        EXPECT_FLOAT_EQ(rec.m_fLength, 12.5f);
        EXPECT_EQ(rec.m_nSpeed, 3800);
        EXPECT_EQ(rec.m_strClass, "III");
        EXPECT_EQ(rec.m_nGrade, 4);
        EXPECT_EQ(rec.m_strIntegrity, "桩身完整");
        EXPECT_EQ(rec.m_nShape, c.shapeIndex) << c.code << c.shape;
        EXPECT_FLOAT_EQ(rec.m_fDiameter, 600);
        EXPECT_FLOAT_EQ(rec.m_fDiameter2, c.side2) << c.code;
        EXPECT_FLOAT_EQ(rec.m_fEnlargedBase, 800);
        EXPECT_FLOAT_EQ(rec.m_fEnlargedBase2, c.enlarged2) << c.code;
        EXPECT_EQ(rec.m_nSamples, 1024);
        // The current channel 2 follows the two blows: the average, of this file's blows.
        EXPECT_EQ(rec.m_nChannel, 2);
        EXPECT_TRUE(rec.m_bAverage);
        EXPECT_EQ(rec.m_strAvgChannels, "1");
        EXPECT_EQ(rec.m_wave.SampleCount(), 1024);
        EXPECT_FLOAT_EQ(rec.m_wave.Source()[60], Pulse()[60]);
    }

    // A blow channel as the result: no list; grades outside the table read C15.
    for (const int grade : {-3, 25}) {
        DuxAnalysis a = SavedPile("Q2");
        a.current = 1;
        a.gradeIndex = grade;
        CExcelPileInfo rec;
        ASSERT_TRUE(b.LoadPileInfo(rec, WritePile(QStringLiteral("G%1.DUX").arg(grade + 10), a)));
        EXPECT_EQ(rec.m_nGrade, 0) << grade;
        EXPECT_FALSE(rec.m_bAverage);
        EXPECT_TRUE(rec.m_strAvgChannels.isEmpty());
        EXPECT_FLOAT_EQ(rec.m_wave.Source()[60], Pulse(1.1f)[60]);
    }
}

TEST_F(RepExcelTest, BlowFileThroughThePileReader) {
    DuxBlow avg;
    avg.blow = 0;
    avg.samples = Pulse(0.5f);
    avg.pileLength = 9.5f;
    avg.speed = 3600;
    avg.blowBytes[0] = 1;
    const QString path = DuxBuilder::paramBlock("A-RIRADAD")
                             .pileNo("B7")
                             .channels(1, 1024)
                             .samples(Pulse())
                             .blowTable({DuxBlow{}, avg})
                             .writeTo(folder, "B7.DUX");
    CPileRecord pile;
    ASSERT_TRUE(pile.ReadFile(path));
    CRepExcel b(Env(), nullptr, 0);
    CExcelPileInfo rec;
    ASSERT_TRUE(b.LoadPileInfo(rec, path));
    EXPECT_EQ(rec.m_strPileNo, "B7");
    EXPECT_FLOAT_EQ(rec.m_fLength, pile.m_fPileLength);
    EXPECT_EQ(rec.m_nSpeed, pile.m_nWaveSpeed);
    EXPECT_EQ(rec.m_nChannel, pile.m_nCurrentChannel);
    EXPECT_TRUE(rec.m_bAverage); // the averaged record is the current one
    EXPECT_EQ(rec.m_nSamples, pile.CurrentChannel()->SampleCount());
    EXPECT_EQ(rec.m_wave.GetGainStart(), pile.CurrentChannel()->GetGainStart());
    EXPECT_EQ(rec.m_strDateTime,
              pile.m_testDate.toString("yyyy-MM-dd ") + pile.m_testTime.toString("HH:mm:ss"));
    EXPECT_EQ(rec.m_strAvgChannels, "1");
}

TEST_F(RepExcelTest, FilesThatCannotBeReadAreLeftOut) {
    QByteArray cut =
        DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(SavedPile("T")).build();
    cut.truncate(cut.size() - 3000);
    QFile f(QDir(folder).filePath("cut.DUX"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cut);
    f.close();
    const QString refused[] = {
        DuxBuilder::paramBlock("VADUZI", 55).writeTo(folder, "code55.DUX"),
        DuxBuilder::paramBlock("RIRADAD", 100).channels(1, 1024).writeTo(folder, "plain.DUX"),
        f.fileName(),
        Damaged("huge.DUX", 0x7FFFFFFF),
        Damaged("negative.DUX", -5),
        QDir(folder).filePath("missing.DUX"),
    };
    CRepExcel b(Env(), nullptr, 0);
    for (const QString& path : refused) {
        CExcelPileInfo rec;
        EXPECT_FALSE(b.LoadPileInfo(rec, path)) << path.toStdString();
    }
}

TEST_F(RepExcelTest, TickedRowsInListOrderWithTheDocumentsAndCommonValues) {
    DuxAnalysis a2 = SavedPile("A2");
    a2.diameter = 1200;
    a2.gradeIndex = 5;
    a2.testDate = "2024-04-02 00:00:00";
    WritePile("A2.DUX", a2);
    WritePile("A3.DUX", SavedPile("A3"));
    Damaged("bad.DUX", 0x7FFFFFFF);
    doc->m_ProjectInfo.ScanFolder(folder);
    doc->m_nYiqiXinghao = 1;
    doc->m_nJianceYiju = 2;
    auto list = List({"A2.DUX", "bad.DUX", "A3.DUX", "gone.DUX", "A1.DUX"}, {true, true, false, true, true});
    CRepExcel b(Env(), list.get(), 7);
    b.UpdatePileList();
    ASSERT_EQ(b.Items().size(), 2u); // unticked, damaged and unknown rows left out
    const CExcelPileInfo& r2 = *b.Items()[0];
    EXPECT_EQ(r2.m_strFileName, "A2");
    EXPECT_EQ(r2.m_strPileNo, "A2");
    EXPECT_EQ(r2.m_strInstrument, options::InstrumentModel(1));
    EXPECT_EQ(r2.m_strStandard, options::TestStandard(2));
    EXPECT_EQ(r2.m_strTestOrg, "检测中心");
    EXPECT_EQ(r2.m_strTester, "张三");
    EXPECT_EQ(r2.m_strBuilder, "第三工程队");
    EXPECT_FLOAT_EQ(r2.m_fDiameter, 1200);
    EXPECT_EQ(b.Items()[1]->m_strFileName, "A1");
    EXPECT_EQ(b.Option(), 7);

    doc->m_bUseCommonInfo = 1;
    CCommonInfo& c = doc->m_CommonInfo;
    c.ClearUse();
    c.m_strProjectName = "公共工程";
    c.m_testDate = QDateTime(QDate(2025, 1, 2), QTime(8, 0));
    c.m_fDiameter = 999;
    c.m_fSecondSide = 888;
    c.m_nGradeIndex = 7;
    c.SetUse(CCommonInfo::ProjectName, true);
    c.SetUse(CCommonInfo::TestDate, true);
    c.SetUse(CCommonInfo::Diameter, true);
    b.UpdatePileList();
    ASSERT_EQ(b.Items().size(), 2u);
    EXPECT_EQ(b.Items()[0]->m_strProject, "公共工程");
    EXPECT_EQ(b.Items()[0]->m_strDateTime, "2025-01-02 "); // the pile's midnight is dropped
    EXPECT_EQ(b.Items()[1]->m_strDateTime, "2025-01-02 09:30:00");
    EXPECT_FLOAT_EQ(b.Items()[0]->m_fDiameter, 999);
    EXPECT_FLOAT_EQ(b.Items()[0]->m_fDiameter2, 888);
    EXPECT_EQ(b.Items()[0]->m_nGrade, 5); // grade flag off
    EXPECT_EQ(b.Items()[0]->m_strTestOrg, "检测中心");
}

TEST_F(RepExcelTest, ExportWritesOneSheetPerPileWhereTheUserChooses) {
    WritePile("A2.DUX", SavedPile("A2"));
    doc->m_ProjectInfo.ScanFolder(folder);
    OfficeExcelExport excel(ctx, &services);
    ReportFactory factory(doc.get(), &services, nullptr);
    factory.SetExcelExport(&excel);

    // Nothing ticked: said, nothing asked or written.
    auto none = List({"A1.DUX", "A2.DUX"}, {false, false});
    std::unique_ptr<CReportBuilder> empty = factory.CreateExcel(*none, 0);
    ASSERT_NE(dynamic_cast<CRepExcel*>(empty.get()), nullptr);
    empty->UpdatePileList();
    EXPECT_FALSE(empty->ExportExcel());
    EXPECT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.asks.empty());

    auto list = List({"A2.DUX", "A1.DUX"});
    std::unique_ptr<CReportBuilder> b = factory.CreateExcel(*list, 0);
    b->UpdatePileList();
    const QString out = tmp.filePath("chosen.xlsx");
    services.answers = {out};
    ASSERT_TRUE(b->ExportExcel());
    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, "滨江大桥_结果数据.xlsx");
    EXPECT_EQ(QFileInfo(services.asks[0].folder), QFileInfo(folder));
    EXPECT_EQ(services.opened, QStringList{out});
    const auto book = readXlsx(out);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->sheets.size(), 2u);
    EXPECT_EQ(book->sheets[0].name, "A2");
    EXPECT_EQ(book->sheets[1].name, "A1");
    EXPECT_EQ(book->sheets[1].at("B3").text(), "滨江大桥");
    EXPECT_EQ(book->sheets[1].at("B37").text(), "CHAVG");
    EXPECT_EQ(book->sheets[1].at("B38").text(), "1、2");
}

} // namespace
