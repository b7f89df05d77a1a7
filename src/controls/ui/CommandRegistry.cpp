#include "controls/ui/CommandRegistry.h"

#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

namespace {

constexpr char kIdProperty[] = "commandId";

unsigned GroupBit(int group)
{
    return 1u << unsigned(group);
}

}  // namespace

QAction* MakeCommandAction(int id, QObject* parent)
{
    const QString help = AppString(id);
    auto* action = new QAction(HasAppCaption(id) ? AppCaption(id) : help.section(QLatin1Char('\n'), 0, 0), parent);
    action->setToolTip(help);
    action->setProperty(kIdProperty, id);
    return action;
}

int CommandId(const QAction* action)
{
    return action ? action->property(kIdProperty).toInt() : 0;
}

CCommandRegistry::CCommandRegistry(QWidget& window) : QObject(&window), m_window(window) {}

CCommandRegistry::Entry& CCommandRegistry::EntryOf(int id)
{
    Entry& entry = m_entries[id];
    if (!entry.action) {
        entry.action = MakeCommandAction(id, this);
        connect(entry.action, &QAction::triggered, this, [this, id] { Run(id); });
    }
    return entry;
}

void CCommandRegistry::Run(int id)
{
    // A handler may add handlers; those run from the next trigger on.
    const std::vector<std::function<void()>> handlers = m_entries.at(id).handlers;
    const QPointer<CCommandRegistry> self(this);
    for (const std::function<void()>& handler : handlers) {
        handler();
        if (!self)
            return;
    }
    emit triggered(id);
}

QAction* CCommandRegistry::Add(int id)
{
    return EntryOf(id).action;
}

QAction* CCommandRegistry::Add(int id, std::function<void()> handler)
{
    Entry& entry = EntryOf(id);
    entry.handlers.push_back(std::move(handler));
    return entry.action;
}

void CCommandRegistry::Adopt(QAction* action)
{
    const int id = CommandId(action);
    Entry& entry = m_entries[id];
    entry.action = action;
    connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    UpdateEnabled(id);
}

QAction* CCommandRegistry::Action(int id) const
{
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : it->second.action;
}

std::vector<int> CCommandRegistry::Ids() const
{
    std::vector<int> ids;
    ids.reserve(m_entries.size());
    for (const auto& [id, entry] : m_entries)
        ids.push_back(id);
    return ids;
}

bool CCommandRegistry::Trigger(int id)
{
    QAction* action = Action(id);
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

void CCommandRegistry::SetShortcuts(int id, const QList<QKeySequence>& keys)
{
    QAction* action = Add(id);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
}

void CCommandRegistry::SetAvailable(int id, bool available)
{
    EntryOf(id).available = available;
    UpdateEnabled(id);
}

void CCommandRegistry::AddToGroup(int group, const std::vector<int>& ids)
{
    for (int id : ids) {
        EntryOf(id).groups |= GroupBit(group);
        UpdateEnabled(id);
    }
}

void CCommandRegistry::SetGroupOff(int group, bool off)
{
    if (GroupOff(group) == off)
        return;
    m_offGroups = off ? m_offGroups | GroupBit(group) : m_offGroups & ~GroupBit(group);
    for (const auto& [id, entry] : m_entries) {
        if (entry.groups & GroupBit(group))
            UpdateEnabled(id);
    }
}

bool CCommandRegistry::GroupOff(int group) const
{
    return (m_offGroups & GroupBit(group)) != 0;
}

bool CCommandRegistry::InGroup(int group, int id) const
{
    const auto it = m_entries.find(id);
    return it != m_entries.end() && (it->second.groups & GroupBit(group)) != 0;
}

void CCommandRegistry::UpdateEnabled(int id)
{
    const Entry& entry = m_entries.at(id);
    entry.action->setEnabled(entry.available && (entry.groups & m_offGroups) == 0);
}

void CCommandRegistry::Bind(int id, QWidget* widget)
{
    QAction* action = Add(id);
    if (auto* button = qobject_cast<CMyButton*>(widget)) {
        button->SetAction(action);
        return;
    }
    const auto follow = [widget, action] { widget->setEnabled(action->isEnabled()); };
    connect(action, &QAction::changed, widget, follow);
    follow();
}
