// Docking panels of the main window: a dock that keeps one size for each
// docking state, with a caption band (title and close button) as its title bar.
#pragma once

#include <QDockWidget>
#include <QPointer>

class QMainWindow;
class QToolButton;

class CSizingControlBar : public QDockWidget {
    Q_OBJECT
public:
    explicit CSizingControlBar(QWidget* parent = nullptr);

    // Names the bar, gives it its id and docks it in the main window.
    bool Create(const QString& title, QMainWindow* parent, int ctrlId,
                Qt::DockWidgetArea area = Qt::LeftDockWidgetArea);

    // The sizes the bar asks for docked along the top or bottom, docked at
    // the left or right, and floating; and their minimums.
    QSize horzSize{200, 200};
    QSize vertSize;
    QSize floatSize{255, 630};
    QSize minHorz{33, 32}, minVert{33, 32}, minFloat{37, 32};

    // The vertical size's default: longer on screens at least 800 pixels high.
    static QSize DefaultVerticalSize(int screenHeight);

    bool IsHorzDocked() const;
    bool IsVertDocked() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // A close request does nothing: only the close button hides the bar.
    void closeEvent(QCloseEvent* e) override;
};

// The caption band over a bar: the title on 0xD8E9EC and a close button.
class CSizingControlBarCF : public CSizingControlBar {
    Q_OBJECT
public:
    explicit CSizingControlBarCF(QWidget* parent = nullptr);

    bool IsActive() const { return m_active; }
    QToolButton* closeButton() const { return m_close; }
    // "Tahoma" when that family is installed, else "Arial".
    static QString CaptionFontFace();

private:
    class Caption;
    void OnFocusChanged(QWidget* old, QWidget* now);

    Caption* m_caption;
    QToolButton* m_close;
    bool m_active = false;
};
