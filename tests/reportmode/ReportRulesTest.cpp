// Report mode's list arithmetic: what a pile file gives a row, the speed
// statistics against the integer mean, ages, picture names and the curve
// picture's grid.
#include "core/doc/CommonInfo.h"
#include "reportmode/ExportViewRules.h"
#include "tests/reports/ReportFixture.h"

#include <QFile>
#include <cmath>

using namespace pit;
using namespace pit::report;

namespace {

// The statistics as the list computes them, for a reference written here:
// the mean truncated to an integer, the deviations taken about it.
struct Expected {
    std::vector<int> speeds;
    std::vector<bool> checked;
    const char* mean;
    const char* sd;
    const char* cv;
};

std::vector<RowSpeed> Rows(const Expected& e) {
    std::vector<RowSpeed> rows;
    for (size_t i = 0; i < e.speeds.size(); ++i) {
        RowSpeed r;
        r.speed = e.speeds[i];
        r.counted = e.checked.empty() || e.checked[i];
        rows.push_back(r);
    }
    return rows;
}

} // namespace

TEST(ReportRules, SpeedStatisticsUseTheTruncatedMean) {
    const Expected cases[] = {
        {{3600, 3800, 4000}, {}, "3800", "200.00", "0.053"},
        // numpy's 140.71 comes from the exact mean 3700.5; the list's mean is 3700.
        {{3601, 3800}, {}, "3700", "140.72", "0.038"},
        {{4100}, {}, "4100", "0.00", "0.000"},
        {{3600, 3800, 9000}, {true, true, false}, "3700", "141.42", "0.038"},
        // A mean of 0 gives a coefficient of 0, not a division by zero.
        {{0, 0}, {}, "0", "0.00", "0.000"},
    };
    for (const Expected& e : cases) {
        const auto texts = SpeedStatsTexts(ComputeSpeedStats(Rows(e), true));
        EXPECT_EQ(texts[1], QString::fromLatin1(e.mean)) << e.speeds.size();
        EXPECT_EQ(texts[2], QString::fromLatin1(e.sd)) << e.speeds.size();
        EXPECT_EQ(texts[3], QString::fromLatin1(e.cv)) << e.speeds.size();
    }
    const SpeedStats s = ComputeSpeedStats(Rows({{3600, 3800, 9000}, {true, true, false}, "", "", ""}), true);
    EXPECT_EQ(s.count, 2);
    EXPECT_EQ(s.max, 3800.0f);
    EXPECT_EQ(s.min, 3600.0f);
    // A pile whose speed could not be read stays out even when checked.
    std::vector<RowSpeed> rows = Rows({{3600, 0, 4000}, {}, "", "", ""});
    rows[1].readable = false;
    EXPECT_EQ(SpeedStatsTexts(ComputeSpeedStats(rows, true))[1], QStringLiteral("3800"));
    // Nothing while the list is being filled.
    EXPECT_EQ(ComputeSpeedStats(Rows({{3600}, {}, "", "", ""}), false), SpeedStats{});
}

