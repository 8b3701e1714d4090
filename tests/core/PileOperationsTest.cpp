// Operations on all channels of a pile.
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "tests/support/DuxBuilder.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::DuxBuilder;

namespace {

class PileOps : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::vector<float> samples;
    CPileRecord rec;

    void SetUp() override {
        samples.resize(5 * 1024);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float((i % 1024) % 13) * float(i / 1024 + 1) - 3.0f;
        const QString path = DuxBuilder::shortHeader(219, "VADUZI", 4)
                                 .channels(5, 1024)
                                 .samples(samples)
                                 .writeTo(dir.path(), "o.dux");
        ASSERT_TRUE(rec.ReadFile(path));
    }
    float raw(int blow, int i) const { return samples[size_t(blow) * 1024 + size_t(i)]; }
};

} // namespace

TEST_F(PileOps, AverageOfTheFlaggedBlows) {
    rec.m_blowFlags = {};
    rec.m_blowFlags[0] = rec.m_blowFlags[2] = 1;
    rec.RecomputeAverage();
    const CWaveRecord& avg = *rec.AverageChannel();
    EXPECT_TRUE(avg.isAverage);
    for (int i : {0, 1, 7, 512, 1023})
        EXPECT_FLOAT_EQ(avg.Source()[size_t(i)], (raw(0, i) + raw(2, i)) / 2) << i;

    rec.m_blowFlags = {};
    rec.RecomputeAverage();
    for (float v : rec.AverageChannel()->Source())
        ASSERT_EQ(v, 0.0f);
}

TEST_F(PileOps, ScaleFactorMultipliesByOldOverNew) {
    struct Case {
        float stored, previous, factor;
        float storedAfter;
    } cases[] = {
        {1.0f, 2.0f, 2.0f, 1.0f},       // a factor changed from 2 to 1 doubles the samples
        {1.0f, 1.0000005f, 1.0f, 1.0f}, // within the tolerance: nothing
        {4.0f, 1.0f, 0.25f, 4.0f},
        {0.0f, 3.0f, 1.0f, 3.0f}, // no factor stored: it is taken, samples stay
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(rec.ReloadFile());
        const float before = rec.Channel(1)->Source()[7];
        rec.m_fScale = c.stored;
        rec.SetScaleFactor(c.previous);
        EXPECT_NEAR(rec.Channel(1)->Source()[7], before * c.factor, 1e-5 * std::fabs(before * c.factor))
            << c.stored << " " << c.previous;
        EXPECT_FLOAT_EQ(rec.m_fScale, c.storedAfter);
    }
}

TEST_F(PileOps, OldHeaderToeDepthIsSanitized) {
    struct Case {
        float depth, expected;
    } cases[] = {{0.0000001f, 0}, {-1, -1}, {12, 0}, {4.5f, 4.5f}, {-3, 0}};
    for (const auto& c : cases) {
        CPileRecord r;
        ASSERT_TRUE(r.ReadFile(DuxBuilder::shortHeader(219).toeDepth(c.depth).writeTo(dir.path(), "d.dux")));
        EXPECT_FLOAT_EQ(r.m_header.ToeDepth(), c.expected) << c.depth;
    }
    // A blow-selection byte other than 0/1, or an odd type, clears the blow bytes.
    CPileRecord r;
    ASSERT_TRUE(r.ReadFile(DuxBuilder::shortHeader(219).blowSelect(3, {1, 1}).writeTo(dir.path(), "s.dux")));
    EXPECT_EQ(r.m_header.BlowSelect(), 0);
    EXPECT_EQ(r.m_header.bytes[hdr::kBlowBytes], 0);
}

