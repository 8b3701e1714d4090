// The main window's own commands: what each does to the document and the
// views, and when each is enabled or checked. Rules are pure functions of a
// snapshot; handlers work on the document, the frame services and a host
// that stands for the frame's windows, so both run without a main window.
#pragma once

#include "analysis/FrameServices.h"
#include "core/project/KevConvert.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandTable.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class CKEV_DUXDoc;
class CWaveRecord;
class QPaintDevice;

namespace pit::frame {

// The command ids of the main window.
namespace id = ::pit::cmd;

using ::pit::ActiveView;
using ::pit::CommandState;
using ::pit::EvaluateRule;
using ::pit::UiState;

// The factor of a wave-factor item; nothing for other ids.
std::optional<float> WaveFactorOf(int commandId);
// The fill mode of a fill item; -1 for other ids.
int FillModeOf(int commandId);

// "<pile number>_<channel + 1>" with ".", "/" and "\" made "_".
QString SingleTraceDefaultName(const QString& pileNo, int channel);
// The message shown before a language change takes effect at the next start.
QString LanguageRestartMessage(int itemId);
// "数据转换成功" / "数据转换失败" (and their English forms).
QString ConversionResultMessage(bool ok, bool english);

// The user manual "KEV_JX使用手册.pdf": in dir, else beside the program (the
// build puts it there; KEV_DUX_HOME may point dir elsewhere); the path in dir
// when neither holds it.
QString FindUserManual(const QString& dir);
// Opens the manual with the desktop. False when it is missing or no program
// opens it; zh and en then say which, naming the file.
bool OpenUserManual(const QString& dir, QString* zh, QString* en);

// The frame's windows as the handlers need them; the main frame implements
// it, tests give a fake. Defaults do nothing.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    virtual ActiveView Active() const = 0;
    // The active view's current wave (the analysis view's own index); -1 none.
    virtual int ActiveWave() const = 0;
    virtual void SetActiveWave(int channel) { (void)channel; }
    // The views read the rotation flag from the frame.
    virtual void SetRotateMode(bool on) { (void)on; }
    // Ctrl is held: stretch, compress and invert work on every channel.
    virtual bool CtrlHeld() const { return false; }
    // Sets the activate-upper flag and shows the main pair with the averaged
    // view active (commands on the average work there).
    virtual void ActivateUpper() {}
    // The active view's device and a full repaint of it.
    virtual QPaintDevice* DrawingDevice() { return nullptr; }
    virtual void RedrawActive() {}
    // The defect marks of the active view's current wave: any to undo, and
    // the last one (or all) taken away.
    virtual bool CanUndoDefect() const { return false; }
    virtual void UndoDefect(bool all) { (void)all; }
    // Which of the two panels and two tool bars show.
    struct Bars {
        bool mainPanel = true, reportPanel = false, mainToolBar = true, reportToolBar = false;
    };
    virtual Bars VisibleBars() const { return {}; }
    // The piles of the tree marked "*" (saved with an analysis).
    virtual int MarkedPiles() const { return 0; }
    // The main panel: tree item of the current pile marked saved or not,
    // project dates reloaded, controls after a calculation-mode change.
    virtual void MarkPileSaved(bool saved) { (void)saved; }
    virtual void ReloadProjectDates() {}
    virtual void UpdatePanelControls() {}
    // Dialogs; empty or false when cancelled.
    virtual QString ChooseFolder(const QString& title) {
        (void)title;
        return {};
    }
    virtual QString ChooseSaveFile(const QString& defaultName) {
        (void)defaultName;
        return {};
    }
    // The file a copy of the pile goes to (a pile-file dialog that asks
    // before replacing a file), offered as defaultPath.
    virtual QString ChooseCopyFile(const QString& defaultPath) {
        (void)defaultPath;
        return {};
    }
    // Asks the diameter of an instrument file; by default the file's own is kept.
    virtual KevDiameterAsker DiameterAsker() { return {}; }
    virtual void RunZezConversion() {}
    virtual void RunOptionsSheet() {}
    virtual void RunPrintSetup() {}
    // 32806: the open pile's values and samples as a raw-data workbook.
    virtual void ExportStateExcel() {}
    // 32925: the open pile's curves as a document.
    virtual void ExportCurveDocument() {}
    // 32923: the open pile's curves as one metafile picture.
    virtual void ExportCurvePictures() {}
    // A command of report mode's list view (save, print, exports, back).
    virtual void RunReportCommand(int commandId) { (void)commandId; }
    // Which report writers the window build installed.
    virtual bool HasWordWriter() const { return false; }
    virtual bool HasExcelWriter() const { return false; }
    virtual bool RunAverageDialog() { return false; }
    virtual bool RunWaveletDialog(int channel) {
        (void)channel;
        return false;
    }
    virtual void RunDigitalFilter() {}
    virtual void RunExpAmplify() {}
    virtual void RunFixedParams() {}
    // The single-trace picture of channel written to path; false when it could not be.
    virtual bool SaveTraceBitmap(int channel, const QString& path) {
        (void)channel;
        (void)path;
        return false;
    }
    // The analysis view shows the spectrum (1) or phase (2) of a channel.
    virtual void ShowAnalysisCurve(int curve, int channel) {
        (void)curve;
        (void)channel;
    }
    virtual void EnterReportMode(bool project) { (void)project; }
    virtual void ToggleMainPanel() {}
    virtual void ToggleToolBar() {}
    virtual void SelectChannel(int commandId) { (void)commandId; }
    // The main frame hides itself when the print preview closes.
    virtual void ClosePreview() {}
    // The main window closes (with its save prompt).
    virtual void CloseWindow() {}
    // A pile file to open (the file dialog); empty on Cancel.
    virtual QString ChooseOpenFile(const QString& folder) {
        (void)folder;
        return {};
    }
    // Opens a pile file after the save prompt; false on Cancel or when it
    // could not be read (the document told the user).
    virtual bool OpenPile(const QString& path) {
        (void)path;
        return false;
    }
    // After the save prompt the document lets go of its pile; false on Cancel.
    virtual bool CloseDocument() { return false; }
    // The recent-file list, newest first; an entry that could not be opened leaves it.
    virtual QStringList RecentFiles() const { return {}; }
    virtual void ForgetRecentFile(const QString& path) { (void)path; }
    virtual void RunPrinterSetup() {}
    virtual void ShowAbout() {}
    // The analysis view's detail index (32902): available, and its dialog.
    virtual bool CanSetDetailIndex() const { return false; }
    virtual void SetDetailIndex() {}
};

