// The print settings pages in English: every text control has its key in
// the English language file, and the pages show the English texts.
#include "tests/reports/PagesFixture.h"

#include "controls/TabSheet.h"
#include "core/doc/PrintSettings.h"
#include "platform/IniFile.h"
#include "reports/ModifyGroupPage.h"
#include "reports/PrintCurve.h"
#include "reports/PrintSetDlg.h"
#include "reports/PrintStyleDlg.h"
#include "reports/ProRepSetPage.h"
#include "reports/SglRepSetPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

using namespace pit;
using pit::pages::Choose;
using pit::test::PagesFixture;

namespace {

QString textOf(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    return {};
}

TEST_F(PagesFixture, EveryTextControlOfTheEightDialogsHasItsEnglishKey) {
    IniFile lng;
    ASSERT_TRUE(lng.load(QStringLiteral(PIT_RES_DIR "/English.lng")));
    CPrintSetDlg setup(&print());
    CProRepSetPage project(doc.get(), &print());
    CPrintStyleDlg items(&print());
    CSglRepSetPage single(doc.get(), &print());
    CPrintCurve curve(&doc->m_CurveStyle);
    CModifyGroupPage common(&doc->m_CommonInfo, &doc->m_History, 0);
    std::vector<QWidget*> dialogs;
    for (CSheetPage* page :
         std::initializer_list<CSheetPage*>{&setup, &project, &items, &single, &curve, &common})
        dialogs.push_back(page->CreatePage(nullptr));
    dialogs.push_back(setup.Header());
    dialogs.push_back(setup.Footer());

    std::vector<int> sections;
    for (QWidget* dlg : dialogs) {
        const int id = CtrlId(dlg);
        sections.push_back(id);
        const QString section = QString::number(id);
        EXPECT_FALSE(lng.readString(section, section).isEmpty()) << "caption of " << id;
        // The header and footer tabs inside the page setup are dialogs of their own.
        auto inOtherDialog = [dlg](QWidget* w) {
            for (QWidget* p = w; p && p != dlg; p = p->parentWidget())
                if (qobject_cast<CPrintBandDlg*>(p))
                    return true;
            return false;
        };
        for (QWidget* w : dlg->findChildren<QWidget*>()) {
            const int ctrl = CtrlId(w);
            if (ctrl == 0 || textOf(w).isEmpty() || inOtherDialog(w))
                continue;
            EXPECT_FALSE(lng.readString(section, QString::number(ctrl)).isEmpty())
                << "dialog " << id << ", control " << ctrl;
        }
    }
    std::sort(sections.begin(), sections.end());
    EXPECT_EQ(sections, (std::vector<int>{140, 141, 142, 167, 170, 183, 184, 196}));
}

TEST_F(PagesFixture, SheetInTheEnglishInterfaceShowsTheEnglishTexts) {
    english();
    CPrintSetDlg setup(&print());
    CPrintStyleDlg items(&print());
    CMyPropertySheet sheet(QStringLiteral("Print Set"));
    sheet.AddPage(&items);
    sheet.AddPage(&setup);
    sheet.show();
    sheet.SelectPage(1);
    EXPECT_EQ(sheet.pageList()->item(0)->text(), QStringLiteral("Print Style Set"));
    EXPECT_EQ(sheet.pageList()->item(1)->text(), QStringLiteral("Print Page Set"));
    QWidget* w = sheet.pageWindow(1);
    EXPECT_EQ(ctrl<QGroupBox>(w, 1119)->title(), QStringLiteral("Margins(mm)"));
    EXPECT_EQ(ctrl<QCheckBox>(w, CPrintSetDlg::kPrintPageNo)->text(), QStringLiteral("Print page number"));
    auto* pos = ctrl<QComboBox>(w, CPrintSetDlg::kPagePos);
    EXPECT_EQ(pos->itemText(2), QStringLiteral("Foot Rig"));
    EXPECT_EQ(ctrl<QComboBox>(w, CPrintSetDlg::kPageForm)->itemText(4), QStringLiteral("Page 1 Total 1"));
    auto* tabs = ctrl<CTabSheet>(w, CPrintSetDlg::kTabs);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Header"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Footer"));
    EXPECT_EQ(ctrl<QCheckBox>(setup.Footer(), CPrintFootDlg::kPrintFoot)->text(),
              QStringLiteral("Print footer"));
    EXPECT_EQ(ctrl<QComboBox>(setup.Footer(), CPrintBandDlg::kPosition)->itemText(1), QStringLiteral("Mid"));
    EXPECT_EQ(ctrl<QCheckBox>(sheet.pageWindow(0), CPrintStyleDlg::kSpectrum)->text(),
              QStringLiteral("Spectrum"));

    ctrl<QCheckBox>(w, CPrintSetDlg::kPrintPageNo)->setChecked(true);
    ctrl<QCheckBox>(setup.Footer(), CPrintFootDlg::kPrintFoot)->click();
    Choose(pos, ctrl<QComboBox>(setup.Footer(), CPrintBandDlg::kPosition)->currentIndex());
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_EQ(sink.shown.back().text, QStringLiteral("Pos of PageNo confilct with pos of foot!"));
    EXPECT_EQ(sink.shown.back().caption, QStringLiteral("Tips"));
}

} // namespace
