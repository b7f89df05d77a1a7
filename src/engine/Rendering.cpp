#include "engine/Rendering.h"

#include "engine/PixelLanes.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

int Limit(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Clips a rectangle to the columns [x0, x1] and rows [y0, y1] (inclusive).
Rect Clip(Rect r, int x0, int y0, int x1, int y1)
{
    return Rect{std::max(r.left, x0), std::max(r.top, y0), std::min(r.right, x1 + 1), std::min(r.bottom, y1 + 1)};
}

bool SizesMatch(const PackedPicture& source, const PackedPicture& display, MapRef map)
{
    const int W = source.Width(), H = source.Height();
    return map.HasSize(W, H) && display.Width() == W && display.Height() == H && !source.Empty() && !display.Empty();
}

}  // namespace

Rect Rect::United(const Rect& o) const
{
    if (IsEmpty())
        return o;
    if (o.IsEmpty())
        return *this;
    return Rect{std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
}

PictureSize ComputeWorkingSize(int w0, int h0)
{
    PictureSize s;
    if (w0 <= 0 || h0 <= 0)
        return PictureSize{kMinWorkingSide, kMinWorkingSide};
    if (h0 < w0) {
        s.width = kWorkingSide;
        s.height = int(int64_t(kWorkingSide) * h0 / w0);
    } else {
        s.width = int(int64_t(w0) * kWorkingSide / h0);
        s.height = kWorkingSide;
    }
    s.width = std::max(s.width, kMinWorkingSide);
    s.height = std::max(s.height, kMinWorkingSide);
    return s;
}

void FitPicture(const uint8_t* source, int w0, int h0, uint8_t* destination, int W, int H)
{
    if (w0 <= 0 || h0 <= 0 || W <= 0 || H <= 0)
        return;
    const int srcStride = PictureStride(w0), dstStride = PictureStride(W);
    for (int i = 0; i < H; ++i) {
        const int sy = int(int64_t(h0) * i * 16 / H);
        // A one-row picture has no row below; use its only row twice.
        const int y0 = std::max(0, std::min(sy / 16, h0 - 2));
        const int y1 = std::min(y0 + 1, h0 - 1);
        const int fy = sy % 16;
        const uint8_t* row0 = source + size_t(y0) * srcStride;
        const uint8_t* row1 = source + size_t(y1) * srcStride;
        uint8_t* out = destination + size_t(i) * dstStride;
        for (int j = 0; j < W; ++j) {
            const int sx = int(int64_t(w0) * j * 16 / W);
            const int x0 = sx / 16;
            const int x1 = std::min(x0 + 1, w0 - 1);
            const int fx = sx % 16;
            const int wa = (15 - fx) * (15 - fy), wb = fx * (15 - fy), wc = (15 - fx) * fy, wd = fx * fy;
            for (int k = 0; k < 3; ++k) {
                const int v =
                    (row0[3 * x0 + k] * wa + row0[3 * x1 + k] * wb + row1[3 * x0 + k] * wc + row1[3 * x1 + k] * wd) /
                    225;
                out[3 * j + k] = uint8_t(Limit(v, 0, 255));
            }
        }
    }
}

PackedPicture FitPicture(const PackedPicture& source, int W, int H)
{
    PackedPicture out(W, H, source.Header().biXPelsPerMeter);
    out.Header().biYPelsPerMeter = source.Header().biYPelsPerMeter;
    FitPicture(source.Bits().data(), source.Width(), source.Height(), out.Bits().data(), W, H);
    return out;
}

// ---------------------------------------------------------------------------
// Plain versions: one pixel at a time, exactly as the arithmetic reads.

namespace reference {

void RenderRectQuick(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p)
{
    const int W = source.Width(), H = source.Height();
    for (int y = std::max(rect.top, 0); y < rect.bottom && y <= H - 1; ++y) {
        for (int x = std::max(rect.left, 0); x < rect.right && x <= W - 1; ++x) {
            const Displacement d = map.At(x, y);
            const int sy = Limit(int(y + (int64_t(p) * d.dy + 2048) / 4096), 0, H - 1);
            const int sx = Limit(int(x + (int64_t(p) * d.dx + 2048) / 4096), 0, W - 1);
            std::copy_n(source.Pixel(sx, sy), 3, display.Pixel(x, y));
        }
    }
}

void RenderRectSmooth(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p)
{
    const int W = source.Width(), H = source.Height();
    for (int y = std::max(rect.top, 1); y < rect.bottom && y <= H - 3; ++y) {
        for (int x = std::max(rect.left, 0); x < rect.right && x <= W - 3; ++x) {
            const Displacement d = map.At(x, y);
            const int64_t X = (int64_t(4096) * x + int64_t(p) * d.dx) / 64;
            const int64_t Y = (int64_t(4096) * y + int64_t(p) * d.dy) / 64;
            const int64_t v = X / 64, A = Y / 64;
            const int fx = int(X % 64), fy = int(Y % 64);
            uint8_t* out = display.Pixel(x, y);
            if (v >= 2 && v <= W - 2 && A >= 2 && A <= H - 2) {
                const int c = int(v), r = int(A);
                for (int k = 0; k < 3; ++k) {
                    const int value =
                        (source.Pixel(c, r)[k] * (63 - fx) * (63 - fy) + source.Pixel(c + 1, r)[k] * fx * (63 - fy) +
                         source.Pixel(c, r + 1)[k] * (63 - fx) * fy + source.Pixel(c + 1, r + 1)[k] * fx * fy) /
                        3969;
                    out[k] = uint8_t(value);
                }
            } else {
                const int c = int(std::clamp<int64_t>(v, 1, W - 2));
                const int r = int(std::clamp<int64_t>(A, 1, H - 2));
                std::copy_n(source.Pixel(c, r), 3, out);
            }
        }
    }
}

}  // namespace reference

// ---------------------------------------------------------------------------
// Fast versions: the same arithmetic with the bounds worked out once per
// rectangle and the row addresses once per row.

namespace {

void RenderQuickFast(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p)
{
    const int W = source.Width(), H = source.Height();
    const Rect r = Clip(rect, 0, 0, W - 1, H - 1);
    const int stride = source.Stride();
    const uint8_t* src = source.Bits().data();
    for (int y = r.top; y < r.bottom; ++y) {
        const Displacement* m = map.data + size_t(y) * W;
        uint8_t* out = display.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            const int sy = Limit(int(y + (int64_t(p) * m[x].dy + 2048) / 4096), 0, H - 1);
            const int sx = Limit(int(x + (int64_t(p) * m[x].dx + 2048) / 4096), 0, W - 1);
            const uint8_t* s = src + size_t(H - 1 - sy) * stride + 3 * sx;
            out[3 * x] = s[0];
            out[3 * x + 1] = s[1];
            out[3 * x + 2] = s[2];
        }
    }
}

// The smooth render with 64-bit positions, for maps whose values need them.
void RenderSmoothWide(const PackedPicture& source, PackedPicture& display, MapRef map, Rect r, int p)
{
    const int W = source.Width(), H = source.Height();
    const int stride = source.Stride();
    const uint8_t* src = source.Bits().data();
    for (int y = r.top; y < r.bottom; ++y) {
        const Displacement* m = map.data + size_t(y) * W;
        uint8_t* out = display.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            const int64_t X = (int64_t(4096) * x + int64_t(p) * m[x].dx) / 64;
            const int64_t Y = (int64_t(4096) * y + int64_t(p) * m[x].dy) / 64;
            const int64_t v = X / 64, A = Y / 64;
            uint8_t* o = out + 3 * x;
            if (v >= 2 && v <= W - 2 && A >= 2 && A <= H - 2) {
                const int fx = int(X % 64), fy = int(Y % 64);
                const int w00 = (63 - fx) * (63 - fy), w10 = fx * (63 - fy), w01 = (63 - fx) * fy, w11 = fx * fy;
                // Row A is buffer row H-1-A; the row below it (A+1) is one buffer row lower.
                const uint8_t* s0 = src + size_t(H - 1 - A) * stride + 3 * v;
                const uint8_t* s1 = s0 - stride;
                o[0] = uint8_t((s0[0] * w00 + s0[3] * w10 + s1[0] * w01 + s1[3] * w11) / 3969);
                o[1] = uint8_t((s0[1] * w00 + s0[4] * w10 + s1[1] * w01 + s1[4] * w11) / 3969);
                o[2] = uint8_t((s0[2] * w00 + s0[5] * w10 + s1[2] * w01 + s1[5] * w11) / 3969);
            } else {
                const int c = int(std::clamp<int64_t>(v, 1, W - 2));
                const int row = int(std::clamp<int64_t>(A, 1, H - 2));
                const uint8_t* s = src + size_t(H - 1 - row) * stride + 3 * c;
                o[0] = s[0];
                o[1] = s[1];
                o[2] = s[2];
            }
        }
    }
}

