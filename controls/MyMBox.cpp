#include "controls/MyMBox.h"

#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/doc/MathOperation.h"
#include "platform/CodePage.h"
#include "res/ids.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <cmath>

namespace {

// The system font the box measures with when the caller gives no height.
constexpr int kSystemFontHeight = 16;
constexpr int kSystemCharWidth = 7;
constexpr int kButtonWidth = 60;
constexpr int kIconSize = 32;

enum EscapeCode { kLineFeed = 3, kBackslash = 7, kSingleQuote = 8, kDoubleQuote = 9 };

int ansiLength(const QString& s) {
    return int(pit::CodePage::system().fromUnicode(s).size());
}

} // namespace

CMyMBox::CMyMBox(const QString& text, const QString& caption, unsigned type, int fontHeight, QWidget* parent)
    : QDialog(parent), m_type(type), m_fontHeight(fontHeight), m_text(text), m_caption(caption) {
    SetupButtons();
}

CMyMBox::CMyMBox(const QString& text, const QString& caption, unsigned type, QWidget* parent)
    : CMyMBox(text, caption, type, -1, parent) {}

CMyMBox::~CMyMBox() = default;

bool CMyMBox::SetText(const QString& text) {
    m_text = text;
    return true;
}

bool CMyMBox::SetCaption(const QString& caption) {
    m_caption = caption;
    return true;
}

void CMyMBox::SetPlacementRect(int left, int top, int right, int bottom) {
    m_placed = true;
    m_placement = QRect(QPoint(left, top), QPoint(right, bottom));
}

int CMyMBox::DoModal() {
    return exec();
}

std::vector<CMyMBox::Button> CMyMBox::ButtonsForType(unsigned type, bool english) {
    const auto b = [english](const char16_t* zh, const char16_t* en, int result) {
        return Button{QString::fromUtf16(english ? en : zh), result};
    };
    const Button ok = b(u"确定", u"OK", pit::IDOK);
    const Button cancel = b(u"取消", u"CANCEL", pit::IDCANCEL);
    const Button retry = b(u"重试", u"RETRY", pit::IDRETRY);
    const Button yes = b(u"是", u"YES", pit::IDYES);
    const Button no = b(u"否", u"NO", pit::IDNO);
    switch (type & 7) {
    case 1:
        return {ok, cancel};
    case 2:
        return {b(u"终止", u"ABORT", pit::IDABORT), retry, b(u"忽略", u"IGNORE", pit::IDIGNORE)};
    case 3:
    case 7:
        return {yes, no, cancel};
    case 4:
    case 6:
        return {yes, no};
    case 5:
        return {retry, cancel};
    default:
        return {ok};
    }
}

pit::COLORREF CMyMBox::ParseRgbText(QString& line) {
    if (!line.startsWith(QLatin1String("RGB(")))
        return pit::RGB(0, 0, 0);
    line.remove(0, 4);
    int v[3] = {0, 0, 0};
    // The tag ends at its ')'; the text after it is the line. A tag without
    // one is not a tag: only "RGB(" goes.
    const qsizetype close = line.indexOf(u')');
    if (close < 0)
        return pit::RGB(0, 0, 0);
    const QStringList fields = line.left(close).split(u',');
    for (int i = 0; i < 3 && i < fields.size(); ++i) {
        uint8_t byte = 0;
        MathOperation::CStringToByte(fields[i].trimmed(), byte);
        v[i] = byte;
    }
    line.remove(0, close + 1);
    return pit::RGB(v[0], v[1], v[2]);
}

std::vector<CMyMBox::Line> CMyMBox::SplitLines(const QString& text, int charWidth) {
    std::vector<Line> lines;
    std::optional<pit::COLORREF> current;
    int right = 0, pending = 0;
    QString rest = text;
    int start = 0, pos = 0;
    for (;;) {
        const int code = MathOperation::FindFirstEscapeChar(rest, pos, start, -1);
        if (code < 0)
            break;
        if (code == kLineFeed) {
            QString line = rest.left(pos);
            const pit::COLORREF c = ParseRgbText(line);
            if (current != c)
                current = c;
            right += pending;
            pending = 0;
            lines.push_back({line, current, right});
            rest = rest.mid(pos + 1);
            start = 0;
        } else if (code == kBackslash || code == kSingleQuote) {
            start = pos + 1;
        } else if (code == kDoubleQuote) {
            start = pos + 1;
            pending += charWidth;
        } else {
            rest.remove(pos, 1);
            start = pos;
        }
    }
    // The last line keeps the colour of the line before it; its tag is text.
    if (!rest.isEmpty())
        lines.push_back({rest, current, right + pending});
    return lines;
}

