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

CTool& ToolTable::Reversed(CTool& tool) const
{
    CTool* partner = Find(ReversedTool(tool.CommandId()).command);
    if (!partner || partner == &tool)
        return tool;
    partner->SetStrength(tool.Strength());
    partner->SetFreeRadius(tool.FreeRadius());
    partner->SetPressure(tool.Pressure());
    partner->SetPressureScalesSize(tool.PressureScalesSize());
    partner->SetTurnSign(tool.TurnSign());
    if (tool.PictureWidth() > 0 || tool.PictureHeight() > 0)
        partner->SetPictureSize(tool.PictureWidth(), tool.PictureHeight());
    return *partner;
}

std::vector<int> ToolTable::CommandIds() const
{
    std::vector<int> ids;
    ids.reserve(m_tools.size());
    for (const auto& [id, tool] : m_tools)
        ids.push_back(id);
    return ids;
}
