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

TEST(FitPicture, OneRowAndOneColumnPicturesRepeatTheirOnlyLine)
{
    // A one-row picture blends its row with itself: every output row is the same,
    // and with fy's weights summing to 15 the value is (a(15 - fx) + b fx) / 15.
    PackedPicture row(50, 1);
    for (int x = 0; x < 50; ++x)
        std::fill_n(row.Pixel(x, 0), 3, uint8_t(4 * x));
    const PackedPicture wide = FitPicture(row, 412, 4);
    for (int y = 0; y < 4; ++y) {
        // Column 1: sx = 50 x 16 / 412 = 1, so (0 x 14 + 4 x 1) / 15 = 0.
        EXPECT_EQ(wide.Pixel(1, y)[0], 0) << y;
        // Column 100: sx = 80000 / 412 = 194, x0 = 12, fx = 2: (48 x 13 + 52 x 2) / 15 = 48.
        EXPECT_EQ(wide.Pixel(100, y)[0], 48) << y;
        // Column 411: sx = 798, x0 = 49, fx = 14, the right neighbour limited to column 49.
        EXPECT_EQ(wide.Pixel(411, y)[2], 196) << y;
    }
    // A one-column picture: the right neighbour is the column itself.
    PackedPicture column(1, 50);
    for (int y = 0; y < 50; ++y)
        std::fill_n(column.Pixel(0, y), 3, uint8_t(200 - 3 * y));
    const PackedPicture tall = FitPicture(column, 4, 412);
    // Buffer row 0 is picture row 49 (53); buffer row 100: sy = 194, rows 12 and 13
    // from the bottom (picture rows 37 and 36: 89 and 92), fy = 2: (89 x 13 + 92 x 2) / 15 = 89.
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(tall.BufferRow(0)[3 * x], 53) << x;
        EXPECT_EQ(tall.BufferRow(100)[3 * x + 1], 89) << x;
    }
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

// The smooth blend worked by hand: a black picture with four chosen neighbours
// around one sampling position, and one map element pointing there.
namespace {

struct SmoothCase {
    int x, y, dx, dy, p;  // the rendered pixel, its map element and the power
    int column, row;      // the sampled upper left neighbour (v, A)
    uint8_t a, b, c, d;   // s(v, A), s(v+1, A), s(v, A+1), s(v+1, A+1)
    int expected;
};

int SmoothPixel(const SmoothCase& k)
{
    const int W = 10, H = 9;
    PackedPicture src(W, H);
    std::fill_n(src.Pixel(k.column, k.row), 3, k.a);
    std::fill_n(src.Pixel(k.column + 1, k.row), 3, k.b);
    std::fill_n(src.Pixel(k.column, k.row + 1), 3, k.c);
    std::fill_n(src.Pixel(k.column + 1, k.row + 1), 3, k.d);
    DisplacementMap map(W, H);
    map.At(k.x, k.y) = {k.dx, k.dy};
    PackedPicture fast(W, H), plain(W, H);
    EXPECT_TRUE(RenderRect(src, fast, map.Ref(), Rect{k.x, k.y, k.x + 1, k.y + 1}, k.p, true));
    reference::RenderRectSmooth(src, plain, map.Ref(), Rect{k.x, k.y, k.x + 1, k.y + 1}, k.p);
    EXPECT_EQ(fast.Pixel(k.x, k.y)[1], plain.Pixel(k.x, k.y)[1]);
    return plain.Pixel(k.x, k.y)[1];
}

}  // namespace

TEST(RenderSmooth, BlendAtFractionalPositionsWorkedByHand)
{
    const SmoothCase cases[] = {
        // fx = fy = 32: weights 31x31, 32x31, 31x32, 32x32; 255 x 1024 / 3969 = 65
        // (weights 0..64 over 4096 would give 63).
        {3, 3, 32, 32, 64, 3, 3, 0, 0, 0, 255, 65},
        // The same position, every corner lit: (10x961 + 20x992 + 30x992 + 250x1024) / 3969 = 79.
        {3, 3, 32, 32, 64, 3, 3, 10, 20, 30, 250, 79},
        // fx = 10, fy = 50: weights 53x13, 10x13, 53x50, 10x50:
        // (200x689 + 40x130 + 0x2650 + 120x500) / 3969 = 203000 / 3969 = 51.
        {5, 2, 10, 50, 64, 5, 2, 200, 40, 0, 120, 51},
        // Power 40: X = (8192 + 40x50) / 64 = 159 (v 2, fx 31), Y = (12288 - 40x30) / 64 = 173
        // (A 2, fy 45): (90x576 + 180x558 + 30x1440 + 250x1395) / 3969 = 544230 / 3969 = 137.
        {2, 3, 50, -30, 40, 2, 2, 90, 180, 30, 250, 137},
        // fx = 63, fy = 0: all the weight (63 x 63) is on the right neighbour.
        {4, 4, 63, 0, 64, 4, 4, 17, 200, 99, 99, 200},
    };
    for (const SmoothCase& k : cases)
        EXPECT_EQ(SmoothPixel(k), k.expected) << k.x << "," << k.y << " p " << k.p;
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
            PackedPicture plain = testpics::Noise(W, H, 5);
            if (smooth)
                reference::RenderRectSmooth(src, plain, copy.Ref(), rect, p);
            else
                reference::RenderRectQuick(src, plain, copy.Ref(), rect, p);
            for (LaneKernel kernel : {LaneKernel::Widest, LaneKernel::Baseline}) {
                PackedPicture fast = testpics::Noise(W, H, 5);
                ASSERT_TRUE(RenderRect(src, fast, copy.Ref(), rect, p, smooth, kernel));
                ASSERT_EQ(fast, plain) << "round " << round << " smooth " << smooth << " kernel " << int(kernel);
            }
        }
    }
}
