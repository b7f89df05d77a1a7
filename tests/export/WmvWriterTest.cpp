#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "export/WmvWriter.h"
#include "VideoTestSupport.h"

namespace {

using videotest::ReadVideo;
using videotest::RedOverBlue;

// Stops when told to; records what the writer reported.
class RecordingMonitor : public VideoWriteMonitor {
public:
    bool StopRequested() override
    {
        ++polls;
        return stop;
    }
    void FramesEncoded(int frames) override { encoded.push_back(frames); }

    bool stop = false;
    int polls = 0;
    std::vector<int> encoded;
};

// VP9 with its look-ahead: the encoder holds frames until the flush.
VideoEncodingSettings LookAheadSettings()
{
    VideoEncodingSettings settings;
    settings.muxer = "webm";
    settings.encoders = {{"libvpx-vp9", {{"deadline", "good"}, {"cpu-used", "8"}, {"lag-in-frames", "16"}}, 0}};
    settings.width = 64;
    settings.height = 48;
    return settings;
}

class WmvWriterTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    std::string File(const char* name) const { return Path(name).toStdString(); }

    // Twelve frames to a.webm through the look-ahead encoder, with `monitor` attached.
    void WriteLookAhead(CWmvWriter& writer, RecordingMonitor& monitor)
    {
        writer.SetMonitor(&monitor);
        ASSERT_TRUE(writer.OpenWith(File("a.webm"), LookAheadSettings(), 25)) << writer.ErrorText();
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(writer.WriteFrame(RedOverBlue(64, 48)), 0) << writer.ErrorText();
    }

    QTemporaryDir m_dir;
};

TEST_F(WmvWriterTest, UnopenedWriterFailsEveryFrame)
{
    CWmvWriter writer;
    EXPECT_EQ(writer.ErrorText(), "Method Succeeded");
    EXPECT_EQ(writer.State(), CWmvWriter::kStateUnusable);
    EXPECT_NE(writer.WriteFrame(RedOverBlue(320, 240)), 0);
    EXPECT_EQ(writer.ErrorText(), "Writer Is Not Open");
    EXPECT_FALSE(writer.Close());
}

TEST_F(WmvWriterTest, EachFailingOpeningStepHasItsText)
{
    const QByteArray good = LoadWmvProfileText(376);
    struct Case {
        QByteArray profile;
        std::string path;
        const char* text;
    };
    QByteArray otherVersion = good;
    otherVersion.replace("version=\"589824\"", "version=\"524288\"");
    const QByteArray audioOnly =
        "<profile version=\"589824\"><streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\"/>"
        "</profile>";
    const Case cases[] = {
        {"not a profile", File("a.wmv"), "Unable to Load System Profile"},
        {otherVersion, File("a.wmv"), "Unable to Set System Profile Version"},
        {audioOnly, File("a.wmv"), "Profile Does not Accept Video input"},
        {good, std::string(), "Unable to Convert Output Filename"},
        {good, File("missing/folder/a.wmv"), "Unable to Set Output Filename"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CWmvWriter writer;
        EXPECT_FALSE(writer.Open(c.path, c.profile, 30));
        EXPECT_EQ(writer.State(), CWmvWriter::kStateUnusable);
        EXPECT_EQ(writer.ErrorText(), c.text);
        // The first frame fails at once and keeps the text of the step that failed.
        EXPECT_NE(writer.WriteFrame(RedOverBlue(320, 240)), 0);
        EXPECT_EQ(writer.ErrorText(), c.text);
    }
}

TEST_F(WmvWriterTest, StatesAndSampleTimes)
{
    CWmvWriter writer;
    ASSERT_TRUE(writer.Open(File("a.wmv"), LoadWmvProfileText(376), 30)) << writer.ErrorText();
    EXPECT_EQ(writer.State(), CWmvWriter::kStateOpen);
    EXPECT_EQ(writer.ErrorText(), "Method Succeeded");
    const PackedPicture frame = RedOverBlue(320, 240);
    const int64_t expectedMs[] = {33, 66, 100, 133};
    for (int64_t ms : expectedMs) {
        ASSERT_EQ(writer.WriteFrame(frame), 0) << writer.ErrorText();
        EXPECT_EQ(writer.State(), CWmvWriter::kStateWriting);
        EXPECT_EQ(writer.NextSampleTimeMs(), ms);
        EXPECT_EQ(writer.NextSampleTime100ns(), ms * 10000);
    }
    EXPECT_EQ(writer.FramesWritten(), 4);
    EXPECT_EQ(writer.EncoderName(), "wmv2");
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(writer.State(), CWmvWriter::kStateUnusable);
    EXPECT_FALSE(writer.Close());  // a second close has nothing to finish

    const videotest::VideoInfo info = ReadVideo(Path("a.wmv"));
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.container, "asf");
    EXPECT_EQ(info.codec, "wmv2");
    EXPECT_EQ(info.streams, 1);  // no audio samples, no audio stream
    EXPECT_EQ(info.decodedFrames, 4);
    EXPECT_EQ(info.ptsMs, (std::vector<int64_t>{0, 33, 66, 100}));
}

