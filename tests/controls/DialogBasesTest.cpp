#include "controls/ColDialog.h"
#include "controls/CtrlId.h"
#include "controls/DialogExt.h"
#include "controls/FormViewExt.h"
#include "controls/MessageTip.h"
#include "platform/MessageSink.h"
#include "res/ids.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

constexpr int kEditA = 1010, kEditB = 1011, kCombo = 1012;

template <class W> W* add(QWidget* parent, int id) {
    auto* w = new W(parent);
    pit::SetCtrlId(w, id);
    parent->layout()->addWidget(w);
    return w;
}

// A dialog whose check refuses the control named by failId.
class FakeDialog : public CDialogExt {
public:
    FakeDialog() : CDialogExt(500) {
        new QVBoxLayout(this);
        a = add<QLineEdit>(this, kEditA);
        b = add<QLineEdit>(this, kEditB);
        combo = add<QComboBox>(this, kCombo);
        combo->setEditable(true);
        ok = add<QPushButton>(this, ids::IDOK);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    void ValidateInput(int* badId, QString* message) override {
        if (failId) {
            *badId = failId;
            *message = "必须在 1 到 100 之间";
        }
    }
    int failId = 0;
    QLineEdit *a, *b;
    QComboBox* combo;
    QPushButton* ok;
};

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.SetMessageSink(&sink);
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    bool tipShown() const { return dlg.tip()->isVisible(); }

    pit::ScriptedMessageSink sink;
    FakeDialog dlg;
};

TEST_F(DialogFixture, RefusedOkBeepsAndShowsTheTipAtTheFailingField) {
    dlg.failId = kEditA;
    dlg.a->setFocus();
    dlg.ok->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(sink.beeps, 1);
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_TRUE(tipShown());
    EXPECT_EQ(dlg.tip()->text(), "必须在 1 到 100 之间");
    // The tip stands above the field's top-left corner.
    const QPoint corner = dlg.a->mapToGlobal(QPoint(0, 0)) + QPoint(-6, 0);
    const QRect g = dlg.tip()->geometry();
    EXPECT_EQ(g.left(), corner.x());
    EXPECT_EQ(g.top() + g.height(), corner.y());
    EXPECT_EQ(dlg.focusWidget(), dlg.a);

    dlg.failId = 0;
    dlg.ok->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(DialogFixture, EnterInAnotherFieldOnlyMovesTheFocusAndASecondEnterShowsTheTip) {
    dlg.failId = kEditA;
    dlg.b->setFocus();
    QTest::keyClick(dlg.b, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(sink.beeps, 0);
    EXPECT_FALSE(tipShown());
    EXPECT_EQ(dlg.focusWidget(), dlg.a);
    EXPECT_EQ(dlg.lastField(), nullptr);

    QTest::keyClick(dlg.a, Qt::Key_Return);
    EXPECT_EQ(sink.beeps, 1);
    EXPECT_TRUE(tipShown());
    EXPECT_EQ(dlg.focusWidget(), dlg.a);
}

TEST_F(DialogFixture, TipAlsoShowsFromTheOkButtonAndFromAComboBoxEdit) {
    dlg.failId = kEditB;
    dlg.ok->setFocus(); // a click on OK puts the focus there
    dlg.ok->click();
    EXPECT_TRUE(tipShown());
    EXPECT_EQ(dlg.focusWidget(), dlg.b);

    dlg.tip()->Hide();
    dlg.failId = kCombo;
    dlg.combo->lineEdit()->setFocus();
    dlg.ok->click();
    EXPECT_TRUE(tipShown());
    EXPECT_EQ(sink.beeps, 2);
}

TEST_F(DialogFixture, RefusalNamingNoControlGoesToTheMessageBoxAndKeepsTheDialogOpen) {
    dlg.failId = 9999;
    dlg.a->setFocus();
    dlg.ok->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(tipShown());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "必须在 1 到 100 之间");
    EXPECT_EQ(sink.beeps, 0);
}

// A form whose check refuses one field.
class FakeForm : public CFormViewExt {
public:
    FakeForm() : CFormViewExt(600) {
        new QVBoxLayout(this);
        a = add<QLineEdit>(this, kEditA);
        b = add<QLineEdit>(this, kEditB);
    }
    void ValidateInput(int* badId, QString* message) override {
        ++checks;
        if (failId) {
            *badId = failId;
            *message = "bad";
        }
    }
    int failId = 0, checks = 0;
    QLineEdit *a, *b;
};

TEST(FormViewExt, RefusedFieldCannotBeLeftAndOtherFieldsAreNotHeld) {
    pit::ScriptedMessageSink sink;
    FakeForm form;
    form.SetMessageSink(&sink);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    form.a->setFocus();
    form.failId = kEditA;
    QTest::keyClick(form.a, Qt::Key_Tab);
    EXPECT_EQ(form.focusWidget(), form.a);
    EXPECT_GE(form.checks, 1);
    EXPECT_FALSE(form.tip().isVisible()); // the focus had already left for another field

    // A refusal of another field does not hold the one that is left.
    form.failId = kEditB;
    form.b->setFocus();
    EXPECT_EQ(form.focusWidget(), form.b);
    form.failId = 0;
    form.a->setFocus();
    EXPECT_EQ(form.focusWidget(), form.a);
}

TEST(ColDialog, CaptionBandGeometryGradientAndTitle) {
    CColDialog dlg(700);
    EXPECT_EQ(dlg.title(), "请设置标题");
    EXPECT_EQ(CColDialog::CaptionBand(QRect(10, 40, 200, 100)), QRect(9, 25, 202, 21));

    // 0xFF845C is RGB(92,132,255); each channel runs towards 255.
    const pit::COLORREF start = 0xFF845C;
    EXPECT_EQ(CColDialog::GradientColumn(start, 100, 0), QColor(92, 132, 255));
    EXPECT_EQ(CColDialog::GradientColumn(start, 100, 1), QColor(92, 132, 255));
    EXPECT_EQ(CColDialog::GradientColumn(start, 100, 51), QColor(173, 193, 255)); // trunc(50 x 1.63 + 92)
    const QColor last = CColDialog::GradientColumn(start, 100, 99);
    EXPECT_GT(last.red(), 245);
    EXPECT_LE(last.red(), 255);

    // Painted: the band's first column has the start colour.
    auto* frame = new QWidget(&dlg);
    pit::SetCtrlId(frame, ids::IDC_CAPTION_FRAME);
    frame->setGeometry(10, 40, 200, 100);
    dlg.resize(220, 160);
    const QImage img = dlg.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(9, 28)), QColor(92, 132, 255));
    EXPECT_EQ(QColor(img.pixel(9, 60)), QColor(0x8D, 0x8D, 0x8D)); // the frame outline below the band
}

} // namespace
