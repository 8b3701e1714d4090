// A docking panel with a caption that holds one whole form.
#pragma once

#include "controls/SizingControlBar.h"

#include <QPointer>

class CViewBar : public CSizingControlBarCF {
    Q_OBJECT
public:
    explicit CViewBar(QWidget* parent = nullptr);

    // Docks the bar in the main window with the view filling its client area.
    bool Create(QMainWindow* parent, QWidget* view, const QString& title, int ctrlId,
                Qt::DockWidgetArea area = Qt::LeftDockWidgetArea);

    QWidget* view() const { return m_view; }

private:
    QPointer<QWidget> m_view;
};
