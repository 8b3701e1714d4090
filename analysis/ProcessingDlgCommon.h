// Helpers shared by the small processing dialogs: the integer exchange of an
// edit and the standard OK / Cancel row.
#pragma once

#include "controls/Validation.h"

#include <QString>

class QBoxLayout;
class QDialog;
class QLineEdit;

namespace pit {

// The edit's text as an int. False (and value untouched) when the text is
// not a whole number; failure then names the edit with the integer prompt.
bool ExchangeIntField(const QLineEdit* edit, int id, int& value, bool english, ValidationFailure& failure);

// A line edit carrying id.
QLineEdit* MakeIdEdit(QWidget* parent, int id);
// OK (id 1, default) and Cancel (id 2) at the right of a new row, wired to
// accept and reject.
void AddOkCancelRow(QDialog* dialog, QBoxLayout* into, const QString& ok, const QString& cancel);

} // namespace pit
