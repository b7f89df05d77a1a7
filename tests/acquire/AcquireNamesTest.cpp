#include "acquire/AcquireNames.h"
#include "acquire/PictureFile.h"
#include "io/FileError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::literals;

void Touch(const QString& path, const QByteArray& bytes = {})
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

std::string Repeat(std::string_view text, int times)
{
    std::string repeated;
    for (int i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

std::span<const uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(AcquireNames, FormatTableMapsMimeTypesToExtensions)
{
    EXPECT_EQ(ExtensionForFormat(QStringLiteral("image/jpeg")), QStringLiteral(".JPG"));
    EXPECT_EQ(ExtensionForFormat(QStringLiteral("IMAGE/PNG")), QStringLiteral(".PNG"));
    EXPECT_EQ(ExtensionForFormat(QStringLiteral("image/x-ms-bmp")), QStringLiteral(".BMP"));
    EXPECT_EQ(ExtensionForFormat(QString::fromLatin1(kMemoryBitmapFormat)), QStringLiteral(".BMP"));
    EXPECT_EQ(ExtensionForFormat(QStringLiteral("video/x-msvideo")), QStringLiteral(".AVI"));
    EXPECT_EQ(ExtensionForFormat(QStringLiteral("image/x-raw")), QStringLiteral(".RAW"));
    // Formats outside the table are skipped.
    EXPECT_TRUE(ExtensionForFormat(QStringLiteral("text/plain")).isEmpty());
    EXPECT_TRUE(ExtensionForFormat(QStringLiteral("image/x-canon-cr2")).isEmpty());
    EXPECT_TRUE(ExtensionForFormat(QString()).isEmpty());
}

TEST(AcquireNames, FirstBytesMustBeThoseOfTheFormatNamed)
{
    struct Case {
        const char* mime;
        std::string_view head;
        bool matches;
    };
    const std::string photoCd = std::string(2048, '\0') + "PCD_IPI";
    const Case cases[] = {
        {"image/jpeg", "\xFF\xD8\xFF\xE0"sv, true},
        {"image/jpeg", "root:x:0:0:root"sv, false},  // a system file behind a picture's name
        {"image/jpeg", "\xFF\xD8"sv, false},         // too short to tell
        {"image/png", "\x89PNG\r\n\x1A\n"sv, true},
        {"image/png", "\x89PNG\r\n\x1A"sv, false},
        {"image/gif", "GIF89a"sv, true},
        {"image/gif", "GIF88a"sv, false},
        {"image/tiff", "II*\0"sv, true},
        {"image/tiff", "MM\0*"sv, true},
        {"image/tiff", "MI*\0"sv, false},
        {"image/x-ms-bmp", "BM"sv, true},
        {"video/x-msvideo", "RIFF\x10\0\0\0AVI LIST"sv, true},
        {"audio/wav", "RIFF\x10\0\0\0AVI LIST"sv, false},  // a RIFF file of another kind
        {"audio/wav", "RIFF\x10\0\0\0WAVEfmt "sv, true},
        {"video/mpeg", "\0\0\x01\xBA"sv, true},
        {"image/x-photo-cd", photoCd, true},
        {"image/x-photo-cd", std::string_view(photoCd).substr(0, 2054), false},
        {"image/x-raw", "anything at all"sv, true},  // raw data has no fixed beginning
        {"text/plain", "GIF89a"sv, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesFormat(Bytes(c.head), QString::fromLatin1(c.mime)), c.matches) << c.mime << " " << c.head;
}

TEST(AcquireNames, ItemNameTakesTheFormatsExtensionOnlyWhenItDiffers)
{
    const QString jpeg = QStringLiteral("image/jpeg");
    EXPECT_EQ(FileNameForItem("IMG_0001.JPG", jpeg), "IMG_0001.JPG");
    EXPECT_EQ(FileNameForItem("img_0001.jpg", jpeg), "img_0001.jpg");
    EXPECT_EQ(FileNameForItem("IMG_0002", jpeg), "IMG_0002.JPG");
    EXPECT_EQ(FileNameForItem("photo.jpeg", jpeg), "photo.JPG");
    EXPECT_EQ(FileNameForItem("archive.tar.png", jpeg), "archive.tar.JPG");
    EXPECT_EQ(FileNameForItem("", jpeg), ".JPG");
    EXPECT_TRUE(FileNameForItem("notes.txt", QStringLiteral("text/plain")).empty());
}

TEST(AcquireNames, ItemNamesCannotLeaveThePicturesFolder)
{
    EXPECT_EQ(SanitizeItemName("../../etc/passwd"), "passwd");
    EXPECT_EQ(SanitizeItemName("/abs/path/IMG.JPG"), "IMG.JPG");
    EXPECT_EQ(SanitizeItemName("dir\\..\\evil.jpg"), "evil.jpg");
    EXPECT_EQ(SanitizeItemName(".."), "");
    EXPECT_EQ(SanitizeItemName("...hidden.jpg"), "hidden.jpg");
    EXPECT_EQ(SanitizeItemName(". .hidden.jpg"), "hidden.jpg");  // dots and spaces in any order
    EXPECT_EQ(SanitizeItemName("a..b.jpg"), "ab.jpg");
    EXPECT_EQ(SanitizeItemName("bad\nname\x01\x7f\xC2\x9B.jpg"), "badname.jpg");  // C1 controls too
    EXPECT_EQ(SanitizeItemName("folder/"), "");
    // Bytes that are not UTF-8 are kept out of the name; the characters around them stay.
    EXPECT_EQ(SanitizeItemName("\xFF\xFE"
                               "caf\xC3\xA9.jpg"),
              "__caf\xC3\xA9.jpg");
    EXPECT_EQ(SanitizeItemName("cut\xE2\x82.jpg"), "cut__.jpg");
    // What is left gets the format's extension; nothing left falls back to "Scanned".
    EXPECT_EQ(FileNameForItem("../x/../..", QStringLiteral("image/png")), ".PNG");
    EXPECT_EQ(NumberedFileName(FileNameForItem("..", QStringLiteral("image/png")), 0), "Scanned.PNG");
}

TEST(AcquireNames, NumberedNamesCountFromTheNameAndFitTheFileSystem)
{
    EXPECT_EQ(NumberedFileName("IMG_0001.JPG", 0), "IMG_0001.JPG");
    EXPECT_EQ(NumberedFileName("IMG_0001.JPG", 3), "IMG_0001_3.JPG");
    EXPECT_EQ(NumberedFileName("IMG_0001_1.JPG", 1), "IMG_0001_1_1.JPG");  // never _2 from _1
    EXPECT_EQ(NumberedFileName(".BMP", 1), "Scanned_1.BMP");
    EXPECT_EQ(NumberedFileName("", 0), "Scanned");

    // A name of the longest length makes room for the suffix by shortening the name part.
    const std::string longest = Repeat("x", 251) + ".JPG";
    EXPECT_EQ(NumberedFileName(longest, 0), longest);
    EXPECT_EQ(NumberedFileName(longest, 1), Repeat("x", 249) + "_1.JPG");
    EXPECT_EQ(NumberedFileName(longest, 10), Repeat("x", 248) + "_10.JPG");
    // 125 two-byte characters and an 'a' (251 bytes): room for 249 bytes of
    // name ends inside the 125th character, which goes whole.
    const std::string accented = Repeat("\xC3\xA9", 125) + "a.JPG";
    EXPECT_EQ(NumberedFileName(accented, 1), Repeat("\xC3\xA9", 124) + "_1.JPG");
    EXPECT_EQ(Utf8Prefix("\xE2\x82\xAC\xE2\x82\xAC", 5), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
}

TEST(PictureFile, NamedOnlyWhenCompleteAndNeverOverAnotherFile)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + '/';
    Touch(dir.filePath(QStringLiteral("IMG.JPG")), "first");
    {
        PictureFile file(folder, "IMG.JPG");
        file.WriteAt(3, Bytes("def"));
        file.WriteAt(0, Bytes("abc"));
        // Nothing carries a name before the file is complete.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("IMG.JPG")});
        std::vector<uint8_t> head(4);
        EXPECT_EQ(file.ReadAt(2, head), 4u);
        EXPECT_EQ(head, (std::vector<uint8_t>{'c', 'd', 'e', 'f'}));
        EXPECT_EQ(file.Commit(), folder + "IMG_1.JPG");
    }
    QFile first(dir.filePath(QStringLiteral("IMG.JPG")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), QByteArray("first"));
    QFile second(dir.filePath(QStringLiteral("IMG_1.JPG")));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), QByteArray("abcdef"));

    // A file given up is gone without a trace.
    {
        PictureFile abandoned(folder, "IMG.JPG");
        abandoned.WriteAt(0, Bytes("partial"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    EXPECT_THROW(PictureFile(folder + "missing/", "IMG.JPG"), FileError);
}

}  // namespace
