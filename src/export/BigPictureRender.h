#pragma once
// Full-size rendering of an export frame: the undeformed picture at the output
// size W x H sampled through a displacement map of the work picture's size
// w x h. Map positions, displacements and source positions are in 1/64;
// bilinear weights run 0..63 and sum to 3969.
//
// For every output row r = 0 .. H-2 and column c = 0 .. W-2:
//   my64 = r*h*64/H, mx64 = c*w*64/W; the map cell (mx, my) is limited to
//   w-2, h-2 and its fractions are fx = mx64 mod 64, fy = my64 mod 64;
//   the displacement (dx, dy) is the bilinear blend of the cell's four elements;
//   the source position is sx = dx*W/w + c*64, sy = dy*H/h + r*64;
//   column px = sx/64 limited to 0..W-1 (its right neighbour limited to W-1),
//   buffer row H-1-sy/64 limited to 1..H-1 (the row below is one buffer row
//   lower); gx = sx mod 64, gy = sy mod 64 keep the sign of the position.
// The last column and the bottom row are never written: they keep whatever the
// frame held (the undeformed source, as the frame source fills it).
// All divisions truncate toward zero.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"

#include <cstdint>

// Division truncating toward zero of a signed 32-bit value by a fixed positive
// divisor d, as one multiply and shift: with l = ceil(log2 d) and
// m = ceil(2^(31+l) / d), floor(u / d) = (u * m) >> (31 + l) for every
// 0 <= u < 2^31 (the rounding-up error of m adds less than 1/d). The sign is
// taken off before and put back after. Exact for every n except INT32_MIN.
class InvariantDivisor {
public:
    explicit InvariantDivisor(int32_t d);
    int32_t operator()(int32_t n) const
    {
        const int32_t sign = n >> 31;                      // 0 or -1
        const uint64_t u = uint32_t((n ^ sign) - sign);    // |n|
        const int32_t q = int32_t((u * m_multiplier) >> m_shift);
        return (q ^ sign) - sign;
    }
    // floor(u / d) = (u * Multiplier()) >> Shift() for 0 <= u < 2^31; the
    // multiplier is below 2^32.
    uint64_t Multiplier() const { return m_multiplier; }
    int Shift() const { return m_shift; }

private:
    uint64_t m_multiplier = 1;
    int m_shift = 0;
};

// s / 3969 for 0 <= s < 2^20 (every blend of bytes with non-negative weights):
// m = ceil(2^36 / 3969) overshoots by e = 3590 / 2^36 per unit, and s * e < 2^36
// keeps the error below 1/3969, so the quotient is exact. One multiply.
inline uint32_t DivideBlendSum(uint32_t s) { return uint32_t((uint64_t(s) * 17314054u) >> 36); }

// The same quotient in single precision, as the vector blend forms it: s + 0.5
// puts the exact quotient at least 0.5/3969 from an integer, and the two
// roundings (of 1/3969 and of the product) move it by less than 256 * 2^-23.
inline uint32_t BlendSumQuotient(uint32_t s) { return uint32_t((float(s) + 0.5f) * (1.0f / 3969.0f)); }

// Which row kernel RenderFullSize may use: the widest vector instructions the
// processor has, or the baseline one (the same bytes, for tests and figures).
enum class FullSizeKernel { Widest, Baseline };

// Renders `frame` from `source` (both W x H) through `map`. Nothing is written
// when the sizes differ or the map is smaller than 2 x 2. `threads` workers
// share the rows; 0 uses every core.
void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map, int threads = 0,
                    FullSizeKernel kernel = FullSizeKernel::Widest);

// The number of workers RenderFullSize uses for `threads` (0: every core).
int FullSizeWorkers(int threads);

namespace reference {
// The same, one pixel at a time exactly as the arithmetic reads.
void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map);
}  // namespace reference
