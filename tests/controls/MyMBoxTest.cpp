#include "controls/MyMBox.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "res/ids.h"

#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using pit::RGB;

struct ButtonCase {
    unsigned type;
    std::vector<QString> zh, en;
    std::vector<int> results;
};

TEST(MyMBox, ButtonSetsInBothLanguages) {
    const ButtonCase cases[] = {
        {0, {"确定"}, {"OK"}, {1}},
        {1, {"确定", "取消"}, {"OK", "CANCEL"}, {1, 2}},
        {2, {"终止", "重试", "忽略"}, {"ABORT", "RETRY", "IGNORE"}, {3, 4, 5}},
        {3, {"是", "否", "取消"}, {"YES", "NO", "CANCEL"}, {6, 7, 2}},
        {4, {"是", "否"}, {"YES", "NO"}, {6, 7}},
        {5, {"重试", "取消"}, {"RETRY", "CANCEL"}, {4, 2}},
        {6, {"是", "否"}, {"YES", "NO"}, {6, 7}},
        {7, {"是", "否", "取消"}, {"YES", "NO", "CANCEL"}, {6, 7, 2}},
        {0x34, {"是", "否"}, {"YES", "NO"}, {6, 7}}, // icon bits do not change the buttons
    };
    for (const auto& c : cases) {
        for (bool english : {false, true}) {
            const auto buttons = CMyMBox::ButtonsForType(c.type, english);
            const auto& labels = english ? c.en : c.zh;
            ASSERT_EQ(buttons.size(), labels.size()) << "type " << c.type;
            for (size_t i = 0; i < buttons.size(); ++i) {
                EXPECT_EQ(buttons[i].label, labels[i]) << "type " << c.type << " button " << i;
                EXPECT_EQ(buttons[i].result, c.results[i]) << "type " << c.type << " button " << i;
            }
        }
    }
}

TEST(MyMBox, ColourTagIsReadOnlyAtTheVeryStartOfALine) {
    struct Case {
        QString line;
        pit::COLORREF color;
        QString rest;
    } cases[] = {
        {"RGB(0,0,255)word", RGB(0, 0, 255), "word"},
        {"RGB(255,0,0)打印设置", RGB(255, 0, 0), "打印设置"},
        {" RGB(255,0,0)x", RGB(0, 0, 0), " RGB(255,0,0)x"},
        {"plain text", RGB(0, 0, 0), "plain text"},
        {"RGB(300,1,2)x", RGB(44, 1, 2), "x"}, // a value keeps its low 8 bits
        // Three-digit values and later brackets or commas leave the text whole.
        {"RGB(128,0,0)压力(kPa)", RGB(128, 0, 0), "压力(kPa)"},
        {"RGB(0,128,0)a,b", RGB(0, 128, 0), "a,b"},
        {"RGB(1,2,3", RGB(0, 0, 0), "1,2,3"}, // no closing bracket: not a tag
    };
    for (auto c : cases) {
        QString line = c.line;
        EXPECT_EQ(CMyMBox::ParseRgbText(line), c.color) << c.line.toStdString();
        EXPECT_EQ(line, c.rest) << c.line.toStdString();
    }
}

TEST(MyMBox, LinesTakeTheColourOfTheirTagAndTheLastLineKeepsThePreviousOne) {
    const auto lines = CMyMBox::SplitLines("first\nRGB(255,0,0)second\nthird", 7);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "first");
    EXPECT_EQ(lines[0].color, RGB(0, 0, 0));
    EXPECT_EQ(lines[1].text, "second");
    EXPECT_EQ(lines[1].color, RGB(255, 0, 0));
    EXPECT_EQ(lines[2].text, "third");
    EXPECT_EQ(lines[2].color, RGB(255, 0, 0));

    // The last line's tag is text; a one-line message has the system colour.
    const auto one = CMyMBox::SplitLines("RGB(0,0,255)x", 7);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].text, "RGB(0,0,255)x");
    EXPECT_FALSE(one[0].color.has_value());

    // A blank before the tag: drawn as written, in black.
    const auto blank = CMyMBox::SplitLines(" RGB(255,0,0)a\nb", 7);
    EXPECT_EQ(blank[0].text, " RGB(255,0,0)a");
    EXPECT_EQ(blank[0].color, RGB(0, 0, 0));
}

