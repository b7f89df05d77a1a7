// Engine timings: a brush step with the re-render of its rectangle, and full
// renders of the work picture.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "engine/RandomSource.h"
#include "engine/Rendering.h"
#include "engine/ToolTable.h"
#include "engine/WorkPicture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/BrushStepTestSupport.h"

namespace {

constexpr int kSide = 412;

DisplacementMap WavyMap(int W, int H)
{
    DisplacementMap map(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            map.At(x, y) = Displacement{int32_t(300.0 * std::sin(x / 17.0 + y / 23.0)),
                                        int32_t(250.0 * std::cos(x / 29.0 - y / 13.0))};
    return map;
}

// A work picture of 412 x 412 with a deformed map and the full tool table.
struct Scene {
    Scene() : table(&random), map(WavyMap(kSide, kSide))
    {
        work.SetPicture(brushtest::PatternPicture(kSide, kSide));
        work.AttachMap(map.Ref());
        work.RenderMap(64, true);
    }
    CTool* Select(int commandId)
    {
        CTool* tool = table.Find(commandId);
        tool->SetPictureSize(kSide, kSide);
        work.SetActiveTool(tool);
        return tool;
    }

    RandomSource random{1};
    ToolTable table;
    DisplacementMap map;
    WorkPicture work;
};

}  // namespace

// ---------------------------------------------------------------------------
// Brush tools: one step of the large (25 %) brush, R = 103, followed by the
// smooth re-render of its rectangle, as a pointer move in the window does.

void BM_BrushStepLarge(benchmark::State& state)
{
    Scene scene;
    scene.Select(int(state.range(0)));
    scene.work.ButtonDown(206, 206, false);
    int i = 0;
    for (auto _ : state) {
        // Small moves around the centre, so that direction and step weight vary.
        const int x = 200 + (i % 5) * 3, y = 200 + (i % 7) * 2;
        benchmark::DoNotOptimize(scene.work.ApplyToolAt(x, y));
        ++i;
    }
    scene.work.ButtonUp(false);
}
// Zoom in, rotate, move, scale, undo, smooth, punch (shape table).
BENCHMARK(BM_BrushStepLarge)
    ->ArgName("tool")
    ->Arg(1021)
    ->Arg(1033)
    ->Arg(1039)
    ->Arg(1027)
    ->Arg(1036)
    ->Arg(1030)
    ->Arg(1096)
    ->Unit(benchmark::kMicrosecond);

// The same step without the render: the tool's share of the time.
void BM_BrushStepLargeMapOnly(benchmark::State& state)
{
    Scene scene;
    CTool* tool = scene.Select(int(state.range(0)));
    std::vector<Displacement> scratch = tool->CreateScratch();
    scene.work.ButtonDown(206, 206, false);
    int i = 0;
    for (auto _ : state) {
        const int x = 200 + (i % 5) * 3, y = 200 + (i % 7) * 2;
        benchmark::DoNotOptimize(BrushStep(*tool, scene.map.Ref(), scratch, x, y, kSide, kSide));
        ++i;
    }
    scene.work.ButtonUp(false);
}
BENCHMARK(BM_BrushStepLargeMapOnly)
    ->ArgName("tool")
    ->Arg(1021)
    ->Arg(1033)
    ->Arg(1030)
    ->Arg(1096)
    ->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Rendering the whole 412 x 412 picture through a deformed map.

void BM_RenderFull(benchmark::State& state)
{
    Scene scene;
    const bool smooth = state.range(0) != 0;
    const Rect all{0, 0, kSide, kSide};
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.work.RenderRect(all, 64, smooth));
}
BENCHMARK(BM_RenderFull)->ArgName("smooth")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Whole-picture tools.
// (Benchmarks of the global tools' click and timer steps go here.)

BENCHMARK_MAIN();
