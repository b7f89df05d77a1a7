// Files that are not projects are refused as what they are, before their bytes
// are read as the older format's obsolete fields.

#include "io/Archive.h"
#include "project/ProjectFile.h"
#include "project/ProjectFileKind.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Encoded(const char* format)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        return {};
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> Bytes(std::string_view text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The start of an older project: the picture path, then obsolete fields.
std::vector<uint8_t> OlderStart(const std::string& path)
{
    ArchiveWriter w;
    w.WriteString(path);
    w.WriteRaw(std::vector<uint8_t>(24, 0));
    return w.TakeBytes();
}

}  // namespace

TEST(ProjectFileKind, PicturesAreToldByTheirFirstBytes)
{
    const std::pair<const char*, const char*> pictures[] = {
        {"jpeg", "a JPEG picture"}, {"png", "a PNG picture"},   {"bmp", "a BMP picture"},
        {"tiff", "a TIFF picture"}, {"webp", "a WebP picture"},
    };
    for (const auto& [format, kind] : pictures) {
        SCOPED_TRACE(format);
        const std::vector<uint8_t> bytes = Encoded(format);
        if (bytes.empty())
            continue;  // no encoder for the format installed
        EXPECT_EQ(NotAProjectFile(bytes), kind);
        try {
            ReadProjectBytes(bytes);
            ADD_FAILURE() << "read as a project";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.GetCause(), ArchiveError::Cause::NotAProject);
            EXPECT_EQ(std::string(e.what()), kind);
        }
    }
    EXPECT_EQ(NotAProjectFile(Bytes("GIF89a\x10\x00")), "a GIF picture");
    EXPECT_EQ(NotAProjectFile({}), "an empty file");
}

TEST(ProjectFileKind, OlderProjectsPassAndTextDoesNot)
{
    EXPECT_EQ(NotAProjectFile(OlderStart("pic.bmp")), std::nullopt);
    EXPECT_EQ(NotAProjectFile(OlderStart("C:\\\xCD\xBC\xC6\xAC\\photo.jpg")), std::nullopt);  // a GBK name
    // A 66-byte path starting with M begins with "BM", but not with a bitmap's length.
    EXPECT_EQ(NotAProjectFile(OlderStart("M" + std::string(65, 'x'))), std::nullopt);
    // Long paths and UTF-16 paths in the longer length forms.
    EXPECT_EQ(NotAProjectFile(OlderStart(std::string(300, 'p'))), std::nullopt);
    const std::vector<uint8_t> wide = {0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b', 0, 0, 0};
    EXPECT_EQ(NotAProjectFile(wide), std::nullopt);

    const std::string text = "Shopping list\nbread\nmilk\n";
    EXPECT_EQ(NotAProjectFile(Bytes(text)), "its start fits neither format");
    EXPECT_EQ(NotAProjectFile(Bytes("hello\n")), "its start fits neither format");
    const std::vector<uint8_t> wideControl = {0xFF, 0xFE, 0xFF, 2, 'a', 0, '\n', 0, 0, 0};
    EXPECT_NE(NotAProjectFile(wideControl), std::nullopt);
    EXPECT_EQ(NotAProjectFile(Bytes("Ver20")), "its start fits neither format");
}

// ISO media files are told apart by their brands: HEIF and AVIF pictures are
// not videos, whether the picture's brand comes first or among the compatible
// ones; JPEG XL in both of its forms.
TEST(ProjectFileKind, IsoMediaFilesAreToldByTheirBrands)
{
    const auto ftyp = [](std::string_view major, std::string_view compatible) {
        std::string box(4, '\0');
        box[3] = char(16 + compatible.size());
        box += "ftyp";
        box += major;
        box += std::string("\0\0\0\0", 4);
        box += compatible;
        return Bytes(box + std::string(16, '\0'));
    };
    EXPECT_EQ(NotAProjectFile(ftyp("heic", "mif1heic")), "a HEIF picture");
    EXPECT_EQ(NotAProjectFile(ftyp("mif1", "heic")), "a HEIF picture");
    EXPECT_EQ(NotAProjectFile(ftyp("avif", "mif1miaf")), "an AVIF picture");
    EXPECT_EQ(NotAProjectFile(ftyp("isom", "iso2avifmif1")), "an AVIF picture");
    EXPECT_EQ(NotAProjectFile(ftyp("isom", "iso2avc1mp41")), "an MP4 video");
    EXPECT_EQ(NotAProjectFile(ftyp("mp42", "")), "an MP4 video");
    // A box that claims more than the file holds reads only what is there.
    std::vector<uint8_t> lying = ftyp("isom", "mp41");
    lying[0] = 0x7F;
    EXPECT_EQ(NotAProjectFile(lying), "an MP4 video");
    EXPECT_EQ(NotAProjectFile(Bytes(std::string("\xFF\x0A\x01\x02", 4))), "a JPEG XL picture");
    EXPECT_EQ(NotAProjectFile(Bytes(std::string("\0\0\0\x0CJXL \r\n\x87\n\0\0", 14))), "a JPEG XL picture");
}
