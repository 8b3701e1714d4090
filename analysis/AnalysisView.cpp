// The analysis view: wave above its spectrum or phase, spectrum marks, the
// detail index, and the print host of the report pages.
#include "analysis/AnalysisView.h"

#include "analysis/PrintUi.h"
#include "controls/PrinterSupport.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/draw/ParaWave.h"
#include "core/draw/PhaseDraw.h"
#include "core/draw/SpectrumDraw.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/BmpWriter.h"
#include "platform/Canvas.h"
#include "reports/PrintJob.h"

#include <QKeyEvent>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

CAnalysisView::CAnalysisView(QWidget* parent) : CBaseView(parent) {
    setObjectName(QStringLiteral("CAnalysisView"));
}

CAnalysisView::~CAnalysisView() = default;

void CAnalysisView::OnInitialUpdate() {
    CBaseView::OnInitialUpdate();
    if (m_doc) {
        m_projectInfo = &m_doc->m_ProjectInfo;
        m_printSettings = &m_doc->m_PrintSettings;
    }
    // Its own horizontal bar, 0..1000: where the printed window of the wave starts.
    SetOwnHorizontalBar(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QScrollBar* bar = horizontalScrollBar();
    {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, kScrollRange);
        bar->setSingleStep(1);
        bar->setPageStep(kScrollRange / 10);
    }
    connect(bar, &QScrollBar::valueChanged, this, &CAnalysisView::OnHScroll, Qt::UniqueConnection);
}

void CAnalysisView::OnHScroll(int position) {
    if (PileLoaded() && m_pile)
        if (const CWaveRecord* w = CurrentWaveRecord())
            StoreVisibleWindow(*w, position);
    FollowScroll();
    InvalidateView();
}

void CAnalysisView::StoreVisibleWindow(const CWaveRecord& w, int position) {
    m_pile->m_nFirstVisible = w.XToIndexClamped(position, 0, false);
    const float zoom = w.zoom >= 1.0f && std::isfinite(w.zoom) ? w.zoom : 1.0f;
    m_pile->m_nVisibleCount = int(float(w.SampleCount()) / zoom);
}

void CAnalysisView::FollowScroll() {
    // The curve area stays under the window while the wave area scrolls.
    const int x = ScrollPosition().x();
    const int width = m_curveRect.Width();
    m_curveRect.left = x;
    m_curveRect.right = x + width;
}

int CAnalysisView::DocRefine() const {
    return m_doc ? m_doc->m_nRefineIndex : CSpectrum::kDefaultRefine;
}

int CAnalysisView::DocPhaseFactor() const {
    return m_doc ? m_doc->m_nPhaseRefineIndex : 1;
}

void CAnalysisView::InvalidateRect(const gdi::Rect& r) {
    InvalidateContent(r.toQRect().adjusted(-2, -2, 2, 2));
}

// ---- layout and paint ----------------------------------------------------------------------------

void CAnalysisView::SetLayout(const gdi::Rect& rect) {
    if (!PileLoaded())
        return;
    m_waveRect = rect;
    m_waveRect.bottom = rect.top + 2 * rect.Height() / 3;
    m_curveRect = gdi::Rect(rect.left, m_waveRect.bottom, rect.right, rect.bottom);
}

void CAnalysisView::OnDraw(gdi::Canvas& dc) {
    if (!m_pile)
        return;
    const QPoint s = ScrollPosition();
    const gdi::Rect client(s.x(), s.y(), s.x() + viewport()->width(), s.y() + viewport()->height());
    // The wave is laid out on the window's own rectangle, so the bar moves it.
    if (!m_backgroundDrawn)
        SetLayout(gdi::Rect(0, 0, viewport()->width(), viewport()->height()));
    FollowScroll();
    dc.FillSolidRect(client, 0xFFFFFF);
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, 0));
    DrawWaveArea(dc);
    m_curveRect.top += 1;
    if (m_mode == kSpectrum)
        DrawSpectrum(dc);
    else if (m_mode == kPhase)
        DrawPhase(dc);
    m_backgroundDrawn = true;
    dc.FrameRect(m_waveRect, gdi::Brush::Solid(0));
    dc.FrameRect(m_curveRect, gdi::Brush::Solid(0));
    m_curveRect.top -= 1;
}

