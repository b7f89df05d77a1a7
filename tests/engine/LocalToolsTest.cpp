// What each brush tool does to the map, on worked examples. On an identity map
// the composition adds nothing, so a lattice pixel's new value is exactly the
// tool's offset there.

#include "BrushStepTestSupport.h"
#include "engine/LocalTools.h"

#include <gtest/gtest.h>

#include <cstdlib>

using brushtest::Canvas;
using brushtest::LinearMap;
using brushtest::WavyMap;

namespace {

constexpr int W = 412, H = 300;
// Medium sizes (R = 36 on 412 x 300).
constexpr int kZoomIn = 1020, kZoomInV = 1048, kZoomInH = 1051, kZoomOut = 1023, kZoomOutV = 1054, kZoomOutH = 1057,
              kZoom = 1026, kRotate = 1032, kMove = 1038, kUndo = 1035, kSmooth = 1029;

}  // namespace

TEST(LocalTools, ZoomFamilyOffsetsOnAStationaryStep)
{
    // One timer step at the click point: k = 2, s = 64. A pixel 10 to the right
    // of the centre has F = 63, so g = 8064 and 8064 * 10 / 4096 = 19.
    struct Case {
        int id;
        Displacement right, below;  // offsets at (+10, 0) and (0, +10)
    };
    const Case cases[] = {
        {kZoomIn, {-19, 0}, {0, -19}}, {kZoomOut, {19, 0}, {0, 19}}, {kZoomInH, {-19, 0}, {0, 0}},
        {kZoomInV, {0, 0}, {0, -19}},  {kZoomOutH, {19, 0}, {0, 0}}, {kZoomOutV, {0, 0}, {0, 19}},
    };
    for (const Case& c : cases) {
        Canvas canvas(W, H);
        canvas.Select(c.id);
        canvas.Hold(200, 150, 1);
        EXPECT_EQ(canvas.map.At(210, 150), c.right) << c.id;
        EXPECT_EQ(canvas.map.At(200, 160), c.below) << c.id;
        EXPECT_EQ(canvas.map.At(200, 150), (Displacement{0, 0})) << c.id;  // the centre gets no offset
    }
}

TEST(LocalTools, MoveDragsContentAlongThePointer)
{
    Canvas canvas(W, H);
    CTool* tool = canvas.Select(kMove);
    EXPECT_EQ(tool->Strength(), 42);
    canvas.Stroke({{200, 150}, {210, 150}});
    // Direction (64, 0), k = 10, F = 64 at the new centre: 64 * 42 * 640 / 4096 = 420.
    EXPECT_EQ(canvas.map.At(210, 150), (Displacement{-420, 0}));
    // 10 to the right of it F = 63: 64 * 42 * 630 / 4096 = 413.
    EXPECT_EQ(canvas.map.At(220, 150), (Displacement{-413, 0}));

    // The top row is never visited, so under the brush it loses its deformation;
    // the row below is moved.
    Canvas top(W, H);
    top.SetMap(WavyMap(W, H));
    const DisplacementMap before = top.map;
    top.Select(kMove);
    top.Stroke({{200, 10}, {210, 10}});
    EXPECT_EQ(top.map.At(210, 0), (Displacement{0, 0}));
    EXPECT_NE(top.map.At(210, 2), before.At(210, 2));
}

TEST(LocalTools, RotateTurnsByTheWeightAndTheButton)
{
    // s = 64, F = 63: angle = 32 * 4 * 63 / 2^18 radians.
    Canvas left(W, H);
    left.Select(kRotate);
    left.Hold(200, 150, 1);
    EXPECT_EQ(left.map.At(210, 150), (Displacement{0, -19}));
    EXPECT_EQ(left.map.At(200, 160), (Displacement{19, 0}));
    EXPECT_EQ(left.map.At(200, 150), (Displacement{0, 0}));

    Canvas right(W, H);
    CTool* tool = right.Select(kRotate);
    right.work.ButtonDown(200, 150, true);
    EXPECT_EQ(tool->TurnSign(), -1);
    right.work.TimerTick(200, 150);
    right.work.ButtonUp(true);
    EXPECT_EQ(tool->TurnSign(), 1);
    EXPECT_EQ(right.map.At(210, 150), (Displacement{0, 19}));
    EXPECT_EQ(right.map.At(200, 160), (Displacement{-19, 0}));
}