TEST(ReportRules, AgesFromOneTo9999) {
    const struct {
        const char* text;
        std::optional<int> age;
    } cases[] = {
        {"0", std::nullopt},  {"1", 1},     {"9999", 9999},    {"10000", std::nullopt}, {"-5", std::nullopt},
        {"1x", std::nullopt}, {" 28 ", 28}, {"", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseAge(QString::fromLatin1(c.text)), c.age) << c.text;
}

TEST(ReportRules, PictureNamesArePlainFileNames) {
    const struct {
        const char16_t* pileNo;
        std::optional<QString> name;
    } cases[] = {{u"ZK1", QStringLiteral("ZK1")},
                 {u"../x", QStringLiteral(".._x")},
                 {u"a\\b/c", QStringLiteral("a_b_c")},
                 {u"桩\t1", QStringLiteral("桩_1")},
                 {u"", std::nullopt},
                 {u".", std::nullopt},
                 {u"..", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(PictureFileName(QString::fromUtf16(c.pileNo)), c.name)
            << QString::fromUtf16(c.pileNo).toStdString();
}

TEST(ReportRules, DateAndTimeColumns) {
    CCommonInfo common;
    common.m_testDate = QDateTime(QDate(2024, 5, 1), QTime(8, 30));
    EXPECT_EQ(DateColumnText(QStringLiteral("2024-03-15"), common, true), QStringLiteral("2024-03-15"));
    common.SetUse(CCommonInfo::TestDate, true);
    EXPECT_EQ(DateColumnText(QStringLiteral("2024-03-15"), common, false), QStringLiteral("2024-03-15"));
    EXPECT_EQ(DateColumnText(QStringLiteral("2024-03-15"), common, true), QStringLiteral("2024-05-01 "));
    EXPECT_EQ(TimeColumnText(QStringLiteral("2024-03-15 09:30:00")), QStringLiteral(" 09:30:00"));
    EXPECT_EQ(TimeColumnText(QStringLiteral("2024-03-15 00:00:00")), QString());
    EXPECT_EQ(TimeColumnText(QStringLiteral("2024-03-15")), QString());
}

TEST(ReportRules, CurveGridFillsColumnByColumnWithTheAverageFirst) {
    for (int n = 1; n <= 16; ++n) {
        const CurveGrid g = CurveGridFor(n);
        const int columns = n < 8 ? 1 : 2;
        const int rows = n < 8 ? n : (n + 1) / 2;
        EXPECT_EQ(g.columns, columns) << n;
        EXPECT_EQ(g.rows, rows) << n;
        ASSERT_EQ(int(g.cells.size()), n) << n;
        EXPECT_EQ(g.cells[0].channel, n - 1) << n; // the average
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(g.cells[size_t(k)].column, k / rows) << n << " cell " << k;
            EXPECT_EQ(g.cells[size_t(k)].row, k % rows) << n << " cell " << k;
            if (k > 0)
                EXPECT_EQ(g.cells[size_t(k)].channel, k - 1) << n << " cell " << k;
        }
    }
    // Nine channels: the grid is that of ten, the tenth cell stays empty.
    EXPECT_EQ(CurveGridFor(9).rows, 5);
    EXPECT_DOUBLE_EQ(CurveCaptionUnit(1000, 3), 100.0 / 19);
    EXPECT_DOUBLE_EQ(CurveCaptionUnit(1000, 6), 100.0 / 25); // rows + 1 = 7
}

namespace pit::test {

struct RowFileTest : ReportFixture {};

TEST_F(RowFileTest, SpeedAndDescriptionFromEveryLayoutAndNoThrowOnDamage) {
    DuxAnalysis a = SavedPile(QStringLiteral("P1"));
    a.waveSpeed = 3650;
    a.conclusion = QStringLiteral("桩身完整");
    a.pileValues = {1.5f, -10.25f, 1.25f};
    const QString saved = WritePile(QStringLiteral("S.DUX"), a);
    a.waveSpeed = 3710;
    const QString old = WritePile(QStringLiteral("O.DUX"), a, 1007); // no texts 6 and 5
    DuxBlow b1, avg;
    b1.samples = Pulse();
    b1.speed = 3920;
    avg.blow = 0;
    avg.speed = 3920;
    const QString blow = DuxBuilder::paramBlock("A-RIRADAD")
                             .pile(10, 800, 3920)
                             .channels(1, 1024)
                             .samples(Pulse())
                             .blowTable({b1, avg})
                             .writeTo(folder, QStringLiteral("B.DUX"));
    const struct {
        QString path;
        int speed;
    } cases[] = {{saved, 3650}, {old, 3710}, {blow, 3920}};
    for (const auto& c : cases) {
        const RowFile f = ReadRowFile(c.path);
        EXPECT_TRUE(f.readable) << c.path.toStdString() << f.why.toStdString();
        EXPECT_EQ(f.speed, c.speed) << c.path.toStdString();
    }
    const RowFile s = ReadRowFile(saved);
    EXPECT_EQ(s.description, QStringLiteral("桩身完整"));
    EXPECT_FLOAT_EQ(s.elevations[1], -10.25f);

    // Cut short inside its waves: the fields read, but the project report
    // could not hold the pile, so it is not counted either.
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(f.resize(bytes.size() - 2000));
    const RowFile wavesCut = ReadRowFile(saved);
    EXPECT_FALSE(wavesCut.readable);
    EXPECT_EQ(wavesCut.why, QStringLiteral("the analysed wave cannot be read"));

    // Cut short inside the analysis block: refused with a reason, nothing thrown.
    const int32_t block = test::valueAt<int32_t>(bytes, 22);
    ASSERT_TRUE(f.resize(block + 20));
    f.close();
    const RowFile cut = ReadRowFile(saved);
    EXPECT_FALSE(cut.readable);
    EXPECT_FALSE(cut.why.isEmpty());
    EXPECT_FALSE(ReadRowFile(tmp.filePath(QStringLiteral("missing.DUX"))).readable);
}

} // namespace pit::test
