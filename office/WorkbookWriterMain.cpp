// kev_dux_xlsx: the program's workbook writer, a process of its own started
// fresh for each workbook. It reads the workbook as a stream of sheets on its
// standard input, writes it through libxlsxwriter to the file named first,
// with the library's temporary files in the folder named second, checks
// that the package is whole and answers on its standard output (the
// protocol is in WorkbookStream.h). When the program goes away (its end of
// standard input closes) it removes what it wrote and ends.
#include "office/WorkbookStream.h"
#include "platform/AllocationProbe.h"

#include <pugixml.hpp>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <new>
#include <poll.h>
#include <set>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace wb = pit::wbstream;

namespace {

const char* g_output = nullptr;

void Say(const std::string& line) {
    std::string text = line + '\n';
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(1, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the program is gone; its end of the stream tells us too
        p += n;
        left -= size_t(n);
    }
}

[[noreturn]] void Fail(const char* cause, int err, const std::string& detail = {}) {
    ::unlink(g_output);
    std::string line = std::string("ERR ") + cause + ' ' + std::to_string(err);
    if (!detail.empty()) {
        std::string oneLine = detail;
        std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
        line += ' ' + oneLine;
    }
    Say(line);
    ::_exit(wb::kExitFailed);
}

// The program went away: nothing of this workbook stays.
[[noreturn]] void ParentGone() {
    ::unlink(g_output);
    ::_exit(wb::kExitParentGone);
}

// A disk that refused a write without saying why (the library does not
// keep errno): a full disk is the likely cause.
int ErrnoOr(int err, const char* folder) {
    if (err != 0)
        return err;
    struct statvfs fs {};
    if (::statvfs(folder, &fs) == 0 && uint64_t(fs.f_bavail) * fs.f_frsize < 64 * 1024)
        return ENOSPC;
    return EIO;
}

class Input {
public:
    void Read(void* out, size_t n) {
        auto* dst = static_cast<char*>(out);
        while (n > 0) {
            if (m_pos == m_len)
                Fill();
            const size_t k = std::min(n, m_len - m_pos);
            std::memcpy(dst, m_buf + m_pos, k);
            m_pos += k;
            dst += k;
            n -= k;
        }
    }
    template <typename T> T Get() {
        T v;
        Read(&v, sizeof v);
        return v;
    }
    std::string Text() {
        const auto n = Get<uint32_t>();
        if (n > 64u * 1024 * 1024)
            Fail(wb::kInput, 0, "text too long");
        std::string s(n, '\0');
        Read(s.data(), n);
        return s;
    }

private:
    void Fill() {
        for (;;) {
            const ssize_t n = ::read(0, m_buf, sizeof m_buf);
            if (n > 0) {
                m_pos = 0;
                m_len = size_t(n);
                return;
            }
            if (n < 0 && errno == EINTR)
                continue;
            ParentGone(); // the stream ended before the workbook did
        }
    }
    char m_buf[1 << 16];
    size_t m_pos = 0, m_len = 0;
};

struct Style {
    std::string numberFormat;
    uint8_t align = 0, edges = 0;
};

struct CellIn {
    int32_t row, col;
    uint32_t style;
    wb::CellType type;
    double number;
    std::string text;
};

struct Merge {
    int32_t r1, c1, r2, c2;
};

struct SheetIn {
    std::string name;
    std::vector<Style> styles;
    std::vector<std::pair<int32_t, double>> widths;
    int32_t frozen = 0;
    std::vector<Merge> merges;
    std::vector<CellIn> cells;
};

SheetIn ReadSheet(Input& in) {
    SheetIn s;
    s.name = in.Text();
    s.styles.resize(in.Get<uint32_t>());
    for (Style& st : s.styles) {
        st.numberFormat = in.Text();
        st.align = in.Get<uint8_t>();
        st.edges = in.Get<uint8_t>();
    }
    s.widths.resize(in.Get<uint32_t>());
    for (auto& [col, w] : s.widths) {
        col = in.Get<int32_t>();
        w = in.Get<double>();
    }
    s.frozen = in.Get<int32_t>();
    s.merges.resize(in.Get<uint32_t>());
    for (Merge& m : s.merges)
        in.Read(&m, sizeof m);
    s.cells.resize(in.Get<uint32_t>());
    for (CellIn& c : s.cells) {
        c.row = in.Get<int32_t>();
        c.col = in.Get<int32_t>();
        c.style = in.Get<uint32_t>();
        c.type = wb::CellType(in.Get<uint8_t>());
        c.number = 0;
        if (c.type == wb::CellType::Text)
            c.text = in.Text();
        else if (c.type == wb::CellType::Number)
            c.number = in.Get<double>();
        if (c.style > s.styles.size())
            Fail(wb::kInput, 0, "style out of range");
    }
    return s;
}

// A failed allocation that the library would only pass on as a missing cell.
struct LibraryOutOfMemory {};

// Cells and rows a sheet part must hold, as the library writes them.
struct Expected {
    size_t rows = 0, cells = 0;
};

class Emitter {
public:
    explicit Emitter(lxw_workbook* wb) : m_wb(wb) {}