std::vector<CMyMBox::Line> CMyMBox::WrapLines(const std::vector<Line>& lines, const QFontMetrics& fm,
                                              int maxWidth) {
    std::vector<Line> out;
    for (const Line& line : lines) {
        QString rest = line.text;
        while (fm.horizontalAdvance(rest) > maxWidth && rest.size() > 1) {
            // The longest head that fits, at least one character.
            qsizetype lo = 1, hi = rest.size() - 1;
            while (lo < hi) {
                const qsizetype mid = (lo + hi + 1) / 2;
                if (fm.horizontalAdvance(rest.left(mid)) <= maxWidth)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            qsizetype cut = lo;
            if (cut > 1 && rest.at(cut - 1).isHighSurrogate())
                --cut;
            const qsizetype blank = rest.left(cut).lastIndexOf(u' ');
            if (blank > 0)
                cut = blank + 1;
            out.push_back({rest.left(cut), line.color, line.extraRight});
            rest = rest.mid(cut);
        }
        out.push_back({rest, line.color, line.extraRight});
    }
    return out;
}

CMyMBox::Layout CMyMBox::CalcLayout(const QString& text, const QString& caption, int H, int A, int charWidth,
                                    bool hasIcon, int buttonCount) {
    Layout l;
    if (!text.isEmpty()) {
        int pending = 0;
        QString rest = text;
        int start = 0, pos = 0;
        for (;;) {
            const int code = MathOperation::FindFirstEscapeChar(rest, pos, start, -1);
            if (code < 0)
                break;
            if (code == kLineFeed) {
                l.widest = std::max(l.widest, ansiLength(rest.left(pos)) + pending);
                pending = 0;
                ++l.lines;
                rest = rest.mid(pos + 1);
                start = 0;
            } else if (code == kSingleQuote) {
                start = pos + 1; // an apostrophe is text
            } else {
                if (code == kBackslash)
                    pending += charWidth;
                rest.remove(pos, 1);
                start = pos;
            }
        }
        ++l.lines;
        l.widest = std::max(l.widest, ansiLength(rest));
        l.widest = std::max(l.widest, ansiLength(caption));
    }
    l.height = int(std::trunc(l.lines * (H * 3.0 / 2.0) + 25));
    l.width = (l.widest + 8) * A + (hasIcon ? 40 : 0);
    l.height = std::max(l.height, 50);
    l.width = std::max(l.width, (buttonCount + 1) * kButtonWidth);
    return l;
}

std::vector<QRect> CMyMBox::ButtonRects(int boxWidth, int boxHeight, int H, int count, int buttonWidth) {
    std::vector<QRect> rects;
    if (count <= 0)
        return rects;
    const int height = std::max(25, int(std::trunc(H * 1.5)));
    const int gap = int(std::trunc(double(boxWidth - count * buttonWidth) / (count + 1)));
    const int bottom = boxHeight - H / 2;
    int left = gap;
    for (int i = 0; i < count; ++i) {
        rects.emplace_back(left, bottom - height, buttonWidth, height);
        left += buttonWidth + gap;
    }
    return rects;
}

QIcon CMyMBox::IconForType(unsigned type) {
    QStyle::StandardPixmap sp;
    if ((type & 0x30) == 0x30)
        sp = QStyle::SP_MessageBoxWarning;
    else if (type & 0x40)
        sp = QStyle::SP_MessageBoxInformation;
    else if (type & 0x10)
        sp = QStyle::SP_MessageBoxCritical;
    else if (type & 0x20)
        sp = QStyle::SP_MessageBoxQuestion;
    else
        return {};
    return QApplication::style()->standardIcon(sp);
}

void CMyMBox::SetupButtons() {
    m_buttons = ButtonsForType(m_type, pit::ui::english());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint); // no Close
    pit::SetCtrlId(this, ids::IDD_MYMBOX);
}

void CMyMBox::SetupFont() {
    if (m_fontHeight == -1) {
        m_fontHeight = kSystemFontHeight;
        m_charWidth = kSystemCharWidth;
    }
    m_font = QFont(QStringLiteral("宋体"));
    m_font.setPixelSize(m_fontHeight);
    m_font.setWeight(QFont::Normal);
    setFont(m_font);
    const QFontMetrics fm(m_font);
    m_aveCharWidth = std::max(1, fm.averageCharWidth());
    if (m_charWidth < 0) // an explicit height: measure with the box's own font
        m_charWidth = m_aveCharWidth;
}

void CMyMBox::SetupIcon() {
    m_icon = IconForType(m_type);
    m_hasIcon = !m_icon.isNull() && !m_icon.pixmap(kIconSize, kIconSize).isNull();
}

