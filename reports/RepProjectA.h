// The project report: rows x columns pile cells a page, each with the pile's
// information row, its curve, the spectrum marks and spectrum when asked
// for, and its integrity line; the page and pile pictures and the Word
// document of the report.
#pragma once

#include "platform/EmfDevice.h"
#include "reports/ProjectItems.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPileItem.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class CSpectrum;

namespace pit {

// Page and pile picture files: folder + base name + "_第N页." + suffix (the
// default suffix when the chosen name has none).
QString ProjectPageFileName(const QString& chosen, int page, const QString& defaultSuffix);
// A project name made into a file name: no separators or reserved characters.
QString SafeFileName(const QString& name);

} // namespace pit

class CRepProjectA : public CReportBuilder {
public:
    // Largest row font size (points) by column count (1, 2) and rows (1..10).
    static constexpr int m_anRowFontPt[2][10] = {{12, 12, 11, 11, 9, 9, 8, 7, 6, 5},
                                                 {9, 9, 6, 6, 5, 5, 5, 5, 5, 5}};

    CRepProjectA(const pit::ReportEnv& env, const pit::ListRows* list);
    ~CRepProjectA() override;

    void SetPageRange(CPrintInfo& info) override;
    void PrintPage(gdi::Canvas& dc, CPrintInfo& info) override;
    void LayoutPage(const gdi::Rect& page, gdi::Canvas& dc) override;
    void DrawPage(int left, int top, int right, int bottom, gdi::Canvas& dc) override;
    void UpdatePileList() override;
    bool ExportWord(const QString& outputName) override;
    bool ExportBmp() override;
    bool ExportEmf() override;
    void SetPictureMode(bool on) override { m_bPictureMode = on; }
    void SetFontRate(float rate) override;
    // Page 1 of the items into a bitmap of rc's size at the fixed printer
    // resolution (refDpi 0), or at refDpi; false when no bitmap can be made.
    virtual bool RenderPilePicture(QImage& bmp, const gdi::Rect& rc, int refDpi = 0);
    // Page 1 of the items into a metafile at path; false with a message when
    // it cannot be written.
    virtual bool WritePilePictureEmf(const QString& path, const gdi::Rect& rc,
                                     const pit::EmfReference* ref = nullptr);

    // The batch: items from these files with these pile numbers (the shorter list counts).
    void SetPileFiles(std::vector<QString> paths, std::vector<QString> pileNos);
    // One pile's item from its file; false for a file that cannot be read or
    // is no saved pile or blow file. allAge: the document's common age is applied.
    bool LoadPileItem(CReportPileItem& item, const QString& path, bool allAge = true) const;
    // The pile of one list row as a picture (row and column count 1 for the
    // call). A row that cannot be read is in LeftOut(), and named unless the
    // document writes many pictures.
    bool ExportPilePictureBmp(const QString& path, int row);
    bool ExportPilePictureEmf(const QString& path, int row);
    // One pile's cell in any rectangle (the database picture); nothing for an
    // index outside the items.
    bool DrawPileCell(gdi::Canvas& dc, int index, int left, int top, int right, int bottom);

    static int InfoLineCount(int n) { return pit::ProjectInfoLineCount(n); }
    // The line units of a cell: its information lines, four for the curve
    // (six with the spectrum), six for the spectrum and one for the quality line.
    static int CellLineUnits(const CPrintSettings& s) { return pit::ProjectCellLineUnits(s); }
    // Cells row by row in rect.
    static std::vector<gdi::Rect> LayoutCells(const gdi::Rect& rect, int rows, int columns, int hgap,
                                              int vgap);
    // A gap of mm millimetres: printing devices at their resolution, the
    // pictures in desktop-scaled pixels as the Windows program made them.
    static int GapPixels(double mm, int dpi, bool printing, int scalePercent);

    // ---- cell contents ----
    void DrawPileRow(gdi::Canvas& dc, int index, bool noFit);
    // Columns of the row: the shown items into idx (-1 for none), their width
    // shares into frac; the number of columns (at most six).
    static int ComputeRowColumns(const pit::ProjectRowItems& row, int idx[12], float frac[6],
                                 const std::function<int(const QString&)>& measure);
    // The column edges of a row of n columns with the width shares frac
    // between left and right: n + 1 of them, the last one right.
    static std::vector<int> RowColumnEdges(int left, int right, int n, const float frac[6]);
    QString BuildRowText(const pit::ProjectRowItems& row);
    void FitRowFont(gdi::Rect band, const pit::ProjectRowItems& row, const QString& text, gdi::Canvas& dc);
    // The row font height fitted to band from the height start: with estimate,
    // the estimate by text's average character width, at most the table's
    // size for the page; in any case every column's texts of row (both lines)
    // inside their column. Reports the height of text in calcH.
    int FitRowHeight(gdi::Rect band, const pit::ProjectRowItems& row, const QString& text, gdi::Canvas& dc,
                     int start, int* calcH = nullptr, bool estimate = true);

