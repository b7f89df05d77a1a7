#pragma once
// The export command's outputs and jobs: the files asked for, what writes them,
// the passes over the loop a project needs (one render for every output that
// takes the loop's frames as they are, a pass of its own for the classic GIF, the
// WMV and picture sequences), and many projects exported side by side with one
// progress display.

#include "cli/CliArgs.h"
#include "cli/CmdExport.h"
#include "cli/CmdExportProgress.h"
#include "export/ExportWorker.h"
#include "export/LoopFormats.h"

#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class OutputKind { Loop, ClassicGif, Wmv, Pictures };
// The loop formats are the export worker's (chosen by the same extensions).
using LoopFormat = LoopFileFormat;

struct ExportOutput {
    std::string path;
    OutputKind kind = OutputKind::Loop;
    LoopFormat format = LoopFormat::HighGif;  // for kind Loop
};

// What the options choose, the same for every project.
struct ExportChoices {
    int speed = 30;
    CliFrameSize size;
    bool highGif = false;
    LoopWriterOptions loop;
    std::optional<std::string> frames;
};

struct ExportPass {
    OutputKind kind;
    std::vector<const ExportOutput*> outputs;  // several for kind Loop, else one
};

// Output lines, error lines and the progress of every job, one at a time.
class ExportConsole {
public:
    explicit ExportConsole(int jobs);

    void Out(const std::string& line);
    void Error(const std::string& line);
    void Failure(std::exception_ptr error);
    void FinishBar();
    // A job's progress: pass `pass` of `passes`, `done` of `total` steps. A single job
    // of a single pass shows its own steps; otherwise the share of all the work.
    void JobProgress(int job, int pass, int passes, int done, int total);
    bool CheckCancel() { return m_progress.CheckCancel(); }

private:
    std::mutex m_mutex;
    CliExportProgress m_progress;
    std::vector<double> m_done;  // each job's share done, 0 to 1
};

// The export observer of one job.
class ExportJobObserver final : public ExportObserver {
public:
    ExportJobObserver(ExportConsole& console, int job) : m_console(console), m_nJob(job) {}
    void SetPasses(int passes) { m_nPasses = passes; }
    void StartPass(int pass) { m_nPass = pass; }
    void Progress(int done, int total) override { m_console.JobProgress(m_nJob, m_nPass, m_nPasses, done, total); }
    bool CheckCancel() override { return m_console.CheckCancel(); }

private:
    ExportConsole& m_console;
    int m_nJob;
    int m_nPass = 0;
    int m_nPasses = 1;
};

// The output a path asks for (by its extension; .gif by --quality); CliError otherwise.
ExportOutput ClassifyOutput(const std::string& path, bool highGif);
ExportChoices ParseExportChoices(const CliArgs& a);
// Refuses options none of the outputs use, a path asked for twice, a crf outside its
// codec's range and a format whose library or encoder is missing.
void CheckOutputs(const CliArgs& a, const std::vector<ExportOutput>& outputs, const ExportChoices& choices);
void CheckOutputLibrary(const ExportOutput& output, const ExportChoices& choices);
// One pass for every loop output (first), one for each other output.
std::vector<ExportPass> PlanPasses(const std::vector<ExportOutput>& outputs);
// Writes every output of one project; 1 when any failed or the export was stopped.
int ExportProject(const std::string& projectPath, const std::vector<ExportOutput>& outputs,
                  const ExportChoices& choices, ExportConsole& console, ExportJobObserver& observer);
// export P1.kib P2.kib ... --out-dir DIR --format gif,webp,mp4 [--jobs N]
int RunExportBatch(const CliArgs& a, const ExportChoices& choices);
