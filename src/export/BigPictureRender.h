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
#include "engine/PixelLanes.h"

#include <cstdint>

// Renders `frame` from `source` (both W x H) through `map`. Nothing is written
// when the sizes differ or the map is smaller than 2 x 2. `threads` workers
// share the rows; 0 uses every core.
void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map, int threads = 0,
                    LaneKernel kernel = LaneKernel::Widest);

// The number of workers RenderFullSize uses for `threads` (0: every core).
int FullSizeWorkers(int threads);

namespace reference {
// One pixel (c, r), c <= W-2 and r <= H-2, exactly as the arithmetic reads,
// with the blended displacement scaled by power/64 before the source position
// is taken (64: the map as it stands). Writes the blue, green and red bytes.
void FullSizePixel(const PackedPicture& source, MapRef map, int64_t c, int64_t r, int power, uint8_t bgr[3]);
// The whole frame, one pixel at a time.
void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map);
}  // namespace reference
