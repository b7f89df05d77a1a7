#pragma once
// The element-wise blend of two keyframe maps for a frame between them:
// out = (a * remaining + b * elapsed) / D, separately for dx and dy, truncating
// toward zero, with D = remaining + elapsed > 0.

#include "engine/Displacement.h"

#include <cstddef>
#include <cstdint>

void InterpolateMaps(const Displacement* a, const Displacement* b, Displacement* out, size_t count, int64_t remaining,
                     int64_t elapsed);

namespace reference {
// The same, one element at a time in 64-bit arithmetic.
void InterpolateMaps(const Displacement* a, const Displacement* b, Displacement* out, size_t count, int64_t remaining,
                     int64_t elapsed);
}  // namespace reference
