// The refresh hub: which panel and which views a refresh code reaches, and
// the one composer of the main window's title.
#pragma once

#include "analysis/FrameServices.h"

#include <QString>

namespace pit {

// What one refresh does, before the title is rewritten.
struct RefreshPlan {
    enum View : unsigned { kMainWave = 1, kAverage = 2, kAnalysis = 4, kSingle = 8 };
    bool pileChanged = false;   // main panel reloads its pages, pile page its shape fields
    bool integrityText = false; // main panel rebuilds the integrity text
    bool testDateState = false; // project page's test-date controls
    int reportForm = -1;        // report-mode form: 0 reload, 1 store wave fields, 2 common values
    int reportView = -1;        // report-mode view: 0 redraw picture, 1 common test date
    unsigned views = 0;         // wave views redrawn (View bits)
    bool operator==(const RefreshPlan&) const = default;
};

RefreshPlan PlanRefresh(int code, int sub);

// The title text of the interface language: "KEV低应变分析程序 1.8.31008     " or
// "KEV-TIMBO 1.8.31008     " (five trailing spaces).
QString TitlePrefix(bool english);
// The main window's title: the prefix followed by the open file's path
// (nothing after the prefix while no file is open). Every place that sets
// the title goes through here.
QString ComposeWindowTitle(bool english, const QString& openFilePath);

} // namespace pit
