#include "project/ProjectTestSupport.h"

#include "animation/ThumbnailHeader.h"
#include "io/FileError.h"
#include "io/Archive.h"
#include "project/PicturePath.h"

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace projecttest;

namespace {

// Reads the bytes of a written file one field after the other.
struct Cursor {
    const std::vector<uint8_t>& b;
    size_t at = 0;
    std::vector<uint8_t> Take(size_t n)
    {
        EXPECT_LE(at + n, b.size());
        std::vector<uint8_t> out(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
        at += n;
        return out;
    }
    uint32_t U32()
    {
        uint32_t v;
        std::memcpy(&v, Take(4).data(), 4);
        return v;
    }
};

std::vector<uint8_t> Text(const std::string& s)
{
    return {s.begin(), s.end()};
}

}  // namespace

TEST(ProjectFile, WrittenBytesFollowTheLayout)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.Keys().SetDuration(1, 7);
    ASSERT_TRUE(project.Save(folder.Path("p.kib")));
    const std::vector<uint8_t> bytes = ReadBytes(folder.Path("p.kib"));
    Cursor c{bytes};
    EXPECT_EQ(c.Take(6), (std::vector<uint8_t>{'V', 'e', 'r', '2', '0', 0}));
    EXPECT_EQ(c.Take(1)[0], 7);
    EXPECT_EQ(c.Take(7), Text("pic.bmp"));
    EXPECT_EQ(c.U32(), 0u);  // first visible
    EXPECT_EQ(c.U32(), 1u);  // selected
    EXPECT_EQ(c.U32(), 1u);  // active
    const BITMAPINFOHEADER expected = MakeThumbnailHeader(84, 42);
    EXPECT_EQ(c.Take(40), std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&expected),
                                               reinterpret_cast<const uint8_t*>(&expected) + 40));
    EXPECT_EQ(c.Take(2), (std::vector<uint8_t>{2, 0}));
    EXPECT_EQ(c.Take(12), (std::vector<uint8_t>{0xFF, 0xFF, 1, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'k'}));
    for (int key = 0; key < 2; ++key) {
        if (key == 1) {
            EXPECT_EQ(c.Take(2), (std::vector<uint8_t>{0x01, 0x80}));
        }
        EXPECT_EQ(c.U32(), 412u);
        EXPECT_EQ(c.U32(), 206u);
        EXPECT_EQ(c.U32(), 412u * 206u);
        EXPECT_EQ(c.U32(), key == 0 ? 10u : 7u);
        EXPECT_EQ(c.U32(), 412u * 206u * 8u);
        const uint32_t packedMap = c.U32();
        EXPECT_LT(packedMap, 412u * 206u * 8u / 50);  // an identity map packs small
        c.Take(packedMap);
        EXPECT_EQ(c.U32(), expected.biSizeImage);
        c.Take(c.U32());
    }
    EXPECT_EQ(c.Take(4), (std::vector<uint8_t>{0xFB, 0x03, 0, 0}));  // tool 1019
    EXPECT_EQ(c.Take(4), (std::vector<uint8_t>{64, 0, 0, 0}));
    EXPECT_EQ(c.at, bytes.size());
    EXPECT_EQ(project.FileVersion(), 2);
    EXPECT_FALSE(project.m_bModified);
}

TEST(ProjectFile, SavedProjectReadsBackTheSame)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.Keys().Key(1).Map()[1234] = {-77, 88};
    project.AddKey();
    project.Keys().SetDuration(2, 3);
    project.SelectKey(0);
    project.SetActiveToolId(1094, 12);
    ASSERT_TRUE(project.Save(folder.Path("p.kib")));

    Project back;
    back.SetDefaultPicture(folder.Path("default.bmp"));
    back.Load(folder.Path("p.kib"));
    EXPECT_EQ(back.FileVersion(), 2);
    EXPECT_EQ(Maps(back), Maps(project));
    EXPECT_EQ(back.Keys().Selected(), 0);
    EXPECT_EQ(back.Keys().Active(), 0);
    EXPECT_EQ(back.Keys().Key(2).Duration(), 3);
    EXPECT_EQ(back.Keys().Key(1).Thumbnail(), project.Keys().Key(1).Thumbnail());
    EXPECT_EQ(back.ActiveToolId(), 1094);
    EXPECT_EQ(back.ActiveToolStrength(), 12);
    EXPECT_EQ(back.Work().Path(), folder.Path("pic.bmp"));
    EXPECT_EQ(back.StoredPicturePath(), "pic.bmp");
    EXPECT_EQ(back.Picture().Map().data, back.Keys().GetKeyMap(0).data);

    // A second save of the read project gives the same bytes.
    ASSERT_TRUE(back.Save(folder.Path("q.kib")));
    EXPECT_EQ(ReadBytes(folder.Path("q.kib")), ReadBytes(folder.Path("p.kib")));
}