CWaveRecord* CAnalysisView::TakeCurrentChannel() {
    if (m_pile->m_nCurrentChannel < 0)
        m_pile->m_nCurrentChannel = 0;
    m_currentWave = m_pile->m_nCurrentChannel;
    return CurrentWaveRecord();
}

void CAnalysisView::LayOutWave(CWaveRecord& w) {
    if (m_markingStarted && m_selection) {
        w.SetSelectionRange(w.XToIndexClamped(m_lastPoint.x(), m_lastPoint.y(), false),
                            w.XToIndexClamped(m_point1.x(), m_point1.y(), false));
        w.SetFlagA(m_markingDone ? 0 : 1);
    }
    gdi::Rect r = m_waveRect;
    r.InflateRect(1, 1);
    w.Layout(r.left, r.top, r.right, r.bottom);
    m_waveRect = w.GetFrameRect();
    m_waveRect.DeflateRect(1, 1);
    if (m_mode != kSpectrum)
        m_curveRect.right = m_waveRect.right;
    if (m_projectInfo)
        w.SetFillMode(m_projectInfo->m_nValue2);
    w.DrawToBitmap(viewport());
}

void CAnalysisView::OnChannelsReplaced() {
    // The curves were drawn from the channel read before.
    m_spectrum.reset();
    m_phase.reset();
    // The wave's frame at once, for a click before the next paint, which
    // lays out again and draws the curves anew (the background stays cleared).
    SetLayout(gdi::Rect(0, 0, viewport()->width(), viewport()->height()));
    if (CWaveRecord* w = TakeCurrentChannel())
        LayOutWave(*w);
}

void CAnalysisView::DrawWaveArea(gdi::Canvas& dc) {
    CWaveRecord* w = TakeCurrentChannel();
    if (!w)
        return;
    SetScrollSizes(viewport()->size());
    if (!m_backgroundDrawn)
        LayOutWave(*w);
    w->Paint(dc, RotateMode());
    // The channel's read-out beside it, with the pile's Fmax mark.
    PaintReadout(dc, *w, true);
}

void CAnalysisView::DrawSpectrum(gdi::Canvas& dc) {
    CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    if (m_backgroundDrawn && m_spectrum) {
        gdi::Rect r = m_curveRect;
        r.InflateRect(1, 1);
        m_spectrum->SetRect(r.left, r.top, r.right, r.bottom);
        m_spectrum->PrepareBitmap(viewport());
        m_cursorMoved = false;
        m_spectrum->Paint(dc);
        return;
    }
    m_spectrum = std::make_unique<CSpectrum>(w);
    const int k = std::max(1, logicalDpiX() / 96);
    gdi::Rect r = m_curveRect;
    r.InflateRect(k, k);
    m_spectrum->SetRect(r.left, r.top, r.right, r.bottom);
    m_spectrum->SetRefine(DocRefine());
    m_spectrum->SetFillMode(w->GetFillMode());
    m_spectrum->SetDecimals(m_doc ? m_doc->m_nDecimalPointNum : 2);
    UpdateSpectrumMarks(true);
    m_spectrum->PrepareBitmap(viewport());
    m_spectrum->Paint(dc);
}

void CAnalysisView::DrawPhase(gdi::Canvas& dc) {
    CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    if (!m_backgroundDrawn || !m_phase) {
        m_phase = std::make_unique<CPhase>(w);
        m_phase->SetFillMode(w->GetFillMode());
    }
    gdi::Rect r = m_curveRect;
    r.InflateRect(1, 1);
    m_phase->SetRect(r);
    m_phase->SetRefine(DocPhaseFactor());
    m_phase->PrepareBitmap(viewport());
    m_phase->Paint(dc);
}

// ---- spectrum marks ------------------------------------------------------------------------------

