// The averaged-wave view above the main wave view.
#include "analysis/AverageWaveView.h"

#include "analysis/SingleWaveView.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/Canvas.h"

namespace {
constexpr pit::COLORREF kWhite = 0xFFFFFF;
}

CAverageView::CAverageView(QWidget* parent) : CBaseView(parent) {
    setObjectName(QStringLiteral("CAverageView"));
}

bool CAverageView::TakeAverage() {
    if (!m_pile || m_pile->ChannelCountInList() < 1)
        return false;
    m_currentWave = m_pile->ChannelCountInList() - 1;
    return true;
}

void CAverageView::OnInitialUpdate() {
    CBaseView::OnInitialUpdate();
    SetScrollSizes(QSize(100, 100));
    TakeAverage();
}

void CAverageView::OnUpdate() {
    TakeAverage();
    CBaseView::OnUpdate();
}

void CAverageView::OnDraw(gdi::Canvas& dc) {
    // A newly read pile may hold another count of channels.
    if (!PileLoaded() || !TakeAverage())
        return;
    PaintSingleChannel(*this, *CurrentWaveRecord(), dc, BottomSpare(m_pile->m_nChannelCount),
                       m_backgroundDrawn, m_layoutSize, kWhite);
}

void CAverageView::OnChannelsReplaced() {
    if (!TakeAverage())
        return;
    m_backgroundDrawn = true;
    LayOutSingleChannel(*this, *CurrentWaveRecord(), BottomSpare(m_pile->m_nChannelCount), m_layoutSize);
}

void CAverageView::DeselectLowerPane(bool unlessSameIndex) {
    CBaseView* lower = m_frame ? m_frame->LowerPaneView() : nullptr;
    if (!lower)
        return;
    const int other = lower->CurrentWave();
    if (!(unlessSameIndex && other == m_currentWave))
        if (CWaveRecord* w = m_pile->Channel(other))
            w->SetSelected(false);
    lower->InvalidateView();
}

void CAverageView::SelectAverage() {
    if (!TakeAverage())
        return;
    CurrentWaveRecord()->SetSelected(true);
    DeselectLowerPane(false);
    m_pile->m_nCurrentChannel = m_currentWave;
    InvalidateView();
    ShowPointInfo();
}

void CAverageView::SelectByPoint(QPoint p) {
    if (!TakeAverage())
        return;
    CWaveRecord* avg = CurrentWaveRecord();
    if (RotateMode())
        avg->SetAdjustStartFromPoint(p.x(), p.y());
    if (avg->GetFrameRect().PtInRect({p.x(), p.y()})) {
        avg->SetSelected(true);
        DeselectLowerPane(true);
    }
    m_pile->m_nCurrentChannel = m_currentWave;
    InvalidateView();
    ShowPointInfo();
}

void CAverageView::OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!PileLoaded())
        return;
    SelectByPoint(p);
    CBaseView::OnLButtonDown(p, modifiers);
}

void CAverageView::OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!PileLoaded())
        return;
    SelectByPoint(p);
    CBaseView::OnRButtonDown(p, modifiers);
}

void CAverageView::OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers) {
    if (!PileLoaded() || !TakeAverage())
        return;
    if (!CurrentWaveRecord()->GetLabelRect().PtInRect({p.x(), p.y()}))
        return;
    OpenCurrentWave();
}
