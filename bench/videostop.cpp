// A key pressed during a video export of a 1600 x 1200 picture: the time from the
// key to the export's end, its file deleted. The key comes from another thread at
// the moment the export reaches the phase measured, as a person's key arrives
// between two of the export's questions: while frames are still being sent to the
// encoder, and in the middle of the encoder's flush.

#include "export/BigPicture.h"
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

// What the export tells; the key thread reads it and presses.
class KeyObserver : public ExportObserver {
public:
    void Progress(int done, int) override { encoded = done; }
    bool CheckCancel() override { return pressed.load(); }
    void ShowFrame(const PackedPicture&) override { ++shown; }

    std::atomic<int> shown{0};
    std::atomic<int> encoded{0};
    std::atomic<bool> pressed{false};
};

const char* const kContainers[] = {"stop.mp4", "stop.webm"};
enum Phase { kSending = 0, kFlush = 1 };

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
        KeyObserver observer;
        CBigPicture big(scene.project, &observer);
        big.SetSource(scene.project.Work().Path(), CBigPicture::kPicture);
        const int frames =
            PlanVideoExport(VideoContainerForPath(path), big.Width(), big.Height(), big.TotalFrames(), 30)->frameCount;
        std::atomic<bool> ended{false};
        Clock::time_point keyTime;
        std::thread key([&]() {
            while (!ended.load()) {
                const bool now = phase == kSending ? observer.shown >= frames / 2
                                                   : observer.shown >= frames && observer.encoded >= 3;
                if (now) {
                    keyTime = Clock::now();
                    observer.pressed = true;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        const VideoExportResult result = big.WriteVideo(path, 30);
        const Clock::time_point end = Clock::now();
        ended = true;
        key.join();
        if (!observer.pressed || result.status != VideoExportStatus::Cancelled) {
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

}  // namespace

BENCHMARK_MAIN();
