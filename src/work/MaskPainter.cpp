#include "work/MaskPainter.h"

#include "engine/Tool.h"
#include "engine/ToolCatalogue.h"
#include "work/ZoomView.h"

#include <QImage>
#include <QRect>

#include <algorithm>
#include <vector>

namespace {

// c + (t - c) * a / 256 for each channel, the result opaque.
QRgb Blend(QRgb c, QRgb t, int a)
{
    const auto mix = [a](int from, int to) { return (from * (256 - a) + to * a) >> 8; };
    return qRgb(mix(qRed(c), qRed(t)), mix(qGreen(c), qGreen(t)), mix(qBlue(c), qBlue(t)));
}

}  // namespace

void DrawMaskOverlay(QImage& frame, const QRect& r, const ZoomView& view, const FreezeMask& mask)
{
    const int W = view.Width(), H = view.Height();
    if (!mask.ActsOn(W, H) || frame.format() != QImage::Format_RGB32)
        return;
    const QRect area = r & frame.rect();
    if (area.isEmpty())
        return;
    // The map column of each view column, found once.
    std::vector<int> columns(size_t(area.width()));
    for (int x = area.left(); x <= area.right(); ++x)
        columns[size_t(x - area.left())] = std::clamp(view.MapX(x), 0, W - 1);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int my = view.MapY(y);
        if (my < 0 || my >= H)
            continue;
        const uint8_t* values = mask.Row(my);
        auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const int m = values[columns[size_t(x - area.left())]];
            if (m)
                line[x] = Blend(line[x], kMaskTint, m * kMaskMaxAlpha / FreezeMask::kFrozen);
        }
    }
}

MaskBrush MaskBrushFor(const CTool* tool, int W, int H, bool erase)
{
    MaskBrush brush;
    brush.erase = erase;
    int radius = tool ? tool->BaseRadius(W, H) : 0;
    if (radius <= 0)
        radius = BrushPercent(ToolSize::Medium) * std::min(W, H) / 100;
    const int q = tool ? tool->Pressure() : kFullPressure;
    if (tool && tool->PressureScalesSize() && q != kFullPressure)
        radius = PressedRadius(radius, q);
    brush.radius = std::max(radius, 1);
    brush.strength = std::clamp(q, 0, FreezeMask::kFrozen);
    return brush;
}

Rect MaskPainter::Begin(const MaskBrush& brush, int x, int y)
{
    if (!m_pTarget || m_bStroke)
        return Rect{};
    m_bStroke = true;
    m_bErase = brush.erase;
    return m_pTarget->BeginMaskStroke(brush, x, y);
}

Rect MaskPainter::Continue(const MaskBrush& brush, int x, int y)
{
    if (!m_pTarget || !m_bStroke)
        return Rect{};
    return m_pTarget->ContinueMaskStroke(brush, x, y);
}

void MaskPainter::End()
{
    if (!m_bStroke)
        return;
    m_bStroke = false;
    if (m_pTarget)
        m_pTarget->EndMaskStroke();
}
