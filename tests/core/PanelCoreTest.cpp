// Processing values applied to channels, piles and project files; the
// fixed-parameter rules and the length/speed/time-difference coupling.
#include "core/pile/PileRecord.h"
#include "core/project/FixedParams.h"
#include "core/project/ProjectApply.h"
#include "core/wave/WaveRecord.h"
#include "platform/Paths.h"
#include "tests/support/Disks.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::DuxBuilder;
using pit::test::SmallDisk;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

std::vector<float> wave(int count, int n, double seed) {
    std::vector<float> v(size_t(count) * size_t(n));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = float(std::sin(double(i % size_t(n)) * 0.05 * seed) * (1.0 + double(i / size_t(n))));
    return v;
}

// A pile file of two channels (or count); saved once through the program
// when withAnalysis, so it carries the analysis block.
QString makePile(const QString& dir, const QString& name, double seed, bool withAnalysis, float dt = 20,
                 int count = 2) {
    const QString path = DuxBuilder::shortHeader(219, "VADUZI", 4)
                             .channels(count, 1024)
                             .sampleInterval(dt)
                             .pile(10, 800, 4000)
                             .samples(wave(count, 1024, seed))
                             .writeTo(dir, name);
    if (withAnalysis) {
        CPileRecord r;
        EXPECT_TRUE(r.ReadFile(path));
        r.SaveAnalysis();
    }
    return path;
}

} // namespace

TEST(RampStart, ClampedBetweenHeadAndFourFifthsOfThePile) {
    struct Case {
        int start, head, toe, expected;
    } cases[] = {
        {50, 0, 0, 0},     // markers unset: always 0
        {-5, 0, 0, 0},     //
        {5, 20, 30, 20},   // raised to the head
        {40, 20, 30, 28},  // toe 10 after the head: upper bound head + 8
        {25, 20, 30, 25},  // inside
        {500, 20, 33, 30}, // 4 * 13 / 5 = 10 (truncated)
        {500, 30, 20, 22}, // toe before the head: raised to 30, then lowered to 30 + (-40) / 5
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampRampStart(c.start, c.head, c.toe), c.expected)
            << c.start << " " << c.head << " " << c.toe;
}

TEST(PanelApply, RecordGetsCutoffsClampedStartGainAndPileSpeed) {
    QTemporaryDir dir;
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(makePile(dir.path(), "A.DUX", 1.0, false)));
    rec.m_nWaveSpeed = 3800;
    const std::vector<float> before = rec.Channel(0)->Source();
    WaveProcessParams p{100, 2000, 7, 100000};
    ApplyParamsToRecord(rec, p);
    for (int i = 0; i < rec.ChannelCountInList(); ++i) {
        const CWaveRecord& w = *rec.Channel(i);
        int h, t;
        w.GetHeadToe(h, t);
        EXPECT_EQ(w.highPassHz, 100);
        EXPECT_EQ(w.lowPassHz, 2000);
        EXPECT_EQ(w.GetExpGain(), 7);
        EXPECT_EQ(w.GetGainStart(), h + 4 * (t - h) / 5);
        EXPECT_EQ(w.GetWaveSpeed(), 3800);
    }
    EXPECT_NE(rec.Channel(0)->Source(), before); // filtered
}

class ProjectApply : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::vector<QString> paths;
    void SetUp() override {
        paths.push_back(makePile(dir.path(), "P1.DUX", 1.0, true));
        paths.push_back(makePile(dir.path(), "P2.DUX", 2.0, false));
        paths.push_back(dir.filePath("BAD.DUX"));
        QFile bad(paths.back());
        bad.open(QIODevice::WriteOnly);
        bad.write("VADUZI\0\0\0\0 this is not a pile file");
        bad.close();
        paths.push_back(makePile(dir.path(), "P3.DUX", 3.0, true));
    }
    std::vector<QByteArray> snapshot() const {
        std::vector<QByteArray> s;
        for (const QString& p : paths)
            s.push_back(fileBytes(p));
        return s;
    }
};

