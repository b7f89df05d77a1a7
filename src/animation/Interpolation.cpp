#include "animation/Interpolation.h"

#include "engine/PixelLanes.h"

#include <algorithm>
#include <cstdlib>

namespace {

#ifdef WARPLET_AVX2_LANES
// Eight values (four elements) at a time; the scalar tail as below.
WARPLET_AVX2 void InterpolateLanes(const Displacement* a, const Displacement* b, Displacement* out, size_t count,
                                   int32_t remaining, int32_t elapsed, const InvariantDivisor& divide)
{
    const __m256i ra = _mm256_set1_epi32(remaining), eb = _mm256_set1_epi32(elapsed);
    const LaneDivisor byD = Lanes(divide);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i n = _mm256_add_epi32(_mm256_mullo_epi32(va, ra), _mm256_mullo_epi32(vb, eb));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), DivideLanes(n, byD.multiplier, byD.shift));
    }
    for (; i < count; ++i) {
        out[i].dx = divide(a[i].dx * remaining + b[i].dx * elapsed);
        out[i].dy = divide(a[i].dy * remaining + b[i].dy * elapsed);
    }
}
#endif

}  // namespace

void InterpolateMaps(const Displacement* a, const Displacement* b, Displacement* out, size_t count, int64_t remaining,
                     int64_t elapsed)
{
    const int64_t D = remaining + elapsed;
    // In 32 bits when every product and sum fits: |a r + b e| <= m (r + e) = m D.
    const int64_t m = std::max(LargestMagnitude(a, count), LargestMagnitude(b, count));
    if (remaining < 0 || elapsed < 0 || D <= 0 || D >= (int64_t(1) << 31) || m * D >= (int64_t(1) << 31)) {
        reference::InterpolateMaps(a, b, out, count, remaining, elapsed);
        return;
    }
    const InvariantDivisor divide{int32_t(D)};
    const int32_t r = int32_t(remaining), e = int32_t(elapsed);
#ifdef WARPLET_AVX2_LANES
    static_assert(sizeof(Displacement) == 8, "elements are two packed 32-bit values");
    if (HasAvx2()) {
        InterpolateLanes(a, b, out, count, r, e, divide);
        return;
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        out[i].dx = divide(a[i].dx * r + b[i].dx * e);
        out[i].dy = divide(a[i].dy * r + b[i].dy * e);
    }
}

namespace reference {

void InterpolateMaps(const Displacement* a, const Displacement* b, Displacement* out, size_t count, int64_t remaining,
                     int64_t elapsed)
{
    const int64_t D = remaining + elapsed;
    for (size_t i = 0; i < count; ++i) {
        out[i].dx = int32_t((a[i].dx * remaining + b[i].dx * elapsed) / D);
        out[i].dy = int32_t((a[i].dy * remaining + b[i].dy * elapsed) / D);
    }
}

}  // namespace reference
