// The single-wave view, and the one-channel paint it shares with the
// averaged-wave view.
#include "analysis/SingleWaveView.h"

#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/Canvas.h"

#include <QApplication>
#include <QPalette>

void LayOutSingleChannel(CBaseView& view, CWaveRecord& w, int bottomSpare, QSize& laidOut) {
    QWidget* vp = view.viewport();
    gdi::Rect r(0, 0, vp->width(), vp->height());
    laidOut = QSize(r.Width(), r.Height());
    r.bottom -= bottomSpare;
    view.SetScrollSizes(laidOut);
    w.Layout(r.left, r.top, r.right, r.bottom);
    if (CKEV_DUXDoc* doc = view.GetDocument())
        w.SetFillMode(doc->m_ProjectInfo.m_nValue2);
    w.DrawToBitmap(vp);
}

void PaintSingleChannel(CBaseView& view, CWaveRecord& w, gdi::Canvas& dc, int bottomSpare,
                        bool& backgroundDrawn, QSize& laidOut, pit::COLORREF background) {
    QWidget* vp = view.viewport();
    const QPoint s = view.ScrollPosition();
    const gdi::Rect client(0, 0, vp->width(), vp->height());
    if (!backgroundDrawn) {
        backgroundDrawn = true;
        LayOutSingleChannel(view, w, bottomSpare, laidOut);
    }
    // Every pixel is painted: the background first, the channel on top.
    dc.FillSolidRect(gdi::Rect(s.x(), s.y(), s.x() + client.Width(), s.y() + client.Height()), background);
    w.Paint(dc, view.Frame() && view.Frame()->IsRotateMode());
    view.PaintReadout(dc, w, false);
}

CSingleWaveView::CSingleWaveView(QWidget* parent) : CBaseView(parent) {
    setObjectName(QStringLiteral("CSingleWaveView"));
}

void CSingleWaveView::OnInitialUpdate() {
    CBaseView::OnInitialUpdate();
    SetScrollSizes(QSize(100, 100));
}

bool CSingleWaveView::FollowPile() {
    if (!m_pile || !m_pile->Channel(m_pile->m_nCurrentChannel) || m_pile->m_nCurrentChannel == m_currentWave)
        return false;
    m_currentWave = m_pile->m_nCurrentChannel;
    m_backgroundDrawn = false;
    return true;
}

void CSingleWaveView::OnUpdate() {
    FollowPile();
    CBaseView::OnUpdate();
}

void CSingleWaveView::OnDraw(gdi::Canvas& dc) {
    FollowPile();
    CWaveRecord* w = CurrentWaveRecord();
    if (!m_pile || !PileLoaded() || !w)
        return;
    const QColor window = QApplication::palette().color(QPalette::Window);
    PaintSingleChannel(*this, *w, dc, 0, m_backgroundDrawn, m_layoutSize,
                       pit::RGB(window.red(), window.green(), window.blue()));
}

void CSingleWaveView::OnChannelsReplaced() {
    FollowPile();
    if (CWaveRecord* w = CurrentWaveRecord()) {
        m_backgroundDrawn = true;
        LayOutSingleChannel(*this, *w, 0, m_layoutSize);
    }
}

void CSingleWaveView::OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers) {
    const CWaveRecord* w = CurrentWaveRecord();
    if (!PileLoaded() || !w || !w->GetLabelRect().PtInRect({p.x(), p.y()}))
        return;
    if (m_frame)
        m_frame->OnViewMain();
}
