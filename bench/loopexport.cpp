// Exports at the loop's own speed from one render. Encoder settings: high-quality GIF
// at its defaults (255 colours, still dithering), WebP lossy quality 80 effort 4, MP4
// H.264 through libx264 at preset veryfast, crf 23, yuv420p.
//  - A 2-second loop (48 frames at 24 per second) of a 412-pixel work picture written
//    as high-quality GIF, WebP and MP4 from one render (goal: under 1 s).
//  - MP4 of 48 frames at 1920 x 1080 with the rendering (goal: 30 frames per second
//    or more, 48 frames in under 1.6 s).
//  - 100 projects of 48 frames at 412 pixels as GIF and MP4 through warplet-cli with
//    --jobs 2 (goal: under 60 s).
//  - A stop asked of a 1600 x 1200 export to high GIF, WebP and MP4 from one render,
//    while frames are rendered and once they all are (the GIF codes them then): the
//    time from the stop to every writer ended with its file removed (goal: 500 ms).

#include "LoopScenes.h"

#include "export/BigPicture.h"
#include "export/FfmpegLog.h"
#include "export/GifQuality.h"
#include "export/LoopFanOut.h"
#include "export/PictureFile.h"
#include "export/VideoLoopWriter.h"
#include "export/WebpWriter.h"
#include "project/Project.h"

#include <benchmark/benchmark.h>

#include <chrono>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeyDuration = 24;  // two keyframes: 48 frames
constexpr int kSpeed = 24;

// A project on a photograph-like picture of width x height whose second keyframe moves it, in a folder
// of its own that goes at the end.
struct Scene {
    std::filesystem::path folder;
    Project project;
    bool valid = false;

