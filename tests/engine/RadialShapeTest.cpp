// The star-shaped remap: rounding, angular resolution, the closed profile ring
// and the element offsets, checked on hand-worked values.

#include "engine/RadialShape.h"
#include "engine/RandomSource.h"

#include <gtest/gtest.h>

namespace {

auto Constant(int value)
{
    return [value] { return value; };
}

}  // namespace

TEST(RadialShape, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(RadialShape::MulDiv(3, 1, 2), 2);
    EXPECT_EQ(RadialShape::MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(RadialShape::MulDiv(3, -1, 2), -2);
    EXPECT_EQ(RadialShape::MulDiv(5, 1, -2), -3);
    EXPECT_EQ(RadialShape::MulDiv(-5, 1, -2), 3);
    EXPECT_EQ(RadialShape::MulDiv(1, 1, 3), 0);
    EXPECT_EQ(RadialShape::MulDiv(2, 1, 3), 1);
    EXPECT_EQ(RadialShape::MulDiv(-2, 1, 3), -1);
    EXPECT_EQ(RadialShape::MulDiv(320, 155, 640), 78);  // 77.5
    // The intermediate product has 64 bits.
    EXPECT_EQ(RadialShape::MulDiv(1 << 30, 1 << 20, 1 << 25), 1 << 25);
    // No undefined cases: a zero divisor gives 0, an overflowing quotient saturates.
    EXPECT_EQ(RadialShape::MulDiv(7, 9, 0), 0);
    EXPECT_EQ(RadialShape::MulDiv(1 << 30, 1 << 30, 1), INT32_MAX);
    EXPECT_EQ(RadialShape::MulDiv(INT32_MIN, 1, -1), INT32_MAX);
}

TEST(RadialShape, AngularResolutionAndSegments)
{
    EXPECT_EQ(RadialShape::AngularResolution(73), 463);
    EXPECT_EQ(RadialShape::AngularResolution(100), 655);
    EXPECT_EQ(RadialShape::AngularResolution(824), 5237);
    EXPECT_EQ(RadialShape::AngularResolution(1), 10);
    EXPECT_EQ(RadialShape::AngularResolution(0), 15708);  // both angles 0

    RadialShape shape;
    shape.Build(73, +1, 3200, 65, Constant(0));
    EXPECT_EQ(shape.SegmentLength(), 7);
    EXPECT_EQ(shape.Resolution(), 455);
    EXPECT_EQ(shape.Profile().size(), 910u);
}

TEST(RadialShape, ProfileIsAClosedRingOfAlternatingEnds)
{
    RandomSource random(42);
    for (int sign : {+1, -1}) {
        RadialShape shape;
        int draws = 0;
        shape.Build(100, sign, 6400, 9, [&] {
            ++draws;
            return random.Next();
        });
        EXPECT_EQ(draws, 18);  // one number per segment end
        const int c = shape.SegmentLength(), S = shape.Resolution();
        ASSERT_EQ(c, 72);
        ASSERT_EQ(S, 648);
        const std::vector<int>& p = shape.Profile();
        ASSERT_EQ(p.size(), size_t(2 * S));
        for (int seg = 0; seg < 18; ++seg) {
            const int u = sign * p[size_t(seg * c)];
            if (seg % 2 == 0) {
                EXPECT_GE(u, 0);
                EXPECT_LE(u, 1600);
            } else {
                EXPECT_GE(u, 4800);
                EXPECT_LE(u, 6400);
            }
            // Each segment ends where the next begins; the last closes the ring.
            EXPECT_EQ(p[size_t(seg * c + c - 1)], p[size_t((seg + 1) * c % (2 * S))]) << seg;
            // Monotone in between.
            const int v = sign * p[size_t(seg * c + c - 1)];
            for (int j = 1; j < c; ++j) {
                const int step = sign * (p[size_t(seg * c + j)] - p[size_t(seg * c + j - 1)]);
                EXPECT_TRUE(u <= v ? step >= 0 : step <= 0) << seg << "," << j;
            }
        }
    }
}

TEST(RadialShape, OneEntrySegmentsHoldTheirEnds)
{
    // N = 1 gives S = 10, fewer than the 65 lobes: c = 1 and S = 65.
    RadialShape shape;
    shape.Build(1, +1, 6400, 65, Constant(100));
    EXPECT_EQ(shape.SegmentLength(), 1);
    EXPECT_EQ(shape.Resolution(), 65);
    ASSERT_EQ(shape.Profile().size(), 130u);
    for (size_t i = 0; i < 130; ++i)
        EXPECT_EQ(shape.Profile()[i], i % 2 == 0 ? 100 : 4900) << i;
}

TEST(RadialShape, ElementsFollowTheProfile)
{
    // Rmax = trunc(sqrt(128 * 100^2)) = 1131 for a frame of 100.
    RadialShape pull;
    pull.Build(100, +1, 6400, 9, Constant(1131));                       // low ends 1131, high ends 5931
    EXPECT_EQ(pull.Element(90, 50, 100, 100), (Displacement{-20, 0}));  // low: half way in
    EXPECT_EQ(pull.Element(10, 50, 100, 100), (Displacement{34, 0}));   // high end at pi
    EXPECT_EQ(pull.Element(50, 50, 100, 100), (Displacement{0, 0}));    // the centre itself

    RadialShape push;
    push.Build(100, -1, 1600, 9, Constant(300));                       // low -300, high -1500
    EXPECT_EQ(push.Element(90, 50, 100, 100), (Displacement{14, 0}));  // pushed out
    EXPECT_EQ(push.Element(10, 50, 100, 100), (Displacement{40, 0}));  // h <= 0: the centre

    // Targets left of the frame round down (arithmetic shift).
    RadialShape two;
    two.Build(100, -1, 1600, 2, Constant(300));
    EXPECT_EQ(two.Element(0, 50, 100, 100), (Displacement{-18, 0}));

    // A frame twice as wide as high: heights are normalised to the width.
    RadialShape wide;
    wide.Build(100, +1, 6400, 1, Constant(1131));
    EXPECT_EQ(wide.Element(50, 45, 100, 50), (Displacement{0, -15}));
    EXPECT_EQ(wide.Element(50, 5, 100, 50), (Displacement{0, 15}));
    EXPECT_EQ(wide.Element(50, 45, 100, 100), (Displacement{0, 4}));
}

TEST(RadialShape, FlatProfileAndDegenerateFramesMapToThemselves)
{
    RadialShape unbuilt;
    EXPECT_EQ(unbuilt.Element(3, 4, 10, 10), (Displacement{0, 0}));

    RadialShape flat;
    flat.Build(60, +1, 0, 9, Constant(12345));
    for (int b = 0; b < 40; ++b)
        for (int a = 0; a < 60; ++a)
            ASSERT_EQ(flat.Element(a, b, 60, 40), (Displacement{0, 0})) << a << "," << b;

    // A frame without height or width must not divide by zero.
    RadialShape shape;
    shape.Build(10, +1, 6400, 9, Constant(7));
    (void)shape.Element(5, 0, 10, 0);
    (void)shape.Element(0, 5, 0, 10);
    (void)shape.Element(-50, 700, 10, 10);
}

TEST(RadialShape, SeededBuildsRepeat)
{
    RandomSource a(9), b(9), c(10);
    RadialShape first, second, third;
    first.Build(207, +1, 3200, 65, [&] { return a.Next(); });
    second.Build(207, +1, 3200, 65, [&] { return b.Next(); });
    third.Build(207, +1, 3200, 65, [&] { return c.Next(); });
    EXPECT_EQ(first.Profile(), second.Profile());
    EXPECT_NE(first.Profile(), third.Profile());
}
