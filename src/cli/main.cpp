// warplet-cli: project files from the command line. Exit status 0 on success;
// on failure a message on stderr and status 1.

#include "app/AppState.h"
#include "cli/CliCommands.h"
#include "export/FailureText.h"
#include "export/FfmpegLog.h"
#include "export/ImageLog.h"
#include "io/FileError.h"
#include "io/Archive.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace {

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
        ReportLine(QStringLiteral("unknown command ") + QString::fromStdString(ShownBytesUtf8(name)));
        PrintUsage(std::cerr);
        return 1;
    } catch (...) {
        ReportFailure(std::current_exception());
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    SetUpFfmpegLogging();
    SetUpImageLibraryLogging();
    // The AV1 encoder prints its settings unless asked for errors only.
    ::setenv("SVT_LOG", "1", 0);
    App().m_strDefaultPicture = ProgramDataFile(QStringLiteral("default.gif"));
    std::vector<std::string> words(argv + 1, argv + argc);
    // The language follows the locale unless --lang names one.
    if (words.size() >= 2 && words[0] == "--lang") {
        const std::optional<UiLanguage> language = ParseLanguage(QString::fromStdString(words[1]));
        if (!language) {
            ReportLine(QStringLiteral("--lang takes zh or en"));
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
