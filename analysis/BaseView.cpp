// Common base of the wave views: input on a channel into channel operations.
#include "analysis/BaseView.h"

#include "analysis/DefectDlg.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/draw/ParaWave.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/Canvas.h"
#include "platform/MessageSink.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace {

pit::QtDefectAsker& DefaultDefectAsker() {
    static pit::QtDefectAsker asker;
    return asker;
}

} // namespace

CBaseView::CBaseView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    // The views paint every pixel themselves from the cached pictures.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateScrollBars();
}

CBaseView::~CBaseView() = default;

bool CBaseView::PileLoaded() const {
    return m_doc && m_doc->m_bFileOpen;
}

CWaveRecord* CBaseView::CurrentWaveRecord() const {
    return m_pile ? m_pile->Channel(m_currentWave) : nullptr;
}

// ---- scrolling ----------------------------------------------------------------------------

QPoint CBaseView::ScrollPosition() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CBaseView::SetScrollSizes(QSize total, QSize page, QSize line) {
    m_totalSize = total;
    m_pageSize = page;
    m_lineSize = line;
    UpdateScrollBars();
}

void CBaseView::SetScrollY(int y) {
    verticalScrollBar()->setValue(y); // clamped to the range
}

void CBaseView::UpdateScrollBars() {
    const QSize vp = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    if (!m_ownHorizontal)
        h->setRange(0, std::max(0, m_totalSize.width() - vp.width()));
    v->setRange(0, std::max(0, m_totalSize.height() - vp.height()));
    const int pageX = m_pageSize.width() > 0 ? m_pageSize.width() : std::max(1, m_totalSize.width() / 10);
    const int pageY = m_pageSize.height() > 0 ? m_pageSize.height() : std::max(1, m_totalSize.height() / 10);
    if (!m_ownHorizontal)
        h->setPageStep(pageX);
    v->setPageStep(pageY);
    if (!m_ownHorizontal)
        h->setSingleStep(m_lineSize.width() > 0 ? m_lineSize.width() : std::max(1, pageX / 10));
    v->setSingleStep(m_lineSize.height() > 0 ? m_lineSize.height() : std::max(1, pageY / 10));
}

void CBaseView::scrollContentsBy(int, int) {
    viewport()->update();
}

// ---- framework slots ------------------------------------------------------------------------

void CBaseView::OnInitialUpdate() {
    SetScrollSizes(QSize(100, 100));
    if (m_doc)
        m_pile = &m_doc->m_PileRecord;
}

void CBaseView::OnUpdate() {
    InvalidateView();
}

void CBaseView::OnDraw(gdi::Canvas&) {}

int CBaseView::WaveIndexFromPoint(QPoint) {
    return m_currentWave;
}

bool CBaseView::FollowChannels() {
    if (!m_pile || m_pile->ChannelStamp() == m_channelStamp)
        return false;
    m_backgroundDrawn = false;
    // The views share the channels: a hidden view lays out nothing under the
    // one shown, and follows when it is shown itself.
    if (!isVisible())
        return true;
    m_channelStamp = m_pile->ChannelStamp();
    if (PileLoaded())
        OnChannelsReplaced();
    return true;
}

void CBaseView::OnChannelsReplaced() {}

void CBaseView::OnSize() {
    if (PileLoaded())
        m_backgroundDrawn = false;
    UpdateScrollBars();
}

// ---- Qt events --------------------------------------------------------------------------------

void CBaseView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    gdi::Canvas dc(painter);
    const QPoint scroll = ScrollPosition();
    dc.SetViewportOrg(-scroll.x(), -scroll.y());
    if (!PileLoaded()) {
        // Nothing to show: the plain window background.
        painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
        return;
    }
    FollowChannels();
    OnDraw(dc);
}

void CBaseView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    OnSize();
}

void CBaseView::mousePressEvent(QMouseEvent* e) {
    FollowChannels();
    const QPoint p = e->position().toPoint() + ScrollPosition();
    if (e->button() == Qt::LeftButton)
        OnLButtonDown(p, e->modifiers());
    else if (e->button() == Qt::RightButton) {
        // Ctrl + right click opens the view's menu (local amplification),
        // since many desktops take Alt + mouse for themselves.
        if (e->modifiers() & Qt::ControlModifier)
            return;
        OnRButtonDown(p, e->modifiers());
    }
    e->accept();
}

void CBaseView::mouseReleaseEvent(QMouseEvent* e) {
    FollowChannels();
    if (e->button() == Qt::LeftButton)
        OnLButtonUp(e->position().toPoint() + ScrollPosition(), e->modifiers());
    e->accept();
}

