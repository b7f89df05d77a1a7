#include "project/ProjectTestSupport.h"

#include "io/Archive.h"

using namespace projecttest;

namespace {

// A file of the older, untagged format with every obsolete field.
struct OldFile {
    int32_t m = 0;  // obsolete image length
    int32_t A = 0, B = 0, C = 0;
    int32_t W = 6, H = 4;
    int keys = 2;
    int32_t selected = 1;
    bool dropLast = false;           // leave the last int32 out
    int32_t stripW = 0, stripH = 0;  // the strip's map size when it differs from W x H

    std::vector<uint8_t> Bytes(const std::string& picture) const
    {
        ArchiveWriter w;
        w.WriteString(picture);
        w.WriteRaw(std::vector<uint8_t>(16, 0x11));
        w.WriteInt32(5);
        w.WriteInt32(2);
        w.WriteRaw(std::vector<uint8_t>(16, 0x22));
        w.WriteInt32(m);
        if (m != 0) {
            w.WriteRaw(std::vector<uint8_t>(size_t(m), 0x33));
            w.WriteRaw(std::vector<uint8_t>(size_t(std::max(m - 40, 0)), 0x44));
            w.WriteInt32(0);
        }
        w.WriteCount(uint32_t(keys));
        for (int k = 0; k < keys; ++k) {
            w.WriteObjectHeader("CMMask", 1);
            w.WriteUInt32(uint32_t(W * H));
            std::vector<Displacement> map(size_t(W * H), Displacement{64 * k, -32 * k});
            w.WriteRaw(map.data(), map.size() * 8);
            w.WriteInt32(0);
            const int32_t header[6] = {0, W, 2, 4, 0x180001, 0};
            w.WriteRaw(header, sizeof header);
            w.WriteRaw(std::vector<uint8_t>(8, 0x55));
        }
        w.WriteRaw(std::vector<uint8_t>(8, 0x66));
        w.WriteInt32(0);
        w.WriteInt32(0);
        w.WriteInt32(stripW ? stripW : W);
        w.WriteInt32(stripH ? stripH : H);
        w.WriteInt32(0);
        w.WriteInt32(0);         // first visible
        w.WriteInt32(selected);  // selected
        w.WriteInt32(selected);  // active
        for (int i = 0; i < 4; ++i)
            w.WriteInt32(0);
        w.WriteInt32(A);
        if (A != 0) {
            w.WriteInt32(B);
            if (B != 0)
                w.WriteRaw(std::vector<uint8_t>(size_t(W * H * 8), 0x77));
            w.WriteInt32(C);
            if (C != 0) {
                const int32_t header[6] = {0, 0, 3, 5, 0, 0};
                w.WriteRaw(header, sizeof header);
                w.WriteRaw(std::vector<uint8_t>(15, 0x88));
            }
        }
        std::vector<uint8_t> bytes = w.TakeBytes();
        if (dropLast)
            bytes.resize(bytes.size() - 4);
        return bytes;
    }
};

ProjectData Read(const OldFile& file)
{
    return ReadProjectBytes(file.Bytes("pic.bmp"));
}

}  // namespace

TEST(OldFormat, EveryFlagVariantReads)
{
    const ProjectData plain = Read(OldFile{});
    EXPECT_EQ(plain.fileVersion, 1);
    EXPECT_EQ(plain.storedPicturePath, "pic.bmp");
    ASSERT_EQ(plain.keys.size(), 2u);
    EXPECT_EQ(plain.keys[1]->Width(), 6);
    EXPECT_EQ(plain.keys[1]->Height(), 4);
    EXPECT_EQ(plain.keys[1]->Map()[23], (Displacement{64, -32}));
    EXPECT_EQ(plain.keys[1]->Duration(), 10);
    EXPECT_EQ(plain.selected, 1);
    EXPECT_FALSE(plain.hasTool);

    // With obsolete images, and with flag A but neither B nor C: two more int32.
    EXPECT_EQ(Read(OldFile{.m = 44}).keys.size(), 2u);
    EXPECT_EQ(Read(OldFile{.A = 1}).keys.size(), 2u);
    EXPECT_EQ(Read(OldFile{.A = 1, .B = 1}).keys.size(), 2u);
    EXPECT_EQ(Read(OldFile{.A = 1, .C = 1}).keys.size(), 2u);
    EXPECT_EQ(Read(OldFile{.m = 41, .A = 1, .B = 1, .C = 1, .selected = 0}).selected, 0);

    // A missing flag C shows that it is read; the end after A = 0 needs nothing more.
    EXPECT_THROW(Read(OldFile{.A = 1, .dropLast = true}), ArchiveError);
    EXPECT_THROW(Read(OldFile{.dropLast = true}), ArchiveError);
    EXPECT_THROW(Read(OldFile{.m = 20}), ArchiveError);  // shorter than its header
}

