// Integer exchange and button row of the processing dialogs.
#include "analysis/ProcessingDlgCommon.h"

#include "controls/CtrlId.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace pit {

bool ExchangeIntField(const QLineEdit* edit, int id, int& value, bool english, ValidationFailure& failure) {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        failure.badId = id;
        failure.message =
            english ? QStringLiteral("Please enter an integer.") : QStringLiteral("请输入一个整数。");
        return false;
    }
    value = v;
    return true;
}

QLineEdit* MakeIdEdit(QWidget* parent, int id) {
    auto* e = new QLineEdit(parent);
    SetCtrlId(e, id);
    return e;
}

void AddOkCancelRow(QDialog* dialog, QBoxLayout* into, const QString& ok, const QString& cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* okButton = new QPushButton(ok, dialog);
    SetCtrlId(okButton, 1);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(cancel, dialog);
    SetCtrlId(cancelButton, 2);
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    into->addLayout(row);
    QObject::connect(okButton, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);
}

} // namespace pit
