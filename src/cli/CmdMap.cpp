#include "cli/CliCommands.h"
#include "export/FileError.h"
#include "project/AtomicFile.h"

#include <cstdint>
#include "project/Project.h"

int RunMap(const std::vector<std::string>& args)
{
    const CliArgs a(args, {{"-o", 1}, {"--key", 1}, {"--time", 1}});
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
        const int64_t t = ParseInt64(a.Value("--time"), "--time");
        if (t < 0 || t > INT32_MAX)
            throw CliError("--time: a time in 1/64 frames lies between 0 and " + std::to_string(INT32_MAX));
        map = keys.GetFrameMap(t);
    }
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(map.data), map.Count() * sizeof(Displacement));
    try {
        WriteFileAtomically(a.Value("-o"), bytes);
    } catch (const FileError& e) {
        throw CliWriteError(e.what());
    }
    return 0;
}
