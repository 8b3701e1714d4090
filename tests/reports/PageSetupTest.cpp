// The page setup page: page number against footer side, the page number
// controls, the spin arrows, the header and footer font and the printer.
#include "tests/reports/PagesFixture.h"

#include "controls/PrinterSupport.h"
#include "controls/TabSheet.h"
#include "core/doc/PrintSettings.h"
#include "reports/PrintSetDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using namespace pit;
using pit::pages::Choose;
using pit::test::PagesFixture;

namespace {

struct PageSetup : PagesFixture {
    std::unique_ptr<CPrintSetDlg> page;
    QWidget* w = nullptr;
    void open() {
        page = std::make_unique<CPrintSetDlg>(&print());
        w = page->CreatePage(nullptr);
    }
    QComboBox* pagePos() { return ctrl<QComboBox>(w, CPrintSetDlg::kPagePos); }
    QComboBox* footPos() { return ctrl<QComboBox>(page->Footer(), CPrintBandDlg::kPosition); }
    void TearDown() override {
        page.reset();
        PagesFixture::TearDown();
    }
};

TEST_F(PageSetup, PageNumberOnTheFootersSideMovesToTheNextSide) {
    print().m_bprpage = 1;
    print().m_bpagefoot = 1;
    print().m_npfloc = 2;   // footer "右侧"
    print().m_npageloc = 1; // page number "页脚中间"
    open();
    ASSERT_TRUE(sink.shown.empty());
    EXPECT_EQ(pagePos()->itemText(2), QStringLiteral("页脚右侧"));

    Choose(pagePos(), 2);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("页码和页脚请勿定义在同侧!"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(pagePos()->currentText(), QStringLiteral("页脚左侧"));
    EXPECT_EQ(print().m_npageloc, 0);

    // The footer moving onto the page number's side moves the page number on.
    Choose(footPos(), 0);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(print().m_npageloc, 1);
    EXPECT_EQ(print().m_npfloc, 0);
}

TEST_F(PageSetup, NoClashWhilePageNumbersOrFooterAreOff) {
    for (const auto [numbers, footer] : {std::pair{0, 1}, std::pair{1, 0}}) {
        print().m_bprpage = numbers;
        print().m_bpagefoot = footer;
        print().m_npfloc = 2;
        print().m_npageloc = 0;
        open();
        Choose(pagePos(), 2);
        EXPECT_TRUE(sink.shown.empty()) << numbers << footer;
        EXPECT_EQ(print().m_npageloc, 2);
    }
}

TEST_F(PageSetup, StoredClashIsSettledAsThePageOpens) {
    print().m_bprpage = 1;
    print().m_bpagefoot = 1;
    print().m_npfloc = 1;
    print().m_npageloc = 1;
    open();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(print().m_npageloc, 2);
    EXPECT_EQ(pagePos()->currentIndex(), 2);
}

TEST_F(PageSetup, TotalPagesOnlyWithTheFifthForm) {
    print().m_bprpage = 1;
    print().m_npagefm = 0;
    open();
    auto* form = ctrl<QComboBox>(w, CPrintSetDlg::kPageForm);
    for (int f = 0; f < 5; ++f) {
        Choose(form, f);
        EXPECT_EQ(print().m_npagefm, f);
        EXPECT_EQ(ctrl(w, CPrintSetDlg::kMaxPage)->isEnabled(), f == 4) << f;
        EXPECT_EQ(ctrl(w, CPrintSetDlg::kMaxSpin)->isEnabled(), f == 4) << f;
        EXPECT_TRUE(ctrl(w, CPrintSetDlg::kStartPage)->isEnabled());
    }
    // Page numbers off: all six controls locked.
    ctrl<QCheckBox>(w, CPrintSetDlg::kPrintPageNo)->click();
    for (int id : {CPrintSetDlg::kPageForm, CPrintSetDlg::kStartPage, CPrintSetDlg::kPagePos,
                   CPrintSetDlg::kStartSpin, CPrintSetDlg::kMaxPage, CPrintSetDlg::kMaxSpin})
        EXPECT_FALSE(ctrl(w, id)->isEnabled()) << id;
    EXPECT_EQ(print().m_bprpage, 0);
}

TEST_F(PageSetup, ArrowsStayWithinTheMarginRangeTypedValuesAreKept) {
    print().m_nmarginup = 50;
    print().m_nmargindown = 0;
    print().m_nstpage = 0;
    open();
    auto arrows = [&](int id) { return ctrl<pages::UpDownArrows>(w, id); };
    arrows(CPrintSetDlg::kSpinUp)->up()->click();
    EXPECT_EQ(print().m_nmarginup, 50);
    arrows(CPrintSetDlg::kSpinUp)->down()->click();
    EXPECT_EQ(print().m_nmarginup, 49);
    EXPECT_EQ(ctrl<QLineEdit>(w, CPrintSetDlg::kMarginUp)->text(), QStringLiteral("49"));
    arrows(CPrintSetDlg::kSpinDown)->down()->click();
    EXPECT_EQ(print().m_nmargindown, 0);
    arrows(CPrintSetDlg::kStartSpin)->down()->click();
    EXPECT_EQ(print().m_nstpage, 0);

    auto* left = ctrl<QLineEdit>(w, CPrintSetDlg::kMarginLeft);
    left->setText(QStringLiteral("80"));
    Q_EMIT left->editingFinished();
    EXPECT_EQ(print().m_nmarginleft, 80);
    EXPECT_TRUE(sink.shown.empty());

    // An emptied field is refused: nothing after it is taken, the user is told.
    left->clear();
    EXPECT_FALSE(page->Validate());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("请输入一个整数。"));
}

TEST(HeaderFooterFont, ChosenFontIntoTheFields) {
    struct Case {
        const char* what;
        ChosenFont chosen;
        const char* face;
        int sizeIndex, bold;
    } cases[] = {
        {"13 pt is not in the table", {QStringLiteral("SimHei"), 130, 400}, "SimHei", 3, 0},
        {"10.5 pt is 五号", {QStringLiteral("SimHei"), 105, 400}, "SimHei", 18, 0},
        {"vertical face", {QStringLiteral("@SimSun"), 120, 700}, "SimSun", 4, 1},
        {"600 is not bold", {QStringLiteral("Arial"), 420, 600}, "Arial", 16, 0},
        {"no face keeps the face", {QString(), 50, 700}, "宋体", 22, 1},
    };
    for (const Case& c : cases) {
        for (bool footer : {false, true}) {
            CPrintSettings s;
            StoreChosenFont(c.chosen, s, footer);
            EXPECT_EQ(footer ? s.m_strpffont : s.m_strphfont, QString::fromUtf8(c.face)) << c.what;
            EXPECT_EQ(footer ? s.m_npfhei : s.m_nphhei, c.sizeIndex) << c.what;
            EXPECT_EQ(footer ? s.m_bFIsBold : s.m_bHIsBold, c.bold) << c.what;
            EXPECT_EQ(footer ? s.m_bHIsBold : s.m_bFIsBold, 0) << c.what; // the other band untouched
        }
    }
    EXPECT_EQ(BandSizeIndex(55), 21);
    EXPECT_EQ(BandSizeIndex(130), -1);
    EXPECT_DOUBLE_EQ(BandPointSize(99), 5.0); // a stored index past the table reads the last entry
}

struct FixedColour : ColorChooser {
    std::optional<COLORREF> choose(COLORREF, QWidget*) override { return answer; }
    std::optional<COLORREF> answer;
};

TEST_F(PageSetup, FontButtonTakesTheFontThenTheColour) {
    print().m_bpagehead = 1;
    print().m_nphhei = 18; // 10.5 pt: the dialog starts at 10
    open();
    CPrintHeaderDlg* header = page->Header();
    QFont offered;
    header->chooseFont = [&](const QFont& initial, QWidget*) -> std::optional<QFont> {
        offered = initial;
        QFont f(QStringLiteral("@SimSun"));
        f.setPointSizeF(14);
        f.setWeight(QFont::Bold);
        f.setItalic(true);
        return f;
    };
    FixedColour colour;
    colour.answer = RGB(0, 128, 255);
    ui::setColorChooser(&colour);
    ctrl<QPushButton>(header, CPrintBandDlg::kFont)->click();
    ui::setColorChooser(nullptr);

    EXPECT_EQ(offered.family(), InstalledFaceFor(QStringLiteral("宋体")));
    EXPECT_EQ(offered.pointSize(), 10);
    EXPECT_EQ(print().m_strphfont, QStringLiteral("SimSun"));
    EXPECT_EQ(print().m_nphhei, 5);
    EXPECT_EQ(print().m_bHIsBold, 1);
    EXPECT_EQ(print().m_bHIsItalic, 1);
    EXPECT_EQ(print().m_colorHead, RGB(0, 128, 255));
    EXPECT_EQ(ctrl<QComboBox>(header, CPrintBandDlg::kSize)->currentIndex(), 5);
    EXPECT_EQ(ctrl<QLineEdit>(header, CPrintHeaderDlg::kFace)->text(), QStringLiteral("SimSun"));
    EXPECT_EQ(print().m_strpffont, QStringLiteral("宋体")); // the footer keeps its own

    // Cancel changes nothing.
    header->chooseFont = [](const QFont&, QWidget*) { return std::optional<QFont>(); };
    ctrl<QPushButton>(header, CPrintBandDlg::kFont)->click();
    EXPECT_EQ(print().m_nphhei, 5);
}

// The real font dialog on a face this machine lacks ("宋体"): a size changed
// alone keeps the stored face, which prints through its substitute; another
// face picked is stored.
TEST_F(PageSetup, FontDialogKeepsAFaceThatIsNotInstalled) {
    if (QFontDatabase::hasFamily(QStringLiteral("宋体")))
        GTEST_SKIP() << "宋体 is installed here";
    print().m_bpagehead = 1;
    print().m_strphfont = QStringLiteral("宋体");
    print().m_nphhei = 4; // 12 pt
    open();
    CPrintHeaderDlg* header = page->Header();
    FixedColour colour;
    ui::setColorChooser(&colour);
    const struct {
        const char* what;
        QString face; // picked in the dialog; empty: the face it offers
        QString stored;
    } cases[] = {{"size alone", QString(), QStringLiteral("宋体")},
                 {"another face", QStringLiteral("Liberation Sans"), QStringLiteral("Liberation Sans")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString offered;
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dlg = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            poll.stop();
            seen = true;
            QFont f = dlg->currentFont();
            offered = f.family();
            if (!c.face.isEmpty())
                f.setFamily(c.face);
            f.setPointSize(14);
            dlg->setCurrentFont(f);
            dlg->accept();
        });
        poll.start();
        ctrl<QPushButton>(header, CPrintBandDlg::kFont)->click();
        poll.stop();
        ASSERT_TRUE(seen);
        EXPECT_EQ(offered, InstalledFaceFor(QStringLiteral("宋体")));
        EXPECT_EQ(print().m_strphfont, c.stored);
        EXPECT_EQ(print().m_nphhei, 5); // 14 pt
        EXPECT_EQ(ctrl<QLineEdit>(header, CPrintHeaderDlg::kFace)->text(), c.stored);
    }
    ui::setColorChooser(nullptr);
}

