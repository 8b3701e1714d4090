// The English interface as a user meets it: every dialog, page and form of
// the program built offscreen with English.lng active; each control with an
// id has its English text in the dialog's section, and nothing shows Chinese.
#include "analysis/AverageDlg.h"
#include "analysis/DefectDlg.h"
#include "analysis/DigitalFilterDlg.h"
#include "analysis/DlgFixPilePara.h"
#include "analysis/DlgWavaSpectrum.h"
#include "analysis/IndexEnlarge.h"
#include "analysis/ReFineIndexDlg.h"
#include "analysis/WaveletDlg.h"
#include "controls/MyPropertySheet.h"
#include "core/doc/LanguageFiles.h"
#include "core/pile/PileRecord.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/DisplaySetDlg.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/DlgProInfo.h"
#include "mainwnd/KEVInputDlg.h"
#include "mainwnd/PITDataConvertDlg.h"
#include "mainwnd/SystemSetDlg.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <functional>
#include <set>

using namespace pit;
using namespace pit::test;

namespace {

bool HasChinese(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x303F) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

// The texts a widget shows of its own (not values typed or read from a file).
QStringList ShownTexts(QWidget* w) {
    QStringList out;
    if (w->isWindow())
        out << w->windowTitle();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        out << b->text() << b->toolTip();
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        out << g->title();
    else if (auto* l = qobject_cast<QLabel*>(w))
        out << l->text();
    else if (auto* c = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
    } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < t->count(); ++i)
            out << t->tabText(i);
    }
    out.removeAll(QString());
    return out;
}

// A control that carries a text of the dialog (which a language file replaces).
bool TranslatedKind(QWidget* w) {
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w) || qobject_cast<QLabel*>(w);
}

struct Dialog {
    const char* what;
    QWidget* root;
    int section;
};

struct EnglishInterface : Frame {
    IniFile lng;
    std::vector<std::unique_ptr<QWidget>> owned;

    void SetUp() override {
        LanguageFiles::instance().SetActivePath(QStringLiteral(PIT_RES_DIR "/English.lng"));
        ui::setEnglish(true);
        ASSERT_TRUE(lng.load(QStringLiteral(PIT_RES_DIR "/English.lng")));
        Frame::SetUp();
    }
    void TearDown() override {
        owned.clear();
        Frame::TearDown();
        ui::setEnglish(false);
        LanguageFiles::instance().SetActivePath(QString());
    }
    template <class T> T* own(std::unique_ptr<T> w) {
        T* p = w.get();
        owned.push_back(std::move(w));
        return p;
    }

    // Chinese texts and missing keys of one dialog (its own widgets, not those of nested dialogs).
    void Check(const Dialog& d, const std::set<QWidget*>& otherRoots) {
        SCOPED_TRACE(d.what);
        const QString section = QString::number(d.section);
        std::function<void(QWidget*)> walk = [&](QWidget* w) {
            for (const QString& t : ShownTexts(w))
                EXPECT_FALSE(HasChinese(t))
                    << w->metaObject()->className() << " #" << CtrlId(w) << ": " << t.toStdString();
            const int id = CtrlId(w);
            if (w != d.root && TranslatedKind(w) && !IsValue(w) && !ShownTexts(w).isEmpty()) {
                EXPECT_NE(id, 0) << "a text without an id: " << ShownTexts(w).front().toStdString();
                if (id != 0)
                    EXPECT_FALSE(lng.readString(section, QString::number(id)).isEmpty())
                        << "no key " << id << " in section " << d.section << " ("
                        << ShownTexts(w).front().toStdString() << ")";
            }
            for (QObject* o : w->children())
                if (auto* child = qobject_cast<QWidget*>(o); child && !otherRoots.count(child))
                    walk(child);
        };
        walk(d.root);
        if (d.root->isWindow())
            EXPECT_FALSE(lng.readString(section, section).isEmpty()) << "caption of " << d.section;
    }
};

