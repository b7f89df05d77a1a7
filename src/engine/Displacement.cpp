#include "engine/Displacement.h"

#include "engine/PixelLanes.h"

#include <algorithm>

void ScaleMap(MapRef map, int p)
{
    if (!map.Attached())
        return;
    const size_t n = map.Count();
    for (size_t i = 0; i < n; ++i) {
        Displacement& e = map.data[i];
        e.dx = int32_t(int64_t(p) * e.dx / 64);
        e.dy = int32_t(int64_t(p) * e.dy / 64);
    }
}

namespace {

#ifdef WARPLET_AVX2_LANES
// Eight values (four elements) at a time, then the tail.
WARPLET_AVX2 void LeastAndGreatest(const Displacement* elements, size_t count, int32_t& least, int32_t& greatest)
{
    __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(elements + i));
        low = _mm256_min_epi32(low, v);
        high = _mm256_max_epi32(high, v);
    }
    alignas(32) int32_t lows[8], highs[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lows), low);
    _mm256_store_si256(reinterpret_cast<__m256i*>(highs), high);
    for (int k = 0; k < 8; ++k) {
        least = std::min(least, lows[k]);
        greatest = std::max(greatest, highs[k]);
    }
    for (; i < count; ++i) {
        least = std::min(least, std::min(elements[i].dx, elements[i].dy));
        greatest = std::max(greatest, std::max(elements[i].dx, elements[i].dy));
    }
}
#endif

}  // namespace

int64_t LargestMagnitude(const Displacement* elements, size_t count)
{
    int32_t least = 0, greatest = 0;
#ifdef WARPLET_AVX2_LANES
    if (HasAvx2()) {
        LeastAndGreatest(elements, count, least, greatest);
        return std::max(-int64_t(least), int64_t(greatest));
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        least = std::min(least, std::min(elements[i].dx, elements[i].dy));
        greatest = std::max(greatest, std::max(elements[i].dx, elements[i].dy));
    }
    return std::max(-int64_t(least), int64_t(greatest));
}
