#include "io/FileError.h"
#include "export/PictureFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class PictureFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return (m_dir.path() + "/").toStdString() + name; }

    static std::string ReadBytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static void WriteBytes(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static QByteArray FormatOf(const std::string& path)
    {
        QImageReader reader(QString::fromStdString(path));
        return reader.format();
    }

    // A picture whose every byte (padding included) depends on its position.
    static PackedPicture Pattern(int width, int height)
    {
        PackedPicture picture(width, height);
        for (size_t i = 0; i < picture.Bits().size(); ++i)
            picture.Bits()[i] = uint8_t(i * 7 + 3);
        return picture;
    }

    static void ExpectSamePixels(const PackedPicture& a, const PackedPicture& b)
    {
        ASSERT_EQ(a.Width(), b.Width());
        ASSERT_EQ(a.Height(), b.Height());
        for (int y = 0; y < a.Height(); ++y) {
            for (int x = 0; x < a.Width(); ++x) {
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(a.Pixel(x, y)[c], b.Pixel(x, y)[c]) << x << "," << y << " channel " << c;
            }
        }
    }

    QTemporaryDir m_dir;
};

TEST_F(PictureFileTest, ResolutionConversionTruncatesLikeTheHeaderAlwaysHad)
{
    EXPECT_EQ(PelsPerMeterFromDpi(96), 3779);
    EXPECT_EQ(PelsPerMeterFromDpi(72), 2834);
    EXPECT_EQ(PelsPerMeterFromDpi(300), 11811);
    // Qt reports dots per metre; the file's dpi is recovered first.
    EXPECT_EQ(PelsPerMeterFromDpm(3780), 3779);
    EXPECT_EQ(PelsPerMeterFromDpm(3779), 3779);
    EXPECT_EQ(PelsPerMeterFromDpm(2835), 2834);
}

TEST_F(PictureFileTest, OnePixelPictureFillsHeaderAndOnePaddedRow)
{
    QImage image(1, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setDotsPerMeterX(3780);  // 96 dpi
    image.setDotsPerMeterY(2835);  // 72 dpi
    const std::string path = PathOf("one.png");
    ASSERT_TRUE(image.save(QString::fromStdString(path)));

    const auto picture = LoadPictureFile(path);
    ASSERT_TRUE(picture);
    const BITMAPINFOHEADER& h = picture->Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 1);
    EXPECT_EQ(h.biHeight, 1);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 4u);
    EXPECT_EQ(h.biXPelsPerMeter, 3779);
    EXPECT_EQ(h.biYPelsPerMeter, 2834);
    EXPECT_EQ(sizeof(BITMAPINFOHEADER) + picture->Bits().size(), 44u);
    EXPECT_EQ(picture->Bits()[0], 30);  // blue
    EXPECT_EQ(picture->Bits()[1], 20);  // green
    EXPECT_EQ(picture->Bits()[2], 10);  // red
}

TEST_F(PictureFileTest, RowsAreStoredBottomUpWithPaddedStride)
{
    // 10 wide: 30 bytes of pixels padded to 32; 4 wide: exactly 12.
    for (const int width : {10, 4}) {
        QImage image(width, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qRgb(x * 20, y * 100, 7));
        }
        const std::string path = PathOf("rows.bmp");
        ASSERT_TRUE(image.save(QString::fromStdString(path)));
        const auto picture = LoadPictureFile(path);
        ASSERT_TRUE(picture);
        const size_t stride = width == 10 ? 32 : 12;
        EXPECT_EQ(picture->Bits().size(), 3 * stride);
        EXPECT_EQ(picture->Header().biSizeImage, 3 * stride);
        // The first row in memory is the picture's bottom row (y = 2).
        EXPECT_EQ(picture->Bits()[1], 200);
        EXPECT_EQ(picture->Bits()[2 * stride + 1], 0);
        EXPECT_EQ(picture->Bits()[3 * (width - 1) + 2], (width - 1) * 20);
    }
}

TEST_F(PictureFileTest, FileWithoutResolutionCountsAsNinetySixDpi)
{
    // GIF files state no resolution.
    QImage image(2, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    image.fill(1);
    const PackedPicture source = PackedPictureFromImage(image);
    const std::string path = PathOf("noresolution.gif");
    ASSERT_TRUE(SavePicture(path, source));
    const auto picture = LoadPictureFile(path);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Header().biXPelsPerMeter, 3779);
    EXPECT_EQ(picture->Header().biYPelsPerMeter, 3779);
}

TEST_F(PictureFileTest, AlphaIsDroppedWithoutTouchingTheColour)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 0));   // fully transparent
    image.setPixel(1, 0, qRgba(10, 250, 90, 128));  // half transparent
    const std::string path = PathOf("alpha.png");
    ASSERT_TRUE(image.save(QString::fromStdString(path)));

    const auto picture = LoadPictureFile(path);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Header().biBitCount, 24);
    EXPECT_EQ(picture->Bits().size(), 8u);
    const uint8_t* p = picture->Pixel(0, 0);
    EXPECT_EQ(p[0], 50);
    EXPECT_EQ(p[1], 100);
    EXPECT_EQ(p[2], 200);
    p = picture->Pixel(1, 0);
    EXPECT_EQ(p[0], 90);
    EXPECT_EQ(p[1], 250);
    EXPECT_EQ(p[2], 10);
}

