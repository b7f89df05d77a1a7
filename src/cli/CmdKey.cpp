#include "cli/CliCommands.h"
#include "project/Project.h"

namespace {

int KeyIndex(const Project& project, const std::string& text, const std::string& option)
{
    const int k = ParseInt(text, option);
    if (k < 0 || k >= project.Keys().Count())
        throw CliError(option + ": the project has no keyframe " + std::to_string(k));
    return k;
}

}  // namespace

int RunKey(const std::vector<std::string>& args)
{
    const CliArgs a(args, {{"-o", 1},
                           {"--add", 0},
                           {"--repeat", 1},
                           {"--delete", 1},
                           {"--duration", 2},
                           {"--move-left", 1},
                           {"--move-right", 1}});
    int operations = 0;
    for (const char* op : {"--add", "--repeat", "--delete", "--duration", "--move-left", "--move-right"})
        operations += a.Has(op) ? 1 : 0;
    if (operations != 1)
        throw CliError("give exactly one of --add, --repeat, --delete, --duration, --move-left, --move-right");
    const std::string& output = a.Value("-o");

    Project project;
    OpenProject(project, a.Single("project file"));
    KeyframeStore& keys = project.Keys();
    using Item = KeyframeStore::ContextItem;
    if (a.Has("--add")) {
        project.AddKey();
    } else if (a.Has("--repeat")) {
        keys.Repeat(KeyIndex(project, a.Value("--repeat"), "--repeat"));
    } else if (a.Has("--delete")) {
        const int k = KeyIndex(project, a.Value("--delete"), "--delete");
        if (!keys.ContextItemAvailable(Item::Delete, k))
            throw CliError("--delete: a keyframe can be deleted only while three or more exist");
        keys.Delete(k);
    } else if (a.Has("--duration")) {
        const auto& values = a.Values("--duration");
        const int k = KeyIndex(project, values[0], "--duration");
        const int frames = ParseInt(values[1], "--duration");
        if (frames < KeyframeStore::kMinDuration || frames > KeyframeStore::kMaxDuration)
            throw CliError("--duration: a duration lies between 1 and 1024 frames");
        keys.SetDuration(k, frames);
    } else if (a.Has("--move-left")) {
        const int k = KeyIndex(project, a.Value("--move-left"), "--move-left");
        if (!keys.ContextItemAvailable(Item::MoveLeft, k))
            throw CliError("--move-left: keyframe 0 cannot move further left");
        keys.MoveLeft(k);
    } else {
        const int k = KeyIndex(project, a.Value("--move-right"), "--move-right");
        if (!keys.ContextItemAvailable(Item::MoveRight, k))
            throw CliError("--move-right: the last keyframe cannot move further right");
        keys.MoveRight(k);
    }
    SaveProject(project, output);
    return 0;
}
