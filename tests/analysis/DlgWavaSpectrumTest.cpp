// The analysis panel: applying its values to one wave, the pile and the
// project; the amplification, start and head fields with their Enter, sliders
// and arrows; the spectrum fields; and that no key closes it.
#include "analysis/DlgWavaSpectrum.h"
#include "controls/ColorEdit.h"
#include "controls/CtrlId.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/wave/WaveRecord.h"
#include "tests/analysis/FakeFrameServices.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>

using pit::RefreshTarget;
using pit::test::DuxBuilder;

namespace {

std::vector<float> wave(int count, int n, double seed) {
    std::vector<float> v(static_cast<size_t>(count) * size_t(n));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = float(std::sin(double(i % size_t(n)) * 0.05 * seed) * (1.0 + double(i / size_t(n))));
    return v;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class Panel : public ::testing::Test {
protected:
    QTemporaryDir dir;
    pit::AppContext ctx;
    CKEV_DUXDoc doc{ctx, {QDir(dir.path()).filePath("DuxConfig.xml"), QDir(dir.path()).filePath("hist.ini")}};
    pit::test::FakeFrameServices frame;
    pit::ScriptedMessageSink sink;
    std::vector<QString> paths;

    QString pile(const QString& name, double seed, bool saved) {
        const QString path = DuxBuilder::shortHeader(219, "VADUZI", 4)
                                 .channels(2, 1024)
                                 .sampleInterval(20)
                                 .pile(10, 800, 4000)
                                 .samples(wave(2, 1024, seed))
                                 .writeTo(dir.path(), name);
        if (saved) {
            CPileRecord r;
            EXPECT_TRUE(r.ReadFile(path));
            r.SaveAnalysis();
        }
        return path;
    }

    void SetUp() override {
        doc.SetWriteSettingsOnClose(false);
        frame.doc = &doc;
        paths = {pile("P1.DUX", 1, true), pile("P2.DUX", 2, false), dir.filePath("BAD.DUX"),
                 pile("P3.DUX", 3, true)};
        QFile bad(paths[2]);
        bad.open(QIODevice::WriteOnly);
        bad.write("not a pile file at all");
        bad.close();
        for (const QString& p : paths) {
            CPileFileItem item;
            item.m_strPath = p;
            doc.m_ProjectInfo.Files().Add(item);
        }
        ASSERT_TRUE(doc.m_PileRecord.ReadFile(paths[0]));
        doc.m_bFileOpen = true;
        doc.m_PileRecord.m_nCurrentChannel = 0;
        CWaveRecord* w = doc.m_PileRecord.Channel(0);
        w->headIndex = 20;
        w->toeIndex = 520;
        w->SetGainStart(30);
    }

    std::unique_ptr<CDlgWavaSpectrum> make() {
        auto p = std::make_unique<CDlgWavaSpectrum>(&doc.m_PileRecord, &doc.m_ProjectInfo, &frame);
        p->SetMessageSink(&sink);
        return p;
    }
    template <class W = QLineEdit> static W* ctrl(QWidget* panel, int id) {
        return qobject_cast<W*>(pit::FindCtrl(panel, id));
    }
    static void type(QWidget* panel, int id, const QString& text, bool enter = true) {
        auto* e = ctrl(panel, id);
        e->setText(text);
        if (enter)
            QTest::keyClick(e, Qt::Key_Return);
    }
    static void choose(QWidget* panel, int choice) {
        ctrl<QRadioButton>(panel, CDlgWavaSpectrum::IDC_APPLY_ONE + choice)->setChecked(true);
    }
    static void arrow(QWidget* panel, int id, bool up) {
        pit::FindCtrl(panel, id)->findChild<QToolButton*>(up ? u"up"_qs : u"down"_qs)->click();
    }
};

} // namespace

TEST_F(Panel, StartsFromTheCurrentChannelsRampAndRanges) {
    auto p = make();
    EXPECT_EQ(p->m_nExpStart, 30);
    auto* start = ctrl<QSlider>(p.get(), CDlgWavaSpectrum::IDC_START_SLIDER);
    EXPECT_EQ(start->minimum(), 20);
    EXPECT_EQ(start->maximum(), 20 + 4 * 500 / 5);
    EXPECT_EQ(ctrl<QSlider>(p.get(), CDlgWavaSpectrum::IDC_HEAD_SLIDER)->maximum(), 1024);
    EXPECT_EQ(ctrl<QSlider>(p.get(), CDlgWavaSpectrum::IDC_EXP_SLIDER)->maximum(), 100);
    EXPECT_EQ(ctrl(p.get(), CDlgWavaSpectrum::IDC_LOWPASS)->text(), u"50000"_qs);
    EXPECT_FALSE(ctrl(p.get(), CDlgWavaSpectrum::IDC_WAVELET)->isEnabled());

    doc.m_bFileOpen = false; // no project: fixed ranges
    auto q = make();
    EXPECT_EQ(ctrl<QSlider>(q.get(), CDlgWavaSpectrum::IDC_START_SLIDER)->minimum(), 1);
    EXPECT_EQ(ctrl<QSlider>(q.get(), CDlgWavaSpectrum::IDC_HEAD_SLIDER)->maximum(), 100);
}

TEST_F(Panel, ApplyToOneWaveOrToThePile) {
    auto p = make();
    type(p.get(), CDlgWavaSpectrum::IDC_HIGHPASS, u"100"_qs, false);
    type(p.get(), CDlgWavaSpectrum::IDC_LOWPASS, u"2000"_qs, false);
    type(p.get(), CDlgWavaSpectrum::IDC_EXP_EDIT, u"6"_qs, false);
    p->OnBnClickedApply();
    const CWaveRecord& first = *doc.m_PileRecord.Channel(0);
    const CWaveRecord& second = *doc.m_PileRecord.Channel(1);
    EXPECT_EQ(first.highPassHz, 100);
    EXPECT_EQ(first.lowPassHz, 2000);
    EXPECT_EQ(first.GetExpGain(), 6);
    EXPECT_EQ(second.highPassHz, 0);
    EXPECT_EQ(frame.refreshes, std::vector<RefreshTarget>{RefreshTarget::AllWaveViews});
    EXPECT_TRUE(doc.IsModified());

    choose(p.get(), 1);
    type(p.get(), CDlgWavaSpectrum::IDC_START_EDIT, u"1000"_qs, false);
    doc.m_PileRecord.m_nWaveSpeed = 3700;
    p->OnBnClickedApply();
    for (int i = 0; i < doc.m_PileRecord.ChannelCountInList(); ++i) {
        const CWaveRecord& w = *doc.m_PileRecord.Channel(i);
        int h, t;
        w.GetHeadToe(h, t);
        EXPECT_EQ(w.lowPassHz, 2000);
        EXPECT_EQ(w.GetExpGain(), 6);
        EXPECT_EQ(w.GetGainStart(), h + 4 * (t - h) / 5) << i; // clamped per channel
        EXPECT_EQ(w.GetWaveSpeed(), 3700);
    }
    EXPECT_EQ(p->m_nExpStart, 1000); // the panel's own start is kept
    EXPECT_EQ(frame.refreshes.size(), 2u);
}

TEST_F(Panel, ApplyToProjectAsksRewritesSavedPilesAndReports) {
    auto p = make();
    choose(p.get(), 2);
    type(p.get(), CDlgWavaSpectrum::IDC_LOWPASS, u"3000"_qs, false);
    std::vector<QByteArray> before;
    for (const QString& f : paths)
        before.push_back(fileBytes(f));

    sink.answers = {pit::IDCANCEL};
    p->OnBnClickedApply();
    EXPECT_EQ(p->m_bProjectParams, 0);
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(fileBytes(paths[i]), before[i]);
    EXPECT_TRUE(frame.refreshes.empty());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, u"确认应用到整个工程?"_qs);
    EXPECT_EQ(sink.shown[0].caption, u"警告:该操作会改变所有工程中文件数据!"_qs);

