// The main wave view: one row per blow with data, selection by click.
#include "analysis/MainWaveView.h"

#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/Canvas.h"
#include "platform/Color.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {
constexpr pit::COLORREF kGrey = 0xC0C0C0; // RGB(192,192,192)
}

CKEV_DUXView::CKEV_DUXView(QWidget* parent) : CBaseView(parent) {
    setObjectName(QStringLiteral("CKEV_DUXView"));
}

// ---- rows -------------------------------------------------------------------------------------

bool CKEV_DUXView::TakesRow(int channel) const {
    if (!m_pile || channel < 0 || channel >= m_pile->ChannelCountInList() - 1)
        return false;
    const std::vector<bool>& data = m_pile->m_recordedBlows;
    // A channel beyond the scan (a blow table without samples) is shown.
    return size_t(channel) >= data.size() || data[size_t(channel)];
}

int CKEV_DUXView::RowCount() const {
    int rows = 0;
    if (m_pile)
        for (int i = 0; i < m_pile->ChannelCountInList() - 1; ++i)
            rows += TakesRow(i) ? 1 : 0;
    return rows;
}

double CKEV_DUXView::RowHeight() const {
    return double(viewport()->height()) / 3.0;
}

int CKEV_DUXView::BlowAt(QPoint p) const {
    if (!m_pile)
        return -1;
    for (int i = 0; i < m_pile->ChannelCountInList() - 1; ++i)
        if (TakesRow(i) && m_pile->Channel(i)->GetFrameRect().PtInRect({p.x(), p.y()}))
            return i;
    return -1;
}

void CKEV_DUXView::LayOutRows() {
    m_backgroundDrawn = true;
    const int count = m_pile->ChannelCountInList();
    // One vertical scale for all channels while the axis is locked.
    float peak = -1.0f;
    if (m_doc->m_bLockYAxis) {
        peak = 0.0f;
        for (int i = 0; i < count; ++i)
            peak = std::max(peak, m_pile->Channel(i)->GetMaxAbsDisplay());
    }
    for (int i = 0; i < count; ++i)
        m_pile->Channel(i)->SetCommonPeak(peak);

    const double r = RowHeight();
    SetScrollSizes(QSize(TotalSize().width(), int(RowCount() * r)), QSize(0, int(r)));
    const int width = viewport()->width();
    int k = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (!TakesRow(i))
            continue;
        CWaveRecord* w = m_pile->Channel(i);
        w->Layout(0, int(k * r), width, int((k + 1) * r));
        w->SetFillMode(m_doc->m_ProjectInfo.m_nValue2);
        w->DrawToBitmap(viewport());
        ++k;
    }
}

void CKEV_DUXView::OnChannelsReplaced() {
    LayOutRows();
}

// ---- paint --------------------------------------------------------------------------------------

void CKEV_DUXView::OnDraw(gdi::Canvas& dc) {
    if (!m_doc || !m_pile || !PileLoaded())
        return;
    if (!m_backgroundDrawn)
        LayOutRows();
    // Grey where no row lies (below a pile of fewer than three rows).
    const QPoint s = ScrollPosition();
    dc.FillSolidRect(gdi::Rect(s.x(), s.y(), s.x() + viewport()->width(), s.y() + viewport()->height()),
                     kGrey);
    const bool rotate = RotateMode();
    for (int i = 0; i < m_pile->ChannelCountInList() - 1; ++i)
        if (TakesRow(i)) {
            m_pile->Channel(i)->Paint(dc, rotate);
            PaintReadout(dc, *m_pile->Channel(i), false);
        }
    if (m_firstPaint) {
        m_firstPaint = false;
        OnUpdate();
    }
}

// ---- framework slots ------------------------------------------------------------------------------

void CKEV_DUXView::OnInitialUpdate() {
    CBaseView::OnInitialUpdate();
    SetScrollSizes(QSize(100, 100));
}

void CKEV_DUXView::OnUpdate() {
    CBaseView::OnUpdate();
    if (!PileLoaded() || !m_pile)
        return;
    SetScrollY(0);
    const int current = m_pile->m_nCurrentChannel;
    if (current == -1 || current >= m_pile->ChannelCountInList() - 1)
        return;
    // One page (row) down for each row before the current channel; blows
    // without data take no row.
    for (int i = 0; i < current; ++i)
        if (TakesRow(i))
            SetScrollY(verticalScrollBar()->value() + verticalScrollBar()->pageStep());
}

