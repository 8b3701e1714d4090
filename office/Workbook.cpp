#include "office/Workbook.h"

#include "platform/AllocationProbe.h"
#include "platform/SafeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace pit {

bool CellRange::IsValid() const {
    return firstRow >= 1 && firstCol >= 1 && lastRow >= firstRow && lastCol >= firstCol &&
           lastRow <= Worksheet::kMaxRows && lastCol <= Worksheet::kMaxCols;
}

bool CellStyle::operator<(const CellStyle& o) const {
    return std::tie(numberFormat, align, edges) < std::tie(o.numberFormat, o.align, o.edges);
}

// ---- Worksheet ----------------------------------------------------------------

Cell* Worksheet::At(int row, int col) {
    if (!InSheet(row, col))
        return nullptr;
    return &m_cells[Key(row, col)];
}

const Cell* Worksheet::Find(int row, int col) const {
    if (!InSheet(row, col))
        return nullptr;
    const auto it = m_cells.find(Key(row, col));
    return it == m_cells.end() ? nullptr : &it->second;
}

void Worksheet::SetText(int row, int col, const QString& cellText) {
    if (Cell* c = At(row, col)) {
        // What XML cannot hold would leave a workbook no reader opens.
        const QString text = XmlSafeText(cellText);
        c->value = {CellValue::Type::Text, text.left(kMaxTextLength), 0};
        // Do not leave half a surrogate pair at the cut.
        if (text.size() > kMaxTextLength && c->value.text.back().isHighSurrogate())
            c->value.text.chop(1);
    }
}

void Worksheet::SetNumber(int row, int col, double value) {
    if (Cell* c = At(row, col))
        c->value = {CellValue::Type::Number, {}, value};
}

void Worksheet::SetDateTime(int row, int col, double serial) {
    if (Cell* c = At(row, col))
        c->value = {CellValue::Type::DateTime, {}, serial};
}

void Worksheet::Clear(int row, int col) {
    if (Cell* c = At(row, col))
        c->value = {};
}

void Worksheet::SetNumberFormat(const CellRange& r, const QString& format) {
    if (!r.IsValid())
        return;
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        for (int col = r.firstCol; col <= r.lastCol; ++col)
            At(row, col)->style.numberFormat = format;
}

void Worksheet::SetAlignment(const CellRange& r, HAlign align) {
    if (!r.IsValid())
        return;
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        for (int col = r.firstCol; col <= r.lastCol; ++col)
            At(row, col)->style.align = align;
}

