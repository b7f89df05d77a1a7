// MP4 and WebM at the loop's own speed, read back with FFmpeg's own demuxer: every
// frame starts exactly at k / fps, the loop is there as many times as asked, key
// frames stand only every two seconds, and a flat colour keeps its level.

#include "export/VideoLoopWriter.h"

#include "LoopTestSupport.h"
#include "VideoTestSupport.h"

#include <gtest/gtest.h>

#include <QString>

using namespace looptest;

namespace {

// Eight frames of a moving photograph, then eight of another picture altogether: a
// scene change in the middle of the loop, and another where the loop starts again.
std::vector<PackedPicture> LoopWithACut(int width, int height)
{
    std::vector<PackedPicture> frames = SwirlFrames(width, height, 8);
    for (int k = 0; k < 8; ++k) {
        PackedPicture other = videotest::RedOverBlue(width, height);
        for (int y = 0; y < 8; ++y)
            for (int x = 8 * k; x < 8 * k + 8 && x < width; ++x)
                giftest::SetPixel(other, x, y, 255, 255, 255);
        frames.push_back(std::move(other));
    }
    return frames;
}

videotest::VideoInfo WriteAndRead(const giftest::TempDir& dir, const std::string& name, VideoLoopOptions options,
                                  const std::vector<PackedPicture>& frames, int fps)
{
    VideoLoopWriter writer(options);
    FramesSource source(frames);
    const std::string path = dir.File(name);
    const LoopResult result = WriteLoop(writer, path, fps, source);
    EXPECT_TRUE(result) << result.message;
    return videotest::ReadVideo(QString::fromStdString(path));
}

}  // namespace

TEST(VideoLoop, FramesStartExactlyOnTimeWithKeyFramesOnlyEveryTwoSeconds)
{
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = LoopWithACut(64, 48);
    const int fps = 12;  // 16 frames a loop, played 3 times: 4 s, key frames at 0 and 2 s
    for (const auto& [name, codec] : {std::pair{"a.mp4", VideoCodec::H264}, std::pair{"a.webm", VideoCodec::Vp9}}) {
        SCOPED_TRACE(name);
        const videotest::VideoInfo info = WriteAndRead(dir, name, VideoLoopOptions{codec, -1, 3}, frames, fps);
        ASSERT_TRUE(info.opened);
        EXPECT_EQ(info.decodedFrames, 48);
        ASSERT_EQ(info.pts.size(), 48u);
        for (int k = 0; k < 48; ++k)
            ASSERT_EQ(info.pts[size_t(k)], videotest::ExactFrameTime(k, fps, info.timeBase))
                << "frame " << k << " in " << info.timeBase.num << "/" << info.timeBase.den;
        // No key frame at the cuts (frames 8, 16, 24, ...): only at 0 and 24 (2 s).
        EXPECT_EQ(info.keyFrames, (std::vector<int>{0, 24}));
        if (codec == VideoCodec::H264) {
            // 1/12 s is 1024 ticks of the MP4's 1/12288 s, and the rate says 12 exactly.
            EXPECT_EQ(info.timeBase.den % 12, 0);
            EXPECT_EQ(info.avgFrameRate.num, 12);
            EXPECT_EQ(info.avgFrameRate.den, 1);
        }
    }
}

TEST(VideoLoop, EachLoopIsThereAsManyTimesAsAsked)
{
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(32, 32, 5);
    for (const int loops : {1, 2, 4}) {
        SCOPED_TRACE(loops);
        const videotest::VideoInfo info = WriteAndRead(dir, "l" + std::to_string(loops) + ".mp4",
                                                       VideoLoopOptions{VideoCodec::H264, 18, loops}, frames, 10);
        EXPECT_EQ(info.decodedFrames, 5 * loops);
        EXPECT_EQ(info.pts.size(), size_t(5 * loops));
    }
}

// A clear sky blue: the conversion to YUV and back loses no more than one level in
// any channel (the fast conversion made red and blue a level or two low).
TEST(VideoLoop, AFlatSkyBlueComesBackWithinOneLevel)
{
    giftest::TempDir dir;
    PackedPicture sky(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            giftest::SetPixel(sky, x, y, 135, 206, 235);
    for (const char* name : {"sky.mp4", "sky.webm"}) {
        SCOPED_TRACE(name);
        const videotest::VideoInfo info = WriteAndRead(dir, name, VideoLoopOptions{}, {sky, sky}, 24);
        ASSERT_EQ(info.firstFrame.size(), size_t(64 * 48));
        for (const int x : {0, 17, 32, 63})
            for (const int y : {0, 23, 47}) {
                const videotest::Rgb c = info.At(x, y);
                EXPECT_NEAR(c.r, 135, 1) << x << "," << y;
                EXPECT_NEAR(c.g, 206, 1) << x << "," << y;
                EXPECT_NEAR(c.b, 235, 1) << x << "," << y;
            }
    }
}
