#include "cli/CliCommands.h"
#include "engine/RandomSource.h"
#include "engine/ToolTable.h"
#include "project/Project.h"

#include <chrono>

namespace {

std::vector<Project::StrokePoint> ParsePoints(const std::string& points, const std::optional<std::string>& ticks)
{
    std::vector<Project::StrokePoint> stroke;
    for (const std::string& word : SplitWords(points)) {
        const size_t comma = word.find(',');
        if (comma == std::string::npos)
            throw CliError("--points: \"" + word + "\" is not x,y");
        stroke.push_back({ParseInt(word.substr(0, comma), "--points"), ParseInt(word.substr(comma + 1), "--points"), 0});
    }
    if (stroke.empty())
        throw CliError("--points: a stroke needs at least one point");
    if (ticks) {
        const std::vector<std::string> counts = SplitWords(*ticks);
        if (counts.size() != stroke.size())
            throw CliError("--ticks: one count is needed for each point");
        for (size_t i = 0; i < counts.size(); ++i) {
            stroke[i].ticks = ParseInt(counts[i], "--ticks");
            if (stroke[i].ticks < 0 || stroke[i].ticks > 100000)
                throw CliError("--ticks: counts lie between 0 and 100000");
        }
    }
    return stroke;
}

uint32_t TimeSeed()
{
    return uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace

int RunStroke(const std::vector<std::string>& args)
{
    const CliArgs a(args, {{"-o", 1},
                           {"--key", 1},
                           {"--tool", 1},
                           {"--strength", 1},
                           {"--right", 0},
                           {"--seed", 1},
                           {"--points", 1},
                           {"--ticks", 1}});
    const std::string& input = a.Single("project file");
    const std::string& output = a.Value("-o");
    const int key = ParseInt(a.Value("--key"), "--key");
    const int toolId = ParseInt(a.Value("--tool"), "--tool");
    std::optional<int> strength;
    if (const auto s = a.Optional("--strength"))
    {
        strength = ParseInt(*s, "--strength");
        if (*strength < 0 || *strength > 64)
            throw CliError("--strength: " + *s + " is not in 0..64");
    }
    const uint32_t seed = a.Has("--seed") ? uint32_t(ParseInt64(a.Value("--seed"), "--seed")) : TimeSeed();
    const std::vector<Project::StrokePoint> points = ParsePoints(a.Value("--points"), a.Optional("--ticks"));

    Project project;
    OpenProject(project, input);
    if (key < 0 || key >= project.Keys().Count())
        throw CliError("--key: the project has no keyframe " + std::to_string(key));
    // Without --strength the tool keeps the strength the project stores for it.
    if (!strength && toolId == project.ActiveToolId())
        strength = project.ActiveToolStrength();

    RandomSource random(seed);
    ToolTable tools(&random);
    if (!tools.Find(toolId))
        throw CliError("--tool: there is no tool " + std::to_string(toolId));
    project.SelectKey(key);
    project.SelectTool(tools, toolId, strength);
    project.PerformStroke(points, a.Has("--right"));
    SaveProject(project, output);
    return 0;
}
