// An in-memory workbook: sheets in order, typed cells with their style,
// column widths, merges and frozen rows. Nothing touches a file until Save,
// which writes the whole workbook through libxlsxwriter.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pit {

// A block of cells, 1-based and inclusive.
struct CellRange {
    int firstRow = 1, firstCol = 1, lastRow = 1, lastCol = 1;

    static CellRange Cell(int row, int col) { return {row, col, row, col}; }
    bool Contains(int row, int col) const {
        return row >= firstRow && row <= lastRow && col >= firstCol && col <= lastCol;
    }
    bool Overlaps(const CellRange& o) const {
        return firstRow <= o.lastRow && o.firstRow <= lastRow && firstCol <= o.lastCol &&
               o.firstCol <= lastCol;
    }
    bool IsValid() const;
};

enum class HAlign : uint8_t { General = 0, Left = 1, Center = 2, Right = 3 };

// The thin edges a cell draws.
enum Edge : uint8_t { EdgeLeft = 1, EdgeTop = 2, EdgeBottom = 4, EdgeRight = 8 };

struct CellStyle {
    QString numberFormat; // empty: General
    HAlign align = HAlign::General;
    uint8_t edges = 0; // Edge bits

    bool IsDefault() const { return numberFormat.isEmpty() && align == HAlign::General && edges == 0; }
    bool operator==(const CellStyle&) const = default;
    bool operator<(const CellStyle& o) const;
};

struct CellValue {
    enum class Type : uint8_t { Empty, Text, Number, DateTime };
    Type type = Type::Empty;
    QString text;      // Text
    double number = 0; // Number; DateTime: the spreadsheet's serial day number

    bool operator==(const CellValue&) const = default;
};

struct Cell {
    CellValue value;
    CellStyle style;
};

class Worksheet {
public:
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxCols = 16384;
    static constexpr int kMaxTextLength = 32767;

    explicit Worksheet(QString name) : m_name(std::move(name)) {}

    const QString& Name() const { return m_name; }

    // The cell; none when it was never written or is outside the sheet.
    std::optional<Cell> Find(int row, int col) const;

    // Values; writes outside the sheet are ignored. Texts longer than the
    // spreadsheet holds are cut.
    void SetText(int row, int col, const QString& text);
    void SetNumber(int row, int col, double value);
    void SetDateTime(int row, int col, double serial);
    void Clear(int row, int col);

    // Styles over a block of cells.
    void SetNumberFormat(const CellRange& r, const QString& format);
    void SetAlignment(const CellRange& r, HAlign align);
    void SetEdges(const CellRange& r, uint8_t edges, bool on);

    // Width in character units as the spreadsheet takes it.
    void SetColumnWidth(int col, double width);
    std::optional<double> ColumnWidth(int col) const;
    const std::map<int, double>& ColumnWidths() const { return m_widths; }

    // False for an invalid or single-cell block or one that overlaps a merge.
    bool Merge(const CellRange& r);
    const std::vector<CellRange>& Merges() const { return m_merges; }

    // Rows above the pane that stays in view (0: none).
    void FreezeRows(int rows) { m_frozenRows = rows < 0 ? 0 : rows; }
    int FrozenRows() const { return m_frozenRows; }

    size_t CellCount() const;

    // The sheet as the workbook writer reads it (WorkbookStream.h).
    void AppendStream(std::string& out) const;

private:
    friend class Workbook;
    static bool InSheet(int row, int col) {
        return row >= 1 && row <= kMaxRows && col >= 1 && col <= kMaxCols;
    }