TEST(MyMBox, PaintedLinesDropControlCharactersButKeepQuotesAndBackslashes) {
    const auto lines = CMyMBox::SplitLines("can't\r\n\ta\\b \"q\"", 7);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "can't");
    EXPECT_EQ(lines[1].text, "a\\b \"q\"");
    EXPECT_EQ(lines[1].extraRight, 14); // two double quotes widen the line
    EXPECT_TRUE(CMyMBox::SplitLines("", 7).empty());
}

TEST(MyMBox, LayoutFromLinesAndWidestLineInBytes) {
    // One line: 3 + 1 lines of 1.5 H, at least two buttons wide.
    auto l = CMyMBox::CalcLayout("Hi", "", 16, 8, 7, false, 1);
    EXPECT_EQ(l.lines, 4);
    EXPECT_EQ(l.height, 4 * 24 + 25);
    EXPECT_EQ(l.width, 120); // (2 + 8) x 8 is less than two buttons
    l = CMyMBox::CalcLayout("a line of 24 characters.", "", 16, 8, 7, false, 1);
    EXPECT_EQ(l.width, (24 + 8) * 8);

    // Chinese characters count two bytes; the caption competes for widest.
    l = CMyMBox::CalcLayout("是否保存\nab", "x", 16, 8, 7, true, 1);
    EXPECT_EQ(l.lines, 5);
    EXPECT_EQ(l.widest, 8);
    EXPECT_EQ(l.width, (8 + 8) * 8 + 40);
    l = CMyMBox::CalcLayout("a", "a much longer caption", 16, 8, 7, false, 1);
    EXPECT_EQ(l.widest, 21);

    // Minimums: a tiny font still gives 50 high and (buttons + 1) x 60 wide.
    l = CMyMBox::CalcLayout("", "", 2, 1, 1, false, 3);
    EXPECT_EQ(l.height, 50);
    EXPECT_EQ(l.width, 240);
}

TEST(MyMBox, ButtonsSpreadEvenlyAboveTheBottom) {
    const auto r = CMyMBox::ButtonRects(300, 200, 16, 3);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], QRect(30, 200 - 8 - 25, 60, 25));
    EXPECT_EQ(r[1].left(), 120);
    EXPECT_EQ(r[2].left(), 210);
    EXPECT_EQ(CMyMBox::ButtonRects(300, 200, 20, 1)[0].height(), 30); // 1.5 H when above 25
}

int runWith(CMyMBox& box, std::function<void()> action) {
    QTimer::singleShot(0, &box, std::move(action));
    return box.DoModal();
}

TEST(MyMBox, ModalBoxReturnsTheCodeOfThePressedButtonOrEscapeOrEnter) {
    pit::ui::setEnglish(false);
    {
        CMyMBox box("是否保存？", "提示", 0x34);
        const int r = runWith(box, [&] {
            auto* no = qobject_cast<QPushButton*>(pit::FindCtrl(&box, ids::IDC_MBOX_BUTTON2));
            ASSERT_NE(no, nullptr);
            EXPECT_EQ(no->text(), "否");
            EXPECT_EQ(pit::FindCtrl(&box, ids::IDC_MBOX_BUTTON3), nullptr);
            EXPECT_EQ(box.windowTitle(), "提示");
            no->click();
        });
        EXPECT_EQ(r, pit::IDNO);
    }
    {
        CMyMBox box("x", "提示", 0x34);
        EXPECT_EQ(runWith(box, [&] { QTest::keyClick(&box, Qt::Key_Escape); }), pit::IDCANCEL);
    }
    {
        CMyMBox box("x", "提示", pit::MB_RETRYCANCEL);
        EXPECT_EQ(runWith(box, [&] { QTest::keyClick(&box, Qt::Key_Return); }), pit::IDRETRY);
    }
    {
        CMyMBox box("x", "提示", pit::MB_YESNO | pit::MB_DEFBUTTON2);
        EXPECT_EQ(runWith(box, [&] { QTest::keyClick(&box, Qt::Key_Enter); }), pit::IDNO);
    }
    {
        CMyMBox box("x", "提示", pit::MB_OKCANCEL);
        EXPECT_EQ(runWith(box, [&] { QTest::keyClick(&box, Qt::Key_Return); }), pit::IDOK);
    }
}

