// What a save does to the file it replaces when the disk is full, and to its
// permissions; and photographs as large as today's cameras take.

#include "export/GifFile.h"
#include "export/PictureFile.h"
#include "project/ProjectTestSupport.h"
#include "support/SmallDisk.h"

#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

using namespace projecttest;

namespace {

// Noise does not compress: its PNG is about as large as its pixels.
PackedPicture Noise(int w, int h)
{
    PackedPicture picture = testpics::Gradient(w, h);
    std::mt19937 random(7);
    for (uint8_t& b : picture.Bits())
        b = uint8_t(random());
    return picture;
}

unsigned ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

}  // namespace

TEST(SaveSafety, AFullDiskKeepsTheOldFileAndSaysSo)
{
    testsupport::SmallDisk disk;
    if (!disk.Available())
        GTEST_SKIP() << "no file system of our own can be mounted here";
    // Each format in turn: a small good file, then a save too large for what is left.
    for (const char* name : {"a.png", "a.tif", "a.jpg", "a.bmp", "a.gif"}) {
        const std::string path = disk.Path(name);
        ASSERT_TRUE(SavePicture(path, Noise(16, 16))) << name;
        const std::vector<uint8_t> before = ReadBytes(path);
        const PictureSaveResult result = SavePicture(path, Noise(800, 600));
        EXPECT_FALSE(result) << name;
        EXPECT_TRUE(result.ShouldReport()) << name;
        EXPECT_EQ(result.cause, FileError::Cause::DiskFull) << name << ": " << result.detail;
        EXPECT_NE(result.detail.find(name), std::string::npos) << result.detail;
        EXPECT_EQ(ReadBytes(path), before) << name;
    }
    // No temporary file is left behind to fill the disk.
    EXPECT_EQ(QDir(QString::fromStdString(disk.Path(""))).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

TEST(SaveSafety, ReplacedFilesKeepTheirPermissions)
{
    Folder folder;
    const std::string picture = folder.Path("private.png");
    const std::string gif = folder.Path("private.gif");
    for (const std::string& path : {picture, gif}) {
        WriteBytes(path, {1, 2, 3});
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    }
    ASSERT_TRUE(SavePicture(picture, Noise(8, 8)));
    EXPECT_EQ(ModeOf(picture), 0600u);

    GifFile file;
    const GifPalette palette = BuildGifPalette(Noise(8, 8));
    const std::vector<uint8_t> indexes(64, 1);
    ASSERT_TRUE(file.Create(gif, palette, 8, 8) && file.AddFrame(indexes.data(), 10) && file.Close());
    EXPECT_EQ(ModeOf(gif), 0600u);

    // A new file follows the umask.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(SavePicture(folder.Path("new.png"), Noise(8, 8)));
    ::umask(mask);
    EXPECT_EQ(ModeOf(folder.Path("new.png")), 0644u);
}

TEST(SaveSafety, AGifThatCannotBeWrittenSaysWhy)
{
    GifFile file;
    EXPECT_FALSE(file.Create("/nonexistent-folder/a.gif", BuildGifPalette(Noise(4, 4)), 4, 4));
    EXPECT_NE(file.LastError().what.find("No such file"), std::string::npos) << file.LastError().what;
    EXPECT_EQ(FileError::CauseFromErrno(file.LastError().error), FileError::Cause::FileNotFound);
}

TEST(SaveSafety, APhotographOfFortyEightMegapixelsOpens)
{
    Folder folder;
    QImage photo(8000, 6000, QImage::Format_RGB888);
    photo.fill(QColor(10, 120, 200));
    const QString path = QString::fromStdString(folder.Path("camera.jpg"));
    ASSERT_TRUE(QImageWriter(path, "jpeg").write(photo));
    const std::optional<PackedPicture> loaded = LoadPictureFile(folder.Path("camera.jpg"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Width(), 8000);
    EXPECT_EQ(loaded->Height(), 6000);
}
