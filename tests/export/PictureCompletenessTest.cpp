// Pictures cut short: found from the bytes, opened where what is there can be
// shown, and refused as cut where it cannot.

#include "export/PictureCompleteness.h"
#include "export/PictureFile.h"
#include "project/ProjectTestSupport.h"

#include "support/PictureFiles.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace projecttest;

namespace {

QImage Noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    uint32_t s = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (s = s * 1103515245u + 12345u) >> 8);
    return image;
}

std::vector<uint8_t> Cut(const std::vector<uint8_t>& bytes, size_t keep)
{
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(keep));
}

}  // namespace

TEST(PictureCompleteness, JpegsEndAtTheirLastScansEndOfImage)
{
    const std::vector<uint8_t> jpeg = testsupport::EncodedPicture(Noise(64, 48), "JPEG");
    EXPECT_TRUE(PictureFileComplete(jpeg));
    for (const size_t keep : {size_t(3), size_t(20), jpeg.size() / 2, jpeg.size() - 2, jpeg.size() - 1})
        EXPECT_FALSE(PictureFileComplete(Cut(jpeg, keep))) << keep;
    // Bytes after the end of image (some cameras add them) leave it complete.
    std::vector<uint8_t> trailing = jpeg;
    trailing.insert(trailing.end(), {0, 0, 1, 2});
    EXPECT_TRUE(PictureFileComplete(trailing));
    // A thumbnail's end of image inside an application segment is not the file's.
    std::vector<uint8_t> withThumbnail(jpeg.begin(), jpeg.begin() + 2);
    const std::vector<uint8_t> app1 = {0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 0xFF, 0xD9, 0x00, 0x00};
    withThumbnail.insert(withThumbnail.end(), app1.begin(), app1.end());
    withThumbnail.insert(withThumbnail.end(), jpeg.begin() + 2, jpeg.end());
    EXPECT_TRUE(PictureFileComplete(withThumbnail));
    EXPECT_FALSE(PictureFileComplete(Cut(withThumbnail, withThumbnail.size() / 2)));
}

TEST(PictureCompleteness, PngsEndAtTheirEndChunkAndOtherFormatsAreNotJudged)
{
    const std::vector<uint8_t> png = testsupport::EncodedPicture(Noise(64, 48), "PNG");
    EXPECT_TRUE(PictureFileComplete(png));
    EXPECT_TRUE(IsPngFile(png));
    EXPECT_FALSE(PictureFileComplete(Cut(png, png.size() / 2)));
    EXPECT_EQ(PngWholeChunksBeforeCut(Cut(png, png.size() / 2)), std::nullopt);
    // Without its end chunk, or cut inside it, the data is whole.
    EXPECT_EQ(PngWholeChunksBeforeCut(Cut(png, png.size() - 12)), png.size() - 12);
    EXPECT_EQ(PngWholeChunksBeforeCut(Cut(png, png.size() - 2)), png.size() - 12);
    EXPECT_EQ(PngWholeChunksBeforeCut(png), std::nullopt);
    const std::vector<uint8_t> bmp = testsupport::EncodedPicture(Noise(8, 8), "BMP");
    EXPECT_TRUE(PictureFileComplete(Cut(bmp, bmp.size() / 2)));
    EXPECT_TRUE(PictureFileComplete({}));
}

TEST(PictureCompleteness, LoadingSaysWhatACutFileLacks)
{
    Folder folder;
    const QImage image = Noise(64, 48);
    const std::vector<uint8_t> jpeg = testsupport::EncodedPicture(image, "JPEG"),
                               png = testsupport::EncodedPicture(image, "PNG");
    WriteBytes(folder.Path("half.jpg"), Cut(jpeg, jpeg.size() / 2));
    PictureLoadNotes notes;
    const std::optional<PackedPicture> half = LoadPictureFile(folder.Path("half.jpg"), &notes);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->Width(), 64);
    EXPECT_TRUE(notes.incomplete);

    WriteBytes(folder.Path("whole.png"), png);
    ASSERT_TRUE(LoadPictureFile(folder.Path("whole.png"), &notes));
    EXPECT_FALSE(notes.incomplete);
    // Without its end chunk a PNG still gives every pixel.
    WriteBytes(folder.Path("noend.png"), Cut(png, png.size() - 12));
    const std::optional<PackedPicture> noEnd = LoadPictureFile(folder.Path("noend.png"), &notes);
    ASSERT_TRUE(noEnd);
    EXPECT_EQ(*noEnd, *LoadPictureFile(folder.Path("whole.png")));
    EXPECT_TRUE(notes.incomplete);
    // Cut in its pixels it is refused as a file that ends too early.
    WriteBytes(folder.Path("half.png"), Cut(png, png.size() / 2));
    try {
        LoadPictureFile(folder.Path("half.png"));
        ADD_FAILURE() << "a PNG cut in half was decoded";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Detail(), "the file ends too early");
        EXPECT_EQ(e.Path(), folder.Path("half.png"));
    }
}
