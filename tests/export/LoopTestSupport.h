#pragma once
// Test helpers for the loop writers: frame sources, moving photo-like frames, and
// running the decoders that are not ours (Pillow, FFmpeg, libwebp's tools).

#include "GifTestSupport.h"

#include "export/LoopWriter.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace looptest {

// Frames given in advance; asks to stop once `stopAfter` frames were handed over
// (or, with stopWhileFinishing, once the writer finished that many frames at the end).
class FramesSource : public LoopFrameSource {
public:
    explicit FramesSource(std::vector<PackedPicture> frames) : m_frames(std::move(frames)) {}
    int FrameCount() const override { return int(m_frames.size()); }
    const PackedPicture& RenderLoopFrame(int f) override
    {
        rendered = f + 1;
        return m_frames.at(size_t(f));
    }
    bool StopRequested() override
    {
        ++stopChecks;
        return stopAfter >= 0 && (stopWhileFinishing ? finished : rendered) >= stopAfter;
    }
    void Finishing(int done, int) override { finished = done; }

    int stopAfter = -1;
    bool stopWhileFinishing = false;
    int rendered = 0;
    int finished = 0;
    int stopChecks = 0;

private:
    std::vector<PackedPicture> m_frames;
};

// A photo-like loop whose middle swirls a little further in every frame, with a white
// square moving along the top so that any frame out of its place shows.
inline std::vector<PackedPicture> SwirlFrames(int width, int height, int count)
{
    std::vector<PackedPicture> frames;
    for (int k = 0; k < count; ++k) {
        PackedPicture p = giftest::PhotoLike(width, height, 0.1 * k);
        for (int y = 2; y < std::min(height, 18); ++y)
            for (int x = 16 * k % width; x < std::min(width, 16 * k % width + 16); ++x)
                giftest::SetPixel(p, x, y, 255, 255, 255);
        frames.push_back(std::move(p));
    }
    return frames;
}

// Frames of random bytes: nothing compresses them.
inline std::vector<PackedPicture> NoiseFrames(int width, int height, int count)
{
    std::vector<PackedPicture> frames;
    std::mt19937 rng(5);
    for (int k = 0; k < count; ++k) {
        PackedPicture p(width, height);
        for (uint8_t& b : p.Bits())
            b = uint8_t(rng());
        frames.push_back(std::move(p));
    }
    return frames;
}

// The frames as packed RGB, one after another, for decoders to compare against.
inline void WriteRaw(const std::vector<PackedPicture>& frames, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    for (const PackedPicture& f : frames) {
        const std::vector<uint8_t> rgb = PictureToRgb(f);
        out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    }
}

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and error
};

inline CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

inline bool HaveProgram(const std::string& name)
{
    return RunCommand("command -v " + name).status == 0;
}

// A Python with Pillow: the system's first (Debian's python3-pil), else the one on the path.
inline std::optional<std::string> PythonWithPillow()
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (RunCommand(std::string(python) + " -c 'import PIL.Image'").status == 0)
            return std::string(python);
    }
    return std::nullopt;
}

// What Pillow reads from an animation file.
struct PillowView {
    std::string format;
    int frames = 0;
    int width = 0;
    int height = 0;
    int loop = -1;                  // -1: the file says nothing
    std::vector<double> durations;  // milliseconds
    std::vector<double> meanError;  // mean absolute difference per byte from the raw frame
    std::string error;
};

inline PillowView ReadWithPillow(const std::string& python, const std::string& file, const std::string& raw)
{
    static const char* script = R"(
import sys
from PIL import Image, ImageSequence
path, raw = sys.argv[1], sys.argv[2]
im = Image.open(path)
data = open(raw, 'rb').read()
size = im.size[0] * im.size[1] * 3
durations, errors = [], []
for i, f in enumerate(ImageSequence.Iterator(im)):
    got = f.convert('RGB').tobytes()
    durations.append(float(f.info.get('duration', -1)))
    want = data[i * size:(i + 1) * size]
    errors.append(sum(abs(a - b) for a, b in zip(got, want)) / size if len(want) == size else -1.0)
print(im.format, getattr(im, 'n_frames', 1), im.size[0], im.size[1], im.info.get('loop', -1))
print(' '.join(repr(d) for d in durations))
print(' '.join(repr(e) for e in errors))
)";
    PillowView view;
    const std::string scriptFile = raw + ".py";
    std::ofstream(scriptFile) << script;
    const CommandResult run = RunCommand(python + " " + Quoted(scriptFile) + " " + Quoted(file) + " " + Quoted(raw));
    if (run.status != 0) {
        view.error = run.output;
        return view;
    }
    std::istringstream lines(run.output);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    std::istringstream(first) >> view.format >> view.frames >> view.width >> view.height >> view.loop;
    std::istringstream d(second);
    for (double v; d >> v;)
        view.durations.push_back(v);
    std::istringstream e(third);
    for (double v; e >> v;)
        view.meanError.push_back(v);
    return view;
}

// FFmpeg's decoding of every frame as packed RGB at the stream's own rate.
inline std::vector<uint8_t> DecodeWithFfmpeg(const std::string& file, const std::string& into)
{
    const CommandResult run = RunCommand("ffmpeg -hide_banner -nostats -v error -y -i " + Quoted(file) +
                                         " -f rawvideo -pix_fmt rgb24 " + Quoted(into));
    if (run.status != 0)
        return {};
    return giftest::ReadBytes(into);
}

// Mean absolute difference per byte between two equally long byte strings.
inline double MeanError(const uint8_t* a, const uint8_t* b, size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return count ? sum / double(count) : 0;
}

}  // namespace looptest