    sink.answers = {pit::IDOK};
    p->OnBnClickedApply();
    const pit::ProjectApplyResult& r = p->LastProjectResult();
    EXPECT_EQ(r.rewritten, (std::vector<QString>{paths[0], paths[3]}));
    EXPECT_EQ(r.skipped, std::vector<QString>{paths[1]});
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(fileBytes(paths[1]), before[1]);
    EXPECT_NE(fileBytes(paths[3]), before[3]);
    ASSERT_EQ(sink.shown.size(), 3u); // question, then the summary naming the bad file
    EXPECT_TRUE(sink.shown[2].text.contains(u"BAD.DUX"_qs));
    EXPECT_EQ(p->m_bProjectParams, 1);
    EXPECT_EQ(p->m_nProjectLowPass, 3000);
    EXPECT_EQ(doc.m_PileRecord.Channel(1)->lowPassHz, 3000); // then the current pile
    EXPECT_EQ(frame.refreshes, std::vector<RefreshTarget>{RefreshTarget::AllWaveViews}); // redrawn once
}

TEST_F(Panel, CancelledProjectRunRemembersNothing) {
    auto p = make();
    choose(p.get(), 2);
    p->SetProjectRunner([](const std::vector<QString>&, const pit::WaveProcessParams&) {
        pit::ProjectApplyResult r;
        r.cancelled = true;
        return r;
    });
    type(p.get(), CDlgWavaSpectrum::IDC_LOWPASS, u"3000"_qs, false);
    const int lowBefore = doc.m_PileRecord.Channel(0)->lowPassHz;
    sink.answers = {pit::IDOK};
    p->OnBnClickedApply();
    EXPECT_EQ(p->m_bProjectParams, 0);
    EXPECT_TRUE(frame.refreshes.empty());
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->lowPassHz, lowBefore);
}