TEST(PicturePath, StoredRelativeOnlyBelowTheProjectFolder)
{
    EXPECT_EQ(StoredPicturePath("/data/proj/sub/name.jpg", "/data/proj/p.kib"), "sub/name.jpg");
    EXPECT_EQ(StoredPicturePath("/data/proj/name.jpg", "/data/proj/p.kib"), "name.jpg");
    EXPECT_EQ(StoredPicturePath("/data/other/name.jpg", "/data/proj/p.kib"), "/data/other/name.jpg");
    EXPECT_EQ(StoredPicturePath("/data/Proj/name.jpg", "/data/proj/p.kib"), "/data/Proj/name.jpg");
    EXPECT_EQ(StoredPicturePath("/data/projection.jpg", "/data/proj/p.kib"), "/data/projection.jpg");

    EXPECT_TRUE(IsAbsoluteStoredPath("C:\\pictures\\a.jpg"));
    EXPECT_TRUE(IsAbsoluteStoredPath("C:a.jpg"));
    EXPECT_TRUE(IsAbsoluteStoredPath("\\\\server\\share\\a.jpg"));
    EXPECT_TRUE(IsAbsoluteStoredPath("/home/a.jpg"));
    EXPECT_FALSE(IsAbsoluteStoredPath("\\a.jpg"));
    EXPECT_FALSE(IsAbsoluteStoredPath("sub\\a.jpg"));
    EXPECT_EQ(ResolvePicturePath("sub\\deeper\\a.jpg", "/data/proj/p.kib"), "/data/proj/sub/deeper/a.jpg");
    EXPECT_EQ(ResolvePicturePath("a.jpg", "/data/proj/p.kib"), "/data/proj/a.jpg");
    EXPECT_EQ(ResolvePicturePath("C:\\x\\a.jpg", "/data/proj/p.kib"), "C:\\x\\a.jpg");
}

TEST(PicturePath, ProjectsMovedWithTheirPictureStayLoadable)
{
    Folder folder;
    folder.MakeFolder("one/sub");
    folder.MakeFolder("Two");
    Project project;
    project.SetDefaultPicture(folder.Picture("default.bmp", 30, 30));
    project.NewFromPicture(folder.Picture("one/sub/pic.bmp", 50, 20));
    ASSERT_TRUE(project.Save(folder.Path("one/p.kib")));
    Project back;
    back.SetDefaultPicture(folder.Path("default.bmp"));
    back.Load(folder.Path("one/p.kib"));
    EXPECT_EQ(back.StoredPicturePath(), "sub/pic.bmp");
    // Another folder, and one that differs from the picture's only in case: absolute.
    ASSERT_TRUE(project.Save(folder.Path("Two/p.kib")));
    back.Load(folder.Path("Two/p.kib"));
    EXPECT_EQ(back.StoredPicturePath(), folder.Path("one/sub/pic.bmp"));
    const std::string caseFolder = folder.MakeFolder("One/sub");
    ASSERT_TRUE(project.Save(caseFolder + "/x.kib"));
    back.Load(caseFolder + "/x.kib");
    EXPECT_EQ(back.StoredPicturePath(), folder.Path("one/sub/pic.bmp"));
}

