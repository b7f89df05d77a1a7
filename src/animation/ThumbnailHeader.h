#pragma once
// The header that describes every keyframe thumbnail, and the rule that sizes
// thumbnails to the strip's slots.

#include "engine/PackedPicture.h"

// The slots of the keyframe strip are squares as high as the 640 x 84 strip.
inline constexpr int kThumbnailSlotWidth = 84;
inline constexpr int kThumbnailSlotHeight = 84;

// A header for thumbnails of TW x TH (24-bit, 2835 pixels per metre).
BITMAPINFOHEADER MakeThumbnailHeader(int TW, int TH);
// All 40 bytes zero: no thumbnail size fixed yet.
BITMAPINFOHEADER ZeroThumbnailHeader();
// True while no thumbnail size is fixed (width or height 0).
inline bool ThumbnailSizeUnset(const BITMAPINFOHEADER& h)
{
    return h.biWidth == 0 || h.biHeight == 0;
}

struct ThumbnailSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ThumbnailSize&, const ThumbnailSize&) = default;
};
// Thumbnail size for pictures of W x H in a slot of CW x CH: the longer side
// fills the slot, the other is scaled (integer division).
ThumbnailSize ComputeThumbnailSize(int W, int H, int CW = kThumbnailSlotWidth, int CH = kThumbnailSlotHeight);
