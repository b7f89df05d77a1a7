// A key pressed during a video export of a 1600 x 1200 picture on the export's
// worker: the time from the key to the export's end, its file deleted. The key
// comes from the window's side at the moment the export reaches the phase
// measured: while frames are still being sent to the encoder, and in the middle
// of the encoder's flush.

#include "export/ExportWorker.h"
#include "export/FfmpegLog.h"
#include "export/PictureFile.h"
#include "project/Project.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1600, kHeight = 1200;
constexpr int kKeyDuration = 8;  // two keyframes: 16 animation frames, 13 video frames at speed 30

PackedPicture Photo()
{
    PackedPicture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(128 + 100 * std::sin(x * 0.013 + y * 0.002));
            px[1] = uint8_t(128 + 100 * std::cos(y * 0.017));
            px[2] = uint8_t((x * 7 + y * 3) & 255);
        }
    return p;
}

// The project: the photo, keyframe 1 moving it, in a folder of its own that goes at the end.
struct Scene {
    std::filesystem::path folder;
    Project project;
    bool valid = false;

    Scene()
    {
        SetUpFfmpegLogging();
        std::string pattern = (std::filesystem::temp_directory_path() / "warplet-bench-videostop-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        folder = pattern;
        const std::string picture = Path("photo.bmp");
        if (!SavePicture(picture, Photo()))
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
    std::string Path(const char* name) const { return (folder / name).string(); }
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

const char* const kContainers[] = {"stop.mp4", "stop.webm"};
enum Phase { kSending = 0, kFlush = 1 };

// The export on its worker, as the window starts it; this thread is the window:
// it takes every frame the worker shows, watches the progress and presses the key.
void BM_VideoStop(benchmark::State& state)
{
    Scene& scene = TheScene();
    if (!scene.valid) {
        state.SkipWithError("no project");
        return;
    }
    const std::string path = scene.Path(kContainers[state.range(0)]);
    const Phase phase = Phase(state.range(1));
    for (auto _ : state) {
        ExportWorker worker;
        std::atomic<int> shown{0};
        std::atomic<int> encoded{0};
        std::atomic<bool> ended{false};
        QObject::connect(
            &worker, &ExportWorker::frameRendered, &worker,
            [&](const QImage&) {
                ++shown;
                worker.FrameShown();
            },
            Qt::DirectConnection);
        QObject::connect(
            &worker, &ExportWorker::progress, &worker, [&](int done, int) { encoded = done; }, Qt::DirectConnection);
        QObject::connect(
            &worker, &ExportWorker::finished, &worker, [&] { ended = true; }, Qt::DirectConnection);
        ExportJob job;
        job.kind = ExportJob::Kind::Video;
        job.picturePath = scene.project.Work().Path();
        job.setting = CBigPicture::kPicture;
        job.path = path;
        const int frames = PlanVideoExport(VideoContainerForPath(path), kWidth, kHeight,
                                           scene.project.Keys().GetTotalFrames(), job.speed)
                               ->frameCount;
        worker.Start(ExportAnimation(scene.project.Keys(), scene.project.Picture()), job);
        Clock::time_point keyTime;
        bool pressed = false;
        while (!ended.load()) {
            const bool now = phase == kSending ? shown >= frames / 2 : shown >= frames && encoded >= 3;
            if (now && !pressed) {
                keyTime = Clock::now();
                worker.RequestStop();
                pressed = true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const VideoExportResult result = worker.Wait().video;
        const Clock::time_point end = Clock::now();
        if (!pressed || result.status != VideoExportStatus::Cancelled) {
            state.SkipWithError("the export ended before the key");
            return;
        }
        if (std::filesystem::exists(path)) {
            state.SkipWithError("the file was not deleted");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - keyTime).count());
    }
}
BENCHMARK(BM_VideoStop)
    ->ArgsProduct({{0, 1}, {kSending, kFlush}})
    ->ArgNames({"container", "phase"})
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// What showing frames costs the export: a 1600 x 1200 frame rendered alone, and
// with the picture the work area shows made from it (when the window keeps up,
// every frame).
void BM_FrameShown(benchmark::State& state)
{
    Scene& scene = TheScene();
    if (!scene.valid) {
        state.SkipWithError("no project");
        return;
    }
    CBigPicture big(ExportAnimation(scene.project.Keys(), scene.project.Picture()));
    big.SetSource(scene.project.Work().Path(), CBigPicture::kPicture);
    const bool shown = state.range(0) != 0;
    const int total = big.TotalFrames();
    int f = 0;
    for (auto _ : state) {
        big.PrepareFrame(f % total);
        big.RenderFrame(f % total);
        if (shown)
            benchmark::DoNotOptimize(ShownFrame(big.Frame(), big.WorkWidth(), big.WorkHeight()));
        ++f;
    }
}
BENCHMARK(BM_FrameShown)->ArgName("shown")->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