    Scene(int width, int height)
    {
        SetUpFfmpegLogging();
        std::string pattern = (std::filesystem::temp_directory_path() / "warplet-bench-loopexport-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        folder = pattern;
        const std::string picture = Path("photo.bmp");
        if (!SavePicture(picture, loopscenes::Landscape(width, height)))
            return;
        project.SetDefaultPicture(picture);
        project.NewFromPicture(picture);
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{6 * 64, 3 * 64};
        project.Keys().SetDuration(0, kKeyDuration);
        project.Keys().SetDuration(1, kKeyDuration);
        valid = true;
    }
    ~Scene()
    {
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }
    std::string Path(const std::string& name) const { return (folder / name).string(); }
};

// Writes the scene's loop at `setting` through every output; false (and the state
// told) when one failed.
bool WriteOnce(benchmark::State& state, Scene& scene, int setting, std::vector<LoopOutput> outputs)
{
    CBigPicture big(ExportAnimation(scene.project.Keys(), scene.project.Picture()));
    big.SetSource(scene.project.Work().Path(), setting);
    BigPictureLoopSource source(big);
    for (const LoopResult& result : WriteLoops(outputs, kSpeed, source)) {
        if (!result) {
            state.SkipWithError(result.message.c_str());
            return false;
        }
    }
    return true;
}

void BM_OneRenderGifWebpMp4(benchmark::State& state)
{
    static Scene scene(1200, 800);
    if (!scene.valid) {
        state.SkipWithError("no project");
        return;
    }
    // outputs: 7 all three, 1 the GIF alone, 2 the WebP, 4 the MP4 (each one's share).
    const int64_t chosen = state.range(0);
    for (auto _ : state) {
        std::vector<LoopOutput> outputs;
        if (chosen & 1)
            outputs.push_back({scene.Path("loop.gif"), std::make_unique<GifQualityWriter>()});
        if (chosen & 2)
            outputs.push_back({scene.Path("loop.webp"), std::make_unique<WebpWriter>()});
        if (chosen & 4)
            outputs.push_back({scene.Path("loop.mp4"), std::make_unique<VideoLoopWriter>()});
        if (!WriteOnce(state, scene, CBigPicture::kScreen, std::move(outputs)))
            return;
    }
}
BENCHMARK(BM_OneRenderGifWebpMp4)
    ->ArgName("outputs")
    ->Arg(7)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Mp4FullHd48Frames(benchmark::State& state)
{
    static Scene scene(1920, 1080);
    if (!scene.valid) {
        state.SkipWithError("no project");
        return;
    }
    for (auto _ : state) {
        std::vector<LoopOutput> outputs;
        outputs.push_back({scene.Path("hd.mp4"), std::make_unique<VideoLoopWriter>()});
        if (!WriteOnce(state, scene, CBigPicture::kPicture, std::move(outputs)))
            return;
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()) * 2 * kKeyDuration, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Mp4FullHd48Frames)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CliHundredProjectsGifMp4Jobs2(benchmark::State& state)
{
    static Scene scene(600, 400);
    if (!scene.valid) {
        state.SkipWithError("no project");
        return;
    }
    std::string command = std::string(WARPLET_CLI_PATH) + " export";
    for (int i = 0; i < 100; ++i) {
        const std::string name = scene.Path("p" + std::to_string(i) + ".kib");
        if (!std::filesystem::exists(name) && !scene.project.Save(name)) {
            state.SkipWithError("cannot save the projects");
            return;
        }
        command += " '" + name + "'";
    }
    command += " --out-dir '" + scene.Path("out") + "' --format gif,mp4 --jobs 2 --size screen --speed 24 " +
               "> /dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("warplet-cli failed");
            return;
        }
    }
}
BENCHMARK(BM_CliHundredProjectsGifMp4Jobs2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The scene's frames; asks to stop at frame `stopAt`, or once every frame was handed
// over when stopAt is the frame count, and notes when.
class StoppingSource final : public LoopFrameSource {
public:
    StoppingSource(CBigPicture& big, int stopAt) : m_source(big), m_nStopAt(stopAt) {}
    int FrameCount() const override { return m_source.FrameCount(); }
    const PackedPicture& RenderLoopFrame(int f) override
    {
        if (f == m_nStopAt)
            Stop();
        return m_source.RenderLoopFrame(f);
    }
    void Progress(int done, int total) override
    {
        if (done == total && m_nStopAt >= total)
            Stop();
    }
    bool StopRequested() override { return stopped; }

    bool stopped = false;
    Clock::time_point stopTime;

private:
    void Stop()
    {
        if (!stopped) {
            stopped = true;
            stopTime = Clock::now();
        }
    }
    BigPictureLoopSource m_source;
    int m_nStopAt;
};

void BM_LoopStop(benchmark::State& state)
{
    static Scene scene(1600, 1200);
    if (!scene.valid) {
        state.SkipWithError("no project");
        return;
    }
    const int stopAt = state.range(0) == 0 ? kKeyDuration : 2 * kKeyDuration;
    for (auto _ : state) {
        CBigPicture big(ExportAnimation(scene.project.Keys(), scene.project.Picture()));
        big.SetSource(scene.project.Work().Path(), CBigPicture::kPicture);
        std::vector<LoopOutput> outputs;
        outputs.push_back({scene.Path("stop.gif"), std::make_unique<GifQualityWriter>()});
        outputs.push_back({scene.Path("stop.webp"), std::make_unique<WebpWriter>()});
        outputs.push_back({scene.Path("stop.mp4"), std::make_unique<VideoLoopWriter>()});
        StoppingSource source(big, stopAt);
        const std::vector<LoopResult> results = WriteLoops(outputs, kSpeed, source);
        const Clock::time_point end = Clock::now();
        for (const LoopResult& result : results) {
            if (result.status != LoopStatus::Stopped) {
                state.SkipWithError(("not stopped: " + result.message).c_str());
                return;
            }
        }
        if (std::filesystem::exists(scene.Path("stop.gif")) || std::filesystem::exists(scene.Path("stop.mp4"))) {
            state.SkipWithError("a file was left");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - source.stopTime).count());
    }
}
BENCHMARK(BM_LoopStop)->ArgName("phase")->Arg(0)->Arg(1)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
