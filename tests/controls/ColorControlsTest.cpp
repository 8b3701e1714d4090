#include "controls/AppStyle.h"
#include "controls/ColorBars.h"
#include "controls/ColorEdit.h"
#include "controls/ColorPicker.h"
#include "controls/ColorPickerCB.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using pit::RGB;

// Answers the colour chooser from the test.
class FakeChooser : public pit::ColorChooser {
public:
    FakeChooser() { pit::ui::setColorChooser(this); }
    ~FakeChooser() override { pit::ui::setColorChooser(nullptr); }
    std::optional<pit::COLORREF> choose(pit::COLORREF initial, QWidget*) override {
        ++asked;
        offered = initial;
        return answer;
    }
    std::optional<pit::COLORREF> answer;
    pit::COLORREF offered = 0;
    int asked = 0;
};

TEST(ColorPicker, ColourTextIsHashAndRedGreenBlueInHex) {
    EXPECT_EQ(CColorPicker::ColorToText(RGB(255, 0, 0)), "#FF0000");
    EXPECT_EQ(CColorPicker::ColorToText(RGB(1, 0xAB, 0x20)), "#01AB20");
    EXPECT_EQ(CColorPicker::ColorToText(0xFF845C), "#5C84FF");
}

TEST(ColorPicker, ChosenColourBecomesCurrentNotifiesOnceAndCancelChangesNothing) {
    FakeChooser chooser;
    QWidget parent;
    auto* picker = new CColorPicker(&parent);
    pit::SetCtrlId(picker, 1300);
    auto* text = new QLabel(&parent);
    picker->AttachText(text);
    picker->SetColor(RGB(0, 0, 128), false);
    QSignalSpy spy(picker, &CColorPicker::colorChosen);

    chooser.answer = RGB(255, 0, 0);
    QTest::mouseClick(picker, Qt::LeftButton);
    EXPECT_EQ(chooser.offered, RGB(0, 0, 128));
    EXPECT_EQ(picker->GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(text->text(), "#FF0000");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 1300);
    EXPECT_FALSE(picker->isDown());

    chooser.answer.reset();
    QTest::mouseClick(picker, Qt::LeftButton);
    EXPECT_EQ(chooser.asked, 2);
    EXPECT_EQ(picker->GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(spy.count(), 1);

    // The swatch shows the current colour inside the frame.
    picker->resize(40, 20);
    const QImage img = picker->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(10, 10)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(Qt::white));

    // Only the left button opens the chooser.
    QTest::mouseClick(picker, Qt::RightButton);
    EXPECT_EQ(chooser.asked, 2);
}

TEST(ColorPickerCB, FiveWidthsFilledOnceWithTheirColours) {
    CColorPickerCB cb;
    cb.Fill(); // a second time adds nothing
    ASSERT_EQ(cb.count(), 5);
    const char* names[] = {"Black", "Maroon", "Green", "Olive", "Navy"};
    const pit::COLORREF colors[] = {RGB(0, 0, 0), RGB(128, 0, 0), RGB(0, 128, 0), RGB(128, 128, 0),
                                    RGB(0, 0, 128)};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cb.itemText(i), names[i]);
        EXPECT_EQ(cb.itemData(i).toUInt(), colors[i]);
    }
    EXPECT_EQ(cb.currentIndex(), 0);

    const QRect item(0, 10, 100, 20);
    for (int i = 0; i < 5; ++i) {
        const auto d = CColorPickerCB::ItemGeometry(item, i);
        EXPECT_EQ(d.penWidth, i + 1);
        EXPECT_EQ(d.text, QString::number(i + 1));
        EXPECT_EQ(d.line, QLine(0, 20, 80, 20));
        EXPECT_EQ(d.textTopLeft, QPoint(85, 10));
    }

    // The drawn line of item 3 is four pixels thick.
    QImage img(100, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        CColorPickerCB::DrawItem(p, QRect(0, 0, 100, 20), 3, false, true, false, cb.palette());
    }
    int dark = 0;
    for (int y = 0; y < 20; ++y)
        dark += qGray(img.pixel(40, y)) < 64;
    EXPECT_EQ(dark, 4);
}

TEST(ColorEdit, BackgroundFollowsHighlightAndEnabledState) {
    const QColor gray(109, 109, 109);
    EXPECT_EQ(CColorEdit::BackgroundColor(false, true, gray), QColor(Qt::white));
    EXPECT_EQ(CColorEdit::BackgroundColor(true, true, gray), QColor(148, 170, 240));
    EXPECT_EQ(CColorEdit::BackgroundColor(true, false, gray), gray);
    EXPECT_EQ(CColorEdit::BackgroundColor(false, false, gray), gray);

    CColorEdit edit;
    EXPECT_EQ(edit.decimalPlaces(), 2);
    edit.SetHighlight(true);
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Base), QColor(148, 170, 240));
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(edit.palette().color(QPalette::Disabled, QPalette::Base),
              QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    edit.SetHighlight(false);
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
}

TEST(AppStyle, DialogsAndBarsPaintTheLightGreyBackground) {
    pit::InstallApplicationStyle();
    CColorStatusBar status;
    CColorToolBar tools;
    QDialog dlg;
    for (QWidget* w : std::initializer_list<QWidget*>{&status, &tools, &dlg}) {
        w->resize(120, 40);
        const QImage img = w->grab().toImage();
        EXPECT_EQ(QColor(img.pixel(60, 20)), QColor(245, 245, 245)) << w->metaObject()->className();
    }
    qApp->setStyleSheet(QString());
}

} // namespace
