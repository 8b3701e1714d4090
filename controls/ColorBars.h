// The tool bar and status bar of the main frame; their RGB(245,245,245)
// background comes from the application style sheet.
#pragma once

#include <QStatusBar>
#include <QToolBar>

class CColorToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CColorToolBar(QWidget* parent = nullptr) : QToolBar(parent) {}
    explicit CColorToolBar(const QString& title, QWidget* parent = nullptr) : QToolBar(title, parent) {}
};

class CColorStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CColorStatusBar(QWidget* parent = nullptr) : QStatusBar(parent) {}
};
