#pragma once
// Mapping loop frames to a palette with error diffusion that stays still where the
// picture stays still.
//
// Each frame is dithered with Floyd-Steinberg weights along serpentine rows. A pixel
// whose colour is the same as in the frame before keeps the index it showed, so
// areas that do not move never shimmer, and its own quantisation error still flows
// into moving neighbours so that the two meet without a seam. A pixel that changed
// also keeps the index it showed when that index is nearly as close to the wanted
// colour as the best one (within the keep tolerance): a GIF stores such pixels as
// transparent, which compresses far better than fresh dither noise.

#include "export/GifPalette.h"
#include "export/GifQualityPalette.h"

#include <cstdint>
#include <vector>

struct DitherOptions {
    // Share of the quantisation error passed on, in sixteenths (16: all of it).
    int strength = 16;
    // Largest error one pixel passes on per component.
    int errorLimit = 48;
    // A changed pixel keeps its shown index when that index is farther from the wanted
    // colour than the nearest by at most this much (in squared component steps).
    int keepTolerance = 0;
};

class StableDither {
public:
    // `colours` entries of the palette are used; the picture is width x height.
    StableDither(const std::vector<Rgb>& colours, int width, int height, DitherOptions options = {});

    // Indexes for a frame of packed RGB (top row first). For the first frame `previous`
    // and `shown` are null; later, `previous` is the frame last mapped and `shown` the
    // indexes it was given.
    void MapFrame(const uint8_t* rgb, const uint8_t* previous, const uint8_t* shown, std::vector<uint8_t>& out);

    const GifPalette& Palette() const { return m_matcher.Palette(); }

private:
    int m_width;
    int m_height;
    DitherOptions m_options;
    GifColourMatcher m_matcher;
    std::vector<int> m_colours16;     // the palette's red, green, blue in sixteenths
    std::vector<int> m_errorRows[2];  // this row's and the next row's incoming error, 3 per pixel (+2 pixels margin)
};

// True when `next` differs from `last` less than the dither's own noise does: in every
// block of kNoiseBlock x kNoiseBlock pixels (the last ones smaller), the squared
// difference between the two frames, summed over the block's components, is at most
// half the squared error with which `shown` (the indexes showing `last`, a palette of
// `colours`) shows `last`. Frames are packed RGB, top row first. Such a frame would
// change little but the grain: the frame before can stay on screen in its place.
inline constexpr int kNoiseBlock = 8;
bool ChangeUnderDitherNoise(const uint8_t* next, const uint8_t* last, const uint8_t* shown,
                            const std::vector<Rgb>& colours, int width, int height);

// A palette table of 256 entries from up to 256 colours; the entries beyond them
// repeat the first colour, so that a nearest-colour search never picks them.
GifPalette PaletteTable(const std::vector<Rgb>& colours);
