// Thousands of damaged copies of real project files: each is read or rejected
// with ArchiveError, and whatever is read keeps the reader's promises.

#include "project/ProjectTestSupport.h"

#include "animation/KeyframeStore.h"
#include "io/Archive.h"

#include <random>

using namespace projecttest;

namespace {

std::vector<uint8_t> CurrentFormatFile()
{
    KeyframeStore store;
    const PackedPicture picture = testpics::Gradient(9, 7);
    store.SetThumbnailSlot(8, 8);
    for (int i = 0; i < 3; ++i) {
        store.SetKeyPicture(i, picture);
        const DisplacementMap map = testpics::RandomMap(9, 7, 3000, uint32_t(i + 1));
        store.Key(i).Map() = map.Elements();
        store.Key(i).SetDuration(5 + i);
    }
    return WriteProjectBytes("sub/pic.bmp", store, 1094, 30);
}

std::vector<uint8_t> OldFormatFile()
{
    ArchiveWriter w;
    w.WriteString("C:\\old\\pic.jpg");
    w.WriteRaw(std::vector<uint8_t>(16, 1));
    w.WriteInt32(0);
    w.WriteInt32(1);
    w.WriteRaw(std::vector<uint8_t>(8, 2));
    w.WriteInt32(44);
    w.WriteRaw(std::vector<uint8_t>(44, 3));
    w.WriteRaw(std::vector<uint8_t>(4, 4));
    w.WriteInt32(0);
    w.WriteCount(2);
    for (int k = 0; k < 2; ++k) {
        w.WriteObjectHeader("CMMask", 1);
        w.WriteUInt32(12);
        std::vector<Displacement> map(12, Displacement{k * 10, -k});
        w.WriteRaw(map.data(), map.size() * 8);
        w.WriteInt32(0);
        const int32_t header[6] = {0, 4, 2, 4, 0, 0};
        w.WriteRaw(header, sizeof header);
        w.WriteRaw(std::vector<uint8_t>(8, 5));
    }
    w.WriteRaw(std::vector<uint8_t>(8, 6));
    for (int v : {0, 0, 4, 3, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1})
        w.WriteInt32(v);
    w.WriteRaw(std::vector<uint8_t>(96, 7));
    w.WriteInt32(1);
    const int32_t header[6] = {0, 0, 2, 3, 0, 0};
    w.WriteRaw(header, sizeof header);
    w.WriteRaw(std::vector<uint8_t>(6, 8));
    return w.TakeBytes();
}

// Reads `bytes`; true when read, false when rejected with ArchiveError. Any
// other outcome fails the test.
bool ReadsCleanly(const std::vector<uint8_t>& bytes)
{
    try {
        const ProjectData data = ReadProjectBytes(bytes);
        for (const auto& key : data.keys) {
            EXPECT_EQ(uint64_t(key->Count()), uint64_t(key->Width()) * uint64_t(key->Height()));
            EXPECT_EQ(key->Map().size(), size_t(key->Count()));
            EXPECT_EQ(key->Width(), data.keys.front()->Width());
            if (data.fileVersion == 2) {
                EXPECT_EQ(key->Thumbnail().size(), data.thumbHeader.biSizeImage);
            }
        }
        return true;
    } catch (const ArchiveError&) {
        return false;
    }
}

void Mutate(const std::vector<uint8_t>& original, uint32_t seed, int corruptions, int& read, int& rejected)
{
    for (size_t n = 0; n < original.size(); ++n) {
        const std::vector<uint8_t> cut(original.begin(), original.begin() + std::ptrdiff_t(n));
        (ReadsCleanly(cut) ? read : rejected)++;
    }
    std::mt19937 rng(seed);
    for (int i = 0; i < corruptions; ++i) {
        std::vector<uint8_t> bad = original;
        const int changes = 1 + int(rng() % 4);
        for (int c = 0; c < changes; ++c) {
            const size_t at = rng() % bad.size();
            switch (rng() % 3) {
            case 0: bad[at] = uint8_t(rng()); break;
            case 1: bad[at] = 0xFF; break;
            default: bad[at] ^= uint8_t(1u << (rng() % 8)); break;
            }
        }
        if (rng() % 4 == 0)
            bad.resize(rng() % bad.size());
        (ReadsCleanly(bad) ? read : rejected)++;
    }
}

}  // namespace

TEST(ReaderMutation, DamagedFilesAreReadOrRejectedCleanly)
{
    int read = 0, rejected = 0;
    const std::vector<uint8_t> current = CurrentFormatFile();
    ASSERT_TRUE(ReadsCleanly(current));
    Mutate(current, 1, 4000, read, rejected);
    const std::vector<uint8_t> old = OldFormatFile();
    ASSERT_TRUE(ReadsCleanly(old));
    EXPECT_EQ(ReadProjectBytes(old).fileVersion, 1);
    Mutate(old, 2, 3000, read, rejected);
    EXPECT_GT(rejected, 1000);
    EXPECT_GT(read, 100);
}

TEST(ReaderMutation, DamagedFilesNeverDisturbAnOpenProject)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    folder.MakeFolder("sub");
    folder.Picture("sub/pic.bmp", 12, 9);
    const auto maps = Maps(project);
    const std::vector<uint8_t> current = CurrentFormatFile();
    std::mt19937 rng(7);
    int opened = 0;
    for (int i = 0; i < 60; ++i) {
        // The header fields and the first record's sizes.
        std::vector<uint8_t> bad = current;
        bad[rng() % 120] = uint8_t(rng());
        WriteBytes(folder.Path("bad.kib"), bad);
        Project other;
        other.SetDefaultPicture(folder.Path("default.bmp"));
        other.NewFromPicture(folder.Path("pic.bmp"));
        try {
            other.Load(folder.Path("bad.kib"));
            ++opened;
            EXPECT_EQ(other.Keys().GetMapSize(), (PictureSize{other.Picture().Width(), other.Picture().Height()}));
        } catch (const ArchiveError&) {
            EXPECT_EQ(Maps(other), maps);
        }
    }
    EXPECT_GT(opened, 0);
}
