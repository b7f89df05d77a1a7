#include "work/ZoomedView.h"

#include "engine/PixelLanes.h"
#include "export/BigPictureRender.h"
#include "work/ZoomView.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

PackedPicture DetailPicture(const PackedPicture& loaded, int W, int H)
{
    const int maxW = ZoomView::kMaxScale * W, maxH = ZoomView::kMaxScale * H;
    if (loaded.Width() <= maxW && loaded.Height() <= maxH)
        return loaded;
    return FitPicture(loaded, maxW, maxH);
}

namespace {

// Where one magnified column or row falls in the map: the cell (limited to
// the map's last but one) and the fraction 0..63.
struct Cell {
    int index;
    int fraction;
};

Cell CellOf(int64_t position, int64_t mapSide, int64_t side)
{
    const int64_t m64 = position * mapSide * 64 / side;
    return {int(std::min(m64 / 64, mapSide - 2)), int(m64 % 64)};
}

// The part of the magnified picture a call writes: columns [left, right) and
// rows [top, bottom), magnified pixel (c, r) going to (c + offX, r + offY).
struct Piece {
    int64_t left, top, right, bottom, offX, offY;
};

// The target's rows, taken once (QImage's own row access checks for a detach
// on every call).
struct Target {
    uchar* bits;
    qsizetype bytesPerLine;
    QRgb* Line(int64_t y) const { return reinterpret_cast<QRgb*>(bits + y * bytesPerLine); }
};

std::optional<Piece> ClipPiece(const PackedPicture& source, MapRef map, Rect area, const QImage& into, int atX, int atY)
{
    const int64_t W = source.Width(), H = source.Height();
    if (!map.Attached() || map.width < 2 || map.height < 2 || W < 2 || H < 2 || source.Empty() ||
        into.format() != QImage::Format_RGB32)
        return std::nullopt;
    Piece piece{};
    piece.offX = int64_t(atX) - area.left;
    piece.offY = int64_t(atY) - area.top;
    piece.left = std::max<int64_t>({area.left, 0, -piece.offX});
    piece.top = std::max<int64_t>({area.top, 0, -piece.offY});
    piece.right = std::min<int64_t>({area.right, W, into.width() - piece.offX});
    piece.bottom = std::min<int64_t>({area.bottom, H, into.height() - piece.offY});
    if (piece.right <= piece.left || piece.bottom <= piece.top)
        return std::nullopt;
    return piece;
}

inline QRgb SourcePixel(const PackedPicture& source, int64_t c, int64_t r)
{
    const uint8_t* s = source.Pixel(int(c), int(r));
    return qRgb(s[2], s[1], s[0]);
}

// The per-pixel arithmetic of the export, as it reads, in 64 bits.
void PlainPiece(const PackedPicture& source, MapRef map, int p, const Piece& piece, Target into)
{
    const int64_t W = source.Width(), H = source.Height();
    for (int64_t r = piece.top; r < piece.bottom; ++r) {
        auto* line = into.Line(r + piece.offY);
        for (int64_t c = piece.left; c < piece.right; ++c) {
            QRgb& pixel = line[c + piece.offX];
            if (c == W - 1 || r == H - 1) {
                pixel = SourcePixel(source, c, r);
                continue;
            }
            uint8_t bgr[3];
            reference::FullSizePixel(source, map, c, r, p, bgr);
            pixel = qRgb(bgr[2], bgr[1], bgr[0]);
        }
    }
}

int64_t LargestMagnitude(MapRef map, int left, int top, int right, int bottom)
{
    int64_t m = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const Displacement& e = map.At(x, y);
            m = std::max({m, std::abs(int64_t(e.dx)), std::abs(int64_t(e.dy))});
        }
    }
    return m;
}

// The values the 32-bit path needs for every pixel of a piece.
struct Narrow {
    const PackedPicture& source;
    int32_t W, H, sxScale, syScale, p;
    // The piece's blended columns: map cell (relative to the first one the
    // row blends hold) and fraction, by column - left.
    const int32_t* cells;
    const int32_t* fractions;
    int32_t left;
};