void CAnalysisView::UpdateSpectrumMarks(bool rebuilt) {
    if (!m_spectrum || !m_pile)
        return;
    std::array<int32_t, 6>& marks = m_pile->m_analysisValues;
    const std::array<int32_t, 6> before = marks;
    int range = 0, peak = 0;
    m_spectrum->GetRangeAndPeak(range, peak);
    if (rebuilt && marks[0] == 0) {
        marks[0] = range;
        marks[1] = peak;
    }
    marks[0] = range;
    m_spectrum->SetPeakFrequency(float(marks[1]));
    if (!rebuilt && m_frame) {
        m_markField = m_frame->GetSpectrumEditField();
        const int f = m_spectrum->GetCursorFrequency();
        switch (m_markField) {
        case pit::kSpectrumFieldPeak:
            marks[1] = f;
            m_spectrum->SetPeakFrequency(float(f));
            break;
        case pit::kSpectrumFieldBase:
            marks[2] = f;
            break;
        case pit::kSpectrumFieldDiff1:
        case pit::kSpectrumFieldDiff2:
        case pit::kSpectrumFieldDiff3:
            m_markArmed = true;
            m_markBase = f;
            break;
        default:
            break;
        }
    }
    if (marks != before) {
        if (!rebuilt) // a click marked a frequency; the paint only fills in a new pile's range
            MarkModified();
        SendRefresh(pit::RefreshTarget::PileChanged);
    }
}

// ---- input ---------------------------------------------------------------------------------------

int CAnalysisView::WaveIndexFromPoint(QPoint p) {
    return pit::PtInRect(m_waveRect, p) ? m_currentWave : -1;
}

void CAnalysisView::OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (m_mode == kSpectrum && m_spectrum && pit::PtInRect(m_curveRect, p)) {
        m_cursorMoved = true;
        m_spectrum->SetCursorPos(p.x(), p.y());
        UpdateSpectrumMarks(false);
        InvalidateRect(m_curveRect);
    }
    CBaseView::OnLButtonDown(p, modifiers);
}

void CAnalysisView::OnLButtonUp(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!RotateMode())
        CBaseView::OnLButtonUp(p, modifiers);
}

void CAnalysisView::OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!pit::PtInRect(m_curveRect, p)) {
        CBaseView::OnRButtonDown(p, modifiers);
        return;
    }
    if (!m_spectrum || !m_markArmed || !m_pile)
        return;
    m_spectrum->SetCursorPos(p.x(), p.y());
    const int field = m_frame ? m_frame->GetSpectrumEditField() : pit::kSpectrumFieldNone;
    if (field != m_markField) {
        m_markArmed = false;
        return;
    }
    if (field >= pit::kSpectrumFieldDiff1 && field <= pit::kSpectrumFieldDiff3) {
        int32_t& mark = m_pile->m_analysisValues[size_t(field - 1)];
        const int value = m_spectrum->GetCursorFrequency() - m_markBase;
        if (mark != value) {
            mark = value;
            MarkModified();
            SendRefresh(pit::RefreshTarget::PileChanged);
        }
    }
    InvalidateRect(m_curveRect);
}

void CAnalysisView::OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers) {
    const CWaveRecord* w = CurrentWaveRecord();
    if (PileLoaded() && w && pit::PtInRect(w->GetLabelRect(), p) && m_frame)
        m_frame->OnViewMain();
}

void CAnalysisView::OnMouseMove(QPoint p, Qt::KeyboardModifiers modifiers) {
    m_selection = false;
    if (PileLoaded()) {
        CWaveRecord* w = CurrentWaveRecord();
        if (pit::PtInRect(m_curveRect, p)) {
            if (m_spectrum)
                m_spectrum->SetCursorPoint(p.x(), p.y());
            if (m_mode == kPhase && m_phase)
                m_phase->SetCursorPoint(p.x(), p.y());
            InvalidateRect(m_curveRect);
            if (m_mode != kSpectrum && w) {
                w->SetPickPoint(p.x(), m_waveRect.top + 100);
                InvalidateRect(m_waveRect);
            }
        } else if (pit::PtInRect(m_waveRect, p)) {
            if (w)
                w->SetPickPoint(p.x(), p.y());
            if (m_mode == kPhase && m_phase)
                m_phase->SetCursorPoint(p.x(), p.y());
            if (m_mode != kSpectrum)
                InvalidateRect(m_curveRect);
            InvalidateRect(m_waveRect);
            if (m_markingStarted)
                m_point1 = p;
        }
    }
    CBaseView::OnMouseMove(p, modifiers);
}

