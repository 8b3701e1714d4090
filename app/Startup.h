// Start-up and shutdown steps that the application object runs in order.
#pragma once

#include <QString>

namespace pit {

// A window needs a display. Without one, --version, --help and the batch
// reports still run (offscreen); anything else gets a plain message and false.
bool EnsureDisplay(int argc, char* argv[]);

// Services of the window build that code below the windows reaches through the platform layer.
void StartWindowBuild();

// Qt's own texts (file dialogs, standard buttons) in the interface language,
// from Qt's translations; false when they are not installed.
bool InstallQtTranslations(bool english);

// "Temp" in the state folder and this run's own folder inside it, which
// becomes tempDir() for the run. The result is that folder, empty when it
// could not be made (the writers of temporary files then meet the failure).
QString EnsureTempFolder();
// Removes this run's folder with everything in it, then the ".TMP" and
// ".emf" files (exact case) that older versions left in "Temp" itself.
void ClearTempFolder(const QString& sessionDir);

} // namespace pit
