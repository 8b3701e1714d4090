// The main window on a copy of the sample project, with a scripted message
// sink, and the helpers that work it as a user does: menu choices through
// the actions and answers to the modal dialogs that open. Used by the window
// tests of several binaries (each defines PIT_SAMPLES_DIR).
#pragma once

#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/FormMain.h"
#include "mainwnd/MainFrame.h"
#include "platform/MessageSink.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace pit::test {

// A menu choice: the rules applied as when the menu opens, then the action
// triggered if it is enabled. False when it is not.
inline bool Choose(CMainFrame& frame, int id) {
    frame.Commands()->Update();
    QAction* a = frame.Commands()->Action(id);
    if (!a || !a->isEnabled())
        return false;
    a->trigger();
    return true;
}

// Runs answer on the next modal dialog once it shows (as a user would work
// it); the dialog left open by answer is rejected. seen counts the dialogs.
// It waits for the dialog a while, so it may be set up before the command.
inline void WhenModal(std::function<void(QDialog&)> answer, int* seen = nullptr, int triesLeft = 500) {
    QTimer::singleShot(10, [answer = std::move(answer), seen, triesLeft]() mutable {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) {
            if (triesLeft > 0)
                WhenModal(std::move(answer), seen, triesLeft - 1);
            return;
        }
        if (seen)
            ++*seen;
        answer(*dlg);
        if (dlg->isVisible())
            dlg->reject();
    });
}

// The edit carrying id in a dialog, its text replaced.
inline void Type(QWidget& root, int id, const QString& text) {
    auto* e = qobject_cast<QLineEdit*>(FindCtrl(&root, id));
    ASSERT_NE(e, nullptr) << id;
    e->setText(text);
}

// The button carrying id clicked.
inline void Click(QWidget& root, int id) {
    auto* b = qobject_cast<QAbstractButton*>(FindCtrl(&root, id));
    ASSERT_NE(b, nullptr) << id;
    b->click();
}

// The window shown with no pile open yet.
struct SampleFrame : ::testing::Test {
    QTemporaryDir tmp;
    QString folder;
    ScriptedMessageSink sink;
    AppContext ctx;
    std::unique_ptr<CKEV_DUXDoc> doc;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        folder = tmp.filePath(QStringLiteral("demo"));
        ASSERT_TRUE(copyPileFiles(QStringLiteral(PIT_SAMPLES_DIR), folder));
        ctx.messages = &sink;
        ui::setMessages(&sink);
        doc = std::make_unique<CKEV_DUXDoc>(ctx,
                                            CKEV_DUXDoc::Files{tmp.filePath(QStringLiteral("DuxConfig.xml")),
                                                               tmp.filePath(QStringLiteral("hist.ini"))});
        doc->SetWriteSettingsOnClose(false);
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1100, 760);
        frame->show();
    }
    void TearDown() override {
        frame.reset();
        doc.reset();
        ui::setMessages(nullptr);
    }
    QString pile(const char* name) const { return QDir(folder).filePath(QString::fromLatin1(name)); }
    QAction* action(int id) const { return frame->Commands()->Action(id); }
    bool choose(int id) const { return Choose(*frame, id); }
    QTreeWidget* tree() const { return frame->FormMain()->Tree(); }
    QTreeWidgetItem* item(const QString& name) const {
        QTreeWidgetItem* root = tree()->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            if (QFileInfo(root->child(i)->data(0, CFormMain::kPathRole).toString()).fileName() == name)
                return root->child(i);
        return nullptr;
    }
    QByteArray bytes(const QString& path) const { return readFileBytes(path); }

    // The main window active again (a dialog that closed may have left none).
    void activate() {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    // Types text into a field as the user does (the old text selected and
    // typed over) and leaves it with Tab unless told not to.
    void typeAndTab(QLineEdit* e, const QString& text, bool tab = true) {
        activate();
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Backspace);
        if (tab)
            QTest::keyClick(e, Qt::Key_Tab);
        settle();
    }
    // A pick from a closed list with an arrow key, as the user makes it.
    void pick(QComboBox* list, Qt::Key key) {
        activate();
        list->setFocus();
        QTest::keyClick(list, key);
        settle();
    }
    // The pile file of the sample saved again with a change to its record.
    void saveWith(const char* name, const std::function<void(CPileRecord&)>& change) {
        CPileRecord r;
        ASSERT_TRUE(r.ReadFile(pile(name)));
        change(r);
        r.SaveAnalysis();
    }
    // A command of the open pile: disabled while none is open, enabled once
    // name is, then triggered.
    void TriggerOnPile(int id, const char* name) {
        QAction* a = action(id);
        ASSERT_NE(a, nullptr);
        frame->Commands()->Update();
        EXPECT_FALSE(a->isEnabled()); // no pile yet
        ASSERT_TRUE(doc->OnOpenDocument(pile(name)));
        QApplication::processEvents();
        frame->Commands()->Update();
        ASSERT_TRUE(a->isEnabled());
        a->trigger();
    }
};

// The window with ZK1.DUX open.
struct Frame : SampleFrame {
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SampleFrame::SetUp());
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
        QApplication::processEvents();
    }
};

} // namespace pit::test
