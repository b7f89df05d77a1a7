// The loop writers against the single-purpose tools on the same frames: the seven loops
// the program has never seen (bench/LoopScenes.h), cut to even sides so that every
// coder takes them. For each format our writer at its defaults and the peers' own
// commands, with the total bytes, the mean SSIM and PSNR against the lossless frames
// (measured alike for all) and the coding time:
//  - MP4: libx264 preset veryfast crf 23 against
//    `ffmpeg -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p` (goal: within
//    0.2 dB and 5 % of its bytes);
//  - WebM: libvpx-vp9 crf 32 against `ffmpeg -c:v libvpx-vp9 -crf 32 -b:v 0` (the same);
//  - AVIF: quality 70 at the default speed against avifenc at its default speed with
//    the same quantizer and 4:2:0 (goal: within 5 % of its bytes);
//  - APNG: against FFmpeg's APNG encoder in RGB with mixed filters at zlib level 1 and
//    against apngasm at its defaults (goal: no larger than FFmpeg's, as fast).
// A peer that is not installed is left out (scripts/install-deps --bench installs them).

#include "LoopScenes.h"

#include "export/ApngWriter.h"
#include "export/AvifWriter.h"
#include "export/FfmpegLog.h"
#include "export/PictureFile.h"
#include "export/VideoLoopWriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

enum Format { kMp4, kWebm, kAvif, kApng };
enum Coder { kOurs, kPeer, kSecondPeer };

// A scene cut to even sides: 4:2:0 coders take no odd ones.
loopscenes::Scene Even(const loopscenes::Scene& scene)
{
    loopscenes::Scene even;
    even.name = scene.name;
    even.width = scene.width & ~1;
    even.height = scene.height & ~1;
    for (const PackedPicture& frame : scene.frames) {
        PackedPicture cut(even.width, even.height);
        for (int y = 0; y < even.height; ++y)
            std::copy_n(frame.Row(y), size_t(even.width) * 3, cut.Row(y));
        even.frames.push_back(std::move(cut));
    }
    return even;
}

const std::vector<loopscenes::Scene>& Scenes()
{
    static const std::vector<loopscenes::Scene> scenes = [] {
        SetUpFfmpegLogging();
        std::vector<loopscenes::Scene> even;
        for (const loopscenes::Scene& scene :
             loopscenes::MakeUnseenScenes([](const std::string& path) -> std::optional<PackedPicture> {
                 try {
                     return LoadPictureFile(path);
                 } catch (const FileError&) {
                     return std::nullopt;
                 }
             }))
            even.push_back(Even(scene));
        return even;
    }();
    return scenes;
}

class SceneSource final : public LoopFrameSource {
public:
    explicit SceneSource(const loopscenes::Scene& scene) : m_scene(scene) {}
    int FrameCount() const override { return int(m_scene.frames.size()); }
    const PackedPicture& RenderLoopFrame(int f) override { return m_scene.frames[size_t(f)]; }

private:
    const loopscenes::Scene& m_scene;
};

bool Have(const char* program)
{
    return loopscenes::RunCommand(std::string("command -v ") + program).has_value();
}

const char* Extension(int format)
{
    switch (format) {
    case kMp4: return ".mp4";
    case kWebm: return ".webm";
    case kAvif: return ".avif";
    default: return ".apng";
    }
}

std::unique_ptr<LoopWriter> OurWriter(int format)
{
    if (format == kAvif)
        return std::make_unique<AvifWriter>();
    if (format == kApng)
        return std::make_unique<ApngWriter>();
    return std::make_unique<VideoLoopWriter>();
}