// One pixel of the 32-bit smooth render, written as exactly its three bytes.
void SmoothPixel(const PackedPicture& source, uint8_t* out, Displacement d, int32_t x, int32_t y, int p)
{
    const int W = source.Width(), H = source.Height();
    const size_t stride = size_t(source.Stride());
    const int32_t X = (4096 * x + p * d.dx) / 64, Y = (4096 * y + p * d.dy) / 64;
    const int32_t v = X / 64, A = Y / 64;
    uint8_t* o = out + 3 * x;
    if (v >= 2 && v <= W - 2 && A >= 2 && A <= H - 2) {
        const int32_t fx = X & 63, fy = Y & 63;
        const uint32_t w00 = uint32_t((63 - fx) * (63 - fy)), w10 = uint32_t(fx * (63 - fy));
        const uint32_t w01 = uint32_t((63 - fx) * fy), w11 = uint32_t(fx * fy);
        const uint8_t* s0 = source.Bits().data() + size_t(H - 1 - A) * stride + 3 * size_t(v);
        const uint8_t* s1 = s0 - stride;
        for (int k = 0; k < 3; ++k)
            o[k] = uint8_t(DivideBlendSum(s0[k] * w00 + s0[k + 3] * w10 + s1[k] * w01 + s1[k + 3] * w11));
    } else {
        const uint8_t* s = source.Pixel(std::clamp(v, 1, W - 2), std::clamp(A, 1, H - 2));
        std::copy_n(s, 3, o);
    }
}

