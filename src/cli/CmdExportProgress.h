#pragma once
// Progress and cancelling of a command-line export: a bar on stderr when it is
// a terminal, a plain line at every tenth otherwise; Ctrl+C (SIGINT) asks the
// export to stop after the frame being rendered.

#include "export/BigPicture.h"

#include <csignal>
#include <string>

class CliExportProgress : public ExportObserver {
public:
    // Installs the SIGINT handler; the previous one comes back on destruction.
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
    int m_nLastShown = -1;   // percent (bar) or tenth (lines) last printed
    bool m_bBarOpen = false;
    struct sigaction m_previous {};
};
