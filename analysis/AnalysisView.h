// The analysis view: the pile's current channel in the upper two thirds and
// its amplitude spectrum or phase curve in the lower third, with the
// spectrum cursor and the pile's spectrum marks. It is also the print host
// of the report pages: the report runners hand it a builder, and its print
// loop draws the page header and footer around the builder's pages.
#pragma once

#include "analysis/BaseView.h"
#include "platform/GdiRect.h"
#include "reports/ReportBuilder.h"

#include <QImage>
#include <functional>
#include <memory>
#include <optional>

class CPhase;
class CPrintSettings;
class CProjectInfo;
class CSpectrum;

namespace pit {
class PrintUi;
}

class CAnalysisView : public CBaseView {
    Q_OBJECT
public:
    enum Mode : int { kSpectrum = 1, kPhase = 2, kGapPoints = 3, kNumeric = 4 };
    enum ReportOutput : int { kPreview = 0, kPrint = 1, kWord = 2, kEmf = 3 };
    static constexpr int kCmdViewSpectrum = 32881;
    static constexpr int kCmdViewPhase = 32882;
    static constexpr int kCmdSetDetailIndex = 32902;
    // The resolution of the print hosts' pages (printer, preview, PDF).
    static constexpr int kPrintDpi = 600;
    // The range of the view's own horizontal bar.
    static constexpr int kScrollRange = 1000;

    // Asks for a detail index (the refinement dialog): mode 1 spectrum
    // refinement, 2 phase factor, 3 gap points; nothing on Cancel.
    using DetailIndexAsker = std::function<std::optional<int>(int mode, int value, QWidget* parent)>;

    explicit CAnalysisView(QWidget* parent = nullptr);
    ~CAnalysisView() override;

    // Services of the window build; tests install their own.
    void SetReportFactory(pit::ReportBuilderFactory* factory) { m_factory = factory; }
    void SetPrintUi(pit::PrintUi* ui) { m_printUi = ui; }
    void SetDetailIndexAsker(DetailIndexAsker asker) { m_detailAsker = std::move(asker); }

    int GetMode() const { return m_mode; }
    // The channel shown, -1 for none.
    int GetCurrentWave() const { return m_pile ? m_currentWave : -1; }
    const gdi::Rect& WaveRect() const { return m_waveRect; }
    const gdi::Rect& CurveRect() const { return m_curveRect; }
    CSpectrum* Spectrum() const { return m_spectrum.get(); }
    CPhase* Phase() const { return m_phase.get(); }
    CReportBuilder* Builder() const { return m_builder.get(); }

    // ---- commands -------------------------------------------------------------
    // Spectrum below the wave; pressed again, back to the view shown before.
    void OnViewSpectrum();
    void OnViewPhase();
    // The refinement (mode 1), phase factor (2) or gap points (3) dialog.
    void OnSetDetailIndex();
    // The text of the detail-index command for a mode.
    static QString DetailIndexText(int mode, bool english);
    // Print or preview of the current builder's pages.
    bool OnFilePrint();
    void OnFilePrintPreview();

    // ---- report runners ----------------------------------------------------------
    // Each replaces the current builder. output: kPreview, kPrint, kWord, kEmf.
    void RunSingleReport(const CPileRecord& pile, int output);
    void RunProjectReport(const pit::ListRows& list, int output, bool useCommon, const CCommonInfo* common,
                          bool styleA);
    void RunCountReport(const pit::ListRows& list, int summaryType, bool useCommon,
                        const CCommonInfo* common);
    void ExportExcelReport(const pit::ListRows& list, int option);
    // The single-pile page as a picture of the rectangle's size.
    QImage DrawSingleReportPreview(const CPileRecord& pile, const gdi::Rect& rect);

    // Writes the picture as a 24-bit bottom-up BMP file; false when the file
    // cannot be written.
    static bool SaveBitmapToFile(const QImage& image, const QString& path);

    // The horizontal bar moved to position: the wave area scrolls, and the
    // pile keeps the window printed from it (first sample, samples shown).
    void OnHScroll(int position);

    // ---- the framework's slots ------------------------------------------------------
    void OnInitialUpdate() override;
    void OnDraw(gdi::Canvas& dc) override;
    int WaveIndexFromPoint(QPoint p) override;
    void OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnLButtonUp(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnMouseMove(QPoint p, Qt::KeyboardModifiers modifiers) override;
    bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnMouseWheel(int delta, Qt::KeyboardModifiers modifiers) override;
    void RunAccelerator(int id) override;
    void OnChannelsReplaced() override;

private:
    // Wave area on top, curve area in the lower third of rect.
    void SetLayout(const gdi::Rect& rect);
    // The pile's current channel becomes the view's (0 when none is current).
    CWaveRecord* TakeCurrentChannel();
    // The wave laid out in the wave area, its picture drawn.
    void LayOutWave(CWaveRecord& w);
    void DrawWaveArea(gdi::Canvas& dc);
    void DrawSpectrum(gdi::Canvas& dc);
    void DrawPhase(gdi::Canvas& dc);
    // Marks from a new spectrum (rebuilt) or from a click in it; "pile
    // changed" only when a mark changed.
    void UpdateSpectrumMarks(bool rebuilt);
    void InvalidateRect(const gdi::Rect& r);
    void StoreVisibleWindow(const CWaveRecord& w, int position);
    void FollowScroll();
    void ReplaceBuilder(std::unique_ptr<CReportBuilder> builder);
    void RunOutput(int output);
    // Before and after a print job.
    void OnPreparePrinting();
    void OnEndPrinting();
    int DocRefine() const;
    int DocPhaseFactor() const;

    CProjectInfo* m_projectInfo = nullptr;
    CPrintSettings* m_printSettings = nullptr;
    std::unique_ptr<CReportBuilder> m_builder;
    gdi::Rect m_waveRect;
    gdi::Rect m_curveRect;
    int m_mode = kSpectrum;
    std::unique_ptr<CSpectrum> m_spectrum;
    std::unique_ptr<CPhase> m_phase;
    gdi::Rect m_savedWaveRect;
    bool m_markArmed = false;
    int m_markField = 0;
    int m_markBase = 0;

    pit::ReportBuilderFactory* m_factory = nullptr;
    pit::PrintUi* m_printUi = nullptr;
    std::unique_ptr<pit::PrintUi> m_ownPrintUi;
    DetailIndexAsker m_detailAsker;
};
