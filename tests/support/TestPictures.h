#pragma once
// Synthetic pictures and maps for tests.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"

#include <cstdint>
#include <random>

namespace testpics {

// A picture whose every byte depends on position and channel, so that any
// misplaced sample shows.
inline PackedPicture Gradient(int w, int h)
{
    PackedPicture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(x * 7 + y * 3);
            px[1] = uint8_t(x * 5 + y * 11 + 40);
            px[2] = uint8_t((x ^ y) * 13 + 90);
        }
    return p;
}

inline PackedPicture Noise(int w, int h, uint32_t seed)
{
    PackedPicture p(w, h);
    std::mt19937 rng(seed);
    for (auto& b : p.Bits())
        b = uint8_t(rng());
    return p;
}

inline DisplacementMap RandomMap(int w, int h, int range, uint32_t seed)
{
    DisplacementMap m(w, h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-range, range);
    for (auto& e : m.Elements())
        e = Displacement{d(rng), d(rng)};
    return m;
}

}  // namespace testpics
