// One render of a loop for several writers: every frame is rendered once, each file
// gets every frame in order, a writer that fails drops out alone, and a stop reaches
// every writer and leaves no file.

#include "export/ApngWriter.h"
#include "export/GifQuality.h"
#include "export/LoopFanOut.h"
#include "export/VideoLoopWriter.h"

#include "LoopTestSupport.h"

#include <gtest/gtest.h>

using namespace looptest;

namespace {

constexpr int kWidth = 64, kHeight = 48, kFrames = 6;

// Counts every render.
class CountingSource final : public FramesSource {
public:
    using FramesSource::FramesSource;
    const PackedPicture& RenderLoopFrame(int f) override
    {
        ++renders;
        return FramesSource::RenderLoopFrame(f);
    }
    int renders = 0;
};

std::vector<LoopOutput> ThreeOutputs(const giftest::TempDir& dir, const std::string& apngPath)
{
    std::vector<LoopOutput> outputs;
    outputs.push_back({dir.File("a.gif"), std::make_unique<GifQualityWriter>()});
    outputs.push_back({apngPath, std::make_unique<ApngWriter>()});
    outputs.push_back({dir.File("a.mp4"), std::make_unique<VideoLoopWriter>()});
    return outputs;
}

int FfprobeFrames(const std::string& file)
{
    const CommandResult run = RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=nb_read_frames -of csv=p=0 " +
        Quoted(file));
    return run.status == 0 ? std::atoi(run.output.c_str()) : -1;
}

}  // namespace

TEST(LoopFanOut, EveryFrameIsRenderedOnceForEveryWriterInOrder)
{
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(kWidth, kHeight, kFrames);
    WriteRaw(frames, dir.File("a.raw"));
    CountingSource source(frames);
    std::vector<LoopOutput> outputs = ThreeOutputs(dir, dir.File("a.apng"));
    const std::vector<LoopResult> results = WriteLoops(outputs, 12, source);
    ASSERT_EQ(results.size(), 3u);
    for (const LoopResult& result : results) {
        EXPECT_TRUE(result) << result.message;
        EXPECT_GT(result.bytes, 0u);
    }
    EXPECT_EQ(source.renders, kFrames);

    // The lossless APNG holds the frames exactly, in order; the video has every one.
    const std::vector<uint8_t> decoded = DecodeWithFfmpeg(dir.File("a.apng"), dir.File("a.decoded"));
    EXPECT_EQ(decoded, giftest::ReadBytes(dir.File("a.raw")));
    EXPECT_EQ(FfprobeFrames(dir.File("a.mp4")), kFrames);
    EXPECT_EQ(FfprobeFrames(dir.File("a.gif")), kFrames);
}

TEST(LoopFanOut, AFailingWriterDropsOutAloneAndAStopReachesEveryWriter)
{
    giftest::TempDir dir;
    {
        FramesSource source(SwirlFrames(kWidth, kHeight, kFrames));
        std::vector<LoopOutput> outputs = ThreeOutputs(dir, dir.File("missing/a.apng"));
        const std::vector<LoopResult> results = WriteLoops(outputs, 12, source);
        EXPECT_TRUE(results[0]) << results[0].message;
        EXPECT_EQ(results[1].status, LoopStatus::WriteFailed);
        EXPECT_NE(results[1].message.find("missing/a.apng"), std::string::npos) << results[1].message;
        EXPECT_TRUE(results[2]) << results[2].message;
        EXPECT_EQ(dir.EntryCount(), 2);
        std::filesystem::remove(dir.File("a.gif"));
        std::filesystem::remove(dir.File("a.mp4"));
    }
    FramesSource source(SwirlFrames(kWidth, kHeight, 20));
    source.stopAfter = 3;
    std::vector<LoopOutput> outputs = ThreeOutputs(dir, dir.File("a.apng"));
    const std::vector<LoopResult> results = WriteLoops(outputs, 12, source);
    for (const LoopResult& result : results)
        EXPECT_EQ(result.status, LoopStatus::Stopped) << result.message;
    EXPECT_LT(source.rendered, 20);
    EXPECT_EQ(dir.EntryCount(), 0);
}

// The high-quality GIF codes every frame again at its end: progress counts that work
// too, so it reaches its total only when the file is written, and never goes back.
TEST(LoopFanOut, ProgressCountsTheFramesAWriterCodesAtItsEnd)
{
    struct ProgressSource final : FramesSource {
        using FramesSource::FramesSource;
        void Progress(int done, int total) override { steps.push_back({done, total}); }
        std::vector<std::pair<int, int>> steps;
    };
    giftest::TempDir dir;
    ProgressSource source(SwirlFrames(kWidth, kHeight, kFrames));
    std::vector<LoopOutput> outputs;
    outputs.push_back({dir.File("a.gif"), std::make_unique<GifQualityWriter>()});
    outputs.push_back({dir.File("a.apng"), std::make_unique<ApngWriter>()});
    const std::vector<LoopResult> results = WriteLoops(outputs, 12, source);
    ASSERT_TRUE(results.at(0)) << results[0].message;
    ASSERT_TRUE(results.at(1)) << results[1].message;

    ASSERT_FALSE(source.steps.empty());
    const int total = 2 * kFrames;  // rendering, then the GIF's coding at its end
    EXPECT_EQ(source.steps.front(), std::make_pair(0, total));
    EXPECT_EQ(source.steps.back(), std::make_pair(total, total));
    for (size_t i = 1; i < source.steps.size(); ++i) {
        EXPECT_EQ(source.steps[i].second, total);
        EXPECT_GT(source.steps[i].first, source.steps[i - 1].first);
    }
}

// A writer that fails at its third frame and leaves its partial file until it is
// abandoned: the fan-out abandons it at once, while it is still alive.
TEST(LoopFanOut, AFailedWriterIsAbandonedAndItsPartialFileRemoved)
{
    class LeavingWriter final : public LoopWriter {
    public:
        LoopResult Begin(const std::string& path, const LoopShape&) override
        {
            m_path = path;
            std::ofstream(path) << "partial";
            return {};
        }
        LoopResult AddFrame(const PackedPicture&) override
        {
            return ++m_frames < 3 ? LoopResult{} : LoopResult::Fail(LoopStatus::EncodeFailed, "refused");
        }
        LoopResult Finish() override { return {}; }
        void Abandon() override
        {
            if (!m_path.empty())
                std::filesystem::remove(m_path);
            ++abandoned;
        }
        int abandoned = 0;

    private:
        std::string m_path;
        int m_frames = 0;
    };
    giftest::TempDir dir;
    FramesSource source(SwirlFrames(kWidth, kHeight, kFrames));
    std::vector<LoopOutput> outputs;
    auto leaving = std::make_unique<LeavingWriter>();
    const LeavingWriter& writer = *leaving;
    outputs.push_back({dir.File("a.part"), std::move(leaving)});
    outputs.push_back({dir.File("a.apng"), std::make_unique<ApngWriter>()});
    const std::vector<LoopResult> results = WriteLoops(outputs, 12, source);
    EXPECT_EQ(results.at(0).status, LoopStatus::EncodeFailed);
    EXPECT_TRUE(results.at(1)) << results[1].message;
    EXPECT_EQ(writer.abandoned, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.part")));
    EXPECT_EQ(dir.EntryCount(), 1);
}
