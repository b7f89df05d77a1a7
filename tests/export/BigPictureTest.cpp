// The export frame source on real projects: output sizes of the three
// settings, file naming of sequences, the sequence loop, GIF and video frames,
// and the project's own work picture left as it was.

#include "export/BigPicture.h"
#include "export/BigPictureRender.h"
#include "export/ExportSequence.h"
#include "export/ExportTestSupport.h"
#include "io/FileError.h"
#include "export/VideoTestSupport.h"
#include "project/ProjectTestSupport.h"

#include <QFileInfo>
#include <QImageReader>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using projecttest::Folder;
using projecttest::NewProject;

class RecordingObserver : public ExportObserver {
public:
    void Progress(int done, int total) override { progress.push_back({done, total}); }
    bool CheckCancel() override { return cancelAfter >= 0 && ++checks >= cancelAfter; }
    void ShowFrame(const PackedPicture& frame) override { shown.push_back(frame.Width()); }

    std::vector<std::pair<int, int>> progress;
    std::vector<int> shown;
    int checks = 0;
    int cancelAfter = -1;
};

// Keyframe 1 moves everything 3 pixels right, so the frames differ.
void DeformKeyOne(Project& project)
{
    for (Displacement& e : project.Keys().Key(1).Map())
        e = Displacement{3 * 64, 64};
}

// A project with a single keyframe of duration 10.
void MakeSingleKey(Project& project)
{
    project.Keys().ResetKeys();
    project.Keys().DoubleClickKey(0);
    ASSERT_EQ(project.Keys().GetTotalFrames(), 10);
}

bool Exists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

}  // namespace

TEST(FrameFileName, NumbersFollowTheFrameNumberWithTheDigitsOfTheCount)
{
    const std::vector<int> three = {5, 17, 40};
    EXPECT_EQ(FrameFileName("/x/a.jpg", three, 0), "/x/a5.jpg");
    EXPECT_EQ(FrameFileName("/x/a.jpg", three, 1), "/x/a17.jpg");
    EXPECT_EQ(FrameFileName("/x/a.jpg", three, 2), "/x/a40.jpg");

    const std::vector<int> ten = AllFrames(10);
    EXPECT_EQ(FrameFileName("out/b.png", ten, 0), "out/b00.png");
    EXPECT_EQ(FrameFileName("out/b.png", ten, 9), "out/b09.png");
    EXPECT_EQ(FrameFileName("b.tif", AllFrames(100), 7), "b007.tif");

    EXPECT_EQ(FrameFileName("/x/one.bmp", {12}, 0), "/x/one.bmp");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(FrameFileName("/x.d/name", {1, 2}, 1), "/x.d/name2");
    EXPECT_THROW(FrameFileName("a.jpg", three, 3), std::out_of_range);
}

TEST(BigPicture, OutputSizeOfEachSetting)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 1000, 600);
    const std::string picture = project.Work().Path();

    CBigPicture screen(exporttest::AnimationOf(project));
    screen.SetSource(picture, CBigPicture::kScreen);
    EXPECT_EQ(screen.Width(), project.Picture().Width());
    EXPECT_EQ(screen.Height(), project.Picture().Height());
    EXPECT_TRUE(screen.Source().Empty());

    CBigPicture own(exporttest::AnimationOf(project));
    own.SetSource(picture, CBigPicture::kPicture);
    EXPECT_EQ(own.Width(), 1000);
    EXPECT_EQ(own.Height(), 600);
    EXPECT_EQ(own.Header().biSizeImage, uint32_t(600 * PictureStride(1000)));
    EXPECT_EQ(own.Frame(), own.Source());

    CBigPicture half(exporttest::AnimationOf(project));
    std::pair<int, int> asked;
    half.SetPercentQuery([&asked](int w, int h) {
        asked = {w, h};
        return std::optional<int>(50);
    });
    half.SetSource(picture, CBigPicture::kCustom);
    EXPECT_EQ(asked, std::make_pair(1000, 600));
    EXPECT_EQ(half.Width(), 500);
    EXPECT_EQ(half.Height(), 300);
    EXPECT_EQ(half.Frame().Width(), 500);
}