bool CAnalysisView::OnKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Escape) {
        m_markingDone = false;
        if (CWaveRecord* w = CurrentWaveRecord()) {
            w->SetFlagA(0);
            m_backgroundDrawn = false;
            InvalidateRect(m_waveRect);
        }
        return true;
    }
    return CBaseView::OnKeyDown(key, modifiers);
}

bool CAnalysisView::OnMouseWheel(int, Qt::KeyboardModifiers) {
    return true;
}

void CAnalysisView::RunAccelerator(int id) {
    if (id == kAccAmplifyStartDown)
        MarkHeadAtPoint();
    else
        CBaseView::RunAccelerator(id);
}

// ---- commands ------------------------------------------------------------------------------------

void CAnalysisView::OnViewSpectrum() {
    if (!m_frame)
        return;
    if (m_frame->GetViewMode() != pit::ViewMode::Analysis) {
        m_frame->SetPreviousViewMode(m_frame->GetViewMode());
        m_frame->SetViewMode(pit::ViewMode::Analysis);
        m_mode = kSpectrum;
        m_backgroundDrawn = false;
        InvalidateView();
        return;
    }
    if (m_frame->GetPreviousViewMode() != pit::ViewMode::Main)
        m_frame->OnViewSingleWave();
    else
        m_frame->OnViewMain();
}

void CAnalysisView::OnViewPhase() {
    m_mode = kPhase;
    m_backgroundDrawn = false;
    InvalidateView();
}

QString CAnalysisView::DetailIndexText(int mode, bool english) {
    switch (mode) {
    case kGapPoints:
        return english ? QStringLiteral("Set Dis Points(CTrl+R)") : QStringLiteral("设置间隔点数(CTrl+R)");
    case kNumeric:
        return english ? QStringLiteral("Set Numeric(CTrl+R)") : QStringLiteral("设置数值模拟(CTrl+R)");
    default:
        return english ? QStringLiteral("Set Detail Index(CTrl+R)") : QStringLiteral("细化指数设置(CTrl+R)");
    }
}

void CAnalysisView::OnSetDetailIndex() {
    if ((!m_spectrum && !m_phase) || !m_doc || !m_detailAsker)
        return;
    int* setting = nullptr;
    switch (m_mode) {
    case kSpectrum:
        setting = &m_doc->m_nRefineIndex;
        break;
    case kPhase:
        setting = &m_doc->m_nPhaseRefineIndex;
        break;
    case kGapPoints:
        setting = &m_doc->m_nGapIndex;
        break;
    default:
        return;
    }
    if (const std::optional<int> value = m_detailAsker(m_mode, *setting, this)) {
        *setting = *value;
        m_backgroundDrawn = false;
        InvalidateView();
    }
}

// ---- report runners ------------------------------------------------------------------------------

void CAnalysisView::ReplaceBuilder(std::unique_ptr<CReportBuilder> builder) {
    m_builder = std::move(builder);
}

void CAnalysisView::RunOutput(int output) {
    if (!m_builder)
        return;
    switch (output) {
    case kPreview:
        OnFilePrintPreview();
        break;
    case kPrint:
        OnFilePrint();
        break;
    case kWord:
        m_builder->ExportWord(QString());
        break;
    case kEmf:
        m_builder->ExportEmf();
        break;
    default:
        break;
    }
}

void CAnalysisView::RunSingleReport(const CPileRecord& pile, int output) {
    if (!m_factory)
        return;
    // The builder works on its own copy: printing never re-reads the pile
    // shown, so unsaved edits stay.
    ReplaceBuilder(m_factory->CreateSingle(pile, nullptr));
    if (m_printSettings)
        m_printSettings->m_nReportKind = 1;
    if (!m_builder)
        return;
    m_builder->UpdatePileList();
    RunOutput(output);
}

