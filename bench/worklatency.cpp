// The work window's latency, driven offscreen: synthetic pointer moves and
// timer steps of a stroke with the large enlarging brush over a 412 x 274
// picture (with a photograph four times as large for the magnified views),
// each timed from the event to the end of the paint that shows it, at every
// zoom; the same for pointer moves without a button (the outline moves over
// the kept picture); and playback of a three-keyframe loop on the player's 16 ms timer for
// 10 s, counting ticks that came a whole period late.

#include "animation/KeyframeStore.h"
#include "animation/Playback.h"
#include "engine/ToolTable.h"
#include "support/TestPictures.h"
#include "work/ui/WorkWnd.h"

#include <QApplication>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kPhotoW = 1648, kPhotoH = 1096;  // 4 x the work picture

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

struct Rig {
    explicit Rig(int scale)
    {
        const PackedPicture photo = testpics::Noise(kPhotoW, kPhotoH, 1);
        picture.SetLoadedPicture(photo);
        map = DisplacementMap(picture.Width(), picture.Height());
        picture.AttachMap(map.Ref());
        tool = tools.Find(1021);
        tool->SetPictureSize(picture.Width(), picture.Height());
        detail = std::make_shared<const PackedPicture>(photo);
        wnd = std::make_unique<CWorkWnd>(picture);
        wnd->SetDetailSource([this] { return detail; });
        wnd->PictureChanged();
        wnd->SetActiveTool(tool);
        wnd->installEventFilter(&counter);
        wnd->show();
        (void)QTest::qWaitForWindowExposed(wnd.get());
        const QPoint centre(picture.Width() / 2, picture.Height() / 2);
        while (wnd->View().Scale() < scale)
            wnd->ZoomIn(centre);
        wnd->repaint();
    }
    // Delivers what is pending up to the end of the paints it asks for.
    void Settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QCoreApplication::processEvents();
    }
    WorkPicture picture;
    DisplacementMap map;
    ToolTable tools;
    CTool* tool = nullptr;
    std::shared_ptr<const PackedPicture> detail;
    std::unique_ptr<CWorkWnd> wnd;
    PaintCounter counter;
};

void SendMouse(QWidget& w, QEvent::Type type, QPoint client, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    const QPointF at(client + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge));
    QMouseEvent event(type, at, w.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

double Percentile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, size_t(std::ceil(q * double(values.size()))) - 1);
    return values[i];
}

void ReportLatency(benchmark::State& state, const std::vector<double>& samples)
{
    state.counters["p99_ms"] = Percentile(samples, 0.99);
    state.counters["median_ms"] = Percentile(samples, 0.5);
    state.counters["max_ms"] = Percentile(samples, 1.0);
}

// 600 samples at each zoom, timed by the benchmark itself.
void AtEveryZoom(benchmark::internal::Benchmark* b)
{
    b->ArgName("zoom")->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Iterations(600)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// One sample per iteration: a pointer move or a timer step (alternately)
// along a circle through the shown part of the picture.
void BM_WorkWindowLatency(benchmark::State& state)
{
    Rig rig(int(state.range(0)));
    CWorkWnd& w = *rig.wnd;
    const int W = rig.picture.Width(), H = rig.picture.Height();
    auto pointAt = [&](int64_t i) {
        const double a = double(i) * 0.05;
        return QPoint(W / 2 + int(W / 3 * std::cos(a)), H / 2 + int(H / 3 * std::sin(a)));
    };
    SendMouse(w, QEvent::MouseButtonPress, pointAt(0), Qt::LeftButton, Qt::LeftButton);
    rig.Settle();
    std::vector<double> samples;
    int64_t i = 0;
    int unpainted = 0;
    for (auto _ : state) {
        ++i;
        const int paints = rig.counter.paints;
        const auto start = std::chrono::steady_clock::now();
        if (i % 2)
            SendMouse(w, QEvent::MouseMove, pointAt(i), Qt::NoButton, Qt::LeftButton);
        else
            w.TimerStep();
        rig.Settle();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (rig.counter.paints == paints)
            ++unpainted;
        samples.push_back(seconds * 1e3);
    }
    SendMouse(w, QEvent::MouseButtonRelease, pointAt(i), Qt::LeftButton, Qt::NoButton);
    ReportLatency(state, samples);
    state.counters["unpainted"] = unpainted;
}
BENCHMARK(BM_WorkWindowLatency)->Apply(AtEveryZoom);

// Pointer moves without a button along the same circle: only the outline moves.
void BM_WorkWindowHoverLatency(benchmark::State& state)
{
    Rig rig(int(state.range(0)));
    CWorkWnd& w = *rig.wnd;
    const int W = rig.picture.Width(), H = rig.picture.Height();
    std::vector<double> samples;
    int64_t i = 0;
    for (auto _ : state) {
        ++i;
        const double a = double(i) * 0.05;
        const QPoint at(W / 2 + int(W / 3 * std::cos(a)), H / 2 + int(H / 3 * std::sin(a)));
        const auto start = std::chrono::steady_clock::now();
        SendMouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
        rig.Settle();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1e3);
    }
    ReportLatency(state, samples);
}
BENCHMARK(BM_WorkWindowHoverLatency)->Apply(AtEveryZoom);