TEST_F(PictureFileTest, PaletteAndSixteenBitSourcesBecomeTwentyFourBit)
{
    QImage palette(3, 2, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(1, 2, 3), qRgb(250, 128, 4)});
    palette.fill(0);
    palette.setPixel(2, 1, 1);
    const std::string palettePath = PathOf("palette.png");
    ASSERT_TRUE(palette.save(QString::fromStdString(palettePath)));
    auto picture = LoadPictureFile(palettePath);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixel(0, 0)[2], 1);
    EXPECT_EQ(picture->Pixel(2, 1)[0], 4);
    EXPECT_EQ(picture->Pixel(2, 1)[1], 128);
    EXPECT_EQ(picture->Pixel(2, 1)[2], 250);

    QImage deep(1, 1, QImage::Format_RGBX64);
    deep.setPixelColor(0, 0, QColor::fromRgba64(0xFFFF, 0x8080, 0x0000));
    const std::string deepPath = PathOf("deep.png");
    ASSERT_TRUE(deep.save(QString::fromStdString(deepPath)));
    picture = LoadPictureFile(deepPath);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixel(0, 0)[0], 0);
    EXPECT_EQ(picture->Pixel(0, 0)[1], 0x80);
    EXPECT_EQ(picture->Pixel(0, 0)[2], 0xFF);
}

TEST_F(PictureFileTest, MultiFrameFileGivesItsFirstFrame)
{
    // An animated GIF of two frames, built by hand: frame 1 index 0 (red), frame 2 index 1 (blue).
    const unsigned char gif[] = {
        'G',  'I',  'F', '8', '9',  'a',  1,    0,   1,    0,   0x80, 0,   0,  // 1x1, global table of 2
        255,  0,    0,   0,   0,    255,                                       // red, blue
        0x21, 0xFF, 11,  'N', 'E',  'T',  'S',  'C', 'A',  'P', 'E',  '2', '.',  '0',  3,
        1,    0,    0,   0,   0x21, 0xF9, 4,    0,   10,   0,   0,    0,                   // delay 0.1 s
        0x2C, 0,    0,   0,   0,    1,    0,    1,   0,    0,   2,    2,   0x44, 0x01, 0,  // frame: index 0
        0x21, 0xF9, 4,   0,   10,   0,    0,    0,   0x2C, 0,   0,    0,   0,    1,    0,
        1,    0,    0,   2,   2,    0x4C, 0x01, 0,  // frame: index 1
        0x3B,
    };
    const std::string gifPath = PathOf("anim.gif");
    WriteBytes(gifPath, std::string(reinterpret_cast<const char*>(gif), sizeof gif));
    QImageReader check(QString::fromStdString(gifPath));
    ASSERT_EQ(check.imageCount(), 2) << "the hand-built GIF should have two frames";

    const auto picture = LoadPictureFile(gifPath);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixel(0, 0)[0], 0);
    EXPECT_EQ(picture->Pixel(0, 0)[2], 255);
}

TEST_F(PictureFileTest, MissingFileThrowsAndUndecodableFileReturnsNothing)
{
    try {
        LoadPictureFile(PathOf("missing.png"));
        FAIL() << "a missing file must throw";
    } catch (const FileError& e) {
        EXPECT_EQ(e.GetCause(), FileError::Cause::FileNotFound);
    }
    try {
        LoadPictureFile(m_dir.path().toStdString());
        FAIL() << "a folder is no picture file";
    } catch (const FileError& e) {
        EXPECT_EQ(e.GetCause(), FileError::Cause::Generic);
    }

    const std::string junk = PathOf("junk.jpg");
    WriteBytes(junk, "this is not a picture");
    EXPECT_FALSE(LoadPictureFile(junk));
    const std::string empty = PathOf("empty.png");
    WriteBytes(empty, "");
    EXPECT_FALSE(LoadPictureFile(empty));

    // A truncated PNG: the header promises pixels that never come. It is said
    // to be cut, not "no picture".
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    const std::string whole = PathOf("whole.png");
    ASSERT_TRUE(image.save(QString::fromStdString(whole)));
    const std::string cut = PathOf("cut.png");
    WriteBytes(cut, ReadBytes(whole).substr(0, 40));
    try {
        LoadPictureFile(cut);
        FAIL() << "a cut PNG must throw";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Detail(), "the file ends too early");
    }
}

TEST_F(PictureFileTest, BmpRoundTripKeepsPixelBytesAndRowOrder)
{
    const PackedPicture source = Pattern(5, 3);
    const std::string path = PathOf("round.bmp");
    ASSERT_TRUE(SavePicture(path, source));
    EXPECT_EQ(FormatOf(path), "bmp");

    const auto loaded = LoadPictureFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Header().biSizeImage, source.Header().biSizeImage);
    EXPECT_EQ(loaded->Header().biXPelsPerMeter, 3779);
    for (int r = 0; r < 3; ++r) {
        const std::vector<uint8_t> want(source.BufferRow(r), source.BufferRow(r) + 15);
        const std::vector<uint8_t> got(loaded->BufferRow(r), loaded->BufferRow(r) + 15);
        EXPECT_EQ(got, want) << "buffer row " << r;
    }
}

