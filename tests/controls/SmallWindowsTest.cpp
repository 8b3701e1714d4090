#include "controls/FixedSplitterWnd.h"
#include "controls/HyperLink.h"
#include "controls/TabSheet.h"
#include "controls/UiServices.h"

#include <QLabel>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct FakeDesktop : pit::DesktopOpener {
    FakeDesktop() { pit::ui::setDesktop(this); }
    ~FakeDesktop() override { pit::ui::setDesktop(nullptr); }
    bool open(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<QUrl> opened;
};

TEST(HyperLink, EmptyTextShowsTheAddressAndAClickOpensItAndMarksItVisited) {
    FakeDesktop desktop;
    CHyperLink link;
    link.SetAddress("https://example.org/manual");
    link.resize(200, 20);
    link.show();
    EXPECT_EQ(link.text(), "https://example.org/manual");
    EXPECT_EQ(link.toolTip(), "https://example.org/manual");
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));

    QTest::mouseClick(&link, Qt::LeftButton);
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0], QUrl("https://example.org/manual"));
    EXPECT_TRUE(link.IsVisited());

    // An empty address takes the text.
    CHyperLink named;
    named.SetAddress("");
    named.setText("https://example.net/");
    named.show();
    EXPECT_EQ(named.address(), "https://example.net/");
}

TEST(HyperLink, HoverColourComesAndGoesWithTheMouse) {
    EXPECT_EQ(CHyperLink::TextColor(true, false), QColor(242, 101, 34));
    EXPECT_EQ(CHyperLink::TextColor(true, true), QColor(242, 101, 34));
    EXPECT_EQ(CHyperLink::TextColor(false, true), QColor(0, 0, 255));

    CHyperLink link;
    link.show();
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &enter);
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(242, 101, 34));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.IsHovering());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST(FixedSplitterWnd, RowsStayAtAQuarterAndThreeQuartersAndTheBarCannotBeDragged) {
    EXPECT_EQ(CFixedSplitterWnd::RowHeights(400), std::make_pair(100, 300));
    EXPECT_EQ(CFixedSplitterWnd::RowHeights(403), std::make_pair(100, 302));

    CFixedSplitterWnd splitter;
    splitter.addWidget(new QLabel("averaged"));
    splitter.addWidget(new QLabel("wave"));
    splitter.resize(300, 400);
    splitter.show();
    for (int h : {400, 643, 800}) {
        splitter.resize(300, h);
        QApplication::processEvents();
        const QList<int> sizes = splitter.sizes();
        EXPECT_EQ(sizes[0], h / 4) << h;
        EXPECT_EQ(sizes[0] + sizes[1] + splitter.handleWidth(), h) << h;
    }
    const QList<int> before = splitter.sizes();
    QSplitterHandle* bar = splitter.handle(1);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 1));
    QTest::mouseMove(bar, QPoint(5, 120));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, 120));
    EXPECT_EQ(splitter.sizes(), before);
}

TEST(TabSheet, AtMostThreePagesAndOnlyAChangedTabReloadsItsPage) {
    CTabSheet tabs;
    int loads[3] = {0, 0, 0};
    QWidget* pages[3];
    for (int i = 0; i < 3; ++i) {
        pages[i] = new QLabel(QString::number(i));
        EXPECT_TRUE(tabs.AddPage(QString("页%1").arg(i), pages[i], 300 + i, [&loads, i] { ++loads[i]; }));
    }
    QLabel extra;
    EXPECT_FALSE(tabs.AddPage("第四", &extra, 303));
    EXPECT_EQ(tabs.pageCount(), 3);

    tabs.Show();
    tabs.show();
    EXPECT_EQ(tabs.count(), 3);
    EXPECT_TRUE(pages[0]->isVisible());
    EXPECT_FALSE(pages[1]->isVisible());
    EXPECT_FALSE(pages[2]->isVisible());

    tabs.setCurrentIndex(0); // the current tab again
    EXPECT_EQ(loads[0], 0);
    tabs.setCurrentIndex(2);
    EXPECT_EQ(loads[2], 1);
    EXPECT_TRUE(pages[2]->isVisible());
    EXPECT_FALSE(pages[0]->isVisible());
    tabs.setCurrentIndex(2);
    EXPECT_EQ(loads[2], 1);
    tabs.setCurrentIndex(0);
    EXPECT_EQ(loads[0], 1);
}

} // namespace
