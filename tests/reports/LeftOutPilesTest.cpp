// The reports that read a pile's saved analysis block, not the whole pile
// (the project report, the summary table, the result workbook), leave out
// the piles the pile reader refuses and name them: a sample interval no
// instrument records, in the header or in the channel record they draw.
#include "reports/RepCountInfo.h"
#include "reports/RepExcel.h"
#include "reports/RepProjectA.h"
#include "tests/reports/ReportFixture.h"

namespace pit::test {
namespace {

std::string Listed(const QStringList& l) {
    return l.join(QStringLiteral(", ")).toStdString();
}

struct LeftOutPiles : ReportFixture {
    QStringList names;
    // A saved pile numbered as its file, with these intervals in its header and channel records.
    QString Write(const QString& pileNo, float headerDt, float recordDt) {
        DuxAnalysis a = SavedPile(pileNo);
        for (auto* list : {&a.channels, &a.averages})
            for (DuxChannel& c : *list)
                c.dt = recordDt;
        names << pileNo + QStringLiteral(".DUX");
        return DuxBuilder::paramBlock("VADUZI", 1042)
            .channels(2, 1024)
            .sampleInterval(headerDt)
            .analysis(a)
            .writeTo(folder, names.back());
    }
};

} // namespace

TEST_F(LeftOutPiles, ASampleIntervalNoInstrumentRecordsLeavesThePileOutNamed) {
    QStringList reported{Write(QStringLiteral("G"), 20, 20)}, refused;
    for (size_t i = 0; i < kEdgeSampleIntervals.size(); ++i)
        reported << Write(QStringLiteral("E%1").arg(i), kEdgeSampleIntervals[i], kEdgeSampleIntervals[i]);
    for (size_t i = 0; i < kRefusedSampleIntervals.size(); ++i) {
        refused << Write(QStringLiteral("H%1").arg(i), kRefusedSampleIntervals[i], 20);
        refused << Write(QStringLiteral("R%1").arg(i), 20, kRefusedSampleIntervals[i]);
    }
    Open(reported[0]);
    QStringList reportedNos;
    for (const QString& path : reported)
        reportedNos << QFileInfo(path).completeBaseName();
    const auto list = List(names);
    // Each report's piles by number, and the files it named as left out.
    auto holds = [&](const char* report, const auto& piles, auto number, const QStringList& leftOut) {
        SCOPED_TRACE(report);
        QStringList nos;
        for (const auto& pile : piles)
            nos << number(pile);
        EXPECT_EQ(Listed(nos), Listed(reportedNos));
        EXPECT_EQ(Listed(leftOut), Listed(refused));
    };

    CRepProjectA project(Env(), list.get());
    project.UpdatePileList();
    holds(
        "project report", project.Items(), [](const auto& item) { return item->m_strPileNo; },
        project.LeftOut());
    CRepCountInfo summary(Env(), list.get(), 1);
    summary.UpdatePileList();
    holds(
        "summary table", summary.Rows(), [](const CPileReportRow& row) { return row.m_strPileNo; },
        summary.LeftOut());
    CRepExcel workbook(Env(), list.get(), 0);
    workbook.UpdatePileList();
    holds(
        "workbook", workbook.Items(), [](const auto& rec) { return rec->m_strFileName; }, workbook.LeftOut());
    // What the workbook shows of the edges: times in steps of their interval.
    ASSERT_EQ(workbook.Items().size(), 3u);
    EXPECT_EQ(workbook.Items()[1]->m_wave.GetSampleInterval(), 1.0f);
    EXPECT_EQ(workbook.Items()[2]->m_wave.GetSampleInterval(), 32767.0f);
}

} // namespace pit::test
