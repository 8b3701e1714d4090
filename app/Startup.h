// Start-up and shutdown steps that the application object runs in order.
#pragma once

#include "platform/Paths.h" // EnsureTempFolder, ClearTempFolder

#include <QApplication>
#include <QString>
#include <functional>

namespace pit {

// The window build's application object: memory that runs out inside a
// command is told and the program goes on, its files as they were (every
// file is replaced whole or not at all), so the user can save and close.
class KevApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs deliver; when it throws std::bad_alloc, tells the user through the
// program's messages (stderr when even that fails) and gives false.
bool DeliverTellingOutOfMemory(const std::function<bool()>& deliver);

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