// The languages offered and chosen in the View menu.
class LanguageChoice {
public:
    virtual ~LanguageChoice() = default;
    virtual bool FilesExist() const = 0;
    virtual int CheckedItem() const = 0;
    // Stores the item as the choice for the next start.
    virtual void Select(int itemId) = 0;
};

class FrameCommands : public CommandDispatcher {
public:
    FrameCommands(CKEV_DUXDoc& doc, FrameServices& frame, CommandHost& host);

    // The snapshot of the window's state that the rules read.
    UiState Snapshot() const override;
    // Runs the command through its row: false for an id without one or one
    // its rule disables now.
    bool Run(int commandId) override;

    // The program's manual beside the program.
    static constexpr const char16_t* kManualName = u"KEV_JX使用手册.pdf";
    // Where the manual is; the program's resource folder unless set.
    void SetManualDir(const QString& dir) { m_manualDir = dir; }
    void SetLanguageChoice(LanguageChoice* languages) { m_languages = languages; }

    bool IsRotateMode() const { return m_bRotateMode; }
    bool IsLocateMode() const { return m_bLocateMode; }
    const std::vector<float>& CopyBuffer() const { return m_copy; }
    int AnalysisCurve() const { return m_nAnalysisCurve; }
    int AnalysisChannel() const { return m_nAnalysisChannel; }

    // The handlers.
    // The analysis of the current pile into its file and the project index;
    // false (and the user told) when either could not be written.
    bool OnFileSave();
    // Asks whether a pile file changed on disk since it was read gets this
    // window's pile; true: overwrite.
    bool AskOverwriteChangedPile(const QString& path);
    // 32782: the pile as it is now into another file; the open file stays the
    // document's. False when cancelled or not written (the user told why).
    bool OnFileSaveCopyAs();
    void OnConvertKevFiles();
    void OnRestoreChannel();
    void OnRestoreAllChannels();
    void OnEditCopy();
    void OnEditPaste();
    void ShiftWave(bool right);
    void OffsetWave(bool up);
    void OnWaveReverse();
    void OnWaveStretch(bool stretch);
    void SetWaveFactor(float factor, bool custom);
    void SetFillMode(int mode);
    void OnViewAxis(int axisMode);
    void OnSetAverageWave();
    void OnLockYAxis();
    void OnLanguage(int itemId);
    void SetHeadPickMode(int mode);
    void SetCalcMode(int mode);
    void OnIntegrate(bool integrate);
    void OnWavelet();
    void OnRotate();
    void OnRotateLocate();
    void OnRotateTail(bool up);
    void OnAnalysisCurve(int curve);
    void OnReport(bool project);
    void OnExportSingleTraceBmp();
    void OnHelpManual();
    // File New, File Open and the four recent files of the File menu.
    void OnFileNew();
    void OnFileOpen();
    void OnRecentFile(int index);
    // The views' "撤消缺陷" (the last mark) and "撤消所有缺陷".
    void UndoDefect(bool all);

    FrameServices& Frame() { return m_frame; }
    CommandHost& Host() { return m_host; }
    CKEV_DUXDoc& Doc() { return m_doc; }

private:
    // The channel a command works on: none for the report view or without a
    // current wave. With withUpper, the average chosen in the main wave view
    // first moves the work to the averaged-wave view.
    CWaveRecord* Target(bool withUpper, int* index = nullptr);
    void Modified();
    void Tell(const QString& chinese, const QString& english, unsigned type);
    // The spectrum range and peak of the current channel into the record
    // when both are still 0.
    void ComputeSpectrumMarks();

    CKEV_DUXDoc& m_doc;
    FrameServices& m_frame;
    CommandHost& m_host;
    LanguageChoice* m_languages = nullptr;
    QString m_manualDir;
    std::vector<float> m_copy;
    bool m_bRotateMode = false;
    bool m_bLocateMode = false;
    int m_nAnalysisCurve = 1;
    int m_nAnalysisChannel = 0;
};

} // namespace pit::frame
