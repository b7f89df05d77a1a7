#include "engine/ToolTable.h"

#include "engine/GlobalTools.h"
#include "engine/LocalTools.h"

namespace {

constexpr int kSmall = 6, kMedium = 12, kLarge = 25;

struct SizedIds {
    int command[3];  // small, medium, large
    int bitmap[3];
};

template <class Tool>
void AddBrush(std::map<int, std::unique_ptr<CTool>>& tools, const SizedIds& ids)
{
    const int percents[3] = {kSmall, kMedium, kLarge};
    for (int i = 0; i < 3; ++i)
        tools[ids.command[i]] = std::make_unique<Tool>(ids.bitmap[i], ids.command[i], percents[i]);
}

template <class Tool>
void AddGlobal(std::map<int, std::unique_ptr<CTool>>& tools, int commandId, int bitmapId)
{
    tools[commandId] = std::make_unique<Tool>(bitmapId, commandId);
}

}  // namespace

ToolTable::ToolTable(RandomSource* random, ToolCursor* cursor)
{
    AddBrush<CTool_ZoomIn>(m_tools, {{1019, 1020, 1021}, {293, 294, 295}});
    AddBrush<CTool_ZoomInV>(m_tools, {{1047, 1048, 1049}, {297, 299, 296}});
    AddBrush<CTool_ZoomInH>(m_tools, {{1050, 1051, 1052}, {301, 298, 300}});
    AddBrush<CTool_ZoomOut>(m_tools, {{1022, 1023, 1024}, {334, 329, 332}});
    AddBrush<CTool_ZoomOutV>(m_tools, {{1053, 1054, 1055}, {328, 331, 326}});
    AddBrush<CTool_ZoomOutH>(m_tools, {{1056, 1057, 1058}, {327, 330, 333}});
    AddBrush<CTool_Zoom>(m_tools, {{1025, 1026, 1027}, {302, 303, 304}});
    AddBrush<CTool_Rotate>(m_tools, {{1031, 1032, 1033}, {307, 306, 305}});
    AddBrush<CTool_Move>(m_tools, {{1037, 1038, 1039}, {310, 309, 308}});
    AddBrush<CTool_Undo>(m_tools, {{1034, 1035, 1036}, {325, 324, 323}});
    AddBrush<CTool_Smooth>(m_tools, {{1028, 1029, 1030}, {322, 321, 320}});
    AddBrush<CTool_Collapse>(m_tools, {{1069, 1070, 1071}, {274, 273, 272}});
    AddBrush<CTool_Pinch>(m_tools, {{1075, 1079, 1086}, {280, 279, 278}});
    AddBrush<CTool_Explosion>(m_tools, {{1072, 1073, 1076}, {277, 276, 275}});
    AddBrush<CTool_Punch>(m_tools, {{1089, 1093, 1096}, {283, 282, 281}});

    AddGlobal<CTool_GlShrink>(m_tools, 1090, 346);
    AddGlobal<CTool_GlZoom>(m_tools, 1105, 292);
    AddGlobal<CTool_GlTornado>(m_tools, 1094, 289);
    AddGlobal<CTool_GlWind>(m_tools, 1097, 291);
    AddGlobal<CTool_GlWave>(m_tools, 1100, 290);
    AddGlobal<CTool_GlRipples>(m_tools, 1099, 286);
    AddGlobal<CTool_GlBlot>(m_tools, 1102, 284);
    AddGlobal<CTool_GlBlot2>(m_tools, 1121, 285);
    AddGlobal<CTool_GlSands>(m_tools, 1109, 287);
    AddGlobal<CTool_GlSands2>(m_tools, 1122, 288);

    // The exceptions to strength 64 and repeat on.
    for (int id : {1037, 1038, 1039}) {
        m_tools[id]->SetStrength(42);
        m_tools[id]->SetRepeat(false);
    }
    for (int id : {1025, 1026, 1027})
        m_tools[id]->SetRepeat(false);

    for (auto& [id, tool] : m_tools) {
        tool->SetRandom(random);
        tool->SetCursor(cursor);
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
