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
    void OnChannelsReplaced() override;

private:
    // The view's channel follows the pile's current one; true when it changed.
    bool FollowPile();
};

// Lays one channel out over the whole viewport and draws its picture; shared
// by the single-wave and averaged-wave views. bottomSpare: pixels left empty
// below; laidOut: the client size it was laid out at.
void LayOutSingleChannel(CBaseView& view, CWaveRecord& w, int bottomSpare, QSize& laidOut);
// Paints it, laid out first when the background is not drawn.
void PaintSingleChannel(CBaseView& view, CWaveRecord& w, gdi::Canvas& dc, int bottomSpare,
                        bool& backgroundDrawn, QSize& laidOut, pit::COLORREF background);
