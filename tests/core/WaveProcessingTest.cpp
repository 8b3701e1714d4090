// The processing chain: filter kernels against scipy vectors and analytic
// values, the filter application with its peak re-alignment, the exponential
// amplification, the data form and the maxima.
#include "core/dsp/WaveFilters.h"
#include "core/wave/WaveRecord.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <vector>

namespace {

double NormalisedRms(const std::vector<float>& got, const std::vector<double>& want) {
    double num = 0, den = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        const double d = double(got[i]) - want[i];
        num += d * d;
        den += want[i] * want[i];
    }
    return std::sqrt(num / den);
}

std::vector<float> ToFloat(const std::vector<double>& v) {
    return std::vector<float>(v.begin(), v.end());
}

const pit::test::Csv& Reference() {
    static const pit::test::Csv csv = pit::test::readCsv(pit::test::dataDir() + "/wave_filters.csv");
    return csv;
}

std::vector<float> Blow(int n = 1024, int peakAt = 50, float sign = 1.0f) {
    std::vector<float> s(size_t(n), 0.0f);
    for (int i = peakAt - 20; i <= peakAt + 20; ++i)
        if (i >= 0 && i < n)
            s[size_t(i)] = sign * float(std::sin(M_PI * (i - peakAt + 20) / 40.0));
    for (int i = 300; i <= 320 && i < n; ++i)
        s[size_t(i)] += 0.2f * float(std::sin(M_PI * (i - 300) / 20.0));
    for (int i = 0; i < n; ++i)
        s[size_t(i)] += 0.02f + 0.01f * float(std::sin(0.3 * i));
    return s;
}

CWaveRecord Channel(const std::vector<float>& s, float dt = 20.0f) {
    CWaveRecord w;
    w.sampleInterval = dt;
    w.SetData(s);
    return w;
}

} // namespace

// ---- kernels against scipy -----------------------------------------------------------

struct FilterCase {
    const char* column;
    bool lowPass;
    float dt;
    float fc;
    // The high-pass coefficients are computed in single precision as the Part
    // says; near fc = 0 their rounding moves the poles next to 1 and sets the
    // distance from the double-precision design (checked: lfilter with the
    // float32-rounded coefficients shows the same difference).
    double tolerance;
};

// Case names in test listings instead of bytes.
void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.column;
}

class FilterReference : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterReference, MatchesScipyByNormalisedRms) {
    const FilterCase& c = GetParam();
    const auto x = ToFloat(Reference().column("x"));
    const auto want = Reference().column(QString::fromLatin1(c.column));
    std::vector<float> out(x.size(), 0.0f);
    if (c.lowPass)
        LowPassButterworth2(x.data(), out.data(), int(x.size()), c.dt, c.fc);
    else
        ButterworthHighPass(x.data(), out.data(), int(x.size()), c.dt, c.fc);
    EXPECT_LT(NormalisedRms(out, want), c.tolerance);

    // In place gives the same samples.
    std::vector<float> inPlace = x;
    if (c.lowPass)
        LowPassButterworth2(inPlace.data(), inPlace.data(), int(x.size()), c.dt, c.fc);
    else
        ButterworthHighPass(inPlace.data(), inPlace.data(), int(x.size()), c.dt, c.fc);
    EXPECT_EQ(inPlace, out);
}

INSTANTIATE_TEST_SUITE_P(Scipy, FilterReference,
                         ::testing::Values(FilterCase{"hp_50hz_dt20", false, 20.0f, 50.0f, 1e-3},
                                           FilterCase{"hp_2000hz_dt10", false, 10.0f, 2000.0f, 2e-5},
                                           FilterCase{"hp_10hz_dt20", false, 20.0f, 10.0f, 4e-3},
                                           FilterCase{"lp_1500hz_dt20", true, 20.0f, 1500.0f, 2e-5},
                                           FilterCase{"lp_8000hz_dt10", true, 10.0f, 8000.0f, 2e-5},
                                           FilterCase{"lp_300hz_dt20", true, 20.0f, 300.0f, 2e-5}),
                         [](const auto& info) { return std::string(info.param.column); });

TEST(WaveKernels, IntegrationMatchesCumulativeTrapezoidLessDrift) {
    const auto x = ToFloat(Reference().column("x"));
    std::vector<float> out(x.size());
    IntegrateTrapezoid(x.data(), out.data(), int(x.size()), 20e-6);
    EXPECT_LT(NormalisedRms(out, Reference().column("integ_dt20")), 1e-5);
}

TEST(WaveKernels, DifferentiationMatchesForwardDifferences) {
    const auto x = ToFloat(Reference().column("x"));
    std::vector<float> out(x.size());
    Differentiate(x.data(), int(x.size()), out.data(), 20e-6);
    EXPECT_LT(NormalisedRms(out, Reference().column("diff_dt20")), 1e-6);
    EXPECT_EQ(out.back(), out[out.size() - 2]);
}

