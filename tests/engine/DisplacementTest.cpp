#include "engine/Displacement.h"

#include <gtest/gtest.h>

TEST(ScaleMap, TruncatesTowardZeroAndKeepsFullPower)
{
    DisplacementMap map(3, 1);
    map.At(0, 0) = {65, -65};
    map.At(1, 0) = {64, 0};
    map.At(2, 0) = {1 << 30, -(1 << 30)};  // a product that does not fit 32 bits
    ScaleMap(map.Ref(), 32);
    EXPECT_EQ(map.At(0, 0), (Displacement{32, -32}));
    EXPECT_EQ(map.At(1, 0), (Displacement{32, 0}));
    EXPECT_EQ(map.At(2, 0), (Displacement{1 << 29, -(1 << 29)}));

    DisplacementMap same(2, 2);
    same.At(1, 1) = {-7, 9};
    DisplacementMap before = same;
    ScaleMap(same.Ref(), 64);
    EXPECT_EQ(same, before);
    ScaleMap(same.Ref(), 0);
    EXPECT_EQ(same, DisplacementMap(2, 2));
    ScaleMap(MapRef{}, 10);  // no map attached: nothing happens
}
