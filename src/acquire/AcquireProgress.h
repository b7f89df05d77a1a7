#pragma once
// What the transfer thread and the progress window share: the item number and
// count, the last status and percentage, the cancel counter and the end of the
// transfer. Every field is atomic; nothing else crosses the threads.

#include <atomic>
#include <functional>

// Answers of a progress function, as the transfer understands them.
enum class ProgressAnswer { Continue, Stop, InvalidStatus };

// How a transfer ended.
enum class TransferEnd { Done, Cancelled, Failed };

// Transfer statuses reported to the progress function.
namespace TransferStatus {
inline constexpr int FromDevice = 1;
inline constexpr int ProcessingData = 2;
inline constexpr int ToClient = 4;
}  // namespace TransferStatus

// Called by the transfer with a status and a percentage (0 to 100).
using ProgressFunction = std::function<ProgressAnswer(int status, int percent)>;

class AcquireProgress {
public:
    // The progress function of the transfer: Stop once cancelled; the
    // percentage is kept for the three transfer statuses, any other status is
    // InvalidStatus.
    ProgressAnswer Report(int status, int percent);
    ProgressFunction Function()
    {
        return [this](int status, int percent) { return Report(status, percent); };
    }

    // The progress window's cancel button.
    void Cancel() { m_cancel.fetch_add(1); }
    bool Cancelled() const { return m_cancel.load() != 0; }

    void SetItem(int number, int count)
    {
        m_item.store(number);
        m_count.store(count);
    }
    int Item() const { return m_item.load(); }
    int Count() const { return m_count.load(); }
    int Percent() const { return m_percent.load(); }
    // True once the transfer reported anything.
    bool Started() const { return m_started.load(); }

    void SetFinished() { m_finished.store(true); }
    bool Finished() const { return m_finished.load(); }

private:
    std::atomic<int> m_cancel{0};
    std::atomic<int> m_item{1};
    std::atomic<int> m_count{1};
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
};
