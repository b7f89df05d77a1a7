// Decoding pictures into the packed form without a second picture of the whole
// size: the same pixels as one conversion of the whole decoded image, for the
// decoders' many output formats, and a memory peak near the result's size.

#include "export/PictureFile.h"
#include "support/MemoryUse.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Every pixel different, with alpha from transparent to opaque.
QImage Pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 37 + y * 11, x * 5 + y * 23, (x ^ y) * 29, (x * 7 + y * 13) & 255));
    return image;
}

struct Kind {
    const char* name;
    const char* format;     // the encoder
    QImage::Format pixels;  // what is written
};

// What the plain conversion makes of the file.
PackedPicture Plain(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    return reference::PackedPictureFromImage(reader.read());
}

}  // namespace

TEST(PictureDecoding, GivesThePixelsOfThePlainConversionForEveryKindOfDecodedImage)
{
    QTemporaryDir dir;
    const Kind kinds[] = {
        {"grey.png", "png", QImage::Format_Grayscale8},  // rows smaller than packed rows
        {"grey16.png", "png", QImage::Format_Grayscale16},
        {"rgb.png", "png", QImage::Format_RGB888},  // rows of 32-bit pixels
        {"rgba.png", "png", QImage::Format_ARGB32},
        {"deep.png", "png", QImage::Format_RGBA64},       // rows of 64-bit pixels
        {"palette.png", "png", QImage::Format_Indexed8},  // colour table with alpha
        {"mono.png", "png", QImage::Format_Mono},
        {"photo.jpg", "jpeg", QImage::Format_RGB888},
        {"greyphoto.jpg", "jpeg", QImage::Format_Grayscale8},
        {"plain.bmp", "bmp", QImage::Format_RGB888},
        {"palette.bmp", "bmp", QImage::Format_Indexed8},
        {"alpha.bmp", "bmp", QImage::Format_ARGB32},
        {"scan.tif", "tiff", QImage::Format_RGB888},
        {"premultiplied.tif", "tiff", QImage::Format_ARGB32_Premultiplied},
        {"anim.gif", "gif", QImage::Format_Indexed8},  // decoders that make their own image
        {"web.webp", "webp", QImage::Format_ARGB32},
        {"any.ppm", "ppm", QImage::Format_RGB888},
    };
    // Odd widths leave padding in the packed rows; a tall narrow picture packs
    // its rows far from where they were decoded, a one-row one in place.
    const QSize sizes[] = {{13, 7}, {3, 301}, {257, 2}, {1, 1}, {5, 1}};
    for (const Kind& kind : kinds) {
        if (!QImageWriter::supportedImageFormats().contains(kind.format))
            continue;
        for (const QSize size : sizes) {
            const std::string path = dir.filePath(QString::number(size.width()) + QLatin1Char('x') +
                                                  QString::number(size.height()) + QLatin1String(kind.name))
                                         .toStdString();
            QImage image = Pattern(size.width(), size.height()).convertToFormat(kind.pixels);
            ASSERT_TRUE(QImageWriter(QString::fromStdString(path), kind.format).write(image)) << path;
            const std::optional<PackedPicture> decoded = LoadPictureFile(path);
            ASSERT_TRUE(decoded) << path;
            EXPECT_TRUE(*decoded == Plain(path)) << path;
            EXPECT_EQ(decoded->Bits().size(), size_t(decoded->Stride()) * size_t(size.height())) << path;
        }
    }
}

TEST(PictureDecoding, PaletteIndexesPastTheTableAndPicturesWithoutATableConvertAsAWholeImageDoes)
{
    QImage palette(7, 3, QImage::Format_Indexed8);
    for (int y = 0; y < palette.height(); ++y)
        for (int x = 0; x < palette.width(); ++x)
            palette.scanLine(y)[x] = uchar(x * 40 + y);
    palette.setColorTable({qRgb(10, 20, 30), qRgba(200, 100, 50, 7), qRgb(1, 2, 3)});
    EXPECT_TRUE(PackedPictureFromImage(palette) == reference::PackedPictureFromImage(palette));
    palette.setColorTable({});
    EXPECT_TRUE(PackedPictureFromImage(palette) == reference::PackedPictureFromImage(palette));
}

// The resident peak while a picture decodes, over what the process held
// before, compared with the size of the packed result; and what it still
// holds afterwards.
class DecodingPeak : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (!testsupport::ResetResidentPeak())
            GTEST_SKIP() << "the resident peak cannot be reset here";
    }

    struct Use {
        double peak = 0;  // times the result's size
        double held = 0;
    };
    Use Decode(const std::string& path)
    {
        // The decoder's plugin is loaded and warm before anything is measured.
        const QByteArray format = QImageReader(QString::fromStdString(path)).format();
        const std::string small = dir.filePath(QStringLiteral("small.") + QString::fromLatin1(format)).toStdString();
        EXPECT_TRUE(QImageWriter(QString::fromStdString(small), format).write(Pattern(8, 8)));
        EXPECT_TRUE(LoadPictureFile(small));

        const size_t before = testsupport::StatusBytes("VmRSS");
        testsupport::ResetResidentPeak();
        const std::optional<PackedPicture> picture = LoadPictureFile(path);
        const size_t peak = testsupport::StatusBytes("VmHWM");
        const size_t after = testsupport::StatusBytes("VmRSS");
        EXPECT_TRUE(picture);
        if (!picture)
            return {};
        const double size = double(picture->Bits().size());
        return {double(peak - before) / size, double(after - before) / size};
    }

    QTemporaryDir dir;
};

TEST_F(DecodingPeak, AGreyPngTakesLittleMoreThanItsPackedSize)
{
    // 4096 x 4096 grey: 16 MiB decoded, 48 MiB packed (a conversion of the
    // whole picture to 32 bits would add 64 MiB).
    const std::string path = dir.filePath(QStringLiteral("grey.png")).toStdString();
    {
        QImage grey(4096, 4096, QImage::Format_Grayscale8);
        for (int y = 0; y < grey.height(); ++y)
            std::memset(grey.scanLine(y), y / 16, size_t(grey.width()));
        ASSERT_TRUE(grey.save(QString::fromStdString(path)));
    }
    const Use use = Decode(path);
    EXPECT_LT(use.peak, 1.3);
    EXPECT_LT(use.held, 1.15);
}

TEST_F(DecodingPeak, AColourJpegTakesAtMostItsDecodedSize)
{
    // 4096 x 3072 colour: 48 MiB decoded at 32 bits, 36 MiB packed; the pages
    // the packed picture does not use are given back.
    const std::string path = dir.filePath(QStringLiteral("photo.jpg")).toStdString();
    {
        QImage photo(4096, 3072, QImage::Format_RGB888);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width() * 3; ++x)
                photo.scanLine(y)[x] = uchar(x / 48 + y / 32);
        ASSERT_TRUE(photo.save(QString::fromStdString(path), "jpeg", 90));
    }
    const Use use = Decode(path);
    EXPECT_LT(use.peak, 1.6);
    EXPECT_LT(use.held, 1.15);
}
