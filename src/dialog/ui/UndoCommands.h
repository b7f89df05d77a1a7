#pragma once
// Undo and redo in the main window: the commands (Ctrl+Z; Ctrl+Shift+Z and
// Ctrl+Y; the options menu's two items), enabled while there is something to
// take back or bring back, and the keyframe strip's commands recorded as
// steps of the project's history. The history itself, and what a step
// restores, live in the project.

#include "controls/ui/BMenu.h"

#include <QObject>

#include <vector>

class CCommandRegistry;
class CKeysWnd;
class CToolCommands;
class Project;

class CUndoCommands : public QObject {
    Q_OBJECT
public:
    // A power moved on `tools`' slider but not applied is what undo takes back
    // first (redo drops it too).
    CUndoCommands(Project& project, CCommandRegistry& commands, CToolCommands& tools);

    void Undo();
    void Redo();
    // The two commands are available while a picture is open and there is a
    // step to undo (or a power preview) or to redo.
    void Refresh();
    // The options menu's items, with the first shortcut of each.
    std::vector<BMenuItem> MenuItems() const;
    // Every command of the strip that may change the keyframes becomes a step.
    void RecordStrip(CKeysWnd& strip);

signals:
    // A step was pushed, undone or redone, or the saved state moved.
    void historyChanged();

private:
    Project& m_project;
    CCommandRegistry& m_commands;
    CToolCommands& m_tools;
};