TEST_F(EnglishInterface, EveryDialogPageAndFormIsEnglish) {
    CFormMain* form = frame->FormMain();
    CWaveRecord* wave = doc->m_PileRecord.Channel(0);
    ASSERT_NE(wave, nullptr);
    CSystemSetDlg system(doc.get());
    CDisplaySetDlg display(doc.get());
    auto* sheet = own(std::make_unique<CMyPropertySheet>(QStringLiteral("Set")));
    sheet->AddPage(&system);
    sheet->AddPage(&display);
    sheet->SelectPage(1);
    sheet->SelectPage(0);
    const std::vector<Dialog> dialogs = {
        {"main panel", form, 101},
        {"project page", form->ProjectPanel(), 173},
        {"pile page", form->PilePanel(), 174},
        {"wave and spectrum page", form->WavePanel(), 175},
        {"about", own(std::make_unique<CAboutDlg>()), 100},
        {"defect", own(std::make_unique<CDefectDlg>(true)), 135},
        {"pile bottom", own(std::make_unique<CDefectDlg>(false)), 135},
        {"average", own(std::make_unique<CAverageDlg>(doc->m_PileRecord)), 139},
        {"system page", sheet->pageWindow(0), 144},
        {"display page", sheet->pageWindow(1), 156},
        {"KEV input", own(std::make_unique<CKEVInputDlg>(QStringLiteral("/x/A.KEV"), KevInputSettings{})),
         157},
        {"ZEZ conversion", own(std::make_unique<CPITDataConvertDlg>()), 159},
        {"refinement", own(std::make_unique<CReFineIndexDlg>()), 161},
        {"wavelet", own(std::make_unique<CWaveletDlg>(wave, frame.get())), 162},
        {"digital filter", own(std::make_unique<CDigitalFilterDlg>()), 163},
        {"amplification", own(std::make_unique<CIndexEnlarge>()), 164},
        {"fixed parameters", own(std::make_unique<CDlgFixPilePara>(*doc)), 165},
    };
    std::set<QWidget*> roots;
    for (const Dialog& d : dialogs)
        roots.insert(d.root);
    for (const Dialog& d : dialogs) {
        ASSERT_NE(d.root, nullptr) << d.what;
        if (d.root->isWindow())
            d.root->show(); // initialisation runs as it does for the user
        std::set<QWidget*> others = roots;
        others.erase(d.root);
        Check(d, others);
        if (d.root->isWindow())
            d.root->hide();
    }
    sheet->close();
    // The sheet's own buttons and banner.
    for (const QString& t : ShownTexts(sheet))
        EXPECT_FALSE(HasChinese(t)) << t.toStdString();
    for (QAbstractButton* b : sheet->findChildren<QAbstractButton*>())
        EXPECT_FALSE(HasChinese(b->text())) << b->text().toStdString();
    for (QListWidget* list : sheet->findChildren<QListWidget*>())
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_FALSE(HasChinese(list->item(i)->text())) << list->item(i)->text().toStdString();
            EXPECT_NE(list->item(i)->text(), QStringLiteral("No Title"));
        }
}

TEST_F(EnglishInterface, MenusToolBarsAndStatusBarAreEnglish) {
    // The frame was made before the language file was active in this run:
    // make it again as the program does at start-up.
    frame = std::make_unique<CMainFrame>(doc.get(), true);
    frame->show();
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        EXPECT_FALSE(HasChinese(menu->title())) << menu->title().toStdString();
        for (QAction* a : menu->actions()) {
            if (a->menu())
                walk(a->menu());
            else if (a->isVisible())
                EXPECT_FALSE(HasChinese(a->text())) << a->data().toInt() << " " << a->text().toStdString();
        }
    };
    for (QAction* a : frame->menuBar()->actions())
        if (a->menu())
            walk(a->menu());
    for (QToolBar* bar : {frame->MainToolBar(), frame->ReportToolBar()})
        for (QAction* a : bar->actions())
            if (!a->isSeparator()) {
                EXPECT_FALSE(HasChinese(a->toolTip()))
                    << a->data().toInt() << " " << a->toolTip().toStdString();
                EXPECT_FALSE(HasChinese(a->statusTip()))
                    << a->data().toInt() << " " << a->statusTip().toStdString();
                EXPECT_FALSE(a->toolTip().isEmpty()) << a->data().toInt();
            }
    EXPECT_FALSE(HasChinese(frame->statusBar()->currentMessage()));
    EXPECT_FALSE(HasChinese(frame->windowTitle()));
}

} // namespace