    // The bands of a cell under an information row whose text is textHeight
    // tall: head, curve, spectrum and quality from top to bottom, never
    // overlapping and inside the cell. The curve keeps curveFloor while the
    // cell has it; the spectrum takes what it asks for of the rest.
    struct CellBandInput {
        gdi::Rect cell;
        int lines = 1;            // information lines (a row of height 0 without)
        bool quality = true;      // the integrity line
        bool spectrum = false;    // the spectrum band
        int textHeight = 0;       // the row font's text height
        double curveGap = 0;      // from the head's bottom to the curve's top, less 2
        int spectrumTop = 0;      // the spectrum's top before the fit
        double spectrumLines = 0; // > 0: the spectrum asks 6 x this many text heights
        int curveFloor = 0;
    };
    struct CellBands {
        gdi::Rect head, curve, spectrum, quality;
        // False when the curve's floor or the spectrum's six mark lines do not fit.
        bool fits = true;
    };
    static CellBands FitCellBands(const CellBandInput& in);
    gdi::Font CreateReportFont(int kind, gdi::Canvas& dc, int height);
    void DrawSpectrumMarks(gdi::Canvas& dc, int index);
    void DrawSpectrum(gdi::Canvas& dc, int index);
    void DrawIntegrity(gdi::Canvas& dc, int index);

    const std::vector<std::unique_ptr<CReportPileItem>>& Items() const { return m_items; }
    const std::vector<gdi::Rect>& Cells() const { return m_arrCellRects; }
    const gdi::Rect& HeadBand() const { return m_rcHead; }
    const gdi::Rect& CurveBand() const { return m_rcCurve; }
    const gdi::Rect& SpectrumBand() const { return m_rcSpectrum; }
    const gdi::Rect& QualityBand() const { return m_rcQuality; }
    int RowFontHeight() const { return m_nRowFontHeight; }
    int InfoItems() const { return m_nInfoItems; }
    // Rows (3..10) and columns (1..2) of a page; 1 x 1 while a pile picture is made.
    int Rows() const;
    int Columns() const;

protected:
    bool ReportEnglish() const;
    QString TitleText() const;
    // Whether a pile or project title is too wide: its extent or its
    // multibyte length (at most 200 bytes) over 76.
    bool TitleTooWide(gdi::Canvas& dc, const QString& title, int width);
    void DrawCellLines(gdi::Canvas& dc);
    void FixedCellBands(const gdi::Rect& cell, int dpiX);
    std::unique_ptr<CReportPileItem> NewItem() const;
    void ApplyCommonInfo(CReportPileItem& item) const;
    // The item of a list row with the common values in use; none when its
    // file is not in the project or cannot be read.
    std::unique_ptr<CReportPileItem> LoadListRow(int row) const;
    // The items: the pile of one list row alone; false for a row outside the
    // list or a pile that cannot be read, which is then the one left out.
    bool LoadSingleRow(int row);
    // A pile picture whose row could not be read: names it; false.
    bool NotLoaded() const;
    // The curve of an item in box, with the fine pen of smooth curves when
    // pictureMode is 1.
    void DrawItemWave(gdi::Canvas& dc, CReportPileItem& item, const gdi::Rect& box, const gdi::Font& font,
                      int pictureMode);
    // Tells the user when no pile is checked for the page pictures, naming
    // those left out when there are any.
    bool HasPilesToExport() const;
    // The page files of a picture export; false when cancelled.
    bool AskPageFiles(const QString& suffix, const QString& filter, QString& chosen);
    void ReportPageFailure(const QString& file, const QString& why);
    // Every page into its file through write, which says why it failed; the
    // first failure is reported and ends the export, the last page written
    // is opened. False when a page failed.
    bool WritePages(const QString& chosen, const QString& suffix,
                    const std::function<bool(int page, const QString& file, QString& why)>& write);
    // Page p of the export on dc: the first page lays the cells out in the
    // page less a margin of 5 pixels at 96 dpi.
    void DrawExportPage(gdi::Canvas& dc, const gdi::Rect& page, int p);
    // The word-writer call of the report kind (0 here, 1 for variant B).
    virtual int WordKind() const { return 0; }
    int PagesOf(size_t items) const;

    gdi::Rect m_rcHead;
    gdi::Rect m_rcCurve;
    gdi::Rect m_rcSpectrum;
    gdi::Rect m_rcQuality;
    gdi::Rect m_rcSpectrumPlot;
    int m_nRowFontHeight = 0;
    std::unique_ptr<CSpectrum> m_pSpectrum;
    std::vector<std::unique_ptr<CReportPileItem>> m_items;
    const pit::ListRows* m_pList = nullptr;
    int m_bTitleDrawn = 0;
    int m_nInfoItems = 0;
    gdi::Rect m_rcCell;
    bool m_bPictureRender = false;
    bool m_bSinglePile = false; // a pile picture: one row, one column
};