// Whether 4096 x + p dx and 4096 y + p dy fit in 32 bits for every element of the
// rectangle's rows (0 <= p <= 64).
bool SmoothFitsIn32Bits(MapRef map, Rect r, int p, int W, int H)
{
    if (p < 0 || p > 64)
        return false;
    int64_t largest = 0;
    for (int y = r.top; y < r.bottom; ++y)
        largest = std::max(largest, LargestMagnitude(map.data + size_t(y) * W + r.left, size_t(r.right - r.left)));
    return 64 * largest + 4096 * int64_t(std::max(W, H)) < (int64_t(1) << 31);
}

#ifdef WARPLET_AVX2_LANES
// The 32-bit smooth render on AVX2: for eight pixels at once the source pixel and
// fractions, then the blends two at a time. With n = 4096 x + p dx, X = n / 64 and
// v = X / 64 truncate toward zero; where the sample is inside (v >= 2) n is
// positive and they are n >> 6 and n >> 12. Outside, any v <= 0 is limited to 1
// either way, so the shifts serve there too, and the copy of the limited pixel is
// the blend with both fractions 0 (weight 3969 on it alone).
WARPLET_AVX2 void SmoothRowsAvx2(const PackedPicture& source, PackedPicture& display, MapRef map, Rect r, int p)
{
    const int W = source.Width(), H = source.Height();
    const size_t stride = size_t(source.Stride());
    const uint8_t* src = source.Bits().data();
    std::vector<int32_t> offsets(size_t(W) + 8);
    std::vector<uint32_t> weights(size_t(W) + 8);
    const __m256i power = _mm256_set1_epi32(p), k63 = _mm256_set1_epi32(63);
    const __m256i two = _mm256_set1_epi32(2), one = _mm256_set1_epi32(1);
    const __m256i lastColumn = _mm256_set1_epi32(W - 2), lastRow = _mm256_set1_epi32(H - 2);
    const __m256i top = _mm256_set1_epi32(H - 1), rowBytes = _mm256_set1_epi32(int32_t(stride));
    const __m256i steps = _mm256_setr_epi32(0, 4096, 2 * 4096, 3 * 4096, 4 * 4096, 5 * 4096, 6 * 4096, 7 * 4096);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const Displacement* m = map.data + size_t(y) * W;
        uint8_t* out = display.Row(y);
        const __m256i rowPos = _mm256_set1_epi32(4096 * y);
        int32_t x = r.left;
        for (; x + 8 <= r.right; x += 8) {
            const __m256 first = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + x)));
            const __m256 second = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + x + 4)));
            const __m256i dx =
                _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(first, second, 0x88)), 0xD8);
            const __m256i dy =
                _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(first, second, 0xDD)), 0xD8);
            const __m256i nx =
                _mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(4096 * x), steps), _mm256_mullo_epi32(power, dx));
            const __m256i ny = _mm256_add_epi32(rowPos, _mm256_mullo_epi32(power, dy));
            const __m256i v = _mm256_srai_epi32(nx, 12), a = _mm256_srai_epi32(ny, 12);
            const __m256i inside = _mm256_andnot_si256(
                _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(two, v), _mm256_cmpgt_epi32(v, lastColumn)),
                                _mm256_or_si256(_mm256_cmpgt_epi32(two, a), _mm256_cmpgt_epi32(a, lastRow))),
                _mm256_set1_epi32(-1));
            const __m256i column = _mm256_min_epi32(_mm256_max_epi32(v, one), lastColumn);
            const __m256i row = _mm256_min_epi32(_mm256_max_epi32(a, one), lastRow);
            const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(top, row), rowBytes),
                                                    _mm256_add_epi32(column, _mm256_add_epi32(column, column)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets.data() + x), offset);
            const __m256i fx = _mm256_and_si256(_mm256_and_si256(_mm256_srai_epi32(nx, 6), k63), inside);
            const __m256i fy = _mm256_and_si256(_mm256_and_si256(_mm256_srai_epi32(ny, 6), k63), inside);
            const __m256i across = _mm256_or_si256(_mm256_sub_epi32(k63, fx), _mm256_slli_epi32(fx, 8));
            const __m256i down =
                _mm256_or_si256(_mm256_slli_epi32(_mm256_sub_epi32(k63, fy), 16), _mm256_slli_epi32(fy, 24));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(weights.data() + x), _mm256_or_si256(across, down));
        }
        const int32_t vectorEnd = x;
        // The second pixel's 4-byte write reaches the pixel after it, written next.
        for (x = r.left; x + 2 < vectorEnd || (x + 2 == vectorEnd && vectorEnd < r.right); x += 2)
            BlendTwoPixels(src + offsets[size_t(x)], src + offsets[size_t(x) + 1], stride, weights.data() + x,
                           out + 3 * x);
        for (; x < r.right; ++x)
            SmoothPixel(source, out, m[x], x, y, p);
    }
}
#endif

