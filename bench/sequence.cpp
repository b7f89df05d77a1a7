// A sequence of 48 pictures of 412 x 274 (a 300 x 200 photo at the screen
// size) saved to disk, against the same frames rendered and encoded in memory:
// what writing every file safely costs on top of making it. The files go to a
// folder beside the benchmark program, on a real disk (a temporary folder may
// live in memory, where flushing costs nothing).

#include "export/BigPicture.h"
#include "export/ExportSequence.h"
#include "export/PictureFile.h"
#include "project/Project.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kPictureWidth = 300, kPictureHeight = 200;
constexpr int kKeyDuration = 24;  // two keyframes: 48 frames

PackedPicture Photo()
{
    PackedPicture p(kPictureWidth, kPictureHeight);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x) {
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(std::clamp(int(120 + 90 * std::sin(x * 0.05)) + noise(rng), 0, 255));
            px[1] = uint8_t(std::clamp(int(110 + 80 * std::cos(y * 0.07)) + noise(rng), 0, 255));
            px[2] = uint8_t(std::clamp((x + y) * 255 / (kPictureWidth + kPictureHeight) + noise(rng), 0, 255));
        }
    return p;
}

// A fresh folder beside the benchmark program, removed with everything in it.
class BenchFolder {
public:
    BenchFolder()
    {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        const std::filesystem::path beside = error ? std::filesystem::current_path() : program.parent_path();
        std::string pattern = (beside / "warplet-bench-sequence-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    bool Valid() const { return !m_path.empty(); }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The project: a photo, two keyframes of 24 frames, the second moving it.
struct Scene {
    BenchFolder folder;
    Project project;
    std::unique_ptr<CBigPicture> big;

    Scene()
    {
        const std::string picture = folder.Path("photo.bmp");
        if (!folder.Valid() || !SavePicture(picture, Photo()))
            return;
        project.SetDefaultPicture(picture);
        project.NewFromPicture(picture);
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{6 * 64, 3 * 64};
        project.Keys().SetDuration(0, kKeyDuration);
        project.Keys().SetDuration(1, kKeyDuration);
        big = std::make_unique<CBigPicture>(ExportAnimation(project.Keys(), project.Picture()));
        big->SetSource(picture, CBigPicture::kScreen);
    }
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

// JPEG, and BMP whose encoding costs nearly nothing, so that writing the files weighs most.
const char* const kFormats[] = {"jpg", "bmp"};

// Encodes a rendered frame in memory as the picture files are encoded.
qsizetype EncodeInMemory(const PackedPicture& frame, const char* format)
{
    const QImage view(frame.Bits().data(), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_BGR888);
    const QImage image = view.mirrored(false, true).convertToFormat(QImage::Format_RGB888);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, std::string(format) == "jpg" ? "jpeg" : format);
    if (std::string(format) == "jpg")
        writer.setQuality(kJpegQuality);
    writer.write(image);
    return encoded.size();
}

void BM_PictureSequence48(benchmark::State& state)
{
    Scene& scene = TheScene();
    if (!scene.big) {
        state.SkipWithError("no project");
        return;
    }
    const char* format = kFormats[state.range(0)];
    const std::vector<int> frames = AllFrames(scene.big->TotalFrames());
    const std::string folder = scene.folder.Path("sequence");
    const std::string base = folder + "/frame." + format;
    for (auto _ : state) {
        // Each run writes new files, as a first export does.
        state.PauseTiming();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        std::filesystem::create_directory(folder, ignored);
        state.ResumeTiming();
        const PictureSequenceResult result = ExportPictureSequence(*scene.big, base, frames);
        if (result.written.size() != frames.size())
            state.SkipWithError("a picture was not written");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(frames.size()));
}
BENCHMARK(BM_PictureSequence48)->ArgName("format")->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodePictures48(benchmark::State& state)
{
    Scene& scene = TheScene();
    if (!scene.big) {
        state.SkipWithError("no project");
        return;
    }
    const char* format = kFormats[state.range(0)];
    const int total = scene.big->TotalFrames();
    for (auto _ : state) {
        for (int f = 0; f < total; ++f) {
            scene.big->PrepareFrame(f);
            scene.big->RenderFrame(f);
            benchmark::DoNotOptimize(EncodeInMemory(scene.big->Frame(), format));
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * total);
}
BENCHMARK(BM_EncodePictures48)->ArgName("format")->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
