#include "engine/RandomFieldSource.h"

#include "engine/RandomSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

struct Field {
    std::vector<int16_t> xs, ys;
    friend bool operator==(const Field&, const Field&) = default;
};

// Rows 0..H-1 of a source initialised for the given spread from a seeded generator.
Field Generate(uint32_t seed, int W, int H, int spread, int amplitude = 512)
{
    RandomSource random(seed);
    RandomFieldSource source([&] { return random.Next(); });
    source.InitSmoothGenerator(W + 10, amplitude, spread, spread);
    Field f;
    for (int y = 0; y < H; ++y) {
        const RandomFieldSource::SmoothRow row = source.PrepareSmooth(W + 10, y);
        EXPECT_EQ(row.xs.size(), size_t(W + 10));
        EXPECT_EQ(row.ys.size(), size_t(W + 10));
        f.xs.insert(f.xs.end(), row.xs.begin(), row.xs.begin() + W);
        f.ys.insert(f.ys.end(), row.ys.begin(), row.ys.begin() + W);
    }
    source.ShutupRandomGenerator();
    return f;
}

}  // namespace

TEST(SmoothWeight, RunsFromZeroToFullWithoutOvershoot)
{
    EXPECT_EQ(SmoothWeight(0), 0);
    EXPECT_EQ(SmoothWeight(512), 512);
    EXPECT_EQ(SmoothWeight(1024), 1024);
    for (int t = 1; t <= 1024; ++t)
        EXPECT_GE(SmoothWeight(t), SmoothWeight(t - 1));
    EXPECT_LT(SmoothWeight(100), 100);  // flat near the nodes
}

TEST(RandomFieldSource, ReproducibleFromTheSeedAndNewAtEveryInitialisation)
{
    const Field a = Generate(11, 150, 120, 12);
    EXPECT_EQ(a, Generate(11, 150, 120, 12));
    EXPECT_NE(a, Generate(12, 150, 120, 12));

    // A second initialisation of the same source draws new nodes.
    RandomSource random(11);
    RandomFieldSource source([&] { return random.Next(); });
    source.InitSmoothGenerator(60, 512, 10, 10);
    const std::vector<int16_t> first(source.PrepareSmooth(60, 5).xs.begin(), source.PrepareSmooth(60, 5).xs.end());
    source.ShutupRandomGenerator();
    source.InitSmoothGenerator(60, 512, 10, 10);
    const RandomFieldSource::SmoothRow again = source.PrepareSmooth(60, 5);
    EXPECT_FALSE(std::equal(first.begin(), first.end(), again.xs.begin()));
}

TEST(RandomFieldSource, OffsetsOfAFewHundredUnitsThatVarySmoothly)
{
    const int W = 412, H = 412, spread = 41;
    const Field f = Generate(3, W, H, spread);
    int lo = 0, hi = 0, steepest = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * W + x;
            lo = std::min({lo, int(f.xs[i]), int(f.ys[i])});
            hi = std::max({hi, int(f.xs[i]), int(f.ys[i])});
            if (x > 0)
                steepest = std::max({steepest, std::abs(f.xs[i] - f.xs[i - 1]), std::abs(f.ys[i] - f.ys[i - 1])});
            if (y > 0)
                steepest = std::max({steepest, std::abs(f.xs[i] - f.xs[i - W]), std::abs(f.ys[i] - f.ys[i - W])});
        }
    EXPECT_GE(lo, -256);
    EXPECT_LE(hi, 256);
    EXPECT_LT(lo, -150);
    EXPECT_GT(hi, 150);
    // Smoothstep is at most 1.5 times as steep as a straight line between nodes.
    EXPECT_LE(steepest, 512 * 3 / 2 / spread + 2);
    EXPECT_NE(f.xs, f.ys);
}

TEST(RandomFieldSource, RowsDoNotDependOnTheOrderTheyAreAskedFor)
{
    auto rowOf = [](RandomFieldSource& s, int y) {
        const RandomFieldSource::SmoothRow r = s.PrepareSmooth(40, y);
        return std::vector<int16_t>(r.xs.begin(), r.xs.end());
    };
    RandomSource r1(8), r2(8);
    RandomFieldSource inOrder([&] { return r1.Next(); });
    RandomFieldSource backwards([&] { return r2.Next(); });
    inOrder.InitSmoothGenerator(40, 512, 3, 5);
    backwards.InitSmoothGenerator(40, 512, 3, 5);
    std::vector<std::vector<int16_t>> rows;
    for (int y = 0; y < 20; ++y)
        rows.push_back(rowOf(inOrder, y));
    for (int y = 19; y >= 0; --y)
        EXPECT_EQ(rowOf(backwards, y), rows[size_t(y)]) << y;
}

TEST(RandomFieldSource, DegenerateCallsAreSafe)
{
    RandomSource random(1);
    RandomFieldSource source([&] { return random.Next(); });
    // Before initialisation: zeros of the asked length.
    RandomFieldSource::SmoothRow row = source.PrepareSmooth(12, 0);
    ASSERT_EQ(row.xs.size(), 12u);
    EXPECT_TRUE(std::all_of(row.xs.begin(), row.xs.end(), [](int16_t v) { return v == 0; }));

    // Spreads of 0 (pictures under ten pixels), empty and over-long rows, wild row numbers.
    source.InitSmoothGenerator(14, 512, 0, 0);
    EXPECT_TRUE(source.Initialised());
    for (int y : {0, 1, 2, -7, 100000, 3})
        EXPECT_EQ(source.PrepareSmooth(14, y).xs.size(), 14u);
    EXPECT_EQ(source.PrepareSmooth(-5, 0).ys.size(), 0u);
    row = source.PrepareSmooth(500, 4);  // longer than initialised: the last node holds
    EXPECT_EQ(row.xs[499], row.xs[20]);
    source.InitSmoothGenerator(0, 0, 1, 1);
    row = source.PrepareSmooth(3, 1);
    EXPECT_TRUE(std::all_of(row.ys.begin(), row.ys.end(), [](int16_t v) { return v == 0; }));

    source.ShutupRandomGenerator();
    EXPECT_FALSE(source.Initialised());
    source.ShutupRandomGenerator();  // twice is harmless
    row = source.PrepareSmooth(8, 2);
    EXPECT_TRUE(std::all_of(row.xs.begin(), row.xs.end(), [](int16_t v) { return v == 0; }));
}
