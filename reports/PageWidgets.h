// What the print settings pages share: texts in the interface language,
// widgets that carry their control id, selections that do not notify, the
// up-down arrows beside a number edit and the integer read from an edit.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace pit::pages {

// zh with the Chinese interface, en with the English one.
QString Tr(const char16_t* zh, const char* en);
QStringList TrList(std::initializer_list<const char16_t*> zh, std::initializer_list<const char*> en);

QCheckBox* MakeCheck(QWidget* parent, int id, const QString& text);
QComboBox* MakeCombo(QWidget* parent, int id, const QStringList& items = {});
QLineEdit* MakeEdit(QWidget* parent, int id);
QGroupBox* MakeGroup(QWidget* parent, int id, const QString& title);
QLabel* MakeLabel(QWidget* parent, const QString& text);

// Selects index (clamped to the entries) or checks a box without the change
// signals, as the program's own updates of a control do.
void SelectQuiet(QComboBox* combo, int index);
void CheckQuiet(QAbstractButton* button, bool on);
// Replaces the entries, keeping the change signals quiet.
void RefillQuiet(QComboBox* combo, const QStringList& items);

// A user's choice of entry index in a combo box: the selection, then the
// notification the page reacts to (what a mouse choice does).
void Choose(QComboBox* combo, int index);

// The integer in an edit, nothing when it holds none.
std::optional<int> IntOf(const QLineEdit* edit);
// "请输入一个整数。" / "Please enter an integer.", shown with the tips caption.
void TellNotInteger(QWidget* field);
// "请输入一个数字。" / "Please enter a number.".
void TellNotNumber(QWidget* field);

// Two small arrows beside an edit; stepped(+1) for the upper one.
class UpDownArrows : public QWidget {
    Q_OBJECT
public:
    UpDownArrows(QWidget* parent, int id);
    QToolButton* up() const { return m_up; }
    QToolButton* down() const { return m_down; }

Q_SIGNALS:
    void stepped(int delta);

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

} // namespace pit::pages
