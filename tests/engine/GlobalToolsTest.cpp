// The deterministic whole-picture fields, checked against hand-worked values.
#include "engine/GlobalTools.h"
#include "engine/WorkPicture.h"

#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

template <class Tool>
std::unique_ptr<Tool> Prepared(int cx, int cy, int W, int H, int strength = 64)
{
    auto tool = std::make_unique<Tool>(0, 0);
    tool->SetStrength(strength);
    tool->SetPictureSize(W, H);
    tool->Prepare(cx, cy, W, H);
    return tool;
}

template <class T>
Displacement FieldAt(const std::unique_ptr<T>& tool, int x, int y, int W)
{
    return tool->Field()[size_t(y) * W + x];
}

bool AllZero(const std::vector<Displacement>& field)
{
    for (const Displacement& e : field)
        if (e != Displacement{})
            return false;
    return true;
}

}  // namespace

TEST(GlZoom, WorkedExampleAndOppositeShrink)
{
    const int W = 400, H = 300;
    auto zoom = Prepared<CTool_GlZoom>(300, 150, W, H);
    ASSERT_EQ(zoom->Field().size(), size_t(W * H));
    // Pixel (200, 150) sits where e = 4096; the click is 100 pixels to its right.
    EXPECT_EQ(FieldAt(zoom, 200, 150, W), (Displacement{1024, 0}));
    // Truncation toward zero for negative offsets.
    auto zoom2 = Prepared<CTool_GlZoom>(123, 77, W, H);
    EXPECT_EQ(FieldAt(zoom2, 300, 200, W), (Displacement{-1189, -1102}));
    auto shrink = Prepared<CTool_GlShrink>(123, 77, W, H);
    EXPECT_EQ(FieldAt(shrink, 300, 200, W), (Displacement{1189, 1102}));
    EXPECT_EQ(FieldAt(zoom2, 230, 170, W), (Displacement{-1028, -1191}));
}

TEST(GlZoom, StrengthZeroGivesZeroFieldThatChangesNothing)
{
    const int W = 60, H = 40;
    auto zoom = Prepared<CTool_GlZoom>(10, 30, W, H, 0);
    EXPECT_TRUE(AllZero(zoom->Field()));
    DisplacementMap map = testpics::RandomMap(W, H, 500, 7);
    const DisplacementMap before = map;
    std::vector<Displacement> scratch = zoom->CreateScratch();
    ASSERT_TRUE(GlobalStep(*zoom, map.Ref(), scratch, W, H));
    EXPECT_EQ(map, before);
}

TEST(WindowedFields, ZeroInFirstRowAndColumnAndInLastOnlyFromSide255)
{
    // 254 wide: p[253] = -253*256/254^2 = -1; 255 high: q[254] truncates to 0.
    const int W = 254, H = 255;
    auto check = [&](std::unique_ptr<CToolGlobal> tool, const char* name) {
        SCOPED_TRACE(name);
        bool lastColumnNonZero = false;
        for (int y = 0; y < H; ++y) {
            EXPECT_EQ(FieldAt(tool, 0, y, W), Displacement{});
            lastColumnNonZero |= FieldAt(tool, W - 1, y, W) != Displacement{};
        }
        for (int x = 0; x < W; ++x) {
            EXPECT_EQ(FieldAt(tool, x, 0, W), Displacement{});
            EXPECT_EQ(FieldAt(tool, x, H - 1, W), Displacement{});
        }
        EXPECT_TRUE(lastColumnNonZero);
    };
    check(Prepared<CTool_GlZoom>(20, 30, W, H), "zoom");
    check(Prepared<CTool_GlShrink>(20, 30, W, H), "shrink");
    check(Prepared<CTool_GlTornado>(20, 30, W, H), "tornado");
    check(Prepared<CTool_GlWave>(20, 30, W, H), "wave");
}

