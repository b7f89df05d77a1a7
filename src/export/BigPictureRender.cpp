#include "export/BigPictureRender.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr int kWeightSum = 63 * 63;  // 3969

// A negative remainder gives weights outside 0..63 (the blend extrapolates), so
// a colour value can leave 0..255; it is limited instead of wrapping around.
inline uint8_t ColourByte(int64_t value) { return uint8_t(std::clamp<int64_t>(value, 0, 255)); }

bool Renderable(const PackedPicture& source, const PackedPicture& frame, MapRef map)
{
    const int W = source.Width(), H = source.Height();
    return map.Attached() && map.width >= 2 && map.height >= 2 && W >= 1 && H >= 1 && frame.Width() == W &&
           frame.Height() == H && source.Bits().size() >= size_t(H) * size_t(source.Stride()) &&
           frame.Bits().size() >= size_t(H) * size_t(frame.Stride());
}

// Exact division truncating toward zero by a fixed positive divisor: a
// floating-point estimate corrected by one step. Exact for |n| < 2^53, where the
// estimate is never off by more than one.
class TruncatingDivider {
public:
    explicit TruncatingDivider(int64_t d) : m_d(d), m_inverse(1.0 / double(d)) {}
    int64_t operator()(int64_t n) const
    {
        int64_t q = int64_t(double(n) * m_inverse);
        const int64_t r = n - q * m_d;
        if (n >= 0) {
            if (r < 0)
                --q;
            else if (r >= m_d)
                ++q;
        } else {
            if (r > 0)
                ++q;
            else if (r <= -m_d)
                --q;
        }
        return q;
    }

private:
    int64_t m_d;
    double m_inverse;
};

// Where column c of the output falls in the map.
struct ColumnCell {
    int32_t mx;   // map column, limited to w-2
    int32_t fx;   // fraction 0..63
};

class FastRenderer {
public:
    FastRenderer(const PackedPicture& source, PackedPicture& frame, MapRef map)
        : m_source(source), m_frame(frame), m_map(map), m_W(source.Width()), m_H(source.Height()),
          m_divW(map.width), m_divH(map.height)
    {
        const int64_t w = map.width;
        m_columns.resize(size_t(std::max(m_W - 1, 0)));
        for (int c = 0; c + 1 < m_W; ++c) {
            const int64_t mx64 = int64_t(c) * w * 64 / m_W;
            m_columns[size_t(c)] = {int32_t(std::min<int64_t>(mx64 / 64, w - 2)), int32_t(mx64 % 64)};
        }
    }

    void Rows(int first, int last) const
    {
        std::vector<int64_t> vx(size_t(m_map.width)), vy(size_t(m_map.width));
        for (int r = first; r < last; ++r)
            Row(r, vx, vy);
    }

private:
    // The blend of step 2 regrouped: with V(x) = e(x, my)(63 - fy) + e(x, my + 1)fy,
    // the sum is (63 - fx)V(mx) + fx V(mx + 1), the same integer before the
    // division. V is formed once per row for every map column.
    void Row(int r, std::vector<int64_t>& vx, std::vector<int64_t>& vy) const
    {
        const int W = m_W, H = m_H;
        const int64_t h = m_map.height;
        const int64_t my64 = int64_t(r) * h * 64 / H;
        const int my = int(std::min<int64_t>(my64 / 64, h - 2));
        const int64_t fy = my64 % 64, ay = 63 - fy;
        const Displacement* top = m_map.data + size_t(my) * size_t(m_map.width);
        const Displacement* below = top + m_map.width;
        for (int x = 0; x < m_map.width; ++x) {
            vx[size_t(x)] = top[x].dx * ay + below[x].dx * fy;
            vy[size_t(x)] = top[x].dy * ay + below[x].dy * fy;
        }
        const int stride = m_source.Stride();
        const uint8_t* bits = m_source.Bits().data();
        uint8_t* out = m_frame.BufferRow(H - 1 - r);
        const int64_t W64 = W, H64 = H, rowPos = int64_t(r) * 64;

        for (int c = 0; c + 1 < W; ++c) {
            const ColumnCell cell = m_columns[size_t(c)];
            const int64_t fx = cell.fx, ax = 63 - fx;
            const size_t mx = size_t(cell.mx);
            const int64_t dx = (vx[mx] * ax + vx[mx + 1] * fx) / kWeightSum;
            const int64_t dy = (vy[mx] * ax + vy[mx + 1] * fx) / kWeightSum;
            const int64_t sx = m_divW(dx * W64) + int64_t(c) * 64;
            const int64_t sy = m_divH(dy * H64) + rowPos;

            const int px = int(std::clamp<int64_t>(sx / 64, 0, W - 1));
            const int px1 = std::min(px + 1, W - 1);
            const int row = int(std::clamp<int64_t>(H64 - 1 - sy / 64, 1, H64 - 1));
            const int gx = int(sx % 64), gy = int(sy % 64);
            const int bx = 63 - gx, by = 63 - gy;
            const int wa = bx * by, wb = gx * by, wc = bx * gy, wd = gx * gy;

            const uint8_t* upper = bits + size_t(row) * size_t(stride);
            const uint8_t* lower = upper - stride;
            const uint8_t* a = upper + 3 * px;
            const uint8_t* b = upper + 3 * px1;
            const uint8_t* cc = lower + 3 * px;
            const uint8_t* d = lower + 3 * px1;
            uint8_t* o = out + 3 * c;
            for (int k = 0; k < 3; ++k)
                o[k] = ColourByte((a[k] * wa + b[k] * wb + cc[k] * wc + d[k] * wd) / kWeightSum);
        }
    }

