#include "engine/Rendering.h"

#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

bool SamePixel(const PackedPicture& a, int ax, int ay, const PackedPicture& b, int bx, int by)
{
    return std::equal(a.Pixel(ax, ay), a.Pixel(ax, ay) + 3, b.Pixel(bx, by));
}

}  // namespace

TEST(WorkingSize, LongerSideBecomes412)
{
    EXPECT_EQ(ComputeWorkingSize(1000, 500), (PictureSize{412, 206}));
    EXPECT_EQ(ComputeWorkingSize(500, 1000), (PictureSize{206, 412}));
    EXPECT_EQ(ComputeWorkingSize(300, 300), (PictureSize{412, 412}));
    // A sliver of a picture still gives a map that tools and renderers can use.
    EXPECT_EQ(ComputeWorkingSize(1000, 1), (PictureSize{412, kMinWorkingSide}));
    EXPECT_EQ(ComputeWorkingSize(1, 1000), (PictureSize{kMinWorkingSide, 412}));
    EXPECT_EQ(ComputeWorkingSize(0, 0), (PictureSize{kMinWorkingSide, kMinWorkingSide}));
}

TEST(FitPicture, SameSizeCopiesAndStridesArePadded)
{
    const PackedPicture src = testpics::Gradient(10, 7);
    EXPECT_EQ(src.Stride(), 32);
    EXPECT_EQ(PictureStride(4), 12);
    const PackedPicture out = FitPicture(src, 10, 7);
    // The row pair never starts above the second-last buffer row, so the last
    // buffer row (the top row) repeats the one below it.
    for (int r = 0; r < 7; ++r)
        EXPECT_TRUE(std::equal(out.BufferRow(r), out.BufferRow(r) + 30, src.BufferRow(std::min(r, 5)))) << r;
}

TEST(FitPicture, BlendsWithWeightsUpTo15)
{
    // A 2 x 2 picture fitted to 4 x 4: destination column 1 sits half way (fx = 8).
    PackedPicture src(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            std::fill_n(src.Pixel(x, y), 3, uint8_t(x == 1 ? 200 : 0));
    const PackedPicture out = FitPicture(src, 4, 4);
    // Buffer row 0, column 1: a = 0, b = 200, fx = 8, fy = 0: 200*8*15/225 = 106.
    EXPECT_EQ(out.BufferRow(0)[3], 106);
    // Weights run to 15, so even fx = 15 never reaches the right neighbour's full value.
    EXPECT_EQ(out.BufferRow(0)[0], 0);
}

TEST(FitPicture, OneRowAndOneColumnPicturesAreSafe)
{
    const PackedPicture row = testpics::Gradient(50, 1);
    const PackedPicture fitted = FitPicture(row, 412, 4);
    EXPECT_EQ(fitted.Height(), 4);
    const PackedPicture column = testpics::Gradient(1, 50);
    EXPECT_EQ(FitPicture(column, 4, 412).Width(), 4);
}

TEST(RenderQuick, OnePixelOffsetRoundsAtHalfPower)
{
    const PackedPicture src = testpics::Gradient(20, 10);
    DisplacementMap map(20, 10);
    map.At(5, 5) = {64, 0};
    for (auto [p, expected] : {std::pair{64, 6}, {32, 6}, {31, 5}}) {
        PackedPicture out(20, 10);
        ASSERT_TRUE(RenderRect(src, out, map.Ref(), Rect{0, 0, 20, 10}, p, false));
        EXPECT_TRUE(SamePixel(out, 5, 5, src, expected, 5)) << "p=" << p;
    }
}

TEST(RenderQuick, ZeroMapReproducesTheSourceExactly)
{
    const PackedPicture src = testpics::Noise(33, 17, 3);
    DisplacementMap map(33, 17);
    PackedPicture out(33, 17);
    ASSERT_TRUE(RenderRect(src, out, map.Ref(), Rect{0, 0, 33, 17}, 64, false));
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            EXPECT_TRUE(SamePixel(out, x, y, src, x, y));
}

TEST(RenderSmooth, ZeroMapKeepsBordersAndRepeatsColumnOne)
{
    const int W = 16, H = 12;
    const PackedPicture src = testpics::Noise(W, H, 7);
    DisplacementMap map(W, H);
    PackedPicture out(W, H);
    std::fill(out.Bits().begin(), out.Bits().end(), uint8_t(0xAB));
    ASSERT_TRUE(RenderRect(src, out, map.Ref(), Rect{0, 0, W, H}, 64, true));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const bool written = y >= 1 && y <= H - 3 && x <= W - 3;
            if (!written) {
                EXPECT_EQ(out.Pixel(x, y)[0], 0xAB) << x << "," << y;
            } else if (x == 0) {
                EXPECT_TRUE(SamePixel(out, 0, y, src, 1, y));
            } else {
                EXPECT_TRUE(SamePixel(out, x, y, src, x, y)) << x << "," << y;
            }
        }
    }
}

