// An upload written on a worker thread of its own, so the window keeps
// painting and answering while a driver waits for a locked file or a server
// that does not answer. The window's thread polls it: Cancel and the
// timeouts stop it (the statement running is cancelled, the transaction
// rolled back); a driver that does not return soon after is left to finish
// on its own, and nothing it does afterwards is committed.
#pragma once

#include "database/ResultsUploader.h"

#include <memory>

namespace pit {

class UploadJob {
public:
    // A driver call gets its own timeout and this much more before the job
    // stops it (a driver that keeps its timeouts reports first) ...
    static constexpr int kSlackMilliseconds = 1000;
    // ... the login, with nothing to cancel or wait for, this much: the
    // message comes at the login timeout, to the second.
    static constexpr int kLoginSlackMilliseconds = 400;
    // ... and, once stopped, this long to return before it is left behind.
    static constexpr int kGraceMilliseconds = 2000;

    UploadJob(QString connectionString, UploadOrder order, PreparedUpload prepared, UploadTimeouts timeouts);
    // A job still running is left to end by itself; it commits nothing.
    ~UploadJob();
    UploadJob(const UploadJob&) = delete;
    UploadJob& operator=(const UploadJob&) = delete;

    void Start();
    // Enforces the timeouts; true once the outcome is known.
    bool Poll();
    // Stops the upload unless its commit has begun.
    void Cancel();
    // Valid once Poll gave true.
    const UploadOutcome& Outcome() const { return m_outcome; }

    // Progress: pile rows written of those prepared, and the step running.
    int RowsWritten() const;
    int RowsTotal() const { return m_total; }
    UploadPhase Phase() const;

    // Workers still running, those left behind included.
    static int RunningWorkers();

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    UploadOutcome m_outcome;
    int m_total = 0;
    bool m_started = false;
    bool m_done = false;
};

} // namespace pit
