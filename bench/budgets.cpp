// Interactive budgets on the 412 x 412 work picture, each meant to stay under
// 1 ms: one playback tick (the frame's map interpolated between two keyframes,
// then the whole picture rendered smoothly through it) and one step of a large
// (25 %) brush with the re-render of its rectangle.

#include "animation/KeyframeStore.h"
#include "engine/Displacement.h"
#include "engine/RandomSource.h"
#include "engine/Rendering.h"
#include "engine/ToolTable.h"
#include "engine/WorkPicture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/BrushStepTestSupport.h"

namespace {

constexpr int kSide = 412;

// A keyframe whose map is a smooth wave of up to about 5 pixels, phase-shifted.
std::unique_ptr<CMMask> WaveKey(double phase, int duration)
{
    auto key = std::make_unique<CMMask>(kSide, kSide, 0);
    std::vector<Displacement>& map = key->Map();
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            map[size_t(y) * kSide + size_t(x)] =
                Displacement{int32_t(320.0 * std::sin(x / 19.0 + phase)), int32_t(300.0 * std::cos(y / 27.0 - phase))};
    key->SetDuration(duration);
    return key;
}

// Interpolation between two keyframes 10 frames apart, then RenderMap(64, smooth)
// of the whole work picture, as the player does on each tick.
void BM_BudgetPlaybackTick(benchmark::State& state)
{
    std::vector<std::unique_ptr<CMMask>> keys;
    keys.push_back(WaveKey(0.0, 10));
    keys.push_back(WaveKey(1.3, 10));
    KeyframeStore store;
    store.Assign(std::move(keys), ZeroThumbnailHeader());
    WorkPicture work;
    work.SetPicture(brushtest::PatternPicture(kSide, kSide));
    int64_t frame = 0;
    for (auto _ : state) {
        // Frames inside a transition, so that every element is blended.
        work.AttachMap(store.GetFrameMapAt(1 + frame % 9));
        benchmark::DoNotOptimize(work.RenderMap(64, true));
        ++frame;
    }
}
BENCHMARK(BM_BudgetPlaybackTick)->Unit(benchmark::kMicrosecond);

// One timer step of the large zoom-in brush (R = 103) on a deformed map, with the
// smooth re-render of the rectangle it changed, as a held button in the window does.
void BM_BudgetBrushStepLarge(benchmark::State& state)
{
    RandomSource random{1};
    ToolTable table(&random);
    DisplacementMap map = brushtest::WavyMap(kSide, kSide);
    WorkPicture work;
    work.SetPicture(brushtest::PatternPicture(kSide, kSide));
    work.AttachMap(map.Ref());
    work.RenderMap(64, true);
    CTool* tool = table.Find(int(state.range(0)));
    tool->SetPictureSize(kSide, kSide);
    work.SetActiveTool(tool);
    work.ButtonDown(206, 206, false);
    int i = 0;
    for (auto _ : state) {
        const int x = 200 + (i % 5) * 3, y = 200 + (i % 7) * 2;
        benchmark::DoNotOptimize(work.ApplyToolAt(x, y));
        ++i;
    }
    work.ButtonUp(false);
}
// Zoom in and smooth (the heaviest large brush).
BENCHMARK(BM_BudgetBrushStepLarge)->ArgName("tool")->Arg(1021)->Arg(1030)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
