// Numeric command ids to QActions: texts, shortcuts, status prompts and tool
// tips, the menu bar and the two tool bars built from them, handlers routed
// view -> document -> frame -> application, and the enable/check rules
// applied from a snapshot when a menu opens and on a short idle timer.
#pragma once

#include "mainwnd/CommandRules.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QTimer;
class QWidget;

namespace pit {

class CommandRegistry : public QObject {
    Q_OBJECT
public:
    enum class Route : int { View = 0, Document = 1, Frame = 2, Application = 3 };
    // True when the id was handled at that level.
    using Handler = std::function<bool(int id)>;

    CommandRegistry(QWidget* owner, bool english);

    // The action of id; null for an id that is not registered.
    QAction* Action(int id) const;
    const std::map<int, QAction*>& Actions() const { return m_actions; }

    // An action for id (made when missing), e.g. a language entry.
    QAction* Register(int id, const QString& text) { return Make(id, text); }

    void SetRoute(Route level, Handler handler);
    // Runs id through the routes in order; false when nobody took it.
    bool Trigger(int id);

    // Where the snapshot comes from; Update() applies the rules.
    void SetSnapshotSource(std::function<UiSnapshot()> source) { m_source = std::move(source); }
    void Update();
    // The idle evaluation (250 ms) starts with the first call.
    void StartIdleUpdates();

    // The menu bar of menu resource 128; returns the "查看" menu's language submenu.
    QMenu* BuildMenuBar(QMenuBar* bar);
    // Tool bar 128 (main) and 180 (report); 0 in the list is a separator.
    void FillToolBar(QToolBar* bar, bool report);

    // The status prompt and tool tip of an id: the string "prompt\ntip" of the
    // language files or the built-in table, split at the line feed.
    QString Prompt(int id) const;
    QString ToolTip(int id) const;

    static const std::vector<int>& MainToolBarIds();
    static const std::vector<int>& ReportToolBarIds();

private:
    QAction* Make(int id, const QString& text, const QString& shortcut = {});
    QString CommandString(int id) const;

    QWidget* m_owner;
    bool m_english;
    std::map<int, QAction*> m_actions;
    std::array<Handler, 4> m_routes;
    std::function<UiSnapshot()> m_source;
    QTimer* m_idle = nullptr;
};

} // namespace pit
