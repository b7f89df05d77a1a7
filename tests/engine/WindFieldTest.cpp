#include "engine/WindField.h"

#include "engine/RandomSource.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A generator that yields 0, 1, 2, ... so the order of the draws shows.
std::function<int()> Counter()
{
    return [n = 0]() mutable { return n++ % 32768; };
}

// A generator that alternates between the two values.
std::function<int()> Alternating(int first, int second)
{
    return [=, odd = false]() mutable {
        odd = !odd;
        return odd ? first : second;
    };
}

}  // namespace

TEST(WindField, CubicTruncatesEachTermAndKeepsItsPlusY0)
{
    EXPECT_EQ(WindField::Cubic(7, 20, -3, 50, 0), 7);
    EXPECT_EQ(WindField::Cubic(7, 20, 20, 7, 100), 20);
    // Linear data: the second and third differences vanish.
    EXPECT_EQ(WindField::Cubic(0, 10, 20, 30, 50), 5);
    // 1.5 + 0.75 + 0.5625 summed would give 2; truncated term by term it is 1.
    EXPECT_EQ(WindField::Cubic(0, 3, 0, 0, 50), 1);
    // Constant nodes: the last term's coefficient is 2·y0, not 0.
    EXPECT_EQ(WindField::Cubic(10, 10, 10, 10, 50), 11);
    EXPECT_EQ(WindField::Cubic(-10, -10, -10, -10, 50), -11);
}

TEST(WindField, SetupLaysTheGridAlongTheDirection)
{
    WindField wind;
    wind.Setup(200, 0, 422, 310, Counter());
    EXPECT_EQ(wind.Sin(), 0);
    EXPECT_EQ(wind.Cos(), 1024);
    EXPECT_EQ(wind.ExtentU(), 422);
    EXPECT_EQ(wind.ExtentV(), 310);
    EXPECT_EQ(wind.Columns(), 422 / 8 + 4);
    EXPECT_EQ(wind.Rows(), 310 / 102 + 4);
    // Node by node, a then b, columns first: a = n % 33 - 16, b = n % 200.
    EXPECT_EQ(wind.NodeA(0, 0), -16);
    EXPECT_EQ(wind.NodeB(0, 0), 1);
    EXPECT_EQ(wind.NodeA(1, 0), -14);
    EXPECT_EQ(wind.NodeB(1, 0), 3);
    const int n = 2 * wind.Columns();  // first draw of row 1
    EXPECT_EQ(wind.NodeA(0, 1), n % 33 - 16);
    EXPECT_EQ(wind.NodeB(0, 1), (n + 1) % 200);

    // 90 degrees: phi = -1.5707950, sin truncates to -1023 and cos to 0.
    wind.Setup(200, 90, 422, 310, Counter());
    EXPECT_EQ(wind.Sin(), -1023);
    EXPECT_EQ(wind.Cos(), 0);
    EXPECT_EQ(wind.ExtentU(), 310 * 1023 / 1024);
    EXPECT_EQ(wind.ExtentV(), 422 * 1023 / 1024);
    EXPECT_EQ(wind.Columns(), wind.ExtentU() / 8 + 4);
    EXPECT_EQ(wind.Rows(), wind.ExtentV() / 102 + 4);
}

TEST(WindField, NodeValuesCoverTheirRanges)
{
    RandomSource random(42);
    WindField wind;
    wind.Setup(200, 37, 500, 500, [&] { return random.Next(); });
    int aMin = 100, aMax = -100, bMin = 1000, bMax = -1;
    for (int r = 0; r < wind.Rows(); ++r)
        for (int c = 0; c < wind.Columns(); ++c) {
            aMin = std::min(aMin, wind.NodeA(c, r));
            aMax = std::max(aMax, wind.NodeA(c, r));
            bMin = std::min(bMin, wind.NodeB(c, r));
            bMax = std::max(bMax, wind.NodeB(c, r));
        }
    EXPECT_EQ(aMin, -16);
    EXPECT_EQ(aMax, 16);
    EXPECT_GE(bMin, 0);
    EXPECT_LE(bMin, 10);
    EXPECT_EQ(bMax <= 199 && bMax >= 190, true) << bMax;
}

TEST(WindField, SampleAtANodeIsCentredOnThePicture)
{
    // a = 16 % 33 - 16 = 0 and b = 100 everywhere.
    const int W = 412, H = 300;
    WindField wind;
    wind.Setup(200, 0, W + 10, H + 10, Alternating(16, 100));
    // u = 16x + 80 and v = 16y + 80: pixel (3, 97) lies exactly on a node, so
    // Kb = 100, dB = 102 * 100 / 8 = 1275 and dy = 1024 * 1275 / 16384 = 79.
    EXPECT_EQ(wind.Sample(3, 97, W, H), (WindField::Offset{0, 79}));
    // Turned by 90 degrees the push lies along x: (-sn * dB) / 16384.
    wind.Setup(200, 90, W + 10, H + 10, Alternating(16, 100));
    const WindField::Offset turned = wind.Sample(W / 2, H / 2, W, H);
    EXPECT_GT(turned.dx, 70);
    EXPECT_EQ(turned.dy, 0);
}

TEST(WindField, AnyPositionSamplesInsideTheGrid)
{
    RandomSource random(1);
    WindField wind;
    for (int degrees : {-180, -135, -90, -1, 0, 45, 90, 179, 180}) {
        wind.Setup(200, degrees, 14, 14, [&] { return random.Next(); });
        for (int x : {-100000, -1, 0, 3, 4, 100000})
            for (int y : {-100000, -1, 0, 3, 100000})
                (void)wind.Sample(x, y, 4, 4);  // out-of-grid reads would trip the sanitizer
    }
    WindField empty;
    EXPECT_EQ(empty.Sample(5, 5, 10, 10), WindField::Offset{});
}