TEST(LocalTools, RotateAtStrength32AndUndoAtStrength0LeaveTheMap)
{
    for (int id : {kRotate, kUndo}) {
        Canvas canvas(W, H);
        canvas.SetMap(LinearMap(W, H));
        const DisplacementMap before = canvas.map;
        canvas.Select(id)->SetStrength(id == kRotate ? 32 : 0);
        canvas.Stroke({{200, 150}, {230, 140}, {180, 120}}, 3);
        EXPECT_EQ(canvas.map, before) << id;
    }
}

TEST(LocalTools, UndoPullsTowardZero)
{
    Canvas canvas(W, H);
    DisplacementMap constant(W, H);
    std::fill(constant.Elements().begin(), constant.Elements().end(), Displacement{640, -640});
    canvas.SetMap(constant);
    canvas.Select(kUndo);
    canvas.Hold(200, 150, 1);
    // g = 64 * 64 / 8 = 512: the offset is -640 * 512 / 4096 = -80.
    EXPECT_EQ(canvas.map.At(200, 150), (Displacement{560, -560}));
    Displacement previous = canvas.map.At(200, 150);
    for (int i = 0; i < 20; ++i) {
        canvas.Hold(200, 150, 1);
        const Displacement d = canvas.map.At(200, 150);
        EXPECT_LT(d.dx, previous.dx);
        EXPECT_GE(d.dx, 0);
        EXPECT_GT(d.dy, previous.dy);
        EXPECT_LE(d.dy, 0);
        previous = d;
    }
    EXPECT_LT(previous.dx, 100);
    EXPECT_GT(previous.dy, -100);
}

TEST(LocalTools, SmoothAveragesNeighboursAndCopiesNearTheBorder)
{
    Canvas canvas(W, H);
    DisplacementMap spikes(W, H);
    spikes.At(99, 100) = {64, 0};
    spikes.At(101, 100) = {128, 0};
    spikes.At(100, 99) = {0, 256};
    spikes.At(100, 101) = {0, -256};
    spikes.At(100, 100) = {1000, 1000};
    canvas.SetMap(spikes);
    canvas.Select(kSmooth);
    canvas.Hold(100, 100, 1);
    // At the centre l = 64: the mean of the four neighbours.
    EXPECT_EQ(canvas.map.At(100, 100), (Displacement{48, 0}));

    // Near the border the lattice pixels keep the map.
    Canvas edge(W, H);
    edge.SetMap(brushtest::NoisyMap(W, H));
    const DisplacementMap before = edge.map;
    edge.Select(kSmooth);
    edge.Hold(20, 20, 1);  // lattice columns and rows are even: 0, 2, 4, ...
    for (int y = 2; y < 40; y += 2) {
        EXPECT_EQ(edge.map.At(2, y), before.At(2, y)) << y;
        EXPECT_EQ(edge.map.At(y, 2), before.At(y, 2)) << y;
    }
    EXPECT_NE(edge.map.At(20, 20), before.At(20, 20));
}

TEST(LocalTools, ZoomTurnsAndPushesAcrossTheMotion)
{
    Canvas canvas(W, H);
    canvas.Select(kZoom);
    canvas.Stroke({{200, 150}, {210, 150}});
    // Direction (64, 0), k = 10: q = 320 at the centre, b = -320.
    EXPECT_EQ(canvas.map.At(210, 150), (Displacement{0, -213}));
    EXPECT_EQ(canvas.map.At(220, 150), (Displacement{1, -207}));
    EXPECT_EQ(canvas.map.At(210, 160), (Displacement{-2, -208}));
    // Where the rounding term of the turn decides.
    EXPECT_EQ(canvas.map.At(198, 150), (Displacement{-2, -206}));
    EXPECT_EQ(canvas.map.At(216, 142), (Displacement{2, -210}));
}

TEST(LocalTools, MoveAndZoomIgnoreAClickWithoutMovement)
{
    for (int id : {kMove, kZoom, 1037, 1039, 1025, 1027}) {
        Canvas canvas(W, H);
        canvas.SetMap(WavyMap(W, H));
        const DisplacementMap before = canvas.map;
        const PackedPicture shown = canvas.work.Display();
        canvas.Select(id);
        EXPECT_FALSE(canvas.work.ButtonDown(200, 150, false)) << id;  // no timer
        canvas.work.ButtonUp(false);
        EXPECT_EQ(canvas.map, before) << id;
        EXPECT_EQ(canvas.work.Display(), shown) << id;
    }
}

