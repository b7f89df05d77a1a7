// The freeze mask: how it scales tool steps, the mask brush and reconstruct.
#include "engine/FreezeMask.h"
#include "engine/GlobalTools.h"
#include "engine/LocalTools.h"
#include "engine/MaskBrush.h"
#include "engine/Tool.h"

#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr int W = 120, H = 90;

// A mask whose values run through 0..64 with every value present, including
// long runs of 0 and 64.
FreezeMask StripedMask(int w, int h)
{
    FreezeMask mask(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mask.At(x, y) = x < w / 3 ? 0 : (x < 2 * w / 3 ? uint8_t((x + 7 * y) % 65) : 64);
    return mask;
}

// The map a brush step leaves with and without a mask, from the same start.
struct BrushPair {
    DisplacementMap plain;
    DisplacementMap masked;
};

BrushPair ZoomSteps(const FreezeMask* mask)
{
    const DisplacementMap start = testpics::RandomMap(W, H, 300, 11);
    BrushPair out{start, start};
    CTool_ZoomIn plainTool(0, 0, 25), maskedTool(0, 0, 25);
    plainTool.SetPictureSize(W, H);
    maskedTool.SetPictureSize(W, H);
    std::vector<Displacement> s1 = plainTool.CreateScratch(), s2 = maskedTool.CreateScratch();
    // Each masked step reads the map the previous masked step left, so the
    // masked map is compared step by step against one plain step from it.
    EXPECT_TRUE(BrushStep(plainTool, out.plain.Ref(), s1, 60, 45, W, H));
    EXPECT_TRUE(BrushStep(maskedTool, out.masked.Ref(), s2, 60, 45, W, H, mask));
    return out;
}

}  // namespace

TEST(FreezeMask, EachComponentsChangeIsScaledAndTruncatedTowardZero)
{
    // (100, 63) * 48 / 64 = (75, 47.25).
    EXPECT_EQ(FrozenValue({100, -100}, {200, -37}, 16), (Displacement{175, -53}));
    // -3 * 32 / 64 = -1.5 truncates to -1 (flooring would give -2).
    EXPECT_EQ(FrozenValue({0, 5}, {-3, 8}, 32), (Displacement{-1, 6}));
    EXPECT_EQ(FrozenValue({9, 9}, {-40, 70}, 0), (Displacement{-40, 70}));
    EXPECT_EQ(FrozenValue({9, 9}, {-40, 70}, 64), (Displacement{9, 9}));
    // The extremes of the map's range do not overflow.
    EXPECT_EQ(FrozenValue({INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}, 32), (Displacement{-1, 0}));
}

TEST(FreezeMask, FastRowAgreesWithTheReference)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> value(-100000, 100000);
    std::uniform_int_distribution<int> m(0, 64), kind(0, 2);
    for (int round = 0; round < 50; ++round) {
        const size_t n = size_t(1 + round * 7);
        std::vector<Displacement> row(n), candidates(n);
        std::vector<uint8_t> mask(n);
        for (size_t i = 0; i < n; ++i) {
            row[i] = {value(rng), value(rng)};
            candidates[i] = {value(rng), value(rng)};
            const int k = kind(rng);  // runs of 0 and 64 as well as values between
            mask[i] = uint8_t(k == 0 ? 0 : (k == 1 ? 64 : m(rng)));
        }
        std::vector<Displacement> fast = row, plain = row;
        ApplyFreezeRow(fast.data(), candidates.data(), mask.data(), n);
        reference::ApplyFreezeRow(plain.data(), candidates.data(), mask.data(), n);
        ASSERT_EQ(fast, plain) << "round " << round;
    }
}

