// Full-size rendering of export frames: the arithmetic on small known cases and
// the threaded kernel against the plain one.

#include "export/BigPictureRender.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

DisplacementMap Uniform(int w, int h, int dx, int dy)
{
    DisplacementMap m(w, h);
    for (Displacement& e : m.Elements())
        e = Displacement{dx, dy};
    return m;
}

bool SamePixel(const PackedPicture& a, int ax, int ay, const PackedPicture& b, int bx, int by)
{
    return std::memcmp(a.Pixel(ax, ay), b.Pixel(bx, by), 3) == 0;
}

}  // namespace

TEST(BigPictureRender, ZeroMapAtOwnSizeReproducesSourceAndLeavesLastRowAndColumn)
{
    const PackedPicture source = testpics::Gradient(23, 17);
    DisplacementMap map(23, 17);
    PackedPicture frame(23, 17);  // black: shows which pixels were written
    RenderFullSize(source, frame, map.Ref(), 1);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 23; ++x) {
            const bool untouched = x == 22 || y == 16;
            const uint8_t* px = frame.Pixel(x, y);
            if (untouched)
                EXPECT_TRUE(px[0] == 0 && px[1] == 0 && px[2] == 0) << x << "," << y;
            else
                EXPECT_TRUE(SamePixel(frame, x, y, source, x, y)) << x << "," << y;
        }
    }
    // Started from the source, as the frame source does, the frame is the source.
    PackedPicture filled = source;
    RenderFullSize(source, filled, map.Ref());
    EXPECT_EQ(filled, source);
}

TEST(BigPictureRender, ShiftsReachTheLastColumnAndStopAtTheRowLimit)
{
    const int W = 12, H = 9;
    const PackedPicture source = testpics::Gradient(W, H);

    // One pixel to the right: column c shows c + 1; the column before the last
    // blends the last column with itself.
    DisplacementMap right = Uniform(W, H, 64, 0);
    PackedPicture frame = source;
    RenderFullSize(source, frame, right.Ref());
    for (int y = 0; y < H - 1; ++y)
        for (int x = 0; x < W - 1; ++x)
            EXPECT_TRUE(SamePixel(frame, x, y, source, x + 1, y)) << x << "," << y;

    // One pixel down: row r shows r + 1, but the row before the last cannot
    // read below the bottom and shows itself (row limited, fraction 0).
    DisplacementMap down = Uniform(W, H, 0, 64);
    frame = source;
    RenderFullSize(source, frame, down.Ref());
    for (int x = 0; x < W - 1; ++x) {
        for (int y = 0; y < H - 2; ++y)
            EXPECT_TRUE(SamePixel(frame, x, y, source, x, y + 1)) << x << "," << y;
        EXPECT_TRUE(SamePixel(frame, x, H - 2, source, x, H - 2)) << x;
    }
}

TEST(BigPictureRender, DisplacementsScaleWithTheOutputSize)
{
    // A map of a third of the output width: one map pixel is three output pixels.
    const int W = 30, H = 12;
    const PackedPicture source = testpics::Gradient(W, H);
    DisplacementMap map = Uniform(10, 4, 64, 0);
    PackedPicture frame = source;
    RenderFullSize(source, frame, map.Ref());
    for (int y = 0; y < H - 1; ++y)
        for (int x = 0; x < W - 4; ++x)
            EXPECT_TRUE(SamePixel(frame, x, y, source, x + 3, y)) << x << "," << y;
}

TEST(BigPictureRender, NegativeRemainderIsLimitedToTheColourRange)
{
    // sx = -10: column 0 with gx = -10 extrapolates 255 * 73 / 63 = 295, which
    // must stay 255 rather than wrap to 39.
    PackedPicture source(4, 4);
    for (int y = 0; y < 4; ++y) {
        uint8_t* p = source.Pixel(0, y);
        p[0] = p[1] = p[2] = 255;
    }
    DisplacementMap map = Uniform(4, 4, -10, 0);
    PackedPicture fast = source, plain = source;
    RenderFullSize(source, fast, map.Ref());
    reference::RenderFullSize(source, plain, map.Ref());
    EXPECT_EQ(fast.Pixel(0, 1)[0], 255);
    EXPECT_EQ(fast, plain);
}

