// Enable and check rules of the main window's commands: pure functions of a
// snapshot of the window's state, evaluated when a menu opens and at idle time.
#pragma once

namespace pit {

// The view that has the focus in the client area.
enum class ActiveView : int { None, MainWave, Average, SingleWave, Analysis, Report };

struct UiSnapshot {
    bool projectLoaded = false; // a pile file has been read
    int viewMode = 0;           // 0 main pair, 1 analysis, 2 single wave, 4 report
    ActiveView activeView = ActiveView::None;
    bool mainPanelVisible = false;
    bool reportPanelVisible = false;
    bool mainToolBarVisible = false;
    bool reportToolBarVisible = false;
    bool canUndoDefect = false; // the active view's current wave carries marks
    bool reportModeFlag = false;
    bool wordWriter = false;  // a document writer is installed
    bool excelWriter = false; // a workbook writer is installed
};

struct CommandState {
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

// The state of command id in snapshot s. Commands without a handler yet are
// disabled.
CommandState EvaluateCommand(int id, const UiSnapshot& s);

} // namespace pit
