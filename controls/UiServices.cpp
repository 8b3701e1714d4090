#include "controls/UiServices.h"

#include "controls/MyMBox.h"
#include "platform/AppContext.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QUrl>

namespace pit {

std::optional<COLORREF> QtColorChooser::choose(COLORREF initial, QWidget* parent) {
    const QColor c = QColorDialog::getColor(toQColor(initial), parent);
    if (!c.isValid())
        return std::nullopt;
    return toColorRef(c);
}

bool QtDesktopOpener::open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

namespace ui {
namespace {

bool g_english = false;
MessageSink* g_messages = nullptr;
ColorChooser* g_colorChooser = nullptr;
DesktopOpener* g_desktop = nullptr;

} // namespace

bool english() {
    return g_english;
}
void setEnglish(bool english) {
    g_english = english;
}

MessageSink& messages() {
    static MBoxMessageSink box;
    return g_messages ? *g_messages : box;
}
void setMessages(MessageSink* sink) {
    g_messages = sink;
}

ColorChooser& colorChooser() {
    static QtColorChooser dialog;
    return g_colorChooser ? *g_colorChooser : dialog;
}
void setColorChooser(ColorChooser* chooser) {
    g_colorChooser = chooser;
}

DesktopOpener& desktop() {
    static QtDesktopOpener shell;
    return g_desktop ? *g_desktop : shell;
}
void setDesktop(DesktopOpener* opener) {
    g_desktop = opener;
}

void useAppContext(const AppContext& ctx) {
    g_english = ctx.english;
    if (ctx.messages)
        g_messages = ctx.messages;
}

const char16_t* tipsCaption() {
    return g_english ? u"Tips" : u"提示";
}

} // namespace ui
} // namespace pit
