// The main window's own commands: what each does to the document and the
// views, and when each is enabled or checked. Rules are pure functions of a
// snapshot; handlers work on the document, the frame services and a host
// that stands for the frame's windows, so both run without a main window.
#pragma once

#include "analysis/FrameServices.h"
#include "core/KevConvert.h"

#include <QString>
#include <optional>
#include <vector>

class CKEV_DUXDoc;
class CWaveRecord;
class QPaintDevice;

namespace pit::frame {

// Command ids of the main window (menu 128, tool bars 128 and 180, accelerators).
namespace id {
constexpr int kFileSave = 32905;
constexpr int kConvertKev = 32804;
constexpr int kConvertDuxToPit = 32810;
constexpr int kExportStateExcel = 32806;
constexpr int kExportCurvePictures = 32923;
constexpr int kExportCurveDocument = 32925;
constexpr int kOptions = 32826;
constexpr int kPrintSetup = 32811;
constexpr int kReportSpare = 32813;
constexpr int kPrintPreview = 32822;
constexpr int kPrint = 32823;
constexpr int kCountInfo = 32824;
constexpr int kRestoreChannel = 32843;
constexpr int kRestoreAllChannels = 32844;
constexpr int kEditCopy = 57634;
constexpr int kEditPaste = 57637;
constexpr int kShiftLeft = 32838;
constexpr int kShiftRight = 32839;
constexpr int kMoveUp = 32840;
constexpr int kMoveDown = 32841;
constexpr int kWaveReverse = 32842;
constexpr int kWaveStretch = 32845;
constexpr int kWaveCompress = 32846;
constexpr int kFactor20 = 32847;
constexpr int kFactor50 = 32848;
constexpr int kFactor70 = 32855;
constexpr int kFactor100 = 32856;
constexpr int kFactor150 = 32857;
constexpr int kFactor200 = 32858;
constexpr int kFactor300 = 32863;
constexpr int kFactorCustom = 32861;
constexpr int kFillPositive = 32864;
constexpr int kFillNegative = 32865;
constexpr int kFillBoth = 32866;
constexpr int kFillNone = 32867;
constexpr int kViewByTime = 32897;
constexpr int kViewByLength = 32898;
constexpr int kSetAverageWave = 32828;
constexpr int kLockYAxis = 32790;
constexpr int kLanguageFirst = 5050;
constexpr int kLanguageLast = 5099;
constexpr int kHeadPeak = 32792;
constexpr int kHeadStart = 32805;
constexpr int kHeadPeakB = 32798;
constexpr int kHeadStartKey = 57681;
constexpr int kFixedTimeDiff = 32802;
constexpr int kVaryingTimeDiff = 32803;
constexpr int kViewMain = 32777;
constexpr int kViewSingleWave = 32770;
constexpr int kViewAnalysis = 32776;
constexpr int kSpectrumView = 32881;
constexpr int kPhaseView = 32882;
constexpr int kMainPanel = 32772;
constexpr int kToolBar = 59392;
constexpr int kReportModeFlag = 32888;
constexpr int kHelpManual = 32889;
constexpr int kWavelet = 32872;
constexpr int kIntegrate = 32873;
constexpr int kDifferentiate = 32875;
constexpr int kDigitalFilter = 32876;
constexpr int kExpAmplify = 32877;
constexpr int kRotate = 32906;
constexpr int kRotateLocate = 32878;
constexpr int kRotateLocateKey = 211;
constexpr int kRotateUp = 32879;
constexpr int kRotateDown = 32880;
constexpr int kFixedParams = 32807;
constexpr int kSingleReport = 32829;
constexpr int kProjectReport = 32830;
constexpr int kSingleTraceBmp = 32850;
constexpr int kSelectChannelFirst = 110;
constexpr int kSelectChannelLast = 125;
constexpr int kPreviewClose = 58112;
} // namespace id

// The view that has the focus in the client area.
enum class ActiveView : int { None, MainWave, Average, SingleWave, Analysis, Report };

// What the rules read of the window, taken when a menu opens or at idle time.
struct UiState {
    bool projectLoaded = false;
    int viewMode = 0; // ViewMode: 0 main pair, 1 analysis, 2 single wave, 4 report
    ActiveView activeView = ActiveView::None;
    int activeWave = -1;    // the active view's current wave
    int channelCount = 0;   // channels of the pile, the average included
    bool pileFixed = false; // the current pile record is flagged as fixed
    int calcMode = 0;       // 0 fixed time difference, 1 varying
    int headPickMode = 0;   // 0 start point, 1 peak
    int fillMode = 0;       // the project's
    // The target channel (null values without one).
    int targetAxisMode = 0;
    float targetFactor = 0;
    bool targetCustom = false;
    bool yLocked = false;
    bool rotateMode = false;
    bool locateMode = false;
    bool fixedAnalysis = false;
    int markedPiles = 0;
    bool reportModeFlag = false; // the document's "m_bReportMode"
    bool mainPanelVisible = false;
    bool reportPanelVisible = false;
    bool mainToolBarVisible = false;
    bool reportToolBarVisible = false;
    bool languageFilesExist = false;
    int checkedLanguageItem = 5050;
    int copyCount = 0; // samples in the copy buffer
};

struct CommandState {
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

// The state of command id; nothing when the rule leaves the item as it is
// (and for ids without a rule: they stay enabled).
std::optional<CommandState> EvaluateRule(int commandId, const UiState& s);

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

// The frame's windows as the handlers need them; the main frame implements
// it, tests give a fake. Defaults do nothing.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    virtual ActiveView Active() const = 0;
    // The active view's current wave (the analysis view's own index); -1 none.
    virtual int ActiveWave() const = 0;
    virtual void SetActiveWave(int channel) { (void)channel; }
    // Ctrl is held: stretch, compress and invert work on every channel.
    virtual bool CtrlHeld() const { return false; }
    // Sets the activate-upper flag and shows the main pair with the averaged
    // view active (commands on the average work there).
    virtual void ActivateUpper() {}
    // The active view's device and a full repaint of it.
    virtual QPaintDevice* DrawingDevice() { return nullptr; }
    virtual void RedrawActive() {}
    // The main panel: tree item of the current pile marked saved or not,
    // project dates reloaded, controls after a calculation-mode change.
    virtual void MarkPileSaved(bool saved) { (void)saved; }
    virtual void ReloadProjectDates() {}
    virtual void UpdatePanelControls() {}
    // The spectrum marks (frequency range, peak) of a channel; nothing without an analysis view.
    virtual std::optional<std::pair<int, int>> ComputeSpectrumMarks(int channel) {
        (void)channel;
        return std::nullopt;
    }
    // Dialogs; empty or false when cancelled.
    virtual QString ChooseFolder(const QString& title) {
        (void)title;
        return {};
    }
    virtual QString ChooseSaveFile(const QString& defaultName) {
        (void)defaultName;
        return {};
    }
    // Asks the diameter of an instrument file; by default the file's own is kept.
    virtual KevDiameterAsker DiameterAsker() { return {}; }
    virtual void RunZezConversion() {}
    virtual void RunOptionsSheet() {}
    virtual void RunPrintSetup() {}
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

class FrameCommands {
public:
    FrameCommands(CKEV_DUXDoc& doc, FrameServices& frame, CommandHost& host);