    Expected Sheet(lxw_worksheet* ws, const SheetIn& sheet) {
        m_keys.clear();
        std::vector<lxw_format*> formats;
        formats.reserve(sheet.styles.size());
        for (const Style& st : sheet.styles)
            formats.push_back(Format(st));
        const auto fmt = [&](uint32_t style) { return style == 0 ? nullptr : formats[style - 1]; };

        for (const auto& [col, width] : sheet.widths)
            Check(worksheet_set_column(ws, lxw_col_t(col - 1), lxw_col_t(col - 1), width, nullptr),
                  sheet.name);
        if (sheet.frozen > 0)
            worksheet_freeze_panes(ws, lxw_row_t(sheet.frozen), 0);
        // Rows are written in order (a row left behind cannot be written
        // again): a merge writes an empty first cell and blanks before the
        // other cells of its row, which then overwrite them.
        std::vector<Merge> merges = sheet.merges;
        std::sort(merges.begin(), merges.end(),
                  [](const Merge& a, const Merge& b) { return std::tie(a.r1, a.c1) < std::tie(b.r1, b.c1); });
        // The first cell's style, as the model hands it (cells come in order).
        const auto styleAt = [&](int row, int col) -> uint32_t {
            const auto it = std::lower_bound(
                sheet.cells.begin(), sheet.cells.end(), std::pair(row, col),
                [](const CellIn& c, const std::pair<int, int>& k) { return std::pair(c.row, c.col) < k; });
            return it != sheet.cells.end() && it->row == row && it->col == col ? it->style : 0;
        };
        size_t nextMerge = 0;
        const auto mergesUpTo = [&](int row) {
            for (; nextMerge < merges.size() && merges[nextMerge].r1 <= row; ++nextMerge) {
                const Merge& m = merges[nextMerge];
                Probe();
                lxw_format* f = fmt(styleAt(m.r1, m.c1));
                Check(worksheet_merge_range(ws, lxw_row_t(m.r1 - 1), lxw_col_t(m.c1 - 1), lxw_row_t(m.r2 - 1),
                                            lxw_col_t(m.c2 - 1), "", f),
                      sheet.name);
                if (f)
                    for (int r = m.r1; r <= m.r2; ++r)
                        for (int c = m.c1; c <= m.c2; ++c)
                            m_keys.insert(Key(r, c));
            }
        };
        for (const CellIn& c : sheet.cells) {
            mergesUpTo(c.row);
            Probe();
            const auto r = lxw_row_t(c.row - 1);
            const auto k = lxw_col_t(c.col - 1);
            lxw_format* f = fmt(c.style);
            if (c.type == wb::CellType::Number)
                Written(worksheet_write_number(ws, r, k, c.number, f), ws, k, false, sheet.name, c);
            else if (c.type == wb::CellType::Text && !c.text.empty())
                Written(worksheet_write_string(ws, r, k, c.text.c_str(), f), ws, k, true, sheet.name, c);
            else if (f) // an empty cell only for its style
                Written(worksheet_write_blank(ws, r, k, f), ws, k, false, sheet.name, c);
        }
        mergesUpTo(1 << 30);
        Expected e;
        e.cells = m_keys.size();
        int lastRow = -1;
        for (const uint64_t key : m_keys)
            if (int(key >> 20) != lastRow) {
                lastRow = int(key >> 20);
                ++e.rows;
            }
        return e;
    }

    lxw_error First() const { return m_first; }
    const std::string& Where() const { return m_where; }

private:
    static uint64_t Key(int row, int col) { return (uint64_t(row) << 20) | uint64_t(col); }

