// Full-size export rendering on a case worked out by hand: a 2 x 2 map with four
// different displacements over a 4 x 4 picture, so that both the map blend and the
// colour blend run at fractional positions, and one position left of the picture.

#include "export/BigPictureRender.h"

#include <gtest/gtest.h>

namespace {

// Every colour byte of (x, y) (y from the top) is 100 + 10x + 40y.
PackedPicture Ramp()
{
    PackedPicture picture(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = picture.Pixel(x, y);
            p[0] = p[1] = p[2] = uint8_t(100 + 10 * x + 40 * y);
        }
    return picture;
}

}  // namespace

TEST(FullSizeBlend, HandWorkedPixels)
{
    const PackedPicture source = Ramp();
    DisplacementMap map(2, 2);
    map.At(0, 0) = Displacement{-10, 0};
    map.At(1, 0) = Displacement{32, 0};
    map.At(0, 1) = Displacement{16, 0};
    map.At(1, 1) = Displacement{48, 100};

    PackedPicture fast = source, plain = source;
    RenderFullSize(source, fast, map.Ref());
    reference::RenderFullSize(source, plain, map.Ref());

    // (0, 0): dx = -10, sx = -10 x 4 / 2 = -20: column 0 with gx = -20 (the remainder
    // keeps the sign), so (100 x 83 x 63 + 110 x (-20) x 63) / 3969 = 96.
    EXPECT_EQ(plain.Pixel(0, 0)[0], 96);
    // (1, 1): mx64 = my64 = 32, fx = fy = 32.
    // dx = (-10x31x31 + 32x32x31 + 16x31x32 + 48x32x32) / 3969 = 87158 / 3969 = 21,
    // dy = 100x32x32 / 3969 = 25; sx = 42 + 64 = 106 (column 1, gx 42),
    // sy = 50 + 64 = 114 (row 1, gy 50).
    // (150x21x13 + 160x42x13 + 190x21x50 + 200x42x50) / 3969 = 747810 / 3969 = 188.
    EXPECT_EQ(plain.Pixel(1, 1)[0], 188);
    EXPECT_EQ(plain.Pixel(1, 1)[2], 188);
    // The last column and the bottom row keep the source.
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(plain.Pixel(3, k)[0], source.Pixel(3, k)[0]);
        EXPECT_EQ(plain.Pixel(k, 3)[0], source.Pixel(k, 3)[0]);
    }
    EXPECT_EQ(fast, plain);
}