TEST(PicturePath, WindowsPathsAndMissingPicturesShowTheDefaultPicture)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.Keys().Key(1).Map()[0] = {640, 0};
    for (const std::string stored : {"C:\\Users\\me\\pic.bmp", "\\\\server\\pics\\pic.bmp", "D:pic.bmp"}) {
        const std::vector<uint8_t> bytes = WriteProjectBytes(stored, project.Keys(), 1019, 64);
        WriteBytes(folder.Path("w.kib"), bytes);
        Project back;
        back.SetDefaultPicture(folder.Path("default.bmp"));
        back.Load(folder.Path("w.kib"));
        EXPECT_EQ(back.StoredPicturePath(), stored);
        EXPECT_EQ(back.Work().Path(), folder.Path("default.bmp"));
        EXPECT_TRUE(back.PictureMissing());
        // The default picture (30 x 30) is fitted to the keyframes, which keep their size.
        EXPECT_EQ(back.Keys().GetMapSize(), (PictureSize{412, 206}));
        EXPECT_EQ((PictureSize{back.Picture().Width(), back.Picture().Height()}), (PictureSize{412, 206}));
        EXPECT_EQ(back.Keys().Key(1).Map()[0], (Displacement{640, 0}));
    }
    // A relative path written with backslashes finds its picture in a subfolder.
    folder.MakeFolder("sub");
    folder.Picture("sub/pic.bmp", 40, 20);
    WriteBytes(folder.Path("w.kib"), WriteProjectBytes("sub\\pic.bmp", project.Keys(), 1019, 64));
    Project back;
    back.SetDefaultPicture(folder.Path("default.bmp"));
    back.Load(folder.Path("w.kib"));
    EXPECT_EQ(back.Work().Path(), folder.Path("sub/pic.bmp"));
    EXPECT_FALSE(back.PictureMissing());
    EXPECT_EQ(back.Keys().GetMapSize(), (PictureSize{412, 206}));
}

TEST(PicturePath, AMissingPictureLeavesTheStoredMapsAndMaskByteForByte)
{
    Folder folder;
    folder.Picture("default.bmp", 30, 30);
    folder.MakeFolder("gone");
    Project project;
    project.SetDefaultPicture(folder.Path("default.bmp"));
    // A portrait picture: the stand-in's own working size (412 x 412) is another shape.
    project.NewFromPicture(folder.Picture("gone/pic.bmp", 20, 30));
    const PictureSize size = project.Keys().GetMapSize();
    ASSERT_LT(size.width, size.height);
    for (int i = 0; i < project.Keys().Key(1).Count(); ++i)
        project.Keys().Key(1).Map()[size_t(i)] = {(i * 37) % 641 - 320, (i * 53) % 517 - 258};
    FreezeMask mask(size.width, size.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            mask.At(x, y) = uint8_t((x * 7 + y * 3) % 65);
    project.SetMask(mask);
    ASSERT_TRUE(project.Save(folder.Path("p.kib")));
    const std::vector<uint8_t> before = ReadBytes(folder.Path("p.kib"));
    const std::string picture = folder.Path("gone/pic.bmp");
    ASSERT_TRUE(QFile::rename(QString::fromStdString(picture), QString::fromStdString(picture + ".away")));

    Project back;
    back.SetDefaultPicture(folder.Path("default.bmp"));
    back.Load(folder.Path("p.kib"));
    ASSERT_TRUE(back.PictureMissing());
    EXPECT_EQ(back.Keys().GetMapSize(), size);
    // An edit that changes nothing, then a save: the maps and mask are as stored.
    back.SelectKey(1);
    back.Reconstruct(0);
    ASSERT_TRUE(back.Save(folder.Path("q.kib")));
    const ProjectData saved = ReadProjectFile(folder.Path("q.kib"));
    const ProjectData original = ReadProjectBytes(before);
    ASSERT_EQ(saved.keys.size(), original.keys.size());
    for (size_t k = 0; k < saved.keys.size(); ++k)
        EXPECT_EQ(saved.keys[k]->Map(), original.keys[k]->Map()) << "keyframe " << k;
    EXPECT_EQ(saved.mask.Values(), original.mask.Values());
    EXPECT_EQ(saved.storedPicturePath, original.storedPicturePath);

    // With the picture back, nothing is resampled either.
    ASSERT_TRUE(QFile::rename(QString::fromStdString(picture + ".away"), QString::fromStdString(picture)));
    Project again;
    again.SetDefaultPicture(folder.Path("default.bmp"));
    again.Load(folder.Path("q.kib"));
    EXPECT_FALSE(again.PictureMissing());
    EXPECT_EQ(again.Keys().Key(1).Map(), original.keys[1]->Map());
    EXPECT_EQ(again.Mask().Values(), original.mask.Values());
}

TEST(PicturePath, SavingWhileTheDefaultPictureStandsInKeepsThePictureTheProjectNames)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.Keys().Key(1).Map()[0] = {640, 0};
    folder.MakeFolder("gone");
    WriteBytes(folder.Path("w.kib"), WriteProjectBytes("gone/pic.bmp", project.Keys(), 1019, 64));
    Project back;
    back.SetDefaultPicture(folder.Path("default.bmp"));
    back.Load(folder.Path("w.kib"));
    ASSERT_EQ(back.Work().Path(), folder.Path("default.bmp"));
    // Saved elsewhere, the project still names its own picture, not the stand-in.
    folder.MakeFolder("moved");
    ASSERT_TRUE(back.Save(folder.Path("moved/w.kib")));
    folder.Picture("gone/pic.bmp", 40, 20);
    Project again;
    again.SetDefaultPicture(folder.Path("default.bmp"));
    again.Load(folder.Path("moved/w.kib"));
    EXPECT_EQ(again.ResolvedPicturePath(), folder.Path("gone/pic.bmp"));
    EXPECT_EQ(again.Work().Path(), folder.Path("gone/pic.bmp"));
    EXPECT_EQ(again.Keys().GetMapSize(), (PictureSize{412, 206}));
}

