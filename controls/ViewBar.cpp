#include "controls/ViewBar.h"

#include <QMainWindow>

CViewBar::CViewBar(QWidget* parent) : CSizingControlBarCF(parent) {}

bool CViewBar::Create(QMainWindow* parent, QWidget* view, const QString& title, int ctrlId,
                      Qt::DockWidgetArea area) {
    if (!view || !CSizingControlBar::Create(title, parent, ctrlId, area))
        return false;
    m_view = view;
    setWidget(view); // the dock keeps it sized to the client area
    return true;
}
