#pragma once
// Progress and cancelling of a command-line export: a bar on stderr when it is
// a terminal, a plain line at every tenth otherwise; a video's reaches 100 %
// when its file is complete. Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the export
// to stop: after the frame being rendered, or for a video between the encoder's
// packets (its flush included), so that a video or GIF being written is deleted
// as on cancelling.

#include "export/BigPicture.h"

#include <array>
#include <csignal>
#include <string>

class CliExportProgress : public ExportObserver {
public:
    static constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

    // Installs the handlers; the previous ones come back on destruction.
    explicit CliExportProgress(std::string label);
    ~CliExportProgress() override;
    CliExportProgress(const CliExportProgress&) = delete;
    CliExportProgress& operator=(const CliExportProgress&) = delete;

    void Progress(int done, int total) override;
    bool CheckCancel() override;
    // Ends the bar's line.
    void Finish();

private:
    std::string m_label;
    bool m_bTerminal;
    int m_nLastShown = -1;  // percent (bar) or tenth (lines) last printed
    bool m_bBarOpen = false;
    std::array<struct sigaction, kStopSignals.size()> m_previous{};
};
