// Where the program finds its resources and keeps its state. The environment
// variable KEV_DUX_HOME points all of these at one folder (tests and CI use it).
#pragma once

#include <QString>

namespace pit {

// The executable's folder (or KEV_DUX_HOME), without a trailing separator.
QString programDir();
// Read-only resources: language files, templates, the manual. The program
// folder when it holds them, else ../share/kev-dux beside it.
QString resourceDir();
// The resource folder of the program itself, KEV_DUX_HOME or not: where the
// files installed with the program (the language files) are.
QString installedResourceDir();
// Settings, history, record log, language choice: the program folder when it
// is writable, else the per-user configuration folder.
QString stateDir();
// stateDir()/Temp, created on first use.
QString tempRootDir();
// Where this process writes its temporary files: the folder set by
// setSessionTempDir (one per running instance), else tempRootDir().
QString tempDir();
void setSessionTempDir(const QString& dir);

// a/b, built with QDir so that no separator is doubled.
QString joinPath(const QString& dir, const QString& name);

} // namespace pit
