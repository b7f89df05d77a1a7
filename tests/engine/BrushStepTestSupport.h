#pragma once
// A work picture with a map and the full tool table, driven the way the work
// window drives it: select a tool, then button down, moves or timer ticks, and
// button up.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "engine/RandomSource.h"
#include "engine/ToolTable.h"
#include "engine/WorkPicture.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace brushtest {

// A picture of varied colours, so that any render change shows.
inline PackedPicture PatternPicture(int W, int H)
{
    PackedPicture picture(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t* p = picture.Pixel(x, y);
            p[0] = uint8_t(x * 7 + y * 3);
            p[1] = uint8_t(x * x + y * 11);
            p[2] = uint8_t((x ^ y) * 5);
        }
    return picture;
}

// A smoothly varying map of a few pixels.
inline DisplacementMap WavyMap(int W, int H)
{
    DisplacementMap map(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            map.At(x, y) = Displacement{int32_t(200.0 * std::sin(x / 17.0 + y / 23.0)),
                                        int32_t(150.0 * std::cos(x / 29.0 - y / 13.0))};
    return map;
}

// A map whose neighbouring elements differ a lot.
inline DisplacementMap NoisyMap(int W, int H)
{
    DisplacementMap map(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            map.At(x, y) = Displacement{(x * 37 + y * 91) % 200 - 100, (x * 53 + y * 17) % 300 - 150};
    return map;
}

// A map linear in x and y: every lattice average reproduces it exactly.
inline DisplacementMap LinearMap(int W, int H)
{
    DisplacementMap map(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            map.At(x, y) = Displacement{4 * x - 800, 300 - 2 * y};
    return map;
}

struct Canvas {
    explicit Canvas(int W, int H, uint32_t seed = 1) : random(seed), table(&random), map(W, H)
    {
        work.SetPicture(PatternPicture(W, H));
        work.AttachMap(map.Ref());
    }

    // Replaces the map (same size) and re-renders the picture through it.
    void SetMap(DisplacementMap m)
    {
        map = std::move(m);
        work.AttachMap(map.Ref());
        work.RenderMap(64, true);
    }

    // Loads a picture of another size with an identity map, as the dialog does.
    void Resize(int W, int H)
    {
        work.SetPicture(PatternPicture(W, H));
        map = DisplacementMap(W, H);
        work.AttachMap(map.Ref());
        if (CTool* tool = work.ActiveTool())
            Select(tool->CommandId());
    }

    CTool* Select(int commandId)
    {
        CTool* tool = table.Find(commandId);
        tool->SetPictureSize(work.Width(), work.Height());
        work.SetActiveTool(nullptr);
        work.SetActiveTool(tool);
        return tool;
    }

    // A stroke through the points: button down at the first, a move to each
    // further point, `ticks` timer steps at the last point, button up.
    void Stroke(const std::vector<std::pair<int, int>>& points, int ticks = 0, bool right = false)
    {
        work.ButtonDown(points.front().first, points.front().second, right);
        for (size_t i = 1; i < points.size(); ++i)
            work.MouseMove(points[i].first, points[i].second);
        for (int i = 0; i < ticks; ++i)
            work.TimerTick(points.back().first, points.back().second);
        work.ButtonUp(right);
    }

    // A click held for `ticks` timer steps without moving.
    void Hold(int x, int y, int ticks, bool right = false) { Stroke({{x, y}}, ticks, right); }

    RandomSource random;
    ToolTable table;
    WorkPicture work;
    DisplacementMap map;
};

// Every brush tool's command id.
inline std::vector<int> BrushCommandIds()
{
    RandomSource random;
    const ToolTable table(&random);
    std::vector<int> ids;
    for (int id : table.CommandIds())
        if (table.Find(id)->IsLocal())
            ids.push_back(id);
    return ids;
}

}  // namespace brushtest
