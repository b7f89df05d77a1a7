#include "export/GifPicture.h"

#include "GifTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <array>
#include <cstdlib>
#include <fstream>
#include <random>

using namespace giftest;

TEST(GifPicture, FewColoursReadBackExactly)
{
    TempDir dir;
    const std::string path = dir.File("few.gif");
    PackedPicture picture(37, 21);  // odd width: rows carry fill bytes
    std::mt19937 rng(1);
    std::vector<std::array<uint8_t, 3>> colours(200);
    for (auto& c : colours)
        c = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x) {
            const auto& c = colours[size_t(x * 7 + y * 3) % colours.size()];
            SetPixel(picture, x, y, c[0], c[1], c[2]);
        }
    ASSERT_TRUE(WriteGifPicture(path, picture));

    const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.width(), 37);
    ASSERT_EQ(image.height(), 21);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint8_t* p = picture.Pixel(x, y);
            ASSERT_EQ(image.pixel(x, y), qRgb(p[2], p[1], p[0])) << x << "," << y;
        }
}

TEST(GifPicture, PhotoIsAStillPictureCloseToTheOriginal)
{
    TempDir dir;
    const std::string path = dir.File("photo.gif");
    const PackedPicture picture = PhotoLike(160, 120);
    ASSERT_TRUE(WriteGifPicture(path, picture));

    const ParsedGif gif = ParseGif(ReadBytes(path));
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_FALSE(gif.loopExtension);
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.frames[0].delay, 0);

    const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(160, 120));
    double error = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const uint8_t* p = picture.Pixel(x, y);
            const QRgb q = image.pixel(x, y);
            error += std::abs(qRed(q) - p[2]) + std::abs(qGreen(q) - p[1]) + std::abs(qBlue(q) - p[0]);
        }
    EXPECT_LT(error / (160 * 120 * 3), 10.0);
}

TEST(GifPicture, RefusesWhatItCannotWriteAndKeepsTheOldFile)
{
    TempDir dir;
    EXPECT_FALSE(WriteGifPicture(dir.File("empty.gif"), PackedPicture()));
    EXPECT_FALSE(WriteGifPicture(dir.File("no/such/dir.gif"), PackedPicture(2, 2)));
    EXPECT_FALSE(WriteGifPicture(dir.File("wide.gif"), PackedPicture(70000, 1)));
    EXPECT_EQ(dir.EntryCount(), 0);

    const std::string path = dir.File("old.gif");
    std::ofstream(path) << "old";
    PackedPicture truncated(4, 4);
    truncated.Bits().resize(10);
    EXPECT_FALSE(WriteGifPicture(path, truncated));
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
}