TEST_F(WmvWriterTest, FailuresWhileWritingReleaseEverything)
{
    CWmvWriter writer;
    ASSERT_TRUE(writer.Open(File("a.wmv"), LoadWmvProfileText(376), 30));
    PackedPicture deep = RedOverBlue(320, 240);
    deep.Header().biBitCount = 32;
    EXPECT_NE(writer.WriteFrame(deep), 0);
    EXPECT_EQ(writer.ErrorText(), "Unable to Set Media Type");
    EXPECT_EQ(writer.State(), CWmvWriter::kStateUnusable);

    ASSERT_TRUE(writer.Open(File("b.wmv"), LoadWmvProfileText(376), 30));
    ASSERT_EQ(writer.WriteFrame(RedOverBlue(320, 240)), 0);
    EXPECT_NE(writer.WriteFrame(RedOverBlue(160, 120)), 0);
    EXPECT_EQ(writer.ErrorText(), "Frame Does not Match Input Size");
    EXPECT_EQ(writer.State(), CWmvWriter::kStateUnusable);
    EXPECT_NE(writer.WriteFrame(RedOverBlue(320, 240)), 0);  // every later frame fails too
    EXPECT_FALSE(writer.Close());
}

TEST_F(WmvWriterTest, FirstAvailableEncoderIsUsed)
{
    // As when no H.264 encoder is installed: the next choice writes the file.
    VideoEncodingSettings settings;
    settings.muxer = "mp4";
    settings.encoders = {{"no-such-encoder", {}, 0}, {"mpeg4", {}, 3}};
    settings.width = 64;
    settings.height = 48;
    CWmvWriter writer;
    ASSERT_TRUE(writer.OpenWith(File("a.mp4"), settings, 25)) << writer.ErrorText();
    EXPECT_EQ(writer.EncoderName(), "mpeg4");
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(writer.WriteFrame(RedOverBlue(64, 48)), 0) << writer.ErrorText();
    ASSERT_TRUE(writer.Close());
    const videotest::VideoInfo info = ReadVideo(Path("a.mp4"));
    EXPECT_EQ(info.codec, "mpeg4");
    EXPECT_EQ(info.decodedFrames, 3);
    EXPECT_EQ(info.ptsMs, (std::vector<int64_t>{0, 40, 80}));

    settings.encoders = {{"no-such-encoder", {}, 0}};
    EXPECT_FALSE(writer.OpenWith(File("b.mp4"), settings, 25));
    EXPECT_EQ(writer.ErrorText(), "Unable to Set System Profile");
}

TEST_F(WmvWriterTest, FramesComeBackFromTheEncoderUntilTheFlushEnds)
{
    RecordingMonitor monitor;
    CWmvWriter writer;
    ASSERT_NO_FATAL_FAILURE(WriteLookAhead(writer, monitor));
    // The look-ahead keeps frames back: the export cannot count frames taken as done.
    const size_t beforeClose = monitor.encoded.size();
    EXPECT_LT(beforeClose, 12u);
    ASSERT_TRUE(writer.Close()) << writer.ErrorText();
    ASSERT_EQ(monitor.encoded.size(), 12u);
    for (size_t i = 0; i < monitor.encoded.size(); ++i)
        EXPECT_EQ(monitor.encoded[i], int(i) + 1);
    EXPECT_GT(monitor.polls, 12);  // asked between packets too, not only per frame
    EXPECT_FALSE(writer.Stopped());
    EXPECT_EQ(ReadVideo(Path("a.webm")).decodedFrames, 12);
}

TEST_F(WmvWriterTest, AStopDropsWhatTheEncoderHoldsAndWritesNothingMore)
{
    RecordingMonitor monitor;
    CWmvWriter writer;
    ASSERT_NO_FATAL_FAILURE(WriteLookAhead(writer, monitor));
    const std::vector<int> before = monitor.encoded;
    monitor.stop = true;
    EXPECT_FALSE(writer.Close());
    EXPECT_TRUE(writer.Stopped());
    EXPECT_EQ(writer.ErrorText(), "Writing Stopped");
    EXPECT_EQ(writer.State(), CWmvWriter::kStateUnusable);
    EXPECT_EQ(monitor.encoded, before);               // the flush gave nothing back
    EXPECT_FALSE(QFileInfo::exists(Path("a.webm")));  // the file the writer made is gone
    EXPECT_NE(writer.WriteFrame(RedOverBlue(64, 48)), 0);

    // A stop before a frame: the frame is not encoded.
    monitor = RecordingMonitor();
    ASSERT_TRUE(writer.Open(File("b.wmv"), LoadWmvProfileText(376), 30));
    ASSERT_EQ(writer.WriteFrame(RedOverBlue(320, 240)), 0);
    monitor.stop = true;
    EXPECT_NE(writer.WriteFrame(RedOverBlue(320, 240)), 0);
    EXPECT_TRUE(writer.Stopped());
    EXPECT_EQ(writer.FramesWritten(), 1);
}

}  // namespace