TEST(BigPicture, SourceFailures)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 40, 30);

    CBigPicture missing(exporttest::AnimationOf(project));
    try {
        missing.SetSource(folder.Path("gone.png"), CBigPicture::kPicture);
        ADD_FAILURE() << "no error for a missing picture";
    } catch (const FileError& e) {
        EXPECT_EQ(e.GetCause(), FileError::Cause::FileNotFound);
    }
    projecttest::WriteBytes(folder.Path("junk.png"), {1, 2, 3, 4, 5});
    try {
        missing.SetSource(folder.Path("junk.png"), CBigPicture::kPicture);
        ADD_FAILURE() << "no error for an undecodable picture";
    } catch (const FileError& e) {
        EXPECT_EQ(e.GetCause(), FileError::Cause::Generic);
        EXPECT_THAT(e.what(), testing::HasSubstr("junk.png"));
        EXPECT_THAT(e.what(), testing::HasSubstr("can decode"));
    }

    CBigPicture cancelled(exporttest::AnimationOf(project));
    cancelled.SetPercentQuery([](int, int) { return std::optional<int>(); });
    EXPECT_THROW(cancelled.SetSource(project.Work().Path(), CBigPicture::kCustom), ExportSizeCancelled);

    CBigPicture tiny(exporttest::AnimationOf(project));
    tiny.SetPercentQuery([](int, int) { return std::optional<int>(1); });  // 40 x 30 at 1 %: no pixel
    EXPECT_THROW(tiny.SetSource(project.Work().Path(), CBigPicture::kCustom), ExportSizeError);
    tiny.SetPercentQuery([](int, int) { return std::optional<int>(0); });
    EXPECT_THROW(tiny.SetSource(project.Work().Path(), CBigPicture::kCustom), ExportSizeError);
    tiny.SetPercentQuery([](int, int) { return std::optional<int>(10000); });  // 4000 x 3000 is fine
    tiny.SetSource(project.Work().Path(), CBigPicture::kCustom);
    EXPECT_EQ(tiny.Width(), 4000);
}

TEST(BigPicture, ZeroMapAtTheWorkPicturesSizeReproducesTheSource)
{
    // 412 x 206 is its own working size, so the picture and the map have one size.
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 412, 206);
    ASSERT_EQ(project.Picture().Width(), 412);
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    big.PrepareFrame(0);
    big.RenderFrame(0);
    EXPECT_EQ(big.Frame(), big.Source());
}

TEST(BigPicture, FullSizeFrameFollowsTheInterpolatedMap)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 300, 200);
    DeformKeyOne(project);
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    big.SetThreadCount(2);
    big.PrepareFrame(5);
    big.RenderFrame(5);

    PackedPicture expected = big.Source();
    reference::RenderFullSize(big.Source(), expected, project.Keys().GetFrameMapAt(5));
    EXPECT_EQ(big.Frame(), expected);
    EXPECT_NE(big.Frame(), big.Source());

    // The video's sub-frame rendering is the same at a whole frame's time.
    EXPECT_EQ(big.RenderSubFrame(5 * 64), expected);
}

TEST(BigPicture, ScreenFramesComeFromTheWorkPicture)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 80, 60);
    DeformKeyOne(project);
    RecordingObserver observer;
    CBigPicture big(exporttest::AnimationOf(project), &observer);
    big.SetSource(project.Work().Path(), CBigPicture::kScreen);
    big.RenderFrame(7);
    const PackedPicture expected = project.RenderFrame(7, true);
    EXPECT_EQ(big.Frame(), expected);
    big.ShowFrame();
    EXPECT_EQ(observer.shown, std::vector<int>{expected.Width()});
}

TEST(BigPictureSequence, OneKeyframeAllFramesWritesTenNumberedFiles)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 60, 40);
    MakeSingleKey(project);
    RecordingObserver observer;
    CBigPicture big(exporttest::AnimationOf(project), &observer);
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    const PictureSequenceResult result = ExportPictureSequence(big, folder.Path("seq.png"), AllFrames(10));
    ASSERT_EQ(result.written.size(), 10u);
    EXPECT_TRUE(result.failed.empty());
    EXPECT_FALSE(result.cancelled);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(Exists(folder.Path("seq0" + std::to_string(i) + ".png"))) << i;
    EXPECT_FALSE(Exists(folder.Path("seq.png")));
    EXPECT_EQ(observer.progress.front(), std::make_pair(0, 10));
    EXPECT_EQ(observer.progress.back(), std::make_pair(10, 10));
    EXPECT_EQ(observer.shown.size(), 10u);

    // The saved picture has the picture file's size.
    const std::optional<PackedPicture> back = LoadPictureFile(folder.Path("seq03.png"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Width(), 60);
    EXPECT_EQ(back->Height(), 40);
}

TEST(BigPictureSequence, SingleFrameKeepsTheChosenName)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 60, 40);
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kScreen);
    const PictureSequenceResult result = ExportPictureSequence(big, folder.Path("only.bmp"), {13});
    ASSERT_EQ(result.written, std::vector<std::string>{folder.Path("only.bmp")});
    EXPECT_TRUE(Exists(folder.Path("only.bmp")));
    EXPECT_FALSE(Exists(folder.Path("only13.bmp")));
}

