// Shared pieces of the print settings pages.
#include "reports/PageWidgets.h"

#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "platform/MessageSink.h"
#include "platform/Numbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pit::pages {

QString Tr(const char16_t* zh, const char* en) {
    return ui::english() ? QString::fromUtf8(en) : QString::fromUtf16(zh);
}

QStringList TrList(std::initializer_list<const char16_t*> zh, std::initializer_list<const char*> en) {
    QStringList out;
    if (ui::english())
        for (const char* e : en)
            out << QString::fromUtf8(e);
    else
        for (const char16_t* z : zh)
            out << QString::fromUtf16(z);
    return out;
}

QCheckBox* MakeCheck(QWidget* parent, int id, const QString& text) {
    auto* c = new QCheckBox(text, parent);
    SetCtrlId(c, id);
    return c;
}

QComboBox* MakeCombo(QWidget* parent, int id, const QStringList& items) {
    auto* c = new QComboBox(parent);
    SetCtrlId(c, id);
    c->addItems(items);
    return c;
}

QLineEdit* MakeEdit(QWidget* parent, int id) {
    auto* e = new QLineEdit(parent);
    SetCtrlId(e, id);
    return e;
}

QGroupBox* MakeGroup(QWidget* parent, int id, const QString& title) {
    auto* g = new QGroupBox(title, parent);
    SetCtrlId(g, id);
    return g;
}

QLabel* MakeLabel(QWidget* parent, const QString& text) {
    return new QLabel(text, parent);
}

void SelectQuiet(QComboBox* combo, int index) {
    if (!combo)
        return;
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(combo->count() ? std::clamp(index, 0, combo->count() - 1) : -1);
}

void CheckQuiet(QAbstractButton* button, bool on) {
    if (!button)
        return;
    const QSignalBlocker quiet(button);
    button->setChecked(on);
}

void RefillQuiet(QComboBox* combo, const QStringList& items) {
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItems(items);
}

void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

std::optional<int> IntOf(const QLineEdit* edit) {
    return edit ? parseInt(edit->text().trimmed()) : std::nullopt;
}

namespace {
void tell(QWidget* field, const QString& text) {
    ui::messages().show(text, QString::fromUtf16(ui::tipsCaption()), MB_OK | MB_ICONEXCLAMATION);
    if (field)
        field->setFocus();
}
} // namespace

void TellNotInteger(QWidget* field) {
    tell(field, Tr(u"请输入一个整数。", "Please enter an integer."));
}

void TellNotNumber(QWidget* field) {
    tell(field, Tr(u"请输入一个数字。", "Please enter a number."));
}

UpDownArrows::UpDownArrows(QWidget* parent, int id) : QWidget(parent) {
    SetCtrlId(this, id);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        box->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Q_EMIT stepped(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Q_EMIT stepped(-1); });
}

} // namespace pit::pages