TEST(BigPictureRender, MismatchedSizesAndTinyMapsWriteNothing)
{
    const PackedPicture source = testpics::Gradient(8, 8);
    PackedPicture other(7, 8);
    const PackedPicture before = other;
    DisplacementMap map = Uniform(8, 8, 100, 100);
    RenderFullSize(source, other, map.Ref());
    EXPECT_EQ(other, before);

    PackedPicture frame(8, 8);
    const PackedPicture black = frame;
    DisplacementMap thin(1, 8);
    RenderFullSize(source, frame, thin.Ref());
    reference::RenderFullSize(source, frame, thin.Ref());
    EXPECT_EQ(frame, black);
    RenderFullSize(source, frame, MapRef{});
    EXPECT_EQ(frame, black);
}

TEST(BigPictureRender, FastKernelMatchesPlainOnRandomMapsAndSizes)
{
    std::mt19937 rng(20240611);
    struct Case {
        int W, H, w, h, range;
    };
    std::vector<Case> cases = {
        {1, 1, 2, 2, 500},       {2, 2, 2, 2, 500},           {3, 2, 2, 2, 5000},
        {1, 9, 4, 4, 200},       {9, 1, 4, 4, 200},           {5, 7, 412, 300, 3000},
        {41, 23, 41, 23, 640},   {97, 61, 13, 8, 20000},      {250, 130, 40, 20, 64 * 500},
        {64, 48, 8, 6, 1 << 30}, {700, 301, 37, 29, 64 * 30}, {401, 333, 412, 206, 64 * 8},
    };
    for (int k = 0; k < 6; ++k) {
        std::uniform_int_distribution<int> side(1, 160), mapSide(2, 50);
        cases.push_back({side(rng), side(rng), mapSide(rng), mapSide(rng), 64 * 40});
    }
    for (const Case& c : cases) {
        const PackedPicture source = testpics::Noise(c.W, c.H, uint32_t(c.W * 1000 + c.H));
        DisplacementMap map = testpics::RandomMap(c.w, c.h, c.range, uint32_t(c.w + c.h + c.range));
        PackedPicture plain = source;
        reference::RenderFullSize(source, plain, map.Ref());
        for (int threads : {1, 2, 3, 0}) {
            for (LaneKernel kernel : {LaneKernel::Widest, LaneKernel::Baseline}) {
                PackedPicture fast = source;
                RenderFullSize(source, fast, map.Ref(), threads, kernel);
                EXPECT_EQ(fast, plain) << c.W << "x" << c.H << " map " << c.w << "x" << c.h << " range " << c.range
                                       << " threads " << threads << " kernel " << int(kernel);
            }
        }
    }
}

TEST(BigPictureRender, RowsMixingEveryKindOfPixelMatchPlain)
{
    // In one row: positions left of the picture (negative remainders), right
    // neighbours limited at the last column, rows limited at the bottom and at
    // the top, and ordinary pixels in runs of every length around the vector
    // width; widths around multiples of eight.
    for (const int W : {9, 10, 16, 17, 23, 24, 25, 67}) {
        const int H = 13;
        const PackedPicture source = testpics::Noise(W, H, uint32_t(W));
        DisplacementMap map(5, 4);
        const int s = 64 * 5;
        map.At(0, 0) = {-s, s};  // left and down, past the bottom
        map.At(4, 0) = {s, -s};  // right and up, past the top
        map.At(0, 3) = {-s / 3, -s};
        map.At(4, 3) = {s / 3 + 7, s + 5};
        map.At(2, 1) = {-37, 41};  // small fractions of both signs
        map.At(1, 2) = {29, -23};
        PackedPicture plain = source;
        reference::RenderFullSize(source, plain, map.Ref());
        for (LaneKernel kernel : {LaneKernel::Widest, LaneKernel::Baseline}) {
            PackedPicture fast = source;
            RenderFullSize(source, fast, map.Ref(), 1, kernel);
            EXPECT_EQ(fast, plain) << W << " kernel " << int(kernel);
        }
    }
}