void Worksheet::SetEdges(const CellRange& r, uint8_t edges, bool on) {
    if (!r.IsValid())
        return;
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        for (int col = r.firstCol; col <= r.lastCol; ++col) {
            uint8_t& e = At(row, col)->style.edges;
            e = on ? uint8_t(e | edges) : uint8_t(e & ~edges);
        }
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

lxw_format* MakeFormat(lxw_workbook* wb, const CellStyle& s) {
    lxw_format* f = workbook_add_format(wb);
    if (!f)
        return nullptr;
    if (!s.numberFormat.isEmpty())
        format_set_num_format(f, s.numberFormat.toUtf8().constData());
    switch (s.align) {
    case HAlign::Left:
        format_set_align(f, LXW_ALIGN_LEFT);
        break;
    case HAlign::Center:
        format_set_align(f, LXW_ALIGN_CENTER);
        break;
    case HAlign::Right:
        format_set_align(f, LXW_ALIGN_RIGHT);
        break;
    case HAlign::General:
        break;
    }
    if (s.edges & EdgeLeft)
        format_set_left(f, LXW_BORDER_THIN);
    if (s.edges & EdgeTop)
        format_set_top(f, LXW_BORDER_THIN);
    if (s.edges & EdgeBottom)
        format_set_bottom(f, LXW_BORDER_THIN);
    if (s.edges & EdgeRight)
        format_set_right(f, LXW_BORDER_THIN);
    return f;
}

// Exit statuses of the writing process.
constexpr int kWritten = 0;
constexpr int kFailed = 1; // its message in the pipe
constexpr int kOutOfMemory = 2;

// A failed allocation that the library would only pass on as a missing cell.
struct LibraryOutOfMemory {};

// One call of libxlsxwriter per cell and setting; the first error is kept.
struct Emitter {
    lxw_workbook* wb;
    std::map<CellStyle, lxw_format*> formats;
    lxw_error first = LXW_NO_ERROR;
    QString what;

    void Check(lxw_error e, const QString& where) {
        if (e == LXW_ERROR_MEMORY_MALLOC_FAILED)
            throw LibraryOutOfMemory();
        if (e != LXW_NO_ERROR && first == LXW_NO_ERROR) {
            first = e;
            what = where;
        }
    }
    lxw_format* Format(const CellStyle& s) {
        if (s.IsDefault())
            return nullptr;
        auto it = formats.find(s);
        if (it == formats.end()) {
            lxw_format* f = MakeFormat(wb, s);
            if (!f)
                throw LibraryOutOfMemory();
            it = formats.emplace(s, f).first;
        }
        return it->second;
    }
    // In constant-memory mode the library keeps the row being written in an
    // array by column, where a cell it could not allocate is a null (the
    // normal mode writes through that null and the process ends).
    void Written(lxw_error e, lxw_worksheet* ws, lxw_col_t k, bool text, const QString& where) {
        Check(e, where);
        if (e != LXW_NO_ERROR || !ws->optimize)
            return;
        const lxw_cell* c = ws->array[k];
        if (!c || (text && !c->u.string))
            throw LibraryOutOfMemory();
    }
    // A test's armed probe: from here on memory is gone, for the library too.
    static void Probe() {
        try {
            ProbeAllocation(AllocSite::Workbook);
        } catch (const std::bad_alloc&) {
            RunOutOfMemory();
        }
    }
    void Merge(lxw_worksheet* ws, const Worksheet& sheet, const CellRange& m) {
        Probe();
        const Cell* first = sheet.Find(m.firstRow, m.firstCol);
        Check(worksheet_merge_range(ws, lxw_row_t(m.firstRow - 1), lxw_col_t(m.firstCol - 1),
                                    lxw_row_t(m.lastRow - 1), lxw_col_t(m.lastCol - 1), "",
                                    first ? Format(first->style) : nullptr),
              sheet.Name());
    }
    void Sheet(lxw_worksheet* ws, const Worksheet& sheet) {
        for (const auto& [col, width] : sheet.ColumnWidths())
            Check(worksheet_set_column(ws, lxw_col_t(col - 1), lxw_col_t(col - 1), width, nullptr),
                  sheet.Name());
        if (sheet.FrozenRows() > 0)
            worksheet_freeze_panes(ws, lxw_row_t(sheet.FrozenRows()), 0);
        // Rows are written in order (a row left behind cannot be written
        // again): a merge writes an empty first cell and blanks before the
        // other cells of its row, which then overwrite them.
        std::vector<CellRange> merges = sheet.Merges();
        std::sort(merges.begin(), merges.end(), [](const CellRange& a, const CellRange& b) {
            return std::tie(a.firstRow, a.firstCol) < std::tie(b.firstRow, b.firstCol);
        });
        size_t nextMerge = 0;
        const auto mergesUpTo = [&](int row) {
            for (; nextMerge < merges.size() && merges[nextMerge].firstRow <= row; ++nextMerge)
                Merge(ws, sheet, merges[nextMerge]);
        };
        sheet.ForEachCell([&](int row, int col, const Cell& c) {
            mergesUpTo(row);
            Probe();
            const auto r = lxw_row_t(row - 1);
            const auto k = lxw_col_t(col - 1);
            lxw_format* f = Format(c.style);
            if (c.value.type == CellValue::Type::Number || c.value.type == CellValue::Type::DateTime)
                Written(worksheet_write_number(ws, r, k, c.value.number, f), ws, k, false, sheet.Name());
            else if (c.value.type == CellValue::Type::Text && !c.value.text.isEmpty())
                Written(worksheet_write_string(ws, r, k, c.value.text.toUtf8().constData(), f), ws, k, true,
                        sheet.Name());
            else if (f) // an empty cell only for its style
                Written(worksheet_write_blank(ws, r, k, f), ws, k, false, sheet.Name());
        });
        mergesUpTo(Worksheet::kMaxRows);
    }
};

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

// The library's pass, in the writing process: the status to end it with,
// and the message for kFailed.
int WriteWithLibrary(const std::vector<std::unique_ptr<Worksheet>>& sheets, int active, const char* file,
                     QString& message) {
    try {
        // A sheet's temporary file stays open until the workbook is closed.
        rlimit files{};
        if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max;
            setrlimit(RLIMIT_NOFILE, &files);
        }
        lxw_workbook_options options{};
        options.constant_memory = ConstantMemoryFits(sheets) ? LXW_TRUE : LXW_FALSE;
        errno = 0;
        lxw_workbook* wb = workbook_new_opt(file, &options);
        if (!wb)
            return kOutOfMemory;
        Emitter out{wb, {}, LXW_NO_ERROR, {}};
        for (size_t i = 0; i < sheets.size(); ++i) {
            const Worksheet& sheet = *sheets[i];
            errno = 0;
            lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.Name().toUtf8().constData());
            if (!ws) {
                // The names were checked: memory, or the sheet's temporary file.
                if (errno == 0 || errno == ENOMEM)
                    return kOutOfMemory;
                message =
                    QStringLiteral("%1 (%2)").arg(QString::fromUtf8(lxw_strerror(LXW_ERROR_CREATING_TMPFILE)),
                                                  QString::fromLocal8Bit(std::strerror(errno)));
                return kFailed;
            }
            out.Sheet(ws, sheet);
            if (int(i) == active)
                worksheet_activate(ws);
        }
        if (out.first != LXW_NO_ERROR) {
            message = QString::fromUtf8(lxw_strerror(out.first));
            if (!out.what.isEmpty())
                message += QStringLiteral(" (%1)").arg(out.what);
            return kFailed;
        }
        const lxw_error closed = workbook_close(wb);
        if (closed == LXW_ERROR_MEMORY_MALLOC_FAILED)
            return kOutOfMemory;
        if (closed != LXW_NO_ERROR) {
            message = QString::fromUtf8(lxw_strerror(closed));
            return kFailed;
        }
        return kWritten;
    } catch (const LibraryOutOfMemory&) {
        return kOutOfMemory;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

// The library passes on a failed allocation as a null it then writes through
// (ending the process) or as a cell it leaves out (a workbook that lacks
// data). It writes in a process of its own: memory that runs out there
// ends that process, never the program with the user's unsaved work, and
// nothing of it is taken for a whole workbook. Empty: written; else why not.
QString WriteInChildProcess(const std::vector<std::unique_ptr<Worksheet>>& sheets, int active,
                            const QByteArray& file) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const pid_t pid = fork();
    if (pid == 0) {
        // The copy of the program ends here, running none of its exit code.
        ::close(pipeFds[0]);
        int status = kFailed;
        try {
            QString message;
            status = WriteWithLibrary(sheets, active, file.constData(), message);
            const QByteArray bytes = message.toUtf8();
            if (!bytes.isEmpty() && ::write(pipeFds[1], bytes.constData(), size_t(bytes.size())) < 0)
                status = kFailed;
        } catch (const std::bad_alloc&) {
            status = kOutOfMemory;
        } catch (...) {
        }
        ::_exit(status);
    }
    const int forkError = errno;
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return forkError == ENOMEM ? QStringLiteral("out of memory")
                                   : QString::fromLocal8Bit(std::strerror(forkError));
    }
    int status = 0;
    pid_t waited = 0;
    do
        waited = waitpid(pid, &status, 0);
    while (waited < 0 && errno == EINTR);
    const int waitError = errno;
    QByteArray said;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        said.append(buf, qsizetype(n));
    ::close(pipeFds[0]);
    // How it ended is not known (its end was not kept for us): not written.
    if (waited < 0)
        return QString::fromLocal8Bit(std::strerror(waitError));
    if (WIFSIGNALED(status))
        return QStringLiteral("the spreadsheet library ended abnormally (signal %1); memory may have run out")
            .arg(WTERMSIG(status));
    if (WEXITSTATUS(status) == kOutOfMemory)
        return QStringLiteral("out of memory");
    if (WEXITSTATUS(status) != kWritten)
        return said.isEmpty() ? QStringLiteral("the spreadsheet library failed") : QString::fromUtf8(said);
    return {};
}

bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

} // namespace

bool Workbook::Save(const QString& path, QString* error) const {
    for (int i = 0; i < SheetCount(); ++i) {
        const QString& name = m_sheets[size_t(i)]->m_name;
        if (name.isEmpty() || CleanSheetName(name) != name || UniqueSheetName(name, i) != name)
            return Fail(error, QStringLiteral("invalid sheet name \"%1\"").arg(name));
    }
    const QFileInfo target(path);
    const QDir dir = target.absoluteDir();
    if (!dir.exists())
        return Fail(error, QStringLiteral("the folder does not exist"));
    // A file the user made read-only is kept, as the document writers keep theirs.
    if (target.exists() && !target.isWritable())
        return Fail(error, QStringLiteral("the file is read-only"));
    QString temp;
    do {
        temp = dir.filePath(QStringLiteral(".%1.%2.tmp")
                                .arg(target.fileName())
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    } while (QFileInfo::exists(temp));

    const QByteArray tempName = QFile::encodeName(temp);
    const QString failed = WriteInChildProcess(m_sheets, m_active, tempName);
    if (!failed.isEmpty()) {
        QFile::remove(temp);
        return Fail(error, failed);
    }
    if (target.exists())
        QFile::setPermissions(temp, QFile::permissions(path));
    if (std::rename(tempName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        const int e = errno;
        QFile::remove(temp);
        return Fail(error, QString::fromLocal8Bit(std::strerror(e)));
    }
    return true;
}

} // namespace pit
