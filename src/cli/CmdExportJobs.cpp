#include "cli/CmdExportJobs.h"

#include "cli/CliCommands.h"

#include <QFileInfo>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <numeric>
#include <set>
#include <sstream>
#include <thread>

namespace {

constexpr int kMaxJobs = 64;

std::vector<std::string> SplitFormats(const std::string& text)
{
    static const std::set<std::string> known = {"gif", "webp", "apng", "avif", "mp4", "webm", "wmv"};
    std::vector<std::string> formats;
    std::stringstream in(text);
    for (std::string format; std::getline(in, format, ',');) {
        if (!known.count(format))
            throw CliError("--format: a list of gif, webp, apng, avif, mp4, webm, wmv (got \"" + format + "\")");
        if (std::find(formats.begin(), formats.end(), format) != formats.end())
            throw CliError("--format: " + format + " is asked for twice");
        formats.push_back(format);
    }
    if (formats.empty())
        throw CliError("--format: name at least one format");
    return formats;
}

int DefaultJobs()
{
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxJobs);
}

}  // namespace

ExportConsole::ExportConsole(int jobs) : m_progress("export"), m_done(size_t(std::max(jobs, 1)), 0.0) {}

void ExportConsole::Out(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    m_progress.Finish();
    std::cout << line << std::endl;
}

void ExportConsole::Error(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    m_progress.Finish();
    ReportLine(QString::fromStdString(line));
}

void ExportConsole::Failure(std::exception_ptr error)
{
    std::lock_guard lock(m_mutex);
    m_progress.Finish();
    ReportFailure(std::move(error));
}

void ExportConsole::FinishBar()
{
    std::lock_guard lock(m_mutex);
    m_progress.Finish();
}

void ExportConsole::JobProgress(int job, int pass, int passes, int done, int total)
{
    std::lock_guard lock(m_mutex);
    if (m_done.size() == 1 && passes == 1) {
        m_progress.Progress(done, total);
        return;
    }
    if (total <= 0 || passes <= 0 || job < 0 || size_t(job) >= m_done.size())
        return;
    m_done[size_t(job)] = (pass + double(done) / total) / passes;
    const double sum = std::accumulate(m_done.begin(), m_done.end(), 0.0);
    const int steps = int(m_done.size()) * 100;
    m_progress.Progress(std::min(steps, int(sum * 100)), steps);
}

int RunExportBatch(const CliArgs& a, const ExportChoices& choices)
{
    if (a.Has("-o"))
        throw CliError("-o: name the outputs either with -o or with --out-dir and --format");
    if (!a.Has("--out-dir") || !a.Has("--format"))
        throw CliError("--out-dir and --format go together");
    const std::vector<std::string>& projects = a.Positional();
    if (projects.empty())
        throw CliError("expected one or more project files");
    const std::string dir = a.Value("--out-dir");
    const std::vector<std::string> formats = SplitFormats(a.Value("--format"));
    const int jobs = std::min(int(a.Number("--jobs", DefaultJobs())), int(projects.size()));

    std::vector<std::vector<ExportOutput>> outputs;
    std::set<std::string> names;
    for (const std::string& project : projects) {
        const std::string name = QFileInfo(QString::fromStdString(project)).completeBaseName().toStdString();
        if (!names.insert(name).second)
            throw CliError(project + ": another project of the same name would write the same files in " + dir);
        std::vector<ExportOutput> mine;
        for (const std::string& format : formats)
            mine.push_back(ClassifyOutput(dir + "/" + name + "." + format, choices.highGif));
        CheckOutputs(a, mine, choices);
        outputs.push_back(std::move(mine));
    }
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    if (made)
        throw CliError("--out-dir: cannot make " + dir + ": " + made.message());

    ExportConsole console(int(projects.size()));
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    const auto work = [&] {
        for (size_t i = next++; i < projects.size() && !console.CheckCancel(); i = next++) {
            ExportJobObserver observer(console, int(i));
            int status = 1;
            try {
                status = ExportProject(projects[i], outputs[i], choices, console, observer);
            } catch (...) {
                console.Failure(std::current_exception());
            }
            if (status != 0)
                ++failed;
        }
    };
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs; ++j)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    if (console.CheckCancel()) {
        console.Error("export cancelled");
        return 1;
    }
    console.Out("exported " + std::to_string(projects.size() - size_t(failed.load())) + " of " +
                std::to_string(projects.size()) + " projects to " + dir);
    return failed.load() == 0 ? 0 : 1;
}
