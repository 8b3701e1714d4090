// The spreadsheet side of the exports: a new workbook, the cell operations
// the workbook layouts are built from, the result and raw-data layouts, and
// saving the finished workbook for the user. Values are typed as they are
// written: identifiers stay text, measured values become numbers, test dates
// and times become date-times.
#pragma once

#include "office/Workbook.h"
#include "reports/ExcelExport.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace pit {
struct AppContext;
class ExportServices;
} // namespace pit

class OfficeExcel {
public:
    // Values of the spreadsheet's object model that the layouts use.
    static constexpr int xlCenter = -4108;
    static constexpr int xlRight = -4152;
    static constexpr int xlLineStyleNone = -4142;
    static constexpr int xlContinuous = 1;
    static constexpr int xlDiagonalDown = 5;
    static constexpr int xlDiagonalUp = 6;
    static constexpr int xlEdgeLeft = 7;
    static constexpr int xlEdgeTop = 8;
    static constexpr int xlEdgeBottom = 9;
    static constexpr int xlEdgeRight = 10;
    static constexpr int xlInsideVertical = 11;
    static constexpr int xlInsideHorizontal = 12;

    // What a cell's text stands for. A cell formatted "@" keeps any text as text.
    enum class Kind {
        Text,
        Number, // the whole text as a number, else text
        Date,   // "yyyy-m-d" (or with "/" or ".") as a date, else text
        Time    // "h:mm[:ss]" as a time of day, else text
    };

    // services: the file chooser, desktop and messages of the window build; none in batch runs.
    explicit OfficeExcel(const pit::AppContext& app, pit::ExportServices* services = nullptr);
    virtual ~OfficeExcel();
    OfficeExcel(const OfficeExcel&) = delete;
    OfficeExcel& operator=(const OfficeExcel&) = delete;

    // A new workbook with the one sheet "Sheet1", which becomes current.
    bool CreateApplication();

    // "A1" names: column letters, then the row; empty outside the sheet.
    static QString CellName(int row, int column);

    // ---- sheets ----------------------------------------------------------------
    // Makes the sheet current and active; false when there is none.
    bool SelectSheet(int index);
    bool SelectSheet(const QString& name); // ignoring case
    int CurrentSheet() const { return m_sheet; }
    // The current sheet's name, cleaned and made unique.
    void RenameSheet(const QString& name);

    // ---- cells of the current sheet (1-based) -----------------------------------
    void SetCell(int row, int column, const QString& text, Kind kind = Kind::Text);
    void SetCellNumberFormat(int row, int column, const QString& format);
    // xlCenter or xlRight (other values: general).
    void SetCellAlignment(int row, int column, int alignment);
    // The width as text in the C locale ("14.25"); a text that is no number does nothing.
    void SetColumnWidth(int column, const QString& width);
    void SetRangeNumberFormat(const pit::CellRange& r, const QString& format);
    void SetRangeAlignment(const pit::CellRange& r, int alignment);
    // One border of a block (xlEdgeLeft .. xlInsideHorizontal) as xlContinuous
    // (thin) or xlLineStyleNone; the diagonals are never drawn.
    void SetBorder(const pit::CellRange& r, int index, int lineStyle);
    // Diagonals none, the outer edges and inner lines thin.
    void DrawGrid(const pit::CellRange& r);
    // Rows 1 and 2 stay in view.
    void FreezeTitleRows();
    // Each row of the block merged on its own.
    void MergeAcross(const pit::CellRange& r);

    // ---- result layout ----------------------------------------------------------
    // One pile into the sheet at sheetIndex, which then takes the pile's file name.
    void ExportResultWorkbook(const CExcelPileInfo& pile, int sheetIndex, bool english, int decimals);
    void WriteResultHeader(const CExcelPileInfo& pile, bool english, int decimals);
    void WriteResultData(const CExcelPileInfo& pile);
    // Every pile in its own sheet, in order, from the first sheet on; sheets
    // missing are added at the end. progress (piles done of all) may stop it:
    // false then.
    bool ExportResultSheets(const std::vector<const CExcelPileInfo*>& piles, bool english, int decimals,
                            const std::function<bool(int done, int total)>& progress = {});

    // ---- raw-data layout --------------------------------------------------------
    // waves: the channels, then the averaged wave. False (nothing written)
    // when no sheet has that name.
    bool ExportRawDataWorkbook(const CExcelRawInfo& info, const AverageFlags& flags,
                               const std::vector<const CWaveRecord*>& waves, const QString& sheetName);
    void WriteRawHeader(const CExcelRawInfo& info, const AverageFlags& flags);
    void WriteRawData(float interval, int samples, const std::vector<const CWaveRecord*>& waves,
                      bool english);

    // Saves the workbook for the user: to the target's path when it has one,
    // else to the file the user picks, which is then opened. False after one
    // message (none for a cancelled choice) when nothing was written.
    bool ShowAndRelease(const pit::ExcelTarget& target);
    // The two halves: the target's path, else the file the user picks (none
    // when cancelled); then the workbook written there and, with open, opened.
    std::optional<QString> ChooseTarget(const pit::ExcelTarget& target) const;
    bool Save(const QString& path, bool open);
    // A bilingual message through the services, else the context's sink.
    int Tell(const QString& zh, const QString& en, unsigned type) const;

    pit::Workbook& Book() { return m_book; }
    const pit::Workbook& Book() const { return m_book; }

private:
    pit::Worksheet* Sheet();

    const pit::AppContext& m_app;
    pit::ExportServices* m_services;
    pit::Workbook m_book;
    int m_sheet = -1;
};
