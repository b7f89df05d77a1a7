#include "project/ProjectTestSupport.h"

#include "io/FileError.h"
#include "io/Archive.h"

using namespace projecttest;

namespace {

void FillKey(Project& project, int k, Displacement value)
{
    auto& map = project.Keys().Key(k).Map();
    std::fill(map.begin(), map.end(), value);
}

}  // namespace

TEST(Project, NewProjectHasTwoIdentityKeyframes)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "wide.bmp", 1000, 500);
    EXPECT_EQ(project.Picture().Width(), 412);
    EXPECT_EQ(project.Picture().Height(), 206);
    ASSERT_EQ(project.Keys().Count(), 2);
    EXPECT_EQ(project.Keys().Key(0).Map(), std::vector<Displacement>(412 * 206));
    EXPECT_EQ(project.Keys().Key(1).Map(), std::vector<Displacement>(412 * 206));
    EXPECT_EQ(project.Keys().Selected(), 1);
    EXPECT_EQ(project.Keys().Active(), 1);
    EXPECT_EQ(project.Keys().FirstVisible(), 0);
    EXPECT_EQ(project.Keys().GetTotalFrames(), 20);
    EXPECT_EQ(project.ActiveToolId(), 1019);
    EXPECT_EQ(project.ActiveToolStrength(), 64);
    EXPECT_EQ(project.Picture().Map().data, project.Keys().GetKeyMap(1).data);
    // The thumbnail is the rendered work picture fitted to 84 x 42: its first pixel
    // is the display's, and column 1 (sx = 412 x 16 / 84 = 78: columns 4 and 5,
    // fx 14) blends two display pixels as (a + 14 b) / 15.
    const std::vector<uint8_t>& thumb = project.Keys().Key(0).Thumbnail();
    const uint8_t* display = project.Picture().Display().BufferRow(0);
    ASSERT_EQ(thumb.size(), 252u * 42u);
    EXPECT_EQ(thumb[0], display[0]);
    EXPECT_EQ(thumb[4], (display[13] + 14 * display[16]) / 15);

    // A picture that cannot be decoded leaves the project as it was.
    WriteBytes(folder.Path("broken.bmp"), {'B', 'M', 0, 0});
    EXPECT_THROW(project.NewFromPicture(folder.Path("broken.bmp")), FileError);
    EXPECT_EQ(project.Work().Path(), folder.Path("wide.bmp"));
    EXPECT_EQ(project.Keys().Count(), 2);
}

TEST(Project, StrokesChangeTheActiveKeyframeAndItsThumbnail)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    RandomSource random(5);
    ToolTable tools(&random);
    project.SelectKey(1);
    project.SelectTool(tools, 1105);  // a whole-picture tool: acts on timer ticks only
    const std::vector<uint8_t> thumb = project.Keys().Key(1).Thumbnail();
    const Project::StrokePoint press[] = {{200, 100, 0}};
    project.PerformStroke(press, false);
    EXPECT_EQ(project.Keys().Key(1).Map(), std::vector<Displacement>(412 * 206));
    const Project::StrokePoint hold[] = {{200, 100, 3}};
    project.PerformStroke(hold, false);
    EXPECT_NE(project.Keys().Key(1).Map(), std::vector<Displacement>(412 * 206));
    EXPECT_EQ(project.Keys().Key(0).Map(), std::vector<Displacement>(412 * 206));
    EXPECT_NE(project.Keys().Key(1).Thumbnail(), thumb);
    EXPECT_TRUE(project.m_bModified);
    EXPECT_EQ(project.ActiveToolId(), 1105);
    EXPECT_THROW(project.SelectTool(tools, 4), std::invalid_argument);
    EXPECT_THROW(project.SelectKey(2), std::out_of_range);
}

TEST(Project, RenderFrameShowsTheInterpolatedMap)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    FillKey(project, 1, {640, 0});
    const PackedPicture frame0 = project.RenderFrame(0, false);
    const PackedPicture frame10 = project.RenderFrame(10, false);
    // Frame 10 shows keyframe 1: every pixel taken from ten columns to the right.
    EXPECT_EQ(frame10.Pixel(5, 50)[0], project.Picture().Source().Pixel(15, 50)[0]);
    EXPECT_EQ(frame0.Pixel(5, 50)[0], project.Picture().Source().Pixel(5, 50)[0]);
    EXPECT_EQ(project.Picture().Map().data, project.Keys().GetKeyMap(1).data);
}

TEST(Project, LoadDeformationsKeepsThePicture)
{
    Folder folder;
    Project source;
    NewProject(source, folder, "tall.bmp", 20, 40);
    FillKey(source, 1, {128, 64});
    source.AddKey();
    source.SetActiveToolId(1094, 40);
    ASSERT_TRUE(source.Save(folder.Path("source.kib")));

    Project project;
    NewProject(project, folder, "wide.bmp", 40, 20);
    EXPECT_EQ(project.LoadDeformations(folder.Path("source.kib")), Project::DeformationResult::Applied);
    EXPECT_EQ(project.Work().Path(), folder.Path("wide.bmp"));
    EXPECT_EQ(project.Picture().Width(), 412);
    ASSERT_EQ(project.Keys().Count(), 3);
    EXPECT_EQ(project.Keys().GetMapSize(), (PictureSize{412, 206}));
    EXPECT_EQ(project.Keys().Key(2).Map()[5000], (Displacement{128, 64}));
    EXPECT_EQ(project.ActiveToolId(), 1094);
    // The thumbnails show this picture, not the other project's.
    EXPECT_EQ(project.Keys().ThumbSize(), (ThumbnailSize{84, 42}));
    // No file holds this picture with these keyframes: leaving must ask.
    EXPECT_TRUE(project.m_bModified);

    // A file without keyframes, or a project without frames: nothing happens.
    KeyframeStore none;
    WriteBytes(folder.Path("empty.kib"), WriteProjectBytes("tall.bmp", none, 1019, 64));
    const auto maps = Maps(project);
    EXPECT_EQ(project.LoadDeformations(folder.Path("empty.kib")), Project::DeformationResult::NoKeyframes);
    EXPECT_EQ(Maps(project), maps);
    EXPECT_THROW(project.LoadDeformations(folder.Path("missing.kib")), FileError);
    EXPECT_EQ(Maps(project), maps);
    Project blank;
    EXPECT_EQ(blank.LoadDeformations(folder.Path("source.kib")), Project::DeformationResult::NoAnimation);
}

TEST(Project, InsertPictureResamplesTheKeyframes)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "wide.bmp", 40, 20);
    FillKey(project, 1, {-64, 640});
    ASSERT_TRUE(project.InsertPicture(folder.Picture("tall.bmp", 20, 40)));
    EXPECT_EQ(project.Work().Path(), folder.Path("tall.bmp"));
    EXPECT_EQ(project.Keys().GetMapSize(), (PictureSize{206, 412}));
    EXPECT_EQ(project.Keys().Key(1).Map()[777], (Displacement{-64, 640}));
    EXPECT_EQ(project.Keys().ThumbSize(), (ThumbnailSize{42, 84}));
    EXPECT_EQ(project.Picture().Map().data, project.Keys().GetKeyMap(1).data);
    EXPECT_TRUE(project.m_bModified);

    WriteBytes(folder.Path("broken.png"), {1, 2, 3, 4});
    EXPECT_THROW(project.InsertPicture(folder.Path("broken.png")), FileError);
    EXPECT_EQ(project.Work().Path(), folder.Path("tall.bmp"));
    EXPECT_EQ(project.Keys().GetMapSize(), (PictureSize{206, 412}));
}
