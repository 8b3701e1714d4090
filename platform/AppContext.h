// What code below the windows needs to know of the running program; passed
// in, never looked up through the main window. Tests build their own.
#pragma once

#include "platform/CodePage.h"
#include "platform/MessageSink.h"

#include <QDateTime>
#include <functional>

namespace pit {

struct AppContext {
    bool english = false;    // English interface (else Chinese)
    bool interactive = true; // false in the batch report mode
    const CodePage* codePage = &CodePage::system();
    MessageSink* messages = nullptr;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    // Picks the text of the interface language.
    const QString& tr(const QString& zh, const QString& en) const { return english ? en : zh; }
    // Shows a message through the sink; without a sink the default button answers.
    int message(const QString& text, const QString& caption, unsigned type) const;
    int message(const QString& zh, const QString& en, const QString& captionZh, const QString& captionEn,
                unsigned type) const {
        return message(tr(zh, en), tr(captionZh, captionEn), type);
    }
};

} // namespace pit
