// The wavelet dialog: the display amplification, each pane labelled by its
// own peak, an all-zero wave, levels refused for a short wave, and "应用"
// with its confirmation, the modified document and the redraw.
#include "analysis/WaveletDlg.h"
#include "controls/CtrlId.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/dsp/Wavelet.h"
#include "core/wave/WaveRecord.h"
#include "tests/analysis/FakeFrameServices.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<float> noisyWave(int n) {
    std::vector<float> w(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        w[size_t(i)] = float(std::sin(i * 0.03) + 0.2 * std::sin(i * 2.9));
    return w;
}

struct DocFixture {
    QTemporaryDir dir;
    pit::AppContext ctx;
    CKEV_DUXDoc doc{ctx, {QDir(dir.path()).filePath("DuxConfig.xml"), QDir(dir.path()).filePath("hist.ini")}};
    pit::test::FakeFrameServices frame;
    pit::ScriptedMessageSink sink;
    DocFixture() {
        doc.SetWriteSettingsOnClose(false);
        frame.doc = &doc;
    }
};

} // namespace

TEST(WaveletDisplay, ExpAmplifyRampsFromStartAndHoldsKAfterIt) {
    std::vector<float> v(10, 1.0f);
    pit::ExpAmplify(v, 2, 6, 4);
    const float step = float(std::log(4.0)) / 5;
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 1.0f);
    for (int i = 2; i < 6; ++i)
        EXPECT_FLOAT_EQ(v[size_t(i)], float(std::exp((i - 1) * double(step))));
    for (int i = 6; i < 10; ++i)
        EXPECT_EQ(v[size_t(i)], 4.0f);
    std::vector<float> same(10, 2.0f);
    pit::ExpAmplify(same, 2, 6, 1); // K 1: nothing
    pit::ExpAmplify(same, 6, 6, 9); // empty ramp: nothing
    EXPECT_EQ(same, std::vector<float>(10, 2.0f));
}

TEST(WaveletDisplay, AllZeroWaveLiesOnTheMiddleLine) {
    const std::vector<float> zeros(100, 0.0f);
    const auto pts = pit::WaveletCurvePoints(zeros, QRect(0, 0, 210, 110));
    ASSERT_EQ(pts.size(), 100u);
    for (const QPoint& p : pts)
        EXPECT_EQ(p.y(), 55);
    EXPECT_EQ(pts.front().x(), 5);
    EXPECT_EQ(pts.back().x(), 205);
    EXPECT_EQ(pit::WaveletAmplitudeLabels(pit::MaxAbs(zeros)).top, u"0.00"_qs);
    // The dialog on a zero channel paints and transforms without a division by zero.
    CWaveRecord w; // 1024 zeros
    CWaveletDlg dlg(&w, nullptr);
    ASSERT_TRUE(dlg.OnBnClickedTransform());
    EXPECT_EQ(dlg.Result(), std::vector<float>(1024, 0.0f));
    EXPECT_FALSE(dlg.grab().toImage().isNull());
}

TEST(WaveletDisplay, TimeAxisUnitBySpan) {
    auto t = pit::WaveletTimeAxisLabels(50, 20); // 1000 µs
    EXPECT_EQ(t.unit, u"us"_qs);
    EXPECT_EQ(t.labels[4], u"800"_qs);
    t = pit::WaveletTimeAxisLabels(1024, 20); // 20480 µs
    EXPECT_EQ(t.unit, u"ms"_qs);
    EXPECT_EQ(t.labels[1], u"4.1"_qs);
}