// The peer's command writing `out` from the raw frames (and, for the tools that read
// pictures only, from PNG files `png%02d.png` made beforehand); empty when not installed.
std::string PeerCommand(int format, int coder, const loopscenes::Scene& scene, const std::string& raw,
                        const std::string& png, const std::string& out)
{
    const std::string ffmpeg = "ffmpeg -hide_banner -nostats -v error -y " + loopscenes::RawInput(scene, raw) + " ";
    switch (format) {
    case kMp4: return ffmpeg + "-c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p " + loopscenes::Quoted(out);
    case kWebm: return ffmpeg + "-c:v libvpx-vp9 -crf 32 -b:v 0 -pix_fmt yuv420p " + loopscenes::Quoted(out);
    case kAvif: {
        if (!Have("avifenc"))
            return {};
        const std::string q = std::to_string(AvifQuantizerForQuality(AvifOptions{}.quality));
        std::string command = "avifenc -j 2 -s " + std::to_string(AvifOptions::kDefaultSpeed) + " -y 420 --min " + q +
                              " --max " + q + " --fps " + std::to_string(loopscenes::kFramesPerSecond);
        for (size_t k = 0; k < scene.frames.size(); ++k)
            command += " " + loopscenes::Quoted(png + (k < 10 ? "0" : "") + std::to_string(k) + ".png");
        return command + " " + loopscenes::Quoted(out) + " >/dev/null";
    }
    default:
        if (coder == kPeer)
            return ffmpeg + "-plays 0 -pred mixed -compression_level 1 -f apng " + loopscenes::Quoted(out);
        if (!Have("apngasm"))
            return {};
        return "apngasm " + loopscenes::Quoted(out) + " " + loopscenes::Quoted(png + "00.png") + " 1 " +
               std::to_string(loopscenes::kFramesPerSecond) + " >/dev/null";
    }
}

// Codes every scene with one coder: bytes, the mean SSIM and PSNR and the time of the coding alone.
void BM_LoopPeers(benchmark::State& state)
{
    const int format = int(state.range(0)), coder = int(state.range(1));
    const fs::path folder = fs::temp_directory_path() / ("warplet-bench-peers-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    double bytes = 0, ssim = 0, psnr = 0;
    int measured = 0;
    for (auto _ : state) {
        bytes = ssim = psnr = 0;
        measured = 0;
        double seconds = 0;
        for (const loopscenes::Scene& scene : Scenes()) {
            const std::string raw = (folder / "frames.rgb").string(), png = (folder / "png").string();
            const std::string out = (folder / ("coded" + std::string(Extension(format)))).string();
            loopscenes::WriteRawFrames(scene, raw);
            fs::remove(out);
            Clock::time_point start;
            if (coder == kOurs) {
                SceneSource source(scene);
                const std::unique_ptr<LoopWriter> writer = OurWriter(format);
                start = Clock::now();
                const LoopResult result = WriteLoop(*writer, out, loopscenes::kFramesPerSecond, source);
                if (!result) {
                    state.SkipWithError(result.message.c_str());
                    return;
                }
            } else {
                const std::string command = PeerCommand(format, coder, scene, raw, png, out);
                if (command.empty()) {
                    state.SkipWithError("the peer is not installed");
                    return;
                }
                if ((format == kAvif || (format == kApng && coder == kSecondPeer)) &&
                    !loopscenes::RunCommand("ffmpeg -hide_banner -v error -y " + loopscenes::RawInput(scene, raw) +
                                            " -start_number 0 " + loopscenes::Quoted(png + "%02d.png"))) {
                    state.SkipWithError("the frames could not be written as pictures");
                    return;
                }
                start = Clock::now();
                if (!loopscenes::RunCommand(command)) {
                    state.SkipWithError(("failed: " + command).c_str());
                    return;
                }
            }
            seconds += std::chrono::duration<double>(Clock::now() - start).count();
            bytes += double(fs::file_size(out));
            const loopscenes::Fidelity fidelity = loopscenes::Compare(scene, raw, out);
            if (fidelity.Measured()) {
                ssim += fidelity.ssim;
                psnr += std::min(fidelity.psnr, 99.0);  // lossless: infinite
                ++measured;
            }
        }
        state.SetIterationTime(seconds);
    }
    fs::remove_all(folder);
    state.counters["bytes"] = bytes;
    state.counters["ssim"] = measured ? ssim / measured : -1;
    state.counters["psnr"] = measured ? psnr / measured : -1;
    state.counters["measured"] = measured;
}
BENCHMARK(BM_LoopPeers)
    ->ArgNames({"format", "coder"})
    ->Args({kMp4, kOurs})
    ->Args({kMp4, kPeer})
    ->Args({kWebm, kOurs})
    ->Args({kWebm, kPeer})
    ->Args({kAvif, kOurs})
    ->Args({kAvif, kPeer})
    ->Args({kApng, kOurs})
    ->Args({kApng, kPeer})
    ->Args({kApng, kSecondPeer})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(1);

}  // namespace

BENCHMARK_MAIN();
