// Animated WebP, APNG and AVIF, read back by decoders that are not ours: Pillow,
// FFmpeg and libwebp's own webpmux. What every loop writer does when it is stopped,
// when the disk is full, and with options out of range.

#include "export/ApngWriter.h"
#include "export/AvifWriter.h"
#include "export/GifQuality.h"
#include "export/VideoLoopWriter.h"
#include "export/WebpWriter.h"

#include "LoopTestSupport.h"
#include "support/SmallDisk.h"

#include <gtest/gtest.h>

#include <QDir>

#include <functional>
#include <numeric>
#include <regex>

using namespace looptest;

namespace {

constexpr int kWidth = 64, kHeight = 48, kFrames = 6;

struct Decoded {
    std::string file;
    std::string raw;  // the source frames, packed RGB
};

// Writes the frames with a writer at `fps` into the folder; the file and the raw frames.
Decoded WriteFrames(LoopWriter& writer, const giftest::TempDir& dir, const std::string& name,
                    const std::vector<PackedPicture>& frames, int fps)
{
    Decoded d{dir.File(name), dir.File(name + ".rgb")};
    WriteRaw(frames, d.raw);
    FramesSource source(frames);
    const LoopResult result = WriteLoop(writer, d.file, fps, source);
    EXPECT_TRUE(result) << result.message;
    EXPECT_EQ(result.bytes, giftest::ReadBytes(d.file).size());
    return d;
}

std::string Python()
{
    const std::optional<std::string> python = PythonWithPillow();
    return python ? *python : std::string();
}

int FirstNumberAfter(const std::string& text, const std::string& label)
{
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

// The durations column of `webpmux -info`.
std::vector<int> WebpmuxDurations(const std::string& info)
{
    std::vector<int> durations;
    const std::regex row(R"(^\s*\d+:\s+\d+\s+\d+\s+\w+\s+\d+\s+\d+\s+(\d+)\s)");
    std::istringstream lines(info);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, row))
            durations.push_back(std::stoi(m[1]));
    }
    return durations;
}

}  // namespace

TEST(WebpLoop, LossyAndLosslessReadBackWithTheirTimingAndLoop)
{
    if (!WebpAvailable())
        GTEST_SKIP() << "built without libwebp";
    const std::string python = Python();
    ASSERT_FALSE(python.empty()) << "Pillow is needed (scripts/install-deps installs python3-pil)";
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(kWidth, kHeight, kFrames);

    for (const bool lossless : {false, true}) {
        SCOPED_TRACE(lossless ? "lossless" : "lossy");
        WebpWriter writer(WebpOptions{lossless, 90, 4});
        const Decoded d = WriteFrames(writer, dir, lossless ? "l.webp" : "q.webp", frames, 24);
        const PillowView view = ReadWithPillow(python, d.file, d.raw);
        ASSERT_TRUE(view.error.empty()) << view.error;
        EXPECT_EQ(view.format, "WEBP");
        EXPECT_EQ(view.frames, kFrames);
        EXPECT_EQ(view.width, kWidth);
        EXPECT_EQ(view.height, kHeight);
        EXPECT_EQ(view.loop, 0);  // for ever
        // Millisecond timestamps rounded from k / 24 s: 42, 41, 42, 42, 41, 42 = 250.
        ASSERT_EQ(view.durations.size(), size_t(kFrames));
        EXPECT_EQ(std::accumulate(view.durations.begin(), view.durations.end(), 0.0), 250.0);
        for (double ms : view.durations)
            EXPECT_TRUE(ms == 41 || ms == 42) << ms;
        for (double e : view.meanError)
            EXPECT_LE(e, lossless ? 0.0 : 10.0);

        if (HaveProgram("webpmux")) {
            const CommandResult info = RunCommand("webpmux -info " + Quoted(d.file));
            EXPECT_EQ(FirstNumberAfter(info.output, "Number of frames:"), kFrames) << info.output;
            EXPECT_EQ(FirstNumberAfter(info.output, "Loop Count :"), 0) << info.output;
            const std::vector<int> durations = WebpmuxDurations(info.output);
            EXPECT_EQ(std::accumulate(durations.begin(), durations.end(), 0), 250) << info.output;
        }
    }
}

