// Base of the program's dialogs: the light grey background (application
// style sheet), the Enter memory, and the check that runs on OK. A refused
// check keeps the dialog open, beeps and shows the message in a balloon tip
// at the failing control, which gets the focus.
#pragma once

#include "controls/Validation.h"

#include <QDialog>
#include <QPointer>

class CMessageTip;

namespace pit {
class MessageSink;
}

class CDialogExt : public QDialog {
    Q_OBJECT
public:
    // templateId becomes the dialog's own "ctrlId" (the language files know it by it).
    explicit CDialogExt(int templateId, QWidget* parent = nullptr);
    ~CDialogExt() override;

    // Derived dialogs check their fields here; on failure they set the id of
    // the control (> 0) and a message. The base accepts everything.
    virtual void ValidateInput(int* badId, QString* message);

    CMessageTip* tip() const { return m_tip; }
    QWidget* lastField() const { return m_lastField; }
    // Where the beep and the fallback message go; the program's message box
    // unless set.
    void SetMessageSink(pit::MessageSink* sink) { m_sink = sink; }

public Q_SLOTS:
    // OK: runs the check first.
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    pit::MessageSink& sink() const;

private:
    CMessageTip* m_tip = nullptr;
    QPointer<QWidget> m_lastField;
    pit::MessageSink* m_sink = nullptr;
};
