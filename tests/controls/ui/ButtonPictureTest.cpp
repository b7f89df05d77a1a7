#include "controls/SkinArithmetic.h"

#include <gtest/gtest.h>

namespace {

const QRgb kKey = qRgb(0xEF, 0xE2, 0xC6);

// A w x h picture of the key colour with its bottom-left pixel as the key.
QImage KeyPicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kKey);
    return img;
}

QImage Skin()
{
    QImage skin(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            skin.setPixel(x, y, qRgb(10 * x, 10 * y, 200));
    return skin;
}

}  // namespace

TEST(ButtonPicture, AllKeyColourShowsOnlyTheTiledSkin)
{
    const QImage display = BuildButtonDisplay(KeyPicture(10, 6), Skin(), ButtonLevel::Pressed, 3);
    ASSERT_EQ(display.size(), QSize(10, 9));
    for (int y = 0; y < display.height(); ++y)
        for (int x = 0; x < display.width(); ++x)
            ASSERT_EQ(display.pixel(x, y), Skin().pixel(x % 4, y % 4)) << x << "," << y;
}

TEST(ButtonPicture, KeyIsTheBottomLeftPixel)
{
    QImage img = KeyPicture(3, 3);
    img.setPixel(0, 0, qRgb(1, 2, 3));  // top-left is a picture pixel
    EXPECT_EQ(KeyColour(img), kKey);
    const QImage display = BuildButtonDisplay(img, Skin(), ButtonLevel::Hover, 0);
    EXPECT_EQ(display.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(display.pixel(0, 2), Skin().pixel(0, 2));
}

TEST(ButtonPicture, LevelsOfTheLookTable)
{
    const QRgb px = qRgb(140, 200, 100);
    // hover: unchanged
    EXPECT_EQ(LevelPixel(px, kKey, ButtonLevel::Hover), px);
    // normal: the average of picture and key colour
    EXPECT_EQ(LevelPixel(px, kKey, ButtonLevel::Normal), qRgb((140 + 0xEF) / 2, (200 + 0xE2) / 2, (100 + 0xC6) / 2));
    // pressed: contrast around mid-grey tripled, clamped
    EXPECT_EQ(LevelPixel(px, kKey, ButtonLevel::Pressed), qRgb(164, 255, 44));
    EXPECT_EQ(LevelPixel(qRgb(20, 128, 127), kKey, ButtonLevel::Pressed), qRgb(0, 128, 125));
}

TEST(ButtonPicture, IntermediateLevelsTruncateTowardZero)
{
    // L = 8: (x - 128) * 40 / 32 + 128; x = 127 gives -40/32 = -1 (not -2).
    EXPECT_EQ(LevelComponent(127, 0, 8), 127);
    EXPECT_EQ(LevelComponent(0, 0, 8), 0);
    // L = -8: (x * 24 + k * 8) / 32
    EXPECT_EQ(LevelComponent(100, 200, -8), (100 * 24 + 200 * 8) / 32);
}

TEST(ButtonPicture, DisabledIsThePaleTintedGrey)
{
    const QRgb px = qRgb(30, 60, 90);  // o = (90 + 60 + 30) / 3 + 300 = 360
    EXPECT_EQ(LevelPixel(px, kKey, ButtonLevel::Disabled), qRgb(360 * 255 / 511, 360 * 233 / 511, 360 * 153 / 511));
    // white: o = 555; green and red are limited to 255
    EXPECT_EQ(LevelPixel(qRgb(255, 255, 255), kKey, ButtonLevel::Disabled), qRgb(255, 253, 555 * 153 / 511));
}

TEST(ButtonPicture, PictureRowsSitAboveTheCaptionStrip)
{
    QImage img = KeyPicture(4, 2);
    img.setPixel(1, 0, qRgb(50, 60, 70));
    img.setPixel(2, 1, qRgb(50, 60, 70));
    const QImage display = BuildButtonDisplay(img, Skin(), ButtonLevel::Hover, 5);
    ASSERT_EQ(display.height(), 7);
    EXPECT_EQ(display.pixel(1, 0), qRgb(50, 60, 70));
    EXPECT_EQ(display.pixel(2, 1), qRgb(50, 60, 70));
    for (int y = 2; y < 7; ++y)
        EXPECT_EQ(display.pixel(2, y), Skin().pixel(2, y % 4));
}

TEST(ButtonPicture, AnimationStepsRunFromOldToTargetLevel)
{
    EXPECT_EQ(AnimationStepLevel(-16, 64, 0), -16);
    EXPECT_EQ(AnimationStepLevel(-16, 64, 5), 24);
    EXPECT_EQ(AnimationStepLevel(-16, 0, 1), -14);
    EXPECT_EQ(AnimationStepLevel(64, -16, 9), (64 - 16 * 9) / 10);
    EXPECT_EQ(AnimationStepLevel(-16, 64, 10), 64);
}

TEST(ColorRef, RedIsInTheLowByte)
{
    EXPECT_EQ(RgbFromColorRef(0x00FFFF), qRgb(255, 255, 0));
    EXPECT_EQ(RgbFromColorRef(0xFF0000), qRgb(0, 0, 255));
    EXPECT_EQ(RgbFromColorRef(0x466E83), qRgb(0x83, 0x6E, 0x46));
    EXPECT_EQ(RgbFromColorRef(0x800000), qRgb(0, 0, 0x80));
}

TEST(ButtonPicture, DoubleResolutionPictureKeepsItsRatioAndTheSkinCoversAll)
{
    QImage picture = KeyPicture(20, 12);  // 10 x 6 logical pixels at ratio 2
    picture.setDevicePixelRatio(2);
    picture.setPixel(5, 5, qRgb(1, 2, 3));
    const QImage display = BuildButtonDisplay(picture, Skin(), ButtonLevel::Hover, 3);
    EXPECT_EQ(display.devicePixelRatio(), 2);
    ASSERT_EQ(display.size(), QSize(20, 18));  // caption of 3 logical pixels is 6 device pixels
    EXPECT_EQ(display.pixel(5, 5), qRgb(1, 2, 3));
    // A 1x skin is laid in logical pixels: each skin pixel covers 2 x 2 device
    // pixels, with no gap down to the bottom of the caption strip.
    for (int y = 0; y < display.height(); ++y)
        for (int x = 0; x < display.width(); ++x) {
            if (x == 5 && y == 5)
                continue;
            ASSERT_EQ(display.pixel(x, y), Skin().pixel((x / 2) % 4, (y / 2) % 4)) << x << "," << y;
        }
}
