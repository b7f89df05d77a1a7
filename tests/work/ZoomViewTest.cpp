#include "work/ZoomView.h"

#include <gtest/gtest.h>

namespace {

ZoomView View(int W, int H)
{
    ZoomView view;
    view.SetPictureSize(W, H);
    return view;
}

}  // namespace

TEST(ZoomViewTest, LevelsStepThroughFitAndTheFourScales)
{
    ZoomView view = View(412, 274);
    EXPECT_TRUE(view.IsFit());
    EXPECT_EQ(view.Scale(), 1);
    EXPECT_TRUE(view.ZoomIn(0, 0));  // fit -> 200 %: 100 % looks the same as fit
    EXPECT_EQ(view.Percent(), 200);
    EXPECT_TRUE(view.ZoomIn(0, 0));
    EXPECT_TRUE(view.ZoomIn(0, 0));
    EXPECT_EQ(view.Percent(), 800);
    EXPECT_FALSE(view.ZoomIn(0, 0));  // the largest
    EXPECT_EQ(view.Percent(), 800);
    EXPECT_TRUE(view.ZoomOut(0, 0));
    EXPECT_TRUE(view.ZoomOut(0, 0));
    EXPECT_TRUE(view.ZoomOut(0, 0));
    EXPECT_EQ(view.Percent(), 100);
    EXPECT_FALSE(view.IsFit());
    EXPECT_TRUE(view.ZoomOut(0, 0));
    EXPECT_TRUE(view.IsFit());
    EXPECT_FALSE(view.ZoomOut(0, 0));
    EXPECT_FALSE(view.SetScale(3, 0, 0));  // not a level
    EXPECT_TRUE(view.IsFit());
}

TEST(ZoomViewTest, ZoomKeepsThePictureUnderTheAnchorAndTheOffsetOnThePicture)
{
    ZoomView view = View(400, 200);
    // At 400 % the magnified point under view pixel (100, 50) is 4 x (100, 50):
    // the offset is (300, 150), and that view pixel shows map pixel (100, 50).
    view.SetScale(4, 100, 50);
    EXPECT_EQ(view.OffsetX(), 300);
    EXPECT_EQ(view.OffsetY(), 150);
    EXPECT_EQ(view.MapX(100), 100);
    EXPECT_EQ(view.MapY(50), 50);
    // Zooming out to 200 % about the same pixel: offset (100, 50).
    view.SetScale(2, 100, 50);
    EXPECT_EQ(view.OffsetX(), 100);
    EXPECT_EQ(view.OffsetY(), 50);
    // To 800 % about the far corner: magnified (499, 249) at 2 x is (1996, 996)
    // at 8 x, so the offset is (1597, 797) and the corner still shows map (249, 124).
    view.SetScale(8, 399, 199);
    EXPECT_EQ(view.OffsetX(), 1597);
    EXPECT_EQ(view.OffsetY(), 797);
    EXPECT_EQ(view.MapX(399), 249);
    EXPECT_EQ(view.MapY(199), 124);
    // Panned to the far end, then out to 400 % about (0, 0): the offset (1400,
    // 700) would show beyond the picture and is limited to (3 x 400, 3 x 200).
    view.PanBy(10000, 10000);
    EXPECT_EQ(view.OffsetX(), 7 * 400);
    EXPECT_EQ(view.OffsetY(), 7 * 200);
    view.SetScale(4, 0, 0);
    EXPECT_EQ(view.OffsetX(), 3 * 400);
    EXPECT_EQ(view.OffsetY(), 3 * 200);
}

TEST(ZoomViewTest, PanStaysOnThePicture)
{
    ZoomView view = View(412, 274);
    EXPECT_FALSE(view.PanBy(10, 10));  // nothing to pan at fit
    view.SetScale(2, 0, 0);
    EXPECT_TRUE(view.PanBy(100, 30));
    EXPECT_EQ(view.OffsetX(), 100);
    EXPECT_EQ(view.OffsetY(), 30);
    view.PanBy(-1000, 100000);
    EXPECT_EQ(view.OffsetX(), 0);
    EXPECT_EQ(view.OffsetY(), 274);
    EXPECT_FALSE(view.PanBy(-5, 5));  // already at the corner
    // The last view pixel shows the last map pixel, never one beyond.
    EXPECT_EQ(view.MapY(273), 273);
    EXPECT_TRUE(view.ZoomToFit());
    EXPECT_EQ(view.OffsetX(), 0);
    EXPECT_EQ(view.OffsetY(), 0);
}

