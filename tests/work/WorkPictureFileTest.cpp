#include "work/WorkPictureFile.h"

#include "io/FileError.h"
#include "project/ProjectTestSupport.h"

using projecttest::Folder;

TEST(WorkPictureFile, LoadsAndFitsAPicture)
{
    Folder folder;
    WorkPictureFile work;
    work.LoadWorkPicture(folder.Picture("tall.bmp", 500, 1000));
    EXPECT_EQ(work.Path(), folder.Path("tall.bmp"));
    EXPECT_EQ(work.Width(), 206);
    EXPECT_EQ(work.Height(), 412);
    EXPECT_EQ(work.Picture().Display(), work.Picture().Source());
    // The file's pixel (x, y) has first byte x x 7 + y x 3 (mod 256). Buffer row 0
    // starts with picture row 999: 181. Buffer row 1, column 1 sits at 38/16 both
    // ways (x0 = y0 = 2, fx = fy = 6): buffer rows 2 and 3 are picture rows 997 and
    // 996, so (189 x 81 + 196 x 54 + 186 x 54 + 193 x 36) / 225 = 190.
    const PackedPicture& source = work.Picture().Source();
    EXPECT_EQ(source.BufferRow(0)[0], 181);
    EXPECT_EQ(source.BufferRow(1)[3], 190);
}

TEST(WorkPictureFile, MissingPictureIsReplacedByTheDefaultPicture)
{
    Folder folder;
    WorkPictureFile work;
    work.SetDefaultPicture(folder.Picture("default.bmp", 300, 300));
    work.LoadWorkPicture(folder.Path("gone.jpg"));
    EXPECT_EQ(work.Path(), folder.Path("default.bmp"));
    EXPECT_EQ(work.Width(), 412);
    EXPECT_EQ(work.Height(), 412);
    // A Windows path does not exist here either.
    work.LoadWorkPicture("C:\\pictures\\a.jpg");
    EXPECT_EQ(work.Path(), folder.Path("default.bmp"));
}

TEST(WorkPictureFile, UndecodablePictureKeepsThePreviousOne)
{
    Folder folder;
    WorkPictureFile work;
    work.SetDefaultPicture(folder.Path("no-default.gif"));
    work.LoadWorkPicture(folder.Picture("pic.bmp", 40, 20));
    const PackedPicture before = work.Picture().Source();
    projecttest::WriteBytes(folder.Path("bad.png"), {0x89, 'P', 'N', 'G', 1, 2, 3});
    // A corrupt file is no missing file; a missing one (with no default picture) is.
    for (const auto& [path, cause] : {std::pair{folder.Path("bad.png"), FileError::Cause::Generic},
                                      std::pair{folder.Path("missing.png"), FileError::Cause::FileNotFound}}) {
        try {
            work.LoadWorkPicture(path);
            ADD_FAILURE() << path;
        } catch (const FileError& e) {
            EXPECT_EQ(e.GetCause(), cause) << e.what();
        }
        EXPECT_EQ(work.Path(), folder.Path("pic.bmp"));
        EXPECT_EQ(work.Picture().Source(), before);
    }
}