TEST(ApngLoop, ReadBackExactlyByPillowAndFfmpeg)
{
    const std::string python = Python();
    ASSERT_FALSE(python.empty()) << "Pillow is needed (scripts/install-deps installs python3-pil)";
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(kWidth, kHeight, kFrames);
    ApngWriter writer;
    const Decoded d = WriteFrames(writer, dir, "a.apng", frames, 7);

    const PillowView view = ReadWithPillow(python, d.file, d.raw);
    ASSERT_TRUE(view.error.empty()) << view.error;
    EXPECT_EQ(view.format, "PNG");
    EXPECT_EQ(view.frames, kFrames);
    EXPECT_EQ(view.width, kWidth);
    EXPECT_EQ(view.height, kHeight);
    EXPECT_EQ(view.loop, 0);
    for (double ms : view.durations)
        EXPECT_NEAR(ms, 1000.0 / 7, 0.01);  // the delay is the fraction 1/7 itself
    for (double e : view.meanError)
        EXPECT_EQ(e, 0.0);

    const CommandResult probe = RunCommand(
        "ffprobe -v error -count_frames -show_entries stream=nb_read_frames,width,height "
        "-of default=nw=1 " +
        Quoted(d.file));
    EXPECT_NE(probe.output.find("nb_read_frames=6"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("width=64"), std::string::npos) << probe.output;
    EXPECT_EQ(DecodeWithFfmpeg(d.file, dir.File("a.decoded")), giftest::ReadBytes(d.raw));
}

TEST(AvifLoop, ReadBackByFfmpegWithItsFrameRate)
{
    if (AvifEncoders().empty())
        GTEST_SKIP() << "built without libavif or an AV1 encoder";
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(kWidth, kHeight, kFrames);
    AvifWriter writer(AvifOptions{90, 8, "auto", 1});
    const Decoded d = WriteFrames(writer, dir, "a.avif", frames, 24);

    const CommandResult probe = RunCommand(
        "ffprobe -v error -count_frames -show_entries stream=nb_read_frames,width,height,r_frame_rate,duration "
        "-of default=nw=1 " +
        Quoted(d.file));
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_NE(probe.output.find("width=64"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("height=48"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("r_frame_rate=24/1"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("nb_read_frames=6"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("duration=0.250000"), std::string::npos) << probe.output;

    const std::vector<uint8_t> decoded = DecodeWithFfmpeg(d.file, dir.File("a.decoded"));
    const std::vector<uint8_t> raw = giftest::ReadBytes(d.raw);
    ASSERT_EQ(decoded.size(), raw.size());
    const size_t frameBytes = size_t(kWidth) * kHeight * 3;
    for (size_t k = 0; k < size_t(kFrames); ++k)
        EXPECT_LT(MeanError(decoded.data() + k * frameBytes, raw.data() + k * frameBytes, frameBytes), 10.0) << k;
}

namespace {

struct Format {
    const char* name;
    std::function<std::unique_ptr<LoopWriter>()> make;
};

// The loop writers; with `videos` also the MP4 and WebM at the loop's speed.
std::vector<Format> Formats(bool videos = false)
{
    std::vector<Format> formats{
        {"gif", [] { return std::make_unique<GifQualityWriter>(); }},
        {"apng",
         [] {
             return std::make_unique<ApngWriter>(ApngOptions{1, false});
         }},
    };
    if (WebpAvailable())
        formats.push_back({"webp", [] { return std::make_unique<WebpWriter>(WebpOptions{true, 0, 0}); }});
    if (!AvifEncoders().empty())
        formats.push_back({"avif", [] { return std::make_unique<AvifWriter>(AvifOptions{100, 10, "auto", 1}); }});
    if (videos) {
        formats.push_back({"mp4", [] {
                               return std::make_unique<VideoLoopWriter>(VideoLoopOptions{VideoCodec::H264, 0, 1});
                           }});
        formats.push_back({"webm", [] {
                               return std::make_unique<VideoLoopWriter>(VideoLoopOptions{VideoCodec::Vp9, 0, 1});
                           }});
    }
    return formats;
}

}  // namespace

TEST(LoopWriters, StopWithinAFrameRemovesThePartialFileAndKeepsTheOldOne)
{
    giftest::TempDir dir;
    for (const Format& format : Formats(true)) {
        SCOPED_TRACE(format.name);
        const std::string path = dir.File(std::string("loop.") + format.name);
        {
            std::ofstream(path) << "the old file";
        }
        FramesSource source(SwirlFrames(kWidth, kHeight, 5));
        source.stopAfter = 2;
        const std::unique_ptr<LoopWriter> writer = format.make();
        const LoopResult result = WriteLoop(*writer, path, 10, source);
        EXPECT_EQ(result.status, LoopStatus::Stopped) << result.message;
        EXPECT_EQ(source.rendered, 2);
        std::ifstream in(path);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the old file");
        EXPECT_EQ(dir.EntryCount(), 1);
        std::filesystem::remove(path);
    }
}

// WebP codes a frame in steps and asks for a stop between them, so a stop does not
// wait for a large frame to be coded whole.
TEST(WebpLoop, AStopAskedWhileAFrameIsCodedEndsItsCoding)
{
    if (!WebpAvailable())
        GTEST_SKIP() << "built without libwebp";
    struct AlwaysStop final : LoopObserver {
        bool StopRequested() override { return true; }
    } stop;
    giftest::TempDir dir;
    WebpWriter writer;
    ASSERT_TRUE(writer.Begin(dir.File("a.webp"), {kWidth, kHeight, 10}));
    writer.SetObserver(&stop);
    const LoopResult result = writer.AddFrame(SwirlFrames(kWidth, kHeight, 1).front());
    EXPECT_EQ(result.status, LoopStatus::Stopped) << result.message;
    writer.Abandon();
    EXPECT_EQ(dir.EntryCount(), 0);
}

TEST(LoopWriters, AFullDiskIsReportedAsSuchAndLeavesNothing)
{
    testsupport::SmallDisk disk;
    if (!disk.Available())
        GTEST_SKIP() << "no file system of our own can be mounted here";
    // Noise does not compress: 8 frames of 160 x 160 are about 600 KB in any of the formats.
    for (const Format& format : Formats(true)) {
        SCOPED_TRACE(format.name);
        const std::string path = disk.Path(std::string("loop.") + format.name);
        FramesSource source(NoiseFrames(160, 160, 8));
        const std::unique_ptr<LoopWriter> writer = format.make();
        const LoopResult result = WriteLoop(*writer, path, 10, source);
        EXPECT_EQ(result.status, LoopStatus::WriteFailed) << result.message;
        EXPECT_EQ(result.cause, FileError::Cause::DiskFull) << result.message;
        EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
        EXPECT_TRUE(QDir(QString::fromStdString(disk.Path(""))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST(LoopWriters, RefuseOptionsAndSpeedsOutOfRangeNamingTheRange)
{
    giftest::TempDir dir;
    const std::string path = dir.File("x");
    const PackedPicture frame(8, 8);
    struct Case {
        std::function<std::unique_ptr<LoopWriter>()> make;
        int fps;
        const char* range;
    };
    const std::vector<Case> cases{
        {[] {
             return std::make_unique<WebpWriter>(WebpOptions{false, 101, 4});
         },
         10, "WebP quality lies between 0 and 100 (got 101)"},
        {[] {
             return std::make_unique<WebpWriter>(WebpOptions{false, 80, 7});
         },
         10, "WebP effort lies between 0 and 6 (got 7)"},
        {[] {
             return std::make_unique<AvifWriter>(AvifOptions{-1, 8, "auto", 0});
         },
         10, "AVIF quality lies between 0 and 100 (got -1)"},
        {[] {
             return std::make_unique<AvifWriter>(AvifOptions{50, 11, "auto", 0});
         },
         10, "AVIF speed lies between 0 and 10 (got 11)"},
        {[] {
             return std::make_unique<ApngWriter>(ApngOptions{10, false});
         },
         10, "APNG compression lies between 0 and 9 (got 10)"},
        {[] {
             return std::make_unique<GifQualityWriter>(GifQualityOptions{1, 0, {}});
         },
         10, "GIF colours lies between 2 and 255 (got 1)"},
        {[] {
             return std::make_unique<GifQualityWriter>(GifQualityOptions{255, 100, {}});
         },
         10, "0 (no limit) or at least 1024 bytes (got 100)"},
        {[] { return std::make_unique<ApngWriter>(); }, 0, "frames per second lies between 1 and 100 (got 0)"},
        {[] { return std::make_unique<GifQualityWriter>(); }, 101,
         "frames per second lies between 1 and 100 (got 101)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        const std::unique_ptr<LoopWriter> writer = c.make();
        const LoopResult result = writer->Begin(path, LoopShape{8, 8, c.fps});
        // Without the library its absence is reported first.
        if (result.status == LoopStatus::NoLibrary)
            continue;
        EXPECT_EQ(result.status, LoopStatus::BadOptions);
        EXPECT_NE(result.message.find(c.range), std::string::npos) << result.message;
        EXPECT_EQ(dir.EntryCount(), 0);
    }
}

TEST(LoopWriters, RefuseFramesThatDoNotFitTheLoopOrTheFormat)
{
    giftest::TempDir dir;
    for (const Format& format : Formats()) {
        SCOPED_TRACE(format.name);
        const std::unique_ptr<LoopWriter> writer = format.make();
        ASSERT_TRUE(writer->Begin(dir.File("x"), LoopShape{16, 16, 10}));
        const LoopResult wrong = writer->AddFrame(PackedPicture(16, 17));
        EXPECT_EQ(wrong.status, LoopStatus::BadFrame);
        EXPECT_NE(wrong.message.find("16 x 17"), std::string::npos) << wrong.message;
        writer->Abandon();
        EXPECT_EQ(dir.EntryCount(), 0);
    }
    WebpWriter webp;
    const LoopResult tooWide = webp.Begin(dir.File("x"), LoopShape{16384, 4, 10});
    EXPECT_NE(tooWide.status, LoopStatus::Ok);
    EXPECT_EQ(dir.EntryCount(), 0);
}

TEST(LoopWriters, SayWhichLibraryOrEncoderIsMissing)
{
    const LoopResult noEncoder = FindFfmpegParts("apng", "no-such-encoder");
    EXPECT_EQ(noEncoder.status, LoopStatus::NoLibrary);
    EXPECT_NE(noEncoder.message.find("\"no-such-encoder\" encoder"), std::string::npos) << noEncoder.message;
    const LoopResult noMuxer = FindFfmpegParts("no-such-muxer", "apng");
    EXPECT_NE(noMuxer.message.find("\"no-such-muxer\" muxer"), std::string::npos) << noMuxer.message;
    EXPECT_TRUE(FindFfmpegParts("apng", "apng"));

    giftest::TempDir dir;
    AvifWriter unknown(AvifOptions{60, 8, "x264", 0});
    const LoopResult avif = unknown.Begin(dir.File("a.avif"), LoopShape{8, 8, 10});
    EXPECT_NE(avif.status, LoopStatus::Ok);
    if (!AvifEncoders().empty())
        EXPECT_NE(avif.message.find("AVIF encoders here: auto, " + AvifEncoders().front()), std::string::npos)
            << avif.message;
    else
        EXPECT_EQ(avif.status, LoopStatus::NoLibrary);
    if (!WebpAvailable()) {
        WebpWriter webp;
        EXPECT_EQ(webp.Begin(dir.File("a.webp"), LoopShape{8, 8, 10}).status, LoopStatus::NoLibrary);
    }
    EXPECT_EQ(dir.EntryCount(), 0);
}

TEST(LoopTiming, FramesStartAtTheirRoundedTimes)
{
    // 24 frames per second in milliseconds: 0, 42, 83, 125, 167, 208, 250.
    const int64_t expected[] = {0, 42, 83, 125, 167, 208, 250};
    for (int k = 0; k <= 6; ++k)
        EXPECT_EQ(FrameStart(k, 24, 1000), expected[k]) << k;
    // In hundredths at 60 per second, in steps of 2: 0, 2, 4, 6, 6, 8, 10.
    const int64_t hundredths[] = {0, 2, 4, 6, 6, 8, 10};
    for (int k = 0; k <= 6; ++k)
        EXPECT_EQ(FrameStart(k, 60, 100, 2), hundredths[k]) << k;
    // A long loop keeps its length: 100000 frames at 7 per second.
    EXPECT_EQ(FrameStart(100000, 7, 100), 1428571);
}

TEST(AvifLoop, QualityMapsToTheNearestQuantizer)
{
    // (100 - q) x 63 / 100, rounded: 70 -> 18.9 -> 19, 50 -> 31.5 -> 32, 99 -> 0.63 -> 1.
    EXPECT_EQ(AvifQuantizerForQuality(100), 0);
    EXPECT_EQ(AvifQuantizerForQuality(99), 1);
    EXPECT_EQ(AvifQuantizerForQuality(70), 19);
    EXPECT_EQ(AvifQuantizerForQuality(50), 32);
    EXPECT_EQ(AvifQuantizerForQuality(1), 62);
    EXPECT_EQ(AvifQuantizerForQuality(0), 63);
}

// Speed 6 is the default; frames too large for its memory get speed 7, and a slow
// speed asked for them is refused before anything is written, saying why.
TEST(AvifLoop, LargeFramesKeepTheEncodersMemoryBounded)
{
    EXPECT_EQ(AvifSpeedFor(AvifOptions{}.speed, 412, 275), 6);
    EXPECT_EQ(AvifSpeedFor(AvifOptions::kAutoSpeed, 2048, 1152), 6);
    EXPECT_EQ(AvifSpeedFor(AvifOptions::kAutoSpeed, 2049, 1152), 7);
    EXPECT_EQ(AvifSpeedFor(AvifOptions::kAutoSpeed, 4096, 2304), 7);
    EXPECT_EQ(AvifSpeedFor(3, 4096, 2304), 3);
    if (AvifEncoders().empty())
        GTEST_SKIP() << "built without libavif or an AV1 encoder";
    giftest::TempDir dir;
    AvifWriter slow(AvifOptions{70, 6, "auto", 1});
    const LoopResult refused = slow.Begin(dir.File("big.avif"), LoopShape{4096, 2304, 24});
    EXPECT_EQ(refused.status, LoopStatus::BadOptions);
    EXPECT_NE(refused.message.find("2048 x 1152"), std::string::npos) << refused.message;
    EXPECT_NE(refused.message.find("speed 7"), std::string::npos) << refused.message;
    EXPECT_EQ(dir.EntryCount(), 0);
    AvifWriter automatic;
    EXPECT_TRUE(automatic.Begin(dir.File("big.avif"), LoopShape{4096, 2304, 24}));
    automatic.Abandon();
    EXPECT_EQ(dir.EntryCount(), 0);
}

namespace {

// What the chunks of an APNG file say, read chunk by chunk.
struct ApngChunks {
    bool signature = false;
    int colourType = -1;  // IHDR: 2 RGB, 6 RGBA
    int64_t frames = -1;  // acTL
    int64_t plays = -1;
    std::vector<std::pair<int, int>> delays;  // fcTL: numerator, denominator
    bool endsWithIend = false;                // IEND is the last chunk and ends the file
};

uint32_t BigEndian(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

ApngChunks ReadApngChunks(const std::vector<uint8_t>& file)
{
    ApngChunks chunks;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    chunks.signature = file.size() >= 8 && std::equal(kSignature, kSignature + 8, file.begin());
    for (size_t at = 8; chunks.signature && at + 12 <= file.size();) {
        const uint32_t length = BigEndian(&file[at], 4);
        if (at + 12 + length > file.size())
            break;
        const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const uint8_t* data = &file[at + 8];
        if (type == "IHDR" && length >= 10)
            chunks.colourType = data[9];
        else if (type == "acTL" && length >= 8) {
            chunks.frames = BigEndian(data, 4);
            chunks.plays = BigEndian(data + 4, 4);
        } else if (type == "fcTL" && length >= 26)
            chunks.delays.emplace_back(int(BigEndian(data + 20, 2)), int(BigEndian(data + 22, 2)));
        at += 12 + length;
        chunks.endsWithIend = type == "IEND" && at == file.size();
    }
    return chunks;
}

}  // namespace

// Read chunk by chunk: the frame count written back at the end, every frame's delay
// (the last one's too, which has no next frame to take it from), and the file complete.
TEST(ApngLoop, EveryFrameSaysItsDelayAndTheCountIsWrittenBack)
{
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(kWidth, kHeight, kFrames);
    ApngWriter writer;
    const Decoded d = WriteFrames(writer, dir, "a.apng", frames, 7);
    const std::vector<uint8_t> bytes = giftest::ReadBytes(d.file);
    const ApngChunks chunks = ReadApngChunks(bytes);
    ASSERT_TRUE(chunks.signature);
    EXPECT_EQ(chunks.frames, kFrames);
    EXPECT_EQ(chunks.plays, 0);
    const std::vector<std::pair<int, int>> sevenths(size_t(kFrames), {1, 7});
    EXPECT_EQ(chunks.delays, sevenths);
    EXPECT_TRUE(chunks.endsWithIend);
}

// Where everything moves RGB is the smaller coding; where two small squares move in
// opposite corners of a still picture (the changed rectangle is the whole frame),
// RGBA with the still pixels transparent. Either holds the frames exactly, with the
// loser dropped on the way (20 frames: compared at 8 and 16) or at the end (6 frames).
TEST(ApngLoop, TheSmallerOfRgbAndRgbaIsKept)
{
    giftest::TempDir dir;
    std::vector<PackedPicture> still;
    for (int k = 0; k < 20; ++k) {
        PackedPicture p = NoiseFrames(kWidth, kHeight, 1).front();
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                giftest::SetPixel(p, x + k % 6, y, 255, 255, 255);
                giftest::SetPixel(p, kWidth - 12 + x + k % 6, kHeight - 6 + y, 255, 255, 255);
            }
        still.push_back(std::move(p));
    }
    const struct {
        const char* name;
        std::vector<PackedPicture> frames;
        int colourType;
    } cases[] = {{"moving.apng", NoiseFrames(kWidth, kHeight, 20), 2},
                 {"still.apng", still, 6},
                 {"moving6.apng", NoiseFrames(kWidth, kHeight, kFrames), 2},
                 {"still6.apng", {still.begin(), still.begin() + kFrames}, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApngWriter writer;
        const Decoded d = WriteFrames(writer, dir, c.name, c.frames, 10);
        EXPECT_EQ(ReadApngChunks(giftest::ReadBytes(d.file)).colourType, c.colourType);
        EXPECT_EQ(DecodeWithFfmpeg(d.file, dir.File(std::string(c.name) + ".decoded")), giftest::ReadBytes(d.raw));
    }
    EXPECT_EQ(dir.EntryCount(), 12);  // each file, its raw frames and its decoding: no coding left over
}
