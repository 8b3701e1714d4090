#include "office/Workbook.h"

#include "platform/SafeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

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

// One call of libxlsxwriter per cell and setting; the first error is kept.
struct Emitter {
    lxw_workbook* wb;
    std::map<CellStyle, lxw_format*> formats;
    lxw_error first = LXW_NO_ERROR;
    QString what;

    void Check(lxw_error e, const QString& where) {
        if (e != LXW_NO_ERROR && first == LXW_NO_ERROR) {
            first = e;
            what = where;
        }
    }
    lxw_format* Format(const CellStyle& s) {
        if (s.IsDefault())
            return nullptr;
        auto it = formats.find(s);
        if (it == formats.end())
            it = formats.emplace(s, MakeFormat(wb, s)).first;
        return it->second;
    }
    void Sheet(lxw_worksheet* ws, const Worksheet& sheet) {
        for (const auto& [col, width] : sheet.ColumnWidths())
            Check(worksheet_set_column(ws, lxw_col_t(col - 1), lxw_col_t(col - 1), width, nullptr),
                  sheet.Name());
        if (sheet.FrozenRows() > 0)
            worksheet_freeze_panes(ws, lxw_row_t(sheet.FrozenRows()), 0);
        // The merge writes an empty first cell; the cells below overwrite it.
        for (const CellRange& m : sheet.Merges()) {
            const Cell* first = sheet.Find(m.firstRow, m.firstCol);
            Check(worksheet_merge_range(ws, lxw_row_t(m.firstRow - 1), lxw_col_t(m.firstCol - 1),
                                        lxw_row_t(m.lastRow - 1), lxw_col_t(m.lastCol - 1), "",
                                        first ? Format(first->style) : nullptr),
                  sheet.Name());
        }
        sheet.ForEachCell([&](int row, int col, const Cell& c) {
            const auto r = lxw_row_t(row - 1);
            const auto k = lxw_col_t(col - 1);
            lxw_format* f = Format(c.style);
            switch (c.value.type) {
            case CellValue::Type::Empty:
                if (f)
                    Check(worksheet_write_blank(ws, r, k, f), sheet.Name());
                break;
            case CellValue::Type::Text:
                if (c.value.text.isEmpty()) {
                    if (f)
                        Check(worksheet_write_blank(ws, r, k, f), sheet.Name());
                } else {
                    Check(worksheet_write_string(ws, r, k, c.value.text.toUtf8().constData(), f),
                          sheet.Name());
                }
                break;
            case CellValue::Type::Number:
            case CellValue::Type::DateTime:
                Check(worksheet_write_number(ws, r, k, c.value.number, f), sheet.Name());
                break;
            }
        });
    }
};

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
    lxw_workbook* wb = workbook_new(tempName.constData());
    if (!wb)
        return Fail(error, QStringLiteral("out of memory"));
    Emitter out{wb, {}, LXW_NO_ERROR, {}};
    for (int i = 0; i < SheetCount(); ++i) {
        const Worksheet& sheet = *m_sheets[size_t(i)];
        lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.Name().toUtf8().constData());
        if (!ws) {
            out.Check(LXW_ERROR_SHEETNAME_ALREADY_USED, sheet.Name());
            break;
        }
        out.Sheet(ws, sheet);
        if (i == m_active)
            worksheet_activate(ws);
    }
    // workbook_close writes the file and frees the workbook whatever happened before.
    const lxw_error closed = workbook_close(wb);
    if (out.first == LXW_NO_ERROR && closed != LXW_NO_ERROR)
        out.Check(closed, {});
    if (out.first != LXW_NO_ERROR) {
        QFile::remove(temp);
        QString text = QString::fromUtf8(lxw_strerror(out.first));
        if (!out.what.isEmpty())
            text += QStringLiteral(" (%1)").arg(out.what);
        return Fail(error, text);
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
