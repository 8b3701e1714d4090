// Refresh codes to their targets, and the window title.
#include "mainwnd/RefreshHub.h"

namespace pit {

RefreshPlan PlanRefresh(int code, int sub) {
    RefreshPlan p;
    switch (RefreshTarget(code)) {
    case RefreshTarget::MainWaveView:
        p.views = RefreshPlan::kMainWave;
        break;
    case RefreshTarget::AverageView:
        p.views = RefreshPlan::kAverage;
        break;
    case RefreshTarget::AnalysisView:
        p.views = RefreshPlan::kAnalysis;
        break;
    case RefreshTarget::AllWaveViews:
        p.views =
            RefreshPlan::kMainWave | RefreshPlan::kAverage | RefreshPlan::kAnalysis | RefreshPlan::kSingle;
        break;
    case RefreshTarget::SingleWaveView:
        p.views = RefreshPlan::kSingle;
        break;
    case RefreshTarget::ReportView:
        if (sub == 0 || sub == 1)
            p.reportView = sub;
        break;
    case RefreshTarget::PileChanged:
        p.pileChanged = true;
        break;
    case RefreshTarget::IntegrityText:
        p.integrityText = true;
        break;
    case RefreshTarget::DefectState:
        p.testDateState = true;
        break;
    case RefreshTarget::ReportForm:
        if (sub >= 0 && sub <= 2)
            p.reportForm = sub;
        break;
    }
    return p;
}

QString TitlePrefix(bool english) {
    return english ? QStringLiteral("KEV-TIMBO 1.8.31008     ")
                   : QStringLiteral("KEV低应变分析程序 1.8.31008     ");
}

QString ComposeWindowTitle(bool english, const QString& openFilePath) {
    return TitlePrefix(english) + openFilePath;
}

} // namespace pit
