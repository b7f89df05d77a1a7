#pragma once
// The freeze mask in the work window: whether strokes paint the mask instead
// of deforming (mask mode), whether its tinted overlay is shown, the mask
// stroke under way, and the overlay drawn over a composed view.
//
// The mask belongs to the document (MaskTarget), which makes each mask stroke
// one undo step; this side only turns pointer positions into its calls.

#include "engine/MaskBrush.h"

#include <QColor>

class CTool;
class QImage;
class QRect;
class ZoomView;

// The document whose freeze mask the work window shows and paints.
class MaskTarget {
public:
    virtual ~MaskTarget() = default;
    virtual const FreezeMask& Mask() const = 0;
    // A stroke's first point, each next one, its end; each returns the
    // rectangle of mask elements that changed.
    virtual Rect BeginMaskStroke(const MaskBrush& brush, int x, int y) = 0;
    virtual Rect ContinueMaskStroke(const MaskBrush& brush, int x, int y) = 0;
    virtual void EndMaskStroke() = 0;
};

// The tint of a frozen element; its opacity is kMaxAlpha / 256 at m = 64 and
// proportional to m below.
inline constexpr QRgb kMaskTint = 0xFFE02828;
inline constexpr int kMaskMaxAlpha = 144;

// Tints the view pixels `r` of `frame` (a view of `view`'s size) by the mask
// elements they show. A mask of another size than the view's picture draws nothing.
void DrawMaskOverlay(QImage& frame, const QRect& r, const ZoomView& view, const FreezeMask& mask);

// The mask brush of the moment: the active tool's radius for a W x H picture
// (its free size when one is set; a whole-picture tool, or none, gives a
// medium brush's), its pen pressure as the strength (and the size where the
// pressure scales it).
MaskBrush MaskBrushFor(const CTool* tool, int W, int H, bool erase);

class MaskPainter {
public:
    void SetTarget(MaskTarget* target) { m_pTarget = target; }
    // The mask shown and painted; nullptr without a target.
    const FreezeMask* Mask() const { return m_pTarget ? &m_pTarget->Mask() : nullptr; }

    // Mask mode: strokes paint (left button) or erase (right button) the mask.
    void SetPainting(bool painting) { m_bPainting = painting; }
    bool Painting() const { return m_bPainting && m_pTarget; }
    // The overlay option; while painting the overlay is shown regardless.
    void SetShown(bool shown) { m_bShown = shown; }
    bool Shown() const { return m_bShown; }
    bool OverlayVisible() const { return m_pTarget && (m_bShown || m_bPainting); }

    bool StrokeActive() const { return m_bStroke; }
    // A mask stroke at map positions; each returns the changed mask rectangle.
    Rect Begin(const MaskBrush& brush, int x, int y);
    Rect Continue(const MaskBrush& brush, int x, int y);
    void End();
    // Whether the stroke under way erases.
    bool Erasing() const { return m_bErase; }

private:
    MaskTarget* m_pTarget = nullptr;
    bool m_bPainting = false;
    bool m_bShown = true;
    bool m_bStroke = false;
    bool m_bErase = false;
};
