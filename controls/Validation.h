// The reaction to a refused field, shared by the dialog and form bases.
#pragma once

#include <QPointer>
#include <QString>

class CMessageTip;
class QWidget;

namespace pit {

class MessageSink;

struct ValidationFailure {
    int badId = -1;
    QString message;
    bool failed() const { return !message.isEmpty() && badId > 0; }
};

// Beeps and shows the message in the tip at the control when the focus is on
// it (or inside it, as in a combo box's edit) or on the default button while
// no other field took Enter; then moves the focus to the control. A control
// that is missing, or a tip that cannot open, gets the message in the
// message box instead, so a refused OK never goes unexplained.
void ReactToFailure(QWidget* host, CMessageTip& tip, const ValidationFailure& failure, QWidget* defaultButton,
                    QPointer<QWidget>& lastField, MessageSink& sink);

// True when the key is Enter (either key).
bool IsEnterKey(int key);

} // namespace pit
