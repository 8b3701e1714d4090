// Where the program finds its resources and keeps its state. The environment
// variable KEV_DUX_HOME points all of these at one folder (tests and CI use it).
#pragma once

#include <QString>
#include <optional>

namespace pit {

// The executable's folder (or KEV_DUX_HOME), without a trailing separator.
QString programDir();
// The folder of the running executable itself, whatever KEV_DUX_HOME says.
QString executableDir();
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
// setSessionTempDir (one per running instance), else tempRootDir(); empty
// while EnsureTempFolder could not make this run's folder (MissingRunFolder).
QString tempDir();
void setSessionTempDir(const QString& dir);

// What tells one running program from every other that may share a folder
// with it: the machine's boot (its boot id: one boot is one kernel), the
// process namespace, the process and when it started (clock ticks after the
// boot, so a reused process number is told apart), and the machine (its
// machine id). Parts that cannot be read are unknown; a run is judged only
// when all but the machine are known.
struct RunIdentity {
    qint64 pid = 0;
    qint64 started = -1;      // -1 unknown
    qint64 pidNamespace = -1; // -1 unknown
    QString machine;          // 12 hex digits, empty when unknown
    QString boot;             // 12 hex digits, empty when unknown

    // "<pid>-<started>-<namespace>@<machine>-<boot>", "x" for an unknown part.
    QString Tag() const;
    // Nothing when text is no tag of this form (older forms, "<pid>@<host>", included).
    static std::optional<RunIdentity> FromTag(const QString& text);
    bool Complete() const;
};

// This running program.
const RunIdentity& ThisRun();
// A regular expression of a tag (no anchors, no capturing groups).
QString RunTagPattern();
// ThisRun().Tag(): the names of its temporary files and folders carry it,
// so that a later run knows whose they are.
QString RunTag();
// Whether the run of a tag is certainly gone: a run of this boot and
// process namespace whose process no longer exists or is another process
// now; or one of an earlier boot of this machine (the same machine id)
// whose leftover (last changed at lastChange, seconds since 1970) has not
// changed since this boot. Anything else is kept: another machine's or
// namespace's run, a tag that cannot be judged.
bool RunIsGone(const QString& tag, qint64 lastChange = -1);

// Why the run's temporary folder could not be made: what is in the way and
// the errno (ENOTDIR: "Temp" is no folder; EEXIST: every name of the run's
// folder is taken by something else).
struct TempFolderProblem {
    QString path;
    int error = 0;

    // What is in the way, naming it, in the language.
    QString Cause(bool english) const;
    // "This run has no temporary folder of its own: <cause>."
    QString Text(bool english) const;
};

// "Temp" in the state folder (both made with their missing parents) and
// this run's own folder "run-<tag>" inside it, which becomes tempDir() for
// the run. The run's folder is made by this run (an entry of that name
// already there is left alone and another name taken). The folders of runs
// certainly gone (killed, crashed) are removed first, only real folders of
// this user and never through a link; those of live runs and of runs that
// cannot be judged stay. The result is this run's folder, empty when it
// could not be made (why in *problem and MissingRunFolder; tempDir() is
// then empty, so nothing of the run goes into the shared "Temp").
QString EnsureTempFolder(TempFolderProblem* problem = nullptr);
// Why the folder is missing while this run asked for one and has none.
std::optional<TempFolderProblem> MissingRunFolder();
// Removes this run's folder (made by EnsureTempFolder) with everything in
// it, never through a link. Nothing else in "Temp" is touched.
void ClearTempFolder(const QString& sessionDir);

// A run's temporary folder for the time the object lives (command-line tools).
class RunTempFolder {
public:
    RunTempFolder() : m_dir(EnsureTempFolder(&m_problem)) {}
    ~RunTempFolder();
    RunTempFolder(const RunTempFolder&) = delete;
    RunTempFolder& operator=(const RunTempFolder&) = delete;
    const QString& dir() const { return m_dir; }
    const TempFolderProblem& problem() const { return m_problem; }

private:
    TempFolderProblem m_problem;
    QString m_dir;
};

// a/b, built with QDir so that no separator is doubled.
QString joinPath(const QString& dir, const QString& name);

} // namespace pit