TEST(GlTornado, TurnsTruncatingTowardZeroAndNotAtAllAtStrength32)
{
    const int W = 400, H = 300;
    // At the centre e = 4096 and s = 64: the angle is 2^-5 radian.
    auto tornado = Prepared<CTool_GlTornado>(220, 150, W, H);
    // dx = trunc(-0.625), dy = trunc(-39.99): toward zero, not down.
    EXPECT_EQ(FieldAt(tornado, 200, 150, W), (Displacement{0, -39}));
    auto tornado2 = Prepared<CTool_GlTornado>(200, 150, W, H);
    EXPECT_EQ(FieldAt(tornado2, 230, 170, W), (Displacement{-36, 56}));
    EXPECT_EQ(FieldAt(tornado2, 200, 150, W), Displacement{});  // the click pixel

    EXPECT_TRUE(AllZero(Prepared<CTool_GlTornado>(37, 250, W, H, 32)->Field()));
    // Below 32 the turn goes the other way.
    auto back = Prepared<CTool_GlTornado>(220, 150, W, H, 0);
    EXPECT_EQ(FieldAt(back, 200, 150, W), (Displacement{0, 39}));
}

TEST(GlWave, RingsAroundTheClickPoint)
{
    const int W = 400, H = 300;
    auto wave = Prepared<CTool_GlWave>(220, 150, W, H);
    EXPECT_EQ(FieldAt(wave, 200, 150, W), (Displacement{48, 0}));
    EXPECT_EQ(FieldAt(wave, 220, 150, W), Displacement{});  // the click pixel
    auto wave2 = Prepared<CTool_GlWave>(200, 150, W, H);
    EXPECT_EQ(FieldAt(wave2, 230, 170, W), (Displacement{62, 55}));
    auto wave3 = Prepared<CTool_GlWave>(123, 77, W, H);
    EXPECT_EQ(FieldAt(wave3, 300, 200, W), (Displacement{-42, -38}));
    EXPECT_TRUE(AllZero(Prepared<CTool_GlWave>(50, 60, W, H, 0)->Field()));
}

TEST(BlotFrame, CentresTheFrameOnTheClickPoint)
{
    const BlotFrame centre = BlotFrame::Around(200, 150, 400, 300);
    EXPECT_EQ(centre.d, 400);
    EXPECT_EQ(centre.g, 300);
    EXPECT_EQ(centre.columnShift, 0);
    EXPECT_EQ(centre.rowShift, 0);

    for (int cx : {0, 1, 57, 199, 201, 399, -30, 450}) {
        for (int cy : {0, 88, 150, 299, -10, 320}) {
            const BlotFrame f = BlotFrame::Around(cx, cy, 400, 300);
            EXPECT_EQ(cx + f.columnShift, f.d / 2) << cx;
            EXPECT_EQ(cy + f.rowShift, f.g / 2) << cy;
            EXPECT_GE(f.d, 400);
            EXPECT_GE(f.g, 300);
            // The picture lies inside the frame.
            EXPECT_GE(f.columnShift, 0);
            EXPECT_LE(400 + f.columnShift, f.d);
        }
    }
    // Click right of the middle: the frame starts at the picture's left edge.
    const BlotFrame right = BlotFrame::Around(300, 100, 400, 300);
    EXPECT_EQ(right.d, 600);
    EXPECT_EQ(right.columnShift, 0);
    EXPECT_EQ(right.g, 400);
    EXPECT_EQ(right.rowShift, 100);
}

TEST(GlZoom, ClickAndHoldChangesTheMapOncePerTick)
{
    const int W = 80, H = 60;
    WorkPicture work;
    work.SetPicture(testpics::Gradient(W, H));
    DisplacementMap map(W, H);
    work.AttachMap(map.Ref());
    CTool_GlZoom zoom(292, 1105);
    zoom.SetPictureSize(W, H);
    work.SetActiveTool(&zoom);

    // Released before the first tick: nothing changes.
    EXPECT_TRUE(work.ButtonDown(30, 20, false));
    work.ButtonUp(false);
    EXPECT_EQ(map, DisplacementMap(W, H));
    EXPECT_EQ(work.Display(), work.Source());

    EXPECT_TRUE(work.ButtonDown(30, 20, false));
    EXPECT_EQ(map, DisplacementMap(W, H));
    const std::vector<Displacement> field = zoom.Field();
    EXPECT_FALSE(work.TimerTick(30, 20).IsEmpty());
    // The first step composes the field with the identity: the map takes the
    // field (the last column and row sample one in from the border).
    for (int y = 0; y < H - 1; ++y)
        for (int x = 0; x < W - 1; ++x)
            ASSERT_EQ(map.At(x, y), field[size_t(y) * W + x]) << x << "," << y;
    const DisplacementMap once = map;
    work.TimerTick(70, 50);  // the pointer's position does not matter
    EXPECT_NE(map, once);
    work.ButtonUp(false);
    EXPECT_NE(work.Display(), work.Source());
}
