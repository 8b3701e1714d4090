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

// This running program as "<pid>@<host>": the names of its temporary files
// and folders carry it, so that a later run knows whose they are.
QString RunTag();
// Whether the run of a tag is known to be gone: one of this machine whose
// process no longer exists. A run of another machine (a shared folder) is
// never taken for gone.
bool RunIsGone(const QString& tag);

// "Temp" in the state folder and this run's own folder "run-<tag>" inside
// it, which becomes tempDir() for the run. The folders of runs that are gone
// (killed, or crashed) are removed first; those of live runs stay. The result
// is this run's folder, empty when it could not be made (the writers of
// temporary files then meet the failure).
QString EnsureTempFolder();
// Removes this run's folder with everything in it, then the ".TMP" and
// ".emf" files (exact case) that older versions left in "Temp" itself.
void ClearTempFolder(const QString& sessionDir);

// a/b, built with QDir so that no separator is doubled.
QString joinPath(const QString& dir, const QString& name);

} // namespace pit