    // Runs the command; false for an id that is not the frame's.
    bool Execute(int commandId);
    // The snapshot of the window's state that the rules read.
    UiState Snapshot() const;

    // The program's manual beside the program.
    static constexpr const char16_t* kManualName = u"KEV_JX使用手册.pdf";
    // Where the manual and the language files are; the program's own unless set.
    void SetManualDir(const QString& dir) { m_manualDir = dir; }
    void SetLanguageChoice(LanguageChoice* languages) { m_languages = languages; }
    // The marked pile count of the main panel (the report commands need one).
    void SetMarkedPiles(int count) { m_markedPiles = count; }
    void SetPanelsVisible(bool mainPanel, bool reportPanel, bool mainBar, bool reportBar);
    void SetFixedAnalysis(bool active) { m_fixedAnalysis = active; }

    bool IsRotateMode() const { return m_bRotateMode; }
    bool IsLocateMode() const { return m_bLocateMode; }
    bool IsYLocked() const { return m_bLockY; }
    const std::vector<float>& CopyBuffer() const { return m_copy; }
    int AnalysisCurve() const { return m_nAnalysisCurve; }
    int AnalysisChannel() const { return m_nAnalysisChannel; }

    // The handlers.
    void OnFileSave();
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

private:
    // The channel a command works on: none for the report view or without a
    // current wave. With withUpper, the average chosen in the main wave view
    // first moves the work to the averaged-wave view.
    CWaveRecord* Target(bool withUpper, int* index = nullptr);
    void Modified();
    void Tell(const QString& chinese, const QString& english, unsigned type);

    CKEV_DUXDoc& m_doc;
    FrameServices& m_frame;
    CommandHost& m_host;
    LanguageChoice* m_languages = nullptr;
    QString m_manualDir;
    std::vector<float> m_copy;
    bool m_bRotateMode = false;
    bool m_bLocateMode = false;
    bool m_bLockY = false;
    bool m_fixedAnalysis = false;
    int m_markedPiles = 0;
    int m_nAnalysisCurve = 1;
    int m_nAnalysisChannel = 0;
    bool m_panels[4] = {true, false, true, false};
};

} // namespace pit::frame
