// warplet-cli: project files from the command line. Exit status 0 on success;
// on failure a message on stderr and status 1.

#include "app/AppState.h"
#include "cli/CliCommands.h"
#include "export/FailureText.h"
#include "export/FfmpegLog.h"
#include "io/FileError.h"
#include "io/Archive.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <QCoreApplication>

#include <algorithm>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace {

// One line on stderr. The texts quote names from files and devices with their
// control characters and stray bytes escaped.
void Report(const QString& line)
{
    std::cerr << "warplet-cli: " << line.toStdString() << std::endl;
}

// A text that may end with a line break of its own (a library's message).
void ReportDetail(std::string detail)
{
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r' || detail.back() == ' '))
        detail.pop_back();
    Report(QString::fromStdString(ShownBytesUtf8(detail)));
}

bool AsksForHelp(const std::vector<std::string>& args)
{
    return std::find(args.begin(), args.end(), "--help") != args.end() ||
           std::find(args.begin(), args.end(), "-h") != args.end();
}

int Run(const std::string& name, const std::vector<std::string>& args)
{
    try {
        for (const CliCommand& command : CliCommandTable()) {
            if (name != command.name)
                continue;
            if (AsksForHelp(args)) {
                PrintCommandHelp(std::cout, command);
                return 0;
            }
            return command.run(args);
        }
        Report(QStringLiteral("unknown command ") + QString::fromStdString(ShownBytesUtf8(name)));
        PrintUsage(std::cerr);
        return 1;
    } catch (const CliError& e) {
        ReportDetail(e.what());
    } catch (const CliFileFailure& e) {
        Report(FailureLine(e.MessageId(), e.Path(), e.Cause()));
    } catch (const CliWriteError& e) {
        Report(AppString(StrId::CannotWriteFile) + QStringLiteral(": ") +
               QString::fromStdString(ShownBytesUtf8(e.what())));
    } catch (const FileError& e) {
        const bool writing = e.GetCause() == FileError::Cause::DiskFull;
        Report(FailureLine(writing ? StrId::CannotWriteFile : StrId::CannotReadFile, e.Path(), FailureCause(e)));
    } catch (const ArchiveError& e) {
        Report(FailureLine(StrId::CannotReadFile, {}, FailureCause(e)));
    } catch (const std::exception& e) {
        Report(FailureCause(e));  // no memory, or the error's own text
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    SetUpFfmpegLogging();
    App().m_strDefaultPicture = ProgramDataFile(QStringLiteral("default.gif"));
    std::vector<std::string> words(argv + 1, argv + argc);
    // The language follows the locale unless --lang names one.
    if (words.size() >= 2 && words[0] == "--lang") {
        const std::optional<UiLanguage> language = ParseLanguage(QString::fromStdString(words[1]));
        if (!language) {
            Report(QStringLiteral("--lang takes zh or en"));
            return 1;
        }
        App().m_language = *language;
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.empty()) {
        PrintUsage(std::cerr);
        return 1;
    }
    const std::string name = words[0];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(std::cout);
        return 0;
    }
    if (name == "--version" || name == "-V") {
        PrintVersion(std::cout);
        return 0;
    }
    return Run(name, std::vector<std::string>(words.begin() + 1, words.end()));
}
