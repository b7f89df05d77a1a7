// GIF quality against size on loops of the kind the program makes (bench/LoopScenes.h):
// the classic encoder, the high-quality encoder and FFmpeg's two-pass palette GIF
// (palettegen=stats_mode=diff, paletteuse=dither=sierra2_4a) made from the same
// lossless frames with the ffmpeg program. Each benchmark's time is the coding of
// both loops; its counters are the file bytes and FFmpeg's SSIM ("All", on rgb24
// frames) of the decoded GIF against the lossless frames, both loops together and
// each on its own.

#include "LoopScenes.h"

#include "export/GifExport.h"
#include "export/GifQuality.h"
#include "export/LoopWriter.h"
#include "export/PictureFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Workspace {
public:
    Workspace() : m_folder(fs::temp_directory_path() / ("warplet-bench-gifquality-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_folder);
        m_scenes = loopscenes::MakeScenes([](const std::string& path) -> std::optional<PackedPicture> {
            try {
                return LoadPictureFile(path);
            } catch (const FileError&) {
                return std::nullopt;
            }
        });
        for (const loopscenes::Scene& scene : m_scenes) {
            std::ofstream raw(RawPath(scene), std::ios::binary);
            for (const PackedPicture& frame : scene.frames) {
                const std::vector<uint8_t> rgb = PictureToRgb(frame);
                raw.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
            }
        }
    }
    ~Workspace() { fs::remove_all(m_folder); }

    const std::vector<loopscenes::Scene>& Scenes() const { return m_scenes; }
    std::string RawPath(const loopscenes::Scene& scene) const { return File(scene, "rgb"); }
    std::string File(const loopscenes::Scene& scene, const std::string& what) const
    {
        std::string name = scene.name;
        std::replace(name.begin(), name.end(), ' ', '-');
        return (m_folder / (name + "." + what)).string();
    }

private:
    fs::path m_folder;
    std::vector<loopscenes::Scene> m_scenes;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

// Runs a shell command; its standard error and output, or nothing when it failed.
std::optional<std::string> Run(const std::string& command)
{
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string output;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    if (::pclose(pipe) != 0)
        return std::nullopt;
    return output;
}

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

std::string RawInput(const Workspace& w, const loopscenes::Scene& scene)
{
    return "-f rawvideo -pix_fmt rgb24 -s " + std::to_string(scene.width) + "x" + std::to_string(scene.height) +
           " -framerate " + std::to_string(loopscenes::kFramesPerSecond) + " -i " + Quoted(w.RawPath(scene));
}

// FFmpeg's SSIM "All" of the GIF's frames (taken at 24 per second) against the lossless
// frames; a negative value when it could not be measured or the frame counts differ.
double Ssim(const Workspace& w, const loopscenes::Scene& scene, const std::string& gif)
{
    const std::string stats = gif + ".ssim";
    const std::optional<std::string> out =
        Run("ffmpeg -hide_banner -nostats -i " + Quoted(gif) + " " + RawInput(w, scene) +
            " -lavfi \"[0:v]fps=" + std::to_string(loopscenes::kFramesPerSecond) +
            ",format=rgb24[a];[1:v]format=rgb24[b];[a][b]ssim=stats_file=" + Quoted(stats) + "\" -f null -");
    if (!out)
        return -1;
    std::ifstream lines(stats);
    const auto frames = std::count(std::istreambuf_iterator<char>(lines), std::istreambuf_iterator<char>(), '\n');
    if (frames != std::ptrdiff_t(scene.frames.size()))
        return -1;
    const size_t all = out->rfind("All:");
    return all == std::string::npos ? -1 : std::atof(out->c_str() + all + 4);
}

std::string Key(const loopscenes::Scene& scene)
{
    std::string name = scene.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

// The files' sizes and SSIM, both loops together and each on its own; empty when the
// SSIM could not be measured. Each kind is measured once: its files come out the same
// in every repetition.
const benchmark::UserCounters& Measures(const std::string& kind)
{
    static std::map<std::string, benchmark::UserCounters> measured;
    if (const auto known = measured.find(kind); known != measured.end())
        return known->second;
    const Workspace& w = TheWorkspace();
    benchmark::UserCounters counters;
    double ssimSum = 0, bytes = 0;
    for (const loopscenes::Scene& scene : w.Scenes()) {
        const std::string gif = w.File(scene, kind + ".gif");
        const double ssim = Ssim(w, scene, gif);
        if (ssim < 0)
            return measured[kind] = {};
        const double size = double(fs::file_size(gif));
        counters["ssim_" + Key(scene)] = ssim;
        counters["bytes_" + Key(scene)] = size;
        ssimSum += ssim;
        bytes += size;
    }
    counters["ssim"] = ssimSum / double(w.Scenes().size());
    counters["bytes"] = bytes;
    return measured[kind] = counters;
}

// Codes every scene with `code` (scene, output path; false on failure) in each
// iteration, then measures the files.
void MeasureGifs(benchmark::State& state, const std::string& kind,
                 const std::function<bool(const loopscenes::Scene&, const std::string&)>& code)
{
    Workspace& w = TheWorkspace();
    for (auto _ : state) {
        for (const loopscenes::Scene& scene : w.Scenes()) {
            if (!code(scene, w.File(scene, kind + ".gif"))) {
                state.SkipWithError((kind + " GIF failed").c_str());
                return;
            }
        }
    }
    const benchmark::UserCounters& counters = Measures(kind);
    if (counters.empty())
        state.SkipWithError("SSIM could not be measured (is ffmpeg installed?)");
    for (const auto& [name, value] : counters)
        state.counters[name] = value;
}

class SceneGifSource : public GifFrameSource {
public:
    explicit SceneGifSource(const loopscenes::Scene& scene) : m_scene(scene) {}
    const PackedPicture& PaletteSource() override { return m_scene.source; }
    int FrameCount() const override { return int(m_scene.frames.size()); }
    const PackedPicture& RenderGifFrame(int f) override { return m_scene.frames[size_t(f)]; }

private:
    const loopscenes::Scene& m_scene;
};

class SceneLoopSource : public LoopFrameSource {
public:
    explicit SceneLoopSource(const loopscenes::Scene& scene) : m_scene(scene) {}
    int FrameCount() const override { return int(m_scene.frames.size()); }
    const PackedPicture& RenderLoopFrame(int f) override { return m_scene.frames[size_t(f)]; }

private:
    const loopscenes::Scene& m_scene;
};

void BM_GifLoopClassic(benchmark::State& state)
{
    MeasureGifs(state, "classic", [](const loopscenes::Scene& scene, const std::string& path) {
        SceneGifSource source(scene);
        return WriteAnimatedGif(path, loopscenes::kFramesPerSecond, source) == GifExportResult::Ok;
    });
}
BENCHMARK(BM_GifLoopClassic)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GifLoopHighQuality(benchmark::State& state)
{
    MeasureGifs(state, "quality", [](const loopscenes::Scene& scene, const std::string& path) {
        SceneLoopSource source(scene);
        GifQualityWriter writer;
        return bool(WriteLoop(writer, path, loopscenes::kFramesPerSecond, source));
    });
}
BENCHMARK(BM_GifLoopHighQuality)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GifLoopFfmpeg(benchmark::State& state)
{
    const Workspace& w = TheWorkspace();
    MeasureGifs(state, "ffmpeg", [&w](const loopscenes::Scene& scene, const std::string& path) {
        return Run("ffmpeg -hide_banner -nostats -y " + RawInput(w, scene) +
                   " -lavfi \"split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=sierra2_4a\" " +
                   Quoted(path))
            .has_value();
    });
}
BENCHMARK(BM_GifLoopFfmpeg)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
