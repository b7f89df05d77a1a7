#include "export/GifPalette.h"

#include <algorithm>
#include <cstdlib>

namespace {

int Sum(const PaletteEntry& e) { return int(e.red) + int(e.green) + int(e.blue); }

int SquaredDistance(const PaletteEntry& e, int red, int green, int blue)
{
    const int dr = int(e.red) - red;
    const int dg = int(e.green) - green;
    const int db = int(e.blue) - blue;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

void SortGifPalette(GifPalette& palette)
{
    std::stable_sort(palette.begin(), palette.end(),
                     [](const PaletteEntry& a, const PaletteEntry& b) { return Sum(a) < Sum(b); });
}

GifPalette BuildGifPalette(const PackedPicture& picture)
{
    OctreeQuantizer quantizer(255);
    for (int y = 0; y < picture.Height(); ++y)
        quantizer.AddPixels(picture.Row(y), picture.Width());
    GifPalette palette{};
    quantizer.GetPalette(palette.data());
    SortGifPalette(palette);
    return palette;
}

uint8_t NearestPaletteIndexPlain(const GifPalette& palette, uint8_t red, uint8_t green, uint8_t blue)
{
    int best = 0;
    int bestDistance = SquaredDistance(palette[0], red, green, blue);
    for (int i = 1; i < int(palette.size()); ++i) {
        const int d = SquaredDistance(palette[size_t(i)], red, green, blue);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return uint8_t(best);
}

GifColourMatcher::GifColourMatcher(const GifPalette& palette)
    : m_palette(palette), m_cells(size_t(kCellsPerSide) * kCellsPerSide * kCellsPerSide)
{
}

namespace {

// Squared distance from a value to the span [low, low + span - 1], and to its far end.
int NearSquare(int value, int low, int span)
{
    const int d = value < low ? low - value : value > low + span - 1 ? value - (low + span - 1) : 0;
    return d * d;
}

int FarSquare(int value, int low, int span)
{
    const int d = std::max(std::abs(value - low), std::abs(value - (low + span - 1)));
    return d * d;
}

}  // namespace

const GifColourMatcher::Cell& GifColourMatcher::CellFor(int red, int green, int blue)
{
    const int r0 = red >> (8 - kCellBits);
    const int g0 = green >> (8 - kCellBits);
    const int b0 = blue >> (8 - kCellBits);
    Cell& cell = m_cells[size_t((r0 * kCellsPerSide + g0) * kCellsPerSide + b0)];
    if (cell.ready)
        return cell;

    const int rl = r0 * kCellSpan, gl = g0 * kCellSpan, bl = b0 * kCellSpan;
    // Whatever colour of the cell is looked up, its nearest entry is at most as far as
    // the entry whose farthest cell corner is nearest.
    int bound = 1 << 30;
    for (const PaletteEntry& e : m_palette) {
        const int far = FarSquare(e.red, rl, kCellSpan) + FarSquare(e.green, gl, kCellSpan) +
                        FarSquare(e.blue, bl, kCellSpan);
        bound = std::min(bound, far);
    }
    cell.first = uint32_t(m_candidates.size());
    for (int i = 0; i < int(m_palette.size()); ++i) {
        const PaletteEntry& e = m_palette[size_t(i)];
        const int near = NearSquare(e.red, rl, kCellSpan) + NearSquare(e.green, gl, kCellSpan) +
                         NearSquare(e.blue, bl, kCellSpan);
        if (near <= bound)
            m_candidates.push_back(uint8_t(i));
    }
    cell.count = uint16_t(m_candidates.size() - cell.first);
    cell.ready = true;
    return cell;
}

uint8_t GifColourMatcher::Nearest(uint8_t red, uint8_t green, uint8_t blue)
{
    const Cell& cell = CellFor(red, green, blue);
    const uint8_t* candidate = m_candidates.data() + cell.first;
    // Candidates are in index order, so the first of equally near entries wins.
    int best = candidate[0];
    int bestDistance = SquaredDistance(m_palette[size_t(best)], red, green, blue);
    for (int i = 1; i < cell.count; ++i) {
        const int d = SquaredDistance(m_palette[candidate[i]], red, green, blue);
        if (d < bestDistance) {
            best = candidate[i];
            bestDistance = d;
        }
    }
    return uint8_t(best);
}

void GifColourMatcher::MapPicture(const PackedPicture& picture, std::vector<uint8_t>& indexes)
{
    const int width = picture.Width();
    const int height = picture.Height();
    indexes.resize(size_t(width) * size_t(height));
    uint8_t* out = indexes.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = picture.Row(y);
        for (int x = 0; x < width; ++x, p += 3)
            *out++ = Nearest(p[2], p[1], p[0]);
    }
}