TEST(MyMBox, EnglishTextAndPlacement) {
    pit::ui::setEnglish(true);
    CMyMBox box("是否保存？", "提示", pit::MB_YESNO | pit::MB_ICONQUESTION);
    box.SetText("Save?");
    box.SetCaption("Tips");
    box.SetPlacementRect(100, 80, 0, 0);
    QPoint pos;
    QString yes;
    runWith(box, [&] {
        pos = box.pos();
        EXPECT_EQ(box.size(), box.boxSize()); // the client area is the laid-out box
        yes = qobject_cast<QPushButton*>(pit::FindCtrl(&box, ids::IDC_MBOX_BUTTON1))->text();
        box.done(pit::IDYES);
    });
    pit::ui::setEnglish(false);
    EXPECT_EQ(pos, QPoint(100, 80));
    EXPECT_EQ(yes, "YES");
    // Labels and lines wider than the Windows box's fixed sizes are not cut.
    pit::ui::setEnglish(true);
    CMyMBox wide("Are you sure to reset all waveforms to original data set?", "Warning", pit::MB_OKCANCEL);
    runWith(wide, [&] {
        for (int id : {ids::IDC_MBOX_BUTTON1, ids::IDC_MBOX_BUTTON2}) {
            auto* b = qobject_cast<QPushButton*>(pit::FindCtrl(&wide, id));
            ASSERT_NE(b, nullptr);
            EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
            EXPECT_LE(b->geometry().right(), wide.width());
        }
        EXPECT_GT(wide.width(), wide.fontMetrics().horizontalAdvance(wide.text()));
        wide.done(pit::IDOK);
    });
    pit::ui::setEnglish(false);
    EXPECT_EQ(box.windowTitle(), "Tips");
    EXPECT_EQ(box.text(), "Save?");
    ASSERT_TRUE(box.hasIcon());
    QWidget* icon = pit::FindCtrl(&box, ids::IDC_MBOX_ICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->geometry().size(), QSize(32, 32));
}

// Pieces no wider than the width, nothing lost; a piece ends after a blank
// where its line has one in reach, else anywhere (a path).
TEST(MyMBox, WrapLinesBreaksAfterBlanksElseAnywhere) {
    const QFont font(QStringLiteral("宋体"));
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(QStringLiteral("0123456789")) * 3;
    const QString words =
        QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu");
    const QString path =
        QStringLiteral("/media/cdrom/工程/") + QString(60, u'x') + QStringLiteral("/ZK1.DUX");
    for (const QString& text : {words, path, QStringLiteral("short")}) {
        const std::vector<CMyMBox::Line> in = {{text, RGB(255, 0, 0), 0}};
        const auto out = CMyMBox::WrapLines(in, fm, width);
        QString joined;
        for (const CMyMBox::Line& l : out) {
            EXPECT_LE(fm.horizontalAdvance(l.text), width) << l.text.toStdString();
            EXPECT_EQ(l.color, in[0].color);
            joined += l.text;
        }
        EXPECT_EQ(joined, text);
        if (text == words)
            for (size_t i = 0; i + 1 < out.size(); ++i)
                EXPECT_TRUE(out[i].text.endsWith(u' ')) << out[i].text.toStdString();
        EXPECT_EQ(out.size() > 1, fm.horizontalAdvance(text) > width);
    }
}

// A message naming a long path: the box keeps to the screen's free area,
// inside it, and its lines wrap to fit it.
TEST(MyMBox, LongPathKeepsTheBoxOnTheScreen) {
    const QString path = QStringLiteral("/media/cdrom/") + QString(400, u'x') + QStringLiteral(".DUX");
    CMyMBox box(QStringLiteral("无法写入文件：") + path, QStringLiteral("提示"),
                pit::MB_OK | pit::MB_ICONEXCLAMATION);
    QRect avail, geometry;
    std::vector<CMyMBox::Line> lines;
    runWith(box, [&] {
        avail = box.screen()->availableGeometry();
        geometry = box.frameGeometry();
        lines = box.lines();
        box.done(pit::IDOK);
    });
    ASSERT_TRUE(avail.isValid());
    EXPECT_LE(geometry.width(), avail.width());
    EXPECT_GE(geometry.left(), avail.left());
    EXPECT_LE(geometry.right(), avail.right());
    EXPECT_GE(geometry.top(), avail.top());
    ASSERT_GT(lines.size(), 2u);
    QString joined;
    const QFontMetrics fm(box.font());
    for (const CMyMBox::Line& l : lines) {
        EXPECT_LE(fm.horizontalAdvance(l.text), box.width()) << l.text.toStdString();
        joined += l.text;
    }
    EXPECT_EQ(joined, QStringLiteral("无法写入文件：") + path);
    // Every line has its row: the box grew by the lines the text became.
    EXPECT_GE(box.height(), int(lines.size() * 16 * 1.5));
}

} // namespace
