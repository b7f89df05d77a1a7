#include "animation/ResampleMap.h"

#include <algorithm>
#include <cstdint>

std::vector<Displacement> ResampleMap(const Displacement* source, int W, int H, int W2, int H2)
{
    std::vector<Displacement> out(size_t(std::max(W2, 0)) * size_t(std::max(H2, 0)));
    if (W < 1 || H < 1 || W2 < 1 || H2 < 1)
        return out;
    auto at = [&](int x, int y) -> const Displacement& { return source[size_t(y) * size_t(W) + size_t(x)]; };
    for (int r = 0; r < H2; ++r) {
        const int64_t sy = int64_t(H) * 16 * r / H2;
        const int y0 = int(sy / 16), fy = int(sy % 16);
        // When enlarging by more than two, the lower neighbour of the last source
        // row would lie outside the map; it is limited to the map.
        const int y1 = std::min(y0 + 1, H - 1);
        Displacement* row = out.data() + size_t(r) * size_t(W2);
        for (int c = 0; c < W2; ++c) {
            const int64_t sx = int64_t(W) * 16 * c / W2;
            const int x0 = int(sx / 16), fx = int(sx % 16);
            if (r == H2 - 1 || c == W2 - 1) {
                row[c] = at(x0, y0);
                continue;
            }
            const int x1 = std::min(x0 + 1, W - 1);
            const int64_t w00 = (16 - fx) * (16 - fy), w10 = fx * (16 - fy), w01 = (16 - fx) * fy, w11 = fx * fy;
            const Displacement &a = at(x0, y0), &b = at(x1, y0), &c0 = at(x0, y1), &d = at(x1, y1);
            row[c].dx = int32_t((a.dx * w00 + b.dx * w10 + c0.dx * w01 + d.dx * w11) / 256);
            row[c].dy = int32_t((a.dy * w00 + b.dy * w10 + c0.dy * w01 + d.dy * w11) / 256);
        }
    }
    return out;
}