TEST(FreezeMask, NoMaskAndAClearMaskLeaveStepsBitIdentical)
{
    const FreezeMask clear(W, H);
    const FreezeMask otherSize = StripedMask(W + 1, H);
    for (const FreezeMask* mask : {&clear, &otherSize}) {
        const BrushPair brush = ZoomSteps(mask);
        EXPECT_EQ(brush.masked, brush.plain);
    }
    DisplacementMap a = testpics::RandomMap(W, H, 300, 3), b = a;
    CTool_GlZoom zoom(0, 0);
    zoom.SetPictureSize(W, H);
    zoom.Prepare(30, 20, W, H);
    std::vector<Displacement> scratch = zoom.CreateScratch();
    ASSERT_TRUE(GlobalStep(zoom, a.Ref(), scratch, W, H));
    ASSERT_TRUE(GlobalStep(zoom, b.Ref(), scratch, W, H, &clear));
    EXPECT_EQ(a, b);
}

TEST(FreezeMask, BrushAndWholePictureStepsGoThroughTheMask)
{
    const FreezeMask mask = StripedMask(W, H);
    const DisplacementMap start = testpics::RandomMap(W, H, 300, 11);
    const BrushPair brush = ZoomSteps(&mask);
    ASSERT_NE(brush.plain, start);
    int changedUnderPartialMask = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Displacement want = FrozenValue(start.At(x, y), brush.plain.At(x, y), mask.At(x, y));
            ASSERT_EQ(brush.masked.At(x, y), want) << x << "," << y;
            changedUnderPartialMask += (mask.At(x, y) % 64 != 0 && want != start.At(x, y)) ? 1 : 0;
        }
    EXPECT_GT(changedUnderPartialMask, 100);

    DisplacementMap plain = start, masked = start;
    CTool_GlTornado tornado(0, 0);
    tornado.SetPictureSize(W, H);
    tornado.Prepare(50, 40, W, H);
    std::vector<Displacement> scratch = tornado.CreateScratch();
    ASSERT_TRUE(GlobalStep(tornado, plain.Ref(), scratch, W, H));
    ASSERT_TRUE(GlobalStep(tornado, masked.Ref(), scratch, W, H, &mask));
    ASSERT_NE(plain, start);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(masked.At(x, y), FrozenValue(start.At(x, y), plain.At(x, y), mask.At(x, y))) << x << "," << y;
}

TEST(FreezeMask, ResamplingTakesTheNearestElementAndClampsValues)
{
    const FreezeMask mask(4, 2, {0, 10, 20, 30, 40, 50, 60, 200});
    EXPECT_EQ(mask.At(3, 1), 64);
    const FreezeMask wide = mask.Resampled(8, 1);
    EXPECT_EQ(wide.Values(), (std::vector<uint8_t>{0, 0, 10, 10, 20, 20, 30, 30}));
    const FreezeMask small = mask.Resampled(2, 2);
    EXPECT_EQ(small.Values(), (std::vector<uint8_t>{0, 20, 40, 60}));
    EXPECT_TRUE(FreezeMask().Resampled(5, 5).Empty());
    EXPECT_TRUE(FreezeMask(3, 3).AllClear());
    EXPECT_FALSE(mask.AllClear());
}

TEST(MaskBrush, ADabPaintsByTheFalloffAndErasesByItsStrength)
{
    FreezeMask mask(20, 20);
    const Rect rect = PaintMaskDab(mask, MaskBrush{4, 64, false}, 10, 10);
    EXPECT_EQ(rect, (Rect{6, 6, 15, 15}));
    EXPECT_EQ(mask.At(10, 10), 64);
    // d2 = 4: Falloff(4 * 64 / 16) = trunc(64 exp(-256 / 1024)) = 49.
    EXPECT_EQ(mask.At(12, 10), 49);
    // d2 = 16 = r^2 lies outside the disc.
    EXPECT_EQ(mask.At(14, 10), 0);
    EXPECT_EQ(mask.At(13, 10), 18);  // d2 = 9: Falloff(36) = 18
    // Strength 32 halves the weight: 32 * 18 / 64 = 9 more; 49 + 24 is capped at 64.
    PaintMaskDab(mask, MaskBrush{4, 32, false}, 10, 10);
    EXPECT_EQ(mask.At(13, 10), 27);
    EXPECT_EQ(mask.At(12, 10), 64);
    PaintMaskDab(mask, MaskBrush{4, 32, true}, 10, 10);
    EXPECT_EQ(mask.At(10, 10), 32);
    EXPECT_EQ(mask.At(12, 10), 40);
    EXPECT_EQ(mask.At(13, 10), 18);
    // A dab at the corner is clipped; one far outside touches nothing.
    EXPECT_EQ(PaintMaskDab(mask, MaskBrush{3, 64, false}, 0, 0), (Rect{0, 0, 4, 4}));
    EXPECT_TRUE(PaintMaskDab(mask, MaskBrush{3, 64, false}, -100, 5).IsEmpty());
    EXPECT_TRUE(PaintMaskDab(mask, MaskBrush{3, 64, false}, INT32_MAX, INT32_MIN).IsEmpty());
}

