#pragma once
// The commands of warplet-cli. Each takes the arguments after its name and
// returns the exit status; failures are thrown and reported by main. The table
// of commands and their options (CliHelp.cpp) is the one place that says which
// options a command takes, their ranges and defaults: the parser and the help
// both read it.

#include "cli/CliArgs.h"

#include <QString>

#include <exception>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

class Project;

struct CliCommand {
    const char* name;
    const char* usage;    // the arguments after the name
    const char* summary;  // what it does
    std::vector<CliOption> options;
    int (*run)(const std::vector<std::string>& args);
};

// The timer ticks a stroke may rest at one point and in all: what a person holds
// the button for (ten seconds, a minute), and what ends in seconds even for a
// tool that changes the whole picture at every tick.
inline constexpr int kMaxTicksAtPoint = 1000;
inline constexpr int kMaxTicksInStroke = 6000;

// Every command, in the order the usage text lists them.
const std::vector<CliCommand>& CliCommandTable();
// The options of a command of the table (std::logic_error for another name).
const std::vector<CliOption>& CliOptionsOf(std::string_view command);

// `warplet-cli --help`, `warplet-cli COMMAND --help` and `--version`.
void PrintUsage(std::ostream& out);
void PrintCommandHelp(std::ostream& out, const CliCommand& command);
void PrintVersion(std::ostream& out);

int RunNew(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunStroke(const std::vector<std::string>& args);
int RunKey(const std::vector<std::string>& args);
int RunMap(const std::vector<std::string>& args);
int RunMask(const std::vector<std::string>& args);
int RunReconstruct(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunPrint(const std::vector<std::string>& args);
int RunCheckUpdate(const std::vector<std::string>& args);
int RunAcquire(const std::vector<std::string>& args);

// Shared steps: a project opened from a file (the default picture is the one
// beside the program; a file that is no project throws CliFileFailure), and
// saving it where -o says.
void OpenProject(Project& project, const std::string& path);
void PrepareProject(Project& project);
void SaveProject(Project& project, const std::string& path);
// Says on stderr what the picture's file lacked (a picture cut short).
void ReportPictureNotes(const Project& project);

// "warplet-cli: LINE" on stderr. The texts quote names from files and devices with
// their control characters and stray bytes escaped.
void ReportLine(const QString& line);
// What a command threw, reported on stderr as that line in the user's language.
void ReportFailure(std::exception_ptr error);
