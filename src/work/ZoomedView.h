#pragma once
// The work picture magnified with the photograph's own detail: the photograph
// fitted to the magnified size s*W x s*H and sampled through the work picture's
// map exactly as the full-size export renders a frame of that size
// (export/BigPictureRender.h), for a rectangle of the magnified picture only.
// Used by the work window above 100 %.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "engine/PixelLanes.h"
#include "engine/Rendering.h"

#include <QImage>

#include <array>
#include <memory>

// The photograph kept for magnified views: the loaded picture itself, or, when
// it is larger than the largest magnification of the work picture W x H needs
// (8 W x 8 H), the picture fitted to that size. This bounds what is kept to
// 64 times the work picture (about 33 MB for a square picture).
PackedPicture DetailPicture(const PackedPicture& loaded, int W, int H);

// Renders the rectangle `area` of the s*W x s*H magnified picture (s = the
// source's width / the map's width) from `source` through `map` at power p
// (0..64; the blended displacement is scaled by p / 64, truncating) into
// `into` (RGB32) with area's top-left corner at (atX, atY). The last column and
// the bottom row of the magnified picture show the source, as the export
// leaves them. Pixels outside the magnified picture or `into` are not written.
// The kernel chooses the widest vector instructions the processor has or the
// baseline ones (the same pixels).
void RenderZoomedRect(const PackedPicture& source, MapRef map, int p, Rect area, QImage& into, int atX, int atY,
                      LaneKernel kernel = LaneKernel::Widest);

namespace reference {
// The same, one pixel at a time in 64 bits exactly as the export's arithmetic reads.
void RenderZoomedRect(const PackedPicture& source, MapRef map, int p, Rect area, QImage& into, int atX, int atY);
}  // namespace reference

// The detail picture with its magnified sources, made on first use and kept.
class ZoomedView {
public:
    // The photograph (shared with copies of the work picture) for a work picture of W x H.
    void SetDetail(std::shared_ptr<const PackedPicture> detail, int W, int H);
    bool HasDetail() const { return m_detail != nullptr; }
    // The photograph fitted to scale*W x scale*H (scale 2, 4 or 8).
    const PackedPicture& SourceAt(int scale);
    // Renders the magnified area (see RenderZoomedRect); nothing without detail
    // or when the map is not the work picture's size.
    void Render(MapRef map, int scale, int p, Rect area, QImage& into, int atX, int atY);

private:
    std::shared_ptr<const PackedPicture> m_detail;
    int m_nW = 0;
    int m_nH = 0;
    std::array<PackedPicture, 4> m_sources;  // by log2 of the scale
};
