// The main window's commands as one table: a row per command id with its
// enable rule, its check rule and its handler. The rules are pure functions
// of one snapshot of the window's state; the menu, the tool bars, the
// shortcuts and the tests all run a command through its row, so a command
// that its rule disables never runs.
#pragma once

#include <optional>

namespace pit {

// The view that has the focus in the client area.
enum class ActiveView : int { None, MainWave, Average, SingleWave, Analysis, Report };

// What the rules read of the window, taken when a menu opens, at idle time
// and before a command runs.
struct UiState {
    bool projectLoaded = false;
    int viewMode = 0; // 0 main pair, 1 analysis, 2 single wave, 4 report
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
    bool canUndoDefect = false; // the active view's current wave carries defect marks
    bool yLocked = false;
    bool rotateMode = false;
    bool locateMode = false;
    bool fixedAnalysis = false; // the document's fixed-parameter analysis is on
    int markedPiles = 0;
    bool reportModeFlag = false; // the document's "m_bReportMode"
    bool mainPanelVisible = false;
    bool reportPanelVisible = false;
    bool mainToolBarVisible = false;
    bool reportToolBarVisible = false;
    bool languageFilesExist = false;
    int checkedLanguageItem = 5050;
    int copyCount = 0;         // samples in the copy buffer
    int recentCount = 0;       // entries of the recent-file list
    bool canSetDetail = false; // the analysis view shows a spectrum or phase to refine
    bool wordWriter = false;   // a document writer is installed (report documents)
    bool excelWriter = false;  // a workbook writer is installed (report workbooks)
};

struct CommandState {
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

namespace frame {
class FrameCommands;
}

struct CommandRow {
    // Enabled in a snapshot; nothing: the item is left as it is.
    using EnableRule = std::optional<bool> (*)(int id, const UiState& s);
    // Checked in a snapshot; a row without one is not checkable.
    using CheckRule = bool (*)(int id, const UiState& s);
    using Handler = void (*)(frame::FrameCommands& commands, int id);

    int id = 0;
    EnableRule enabled = nullptr;
    CheckRule checked = nullptr;
    Handler run = nullptr;
};

// The row of a command id; null for an id without one.
const CommandRow* FindCommandRow(int id);

// The state of command id in snapshot s; nothing when its rule leaves the
// item as it is. Ids without a row are disabled.
std::optional<CommandState> EvaluateRule(int id, const UiState& s);

// What the menus, tool bars and shortcuts ask of the commands.
class CommandDispatcher {
public:
    virtual ~CommandDispatcher() = default;
    virtual UiState Snapshot() const = 0;
    // Runs id when its row's rule allows it in a fresh snapshot; false when
    // it has no row or its rule disables it.
    virtual bool Run(int id) = 0;
};

} // namespace pit
