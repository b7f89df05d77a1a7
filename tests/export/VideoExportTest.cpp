#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <dirent.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>

#include "export/VideoExport.h"
#include "VideoTestSupport.h"
#include "support/SmallDisk.h"

namespace {

using videotest::FilesIn;
using videotest::ReadText;
using videotest::ReadVideo;
using videotest::SampleTimes;
using videotest::SyntheticSource;
using videotest::VideoInfo;
using videotest::WriteText;

// Passes frames to a real writer, but refuses chosen ones as a failing encoder would.
class RefusingWriter : public IVideoSampleWriter {
public:
    RefusingWriter(std::unique_ptr<IVideoSampleWriter> real, int refuseWidth, int refuseFrame)
            : m_real(std::move(real)), m_refuseWidth(refuseWidth), m_refuseFrame(refuseFrame)
    {}
    int WriteFrame(const PackedPicture& bitmap) override
    {
        if (bitmap.Width() == m_refuseWidth || m_frames == m_refuseFrame) {
            m_error = "Unable to Write Frame";
            return 1;
        }
        ++m_frames;
        return m_real->WriteFrame(bitmap);
    }
    bool Close() override { return m_real->Close() && m_error.empty(); }
    bool Stopped() const override { return m_real->Stopped(); }
    std::string ErrorText() const override { return m_error.empty() ? m_real->ErrorText() : m_error; }
    std::string EncoderName() const override { return m_real->EncoderName(); }

private:
    std::unique_ptr<IVideoSampleWriter> m_real;
    int m_refuseWidth;
    int m_refuseFrame;
    int m_frames = 0;
    std::string m_error;
};

class VideoExportTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    std::string File(const char* name) const { return Path(name).toStdString(); }

    // A factory whose writers refuse frames of `refuseWidth` or the frame numbered `refuseFrame`.
    VideoWriterFactory Refusing(int refuseWidth, int refuseFrame = -1)
    {
        return [this, refuseWidth, refuseFrame](const VideoWriterRequest& request) {
            requests.push_back(request);
            return std::make_unique<RefusingWriter>(OpenVideoWriter(request), refuseWidth, refuseFrame);
        };
    }

    QTemporaryDir m_dir;
    std::vector<VideoWriterRequest> requests;
};

TEST_F(VideoExportTest, WmvFrameTimesSizeAndLetterbox)
{
    // 300 x 200 uses the 320 x 240 entry at 30 frames per second: 30 x 3 / 10 = 9 frames.
    SyntheticSource source(300, 200, 3);
    const VideoExportResult result = WriteVideo(File("anim.wmv"), 10, source);
    ASSERT_EQ(result.status, VideoExportStatus::Ok) << result.error;
    EXPECT_EQ(result.framesWritten, 9);
    EXPECT_EQ(result.encoder, "wmv2");
    // The animation advances a third of a frame per video frame.
    EXPECT_EQ(source.subFrames, (std::vector<int>{0, 21, 42, 64, 85, 106, 128, 149, 170}));
    EXPECT_EQ(source.shown, 9);
    EXPECT_EQ(source.progress.front(), std::make_pair(0, 9));
    EXPECT_EQ(source.progress.back(), std::make_pair(9, 9));  // full once the file is complete

    const VideoInfo info = ReadVideo(Path("anim.wmv"));
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.container, "asf");
    EXPECT_EQ(info.codec, "wmv2");
    EXPECT_EQ(info.streams, 1);
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.height, 240);
    EXPECT_EQ(info.decodedFrames, 9);
    EXPECT_EQ(info.ptsMs, SampleTimes(9, 30));
    EXPECT_NEAR(info.frameRate, 30.0, 0.5);
    // 300 x 200 in 320 x 240: 213 rows high from row 13, red above blue, black bars.
    EXPECT_LT(info.At(160, 4).r + info.At(160, 4).g + info.At(160, 4).b, 60);
    EXPECT_GT(info.At(160, 60).r, 180);
    EXPECT_LT(info.At(160, 60).b, 80);
    EXPECT_GT(info.At(160, 180).b, 180);
    EXPECT_LT(info.At(160, 180).r, 80);
    EXPECT_LT(info.At(160, 236).r + info.At(160, 236).g + info.At(160, 236).b, 60);
    EXPECT_EQ(FilesIn(m_dir.path()), QStringList{"anim.wmv"});  // no temporary file left
}