TEST(MaskBrush, ASegmentDabsEveryHalfRadiusAndEndsOnItsLastPoint)
{
    // Radius 0: each dab marks its centre only, so the positions can be read.
    FreezeMask mask(8, 4);
    const Rect rect = PaintMaskSegment(mask, MaskBrush{0, 64, false}, 0, 0, 5, 2);
    EXPECT_EQ(rect, (Rect{0, 0, 6, 3}));
    // k = 5 / 1 + 1 = 6: x = 5i/6 = 0..5, y = 2i/6 = 0 0 1 1 1 2.
    const std::vector<uint8_t> want{64, 64, 0,  0,  0,  0,  0, 0,  //
                                    0,  0,  64, 64, 64, 0,  0, 0,  //
                                    0,  0,  0,  0,  0,  64, 0, 0,  //
                                    0,  0,  0,  0,  0,  0,  0, 0};
    EXPECT_EQ(mask.Values(), want);

    // Radius 4 spaces the dabs 2 apart: 6 / 2 + 1 = 4 dabs at x = 11, 13, 14, 16.
    FreezeMask line(30, 3);
    PaintMaskSegment(line, MaskBrush{4, 64, false}, 10, 1, 16, 1);
    // Only the dab at 11 reaches 9 and 8 (d2 = 4 and 9: weights 49 and 18), only
    // the one at 16 reaches 19; no dab sits at 10.
    EXPECT_EQ(line.At(9, 1), 49);
    EXPECT_EQ(line.At(8, 1), 18);
    EXPECT_EQ(line.At(7, 1), 0);
    EXPECT_EQ(line.At(19, 1), 18);
    EXPECT_EQ(line.At(20, 1), 0);
}

TEST(Reconstruct, MovesEachComponentTowardZeroByThePercentage)
{
    DisplacementMap map(3, 1);
    map.At(0, 0) = {100, -100};
    map.At(1, 0) = {7, -7};
    map.At(2, 0) = {INT32_MIN, INT32_MAX};
    DisplacementMap half = map;
    ReconstructMap(half.Ref(), 50, nullptr);
    // 7 - trunc(3.5) = 4, -7 - trunc(-3.5) = -4.
    EXPECT_EQ(half.At(0, 0), (Displacement{50, -50}));
    EXPECT_EQ(half.At(1, 0), (Displacement{4, -4}));
    EXPECT_EQ(half.At(2, 0), (Displacement{-1073741824, 1073741824}));
    DisplacementMap all = map, none = map;
    ReconstructMap(all.Ref(), 100, nullptr);
    ReconstructMap(none.Ref(), 0, nullptr);
    EXPECT_EQ(all, DisplacementMap(3, 1));
    EXPECT_EQ(none, map);

    // Through a mask: frozen, half frozen (-50 * 32 / 64 = -25), free.
    const FreezeMask mask(3, 1, {64, 32, 0});
    DisplacementMap masked(3, 1);
    for (int x = 0; x < 3; ++x)
        masked.At(x, 0) = {100, -100};
    ReconstructMap(masked.Ref(), 50, &mask);
    EXPECT_EQ(masked.At(0, 0), (Displacement{100, -100}));
    EXPECT_EQ(masked.At(1, 0), (Displacement{75, -75}));
    EXPECT_EQ(masked.At(2, 0), (Displacement{50, -50}));
}
