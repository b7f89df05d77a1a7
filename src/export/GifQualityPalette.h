#pragma once
// The palette of a high-quality GIF: one for the whole loop, chosen from a colour
// histogram of every frame.
//
// The histogram counts colours in cells of 6 bits per component and keeps each
// cell's exact colour sum; pixels of smooth surfaces count more. The palette starts from boxes of cells split where the
// split removes the most squared error (a variance-based median cut), and is then
// refined by a few rounds of k-means: every cell goes to its nearest palette
// colour, every palette colour moves to the mean of its cells. Pictures of no more
// colours than asked keep their colours exactly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

using ColourPoint = std::array<double, 3>;  // red, green, blue

// The nearest of a set of colours by squared distance, the lowest index among equals.
// The colours are kept sorted by green; a search starts at the query's green and walks
// both ways until the green difference alone is farther than the best found.
class NearestColourSearch {
public:
    explicit NearestColourSearch(const std::vector<ColourPoint>& colours);
    size_t Nearest(const ColourPoint& colour) const;

private:
    std::vector<ColourPoint> m_colours;  // sorted by green
    std::vector<double> m_greens;
    std::vector<size_t> m_index;  // their places in the given set
};

namespace reference {
// The same search over every colour: the reference NearestColourSearch is tested against.
size_t NearestColour(const std::vector<ColourPoint>& colours, const ColourPoint& colour);
}  // namespace reference

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

class ColourHistogram {
public:
    ColourHistogram();

    // Pixels that differ from none of their neighbours by kSmoothStep or more in any
    // component count this many times: on a smooth surface every step between two
    // palette colours shows as a band, so smooth surfaces get more of the palette.
    static constexpr uint32_t kSmoothWeight = 8;
    static constexpr int kSmoothStep = 4;

    // Counts `count` pixels of packed RGB (red, green, blue), each `weight` times.
    void Add(const uint8_t* rgb, size_t count, uint32_t weight = 1);
    // Counts a width x height picture of packed RGB, smooth pixels kSmoothWeight times.
    void AddPicture(const uint8_t* rgb, int width, int height);

    uint64_t Total() const { return m_total; }

    // At most `colours` colours (1 .. 256); fewer when the pictures hold fewer.
    std::vector<Rgb> Palette(int colours, int refineRounds = 6) const;

private:
    static constexpr int kBits = 6;
    static size_t CellOf(const uint8_t* p)
    {
        return size_t(p[0] >> (8 - kBits)) << (2 * kBits) | size_t(p[1] >> (8 - kBits)) << kBits |
               size_t(p[2] >> (8 - kBits));
    }
    void AddPixel(const uint8_t* p, uint32_t weight);

    void AddExact(const uint8_t* p);

    struct Cell {
        uint64_t count = 0;
        uint64_t sum[3] = {0, 0, 0};
    };
    std::vector<Cell> m_cells;
    uint64_t m_total = 0;
    // Every colour counted (red << 16 | green << 8 | blue, sorted), while there are at most 256.
    std::vector<uint32_t> m_exact;
    bool m_manyColours = false;
    uint32_t m_lastExact = UINT32_MAX;
};