void CMyMBox::CalcLayout() {
    const Layout l = CalcLayout(m_text, m_caption, m_fontHeight, m_aveCharWidth, m_charWidth, m_hasIcon,
                                int(m_buttons.size()));
    m_boxWidth = l.width;
    m_boxHeight = l.height;
    // The lines and the button labels as the box's font draws them: the box
    // grows so that no line and no label is cut (English labels and text are wider).
    const QFontMetrics fm(m_font);
    int widest = 0;
    for (const Line& line : SplitLines(m_text, m_charWidth))
        widest = std::max(widest, fm.horizontalAdvance(line.text) + line.extraRight);
    m_boxWidth = std::max(m_boxWidth, widest + 8 * m_aveCharWidth + (m_hasIcon ? kIconSize : 0));
    m_buttonWidth = kButtonWidth;
    for (const Button& b : m_buttons)
        m_buttonWidth = std::max(m_buttonWidth, fm.horizontalAdvance(b.label) + 2 * m_aveCharWidth);
    m_boxWidth = std::max(m_boxWidth, (int(m_buttons.size()) + 1) * m_buttonWidth);
    m_lines = SplitLines(m_text, m_charWidth);

    // No wider than the screen's free area: the lines wrap instead, and the
    // box grows by the lines they became.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect();
    const int frame = std::max(0, frameGeometry().width() - geometry().width());
    if (avail.isValid() && m_boxWidth + frame > avail.width()) {
        m_boxWidth = std::max(avail.width() - frame, (int(m_buttons.size()) + 1) * m_buttonWidth);
        const int textWidth = m_boxWidth - 8 * m_aveCharWidth - (m_hasIcon ? kIconSize : 0);
        std::vector<Line> wrapped = WrapLines(m_lines, fm, std::max(textWidth, 8 * m_aveCharWidth));
        if (wrapped.size() > m_lines.size())
            m_boxHeight += int(std::trunc((wrapped.size() - m_lines.size()) * (m_fontHeight * 3.0 / 2.0)));
        m_lines = std::move(wrapped);
    }
    setFixedSize(m_boxWidth, m_boxHeight);

    QPoint at;
    if (m_placed) {
        at = m_placement.topLeft();
    } else if (avail.isValid()) {
        // Centred in the free area, never beginning left of or above it.
        at = QPoint(avail.left() + std::max(0, (avail.width() - m_boxWidth - frame) / 2),
                    avail.top() + std::max(0, (avail.height() - m_boxHeight) / 2));
    }
    move(at);

    if (m_hasIcon) {
        if (!m_iconCtrl) {
            m_iconCtrl = new QLabel(this);
            pit::SetCtrlId(m_iconCtrl, ids::IDC_MBOX_ICON);
        }
        m_iconCtrl->setGeometry(m_aveCharWidth, m_fontHeight, kIconSize, kIconSize);
        m_iconCtrl->setPixmap(m_icon.pixmap(kIconSize, kIconSize));
        m_iconCtrl->show();
    }
}

void CMyMBox::CreateButtons() {
    const auto rects =
        ButtonRects(m_boxWidth, m_boxHeight, m_fontHeight, int(m_buttons.size()), m_buttonWidth);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        auto* b = new QPushButton(m_buttons[i].label, this);
        pit::SetCtrlId(b, ids::IDC_MBOX_BUTTON1 + int(i));
        b->setGeometry(rects[i]);
        b->setFont(m_font);
        // Enter and Escape belong to the box, not to a focused button.
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        const int result = m_buttons[i].result;
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        b->show();
        m_buttonWidgets.push_back(b);
    }
}

void CMyMBox::InitDialog() {
    if (m_initialised)
        return;
    m_initialised = true;
    SetupFont();
    setWindowTitle(m_caption);
    SetupIcon();
    CalcLayout();
    CreateButtons();
}

void CMyMBox::showEvent(QShowEvent* e) {
    InitDialog();
    QDialog::showEvent(e);
    if (m_placed) // the window system may have moved it while mapping
        move(m_placement.topLeft());
}

void CMyMBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int A = m_aveCharWidth, H = m_fontHeight;
    QRect r(QPoint(4 * A + (m_hasIcon ? kIconSize : 0), H), QPoint(width() - 4 * A, int(H * 5 / 2.0)));
    const int right = r.right();
    p.setFont(m_font);
    const QColor systemText = palette().color(QPalette::ButtonText);
    for (const Line& line : m_lines) {
        r.setRight(right + line.extraRight);
        p.setPen(line.color ? pit::toQColor(*line.color) : systemText);
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line.text);
        r.translate(0, int(H * 3 / 2.0));
    }
}

void CMyMBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The default button's answer: a Yes/No box never answers "OK".
        done(pit::defaultResultForType(m_type));
        return;
    case Qt::Key_Escape:
        done(pit::IDCANCEL);
        return;
    default:
        QDialog::keyPressEvent(e);
    }
}

void CMyMBox::reject() {
    done(pit::IDCANCEL);
}

namespace pit {

int MBoxMessageSink::show(const QString& text, const QString& caption, unsigned type) {
    CMyMBox box(text, caption, type, QApplication::activeWindow());
    return box.DoModal();
}

void MBoxMessageSink::beep() {
    QApplication::beep();
}

} // namespace pit
