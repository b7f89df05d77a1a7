#pragma once
// Helpers for the tests of exports: the animation of a project as an export
// copies it, and a latch that one thread opens and another waits for.

#include "export/ExportAnimation.h"
#include "project/Project.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace exporttest {

// What an export renders from, copied from the project.
inline ExportAnimation AnimationOf(const Project& project)
{
    return ExportAnimation(project.Keys(), project.Picture());
}

// Opened once by one thread, waited for by another. The wait is bounded
// generously, so that a broken export fails its test instead of hanging it.
class Latch {
public:
    void Open()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_bOpen = true;
        }
        m_opened.notify_all();
    }
    bool Wait(std::chrono::seconds limit = std::chrono::seconds(60))
    {
        std::unique_lock lock(m_mutex);
        return m_opened.wait_for(lock, limit, [this] { return m_bOpen; });
    }
    // Closed again, for the next round (no thread may be waiting).
    void Reset()
    {
        const std::lock_guard lock(m_mutex);
        m_bOpen = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_bOpen = false;
};

}  // namespace exporttest