TEST(Render, FarOutsideSamplesTheNearestBorderPixel)
{
    const int W = 20, H = 20;
    const PackedPicture src = testpics::Noise(W, H, 9);
    DisplacementMap map(W, H);
    map.At(10, 10) = {64 * 1000, 0};
    map.At(11, 10) = {-64 * 1000, 0};
    map.At(10, 11) = {1 << 30, -(1 << 30)};  // products overflow 32 bits
    PackedPicture quick(W, H), smooth(W, H);
    ASSERT_TRUE(RenderRect(src, quick, map.Ref(), Rect{0, 0, W, H}, 64, false));
    ASSERT_TRUE(RenderRect(src, smooth, map.Ref(), Rect{0, 0, W, H}, 64, true));
    EXPECT_TRUE(SamePixel(quick, 10, 10, src, W - 1, 10));
    EXPECT_TRUE(SamePixel(quick, 11, 10, src, 0, 10));
    EXPECT_TRUE(SamePixel(quick, 10, 11, src, W - 1, 0));
    EXPECT_TRUE(SamePixel(smooth, 10, 10, src, W - 2, 10));
    EXPECT_TRUE(SamePixel(smooth, 11, 10, src, 1, 10));
    EXPECT_TRUE(SamePixel(smooth, 10, 11, src, W - 2, 1));
}

TEST(Render, MapOfAnotherSizeRendersNothing)
{
    const PackedPicture src = testpics::Noise(20, 10, 1);
    PackedPicture out(20, 10);
    const PackedPicture before = out;
    DisplacementMap wrong(10, 20);
    EXPECT_FALSE(RenderRect(src, out, wrong.Ref(), Rect{0, 0, 20, 10}, 64, true));
    EXPECT_FALSE(RenderRect(src, out, MapRef{}, Rect{0, 0, 20, 10}, 64, false));
    EXPECT_EQ(out, before);
}

TEST(Render, FastKernelsAgreeWithThePlainOnes)
{
    std::mt19937 rng(42);
    for (int round = 0; round < 40; ++round) {
        const int W = 4 + int(rng() % 60), H = 4 + int(rng() % 60);
        const PackedPicture src = testpics::Noise(W, H, rng());
        const DisplacementMap map = testpics::RandomMap(W, H, int(rng() % 4000), rng());
        DisplacementMap copy = map;
        const int p = int(rng() % 65);
        const Rect rect{int(rng() % (W + 10)) - 5, int(rng() % (H + 10)) - 5, int(rng() % (W + 10)),
                        int(rng() % (H + 10))};
        for (bool smooth : {false, true}) {
            PackedPicture fast = testpics::Noise(W, H, 5), plain = fast;
            ASSERT_TRUE(RenderRect(src, fast, copy.Ref(), rect, p, smooth));
            if (smooth)
                reference::RenderRectSmooth(src, plain, copy.Ref(), rect, p);
            else
                reference::RenderRectQuick(src, plain, copy.Ref(), rect, p);
            ASSERT_EQ(fast, plain) << "round " << round << " smooth " << smooth;
        }
    }
}