TEST(BigPictureSequence, CancelKeepsWrittenFilesAndAFailedFrameDoesNotStop)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 60, 40);
    {
        RecordingObserver observer;
        observer.cancelAfter = 2;
        CBigPicture big(exporttest::AnimationOf(project), &observer);
        big.SetSource(project.Work().Path(), CBigPicture::kPicture);
        const PictureSequenceResult result = ExportPictureSequence(big, folder.Path("c.bmp"), {1, 2, 3, 4});
        EXPECT_TRUE(result.cancelled);
        EXPECT_EQ(result.written.size(), 2u);
        EXPECT_TRUE(Exists(folder.Path("c1.bmp")));
        EXPECT_TRUE(Exists(folder.Path("c2.bmp")));
        EXPECT_FALSE(Exists(folder.Path("c3.bmp")));
    }
    {
        // A folder where the second picture should go: that frame fails, the rest are written.
        folder.MakeFolder("f2.bmp");
        CBigPicture big(exporttest::AnimationOf(project));
        big.SetSource(project.Work().Path(), CBigPicture::kPicture);
        const PictureSequenceResult result = ExportPictureSequence(big, folder.Path("f.bmp"), {1, 2, 3});
        EXPECT_EQ(result.written.size(), 2u);
        ASSERT_EQ(result.failed.size(), 1u);
        EXPECT_EQ(result.failed[0].path, folder.Path("f2.bmp"));
        EXPECT_TRUE(Exists(folder.Path("f3.bmp")));
    }
}

TEST(BigPictureExport, NoFramesDoesNothing)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 60, 40);
    project.Keys().ResetKeys();
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    EXPECT_EQ(big.TotalFrames(), 0);
    EXPECT_TRUE(ExportPictureSequence(big, folder.Path("n.png"), {0, 1}).written.empty());
    EXPECT_EQ(big.WriteAnimatedGif(folder.Path("n.gif"), 30), GifExportResult::NoFrames);
    EXPECT_EQ(big.WriteVideo(folder.Path("n.mp4"), 30).status, VideoExportStatus::Failed);
    EXPECT_FALSE(Exists(folder.Path("n0.png")));
    EXPECT_FALSE(Exists(folder.Path("n.gif")));
    EXPECT_FALSE(Exists(folder.Path("n.mp4")));
}

TEST(BigPictureExport, GifFramesHaveTheWorkPicturesSizeAndTheProjectIsLeftAsItWas)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 200, 100);
    DeformKeyOne(project);
    project.SelectKey(1);
    const PackedPicture editing = project.Picture().Display();
    const Displacement* activeMap = project.Keys().Key(1).Map().data();

    RecordingObserver observer;
    CBigPicture big(exporttest::AnimationOf(project), &observer);
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    const std::string path = folder.Path("anim.gif");
    ASSERT_EQ(big.WriteAnimatedGif(path, 30), GifExportResult::Ok);
    EXPECT_EQ(observer.progress.back(), std::make_pair(20, 20));
    EXPECT_EQ(observer.shown.size(), 20u);

    QImageReader reader(QString::fromStdString(path));
    ASSERT_TRUE(reader.canRead());
    EXPECT_EQ(reader.size(), QSize(project.Picture().Width(), project.Picture().Height()));
    EXPECT_GT(reader.imageCount(), 1);

    EXPECT_EQ(project.Picture().Map().data, activeMap);
    EXPECT_EQ(project.Picture().Display(), editing);
}

TEST(BigPictureExport, VideoAtTheWorkPicturesSizeAndTheProjectIsLeftAsItWas)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 160, 120);
    DeformKeyOne(project);
    project.SelectKey(0);
    const Displacement* activeMap = project.Keys().Key(0).Map().data();

    RecordingObserver observer;
    CBigPicture big(exporttest::AnimationOf(project), &observer);
    big.SetSource(project.Work().Path(), CBigPicture::kScreen);
    const std::string path = folder.Path("clip.webm");
    const VideoExportResult result = big.WriteVideo(path, 60);
    ASSERT_EQ(result.status, VideoExportStatus::Ok) << result.error;
    const videotest::VideoInfo info = videotest::ReadVideo(QString::fromStdString(path));
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.width, project.Picture().Width() & ~1);
    EXPECT_EQ(info.height, project.Picture().Height() & ~1);
    const auto plan = PlanVideoExport(VideoContainer::WebM, big.Width(), big.Height(), 20, 60);
    ASSERT_TRUE(plan);
    EXPECT_EQ(info.decodedFrames, plan->frameCount);
    EXPECT_EQ(project.Picture().Map().data, activeMap);

    // A cancelled video leaves nothing behind.
    observer.cancelAfter = observer.checks + 3;
    EXPECT_EQ(big.WriteVideo(folder.Path("gone.mp4"), 30).status, VideoExportStatus::Cancelled);
    EXPECT_FALSE(Exists(folder.Path("gone.mp4")));
    EXPECT_EQ(project.Picture().Map().data, activeMap);
}
