#include <gtest/gtest.h>

#include "app/AppState.h"
#include "export/VideoExport.h"
#include "VideoTestSupport.h"

namespace {

TEST(VideoPlan, ContainerFollowsTheExtension)
{
    EXPECT_EQ(VideoContainerForPath("/tmp/a.wmv"), VideoContainer::Wmv);
    EXPECT_EQ(VideoContainerForPath("/tmp/a.MP4"), VideoContainer::Mp4);
    EXPECT_EQ(VideoContainerForPath("/tmp/a.WebM"), VideoContainer::WebM);
    EXPECT_EQ(VideoContainerForPath("/tmp/mp4"), VideoContainer::Wmv);
    EXPECT_EQ(VideoContainerForPath("/tmp/x.webm/a"), VideoContainer::Wmv);
}

TEST(VideoPlan, FrameCountAndTimeSteps)
{
    // 60 animation frames at speed 30 and 30 video frames per second: one video frame each.
    const auto same = PlanVideoExport(VideoContainer::Wmv, 300, 200, 60, 30);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->fps, 30);
    EXPECT_EQ(same->frameCount, 60);
    EXPECT_EQ(VideoFrameSubFrame(1, same->timeStep), 64);
    EXPECT_EQ(VideoFrameSubFrame(59, same->timeStep), 59 * 64);
    // Speed 15: 120 video frames, each animation frame shown twice (steps of 32 sub-frames).
    const auto slow = PlanVideoExport(VideoContainer::Wmv, 300, 200, 60, 15);
    ASSERT_TRUE(slow);
    EXPECT_EQ(slow->frameCount, 120);
    EXPECT_EQ(VideoFrameSubFrame(1, slow->timeStep), 32);
    EXPECT_EQ(VideoFrameSubFrame(3, slow->timeStep), 96);
    EXPECT_EQ(VideoFrameSubFrame(119, slow->timeStep), 119 * 32);
    // 29 frames per second: N = 29 x 10 / 30 = 9 (truncated), steps of 30/29 frames truncated.
    const auto ntsc = PlanVideoExport(VideoContainer::Wmv, 412, 300, 10, 30);
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(ntsc->fps, 29);
    EXPECT_EQ(ntsc->frameCount, 9);
    EXPECT_EQ(VideoFrameSubFrame(1, ntsc->timeStep), 66);   // 64 x 30 / 29 = 66.2
    EXPECT_EQ(VideoFrameSubFrame(8, ntsc->timeStep), 529);  // 512 x 30 / 29 = 529.66
}

TEST(VideoPlan, SizesOfThePicturesWritten)
{
    const auto big = PlanVideoExport(VideoContainer::Wmv, 2000, 1500, 10, 30);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->entry.profileResource, 374);
    // The PAL entry is chosen by 720 x 576; its profile encodes square pixels at 768 x 576,
    // and the pictures have that size. The other entries' profiles encode their own size.
    EXPECT_EQ(big->width, 768);
    EXPECT_EQ(big->height, 576);
    const auto ntscSize = PlanVideoExport(VideoContainer::Wmv, 412, 300, 10, 30);
    ASSERT_TRUE(ntscSize);
    EXPECT_EQ(ntscSize->width, 640);
    EXPECT_EQ(ntscSize->height, 480);
    // The other containers keep the frame's own size, rounded down to even, and the table's timing.
    const auto mp4 = PlanVideoExport(VideoContainer::Mp4, 413, 301, 10, 30);
    ASSERT_TRUE(mp4);
    EXPECT_EQ(mp4->width, 412);
    EXPECT_EQ(mp4->height, 300);
    EXPECT_EQ(mp4->fps, 29);
    EXPECT_FALSE(PlanVideoExport(VideoContainer::WebM, 1, 100, 10, 30));
}

