#pragma once
// The commands of warplet-cli. Each takes the arguments after its name and
// returns the exit status; failures are thrown and reported by main.

#include "cli/CliArgs.h"

#include <string>
#include <vector>

class Project;

struct CliCommand {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>& args);
};

// Every command, in the order the usage text lists them.
const std::vector<CliCommand>& CliCommandTable();

int RunNew(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunStroke(const std::vector<std::string>& args);
int RunKey(const std::vector<std::string>& args);
int RunMap(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunPrint(const std::vector<std::string>& args);
int RunCheckUpdate(const std::vector<std::string>& args);
int RunAcquire(const std::vector<std::string>& args);

// Shared steps: a project opened from a file (the default picture is the one
// beside the program), and saving it where -o says.
void OpenProject(Project& project, const std::string& path);
void PrepareProject(Project& project);
void SaveProject(Project& project, const std::string& path);
