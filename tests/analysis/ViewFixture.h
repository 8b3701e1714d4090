// A document with a synthetic pile read from a file built byte by byte, the
// fake frame, a scripted defect dialog and message box, for the view tests.
#pragma once

#include "analysis/BaseView.h"
#include "analysis/DefectDlg.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/wave/WaveRecord.h"
#include "platform/MessageSink.h"
#include "tests/analysis/FakeFrameServices.h"
#include "tests/support/DuxBuilder.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace pit::test {

// Answers the defect dialog from a queue (Cancel when empty) and records the asks.
class ScriptedDefectAsker : public DefectAsker {
public:
    struct Ask {
        bool defectMode;
        QRect spot;
    };
    DefectChoice ask(bool defectMode, const QRect& spot, QWidget*) override {
        asks.push_back({defectMode, spot});
        if (answers.empty())
            return {};
        DefectChoice c = answers.front();
        answers.pop_front();
        return c;
    }
    static DefectChoice Defect(int type, int severity) {
        DefectChoice c;
        c.ok = c.typeChosen = c.severityChosen = true;
        c.type = type;
        c.severity = severity;
        return c;
    }
    static DefectChoice Head() {
        DefectChoice c;
        c.ok = c.headChosen = true;
        return c;
    }
    static DefectChoice Bottom(int shape) {
        DefectChoice c;
        c.ok = c.bottomChosen = true;
        c.bottom = shape;
        return c;
    }
    std::deque<DefectChoice> answers;
    std::vector<Ask> asks;
};

// A blow: a first pulse at index 60 and a toe echo of half its height at 400.
inline std::vector<float> PulseBlow(int n, float gain) {
    std::vector<float> s(size_t(n), 0.0f);
    for (int i = 0; i < n; ++i) {
        const double a = (i - 60) / 6.0, b = (i - 400) / 6.0;
        s[size_t(i)] = gain * float(10.0 * std::exp(-a * a) + 5.0 * std::exp(-b * b));
    }
    return s;
}

struct ViewFixture : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx;
    std::unique_ptr<CKEV_DUXDoc> doc;
    FakeFrameServices frame;
    ScriptedDefectAsker asker;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        ctx.messages = &sink;
        ui::setMessages(&sink);
        doc = std::make_unique<CKEV_DUXDoc>(
            ctx, CKEV_DUXDoc::Files{tmp.filePath(QStringLiteral("DuxConfig.xml")),
                                    tmp.filePath(QStringLiteral("VADUZI_PROINFO.ini"))});
        doc->SetWriteSettingsOnClose(false);
        frame.doc = doc.get();
    }
    void TearDown() override { ui::setMessages(nullptr); }

    // Reads a pile of the given blows (empty: a blow without data).
    void LoadPile(const std::vector<std::vector<float>>& blows) {
        const int n = 1024;
        std::vector<float> all;
        for (const auto& b : blows) {
            if (b.empty())
                all.insert(all.end(), size_t(n), 0.0f);
            else
                all.insert(all.end(), b.begin(), b.end());
        }
        const QString path = DuxBuilder::shortHeader(90)
                                 .channels(int(blows.size()), n)
                                 .samples(all)
                                 .writeTo(tmp.path(), QStringLiteral("P1.DUX"));
        ASSERT_TRUE(doc->m_PileRecord.ReadFile(path));
        doc->m_bFileOpen = true;
    }
    void LoadThreeBlows() { LoadPile({PulseBlow(1024, 1), PulseBlow(1024, 1.1f), PulseBlow(1024, 0.9f)}); }

    // Wires a view to the document, the fake frame and the scripted dialog,
    // shows it and paints it once (which lays the channels out).
    void Attach(CBaseView& view, QSize size = QSize(600, 600)) {
        view.SetDocument(doc.get());
        view.SetFrame(&frame);
        view.SetDefectAsker(&asker);
        view.resize(size);
        view.show();
        view.OnInitialUpdate();
        Paint(view);
    }
    static QImage Paint(CBaseView& view) {
        QApplication::processEvents();
        return view.viewport()->grab().toImage();
    }

    // A point on channel w at sample i: in the plot, below the label and the
    // information boxes.
    static QPoint AtSample(const CWaveRecord& w, int i) {
        const gdi::Rect& plot = w.GetPlotRect();
        return QPoint(plot.left + w.IndexToX(i), plot.top + plot.Height() * 3 / 4);
    }
    // Content point to viewport point.
    static QPoint ToViewport(const CBaseView& view, QPoint content) {
        return content - view.ScrollPosition();
    }
    static void Click(CBaseView& view, QPoint content, Qt::MouseButton b = Qt::LeftButton,
                      Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::mouseClick(view.viewport(), b, m, ToViewport(view, content));
    }
};

} // namespace pit::test
