#pragma once
// Fitting a loaded picture to the working size and rendering the source picture
// through a displacement map.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "engine/PixelLanes.h"

#include <cstdint>

// A rectangle in window coordinates: left and top inclusive, right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
    bool IsEmpty() const { return right <= left || bottom <= top; }
    Rect United(const Rect& o) const;
};

// The longer side of the work picture is always this many pixels.
inline constexpr int kWorkingSide = 412;

struct PictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The working size for a loaded picture of w0 x h0: the longer side becomes 412.
// Neither side is made smaller than kMinWorkingSide, so that a very thin picture
// still gives a map every tool and renderer can work on.
inline constexpr int kMinWorkingSide = 4;
PictureSize ComputeWorkingSize(int w0, int h0);

// Bilinear resampling of a packed 24-bit bottom-up picture of w0 x h0 to W x H,
// in 1/16 pixel with weights 0..15.
void FitPicture(const uint8_t* source, int w0, int h0, uint8_t* destination, int W, int H);
PackedPicture FitPicture(const PackedPicture& source, int W, int H);

// Renders the rectangle of `display` from `source` through `map` at power p
// (0..64). Returns false, doing nothing, when the map is missing or its size
// differs from the pictures'. smooth chooses bilinear sampling, otherwise nearest.
bool RenderRect(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p, bool smooth,
                LaneKernel kernel = LaneKernel::Widest);

// The plain per-pixel versions that the fast kernels above are checked against.
namespace reference {
void RenderRectQuick(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p);
void RenderRectSmooth(const PackedPicture& source, PackedPicture& display, MapRef map, Rect rect, int p);
}  // namespace reference