TEST_F(PageSetup, BandCheckBoxLocksItsControls) {
    open();
    CPrintFootDlg* foot = page->Footer();
    EXPECT_FALSE(ctrl(foot, CPrintBandDlg::kTitle)->isEnabled());
    ctrl<QCheckBox>(foot, CPrintFootDlg::kPrintFoot)->click();
    EXPECT_EQ(print().m_bpagefoot, 1);
    for (int id :
         {CPrintBandDlg::kTitle, CPrintBandDlg::kSize, CPrintBandDlg::kPosition, CPrintBandDlg::kFont})
        EXPECT_TRUE(ctrl(foot, id)->isEnabled()) << id;
    auto* title = ctrl<QLineEdit>(foot, CPrintBandDlg::kTitle);
    title->setText(QStringLiteral("第一工区"));
    Q_EMIT title->editingFinished();
    EXPECT_EQ(print().m_strpfcon, QStringLiteral("第一工区"));
    Choose(ctrl<QComboBox>(foot, CPrintBandDlg::kSize), 18);
    EXPECT_EQ(print().m_npfhei, 18);
    EXPECT_EQ(print().m_strphcon, QString()); // the header keeps its own
}

struct FakePrinters : PrinterChooser {
    std::optional<QString> choose(QWidget*) override {
        ++asked;
        return answer;
    }
    std::optional<QString> answer;
    int asked = 0;
};

