#pragma once
// Undo and redo in the main window: the keys (Ctrl+Z; Ctrl+Shift+Z and
// Ctrl+Y), the options menu's two items, and the keyframe strip's commands
// recorded as steps of the project's history. The history itself, and what a
// step restores, live in the project.

#include "controls/ui/BMenu.h"

#include <QObject>

#include <functional>
#include <vector>

class CKeysWnd;
class ProjectHistory;
class QAction;
class QWidget;

class CUndoCommands : public QObject {
    Q_OBJECT
public:
    // What the window decides: whether a step may be undone now (not while
    // playing or exporting), and what it does before one is (a power preview on
    // the slider is discarded; `undo` tells which way). `prepare` returns true
    // when it already was the undoing and nothing more is to be done.
    using Allowed = std::function<bool()>;
    using Prepare = std::function<bool(bool undo)>;

    CUndoCommands(ProjectHistory& history, QWidget& window, Allowed allowed, Prepare prepare);

    void Undo();
    void Redo();
    QAction* UndoAction() const { return m_pUndo; }
    QAction* RedoAction() const { return m_pRedo; }
    // The options menu's items: greyed when there is nothing to undo or redo,
    // with the first shortcut of each shown.
    std::vector<BMenuItem> MenuItems() const;
    // Every command of the strip that may change the keyframes becomes a step.
    void RecordStrip(CKeysWnd& strip);

signals:
    // A step was pushed, undone or redone, or the saved state moved.
    void historyChanged();

private:
    ProjectHistory& m_history;
    Allowed m_allowed;
    Prepare m_prepare;
    QAction* m_pUndo = nullptr;
    QAction* m_pRedo = nullptr;
};
