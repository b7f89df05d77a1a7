// The shared fixed-point arithmetic checked on its own, against plain integer
// division, so that a slip in it shows here and not only in the renderers and
// exports that use it.
#include "engine/PixelLanes.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <vector>

namespace {

const std::vector<int32_t> kDivisors = {
    1, 2, 3, 5, 7, 63, 64, 65, 275, 412, 3969, 4096, 4097, 65535, 1 << 20, 1000003, INT32_MAX / 3, INT32_MAX};

// Values where a multiply-and-shift division goes wrong first: around the
// divisor's multiples, at the ends of the range and random ones between.
std::vector<int32_t> DividendsFor(int32_t d, std::mt19937& random)
{
    std::vector<int32_t> values = {0, 1, -1, INT32_MAX, -INT32_MAX, INT32_MAX - 1};
    for (const int64_t k : {int64_t(1), int64_t(2), int64_t(INT32_MAX / d)}) {
        for (int64_t delta = -1; delta <= 1; ++delta) {
            const int64_t v = k * d + delta;
            if (v <= INT32_MAX) {
                values.push_back(int32_t(v));
                values.push_back(int32_t(-v));
            }
        }
    }
    std::uniform_int_distribution<int32_t> any(-INT32_MAX, INT32_MAX);
    for (int i = 0; i < 20000; ++i)
        values.push_back(any(random));
    return values;
}

TEST(PixelLanes, InvariantDivisorTruncatesTowardZeroAsDivisionDoes)
{
    std::mt19937 random(11);
    for (const int32_t d : kDivisors) {
        const InvariantDivisor divide(d);
        EXPECT_LT(divide.Multiplier(), uint64_t(1) << 32) << d;
        for (const int32_t n : DividendsFor(d, random))
            ASSERT_EQ(divide(n), n / d) << n << " / " << d;
    }
}

TEST(PixelLanes, BlendSumQuotientsAreExactOverTheWholeRange)
{
    for (uint32_t s = 0; s < (1u << 20); ++s) {
        ASSERT_EQ(DivideBlendSum(s), s / 3969) << s;
        ASSERT_EQ(BlendSumQuotient(s), s / 3969) << s;
    }
}

struct Neighbours {
    std::array<uint8_t, 8> upper{};  // a then b, then two bytes read and not used
    std::array<uint8_t, 8> lower{};  // c then d
    int32_t fx = 0, fy = 0;
};

Neighbours RandomNeighbours(std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255), fraction(0, 63), extreme(0, 7);
    Neighbours n;
    for (size_t k = 0; k < 8; ++k) {
        // Now and then a run of full bytes, where a rounding slip would reach 256.
        const bool full = extreme(random) == 0;
        n.upper[k] = uint8_t(full ? 255 : byte(random));
        n.lower[k] = uint8_t(full ? 255 : byte(random));
    }
    n.fx = extreme(random) == 0 ? 63 * (fraction(random) & 1) : fraction(random);
    n.fy = extreme(random) == 0 ? 63 * (fraction(random) & 1) : fraction(random);
    return n;
}

// The plain blend: ((63-fx)(63-fy) a + fx(63-fy) b + (63-fx)fy c + fx fy d) / 3969.
uint8_t PlainBlend(const Neighbours& n, int k)
{
    const int32_t wa = (63 - n.fx) * (63 - n.fy), wb = n.fx * (63 - n.fy), wc = (63 - n.fx) * n.fy, wd = n.fx * n.fy;
    return uint8_t((n.upper[size_t(k)] * wa + n.upper[size_t(k) + 3] * wb + n.lower[size_t(k)] * wc +
                    n.lower[size_t(k) + 3] * wd) /
                   3969);
}

#if defined(__SSE2__)
TEST(PixelLanes, BlendPixelMatchesThePlainBlend)
{
    std::mt19937 random(12);
    for (int i = 0; i < 200000; ++i) {
        const Neighbours n = RandomNeighbours(random);
        const int32_t wa = (63 - n.fx) * (63 - n.fy), wb = n.fx * (63 - n.fy), wc = (63 - n.fx) * n.fy,
                      wd = n.fx * n.fy;
        std::array<uint8_t, 4> out{};
        BlendPixel(n.upper.data(), n.lower.data(), wa, wb, wc, wd, out.data());
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(out[size_t(k)], PlainBlend(n, k)) << "fx " << n.fx << " fy " << n.fy << " byte " << k;
    }
}
#endif

#ifdef WARPLET_AVX2_LANES
WARPLET_AVX2 std::array<int32_t, 8> DivideEightLanes(const std::array<int32_t, 8>& n, const InvariantDivisor& d)
{
    const LaneDivisor lanes = Lanes(d);
    const __m256i q =
        DivideLanes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(n.data())), lanes.multiplier, lanes.shift);
    std::array<int32_t, 8> out{};
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.data()), q);
    return out;
}

TEST(PixelLanes, DivideLanesDividesEveryLaneAsDivisionDoes)
{
    if (!HasAvx2())
        GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 random(13);
    for (const int32_t d : kDivisors) {
        const InvariantDivisor divide(d);
        const std::vector<int32_t> values = DividendsFor(d, random);
        for (size_t i = 0; i + 8 <= values.size(); i += 8) {
            std::array<int32_t, 8> n{};
            std::copy(values.begin() + long(i), values.begin() + long(i) + 8, n.begin());
            const std::array<int32_t, 8> q = DivideEightLanes(n, divide);
            for (size_t k = 0; k < 8; ++k)
                ASSERT_EQ(q[k], n[k] / d) << n[k] << " / " << d << " in lane " << k;
        }
    }
}

// Two pixels side by side, each with its own neighbours and fractions, laid
// out as the renderers lay rows out: the upper row's bytes `stride` above the
// lower row's in memory order.
WARPLET_AVX2 void BlendTwo(const Neighbours& first, const Neighbours& second, std::array<uint8_t, 7>& out)
{
    constexpr size_t kStride = 16;
    std::array<uint8_t, 4 * kStride> rows{};
    const auto place = [&](const Neighbours& n, size_t at) {
        std::copy(n.upper.begin(), n.upper.end(), rows.begin() + long(kStride + at));
        std::copy(n.lower.begin(), n.lower.end(), rows.begin() + long(at));
    };
    place(first, 0);
    place(second, 2 * kStride);
    const auto pack = [](const Neighbours& n) {
        return uint32_t(63 - n.fx) | uint32_t(n.fx) << 8 | uint32_t(63 - n.fy) << 16 | uint32_t(n.fy) << 24;
    };
    const std::array<uint32_t, 2> weights = {pack(first), pack(second)};
    BlendTwoPixels(rows.data() + kStride, rows.data() + 3 * kStride, kStride, weights.data(), out.data());
}

TEST(PixelLanes, BlendTwoPixelsMatchesThePlainBlend)
{
    if (!HasAvx2())
        GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 random(14);
    for (int i = 0; i < 100000; ++i) {
        const Neighbours first = RandomNeighbours(random), second = RandomNeighbours(random);
        std::array<uint8_t, 7> out{};
        BlendTwo(first, second, out);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(out[size_t(k)], PlainBlend(first, k)) << "first pixel, byte " << k;
            ASSERT_EQ(out[size_t(k) + 3], PlainBlend(second, k)) << "second pixel, byte " << k;
        }
    }
}
#endif

}  // namespace
