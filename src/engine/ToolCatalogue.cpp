#include "engine/ToolCatalogue.h"

#include "engine/GlobalTools.h"
#include "engine/LocalTools.h"

#include <algorithm>
#include <type_traits>
#include <utility>

namespace {

template <class Tool>
std::unique_ptr<CTool> Make(const ToolRow& row)
{
    if constexpr (std::is_base_of_v<CToolGlobal, Tool>)
        return std::make_unique<Tool>(row.picture, row.command);
    else
        return std::make_unique<Tool>(row.picture, row.command, BrushPercent(row.size));
}

using enum ToolPanel;
using enum ToolSize;

// command, picture, name, panel, size, kind, factory [, strength, repeats]
constexpr ToolRow kTools[] = {
    {1019, 293, 1019, Enlarge, Small, "enlarge", Make<CTool_ZoomIn>},
    {1020, 294, 1020, Enlarge, Medium, "enlarge", Make<CTool_ZoomIn>},
    {1021, 295, 1021, Enlarge, Large, "enlarge", Make<CTool_ZoomIn>},
    {1047, 297, 1047, Enlarge, Small, "enlarge-vertical", Make<CTool_ZoomInV>},
    {1048, 299, 1048, Enlarge, Medium, "enlarge-vertical", Make<CTool_ZoomInV>},
    {1049, 296, 1049, Enlarge, Large, "enlarge-vertical", Make<CTool_ZoomInV>},
    {1050, 301, 1050, Enlarge, Small, "enlarge-horizontal", Make<CTool_ZoomInH>},
    {1051, 298, 1051, Enlarge, Medium, "enlarge-horizontal", Make<CTool_ZoomInH>},
    {1052, 300, 1052, Enlarge, Large, "enlarge-horizontal", Make<CTool_ZoomInH>},
    {1022, 334, 1022, Shrink, Small, "shrink", Make<CTool_ZoomOut>},
    {1023, 329, 1023, Shrink, Medium, "shrink", Make<CTool_ZoomOut>},
    {1024, 332, 1024, Shrink, Large, "shrink", Make<CTool_ZoomOut>},
    {1053, 328, 1053, Shrink, Small, "shrink-vertical", Make<CTool_ZoomOutV>},
    {1054, 331, 1054, Shrink, Medium, "shrink-vertical", Make<CTool_ZoomOutV>},
    {1055, 326, 1055, Shrink, Large, "shrink-vertical", Make<CTool_ZoomOutV>},
    {1056, 327, 1056, Shrink, Small, "shrink-horizontal", Make<CTool_ZoomOutH>},
    {1057, 330, 1057, Shrink, Medium, "shrink-horizontal", Make<CTool_ZoomOutH>},
    {1058, 333, 1058, Shrink, Large, "shrink-horizontal", Make<CTool_ZoomOutH>},
    {1025, 302, 1025, More, Small, "scale", Make<CTool_Zoom>, 64, false},
    {1026, 303, 1026, More, Medium, "scale", Make<CTool_Zoom>, 64, false},
    {1027, 304, 1027, More, Large, "scale", Make<CTool_Zoom>, 64, false},
    {1031, 307, 1031, More, Small, "rotate", Make<CTool_Rotate>},
    {1032, 306, 1032, More, Medium, "rotate", Make<CTool_Rotate>},
    {1033, 305, 1033, More, Large, "rotate", Make<CTool_Rotate>},
    {1037, 310, 1037, More, Small, "move", Make<CTool_Move>, 42, false},
    {1038, 309, 1038, More, Medium, "move", Make<CTool_Move>, 42, false},
    {1039, 308, 1039, More, Large, "move", Make<CTool_Move>, 42, false},
    {1034, 325, 1034, Common, Small, "undo", Make<CTool_Undo>},
    {1035, 324, 1035, Common, Medium, "undo", Make<CTool_Undo>},
    {1036, 323, 1036, Common, Large, "undo", Make<CTool_Undo>},
    {1028, 322, 1028, Common, Small, "smooth", Make<CTool_Smooth>},
    {1029, 321, 1029, Common, Medium, "smooth", Make<CTool_Smooth>},
    {1030, 320, 1030, Common, Large, "smooth", Make<CTool_Smooth>},
    {1069, 274, 1069, Disaster, Small, "collapse", Make<CTool_Collapse>},
    {1070, 273, 1070, Disaster, Medium, "collapse", Make<CTool_Collapse>},
    {1071, 272, 1071, Disaster, Large, "collapse", Make<CTool_Collapse>},
    {1075, 280, 1075, Disaster, Small, "pinch", Make<CTool_Pinch>},
    {1079, 279, 1079, Disaster, Medium, "pinch", Make<CTool_Pinch>},
    {1086, 278, 1086, Disaster, Large, "pinch", Make<CTool_Pinch>},
    {1072, 277, 1072, Disaster, Small, "explosion", Make<CTool_Explosion>},
    {1073, 276, 1073, Disaster, Medium, "explosion", Make<CTool_Explosion>},
    {1076, 275, 1076, Disaster, Large, "explosion", Make<CTool_Explosion>},
    {1089, 283, 1089, Disaster, Small, "punch", Make<CTool_Punch>},
    {1093, 282, 1093, Disaster, Medium, "punch", Make<CTool_Punch>},
    {1096, 281, 1096, Disaster, Large, "punch", Make<CTool_Punch>},
    {1090, 346, 1090, Global, WholePicture, "global-shrink", Make<CTool_GlShrink>},
    {1105, 292, 1105, Global, WholePicture, "global-zoom", Make<CTool_GlZoom>},
    {1094, 289, 1094, Global, WholePicture, "tornado", Make<CTool_GlTornado>},
    {1097, 291, 1097, Global, WholePicture, "wind", Make<CTool_GlWind>},
    {1100, 290, 1100, Global, WholePicture, "wave", Make<CTool_GlWave>},
    {1099, 286, 1099, Global, WholePicture, "ripples", Make<CTool_GlRipples>},
    {1102, 284, 1102, Global, WholePicture, "smooth-splashes", Make<CTool_GlBlot>},
    {1121, 285, 1121, Global, WholePicture, "sharp-splashes", Make<CTool_GlBlot2>},
    {1109, 287, 1109, Global, WholePicture, "smooth-dunes", Make<CTool_GlSands>},
    {1122, 288, 1122, Global, WholePicture, "sharp-dunes", Make<CTool_GlSands2>},
};

// The kinds that swap under the reverse modifier, each pair once.
constexpr std::pair<std::string_view, std::string_view> kPartners[] = {
    {"enlarge", "shrink"},
    {"enlarge-vertical", "shrink-vertical"},
    {"enlarge-horizontal", "shrink-horizontal"},
    {"pinch", "punch"},
    {"collapse", "explosion"},
};

// The kinds whose brush turns, and turns back under the reverse modifier.
constexpr std::string_view kTurningKinds[] = {"rotate"};

}  // namespace

std::span<const ToolRow> ToolCatalogue()
{
    return kTools;
}

const ToolRow* FindToolRow(int command)
{
    for (const ToolRow& row : kTools) {
        if (row.command == command)
            return &row;
    }
    return nullptr;
}

int ToolCommand(std::string_view kind, ToolSize size)
{
    for (const ToolRow& row : kTools) {
        if (row.kind == kind && row.size == size)
            return row.command;
    }
    return 0;
}

int BrushPercent(ToolSize size)
{
    switch (size) {
    case ToolSize::Small: return 6;
    case ToolSize::Medium: return 12;
    case ToolSize::Large: return 25;
    default: return 0;
    }
}

std::string_view PartnerKind(std::string_view kind)
{
    for (const auto& [a, b] : kPartners) {
        if (kind == a)
            return b;
        if (kind == b)
            return a;
    }
    return {};
}

ToolReversal ReversedTool(int command)
{
    const ToolRow* row = FindToolRow(command);
    if (!row)
        return {command, false};
    const std::string_view partner = PartnerKind(row->kind);
    if (!partner.empty())
        return {ToolCommand(partner, row->size), false};
    return {command, std::ranges::find(kTurningKinds, row->kind) != std::end(kTurningKinds)};
}
