#include "work/OutlineRegion.h"

#include <algorithm>
#include <cmath>

QRegion EllipseOutlineRegion(const QRect& bounds)
{
    constexpr int kMargin = 2;
    constexpr int kBandHeight = 8;
    const QRect outer = bounds.adjusted(-1, -1, 1, 1);
    if (bounds.width() < 8 * kMargin || bounds.height() < 8 * kMargin)
        return QRegion(outer);
    const double a = bounds.width() / 2.0, b = bounds.height() / 2.0;
    const double cx = bounds.left() + a, cy = bounds.top() + b;
    // The ellipse's half-width at a height y (a pixel row's edge).
    auto halfWidth = [&](double y) {
        const double t = (y - cy) / b;
        return t * t >= 1 ? 0.0 : a * std::sqrt(1 - t * t);
    };
    const int end = outer.bottom() + 1;
    QRegion region;
    for (int top = outer.top(); top < end; top += kBandHeight) {
        const int bottom = std::min(top + kBandHeight, end);
        // The half-width is concave in y: over the band (widened by the margin)
        // it is least at an edge, and every point of the curve there lies at
        // least that far out.
        const double least = std::min(halfWidth(top - kMargin), halfWidth(bottom + kMargin));
        const int innerLeft = int(std::ceil(cx - least)) + kMargin;
        const int innerRight = int(std::floor(cx + least)) - kMargin;
        if (innerRight <= innerLeft) {
            region += QRect(outer.left(), top, outer.width(), bottom - top);
            continue;
        }
        region += QRect(outer.left(), top, innerLeft - outer.left(), bottom - top);
        region += QRect(innerRight, top, outer.right() + 1 - innerRight, bottom - top);
    }
    return region;
}
