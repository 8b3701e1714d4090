// Common base of the wave views: ties a view to the document's current pile,
// keeps the view's current channel and turns mouse and key input on a channel
// into operations of the channel record (head, toe, defect marks, local
// amplification, tilt start, drag correction, cursor steps).
//
// Derived views decide which channel lies under a point, lay the channels out
// and paint them. They override the virtuals below; the Qt event handlers of
// this class only translate events (viewport coordinates) and call them.
#pragma once

#include "analysis/FrameServices.h"
#include "platform/GdiRect.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

class CKEV_DUXDoc;
class CPileRecord;
class CWaveRecord;
class QPainter;

namespace gdi {
class Canvas;
}

namespace pit {
class DefectAsker;

// Whether a widget point lies in a device rectangle (right and bottom exclusive).
inline bool PtInRect(const gdi::Rect& r, QPoint p) {
    return r.PtInRect({p.x(), p.y()});
}
} // namespace pit

class CBaseView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Command ids of the accelerators the views handle (resource 128).
    enum Accelerator : int {
        kAccAmplifyIndexUp = 104,   // Alt+'='
        kAccAmplifyIndexDown = 105, // Alt+'-'
        kAccAmplifyStartUp = 106,   // Alt+'0'
        kAccAmplifyStartDown = 107, // Alt+'9'
        kAccKeepTimeSetSpeed = 108, // Alt+'c'
        kAccKeepTimeSetLength = 109 // Alt+'l'
    };
    static constexpr int kCmdUndoAllDefects = 32885;
    static constexpr int kCmdUndoDefect = 32886;

    explicit CBaseView(QWidget* parent = nullptr);
    ~CBaseView() override;

    // The document and frame services; set by the main frame before the first update.
    void SetDocument(CKEV_DUXDoc* doc) { m_doc = doc; }
    CKEV_DUXDoc* GetDocument() const { return m_doc; }
    void SetFrame(pit::FrameServices* frame) { m_frame = frame; }
    pit::FrameServices* Frame() const { return m_frame; }
    // Where the defect dialog is asked; the modal CDefectDlg unless set.
    void SetDefectAsker(pit::DefectAsker* asker) { m_defectAsker = asker; }

    // The pile taken at the first update; null before.
    CPileRecord* Pile() const { return m_pile; }
    // A pile file has been read into the document.
    bool PileLoaded() const;
    int CurrentWave() const { return m_currentWave; }
    void SetCurrentWave(int index) { m_currentWave = index; }
    // The view's channel, or null when the pile does not hold it.
    CWaveRecord* CurrentWaveRecord() const;
    // The next paint lays the channels out again and rebuilds their pictures.
    void ClearBackground() { m_backgroundDrawn = false; }
    // A pile read again (a save, a reload) holds channels the view never laid
    // out: they are laid out and drawn at once, so that no paint or click
    // meets a channel without its frame. True when the channels were
    // replaced. Every paint and input event checks first.
    bool FollowChannels();
    bool BackgroundDrawn() const { return m_backgroundDrawn; }
    // Repaint the whole viewport, or a content rectangle of it.
    void InvalidateView();
    void InvalidateContent(const QRect& content);

    // Scroll position in content pixels.
    QPoint ScrollPosition() const;
    // Content size, page step and line step of the scroll bars (MM_TEXT pixels);
    // an empty page or line keeps the default (a tenth and a hundredth).
    void SetScrollSizes(QSize total, QSize page = {}, QSize line = {});
    QSize TotalSize() const { return m_totalSize; }
    void SetScrollY(int y);
    // A view that runs its horizontal scroll bar itself (the analysis view's
    // 0..1000 window position): the scroll sizes then leave that bar alone.
    void SetOwnHorizontalBar(bool own) { m_ownHorizontal = own; }

    // The accelerator id of a key press, 0 for none.
    static int AcceleratorFromKey(int key, Qt::KeyboardModifiers modifiers);

    // ---- commands (the main frame's actions call them) ---------------------
    // Enabled with a pile loaded when the current wave has defect marks.
    bool CanUndoDefect() const;
    void OnUndoDefect();
    void OnUndoAllDefects();
    void OnAmplifyIndexUp();
    void OnAmplifyIndexDown();
    void OnAmplifyStartUp();
    void OnAmplifyStartDown();
    void OnKeepTimeSetSpeed();
    void OnKeepTimeSetLength();
    // The context menu's local amplification: arms it on the current wave
    // when its toe reflection is weak (the same as Alt + right click).
    bool CanArmLocalAmplify() const;
    void ArmLocalAmplify();

    // ---- the framework's view slots; derived views extend them -------------
    // Takes the document's current pile; scroll sizes 100 x 100.
    virtual void OnInitialUpdate();
    // The document changed: redraw. Derived views add scrolling.
    virtual void OnUpdate();
    // Paints the view; the canvas's origin is the content origin (the scroll
    // position already subtracted). The base draws nothing.
    virtual void OnDraw(gdi::Canvas& dc);
    // The channel under a content point; the base returns the current wave.
    // -1: no channel, and a left press does nothing more.
    virtual int WaveIndexFromPoint(QPoint p);

    // ---- input handlers; p in content coordinates (scroll added) ------------
    // Marking, head pick, rotation start, drag edit, handle drag start.
    virtual void OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers);
    // Confirms or drops a dragged local-amplification handle.
    virtual void OnLButtonUp(QPoint p, Qt::KeyboardModifiers modifiers);
    // Toe and pile bottom; amplification steps on the information boxes.
    virtual void OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers);
    virtual void OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers modifiers);
    // Moves the handle or the pick point of the current wave.
    virtual void OnMouseMove(QPoint p, Qt::KeyboardModifiers modifiers);
    // Keys not taken by the accelerators; true when consumed. The base steps
    // the cursor with Left and Right.
    virtual bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // A wheel step (delta as the wheel gives it); true when consumed. The base
    // takes nothing.
    virtual bool OnMouseWheel(int delta, Qt::KeyboardModifiers modifiers);
    // The viewport got a new size.
    virtual void OnSize();
    // One accelerator command; the analysis view maps 107 to MarkHeadAtPoint.
    virtual void RunAccelerator(int id);
    // The pile's channels were replaced (the background is cleared): lay out
    // and draw the ones the view shows, as a paint does, and drop what the
    // view keeps of the old ones. The base shows none.
    virtual void OnChannelsReplaced();