TEST_F(VideoExportTest, Mp4AndWebmKeepTheFrameSize)
{
    struct Case {
        const char* name;
        const char* container;
        std::vector<std::string> codecs;
    };
    const Case cases[] = {
        {"anim.MP4", "mov,mp4,m4a,3gp,3g2,mj2", {"h264", "mpeg4"}},
        {"anim.webm", "matroska,webm", {"vp9", "libvpx-vp9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 413 x 301 has the 640 x 480 entry's timing (29 frames per second): 29 x 4 / 15 = 7 frames.
        SyntheticSource source(413, 301, 4);
        const VideoExportResult result = WriteVideo(File(c.name), 15, source);
        ASSERT_EQ(result.status, VideoExportStatus::Ok) << result.error;
        EXPECT_EQ(result.width, 412);
        EXPECT_EQ(result.height, 300);
        const VideoInfo info = ReadVideo(Path(c.name));
        ASSERT_TRUE(info.opened);
        EXPECT_EQ(info.container, c.container);
        EXPECT_NE(std::find(c.codecs.begin(), c.codecs.end(), info.codec), c.codecs.end()) << info.codec;
        if (result.encoder == "libx264") {
            EXPECT_EQ(info.codec, "h264");
        }
        EXPECT_EQ(info.width, 412);
        EXPECT_EQ(info.height, 300);
        EXPECT_EQ(info.decodedFrames, 7);
        // Every frame starts at exactly k / 29 s, where the container's time base can say so.
        ASSERT_EQ(info.pts.size(), 7u);
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(info.pts[size_t(k)], videotest::ExactFrameTime(k, 29, info.timeBase)) << k;
        EXPECT_NEAR(info.frameRate, 29.0, 1.0);
        EXPECT_GT(info.At(200, 50).r, 180);
        EXPECT_GT(info.At(200, 250).b, 180);
    }
}

TEST_F(VideoExportTest, PalVideosKeepSquarePixels)
{
    // A 2000 x 1500 white picture with a black 600 x 600 square in its middle: in the
    // 768 x 576 file the square is 230 x 230, not stretched wider.
    PackedPicture picture(2000, 1500);
    for (int y = 0; y < 1500; ++y) {
        for (int x = 0; x < 2000; ++x) {
            const bool square = std::abs(x - 1000) < 300 && std::abs(y - 750) < 300;
            std::fill_n(picture.Pixel(x, y), 3, square ? 0 : 255);
        }
    }
    SyntheticSource source(std::move(picture), 1);
    const VideoExportResult result = WriteVideo(File("square.wmv"), 25, source);
    ASSERT_EQ(result.status, VideoExportStatus::Ok) << result.error;
    EXPECT_EQ(result.width, 768);
    EXPECT_EQ(result.height, 576);
    const VideoInfo info = ReadVideo(Path("square.wmv"));
    ASSERT_EQ(info.width, 768);
    ASSERT_EQ(info.height, 576);
    const auto dark = [&](int x, int y) { return info.At(x, y).g < 128; };
    int wide = 0, high = 0;
    for (int x = 0; x < info.width; ++x)
        wide += dark(x, info.height / 2) ? 1 : 0;
    for (int y = 0; y < info.height; ++y)
        high += dark(info.width / 2, y) ? 1 : 0;
    EXPECT_NEAR(wide, 230, 3);
    EXPECT_NEAR(high, 230, 3);
    // The picture fills the frame: no bars at the sides.
    EXPECT_FALSE(dark(2, 288));
    EXPECT_FALSE(dark(765, 288));
}

TEST_F(VideoExportTest, RefusedFirstPalFrameFallsBackTo640x480)
{
    // 2000 x 1500 fits no entry: PAL profile at 25 frames per second, 25 x 2 / 25 = 2 frames.
    SyntheticSource source(2000, 1500, 2);
    const VideoExportResult result = WriteVideo(File("big.wmv"), 25, source, Refusing(768));
    ASSERT_EQ(result.status, VideoExportStatus::Ok) << result.error;
    // The pictures are 640 x 480 now; the file keeps the profile's size.
    EXPECT_EQ(result.width, 768);
    EXPECT_EQ(result.height, 576);
    // The writer is opened again for the smaller pictures; the profile and frame rate stay.
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].profileXml, LoadWmvProfileText(374));
    EXPECT_EQ(requests[1].fps, 25);
    EXPECT_EQ(source.subFrames.size(), 2u);  // the refused frame is not rendered again

    const VideoInfo info = ReadVideo(Path("big.wmv"));
    EXPECT_EQ(info.width, 768);  // the PAL profile's encoded size
    EXPECT_EQ(info.height, 576);
    EXPECT_EQ(info.decodedFrames, 2);
    EXPECT_EQ(info.ptsMs, (std::vector<int64_t>{0, 40}));
}

TEST_F(VideoExportTest, RefusedFirstFrameWithoutSmallerSizeFails)
{
    ASSERT_TRUE(WriteText(Path("old.wmv"), "keep me"));
    SyntheticSource source(412, 300, 2);
    const VideoExportResult result = WriteVideo(File("old.wmv"), 30, source, Refusing(640));
    EXPECT_EQ(result.status, VideoExportStatus::Failed);
    EXPECT_EQ(result.error, "Unable to Write Frame");
    EXPECT_EQ(requests.size(), 1u);  // 640 x 480 has no fallback
    EXPECT_EQ(ReadText(Path("old.wmv")), "keep me");
    EXPECT_EQ(FilesIn(m_dir.path()), QStringList{"old.wmv"});
}