    void Check(lxw_error e, const std::string& where) {
        if (e == LXW_ERROR_MEMORY_MALLOC_FAILED)
            throw LibraryOutOfMemory();
        if (e != LXW_NO_ERROR && m_first == LXW_NO_ERROR) {
            m_first = e;
            m_where = where;
        }
    }
    // In constant-memory mode the library keeps the row being written in an
    // array by column, where a cell it could not allocate is a null (the
    // normal mode writes through that null and the process ends).
    void Written(lxw_error e, lxw_worksheet* ws, lxw_col_t k, bool text, const std::string& where,
                 const CellIn& c) {
        Check(e, where);
        if (e != LXW_NO_ERROR)
            return;
        m_keys.insert(Key(c.row, c.col));
        if (!ws->optimize)
            return;
        const lxw_cell* cell = ws->array[k];
        if (!cell || (text && !cell->u.string))
            throw LibraryOutOfMemory();
    }
    lxw_format* Format(const Style& s) {
        std::string key = s.numberFormat;
        key += '\x01';
        key += char(s.align);
        key += char(s.edges);
        auto it = m_formats.find(key);
        if (it != m_formats.end())
            return it->second;
        lxw_format* f = workbook_add_format(m_wb);
        if (!f)
            throw LibraryOutOfMemory();
        if (!s.numberFormat.empty())
            format_set_num_format(f, s.numberFormat.c_str());
        switch (s.align) {
        case 1:
            format_set_align(f, LXW_ALIGN_LEFT);
            break;
        case 2:
            format_set_align(f, LXW_ALIGN_CENTER);
            break;
        case 3:
            format_set_align(f, LXW_ALIGN_RIGHT);
            break;
        default:
            break;
        }
        if (s.edges & 1)
            format_set_left(f, LXW_BORDER_THIN);
        if (s.edges & 2)
            format_set_top(f, LXW_BORDER_THIN);
        if (s.edges & 4)
            format_set_bottom(f, LXW_BORDER_THIN);
        if (s.edges & 8)
            format_set_right(f, LXW_BORDER_THIN);
        m_formats.emplace(std::move(key), f);
        return f;
    }
    // A test's armed probe: from here on memory is gone, for the library too.
    static void Probe() {
        try {
            pit::ProbeAllocation(pit::AllocSite::Workbook);
        } catch (const std::bad_alloc&) {
            pit::RunOutOfMemory();
        }
    }

    lxw_workbook* m_wb;
    std::map<std::string, lxw_format*> m_formats;
    std::set<uint64_t> m_keys;
    lxw_error m_first = LXW_NO_ERROR;
    std::string m_where;
};

// ---- the package check --------------------------------------------------------

struct ZipCloser {
    zip_t* z;
    ~ZipCloser() {
        if (z)
            zip_discard(z);
    }
};

// One part read whole (its checksum checked by the reader) and parsed.
bool ReadPart(zip_t* z, zip_int64_t index, pugi::xml_document& doc) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return false;
    if (st.size > (zip_uint64_t(1) << 31))
        return false;
    zip_file_t* f = zip_fopen_index(z, zip_uint64_t(index), 0);
    if (!f)
        return false;
    std::string data(size_t(st.size), '\0');
    zip_int64_t got = 0;
    while (got < zip_int64_t(st.size)) {
        const zip_int64_t n = zip_fread(f, data.data() + got, st.size - zip_uint64_t(got));
        if (n <= 0)
            break;
        got += n;
    }
    char extra;
    const bool whole = got == zip_int64_t(st.size) && zip_fread(f, &extra, 1) == 0;
    zip_fclose(f);
    return whole && doc.load_buffer(data.data(), data.size(), pugi::parse_default);
}

// Every part the workbook must hold is there, whole and readable; every
// sheet holds the rows and cells that were written into it.
void CheckPackage(const char* file, const std::vector<Expected>& sheets, bool sharedStrings) {
    int zerr = 0;
    ZipCloser zip{zip_open(file, ZIP_RDONLY | ZIP_CHECKCONS, &zerr)};
    if (!zip.z)
        Fail(wb::kDamaged, 0, "the zip archive");
    std::vector<std::string> required = {"[Content_Types].xml", "_rels/.rels",
                                         "docProps/app.xml",    "docProps/core.xml",
                                         "xl/workbook.xml",     "xl/_rels/workbook.xml.rels",
                                         "xl/styles.xml",       "xl/theme/theme1.xml"};
    if (sharedStrings)
        required.push_back("xl/sharedStrings.xml");
    for (const std::string& part : required) {
        pugi::xml_document doc;
        const zip_int64_t index = zip_name_locate(zip.z, part.c_str(), 0);
        if (index < 0 || !ReadPart(zip.z, index, doc))
            Fail(wb::kDamaged, 0, part);
    }
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string part = "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
        pugi::xml_document doc;
        const zip_int64_t index = zip_name_locate(zip.z, part.c_str(), 0);
        if (index < 0 || !ReadPart(zip.z, index, doc))
            Fail(wb::kDamaged, 0, part);
        size_t rows = 0, cells = 0;
        for (const pugi::xml_node row : doc.child("worksheet").child("sheetData").children("row")) {
            ++rows;
            for ([[maybe_unused]] const pugi::xml_node c : row.children("c"))
                ++cells;
        }
        if (rows != sheets[i].rows || cells != sheets[i].cells)
            Fail(wb::kDamaged, 0, part);
        Say("V " + std::to_string(i + 1));
    }
}

// Once the whole workbook is read, the end of the stream means the program
// is gone: then the file is removed and the writer ends, wherever it is.
void WatchParent() {
    std::thread([] {
        pollfd p{0, POLLIN | POLLRDHUP, 0};
        while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
        }
        ParentGone();
    }).detach();
}