TEST_F(ProjectApply, RewritesOnlySavedPilesEachFromItsOwnFileAndReportsTheRest) {
    CPileRecord p3Before;
    ASSERT_TRUE(p3Before.ReadFile(paths[3]));
    const auto before = snapshot();
    const WaveProcessParams p{0, 3000, 5, 40};
    std::vector<int> told;
    const ProjectApplyResult r =
        ApplyToProjectFiles(paths, p, true, [&](int done, int total, const QString&) {
            told.push_back(done);
            EXPECT_EQ(total, 4);
            return true;
        });
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.rewritten, (std::vector<QString>{paths[0], paths[3]}));
    EXPECT_EQ(r.skipped, (std::vector<QString>{paths[1]}));
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(r.failed[0].path, paths[2]);
    EXPECT_FALSE(r.failed[0].reason.isEmpty());
    EXPECT_EQ(told, (std::vector<int>{0, 1, 2, 3, 4}));

    const auto after = snapshot();
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    CPileRecord p3;
    ASSERT_TRUE(p3.ReadFile(paths[3]));
    // The pile after the refused file keeps its own samples.
    EXPECT_EQ(p3.RawSamples(), p3Before.RawSamples());
    for (int i = 0; i < p3.ChannelCountInList(); ++i) {
        EXPECT_EQ(p3.Channel(i)->lowPassHz, 3000);
        EXPECT_EQ(p3.Channel(i)->GetExpGain(), 5);
    }
    const QString summary = ProjectApplySummary(r, true);
    EXPECT_TRUE(summary.startsWith(u"2 files rewritten, 1 skipped"_qs)) << summary.toStdString();
    EXPECT_TRUE(summary.contains(u"BAD.DUX: "_qs));
}

