// Whole-picture tool steps on a 412 x 412 work picture: the field composed into
// the map and the full smooth render, as one timer tick of a click-and-hold.
#include "engine/GlobalTools.h"
#include "engine/WorkPicture.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int kSide = 412;

PackedPicture Pattern()
{
    PackedPicture p(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(x * 3 + y);
            px[1] = uint8_t(x ^ y);
            px[2] = uint8_t(y * 5);
        }
    return p;
}

// Button down on the tool, then timed ticks (each one step with its render).
template <class Tool>
void TimerTick(benchmark::State& state)
{
    WorkPicture work;
    work.SetPicture(Pattern());
    DisplacementMap map(kSide, kSide);
    work.AttachMap(map.Ref());
    Tool tool(0, 0);
    tool.SetPictureSize(kSide, kSide);
    work.SetActiveTool(&tool);
    work.ButtonDown(250, 180, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(work.TimerTick(250, 180));
        benchmark::ClobberMemory();
    }
    work.ButtonUp(false);
}

// The step alone, without the render.
template <class Tool>
void Step(benchmark::State& state)
{
    DisplacementMap map(kSide, kSide);
    Tool tool(0, 0);
    tool.SetPictureSize(kSide, kSide);
    std::vector<Displacement> scratch = tool.CreateScratch();
    tool.Prepare(250, 180, kSide, kSide);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GlobalStep(tool, map.Ref(), scratch, kSide, kSide));
        benchmark::ClobberMemory();
    }
}

template <class Tool>
void Click(benchmark::State& state)
{
    Tool tool(0, 0);
    tool.SetPictureSize(kSide, kSide);
    for (auto _ : state) {
        tool.Prepare(250, 180, kSide, kSide);
        benchmark::DoNotOptimize(tool.Field().data());
        tool.EndStroke();
    }
}

}  // namespace

BENCHMARK(TimerTick<CTool_GlZoom>)->Name("GlZoom/TimerTick412")->Unit(benchmark::kMillisecond);
BENCHMARK(TimerTick<CTool_GlRipples>)->Name("GlRipples/TimerTick412")->Unit(benchmark::kMillisecond);
BENCHMARK(Step<CTool_GlZoom>)->Name("GlZoom/GlobalStep412")->Unit(benchmark::kMillisecond);
BENCHMARK(Click<CTool_GlRipples>)->Name("GlRipples/Prepare412")->Unit(benchmark::kMillisecond);
BENCHMARK(Click<CTool_GlZoom>)->Name("GlZoom/Prepare412")->Unit(benchmark::kMillisecond);
BENCHMARK(Click<CTool_GlWave>)->Name("GlWave/Prepare412")->Unit(benchmark::kMillisecond);
BENCHMARK(Click<CTool_GlWind>)->Name("GlWind/Prepare412")->Unit(benchmark::kMillisecond);
BENCHMARK(Click<CTool_GlBlot>)->Name("GlBlot/Prepare412")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
