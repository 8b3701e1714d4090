#include "controls/FixedSplitterWnd.h"

#include <QMouseEvent>
#include <QResizeEvent>

namespace {

// A bar that ignores the mouse, so it cannot be grabbed.
class FixedHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
};

} // namespace

CFixedSplitterWnd::CFixedSplitterWnd(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
    setChildrenCollapsible(false);
}

QSplitterHandle* CFixedSplitterWnd::createHandle() {
    auto* h = new FixedHandle(orientation(), this);
    h->setCursor(Qt::ArrowCursor);
    return h;
}

void CFixedSplitterWnd::resizeEvent(QResizeEvent* e) {
    QSplitter::resizeEvent(e);
    if (count() < 2)
        return;
    // The lower row takes what the bar leaves of its three quarters.
    const int h = e->size().height();
    const auto [upper, lower] = RowHeights(h);
    setSizes({upper, std::max(0, h - upper - handleWidth())});
    (void)lower;
}
