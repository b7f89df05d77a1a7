#include "export/GifQualityDither.h"

#include <algorithm>
#include <cstring>

GifPalette PaletteTable(const std::vector<Rgb>& colours)
{
    GifPalette table{};
    for (size_t i = 0; i < table.size(); ++i) {
        const Rgb& c = i < colours.size() ? colours[i] : colours.front();
        table[i] = PaletteEntry{c.blue, c.green, c.red, 0};
    }
    return table;
}

StableDither::StableDither(const std::vector<Rgb>& colours, int width, int height, DitherOptions options)
        : m_width(width), m_height(height), m_options(options), m_matcher(PaletteTable(colours))
{
    for (const PaletteEntry& e : m_matcher.Palette()) {
        m_colours16.push_back(e.red * 16);
        m_colours16.push_back(e.green * 16);
        m_colours16.push_back(e.blue * 16);
    }
    for (auto& row : m_errorRows)
        row.assign(size_t(width + 2) * 3, 0);
}

namespace {

int SquaredDistance(const int* a, const int* b)
{
    const int dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return dr * dr + dg * dg + db * db;
}

}  // namespace

void StableDither::MapFrame(const uint8_t* rgb, const uint8_t* previous, const uint8_t* shown,
                            std::vector<uint8_t>& out)
{
    // Colours and errors are kept in sixteenths of a component step; the error a pixel
    // receives is summed in 256ths, as the Floyd-Steinberg weights are sixteenths.
    out.resize(size_t(m_width) * size_t(m_height));
    std::fill(m_errorRows[0].begin(), m_errorRows[0].end(), 0);
    const int limit = m_options.errorLimit * 16;
    const int tolerance = m_options.keepTolerance * 256;
    for (int y = 0; y < m_height; ++y) {
        std::vector<int>& here = m_errorRows[y % 2];
        std::vector<int>& below = m_errorRows[(y + 1) % 2];
        std::fill(below.begin(), below.end(), 0);
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        for (int n = 0; n < m_width; ++n) {
            const int x = forward ? n : m_width - 1 - n;
            const size_t i = size_t(y) * size_t(m_width) + size_t(x);
            const uint8_t* p = rgb + 3 * i;
            const int* incoming = here.data() + 3 * size_t(x + 1);
            int wanted[3];
            uint8_t index;
            if (previous && std::memcmp(p, previous + 3 * i, 3) == 0) {
                // Unchanged: the same index, passing on its own error only.
                index = shown[i];
                for (int k = 0; k < 3; ++k)
                    wanted[k] = p[k] * 16;
            } else {
                for (int k = 0; k < 3; ++k)
                    wanted[k] = std::clamp(p[k] * 16 + incoming[k] * m_options.strength / 256, 0, 255 * 16);
                index = m_matcher.Nearest(uint8_t((wanted[0] + 8) >> 4), uint8_t((wanted[1] + 8) >> 4),
                                          uint8_t((wanted[2] + 8) >> 4));
                if (shown && shown[i] != index &&
                    SquaredDistance(wanted, &m_colours16[3 * size_t(shown[i])]) <=
                        SquaredDistance(wanted, &m_colours16[3 * size_t(index)]) + tolerance)
                    index = shown[i];
            }
            out[i] = index;
            // Floyd-Steinberg: 7/16 ahead, 3/16 below behind, 5/16 below, 1/16 below ahead.
            const int* c = &m_colours16[3 * size_t(index)];
            int* ahead = here.data() + 3 * size_t(x + 1 + step);
            int* under = below.data() + 3 * size_t(x + 1);
            for (int k = 0; k < 3; ++k) {
                const int e = std::clamp(wanted[k] - c[k], -limit, limit);
                ahead[k] += 7 * e;
                under[k - 3 * step] += 3 * e;
                under[k] += 5 * e;
                under[k + 3 * step] += e;
            }
        }
    }
}

bool ChangeUnderDitherNoise(const uint8_t* next, const uint8_t* last, const uint8_t* shown,
                            const std::vector<Rgb>& colours, int width, int height)
{
    for (int by = 0; by < height; by += kNoiseBlock)
        for (int bx = 0; bx < width; bx += kNoiseBlock) {
            int64_t change = 0, noise = 0;
            for (int y = by; y < std::min(by + kNoiseBlock, height); ++y)
                for (int x = bx; x < std::min(bx + kNoiseBlock, width); ++x) {
                    const size_t i = size_t(y) * size_t(width) + size_t(x);
                    const uint8_t *a = next + 3 * i, *b = last + 3 * i;
                    const Rgb& c = colours[shown[i]];
                    const int shownRgb[3] = {c.red, c.green, c.blue};
                    for (int k = 0; k < 3; ++k) {
                        change += (a[k] - b[k]) * (a[k] - b[k]);
                        noise += (b[k] - shownRgb[k]) * (b[k] - shownRgb[k]);
                    }
                }
            if (2 * change > noise)
                return false;
        }
    return true;
}