TEST_F(PileOps, RestoringAChannelKeepsWhatTheEngineerEntered) {
    rec.m_nGradeIndex = 7;
    rec.m_strClass = u"III"_qs;
    rec.m_strRemark = u"备注"_qs;
    rec.m_strConclusion = u"结论"_qs;
    rec.m_fEnlarged = 1500;
    rec.m_fDiameter = 1200;
    rec.Channel(2)->SourceSpan()[5] = 999;
    const auto avgBefore = rec.AverageChannel()->Source();
    rec.RestoreChannel(2);
    EXPECT_FLOAT_EQ(rec.Channel(2)->Source()[5], raw(2, 5));
    EXPECT_EQ(rec.m_nCurrentChannel, 2);
    EXPECT_EQ(rec.m_nGradeIndex, 7);
    EXPECT_EQ(rec.m_strClass, u"III"_qs);
    EXPECT_EQ(rec.m_strRemark, u"备注"_qs);
    EXPECT_EQ(rec.m_strConclusion, u"结论"_qs);
    EXPECT_FLOAT_EQ(rec.m_fEnlarged, 1500);
    EXPECT_FLOAT_EQ(rec.m_fDiameter, 1200);
    EXPECT_EQ(rec.AverageChannel()->Source(), avgBefore);

    rec.m_blowFlags = {};
    rec.m_blowFlags[4] = 1;
    rec.RestoreChannel(5); // the average
    EXPECT_TRUE(rec.AverageChannel()->isAverage);
    EXPECT_FLOAT_EQ(rec.AverageChannel()->Source()[9], raw(4, 9));
    rec.RestoreChannel(9); // outside the list: nothing
    EXPECT_EQ(rec.ChannelCountInList(), 6);
}

