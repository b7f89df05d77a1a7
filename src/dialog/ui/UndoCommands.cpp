#include "dialog/ui/UndoCommands.h"

#include "animation/ui/KeysWnd.h"
#include "dialog/ui/DialogLayout.h"
#include "project/ProjectHistory.h"
#include "res/StringTable.h"

#include <QAction>
#include <QWidget>

namespace {

QString ShortcutText(const QAction* action)
{
    const QList<QKeySequence> keys = action->shortcuts();
    return keys.isEmpty() ? QString() : keys.first().toString(QKeySequence::NativeText);
}

}  // namespace

CUndoCommands::CUndoCommands(ProjectHistory& history, QWidget& window, Allowed allowed, Prepare prepare)
        : QObject(&window), m_history(history), m_allowed(std::move(allowed)), m_prepare(std::move(prepare))
{
    m_pUndo = new QAction(AppCaption(Cmd::Undo), &window);
    m_pUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_pRedo = new QAction(AppCaption(Cmd::Redo), &window);
    m_pRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {m_pUndo, m_pRedo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window.addAction(action);
    }
    connect(m_pUndo, &QAction::triggered, this, &CUndoCommands::Undo);
    connect(m_pRedo, &QAction::triggered, this, &CUndoCommands::Redo);
    // The keys stay bound while nothing can be undone; the menu greys its items.
    QUndoStack& stack = m_history.Stack();
    connect(&stack, &QUndoStack::indexChanged, this, &CUndoCommands::historyChanged);
    connect(&stack, &QUndoStack::cleanChanged, this, &CUndoCommands::historyChanged);
}

void CUndoCommands::Undo()
{
    if (!m_allowed() || m_prepare(true))
        return;
    m_history.Undo();
    emit historyChanged();
}

void CUndoCommands::Redo()
{
    if (!m_allowed())
        return;
    m_prepare(false);
    m_history.Redo();
    emit historyChanged();
}

std::vector<BMenuItem> CUndoCommands::MenuItems() const
{
    const bool allowed = m_allowed();
    return {
        {AppCaption(Cmd::Undo), false, Cmd::Undo, allowed && m_history.CanUndo(), ShortcutText(m_pUndo)},
        {AppCaption(Cmd::Redo), false, Cmd::Redo, allowed && m_history.CanRedo(), ShortcutText(m_pRedo)},
    };
}

void CUndoCommands::RecordStrip(CKeysWnd& strip)
{
    connect(&strip, &CKeysWnd::editStarting, this, [this] { m_history.BeginDocumentEdit(); });
    connect(&strip, &CKeysWnd::editFinished, this,
            [this](int id) { m_history.EndDocumentEdit(id ? AppCaption(id) : AppString(StrId::NextKeyframe)); });
}
