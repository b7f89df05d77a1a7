#include "engine/MaskBrush.h"

#include "engine/PointerPosition.h"
#include "engine/Tool.h"

#include <algorithm>
#include <cstdlib>

namespace {

int Weight(int64_t d2, int64_t r2)
{
    if (r2 == 0)
        return d2 == 0 ? CTool::Falloff(0) : 0;
    return CTool::Falloff(int(std::min<int64_t>(d2 * 64 / r2, 64)));
}

}  // namespace

Rect PaintMaskDab(FreezeMask& mask, const MaskBrush& brush, int cx, int cy)
{
    const int r = std::clamp(brush.radius, 0, kFarPointer);
    const int strength = std::clamp(brush.strength, 0, FreezeMask::kFrozen);
    cx = std::clamp(cx, -kFarPointer, kFarPointer);
    cy = std::clamp(cy, -kFarPointer, kFarPointer);
    const Rect rect{std::max(cx - r, 0), std::max(cy - r, 0), std::min(cx + r + 1, mask.Width()),
                    std::min(cy + r + 1, mask.Height())};
    if (rect.IsEmpty())
        return Rect{};
    const int64_t r2 = int64_t(r) * r;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const int64_t d2 = int64_t(x - cx) * (x - cx) + int64_t(y - cy) * (y - cy);
            const int a = strength * Weight(d2, r2) / 64;
            uint8_t& m = mask.At(x, y);
            m = uint8_t(brush.erase ? std::max(m - a, 0) : std::min(m + a, FreezeMask::kFrozen));
        }
    }
    return rect;
}

Rect PaintMaskSegment(FreezeMask& mask, const MaskBrush& brush, int x0, int y0, int x1, int y1)
{
    x0 = std::clamp(x0, -kFarPointer, kFarPointer);
    y0 = std::clamp(y0, -kFarPointer, kFarPointer);
    x1 = std::clamp(x1, -kFarPointer, kFarPointer);
    y1 = std::clamp(y1, -kFarPointer, kFarPointer);
    const int dx = x1 - x0, dy = y1 - y0;
    const int spacing = std::max(1, std::clamp(brush.radius, 0, kFarPointer) / 2);
    const int k = std::max(std::abs(dx), std::abs(dy)) / spacing + 1;
    Rect changed;
    for (int i = 1; i <= k; ++i) {
        const int x = x0 + int(int64_t(dx) * i / k), y = y0 + int(int64_t(dy) * i / k);
        changed = changed.United(PaintMaskDab(mask, brush, x, y));
    }
    return changed;
}
