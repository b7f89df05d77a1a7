// warplet-cli: project files from the command line. Exit status 0 on success;
// on failure a message on stderr and status 1.

#include "app/AppState.h"
#include "cli/CliCommands.h"
#include "export/FileError.h"
#include "project/Archive.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include "export/FfmpegLog.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <iostream>
#include <new>
#include <stdexcept>

namespace {

void PrintUsage(std::ostream& out)
{
    out << "usage: warplet-cli [--lang zh|en] COMMAND ARGUMENTS\n       warplet-cli COMMAND --help\n\ncommands:\n";
    for (const CliCommand& command : CliCommandTable())
        out << "  warplet-cli " << command.usage << "\n";
}

// The detail may quote names from files and devices: its control characters
// and stray bytes are escaped.
void Report(const QString& message, const std::string& detail)
{
    std::cerr << "warplet-cli: ";
    if (!message.isEmpty())
        std::cerr << message.toStdString() << ": ";
    std::cerr << ShownBytesUtf8(detail) << std::endl;
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
            std::cerr << "warplet-cli: --lang takes zh or en\n";
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
    const std::vector<std::string> args(words.begin() + 1, words.end());
    try {
        for (const CliCommand& command : CliCommandTable()) {
            if (name != command.name)
                continue;
            if (std::find(args.begin(), args.end(), "--help") != args.end() ||
                std::find(args.begin(), args.end(), "-h") != args.end()) {
                std::cout << "usage: warplet-cli " << command.usage << "\n";
                return 0;
            }
            return command.run(args);
        }
        std::cerr << "warplet-cli: unknown command " << name << "\n";
        PrintUsage(std::cerr);
        return 1;
    } catch (const CliError& e) {
        Report({}, e.what());
    } catch (const CliWriteError& e) {
        Report(AppString(StrId::CannotWriteFile), e.what());
    } catch (const ArchiveError& e) {
        Report(AppString(StrId::CannotReadFile), e.what());
    } catch (const FileError& e) {
        const bool writing = e.GetCause() == FileError::Cause::DiskFull;
        Report(AppString(writing ? StrId::CannotWriteFile : StrId::CannotReadFile), e.what());
    } catch (const std::bad_alloc&) {
        Report({}, "out of memory");
    } catch (const std::exception& e) {
        Report({}, e.what());
    }
    return 1;
}
