#include "engine/PixelLanes.h"

InvariantDivisor::InvariantDivisor(int32_t d)
{
    // l = ceil(log2 d), so 2^(l-1) < d <= 2^l and m <= 2^32: u * m < 2^63.
    int l = 0;
    while ((int64_t(1) << l) < d)
        ++l;
    m_shift = 31 + l;
    m_multiplier = ((uint64_t(1) << m_shift) + uint64_t(d) - 1) / uint64_t(d);
}

#ifdef WARPLET_AVX2_LANES
bool HasAvx2()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
#endif
