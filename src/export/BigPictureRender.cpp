#include "export/BigPictureRender.h"

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kWeightSum = 63 * 63;  // 3969

// A negative remainder gives weights outside 0..63 (the blend extrapolates), so
// a colour value can leave 0..255; it is limited instead of wrapping around.
inline uint8_t ColourByte(int64_t value)
{
    return uint8_t(std::clamp<int64_t>(value, 0, 255));
}

bool Renderable(const PackedPicture& source, const PackedPicture& frame, MapRef map)
{
    const int W = source.Width(), H = source.Height();
    return map.Attached() && map.width >= 2 && map.height >= 2 && W >= 1 && H >= 1 && frame.Width() == W &&
           frame.Height() == H && source.Bits().size() >= size_t(H) * size_t(source.Stride()) &&
           frame.Bits().size() >= size_t(H) * size_t(frame.Stride());
}

// Where column c of the output falls in the map.
struct ColumnCell {
    int32_t mx;  // map column, limited to w-2
    int32_t fx;  // fraction 0..63
};

// Whether every intermediate value of a frame fits in 32 bits, so the narrow
// path gives the same integers as the 64-bit arithmetic. With m the largest
// stored magnitude: the row blends are at most 63m, the full blends 3969m, the
// displacement itself at most m (the weights are non-negative), dx*W at most
// m*W, and the source position at most m*W + 64*W (the same for H).
bool FitsIn32Bits(int64_t m, int W, int H)
{
    constexpr int64_t kLimit = int64_t(1) << 31;
    const int64_t side = std::max(W, H);
    return m * kWeightSum < kLimit && m * side + 64 * side < kLimit;
}

// Colour byte of a bilinear sum: truncation toward zero, then 0..255. A
// negative sum gives 0 either way, so an unsigned division of max(sum, 0)
// (cheaper than a signed one) gives the same byte.
inline uint8_t BlendedByte(int32_t sum)
{
    const uint32_t q = uint32_t(std::max(sum, 0)) / uint32_t(kWeightSum);
    return uint8_t(std::min(q, 255u));
}

class FastRenderer {
public:
    FastRenderer(const PackedPicture& source, PackedPicture& frame, MapRef map, [[maybe_unused]] LaneKernel kernel)
            : m_source(source), m_frame(frame), m_map(map), m_W(source.Width()), m_H(source.Height()),
              m_narrow(FitsIn32Bits(LargestMagnitude(map.data, map.Count()), m_W, m_H)), m_divW(map.width),
              m_divH(map.height)
    {
        const int64_t w = map.width;
        m_columns.resize(size_t(std::max(m_W - 1, 0)));
        for (int c = 0; c + 1 < m_W; ++c) {
            const int64_t mx64 = int64_t(c) * w * 64 / m_W;
            m_columns[size_t(c)] = {int32_t(std::min<int64_t>(mx64 / 64, w - 2)), int32_t(mx64 % 64)};
        }
#ifdef WARPLET_AVX2_LANES
        // Byte offsets into the source are formed in 32 bits.
        m_lanes = kernel == LaneKernel::Widest && m_narrow && HasAvx2() &&
                  int64_t(m_H) * source.Stride() < (int64_t(1) << 31);
        if (m_lanes) {
            for (const ColumnCell& cell : m_columns) {
                m_cellColumns.push_back(cell.mx);
                m_cellFractions.push_back(cell.fx);
            }
        }
#endif
    }

    void Rows(int first, int last) const
    {
        if (m_narrow) {
            std::vector<int32_t> vx(size_t(m_map.width)), vy(size_t(m_map.width));
#ifdef WARPLET_AVX2_LANES
            if (m_lanes) {
                std::vector<int32_t> offsets(static_cast<size_t>(m_W));
                std::vector<uint32_t> weights(static_cast<size_t>(m_W));
                for (int r = first; r < last; ++r)
                    LaneRow(r, vx.data(), vy.data(), offsets.data(), weights.data());
                return;
            }
#endif
            for (int r = first; r < last; ++r)
                NarrowRow(r, vx.data(), vy.data());
        } else {
            std::vector<int64_t> vx(size_t(m_map.width)), vy(size_t(m_map.width));
            for (int r = first; r < last; ++r)
                WideRow(r, vx, vy);
        }
    }

private:
    struct RowCell {
        int my;
        int32_t fy;
    };
    RowCell CellOfRow(int r) const
    {
        const int64_t h = m_map.height;
        const int64_t my64 = int64_t(r) * h * 64 / m_H;
        return {int(std::min<int64_t>(my64 / 64, h - 2)), int32_t(my64 % 64)};
    }

