// Two rows that always share the height 1 : 3; the bar between them cannot
// be dragged.
#pragma once

#include <QSplitter>

class CFixedSplitterWnd : public QSplitter {
    Q_OBJECT
public:
    explicit CFixedSplitterWnd(QWidget* parent = nullptr);

    // Heights of the upper and lower row for a client height h.
    static std::pair<int, int> RowHeights(int h) { return {h / 4, 3 * h / 4}; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    QSplitterHandle* createHandle() override;
};
