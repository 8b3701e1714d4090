// The processing dialogs: their checks with the exact wording, the reset
// values, the snapping of the refinement index while it is typed, and what
// OK does with a refused field.
#include "analysis/DigitalFilterDlg.h"
#include "analysis/IndexEnlarge.h"
#include "analysis/ReFineIndexDlg.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "platform/MessageSink.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

struct EnglishUi {
    bool was = pit::ui::english();
    explicit EnglishUi(bool on) { pit::ui::setEnglish(on); }
    ~EnglishUi() { pit::ui::setEnglish(was); }
};

QLineEdit* Edit(QWidget* dlg, int id) {
    return qobject_cast<QLineEdit*>(pit::FindCtrl(dlg, id));
}

} // namespace

TEST(DigitalFilterCheck, FirstFailureNamesItsEditAndResets) {
    struct Case {
        int high, low;
        bool english;
        int badId;
        const char* message;
        int highAfter, lowAfter;
    } cases[] = {
        {0, 50000, true, -1, "", 0, 50000},
        {50000, 0, true, -1, "", 50000, 0},
        {50001, 100, true, 1038, "High pass must less than 50000!", 1, 100},
        {-1, 100, true, 1038, "High pass must more than 0!", 1, 100},
        {-1, 100, false, 1038, "高通不可小于0!", 1, 100},
        {50001, -5, false, 1038, "高通不可大于50000!", 1, -5}, // high-pass first
        {10, -5, true, 1039, "Low pass must more than 0!", 10, 0},
        {10, 60000, true, 1039, "Low pass must less than 50000!", 10, 50000},
        {10, 60000, false, 1039, "低通不可大于50000!", 10, 50000},
    };
    for (const Case& c : cases) {
        pit::DigitalFilterParams p{c.high, c.low};
        const pit::ValidationFailure f = pit::ValidateDigitalFilter(p, c.english);
        EXPECT_EQ(f.badId, c.badId) << c.high << " " << c.low;
        EXPECT_EQ(f.message, QString::fromUtf8(c.message));
        EXPECT_EQ(p.highPass, c.highAfter);
        EXPECT_EQ(p.lowPass, c.lowAfter);
    }
}

// Half the sampling rate limits the high-pass (the filter's formula breaks
// down there); a refused value goes back to the one before, or to 0 when
// that one is refused too. The low-pass is not limited by it.
TEST(DigitalFilterCheck, HighPassStaysBelowHalfTheSamplingRate) {
    EXPECT_DOUBLE_EQ(pit::NyquistHz(20.0f), 25000.0);
    EXPECT_DOUBLE_EQ(pit::NyquistHz(0.0f), 0.0);
    struct Case {
        int high, low;
        float interval;
        int previous;
        bool english;
        const char* message;
        int highAfter;
    } cases[] = {
        {24999, 50000, 20, 100, false, "", 24999},
        {25000, 100, 20, 100, false, "高通必须小于25000 Hz（采样频率的一半）!", 100},
        {30000, 100, 20, 100, true, "High pass must be less than 25000 Hz (half the sampling rate)!", 100},
        {30000, 100, 20, 26000, false, "高通必须小于25000 Hz（采样频率的一半）!", 0},
        {20000, 100, 30, 0, false, "高通必须小于16666.67 Hz（采样频率的一半）!", 0},
        {30000, 100, 0, 100, false, "", 30000}, // no interval known: no limit
        {100, 49000, 20, 0, false, "", 100},    // the low-pass is not limited by it
    };
    for (const Case& c : cases) {
        pit::DigitalFilterParams p{c.high, c.low, pit::NyquistHz(c.interval), c.previous};
        const pit::ValidationFailure f = pit::ValidateDigitalFilter(p, c.english);
        EXPECT_EQ(f.message, QString::fromUtf8(c.message)) << c.high << " at " << c.interval;
        EXPECT_EQ(f.badId, *c.message ? CDigitalFilterDlg::IDC_HIGHPASS : -1);
        EXPECT_EQ(p.highPass, c.highAfter);
        EXPECT_EQ(p.lowPass, c.low);
    }
}

TEST(AmplificationCheck, IndexKeptInOneToHundred) {
    struct Case {
        int index;
        bool english;
        const char* message;
        int after;
    } cases[] = {
        {1, true, "", 1},
        {100, true, "", 100},
        {0, true, "Exp must more than 1!", 1},
        {-7, false, "指数不可小于1!", 1},
        {101, true, "Exp must less than 100!", 100},
        {101, false, "指数不可大于100!", 100},
    };
    for (const Case& c : cases) {
        int v = c.index;
        const pit::ValidationFailure f = pit::ValidateAmplificationIndex(v, c.english);
        EXPECT_EQ(f.message, QString::fromUtf8(c.message)) << c.index;
        EXPECT_EQ(f.failed(), *c.message != 0);
        EXPECT_EQ(v, c.after);
    }
}

