// The brush step machinery shared by every brush tool: sizes, step set-up,
// falloff, composition, lattice gap filling and the clipped copy-back.

#include "BrushStepTestSupport.h"
#include "engine/LocalTools.h"
#include "engine/Tool.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr int W = 412, H = 300;

// Writes (x^3, -y^3) at every visited lattice pixel, so that the gap averages
// and the copied region can be read back from the map.
class CubeTool : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef, Displacement* scratch, int x, int y) override
    {
        ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
            scratch[p.index] = Displacement{p.x * p.x * p.x, -(p.y * p.y * p.y)};
        });
    }
};

constexpr Displacement kUntouched{7, 7};

// The value the cube tool leaves at (x, y) for a brush whose rectangle starts at
// (left, top), where neither the pixel nor its lattice neighbours are clipped.
Displacement CubeValue(int x, int y, int left, int top)
{
    const bool gapColumn = (x - left) % 2 != 0, gapRow = (y - top) % 2 != 0;
    return Displacement{x * x * x + (gapColumn ? 3 * x : 0), -(y * y * y + (gapRow ? 3 * y : 0))};
}

struct CubeStep {
    CubeTool tool{0, 0, 12};
    DisplacementMap map{W, H};
    std::vector<Displacement> scratch;

    CubeStep()
    {
        tool.SetPictureSize(W, H);
        scratch = tool.CreateScratch();
        std::fill(map.Elements().begin(), map.Elements().end(), kUntouched);
    }
    bool Step(int x, int y) { return BrushStep(tool, map.Ref(), scratch, x, y, W, H); }
};

}  // namespace

TEST(BrushStep, RadiusAndDiameterFollowTheShorterSide)
{
    CTool_ZoomIn medium(294, 1020, 12), large(295, 1021, 25);
    medium.SetPictureSize(W, H);
    large.SetPictureSize(W, H);
    EXPECT_EQ(medium.Radius(), 36);
    EXPECT_EQ(medium.Diameter(), 73);
    EXPECT_EQ(medium.Radius2(), 1296);
    EXPECT_EQ(large.Radius(), 75);
    EXPECT_EQ(medium.CreateScratch().size(), 73u * 73u);
}

TEST(BrushStep, StepWeightAndDirectionFollowThePointer)
{
    CTool_ZoomIn tool(294, 1020, 12);
    tool.SetPictureSize(W, H);
    tool.Prepare(100, 100, W, H);  // first step: no movement
    EXPECT_EQ(tool.DirectionX(), 0);
    EXPECT_EQ(tool.DirectionY(), 64);
    EXPECT_EQ(tool.Step(), 2);
    tool.Prepare(130, 100, W, H);  // 30 pixels: limited to R / 2
    EXPECT_EQ(tool.Step(), 18);
    EXPECT_EQ(tool.DirectionX(), 64);
    EXPECT_EQ(tool.DirectionY(), 0);
    tool.Prepare(130, 90, W, H);  // 10 pixels up
    EXPECT_EQ(tool.Step(), 10);
    EXPECT_EQ(tool.DirectionX(), 0);
    EXPECT_EQ(tool.DirectionY(), -64);
    tool.EndStroke();
    EXPECT_EQ(tool.LastX(), kNoPoint);
    // A pointer absurdly far away still gives a bounded step.
    tool.Prepare(0, 0, W, H);
    tool.Prepare(2000000000, -2000000000, W, H);
    EXPECT_EQ(tool.Step(), 18);
}

TEST(BrushStep, FalloffTable)
{
    const int start[] = {64, 63, 63, 63, 63, 62, 61, 61, 60, 59};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(CTool::Falloff(i), start[i]) << i;
    const int end[] = {2, 2, 2, 2, 1, 1, 1, 1};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(CTool::Falloff(56 + i), end[i]) << 56 + i;
    EXPECT_EQ(CTool::Falloff(64), 0);
    EXPECT_EQ(CTool::Falloff(1000), 0);
    EXPECT_EQ(CTool::Falloff(-64), 0);
    EXPECT_EQ(CTool::Falloff(INT_MIN), 0);
    for (int i = 1; i < 64; ++i) {
        EXPECT_EQ(CTool::Falloff(-i), CTool::Falloff(i));
        EXPECT_LE(CTool::Falloff(i), CTool::Falloff(i - 1));
    }
}