TEST_F(PictureFileTest, LosslessFormatsRoundTrip)
{
    const PackedPicture source = Pattern(7, 4);
    for (const char* name : {"a.png", "a.tif", "a.PNG"}) {
        const std::string path = PathOf(name);
        const PictureSaveResult result = SavePicture(path, source);
        if (result.status == PictureSaveResult::Status::UnsupportedType)
            continue;  // no TIFF plugin installed
        ASSERT_TRUE(result) << name << ": " << result.detail;
        const auto loaded = LoadPictureFile(path);
        ASSERT_TRUE(loaded) << name;
        ExpectSamePixels(*loaded, source);
    }
}

TEST_F(PictureFileTest, EncoderIsChosenByTheFiveExactExtensions)
{
    EXPECT_EQ(PictureFormatForPath("a.jpg"), "jpeg");
    EXPECT_EQ(PictureFormatForPath("/x/y.JPG"), "jpeg");
    EXPECT_EQ(PictureFormatForPath("b.Bmp"), "bmp");
    EXPECT_EQ(PictureFormatForPath("c.gif"), "gif");
    EXPECT_EQ(PictureFormatForPath("d.tif"), "tiff");
    EXPECT_EQ(PictureFormatForPath("e.png"), "png");
    EXPECT_EQ(PictureFormatForPath("f.jpeg"), "");
    EXPECT_EQ(PictureFormatForPath("g.tiff"), "");
    EXPECT_EQ(PictureFormatForPath("noextension"), "");
    EXPECT_EQ(PictureFormatForPath("folder.jpg/name"), "");
    EXPECT_EQ(PictureFormatForPath("name."), "");
}

TEST_F(PictureFileTest, JpegIsWrittenForBothSpellingsAndLongSpellingsWriteNothing)
{
    const PackedPicture source = Pattern(8, 8);
    for (const char* name : {"lower.jpg", "upper.JPG"}) {
        const std::string path = PathOf(name);
        ASSERT_TRUE(SavePicture(path, source)) << name;
        EXPECT_EQ(FormatOf(path), "jpeg") << name;
    }
    for (const char* name : {"long.jpeg", "long.tiff", "none"}) {
        const std::string path = PathOf(name);
        const PictureSaveResult result = SavePicture(path, source);
        EXPECT_FALSE(result) << name;
        EXPECT_FALSE(result.ShouldReport()) << name;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path))) << name;
    }
}

TEST_F(PictureFileTest, JpegUsesQualityNinety)
{
    const PackedPicture source = Pattern(32, 32);
    const std::string path = PathOf("q.jpg");
    ASSERT_TRUE(SavePicture(path, source));
    // The same picture encoded by Qt at quality 90 gives the same bytes.
    QImage reference(32, 32, QImage::Format_RGB888);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const uint8_t* p = source.Pixel(x, y);
            reference.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    }
    reference.setDotsPerMeterX(3780);
    reference.setDotsPerMeterY(3780);
    QByteArray expected;
    QBuffer buffer(&expected);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    ASSERT_TRUE(writer.write(reference));
    EXPECT_EQ(ReadBytes(path), expected.toStdString());
}

TEST_F(PictureFileTest, GifSaveGoesThroughTheGifEncoder)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 255));
    const PackedPicture source = PackedPictureFromImage(image);
    const std::string path = PathOf("one.GIF");
    ASSERT_TRUE(SavePicture(path, source));
    EXPECT_EQ(FormatOf(path), "gif");
    const auto loaded = LoadPictureFile(path);
    ASSERT_TRUE(loaded);
    ExpectSamePixels(*loaded, source);
}

TEST_F(PictureFileTest, FailedSaveLeavesTheOldFileIntact)
{
    const std::string path = PathOf("keep.png");
    WriteBytes(path, "old contents");

    // Pixel buffer shorter than the header says.
    const PackedPicture source = Pattern(4, 4);
    PictureSaveResult result = SavePicture(path, source.Header(), std::span<const uint8_t>(source.Bits().data(), 20));
    EXPECT_FALSE(result);
    EXPECT_TRUE(result.ShouldReport());
    EXPECT_EQ(ReadBytes(path), "old contents");

    // No pixels at all.
    result = SavePicture(path, PackedPicture());
    EXPECT_TRUE(result.ShouldReport());
    EXPECT_EQ(ReadBytes(path), "old contents");

    // A folder that does not exist.
    result = SavePicture(PathOf("no/such/folder.png"), source);
    EXPECT_TRUE(result.ShouldReport());

    // Nothing but the target is left behind after a successful save.
    ASSERT_TRUE(SavePicture(path, source));
    EXPECT_NE(ReadBytes(path), "old contents");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