// One magnified pixel (c, r) whose row blends are vx, vy.
inline QRgb NarrowPixel(const Narrow& n, const int32_t* vx, const int32_t* vy, int32_t c, int32_t r)
{
    const int32_t W = n.W, H = n.H;
    const size_t i = size_t(n.cells[c - n.left]);
    const int32_t fx = n.fractions[c - n.left];
    int32_t dx = ((63 - fx) * vx[i] + fx * vx[i + 1]) / 3969;
    int32_t dy = ((63 - fx) * vy[i] + fx * vy[i + 1]) / 3969;
    if (n.p != 64) {
        dx = dx * n.p / 64;
        dy = dy * n.p / 64;
    }
    const int32_t sx = dx * n.sxScale + c * 64;
    const int32_t sy = dy * n.syScale + r * 64;
    const int32_t px = std::clamp(sx / 64, 0, W - 1);
    const int32_t px1 = std::min(px + 1, W - 1);
    const int32_t bufferRow = std::clamp(H - 1 - sy / 64, 1, H - 1);
    const int32_t gx = sx % 64, gy = sy % 64;
    const int32_t wa = (63 - gx) * (63 - gy), wb = gx * (63 - gy), wc = (63 - gx) * gy, wd = gx * gy;
    const uint8_t* upperRow = n.source.BufferRow(bufferRow);
    const uint8_t* lowerRow = n.source.BufferRow(bufferRow - 1);
    const uint8_t* a = upperRow + 3 * px;
    const uint8_t* b = upperRow + 3 * px1;
    const uint8_t* cc = lowerRow + 3 * px;
    const uint8_t* d = lowerRow + 3 * px1;
    // Truncation toward zero and then 0..255: a negative sum gives 0 either
    // way, so the cheaper unsigned division of max(sum, 0) serves.
    uint32_t bgr[3];
    for (int k = 0; k < 3; ++k)
        bgr[k] = std::min(uint32_t(std::max(a[k] * wa + b[k] * wb + cc[k] * wc + d[k] * wd, 0)) / 3969u, 255u);
    return qRgb(bgr[2], bgr[1], bgr[0]);
}

#ifdef WARPLET_AVX2_LANES
// d * p / 64 truncating toward zero in every lane: a negative product is raised
// by 63 before the shift.
WARPLET_AVX2 inline __m256i ScaledByPower(__m256i d, __m256i power)
{
    const __m256i t = _mm256_mullo_epi32(d, power);
    return _mm256_srai_epi32(_mm256_add_epi32(t, _mm256_and_si256(_mm256_srai_epi32(t, 31), _mm256_set1_epi32(63))), 6);
}

