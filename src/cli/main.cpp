// warplet-cli: project files from the command line. Exit status 0 on success;
// on failure a message on stderr and status 1.

#include "app/AppState.h"
#include "cli/CliCommands.h"
#include "export/FileError.h"
#include "project/Archive.h"
#include "res/StringTable.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <new>
#include <stdexcept>

namespace {

void PrintUsage(std::ostream& out)
{
    out << "usage: warplet-cli COMMAND ARGUMENTS\n\ncommands:\n";
    for (const CliCommand& command : CliCommandTable())
        out << "  warplet-cli " << command.usage << "\n";
}

void Report(const QString& message, const std::string& detail)
{
    std::cerr << "warplet-cli: ";
    if (!message.isEmpty())
        std::cerr << message.toStdString() << ": ";
    std::cerr << detail << std::endl;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // The video encoders report their statistics at the info level; keep only errors.
    av_log_set_level(AV_LOG_ERROR);
    App().m_strDefaultPicture = ProgramDataFile(QStringLiteral("default.gif"));
    if (argc < 2) {
        PrintUsage(std::cerr);
        return 1;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(std::cout);
        return 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        for (const CliCommand& command : CliCommandTable()) {
            if (name == command.name)
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