KeyframeStore ThreeKeys(int W, int H)
{
    std::vector<std::unique_ptr<CMMask>> masks;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        auto mask = std::make_unique<CMMask>(W, H, 0);
        const DisplacementMap map = testpics::RandomMap(W, H, 20 * 64, seed);
        mask->Map().assign(map.Elements().begin(), map.Elements().end());
        mask->SetDuration(10);
        masks.push_back(std::move(mask));
    }
    KeyframeStore store;
    store.Assign(std::move(masks), ZeroThumbnailHeader());
    store.SetActive(0);
    return store;
}

// Plays for 10 s as the player does (a precise 16 ms timer; each tick renders
// the interpolated map and repaints the window) and counts the ticks that
// started a whole period or more behind their schedule.
class PlaybackDriver : public QObject {
public:
    PlaybackDriver(Rig& rig, KeyframeStore& keys) : m_rig(rig), m_keys(keys) {}
    void Run(int64_t durationMs)
    {
        m_playback.Start(m_keys);
        m_duration = durationMs;
        m_clock.start();
        m_timer.start(AnimationPlayback::kTickMs, Qt::PreciseTimer, this);
        while (m_timer.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    void timerEvent(QTimerEvent*) override
    {
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        ++ticks;
        const double lateness = now - double(ticks) * AnimationPlayback::kTickMs;
        maxLateMs = std::max(maxLateMs, lateness);
        if (lateness >= AnimationPlayback::kTickMs)
            ++late;
        m_playback.Tick(m_keys, m_rig.picture, 30, true);
        m_rig.wnd->repaint();
        tickMs.push_back(double(m_clock.nsecsElapsed()) / 1e6 - now);
        if (now >= double(m_duration))
            m_timer.stop();
    }
    int ticks = 0;
    int late = 0;
    double maxLateMs = 0;
    std::vector<double> tickMs;

private:
    Rig& m_rig;
    KeyframeStore& m_keys;
    AnimationPlayback m_playback;
    QBasicTimer m_timer;
    QElapsedTimer m_clock;
    int64_t m_duration = 0;
};

void BM_WorkWindowPlayback10s(benchmark::State& state)
{
    Rig rig(int(state.range(0)));
    KeyframeStore keys = ThreeKeys(rig.picture.Width(), rig.picture.Height());
    for (auto _ : state) {
        PlaybackDriver driver(rig, keys);
        driver.Run(10000);
        state.counters["ticks"] = driver.ticks;
        state.counters["late_ticks"] = driver.late;
        state.counters["max_late_ms"] = driver.maxLateMs;
        state.counters["tick_p99_ms"] = Percentile(driver.tickMs, 0.99);
    }
}
BENCHMARK(BM_WorkWindowPlayback10s)->ArgName("zoom")->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
