// The onion skin's arithmetic: the keyframe being edited keeps 70 % of a shown
// pixel and the ghosts share the rest equally, laid over the map pixel each
// view pixel shows at every zoom.

#include "work/OnionSkin.h"

#include "work/ZoomView.h"

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A W x H picture whose pixel (x, y) is red 20x + 10, green 30y + 20, blue 90.
PackedPicture Distinct(int W, int H)
{
    PackedPicture picture(W, H);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            uint8_t* p = picture.Pixel(x, y);
            p[0] = 90;
            p[1] = uint8_t(30 * y + 20);
            p[2] = uint8_t(20 * x + 10);
        }
    }
    return picture;
}

// A map that takes every pixel's colour from source pixel (sx, sy). Smooth
// rendering keeps a border of the picture as it is: sources and the pixels
// looked at lie inside it.
std::vector<Displacement> AllFrom(int W, int H, int sx, int sy)
{
    std::vector<Displacement> map(size_t(W) * H);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x)
            map[size_t(y) * W + x] = Displacement{(sx - x) * 64, (sy - y) * 64};
    }
    return map;
}

}  // namespace

TEST(OnionSkin, TheEditedPictureKeepsSeventyPercentAndTheGhostsWeighFifteenEach)
{
    const QRgb current = qRgb(200, 100, 0);
    const QRgb previous = qRgb(0, 0, 0);
    const QRgb next = qRgb(100, 200, 255);
    // Red 0.7 x 200 + 0.15 x 100 = 155; green 70 + 30 = 100; blue 0.15 x 255 = 38.25.
    const QRgb both[] = {previous, next};
    EXPECT_EQ(BlendOnionPixel(current, both), qRgb(155, 100, 38));
    // The two ghosts weigh the same: their order does not matter.
    const QRgb swapped[] = {next, previous};
    EXPECT_EQ(BlendOnionPixel(current, swapped), qRgb(155, 100, 38));

    // White under two black ghosts keeps 70 %: 178.5 rounds to 179 (laying two
    // ghosts on one after the other at 30 % would leave 49 %).
    const QRgb black[] = {qRgb(0, 0, 0), qRgb(0, 0, 0)};
    EXPECT_EQ(BlendOnionPixel(qRgb(255, 255, 255), black), qRgb(179, 179, 179));
    // Black under white ghosts shows them at 30 % in all: 76.5 rounds to 77.
    const QRgb white[] = {qRgb(255, 255, 255), qRgb(255, 255, 255)};
    EXPECT_EQ(BlendOnionPixel(qRgb(0, 0, 0), white), qRgb(77, 77, 77));
    // One ghost (a loop of two keyframes) takes the whole 30 %: 0.7 x 10 + 0.3 x 250 = 82.
    const QRgb one[] = {qRgb(250, 250, 250)};
    EXPECT_EQ(BlendOnionPixel(qRgb(10, 20, 30), one), qRgb(82, 89, 96));
    // No ghost: the picture as it is.
    EXPECT_EQ(BlendOnionPixel(current, {}), current);
}

TEST(OnionSkin, GhostsAreBlendedUnderTheMapPixelEachViewPixelShows)
{
    const int W = 8, H = 6;
    const PackedPicture source = Distinct(W, H);
    OnionSkin onion;
    // The previous ghost shows source pixel (5, 2) everywhere, the next one (2, 4).
    ASSERT_TRUE(onion.Update(source, AllFrom(W, H, 5, 2), AllFrom(W, H, 2, 4)));
    ASSERT_EQ(onion.Previous().pixel(1, 1), qRgb(110, 80, 90));
    ASSERT_EQ(onion.Next().pixel(5, 3), qRgb(50, 140, 90));

    ZoomView view;
    view.SetPictureSize(W, H);
    QImage frame(W, H, QImage::Format_RGB32);
    frame.fill(qRgb(200, 200, 200));
    onion.DrawOver(frame, QRect(0, 1, 2, 3), view);
    // Red 140 + 16.5 + 7.5 = 164, green 140 + 12 + 21 = 173, blue 140 + 13.5 + 13.5 = 167.
    EXPECT_EQ(frame.pixel(0, 1), qRgb(164, 173, 167));
    EXPECT_EQ(frame.pixel(1, 3), qRgb(164, 173, 167));
    // Outside the rectangle nothing changes.
    EXPECT_EQ(frame.pixel(2, 1), qRgb(200, 200, 200));
    EXPECT_EQ(frame.pixel(0, 0), qRgb(200, 200, 200));
}

TEST(OnionSkin, AMagnifiedViewTakesEachGhostPixelFromTheMapPixelItShows)
{
    const int W = 4, H = 3;
    const PackedPicture source = Distinct(W, H);
    OnionSkin onion;
    // Identity maps: each ghost shows the source, so neighbouring map pixels differ.
    const std::vector<Displacement> identity(size_t(W) * H);
    ASSERT_TRUE(onion.Update(source, identity, identity));
    ASSERT_EQ(onion.Previous().pixel(2, 1), qRgb(50, 50, 90));

    ZoomView view;
    view.SetPictureSize(W, H);
    ASSERT_TRUE(view.SetScale(2, 0, 0));
    ASSERT_TRUE(view.PanBy(3, 1));  // view pixel (x, y) shows map pixel ((x + 3) / 2, (y + 1) / 2)
    QImage frame(W, H, QImage::Format_RGB32);
    frame.fill(qRgb(0, 0, 0));
    onion.DrawOver(frame, frame.rect(), view);
    // View (1, 1) shows map pixel (2, 1): 30 % of (50, 50, 90) is (15, 15, 27).
    EXPECT_EQ(frame.pixel(1, 1), qRgb(15, 15, 27));
    // View (0, 0) shows map pixel (1, 0): 30 % of (30, 20, 90).
    EXPECT_EQ(frame.pixel(0, 0), qRgb(9, 6, 27));
    // View (3, 2) shows map pixel (3, 1): 30 % of (70, 50, 90).
    EXPECT_EQ(frame.pixel(3, 2), qRgb(21, 15, 27));
}

TEST(OnionSkin, NoGhostOrGhostsOfAnotherSizeLeaveTheFrameAsItIs)
{
    const int W = 4, H = 3;
    OnionSkin onion;
    ZoomView view;
    view.SetPictureSize(W, H);
    QImage frame(W, H, QImage::Format_RGB32);
    frame.fill(qRgb(1, 2, 3));
    const QImage before = frame;
    onion.DrawOver(frame, frame.rect(), view);
    EXPECT_EQ(frame, before);

    // Ghosts of a 4 x 3 picture over the view of a 5 x 3 one: none is drawn.
    const std::vector<Displacement> identity(size_t(W) * H);
    ASSERT_TRUE(onion.Update(Distinct(W, H), identity, {}));
    ZoomView wider;
    wider.SetPictureSize(5, 3);
    QImage wide(5, 3, QImage::Format_RGB32);
    wide.fill(qRgb(1, 2, 3));
    const QImage wideBefore = wide;
    onion.DrawOver(wide, wide.rect(), wider);
    EXPECT_EQ(wide, wideBefore);
    // A map of another size than the picture gives no ghost.
    EXPECT_FALSE(onion.Update(Distinct(W, H), std::vector<Displacement>(5), {}));
    EXPECT_TRUE(onion.Previous().isNull());
}
