// What an interactive export asks of the desktop: where to save (a default
// name, a filter, confirmation before overwriting), opening the file written
// with the desktop's application, and messages. The window build answers with
// the file dialog, the desktop and the program's message box; tests with fakes;
// the batch mode has none and never asks.
#pragma once

#include <QString>
#include <optional>

namespace pit {

struct SaveFileAsk {
    QString defaultName;   // file name offered, without folder
    QString defaultSuffix; // "bmp", "emf", ...
    QString filter;        // "BMP Files (*.bmp)"
    QString folder;        // where the chooser opens; empty: the last folder
};

class ExportServices {
public:
    virtual ~ExportServices() = default;
    // The path chosen, the user having agreed to replace an existing file;
    // none when cancelled.
    virtual std::optional<QString> ChooseSaveFile(const SaveFileAsk& ask) = 0;
    // Opens the file with the desktop's default application.
    virtual bool OpenWithDesktop(const QString& path) = 0;
    // A message (text and caption in the interface language, message box
    // type bits); the result code of the button.
    virtual int Message(const QString& text, const QString& caption, unsigned type) = 0;
    // A wait cursor on (true) and off again around a long export.
    virtual void SetBusy(bool busy) {}
    // Progress of a long export (text, done of total steps), shown until
    // EndProgress; false once the user asked to cancel. Called often, so
    // the window paints and takes clicks meanwhile.
    virtual bool Progress(const QString& text, int done, int total) { return true; }
    virtual void EndProgress() {}
};

// The wait cursor for a scope, off again however the scope ends (memory
// running out in the export included); nothing without services.
class BusyScope {
public:
    explicit BusyScope(ExportServices* services) : m_services(services) {
        if (m_services)
            m_services->SetBusy(true);
    }
    ~BusyScope() {
        if (m_services)
            m_services->SetBusy(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ExportServices* m_services;
};

// Ends the services' progress however the scope is left (an exception too).
class ProgressScope {
public:
    explicit ProgressScope(ExportServices* services) : m_services(services) {}
    ~ProgressScope() {
        if (m_services)
            m_services->EndProgress();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ExportServices* m_services;
};

} // namespace pit
