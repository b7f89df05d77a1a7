// Crafted and unlucky project files: sizes that wrap, totals that would take
// gigabytes, values outside the window's ranges, paths naming devices, pipes
// and names that are not UTF-8. Each is refused or bounded, and the open
// document loses nothing.

#include "io/Archive.h"
#include "project/PicturePath.h"
#include "project/ProjectFile.h"
#include "project/ProjectTestSupport.h"
#include "animation/MapCompression.h"
#include "support/MemoryUse.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using namespace projecttest;
using testing::HasSubstr;

namespace {

constexpr size_t kTagBytes = 6;

// The bytes of a small current-format project with `keys` keyframes.
std::vector<uint8_t> SmallProject(int keys)
{
    KeyframeStore store;
    const PackedPicture picture = testpics::Gradient(20, 10);
    for (int i = 0; i < keys; ++i)
        store.SetKeyPicture(i, picture);
    return WriteProjectBytes("pic.bmp", store, 1019, 64);
}

// Overwrites the thumbnail header's width and height.
std::vector<uint8_t> WithThumbnailSize(std::vector<uint8_t> bytes, int32_t w, int32_t h)
{
    ArchiveReader ar(bytes);
    ar.Skip(kTagBytes);
    (void)ar.ReadString();
    ar.Skip(12);
    const size_t header = bytes.size() - ar.Remaining();
    std::memcpy(&bytes[header + 4], &w, 4);
    std::memcpy(&bytes[header + 8], &h, 4);
    // The image size as a 32-bit product, wrapped as a crafted file states it.
    const uint32_t image = uint32_t(h) * uint32_t((3 * uint32_t(w) + 3) / 4 * 4);
    std::memcpy(&bytes[header + 20], &image, 4);
    return bytes;
}

void ExpectRefused(std::span<const uint8_t> bytes, const char* what)
{
    try {
        ReadProjectBytes(bytes);
        ADD_FAILURE() << what << " was read";
    } catch (const ArchiveError& e) {
        EXPECT_THAT(e.what(), HasSubstr(what));
    }
}

}  // namespace

TEST(HostileProject, ThumbnailSizesThatWrapOrExceedTheSlotAreRefused)
{
    const std::vector<uint8_t> good = SmallProject(2);
    ASSERT_NO_THROW(ReadProjectBytes(good));
    // 65536 x 21846 wraps the image size to 131072 bytes, 65536 x 65536 to 0.
    ExpectRefused(WithThumbnailSize(good, 65536, 21846), "thumbnail size 65536 x 21846");
    ExpectRefused(WithThumbnailSize(good, 65536, 65536), "thumbnail size 65536 x 65536");
    ExpectRefused(WithThumbnailSize(good, 85, 10), "thumbnail size 85 x 10");
    ExpectRefused(WithThumbnailSize(good, 10, -1), "thumbnail size");
}

TEST(HostileProject, TheWholeLoadOfACraftedFileLeavesTheOpenProjectAlone)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.Keys().Key(1).Map()[3] = {7, 7};
    const auto maps = Maps(project);
    WriteBytes(folder.Path("wrap.kib"), WithThumbnailSize(SmallProject(3), 65536, 21846));
    try {
        project.Load(folder.Path("wrap.kib"));
        ADD_FAILURE();
    } catch (const ArchiveError& e) {
        EXPECT_THAT(e.what(), HasSubstr(folder.Path("wrap.kib")));  // the message names the file
    }
    EXPECT_EQ(Maps(project), maps);
    EXPECT_EQ(project.Work().Path(), folder.Path("pic.bmp"));
}

TEST(HostileProject, TheUnpackedTotalIsBoundedBeforeUnpacking)
{
    // Three keyframes of 20 x 10 elements take 3 x (1600 + thumbnail) bytes.
    const std::vector<uint8_t> bytes = SmallProject(3);
    const ProjectData whole = ReadProjectBytes(bytes);
    const uint64_t perKey = 20 * 10 * 8 + whole.thumbHeader.biSizeImage;
    EXPECT_EQ(ReadProjectBytes(bytes, 3 * perKey).keys.size(), 3u);
    try {
        ReadProjectBytes(bytes, 3 * perKey - 1);
        ADD_FAILURE();
    } catch (const ArchiveError& e) {
        EXPECT_THAT(e.what(), HasSubstr("unpacked"));
    }
}

