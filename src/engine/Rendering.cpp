#include "engine/Rendering.h"

#include <algorithm>

namespace {

int Limit(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Clips a rectangle to the columns [x0, x1] and rows [y0, y1] (inclusive).
Rect Clip(Rect r, int x0, int y0, int x1, int y1)
{
    return Rect{std::max(r.left, x0), std::max(r.top, y0), std::min(r.right, x1 + 1), std::min(r.bottom, y1 + 1)};
}

bool SizesMatch(const PackedPicture& source, const PackedPicture& display, MapRef map)
{
    const int W = source.Width(), H = source.Height();
    return map.HasSize(W, H) && display.Width() == W && display.Height() == H && !source.Empty() &&
           !display.Empty();
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
                const int v = (row0[3 * x0 + k] * wa + row0[3 * x1 + k] * wb + row1[3 * x0 + k] * wc +
                               row1[3 * x1 + k] * wd) / 225;
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
                    const int value = (source.Pixel(c, r)[k] * (63 - fx) * (63 - fy) +
                                       source.Pixel(c + 1, r)[k] * fx * (63 - fy) +
                                       source.Pixel(c, r + 1)[k] * (63 - fx) * fy +
                                       source.Pixel(c + 1, r + 1)[k] * fx * fy) / 3969;
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

void RenderSmoothFast(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p)
{
    const int W = source.Width(), H = source.Height();
    const Rect r = Clip(rect, 0, 1, W - 3, H - 3);
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

}  // namespace

bool RenderRect(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p, bool smooth)
{
    if (!SizesMatch(source, display, map))
        return false;
    if (smooth)
        RenderSmoothFast(source, display, map, rect, p);
    else
        RenderQuickFast(source, display, map, rect, p);
    return true;
}
