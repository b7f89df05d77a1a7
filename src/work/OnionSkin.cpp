#include "work/OnionSkin.h"

#include "engine/Rendering.h"

#include <algorithm>

void CopyPackedToImage(const PackedPicture& picture, int left, int top, int right, int bottom, QImage& into)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min({right, picture.Width(), into.width()});
    bottom = std::min({bottom, picture.Height(), into.height()});
    if (picture.Empty() || into.format() != QImage::Format_RGB32)
        return;
    for (int y = top; y < bottom; ++y) {
        const uint8_t* s = picture.Pixel(left, y);
        auto* d = reinterpret_cast<QRgb*>(into.scanLine(y));
        for (int x = left; x < right; ++x, s += 3)
            d[x] = qRgb(s[2], s[1], s[0]);
    }
}

bool OnionSkin::UpdateGhost(Ghost& ghost, const PackedPicture& source, std::span<const Displacement> map)
{
    const int W = source.Width(), H = source.Height();
    if (map.empty() || source.Empty() || map.size() != size_t(W) * size_t(H)) {
        ghost = {};
        return false;
    }
    if (!ghost.image.isNull() && std::equal(map.begin(), map.end(), ghost.map.begin(), ghost.map.end()))
        return false;
    ghost.map.assign(map.begin(), map.end());
    PackedPicture rendered = source;
    RenderRect(source, rendered, MapRef{ghost.map.data(), W, H}, Rect{0, 0, W, H}, 64, true);
    ghost.image = QImage(W, H, QImage::Format_RGB32);
    CopyPackedToImage(rendered, 0, 0, W, H, ghost.image);
    ++m_nRenders;
    return true;
}

bool OnionSkin::Update(const PackedPicture& source, std::span<const Displacement> previous,
                       std::span<const Displacement> next)
{
    const bool before = UpdateGhost(m_previous, source, previous);
    const bool after = UpdateGhost(m_next, source, next);
    return before || after;
}

void OnionSkin::Clear()
{
    m_previous = {};
    m_next = {};
}
