#include "update/UpdateInfo.h"

#include "update/CurlHttpClient.h"
#include "update/UpdateCheck.h"

#include <condition_variable>
#include <mutex>

// What the worker shares with the window thread. The worker holds it too, so
// it stays valid even if the program ends while a check still runs.
struct UpdateInfo::Shared {
    mutable std::mutex mutex;
    std::condition_variable finished;
    bool running = false;
    UpdateAnswer answer;
    std::function<void()> notify;
    std::function<bool()> online;
};

UpdateInfo& UpdateInfo::Get()
{
    static UpdateInfo info;
    return info;
}

UpdateInfo::UpdateInfo() : m_shared(std::make_shared<Shared>()) {}

UpdateInfo::~UpdateInfo()
{
    const bool ended = WaitForCheck(kExitWait);
    if (!m_worker.joinable())
        return;
    if (ended)
        m_worker.join();
    else
        m_worker.detach();  // it keeps its own share of the state
}

void UpdateInfo::StartCheck()
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->answer.status = 0;
        if (m_shared->running)
            return;
        m_shared->running = true;
    }
    if (m_worker.joinable())
        m_worker.join();  // the previous check has ended
    m_worker = std::thread(&UpdateInfo::Run, m_shared);
}

bool UpdateInfo::WaitForCheck(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->finished.wait_for(lock, limit, [this] { return !m_shared->running; });
}

bool UpdateInfo::Running() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->running;
}

UpdateAnswer UpdateInfo::Answer() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->answer;
}

void UpdateInfo::SetNotify(std::function<void()> notify)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->notify = std::move(notify);
}

void UpdateInfo::SetConnectionTest(std::function<bool()> online)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->online = std::move(online);
}

void UpdateInfo::Run(const std::shared_ptr<Shared>& shared)
{
    CheckSettings settings;
    {
        const std::lock_guard lock(shared->mutex);
        settings.online = shared->online;
    }
    CheckResult result;
    try {
        CurlHttpClient http;
        result = RunUpdateCheck(http, settings);
    } catch (...) {
        // Nothing a check meets may end the program: the check simply did not happen.
        result = CheckResult();
    }

    const std::lock_guard lock(shared->mutex);
    // An answer is shown even when the schedule could not be stored after it.
    if (result.answered) {
        shared->answer = result.answer;
        if (shared->notify)
            shared->notify();
    }
    shared->running = false;
    shared->finished.notify_all();
}