// ---- kernels: analytic properties ----------------------------------------------------

TEST(WaveKernels, HighPassGainAtCutoffIsOneOverSqrt2) {
    const float dt = 20.0f, fc = 1000.0f; // 50 samples per period
    const int n = 20000;
    std::vector<float> x(static_cast<size_t>(n)), y(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        x[size_t(i)] = float(std::sin(2 * M_PI * fc * i * dt * 1e-6));
    ButterworthHighPass(x.data(), y.data(), n, dt, fc);
    float peak = 0;
    for (int i = n - 500; i < n; ++i)
        peak = std::max(peak, std::fabs(y[size_t(i)]));
    EXPECT_NEAR(peak, 1.0 / std::sqrt(2.0), 2e-3);
}

TEST(WaveKernels, ConstantPassesTheLowPassUnchanged) {
    std::vector<float> x(3000, 3.75f), y(3000);
    LowPassButterworth2(x.data(), y.data(), 3000, 20.0f, 1200.0f);
    for (float v : y)
        ASSERT_NEAR(v, 3.75f, 1e-5f);
}

TEST(WaveKernels, LowPassOverAStepKeepsTheFirstTwoSamples) {
    std::vector<float> x(200, 1.0f), y(200, -9.0f);
    x[0] = 0.0f;
    x[1] = 0.0f;
    LowPassButterworth2(x.data(), y.data(), 200, 20.0f, 1000.0f);
    EXPECT_EQ(y[0], 0.0f);
    EXPECT_EQ(y[1], 0.0f);
    EXPECT_GT(y[2], 0.0f);
    EXPECT_NEAR(y[199], 1.0f, 1e-3f);
}

TEST(WaveKernels, HighPassOfAConstantDecaysToZero) {
    std::vector<float> x(5000, 2.0f), y(5000);
    ButterworthHighPass(x.data(), y.data(), 5000, 20.0f, 100.0f);
    EXPECT_NEAR(y[0], 2.0f, 0.05f);
    EXPECT_NEAR(y[4999], 0.0f, 1e-4f);
}

TEST(WaveKernels, OutOfRangeCutoffsLeaveTheOutputAlone) {
    std::vector<float> x(10, 1.0f), y(10, -1.0f);
    LowPassButterworth2(x.data(), y.data(), 10, 20.0f, 50001.0f);
    ButterworthHighPass(x.data(), y.data(), 10, 20.0f, -1.0f);
    ButterworthHighPass(x.data(), y.data(), 10, 0.0f, 100.0f);
    ButterworthHighPass(x.data(), y.data(), 10, 20.0f, 25000.0f); // fs / 2
    EXPECT_EQ(y, std::vector<float>(10, -1.0f));
}

TEST(WaveKernels, IntegratingAConstantGivesItTimesH) {
    std::vector<float> x(100, 3.0f), y(100);
    IntegrateTrapezoid(x.data(), y.data(), 100, 0.5);
    for (float v : y)
        ASSERT_FLOAT_EQ(v, 1.5f);
}

TEST(WaveKernels, DifferentiateShortInputs) {
    float one = 4.0f, out = -1.0f;
    Differentiate(&one, 1, &out, 1.0);
    EXPECT_EQ(out, 0.0f);
    Differentiate(&one, 0, &out, 1.0);
    EXPECT_EQ(out, 0.0f);
}

struct ShiftCase {
    const char* name;
    int from, to;
    std::vector<float> want;
};

// Case names in test listings instead of bytes.
void PrintTo(const ShiftCase& c, std::ostream* os) {
    *os << c.name;
}

class ShiftSamplesCase : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(ShiftSamplesCase, MovesTheSamplesAndRepeatsTheEnd) {
    std::vector<float> x = {0, 1, 2, 3, 4, 5};
    ShiftSamples(x.data(), int(x.size()), GetParam().from, GetParam().to);
    EXPECT_EQ(x, GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShiftSamplesCase,
                         ::testing::Values(ShiftCase{"Forward2", 1, 3, {2, 3, 4, 5, 5, 5}},
                                           ShiftCase{"Back2", 3, 1, {0, 0, 0, 1, 2, 3}},
                                           ShiftCase{"None", 2, 2, {0, 1, 2, 3, 4, 5}},
                                           ShiftCase{"BeyondLength", 0, 9, {5, 5, 5, 5, 5, 5}},
                                           ShiftCase{"BackBeyondLength", 9, 0, {0, 0, 0, 0, 0, 0}},
                                           ShiftCase{"Over200", 0, 201, {0, 1, 2, 3, 4, 5}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- exponential amplification -------------------------------------------------------------

TEST(WaveGain, PartExampleK4From100ToToe300) {
    std::vector<float> s(1024);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = 0.5f + 0.001f * float(i);
    CWaveRecord w = Channel(s);
    w.expStart = 100;
    w.toeIndex = 300;
    w.SetExpGain(4);
    const auto& d = w.Display();
    EXPECT_FLOAT_EQ(d[99], s[99]);
    EXPECT_NEAR(d[100], s[100] * std::exp(std::log(4.0) / 201.0), 1e-6);
    EXPECT_NEAR(d[299], s[299] * std::pow(4.0, 200.0 / 201.0), 1e-5);
    EXPECT_FLOAT_EQ(d[300], 4.0f * s[300]);
    EXPECT_FLOAT_EQ(d[1023], 4.0f * s[1023]);
    EXPECT_EQ(w.Source(), s); // only the display copy changes
    EXPECT_NEAR(w.displayMax100, 100.0 * 4.0 * s[1023], 1e-3);
}

TEST(WaveGain, NoGainLeavesTheDisplayEqualToTheSource) {
    const auto s = Blow();
    CWaveRecord w = Channel(s);
    w.expStart = 100;
    w.toeIndex = 300;
    w.SetExpGain(1);
    EXPECT_EQ(w.Display(), s);
    w.toeIndex = 100; // toe not beyond the start
    w.SetExpGain(5);
    EXPECT_EQ(w.Display(), s);
}

TEST(WaveGain, RampStopsAtTheEndOfTheWave) {
    std::vector<float> s(50, 1.0f);
    ApplyExponentialGain(s.data(), 50, 10, 400, 3);
    EXPECT_FLOAT_EQ(s[9], 1.0f);
    EXPECT_GT(s[49], 1.0f);
    EXPECT_LT(s[49], 3.0f);
}

// ---- filters on a channel ---------------------------------------------------------------

TEST(WaveFilter, ApplyFilterKeepsThePeakIndex) {
    for (float sign : {1.0f, -1.0f}) {
        for (bool lowPass : {true, false}) {
            SCOPED_TRACE(testing::Message() << "sign " << sign << " lowPass " << lowPass);
            CWaveRecord w = Channel(Blow(1024, 60, sign));
            const int before = w.FindMaxAbsIndex();
            ASSERT_EQ(before, 60);
            w.lowPassHz = 800;
            w.highPassHz = 150;
            ASSERT_TRUE(w.ApplyFilter(lowPass));
            w.Refresh();
            EXPECT_EQ(w.FindMaxAbsIndex(), before);
        }
    }
}

TEST(WaveFilter, FiltersAreCumulative) {
    const auto s = Blow();
    CWaveRecord once = Channel(s), twice = Channel(s);
    ASSERT_EQ(once.SetLowPass(1000), 1);
    ASSERT_EQ(twice.SetLowPass(1000), 1);
    ASSERT_EQ(twice.SetLowPass(1000), 1);
    EXPECT_NE(once.Source(), twice.Source());
    CWaveRecord manual = Channel(s);
    manual.lowPassHz = 1000;
    manual.ApplyFilter(true);
    manual.ApplyFilter(true);
    manual.Refresh();
    EXPECT_EQ(manual.Source(), twice.Source());
}

TEST(WaveFilter, LowPassRefusesOutOfRangeCutoffs) {
    const auto s = Blow();
    CWaveRecord w = Channel(s);
    EXPECT_EQ(w.SetLowPass(50000), 0);
    EXPECT_EQ(w.SetLowPass(0), 0);
    EXPECT_EQ(w.lowPassHz, 50000);
    EXPECT_EQ(w.Source(), s);
}

TEST(WaveFilter, HighPassRefusesHalfTheSamplingRateAndAbove) {
    const auto s = Blow();
    CWaveRecord w = Channel(s, 20.0f); // fs = 50 kHz
    EXPECT_EQ(w.SetHighPass(25000), 0);
    EXPECT_EQ(w.SetHighPass(30000), 0);
    EXPECT_EQ(w.SetHighPass(0), 0);
    EXPECT_EQ(w.highPassHz, 0);
    EXPECT_EQ(w.Source(), s);
    ASSERT_EQ(w.SetHighPass(24999), 1);
    EXPECT_EQ(w.highPassHz, 24999);
    for (float v : w.Source())
        ASSERT_LT(std::fabs(v), 10.0f);
}

TEST(WaveFilter, UnknownSampleIntervalRefusesFilters) {
    const auto s = Blow();
    CWaveRecord w = Channel(s, 0.0f);
    EXPECT_EQ(w.SetLowPass(1000), 0);
    EXPECT_EQ(w.SetHighPass(100), 0);
    EXPECT_EQ(w.IntegrateStep(true), 0);
    EXPECT_EQ(w.Source(), s);
}

TEST(WaveFilter, ShortChannels) {
    for (int n : {1, 2, 3, 5}) {
        std::vector<float> s(size_t(n), 1.0f);
        s[0] = 2.0f;
        CWaveRecord w = Channel(s);
        EXPECT_EQ(w.SetLowPass(1000), 1);
        EXPECT_EQ(w.SetHighPass(1000), 1);
        EXPECT_EQ(w.SampleCount(), n);
    }
}

// ---- data form --------------------------------------------------------------------------

TEST(WaveForm, IntegrationAndDifferentiationSteps) {
    CWaveRecord w = Channel(std::vector<float>(100, 3.0f), 20.0f);
    EXPECT_EQ(w.IntegrateStep(true), 1);
    EXPECT_EQ(w.dataForm, 1);
    for (float v : w.Source())
        ASSERT_FLOAT_EQ(v, 3.0f * 20e-6f);
    EXPECT_EQ(w.IntegrateStep(true), 0); // a second integration is refused
    EXPECT_EQ(w.IntegrateStep(false), 1);
    EXPECT_EQ(w.dataForm, 0);
    EXPECT_EQ(w.IntegrateStep(false), 1);
    EXPECT_EQ(w.dataForm, -1);
    EXPECT_EQ(w.IntegrateStep(false), 0); // beyond -1 refused
    EXPECT_EQ(w.dataForm, -1);
}

TEST(WaveForm, SetDataFormMultipliesInPlaceAndKeepsTheForm) {
    const auto s = Blow();
    for (int form : {-1, 0, 1}) {
        for (int kind : {0, 1}) {
            CWaveRecord w = Channel(s);
            w.dataForm = form;
            w.sensorKind = kind;
            w.SetDataForm(2.0f);
            EXPECT_EQ(w.dataForm, form);
            for (size_t i = 0; i < s.size(); ++i)
                ASSERT_EQ(w.Source()[i], 2.0f * s[i]);
            EXPECT_FLOAT_EQ(w.Display()[10], 2.0f * s[10]);
        }
    }
    CWaveRecord w = Channel(s);
    w.SetDataForm(0.0f);
    EXPECT_EQ(w.Source(), s);
}

// ---- maxima -------------------------------------------------------------------------------

TEST(WaveMaxima, SearchesOfThePart) {
    CWaveRecord w = Channel({1.0f, -3.0f, 2.0f, 3.0f, -1.0f});
    EXPECT_FLOAT_EQ(w.GetMaxAbsDisplay(), 3.0f);
    EXPECT_EQ(w.FindMaxAbsIndex(), 1); // the first of two equal magnitudes
    EXPECT_FLOAT_EQ(w.GetValueAtMaxAbs(), -3.0f);
    EXPECT_FLOAT_EQ(w.GetDisplayMax(true), 3.0f);
    w.SetCommonPeak(7.0f);
    EXPECT_FLOAT_EQ(w.GetDisplayMax(false), 7.0f);
    EXPECT_FLOAT_EQ(w.GetDisplayMax(true), 3.0f);
    EXPECT_FLOAT_EQ(w.MaxInWindow(0, 3), 2.0f);  // samples 1..2
    EXPECT_FLOAT_EQ(w.MaxInWindow(0, 99), 3.0f); // bounded by N
    EXPECT_FLOAT_EQ(w.MaxInWindow(4, 5), 0.0f);  // nothing inside
    EXPECT_FLOAT_EQ(w.MaxInWindow(-10, 12), 1.0f);
}

TEST(WaveMaxima, GlobalMaximumIsFixedByTheFirstChannelThatAsks) {
    pit::WaveContext ctx;
    CWaveRecord a = Channel({0.5f, -2.0f});
    CWaveRecord b = Channel({9.0f});
    a.SetContext(&ctx);
    b.SetContext(&ctx);
    EXPECT_FLOAT_EQ(ctx.StoredMaxAbs(), -100000.0f);
    EXPECT_FLOAT_EQ(a.GetGlobalMaxAbs(), 2.0f);
    EXPECT_FLOAT_EQ(b.GetGlobalMaxAbs(), 2.0f);
    ctx.Reset();
    EXPECT_FLOAT_EQ(b.GetGlobalMaxAbs(), 9.0f);

    CWaveRecord zero = Channel({0.0f, 0.0f});
    pit::WaveContext ctx2;
    zero.SetContext(&ctx2);
    EXPECT_FLOAT_EQ(zero.GetGlobalMaxAbs(), 0.0f); // not positive: the next channel decides
    b.SetContext(&ctx2);
    EXPECT_FLOAT_EQ(b.GetGlobalMaxAbs(), 9.0f);
}