TEST_F(PageSetup, ChosenPrinterIsShownAndKeptForThePrintHosts) {
    if (QPrinterInfo::availablePrinters().isEmpty())
        EXPECT_EQ(CurrentPrinterName(), QString()); // no printer: the name stays empty
    FakePrinters printers;
    ui::setPrinterChooser(&printers);
    open();
    printers.answer = QStringLiteral("Office-Laser");
    ctrl<QPushButton>(w, CPrintSetDlg::kPrinterButton)->click();
    EXPECT_EQ(ctrl<QLineEdit>(w, CPrintSetDlg::kPrinter)->text(), QStringLiteral("Office-Laser"));
    EXPECT_EQ(ChosenPrinterName(), QStringLiteral("Office-Laser"));
    printers.answer.reset(); // Cancel keeps it
    ctrl<QPushButton>(w, CPrintSetDlg::kPrinterButton)->click();
    EXPECT_EQ(page->PrinterName(), QStringLiteral("Office-Laser"));
    // A field that is no number stops the button before the dialog.
    ctrl<QLineEdit>(w, CPrintSetDlg::kMarginUp)->clear();
    ctrl<QPushButton>(w, CPrintSetDlg::kPrinterButton)->click();
    EXPECT_EQ(printers.asked, 2);
    ui::setPrinterChooser(nullptr);
    SetChosenPrinterName(QString());
}

TEST_F(PageSetup, SheetOkTakesHeaderFooterAndPage) {
    CPrintSetDlg p(&print());
    CMyPropertySheet sheet(QStringLiteral("打印设置"));
    sheet.AddPage(&p);
    sheet.show();
    QWidget* pw = sheet.pageWindow(0);
    ctrl<QLineEdit>(p.Header(), CPrintBandDlg::kTitle)->setText(QStringLiteral("标题"));
    ctrl<QLineEdit>(pw, CPrintSetDlg::kMarginRight)->setText(QStringLiteral("33"));
    sheet.accept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(print().m_strphcon, QStringLiteral("标题"));
    EXPECT_EQ(print().m_nmarginr, 33);
    EXPECT_EQ(ctrl<CTabSheet>(pw, CPrintSetDlg::kTabs)->count(), 2);
}

} // namespace
