#include "controls/CtrlId.h"
#include "controls/ViewBar.h"

#include <QLabel>
#include <QMainWindow>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

TEST(SizingControlBar, VerticalLengthFollowsTheScreenHeight) {
    EXPECT_EQ(CSizingControlBar::DefaultVerticalSize(768), QSize(250, 500));
    EXPECT_EQ(CSizingControlBar::DefaultVerticalSize(799), QSize(250, 500));
    EXPECT_EQ(CSizingControlBar::DefaultVerticalSize(800), QSize(250, 580));
}

class BarFixture : public ::testing::Test {
protected:
    void SetUp() override {
        main.resize(900, 700);
        view = new QLabel("form");
        ASSERT_TRUE(bar->Create(&main, view, "工程信息", 59500));
        main.setCentralWidget(new QLabel("centre"));
        main.show();
        QApplication::processEvents();
    }

    QMainWindow main;
    CViewBar* bar = new CViewBar(&main);
    QLabel* view = nullptr;
};

TEST_F(BarFixture, DockedAtTheLeftWithItsSizesAndId) {
    EXPECT_EQ(main.dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    EXPECT_TRUE(bar->IsVertDocked());
    EXPECT_FALSE(bar->IsHorzDocked());
    EXPECT_EQ(bar->sizeHint(), bar->vertSize);
    EXPECT_EQ(pit::CtrlId(bar), 59500);
    EXPECT_EQ(bar->view(), view);
    bar->setFloating(true);
    EXPECT_EQ(bar->sizeHint(), QSize(255, 630));
}

TEST_F(BarFixture, CloseRequestsAreIgnoredButTheCloseButtonHides) {
    EXPECT_FALSE(bar->close());
    EXPECT_TRUE(bar->isVisible());
    bar->closeButton()->click();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(BarFixture, ResizingTheBarResizesTheViewEveryTime) {
    bar->setFloating(true);
    bar->resize(300, 500);
    QApplication::processEvents();
    const QSize first = view->size();
    bar->resize(340, 560);
    QApplication::processEvents();
    EXPECT_EQ(view->width() - first.width(), 40);
    EXPECT_EQ(view->height() - first.height(), 60);
    EXPECT_EQ(view->width(), bar->width() - (300 - first.width()));
}

TEST_F(BarFixture, CaptionIsActiveWhileTheFocusIsInsideTheBar) {
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    view->setFocusPolicy(Qt::StrongFocus);
    view->setFocus();
    EXPECT_TRUE(bar->IsActive());
    main.centralWidget()->setFocusPolicy(Qt::StrongFocus);
    main.centralWidget()->setFocus();
    EXPECT_FALSE(bar->IsActive());
}

} // namespace
