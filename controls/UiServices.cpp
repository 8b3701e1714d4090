#include "controls/UiServices.h"

#include "controls/MyMBox.h"
#include "platform/AppContext.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
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

QString QtFileChooser::openFile(QWidget* parent, const QString& title, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtFileChooser::saveFile(QWidget* parent, const QString& title, const QString& defaultPath,
                                const QString& filter, const QString& suffix) {
    QFileDialog dlg(parent, title, QFileInfo(defaultPath).absolutePath(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(suffix);
    dlg.selectFile(QFileInfo(defaultPath).fileName());
    return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().front()
                                                                             : QString();
}

QString QtFileChooser::folder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

namespace ui {
namespace {

bool g_english = false;
MessageSink* g_messages = nullptr;
ColorChooser* g_colorChooser = nullptr;
DesktopOpener* g_desktop = nullptr;
FileChooser* g_fileChooser = nullptr;

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

FileChooser& fileChooser() {
    static QtFileChooser dialogs;
    return g_fileChooser ? *g_fileChooser : dialogs;
}
void setFileChooser(FileChooser* chooser) {
    g_fileChooser = chooser;
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