void CAnalysisView::RunProjectReport(const pit::ListRows& list, int output, bool useCommon,
                                     const CCommonInfo* common, bool styleA) {
    if (!m_factory)
        return;
    ReplaceBuilder(m_factory->CreateProject(list, styleA));
    if (!m_builder)
        return;
    m_builder->SetCommonInfo(useCommon, common);
    m_builder->UpdatePileList();
    RunOutput(output);
}

void CAnalysisView::RunCountReport(const pit::ListRows& list, int summaryType, bool useCommon,
                                   const CCommonInfo* common) {
    if (!m_factory)
        return;
    ReplaceBuilder(m_factory->CreateCountInfo(list, summaryType));
    if (!m_builder)
        return;
    m_builder->SetCommonInfo(useCommon, common);
    m_builder->UpdatePileList();
    m_builder->ExportWord(QString());
}

void CAnalysisView::ExportExcelReport(const pit::ListRows& list, int option) {
    if (!m_factory)
        return;
    ReplaceBuilder(m_factory->CreateExcel(list, option));
    if (!m_builder)
        return;
    m_builder->SetDecimalPlaces(m_doc ? m_doc->m_nDecimalPointNum : 2);
    m_builder->UpdatePileList();
    m_builder->ExportExcel();
}

QImage CAnalysisView::DrawSingleReportPreview(const CPileRecord& pile, const gdi::Rect& rect) {
    if (!m_factory)
        return {};
    ReplaceBuilder(m_factory->CreateSingle(pile, nullptr));
    if (!m_builder)
        return {};
    m_builder->SetPictureMode(true);
    QImage picture = m_builder->RenderToBitmap(rect);
    m_builder->SetPictureMode(false);
    return picture;
}

// ---- printing --------------------------------------------------------------------------------------

void CAnalysisView::OnPreparePrinting() {
    m_savedWaveRect = m_waveRect;
}

void CAnalysisView::OnEndPrinting() {
    m_waveRect = m_savedWaveRect;
    m_backgroundDrawn = false;
    InvalidateView();
}

bool CAnalysisView::OnFilePrint() {
    if (!m_builder || !m_printSettings)
        return false;
    if (!m_printUi) {
        m_ownPrintUi = std::make_unique<pit::QtPrintUi>();
        m_printUi = m_ownPrintUi.get();
    }
    OnPreparePrinting();
    CPrintInfo info;
    m_builder->SetPageRange(info);
    info.fromPage = info.minPage;
    info.toPage = info.maxPage;
    QPrinter& printer = pit::SharedPrinter();
    pit::StartFromChosenPrinter(printer);
    // Every page is laid out for 600 dpi, whatever printer is chosen.
    printer.setResolution(kPrintDpi);
    bool printed = false;
    if (m_printUi->ChoosePrinter(printer, info, this)) {
        printer.setResolution(kPrintDpi); // another printer chosen in the dialog keeps it too
        printed = pit::PrintPages(printer, *m_builder, *m_printSettings, info, pit::PdfOutputFile(printer),
                                  [&printer](const QString& file) { printer.setOutputFileName(file); }) > 0;
    }
    OnEndPrinting();
    return printed;
}

void CAnalysisView::OnFilePrintPreview() {
    if (!m_builder || !m_printSettings)
        return;
    if (!m_printUi) {
        m_ownPrintUi = std::make_unique<pit::QtPrintUi>();
        m_printUi = m_ownPrintUi.get();
    }
    OnPreparePrinting();
    CPrintInfo range;
    m_builder->SetPageRange(range);
    QPrinter& printer = pit::SharedPrinter();
    pit::StartFromChosenPrinter(printer);
    // Every page is laid out for 600 dpi, whatever printer is chosen.
    printer.setResolution(kPrintDpi);
    m_printUi->Preview(
        printer,
        [this, range](QPrinter* p) {
            CPrintInfo info = range;
            info.preview = true;
            info.fromPage = info.minPage;
            info.toPage = info.maxPage;
            pit::PrintPages(*p, *m_builder, *m_printSettings, info, pit::PdfOutputFile(*p));
        },
        this);
    OnEndPrinting();
}

bool CAnalysisView::SaveBitmapToFile(const QImage& image, const QString& path) {
    return pit::SaveBmp(image, path);
}
