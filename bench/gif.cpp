// GIF encoder figures: the LZW coder (hashed and reference), the octree palette, the
// colour matching of a frame, and a whole 20-frame export, all on 412 x 412 frames.

#include "engine/PackedPicture.h"
#include "export/GifExport.h"
#include "export/GifPalette.h"
#include "export/LzwEncoder.h"
#include "export/OctreeQuantizer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr int kSize = 412;

// Photo-like: smooth colour fields, fine texture, sensor noise; phase turns a swirl in
// the middle so that consecutive frames differ in part of the picture.
PackedPicture PhotoFrame(double phase)
{
    PackedPicture p(kSize, kSize);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-5, 5);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const double u = double(x) / kSize, v = double(y) / kSize;
            double r = 120 + 90 * std::sin(3.1 * u + 1.3 * v) + 20 * std::sin(40 * u * v);
            double g = 110 + 70 * std::cos(2.3 * v - 0.7 * u) + 15 * std::sin(25 * v);
            double b = 100 + 80 * std::sin(1.7 * (u + v) + 2.0);
            const double dx = u - 0.5, dy = v - 0.5, d = std::sqrt(dx * dx + dy * dy);
            if (d < 0.25) {
                const double a = std::atan2(dy, dx) + phase * (0.25 - d) * 12;
                r = 0.5 * r + 64 + 60 * std::sin(3 * a);
                g = 0.5 * g + 64 + 60 * std::sin(3 * a + 2.1);
                b = 0.5 * b + 64 + 60 * std::sin(3 * a + 4.2);
            }
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(std::clamp(int(b) + noise(rng), 0, 255));
            px[1] = uint8_t(std::clamp(int(g) + noise(rng), 0, 255));
            px[2] = uint8_t(std::clamp(int(r) + noise(rng), 0, 255));
        }
    return p;
}

const PackedPicture& Frame0()
{
    static const PackedPicture frame = PhotoFrame(0);
    return frame;
}

const std::vector<uint8_t>& Frame0Indexes()
{
    static const std::vector<uint8_t> indexes = [] {
        GifColourMatcher matcher(BuildGifPalette(Frame0()));
        std::vector<uint8_t> v;
        matcher.MapPicture(Frame0(), v);
        return v;
    }();
    return indexes;
}

void BM_LzwEncode(benchmark::State& state)
{
    const auto& pixels = Frame0Indexes();
    LzwEncoder encoder;
    std::vector<uint8_t> out;
    for (auto _ : state) {
        out.clear();
        encoder.Encode(pixels.data(), pixels.size(), 8, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
    state.counters["bytes_out"] = double(out.size());
}
BENCHMARK(BM_LzwEncode)->Unit(benchmark::kMillisecond);

void BM_LzwEncodeReference(benchmark::State& state)
{
    const auto& pixels = Frame0Indexes();
    for (auto _ : state) {
        std::vector<uint8_t> out;
        LzwEncodeReference(out, pixels.data(), 8, pixels.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}
BENCHMARK(BM_LzwEncodeReference)->Unit(benchmark::kMillisecond);

void BM_OctreePalette(benchmark::State& state)
{
    for (auto _ : state) {
        GifPalette palette = BuildGifPalette(Frame0());
        benchmark::DoNotOptimize(palette.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}
BENCHMARK(BM_OctreePalette)->Unit(benchmark::kMillisecond);

void BM_MapFrameToPalette(benchmark::State& state)
{
    const GifPalette palette = BuildGifPalette(Frame0());
    std::vector<uint8_t> indexes;
    for (auto _ : state) {
        GifColourMatcher matcher(palette);  // a fresh cache, as for each export
        matcher.MapPicture(Frame0(), indexes);
        benchmark::DoNotOptimize(indexes.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}
BENCHMARK(BM_MapFrameToPalette)->Unit(benchmark::kMillisecond);

class SyntheticSource : public GifFrameSource {
public:
    SyntheticSource()
    {
        for (int k = 0; k < 20; ++k)
            m_frames.push_back(PhotoFrame(k * 0.3));
    }
    const PackedPicture& PaletteSource() override { return m_frames[0]; }
    int FrameCount() const override { return int(m_frames.size()); }
    const PackedPicture& RenderGifFrame(int f) override { return m_frames[size_t(f)]; }

private:
    std::vector<PackedPicture> m_frames;
};

void BM_WriteAnimatedGif20Frames(benchmark::State& state)
{
    SyntheticSource source;  // frames are rendered beforehand: this measures the encoder only
    const std::string path = (std::filesystem::temp_directory_path() / "warplet-bench-gif.gif").string();
    for (auto _ : state) {
        if (WriteAnimatedGif(path, 30, source) != GifExportResult::Ok)
            state.SkipWithError("export failed");
    }
    state.counters["file_bytes"] = double(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteAnimatedGif20Frames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
