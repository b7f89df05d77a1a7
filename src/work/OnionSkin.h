#pragma once
// The keyframes before and after the one being edited, ghosted over the work
// picture: each is rendered through its own map from the work picture's source
// and kept, so that a ghost is rendered again only when its map (or the
// picture) changed. The picture being edited keeps 70 % of every shown pixel;
// the ghosts share the other 30 % equally (15 % each when there are two).

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"

#include <QImage>

#include <span>
#include <vector>

class QRect;
class ZoomView;

// The share of a shown pixel, in percent, that the picture being edited keeps
// under the ghosts; the ghosts share the rest equally.
inline constexpr int kOnionCurrentPercent = 70;

// One shown pixel: `current` weighted kOnionCurrentPercent and each ghost an
// equal part of the rest, rounded to nearest per channel; `current` itself
// without ghosts.
QRgb BlendOnionPixel(QRgb current, std::span<const QRgb> ghosts);

class OnionSkin {
public:
    // Brings the ghosts up to date for the maps given (an empty span: no
    // ghost). Maps must have the picture's size W x H; others give no ghost.
    // Returns true when a ghost was rendered.
    bool Update(const PackedPicture& source, std::span<const Displacement> previous,
                std::span<const Displacement> next);
    // The picture changed: every ghost is rendered again on the next update.
    void Clear();

    // The ghosts as RGB32 pictures of the work picture's size; null when none.
    const QImage& Previous() const { return m_previous.image; }
    const QImage& Next() const { return m_next.image; }
    // How many ghosts were rendered since construction.
    int RenderCount() const { return m_nRenders; }

    // Blends the ghosts into the view pixels `r` of `frame` (RGB32, the view's
    // size), each view pixel with the ghosts' pixels of the map pixel it shows.
    // Ghosts of another size than the view's picture are left out.
    void DrawOver(QImage& frame, const QRect& r, const ZoomView& view) const;

private:
    struct Ghost {
        std::vector<Displacement> map;
        QImage image;
    };
    bool UpdateGhost(Ghost& ghost, const PackedPicture& source, std::span<const Displacement> map);

    Ghost m_previous;
    Ghost m_next;
    int m_nRenders = 0;
};

// The RGB32 picture of a rectangle of a packed picture (bottom-up BGR) written
// into `into` (RGB32, at least the picture's size) at the same place.
void CopyPackedToImage(const PackedPicture& picture, int left, int top, int right, int bottom, QImage& into);
