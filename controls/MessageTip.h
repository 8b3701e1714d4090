// A self-closing balloon that shows a validation message beside the control
// that failed. It never takes activation, so the focus stays in the field;
// it closes after its life unless the mouse rests on it, and at once on any
// mouse press or any key other than Enter anywhere in the program.
#pragma once

#include "platform/Color.h"

#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class QFontMetrics;

class CMessageTip : public QWidget {
    Q_OBJECT
public:
    explicit CMessageTip(QWidget* parent = nullptr);
    ~CMessageTip() override;

    // Makes the tip a window of the owner's window; false without an owner.
    bool Create(QWidget* owner);
    bool IsCreated() const { return m_owner != nullptr; }
    QWidget* owner() const { return m_owner; }

    // Shows text near at, given in the owner's client coordinates. Nothing
    // for an empty text or before Create.
    void Show(const QPoint& at, const QString& text);
    // Stops the timer, hides, and stops watching the keyboard and mouse.
    void Hide();

    // Size of the window for the text (at 0, 0), margins and shadow included.
    virtual QRect CalcWindowSize(const QString& text);
    // The window rectangle whose bottom-left corner is at the screen point,
    // kept on the screen.
    virtual QRect PlaceNearPoint(const QPoint& point, const QRect& size);

    // The pure halves of the two above.
    static QSize TipSize(const QFontMetrics& fm, const QString& text, const QMargins& margins, int shadow);
    static QRect PlaceRect(const QPoint& point, const QSize& size, const QRect& screen);
    // Brightness in percent of each pixel of the (w + s) x (h + s) area at the
    // body's top-left corner, row by row from the top; 100 leaves a pixel alone.
    static std::vector<int> ShadowPercents(int w, int h, int s);

    void SetLife(int ms) { m_life = ms; }
    void SetTick(int ms) { m_tick = ms; }
    int life() const { return m_life; }
    int tick() const { return m_tick; }
    int elapsed() const { return m_elapsed; }
    const QString& text() const { return m_text; }
    int shadowSize() const { return m_shadow ? m_shadowSize : 0; }
    QFont tipFont() const { return m_font; }
    bool IsWatching() const { return m_watching; }

    // Where the mouse is, and whether the program has an active window;
    // replaceable so the timer can be driven without a window system.
    void SetCursorProbe(std::function<QPoint()> probe) { m_cursorProbe = std::move(probe); }
    void SetActiveWindowProbe(std::function<bool()> probe) { m_activeProbe = std::move(probe); }

public Q_SLOTS:
    // One tick of the life timer.
    void OnTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void Watch(bool on);
    void PostClose();

    QPointer<QWidget> m_owner;
    QMargins m_margins{6, 4, 8, 4};
    QPoint m_anchorOffset{-6, 0};
    QFont m_font;
    int m_tick = 500;
    int m_life = 5000;
    int m_elapsed = 0;
    QColor m_background;
    QColor m_textColor;
    QString m_text;
    bool m_shadow = true;
    int m_shadowSize = 6;
    QTimer m_timer;
    bool m_watching = false;
    bool m_closePosted = false;
    std::function<QPoint()> m_cursorProbe;
    std::function<bool()> m_activeProbe;
};