void RenderSmoothFast(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p,
                      [[maybe_unused]] LaneKernel kernel)
{
    const int W = source.Width(), H = source.Height();
    const Rect r = Clip(rect, 0, 1, W - 3, H - 3);
    if (r.IsEmpty())
        return;
    if (!SmoothFitsIn32Bits(map, r, p, W, H)) {
        RenderSmoothWide(source, display, map, r, p);
        return;
    }
#ifdef WARPLET_AVX2_LANES
    if (kernel == LaneKernel::Widest && HasAvx2()) {
        SmoothRowsAvx2(source, display, map, r, p);
        return;
    }
#endif
    const size_t stride = size_t(source.Stride());
    const uint8_t* src = source.Bits().data();
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const Displacement* m = map.data + size_t(y) * W;
        uint8_t* out = display.Row(y);
        for (int32_t x = r.left; x < r.right; ++x) {
            const int32_t X = (4096 * x + p * m[x].dx) / 64;
            const int32_t Y = (4096 * y + p * m[x].dy) / 64;
            const int32_t v = X / 64, A = Y / 64;
            uint8_t* o = out + 3 * x;
            if (v >= 2 && v <= W - 2 && A >= 2 && A <= H - 2) {
                // X and Y are positive here, so the remainders are 0..63.
                const int32_t fx = X & 63, fy = Y & 63;
                const int32_t w00 = (63 - fx) * (63 - fy), w10 = fx * (63 - fy), w01 = (63 - fx) * fy, w11 = fx * fy;
                const uint8_t* s0 = src + size_t(H - 1 - A) * stride + 3 * size_t(v);
                const uint8_t* s1 = s0 - stride;
#if defined(__SSE2__)
                // The 8-byte reads end at most 2 bytes past column W-1 of a row that
                // has another row after it; the 4-byte write reaches the next pixel,
                // which is written after this one.
                if (x + 1 < r.right) {
                    BlendPixel(s0, s1, w00, w10, w01, w11, o);
                    continue;
                }
#endif
                for (int k = 0; k < 3; ++k)
                    o[k] = uint8_t(
                        DivideBlendSum(uint32_t(s0[k] * w00 + s0[k + 3] * w10 + s1[k] * w01 + s1[k + 3] * w11)));
            } else {
                const int32_t c = std::clamp(v, 1, W - 2);
                const int32_t row = std::clamp(A, 1, H - 2);
                const uint8_t* s = src + size_t(H - 1 - row) * stride + 3 * size_t(c);
                o[0] = s[0];
                o[1] = s[1];
                o[2] = s[2];
            }
        }
    }
}

}  // namespace

bool RenderRect(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p, bool smooth,
                LaneKernel kernel)
{
    if (!SizesMatch(source, display, map))
        return false;
    if (smooth)
        RenderSmoothFast(source, display, map, rect, p, kernel);
    else
        RenderQuickFast(source, display, map, rect, p);
    return true;
}