    // The blend of the displacement regrouped: with V(x) = e(x, my)(63 - fy) +
    // e(x, my + 1)fy, the sum is (63 - fx)V(mx) + fx V(mx + 1), the same integer
    // before the division. V is formed once per row for every map column.
    template <typename T>
    void RowBlends(int r, T* vx, T* vy) const
    {
        const RowCell cell = CellOfRow(r);
        const T fy = cell.fy, ay = 63 - fy;
        const Displacement* top = m_map.data + size_t(cell.my) * size_t(m_map.width);
        const Displacement* below = top + m_map.width;
        for (int x = 0; x < m_map.width; ++x) {
            vx[x] = T(top[x].dx) * ay + T(below[x].dx) * fy;
            vy[x] = T(top[x].dy) * ay + T(below[x].dy) * fy;
        }
    }

    // One output row in 32-bit arithmetic (the frame's values allow it).
    void NarrowRow(int r, int32_t* vx, int32_t* vy) const
    {
        RowBlends(r, vx, vy);
        uint8_t* out = m_frame.BufferRow(m_H - 1 - r);
        for (int32_t c = 0; c + 1 < m_W; ++c)
            NarrowPixel(r * 64, c, vx, vy, out);
    }

    // Output pixel c of the row at rowPos = 64r, whose displacement blends vx, vy.
    void NarrowPixel(int32_t rowPos, int32_t c, const int32_t* vx, const int32_t* vy, uint8_t* out) const
    {
        const int32_t W = m_W, H = m_H;
        const size_t stride = size_t(m_source.Stride());
        const uint8_t* bits = m_source.Bits().data();
        const ColumnCell cell = m_columns[size_t(c)];
        const int32_t fx = cell.fx, ax = 63 - fx;
        const int32_t dx = (vx[cell.mx] * ax + vx[cell.mx + 1] * fx) / kWeightSum;
        const int32_t dy = (vy[cell.mx] * ax + vy[cell.mx + 1] * fx) / kWeightSum;
        const int32_t sx = m_divW(dx * W) + c * 64;
        const int32_t sy = m_divH(dy * H) + rowPos;

        const int32_t qx = sx / 64, qy = sy / 64;
        const int32_t px = std::clamp(qx, 0, W - 1);
        const int32_t px1 = std::min(px + 1, W - 1);
        const int32_t row = std::clamp(H - 1 - qy, 1, H - 1);
        const int32_t gx = sx - qx * 64, gy = sy - qy * 64;
        const int32_t bx = 63 - gx, by = 63 - gy;
        const int32_t wa = bx * by, wb = gx * by, wc = bx * gy, wd = gx * gy;

        const uint8_t* upper = bits + size_t(row) * stride;
        const uint8_t* lower = upper - stride;
        const uint8_t* a = upper + 3 * px;
        const uint8_t* b = upper + 3 * px1;
        const uint8_t* cc = lower + 3 * px;
        const uint8_t* d = lower + 3 * px1;
        uint8_t* o = out + 3 * c;
        // Row r + 2 reads about three buffer rows further down at this column:
        // fetching it now hides most of the wait for the source.
        __builtin_prefetch(bits + size_t(std::max(row - 3, 0)) * stride + 3 * size_t(px));
#if defined(__SSE2__)
        // 8-byte reads stay inside the row while px <= W-3 (then px1 = px + 1),
        // and the 4-byte write stays inside the written columns while c < W-2.
        if ((sx | sy) >= 0 && px <= W - 3 && c < W - 2) {
            BlendPixel(a, cc, wa, wb, wc, wd, o);
            return;
        }
#endif
        if ((sx | sy) >= 0) {
            // Both remainders are non-negative: the weights are 0..3969 and
            // sum to 3969, so the blend is already 0..255.
            const uint32_t ua = uint32_t(wa), ub = uint32_t(wb), uc = uint32_t(wc), ud = uint32_t(wd);
            for (int k = 0; k < 3; ++k)
                o[k] = uint8_t(DivideBlendSum(a[k] * ua + b[k] * ub + cc[k] * uc + d[k] * ud));
        } else {
            for (int k = 0; k < 3; ++k)
                o[k] = BlendedByte(a[k] * wa + b[k] * wb + cc[k] * wc + d[k] * wd);
        }
    }

#ifdef WARPLET_AVX2_LANES
    // One output row in two passes over eight columns at a time: first every
    // column's source offset and weights, then the blend, two pixels at once.
    // Columns whose position is negative or whose right neighbour is limited
    // (offset -1) take the one-pixel path, as does the tail of the row.
    WARPLET_AVX2 void LaneRow(int r, int32_t* vx, int32_t* vy, int32_t* offsets, uint32_t* weights) const
    {
        RowBlends(r, vx, vy);
        const int count = m_W - 1;  // the written columns
        LaneCoordinates(r, vx, vy, offsets, weights);
        const size_t stride = size_t(m_source.Stride());
        const uint8_t* bits = m_source.Bits().data();
        uint8_t* out = m_frame.BufferRow(m_H - 1 - r);
        int c = 0;
        // The second pixel's 4-byte write reaches column c + 2, written after it.
        for (; c + 2 < count; c += 2) {
            const int32_t o0 = offsets[c], o1 = offsets[c + 1];
            if ((o0 | o1) < 0) {
                NarrowPixel(r * 64, c, vx, vy, out);
                NarrowPixel(r * 64, c + 1, vx, vy, out);
                continue;
            }
            __builtin_prefetch(bits + std::max<ptrdiff_t>(o0 - ptrdiff_t(3 * stride), 0));
            BlendTwoPixels(bits + o0, bits + o1, stride, weights + c, out + 3 * c);
        }
        for (; c < count; ++c)
            NarrowPixel(r * 64, c, vx, vy, out);
    }

