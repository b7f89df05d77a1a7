// One playback tick: the interpolated map of a 412 x 275 work picture half way
// between two keyframes, and the whole work picture rendered through it,
// smooth (the default) and quick. A tick must stay well inside its 16 ms.

#include "animation/KeyframeStore.h"
#include "animation/Playback.h"
#include "engine/WorkPicture.h"
#include "support/TestPictures.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kW = 412, kH = 275;

// Three keyframes of strong random deformation, 10 frames each.
KeyframeStore ThreeKeys()
{
    std::vector<std::unique_ptr<CMMask>> masks;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        auto mask = std::make_unique<CMMask>(kW, kH, 0);
        const DisplacementMap map = testpics::RandomMap(kW, kH, 20 * 64, seed);
        mask->Map().assign(map.Elements().begin(), map.Elements().end());
        mask->SetDuration(10);
        masks.push_back(std::move(mask));
    }
    KeyframeStore store;
    store.Assign(std::move(masks), ZeroThumbnailHeader());
    store.SetActive(1);
    return store;
}

void BM_PlaybackTick(benchmark::State& state)
{
    KeyframeStore keys = ThreeKeys();
    WorkPicture picture;
    picture.SetPicture(testpics::Gradient(kW, kH));
    AnimationPlayback playback;
    playback.Start(keys);
    const bool smooth = state.range(0) != 0;
    for (auto _ : state) {
        // Speed 30: half a frame per tick, so most ticks interpolate between keyframes.
        playback.Tick(keys, picture, 30, smooth);
        benchmark::DoNotOptimize(picture.Display().Bits().data());
    }
    state.counters["ticks/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlaybackTick)->ArgName("smooth")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
