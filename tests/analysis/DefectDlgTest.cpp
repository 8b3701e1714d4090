// The defect dialog: which clicks close it with which answer, which buttons
// respond in each mode, and where it opens beside the clicked spot.
#include "analysis/DefectDlg.h"
#include "controls/CtrlId.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

QPushButton* Button(QWidget* dlg, int id) {
    return qobject_cast<QPushButton*>(pit::FindCtrl(dlg, id));
}

TEST(DefectDlg, ClickSequencesCloseWithTheirChoice) {
    struct Case {
        std::vector<int> clicks;
        bool closes;
        pit::DefectChoice expected;
    };
    pit::DefectChoice fractureSerious;
    fractureSerious.ok = true;
    fractureSerious.type = 2;
    fractureSerious.severity = 2;
    fractureSerious.typeChosen = fractureSerious.severityChosen = true;
    pit::DefectChoice slightBulging = fractureSerious;
    slightBulging.type = 5;
    slightBulging.severity = 0;
    pit::DefectChoice head;
    head.ok = true;
    head.headChosen = true;
    pit::DefectChoice oneType;
    oneType.type = 2;
    oneType.typeChosen = true;

    const std::vector<Case> cases{
        {{CDefectDlg::kFracture}, false, oneType},
        {{CDefectDlg::kFracture, CDefectDlg::kSerious}, true, fractureSerious},
        {{CDefectDlg::kSlight, CDefectDlg::kBulging}, true, slightBulging}, // either order
        {{CDefectDlg::kHead}, true, head},                                  // type and severity untouched
        {{CDefectDlg::kFlat}, false, {}},                                   // bottom disabled in defect mode
    };
    for (const Case& c : cases) {
        CDefectDlg dlg(true);
        dlg.show();
        for (int id : c.clicks)
            QTest::mouseClick(Button(&dlg, id), Qt::LeftButton);
        EXPECT_EQ(dlg.isVisible(), !c.closes) << c.clicks.front();
        const pit::DefectChoice& got = dlg.Choice();
        EXPECT_EQ(got.ok, c.expected.ok);
        EXPECT_EQ(got.type, c.expected.type);
        EXPECT_EQ(got.severity, c.expected.severity);
        EXPECT_EQ(got.typeChosen, c.expected.typeChosen);
        EXPECT_EQ(got.severityChosen, c.expected.severityChosen);
        EXPECT_EQ(got.headChosen, c.expected.headChosen);
        EXPECT_EQ(got.bottomChosen, c.expected.bottomChosen);
    }
}

TEST(DefectDlg, BottomModeOnlyBottomButtonsAndCancelRespond) {
    CDefectDlg dlg(false);
    dlg.show();
    const int others[] = {CDefectDlg::kNecking, CDefectDlg::kSegregation, CDefectDlg::kFracture,
                          CDefectDlg::kCrack,   CDefectDlg::kDefect,      CDefectDlg::kBulging,
                          CDefectDlg::kSlight,  CDefectDlg::kOrdinary,    CDefectDlg::kSerious,
                          CDefectDlg::kHead};
    for (int id : others) {
        EXPECT_FALSE(Button(&dlg, id)->isEnabled()) << id;
        QTest::mouseClick(Button(&dlg, id), Qt::LeftButton);
    }
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(Button(&dlg, CDefectDlg::kCancel)->isEnabled());
    QTest::mouseClick(Button(&dlg, CDefectDlg::kEnlarged), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.Choice().ok);
    EXPECT_TRUE(dlg.Choice().bottomChosen);
    EXPECT_EQ(dlg.Choice().bottom, 2);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(DefectDlg, CancelClosesWithoutChoice) {
    CDefectDlg dlg(true);
    dlg.show();
    QTest::mouseClick(Button(&dlg, CDefectDlg::kFracture), Qt::LeftButton);
    QTest::mouseClick(Button(&dlg, CDefectDlg::kCancel), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.Choice().ok);
    EXPECT_TRUE(Button(&dlg, CDefectDlg::kDefect)->isDefault());
}

TEST(DefectDlg, PlacementBesideTheSpot) {
    const QSize client(300, 200);
    struct Case {
        QRect spot;
        QRect expected;
    };
    const Case cases[] = {
        // Near the top-left corner: to the right of and below the spot.
        {QRect(5, 5, 10, 10), QRect(15, 15, 300, 215)},
        // Far from it: to the left of and above.
        {QRect(800, 600, 10, 10), QRect(500, 400, 300, 215)},
        // Left edge equal to the width goes left; top below the height goes down.
        {QRect(300, 199, 10, 10), QRect(0, 209, 300, 215)},
        // The height grows by 1.5 times the spot's, truncated.
        {QRect(400, 400, 10, 5), QRect(100, 200, 300, 207)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDefectDlg::Placement(c.spot, client), c.expected) << c.spot.x() << "," << c.spot.y();
}

} // namespace
