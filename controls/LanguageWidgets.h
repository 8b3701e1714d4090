// Applies interface-language texts to live widgets and menus. Widgets are
// found by their numeric id (the dynamic property "ctrlId"), menu commands by
// the id in QAction::data(), pop-ups by "parent key|position". The texts come
// from a lookup (the active language file's section of the dialog or menu).
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace pit {

class LanguageFiles;

// key -> the translated text, nothing to keep the widget's own text.
using TextLookup = std::function<std::optional<QString>(const QString& key)>;

// The widget's own text (caption of a window, text of a button, label or
// edit, title of a group box) when the lookup knows its id. True when replaced.
bool TranslateControl(QWidget* w, const TextLookup& lookup);
// root, then every descendant.
void TranslateWidgetTree(QWidget* root, const TextLookup& lookup);

// A command's key is its id, a pop-up's key prefix + "|" + its position
// (separators count); pop-ups are translated with their own key as prefix.
void TranslateMenuActions(const QList<QAction*>& actions, const TextLookup& lookup, const QString& prefix);
void TranslateMenu(QMenu* menu, const TextLookup& lookup, const QString& prefix);
void TranslateMenuBar(QMenuBar* bar, const TextLookup& lookup);

// What every dialog does when it initialises: its texts from the section of
// its id in the active language file (nothing without one).
void TranslateDialog(QWidget* dialog, unsigned id, const LanguageFiles& files);
void TranslateDialog(QWidget* dialog, unsigned id); // the program's language files
// A menu bar's texts from the section of the menu's id.
void LoadTranslatedMenu(QMenuBar* bar, unsigned id, const LanguageFiles& files);
void LoadTranslatedMenu(QMenuBar* bar, unsigned id);

} // namespace pit