TEST(RefineIndex, TypedValuesSnapToAPowerOfTwo) {
    struct Case {
        int typed, old, expected;
    } cases[] = {
        {1, 8, 1},   {2, 8, 2},   {3, 8, 4},   {5, 8, 4},    {6, 8, 8}, {12, 8, 16},
        {24, 8, 32}, {40, 8, 32}, {50, 8, 32}, {51, 16, 16}, {0, 4, 4}, {-3, 4, 4}, // negative like 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(pit::SnapRefineIndex(c.typed, c.old), c.expected) << c.typed;
}

TEST(RefineIndex, OkCheckByMode) {
    struct Case {
        int value, mode;
        bool english;
        const char* message;
        int after;
    } cases[] = {
        {8, 1, true, "", 8},
        {0, 1, true, "Exp must more than 1!", 1},
        {0, 2, false, "指数不可小于1!", 1},
        {0, 3, true, "间隔点数不可小于1!", 1}, // Chinese in both languages
        {60, 1, true, "Exp must less than 50!", 32},
        {60, 3, true, "Interval Number must less than 50!", 32},
        {60, 3, false, "间隔点数不可大于50!", 32},
        {60, 7, true, "", 32}, // unknown mode: reset without a message
    };
    for (const Case& c : cases) {
        int v = c.value;
        const pit::ValidationFailure f = pit::ValidateRefineIndex(v, c.mode, c.english);
        EXPECT_EQ(f.message, QString::fromUtf8(c.message)) << c.value << " mode " << c.mode;
        EXPECT_EQ(v, c.after);
        if (*c.message)
            EXPECT_EQ(f.badId, 1128);
    }
}

TEST(RefineIndexDlg, EditSnapsWhileTypedAndModeThreeAsksForPoints) {
    EnglishUi ui(true);
    CReFineIndexDlg dlg;
    dlg.m_nValue = 16;
    dlg.m_nMode = 3;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), u"Set Dis Points"_qs);
    QLineEdit* edit = Edit(&dlg, CReFineIndexDlg::IDC_VALUE);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->text(), u"16"_qs);
    edit->setText(u"5"_qs);
    EXPECT_EQ(edit->text(), u"4"_qs);
    EXPECT_EQ(dlg.m_nValue, 4);
    edit->setText(u"51"_qs);
    EXPECT_EQ(edit->text(), u"4"_qs); // the previous value comes back
    edit->setText(u"-2"_qs);
    EXPECT_EQ(edit->text(), u"4"_qs);
    edit->setText(QString()); // left alone while the user types
    EXPECT_EQ(edit->text(), QString());
}

TEST(ProcessingDlgs, RefusedOkKeepsTheDialogOpenWithTheResetValue) {
    EnglishUi ui(true);
    pit::ScriptedMessageSink sink; // a refused field never waits on a message box here
    {
        CDigitalFilterDlg dlg;
        dlg.SetMessageSink(&sink);
        dlg.m_nHighPass = 100;
        dlg.m_nLowPass = 2000;
        dlg.show();
        Edit(&dlg, CDigitalFilterDlg::IDC_HIGHPASS)->setText(u"50001"_qs);
        dlg.accept();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.m_nHighPass, 1);
        EXPECT_EQ(Edit(&dlg, CDigitalFilterDlg::IDC_HIGHPASS)->text(), u"1"_qs);
        Edit(&dlg, CDigitalFilterDlg::IDC_HIGHPASS)->setText(u"abc"_qs); // not an integer
        dlg.accept();
        EXPECT_TRUE(dlg.isVisible());
        Edit(&dlg, CDigitalFilterDlg::IDC_HIGHPASS)->setText(u"20"_qs);
        dlg.accept();
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_nHighPass, 20);
        EXPECT_EQ(dlg.m_nLowPass, 2000);
    }
    {
        CIndexEnlarge dlg;
        dlg.SetMessageSink(&sink);
        dlg.m_nIndex = 3;
        dlg.show();
        EXPECT_EQ(Edit(&dlg, CIndexEnlarge::IDC_INDEX)->text(), u"3"_qs);
        Edit(&dlg, CIndexEnlarge::IDC_INDEX)->setText(u"101"_qs);
        dlg.accept();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.m_nIndex, 100);
        dlg.accept(); // the reset value passes
        EXPECT_FALSE(dlg.isVisible());
    }
}
