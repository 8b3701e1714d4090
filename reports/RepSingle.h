// The single-pile report: one page per pile file with the title, the header
// table, the parameter table, the test curve and the results; its pictures
// (the page as ".bmp" or ".emf", the curve alone) and its Word document.
#pragma once

#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "reports/PageFrame.h"
#include "reports/ReportBuilder.h"
#include "reports/SingleReportInfo.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class CRepSingle : public CReportBuilder {
public:
    // The four blocks of a page.
    struct Blocks {
        gdi::Rect head, param, curve, result;
    };

    // pile: the record shown, of which the builder keeps a full copy (none:
    // an empty record). list: the report-mode list; without one the report
    // is the page of that pile until SetPileFiles names files.
    CRepSingle(const pit::ReportEnv& env, const CPileRecord* pile, const pit::ListRows* list);
    ~CRepSingle() override;

    void SetPageRange(CPrintInfo& info) override;
    void LayoutPage(const gdi::Rect& page, gdi::Canvas& dc) override;
    void PrintPage(gdi::Canvas& dc, CPrintInfo& info) override;
    void DrawPage(int left, int top, int right, int bottom, gdi::Canvas& dc) override;
    void UpdatePileList() override;
    bool ExportWord(const QString& outputName) override;
    bool ExportBmp() override;
    bool ExportEmf() override;
    QImage RenderToBitmap(const gdi::Rect& rect) override;
    void SetPictureMode(bool on) override;

    // The batch: exactly these files, in order.
    void SetPileFiles(std::vector<QString> paths);
    void SetDefaultLayout();
    // The page as a picture of R's size; a null picture when none can be made.
    QImage RenderPage(const gdi::Rect& R);
    // The same drawing into a given canvas (a metafile).
    void DrawPageToDC(const gdi::Rect& R, gdi::Canvas& dc);
    // The curve alone: a 768 x 400 bitmap at the fixed printer resolution,
    // or a metafile. False with a message when the file cannot be written.
    bool ExportPilePictureBmp(const QString& path);
    bool ExportPilePictureEmf(const QString& path);
    void FillReportInfo(const CPileRecord& pile, CSingleReportInfo& out) const;
    // The texts of the curve pictures: the page's face at the device's
    // default size, so each picture names its font.
    gdi::Font PictureFont() const { return MakeFont(0); }

    // The blocks of a cell: design pixels (1/96 inch) scaled by dpiX / 96.
    static Blocks SplitPage(const gdi::Rect& cell, int dpiX, int topBand, int gap, int bottom);
    // Heading and second line of the results block.
    static std::pair<QString, QString> ResultTexts(const QString& result, bool english);
    // "%.2f " of an elevation, "-" within 1e-6 of zero.
    static QString ElevationText(float value);
    // Lines of a header value broken at the cell width (one line for a width
    // of 0 or less).
    static QStringList WrapValue(const QString& text, int cellWidth,
                                 const std::function<int(const QString&)>& measure);

    const std::vector<QString>& Files() const { return m_arrFiles; }
    const CPileRecord& Pile() const { return m_pile; }
    const Blocks& CurrentBlocks() const { return m_blocks; }
    int TopBand() const { return m_nTopBand; }
    int Gap() const { return m_nGap; }
    int Bottom() const { return m_nBottom; }
    int ExtraRows() const { return m_nExtraRows; }
    // The bands of the last picture export (header, footer, page number).
    const std::optional<pit::PageFrame>& PictureFrame() const { return m_pictureFrame; }

private:
    gdi::Font MakeFont(int kind) const;
    void DrawHeaderTable(gdi::Canvas& dc);
    void DrawParamTable(gdi::Canvas& dc);
    void DrawCurveCaption(gdi::Canvas& dc);
    void DrawResults(gdi::Canvas& dc);
    void DrawUnreadable(gdi::Canvas& dc);
    // The page picture's bands for a page of P with the inner rectangle I.
    void SetPictureBands(const gdi::Rect& P, const gdi::Rect& I);
    bool English() const; // the report language
    QString PileTitle() const;
    // Asks for the picture file; none when cancelled or without services.
    std::optional<QString> AskPictureFile(const QString& suffix, const QString& filter);
    void ReportWriteFailure(const QString& why);

    Blocks m_blocks;
    gdi::Rect& m_rcHeadTable = m_blocks.head;
    gdi::Rect& m_rcParamTable = m_blocks.param;
    gdi::Rect& m_rcCurve = m_blocks.curve;
    gdi::Rect& m_rcResult = m_blocks.result;
    int m_nTopBand = 50;
    int m_nGap = 20;
    int m_nBottom = 20;
    int m_nExtraRows = 0;
    CPileRecord m_pile;     // the copy of the pile the builder was made on
    CPileRecord m_pagePile; // the pile of the page being printed
    CPileRecord* m_pPile = &m_pile;
    QString m_strUnreadable; // the file of the page being printed that could not be read
    const pit::ListRows* m_pList = nullptr;
    std::vector<QString> m_arrFiles;
    bool m_bOwnPage = false; // no list: the one page of the copy
    std::optional<pit::PageFrame> m_pictureFrame;
};
