// An edit field whose background its owner can highlight.
#pragma once

#include <QLineEdit>

class CColorEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CColorEdit(QWidget* parent = nullptr);

    void SetHighlight(bool on);
    bool IsHighlighted() const { return m_highlight; }
    // Kept for the owner; the field does not round its text.
    void SetDecimalPlaces(int n) { m_decimalPlaces = n; }
    int decimalPlaces() const { return m_decimalPlaces; }

    // RGB(148,170,240) highlighted, else white; the grey-text colour when disabled.
    static QColor BackgroundColor(bool highlight, bool enabled, const QColor& grayText);

private:
    void ApplyColors();

    bool m_highlight = false;
    int m_decimalPlaces = 2;
    QColor m_grayText;
};