TEST(OldFormat, MapSizeMustMatchEveryKeyframe)
{
    // 8 x 3 holds the stored 24 elements in another shape: accepted.
    EXPECT_EQ(Read(OldFile{.stripW = 8, .stripH = 3}).keys[0]->Width(), 8);
    EXPECT_THROW(Read(OldFile{.stripW = 5}), ArchiveError);
    EXPECT_THROW(Read(OldFile{.stripW = -6, .stripH = -4}), ArchiveError);
    EXPECT_THROW(Read(OldFile{.A = 1, .B = 1, .stripW = -1}), ArchiveError);
    // Without keyframes the strip's size does not matter.
    EXPECT_TRUE(Read(OldFile{.keys = 0, .stripW = 99}).keys.empty());
}

TEST(OldFormat, OpeningFitsTheKeyframesToThePicture)
{
    Folder folder;
    Project project;
    NewProject(project, folder);  // pic.bmp, 40 x 20
    project.SetActiveToolId(1031, 50);
    WriteBytes(folder.Path("old.kib"), OldFile{.A = 1, .B = 1, .C = 1}.Bytes("pic.bmp"));
    project.Load(folder.Path("old.kib"));
    EXPECT_EQ(project.FileVersion(), 1);
    EXPECT_EQ(project.Keys().GetMapSize(), (PictureSize{412, 206}));
    EXPECT_EQ(project.Keys().Key(1).Map()[412 * 100 + 17], (Displacement{64, -32}));
    EXPECT_EQ(project.Keys().ThumbSize(), (ThumbnailSize{84, 42}));
    EXPECT_EQ(project.Keys().Key(0).Thumbnail().size(), MakeThumbnailHeader(84, 42).biSizeImage);
    // The older format stores no tool: the current one stays.
    EXPECT_EQ(project.ActiveToolId(), 1031);
    EXPECT_EQ(project.ActiveToolStrength(), 50);
    // Saving writes the current format.
    ASSERT_TRUE(project.Save(folder.Path("new.kib")));
    EXPECT_EQ(project.FileVersion(), 2);
    Project back;
    back.Load(folder.Path("new.kib"));
    EXPECT_EQ(Maps(back), Maps(project));
}

TEST(OldFormat, KeyframesAreChargedAtTheFittedSizeBeforeTheyAreMade)
{
    // Maps of 1 x 1 are fitted to 412 x 412 first (1356032 bytes of map and a
    // 21168-byte thumbnail each): 800 of them would take 1.1 GB, though at the
    // picture's 412 x 206 they take only 560 MB.
    Folder folder;
    Project project;
    NewProject(project, folder);
    const auto maps = Maps(project);
    WriteBytes(folder.Path("old.kib"), OldFile{.W = 1, .H = 1, .keys = 800}.Bytes("pic.bmp"));
    EXPECT_THROW(project.Load(folder.Path("old.kib")), ArchiveError);
    EXPECT_TRUE(Maps(project) == maps);
}

TEST(OldFormat, HasNoFreezeMaskAndOpeningOneDropsTheOpenProjectsMask)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.SetMask(FreezeMask(412, 206, std::vector<uint8_t>(size_t(412) * 206, 64)));
    // Bytes after the older format's end that look like a mask section are no section of it.
    std::vector<uint8_t> bytes = OldFile{}.Bytes("pic.bmp");
    ArchiveWriter section;
    section.WriteRaw(kFreezeMaskTag, sizeof kFreezeMaskTag);
    section.WriteUInt32(8);
    section.WriteInt32(6);
    section.WriteInt32(4);
    const std::vector<uint8_t> tail = section.TakeBytes();
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    EXPECT_TRUE(ReadProjectBytes(bytes).mask.Empty());
    WriteBytes(folder.Path("old.kib"), bytes);
    project.Load(folder.Path("old.kib"));
    EXPECT_EQ(project.FileVersion(), 1);
    EXPECT_FALSE(project.HasMask());
    EXPECT_TRUE(project.Mask().Empty());
}
