// The one application style sheet: the RGB(245,245,245) background of the
// dialogs, panels, docking bars, tool bars and status bars.
#pragma once

#include <QString>

namespace pit {

inline constexpr int kPanelGrey = 245;

QString ApplicationStyleSheet();
// Sets the sheet on the running application.
void InstallApplicationStyle();

} // namespace pit
