// Properties every whole-picture tool must keep, and seeded replay of the random ones.
#include "engine/GlobalTools.h"
#include "engine/RadialShape.h"
#include "engine/ToolTable.h"

#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

const int kGlobalIds[] = {1090, 1105, 1094, 1097, 1100, 1099, 1102, 1121, 1109, 1122};
const int kRandomIds[] = {1097, 1099, 1102, 1121, 1109, 1122};

// The strength at which a tool's field is all zero (tornado turns by s - 32).
int NeutralStrength(int id)
{
    return id == 1094 ? 32 : 0;
}

// A map with guard elements on both sides, to see any write outside it.
struct GuardedMap {
    static constexpr int kGuard = 64;
    GuardedMap(int w, int h) : width(w), height(h), buffer(size_t(w) * h + 2 * kGuard, kSentinel)
    {
        std::fill(buffer.begin() + kGuard, buffer.end() - kGuard, Displacement{});
    }
    MapRef Ref() { return MapRef{buffer.data() + kGuard, width, height}; }
    bool GuardsIntact() const
    {
        for (int i = 0; i < kGuard; ++i)
            if (buffer[size_t(i)] != kSentinel || buffer[buffer.size() - 1 - size_t(i)] != kSentinel)
                return false;
        return true;
    }
    static constexpr Displacement kSentinel{0x5a5a5a5a, -0x5a5a5a5a};
    int width, height;
    std::vector<Displacement> buffer;
};

// One stroke of the tool: click at (cx, cy), then `ticks` whole-picture steps.
bool Stroke(CTool& tool, MapRef map, int cx, int cy, int W, int H, int ticks)
{
    tool.SetPictureSize(W, H);
    std::vector<Displacement> scratch = tool.CreateScratch();
    tool.Prepare(cx, cy, W, H);
    bool stepped = true;
    for (int i = 0; i < ticks; ++i)
        stepped = GlobalStep(tool, map, scratch, W, H) && stepped;
    tool.EndStroke();
    return stepped;
}

class EveryGlobalTool : public ::testing::TestWithParam<int> {
protected:
    CTool& Tool() { return *table.Find(GetParam()); }
    RandomSource random{12345};
    ToolTable table{&random};
};

}  // namespace

TEST_P(EveryGlobalTool, NeutralStrengthLeavesTheMapUnchanged)
{
    const int W = 64, H = 48;
    CTool& tool = Tool();
    ASSERT_TRUE(tool.IsGlobal());
    tool.SetStrength(NeutralStrength(GetParam()));
    DisplacementMap map = testpics::RandomMap(W, H, 300, 3);
    const DisplacementMap before = map;
    EXPECT_TRUE(Stroke(tool, map.Ref(), 20, 17, W, H, 3));
    EXPECT_EQ(map, before);
}

TEST_P(EveryGlobalTool, StrokesStayInsideTheMapFromAnyClick)
{
    const int W = 72, H = 50;
    const int clicks[][2] = {{0, 0},         {W - 1, 0}, {0, H - 1},       {W - 1, H - 1},
                             {W / 2, H / 2}, {-40, -25}, {W + 60, H + 35}, {-5, H + 200}};
    for (const auto& c : clicks) {
        SCOPED_TRACE(testing::Message() << "click " << c[0] << "," << c[1]);
        GuardedMap map(W, H);
        EXPECT_TRUE(Stroke(Tool(), map.Ref(), c[0], c[1], W, H, 4));
        EXPECT_TRUE(map.GuardsIntact());
    }
}

TEST_P(EveryGlobalTool, StepAgainstAMapOfAnotherSizeDoesNothing)
{
    CTool& tool = Tool();
    tool.SetPictureSize(50, 40);
    std::vector<Displacement> scratch = tool.CreateScratch();
    tool.Prepare(10, 10, 50, 40);
    DisplacementMap other(40, 50);
    EXPECT_FALSE(GlobalStep(tool, other.Ref(), scratch, 40, 50));
    EXPECT_FALSE(GlobalStep(tool, other.Ref(), scratch, 50, 40));
    EXPECT_EQ(other, DisplacementMap(40, 50));
    tool.EndStroke();
    // After button-up the field is gone: a late step changes nothing.
    DisplacementMap map(50, 40);
    EXPECT_FALSE(GlobalStep(tool, map.Ref(), scratch, 50, 40));
    EXPECT_EQ(map, DisplacementMap(50, 40));
}

