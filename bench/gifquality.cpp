// GIF quality against size on loops of content the program has never seen
// (bench/LoopScenes.h's seven loops): the classic encoder, the high-quality encoder
// without and with a size limit, FFmpeg's two-pass palette GIF
// (palettegen=stats_mode=diff, paletteuse=dither=sierra2_4a) and, where it is
// installed, the gifski program, all from the same lossless frames. Each benchmark's
// time is the coding of every loop; its counters are the file bytes, FFmpeg's SSIM
// ("All") and PSNR of the decoded GIF against the lossless frames, over every loop, over
// the photographs alone and for each loop, and the frames the file holds.

#include "LoopScenes.h"

#include "export/GifExport.h"
#include "export/GifQuality.h"
#include "export/LoopWriter.h"
#include "export/PictureFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using loopscenes::Quoted;
using loopscenes::RunCommand;
using loopscenes::Scene;

class Workspace {
public:
    Workspace() : m_folder(fs::temp_directory_path() / ("warplet-bench-gifquality-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_folder);
        m_scenes = loopscenes::MakeUnseenScenes([](const std::string& path) -> std::optional<PackedPicture> {
            try {
                return LoadPictureFile(path);
            } catch (const FileError&) {
                return std::nullopt;
            }
        });
        for (const Scene& scene : m_scenes)
            loopscenes::WriteRawFrames(scene, RawPath(scene));
    }
    ~Workspace() { fs::remove_all(m_folder); }

    const std::vector<Scene>& Scenes() const { return m_scenes; }
    std::string RawPath(const Scene& scene) const { return File(scene, "rgb"); }
    // The lossless frames as PNG pictures NAME.00.png, NAME.01.png ..., for the programs
    // that read pictures; false when one could not be written.
    bool WritePictures() const
    {
        for (const Scene& scene : m_scenes)
            for (size_t f = 0; f < scene.frames.size(); ++f)
                if (!SavePicture(File(scene, (f < 10 ? "0" : "") + std::to_string(f) + ".png"), scene.frames[f]))
                    return false;
        return true;
    }
    std::string FramePattern(const Scene& scene) const { return File(scene, "[0-9][0-9].png"); }
    std::string File(const Scene& scene, const std::string& what) const
    {
        return (m_folder / (scene.name + "." + what)).string();
    }

private:
    fs::path m_folder;
    std::vector<Scene> m_scenes;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

bool IsPhotograph(const Scene& scene)
{
    return scene.name.starts_with("photo") || scene.name == "dark_photo";
}

// Frames of a GIF: the image descriptors (0x2C after a block) counted by ffprobe.
double GifFrames(const std::string& gif)
{
    const std::optional<std::string> out = RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 "
        "-show_entries stream=nb_read_frames -of csv=p=0 " +
        Quoted(gif));
    return out ? std::atof(out->c_str()) : -1;
}

// The files' sizes, SSIM and PSNR over every loop, over the photographs and for each
// loop; empty when they could not be measured. Each kind is measured once: its files
// come out the same in every repetition.
const benchmark::UserCounters& Measures(const std::string& kind)
{
    static std::map<std::string, benchmark::UserCounters> measured;
    if (const auto known = measured.find(kind); known != measured.end())
        return known->second;
    const Workspace& w = TheWorkspace();
    benchmark::UserCounters counters;
    double ssimSum = 0, psnrSum = 0, bytes = 0, photoSsim = 0, photoBytes = 0, photos = 0, frames = 0;
    for (const Scene& scene : w.Scenes()) {
        const std::string gif = w.File(scene, kind + ".gif");
        const loopscenes::Fidelity fidelity = loopscenes::Compare(scene, w.RawPath(scene), gif);
        if (!fidelity.Measured())
            return measured[kind] = {};
        const double size = double(fs::file_size(gif));
        counters["ssim_" + scene.name] = fidelity.ssim;
        counters["psnr_" + scene.name] = fidelity.psnr;
        counters["bytes_" + scene.name] = size;
        counters["frames_" + scene.name] = GifFrames(gif);
        ssimSum += fidelity.ssim;
        psnrSum += fidelity.psnr;
        bytes += size;
        frames += GifFrames(gif);
        if (IsPhotograph(scene)) {
            photoSsim += fidelity.ssim;
            photoBytes += size;
            ++photos;
        }
    }
    const double n = double(w.Scenes().size());
    counters["ssim"] = ssimSum / n;
    counters["psnr"] = psnrSum / n;
    counters["bytes"] = bytes;
    counters["frames"] = frames / n;
    counters["ssim_photos"] = photoSsim / photos;
    counters["bytes_photos"] = photoBytes;
    return measured[kind] = counters;
}

// Codes every scene with `code` (scene, output path; false on failure) in each
// iteration, then measures the files; false when a file could not be made or measured.
bool MeasureGifs(benchmark::State& state, const std::string& kind,
                 const std::function<bool(const Scene&, const std::string&)>& code)
{
    Workspace& w = TheWorkspace();
    for (auto _ : state) {
        for (const Scene& scene : w.Scenes()) {
            if (!code(scene, w.File(scene, kind + ".gif"))) {
                state.SkipWithError((kind + " GIF failed on " + scene.name).c_str());
                return false;
            }
        }
    }
    const benchmark::UserCounters& counters = Measures(kind);
    if (counters.empty()) {
        state.SkipWithError("SSIM could not be measured (is ffmpeg installed?)");
        return false;
    }
    for (const auto& [name, value] : counters)
        state.counters[name] = value;
    return true;
}

class SceneGifSource : public GifFrameSource {
public:
    explicit SceneGifSource(const Scene& scene) : m_scene(scene) {}
    const PackedPicture& PaletteSource() override { return m_scene.source; }
    int FrameCount() const override { return int(m_scene.frames.size()); }
    const PackedPicture& RenderGifFrame(int f) override { return m_scene.frames[size_t(f)]; }

private:
    const Scene& m_scene;
};

class SceneLoopSource : public LoopFrameSource {
public:
    explicit SceneLoopSource(const Scene& scene) : m_scene(scene) {}
    int FrameCount() const override { return int(m_scene.frames.size()); }
    const PackedPicture& RenderLoopFrame(int f) override { return m_scene.frames[size_t(f)]; }

private:
    const Scene& m_scene;
};

void BM_GifLoopClassic(benchmark::State& state)
{
    MeasureGifs(state, "classic", [](const Scene& scene, const std::string& path) {
        SceneGifSource source(scene);
        return WriteAnimatedGif(path, loopscenes::kFramesPerSecond, source) == GifExportResult::Ok;
    });
}
BENCHMARK(BM_GifLoopClassic)->Unit(benchmark::kMillisecond)->Iterations(1);

LoopResult WriteHighGif(const Scene& scene, const std::string& path, uint64_t maxBytes = 0)
{
    SceneLoopSource source(scene);
    GifQualityOptions options;
    options.maxBytes = maxBytes;
    GifQualityWriter writer(options);
    return WriteLoop(writer, path, loopscenes::kFramesPerSecond, source);
}

void BM_GifLoopHighQuality(benchmark::State& state)
{
    MeasureGifs(state, "quality",
                [](const Scene& scene, const std::string& path) { return bool(WriteHighGif(scene, path)); });
}
BENCHMARK(BM_GifLoopHighQuality)->Unit(benchmark::kMillisecond)->Iterations(1);

// Each loop's high GIF with a size limit of `percent` % of its size without one. The
// counter "fill" is the share of the limit the files take (over every loop), and
// "frames_dropped" the number of loops and "photos_frames_dropped" of photographs for
// which the limit was only reached by leaving frames out.
void BM_GifLoopMaxSize(benchmark::State& state)
{
    const int percent = int(state.range(0));
    const std::string kind = "maxsize" + std::to_string(percent);
    Workspace& w = TheWorkspace();
    // The limits, from each loop's file without one, once for every repetition.
    static std::map<std::string, uint64_t> unlimited;
    std::map<std::string, uint64_t> limits;
    for (const Scene& scene : w.Scenes()) {
        const std::string free = w.File(scene, "unlimited.gif");
        if (!unlimited.contains(scene.name)) {
            if (!WriteHighGif(scene, free)) {
                state.SkipWithError("high GIF failed");
                return;
            }
            unlimited[scene.name] = fs::file_size(free);
        }
        limits[scene.name] = unlimited[scene.name] * uint64_t(percent) / 100;
    }
    std::map<std::string, bool> dropped;
    if (!MeasureGifs(state, kind, [&](const Scene& scene, const std::string& path) {
            const LoopResult result = WriteHighGif(scene, path, limits[scene.name]);
            dropped[scene.name] = result.reduced.find("frame") != std::string::npos;
            return bool(result);
        }))
        return;
    double fill = 0, framesDropped = 0, photosFramesDropped = 0;
    for (const Scene& scene : w.Scenes()) {
        fill += double(fs::file_size(w.File(scene, kind + ".gif"))) / double(limits[scene.name]);
        framesDropped += dropped[scene.name];
        photosFramesDropped += IsPhotograph(scene) && dropped[scene.name];
    }
    state.counters["fill"] = fill / double(w.Scenes().size());
    state.counters["frames_dropped"] = framesDropped;
    state.counters["photos_frames_dropped"] = photosFramesDropped;
}
BENCHMARK(BM_GifLoopMaxSize)->Arg(60)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GifLoopFfmpeg(benchmark::State& state)
{
    const Workspace& w = TheWorkspace();
    MeasureGifs(state, "ffmpeg", [&w](const Scene& scene, const std::string& path) {
        return RunCommand(
                   "ffmpeg -hide_banner -nostats -y " + loopscenes::RawInput(scene, w.RawPath(scene)) +
                   " -lavfi \"split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=sierra2_4a\" " +
                   Quoted(path))
            .has_value();
    });
}
BENCHMARK(BM_GifLoopFfmpeg)->Unit(benchmark::kMillisecond)->Iterations(1);

// gifski at a quality (its default is 90), from the PNG frames at 24 per second.
void BM_GifLoopGifski(benchmark::State& state)
{
    if (!RunCommand("gifski --version")) {
        state.SkipWithError("gifski is not installed");
        return;
    }
    const int quality = int(state.range(0));
    const Workspace& w = TheWorkspace();
    static const bool written = w.WritePictures();
    if (!written) {
        state.SkipWithError("the frames could not be written as pictures");
        return;
    }
    MeasureGifs(state, "gifski" + std::to_string(quality), [&](const Scene& scene, const std::string& path) {
        return RunCommand("gifski --quiet --fps " + std::to_string(loopscenes::kFramesPerSecond) + " --quality " +
                          std::to_string(quality) + " -o " + Quoted(path) + " " + w.FramePattern(scene))
            .has_value();
    });
}
BENCHMARK(BM_GifLoopGifski)->Arg(90)->Arg(60)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
