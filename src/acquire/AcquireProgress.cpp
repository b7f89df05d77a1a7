#include "acquire/AcquireProgress.h"

#include <algorithm>

ProgressAnswer AcquireProgress::Report(int status, int percent)
{
    if (Cancelled())
        return ProgressAnswer::Stop;
    switch (status) {
    case TransferStatus::FromDevice:
    case TransferStatus::ProcessingData:
    case TransferStatus::ToClient:
        m_percent.store(std::clamp(percent, 0, 100));
        m_started.store(true);
        return ProgressAnswer::Continue;
    default: return ProgressAnswer::InvalidStatus;
    }
}
