#include "work/ZoomedView.h"

#include "work/ZoomView.h"

#include <algorithm>
#include <bit>
#include <cstdint>
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

}  // namespace

void RenderZoomedRect(const PackedPicture& source, MapRef map, int p, Rect area, QImage& into, int atX, int atY)
{
    const int64_t W = source.Width(), H = source.Height(), w = map.width, h = map.height;
    if (!map.Attached() || w < 2 || h < 2 || W < 2 || H < 2 || source.Empty() || into.format() != QImage::Format_RGB32)
        return;
    // Output pixel of magnified column c and row r: (c + offX, r + offY).
    const int64_t offX = int64_t(atX) - area.left, offY = int64_t(atY) - area.top;
    const int64_t left = std::max<int64_t>({area.left, 0, -offX});
    const int64_t top = std::max<int64_t>({area.top, 0, -offY});
    const int64_t right = std::min<int64_t>({area.right, W, into.width() - offX});
    const int64_t bottom = std::min<int64_t>({area.bottom, H, into.height() - offY});
    if (right <= left || bottom <= top)
        return;
    std::vector<Cell> columns(size_t(right - left));
    for (int64_t c = left; c < right; ++c)
        columns[size_t(c - left)] = CellOf(c, w, W);
    for (int64_t r = top; r < bottom; ++r) {
        auto* line = reinterpret_cast<QRgb*>(into.scanLine(int(r + offY)));
        const Cell row = CellOf(r, h, H);
        const int64_t fy = row.fraction;
        for (int64_t c = left; c < right; ++c) {
            QRgb& pixel = line[c + offX];
            if (c == W - 1 || r == H - 1) {
                const uint8_t* s = source.Pixel(int(c), int(r));
                pixel = qRgb(s[2], s[1], s[0]);
                continue;
            }
            const Cell col = columns[size_t(c - left)];
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
