#include "controls/LanguageWidgets.h"

#include "controls/CtrlId.h"

#include "core/doc/LanguageFiles.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace pit {

bool TranslateControl(QWidget* w, const TextLookup& lookup) {
    if (!w)
        return false;
    const QVariant id = w->property("ctrlId");
    if (!id.isValid() || IsValue(w))
        return false;
    const std::optional<QString> text = lookup(QString::number(id.toUInt()));
    if (!text)
        return false;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(*text);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(*text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(*text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(*text);
    else
        w->setWindowTitle(*text);
    return true;
}

void TranslateWidgetTree(QWidget* root, const TextLookup& lookup) {
    if (!root)
        return;
    TranslateControl(root, lookup);
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        TranslateControl(w, lookup);
}

void TranslateMenuActions(const QList<QAction*>& actions, const TextLookup& lookup, const QString& prefix) {
    for (int pos = 0; pos < actions.size(); ++pos) {
        QAction* a = actions[pos];
        if (QMenu* sub = a->menu()) {
            const QString key = prefix + u'|' + QString::number(pos);
            if (const std::optional<QString> text = lookup(key))
                a->setText(*text);
            TranslateMenu(sub, lookup, key);
        } else if (!a->isSeparator() && a->data().toInt() != 0) {
            if (const std::optional<QString> text = lookup(QString::number(a->data().toInt())))
                a->setText(*text);
        }
    }
}

void TranslateMenu(QMenu* menu, const TextLookup& lookup, const QString& prefix) {
    if (menu)
        TranslateMenuActions(menu->actions(), lookup, prefix);
}

void TranslateMenuBar(QMenuBar* bar, const TextLookup& lookup) {
    if (bar)
        TranslateMenuActions(bar->actions(), lookup, QString());
}

void TranslateDialog(QWidget* dialog, unsigned id, const LanguageFiles& files) {
    if (files.HasActive())
        TranslateWidgetTree(dialog, files.Section(id));
}

void TranslateDialog(QWidget* dialog, unsigned id) {
    TranslateDialog(dialog, id, LanguageFiles::instance());
}

void LoadTranslatedMenu(QMenuBar* bar, unsigned id, const LanguageFiles& files) {
    if (files.HasActive())
        TranslateMenuBar(bar, files.Section(id));
}

void LoadTranslatedMenu(QMenuBar* bar, unsigned id) {
    LoadTranslatedMenu(bar, id, LanguageFiles::instance());
}

} // namespace pit