TEST(LocalTools, ShapeToolsPullOrPushAlongTheirTable)
{
    // Explosion (+1): targets nearer the centre; collapse (-1): farther out or
    // the centre itself.
    for (int id : {1073, 1093, 1070, 1079}) {
        Canvas canvas(W, H, 5);
        canvas.Select(id);
        canvas.Hold(200, 150, 2);
        auto* tool = dynamic_cast<CToolShape*>(canvas.table.Find(id));
        ASSERT_NE(tool, nullptr);
        const int D = tool->Diameter();
        ASSERT_EQ(tool->ShapeSize(), D);
        ASSERT_EQ(tool->ShapeTable().size(), size_t(D) * size_t(D));
        bool moved = false;
        for (const Displacement& d : canvas.map.Elements())
            moved = moved || d.dx != 0 || d.dy != 0;
        EXPECT_TRUE(moved) << id;
        // The sign of (2j - D) is that of the element's offset from the centre.
        int inward = 0, outward = 0;
        for (int i = 0; i < D; ++i)
            for (int j = 0; j < D; ++j) {
                const Displacement t = tool->ShapeTable()[size_t(i) * size_t(D) + size_t(j)];
                const int64_t along = int64_t(t.dx) * (2 * j - D) + int64_t(t.dy) * (2 * i - D);
                inward += along < 0;
                outward += along > 0;
                if (tool->ShapeParameters().sign > 0) {
                    EXPECT_LE(int64_t(t.dx) * (2 * j - D), 0) << id << ": " << i << "," << j;
                    EXPECT_LE(int64_t(t.dy) * (2 * i - D), 0) << id << ": " << i << "," << j;
                }
            }
        EXPECT_GT(inward, 0) << id;
        if (tool->ShapeParameters().sign < 0) {
            EXPECT_GT(outward, 0) << id;
        }
    }
}

TEST(LocalTools, ShapeOffsetsScaleTheTableElementOfEachPixel)
{
    // On an identity map one stationary step (k = 2, s = 64) leaves each lattice
    // pixel at F * 128 * T / 4096, T the table element of its offset (X, Y) and F
    // the falloff, written out here from trunc(64 exp(-i^2 / 1024)).
    static constexpr int kFalloff[64] = {64, 63, 63, 63, 63, 62, 61, 61, 60, 59, 58, 56, 55, 54, 52, 51,
                                         49, 48, 46, 44, 43, 41, 39, 38, 36, 34, 33, 31, 29, 28, 26, 25,
                                         23, 22, 20, 19, 18, 16, 15, 14, 13, 12, 11, 10, 9,  8,  8,  7,
                                         6,  6,  5,  5,  4,  4,  3,  3,  2,  2,  2,  2,  1,  1,  1,  1};
    for (int id : {1073, 1079}) {
        Canvas canvas(W, H, 11);
        auto* tool = dynamic_cast<CToolShape*>(canvas.Select(id));
        canvas.Hold(200, 150, 1);
        const int R = tool->Radius(), D = tool->Diameter();
        int nonzero = 0;
        for (int Y = -R; Y <= R - 3; Y += 2)  // the rows and columns copied back
            for (int X = -R; X <= R - 2; X += 2) {
                const int index = (X * X + Y * Y) * 64 / tool->Radius2();
                const int F = index < 64 ? kFalloff[index] : 0;
                const Displacement t = tool->ShapeTable()[size_t(Y + R) * size_t(D) + size_t(X + R)];
                const Displacement expected{F * 128 * t.dx / 4096, F * 128 * t.dy / 4096};
                ASSERT_EQ(canvas.map.At(200 + X, 150 + Y), expected) << id << ": " << X << "," << Y;
                nonzero += expected.dx != 0 || expected.dy != 0;
            }
        EXPECT_GT(nonzero, 100) << id;
    }
}

TEST(LocalTools, ShapeTableFollowsThePictureSize)
{
    // A table built for a small brush must not be indexed for a larger one.
    for (int id : {1071, 1076, 1086, 1096}) {
        Canvas canvas(412, 100, 3);
        auto* tool = dynamic_cast<CToolShape*>(canvas.Select(id));
        canvas.Stroke({{200, 50}, {220, 60}}, 2);
        ASSERT_EQ(tool->ShapeSize(), 51);
        const std::vector<Displacement> small = tool->ShapeTable();

        canvas.Resize(412, 412);
        canvas.Stroke({{200, 200}, {150, 260}, {411, 411}}, 2);
        EXPECT_EQ(tool->ShapeSize(), 207);
        EXPECT_EQ(tool->ShapeTable().size(), 207u * 207u);

        // Another picture with the same brush keeps the table.
        const std::vector<Displacement> large = tool->ShapeTable();
        canvas.Resize(412, 412);
        canvas.Stroke({{100, 100}}, 1);
        EXPECT_EQ(tool->ShapeTable(), large);
        EXPECT_NE(small.size(), large.size());
    }
}
