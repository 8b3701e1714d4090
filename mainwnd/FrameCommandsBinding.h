// Puts the frame commands into the main window: its views, panels and
// dialogs serve as the commands' host, the handlers join the command routes
// before the frame's own, and the rules are applied after the registry's
// whenever it updates (a menu opens, the idle timer fires).
#pragma once

#include "mainwnd/FrameCommands.h"

#include <QObject>
#include <memory>

class CMainFrame;

namespace pit::frame {

class FrameCommandsBinding : public QObject, public CommandHost {
    Q_OBJECT
public:
    // Made a child of frame; the frame's registry, menus and views must exist.
    explicit FrameCommandsBinding(CMainFrame& frame);
    ~FrameCommandsBinding() override;

    FrameCommands& Commands() { return *m_commands; }
    // The commands' rules onto their actions (the frame's own commands keep theirs).
    void ApplyRules();
    // Ids whose handler and rule stay the frame's (or wait for a later part).
    static bool LeftToFrame(int commandId);

    // ---- CommandHost ----
    ActiveView Active() const override;
    int ActiveWave() const override;
    void SetActiveWave(int channel) override;
    void SetRotateMode(bool on) override;
    void EnterReportMode(bool project) override;
    bool CtrlHeld() const override;
    void ActivateUpper() override;
    QPaintDevice* DrawingDevice() override;
    void RedrawActive() override;
    void MarkPileSaved(bool saved) override;
    void ReloadProjectDates() override;
    void UpdatePanelControls() override;
    QString ChooseFolder(const QString& title) override;
    QString ChooseSaveFile(const QString& defaultName) override;
    KevDiameterAsker DiameterAsker() override;
    void RunZezConversion() override;
    void RunOptionsSheet() override;
    void RunPrintSetup() override;
    bool RunAverageDialog() override;
    bool RunWaveletDialog(int channel) override;
    void RunDigitalFilter() override;
    void RunExpAmplify() override;
    void RunFixedParams() override;
    bool SaveTraceBitmap(int channel, const QString& path) override;
    void ShowAnalysisCurve(int curve, int channel) override;
    void SelectChannel(int commandId) override;

private:
    CMainFrame& m_frame;
    std::unique_ptr<FrameCommands> m_commands;
    std::unique_ptr<LanguageChoice> m_languages;
};

// Makes the binding for frame (owned by it) and returns it.
FrameCommandsBinding* InstallFrameCommands(CMainFrame& frame);

} // namespace pit::frame
