#include "controls/SkinArithmetic.h"

#include <gtest/gtest.h>

TEST(SliderSplit, PositionMapsToBarAndSixteenths)
{
    EXPECT_EQ(SliderSplitFor(0, 0, 64).bar, 0);
    EXPECT_EQ(SliderSplitFor(0, 0, 64).fraction, 0);
    // s = 1 * 400 / 64 = 6
    EXPECT_EQ(SliderSplitFor(1, 0, 64).bar, 0);
    EXPECT_EQ(SliderSplitFor(1, 0, 64).fraction, 6);
    // s = 32 * 400 / 64 = 200: bar 12, 8 sixteenths
    EXPECT_EQ(SliderSplitFor(32, 0, 64).bar, 12);
    EXPECT_EQ(SliderSplitFor(32, 0, 64).fraction, 8);
    // s = 63 * 400 / 64 = 393: bar 24, 9 sixteenths
    EXPECT_EQ(SliderSplitFor(63, 0, 64).bar, 24);
    EXPECT_EQ(SliderSplitFor(63, 0, 64).fraction, 9);
}

TEST(SliderSplit, MaximumIsTheWholeLastBar)
{
    for (int max : {1, 7, 64, 100, 1000}) {
        const SliderSplit s = SliderSplitFor(max, 0, max);
        EXPECT_EQ(s.bar, 24) << max;
        EXPECT_EQ(s.fraction, 16) << max;
    }
}

TEST(SliderSplit, RangesNotStartingAtZeroStayInsideTheShape)
{
    EXPECT_EQ(SliderSplitFor(10, 1, 10).bar, 24);
    EXPECT_EQ(SliderSplitFor(10, 1, 10).fraction, 16);
    EXPECT_EQ(SliderSplitFor(1, 1, 10).bar, 0);
    EXPECT_EQ(SliderSplitFor(1, 1, 10).fraction, 0);
    EXPECT_EQ(SliderSplitFor(500, 0, 64).bar, 24);  // beyond the range
    EXPECT_EQ(SliderSplitFor(5, 5, 5).bar, 0);      // empty range
}

TEST(SliderSplit, PositionFromX)
{
    EXPECT_EQ(SliderPosForX(0, 200, 0, 64), 0);
    EXPECT_EQ(SliderPosForX(100, 200, 0, 64), 32);
    EXPECT_EQ(SliderPosForX(200, 200, 0, 64), 64);
    EXPECT_EQ(SliderPosForX(-30, 200, 0, 64), 0);
    EXPECT_EQ(SliderPosForX(900, 200, 0, 64), 64);
    EXPECT_EQ(SliderPosForX(50, 100, 10, 20), 15);
    EXPECT_EQ(SliderPosForX(50, 0, 10, 20), 10);
}

TEST(SliderShape, TwentyFiveBarsLeftToRight)
{
    const auto& pts = SliderShapePoints();
    for (int b = 0; b < kSliderBars; ++b) {
        const QPointF bl = pts[4 * b], tl = pts[4 * b + 1], tr = pts[4 * b + 2], br = pts[4 * b + 3];
        EXPECT_LT(bl.x(), br.x());
        EXPECT_LT(tl.y(), bl.y());
        EXPECT_LE(tr.y(), tl.y());  // rising wedge
        EXPECT_GE(bl.x(), 16.0 * b);
        EXPECT_LE(br.x(), 16.0 * (b + 1));
    }
}

TEST(ProgressBar, WidthFormula)
{
    EXPECT_EQ(ProgressBarWidth(0, 800, 0, 0, 100), 6);
    EXPECT_EQ(ProgressBarWidth(0, 800, 100, 0, 100), 790);
    EXPECT_EQ(ProgressBarWidth(0, 800, 50, 0, 100), 392 + 6);
    EXPECT_EQ(ProgressBarWidth(10, 810, 5, 5, 9), 16);
    EXPECT_EQ(ProgressBarWidth(0, 800, 3, 7, 7), 6);  // empty range: no division by zero
}

TEST(SizeArithmetic, PercentOfASide)
{
    EXPECT_EQ(ScaledSide(640, 50), 320);
    EXPECT_EQ(ScaledSide(480, 50), 240);
    EXPECT_EQ(ScaledSide(640, 10000), 64000);
    EXPECT_EQ(ScaledSide(333, 33), 109);
    EXPECT_EQ(ScaledSide(2000000000, 10000), 200000000000LL);
    EXPECT_EQ(RoundUpToTiles(100, 64), 128);
    EXPECT_EQ(RoundUpToTiles(128, 64), 128);
    EXPECT_EQ(RoundUpToTiles(1, 64), 64);
}
