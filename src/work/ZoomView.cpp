#include "work/ZoomView.h"

#include <algorithm>
#include <iterator>

namespace {

int FloorDiv(int a, int b)
{
    const int q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int CeilDiv(int a, int b)
{
    return -FloorDiv(-a, b);
}

}  // namespace

void ZoomView::SetPictureSize(int W, int H)
{
    m_nW = std::max(W, 0);
    m_nH = std::max(H, 0);
    m_nScale = 1;
    m_bFit = true;
    m_nOffsetX = m_nOffsetY = 0;
}

void ZoomView::ClampOffset()
{
    m_nOffsetX = std::clamp(m_nOffsetX, 0, (m_nScale - 1) * m_nW);
    m_nOffsetY = std::clamp(m_nOffsetY, 0, (m_nScale - 1) * m_nH);
}

bool ZoomView::SetScale(int scale, int anchorX, int anchorY)
{
    if (std::find(std::begin(kScales), std::end(kScales), scale) == std::end(kScales))
        return false;
    const bool changed = scale != m_nScale || m_bFit;
    anchorX = std::clamp(anchorX, 0, std::max(m_nW - 1, 0));
    anchorY = std::clamp(anchorY, 0, std::max(m_nH - 1, 0));
    // The magnified point under the anchor, scaled to the new magnification.
    m_nOffsetX = (m_nOffsetX + anchorX) * scale / m_nScale - anchorX;
    m_nOffsetY = (m_nOffsetY + anchorY) * scale / m_nScale - anchorY;
    m_nScale = scale;
    m_bFit = false;
    ClampOffset();
    return changed;
}

bool ZoomView::ZoomIn(int anchorX, int anchorY)
{
    const int* next = std::upper_bound(std::begin(kScales), std::end(kScales), m_nScale);
    if (m_bFit)
        next = std::begin(kScales) + 1;
    if (next == std::end(kScales))
        return false;
    return SetScale(*next, anchorX, anchorY);
}

bool ZoomView::ZoomOut(int anchorX, int anchorY)
{
    if (m_nScale == 1)
        return ZoomToFit();
    const int* below = std::lower_bound(std::begin(kScales), std::end(kScales), m_nScale) - 1;
    return SetScale(*below, anchorX, anchorY);
}

bool ZoomView::ZoomToFit()
{
    const bool changed = !m_bFit || m_nScale != 1;
    m_nScale = 1;
    m_bFit = true;
    m_nOffsetX = m_nOffsetY = 0;
    return changed;
}

bool ZoomView::PanBy(int dx, int dy)
{
    const int oldX = m_nOffsetX, oldY = m_nOffsetY;
    m_nOffsetX += dx;
    m_nOffsetY += dy;
    ClampOffset();
    return oldX != m_nOffsetX || oldY != m_nOffsetY;
}

int ZoomView::MapX(int viewX) const
{
    return FloorDiv(viewX + m_nOffsetX, m_nScale);
}

int ZoomView::MapY(int viewY) const
{
    return FloorDiv(viewY + m_nOffsetY, m_nScale);
}

Rect ZoomView::MapToView(const Rect& map) const
{
    Rect r{map.left * m_nScale - m_nOffsetX, map.top * m_nScale - m_nOffsetY, map.right * m_nScale - m_nOffsetX,
           map.bottom * m_nScale - m_nOffsetY};
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, m_nW);
    r.bottom = std::min(r.bottom, m_nH);
    if (r.IsEmpty())
        return Rect{};
    return r;
}

Rect ZoomView::ViewToMap(const Rect& view) const
{
    if (view.IsEmpty())
        return Rect{};
    return Rect{FloorDiv(view.left + m_nOffsetX, m_nScale), FloorDiv(view.top + m_nOffsetY, m_nScale),
                CeilDiv(view.right + m_nOffsetX, m_nScale), CeilDiv(view.bottom + m_nOffsetY, m_nScale)};
}

Rect ZoomView::ViewToMagnified(const Rect& view) const
{
    return Rect{view.left + m_nOffsetX, view.top + m_nOffsetY, view.right + m_nOffsetX, view.bottom + m_nOffsetY};
}