TEST(BigPictureRender, StoredValuesAroundTheNarrowLimitAndExtremesMatchPlain)
{
    // The largest magnitude decides per frame between 32- and 64-bit arithmetic:
    // maps just inside and just outside that limit, and the int32 extremes,
    // must give the reference bytes either way.
    const int limit = int((int64_t(1) << 31) / 3969);
    // A row wider than 3969 makes the picture side the tighter limit.
    const int wideLimit = int((int64_t(1) << 31) / 4100 - 64);
    struct Case {
        int W, H, w, h, range;
    };
    const Case cases[] = {
        {40, 30, 7, 5, limit},          {40, 30, 7, 5, limit + 1}, {4100, 3, 5, 2, wideLimit - 1},
        {4100, 3, 5, 2, wideLimit + 1}, {33, 21, 33, 21, 64 * 3},
    };
    for (const Case& c : cases) {
        const PackedPicture source = testpics::Noise(c.W, c.H, uint32_t(c.W + c.range));
        DisplacementMap map = testpics::RandomMap(c.w, c.h, c.range, uint32_t(c.range));
        map.At(1, 1) = Displacement{c.range, -c.range};  // the magnitude itself is stored
        PackedPicture plain = source, fast = source;
        reference::RenderFullSize(source, plain, map.Ref());
        RenderFullSize(source, fast, map.Ref(), 1);
        EXPECT_EQ(fast, plain) << c.W << "x" << c.H << " map " << c.w << "x" << c.h << " range " << c.range;
    }

    const PackedPicture source = testpics::Noise(50, 40, 9);
    DisplacementMap extremes = testpics::RandomMap(6, 5, 64 * 4, 4);
    extremes.At(0, 0) = Displacement{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    extremes.At(5, 4) = Displacement{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()};
    extremes.At(2, 3) = Displacement{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()};
    PackedPicture plain = source, fast = source;
    reference::RenderFullSize(source, plain, extremes.Ref());
    RenderFullSize(source, fast, extremes.Ref(), 2);
    EXPECT_EQ(fast, plain);
}

TEST(InvariantDivisor, TruncatesTowardZeroLikeTheDivisionOperator)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    std::mt19937 rng(77);
    std::vector<int32_t> divisors = {1,        2,
                                     3,        5,
                                     7,        63,
                                     64,       65,
                                     275,      412,
                                     641,      3969,
                                     4096,     65535,
                                     65536,    (1 << 30) - 1,
                                     1 << 30,  (1 << 30) + 1,
                                     kMax - 1, kMax};
    std::uniform_int_distribution<int32_t> anyDivisor(1, kMax), anyValue(-kMax, kMax);
    for (int k = 0; k < 20; ++k)
        divisors.push_back(anyDivisor(rng));
    for (const int32_t d : divisors) {
        const InvariantDivisor divide(d);
        // Around zero, the multiples of d at both ends of the range and the ends themselves.
        std::vector<int32_t> values = {0, 1, -1, 2, -2, kMax, -kMax, kMax - 1, -kMax + 1};
        for (const int64_t base : {int64_t(d), int64_t(kMax) / d * d, int64_t(kMax) / d / 2 * d}) {
            for (int64_t delta = -2; delta <= 2; ++delta) {
                const int64_t n = base + delta;
                if (n >= -kMax && n <= kMax) {
                    values.push_back(int32_t(n));
                    values.push_back(int32_t(-n));
                }
            }
        }
        for (int k = 0; k < 200; ++k)
            values.push_back(anyValue(rng));
        for (const int32_t n : values)
            ASSERT_EQ(divide(n), n / d) << n << " / " << d;
    }
}

TEST(InvariantDivisor, BlendSumDivisionIsExactOverItsWholeRange)
{
    for (uint32_t s = 0; s < (1u << 20); ++s)
        ASSERT_EQ(DivideBlendSum(s), s / 3969) << s;
    for (uint32_t s = 0; s <= 255u * 3969u; ++s)
        ASSERT_EQ(BlendSumQuotient(s), s / 3969) << s;
}

TEST(BigPictureRender, WorkerCount)
{
    EXPECT_EQ(FullSizeWorkers(3), 3);
    EXPECT_GE(FullSizeWorkers(0), 1);
}