TEST(ZoomViewTest, MapPositionsAreFlooredAlsoLeftOfTheView)
{
    ZoomView view = View(412, 412);
    view.SetScale(4, 0, 0);
    view.PanBy(10, 6);
    // (v + offset) / 4 floored: view 0 -> 10/4 = 2, view 1 -> 11/4 = 2, view 2 -> 3.
    EXPECT_EQ(view.MapX(0), 2);
    EXPECT_EQ(view.MapX(1), 2);
    EXPECT_EQ(view.MapX(2), 3);
    EXPECT_EQ(view.MapY(1), 1);
    EXPECT_EQ(view.MapY(2), 2);
    // Outside the view (a captured pointer): floored, not truncated toward zero.
    EXPECT_EQ(view.MapX(-11), -1);
    EXPECT_EQ(view.MapX(-14), -1);
    EXPECT_EQ(view.MapX(-15), -2);
}

TEST(ZoomViewTest, RectanglesConvertBetweenMapAndView)
{
    ZoomView view = View(412, 412);
    view.SetScale(2, 0, 0);
    view.PanBy(20, 10);
    // Map [15, 30) x [5, 8) is view [10, 40) x [0, 6).
    EXPECT_EQ(view.MapToView(Rect{15, 5, 30, 8}), (Rect{10, 0, 40, 6}));
    // Partly above the view: limited.
    EXPECT_EQ(view.MapToView(Rect{0, 0, 12, 6}), (Rect{0, 0, 4, 2}));
    // Entirely outside: empty.
    EXPECT_TRUE(view.MapToView(Rect{0, 0, 9, 4}).IsEmpty());
    // View [1, 4) x [0, 1) shows map columns 10..11 (partly) and row 5.
    EXPECT_EQ(view.ViewToMap(Rect{1, 0, 4, 1}), (Rect{10, 5, 12, 6}));
    EXPECT_EQ(view.ViewToMagnified(Rect{1, 0, 4, 1}), (Rect{21, 10, 24, 11}));
}

TEST(ZoomViewTest, AViewRectangleMapsToEveryMapPixelItShowsEvenInPart)
{
    ZoomView view = View(412, 412);
    view.SetScale(4, 0, 0);
    view.PanBy(10, 6);
    // View [0, 5) x [0, 3) is magnified [10, 15) x [6, 9): map columns 2..3
    // (column 3 from 12 to 15, shown in part) and rows 1..2.
    EXPECT_EQ(view.ViewToMap(Rect{0, 0, 5, 3}), (Rect{2, 1, 4, 3}));
    // Edges on a map pixel's boundary take no extra pixel: magnified [10, 16) x [6, 8).
    EXPECT_EQ(view.ViewToMap(Rect{0, 0, 6, 2}), (Rect{2, 1, 4, 2}));
    EXPECT_TRUE(view.ViewToMap(Rect{3, 3, 3, 7}).IsEmpty());

    // Redrawing the map pixels a view rectangle shows covers the whole
    // rectangle, at every scale and pan.
    for (int scale : ZoomView::kScales) {
        for (int pan : {0, 1, 3, 5, 7, 1000}) {
            view = View(40, 30);
            view.SetScale(scale, 0, 0);
            view.PanBy(pan, pan / 2);
            for (int left = 0; left < 9; ++left) {
                for (int width = 1; width < 11; ++width) {
                    const Rect shown{left, left / 2, std::min(left + width, 40), std::min(left / 2 + width, 30)};
                    const Rect redrawn = view.MapToView(view.ViewToMap(shown));
                    EXPECT_TRUE(redrawn.left <= shown.left && redrawn.top <= shown.top &&
                                redrawn.right >= shown.right && redrawn.bottom >= shown.bottom)
                        << "scale " << scale << " pan " << pan << " view " << shown.left << "," << shown.top << " - "
                        << shown.right << "," << shown.bottom;
                }
            }
        }
    }
}

TEST(ZoomViewTest, ANewPictureStartsAtFitAndAnchorsAreKeptOnThePicture)
{
    ZoomView view = View(400, 200);
    view.SetScale(8, 399, 199);
    ASSERT_GT(view.OffsetX(), 0);
    view.SetPictureSize(300, 100);
    EXPECT_TRUE(view.IsFit());
    EXPECT_EQ(view.Scale(), 1);
    EXPECT_EQ(view.OffsetX(), 0);
    EXPECT_EQ(view.OffsetY(), 0);
    EXPECT_EQ(view.Width(), 300);
    // An anchor beyond the view (the pointer outside the window) counts as the
    // nearest view pixel: 2 x (299, 99) - (299, 99).
    EXPECT_TRUE(view.SetScale(2, 5000, -70));
    EXPECT_EQ(view.OffsetX(), 299);
    EXPECT_EQ(view.OffsetY(), 0);
    EXPECT_FALSE(view.SetScale(2, 10, 10));  // the same level again changes nothing
    EXPECT_EQ(view.OffsetX(), 299);
    // At 100 % there is nothing to pan; zooming in from there is 200 %.
    EXPECT_TRUE(view.SetScale(1, 0, 0));
    EXPECT_FALSE(view.IsFit());
    EXPECT_FALSE(view.Magnified());
    EXPECT_FALSE(view.PanBy(40, 40));
    EXPECT_TRUE(view.ZoomIn(0, 0));
    EXPECT_EQ(view.Percent(), 200);
}
