#pragma once
// The update answer of this run and the background check that fills it. One
// instance per process; the check runs on one worker thread at a time, and a
// non-empty answer is announced through a callback that hands it to the
// window thread.

#include "update/UpdateAnswer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class UpdateInfo {
public:
    // How long the end of the program waits for a running check.
    static constexpr std::chrono::seconds kExitWait{30};

    // The single instance, created on first use.
    static UpdateInfo& Get();

    UpdateInfo();
    // Waits up to kExitWait for a running check.
    ~UpdateInfo();
    UpdateInfo(const UpdateInfo&) = delete;
    UpdateInfo& operator=(const UpdateInfo&) = delete;

    // Clears the previous answer's status and starts a check on a worker
    // thread, unless one is still running.
    void StartCheck();
    // Waits until no check runs, at most `limit`; true when none runs.
    bool WaitForCheck(std::chrono::milliseconds limit);
    bool Running() const;

    // A copy of the answer as it stands.
    UpdateAnswer Answer() const;

    // Called on the worker thread after a non-empty answer has been parsed; it
    // must only post to the window thread. Cleared with an empty function;
    // once that returns, the old callback is no longer running or called.
    void SetNotify(std::function<void()> notify);
    // The connection test the check uses (IsOnline when empty).
    void SetConnectionTest(std::function<bool()> online);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;

    // The check, on the worker thread; touches nothing but `shared`.
    static void Run(const std::shared_ptr<Shared>& shared);
};
