// Properties every brush tool of the table keeps, in all three sizes: neutral
// strength leaves an identity map alone, a step touches only its own brush
// rectangle (map and display), strokes anywhere, even far outside the picture,
// are safe, and a seeded stroke replays exactly.

#include "BrushStepTestSupport.h"
#include "engine/LocalTools.h"

#include <gtest/gtest.h>

using brushtest::BrushCommandIds;
using brushtest::Canvas;

namespace {

// Odd sizes, so both lattice parities meet the borders.
constexpr int W = 161, H = 121;

bool IsZoom(int id)
{
    return id >= 1025 && id <= 1027;
}
bool IsRotate(int id)
{
    return id >= 1031 && id <= 1033;
}

// Pointer positions at, near and beyond every border, and far away.
const std::vector<std::pair<int, int>>& Positions()
{
    static const std::vector<std::pair<int, int>> positions = {
        {80, 60},     {0, 0},     {W - 1, H - 1}, {-5, H / 2}, {W + 3, -4}, {W / 2, H + 20},
        {2, H - 2},   {W - 2, 2}, {W, H},         {-1, -1},    {1, 1},      {-100000, 100000},
        {5000, 5000}, {80, 60},   {W - 3, H / 2}, {W / 2, 3},  {-40, -40},  {W + 40, H + 40},
    };
    return positions;
}

bool Inside(const Rect& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Every map element and display pixel outside the rectangle is as before.
void ExpectOnlyInside(const Canvas& canvas, const DisplacementMap& map, const PackedPicture& shown, const Rect& r,
                      int id, int x, int y)
{
    int changedMap = 0, changedPixels = 0;
    for (int py = 0; py < H; ++py)
        for (int px = 0; px < W; ++px) {
            if (Inside(r, px, py))
                continue;
            changedMap += !(canvas.map.At(px, py) == map.At(px, py));
            const uint8_t* a = canvas.work.Display().Pixel(px, py);
            const uint8_t* b = shown.Pixel(px, py);
            changedPixels += a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
        }
    EXPECT_EQ(changedMap, 0) << "tool " << id << " at " << x << "," << y;
    EXPECT_EQ(changedPixels, 0) << "tool " << id << " at " << x << "," << y;
}

}  // namespace

TEST(BrushProperties, NeutralStrengthKeepsTheIdentity)
{
    ASSERT_EQ(BrushCommandIds().size(), 45u);
    for (int id : BrushCommandIds()) {
        if (IsZoom(id))
            continue;  // its fixed turn acts at every strength
        Canvas canvas(W, H);
        canvas.Select(id)->SetStrength(IsRotate(id) ? 32 : 0);
        canvas.work.ButtonDown(80, 60, false);
        for (const auto& [x, y] : Positions()) {
            canvas.work.MouseMove(x, y);
            canvas.work.TimerTick(x, y);
        }
        canvas.work.ButtonUp(false);
        EXPECT_EQ(canvas.map, DisplacementMap(W, H)) << "tool " << id;
    }
}

TEST(BrushProperties, AStepChangesOnlyItsBrushRectangle)
{
    for (int id : BrushCommandIds()) {
        Canvas canvas(W, H, uint32_t(id));
        canvas.SetMap(brushtest::WavyMap(W, H));
        CTool* tool = canvas.Select(id);
        canvas.work.ButtonDown(80, 60, false);
        for (const auto& [x, y] : Positions()) {
            for (bool tick : {false, true}) {
                const DisplacementMap map = canvas.map;
                const PackedPicture shown = canvas.work.Display();
                const Rect rendered = tick ? canvas.work.TimerTick(x, y) : canvas.work.MouseMove(x, y);
                const Rect brush = tool->GetBrushRect(x, y);
                EXPECT_TRUE(rendered.IsEmpty() || rendered == brush) << id;
                ExpectOnlyInside(canvas, map, shown, brush, id, x, y);
            }
        }
        canvas.work.ButtonUp(false);
        EXPECT_EQ(canvas.map.Width(), W);
        EXPECT_EQ(canvas.map.Count(), size_t(W) * size_t(H));
    }
}

TEST(BrushProperties, RightButtonStrokesAreSafeAndRestoreTheTurnSign)
{
    for (int id : BrushCommandIds()) {
        Canvas canvas(W, H);
        canvas.SetMap(brushtest::NoisyMap(W, H));
        CTool* tool = canvas.Select(id);
        canvas.Stroke(Positions(), 3, true);
        EXPECT_EQ(tool->TurnSign(), 1) << id;
        EXPECT_EQ(tool->LastX(), kNoPoint) << id;
    }
}

TEST(BrushProperties, ASeededStrokeReplaysExactly)
{
    const std::vector<std::pair<int, int>> stroke = {{80, 60}, {90, 64}, {100, 70}, {20, 100}, {150, 10}};
    for (int id : BrushCommandIds()) {
        Canvas first(W, H, 1234), second(W, H, 1234);
        first.SetMap(brushtest::WavyMap(W, H));
        second.SetMap(brushtest::WavyMap(W, H));
        first.Select(id);
        second.Select(id);
        first.Stroke(stroke, 4);
        second.Stroke(stroke, 4);
        EXPECT_EQ(first.map, second.map) << id;
        EXPECT_EQ(first.work.Display(), second.work.Display()) << id;
        if (auto* shape = dynamic_cast<CToolShape*>(first.table.Find(id))) {
            auto* replay = dynamic_cast<CToolShape*>(second.table.Find(id));
            EXPECT_EQ(shape->ShapeTable(), replay->ShapeTable()) << id;
            Canvas other(W, H, 99);
            other.Select(id);
            other.Stroke(stroke, 1);
            auto* different = dynamic_cast<CToolShape*>(other.table.Find(id));
            EXPECT_NE(shape->ShapeTable(), different->ShapeTable()) << id;
        }
    }
}