TEST_F(VideoExportTest, FailureAfterTheFirstFrameStopsAndKeepsTheOldFile)
{
    ASSERT_TRUE(WriteText(Path("old.wmv"), "keep me"));
    SyntheticSource source(300, 200, 10);
    const VideoExportResult result = WriteVideo(File("old.wmv"), 30, source, Refusing(0, 3));
    EXPECT_EQ(result.status, VideoExportStatus::Failed);
    EXPECT_EQ(result.error, "Unable to Write Frame");
    EXPECT_EQ(source.subFrames.size(), 4u);  // stops at the refused frame
    EXPECT_EQ(ReadText(Path("old.wmv")), "keep me");
    EXPECT_EQ(FilesIn(m_dir.path()), QStringList{"old.wmv"});
}

TEST_F(VideoExportTest, CancelDeletesTheFileBeingWritten)
{
    ASSERT_TRUE(WriteText(Path("old.webm"), "keep me"));
    SyntheticSource source(64, 48, 30);
    source.cancelAfterFrames = 3;
    const VideoExportResult result = WriteVideo(File("old.webm"), 30, source);
    EXPECT_EQ(result.status, VideoExportStatus::Cancelled);
    EXPECT_EQ(source.subFrames.size(), 3u);
    EXPECT_EQ(ReadText(Path("old.webm")), "keep me");
    EXPECT_EQ(FilesIn(m_dir.path()), QStringList{"old.webm"});

    SyntheticSource fresh(64, 48, 30);
    fresh.cancelAfterFrames = 1;
    EXPECT_EQ(WriteVideo(File("new.wmv"), 30, fresh).status, VideoExportStatus::Cancelled);
    EXPECT_FALSE(QFile::exists(Path("new.wmv")));
}

TEST_F(VideoExportTest, SuccessReplacesAnExistingFile)
{
    ASSERT_TRUE(WriteText(Path("old.wmv"), "old"));
    SyntheticSource source(300, 200, 1);
    ASSERT_EQ(WriteVideo(File("old.wmv"), 30, source).status, VideoExportStatus::Ok);
    EXPECT_EQ(ReadVideo(Path("old.wmv")).decodedFrames, 1);
    EXPECT_EQ(FilesIn(m_dir.path()), QStringList{"old.wmv"});
}

TEST_F(VideoExportTest, AFullDiskFailsAndKeepsTheOldFile)
{
    testsupport::SmallDisk disk;
    if (!disk.Available())
        GTEST_SKIP() << "no file system of our own can be mounted here";
    const std::string path = disk.Path("old.wmv");
    ASSERT_TRUE(WriteText(QString::fromStdString(path), "keep me"));
    // All but 8 KiB of the disk taken: less than the video's header and first frames.
    struct statvfs space {};
    ASSERT_EQ(::statvfs(disk.Path("").c_str(), &space), 0);
    ASSERT_TRUE(WriteText(QString::fromStdString(disk.Path("filler")),
                          QByteArray(qsizetype(space.f_bavail * space.f_frsize) - 8192, 'x')));
    for (const char* name : {"new.wmv", "old.wmv"}) {
        SyntheticSource source(300, 200, 60);
        const VideoExportResult result = WriteVideo(disk.Path(name), 30, source);
        EXPECT_EQ(result.status, VideoExportStatus::Failed) << name;
    }
    EXPECT_EQ(ReadText(QString::fromStdString(path)), "keep me");
    EXPECT_EQ(FilesIn(QString::fromStdString(disk.Path(""))), (QStringList{"filler", "old.wmv"}));
}

TEST_F(VideoExportTest, ANameThatIsNotUtf8KeepsItsBytes)
{
    const std::string folder = m_dir.path().toStdString() + "/";
    const std::vector<std::string> names = {"clip\xe9.wmv", "clip\xff\xfe.mp4", "clip\x80.webm"};
    for (const std::string& name : names) {
        SyntheticSource source(64, 48, 2);
        const VideoExportResult result = WriteVideo(folder + name, 30, source);
        EXPECT_EQ(result.status, VideoExportStatus::Ok) << result.error;
    }
    std::vector<std::string> written;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                written.push_back(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"clip\x80.webm", "clip\xe9.wmv", "clip\xff\xfe.mp4"}));
}

TEST_F(VideoExportTest, BadRequestsFailWithoutWriting)
{
    SyntheticSource source(300, 200, 10);
    EXPECT_EQ(WriteVideo(File("a.wmv"), 0, source).error, "Invalid Speed");
    SyntheticSource empty(300, 200, 0);
    EXPECT_EQ(WriteVideo(File("a.wmv"), 30, empty).error, "No Frames to Write");
    SyntheticSource thin(1, 200, 10);
    EXPECT_EQ(WriteVideo(File("a.mp4"), 30, thin).error, "Picture or Animation Too Small for Video");
    const VideoExportResult missing = WriteVideo(File("no/such/folder/a.wmv"), 30, source);
    EXPECT_EQ(missing.status, VideoExportStatus::Failed);
    EXPECT_EQ(missing.error, "Unable to Create Output File");
    EXPECT_TRUE(FilesIn(m_dir.path()).isEmpty());
    EXPECT_TRUE(source.subFrames.empty());
}

}  // namespace
