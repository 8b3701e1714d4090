// The program's own message box: bilingual buttons chosen by the type bits,
// a standard icon, and lines that may start with a colour tag "RGB(r,g,b)".
#pragma once

#include "platform/Color.h"
#include "platform/MessageSink.h"

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

class QFontMetrics;
class QLabel;
class QPushButton;

class CMyMBox : public QDialog {
    Q_OBJECT
public:
    struct Button {
        QString label;
        int result = 0;
    };
    // One painted line; color empty means the system button-text colour.
    struct Line {
        QString text;
        std::optional<pit::COLORREF> color;
        int extraRight = 0; // added to the text rectangle's right edge
    };
    struct Layout {
        int lines = 3;
        int widest = 0; // in 8-bit bytes of the system code page
        int width = 0;
        int height = 0;
    };

    // fontHeight -1 takes the height of the system font.
    CMyMBox(const QString& text, const QString& caption, unsigned type, int fontHeight, QWidget* parent);
    CMyMBox(const QString& text, const QString& caption, unsigned type, QWidget* parent = nullptr);
    ~CMyMBox() override;

    bool SetText(const QString& text);
    bool SetCaption(const QString& caption);
    // Fixes the top-left corner of the box on the screen instead of centring it.
    void SetPlacementRect(int left, int top, int right, int bottom);

    // Runs the box; the result code of the pressed button (Enter 1, Escape 2).
    int DoModal();

    // The buttons of the low three type bits, left to right.
    static std::vector<Button> ButtonsForType(unsigned type, bool english);
    // Reads and removes a leading "RGB(r,g,b)" tag; black when the line has none.
    static pit::COLORREF ParseRgbText(QString& line);
    // The lines as painted, with their colours.
    static std::vector<Line> SplitLines(const QString& text, int charWidth);
    // Lines wider than maxWidth pixels broken into several of that width at
    // most: after a blank where there is one, else anywhere (a long path);
    // a piece keeps its line's colour.
    static std::vector<Line> WrapLines(const std::vector<Line>& lines, const QFontMetrics& fm, int maxWidth);
    // Client size from the text in font height H and average character width A.
    static Layout CalcLayout(const QString& text, const QString& caption, int fontHeight, int aveCharWidth,
                             int charWidth, bool hasIcon, int buttonCount);
    // Client rectangles of the buttons in a box of the given client size.
    static std::vector<QRect> ButtonRects(int boxWidth, int boxHeight, int fontHeight, int count,
                                          int buttonWidth = 60);

    // The message icon of the type's icon bits (null for none).
    static QIcon IconForType(unsigned type);

    const QString& text() const { return m_text; }
    // The lines as painted, after the layout (wrapped to the screen).
    const std::vector<Line>& lines() const { return m_lines; }
    const QSize boxSize() const { return {m_boxWidth, m_boxHeight}; }
    bool hasIcon() const { return m_hasIcon; }

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void SetupButtons();
    void SetupFont();
    void SetupIcon();
    void CalcLayout();
    void CreateButtons();
    void InitDialog();

    unsigned m_type = 0;
    std::vector<Button> m_buttons;
    std::vector<QPushButton*> m_buttonWidgets;
    int m_boxWidth = 0;
    int m_buttonWidth = 60;
    int m_boxHeight = 0;
    int m_fontHeight = -1;
    int m_charWidth = -1;
    int m_aveCharWidth = 8;
    QFont m_font;
    bool m_hasIcon = false;
    QIcon m_icon;
    bool m_placed = false;
    QRect m_placement;
    QLabel* m_iconCtrl = nullptr;
    QString m_text;
    QString m_caption;
    std::vector<Line> m_lines;
    bool m_initialised = false;
};

namespace pit {

// The window build's message sink: asks through CMyMBox.
class MBoxMessageSink : public MessageSink {
public:
    int show(const QString& text, const QString& caption, unsigned type) override;
    void beep() override;
};

} // namespace pit
