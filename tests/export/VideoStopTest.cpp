// The video export's progress and stop, against an encoder stand-in that gives
// frames back late (as encoders with a look-ahead do) and that holds on to a frame
// or to its flush until it is told to stop.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "export/VideoExport.h"
#include "VideoTestSupport.h"

namespace {

using videotest::EncoderLog;
using videotest::FilesIn;
using videotest::ReadText;
using videotest::StandInEncoder;
using videotest::SyntheticSource;
using videotest::WriteText;

class VideoStopTest : public ::testing::Test {
protected:
    std::string File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)).toStdString(); }

    VideoWriterFactory StandIn(int lag, StandInEncoder::Hold hold = StandInEncoder::Hold::Nothing, int holdFrame = 0)
    {
        StandInEncoder::Options options;
        options.lag = lag;
        options.hold = hold;
        options.holdFrame = holdFrame;
        return videotest::StandInFactory(options, log);
    }

    QTemporaryDir m_dir;
    EncoderLog log;
};

TEST_F(VideoStopTest, TheBarFollowsTheFramesGivenBackAndEndsWhenTheFileIsClosed)
{
    // 64 x 48 at speed 30: the 320 x 240 entry's 30 frames per second, 10 video frames.
    SyntheticSource source(64, 48, 10);
    int mostBeforeClose = 0;
    source.onProgress = [&](int done, int total) {
        EXPECT_EQ(total, 10);
        EXPECT_LE(done, log.given) << "ahead of the encoder";
        if (!log.closed)
            mostBeforeClose = std::max(mostBeforeClose, done);
    };
    const VideoExportResult result = WriteVideo(File("clip.webm"), 30, source, StandIn(4));
    ASSERT_EQ(result.status, VideoExportStatus::Ok) << result.error;
    EXPECT_TRUE(log.closed);
    EXPECT_EQ(log.given, 10);
    // Six frames come back while writing, four in the flush; the end only once the file is complete.
    EXPECT_EQ(mostBeforeClose, 9);
    EXPECT_EQ(source.progress.back(), std::make_pair(10, 10));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(File("clip.webm"))));
}

TEST_F(VideoStopTest, AKeyWhileTheEncoderWorksStopsThereAndDeletesTheFile)
{
    struct Case {
        const char* phase;
        StandInEncoder::Hold hold;
        int rendered;  // frames rendered before the stop
        int given;     // frames given back before the stop
    };
    // Held at frame 4: five frames taken, none given back yet (lag 4). Held in the
    // flush: all ten taken, six given back.
    const Case cases[] = {
        {"frame", StandInEncoder::Hold::Frame, 5, 0},
        {"flush", StandInEncoder::Hold::Flush, 10, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase);
        log = EncoderLog();
        ASSERT_TRUE(WriteText(m_dir.filePath("old.mp4"), "keep me"));
        SyntheticSource source(64, 48, 10);
        // The key arrives while the encoder is busy.
        source.cancelWhen = [this]() { return log.holding; };
        const VideoExportResult result = WriteVideo(File("old.mp4"), 30, source, StandIn(4, c.hold, 4));
        EXPECT_EQ(result.status, VideoExportStatus::Cancelled) << result.error;
        EXPECT_TRUE(log.stopped);
        EXPECT_FALSE(log.closed);
        EXPECT_EQ(int(source.subFrames.size()), c.rendered);
        EXPECT_EQ(log.given, c.given);
        EXPECT_EQ(log.givenAfterStop, 0);
        EXPECT_LT(source.progress.back().first, 10);
        EXPECT_EQ(ReadText(m_dir.filePath("old.mp4")), "keep me");
        EXPECT_EQ(FilesIn(m_dir.path()), QStringList{"old.mp4"});
    }
}

}  // namespace