void CKEV_DUXView::OnSize() {
    if (PileLoaded() && m_pile) {
        m_currentWave = 0;
        for (int i = 0; i < m_pile->ChannelCountInList() - 1; ++i)
            if (m_pile->Channel(i)->IsSelected()) {
                m_currentWave = i;
                break;
            }
    }
    CBaseView::OnSize();
}

// ---- selection -------------------------------------------------------------------------------------

int CKEV_DUXView::WaveIndexFromPoint(QPoint p) {
    const int i = BlowAt(p);
    if (i >= 0)
        m_currentWave = i;
    return i;
}

void CKEV_DUXView::InvalidateUpperPane() {
    if (m_frame)
        if (CBaseView* upper = m_frame->UpperPaneView())
            upper->InvalidateView();
}

void CKEV_DUXView::SelectByPoint(QPoint p) {
    const int count = m_pile->ChannelCountInList();
    int hit = 0;
    for (int i = 0; i < count - 1; ++i) {
        CWaveRecord* w = m_pile->Channel(i);
        if (TakesRow(i) && w->GetFrameRect().PtInRect({p.x(), p.y()})) {
            w->SetSelected(true);
            w->SetPickPoint(p.x(), p.y());
            hit = i;
            m_pile->AverageChannel()->SetSelected(false);
            InvalidateUpperPane();
        } else {
            w->SetSelected(false);
        }
    }
    m_currentWave = hit;
    m_pile->m_nCurrentChannel = m_currentWave;
    if (RotateMode())
        if (CWaveRecord* w = CurrentWaveRecord())
            w->SetAdjustStartFromPoint(p.x(), p.y());
    ShowPointInfo();
}

void CKEV_DUXView::SelectWave(int index) {
    if (!m_pile || index < 0 || index > m_pile->ChannelCountInList() - 1)
        return;
    const int count = m_pile->ChannelCountInList();
    for (int i = 0; i < count - 1; ++i)
        m_pile->Channel(i)->SetSelected(i == index);
    m_pile->AverageChannel()->SetSelected(false);
    InvalidateUpperPane();
    m_currentWave = index;
    m_pile->m_nCurrentChannel = index;
    ShowPointInfo();
}

void CKEV_DUXView::SelectChannel(int index) {
    SelectWave(index);
    ScrollToCurrent();
    OnUpdate();
}

void CKEV_DUXView::ScrollToCurrent() {
    FollowChannels();
    const CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    int c = m_currentWave;
    for (int i = 0; i < m_currentWave; ++i)
        c -= TakesRow(i) ? 0 : 1;
    const int h = w->GetFrameRect().Height();
    if (h > 0) {
        const int y = verticalScrollBar()->value();
        const int p = (y + h - 1) / h;
        if (p == c + 1)
            SetScrollY(w->GetFrameRect().top);
        else if (p + 3 == c + 1)
            SetScrollY(w->GetFrameRect().top - 2 * h);
    }
    InvalidateView();
}

// ---- input -------------------------------------------------------------------------------------------

void CKEV_DUXView::OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!PileLoaded() || !m_pile)
        return;
    SelectByPoint(p);
    ScrollToCurrent();
    CBaseView::OnLButtonDown(p, modifiers);
}

void CKEV_DUXView::OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!PileLoaded() || !m_pile)
        return;
    SelectByPoint(p);
    ScrollToCurrent();
    CBaseView::OnRButtonDown(p, modifiers);
}

void CKEV_DUXView::OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers) {
    if (!PileLoaded() || !m_pile)
        return;
    const CWaveRecord* w = CurrentWaveRecord();
    if (!w || !w->GetLabelRect().PtInRect({p.x(), p.y()}))
        return;
    OpenCurrentWave();
}

void CKEV_DUXView::OnMouseMove(QPoint p, Qt::KeyboardModifiers) {
    if (!PileLoaded() || !m_pile)
        return;
    const int i = BlowAt(p);
    if (i < 0)
        return;
    CWaveRecord* w = m_pile->Channel(i);
    MoveHandleOrPick(w, p);
}

bool CKEV_DUXView::OnKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Home || key == Qt::Key_End) {
        SetScrollY(key == Qt::Key_Home ? 0 : 100000);
        InvalidateView();
        return true;
    }
    return CBaseView::OnKeyDown(key, modifiers);
}

bool CKEV_DUXView::OnMouseWheel(int delta, Qt::KeyboardModifiers modifiers) {
    if (!PileLoaded() || delta == 0)
        return true;
    QScrollBar* v = verticalScrollBar();
    const int step = (modifiers & Qt::ControlModifier) ? v->singleStep() : v->pageStep();
    SetScrollY(v->value() + (delta < 0 ? step : -step));
    return true;
}
