#include "cli/CliCommands.h"
#include "engine/RandomSource.h"
#include "engine/ToolTable.h"
#include "project/Project.h"

#include <chrono>

namespace {

std::vector<Project::StrokePoint> ParsePoints(const CliArgs& a, const std::string& points,
                                              const std::optional<std::string>& ticks)
{
    std::vector<Project::StrokePoint> stroke;
    for (const std::string& word : SplitWords(points)) {
        const size_t comma = word.find(',');
        if (comma == std::string::npos)
            throw CliError("--points: \"" + word + "\" is not x,y");
        stroke.push_back(
            {ParseInt(word.substr(0, comma), "--points"), ParseInt(word.substr(comma + 1), "--points"), 0});
    }
    if (stroke.empty())
        throw CliError("--points: a stroke needs at least one point");
    if (ticks) {
        const std::vector<std::string> counts = SplitWords(*ticks);
        if (counts.size() != stroke.size())
            throw CliError("--ticks: one count is needed for each point");
        for (size_t i = 0; i < counts.size(); ++i)
            stroke[i].ticks = int(a.Checked("--ticks", counts[i]));
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
    const CliArgs a(args, CliOptionsOf("stroke"));
    const std::string& input = a.Single("project file");
    const std::string& output = a.Value("-o");
    const int key = ParseInt(a.Value("--key"), "--key");
    const int toolId = ParseInt(a.Value("--tool"), "--tool");
    std::optional<int> strength;
    if (a.Has("--strength"))
        strength = int(a.Number("--strength", 0));
    const uint32_t seed = a.Has("--seed") ? uint32_t(a.Number("--seed", 0)) : TimeSeed();
    const std::vector<Project::StrokePoint> points = ParsePoints(a, a.Value("--points"), a.Optional("--ticks"));

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