    WARPLET_AVX2 void LaneCoordinates(int r, const int32_t* vx, const int32_t* vy, int32_t* offsets,
                                      uint32_t* weights) const
    {
        const int count = m_W - 1;
        const LaneDivisor byWeightSum = Lanes(m_div3969), byW = Lanes(m_divW), byH = Lanes(m_divH);
        const __m256i k63 = _mm256_set1_epi32(63);
        const __m256i pictureW = _mm256_set1_epi32(m_W), pictureH = _mm256_set1_epi32(m_H);
        const LaneSource taps = LanesOf(m_W, m_H, m_source.Stride());
        const __m256i rowPos = _mm256_set1_epi32(r * 64);
        const __m256i steps = _mm256_setr_epi32(0, 64, 128, 192, 256, 320, 384, 448);
        const int* xs = vx;
        const int* ys = vy;
        int c = 0;
        for (; c + 8 <= count; c += 8) {
            const __m256i mx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m_cellColumns.data() + c));
            const __m256i fx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m_cellFractions.data() + c));
            const __m256i ax = _mm256_sub_epi32(k63, fx);
            const __m256i nx = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_i32gather_epi32(xs, mx, 4), ax),
                                                _mm256_mullo_epi32(_mm256_i32gather_epi32(xs + 1, mx, 4), fx));
            const __m256i ny = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_i32gather_epi32(ys, mx, 4), ax),
                                                _mm256_mullo_epi32(_mm256_i32gather_epi32(ys + 1, mx, 4), fx));
            const __m256i dx = DivideLanes(nx, byWeightSum.multiplier, byWeightSum.shift);
            const __m256i dy = DivideLanes(ny, byWeightSum.multiplier, byWeightSum.shift);
            const __m256i sx =
                _mm256_add_epi32(DivideLanes(_mm256_mullo_epi32(dx, pictureW), byW.multiplier, byW.shift),
                                 _mm256_add_epi32(_mm256_set1_epi32(c * 64), steps));
            const __m256i sy =
                _mm256_add_epi32(DivideLanes(_mm256_mullo_epi32(dy, pictureH), byH.multiplier, byH.shift), rowPos);
            SourceTaps(sx, sy, taps, offsets + c, weights + c);
        }
        for (; c < count; ++c)
            offsets[c] = -1;
    }
