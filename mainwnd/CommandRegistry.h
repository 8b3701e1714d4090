// Numeric command ids to QActions: texts, shortcuts, status prompts and tool
// tips, the menu bar and the two tool bars built from them. Triggering an
// action runs its command through the command table, and the table's rules
// are applied from one snapshot when a menu opens and on a short idle timer.
#pragma once

#include "mainwnd/CommandTable.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class QAction;
class QIcon;
class QMenu;
class QMenuBar;
class QToolBar;
class QTimer;
class QWidget;

namespace pit {

class CommandRegistry : public QObject {
    Q_OBJECT
public:
    CommandRegistry(QWidget* owner, bool english);

    // The action of id; null for an id that is not registered.
    QAction* Action(int id) const;
    const std::map<int, QAction*>& Actions() const { return m_actions; }

    // An action for id (made when missing), e.g. a language entry.
    QAction* Register(int id, const QString& text) { return Make(id, text); }

    // The command table that runs the commands and gives their rules.
    void SetDispatcher(CommandDispatcher* dispatcher) { m_dispatcher = dispatcher; }
    // Runs id through its row; false without a row or when its rule disables it.
    bool Trigger(int id);
    // The rules of every action from one snapshot; the recent-file items
    // take the list's names.
    void Update();
    // Where the File menu's recent files come from, newest first.
    void SetRecentFiles(std::function<QStringList()> source) { m_recent = std::move(source); }
    // The idle evaluation (250 ms) starts with the first call.
    void StartIdleUpdates();

    // The menu bar of menu resource 128; returns the "查看" menu's language submenu.
    QMenu* BuildMenuBar(QMenuBar* bar);
    // Status prompts and tool tips of every action from its string or its
    // (translated) text; again after the menus were translated.
    void ApplyPrompts();
    // Tool bar 128 (main) and 180 (report); 0 in the list is a separator.
    void FillToolBar(QToolBar* bar, bool report);

    // The status prompt and tool tip of an id: the string "prompt\ntip" of the
    // language files or the built-in table, split at the line feed.
    QString Prompt(int id) const;
    QString ToolTip(int id) const;

    // The drawing of a tool-bar command; null for other ids.
    static QIcon CommandIcon(int id);

    static const std::vector<int>& MainToolBarIds();
    static const std::vector<int>& ReportToolBarIds();

private:
    QAction* Make(int id, const QString& text, const QString& shortcut = {});
    QString CommandString(int id) const;

    QWidget* m_owner;
    bool m_english;
    std::map<int, QAction*> m_actions;
    CommandDispatcher* m_dispatcher = nullptr;
    std::function<QStringList()> m_recent;
    QTimer* m_idle = nullptr;
};

} // namespace pit
