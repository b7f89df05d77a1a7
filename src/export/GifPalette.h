#pragma once
// The GIF export palette: 256 entries (blue, green, red, reserved) that are both the
// file's global colour table and the table every frame pixel is matched against.

#include "engine/PackedPicture.h"
#include "export/OctreeQuantizer.h"

#include <array>
#include <cstdint>
#include <vector>

using GifPalette = std::array<PaletteEntry, 256>;

// Sorts all 256 entries by red + green + blue, ascending; equal sums keep their order.
void SortGifPalette(GifPalette& palette);

// The palette of a picture: up to 255 octree colours from every row, the remaining
// entries black, then sorted.
GifPalette BuildGifPalette(const PackedPicture& picture);

// The entry nearest to a colour by squared distance, the lowest index among equals.
// Plain linear search: the reference for GifColourMatcher.
uint8_t NearestPaletteIndexPlain(const GifPalette& palette, uint8_t red, uint8_t green, uint8_t blue);

// The same lookup, fast. The colour cube is cut into 32 x 32 x 32 cells; the first colour
// that falls into a cell lists the entries that can be nearest to any colour of that cell
// (every entry no further from the cell than the nearest entry's farthest corner), and
// each lookup then measures the distances to that list four entries at a time. The
// lists are made from those of 16 x 16 x 16 cells, made in turn from the whole palette.
class GifColourMatcher {
public:
    explicit GifColourMatcher(const GifPalette& palette);

    uint8_t Nearest(uint8_t red, uint8_t green, uint8_t blue);
    const GifPalette& Palette() const { return m_palette; }

    // Maps a packed picture (bottom-up rows) to one index per pixel, top row first.
    void MapPicture(const PackedPicture& picture, std::vector<uint8_t>& indexes);

private:
    static constexpr int kCoarseBits = 4;  // bits per component of the larger cells
    static constexpr int kFineBits = 5;    // and of the cells looked up

    struct Cell {
        bool ready = false;
        uint16_t count = 0;
        uint32_t first = 0;  // the list is [first .. first + count - 1]
    };

    const Cell& CellFor(int red, int green, int blue);
    void ListCandidates(const uint8_t* from, size_t count, int red, int green, int blue, int bits,
                        std::vector<uint8_t>& out) const;

    GifPalette m_palette;
    std::vector<Cell> m_coarseCells;
    std::vector<uint8_t> m_coarseCandidates;
    std::vector<Cell> m_cells;
    // The cells' candidate lists, one after another, each padded to a multiple of
    // four: palette index, red | green << 16, and blue. They grow as cells are first used.
    std::vector<uint8_t> m_candidates;
    std::vector<int32_t> m_candidateRedGreen;
    std::vector<int32_t> m_candidateBlue;
};