#endif

    // One output row in 64-bit arithmetic, for maps holding values too large
    // for the narrow path.
    void WideRow(int r, std::vector<int64_t>& vx, std::vector<int64_t>& vy) const
    {
        RowBlends(r, vx.data(), vy.data());
        const int W = m_W, H = m_H;
        const int stride = m_source.Stride();
        const uint8_t* bits = m_source.Bits().data();
        uint8_t* out = m_frame.BufferRow(H - 1 - r);
        const int64_t W64 = W, H64 = H, w64 = m_map.width, h64 = m_map.height, rowPos = int64_t(r) * 64;

        for (int c = 0; c + 1 < W; ++c) {
            const ColumnCell cell = m_columns[size_t(c)];
            const int64_t fx = cell.fx, ax = 63 - fx;
            const size_t mx = size_t(cell.mx);
            const int64_t dx = (vx[mx] * ax + vx[mx + 1] * fx) / kWeightSum;
            const int64_t dy = (vy[mx] * ax + vy[mx + 1] * fx) / kWeightSum;
            const int64_t sx = dx * W64 / w64 + int64_t(c) * 64;
            const int64_t sy = dy * H64 / h64 + rowPos;

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
    bool m_narrow;            // every value of this frame fits the 32-bit path
    InvariantDivisor m_divW;  // by the map width
    InvariantDivisor m_divH;  // by the map height
    InvariantDivisor m_div3969{kWeightSum};
    std::vector<ColumnCell> m_columns;
#ifdef WARPLET_AVX2_LANES
    bool m_lanes = false;                // rows run on AVX2
    std::vector<int32_t> m_cellColumns;  // m_columns split, for vector loads
    std::vector<int32_t> m_cellFractions;
#endif
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

void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map, int threads, LaneKernel kernel)
{
    if (!Renderable(source, frame, map))
        return;
    const int rows = source.Height() - 1;
    if (rows <= 0 || source.Width() < 2)
        return;
    const FastRenderer renderer(source, frame, map, kernel);
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

void FullSizePixel(const PackedPicture& source, MapRef map, int64_t c, int64_t r, int power, uint8_t bgr[3])
{
    const int64_t W = source.Width(), H = source.Height(), w = map.width, h = map.height;
    // 1. Map position.
    const int64_t my64 = r * h * 64 / H, mx64 = c * w * 64 / W;
    const int mx = int(std::min(mx64 / 64, w - 2)), my = int(std::min(my64 / 64, h - 2));
    const int64_t fx = mx64 % 64, fy = my64 % 64;
    // 2. Displacement, scaled by the power.
    const Displacement& e00 = map.At(mx, my);
    const Displacement& e10 = map.At(mx + 1, my);
    const Displacement& e01 = map.At(mx, my + 1);
    const Displacement& e11 = map.At(mx + 1, my + 1);
    int64_t dx =
        (e00.dx * (63 - fx) * (63 - fy) + e10.dx * fx * (63 - fy) + e01.dx * (63 - fx) * fy + e11.dx * fx * fy) / 3969;
    int64_t dy =
        (e00.dy * (63 - fx) * (63 - fy) + e10.dy * fx * (63 - fy) + e01.dy * (63 - fx) * fy + e11.dy * fx * fy) / 3969;
    if (power != 64) {
        dx = dx * power / 64;
        dy = dy * power / 64;
    }
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
    for (int k = 0; k < 3; ++k)
        bgr[k] = ColourByte(
            (a[k] * (63 - gx) * (63 - gy) + b[k] * gx * (63 - gy) + cc[k] * (63 - gx) * gy + d[k] * gx * gy) / 3969);
}

void RenderFullSize(const PackedPicture& source, PackedPicture& frame, MapRef map)
{
    if (!Renderable(source, frame, map))
        return;
    const int64_t W = source.Width(), H = source.Height();
    for (int64_t r = 0; r <= H - 2; ++r)
        for (int64_t c = 0; c <= W - 2; ++c)
            FullSizePixel(source, map, c, r, 64, frame.BufferRow(int(H - 1 - r)) + 3 * c);
}

}  // namespace reference
