#include "export/LoopFanOut.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

namespace {

// Frames waiting for one writer before the render waits for it.
constexpr size_t kQueuedFrames = 3;
// How often a wait looks at the source's stop (a signal sets it without waking anyone).
constexpr auto kStopPoll = std::chrono::milliseconds(50);

using SharedFrame = std::shared_ptr<const PackedPicture>;

// One writer on its thread: frames in through a short queue, a null frame ends the loop.
class Lane final : public LoopObserver {
public:
    Lane(LoopOutput& output, int framesPerSecond, const std::atomic<bool>& stop)
            : m_output(output), m_nFps(framesPerSecond), m_stop(stop)
    {
        m_output.writer->SetObserver(this);
        m_thread = std::thread([this] { Run(); });
    }
    ~Lane() override
    {
        Push(nullptr, [] {});
        if (m_thread.joinable())
            m_thread.join();
        m_output.writer->SetObserver(nullptr);
    }
    Lane(const Lane&) = delete;
    Lane& operator=(const Lane&) = delete;

    bool StopRequested() override { return m_stop.load(); }
    void Finishing(int done, int /*total*/) override
    {
        // A writer that codes again to fit a size limit starts over; progress stays.
        if (done > m_finished.load())
            m_finished.store(done);
    }
    // Frames the writer coded at its end so far.
    int Finished() const { return m_finished.load(); }

    // Waits for room (or a stop, or the writer's end), running `poll` now and then;
    // false when the writer takes no more.
    template <typename Poll>
    bool Push(SharedFrame frame, Poll poll)
    {
        std::unique_lock lock(m_mutex);
        while (!m_bDone && m_queue.size() >= kQueuedFrames && !(frame && m_stop.load())) {
            m_changed.wait_for(lock, kStopPoll);
            lock.unlock();
            poll();
            lock.lock();
        }
        if (m_bDone || m_bEnded)
            return false;
        m_bEnded = frame == nullptr;
        m_queue.push_back(std::move(frame));
        m_changed.notify_all();
        return true;
    }
    // Waits for the writer's end, waking now and then to run `poll`.
    template <typename Poll>
    void Wait(Poll poll)
    {
        std::unique_lock lock(m_mutex);
        while (!m_bDone) {
            m_changed.wait_for(lock, kStopPoll);
            lock.unlock();
            poll();
            lock.lock();
        }
    }
    bool Accepting()
    {
        std::lock_guard lock(m_mutex);
        return !m_bDone;
    }
    void Wake() { m_changed.notify_all(); }
    LoopResult Result() const { return m_result; }

private:
    SharedFrame Next()
    {
        std::unique_lock lock(m_mutex);
        while (m_queue.empty())
            m_changed.wait(lock);
        SharedFrame frame = std::move(m_queue.front());
        m_queue.pop_front();
        m_changed.notify_all();
        return frame;
    }
    LoopResult Encode()
    {
        LoopWriter& writer = *m_output.writer;
        bool begun = false;
        for (;;) {
            const SharedFrame frame = Next();
            if (StopRequested())
                return LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + m_output.path);
            if (!frame)
                return begun ? writer.Finish()
                             : LoopResult::Fail(LoopStatus::NoFrames, "the animation has no frames: " + m_output.path);
            if (!begun) {
                if (LoopResult result = writer.Begin(m_output.path, {frame->Width(), frame->Height(), m_nFps}); !result)
                    return result;
                begun = true;
            }
            if (LoopResult result = writer.AddFrame(*frame); !result)
                return result;
        }
    }
    void Run()
    {
        LoopResult result;
        try {
            result = Encode();
        } catch (const std::bad_alloc&) {
            result = LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory while writing " + m_output.path);
        }
        if (!result)
            m_output.writer->Abandon();
        std::lock_guard lock(m_mutex);
        m_result = std::move(result);
        m_bDone = true;
        m_queue.clear();
        m_changed.notify_all();
    }

    LoopOutput& m_output;
    int m_nFps;
    const std::atomic<bool>& m_stop;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SharedFrame> m_queue;
    bool m_bEnded = false;  // the end was queued
    bool m_bDone = false;   // the writer's thread has its result
    std::atomic<int> m_finished{0};
    LoopResult m_result;
    std::thread m_thread;
};

}  // namespace

std::vector<LoopResult> WriteLoops(std::vector<LoopOutput>& outputs, int framesPerSecond, LoopFrameSource& source)
{
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<Lane>> lanes;
    for (LoopOutput& output : outputs)
        lanes.push_back(std::make_unique<Lane>(output, framesPerSecond, stop));
    const auto askStop = [&] {
        if (!stop.load() && source.StopRequested()) {
            stop.store(true);
            for (const auto& lane : lanes)
                lane->Wake();
        }
    };

    // Progress counts each rendered frame and each frame a writer codes at its end.
    const int count = source.FrameCount();
    int finishing = 0;
    for (const LoopOutput& output : outputs)
        finishing += output.writer->FinishesFrameByFrame() ? 1 : 0;
    const int total = count * (1 + finishing);
    int rendered = 0, reported = 0;
    const auto report = [&] {
        int done = rendered;
        for (const auto& lane : lanes)
            done += std::min(lane->Finished(), count);
        if (done > reported) {
            reported = done;
            source.Progress(done, total);
        }
    };
    const auto poll = [&] {
        askStop();
        report();
    };
    source.Progress(0, total);
    for (int f = 0; f < count && !stop.load(); ++f) {
        bool wanted = false;
        for (const auto& lane : lanes)
            wanted = wanted || lane->Accepting();
        if (!wanted)
            break;
        const auto frame = std::make_shared<const PackedPicture>(source.RenderLoopFrame(f));
        for (const auto& lane : lanes)
            lane->Push(frame, askStop);
        rendered = f + 1;
        report();
        askStop();
    }
    for (const auto& lane : lanes) {
        lane->Push(nullptr, poll);
        lane->Wait(poll);
    }
    report();
    std::vector<LoopResult> results;
    for (const auto& lane : lanes)
        results.push_back(lane->Result());
    return results;
}

const PackedPicture& BigPictureLoopSource::RenderLoopFrame(int f)
{
    return m_big.RenderSubFrame(int64_t(f) * 64);
}

void BigPictureLoopSource::Progress(int done, int total)
{
    if (m_big.Observer())
        m_big.Observer()->Progress(done, total);
}