// Columns [c, right) of row r eight at a time on AVX2, as NarrowPixel forms
// them: first each column's source offset and weights in lanes, then the
// blends two pixels at once. A pair with a negative position or a limited right
// neighbour takes NarrowPixel. `line` holds column `left`. Returns the first
// column not written.
WARPLET_AVX2 int32_t LaneColumns(const Narrow& n, const int32_t* vx, const int32_t* vy, int32_t c, int32_t right,
                                 int32_t r, QRgb* line)
{
    const LaneDivisor byWeightSum = Lanes(InvariantDivisor(3969));
    const __m256i k63 = _mm256_set1_epi32(63), power = _mm256_set1_epi32(n.p);
    const __m256i scaleX = _mm256_set1_epi32(n.sxScale), scaleY = _mm256_set1_epi32(n.syScale);
    const LaneSource taps = LanesOf(n.W, n.H, n.source.Stride());
    const __m256i rowPos = _mm256_set1_epi32(r * 64);
    const __m256i steps = _mm256_setr_epi32(0, 64, 128, 192, 256, 320, 384, 448);
    const uint8_t* bits = n.source.Bits().data();
    alignas(32) int32_t offsets[8];
    alignas(32) uint32_t weights[8];
    for (; c + 8 <= right; c += 8) {
        const __m256i mx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n.cells + (c - n.left)));
        const __m256i fx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n.fractions + (c - n.left)));
        const __m256i ax = _mm256_sub_epi32(k63, fx);
        const __m256i nx = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_i32gather_epi32(vx, mx, 4), ax),
                                            _mm256_mullo_epi32(_mm256_i32gather_epi32(vx + 1, mx, 4), fx));
        const __m256i ny = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_i32gather_epi32(vy, mx, 4), ax),
                                            _mm256_mullo_epi32(_mm256_i32gather_epi32(vy + 1, mx, 4), fx));
        __m256i dx = DivideLanes(nx, byWeightSum.multiplier, byWeightSum.shift);
        __m256i dy = DivideLanes(ny, byWeightSum.multiplier, byWeightSum.shift);
        if (n.p != 64) {
            dx = ScaledByPower(dx, power);
            dy = ScaledByPower(dy, power);
        }
        const __m256i sx =
            _mm256_add_epi32(_mm256_mullo_epi32(dx, scaleX), _mm256_add_epi32(_mm256_set1_epi32(c * 64), steps));
        const __m256i sy = _mm256_add_epi32(_mm256_mullo_epi32(dy, scaleY), rowPos);
        SourceTaps(sx, sy, taps, offsets, weights);
        for (int j = 0; j < 8; j += 2) {
            if ((offsets[j] | offsets[j + 1]) < 0) {
                line[c - n.left + j] = NarrowPixel(n, vx, vy, c + j, r);
                line[c - n.left + j + 1] = NarrowPixel(n, vx, vy, c + j + 1, r);
            } else {
                BlendTwoPixelsRgb32(bits + offsets[j], bits + offsets[j + 1], size_t(n.source.Stride()), weights + j,
                                    line + (c - n.left) + j);
            }
        }
    }
    return c;
}
#endif

// The same integers in 32 bits, for a magnification by whole factors and map
// values small enough that no intermediate leaves 32 bits: the displacement
// blend regrouped as (63 - fx) V(mx) + fx V(mx + 1) with V(x) = e(x, my)(63 -
// fy) + e(x, my + 1) fy formed once per row. Returns false, writing nothing,
// where it does not apply.
bool FastPiece(const PackedPicture& source, MapRef map, int p, const Piece& piece, Target into,
               [[maybe_unused]] LaneKernel kernel)
{
    const int W = source.Width(), H = source.Height(), w = map.width, h = map.height;
    if (W % w != 0 || H % h != 0)
        return false;
    const int sxScale = W / w, syScale = H / h;
    // The columns and rows blended: all but the last column and row.
    const int32_t left = int32_t(piece.left), top = int32_t(piece.top);
    const int32_t right = int32_t(std::min<int64_t>(piece.right, W - 1));
    const int32_t bottom = int32_t(std::min<int64_t>(piece.bottom, H - 1));
    if (right > left && bottom > top) {
        const int mxFirst = CellOf(left, w, W).index, mxEnd = CellOf(right - 1, w, W).index + 2;
        const int myFirst = CellOf(top, h, H).index, myEnd = CellOf(bottom - 1, h, H).index + 2;
        const int64_t m = LargestMagnitude(map, mxFirst, myFirst, mxEnd, myEnd);
        constexpr int64_t kLimit = int64_t(1) << 31;
        const int64_t side = std::max(W, H), scale = std::max(sxScale, syScale);
        if (m * 3969 >= kLimit || m * scale + 64 * side >= kLimit)
            return false;
        std::vector<int32_t> cells(size_t(right - left)), fractions(size_t(right - left));
        for (int32_t c = left; c < right; ++c) {
            const Cell col = CellOf(c, w, W);
            cells[size_t(c - left)] = col.index - mxFirst;
            fractions[size_t(c - left)] = col.fraction;
        }
        const Narrow narrow{source, W, H, sxScale, syScale, p, cells.data(), fractions.data(), left};
#ifdef WARPLET_AVX2_LANES
        // Byte offsets into the source are formed in 32 bits.
        const bool lanes =
            kernel == LaneKernel::Widest && HasAvx2() && int64_t(H) * source.Stride() < (int64_t(1) << 31);
#endif
        std::vector<int32_t> vx(size_t(mxEnd - mxFirst)), vy(size_t(mxEnd - mxFirst));
        for (int32_t r = top; r < bottom; ++r) {
            const Cell row = CellOf(r, h, H);
            const int32_t fy = row.fraction;
            const Displacement* upper = &map.At(0, row.index);
            const Displacement* lower = &map.At(0, row.index + 1);
            for (int x = mxFirst; x < mxEnd; ++x) {
                vx[size_t(x - mxFirst)] = upper[x].dx * (63 - fy) + lower[x].dx * fy;
                vy[size_t(x - mxFirst)] = upper[x].dy * (63 - fy) + lower[x].dy * fy;
            }
            QRgb* line = into.Line(r + piece.offY) + (piece.offX + left);
            int32_t c = left;
#ifdef WARPLET_AVX2_LANES
            if (lanes)
                c = LaneColumns(narrow, vx.data(), vy.data(), c, right, r, line);
#endif
            for (; c < right; ++c)
                line[c - left] = NarrowPixel(narrow, vx.data(), vy.data(), c, r);
        }
    }
    // The last column and the bottom row show the source.
    for (int64_t r = piece.top; r < piece.bottom; ++r) {
        auto* line = into.Line(r + piece.offY);
        if (r == H - 1) {
            for (int64_t c = piece.left; c < piece.right; ++c)
                line[c + piece.offX] = SourcePixel(source, c, r);
        } else if (piece.right == W) {
            line[W - 1 + piece.offX] = SourcePixel(source, W - 1, r);
        }
    }
    return true;
}

}  // namespace

