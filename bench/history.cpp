// The undo history's memory: a project of 60 keyframes on a 412 x 309 work
// picture goes through 100 commands of the strip's menu and 100 strokes with
// the history's default budget (256 MiB). Reported as counters: how far the
// process's resident peak rose above what it held with the project alone,
// and what the history says it holds. The time is only for scale.
//
// And the time of one strip command recorded as a step on such a project of
// 60 different keyframes, beside what packing the whole document before and
// after each command would cost.

#include "animation/MapCompression.h"
#include "engine/RandomSource.h"
#include "engine/ToolTable.h"
#include "export/PictureFile.h"
#include "project/Project.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "support/MemoryUse.h"
#include "support/TestPictures.h"

namespace {

constexpr int kKeyframes = 60;
constexpr int kCommands = 100;
constexpr double kMiB = 1024.0 * 1024.0;

// The strip's commands in turn, on keyframe k; the count stays about 60.
void StripCommand(KeyframeStore& keys, int i, int k)
{
    switch (i % 5) {
    case 0: keys.Repeat(k); break;
    case 1: keys.MoveRight(k); break;
    case 2: keys.SetDuration(k, 4 + i % 9); break;
    case 3: keys.MoveLeft(k); break;
    default: keys.Delete(k); break;
    }
}

void BM_HistoryPeakMemory(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string picture = folder.filePath(QStringLiteral("photo.bmp")).toStdString();
    if (!SavePicture(picture, testpics::Gradient(412, 309))) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    RandomSource random{7};
    ToolTable tools{&random};
    double peakRise = 0, historyBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Project project;
        project.NewFromPicture(picture);
        project.SelectTool(tools, Project::kDefaultTool);
        while (project.Keys().Count() < kKeyframes)
            project.AddKey();
        const size_t resident = testsupport::StatusBytes("VmRSS");
        const bool resettable = testsupport::ResetResidentPeak();
        state.ResumeTiming();

        KeyframeStore& keys = project.Keys();
        for (int i = 0; i < kCommands; ++i) {
            const int k = 1 + (i * 7) % (keys.Count() - 2);
            project.SelectKey(k);
            const int x = 40 + (i * 37) % 330, y = 40 + (i * 53) % 230;
            const Project::StrokePoint points[] = {{x, y, 0}, {x + 20, y + 10, 0}, {x + 40, y, 0}};
            project.PerformStroke(points, false);
            project.History().BeginDocumentEdit();
            StripCommand(keys, i, k);
            project.History().EndDocumentEdit(QStringLiteral("Strip"));
        }

        state.PauseTiming();
        if (!resettable) {
            state.SkipWithError("the resident peak cannot be reset here");
            return;
        }
        peakRise = double(testsupport::StatusBytes("VmHWM") - resident) / kMiB;
        historyBytes = double(project.History().Bytes()) / kMiB;
        state.ResumeTiming();
    }
    state.counters["peak_rise_MiB"] = peakRise;
    state.counters["history_MiB"] = historyBytes;
}
// One run is enough for a memory figure, and a run takes many seconds.
BENCHMARK(BM_HistoryPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);

// A project of 60 keyframes, each a stroke further than the one before.
class StripScene {
public:
    StripScene()
    {
        const std::string picture = m_folder.filePath(QStringLiteral("photo.bmp")).toStdString();
        m_bReady = bool(SavePicture(picture, testpics::Gradient(412, 309)));
        if (!m_bReady)
            return;
        project.NewFromPicture(picture);
        project.SelectTool(m_tools, Project::kDefaultTool);
        while (project.Keys().Count() < kKeyframes) {
            project.AddKey();
            const int x = 40 + (project.Keys().Count() * 37) % 330, y = 40 + (project.Keys().Count() * 53) % 230;
            const Project::StrokePoint points[] = {{x, y, 0}, {x + 30, y + 15, 0}};
            project.PerformStroke(points, false);
        }
        project.SelectKey(kKeyframes / 2);
        project.History().Clear();
    }
    bool Ready() const { return m_bReady; }

    Project project;

private:
    QTemporaryDir m_folder;
    RandomSource m_random{7};
    ToolTable m_tools{&m_random};
    bool m_bReady = false;
};

void BM_StripCommandStep(benchmark::State& state)
{
    StripScene scene;
    if (!scene.Ready()) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    Project& project = scene.project;
    KeyframeStore& keys = project.Keys();
    // The history's first step packs every keyframe; the others share them.
    project.History().BeginDocumentEdit();
    keys.SetDuration(0, 5);
    project.History().EndDocumentEdit(QStringLiteral("Strip"));
    int i = 0;
    for (auto _ : state) {
        const int k = 1 + (i * 7) % (kKeyframes - 3);
        project.History().BeginDocumentEdit();
        switch (i % 3) {  // moves and durations: the count stays
        case 0: keys.MoveRight(k); break;
        case 1: keys.MoveLeft(k + 1); break;
        default: keys.SetDuration(k, 4 + i % 9); break;
        }
        project.History().EndDocumentEdit(QStringLiteral("Strip"));
        ++i;
    }
    state.counters["history_MiB"] = double(project.History().Bytes()) / kMiB;
}
BENCHMARK(BM_StripCommandStep)->Unit(benchmark::kMillisecond);

// What a step cost when it kept the whole document packed before and after.
void BM_WholeDocumentPackedTwice(benchmark::State& state)
{
    StripScene scene;
    if (!scene.Ready()) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    const KeyframeStore& keys = scene.project.Keys();
    for (auto _ : state) {
        for (int twice = 0; twice < 2; ++twice) {
            for (int k = 0; k < keys.Count(); ++k) {
                const CMMask& key = keys.Key(k);
                benchmark::DoNotOptimize(PackBlock(
                    {reinterpret_cast<const uint8_t*>(key.Map().data()), key.Map().size() * sizeof(Displacement)}));
                benchmark::DoNotOptimize(PackBlock(key.Thumbnail()));
            }
        }
    }
}
BENCHMARK(BM_WholeDocumentPackedTwice)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
