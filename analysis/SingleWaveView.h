// The single-wave view: the pile's current channel filling the view.
#pragma once

#include "analysis/BaseView.h"
#include "platform/Color.h"

class CSingleWaveView : public CBaseView {
    Q_OBJECT
public:
    explicit CSingleWaveView(QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    // Takes the pile's current channel.
    void OnUpdate() override;
    void OnDraw(gdi::Canvas& dc) override;
    // On the channel's label box: back to the main view.
    void OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers modifiers) override;

private:
    // The view's channel follows the pile's current one; true when it changed.
    bool FollowPile();
};

// Lays out and paints one channel over the whole viewport; shared by the
// single-wave and averaged-wave views. bottomSpare: pixels left empty below.
void PaintSingleChannel(CBaseView& view, CWaveRecord& w, gdi::Canvas& dc, int bottomSpare,
                        bool& backgroundDrawn, QSize& laidOut, pit::COLORREF background);