void RenderZoomedRect(const PackedPicture& source, MapRef map, int p, Rect area, QImage& into, int atX, int atY,
                      LaneKernel kernel)
{
    const std::optional<Piece> piece = ClipPiece(source, map, area, into, atX, atY);
    if (!piece)
        return;
    // One thread: a whole view takes well under a millisecond, less than a
    // second thread costs to start or to wait for on a busy machine.
    const Target target{into.bits(), into.bytesPerLine()};
    if (!FastPiece(source, map, p, *piece, target, kernel))
        PlainPiece(source, map, p, *piece, target);
}

namespace reference {

void RenderZoomedRect(const PackedPicture& source, MapRef map, int p, Rect area, QImage& into, int atX, int atY)
{
    if (const std::optional<Piece> piece = ClipPiece(source, map, area, into, atX, atY))
        PlainPiece(source, map, p, *piece, Target{into.bits(), into.bytesPerLine()});
}

}  // namespace reference

void ZoomedView::SetDetail(std::shared_ptr<const PackedPicture> detail, int W, int H)
{
    if (detail == m_detail && W == m_nW && H == m_nH)
        return;
    m_detail = std::move(detail);
    m_nW = W;
    m_nH = H;
    m_sources = {};
}

const PackedPicture& ZoomedView::SourceAt(int scale)
{
    static const PackedPicture kNone;
    if (!m_detail || scale < 1 || scale > ZoomView::kMaxScale || !std::has_single_bit(unsigned(scale)))
        return kNone;
    PackedPicture& made = m_sources[size_t(std::countr_zero(unsigned(scale)))];
    if (made.Empty()) {
        const int W = scale * m_nW, H = scale * m_nH;
        made = (m_detail->Width() == W && m_detail->Height() == H) ? *m_detail : FitPicture(*m_detail, W, H);
    }
    return made;
}

void ZoomedView::Render(MapRef map, int scale, int p, Rect area, QImage& into, int atX, int atY)
{
    if (!map.HasSize(m_nW, m_nH))
        return;
    const PackedPicture& source = SourceAt(scale);
    if (!source.Empty())
        RenderZoomedRect(source, map, p, area, into, atX, atY);
}
