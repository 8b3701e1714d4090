#include "office/Workbook.h"

#include "office/WorkbookStream.h"
#include "platform/AllocationProbe.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/SafeText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

extern char** environ;

namespace pit {

bool CellRange::IsValid() const {
    return firstRow >= 1 && firstCol >= 1 && lastRow >= firstRow && lastCol >= firstCol &&
           lastRow <= Worksheet::kMaxRows && lastCol <= Worksheet::kMaxCols;
}

bool CellStyle::operator<(const CellStyle& o) const {
    return std::tie(numberFormat, align, edges) < std::tie(o.numberFormat, o.align, o.edges);
}

// ---- Worksheet ----------------------------------------------------------------

Worksheet::Slot* Worksheet::SlotAt(int row, int col) {
    if (!InSheet(row, col))
        return nullptr;
    if (size_t(row) > m_rows.size())
        m_rows.resize(size_t(row));
    std::vector<Slot>& cells = m_rows[size_t(row - 1)];
    auto it = std::lower_bound(cells.begin(), cells.end(), col,
                               [](const Slot& s, int c) { return int(s.col) < c; });
    if (it == cells.end() || int(it->col) != col) {
        Slot slot{};
        slot.col = uint16_t(col);
        slot.type = CellValue::Type::Empty;
        slot.style = 0;
        slot.number = 0;
        it = cells.insert(it, slot);
    }
    return &*it;
}

const Worksheet::Slot* Worksheet::FindSlot(int row, int col) const {
    if (!InSheet(row, col) || size_t(row) > m_rows.size())
        return nullptr;
    const std::vector<Slot>& cells = m_rows[size_t(row - 1)];
    const auto it = std::lower_bound(cells.begin(), cells.end(), col,
                                     [](const Slot& s, int c) { return int(s.col) < c; });
    return it == cells.end() || int(it->col) != col ? nullptr : &*it;
}

Cell Worksheet::CellOf(const Slot& slot) const {
    Cell c;
    c.style = m_styles[slot.style];
    c.value.type = slot.type;
    if (slot.type == CellValue::Type::Text)
        c.value.text = QString::fromUtf8(m_texts.data() + slot.text.offset, qsizetype(slot.text.length));
    else if (slot.type != CellValue::Type::Empty)
        c.value.number = slot.number;
    return c;
}

std::optional<Cell> Worksheet::Find(int row, int col) const {
    const Slot* slot = FindSlot(row, col);
    return slot ? std::optional(CellOf(*slot)) : std::nullopt;
}

size_t Worksheet::CellCount() const {
    size_t n = 0;
    for (const auto& row : m_rows)
        n += row.size();
    return n;
}

uint32_t Worksheet::StyleIndex(const CellStyle& style) {
    for (size_t i = 0; i < m_styles.size(); ++i)
        if (m_styles[i] == style)
            return uint32_t(i);
    m_styles.push_back(style);
    return uint32_t(m_styles.size() - 1);
}

template <typename F> void Worksheet::Restyle(const CellRange& r, F&& change) {
    if (!r.IsValid())
        return;
    std::vector<int64_t> to; // old style index -> new, -1 not yet known
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        for (int col = r.firstCol; col <= r.lastCol; ++col) {
            Slot* slot = SlotAt(row, col);
            if (slot->style >= to.size())
                to.resize(slot->style + 1, -1);
            if (to[slot->style] < 0) {
                CellStyle style = m_styles[slot->style];
                change(style);
                to[slot->style] = StyleIndex(style);
            }
            slot->style = uint32_t(to[slot->style]);
        }
}

void Worksheet::SetText(int row, int col, const QString& cellText) {
    Slot* slot = SlotAt(row, col);
    if (!slot)
        return;
    // What XML cannot hold would leave a workbook no reader opens. A line
    // break is LF, the one every reader shows as a break (a CR is read
    // back as "_x000D_").
    QString text = XmlSafeText(cellText);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    // Texts longer than the spreadsheet holds are cut, never between the
    // halves of a surrogate pair.
    if (text.size() > kMaxTextLength) {
        text.truncate(kMaxTextLength);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    const QByteArray utf8 = text.toUtf8();
    slot->type = CellValue::Type::Text;
    slot->text.offset = uint32_t(m_texts.size());
    slot->text.length = uint32_t(utf8.size());
    m_texts.append(utf8.constData(), size_t(utf8.size()));
}

void Worksheet::SetNumber(int row, int col, double value) {
    if (Slot* slot = SlotAt(row, col)) {
        slot->type = CellValue::Type::Number;
        slot->number = value;
    }
}

void Worksheet::SetDateTime(int row, int col, double serial) {
    if (Slot* slot = SlotAt(row, col)) {
        slot->type = CellValue::Type::DateTime;
        slot->number = serial;
    }
}

void Worksheet::Clear(int row, int col) {
    if (Slot* slot = SlotAt(row, col)) {
        slot->type = CellValue::Type::Empty;
        slot->number = 0;
    }
}

void Worksheet::SetNumberFormat(const CellRange& r, const QString& format) {
    Restyle(r, [&](CellStyle& s) { s.numberFormat = format; });
}

void Worksheet::SetAlignment(const CellRange& r, HAlign align) {
    Restyle(r, [&](CellStyle& s) { s.align = align; });
}

void Worksheet::SetEdges(const CellRange& r, uint8_t edges, bool on) {
    Restyle(r, [&](CellStyle& s) { s.edges = on ? uint8_t(s.edges | edges) : uint8_t(s.edges & ~edges); });
}

void Worksheet::SetColumnWidth(int col, double width) {
    if (col >= 1 && col <= kMaxCols && width >= 0 && width <= 255)
        m_widths[col] = width;
}

std::optional<double> Worksheet::ColumnWidth(int col) const {
    const auto it = m_widths.find(col);
    if (it == m_widths.end())
        return std::nullopt;
    return it->second;
}

bool Worksheet::Merge(const CellRange& r) {
    if (!r.IsValid() || (r.firstRow == r.lastRow && r.firstCol == r.lastCol))
        return false;
    for (const CellRange& m : m_merges)
        if (m.Overlaps(r))
            return false;
    m_merges.push_back(r);
    return true;
}

// ---- Workbook -----------------------------------------------------------------

Worksheet& Workbook::AddSheet(const QString& name) {
    QString clean = CleanSheetName(name);
    if (clean.isEmpty())
        clean = QStringLiteral("Sheet%1").arg(SheetCount() + 1);
    const QString unique = UniqueSheetName(clean);
    m_sheets.push_back(std::make_unique<Worksheet>(unique));
    return *m_sheets.back();
}

int Workbook::IndexOf(const QString& name) const {
    for (int i = 0; i < SheetCount(); ++i)
        if (m_sheets[size_t(i)]->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void Workbook::RenameSheet(int index, const QString& name) {
    if (index < 0 || index >= SheetCount())
        return;
    const QString clean = CleanSheetName(name);
    if (clean.isEmpty())
        return;
    m_sheets[size_t(index)]->m_name = UniqueSheetName(clean, index);
}

void Workbook::SetActiveSheet(int index) {
    if (index >= 0 && index < SheetCount())
        m_active = index;
}

namespace {

// Cut to at most n UTF-16 units without splitting a surrogate pair.
QString CutTo(const QString& s, int n) {
    if (s.size() <= n)
        return s;
    QString out = s.left(n);
    if (out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

} // namespace

QString Workbook::CleanSheetName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar ch : name) {
        const bool forbidden = ch.unicode() < 0x20 || QStringView(u"[]:*?/\\").contains(ch);
        out += forbidden ? QChar(u'_') : ch;
    }
    out = CutTo(XmlSafeText(out), kMaxSheetName);
    if (out.startsWith(u'\''))
        out[0] = u'_';
    if (out.endsWith(u'\''))
        out[out.size() - 1] = u'_';
    // The spreadsheet keeps this name for itself.
    if (out.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        out += u'_';
    return out;
}

QString Workbook::UniqueSheetName(const QString& name, int except) const {
    const auto taken = [&](const QString& candidate) {
        for (int i = 0; i < SheetCount(); ++i)
            if (i != except && m_sheets[size_t(i)]->m_name.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    if (!taken(name))
        return name;
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        const QString candidate = CutTo(name, kMaxSheetName - int(suffix.size())) + suffix;
        if (!taken(candidate))
            return candidate;
    }
}

std::optional<double> Workbook::DateSerial(const QDate& date) {
    if (!date.isValid() || date.year() < 1900 || date.year() > 9999)
        return std::nullopt;
    // Serial 60 is the spreadsheet's 29 February 1900, a day that never was.
    if (date < QDate(1900, 3, 1))
        return double(QDate(1899, 12, 31).daysTo(date));
    return double(QDate(1899, 12, 30).daysTo(date));
}

double Workbook::TimeSerial(const QTime& time) {
    return time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
}

namespace {

namespace wbs = wbstream;

// Constant-memory mode holds one row of a sheet at a time, and its data in
// a temporary file, so that the library's memory does not grow with the
// workbook; a merge over several rows needs the normal mode.
bool ConstantMemoryFits(const std::vector<std::unique_ptr<Worksheet>>& sheets) {
    for (const auto& sheet : sheets)
        for (const CellRange& m : sheet->Merges())
            if (m.lastRow != m.firstRow)
                return false;
    return true;
}

template <typename T> void Put(std::string& out, T v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void PutText(std::string& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    Put(out, uint32_t(utf8.size()));
    out.append(utf8.constData(), size_t(utf8.size()));
}

// False when the writer no longer reads (it ended).
bool SendAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::send(fd, p, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= size_t(n);
    }
    return true;
}

int PidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

// The writer process and what it said. Its end is known by its output
// closing, never by a wait on its status alone: a program started with
// SIGCHLD ignored has its children reaped by the system.
class WriterRun {
public:
    using Clock = std::chrono::steady_clock;

    WriterRun(const std::vector<std::unique_ptr<Worksheet>>& sheets, int active)
        : m_sheets(sheets), m_active(active) {}
    ~WriterRun() { Finish(); }

    bool Start(const QString& program, const QByteArray& output, const QByteArray& tmpdir,
               WorkbookFailure& f) {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
            return StartFailed(program, errno, f);
        int status[2];
        if (::pipe2(status, O_CLOEXEC) != 0) {
            const int e = errno;
            ::close(sv[0]);
            ::close(sv[1]);
            return StartFailed(program, e, f);
        }
        m_stream = sv[0];
        m_status = status[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, sv[1], 0);
        posix_spawn_file_actions_adddup2(&actions, status[1], 1);
        // The library prints its own view of a failure; the message says it.
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t none, reset;
        sigemptyset(&none);
        sigemptyset(&reset);
        for (const int sig : {SIGPIPE, SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGQUIT})
            sigaddset(&reset, sig);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &reset);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const QByteArray exe = QFile::encodeName(program);
        char* argv[] = {const_cast<char*>(exe.constData()), const_cast<char*>(output.constData()),
                        const_cast<char*>(tmpdir.constData()), nullptr};
        const int spawned = ::posix_spawn(&m_pid, exe.constData(), &actions, &attr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        ::close(sv[1]);
        ::close(status[1]);
        if (spawned != 0) {
            m_pid = 0;
            return StartFailed(program, spawned, f);
        }
        m_pidfd = PidfdOpen(m_pid);
        ::fcntl(m_status, F_SETFL, ::fcntl(m_status, F_GETFL) | O_NONBLOCK);
        m_sender = std::thread([this] { Send(); });
        return true;
    }

    // Reads what the writer said; false once its output has closed.
    bool Poll(int timeoutMs) {
        pollfd p{m_status, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready <= 0)
            return true;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_status, buf, sizeof buf);
            if (n > 0) {
                m_said.append(buf, size_t(n));
                m_lastSign = Clock::now();
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return true;
            m_ended = true; // closed: the writer is done or gone
            return false;
        }
    }

    // Steps done: sheets written, the closing, sheet parts checked.
    int Done() const {
        int written = 0, checked = 0, closing = 0;
        for (const std::string& line : Lines()) {
            if (line.rfind("W ", 0) == 0)
                written = std::atoi(line.c_str() + 2);
            else if (line.rfind("V ", 0) == 0)
                checked = std::atoi(line.c_str() + 2);
            else if (line == "C")
                closing = 1;
        }
        return written + closing + checked;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t nl; (nl = m_said.find('\n', start)) != std::string::npos; start = nl + 1)
            lines.push_back(m_said.substr(start, nl - start));
        return lines;
    }
    // Any sign of life: a line, a sheet sent, the file growing.
    Clock::time_point LastSign(const QByteArray& output) {
        const int sent = m_sent.load();
        if (sent != m_seenSent) {
            m_seenSent = sent;
            m_lastSign = Clock::now();
        }
        struct stat st {};
        if (::stat(output.constData(), &st) == 0 && st.st_size != m_seenSize) {
            m_seenSize = st.st_size;
            m_lastSign = Clock::now();
        }
        return m_lastSign;
    }
    bool Ended() const { return m_ended; }
    // This program could not make a sheet's stream.
    bool OutOfMemory() const { return m_outOfMemory; }

    // Stops the writer (a cancel, a writer without progress).
    void Kill() {
        if (!m_ended)
            KillUnreaped();
    }
    // SIGKILL while the process is not reaped yet, so its number is still its own.
    void KillUnreaped() {
        if (m_pid <= 0)
            return;
#ifdef SYS_pidfd_send_signal
        if (m_pidfd >= 0) {
            ::syscall(SYS_pidfd_send_signal, m_pidfd, SIGKILL, nullptr, 0);
            return;
        }
#endif
        // Its output still open: the process is there, its number still its own.
        ::kill(m_pid, SIGKILL);
    }

    // Lets go of the stream (the writer then ends), waits a bounded time for
    // its end and takes its status when the system kept it: the signal that
    // ended it, else 0.
    int Finish() {
        if (m_stream >= 0) {
            ::shutdown(m_stream, SHUT_RDWR);
            if (m_sender.joinable())
                m_sender.join();
            ::close(m_stream);
            m_stream = -1;
        }
        if (m_pid > 0) {
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            for (;;) {
                siginfo_t info{};
                const int r = ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG);
                if (r < 0 && errno == EINTR)
                    continue;
                if (r < 0) // reaped by the system (SIGCHLD ignored)
                    break;
                if (info.si_pid == m_pid) {
                    if (info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED)
                        m_signal = info.si_status;
                    break;
                }
                if (Clock::now() > deadline) {
                    KillUnreaped();
                    m_ended = true;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    if (Clock::now() > deadline + std::chrono::seconds(5))
                        break;
                    continue;
                }
                if (m_pidfd >= 0) {
                    pollfd p{m_pidfd, POLLIN, 0};
                    ::poll(&p, 1, 50);
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            }
            m_pid = 0;
        }
        if (m_pidfd >= 0)
            ::close(m_pidfd);
        m_pidfd = -1;
        if (m_status >= 0)
            ::close(m_status);
        m_status = -1;
        return m_signal;
    }

private:
    bool StartFailed(const QString& program, int err, WorkbookFailure& f) {
        if (m_stream >= 0)
            ::close(m_stream);
        if (m_status >= 0)
            ::close(m_status);
        m_stream = m_status = -1;
        f = {WorkbookFailure::Cause::WriterMissing, err, program};
        return false;
    }

    // The workbook to the writer, sheet by sheet (on a thread of its own,
    // while the caller's thread keeps its window painting).
    void Send() {
        std::string head(wbs::kMagic, sizeof wbs::kMagic);
        Put(head, int64_t(ArmedAllocationFailure(AllocSite::Workbook)));
        Put(head, uint8_t(ConstantMemoryFits(m_sheets) ? 1 : 0));
        Put(head, int32_t(m_active));
        Put(head, uint32_t(m_sheets.size()));
        if (!SendAll(m_stream, head))
            return;
        std::string block;
        for (const auto& sheet : m_sheets) {
            block.clear();
            try {
                sheet->AppendStream(block);
            } catch (const std::bad_alloc&) {
                // The writer sees the stream end before the workbook and ends.
                m_outOfMemory = true;
                ::shutdown(m_stream, SHUT_WR);
                return;
            }
            if (!SendAll(m_stream, block))
                return;
            ++m_sent;
        }
        SendAll(m_stream, std::string(1, wbs::kEndTag));
    }

    const std::vector<std::unique_ptr<Worksheet>>& m_sheets;
    const int m_active;
    pid_t m_pid = 0;
    int m_pidfd = -1;
    int m_stream = -1;
    int m_status = -1;
    std::thread m_sender;
    std::atomic<int> m_sent{0};
    std::atomic<bool> m_outOfMemory{false};
    int m_seenSent = 0;
    off_t m_seenSize = -1;
    std::string m_said;
    bool m_ended = false;
    int m_signal = 0;
    Clock::time_point m_lastSign = Clock::now();
};

// Without a sign of life for this long the writer is taken for stuck.
constexpr auto kStallLimit = std::chrono::seconds(120);

bool Fail(WorkbookFailure* out, WorkbookFailure::Cause cause, int error = 0, const QString& detail = {}) {
    if (out)
        *out = {cause, error, detail};
    return false;
}

} // namespace

void Worksheet::AppendStream(std::string& out) const {
    // Only the styles in use, numbered from 1.
    std::vector<uint32_t> number(m_styles.size(), 0);
    for (const auto& row : m_rows)
        for (const Slot& slot : row)
            if (slot.style != 0)
                number[slot.style] = 1;
    std::vector<uint32_t> used;
    for (uint32_t i = 1; i < number.size(); ++i)
        if (number[i] && !m_styles[i].IsDefault()) {
            used.push_back(i);
            number[i] = uint32_t(used.size());
        } else {
            number[i] = 0;
        }
    Put(out, wbs::kSheetTag);
    PutText(out, m_name);
    Put(out, uint32_t(used.size()));
    for (const uint32_t i : used) {
        PutText(out, m_styles[i].numberFormat);
        Put(out, uint8_t(m_styles[i].align));
        Put(out, uint8_t(m_styles[i].edges));
    }
    Put(out, uint32_t(m_widths.size()));
    for (const auto& [col, width] : m_widths) {
        Put(out, int32_t(col));
        Put(out, double(width));
    }
    Put(out, int32_t(m_frozenRows));
    Put(out, uint32_t(m_merges.size()));
    for (const CellRange& m : m_merges)
        for (const int v : {m.firstRow, m.firstCol, m.lastRow, m.lastCol})
            Put(out, int32_t(v));
    Put(out, uint32_t(CellCount()));
    for (size_t r = 0; r < m_rows.size(); ++r)
        for (const Slot& slot : m_rows[r]) {
            Put(out, int32_t(r + 1));
            Put(out, int32_t(slot.col));
            Put(out, number[slot.style]);
            switch (slot.type) {
            case CellValue::Type::Number:
            case CellValue::Type::DateTime:
                Put(out, uint8_t(wbs::CellType::Number));
                Put(out, slot.number);
                break;
            case CellValue::Type::Text:
                Put(out, uint8_t(wbs::CellType::Text));
                Put(out, slot.text.length);
                out.append(m_texts.data() + slot.text.offset, slot.text.length);
                break;
            case CellValue::Type::Empty:
                Put(out, uint8_t(wbs::CellType::Empty));
                break;
            }
        }
}

QString Workbook::WriterProgram() {
    const QString beside = QDir(executableDir()).filePath(QStringLiteral("kev_dux_xlsx"));
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QByteArray named = qgetenv("KEV_DUX_XLSX_WRITER");
    return named.isEmpty() ? beside : QFile::decodeName(named);
}

QString WorkbookFailure::Text(bool en) const {
    using C = Cause;
    switch (cause) {
    case C::None:
    case C::Cancelled:
        return {};
    case C::InvalidSheetName:
        return en ? QStringLiteral("invalid sheet name \"%1\"").arg(detail)
                  : QStringLiteral("工作表名称“%1”无效").arg(detail);
    case C::NoFolder:
        return en ? QStringLiteral("the folder does not exist") : QStringLiteral("文件夹不存在");
    case C::ReadOnly:
        return en ? QStringLiteral("the file is read-only") : QStringLiteral("文件是只读的");
    case C::OutOfMemory:
        return en ? QStringLiteral("out of memory") : QStringLiteral("内存不足");
    case C::TempFolder:
        return en ? QStringLiteral("the temporary files in %1 could not be written: %2")
                        .arg(QDir::toNativeSeparators(detail), ErrnoText(error, true))
                  : QStringLiteral("临时文件夹【%1】中的临时文件无法写入：%2")
                        .arg(QDir::toNativeSeparators(detail), ErrnoText(error, false));
    case C::Write:
        return ErrnoText(error, en);
    case C::Damaged:
        return en ? QStringLiteral("the workbook written is not whole (%1 cannot be read); "
                                   "the disk may be full")
                        .arg(detail)
                  : QStringLiteral("写出的工作簿不完整（%1 无法读取），磁盘可能已满").arg(detail);
    case C::Library:
        return en ? QStringLiteral("the spreadsheet library failed: %1").arg(detail)
                  : QStringLiteral("表格库出错（代码 %1）：%2").arg(error).arg(detail);
    case C::WriterMissing:
        return en ? QStringLiteral("the workbook writer %1 cannot be started: %2")
                        .arg(QDir::toNativeSeparators(detail), ErrnoText(error, true))
                  : QStringLiteral("无法启动表格写入程序【%1】：%2")
                        .arg(QDir::toNativeSeparators(detail), ErrnoText(error, false));
    case C::WriterEnded:
        if (error == SIGKILL || error == SIGSEGV || error == SIGBUS || error == SIGABRT)
            return en ? QStringLiteral(
                            "the workbook writer ended abnormally (signal %1); memory may have run out")
                            .arg(error)
                      : QStringLiteral("表格写入程序异常终止（信号 %1），可能是内存不足").arg(error);
        return en ? QStringLiteral("the workbook writer ended before the workbook was written")
                  : QStringLiteral("表格写入程序在工作簿写完之前就结束了");
    case C::WriterStalled:
        return en ? QStringLiteral("the workbook writer made no progress for %1 seconds and was stopped")
                        .arg(error)
                  : QStringLiteral("表格写入程序 %1 秒没有进展，已停止").arg(error);
    }
    return {};
}

bool Workbook::Save(const QString& path, QString* error) const {
    WorkbookFailure failure;
    const bool saved = Save(path, &failure);
    if (error)
        *error = failure.Text(true);
    return saved;
}

bool Workbook::Save(const QString& path, WorkbookFailure* failure, const WorkbookProgress& progress) const {
    using C = WorkbookFailure::Cause;
    for (int i = 0; i < SheetCount(); ++i) {
        const QString& name = m_sheets[size_t(i)]->m_name;
        if (name.isEmpty() || CleanSheetName(name) != name || UniqueSheetName(name, i) != name)
            return Fail(failure, C::InvalidSheetName, 0, name);
    }
    const QFileInfo target(path);
    const QDir dir = target.absoluteDir();
    if (!dir.exists())
        return Fail(failure, C::NoFolder);
    // A file the user made read-only is kept, as the document writers keep theirs.
    if (target.exists() && !target.isWritable())
        return Fail(failure, C::ReadOnly);
    QString temp;
    do {
        temp = dir.filePath(QStringLiteral(".%1.%2.tmp")
                                .arg(target.fileName())
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    } while (QFileInfo::exists(temp));
    const QByteArray tempName = QFile::encodeName(temp);
    // The library's temporary files go to this run's folder, whose disk the
    // check after the writing answers for; else beside the target.
    const QString runFolder = tempDir();
    const QString tmpdir = QFileInfo(runFolder).isDir() ? runFolder : dir.absolutePath();

    WorkbookFailure why;
    bool written = false;
    {
        WriterRun run(m_sheets, m_active);
        if (!run.Start(WriterProgram(), tempName, QFile::encodeName(tmpdir), why))
            return Fail(failure, why.cause, why.error, why.detail);
        const int total = 2 * SheetCount() + 1;
        bool cancelled = false;
        bool stalled = false;
        // Asked once before any wait, so a window shows its progress at once.
        for (bool first = true; first || run.Poll(40); first = false) {
            if (progress && !progress(std::min(run.Done(), total), total)) {
                cancelled = true;
                break;
            }
            if (std::chrono::steady_clock::now() - run.LastSign(tempName) > kStallLimit) {
                stalled = true;
                break;
            }
        }
        if (cancelled || stalled) {
            run.Kill();
            run.Finish();
            QFile::remove(temp);
            if (cancelled)
                return Fail(failure, C::Cancelled);
            return Fail(failure, C::WriterStalled, int(kStallLimit.count()));
        }
        const std::vector<std::string> lines = run.Lines();
        const std::string last = lines.empty() ? std::string() : lines.back();
        if (last == "OK") {
            if (target.exists())
                QFile::setPermissions(temp, QFile::permissions(path));
            if (std::rename(tempName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) ==
                0)
                written = true;
            else
                why = {C::Write, errno, {}};
            run.Finish();
        } else {
            const int signal = run.Finish();
            // "ERR <cause> <errno> <detail>"
            if (last.rfind("ERR ", 0) == 0) {
                const QString line = QString::fromUtf8(last.c_str() + 4);
                const QString cause = line.section(u' ', 0, 0);
                const int code = line.section(u' ', 1, 1).toInt();
                const QString detail = line.section(u' ', 2);
                if (cause == QLatin1String(wbs::kOutOfMemory))
                    why = {C::OutOfMemory, ENOMEM, {}};
                else if (cause == QLatin1String(wbs::kTempFile))
                    why = {C::TempFolder, code, detail};
                else if (cause == QLatin1String(wbs::kOutput))
                    why = {C::Write, code, {}};
                else if (cause == QLatin1String(wbs::kDamaged))
                    why = {C::Damaged, 0, detail};
                else if (cause == QLatin1String(wbs::kLibrary))
                    why = {C::Library, code, detail};
                else
                    why = {C::WriterEnded, 0, detail};
            } else if (run.OutOfMemory()) {
                why = {C::OutOfMemory, ENOMEM, {}};
            } else {
                why = {C::WriterEnded, signal, {}};
            }
        }
    }
    if (!written) {
        QFile::remove(temp);
        return Fail(failure, why.cause, why.error, why.detail);
    }
    return true;
}

} // namespace pit
