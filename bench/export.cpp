// Export figures: full-size rendering of a 6000 x 4000 frame through a
// 412 x 275 map, on one core and on all of them (and the plain version for
// scale); where the libraries are installed, the same remap done by OpenCV and
// one frame's LZW coding compared with giflib.

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "export/BigPictureRender.h"
#include "export/LzwEncoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

// The comparisons need their libraries linked: bench/CMakeLists.txt defines
// WARPLET_HAVE_OPENCV and WARPLET_HAVE_GIFLIB when it finds them.
#if defined(WARPLET_HAVE_OPENCV) && __has_include(<opencv2/imgproc.hpp>)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#define WARPLET_BENCH_OPENCV 1
#endif
#if defined(WARPLET_HAVE_GIFLIB) && __has_include(<gif_lib.h>)
#include <gif_lib.h>
#define WARPLET_BENCH_GIFLIB 1
#endif

namespace {

constexpr int kW = 6000, kH = 4000, kMapW = 412, kMapH = 275;

PackedPicture Photo(int w, int h)
{
    PackedPicture p(w, h);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(std::clamp(int(128 + 100 * std::sin(x * 0.003)) + noise(rng), 0, 255));
            px[1] = uint8_t(std::clamp(int(128 + 100 * std::cos(y * 0.004)) + noise(rng), 0, 255));
            px[2] = uint8_t(std::clamp((x + y) * 255 / (w + h) + noise(rng), 0, 255));
        }
    }
    return p;
}

// A swirl of up to about 20 work-picture pixels, as a strong brush leaves it.
DisplacementMap Swirl()
{
    DisplacementMap m(kMapW, kMapH);
    for (int y = 0; y < kMapH; ++y) {
        for (int x = 0; x < kMapW; ++x) {
            const double dx = x - kMapW / 2.0, dy = y - kMapH / 2.0;
            const double fall = std::exp(-(dx * dx + dy * dy) / (2 * 80.0 * 80.0));
            m.At(x, y) = Displacement{int(-dy * fall * 0.25 * 64), int(dx * fall * 0.25 * 64)};
        }
    }
    return m;
}

struct Scene {
    PackedPicture source = Photo(kW, kH);
    DisplacementMap map = Swirl();
    PackedPicture frame = source;
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

void BM_RenderFullSize(benchmark::State& state)
{
    Scene& s = TheScene();
    const int threads = int(state.range(0));
    for (auto _ : state) {
        RenderFullSize(s.source, s.frame, s.map.Ref(), threads);
        benchmark::DoNotOptimize(s.frame.Bits().data());
    }
    state.counters["workers"] = FullSizeWorkers(threads);
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_RenderFullSize)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderFullSizePlain(benchmark::State& state)
{
    Scene& s = TheScene();
    for (auto _ : state) {
        reference::RenderFullSize(s.source, s.frame, s.map.Ref());
        benchmark::DoNotOptimize(s.frame.Bits().data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_RenderFullSizePlain)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

#ifdef WARPLET_BENCH_OPENCV
// The same deformation as a per-pixel float map (made outside the timing; the
// rows of the packed picture run bottom-up, which changes nothing in the cost),
// bilinear, 8-bit, three channels.
void BM_OpenCvRemap(benchmark::State& state)
{
    Scene& s = TheScene();
    const cv::Mat src(kH, kW, CV_8UC3, s.source.Bits().data(), size_t(s.source.Stride()));
    cv::Mat dst(kH, kW, CV_8UC3);
    cv::Mat mapX(kH, kW, CV_32FC1), mapY(kH, kW, CV_32FC1);
    for (int r = 0; r < kH; ++r) {
        for (int c = 0; c < kW; ++c) {
            const Displacement& e = s.map.At(int(int64_t(c) * kMapW / kW), int(int64_t(r) * kMapH / kH));
            mapX.at<float>(r, c) = float(c + e.dx * double(kW) / kMapW / 64.0);
            mapY.at<float>(r, c) = float(r + e.dy * double(kH) / kMapH / 64.0);
        }
    }
    // range(1): the float maps as they are, or first converted (outside the timing)
    // to OpenCV's own fixed-point form, its fastest way of remapping.
    cv::Mat map1 = mapX, map2 = mapY;
    if (state.range(1) != 0)
        cv::convertMaps(mapX, mapY, map1, map2, CV_16SC2);
    const int previous = cv::getNumThreads();
    cv::setNumThreads(state.range(0) == 1 ? 1 : FullSizeWorkers(0));
    for (auto _ : state) {
        cv::remap(src, dst, map1, map2, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(dst.data);
    }
    cv::setNumThreads(previous);
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_OpenCvRemap)
    ->ArgNames({"threads", "fixed"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

// One 412 x 412 frame of palette indexes with photo-like runs.
std::vector<uint8_t> IndexFrame()
{
    std::vector<uint8_t> indexes(size_t(412) * 412);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(0, 3);
    for (int y = 0; y < 412; ++y)
        for (int x = 0; x < 412; ++x)
            indexes[size_t(y) * 412 + size_t(x)] = uint8_t((x / 7 + y / 5) * 3 % 250 + noise(rng));
    return indexes;
}

void BM_LzwOwn(benchmark::State& state)
{
    const std::vector<uint8_t> indexes = IndexFrame();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        out.clear();
        LzwEncode(out, indexes.data(), 8, indexes.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(indexes.size()));
}
BENCHMARK(BM_LzwOwn);

#ifdef WARPLET_BENCH_GIFLIB
int Collect(GifFileType* file, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(file->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// A whole one-frame GIF in memory: the header is a few dozen bytes, the rest is LZW.
void BM_LzwGiflib(benchmark::State& state)
{
    std::vector<uint8_t> indexes = IndexFrame();
    std::vector<GifColorType> colours(256);
    std::vector<uint8_t> out;
    for (auto _ : state) {
        out.clear();
        int error = 0;
        GifFileType* file = EGifOpen(&out, Collect, &error);
        ColorMapObject* map = GifMakeMapObject(256, colours.data());
        EGifPutScreenDesc(file, 412, 412, 8, 0, map);
        EGifPutImageDesc(file, 0, 0, 412, 412, false, nullptr);
        for (int y = 0; y < 412; ++y)
            EGifPutLine(file, indexes.data() + size_t(y) * 412, 412);
        EGifCloseFile(file, &error);
        GifFreeMapObject(map);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(indexes.size()));
}
BENCHMARK(BM_LzwGiflib);
#endif

}  // namespace

BENCHMARK_MAIN();
