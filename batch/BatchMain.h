// The console side of the batch report mode: which command lines run it,
// the run inside the program's own offscreen application, the exit status.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class CKEVCommandLineInfo;

namespace pit {

struct AppContext;
class BatchReportWriter;

enum class BatchStart {
    NotBatch,   // no batch flag (or help/version asked): the window build
    Run,        // flag, list file and output folder
    UsageError, // a batch flag without both arguments and no display to start the window on
};
BatchStart ClassifyCommandLine(const CKEVCommandLineInfo& cmd, bool haveDisplay);

// A desktop session: DISPLAY or WAYLAND_DISPLAY set.
bool HaveDisplay();

// The usage text of a usage error (status 2).
QString BatchUsage();
// The text of --help: the window's command line, the batch reports and
// their exit statuses.
QString HelpText();
// Says on the batch's sink that memory ran out and the run stopped (on
// stderr directly when even that cannot be made).
void TellOutOfMemory(const AppContext& ctx);

// Runs the batch of cmd (a Run command line) with ctx's language and
// messages: reads the list, writes the reports, logs them, opens the output
// folder through openFolder (when given), prints "end" on stdout last.
// Returns the exit status: 0 every report written, 1 anything failed
// (running out of memory included: told, "end" still printed last).
int RunBatchReports(const CKEVCommandLineInfo& cmd, const AppContext& ctx, BatchReportWriter& writer,
                    const std::function<void(const QString&)>& openFolder);

// main's first step: the exit status when the command line is a batch or a
// usage error, nothing when the window build is to start.
std::optional<int> BatchMain(int argc, char* argv[]);

} // namespace pit
