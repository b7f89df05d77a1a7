#pragma once
// Pointer positions to map pixels. The window at any zoom and a script both
// hand over positions that may fall inside a pixel; every stroke step acts at
// the map pixel under the position, found by flooring, so that a stroke replays
// exactly whatever zoom it was made at.

// A position far outside any picture, where no brush reaches it; positions
// beyond it are limited to it.
inline constexpr int kFarPointer = 1 << 24;

struct MapPixel {
    int x = 0;
    int y = 0;
    friend bool operator==(const MapPixel&, const MapPixel&) = default;
};

// The map pixel column or row of a coordinate in map pixels: floor, so -0.5 is
// -1; limited to +-kFarPointer. Not a number gives -kFarPointer.
int MapPixelOf(double coordinate);

// The map pixel under a view position (view pixels) when the view shows the
// map's top-left corner at (originX, originY) and each map pixel `scale` view
// pixels wide (2 at 200 %). A scale that is not positive counts as 1.
MapPixel ViewToMapPixel(double viewX, double viewY, double scale = 1.0, double originX = 0.0, double originY = 0.0);
