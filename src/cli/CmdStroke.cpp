#include "cli/CliCommands.h"
#include "engine/PointerPosition.h"
#include "engine/RandomSource.h"
#include "engine/ToolTable.h"
#include "project/Project.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>

namespace {

// A decimal number such as 12, -3.5, 0.25 or 1e2 (no infinities, no NaN).
double ParseDecimal(const std::string& text, const std::string& what)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && ptr == end)
        throw CliError(what + ": " + text + " is out of range");
    if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(value))
        throw CliError(what + ": \"" + text + "\" is not a number");
    return value;
}

std::vector<Project::StrokePoint> ParsePoints(const CliArgs& a, const std::string& points,
                                              const std::optional<std::string>& ticks)
{
    std::vector<Project::StrokePoint> stroke;
    for (const std::string& word : SplitWords(points)) {
        const size_t comma = word.find(',');
        if (comma == std::string::npos)
            throw CliError("--points: \"" + word + "\" is not x,y");
        // The pixel under the position, as the window finds it at any zoom.
        const MapPixel pixel = ViewToMapPixel(ParseDecimal(word.substr(0, comma), "--points"),
                                              ParseDecimal(word.substr(comma + 1), "--points"));
        stroke.push_back({pixel.x, pixel.y, 0});
    }
    if (stroke.empty())
        throw CliError("--points: a stroke needs at least one point");
    if (ticks) {
        const std::vector<std::string> counts = SplitWords(*ticks);
        if (counts.size() != stroke.size())
            throw CliError("--ticks: one count is needed for each point");
        int64_t total = 0;
        for (size_t i = 0; i < counts.size(); ++i) {
            stroke[i].ticks = int(a.Checked("--ticks", counts[i]));
            total += stroke[i].ticks;
        }
        if (total > kMaxTicksInStroke)
            throw CliError("--ticks: " + std::to_string(total) + " ticks in all; a stroke holds at most " +
                           std::to_string(kMaxTicksInStroke) + " (a minute)");
    }
    return stroke;
}

void ParsePressure(const std::string& text, std::vector<Project::StrokePoint>& stroke)
{
    const std::vector<std::string> values = SplitWords(text);
    if (values.size() != stroke.size())
        throw CliError("--pressure: one value is needed for each point");
    for (size_t i = 0; i < values.size(); ++i)
        stroke[i].pressure = QuantisePressure(ParseDecimal(values[i], "--pressure"));
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
    std::vector<Project::StrokePoint> points = ParsePoints(a, a.Value("--points"), a.Optional("--ticks"));
    if (const std::optional<std::string> pressure = a.Optional("--pressure"))
        ParsePressure(*pressure, points);
    Project::StrokeOptions options;
    options.rightButton = a.Has("--right");
    options.reverse = a.Has("--reverse");
    options.pressureSize = a.Has("--pressure-size");
    options.radius = int(a.Number("--size", 0));

    Project project;
    OpenProject(project, input);
    if (key < 0 || key >= project.Keys().Count())
        throw CliError("--key: the project has no keyframe " + std::to_string(key));
    const int longer = std::max(project.Picture().Width(), project.Picture().Height());
    if (options.radius > longer)
        throw CliError("--size: the radius is at most the picture's longer side, " + std::to_string(longer));
    // Without --strength the tool keeps the strength the project stores for it.
    if (!strength && toolId == project.ActiveToolId())
        strength = project.ActiveToolStrength();

    RandomSource random(seed);
    ToolTable tools(&random);
    const CTool* tool = tools.Find(toolId);
    if (!tool)
        throw CliError("--tool: there is no tool " + std::to_string(toolId));
    if (options.radius > 0 && !tool->IsLocal())
        throw CliError("--size: tool " + std::to_string(toolId) + " acts on the whole picture and has no size");
    project.SelectKey(key);
    project.SelectTool(tools, toolId, strength);
    project.PerformStroke(tools, points, options);
    SaveProject(project, output);
    return 0;
}