TEST(WaveletDlg, EachPaneIsLabelledByItsOwnAmplifiedPeak) {
    CWaveRecord w;
    w.SetData(noisyWave(1024));
    w.headIndex = 100;
    w.toeIndex = 600;
    w.SetExpGain(5);
    CWaveletDlg dlg(&w, nullptr);
    qobject_cast<QComboBox*>(pit::FindCtrl(&dlg, CWaveletDlg::IDC_THRESHOLD))->setCurrentIndex(2); // HF To 0
    qobject_cast<QComboBox*>(pit::FindCtrl(&dlg, CWaveletDlg::IDC_LEVEL))->setCurrentIndex(3);
    ASSERT_TRUE(dlg.OnBnClickedTransform());
    const float sourcePeak = pit::MaxAbs(dlg.SourceShown());
    const float resultPeak = pit::MaxAbs(dlg.ResultShown());
    EXPECT_GT(sourcePeak, 4.0f); // amplified, well above the raw peak of about 1.2
    EXPECT_LT(resultPeak, sourcePeak * 0.95f);
    EXPECT_EQ(dlg.SourceLabels().top, QString::asprintf("%.2f", 0.8 * double(sourcePeak)));
    EXPECT_EQ(dlg.ResultLabels().top, QString::asprintf("%.2f", 0.8 * double(resultPeak)));
    EXPECT_EQ(dlg.ResultLabels().bottom, QString::asprintf("-%.2f", 0.8 * double(resultPeak)));
    // Only the level-4 approximation is left.
    EXPECT_EQ(dlg.Result(), pit::dsp::WaveletDenoise(noisyWave(1024), pit::dsp::WaveletFamily::Db6, 4,
                                                     pit::dsp::WaveletThreshold::ZeroDetails));
}

TEST(WaveletDlg, LevelsTooDeepForTheWaveAreRefused) {
    DocFixture f;
    CWaveRecord w;
    w.SetData(noisyWave(40)); // mayer's 23 taps: one level at most
    CWaveletDlg dlg(&w, &f.frame);
    dlg.SetMessageSink(&f.sink);
    qobject_cast<QComboBox*>(pit::FindCtrl(&dlg, CWaveletDlg::IDC_FAMILY))->setCurrentIndex(1);
    qobject_cast<QComboBox*>(pit::FindCtrl(&dlg, CWaveletDlg::IDC_LEVEL))->setCurrentIndex(1);
    EXPECT_FALSE(dlg.OnBnClickedTransform());
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(dlg.Result(), noisyWave(40));
    qobject_cast<QComboBox*>(pit::FindCtrl(&dlg, CWaveletDlg::IDC_LEVEL))->setCurrentIndex(0);
    EXPECT_TRUE(dlg.OnBnClickedTransform());
}

TEST(WaveletDlg, ApplyAsksThenOverwritesMarksModifiedAndRedraws) {
    DocFixture f;
    CWaveRecord w;
    w.SetData(noisyWave(1024));
    {
        CWaveletDlg dlg(&w, &f.frame);
        dlg.SetMessageSink(&f.sink);
        dlg.show();
        ASSERT_TRUE(dlg.OnBnClickedTransform());
        dlg.reject(); // "取消" after a transform
    }
    EXPECT_EQ(w.Source(), noisyWave(1024));

    CWaveletDlg dlg(&w, &f.frame);
    dlg.SetMessageSink(&f.sink);
    dlg.show();
    ASSERT_TRUE(dlg.OnBnClickedTransform());
    f.sink.answers = {pit::IDCANCEL, pit::IDOK};
    dlg.accept();
    EXPECT_TRUE(dlg.isVisible()); // Cancel in the question keeps the dialog open
    EXPECT_EQ(w.Source(), noisyWave(1024));
    EXPECT_FALSE(f.doc.IsModified());
    dlg.accept();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(w.Source(), dlg.Result());
    EXPECT_NE(w.Source(), noisyWave(1024));
    EXPECT_TRUE(f.doc.IsModified());
    EXPECT_EQ(f.frame.refreshes, std::vector<pit::RefreshTarget>{pit::RefreshTarget::AllWaveViews});
    ASSERT_EQ(f.sink.shown.size(), 2u);
    EXPECT_EQ(f.sink.shown[0].text, u"你确定要覆盖原有数据，这是不可恢复的?"_qs);
}
