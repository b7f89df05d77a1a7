#include "work/OnionSkin.h"

#include "engine/Rendering.h"
#include "work/ZoomView.h"

#include <QRect>

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

QRgb BlendOnionPixel(QRgb current, std::span<const QRgb> ghosts)
{
    const int n = int(ghosts.size());
    if (n == 0)
        return current;
    // (70 % of c) + (30 % of the ghosts' mean), over a common denominator.
    const int denominator = 100 * n;
    const auto channel = [&](int (*part)(QRgb)) {
        int sum = 0;
        for (const QRgb g : ghosts)
            sum += part(g);
        return (kOnionCurrentPercent * n * part(current) + (100 - kOnionCurrentPercent) * sum + denominator / 2) /
               denominator;
    };
    return qRgb(channel(qRed), channel(qGreen), channel(qBlue));
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

void OnionSkin::DrawOver(QImage& frame, const QRect& r, const ZoomView& view) const
{
    const int W = view.Width(), H = view.Height();
    std::vector<const QImage*> ghosts;
    for (const QImage* ghost : {&m_previous.image, &m_next.image}) {
        if (!ghost->isNull() && ghost->size() == QSize(W, H) && ghost->format() == QImage::Format_RGB32)
            ghosts.push_back(ghost);
    }
    const QRect area = r & frame.rect();
    if (ghosts.empty() || area.isEmpty() || frame.format() != QImage::Format_RGB32)
        return;
    // The map column of each view column, found once.
    std::vector<int> columns(size_t(area.width()));
    for (int x = area.left(); x <= area.right(); ++x)
        columns[size_t(x - area.left())] = std::clamp(view.MapX(x), 0, W - 1);
    std::vector<const QRgb*> rows(ghosts.size());
    std::vector<QRgb> under(ghosts.size());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int my = std::clamp(view.MapY(y), 0, H - 1);
        for (size_t g = 0; g < ghosts.size(); ++g)
            rows[g] = reinterpret_cast<const QRgb*>(ghosts[g]->constScanLine(my));
        auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const int mx = columns[size_t(x - area.left())];
            for (size_t g = 0; g < ghosts.size(); ++g)
                under[g] = rows[g][mx];
            line[x] = BlendOnionPixel(line[x], under);
        }
    }
}
