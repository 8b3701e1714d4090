#include "controls/SListCtrl.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ListRows, CellsChecksAndDataWithoutAWindow) {
    pit::ListRows rows;
    EXPECT_EQ(rows.InsertColumn(0, "桩号"), 0);
    EXPECT_EQ(rows.InsertColumn(5, "长度"), 1); // clamped to the end
    EXPECT_EQ(rows.InsertItem(0, "P1"), 0);
    EXPECT_EQ(rows.InsertItem(9, "P3"), 1);
    EXPECT_EQ(rows.InsertItem(1, "P2"), 1);
    EXPECT_TRUE(rows.SetItemText(2, 1, "12.5"));
    EXPECT_FALSE(rows.SetItemText(3, 0, "x")); // no such row
    EXPECT_FALSE(rows.SetItemText(0, 2, "x")); // no such column
    EXPECT_EQ(rows.GetItemText(1, 0), "P2");
    EXPECT_EQ(rows.GetItemText(2, 1), "12.5");
    EXPECT_EQ(rows.GetItemText(0, 1), "");
    EXPECT_EQ(rows.GetItemText(-1, 0), "");

    EXPECT_FALSE(rows.GetItemCheck(1));
    EXPECT_TRUE(rows.SetItemCheck(1, true));
    EXPECT_TRUE(rows.GetItemCheck(1));
    EXPECT_FALSE(rows.SetItemCheck(7, true));
    rows.SetItemData(2, 42);
    EXPECT_EQ(rows.GetItemData(2), 42u);

    // A column inserted before existing cells shifts them.
    rows.InsertColumn(0, "序号");
    EXPECT_EQ(rows.GetItemText(2, 2), "12.5");
    EXPECT_EQ(rows.GetItemText(2, 1), "P3");
    EXPECT_TRUE(rows.DeleteItem(0));
    EXPECT_EQ(rows.GetItemCount(), 2);
    EXPECT_TRUE(rows.GetItemCheck(0));
}

TEST(SListCtrl, EditableCellsListedOnceAndOnlyWhileEditingIsOn) {
    CSListCtrl list;
    EXPECT_FALSE(list.AddEditableCell(0, 1)); // editing is off
    list.EnableEditing(true);
    EXPECT_TRUE(list.AddEditableCell(0, 1));
    EXPECT_TRUE(list.AddEditableCell(0, 1));
    EXPECT_TRUE(list.IsCellEditable(0, 1));
    EXPECT_FALSE(list.IsCellEditable(1, 0));
    list.EnableEditing(false);
    EXPECT_FALSE(list.IsCellEditable(0, 1)); // enabling again starts from an empty list
    list.EnableEditing(true);
    EXPECT_FALSE(list.IsCellEditable(0, 1));
    EXPECT_TRUE(list.AddEditableCell(2, 2));
    list.ClearEditableCells();
    EXPECT_FALSE(list.AddEditableCell(2, 2));
    list.EnableEditing(true);
    EXPECT_FALSE(list.IsCellEditable(2, 2));
    EXPECT_FALSE(list.CommitEdit()); // no cell being edited
}

TEST(SListCtrl, CheckStatesRoundTripThroughTheView) {
    CSListCtrl list;
    list.InsertColumn(0, "桩号");
    list.InsertItem(0, "P1");
    list.InsertItem(1, "P2");
    list.SetCheckBoxes(true);
    list.SetItemCheck(1, true);
    EXPECT_TRUE(list.GetItemCheck(1));
    EXPECT_FALSE(list.GetItemCheck(0));
    EXPECT_EQ(list.model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    list.model()->setData(list.model()->index(0, 0), Qt::Checked, Qt::CheckStateRole); // a click on the box
    EXPECT_TRUE(list.GetItemCheck(0));
    list.SetItemCheck(1, false);
    EXPECT_FALSE(list.GetItemCheck(1));
}

class ListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        list.InsertColumn(0, "桩号", 60);
        list.InsertColumn(1, "长度", 60);
        for (int r = 0; r < 3; ++r) {
            list.InsertItem(r, QString("P%1").arg(r + 1));
            list.SetItemText(r, 1, QString::number(10 + r));
        }
        list.resize(200, 150);
        list.show();
        list.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
        list.EnableEditing(true);
        list.AddEditableCell(1, 1);
        list.AddEditableCell(2, 1);
    }
    void click(int row, int col) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualRect(list.model()->index(row, col)).center());
    }
    void type(const QString& text) {
        list.editBox()->selectAll();
        list.editBox()->insert(text);
    }

    CSListCtrl list;
};

TEST_F(ListFixture, OnlyListedCellsOpenTheEditBoxOverTheCell) {
    click(1, 0);
    EXPECT_FALSE(list.editBox()->isVisible());
    click(1, 1);
    ASSERT_TRUE(list.editBox()->isVisible());
    EXPECT_EQ(list.editBox()->text(), "11");
    EXPECT_EQ(list.editBox()->geometry(), list.visualRect(list.model()->index(1, 1)));
    EXPECT_TRUE(list.editBox()->hasFocus());
    EXPECT_EQ(list.editBox()->selectedText(), "11");
}

TEST_F(ListFixture, LeavingTheEditWritesTheCellAndNotifiesOnce) {
    QSignalSpy spy(&list, &CSListCtrl::cellEdited);
    click(1, 1);
    type("15.5");
    click(0, 0); // the focus leaves the box
    EXPECT_FALSE(list.editBox()->isVisible());
    EXPECT_EQ(list.GetItemText(1, 1), "15.5");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 1);
    EXPECT_EQ(spy[0][1].toInt(), 1);
}

TEST_F(ListFixture, EmptyTextKeepsTheOldTextButStillNotifies) {
    QSignalSpy spy(&list, &CSListCtrl::cellEdited);
    click(2, 1);
    type("");
    list.setFocus();
    EXPECT_EQ(list.GetItemText(2, 1), "12");
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(ListFixture, ClickingASecondEditableCellWritesTheFirstBeforeTheBoxMoves) {
    click(1, 1);
    type("x");
    click(2, 1);
    EXPECT_EQ(list.GetItemText(1, 1), "x");
    EXPECT_EQ(list.editCell(), std::make_pair(2, 1));
    EXPECT_TRUE(list.editBox()->isVisible());
    EXPECT_EQ(list.editBox()->text(), "12");
}

} // namespace
