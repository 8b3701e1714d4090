// A document in a temporary folder and a scripted message sink for the
// print settings page tests; widgets are found by their control ids.
#pragma once

#include "controls/CtrlId.h"
#include "controls/MyPropertySheet.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "platform/MessageSink.h"
#include "reports/PageWidgets.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace pit::test {

struct PagesFixture : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx;
    std::unique_ptr<CKEV_DUXDoc> doc;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        ctx.messages = &sink;
        ui::setMessages(&sink);
        ui::setEnglish(false);
        doc = std::make_unique<CKEV_DUXDoc>(
            ctx, CKEV_DUXDoc::Files{tmp.filePath(QStringLiteral("DuxConfig.xml")),
                                    tmp.filePath(QStringLiteral("VADUZI_PROINFO.ini"))});
        doc->SetWriteSettingsOnClose(false);
    }
    void TearDown() override {
        ui::setMessages(nullptr);
        ui::setEnglish(false);
        LanguageFiles::instance().SetActivePath(QString());
    }
    // The English interface with the program's English language file.
    void english() {
        ui::setEnglish(true);
        LanguageFiles::instance().SetActivePath(QStringLiteral(PIT_RES_DIR "/English.lng"));
    }
    CPrintSettings& print() { return doc->m_PrintSettings; }

    template <class T = QWidget> static T* ctrl(const QWidget* root, int id) {
        return qobject_cast<T*>(FindCtrl(root, id));
    }
};

} // namespace pit::test
