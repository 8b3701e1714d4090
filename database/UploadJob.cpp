#include "database/UploadJob.h"

#include "database/Odbc.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace pit {

using Clock = std::chrono::steady_clock;
using Status = UploadOutcome::Status;

namespace {
std::atomic<int> g_workers{0};
} // namespace

int UploadJob::RunningWorkers() {
    return g_workers.load();
}

// What the worker and the window's thread share. The worker holds it as
// long as it runs, so a worker left behind never touches a freed job.
struct UploadJob::Shared : UploadControl {
    enum class State { Running, Stopping, Committing, Finished, LeftBehind };

    // The work, copied: the worker may outlive the job.
    QString connection;
    UploadOrder order;
    PreparedUpload prepared;
    UploadTimeouts timeouts;

    std::mutex m;
    State state = State::Running;
    bool stopRequested = false;
    Status stopAs = Status::Cancelled; // Cancelled, or TimedOut
    int stopLimit = 0;
    Clock::time_point stopAt;
    Clock::time_point stoppedCallStart; // of the call that ran out of time
    // The call into the driver that runs now.
    bool inCall = false;
    void* statement = nullptr;
    int limit = 0;
    Clock::time_point callStart;
    UploadPhase phase = UploadPhase::Connecting;
    int rows = 0;
    UploadOutcome outcome; // the worker's, once Finished

    // Held while SQLCancel runs on a statement, so the worker frees no
    // statement under it (taken before m).
    std::mutex cancelling;

    bool StopRequested() override {
        std::lock_guard lock(m);
        return stopRequested;
    }
    void BeginCall(UploadPhase p, void* stmt, int limitSeconds) override {
        std::lock_guard lock(m);
        inCall = true;
        statement = stmt;
        limit = limitSeconds;
        callStart = Clock::now();
        phase = p;
    }
    void EndCall() override {
        std::lock_guard c(cancelling);
        std::lock_guard lock(m);
        inCall = false;
        statement = nullptr;
    }
    bool BeginCommit() override {
        std::lock_guard lock(m);
        if (stopRequested || state != State::Running)
            return false;
        state = State::Committing;
        return true;
    }
    void Progress(int rowsWritten) override {
        std::lock_guard lock(m);
        rows = rowsWritten;
    }

    // With m held: the upload is to stop, and the call running is cancelled
    // (from a thread of its own: a driver's cancel may wait on the server too).
    void RequestStop(const std::shared_ptr<Shared>& self, Status as, int seconds) {
        stopRequested = true;
        stopAs = as;
        stopLimit = seconds;
        stopAt = Clock::now();
        stoppedCallStart = inCall ? callStart : stopAt;
        if (state == State::Running)
            state = State::Stopping;
        if (inCall && statement)
            std::thread([self, stmt = statement] {
                std::lock_guard c(self->cancelling);
                {
                    std::lock_guard lock(self->m);
                    if (!self->inCall || self->statement != stmt)
                        return;
                }
                odbc::CancelStatement(stmt);
            }).detach();
    }
};

UploadJob::UploadJob(QString connectionString, UploadOrder order, PreparedUpload prepared,
                     UploadTimeouts timeouts)
    : m_shared(std::make_shared<Shared>()), m_total(int(prepared.piles.size())) {
    m_shared->connection = std::move(connectionString);
    m_shared->order = std::move(order);
    m_shared->prepared = std::move(prepared);
    m_shared->timeouts = timeouts;
}

UploadJob::~UploadJob() {
    if (!m_started || m_done)
        return;
    std::lock_guard lock(m_shared->m);
    if (m_shared->state != Shared::State::Finished) {
        m_shared->RequestStop(m_shared, Status::Cancelled, 0);
        m_shared->state = Shared::State::LeftBehind;
    }
}