void CBaseView::mouseDoubleClickEvent(QMouseEvent* e) {
    FollowChannels();
    if (e->button() == Qt::LeftButton)
        OnLButtonDblClk(e->position().toPoint() + ScrollPosition(), e->modifiers());
    e->accept();
}

void CBaseView::mouseMoveEvent(QMouseEvent* e) {
    FollowChannels();
    OnMouseMove(e->position().toPoint() + ScrollPosition(), e->modifiers());
    e->accept();
}

void CBaseView::keyPressEvent(QKeyEvent* e) {
    FollowChannels();
    if (const int id = AcceleratorFromKey(e->key(), e->modifiers())) {
        RunAccelerator(id);
        e->accept();
        return;
    }
    if (OnKeyDown(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

void CBaseView::wheelEvent(QWheelEvent* e) {
    FollowChannels();
    // One step per wheel event: the view's own, never also the scroll area's.
    OnMouseWheel(e->angleDelta().y(), e->modifiers());
    e->accept();
}

void CBaseView::contextMenuEvent(QContextMenuEvent* e) {
    FollowChannels();
    // A plain right press is the toe click; the menu comes with Ctrl or the menu key.
    if (e->reason() == QContextMenuEvent::Mouse && !(e->modifiers() & Qt::ControlModifier))
        return;
    QMenu menu(this);
    QAction* local = menu.addAction(pit::ui::english() ? QStringLiteral("Local amplification")
                                                       : QStringLiteral("局部放大"));
    local->setEnabled(CanArmLocalAmplify());
    QAction* undo =
        menu.addAction(pit::ui::english() ? QStringLiteral("Undo Defect") : QStringLiteral("撤销缺陷"));
    undo->setData(kCmdUndoDefect);
    undo->setEnabled(CanUndoDefect());
    QAction* undoAll = menu.addAction(pit::ui::english() ? QStringLiteral("Undo All Defects")
                                                         : QStringLiteral("撤销所有缺陷"));
    undoAll->setData(kCmdUndoAllDefects);
    undoAll->setEnabled(CanUndoDefect());
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == local)
        ArmLocalAmplify();
    else if (chosen == undo)
        OnUndoDefect();
    else if (chosen == undoAll)
        OnUndoAllDefects();
}

// ---- keys ----------------------------------------------------------------------------------------

int CBaseView::AcceleratorFromKey(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (mods != Qt::AltModifier)
        return 0;
    switch (key) {
    case Qt::Key_Equal:
        return kAccAmplifyIndexUp;
    case Qt::Key_Minus:
        return kAccAmplifyIndexDown;
    case Qt::Key_0:
        return kAccAmplifyStartUp;
    case Qt::Key_9:
        return kAccAmplifyStartDown;
    case Qt::Key_C:
        return kAccKeepTimeSetSpeed;
    case Qt::Key_L:
        return kAccKeepTimeSetLength;
    default:
        return 0;
    }
}

void CBaseView::RunAccelerator(int id) {
    switch (id) {
    case kAccAmplifyIndexUp:
        OnAmplifyIndexUp();
        break;
    case kAccAmplifyIndexDown:
        OnAmplifyIndexDown();
        break;
    case kAccAmplifyStartUp:
        OnAmplifyStartUp();
        break;
    case kAccAmplifyStartDown:
        OnAmplifyStartDown();
        break;
    case kAccKeepTimeSetSpeed:
        OnKeepTimeSetSpeed();
        break;
    case kAccKeepTimeSetLength:
        OnKeepTimeSetLength();
        break;
    default:
        break;
    }
}

bool CBaseView::OnKeyDown(int key, Qt::KeyboardModifiers) {
    if (key != Qt::Key_Left && key != Qt::Key_Right)
        return false;
    CWaveRecord* w = CurrentWaveRecord();
    if (!PileLoaded() || !w)
        return false;
    QPoint next;
    if (!w->MoveCursorStep(next, key == Qt::Key_Left))
        return false;
    OnMouseMove(next, Qt::NoModifier);
    const QPoint local = next - ScrollPosition();
    QCursor::setPos(viewport()->mapToGlobal(local));
    return true;
}

bool CBaseView::OnMouseWheel(int, Qt::KeyboardModifiers) {
    return false;
}

// ---- left button ----------------------------------------------------------------------------------

int CBaseView::InfoBoxAt(const CWaveRecord& w, QPoint p) {
    gdi::Rect a, b;
    w.GetInfoRects(a, b);
    if (pit::PtInRect(a, p))
        return 1;
    if (pit::PtInRect(b, p))
        return 2;
    return 0;
}

bool CBaseView::StartHandleDrag(CWaveRecord& w, QPoint p) {
    const QPoint h = w.GetMarkerLabelPoint();
    const QRect box(h.x() - 4, h.y() - 4, 8, 8); // right and bottom edges excluded
    if (box.contains(p))
        w.SetDraggingHandle(1);
    return true;
}

void CBaseView::OnLButtonDown(QPoint p, Qt::KeyboardModifiers) {
    // Without a pile there is no channel to mark.
    if (!PileLoaded() || !m_pile)
        return;
    if (WaveIndexFromPoint(p) == -1)
        return;
    CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    if (!pit::PtInRect(w->GetPlotRect(), p) || pit::PtInRect(w->GetLabelRect(), p))
        return;
    if (const int box = InfoBoxAt(*w, p)) {
        if (m_frame)
            m_frame->StepAmplificationIndex(box == 1 ? 1 : 5);
        return;
    }
    if (w->IsLocalAmplifyMode()) {
        StartHandleDrag(*w, p);
        return;
    }
    if (RotateMode()) {
        w->SetAdjustStartFromPoint(p.x(), p.y());
        InvalidateView();
        return;
    }
    if (DragEditMode()) {
        w->DragEditToPoint(p.x(), p.y(), true);
        MarkModified();
        m_backgroundDrawn = false;
        SendRefresh(pit::RefreshTarget::AllWaveViews);
        InvalidateView();
        return;
    }
    BeginMarking(*w, p);
}

void CBaseView::BeginMarking(CWaveRecord& w, QPoint p) {
    m_markingStarted = true;
    m_lastPoint = p;
    int head = 0, toe = 0;
    w.GetHeadToe(head, toe);
    const int s = w.XToIndex(p.x(), p.y(), 1);
    if (m_pile->m_nCalcMode == 1 || s > toe)
        return;
    if (s < head) {
        MarkHeadAtPoint();
        return;
    }
    AskDefect(w, p);
}

void CBaseView::AskDefect(CWaveRecord&, QPoint p) {
    pit::DefectAsker& asker = m_defectAsker ? *m_defectAsker : DefaultDefectAsker();
    const pit::DefectChoice c = asker.ask(true, ScreenSpot(p), this);
    if (!c.ok)
        return;
    if (c.headChosen)
        MarkHeadAtPoint();
    else if (c.typeChosen && c.severityChosen)
        AddDefect(c.type, c.severity);
}

QRect CBaseView::ScreenSpot(QPoint content) const {
    const QPoint g = viewport()->mapToGlobal(content - ScrollPosition());
    return QRect(g.x(), g.y(), 10, 10);
}

void CBaseView::OnLButtonUp(QPoint, Qt::KeyboardModifiers) {
    if (!PileLoaded())
        return;
    CWaveRecord* w = CurrentWaveRecord();
    if (!w || !w->IsDraggingHandle())
        return;
    if (w->IsSmallScale()) {
        if (Message(QStringLiteral("确定放大效果吗?"), QStringLiteral("Apply this amplification?"),
                    pit::MB_OKCANCEL) == pit::IDOK) {
            w->ApplyLocalAmplify();
            MarkModified();
        } else {
            w->SetLocalAmplifyMode(0);
            w->SetDraggingHandle(0);
        }
    } else {
        Message(QStringLiteral("当前放大的曲线不合法,请重做!"),
                QStringLiteral("The amplified curve is not valid, please do it again!"), pit::MB_OK);
        w->SetLocalAmplifyMode(0);
        w->SetDraggingHandle(0);
    }
    m_backgroundDrawn = false;
    InvalidateContent(w->GetFrameRect().toQRect());
}

void CBaseView::OnLButtonDblClk(QPoint, Qt::KeyboardModifiers) {}

// ---- right button ----------------------------------------------------------------------------------

void CBaseView::OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) {
    if (!PileLoaded() || !m_pile)
        return;
    CWaveRecord* w = CurrentWaveRecord();
    if (!w || !pit::PtInRect(w->GetPlotRect(), p))
        return;
    if (const int box = InfoBoxAt(*w, p)) {
        if (m_frame)
            m_frame->StepAmplificationIndex(box == 1 ? -1 : -5);
        return;
    }
    if (WaveIndexFromPoint(p) != -1 && m_pile->m_nCalcMode != 1) {
        if (w->IsLocalAmplifyMode())
            return;
        AskBottom(*w, p, modifiers);
    }
    m_pile->m_nCurrentChannel = m_currentWave;
}

void CBaseView::AskBottom(CWaveRecord& w, QPoint p, Qt::KeyboardModifiers modifiers) {
    pit::DefectAsker& asker = m_defectAsker ? *m_defectAsker : DefaultDefectAsker();
    const pit::DefectChoice c = asker.ask(false, ScreenSpot(p), this);
    if (!c.ok || !c.bottomChosen)
        return;
    w.SetToeFromPoint(p.x(), p.y(), MarkerMode(), m_doc->Context());
    w.SetBottomShape(c.bottom);
    w.ClipDefectMarks();
    MarkModified();
    if (m_frame)
        m_frame->BuildIntegrityText(true);
    m_backgroundDrawn = false;
    if ((modifiers & Qt::AltModifier) && w.IsToeReflectionWeak()) {
        if (Message(QStringLiteral("是否局部放大?"), QStringLiteral("Amplify locally?"), pit::MB_YESNO) ==
            pit::IDYES)
            w.SetLocalAmplifyMode(1);
    }
    InvalidateView();
}

bool CBaseView::CanArmLocalAmplify() const {
    const CWaveRecord* w = CurrentWaveRecord();
    return PileLoaded() && w && !w->IsLocalAmplifyMode() && w->IsToeReflectionWeak();
}

void CBaseView::ArmLocalAmplify() {
    if (!CanArmLocalAmplify())
        return;
    CurrentWaveRecord()->SetLocalAmplifyMode(1);
    m_backgroundDrawn = false;
    InvalidateView();
}

// ---- mouse move -----------------------------------------------------------------------------------------

void CBaseView::OnMouseMove(QPoint p, Qt::KeyboardModifiers) {
    if (!PileLoaded())
        return;
    CWaveRecord* w = CurrentWaveRecord();
    if (!w || !pit::PtInRect(w->GetFrameRect(), p))
        return;
    MoveHandleOrPick(w, p);
}

void CBaseView::MoveHandleOrPick(CWaveRecord* w, QPoint p) {
    if (w->IsDraggingHandle()) {
        w->SetCentre(p.y());
        m_backgroundDrawn = false;
    } else {
        w->SetPickPoint(p.x(), p.y());
    }
    InvalidateContent(w->GetFrameRect().toQRect());
}

// ---- defect marks ----------------------------------------------------------------------------------------

void CBaseView::AddDefect(int type, int severity) {
    m_markingDone = false;
    CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    std::vector<DefectMark>& marks = w->DefectMarks();
    if (w->IsIndexInPile(m_lastPoint.x(), m_lastPoint.y()) && int(marks.size()) < CWaveRecord::kMaxDefects) {
        const int s = w->XToIndex(m_lastPoint.x(), m_lastPoint.y(), 1);
        // The next sequence number follows the largest, so undo still finds the
        // newest after a head or toe move clipped marks away.
        int32_t next = 1;
        for (const DefectMark& m : marks)
            next = std::max(next, m.extra + 1);
        auto it = std::find_if(marks.begin(), marks.end(), [s](const DefectMark& m) { return m.index >= s; });
        if (it != marks.end() && it->index == s) {
            it->type = type;
            it->severity = severity;
        } else {
            marks.insert(it, DefectMark{s, type, severity, next});
        }
        MarkModified();
        m_backgroundDrawn = false;
        if (m_frame)
            m_frame->BuildIntegrityText(true);
        InvalidateView();
        return;
    }
    if (int(marks.size()) >= CWaveRecord::kMaxDefects && w->IsIndexInPile(m_lastPoint.x(), m_lastPoint.y()))
        Message(QStringLiteral("缺陷数量不能超过4个!"), QStringLiteral("No more than 4 defects are allowed!"),
                pit::MB_OK);
    m_backgroundDrawn = false;
    w->SetFlagA(0);
    InvalidateView();
}

bool CBaseView::CanUndoDefect() const {
    const CWaveRecord* w = CurrentWaveRecord();
    return PileLoaded() && w && !w->GetDefectMarks().empty();
}

void CBaseView::OnUndoDefect() {
    CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    std::vector<DefectMark>& marks = w->DefectMarks();
    if (marks.empty())
        return;
    // The newest mark carries the largest sequence number.
    auto newest = std::max_element(marks.begin(), marks.end(), [](const DefectMark& a, const DefectMark& b) {
        return a.extra < b.extra;
    });
    marks.erase(newest);
    MarkModified();
    if (m_frame)
        m_frame->BuildIntegrityText(true);
    m_backgroundDrawn = false;
    InvalidateView();
}

void CBaseView::OnUndoAllDefects() {
    CWaveRecord* w = CurrentWaveRecord();
    if (!w)
        return;
    if (w->DefectMarks().empty())
        return;
    w->DefectMarks().clear();
    MarkModified();
    if (m_frame)
        m_frame->BuildIntegrityText(true);
    m_backgroundDrawn = false;
    InvalidateView();
}

void CBaseView::OpenCurrentWave() {
    m_pile->m_nCurrentChannel = m_currentWave;
    if (m_frame) {
        if (m_frame->WasSingleWaveView())
            m_frame->OnViewSingleWave();
        else
            m_frame->OnViewAnalysis();
        m_frame->RefreshPanelFields();
    }
}

void CBaseView::MarkHeadAtPoint() {
    m_markingDone = false;
    CWaveRecord* w = CurrentWaveRecord();
    if (!w || !m_doc)
        return;
    w->SetHeadFromPoint(m_lastPoint.x(), m_lastPoint.y(), MarkerMode(), m_doc->Context());
    MarkModified();
    m_backgroundDrawn = false;
    w->ClipDefectMarks();
    if (m_frame)
        m_frame->BuildIntegrityText(true);
    InvalidateView();
}

void CBaseView::ShowPointInfo() {
    const CWaveRecord* w = CurrentWaveRecord();
    if (!w || !m_frame)
        return;
    int high = 0, low = 0;
    w->GetFilterCutoffs(high, low);
    m_frame->SetPanelParameters(high, low, w->GetExpGain());
}

// ---- accelerators
// -------------------------------------------------------------------------------------------

void CBaseView::OnAmplifyIndexUp() {
    if (m_frame)
        m_frame->StepAmplificationIndex(1);
}

void CBaseView::OnAmplifyIndexDown() {
    if (m_frame)
        m_frame->StepAmplificationIndex(-1);
}

void CBaseView::OnAmplifyStartUp() {
    if (m_frame)
        m_frame->StepAmplificationStart(1);
}

void CBaseView::OnAmplifyStartDown() {
    if (m_frame)
        m_frame->StepAmplificationStart(-1);
}

void CBaseView::OnKeepTimeSetSpeed() {
    if (m_frame && m_frame->HasPileInfoPage())
        m_frame->KeepTimeSetSpeed();
}

void CBaseView::OnKeepTimeSetLength() {
    if (m_frame && m_frame->HasPileInfoPage())
        m_frame->KeepTimeSetLength();
}

// ---- helpers
// ------------------------------------------------------------------------------------------------

void CBaseView::InvalidateView() {
    viewport()->update();
}

void CBaseView::InvalidateContent(const QRect& content) {
    viewport()->update(content.translated(-ScrollPosition()));
}

void CBaseView::PaintReadout(gdi::Canvas& dc, CWaveRecord& w, bool analysisView) {
    if (w.readoutRect.IsRectEmpty())
        return;
    CParaWave panel(&w);
    CParaWave::Format f;
    f.decimals = m_doc ? m_doc->m_nDecimalPointNum : 2;
    f.markerMode = m_pile ? m_pile->m_bFixedQuantity : 0;
    f.analysisView = analysisView;
    f.pilePeakFrequency = m_pile ? float(m_pile->m_analysisValues[1]) : 0.0f;
    panel.SetFormat(f);
    panel.SetRect(w.readoutRect);
    panel.DrawToBitmap(viewport(), w.IsOddChannel());
    dc.DrawImage(w.readoutRect, panel.GetBitmap());
}

void CBaseView::MarkModified() {
    if (m_doc)
        m_doc->SetModifiedFlag(true);
}

void CBaseView::SendRefresh(pit::RefreshTarget target) {
    if (m_frame)
        m_frame->Refresh(target);
}

int CBaseView::Message(const QString& zh, const QString& en, unsigned type) const {
    return pit::ui::messages().show(pit::ui::english() ? en : zh, QString::fromUtf16(pit::ui::tipsCaption()),
                                    type);
}

bool CBaseView::RotateMode() const {
    return m_frame && m_frame->IsRotateMode();
}

bool CBaseView::DragEditMode() const {
    return m_frame && m_frame->IsDragEditMode();
}

int CBaseView::MarkerMode() const {
    return m_pile ? m_pile->m_bFixedQuantity : 0;
}
