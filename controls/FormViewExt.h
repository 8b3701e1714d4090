// Base of the program's forms: the check of CDialogExt, run whenever an edit
// field loses the focus; a refused field takes the focus back.
#pragma once

#include "controls/MessageTip.h"
#include "controls/Validation.h"

#include <QPointer>
#include <QWidget>

namespace pit {
class MessageSink;
}

class CFormViewExt : public QWidget {
    Q_OBJECT
public:
    explicit CFormViewExt(int templateId, QWidget* parent = nullptr);
    ~CFormViewExt() override;

    virtual void ValidateInput(int* badId, QString* message);

    void SetDefaultButtonId(int id) { m_defaultButtonId = id; }
    CMessageTip& tip() { return m_tip; }
    QWidget* lastField() const { return m_lastField; }
    void SetMessageSink(pit::MessageSink* sink) { m_sink = sink; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void OnFocusChanged(QWidget* old, QWidget* now);

    int m_defaultButtonId = 1;
    CMessageTip m_tip;
    QPointer<QWidget> m_lastField;
    pit::MessageSink* m_sink = nullptr;
    bool m_reacting = false;
};
