#include "office/OfficeExcel.h"

#include "platform/AppContext.h"
#include "platform/Numbers.h"
#include "reports/ExportServices.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using pit::CellRange;
using pit::HAlign;
using pit::Workbook;
using pit::Worksheet;

namespace {

std::optional<QDate> ParseDate(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    return d.isValid() ? std::optional(d) : std::nullopt;
}

std::optional<QTime> ParseTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return t.isValid() ? std::optional(t) : std::nullopt;
}

HAlign AlignmentOf(int alignment) {
    switch (alignment) {
    case OfficeExcel::xlCenter:
        return HAlign::Center;
    case OfficeExcel::xlRight:
        return HAlign::Right;
    default:
        return HAlign::General;
    }
}

} // namespace

OfficeExcel::OfficeExcel(const pit::AppContext& app, pit::ExportServices* services)
    : m_app(app), m_services(services) {}

// Nothing to quit: an unsaved workbook is simply dropped.
OfficeExcel::~OfficeExcel() = default;

bool OfficeExcel::CreateApplication() {
    m_book = pit::Workbook();
    m_book.AddSheet(QStringLiteral("Sheet1"));
    return SelectSheet(0);
}

QString OfficeExcel::CellName(int row, int column) {
    if (row < 1 || row > Worksheet::kMaxRows || column < 1 || column > Worksheet::kMaxCols)
        return {};
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

bool OfficeExcel::SelectSheet(int index) {
    if (index < 0 || index >= m_book.SheetCount())
        return false;
    m_sheet = index;
    m_book.SetActiveSheet(index);
    return true;
}

bool OfficeExcel::SelectSheet(const QString& name) {
    return SelectSheet(m_book.IndexOf(name));
}

void OfficeExcel::RenameSheet(const QString& name) {
    m_book.RenameSheet(m_sheet, name);
}

Worksheet* OfficeExcel::Sheet() {
    return m_sheet >= 0 && m_sheet < m_book.SheetCount() ? &m_book.Sheet(m_sheet) : nullptr;
}

void OfficeExcel::SetCell(int row, int column, const QString& text, Kind kind) {
    Worksheet* ws = Sheet();
    if (!ws)
        return;
    if (text.isEmpty()) {
        ws->Clear(row, column);
        return;
    }
    const std::optional<pit::Cell> cell = ws->Find(row, column);
    if (!cell || cell->style.numberFormat != QLatin1String("@")) {
        switch (kind) {
        case Kind::Number:
            if (const auto v = pit::parseDouble(text)) {
                ws->SetNumber(row, column, *v);
                return;
            }
            break;
        case Kind::Date:
            if (const auto d = ParseDate(text))
                if (const auto serial = Workbook::DateSerial(*d)) {
                    ws->SetDateTime(row, column, *serial);
                    return;
                }
            break;
        case Kind::Time:
            if (const auto t = ParseTime(text)) {
                ws->SetDateTime(row, column, Workbook::TimeSerial(*t));
                return;
            }
            break;
        case Kind::Text:
            break;
        }
    }
    ws->SetText(row, column, text);
}

void OfficeExcel::SetCellNumberFormat(int row, int column, const QString& format) {
    SetRangeNumberFormat(CellRange::Cell(row, column), format);
}

void OfficeExcel::SetCellAlignment(int row, int column, int alignment) {
    SetRangeAlignment(CellRange::Cell(row, column), alignment);
}

void OfficeExcel::SetColumnWidth(int column, const QString& width) {
    if (Worksheet* ws = Sheet())
        if (const auto w = pit::parseDouble(width))
            ws->SetColumnWidth(column, *w);
}

void OfficeExcel::SetRangeNumberFormat(const CellRange& r, const QString& format) {
    if (Worksheet* ws = Sheet())
        ws->SetNumberFormat(r, format);
}

void OfficeExcel::SetRangeAlignment(const CellRange& r, int alignment) {
    if (Worksheet* ws = Sheet())
        ws->SetAlignment(r, AlignmentOf(alignment));
}

void OfficeExcel::SetBorder(const CellRange& r, int index, int lineStyle) {
    Worksheet* ws = Sheet();
    if (!ws || !r.IsValid() || (lineStyle != xlContinuous && lineStyle != xlLineStyleNone))
        return;
    const bool on = lineStyle == xlContinuous;
    // A line between two cells is the edge of both, so either cell shows it.
    switch (index) {
    case xlEdgeLeft:
        ws->SetEdges({r.firstRow, r.firstCol, r.lastRow, r.firstCol}, pit::EdgeLeft, on);
        break;
    case xlEdgeTop:
        ws->SetEdges({r.firstRow, r.firstCol, r.firstRow, r.lastCol}, pit::EdgeTop, on);
        break;
    case xlEdgeBottom:
        ws->SetEdges({r.lastRow, r.firstCol, r.lastRow, r.lastCol}, pit::EdgeBottom, on);
        break;
    case xlEdgeRight:
        ws->SetEdges({r.firstRow, r.lastCol, r.lastRow, r.lastCol}, pit::EdgeRight, on);
        break;
    case xlInsideVertical:
        if (r.lastCol > r.firstCol) {
            ws->SetEdges({r.firstRow, r.firstCol, r.lastRow, r.lastCol - 1}, pit::EdgeRight, on);
            ws->SetEdges({r.firstRow, r.firstCol + 1, r.lastRow, r.lastCol}, pit::EdgeLeft, on);
        }
        break;
    case xlInsideHorizontal:
        if (r.lastRow > r.firstRow) {
            ws->SetEdges({r.firstRow, r.firstCol, r.lastRow - 1, r.lastCol}, pit::EdgeBottom, on);
            ws->SetEdges({r.firstRow + 1, r.firstCol, r.lastRow, r.lastCol}, pit::EdgeTop, on);
        }
        break;
    default: // the diagonals are not drawn
        break;
    }
}

void OfficeExcel::DrawGrid(const CellRange& r) {
    SetBorder(r, xlDiagonalDown, xlLineStyleNone);
    SetBorder(r, xlDiagonalUp, xlLineStyleNone);
    for (int index = xlEdgeLeft; index <= xlInsideHorizontal; ++index)
        SetBorder(r, index, xlContinuous);
}

void OfficeExcel::FreezeTitleRows() {
    if (Worksheet* ws = Sheet())
        ws->FreezeRows(2);
}

void OfficeExcel::MergeAcross(const CellRange& r) {
    Worksheet* ws = Sheet();
    if (!ws || !r.IsValid())
        return;
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        ws->Merge({row, r.firstCol, row, r.lastCol});
}

int OfficeExcel::Tell(const QString& zh, const QString& en, unsigned type) const {
    const QString caption = m_app.tr(QStringLiteral("提示"), QStringLiteral("Note"));
    if (m_services)
        return m_services->Message(m_app.tr(zh, en), caption, type);
    return m_app.message(m_app.tr(zh, en), caption, type);
}

std::optional<QString> OfficeExcel::ChooseTarget(const pit::ExcelTarget& target) const {
    if (!target.outputPath.isEmpty())
        return target.outputPath;
    if (!m_services) {
        Tell(QStringLiteral("没有给出工作簿的文件名。"),
             QStringLiteral("No file name was given for the workbook."), pit::MB_OK | pit::MB_ICONWARNING);
        return std::nullopt;
    }
    const std::optional<QString> chosen = m_services->ChooseSaveFile(
        {target.defaultName, QStringLiteral("xlsx"), QStringLiteral("Excel (*.xlsx)"), target.folder});
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    return chosen;
}

bool OfficeExcel::Save(const QString& path, bool open) {
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    // An office program that has the file open keeps this lock beside it and
    // would later write its own copy over ours.
    if (QFileInfo::exists(info.absoluteDir().filePath(QStringLiteral(".~lock.") + info.fileName() + u'#'))) {
        Tell(
            QStringLiteral("文件 %1 正在被其他程序打开，请先关闭它再导出。").arg(shown),
            QStringLiteral("The file %1 is open in another program. Close it, then export again.").arg(shown),
            pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    if (info.exists() && !info.isWritable()) {
        Tell(QStringLiteral("文件 %1 是只读的，没有替换它。").arg(shown),
             QStringLiteral("The file %1 is read-only; it was not replaced.").arg(shown),
             pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    pit::WorkbookFailure failure;
    const pit::WorkbookProgress progress = [&](int done, int total) {
        if (!m_services)
            return true;
        return m_services->Progress(
            m_app.tr(QStringLiteral("正在写入工作簿 %1...").arg(info.fileName()),
                     QStringLiteral("Writing the workbook %1...").arg(info.fileName())),
            done, total);
    };
    bool saved = false;
    {
        const pit::ProgressScope ending(m_services);
        saved = m_book.Save(path, &failure, progress);
    }
    if (!saved) {
        // A cancel leaves the file as it was and needs no word.
        if (failure.cause == pit::WorkbookFailure::Cause::Cancelled)
            return false;
        Tell(QStringLiteral("无法写入文件 %1：%2").arg(shown, failure.Text(false)),
             QStringLiteral("Cannot write the file %1: %2").arg(shown, failure.Text(true)),
             pit::MB_OK | pit::MB_ICONWARNING);
        return false;
    }
    if (open && m_services && !m_services->OpenWithDesktop(path))
        Tell(QStringLiteral("已保存 %1，但没有程序能打开它。").arg(shown),
             QStringLiteral("Saved %1, but no program opens it.").arg(shown),
             pit::MB_OK | pit::MB_ICONINFORMATION);
    return true;
}

bool OfficeExcel::ShowAndRelease(const pit::ExcelTarget& target) {
    const std::optional<QString> path = ChooseTarget(target);
    return path && Save(*path, target.outputPath.isEmpty());
}
