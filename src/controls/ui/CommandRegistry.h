#pragma once
// The window's commands as actions, one per identifier: the text, tooltip,
// shortcuts, checked and enabled state of each command live in its QAction,
// and buttons, menus and keys trigger it. A command is enabled when its own
// condition allows it and none of the groups it belongs to is switched off
// (a screen's controls while exporting, the editing controls while playing).

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QWidget;

class CCommandRegistry : public QObject {
    Q_OBJECT
public:
    // `window` receives the actions that have shortcuts (they work while it
    // is the active window).
    explicit CCommandRegistry(QWidget& window);

    // The action of `id`, made on first use with the id's caption as its text
    // (the first line of its string when it has no caption) and its string as
    // its tooltip.
    QAction* Add(int id);
    // ... and runs `handler` whenever it is triggered (the handlers of an id
    // in the order they were added).
    QAction* Add(int id, std::function<void()> handler);
    // Takes an action made elsewhere (see MakeCommandAction) under its
    // identifier; its maker connects what it does itself.
    void Adopt(QAction* action);
    QAction* Action(int id) const;
    std::vector<int> Ids() const;

    // Triggers the command as its button, menu item or key does: nothing when
    // it is unknown or disabled (false then).
    bool Trigger(int id);

    void SetShortcuts(int id, const QList<QKeySequence>& keys);

    // Enabling. A command's own condition, true unless set otherwise.
    void SetAvailable(int id, bool available);
    // Groups are small numbers the window gives meaning to.
    void AddToGroup(int group, const std::vector<int>& ids);
    void SetGroupOff(int group, bool off);
    bool GroupOff(int group) const;
    bool InGroup(int group, int id) const;

    // A widget that follows the command: a skinned button triggers it and
    // shows its state (CMyButton::SetAction); any other widget follows its
    // enabled state.
    void Bind(int id, QWidget* widget);

signals:
    // A command has run (after its handlers).
    void triggered(int id);

private:
    struct Entry {
        QAction* action = nullptr;
        bool available = true;
        unsigned groups = 0;
        std::vector<std::function<void()>> handlers;
    };
    Entry& EntryOf(int id);
    void Run(int id);
    void UpdateEnabled(int id);

    QWidget& m_window;
    std::map<int, Entry> m_entries;
    unsigned m_offGroups = 0;
};

// A command's action with the registry's text and tooltip, owned by `parent`,
// for a window that makes its own commands (the registry adopts them).
QAction* MakeCommandAction(int id, QObject* parent);
// The identifier of an action made by the registry or MakeCommandAction; 0 for another.
int CommandId(const QAction* action);
