#include "controls/CtrlId.h"
#include "controls/MyPropertySheet.h"
#include "controls/UiServices.h"
#include "res/ids.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct FakePage : CSheetPage {
    FakePage(QString name, std::vector<std::pair<int, int>> codes, std::vector<QString>* log)
        : name(name), codes(codes), log(log) {}
    QString TabText() const override { return name; }
    QWidget* CreatePage(QWidget* parent) override {
        ++created;
        return new QLabel(name, parent);
    }
    bool Validate() override {
        log->push_back("check " + name);
        return valid;
    }
    void Apply() override { log->push_back("apply " + name); }
    std::vector<std::pair<int, int>> RefreshCodes() const override { return codes; }
    QString name;
    std::vector<std::pair<int, int>> codes;
    std::vector<QString>* log;
    bool valid = true;
    int created = 0;
};

class SheetFixture : public ::testing::Test {
protected:
    void build(int selectPage) {
        sheet = std::make_unique<CMyPropertySheet>("设置", nullptr, selectPage);
        for (auto* p : {&system, &display, &curve})
            sheet->AddPage(p);
        sheet->show();
    }
    void clickRow(int row) {
        QListWidget* list = sheet->pageList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    bool applied(const QString& name) const {
        return std::find(log.begin(), log.end(), "apply " + name) != log.end();
    }

    std::vector<QString> log;
    FakePage system{"系统设置", {{12, 0}}, &log};
    FakePage display{"显示设置", {{11, 0}, {4, 0}}, &log};
    FakePage curve{"打印线型设置", {}, &log};
    std::unique_ptr<CMyPropertySheet> sheet;
};

TEST_F(SheetFixture, OkAppliesOnlyShownPagesInOrderAndSendsTheirRefreshCodes) {
    build(0);
    EXPECT_EQ(system.created, 1);
    EXPECT_EQ(display.created, 0);
    curve.codes = {{6, 1}};
    clickRow(2);
    EXPECT_EQ(sheet->currentPage(), 2);
    EXPECT_EQ(sheet->title(), "打印线型设置");
    clickRow(0);
    clickRow(2); // a page is made once
    EXPECT_EQ(curve.created, 1);

    QSignalSpy spy(sheet.get(), &CMyPropertySheet::refreshRequested);
    qobject_cast<QPushButton*>(pit::FindCtrl(sheet.get(), ids::IDOK))->click();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(applied("系统设置"));
    EXPECT_FALSE(applied("显示设置")); // never shown
    EXPECT_TRUE(applied("打印线型设置"));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toInt(), 12);
    EXPECT_EQ(spy[1][0].toInt(), 6);
    EXPECT_EQ(spy[1][1].toInt(), 1);
}

TEST_F(SheetFixture, AFailingPageLeavesEveryPageUnappliedAndTheSheetOpen) {
    build(0);
    clickRow(1);
    clickRow(2);
    curve.valid = false; // the last page refuses: the ones before it must not be applied either
    QSignalSpy spy(sheet.get(), &CMyPropertySheet::refreshRequested);
    sheet->accept();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_FALSE(applied("系统设置"));
    EXPECT_FALSE(applied("显示设置"));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(sheet->currentPage(), 2);

    curve.valid = true;
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(applied("显示设置"));
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy[0][0].toInt(), 12);
    EXPECT_EQ(spy[1][0].toInt(), 11);
    EXPECT_EQ(spy[2][0].toInt(), 4);
}

TEST_F(SheetFixture, OpensOnTheSelectedPageWithItsNameAndIgnoresClicksBelowTheRows) {
    build(2);
    EXPECT_EQ(system.created, 0);
    EXPECT_EQ(curve.created, 1);
    EXPECT_EQ(sheet->title(), "打印线型设置");
    EXPECT_EQ(sheet->pageList()->currentRow(), 2);

    QListWidget* list = sheet->pageList();
    list->resize(140, 400);
    const QPoint below = list->visualItemRect(list->item(2)).bottomLeft() + QPoint(20, 40);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(sheet->currentPage(), 2);
    EXPECT_EQ(sheet->title(), "打印线型设置");
    sheet->SelectPage(7);
    EXPECT_EQ(sheet->currentPage(), 2);
}

TEST(MyPropertySheet, EnglishPageNamesAndButtons) {
    const struct {
        const char* zh;
        const char* en;
    } cases[] = {
        {"质量评价设置", "Quality Comment Set"},
        {"打印页面设置", "Print Page Set"},
        {"打印样式选择", "Print Style Set"},
        {"系统设置", "System Set"},
        {"显示设置", "Display Set"},
        {"打印线型设置", "Print Curve Set"},
        {"打印信息修改", "Modify PrintInfo"},
        {"工程报告设置", "Project Report"},
        {"单桩报告设置", "Single Report"},
        {"别的页", "No Title"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CMyPropertySheet::PageListText(QString::fromUtf8(c.zh), true), c.en);
        EXPECT_EQ(CMyPropertySheet::PageListText(QString::fromUtf8(c.zh), false), QString::fromUtf8(c.zh));
    }

    pit::ui::setEnglish(true);
    std::vector<QString> log;
    FakePage page("显示设置", {}, &log);
    CMyPropertySheet sheet("Settings");
    sheet.AddPage(&page);
    sheet.show();
    pit::ui::setEnglish(false);
    EXPECT_EQ(sheet.title(), "Display Set");
    EXPECT_EQ(qobject_cast<QPushButton*>(pit::FindCtrl(&sheet, ids::IDOK))->text(), "Ok");
    EXPECT_EQ(qobject_cast<QPushButton*>(pit::FindCtrl(&sheet, ids::IDCANCEL))->text(), "Cancel");
}

TEST(MyPropertySheet, UnderlineFadesFromItsColourToAlmostWhite) {
    EXPECT_EQ(CMyPropertySheet::UnderlineChannel(0, 10, 110, 10), 255); // first pixel white
    EXPECT_EQ(CMyPropertySheet::UnderlineChannel(0, 10, 110, 11), 0);
    EXPECT_EQ(CMyPropertySheet::UnderlineChannel(0, 10, 110, 61), 127);
    EXPECT_EQ(CMyPropertySheet::UnderlineChannel(132, 10, 110, 110), 253);
}

} // namespace
