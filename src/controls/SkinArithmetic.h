#pragma once
// Pixel and geometry arithmetic of the skinned controls, kept free of widgets
// so that it can be checked on its own.

#include <QColor>
#include <QImage>
#include <QPointF>

#include <array>
#include <cstdint>

// A Windows colour value (0x00BBGGRR: red in the low byte) as a QColor.
constexpr QRgb RgbFromColorRef(std::uint32_t colorRef)
{
    return qRgb(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}
inline QColor ColorFromColorRef(std::uint32_t colorRef)
{
    return QColor(RgbFromColorRef(colorRef));
}

// Brightness levels of the picture buttons.
namespace ButtonLevel {
inline constexpr int Disabled = -32;
inline constexpr int Normal = -16;
inline constexpr int Hover = 0;
inline constexpr int Pressed = 64;
}  // namespace ButtonLevel

// One 8-bit component x at level L (L >= -16) with key component k:
//  L > 0:        (x - 128) * (L + 32) / 32 + 128, clamped to 0..255
//  -16 <= L <= 0: (x * (L + 32) - k * L) / 32, clamped to 0..255
int LevelComponent(int x, int key, int level);
// One pixel at a level; below -16 the pale tinted grey of a disabled button.
QRgb LevelPixel(QRgb source, QRgb key, int level);

// The key colour of a button picture: its bottom-left pixel (the first pixel
// of the stored bottom-up rows).
QRgb KeyColour(const QImage& source);

// The picture a button shows: the skin tiled from the top-left corner over
// width x (height + captionHeight), and every source pixel that differs from
// the key colour drawn at `level` in the rows above the caption strip.
QImage BuildButtonDisplay(const QImage& source, const QImage& skin, int level, int captionHeight);

// One step of an animated look change, d = 0..10.
constexpr int AnimationStepLevel(int from, int to, int d)
{
    return (from * (10 - d) + to * d) / 10;
}

// Where the slider shape divides into done and rest colour.
struct SliderSplit {
    int bar = 0;       // 0..24
    int fraction = 0;  // sixteenths of that bar, 0..16
};
// s = (p - min) * 400 / (max - min), limited to 0..400; bar = s / 16,
// fraction = s mod 16; s = 400 gives bar 24, fraction 16. An empty range
// gives bar 0, fraction 0.
SliderSplit SliderSplitFor(int pos, int min, int max);
// The position for a point x of a shape `width` wide, limited to the range.
int SliderPosForX(int x, int width, int min, int max);

// The 25 four-cornered bars of the slider shape: 100 points in a 400 x 100
// design box, four per bar in the order bottom-left, top-left, top-right,
// bottom-right.
inline constexpr int kSliderBars = 25;
const std::array<QPointF, 4 * kSliderBars>& SliderShapePoints();

// Width of the export progress bar for a host spanning left..right:
// left + (right - left - 16) * (pos - min) / (max - min) + 6; an empty range
// counts as the minimum.
int ProgressBarWidth(int left, int right, int pos, int min, int max);

// A picture side scaled by a percentage (integer division, no overflow).
long long ScaledSide(int side, int percent);

// A length rounded up to a whole number of tiles (tile <= 0 leaves it alone).
constexpr int RoundUpToTiles(int length, int tile)
{
    return tile <= 0 ? length : (length + tile - 1) / tile * tile;
}