// A freeze mask section: tag, length, then width, height and the packed values.
std::vector<uint8_t> MaskSection(int32_t w, int32_t h, std::span<const uint8_t> packed)
{
    ArchiveWriter ar;
    ar.WriteRaw(kFreezeMaskTag, sizeof kFreezeMaskTag);
    ar.WriteUInt32(uint32_t(8 + packed.size()));
    ar.WriteInt32(w);
    ar.WriteInt32(h);
    ar.WriteRaw(packed);
    return ar.TakeBytes();
}

TEST(HostileProject, AMaskIsRefusedUnlessItHasTheKeyframesSizeAndFitsTheBudget)
{
    // A megabyte that unpacks to a gigabyte of values, in a project without
    // keyframes and in one with them: refused before anything is unpacked.
    const std::vector<uint8_t> bomb = PackBlock(std::vector<uint8_t>(size_t(1) << 20, 0));
    const size_t heapBefore = testsupport::HeapInUse();
    for (const int keys : {0, 2}) {
        std::vector<uint8_t> bytes = SmallProject(keys);
        const std::vector<uint8_t> section = MaskSection(32768, 32768, bomb);
        bytes.insert(bytes.end(), section.begin(), section.end());
        ExpectRefused(bytes, "freeze mask");
    }
    EXPECT_LT(testsupport::HeapInUse(), heapBefore + (size_t(64) << 20));

    // The keyframes' size is charged with the keyframes: one byte an element.
    std::vector<uint8_t> bytes = SmallProject(2);
    const std::vector<uint8_t> values(20 * 10, 64);
    const std::vector<uint8_t> section = MaskSection(20, 10, PackBlock(values));
    bytes.insert(bytes.end(), section.begin(), section.end());
    const ProjectData whole = ReadProjectBytes(bytes);
    ASSERT_EQ(whole.mask.Values(), values);
    const uint64_t keysOnly = 2 * (20 * 10 * 8 + uint64_t(whole.thumbHeader.biSizeImage));
    EXPECT_EQ(ReadProjectBytes(bytes, keysOnly + 200).mask.Values(), values);
    try {
        ReadProjectBytes(bytes, keysOnly + 199);
        ADD_FAILURE() << "a mask over the budget was read";
    } catch (const ArchiveError& e) {
        EXPECT_THAT(e.what(), HasSubstr("unpacked"));
    }
}

TEST(HostileProject, KeyframesAreChargedAtThePicturesSizeBeforeTheyAreMade)
{
    // On a 412 x 309 picture every keyframe takes 412 x 309 x 8 bytes of map and
    // a slot's thumbnail (84 x 84: 252 x 84 bytes): 1039632 bytes, so that
    // 1032 of them fit in 1 GiB and 1033 do not.
    EXPECT_NO_THROW(CheckAdjustedKeyframes(1032, 412, 309));
    EXPECT_THROW(CheckAdjustedKeyframes(1033, 412, 309), ArchiveError);

    // A small file of 1600 keyframes of 1 x 1 would unpack to 1.7 GB there.
    Folder folder;
    KeyframeStore store;
    const PackedPicture dot = testpics::Gradient(1, 1);
    for (int i = 0; i < 1600; ++i)
        store.SetKeyPicture(i, dot);
    folder.Picture("photo.bmp", 412, 309);
    const std::vector<uint8_t> bytes = WriteProjectBytes("photo.bmp", store, 1019, 64);
    ASSERT_LT(bytes.size(), size_t(200) << 10);
    WriteBytes(folder.Path("dots.kib"), bytes);

    Project project;
    NewProject(project, folder);
    const auto maps = Maps(project);
    try {
        project.Load(folder.Path("dots.kib"));
        ADD_FAILURE() << "1600 keyframes of 412 x 309 were made";
    } catch (const ArchiveError& e) {
        EXPECT_THAT(e.what(), HasSubstr(folder.Path("dots.kib")));
        EXPECT_THAT(e.what(), HasSubstr("1600 keyframes of 412 x 309"));
    }
    EXPECT_TRUE(Maps(project) == maps);
    // Its keyframes taken onto this picture (412 x 206: 1.1 GB) are refused alike.
    EXPECT_THROW(project.LoadDeformations(folder.Path("dots.kib")), ArchiveError);
    EXPECT_TRUE(Maps(project) == maps);
}

