// The averaged-wave view: the pile's averaged wave (its last channel) in the
// upper pane above the main wave view; selecting it deselects the blow
// selected below, and the other way round.
#pragma once

#include "analysis/BaseView.h"

class CAverageView : public CBaseView {
    Q_OBJECT
public:
    explicit CAverageView(QWidget* parent = nullptr);

    // The main frame's choice of the average: selected here, the lower
    // pane's channel deselected.
    void SelectAverage();

    void OnInitialUpdate() override;
    void OnUpdate() override;
    void OnDraw(gdi::Canvas& dc) override;
    void OnLButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnRButtonDown(QPoint p, Qt::KeyboardModifiers modifiers) override;
    // On the average's label box: to the detail view left last.
    void OnLButtonDblClk(QPoint p, Qt::KeyboardModifiers modifiers) override;
    void OnChannelsReplaced() override;

    // The bottom rows left empty: 15 pixels with more than three blows.
    static int BottomSpare(int blows) { return blows > 3 ? 15 : 0; }

private:
    // currentWave := the last channel; false without channels.
    bool TakeAverage();
    void SelectByPoint(QPoint p);
    void DeselectLowerPane(bool unlessSameIndex);
};