void UploadJob::Start() {
    if (m_started)
        return;
    m_started = true;
    ++g_workers;
    std::thread([s = m_shared] {
        UploadOutcome o = WriteUpload(s->connection, s->order, s->prepared, s->timeouts, s.get());
        {
            std::lock_guard lock(s->m);
            s->outcome = std::move(o);
            if (s->state != Shared::State::LeftBehind)
                s->state = Shared::State::Finished;
        }
        --g_workers;
    }).detach();
}

bool UploadJob::Poll() {
    if (m_done)
        return true;
    if (!m_started)
        return false;
    Shared& s = *m_shared;
    std::lock_guard lock(s.m);
    const Clock::time_point now = Clock::now();
    auto finish = [this](UploadOutcome o) {
        m_outcome = std::move(o);
        m_done = true;
        return true;
    };
    // A timeout's message gives the time waited for the call, not its limit.
    const auto waited = [&](Clock::time_point since) { return WaitedSeconds(now - since); };
    if (s.state == Shared::State::Finished) {
        UploadOutcome o = s.outcome;
        if (o.status == Status::TimedOut && o.timeoutSeconds == 0)
            o.timeoutSeconds = s.limit; // the driver's own timeout
        // Stopped before the commit: cancelled or timed out, whatever the
        // driver said about the call it was stopped in.
        if (s.stopRequested && o.status != Status::Written && o.status != Status::Duplicate) {
            o.status = s.stopAs;
            o.timeoutSeconds = s.stopAs == Status::TimedOut ? waited(s.stoppedCallStart) : 0;
        }
        return finish(std::move(o));
    }
    const auto elapsed = [&](Clock::time_point since) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now - since).count();
    };
    // Logging in has no statement to cancel and writes nothing: the login
    // timeout is kept to the second, the driver left to give up by itself
    // (FreeTDS takes seconds beyond the timeout it was given).
    if (s.state == Shared::State::Running && s.inCall && s.limit > 0 && s.phase == UploadPhase::Connecting &&
        elapsed(s.callStart) >= s.limit * 1000LL + kLoginSlackMilliseconds) {
        s.RequestStop(m_shared, Status::TimedOut, s.limit);
        s.state = Shared::State::LeftBehind;
        UploadOutcome o;
        o.status = Status::TimedOut;
        o.timeoutSeconds = waited(s.callStart);
        return finish(std::move(o));
    }
    // A driver that ignores its timeout is stopped by ours.
    if (s.state == Shared::State::Running && s.inCall && s.limit > 0 &&
        elapsed(s.callStart) >= s.limit * 1000LL + kSlackMilliseconds)
        s.RequestStop(m_shared, Status::TimedOut, s.limit);
    if (s.state == Shared::State::Stopping && elapsed(s.stopAt) >= kGraceMilliseconds) {
        s.state = Shared::State::LeftBehind;
        UploadOutcome o;
        o.status = s.stopAs;
        o.timeoutSeconds = s.stopAs == Status::TimedOut ? waited(s.stoppedCallStart) : 0;
        return finish(std::move(o));
    }
    if (s.state == Shared::State::Committing && s.inCall && s.limit > 0 &&
        elapsed(s.callStart) >= s.limit * 1000LL + kSlackMilliseconds + kGraceMilliseconds) {
        s.state = Shared::State::LeftBehind;
        UploadOutcome o;
        o.status = Status::Unknown;
        o.timeoutSeconds = waited(s.callStart);
        return finish(std::move(o));
    }
    return false;
}

void UploadJob::Cancel() {
    if (!m_started || m_done)
        return;
    std::lock_guard lock(m_shared->m);
    if (m_shared->state == Shared::State::Running && !m_shared->stopRequested)
        m_shared->RequestStop(m_shared, Status::Cancelled, 0);
}

int UploadJob::RowsWritten() const {
    std::lock_guard lock(m_shared->m);
    return m_shared->rows;
}

UploadPhase UploadJob::Phase() const {
    std::lock_guard lock(m_shared->m);
    return m_shared->phase;
}

} // namespace pit
