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
    const CliArgs a(args, CliOptionsOf("key"));
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
        const int k = KeyIndex(project, a.Values("--duration")[0], "--duration");
        keys.SetDuration(k, int(a.Number("--duration", 0, 1)));
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