TEST_F(ProjectApply, CancelChangesNoFile) {
    const auto before = snapshot();
    const ProjectApplyResult r = ApplyToProjectFiles(paths, {0, 3000, 5, 40}, false,
                                                     [](int done, int, const QString&) { return done < 3; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.rewritten.empty());
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(ProjectApplySummary(r, true), u"Cancelled: no file was changed."_qs);
}

// C2 is sampled every 50 µs: a 15000 Hz high-pass lies above half its
// sampling rate. It is written with the values it took and told apart.
TEST(ProjectApplyRefusal, APileThatRefusesTheHighPassIsCountedAndNamed) {
    QTemporaryDir dir;
    const std::vector<QString> paths{makePile(dir.path(), "C1.DUX", 1.0, true, 20),
                                     makePile(dir.path(), "C2.DUX", 2.0, true, 50)};
    for (const bool english : {false, true}) {
        const ProjectApplyResult r = ApplyToProjectFiles(paths, {15000, 3000, 5, 40}, english);
        EXPECT_EQ(r.rewritten, std::vector<QString>{paths[0]});
        ASSERT_EQ(r.refused.size(), 1u);
        EXPECT_EQ(r.refused[0].path, paths[1]);
        EXPECT_TRUE(r.failed.empty());
        const QString summary = ProjectApplySummary(r, english);
        EXPECT_TRUE(summary.startsWith(english ? u"1 files rewritten, 0 skipped"_qs
                                               : u"已改写 1 个文件，跳过 0 个"_qs))
            << summary.toStdString();
        EXPECT_TRUE(
            summary.contains(u"C2.DUX: "_qs + (english ? u"high-pass 15000 Hz"_qs : u"高通 15000 Hz"_qs)))
            << summary.toStdString();
        EXPECT_TRUE(summary.contains(u"10000 Hz"_qs)) << summary.toStdString();
    }
    CPileRecord c2;
    ASSERT_TRUE(c2.ReadFile(paths[1]));
    for (int i = 0; i < c2.ChannelCountInList(); ++i) {
        EXPECT_EQ(c2.Channel(i)->highPassHz, 0);
        EXPECT_EQ(c2.Channel(i)->lowPassHz, 3000);
    }
    CPileRecord c1;
    ASSERT_TRUE(c1.ReadFile(paths[0]));
    EXPECT_EQ(c1.Channel(0)->highPassHz, 15000);
}

// The new images wait in the run's own folder, which a later start clears
// if this run is killed, and go with the apply.
TEST_F(ProjectApply, StagesInTheRunsFolderAndLeavesNothingThere) {
    QTemporaryDir run;
    setSessionTempDir(run.path());
    QStringList seen;
    ApplyToProjectFiles(paths, {0, 3000, 5, 40}, false, [&](int done, int total, const QString&) {
        if (done == total)
            for (const QString& d : QDir(run.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                seen << d + u':' + QString::number(QDir(run.filePath(d)).entryList(QDir::Files).size());
        return true;
    });
    setSessionTempDir({});
    ASSERT_EQ(seen.size(), 1) << seen.join(u' ').toStdString();
    EXPECT_TRUE(seen[0].startsWith(u"apply-"_qs)) << seen[0].toStdString();
    EXPECT_TRUE(seen[0].endsWith(u":2"_qs)) << seen[0].toStdString(); // P1 and P3
    EXPECT_TRUE(QDir(run.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

// The project's disk fills while the originals are replaced: the small pile
// goes in, the large one does not; the summary names both.
TEST(ProjectApplyFullDisk, APartWayStopSaysWhichPilesWereRewrittenAndWhichNot) {
    QTemporaryDir dir;
    SmallDisk disk;
    if (!disk.Make(dir.filePath(QStringLiteral("disk")), 512))
        GTEST_SKIP() << "no small file system for this user";
    const std::vector<QString> paths{makePile(disk.path, "S1.DUX", 1.0, true, 20, 2),
                                     makePile(disk.path, "S2.DUX", 2.0, true, 20, 12)};
    const QByteArray large = fileBytes(paths[1]);
    ASSERT_GT(large.size(), 40000);
    ASSERT_TRUE(disk.FillTo(QFileInfo(paths[0]).size() + 16384));
    const ProjectApplyResult r = ApplyToProjectFiles(paths, {0, 3000, 5, 40}, false);
    EXPECT_EQ(r.rewritten, std::vector<QString>{paths[0]});
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(r.failed[0].path, paths[1]);
    EXPECT_EQ(fileBytes(paths[1]), large); // whole, as it was
    const QString summary = ProjectApplySummary(r, false);
    EXPECT_TRUE(summary.contains(u"\n已改写：S1.DUX"_qs)) << summary.toStdString();
    EXPECT_TRUE(summary.contains(u"\n未改写：\nS2.DUX: "_qs)) << summary.toStdString();
    EXPECT_TRUE(summary.contains(u"磁盘"_qs)) << summary.toStdString();
}

TEST(FixedParams, LengthAndSpeedExcludeEachOtherOnlyWithAFixedTimeDifference) {
    FixSettings s{};
    s[FixSpeed] = 1;
    EXPECT_TRUE(FixClickConflicts(s, FixLength, true));
    EXPECT_FALSE(FixClickConflicts(s, FixLength, false)); // unticking is free
    EXPECT_FALSE(FixClickConflicts(s, FixDiameter, true));
    s[FixSpeed] = 0;
    s[FixLength] = 1;
    EXPECT_TRUE(FixClickConflicts(s, FixSpeed, true));
    s[FixTimeMode] = kTimeDifferenceVarying;
    EXPECT_FALSE(FixClickConflicts(s, FixSpeed, true));
    EXPECT_EQ(FixLengthSpeedConflictMessage(), u"固定时间差时，桩长与波速只能固定其中一个！"_qs);
}

TEST(FixedParams, ApplySetsQuantityByteChangedFlagsAndTakesOnlyFixedValues) {
    CPileRecord rec;
    rec.m_fPileLength = 12;
    rec.m_nWaveSpeed = 4000;
    rec.m_fDiameter = 800;
    CPileParamSet v;
    v.length = 15;
    v.waveSpeed = 4000;
    v.diameter = 1000;
    FixSettings s{};
    s[FixSpeed] = 1;
    bool any = false;
    FixApplyResult r = ApplyFixedParams(rec, s, v, any);
    EXPECT_FALSE(r.speedChanged); // same speed
    EXPECT_FALSE(r.lengthChanged);
    EXPECT_EQ(rec.m_bFixedQuantity, 0);
    EXPECT_FLOAT_EQ(rec.m_fPileLength, 12); // not fixed: kept
    EXPECT_FLOAT_EQ(rec.m_fDiameter, 800);
    EXPECT_TRUE(any);

    s = {};
    s[FixLength] = 1;
    s[FixDiameter] = 1;
    r = ApplyFixedParams(rec, s, v, any);
    EXPECT_TRUE(r.lengthChanged);
    EXPECT_EQ(rec.m_bFixedQuantity, 1);
    EXPECT_FLOAT_EQ(rec.m_fPileLength, 15);
    EXPECT_FLOAT_EQ(rec.m_fDiameter, 1000);

    s = {};
    any = true;
    ApplyFixedParams(rec, s, v, any);
    EXPECT_TRUE(any); // never cleared by the apply step
}

TEST(FixedParams, CouplingKeepsTheTimeDifference) {
    struct Case {
        LengthSpeed old;
        bool bySpeed;
        float newValue;
        LengthSpeed expected;
    } cases[] = {
        {{10, 4000}, true, 3000, {7.5f, 3000}},
        {{10, 4000}, true, 20000, {25, 10000}}, // speed clamped to 10000
        {{10, 4000}, true, -5, {0.1f, 1}},      // at least 1 m/s, length at least 0.1 m
        {{10, 4000}, false, 12, {12, 4800}},
        {{10, 4000}, false, 5000, {1000, 400000}}, // length clamped to 1000 m
        {{10, 4000}, false, 0, {0.1f, 40}},
        {{0.3f, 3700}, false, 0.3f, {0.3f, 3700}}, // a speed that the doubles miss by a hair
        {{0, 4000}, false, 8, {8, 4000}},          // no time difference: the speed stays
    };
    for (const Case& c : cases) {
        const LengthSpeed got =
            c.bySpeed ? CoupleFromSpeed(c.old, int(c.newValue)) : CoupleFromLength(c.old, c.newValue);
        EXPECT_NEAR(got.length, c.expected.length, 1e-4) << c.newValue;
        EXPECT_EQ(got.speed, c.expected.speed) << c.newValue;
    }
    // Every new length of a 10 m / 4000 m/s pile in centimetres gives a whole speed back.
    for (int cm = 10; cm <= 5000; ++cm) {
        const float L = float(cm) / 100.0f;
        EXPECT_EQ(CoupleFromLength({10, 4000}, L).speed, int(std::lround(double(L) * 400.0))) << L;
    }
}

TEST(FixedParams, RecoupleFollowsTheFixedQuantityInFixedModeOnly) {
    CPileRecord rec;
    rec.m_fPileLength = 10;
    rec.m_nWaveSpeed = 3000; // the fixed speed just set
    rec.m_bFixedQuantity = 0;
    LengthSpeed v = RecoupleFixedRecord(rec, kTimeDifferenceFixed, {10, 4000});
    EXPECT_FLOAT_EQ(v.length, 7.5f);
    EXPECT_EQ(v.speed, 3000);
    rec.m_bFixedQuantity = 1;
    rec.m_fPileLength = 12;
    rec.m_nWaveSpeed = 4000;
    v = RecoupleFixedRecord(rec, kTimeDifferenceFixed, {10, 4000});
    EXPECT_EQ(v.speed, 4800);
    v = RecoupleFixedRecord(rec, kTimeDifferenceVarying, {10, 4000});
    EXPECT_FLOAT_EQ(v.length, 12);
    EXPECT_EQ(v.speed, 4000);
}

TEST(FixedParams, LengthTextRoundsOnceMoreDecimalsAreTyped) {
    EXPECT_FALSE(LengthTextNeedsRounding(u"12.34"_qs, 2));
    EXPECT_TRUE(LengthTextNeedsRounding(u"12.345"_qs, 2));
    EXPECT_FALSE(LengthTextNeedsRounding(u"12345"_qs, 2));
    EXPECT_TRUE(LengthTextNeedsRounding(u"1.23"_qs, 1));
    EXPECT_EQ(RoundedLengthText(12.345f, 2), u"12.35"_qs);
    EXPECT_EQ(RoundedLengthText(12.344f, 2), u"12.34"_qs);
    EXPECT_EQ(RoundedLengthText(7.0f, 3), u"7.000"_qs);
    EXPECT_EQ(RoundedLengthText(0.05f, 1), u"0.1"_qs);
}