TEST_P(EveryGlobalTool, TinyAndThinPicturesAreSafe)
{
    const int sizes[][2] = {{4, 4}, {412, 4}, {4, 412}, {2, 2}, {1, 1}, {1, 30}, {3, 2}, {0, 0}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
        const int W = s[0], H = s[1];
        for (const auto& c :
             {std::pair{0, 0}, std::pair{W / 2, H / 2}, std::pair{W - 1, H - 1}, std::pair{W + 9, -9}}) {
            GuardedMap map(W, H);
            Stroke(Tool(), map.Ref(), c.first, c.second, W, H, 2);
            EXPECT_TRUE(map.GuardsIntact());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(GlobalTools, EveryGlobalTool, ::testing::ValuesIn(kGlobalIds));

namespace {

std::vector<Displacement> SeededStroke(int id, uint32_t seed, int W, int H, int cx, int cy)
{
    RandomSource random(seed);
    ToolTable table(&random);
    DisplacementMap map(W, H);
    Stroke(*table.Find(id), map.Ref(), cx, cy, W, H, 2);
    return map.Elements();
}

class RandomGlobalTool : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(RandomGlobalTool, SameSeedReplaysDifferentSeedDiffers)
{
    const int W = 120, H = 90;
    const std::vector<Displacement> a = SeededStroke(GetParam(), 7, W, H, 80, 30);
    EXPECT_EQ(a, SeededStroke(GetParam(), 7, W, H, 80, 30));
    EXPECT_NE(a, SeededStroke(GetParam(), 8, W, H, 80, 30));
    EXPECT_NE(a, std::vector<Displacement>(a.size()));
    // The generator runs on: the next click of the same tool draws a new field.
    RandomSource random(7);
    ToolTable table(&random);
    auto& tool = static_cast<CToolGlobal&>(*table.Find(GetParam()));
    tool.Prepare(80, 30, W, H);
    const std::vector<Displacement> first = tool.Field();
    tool.EndStroke();
    tool.Prepare(80, 30, W, H);
    EXPECT_NE(tool.Field(), first);
}

INSTANTIATE_TEST_SUITE_P(GlobalTools, RandomGlobalTool, ::testing::ValuesIn(kRandomIds));

TEST(GlRipples, OffsetsKeepEverySampleInsideThePicture)
{
    const int W = 200, H = 150;
    RandomSource random(5);
    CTool_GlRipples ripples(286, 1099);
    ripples.SetRandom(&random);
    ripples.SetPictureSize(W, H);
    ripples.Prepare(10, 10, W, H);
    const std::vector<Displacement>& f = ripples.Field();
    int largest = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Displacement e = f[size_t(y) * W + x];
            // At strength 64 the element is the whole-pixel offset itself.
            EXPECT_GE(x + e.dx, 0);
            EXPECT_LE(x + e.dx, W - 1);
            EXPECT_GE(y + e.dy, 0);
            EXPECT_LE(y + e.dy, H - 1);
            largest = std::max({largest, std::abs(e.dx), std::abs(e.dy)});
        }
    // c = 15: node values of up to 256 move a pixel up to 256 * 15 / 8 / 16 = 30 pixels.
    EXPECT_GT(largest, 5);
    EXPECT_LE(largest, 30);
}

TEST(GlRipples, PicturesUnderTenPixelsGetNoRipples)
{
    CTool_GlRipples ripples(286, 1099);
    ripples.Prepare(2, 2, 412, 9);  // c = 9 / 10 = 0
    for (const Displacement& e : ripples.Field())
        EXPECT_EQ(e, Displacement{});
}

TEST(GlBlot, CentredClickUsesPixelCoordinatesAsFrameCoordinates)
{
    const int W = 120, H = 80;
    RandomSource random(3);
    CTool_GlBlot blot(284, 1102);
    blot.SetRandom(&random);
    blot.Prepare(W / 2, H / 2, W, H);
    // The same numbers build the same star in a W x H frame.
    random.Seed(3);
    RadialShape shape;
    shape.Build(W, +1, 6400, 9, [&] { return random.Next(); });
    for (int y = 0; y < H; y += 3)
        for (int x = 0; x < W; x += 3)
            EXPECT_EQ(blot.Field()[size_t(y) * W + x], shape.Element(x, y, W, H)) << x << "," << y;
}
