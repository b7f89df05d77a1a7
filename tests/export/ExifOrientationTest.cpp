// EXIF orientation: found in JPEG, PNG, WebP and TIFF files, and applied to a
// picture so that it shows as a photo viewer shows it.

#include "export/ExifOrientation.h"
#include "export/PictureFile.h"

#include "support/PictureFiles.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// A little-endian TIFF block whose first directory holds the orientation
// (after another tag, so that the directory is walked).
std::vector<uint8_t> ExifBlock(int orientation, bool bigEndian = false)
{
    std::vector<uint8_t> b;
    const auto u16 = [&](uint32_t v) {
        if (bigEndian)
            b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
        else
            b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    const auto u32 = [&](uint32_t v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    b.insert(b.end(), bigEndian ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
    u16(42);
    u32(8);
    u16(2);       // two entries
    u16(0x010F);  // the maker: an ASCII value elsewhere
    u16(2);
    u32(4);
    u32(0);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(uint32_t(orientation));
    u16(0);
    u32(0);  // no next directory
    return b;
}

// A JPEG with an EXIF segment right after its start of image.
std::vector<uint8_t> JpegWithOrientation(const std::vector<uint8_t>& jpeg, int orientation)
{
    const std::vector<uint8_t> block = ExifBlock(orientation);
    const size_t length = 2 + 6 + block.size();
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// A PNG with an eXIf chunk after its header chunk.
std::vector<uint8_t> PngWithOrientation(const std::vector<uint8_t>& png, int orientation)
{
    const std::vector<uint8_t> block = ExifBlock(orientation, true);
    std::vector<uint8_t> chunk = {uint8_t(block.size() >> 24),
                                  uint8_t(block.size() >> 16),
                                  uint8_t(block.size() >> 8),
                                  uint8_t(block.size()),
                                  'e',
                                  'X',
                                  'I',
                                  'f'};
    chunk.insert(chunk.end(), block.begin(), block.end());
    const uint32_t crc = uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4)));
    chunk.insert(chunk.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
    constexpr std::ptrdiff_t kHeaderEnd = 33;  // the signature and the header chunk
    std::vector<uint8_t> out(png.size() + chunk.size());
    std::copy(png.begin(), png.begin() + kHeaderEnd, out.begin());
    std::copy(chunk.begin(), chunk.end(), out.begin() + kHeaderEnd);
    std::copy(png.begin() + kHeaderEnd, png.end(), out.begin() + kHeaderEnd + std::ptrdiff_t(chunk.size()));
    return out;
}

QImage Pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 20, y * 30, (x + y) * 9));
    return image;
}

}  // namespace

// A 4 x 3 picture with a mark in its stored top-left corner: where each
// orientation shows the mark, worked by hand from the tag's definition.
TEST(ExifOrientation, EachOrientationShowsTheCornerWhereItsDefinitionPutsIt)
{
    PackedPicture stored(4, 3);
    stored.Pixel(0, 0)[2] = 255;
    stored.Pixel(1, 0)[1] = 255;  // a second mark beside it tells a turn from a mirror
    const struct {
        int orientation, width, height, markX, markY, besideX, besideY;
    } cases[] = {
        {1, 4, 3, 0, 0, 1, 0}, {2, 4, 3, 3, 0, 2, 0}, {3, 4, 3, 3, 2, 2, 2}, {4, 4, 3, 0, 2, 1, 2},
        {5, 3, 4, 0, 0, 0, 1}, {6, 3, 4, 2, 0, 2, 1}, {7, 3, 4, 2, 3, 2, 2}, {8, 3, 4, 0, 3, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const PackedPicture shown = OrientedPicture(stored, c.orientation);
        ASSERT_EQ(shown.Width(), c.width);
        ASSERT_EQ(shown.Height(), c.height);
        EXPECT_EQ(shown.Pixel(c.markX, c.markY)[2], 255);
        EXPECT_EQ(shown.Pixel(c.besideX, c.besideY)[1], 255);
    }
    EXPECT_EQ(OrientedPicture(stored, 0), stored);
    EXPECT_EQ(OrientedPicture(stored, 9), stored);
}

// Qt's own JPEG reader applies EXIF orientation: the same pixels, moved alike.
TEST(ExifOrientation, AgreesWithTheJpegReadersOwnTransform)
{
    const std::vector<uint8_t> jpeg = testsupport::EncodedPicture(Pattern(12, 7), "JPEG");
    const std::optional<PackedPicture> asStored = [&] {
        QImage image;
        image.loadFromData(jpeg.data(), int(jpeg.size()), "JPEG");
        return std::optional<PackedPicture>(PackedPictureFromImage(image));
    }();
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::vector<uint8_t> oriented = JpegWithOrientation(jpeg, orientation);
        EXPECT_EQ(FileExifOrientation(oriented), orientation);
        QByteArray bytes(reinterpret_cast<const char*>(oriented.data()), qsizetype(oriented.size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(true);
        const QImage qtShown = reader.read();
        ASSERT_FALSE(qtShown.isNull());
        EXPECT_EQ(OrientedPicture(*asStored, orientation), PackedPictureFromImage(qtShown));
    }
}

TEST(ExifOrientation, IsFoundInPngAndTiffAndIgnoredWhenDamaged)
{
    const std::vector<uint8_t> png = testsupport::EncodedPicture(Pattern(6, 4), "PNG");
    EXPECT_EQ(FileExifOrientation(png), std::nullopt);
    for (int orientation = 1; orientation <= 8; ++orientation)
        EXPECT_EQ(FileExifOrientation(PngWithOrientation(png, orientation)), orientation);
    // The PNG decoder still reads the file with the chunk in it.
    const std::vector<uint8_t> withChunk = PngWithOrientation(png, 6);
    QImage decoded;
    EXPECT_TRUE(decoded.loadFromData(withChunk.data(), int(withChunk.size()), "PNG"));

    EXPECT_EQ(FileExifOrientation(ExifBlock(3)), 3);
    EXPECT_EQ(FileExifOrientation(ExifBlock(8, true)), 8);
    // Out of range, cut short, a directory offset past the end: shown as stored.
    EXPECT_EQ(ExifBlockOrientation(ExifBlock(0)), std::nullopt);
    EXPECT_EQ(ExifBlockOrientation(ExifBlock(9)), std::nullopt);
    const std::vector<uint8_t> block = ExifBlock(6);
    for (size_t keep = 0; keep < block.size() - 4; ++keep)
        EXPECT_EQ(ExifBlockOrientation(std::span(block).first(keep)), std::nullopt) << keep;
    // Blocks cut inside their header, each in a buffer of its own size (the
    // sanitizers see a read past it).
    for (size_t keep = 4; keep < 8; ++keep) {
        const std::vector<uint8_t> alone(block.begin(), block.begin() + std::ptrdiff_t(keep));
        EXPECT_EQ(ExifBlockOrientation(alone), std::nullopt) << keep;
    }
    std::vector<uint8_t> farOff = block;
    farOff[4] = 0xF0;
    EXPECT_EQ(ExifBlockOrientation(farOff), std::nullopt);
    EXPECT_EQ(FileExifOrientation({}), std::nullopt);
}