    // A cell in 16 bytes, its text in the sheet's UTF-8 pool and its style
    // an index into the sheet's styles: a project's workbook holds
    // thousands of sheets of thousands of cells.
    struct Slot {
        uint16_t col;
        CellValue::Type type;
        uint32_t style; // m_styles; 0 the default
        union {
            double number;
            struct {
                uint32_t offset, length;
            } text;
        };
    };
    Slot* SlotAt(int row, int col); // made when missing; nullptr outside the sheet
    const Slot* FindSlot(int row, int col) const;
    Cell CellOf(const Slot& slot) const;
    uint32_t StyleIndex(const CellStyle& style);
    // Every cell of the block restyled by change, each distinct style once.
    template <typename F> void Restyle(const CellRange& r, F&& change);

    QString m_name;
    std::vector<std::vector<Slot>> m_rows; // by row - 1, in column order
    std::string m_texts;
    std::vector<CellStyle> m_styles{CellStyle{}};
    std::map<int, double> m_widths;
    std::vector<CellRange> m_merges;
    int m_frozenRows = 0;
};

// Why a workbook was not written; the text in either language.
struct WorkbookFailure {
    enum class Cause {
        None,
        Cancelled,        // by the user: nothing to tell
        InvalidSheetName, // detail: the name
        NoFolder,
        ReadOnly,
        OutOfMemory,
        TempFolder,    // the writer's temporary files (detail: their folder; error: errno)
        Write,         // the workbook file itself (error: errno)
        Damaged,       // the written package is not whole (detail: the part)
        Library,       // the spreadsheet library's own error (error: its code, detail: its text)
        WriterMissing, // the writer program cannot be started (detail: its path; error: errno)
        WriterEnded,   // the writer ended before it was done (error: its signal, 0 unknown)
        WriterStalled, // no sign of progress for too long
    };
    Cause cause = Cause::None;
    int error = 0;
    QString detail;

    QString Text(bool english) const;
};

// How far a save is (done of total steps); false asks it to stop. Called
// every few hundredths of a second while the workbook is written, so a
// window can paint and take a Cancel meanwhile.
using WorkbookProgress = std::function<bool(int done, int total)>;

class Workbook {
public:
    static constexpr int kMaxSheetName = 31;

    // A sheet at the end; its name made valid and unique.
    Worksheet& AddSheet(const QString& name);
    int SheetCount() const { return int(m_sheets.size()); }
    Worksheet& Sheet(int index) { return *m_sheets.at(size_t(index)); }
    const Worksheet& Sheet(int index) const { return *m_sheets.at(size_t(index)); }
    // Index of the sheet of that name, ignoring case; -1 when none.
    int IndexOf(const QString& name) const;

    // Renames the sheet to a valid name unique among the others; a name that
    // is empty once cleaned leaves the sheet as it was.
    void RenameSheet(int index, const QString& name);

    void SetActiveSheet(int index);
    int ActiveSheet() const { return m_active; }

    // The forbidden characters [ ] : * ? / \ and control characters as "_",
    // no apostrophe at either end, at most 31 characters.
    static QString CleanSheetName(const QString& name);
    // name, else "name (2)", "name (3)" ... cut to fit, unique among the
    // sheets other than except (ignoring case).
    QString UniqueSheetName(const QString& name, int except = -1) const;

    // Writes the workbook to a temporary file in the target's folder and
    // renames it over path once the file is checked whole. The writing is
    // done by the program's workbook writer (kev_dux_xlsx beside the
    // program), a process of its own. False with why when anything failed
    // or progress asked to stop; the target is then as it was.
    bool Save(const QString& path, WorkbookFailure* failure, const WorkbookProgress& progress = {}) const;
    // As above; why in English.
    bool Save(const QString& path, QString* error = nullptr) const;

    // Where the workbook writer is: beside this program, else what
    // KEV_DUX_XLSX_WRITER names (test programs, which live elsewhere).
    static QString WriterProgram();

    // The spreadsheet's serial day number of a date (1900 date system) and
    // the day fraction of a time.
    static std::optional<double> DateSerial(const QDate& date);
    static double TimeSerial(const QTime& time);

private:
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
    int m_active = 0;
};

} // namespace pit
