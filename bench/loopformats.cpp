// The loop writers on loops of the kind the program makes (bench/LoopScenes.h): the
// time to code all of them with each writer at its default settings, and the bytes.

#include "LoopScenes.h"

#include "export/ApngWriter.h"
#include "export/AvifWriter.h"
#include "export/GifQuality.h"
#include "export/PictureFile.h"
#include "export/WebpWriter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::vector<loopscenes::Scene>& Scenes()
{
    static const std::vector<loopscenes::Scene> scenes =
        loopscenes::MakeScenes([](const std::string& path) -> std::optional<PackedPicture> {
            try {
                return LoadPictureFile(path);
            } catch (const FileError&) {
                return std::nullopt;
            }
        });
    return scenes;
}

class SceneSource : public LoopFrameSource {
public:
    explicit SceneSource(const loopscenes::Scene& scene) : m_scene(scene) {}
    int FrameCount() const override { return int(m_scene.frames.size()); }
    const PackedPicture& RenderLoopFrame(int f) override { return m_scene.frames[size_t(f)]; }

private:
    const loopscenes::Scene& m_scene;
};

void CodeLoops(benchmark::State& state, const std::function<std::unique_ptr<LoopWriter>()>& make)
{
    const fs::path path = fs::temp_directory_path() / ("warplet-bench-loop-" + std::to_string(::getpid()));
    double bytes = 0;
    Scenes();  // rendered before the clock starts
    for (auto _ : state) {
        bytes = 0;
        for (const loopscenes::Scene& scene : Scenes()) {
            SceneSource source(scene);
            const std::unique_ptr<LoopWriter> writer = make();
            const LoopResult result = WriteLoop(*writer, path.string(), loopscenes::kFramesPerSecond, source);
            if (!result) {
                state.SkipWithError(result.message.c_str());
                break;
            }
            bytes += double(result.bytes);
        }
    }
    fs::remove(path);
    state.counters["bytes"] = bytes;
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()) * 48 * double(Scenes().size()), benchmark::Counter::kIsRate);
}

void BM_LoopGifHighQuality(benchmark::State& state)
{
    CodeLoops(state, [] { return std::make_unique<GifQualityWriter>(); });
}
BENCHMARK(BM_LoopGifHighQuality)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoopWebpLossy(benchmark::State& state)
{
    CodeLoops(state, [] { return std::make_unique<WebpWriter>(); });
}
BENCHMARK(BM_LoopWebpLossy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoopWebpLossless(benchmark::State& state)
{
    CodeLoops(state, [] { return std::make_unique<WebpWriter>(WebpOptions{true, 80, 4}); });
}
BENCHMARK(BM_LoopWebpLossless)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoopApng(benchmark::State& state)
{
    CodeLoops(state, [] { return std::make_unique<ApngWriter>(); });
}
BENCHMARK(BM_LoopApng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoopAvif(benchmark::State& state)
{
    CodeLoops(state, [] { return std::make_unique<AvifWriter>(); });
}
BENCHMARK(BM_LoopAvif)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
