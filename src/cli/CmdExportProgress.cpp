#include "cli/CmdExportProgress.h"

#include <unistd.h>

#include <cstdio>

namespace {

// Set by the signal handler; a signal handler can reach nothing else.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

constexpr int kBarWidth = 30;

}  // namespace

CliExportProgress::CliExportProgress(std::string label)
        : m_label(std::move(label)), m_bTerminal(isatty(STDERR_FILENO) != 0)
{
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // A second signal ends the program at once.
    action.sa_flags = SA_RESETHAND;
    for (size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &action, &m_previous[i]);
}

CliExportProgress::~CliExportProgress()
{
    Finish();
    for (size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &m_previous[i], nullptr);
}

void CliExportProgress::Progress(int done, int total)
{
    if (total <= 0)
        return;
    const int percent = int(int64_t(done) * 100 / total);
    if (m_bTerminal) {
        if (percent == m_nLastShown)
            return;
        m_nLastShown = percent;
        const int filled = percent * kBarWidth / 100;
        const std::string bar = std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), ' ');
        std::fprintf(stderr, "\r%s [%s] %3d%% %d/%d", m_label.c_str(), bar.c_str(), percent, done, total);
        std::fflush(stderr);
        m_bBarOpen = true;
    } else {
        const int tenth = percent / 10;
        if (tenth == m_nLastShown)
            return;
        m_nLastShown = tenth;
        std::fprintf(stderr, "%s: %d%% (%d/%d)\n", m_label.c_str(), percent, done, total);
    }
}

bool CliExportProgress::CheckCancel()
{
    return g_interrupted != 0;
}

void CliExportProgress::Finish()
{
    if (m_bBarOpen) {
        std::fputc('\n', stderr);
        m_bBarOpen = false;
    }
}