TEST(VideoPlan, NothingToWrite)
{
    EXPECT_FALSE(PlanVideoExport(VideoContainer::Wmv, 300, 200, 0, 30));
    EXPECT_FALSE(PlanVideoExport(VideoContainer::Wmv, 300, 200, 10, 0));
    EXPECT_FALSE(PlanVideoExport(VideoContainer::Wmv, 0, 200, 10, 30));
    // 25 x 1 / 60 rounds to no video frame at all.
    EXPECT_FALSE(PlanVideoExport(VideoContainer::Wmv, 2000, 1500, 1, 60));
}

TEST(VideoPlan, LetterboxKeepsProportionsCentred)
{
    // 2000 x 1500 into 720 x 576 is wider than the box: full width, 540 high, 18 rows above.
    const LetterboxRect wide = LetterboxInto(720, 576, 2000, 1500);
    EXPECT_EQ(wide.x, 0);
    EXPECT_EQ(wide.y, 18);
    EXPECT_EQ(wide.width, 720);
    EXPECT_EQ(wide.height, 540);
    // 412 x 300 into 640 x 480: 640 x 300 < 480 x 412, so full width, 466 high.
    const LetterboxRect work = LetterboxInto(640, 480, 412, 300);
    EXPECT_EQ(work.width, 640);
    EXPECT_EQ(work.height, 466);
    EXPECT_EQ(work.y, 7);
    // Tall pictures fill the height and are centred horizontally.
    const LetterboxRect tall = LetterboxInto(320, 240, 100, 200);
    EXPECT_EQ(tall.width, 120);
    EXPECT_EQ(tall.height, 240);
    EXPECT_EQ(tall.x, 100);
    // The same proportions fill the box.
    const LetterboxRect same = LetterboxInto(320, 240, 160, 120);
    EXPECT_EQ(same.width, 320);
    EXPECT_EQ(same.height, 240);
}

TEST(VideoPlan, LetterboxPictureScalesIntoBlackBars)
{
    const PackedPicture frame = videotest::RedOverBlue(400, 100);
    const PackedPicture boxed = LetterboxPicture(frame, 320, 240);
    ASSERT_EQ(boxed.Width(), 320);
    ASSERT_EQ(boxed.Height(), 240);
    // 400 x 100 fills the width: 80 rows, starting at row 80.
    const auto bgr = [&](int x, int y) {
        const uint8_t* p = boxed.Pixel(x, y);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(bgr(160, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(bgr(160, 79), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(bgr(160, 90), (std::array<int, 3>{0, 0, 255}));   // red in the top half
    EXPECT_EQ(bgr(160, 150), (std::array<int, 3>{255, 0, 0}));  // blue in the bottom half
    EXPECT_EQ(bgr(160, 160), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(bgr(160, 239), (std::array<int, 3>{0, 0, 0}));

    const PackedPicture cropped = CropPicture(videotest::RedOverBlue(5, 4), 4, 2);
    EXPECT_EQ(cropped.Width(), 4);
    EXPECT_EQ(cropped.Height(), 2);
    EXPECT_EQ(cropped.Pixel(3, 1)[2], 255);  // the top rows of the picture are kept
}

TEST(VideoPlan, TheSaveDialogListsEachFormatTheExportWrites)
{
    const UiLanguage language = App().m_language;
    for (const UiLanguage shown : {UiLanguage::English, UiLanguage::Chinese}) {
        App().m_language = shown;
        const QStringList parts = VideoFileFilter().split(QLatin1Char('|'));
        // Name and pattern pairs, then the empty end of the list.
        ASSERT_EQ(parts.size(), 8);
        EXPECT_EQ(parts.mid(6), QStringList({"", ""}));
        EXPECT_EQ(parts[1], "*.wmv");  // the first entry is the program's own format
        std::vector<VideoContainer> containers;
        for (int i = 0; i < 6; i += 2) {
            EXPECT_TRUE(parts[i].contains(parts[i + 1])) << parts[i].toStdString();
            containers.push_back(VideoContainerForPath("a" + parts[i + 1].mid(1).toStdString()));
        }
        EXPECT_EQ(containers,
                  (std::vector<VideoContainer>{VideoContainer::Wmv, VideoContainer::Mp4, VideoContainer::WebM}));
    }
    App().m_language = language;
}

}  // namespace
