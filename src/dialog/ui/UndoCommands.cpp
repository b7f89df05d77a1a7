#include "dialog/ui/UndoCommands.h"

#include "animation/ui/KeysWnd.h"
#include "controls/ui/CommandRegistry.h"
#include "dialog/ui/ToolCommands.h"
#include "project/Project.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"

#include <QAction>
#include <QUndoStack>

CUndoCommands::CUndoCommands(Project& project, CCommandRegistry& commands, CToolCommands& tools)
        : QObject(&commands), m_project(project), m_commands(commands), m_tools(tools)
{
    m_commands.Add(Cmd::Undo, [this] { Undo(); });
    m_commands.SetShortcuts(Cmd::Undo, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_commands.Add(Cmd::Redo, [this] { Redo(); });
    m_commands.SetShortcuts(Cmd::Redo,
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QUndoStack& stack = m_project.History().Stack();
    connect(&stack, &QUndoStack::indexChanged, this, &CUndoCommands::historyChanged);
    connect(&stack, &QUndoStack::cleanChanged, this, &CUndoCommands::historyChanged);
    connect(this, &CUndoCommands::historyChanged, this, &CUndoCommands::Refresh);
    connect(&m_tools, &CToolCommands::powerChanged, this, &CUndoCommands::Refresh);
    Refresh();
}

void CUndoCommands::Refresh()
{
    const bool picture = m_project.Picture().HasPicture();
    const ProjectHistory& history = m_project.History();
    m_commands.SetAvailable(Cmd::Undo, picture && (history.CanUndo() || m_tools.PowerPreviewPending()));
    m_commands.SetAvailable(Cmd::Redo, picture && history.CanRedo());
}

void CUndoCommands::Undo()
{
    if (m_tools.DiscardPowerPreview())
        return;
    m_project.History().Undo();
    emit historyChanged();
}

void CUndoCommands::Redo()
{
    m_tools.DiscardPowerPreview();
    m_project.History().Redo();
    emit historyChanged();
}

std::vector<BMenuItem> CUndoCommands::MenuItems() const
{
    return {BMenuItem::FromAction(m_commands.Action(Cmd::Undo)), BMenuItem::FromAction(m_commands.Action(Cmd::Redo))};
}

void CUndoCommands::RecordStrip(CKeysWnd& strip)
{
    ProjectHistory& history = m_project.History();
    connect(&strip, &CKeysWnd::editStarting, this, [&history] { history.BeginDocumentEdit(); });
    connect(&strip, &CKeysWnd::editFinished, this,
            [&history](int id) { history.EndDocumentEdit(id ? AppCaption(id) : AppString(StrId::NextKeyframe)); });
}