TEST_F(Panel, AmplificationIndexByEnterSliderAndArrows) {
    auto p = make();
    type(p.get(), CDlgWavaSpectrum::IDC_EXP_EDIT, u"7"_qs);
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->GetExpGain(), 7);
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->GetGainStart(), 30);
    EXPECT_EQ(ctrl<QSlider>(p.get(), CDlgWavaSpectrum::IDC_EXP_SLIDER)->value(), 7);
    type(p.get(), CDlgWavaSpectrum::IDC_EXP_EDIT, u"150"_qs); // out of range: the old value back
    EXPECT_EQ(p->m_nExpIndex, 7);
    EXPECT_EQ(ctrl(p.get(), CDlgWavaSpectrum::IDC_EXP_EDIT)->text(), u"7"_qs);
    EXPECT_EQ(frame.refreshes.size(), 1u);

    ctrl<QSlider>(p.get(), CDlgWavaSpectrum::IDC_EXP_SLIDER)->setValue(99);
    EXPECT_EQ(p->m_nExpIndex, 99);
    arrow(p.get(), CDlgWavaSpectrum::IDC_EXP_SPIN, true);
    arrow(p.get(), CDlgWavaSpectrum::IDC_EXP_SPIN, true);
    EXPECT_EQ(p->m_nExpIndex, 100);
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->GetExpGain(), 100);
    EXPECT_EQ(ctrl(p.get(), CDlgWavaSpectrum::IDC_EXP_EDIT)->text(), u"100"_qs);

    choose(p.get(), 2); // the project only through Apply
    const size_t n = frame.refreshes.size();
    arrow(p.get(), CDlgWavaSpectrum::IDC_EXP_SPIN, false);
    EXPECT_EQ(frame.refreshes.size(), n);
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->GetExpGain(), 100);
}

