// Start-up and shutdown steps that the application object runs in order.
#pragma once

#include "platform/Paths.h" // EnsureTempFolder, ClearTempFolder

#include <QString>

namespace pit {

// A window needs a display. Without one, --version and --help still run
// (offscreen); anything else gets a plain message and false. (The batch
// reports are run by main before, without a window.)
bool EnsureDisplay(int argc, char* argv[]);

// Services of the window build that code below the windows reaches through the platform layer.
void StartWindowBuild();

// Qt's own texts (file dialogs, standard buttons) in the interface language,
// from Qt's translations; false when they are not installed.
bool InstallQtTranslations(bool english);

} // namespace pit
