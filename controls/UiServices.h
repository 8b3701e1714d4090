// What the reusable controls need of the running program: the interface
// language, where messages go, and the services that open system dialogs.
// Installed once by the window build; tests install their own answers.
#pragma once

#include "platform/Color.h"

#include <QString>
#include <optional>

class QUrl;
class QWidget;

namespace pit {

struct AppContext;
class MessageSink;

// The colour chooser behind the colour picker.
class ColorChooser {
public:
    virtual ~ColorChooser() = default;
    // The chosen colour, or nothing when the user cancelled.
    virtual std::optional<COLORREF> choose(COLORREF initial, QWidget* parent) = 0;
};

// The system colour dialog.
class QtColorChooser : public ColorChooser {
public:
    std::optional<COLORREF> choose(COLORREF initial, QWidget* parent) override;
};

// Opens an address or a file with the desktop's default application.
class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    virtual bool open(const QUrl& url) = 0;
};

class QtDesktopOpener : public DesktopOpener {
public:
    bool open(const QUrl& url) override;
};

// The file and folder choosers of the commands; empty results on Cancel.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // A file to open; filter in the form "Text (*.a *.b)".
    virtual QString openFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    // A file to write, offered under defaultPath; suffix is added when the name has none.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& defaultPath,
                             const QString& filter, const QString& suffix) = 0;
    virtual QString folder(QWidget* parent, const QString& title, const QString& start) = 0;
};

// QFileDialog.
class QtFileChooser : public FileChooser {
public:
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& defaultPath, const QString& filter,
                     const QString& suffix) override;
    QString folder(QWidget* parent, const QString& title, const QString& start) override;
};

namespace ui {

bool english();
void setEnglish(bool english);

// The message sink of the windows; the program's message box unless one is installed.
MessageSink& messages();
void setMessages(MessageSink* sink);

ColorChooser& colorChooser();
void setColorChooser(ColorChooser* chooser);

DesktopOpener& desktop();
void setDesktop(DesktopOpener* opener);

FileChooser& fileChooser();
void setFileChooser(FileChooser* chooser);

// Takes the language flag and (when set) the message sink of the context.
void useAppContext(const AppContext& ctx);

// The caption of the simple prompts: "提示" / "Tips".
const char16_t* tipsCaption();

} // namespace ui
} // namespace pit
