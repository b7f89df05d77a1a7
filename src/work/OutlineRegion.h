#pragma once
// Where the work window's brush outline may be drawn: the ellipse inscribed in
// a rectangle, as horizontal bands with the ellipse's inside left out, so that
// moving the outline repaints a ring around it instead of the whole rectangle.

#include <QRect>
#include <QRegion>

// The pixels the one-pixel outline of the ellipse filling `bounds` (drawn
// inside [left, right) x [top, bottom)) can touch, with a margin of two
// pixels for rasterisation and one pixel around `bounds`. Small ellipses give
// the whole rectangle.
QRegion EllipseOutlineRegion(const QRect& bounds);
