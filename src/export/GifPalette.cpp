#include "export/GifPalette.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

int Sum(const PaletteEntry& e)
{
    return int(e.red) + int(e.green) + int(e.blue);
}

#if defined(__SSE2__)
// The lane-wise minimum of signed 32-bit values.
inline __m128i Smaller(__m128i a, __m128i b)
{
    const __m128i aGreater = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(aGreater, b), _mm_andnot_si128(aGreater, a));
}
#endif

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
        : m_palette(palette), m_coarseCells(size_t(1) << (3 * kCoarseBits)), m_cells(size_t(1) << (3 * kFineBits))
{}

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

size_t CellIndex(int red, int green, int blue, int bits)
{
    const int shift = 8 - bits;
    return size_t(((red >> shift) << (2 * bits)) | ((green >> shift) << bits) | (blue >> shift));
}

}  // namespace

// Appends to `out`, in their order, the entries of `from` that can be nearest to a
// colour of the cell of `bits` bits per component that holds (red, green, blue):
// whatever colour of the cell is looked up, its nearest entry is at most as far as
// the entry whose farthest cell corner is nearest, so every entry nearer to the cell
// than that stays. Every entry that is nearest (or equally near) to a colour of the
// cell is kept, so a list made from a larger cell's list is still complete.
void GifColourMatcher::ListCandidates(const uint8_t* from, size_t count, int red, int green, int blue, int bits,
                                      std::vector<uint8_t>& out) const
{
    const int span = 256 >> bits, mask = ~(span - 1);
    const int rl = red & mask, gl = green & mask, bl = blue & mask;
    int bound = INT_MAX;
    for (size_t k = 0; k < count; ++k) {
        const PaletteEntry& e = m_palette[from[k]];
        bound =
            std::min(bound, FarSquare(e.red, rl, span) + FarSquare(e.green, gl, span) + FarSquare(e.blue, bl, span));
    }
    for (size_t k = 0; k < count; ++k) {
        const PaletteEntry& e = m_palette[from[k]];
        if (NearSquare(e.red, rl, span) + NearSquare(e.green, gl, span) + NearSquare(e.blue, bl, span) <= bound)
            out.push_back(from[k]);
    }
}

// A small cell's list is made from the list of the larger cell around it, which is
// made from the whole palette once per larger cell.
const GifColourMatcher::Cell& GifColourMatcher::CellFor(int red, int green, int blue)
{
    Cell& cell = m_cells[CellIndex(red, green, blue, kFineBits)];
    if (cell.ready)
        return cell;

    Cell& coarse = m_coarseCells[CellIndex(red, green, blue, kCoarseBits)];
    if (!coarse.ready) {
        std::array<uint8_t, 256> all;
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = uint8_t(i);
        coarse.first = uint32_t(m_coarseCandidates.size());
        ListCandidates(all.data(), all.size(), red, green, blue, kCoarseBits, m_coarseCandidates);
        coarse.count = uint16_t(m_coarseCandidates.size() - coarse.first);
        coarse.ready = true;
    }

    cell.first = uint32_t(m_candidates.size());
    ListCandidates(m_coarseCandidates.data() + coarse.first, coarse.count, red, green, blue, kFineBits, m_candidates);
    cell.count = uint16_t(m_candidates.size() - cell.first);
    // The list is padded to whole groups of four with its last entry: an equal
    // distance at a later position never wins.
    while ((m_candidates.size() - cell.first) % 4 != 0)
        m_candidates.push_back(m_candidates.back());
    for (size_t k = cell.first; k < m_candidates.size(); ++k) {
        const PaletteEntry& e = m_palette[m_candidates[k]];
        m_candidateRedGreen.push_back(int32_t(e.red) | int32_t(e.green) << 16);
        m_candidateBlue.push_back(e.blue);
    }
    cell.ready = true;
    return cell;
}

uint8_t GifColourMatcher::Nearest(uint8_t red, uint8_t green, uint8_t blue)
{
    const Cell& cell = CellFor(red, green, blue);
    const int32_t* redGreen = m_candidateRedGreen.data() + cell.first;
    const int32_t* blues = m_candidateBlue.data() + cell.first;
    // Each candidate's squared distance is combined with its position in the list as
    // distance << 8 | position (the list holds at most 256), so the smallest value
    // is the nearest candidate and, among equally near ones, the first. Candidates
    // are in index order, so that is the lowest palette index.
#if defined(__SSE2__)
    // Four at a time: red and green are the two 16-bit halves of one lane, blue the
    // low half of another (its high half 0), and one multiply-add of each difference
    // with itself sums the squares.
    const __m128i queryRedGreen = _mm_set1_epi32(red | green << 16), queryBlue = _mm_set1_epi32(blue);
    __m128i position = _mm_setr_epi32(0, 1, 2, 3);
    __m128i best = _mm_set1_epi32(INT32_MAX);
    for (int k = 0; k < cell.count; k += 4) {
        const __m128i rg =
            _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(redGreen + k)), queryRedGreen);
        const __m128i b = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blues + k)), queryBlue);
        const __m128i distance = _mm_add_epi32(_mm_madd_epi16(rg, rg), _mm_madd_epi16(b, b));
        best = Smaller(best, _mm_or_si128(_mm_slli_epi32(distance, 8), position));
        position = _mm_add_epi32(position, _mm_set1_epi32(4));
    }
    best = Smaller(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
    best = Smaller(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
    const int chosen = _mm_cvtsi128_si32(best) & 0xFF;
#else
    int32_t least = INT32_MAX;
    for (int k = 0; k < cell.count; ++k) {
        const int dr = (redGreen[k] & 0xFFFF) - red, dg = (redGreen[k] >> 16) - green, db = blues[k] - blue;
        least = std::min(least, (dr * dr + dg * dg + db * db) << 8 | k);
    }
    const int chosen = least & 0xFF;
#endif
    return m_candidates[cell.first + size_t(chosen)];
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
