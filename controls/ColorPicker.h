// A button showing a colour swatch; a click opens the colour chooser.
#pragma once

#include "platform/Color.h"

#include <QPointer>
#include <QPushButton>

class CColorPicker : public QPushButton {
    Q_OBJECT
public:
    explicit CColorPicker(QWidget* parent = nullptr);

    pit::COLORREF GetColor() const { return m_color; }
    // Stores the colour, tells the owner (colorChosen) and updates the
    // attached text; notify false only stores and shows it.
    void SetColor(pit::COLORREF color, bool notify = true);
    // A label or line edit that shows the colour as "#RRGGBB".
    void AttachText(QWidget* text);

    // "#" and red, green, blue in two hex digits each.
    static QString ColorToText(pit::COLORREF color);

public Q_SLOTS:
    // Asks the colour chooser; a chosen colour becomes current, Cancel changes nothing.
    void Choose();

Q_SIGNALS:
    // The control's id and its new colour.
    void colorChosen(int ctrlId, pit::COLORREF color);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void ShowText();

    pit::COLORREF m_color;
    QPointer<QWidget> m_text;
};