protected:
    // ---- operations shared by the derived views ------------------------------
    // The defect dialog's answer into a mark at lastPoint: inserted in index
    // order, or the type and severity of a mark at the same index.
    void AddDefect(int type, int severity);
    // Head marker at lastPoint.
    void MarkHeadAtPoint();
    // The view's channel becomes the pile's current one, shown in the single
    // wave view or the analysis view, whichever was open before.
    void OpenCurrentWave();
    // A mouse move over channel w: moves its dragged handle (the pictures are
    // then redrawn) or its pick point, and repaints the channel.
    void MoveHandleOrPick(CWaveRecord* w, QPoint p);
    // The current wave's cut-offs and gain to the main panel.
    void ShowPointInfo();
    // The refresh hub, when a frame is set.
    // The pile or one of its waves changed: closing or switching piles asks to save.
    void MarkModified();

public:
    // The read-out panel beside channel w: the cursor lines the channel
    // computes at its pick point (time, depth, amplitude, speed), on the
    // panel rectangle of its layout. The analysis view's read-out also
    // carries the pile's Fmax mark.
    void PaintReadout(gdi::Canvas& dc, CWaveRecord& w, bool analysisView);

protected:
    void SendRefresh(pit::RefreshTarget target);
    // Shows a message through the UI services; returns the button's code.
    int Message(const QString& zh, const QString& en, unsigned type) const;
    bool RotateMode() const;
    bool DragEditMode() const;

    // The view's state, shared with the derived views.
    CKEV_DUXDoc* m_doc = nullptr;
    pit::FrameServices* m_frame = nullptr;
    CPileRecord* m_pile = nullptr;
    int m_currentWave = 0;
    bool m_backgroundDrawn = false;
    bool m_selection = false;      // drag selection in the analysis view
    bool m_markingStarted = false; // a left press started marking
    bool m_cursorMoved = false;    // the analysis view's spectrum cursor moved
    bool m_markingDone = false;    // read by the analysis view's wave area
    QPoint m_lastPoint;            // last left press, content coordinates
    QPoint m_point1, m_point2;     // for the derived views
    QSize m_layoutSize;            // client size the single views last laid out
    int m_extra = 0;

    // Qt events, translated into the handlers above.
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Steps of the left press, each its own piece.
    bool StartHandleDrag(CWaveRecord& w, QPoint p);
    void BeginMarking(CWaveRecord& w, QPoint p);
    // The defect dialog beside the content point p; false on Cancel.
    void AskDefect(CWaveRecord& w, QPoint p);
    void AskBottom(CWaveRecord& w, QPoint p, Qt::KeyboardModifiers modifiers);
    // First or second information box of w under p: 1, 2, or 0.
    static int InfoBoxAt(const CWaveRecord& w, QPoint p);
    void StepCursor(bool left);
    // Content point to a 10 x 10 screen rectangle at it.
    QRect ScreenSpot(QPoint content) const;
    void UpdateScrollBars();
    int MarkerMode() const;

    pit::DefectAsker* m_defectAsker = nullptr;
    uint64_t m_channelStamp = 0; // the pile's channels the view laid out
    QSize m_totalSize{100, 100};
    QSize m_pageSize, m_lineSize;
    bool m_ownHorizontal = false;
};