TEST_F(PileOps, ChannelStampChangesOnlyWhenChannelObjectsAreReplaced) {
    // Views keep layouts of the channels and pointers to them by this stamp.
    struct Case {
        const char* what;
        std::function<void(CPileRecord&)> run;
        bool replaced;
    } cases[] = {
        {"read again", [](CPileRecord& r) { ASSERT_TRUE(r.ReloadFile()); }, true},
        {"channel restored", [](CPileRecord& r) { r.RestoreChannel(1); }, true},
        {"cleared", [](CPileRecord& r) { r.Clear(); }, true},
        {"average recomputed", [](CPileRecord& r) { r.RecomputeAverage(); }, false},
        {"samples edited", [](CPileRecord& r) { r.Channel(0)->SourceSpan()[3] = 5; }, false},
        {"read refused", [this](CPileRecord& r) { EXPECT_ANY_THROW(r.ReadFile(dir.filePath("none.dux"))); },
         false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(rec.ReloadFile());
        const uint64_t before = rec.ChannelStamp();
        c.run(rec);
        EXPECT_EQ(rec.ChannelStamp() != before, c.replaced) << c.what;
    }
    // A copy's channels are its own.
    const CPileRecord copy = rec.Clone();
    EXPECT_NE(copy.ChannelStamp(), rec.ChannelStamp());
    // A move takes the stamp with the channels.
    const uint64_t mine = rec.ChannelStamp();
    CPileRecord moved = std::move(rec);
    EXPECT_EQ(moved.ChannelStamp(), mine);
}

TEST_F(PileOps, ExchangeWithTheParameterSet) {
    rec.m_strClass = u"IV"_qs;
    rec.m_strShape = u"Square pile"_qs;
    rec.m_fDiameter = 800;
    CPileParamSet set;
    set.classIndex = 1;
    rec.ExchangePileParams(set, {}, false);
    EXPECT_EQ(set.classIndex, 3);
    EXPECT_EQ(set.shapeIndex, 1);
    EXPECT_FLOAT_EQ(set.diameter, 800);

    rec.m_strClass = u"X"_qs;
    set.classIndex = 2;
    rec.ExchangePileParams(set, {}, false);
    EXPECT_EQ(set.classIndex, 2); // no match: as the caller gave it

    set.diameter = 1000;
    set.length = 20;
    set.classIndex = 4;
    std::array<bool, 10> flags{};
    flags[1] = flags[7] = true;
    rec.ExchangePileParams(set, flags, true);
    EXPECT_FLOAT_EQ(rec.m_fDiameter, 1000);
    EXPECT_EQ(rec.m_strClass, u"V"_qs);
    EXPECT_NE(rec.m_fPileLength, 20.0f);
}

TEST_F(PileOps, CommonPeakAndModesReachEveryChannel) {
    rec.UpdateCommonMax();
    float g = 0;
    for (int i = 0; i < rec.ChannelCountInList(); ++i)
        g = std::max(g, rec.Channel(i)->GetMaxAbsDisplay());
    for (int i = 0; i < rec.ChannelCountInList(); ++i)
        EXPECT_FLOAT_EQ(rec.Channel(i)->groupPeak, g);
    rec.SetViewMode(0);
    for (int i = 0; i < rec.ChannelCountInList(); ++i)
        EXPECT_EQ(rec.Channel(i)->GetAxisMode(), 0);
    rec.AutoAlignAll(2);
    EXPECT_EQ(rec.m_nAlignMode, 1); // 2 aligns nothing and is not stored
}

TEST_F(PileOps, CloneCopiesEveryChannelAndStaysApart) {
    CWaveRecord& ch = *rec.CurrentChannel();
    ch.SetZoom(2.0f);
    ch.SetExpGain(7);
    ch.DefectMarks().push_back(DefectMark{300, 2, 1, 0});
    ch.SetFillMode(3);
    ch.commonPeak = 42.0f;
    rec.m_strPileNo = QStringLiteral("Z-9");
    rec.m_pileValues[1] = {1, 2, 3, 4};

    CPileRecord copy = rec.Clone();
    ASSERT_EQ(copy.ChannelCountInList(), rec.ChannelCountInList());
    EXPECT_EQ(copy.m_strPileNo, QStringLiteral("Z-9"));
    EXPECT_EQ(copy.m_pileValues, rec.m_pileValues);
    EXPECT_EQ(copy.RawSamples(), rec.RawSamples());
    const CWaveRecord& c = *copy.CurrentChannel();
    EXPECT_NE(&c, &ch);
    // What the partial copy of operator= leaves out comes along.
    EXPECT_FLOAT_EQ(c.zoom, 2.0f);
    EXPECT_EQ(c.GetExpGain(), 7);
    EXPECT_EQ(c.GetFillMode(), 3);
    EXPECT_FLOAT_EQ(c.commonPeak, 42.0f);
    EXPECT_EQ(c.GetDefectMarks(), ch.GetDefectMarks());
    EXPECT_EQ(c.Display(), ch.Display());

    copy.CurrentChannel()->SetExpGain(1);
    copy.m_strPileNo = QStringLiteral("other");
    EXPECT_EQ(ch.GetExpGain(), 7);
    EXPECT_EQ(rec.m_strPileNo, QStringLiteral("Z-9"));
}

// The channels of a read share the file's sample block, and a channel's shown
// samples share its own while no gain changes them: every change still reaches
// only the samples it is made to.
TEST_F(PileOps, ChannelsShareTheSampleBlockUntilOneIsChanged) {
    const std::vector<float> block = rec.RawSamples();
    struct Case {
        const char* what;
        std::function<void(CWaveRecord&)> change;
    } cases[] = {
        {"inverted", [](CWaveRecord& w) { w.Invert(); }},
        {"written",
         [](CWaveRecord& w) {
             w.SourceSpan()[7] = 99.0f;
             w.Refresh();
         }},
        {"filtered", [](CWaveRecord& w) { ASSERT_EQ(w.SetLowPass(2000), 1); }},
        {"scaled", [](CWaveRecord& w) { w.SetDataForm(3.0f); }},
        {"amplified", [](CWaveRecord& w) { w.SetExpGain(5); }},
    };
    for (const Case& c : cases) {
        rec.RestoreChannel(1);
        CWaveRecord& w = *rec.Channel(1);
        const std::vector<float> before = w.Source();
        const std::unique_ptr<CWaveRecord> copy = w.Clone();
        c.change(w);
        EXPECT_EQ(rec.RawSamples(), block) << c.what;
        EXPECT_EQ(copy->Source(), before) << c.what;
        for (int other : {0, 2})
            EXPECT_EQ(rec.Channel(other)->Source(),
                      std::vector<float>(block.begin() + other * 1024, block.begin() + (other + 1) * 1024))
                << c.what;
        // The display follows the source at each refresh, with the gain.
        CWaveRecord expected;
        expected.SetData(w.Source().data(), w.SampleCount());
        expected.expStart = w.expStart;
        expected.toeIndex = w.toeIndex;
        expected.SetExpGain(w.GetExpGain());
        EXPECT_EQ(w.Display(), expected.Display()) << c.what;
        EXPECT_EQ(w.GetMaxAbsDisplay(), expected.GetMaxAbsDisplay()) << c.what;
    }
    // A source written without a refresh leaves the display as it was.
    CWaveRecord& w = *rec.Channel(3);
    const std::vector<float> shown = w.Display();
    w.SourceSpan()[0] = 1e6f;
    EXPECT_EQ(w.Display(), shown);
    EXPECT_EQ(w.Source()[0], 1e6f);
}
