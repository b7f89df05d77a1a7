#pragma once
// The mask brush: paints the freeze mask toward 64 (frozen) or erases it toward
// 0 (free) in a disc, weighted by the falloff the brush tools use.
//
// A dab of radius r and strength s (0..64) at (cx, cy) changes every mask
// element (x, y) with d2 = (x - cx)^2 + (y - cy)^2 by
//
//     a = s * w / 64,  w = CTool::Falloff(d2 * 64 / r^2)    (r = 0: w = 64 at the centre only)
//
// painting: m = min(64, m + a); erasing: m = max(0, m - a). The falloff is 64
// at the centre and 0 from d2 >= r^2 on, so a dab of strength 64 freezes its
// centre at once and feathers toward its rim. Strength is where a pen's
// pressure comes in.
//
// A stroke dabs at its first point and then along each segment to the next
// point: with k = max(|dx|, |dy|) / max(1, r / 2) + 1, at the k positions
// p0 + (p1 - p0) * i / k, i = 1..k (integer division toward zero), so that a
// fast pointer leaves no gaps and the last dab falls on p1.

#include "engine/FreezeMask.h"
#include "engine/Rendering.h"

struct MaskBrush {
    int radius = 1;
    int strength = FreezeMask::kFrozen;
    bool erase = false;
};

// One dab; returns the rectangle it covers inside the mask (right and bottom
// exclusive; empty when it misses the mask).
Rect PaintMaskDab(FreezeMask& mask, const MaskBrush& brush, int cx, int cy);
// The dabs after (x0, y0) up to and including (x1, y1); returns the rectangle
// they cover.
Rect PaintMaskSegment(FreezeMask& mask, const MaskBrush& brush, int x0, int y0, int x1, int y1);
