// A combo box of the five line widths, each drawn as a line and its number.
#pragma once

#include "platform/Color.h"

#include <QComboBox>
#include <array>

struct CPickerColor {
    pit::COLORREF color;
    const char* name;
};

class CColorPickerCB : public QComboBox {
    Q_OBJECT
public:
    explicit CColorPickerCB(QWidget* parent = nullptr);

    // Adds the five entries once and selects the first.
    void Fill();
    bool IsFilled() const { return m_filled; }

    static const std::array<CPickerColor, 5>& PickerColors();

    // What one item shows: a black line of width index + 1 at mid-height to
    // 20 pixels before the right edge, and the number 15 pixels before it.
    struct ItemDrawing {
        int penWidth;
        QLine line;
        QPoint textTopLeft;
        QString text;
    };
    static ItemDrawing ItemGeometry(const QRect& item, int index);
    static void DrawItem(QPainter& p, const QRect& item, int index, bool selected, bool enabled, bool focused,
                         const QPalette& pal);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool m_filled = false;
};
