#include "controls/Validation.h"

#include "controls/CtrlId.h"
#include "controls/MessageTip.h"
#include "controls/UiServices.h"
#include "platform/MessageSink.h"

#include <QWidget>

namespace pit {

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

void ReactToFailure(QWidget* host, CMessageTip& tip, const ValidationFailure& failure, QWidget* defaultButton,
                    QPointer<QWidget>& lastField, MessageSink& sink) {
    QWidget* control = FindCtrl(host, failure.badId);
    if (!control) {
        sink.show(failure.message, QString::fromUtf16(ui::tipsCaption()), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    QWidget* focus = host->focusWidget();
    const bool atControl = focus && (focus == control || control->isAncestorOf(focus));
    const bool atDefault = focus && focus == defaultButton && (!lastField || lastField == control);
    if (atControl || atDefault) {
        if (!tip.IsCreated() && !tip.Create(host)) {
            sink.show(failure.message, QString::fromUtf16(ui::tipsCaption()), MB_OK | MB_ICONEXCLAMATION);
        } else {
            const QPoint corner = control->mapTo(host, QPoint(0, 0));
            sink.beep();
            tip.Show(corner, failure.message);
        }
    }
    lastField = nullptr;
    control->setFocus(Qt::OtherFocusReason);
}

} // namespace pit