    const PackedPicture& m_source;
    PackedPicture& m_frame;
    MapRef m_map;
    int m_W;
    int m_H;
    TruncatingDivider m_divW;
    TruncatingDivider m_divH;
    std::vector<ColumnCell> m_columns;
};

// Below this many output pixels a second worker costs more than it saves.
constexpr int64_t kPixelsPerWorker = 64 * 1024;

}  // namespace

int FullSizeWorkers(int threads)
{
    if (threads > 0)
        return threads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int(cores);
}

void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map, int threads)
{
    if (!Renderable(source, frame, map))
        return;
    const int rows = source.Height() - 1;
    if (rows <= 0 || source.Width() < 2)
        return;
    const FastRenderer renderer(source, frame, map);
    const int64_t pixels = int64_t(rows) * source.Width();
    const int workers = int(std::clamp<int64_t>(
        std::min<int64_t>(FullSizeWorkers(threads), (pixels + kPixelsPerWorker - 1) / kPixelsPerWorker), 1, rows));
    if (workers == 1) {
        renderer.Rows(0, rows);
        return;
    }
    // Contiguous bands of rows: every worker writes only its own rows.
    std::vector<std::jthread> pool;
    pool.reserve(size_t(workers - 1));
    for (int k = 1; k < workers; ++k) {
        const int first = int(int64_t(rows) * k / workers), last = int(int64_t(rows) * (k + 1) / workers);
        pool.emplace_back([&renderer, first, last] { renderer.Rows(first, last); });
    }
    renderer.Rows(0, int(int64_t(rows) / workers));
}

namespace reference {

void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map)
{
    if (!Renderable(source, frame, map))
        return;
    const int64_t W = source.Width(), H = source.Height(), w = map.width, h = map.height;
    for (int64_t r = 0; r <= H - 2; ++r) {
        for (int64_t c = 0; c <= W - 2; ++c) {
            // 1. Map position.
            const int64_t my64 = r * h * 64 / H, mx64 = c * w * 64 / W;
            const int mx = int(std::min(mx64 / 64, w - 2)), my = int(std::min(my64 / 64, h - 2));
            const int64_t fx = mx64 % 64, fy = my64 % 64;
            // 2. Displacement.
            const Displacement& e00 = map.At(mx, my);
            const Displacement& e10 = map.At(mx + 1, my);
            const Displacement& e01 = map.At(mx, my + 1);
            const Displacement& e11 = map.At(mx + 1, my + 1);
            const int64_t dx = (e00.dx * (63 - fx) * (63 - fy) + e10.dx * fx * (63 - fy) +
                                e01.dx * (63 - fx) * fy + e11.dx * fx * fy) / 3969;
            const int64_t dy = (e00.dy * (63 - fx) * (63 - fy) + e10.dy * fx * (63 - fy) +
                                e01.dy * (63 - fx) * fy + e11.dy * fx * fy) / 3969;
            // 3. Source position.
            const int64_t sx = dx * W / w + c * 64;
            const int64_t sy = dy * H / h + r * 64;
            // 4. Source pixels and fractions.
            const int64_t px = std::clamp<int64_t>(sx / 64, 0, W - 1);
            const int64_t px1 = std::min(px + 1, W - 1);
            const int64_t row = std::clamp<int64_t>(H - 1 - sy / 64, 1, H - 1);
            const int64_t gx = sx % 64, gy = sy % 64;
            // 5. Colour bytes.
            const uint8_t* a = source.BufferRow(int(row)) + 3 * px;
            const uint8_t* b = source.BufferRow(int(row)) + 3 * px1;
            const uint8_t* cc = source.BufferRow(int(row - 1)) + 3 * px;
            const uint8_t* d = source.BufferRow(int(row - 1)) + 3 * px1;
            uint8_t* out = frame.BufferRow(int(H - 1 - r)) + 3 * c;
            for (int k = 0; k < 3; ++k)
                out[k] = ColourByte((a[k] * (63 - gx) * (63 - gy) + b[k] * gx * (63 - gy) +
                                     cc[k] * (63 - gx) * gy + d[k] * gx * gy) / 3969);
        }
    }
}

}  // namespace reference
