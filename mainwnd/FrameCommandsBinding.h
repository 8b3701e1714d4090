// Puts the frame commands into the main window: its views, panels and
// dialogs serve as the commands' host, and the command table behind every
// action of the window's registry.
#pragma once

#include "mainwnd/FrameCommands.h"

#include <QObject>
#include <QPointer>
#include <memory>

class CMainFrame;

namespace pit {
class CommandRegistry;
}

namespace pit::frame {

class FrameCommandsBinding : public QObject, public CommandHost {
    Q_OBJECT
public:
    // Made a child of frame; the frame's registry, menus and views must exist.
    explicit FrameCommandsBinding(CMainFrame& frame);
    ~FrameCommandsBinding() override;

    FrameCommands& Commands() { return *m_commands; }

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
    bool CanUndoDefect() const override;
    void UndoDefect(bool all) override;
    Bars VisibleBars() const override;
    int MarkedPiles() const override;
    void MarkPileSaved(bool saved) override;
    void ReloadProjectDates() override;
    void UpdatePanelControls() override;
    QString ChooseFolder(const QString& title) override;
    QString ChooseSaveFile(const QString& defaultName) override;
    QString ChooseCopyFile(const QString& defaultPath) override;
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
    void ToggleMainPanel() override;
    void ToggleToolBar() override;
    void CloseWindow() override;
    QString ChooseOpenFile(const QString& folder) override;
    bool OpenPile(const QString& path) override;
    bool CloseDocument() override;
    QStringList RecentFiles() const override;
    void ForgetRecentFile(const QString& path) override;
    void RunPrinterSetup() override;
    void ExportStateExcel() override;
    void ExportCurveDocument() override;
    void ExportCurvePictures() override;
    void RunReportCommand(int commandId) override;
    bool HasWordWriter() const override;
    bool HasExcelWriter() const override;
    void ShowAbout() override;
    bool CanSetDetailIndex() const override;
    void SetDetailIndex() override;

    // The file filter of pile files, any case of ".DUX".
    static QString PileFileFilter(bool english);

private:
    CMainFrame& m_frame;
    QPointer<CommandRegistry> m_registry;
    std::unique_ptr<FrameCommands> m_commands;
    std::unique_ptr<LanguageChoice> m_languages;
};

} // namespace pit::frame
