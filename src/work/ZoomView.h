#pragma once
// The work window's view of the work picture: a zoom level and the piece of
// the magnified picture the window shows. The window keeps the work picture's
// size W x H; at scale s it shows a W x H piece of the picture magnified s
// times. The pan offset is that piece's top-left corner in magnified pixels,
// always kept so that the piece lies on the picture.

#include "engine/Rendering.h"

class ZoomView {
public:
    // The magnifications, smallest first; "fit" shows the whole picture, which
    // in a window of the picture's size is scale 1.
    static constexpr int kScales[] = {1, 2, 4, 8};
    static constexpr int kMaxScale = 8;

    // A new picture: fit, no pan.
    void SetPictureSize(int W, int H);
    int Width() const { return m_nW; }
    int Height() const { return m_nH; }

    int Scale() const { return m_nScale; }
    bool IsFit() const { return m_bFit; }
    int Percent() const { return 100 * m_nScale; }
    // True above 100 %, where the view shows more than the work picture holds.
    bool Magnified() const { return m_nScale > 1; }

    // Changes the scale so that the picture point under the view pixel
    // (anchorX, anchorY) stays under it. A scale that is not one of kScales is
    // ignored. Returns true when the view changed.
    bool SetScale(int scale, int anchorX, int anchorY);
    // The next larger or smaller scale about an anchor; zooming out of 100 %
    // gives fit.
    bool ZoomIn(int anchorX, int anchorY);
    bool ZoomOut(int anchorX, int anchorY);
    bool ZoomToFit();

    // Moves the shown piece by (dx, dy) view pixels (positive: towards the
    // picture's right and bottom), kept on the picture. Returns true when it moved.
    bool PanBy(int dx, int dy);
    int OffsetX() const { return m_nOffsetX; }
    int OffsetY() const { return m_nOffsetY; }

    // The map pixel under a view pixel, floored (a view position left of or
    // above the view gives a map position below the shown piece, never rounded
    // toward it).
    int MapX(int viewX) const;
    int MapY(int viewY) const;
    // The view pixels that show a rectangle of map pixels, limited to the view.
    Rect MapToView(const Rect& map) const;
    // The map pixels a rectangle of view pixels shows (partly shown ones too).
    Rect ViewToMap(const Rect& view) const;
    // A rectangle of view pixels in magnified-picture coordinates.
    Rect ViewToMagnified(const Rect& view) const;

private:
    void ClampOffset();

    int m_nW = 0;
    int m_nH = 0;
    int m_nScale = 1;
    bool m_bFit = true;
    int m_nOffsetX = 0;
    int m_nOffsetY = 0;
};
