#include "work/ZoomedView.h"

#include "work/ZoomView.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <thread>
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

inline uint8_t ColourByte(int64_t value)
{
    return uint8_t(std::clamp<int64_t>(value, 0, 255));
}

// The part of the magnified picture a call writes: columns [left, right) and
// rows [top, bottom), magnified pixel (c, r) going to (c + offX, r + offY).
struct Piece {
    int64_t left, top, right, bottom, offX, offY;
};

// The target's rows, taken once on the calling thread (QImage's own row access
// may detach, which is not for several threads at once).
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
    const int64_t W = source.Width(), H = source.Height(), w = map.width, h = map.height;
    for (int64_t r = piece.top; r < piece.bottom; ++r) {
        auto* line = into.Line(r + piece.offY);
        const Cell row = CellOf(r, h, H);
        const int64_t fy = row.fraction;
        for (int64_t c = piece.left; c < piece.right; ++c) {
            QRgb& pixel = line[c + piece.offX];
            if (c == W - 1 || r == H - 1) {
                pixel = SourcePixel(source, c, r);
                continue;
            }
            const Cell col = CellOf(c, w, W);
            const int64_t fx = col.fraction;
            const Displacement& e00 = map.At(col.index, row.index);
            const Displacement& e10 = map.At(col.index + 1, row.index);
            const Displacement& e01 = map.At(col.index, row.index + 1);
            const Displacement& e11 = map.At(col.index + 1, row.index + 1);
            int64_t dx = (e00.dx * (63 - fx) * (63 - fy) + e10.dx * fx * (63 - fy) + e01.dx * (63 - fx) * fy +
                          e11.dx * fx * fy) /
                         3969;
            int64_t dy = (e00.dy * (63 - fx) * (63 - fy) + e10.dy * fx * (63 - fy) + e01.dy * (63 - fx) * fy +
                          e11.dy * fx * fy) /
                         3969;
            if (p != 64) {
                dx = dx * p / 64;
                dy = dy * p / 64;
            }
            const int64_t sx = dx * W / w + c * 64;
            const int64_t sy = dy * H / h + r * 64;
            const int64_t px = std::clamp<int64_t>(sx / 64, 0, W - 1);
            const int64_t px1 = std::min(px + 1, W - 1);
            const int64_t bufferRow = std::clamp<int64_t>(H - 1 - sy / 64, 1, H - 1);
            const int64_t gx = sx % 64, gy = sy % 64;
            const uint8_t* a = source.BufferRow(int(bufferRow)) + 3 * px;
            const uint8_t* b = source.BufferRow(int(bufferRow)) + 3 * px1;
            const uint8_t* cc = source.BufferRow(int(bufferRow - 1)) + 3 * px;
            const uint8_t* d = source.BufferRow(int(bufferRow - 1)) + 3 * px1;
            uint8_t bgr[3];
            for (int k = 0; k < 3; ++k)
                bgr[k] = ColourByte(
                    (a[k] * (63 - gx) * (63 - gy) + b[k] * gx * (63 - gy) + cc[k] * (63 - gx) * gy + d[k] * gx * gy) /
                    3969);
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

// The same integers in 32 bits, for a magnification by whole factors and map
// values small enough that no intermediate leaves 32 bits: the displacement
// blend regrouped as (63 - fx) V(mx) + fx V(mx + 1) with V(x) = e(x, my)(63 -
// fy) + e(x, my + 1) fy formed once per row. Returns false, writing nothing,
// where it does not apply.
bool FastPiece(const PackedPicture& source, MapRef map, int p, const Piece& piece, Target into)
{
    const int W = source.Width(), H = source.Height(), w = map.width, h = map.height;
    if (W % w != 0 || H % h != 0)
        return false;
    const int sxScale = W / w, syScale = H / h;
    // The columns and rows blended: all but the last column and row.
    const int64_t right = std::min<int64_t>(piece.right, W - 1), bottom = std::min<int64_t>(piece.bottom, H - 1);
    std::vector<Cell> columns(size_t(std::max<int64_t>(right - piece.left, 0)));
    for (int64_t c = piece.left; c < right; ++c)
        columns[size_t(c - piece.left)] = CellOf(c, w, W);
    if (!columns.empty()) {
        const int mxFirst = columns.front().index, mxEnd = columns.back().index + 2;
        const int myFirst = CellOf(piece.top, h, H).index;
        const int myEnd = bottom > piece.top ? CellOf(bottom - 1, h, H).index + 2 : myFirst;
        const int64_t m = LargestMagnitude(map, mxFirst, myFirst, mxEnd, myEnd);
        constexpr int64_t kLimit = int64_t(1) << 31;
        const int64_t side = std::max(W, H), scale = std::max(sxScale, syScale);
        if (m * 3969 >= kLimit || m * scale + 64 * side >= kLimit)
            return false;
        std::vector<int32_t> vx(size_t(mxEnd - mxFirst)), vy(size_t(mxEnd - mxFirst));
        for (int64_t r = piece.top; r < bottom; ++r) {
            const Cell row = CellOf(r, h, H);
            const int32_t fy = row.fraction;
            const Displacement* upper = &map.At(0, row.index);
            const Displacement* lower = &map.At(0, row.index + 1);
            for (int x = mxFirst; x < mxEnd; ++x) {
                vx[size_t(x - mxFirst)] = upper[x].dx * (63 - fy) + lower[x].dx * fy;
                vy[size_t(x - mxFirst)] = upper[x].dy * (63 - fy) + lower[x].dy * fy;
            }
            auto* line = into.Line(r + piece.offY);
            const int32_t r64 = int32_t(r) * 64;
            for (int64_t c = piece.left; c < right; ++c) {
                const Cell col = columns[size_t(c - piece.left)];
                const size_t i = size_t(col.index - mxFirst);
                const int32_t fx = col.fraction;
                int32_t dx = ((63 - fx) * vx[i] + fx * vx[i + 1]) / 3969;
                int32_t dy = ((63 - fx) * vy[i] + fx * vy[i + 1]) / 3969;
                if (p != 64) {
                    dx = dx * p / 64;
                    dy = dy * p / 64;
                }
                const int32_t sx = dx * sxScale + int32_t(c) * 64;
                const int32_t sy = dy * syScale + r64;
                const int32_t px = std::clamp(sx / 64, 0, W - 1);
                const int32_t px1 = std::min(px + 1, W - 1);
                const int32_t bufferRow = std::clamp(H - 1 - sy / 64, 1, H - 1);
                const int32_t gx = sx % 64, gy = sy % 64;
                const int32_t wa = (63 - gx) * (63 - gy), wb = gx * (63 - gy), wc = (63 - gx) * gy, wd = gx * gy;
                const uint8_t* upperRow = source.BufferRow(bufferRow);
                const uint8_t* lowerRow = source.BufferRow(bufferRow - 1);
                const uint8_t* a = upperRow + 3 * px;
                const uint8_t* b = upperRow + 3 * px1;
                const uint8_t* cc = lowerRow + 3 * px;
                const uint8_t* d = lowerRow + 3 * px1;
                // Truncation toward zero and then 0..255: a negative sum gives 0
                // either way, so the cheaper unsigned division of max(sum, 0) serves.
                uint32_t bgr[3];
                for (int k = 0; k < 3; ++k)
                    bgr[k] =
                        std::min(uint32_t(std::max(a[k] * wa + b[k] * wb + cc[k] * wc + d[k] * wd, 0)) / 3969u, 255u);
                line[c + piece.offX] = qRgb(bgr[2], bgr[1], bgr[0]);
            }
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

void RenderZoomedRect(const PackedPicture& source, MapRef map, int p, Rect area, QImage& into, int atX, int atY)
{
    const std::optional<Piece> piece = ClipPiece(source, map, area, into, atX, atY);
    if (!piece)
        return;
    const Target target{into.bits(), into.bytesPerLine()};
    auto render = [&](const Piece& part) {
        if (!FastPiece(source, map, p, part, target))
            PlainPiece(source, map, p, part, target);
    };
    // A large piece (a whole magnified view) is shared by two threads, by rows.
    constexpr int64_t kSharedPixels = 32 * 1024;
    const int64_t rows = piece->bottom - piece->top;
    if (rows < 2 || rows * (piece->right - piece->left) < kSharedPixels || std::thread::hardware_concurrency() < 2) {
        render(*piece);
        return;
    }
    Piece upper = *piece, lower = *piece;
    upper.bottom = lower.top = piece->top + rows / 2;
    std::thread helper(render, lower);
    render(upper);
    helper.join();
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
