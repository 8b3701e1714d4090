// How code without windows asks and tells the user. Results are the message
// box codes: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
// The window build answers through the program's message box, the batch mode
// on stderr without ever blocking, tests through a scripted fake.
#pragma once

#include <QString>
#include <deque>
#include <vector>

namespace pit {

enum MsgResult : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// Type bits as the message box takes them.
enum MsgType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_TYPEMASK = 0xF,
    MB_ICONHAND = 0x10,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONWARNING = 0x30,
    MB_ICONASTERISK = 0x40,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFMASK = 0xF00,
};

// The result codes of the buttons that a type shows, in order.
std::vector<int> buttonsForType(unsigned type);
// The result of the default button (what Enter, or a non-interactive answer, gives).
int defaultResultForType(unsigned type);

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // text and caption are already in the interface language.
    virtual int show(const QString& text, const QString& caption, unsigned type) = 0;
    // A short signal of a refused input (the system beep).
    virtual void beep() {}
};

// The text with its control characters (C0, DEL, C1) but line feed and tab
// written as escapes ("\0", "\x1b"), so that a console shows all of it.
QString VisibleControls(const QString& text);

// Batch mode: writes the message to stderr and answers with the default button.
class StderrMessageSink : public MessageSink {
public:
    int show(const QString& text, const QString& caption, unsigned type) override;
};

// Tests: records every message and answers from a queue (else the default button).
class ScriptedMessageSink : public MessageSink {
public:
    struct Shown {
        QString text, caption;
        unsigned type;
    };
    int show(const QString& text, const QString& caption, unsigned type) override;
    void beep() override { ++beeps; }

    std::deque<int> answers;
    std::vector<Shown> shown;
    int beeps = 0;
};

} // namespace pit