int Write(const char* tmpdir) {
    Input in;
    char magic[sizeof wb::kMagic];
    in.Read(magic, sizeof magic);
    if (std::memcmp(magic, wb::kMagic, sizeof magic) != 0)
        Fail(wb::kInput, 0, "not a workbook stream");
    const auto failFrom = in.Get<int64_t>();
    if (failFrom >= 0)
        pit::FailAllocationsFrom(pit::AllocSite::Workbook, long(failFrom));
    const bool constantMemory = in.Get<uint8_t>() != 0;
    const auto active = in.Get<int32_t>();
    const auto count = in.Get<uint32_t>();

    // A sheet's temporary file stays open until the workbook is closed.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = const_cast<char*>(tmpdir);
    errno = 0;
    lxw_workbook* book = workbook_new_opt(g_output, &options);
    if (!book)
        Fail(wb::kOutOfMemory, ENOMEM);
    Emitter out(book);
    std::vector<Expected> expected;
    std::vector<lxw_worksheet*> worksheets;
    bool anyText = false;
    for (uint32_t i = 0; i < count; ++i) {
        if (in.Get<char>() != wb::kSheetTag)
            Fail(wb::kInput, 0, "sheet expected");
        const SheetIn sheet = ReadSheet(in);
        errno = 0;
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.c_str());
        if (!ws) {
            // The names were checked: memory, or the sheet's temporary file.
            if (errno == 0 || errno == ENOMEM)
                Fail(wb::kOutOfMemory, ENOMEM);
            Fail(wb::kTempFile, errno, tmpdir);
        }
        worksheets.push_back(ws);
        expected.push_back(out.Sheet(ws, sheet));
        anyText = anyText || std::any_of(sheet.cells.begin(), sheet.cells.end(), [](const CellIn& c) {
                      return c.type == wb::CellType::Text && !c.text.empty();
                  });
        if (int32_t(i) == active)
            worksheet_activate(ws);
        Say("W " + std::to_string(i + 1));
    }
    if (in.Get<char>() != wb::kEndTag)
        Fail(wb::kInput, 0, "end expected");
    WatchParent();
    if (out.First() != LXW_NO_ERROR)
        Fail(wb::kLibrary, int(out.First()),
             std::string(lxw_strerror(out.First())) + " (" + out.Where() + ")");
    // The library does not check its writes to the sheets' temporary files:
    // what it could not write is found here, before the workbook is made.
    for (lxw_worksheet* ws : worksheets)
        if (ws->optimize && ws->optimize_tmpfile) {
            errno = 0;
            const bool failed = std::ferror(ws->optimize_tmpfile) != 0;
            if (std::fflush(ws->optimize_tmpfile) != 0 || failed)
                Fail(wb::kTempFile, ErrnoOr(failed ? 0 : errno, tmpdir), tmpdir);
        }
    Say("C");
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int closeErrno = errno;
    switch (closed) {
    case LXW_NO_ERROR:
        break;
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        Fail(wb::kOutOfMemory, ENOMEM);
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        Fail(wb::kTempFile, ErrnoOr(closeErrno, tmpdir), tmpdir);
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE: {
        std::string dir = g_output;
        dir = dir.substr(0, dir.rfind('/') == std::string::npos ? 0 : dir.rfind('/'));
        Fail(wb::kOutput, ErrnoOr(closeErrno, dir.empty() ? "." : dir.c_str()));
    }
    default:
        Fail(wb::kLibrary, int(closed), lxw_strerror(closed));
    }
    CheckPackage(g_output, expected, !constantMemory && anyText);
    return wb::kExitWritten;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("kev_dux_xlsx: the workbook writer of KEV_DUX; it is started by the program\n", stderr);
        return 2;
    }
    g_output = argv[1];
    // Each sheet's row array (one pointer per column, 128 KiB) is mapped on
    // its own, so the pages of columns never written stay untouched; with
    // the threshold left to move, they come from the heap, zeroed, and 2,000
    // sheets would hold 256 MB.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
    // Answers to a program that has gone fail quietly; its end of the input tells.
    ::signal(SIGPIPE, SIG_IGN);
    // Stopped from outside: nothing of the workbook stays.
    ::signal(SIGTERM, [](int) { ParentGone(); });
    try {
        Write(argv[2]);
    } catch (const LibraryOutOfMemory&) {
        Fail(wb::kOutOfMemory, ENOMEM);
    } catch (const std::bad_alloc&) {
        Fail(wb::kOutOfMemory, ENOMEM);
    }
    Say("OK");
    ::close(1);
    // The program renames the file, then lets go of the stream; the watch ends this.
    for (;;)
        ::pause();
}