TEST_F(Panel, StartAndHeadFieldsAskTheHost) {
    doc.m_PileRecord.m_nCalcMode = 1; // the head moves only with a varying time difference
    auto p = make();
    type(p.get(), CDlgWavaSpectrum::IDC_START_EDIT, u"900"_qs); // beyond the slider: old value
    EXPECT_EQ(p->m_nExpStart, 30);
    EXPECT_TRUE(frame.panelMessages.empty());
    type(p.get(), CDlgWavaSpectrum::IDC_START_EDIT, u"100"_qs);
    EXPECT_EQ(frame.panelMessages, std::vector<pit::PanelMessage>{pit::PanelMessage::ReprocessWave});
    arrow(p.get(), CDlgWavaSpectrum::IDC_START_SPIN, false);
    EXPECT_EQ(p->m_nExpStart, 99);

    type(p.get(), CDlgWavaSpectrum::IDC_HEAD_EDIT, u"1024"_qs); // the sample count: last index
    EXPECT_EQ(p->m_nHeadIndex, 1023);
    type(p.get(), CDlgWavaSpectrum::IDC_HEAD_EDIT, u"-4"_qs);
    EXPECT_EQ(p->m_nHeadIndex, 0);
    arrow(p.get(), CDlgWavaSpectrum::IDC_HEAD_SPIN, true); // up raises by one
    EXPECT_EQ(p->m_nHeadIndex, 1);
    EXPECT_EQ(ctrl(p.get(), CDlgWavaSpectrum::IDC_HEAD_EDIT)->text(), u"1"_qs);
    ASSERT_EQ(frame.exchanges.size(), 3u);
    EXPECT_FALSE(frame.exchanges[0].toPanel);
    EXPECT_TRUE(frame.exchanges[0].apply);

    EXPECT_TRUE(ctrl(p.get(), CDlgWavaSpectrum::IDC_HEAD_EDIT)->isEnabled());
    doc.m_PileRecord.m_nCalcMode = 0;
    p->EnablePileHeadControls();
    EXPECT_FALSE(ctrl<QSlider>(p.get(), CDlgWavaSpectrum::IDC_HEAD_SLIDER)->isEnabled());
}

TEST_F(Panel, EnterInAFilterEditInReportModeOnlyMarksModified) {
    doc.m_bReportMode = true;
    auto p = make();
    type(p.get(), CDlgWavaSpectrum::IDC_HIGHPASS, u"200"_qs);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->highPassHz, 0);
    EXPECT_TRUE(frame.refreshes.empty());
    doc.m_bReportMode = false;
    type(p.get(), CDlgWavaSpectrum::IDC_HIGHPASS, u"200"_qs);
    EXPECT_EQ(doc.m_PileRecord.Channel(0)->highPassHz, 200);
}

TEST_F(Panel, NoKeyClosesThePanel) {
    auto p = make();
    p->show();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(p.get(), Qt::Key(key));
        QTest::keyClick(ctrl(p.get(), CDlgWavaSpectrum::IDC_LOWPASS), Qt::Key(key));
    }
    EXPECT_TRUE(p->isVisible());
}

TEST_F(Panel, SpectrumFieldsRecordTheLastEditedOne) {
    doc.m_PileRecord.m_analysisValues = {1, 2, 3, 4, 5, 6};
    auto p = make();
    p->show();
    QApplication::setActiveWindow(p.get());
    auto* f0 = ctrl<CColorEdit>(p.get(), 1003);
    auto* dfl = ctrl<CColorEdit>(p.get(), 1062);
    EXPECT_EQ(f0->text(), u"3"_qs);
    f0->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(f0->IsHighlighted());
    f0->setText(u"30"_qs);
    dfl->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(p->m_nSpectrumField, 3);
    EXPECT_FALSE(f0->IsHighlighted());
    EXPECT_TRUE(dfl->IsHighlighted());
    QTest::keyClick(dfl, Qt::Key_Return); // Enter reads the fields into the pile
    EXPECT_EQ(doc.m_PileRecord.m_analysisValues[2], 30);
}