TEST(BrushStep, ComposeLocalFloorsNegativeOffsetsAndDropsOutsidePoints)
{
    CTool_ZoomIn tool(294, 1020, 12);
    tool.SetPictureSize(W, H);
    DisplacementMap map(W, H);
    map.At(99, 150) = {6400, 0};
    // dx = -1 samples between columns 99 and 100 (floor -1, fraction 63).
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 100, 150, -1, 0), (Displacement{99, 0}));
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 100, 150, 0, 0), (Displacement{0, 0}));
    map.At(300, 100) = {-50, 30};
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 300, 100, 0, 0), (Displacement{-50, 30}));
    // Half way down between rows 100 and 101.
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 300, 100, 0, 32), (Displacement{-25, 47}));

    // Sampling points outside the picture lose all deformation.
    map.At(1, 150) = {500, 500};
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 2, 150, -3 * 64, 0), (Displacement{0, 0}));
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 409, 150, 64, 0), (Displacement{0, 0}));
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 408, 150, 64, 0), (Displacement{64, 0}));
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 200, 297, 0, 64), (Displacement{0, 0}));
    EXPECT_EQ(tool.ComposeLocal(map.Ref(), 200, 0, 0, -1), (Displacement{0, 0}));
}

TEST(BrushStep, FillsLatticeGapsAndCopiesTheInnerRectangle)
{
    CubeStep s;
    ASSERT_TRUE(s.Step(200, 150));
    const int left = 164, top = 114;
    for (int y = top - 1; y <= top + 2 * 36 - 2; ++y)
        for (int x = left - 1; x <= left + 2 * 36 - 1; ++x) {
            const bool copied = y >= top && y <= top + 69 && x >= left && x <= left + 70;
            EXPECT_EQ(s.map.At(x, y), copied ? CubeValue(x, y, left, top) : kUntouched) << x << "," << y;
        }
}

TEST(BrushStep, CopyBackIsClippedAtEveryBorder)
{
    {  // left: column 0 is on the lattice but never visited
        CubeStep s;
        ASSERT_TRUE(s.Step(10, 150));
        EXPECT_EQ(s.map.At(0, 150), (Displacement{0, 0}));
        EXPECT_EQ(s.map.At(1, 150), (Displacement{4, -150 * 150 * 150 / 2}));
        EXPECT_EQ(s.map.At(44, 150), CubeValue(44, 150, -26, 114));
        EXPECT_EQ(s.map.At(45, 150), kUntouched);
    }
    {  // right: the last two columns are never written
        CubeStep s;
        ASSERT_TRUE(s.Step(W - 10, 150));
        EXPECT_EQ(s.map.At(366, 150), CubeValue(366, 150, 366, 114));
        EXPECT_EQ(s.map.At(409, 150), CubeValue(409, 150, 366, 114));
        EXPECT_EQ(s.map.At(410, 150), kUntouched);
        EXPECT_EQ(s.map.At(411, 150), kUntouched);
    }
    {  // bottom: rows up to H - 2
        CubeStep s;
        ASSERT_TRUE(s.Step(200, H - 5));
        EXPECT_EQ(s.map.At(200, 298), CubeValue(200, 298, 164, H - 5 - 36));
        EXPECT_EQ(s.map.At(200, 299), kUntouched);
    }
    {  // top: row 0 averages row 1 with the unvisited row above the picture
        CubeStep s;
        ASSERT_TRUE(s.Step(200, 5));
        EXPECT_EQ(s.map.At(200, 0), (Displacement{200 * 200 * 200 / 2, 0}));
        EXPECT_EQ(s.map.At(200, 1), CubeValue(200, 1, 164, -31));
    }
}

// A stroke whose renders are deferred leaves the map and, once the deferral
// ends, the picture exactly as a stroke rendered at every step does; in
// between the picture is untouched. Brushes and a whole-picture tool alike.
TEST(BrushStep, DeferredRendersGiveThePictureOfRenderedSteps)
{
    for (const int tool : {1019, 1030, 1105}) {
        SCOPED_TRACE(tool);
        brushtest::Canvas rendered(120, 90), deferred(120, 90);
        rendered.SetMap(brushtest::WavyMap(120, 90));
        deferred.SetMap(brushtest::WavyMap(120, 90));
        rendered.Select(tool);
        deferred.Select(tool);
        const std::vector<std::pair<int, int>> points{{30, 40}, {50, 45}, {80, 60}};
        rendered.Stroke(points, 5);
        const PackedPicture before = deferred.work.Display();
        deferred.work.DeferRenders(true);
        deferred.Stroke(points, 5);
        EXPECT_EQ(deferred.work.Display(), before);
        deferred.work.DeferRenders(false);
        EXPECT_EQ(deferred.map, rendered.map);
        EXPECT_EQ(deferred.work.Display(), rendered.work.Display());
    }
}
