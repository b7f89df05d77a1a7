#include "acquire/AcquireNames.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
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

TEST(AcquireNames, ItemNameTakesTheFormatsExtensionOnlyWhenItDiffers)
{
    const QString jpeg = QStringLiteral("image/jpeg");
    EXPECT_EQ(FileNameForItem(QStringLiteral("IMG_0001.JPG"), jpeg), QStringLiteral("IMG_0001.JPG"));
    EXPECT_EQ(FileNameForItem(QStringLiteral("img_0001.jpg"), jpeg), QStringLiteral("img_0001.jpg"));
    EXPECT_EQ(FileNameForItem(QStringLiteral("IMG_0002"), jpeg), QStringLiteral("IMG_0002.JPG"));
    EXPECT_EQ(FileNameForItem(QStringLiteral("photo.jpeg"), jpeg), QStringLiteral("photo.JPG"));
    EXPECT_EQ(FileNameForItem(QStringLiteral("archive.tar.png"), jpeg), QStringLiteral("archive.tar.JPG"));
    EXPECT_EQ(FileNameForItem(QString(), jpeg), QStringLiteral(".JPG"));
    EXPECT_TRUE(FileNameForItem(QStringLiteral("notes.txt"), QStringLiteral("text/plain")).isEmpty());
}

TEST(AcquireNames, ItemNamesCannotLeaveThePicturesFolder)
{
    EXPECT_EQ(SanitizeItemName(QStringLiteral("../../etc/passwd")), QStringLiteral("passwd"));
    EXPECT_EQ(SanitizeItemName(QStringLiteral("/abs/path/IMG.JPG")), QStringLiteral("IMG.JPG"));
    EXPECT_EQ(SanitizeItemName(QStringLiteral("dir\\..\\evil.jpg")), QStringLiteral("evil.jpg"));
    EXPECT_EQ(SanitizeItemName(QStringLiteral("..")), QString());
    EXPECT_EQ(SanitizeItemName(QStringLiteral("...hidden.jpg")), QStringLiteral("hidden.jpg"));
    EXPECT_EQ(SanitizeItemName(QStringLiteral("a..b.jpg")), QStringLiteral("ab.jpg"));
    EXPECT_EQ(SanitizeItemName(QStringLiteral("bad\nname\x01\x7f.jpg")), QStringLiteral("badname.jpg"));
    EXPECT_EQ(SanitizeItemName(QStringLiteral("folder/")), QString());
    // What is left gets the format's extension; nothing left falls back to "Scanned".
    EXPECT_EQ(FileNameForItem(QStringLiteral("../x/../.."), QStringLiteral("image/png")), QStringLiteral(".PNG"));
    QTemporaryDir dir;
    QString path = dir.path() + QLatin1Char('/') + FileNameForItem(QStringLiteral(".."), QStringLiteral("image/png"));
    MakeUniqueFileName(path);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/Scanned.PNG"));
}

TEST(AcquireNames, UniqueNamesCountFromTheOriginalName)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/IMG_0001.JPG");
    QString path = base;
    MakeUniqueFileName(path);
    EXPECT_EQ(path, base);  // free names stay
    Touch(base);
    for (int n = 1; n <= 3; ++n) {
        path = base;
        MakeUniqueFileName(path);
        EXPECT_EQ(path, dir.path() + QStringLiteral("/IMG_0001_%1.JPG").arg(n));
        Touch(path);
    }
    // A name that already carries a suffix counts from itself, never _1_2 from _1.
    path = dir.path() + QStringLiteral("/IMG_0001_1.JPG");
    MakeUniqueFileName(path);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/IMG_0001_1_1.JPG"));
}

TEST(AcquireNames, EmptyNamesBecomeScanned)
{
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/.BMP");
    MakeUniqueFileName(path);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/Scanned.BMP"));
    Touch(path);
    path = dir.path() + QStringLiteral("/.BMP");
    MakeUniqueFileName(path);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/Scanned_1.BMP"));
    path = dir.path() + QStringLiteral("/");
    MakeUniqueFileName(path);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/Scanned"));
}

}  // namespace