TEST(HostileProject, DurationsAndStrengthAreKeptInTheWindowsRanges)
{
    KeyframeStore store;
    const PackedPicture picture = testpics::Gradient(20, 10);
    for (int i = 0; i < 3; ++i)
        store.SetKeyPicture(i, picture);
    store.Key(0).SetDuration(0);
    store.Key(1).SetDuration(INT32_MAX);
    store.Key(2).SetDuration(-5);
    const ProjectData data = ReadProjectBytes(WriteProjectBytes("p.bmp", store, 1019, 1000));
    EXPECT_EQ(data.keys[0]->Duration(), 1);
    EXPECT_EQ(data.keys[1]->Duration(), 1024);
    EXPECT_EQ(data.keys[2]->Duration(), 1);
    EXPECT_EQ(data.strength, 64);
    EXPECT_EQ(ReadProjectBytes(WriteProjectBytes("p.bmp", store, 1019, -3)).strength, 0);
}

TEST(HostileProject, OnlyRegularFilesAreRead)
{
    Folder folder;
    const std::string fifo = folder.Path("pipe.kib");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Neither blocks waiting for a writer nor reads without end.
    for (const std::string& path : {fifo, std::string("/dev/zero"), folder.Path()}) {
        Project project;
        NewProject(project, folder);
        try {
            project.Load(path);
            ADD_FAILURE() << path;
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
            EXPECT_THAT(e.what(), testing::AnyOf(HasSubstr("not a regular file"), HasSubstr("folder")));
        }
        EXPECT_THROW(LoadPictureFile(path), FileError) << path;
    }

    // A project whose stored picture names a device or a pipe: a clear error,
    // and the open project stays.
    Project project;
    NewProject(project, folder);
    for (const std::string& stored : {std::string("/dev/zero"), fifo}) {
        WriteBytes(folder.Path("dev.kib"), WriteProjectBytes(stored, project.Keys(), 1019, 64));
        try {
            project.Load(folder.Path("dev.kib"));
            ADD_FAILURE() << stored;
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), stored);
        }
        EXPECT_EQ(project.Work().Path(), folder.Path("pic.bmp"));
    }
}

TEST(HostileProject, FileNamesThatAreNotUtf8Open)
{
    Folder folder;
    // Names are put together as bytes: a QString would not keep them.
    const auto path = [&](const std::string& name) { return folder.Path() + "/" + name; };
    // A picture named in Latin-1 bytes, as an older system may have left it.
    const std::string latin = path("caf\xE9.bmp");
    ASSERT_TRUE(SavePicture(latin, testpics::Gradient(30, 20)));
    Project project;
    NewProject(project, folder);
    project.NewFromPicture(latin);
    EXPECT_EQ(project.Work().Path(), latin);
    ASSERT_TRUE(project.Save(path("b\xFF.kib")));

    Project reopened;
    NewProject(reopened, folder);
    reopened.Load(path("b\xFF.kib"));
    EXPECT_EQ(reopened.StoredPicturePath(), "caf\xE9.bmp");
    EXPECT_EQ(reopened.Work().Path(), latin);

    // The stored bytes are not UTF-8 but the file was renamed to UTF-8 when it
    // was copied here: its Latin-1 reading is taken.
    const std::string utf8 = folder.Picture("na\xC3\xAFve.bmp", 30, 20);
    EXPECT_EQ(ResolvePicturePath("na\xEFve.bmp", path("x.kib")), utf8);
    EXPECT_EQ(ResolvePicturePath("gone\xEF.bmp", path("x.kib")), path("gone\xEF.bmp"));
}
