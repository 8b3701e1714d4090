// Enable and check rules of the main window's commands.
#include "mainwnd/CommandRules.h"

#include "mainwnd/CommandIds.h"

namespace pit {

namespace {

bool Report(const UiSnapshot& s) {
    return s.viewMode == 4;
}
// Rule L: a project is loaded and the window is not in report mode.
bool RuleL(const UiSnapshot& s) {
    return s.projectLoaded && !Report(s);
}
CommandState Plain(bool enabled) {
    return {enabled, false, false};
}
CommandState Check(bool enabled, bool checked) {
    return {enabled, true, checked};
}

} // namespace

CommandState EvaluateCommand(int id, const UiSnapshot& s) {
    using namespace cmd;
    switch (id) {
    case kFileSave:
    case kExportStateExcel:
    case kExportCurvePictures:
        return Plain(RuleL(s));
    // Report mode's commands; the document and workbook ones wait for their writers.
    case kReportFirst:
    case kReportFourth:
    case kReportFifth:
    case kReportBack:
    case kPrintPreview:
    case kPrint:
        return Plain(Report(s));
    case kReportSecond:
    case kCountInfo:
        return Plain(Report(s) && s.wordWriter);
    case kReportThird:
        return Plain(Report(s) && s.excelWriter);
    case kAppExit:
        return Plain(true);
    case kViewMain:
        return Check(!Report(s), !Report(s) && (s.activeView == ActiveView::MainWave ||
                                                s.activeView == ActiveView::Average));
    case kViewSingleWave:
        return Check(!Report(s), !Report(s) && s.activeView == ActiveView::SingleWave);
    case kViewAnalysis:
        return Check(!Report(s), !Report(s) && s.activeView == ActiveView::Analysis);
    case kMainPanel:
        return Check(true, s.mainPanelVisible || s.reportPanelVisible);
    case kToolBar:
        return Check(true, s.mainToolBarVisible || s.reportToolBarVisible);
    case kUndoDefect:
    case kUndoAllDefects:
        return Plain(RuleL(s) && s.canUndoDefect);
    default:
        return Plain(false);
    }
}

} // namespace pit
