// A document on a copy of the sample project, the fake frame and a fake
// host, for the command and settings-page tests.
#pragma once

#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/wave/WaveContext.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/FrameCommands.h"
#include "platform/MessageSink.h"
#include "tests/analysis/FakeFrameServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace pit::test {

struct FakeHost : frame::CommandHost {
    frame::ActiveView active = frame::ActiveView::MainWave;
    int wave = 0;
    bool ctrl = false;
    int upper = 0, redraws = 0, panelControls = 0, dates = 0;
    std::vector<bool> savedMarks;
    QString folder, savePath, offeredName;
    std::vector<int> savedChannels;
    std::vector<bool> reports;
    std::vector<std::pair<int, int>> curves;

    frame::ActiveView Active() const override { return active; }
    int ActiveWave() const override { return wave; }
    bool CtrlHeld() const override { return ctrl; }
    void ActivateUpper() override {
        ++upper;
        active = frame::ActiveView::Average;
    }
    void RedrawActive() override { ++redraws; }
    void MarkPileSaved(bool saved) override { savedMarks.push_back(saved); }
    void ReloadProjectDates() override { ++dates; }
    void UpdatePanelControls() override { ++panelControls; }
    QString ChooseFolder(const QString&) override { return folder; }
    QString ChooseSaveFile(const QString& defaultName) override {
        offeredName = defaultName;
        return savePath;
    }
    bool SaveTraceBitmap(int channel, const QString&) override {
        savedChannels.push_back(channel);
        return true;
    }
    void EnterReportMode(bool project) override { reports.push_back(project); }
    void ShowAnalysisCurve(int curve, int channel) override { curves.push_back({curve, channel}); }
};

struct RecordingOpener : DesktopOpener {
    bool open(const QUrl& url) override {
        opened.push_back(url.toLocalFile());
        return true;
    }
    std::vector<QString> opened;
};

struct CommandsFixture : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx;
    std::unique_ptr<CKEV_DUXDoc> doc;
    FakeFrameServices frame;
    FakeHost host;
    std::unique_ptr<frame::FrameCommands> cmds;
    RecordingOpener opener;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        WaveContext::Default().Reset();
        ctx.messages = &sink;
        ui::setMessages(&sink);
        ui::setDesktop(&opener);
        doc = std::make_unique<CKEV_DUXDoc>(
            ctx, CKEV_DUXDoc::Files{tmp.filePath(QStringLiteral("DuxConfig.xml")),
                                    tmp.filePath(QStringLiteral("VADUZI_PROINFO.ini"))});
        doc->SetWriteSettingsOnClose(false);
        frame.doc = doc.get();
        cmds = std::make_unique<frame::FrameCommands>(*doc, frame, host);
    }
    void TearDown() override {
        ui::setMessages(nullptr);
        ui::setDesktop(nullptr);
        WaveContext::Default().Reset();
    }

    // The sample project copied into project/ and one of its piles opened.
    QString OpenSample(const QString& pile = QStringLiteral("ZK1.DUX")) {
        const QDir src(QStringLiteral(PIT_SAMPLES_DIR));
        QDir(tmp.path()).mkpath(QStringLiteral("project"));
        const QDir dst(tmp.filePath(QStringLiteral("project")));
        for (const QString& n : src.entryList(QDir::Files))
            QFile::copy(src.filePath(n), dst.filePath(n));
        const QString path = dst.filePath(pile);
        EXPECT_TRUE(doc->OnOpenDocument(path));
        doc->m_bFileOpen = true;
        sink.shown.clear();
        return path;
    }
    CPileRecord& rec() { return doc->m_PileRecord; }
    // Channel i current in the record and in the active view.
    void select(int i) {
        rec().m_nCurrentChannel = i;
        host.wave = i;
    }
    CWaveRecord& ch(int i) { return *rec().Channel(i); }
    // Runs the command through its row, as the window's actions do.
    bool run(int id) { return cmds->Run(id); }
};

} // namespace pit::test