TEST(ProjectFile, LoadingIsAllOrNothing)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    project.Keys().Key(1).Map()[7] = {1, 2};
    project.SetActiveToolId(1090, 33);
    const auto maps = Maps(project);
    const std::string path = project.Work().Path();
    const PackedPicture display = project.Picture().Display();

    project.Save(folder.Path("good.kib"));
    std::vector<uint8_t> bytes = ReadBytes(folder.Path("good.kib"));
    bytes.resize(bytes.size() - 3);  // the strength is cut short
    WriteBytes(folder.Path("cut.kib"), bytes);
    // A picture that exists but is no picture.
    WriteBytes(folder.Path("broken.bmp"), {'B', 'M', 1, 2, 3});
    WriteBytes(folder.Path("badpic.kib"), WriteProjectBytes("broken.bmp", project.Keys(), 1019, 64));

    Project other;
    NewProject(other, folder, "other.bmp", 20, 40);
    other.Keys().Key(0).Map()[3] = {5, 5};
    other.SetActiveToolId(1022, 5);
    const auto otherMaps = Maps(other);
    EXPECT_THROW(other.Load(folder.Path("cut.kib")), ArchiveError);
    try {
        other.Load(folder.Path("badpic.kib"));
        ADD_FAILURE();
    } catch (const FileError& e) {
        EXPECT_EQ(e.GetCause(), FileError::Cause::Generic);
        EXPECT_EQ(e.Path(), folder.Path("broken.bmp"));
    }
    EXPECT_THROW(other.Load(folder.Path("missing.kib")), FileError);
    EXPECT_THROW(other.Load(folder.Path("")), FileError);  // a folder
    EXPECT_EQ(Maps(other), otherMaps);
    EXPECT_EQ(other.Work().Path(), folder.Path("other.bmp"));
    EXPECT_EQ(other.ActiveToolId(), 1022);
    EXPECT_EQ(other.ActiveToolStrength(), 5);
    EXPECT_EQ(other.Picture().Width(), 206);
    EXPECT_EQ(other.Picture().Map().data, other.Keys().GetKeyMap(1).data);

    other.Load(folder.Path("good.kib"));
    EXPECT_EQ(Maps(other), maps);
    EXPECT_EQ(other.Work().Path(), path);
    EXPECT_EQ(other.Picture().Display(), display);
    EXPECT_EQ(other.ActiveToolId(), 1090);
}

TEST(ProjectFile, SavingNeverDestroysThePreviousFile)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    ASSERT_TRUE(project.Save(folder.Path("p.kib")));
    const std::vector<uint8_t> before = ReadBytes(folder.Path("p.kib"));

    // A save into a folder that does not exist, and onto a folder.
    EXPECT_THROW(project.Save(folder.Path("nowhere/p.kib")), FileError);
    folder.MakeFolder("adir/inner");
    EXPECT_THROW(project.Save(folder.Path("adir")), FileError);

    // A save that fails half way (the file size limit stands in for a full disk).
    project.Keys().Key(1).Map()[0] = {1, 1};
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &tight);
    bool failed = false;
    try {
        project.Save(folder.Path("p.kib"));
    } catch (const FileError&) {
        failed = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadBytes(folder.Path("p.kib")), before);
    EXPECT_EQ(QDir(QString::fromStdString(folder.Path())).entryList(QDir::Hidden | QDir::Files).filter(".part").size(),
              0);

    // No frames, nothing written.
    project.Keys().Key(0).SetDuration(0);
    project.Keys().Key(1).SetDuration(0);
    EXPECT_FALSE(project.Save(folder.Path("none.kib")));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path("none.kib"))));
}
