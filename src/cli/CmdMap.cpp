#include "cli/CliCommands.h"
#include "export/FailureText.h"
#include "io/FileError.h"
#include "io/AtomicFile.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <cstdint>

int RunMap(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("map"));
    if (a.Has("--key") == a.Has("--time"))
        throw CliError("give one of --key K or --time T");
    Project project;
    OpenProject(project, a.Single("project file"));
    KeyframeStore& keys = project.Keys();
    if (keys.Empty())
        throw CliError("the project has no keyframes");

    MapRef map;
    if (a.Has("--key")) {
        const int k = ParseInt(a.Value("--key"), "--key");
        if (k < 0 || k >= keys.Count())
            throw CliError("--key: the project has no keyframe " + std::to_string(k));
        map = keys.GetKeyMap(k);
    } else {
        map = keys.GetFrameMap(a.Number("--time", 0));
    }
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(map.data), map.Count() * sizeof(Displacement));
    try {
        WriteFileAtomically(a.Value("-o"), bytes);
    } catch (const FileError& e) {
        throw CliFileFailure(StrId::CannotWriteFile, e.Path(), FailureCause(e));
    }
    return 0;
}
