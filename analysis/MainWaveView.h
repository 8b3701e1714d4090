// The main wave view: the blows of the current pile one below the other, each
// in a row of a third of the view's height; a click selects a blow (and
// deselects the averaged view's wave above).
#pragma once

#include "analysis/BaseView.h"

class CKEV_DUXView : public CBaseView {
    Q_OBJECT
public:
    explicit CKEV_DUXView(QWidget* parent = nullptr);

    // Selects blow index (the frame's channel choice), scrolls it into view
    // and updates.
    void SelectChannel(int index);
    // Selects only blow index among the blows; the average's index leaves
    // none selected. A larger index does nothing.
    void SelectWave(int index);
    // Scrolls the current channel's row into view.
    void ScrollToCurrent();

    // The blows that take a row: every channel but the average that holds data.
    bool TakesRow(int channel) const;
    int RowCount() const;
    // Row height: a third of the viewport's height.
    double RowHeight() const;

    void OnInitialUpdate() override;
    void OnUpdate() override;
    void OnDraw(gdi::Canvas& dc) override;
    // The first blow whose frame holds p becomes the current wave; -1 for none.
    int WaveIndexFromPoint(QPoint p) override;
    void OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnMouseMove(QPoint p, Qt::KeyboardModifiers modifiers) override;
    bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnMouseWheel(int delta, Qt::KeyboardModifiers modifiers) override;
    void OnSize() override;
    void OnChannelsReplaced() override;

private:
    void SelectByPoint(QPoint p);
    // Lays every row out and draws its picture; the background is then drawn.
    void LayOutRows();
    // The blow index (average excluded) whose frame holds p, -1 for none.
    int BlowAt(QPoint p) const;
    void InvalidateUpperPane();

    bool m_firstPaint = true;
};
