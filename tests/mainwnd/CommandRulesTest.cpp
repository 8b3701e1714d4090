// Enable and check rules of the main window's commands over snapshots.
#include "mainwnd/FrameCommands.h"

#include <functional>
#include <gtest/gtest.h>

using namespace pit::frame;

namespace {

// A project open in the main pair, channel 1 of the main wave view current.
UiState Open() {
    UiState s;
    s.projectLoaded = true;
    s.activeView = ActiveView::MainWave;
    s.activeWave = 1;
    s.channelCount = 4;
    s.targetAxisMode = 1;
    s.targetFactor = 1.0f;
    return s;
}
UiState Report() {
    UiState s = Open();
    s.viewMode = 4;
    s.activeView = ActiveView::Report;
    return s;
}

struct RuleCase {
    const char* what;
    std::function<UiState()> state;
    int id;
    std::optional<CommandState> expected;
};

constexpr CommandState kOff{false, false, false};
constexpr CommandState kOn{true, false, false};
constexpr CommandState kRadioOn{true, true, true};
constexpr CommandState kRadioOff{true, true, false};

const RuleCase kCases[] = {
    {"save needs a project", [] { return UiState{}; }, id::kFileSave, kOff},
    {"save with a project", Open, id::kFileSave, kOn},
    {"save refused in report mode", Report, id::kFileSave, kOff},
    {"conversions always", [] { return UiState{}; }, id::kConvertKev, kOn},
    {"help always", Report, id::kHelpManual, kOn},
    {"print preview only in report mode", Open, id::kPrintPreview, kOff},
    {"print preview in report mode", Report, id::kPrintPreview, kOn},
    {"paste with an empty buffer", Open, id::kEditPaste, kOff},
    {"paste with a copy",
     [] {
         auto s = Open();
         s.copyCount = 1024;
         return s;
     },
     id::kEditPaste, kOn},
    {"stretch off on a fixed pile",
     [] {
         auto s = Open();
         s.pileFixed = true;
         return s;
     },
     id::kWaveStretch, kOff},
    {"compress on a free pile", Open, id::kWaveCompress, kOn},
    {"factor 100% checked", Open, id::kFactor100, kRadioOn},
    {"factor 50% not checked", Open, id::kFactor50, kRadioOff},
    {"factor set by custom shows no mark",
     [] {
         auto s = Open();
         s.targetCustom = true;
         return s;
     },
     id::kFactor100, kRadioOff},
    {"custom checked by its flag",
     [] {
         auto s = Open();
         s.targetCustom = true;
         return s;
     },
     id::kFactorCustom, kRadioOn},
    {"factor without a current wave",
     [] {
         auto s = Open();
         s.activeWave = -1;
         return s;
     },
     id::kFactor100, kRadioOff},
    {"fill both checked",
     [] {
         auto s = Open();
         s.fillMode = 3;
         return s;
     },
     id::kFillBoth, kRadioOn},
    {"no fill checked at 0", Open, id::kFillNone, kRadioOn},
    {"view by time checked", Open, id::kViewByTime, kRadioOn},
    {"view by length unchecked", Open, id::kViewByLength, kRadioOff},
    {"lock shows its flag",
     [] {
         auto s = Open();
         s.yLocked = true;
         return s;
     },
     id::kLockYAxis, kRadioOn},
    {"lock unchecked in report mode",
     [] {
         auto s = Report();
         s.yLocked = true;
         return s;
     },
     id::kLockYAxis, CommandState{true, true, false}},
    {"language needs files", Open, 5051, CommandState{false, true, false}},
    {"language with files, not checked",
     [] {
         auto s = Open();
         s.languageFilesExist = true;
         return s;
     },
     5051, kRadioOff},
    {"language with files, checked",
     [] {
         auto s = Open();
         s.languageFilesExist = true;
         s.checkedLanguageItem = 5052;
         return s;
     },
     5052, kRadioOn},
    {"language off in report mode",
     [] {
         auto s = Report();
         s.languageFilesExist = true;
         return s;
     },
     5050, CommandState{false, true, true}},
    {"head pick needs varying mode", Open, id::kHeadPeak, CommandState{false, true, false}},
    {"head peak in varying mode",
     [] {
         auto s = Open();
         s.calcMode = 1;
         s.headPickMode = 1;
         return s;
     },
     id::kHeadPeak, kRadioOn},
    {"head start in varying mode",
     [] {
         auto s = Open();
         s.calcMode = 1;
         return s;
     },
     id::kHeadStart, kRadioOn},
    {"fixed time difference checked", Open, id::kFixedTimeDiff, kRadioOn},
    {"varying time difference",
     [] {
         auto s = Open();
         s.calcMode = 1;
         return s;
     },
     id::kVaryingTimeDiff, kRadioOn},
    {"main view checked from the averaged view",
     [] {
         auto s = Open();
         s.activeView = ActiveView::Average;
         return s;
     },
     id::kViewMain, kRadioOn},
    {"main view off in report mode", Report, id::kViewMain, CommandState{false, true, false}},
    {"single-wave view checked",
     [] {
         auto s = Open();
         s.activeView = ActiveView::SingleWave;
         return s;
     },
     id::kViewSingleWave, kRadioOn},
    {"spectrum checked in the analysis view",
     [] {
         auto s = Open();
         s.activeView = ActiveView::Analysis;
         return s;
     },
     id::kSpectrumView, kRadioOn},
    {"phase always off", Open, id::kPhaseView, kOff},
    {"panel checked when the report panel shows",
     [] {
         auto s = Report();
         s.reportPanelVisible = true;
         return s;
     },
     id::kMainPanel, kRadioOn},
    {"report-mode flag",
     [] {
         auto s = Open();
         s.reportModeFlag = true;
         return s;
     },
     id::kReportModeFlag, kRadioOn},
    {"rotate needs a current wave",
     [] {
         auto s = Open();
         s.activeWave = -1;
         return s;
     },
     id::kRotate, CommandState{false, true, false}},
    {"rotate checked",
     [] {
         auto s = Open();
         s.rotateMode = true;
         return s;
     },
     id::kRotate, kRadioOn},
    {"locate checked",
     [] {
         auto s = Open();
         s.locateMode = true;
         return s;
     },
     id::kRotateLocate, kRadioOn},
    {"rotate up needs locate mode", Open, id::kRotateUp, kOff},
    {"rotate up in locate mode",
     [] {
         auto s = Open();
         s.locateMode = true;
         return s;
     },
     id::kRotateUp, kOn},
    {"rotate down from the averaged view",
     [] {
         auto s = Open();
         s.activeView = ActiveView::Average;
         s.activeWave = -1;
         s.locateMode = true;
         return s;
     },
     id::kRotateDown, kOn},
    {"rotate up left alone in the single-wave view",
     [] {
         auto s = Open();
         s.activeView = ActiveView::SingleWave;
         return s;
     },
     id::kRotateUp, std::nullopt},
    {"fixed-parameter analysis checked",
     [] {
         auto s = Open();
         s.fixedAnalysis = true;
         return s;
     },
     id::kFixedParams, kRadioOn},
    {"single report needs marked piles", Open, id::kSingleReport, kOff},
    {"project report with marked piles",
     [] {
         auto s = Open();
         s.markedPiles = 2;
         return s;
     },
     id::kProjectReport, kOn},
    {"project report off in report mode",
     [] {
         auto s = Report();
         s.markedPiles = 2;
         return s;
     },
     id::kProjectReport, kOff},
    {"report save only in report mode", Open, id::kReportSave, kOff},
    {"report document needs a document writer", Report, id::kReportExportDocument, kOff},
    {"report document with its writer",
     [] {
         auto s = Report();
         s.wordWriter = true;
         return s;
     },
     id::kReportExportDocument, kOn},
    {"curve picture of the open pile", Open, id::kExportCurvePictures, kOn},
    {"curve picture off in report mode", Report, id::kExportCurvePictures, kOff},
    {"undo defect without marks", Open, id::kUndoDefect, kOff},
    {"undo all defects with marks",
     [] {
         auto s = Open();
         s.canUndoDefect = true;
         return s;
     },
     id::kUndoAllDefects, kOn},
    {"undo defect off in report mode",
     [] {
         auto s = Report();
         s.canUndoDefect = true;
         return s;
     },
     id::kUndoDefect, kOff},
    {"exit always", [] { return UiState{}; }, id::kAppExit, kOn},
    {"single-wave view checked",
     [] {
         auto s = Open();
         s.activeView = ActiveView::SingleWave;
         return s;
     },
     id::kViewSingleWave, kRadioOn},
    {"an id without a row is off", Open, 4242, kOff},
    {"channel keys always", Report, 125, kOn},
};

TEST(CommandRules, EnabledAndCheckedPerSnapshot) {
    for (const RuleCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EvaluateRule(c.id, c.state()), c.expected);
    }
}

TEST(CommandRules, SingleTraceNameHasNoSeparators) {
    EXPECT_EQ(SingleTraceDefaultName(QStringLiteral("A1.2/3\\4"), 0), QStringLiteral("A1_2_3_4_1"));
    EXPECT_EQ(SingleTraceDefaultName(QStringLiteral("ZK1"), 2), QStringLiteral("ZK1_3"));
}

TEST(CommandRules, LanguageMessages) {
    EXPECT_EQ(LanguageRestartMessage(5052),
              QStringLiteral("Need to reboot application for Switch Language!"));
    EXPECT_EQ(LanguageRestartMessage(5051), QStringLiteral("切换语言必须重启应用程序!"));
}

} // namespace
