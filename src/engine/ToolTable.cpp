#include "engine/ToolTable.h"

#include "engine/ToolCatalogue.h"

ToolTable::ToolTable(RandomSource* random, ToolCursor* cursor)
{
    for (const ToolRow& row : ToolCatalogue()) {
        std::unique_ptr<CTool> tool = row.make(row);
        tool->SetStrength(row.strength);
        tool->SetRepeat(row.repeats);
        tool->SetRandom(random);
        tool->SetCursor(cursor);
        m_tools[row.command] = std::move(tool);
    }
}

CTool* ToolTable::Find(int commandId) const
{
    const auto it = m_tools.find(commandId);
    return it == m_tools.end() ? nullptr : it->second.get();
}

std::vector<int> ToolTable::CommandIds() const
{
    std::vector<int> ids;
    ids.reserve(m_tools.size());
    for (const auto& [id, tool] : m_tools)
        ids.push_back(id);
    return ids;
}
