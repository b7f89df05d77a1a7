#include "cli/CliCommands.h"
#include "project/MaskPicture.h"
#include "project/Project.h"

int RunMask(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("mask"));
    if (a.Has("--from") == a.Has("--clear"))
        throw CliError("give one of --from PICTURE or --clear");
    const std::string& output = a.Value("-o");
    Project project;
    OpenProject(project, a.Single("project file"));
    if (a.Has("--clear"))
        project.ClearMask();
    else
        project.SetMask(
            FreezeMaskFromPictureFile(a.Value("--from"), project.Picture().Width(), project.Picture().Height()));
    SaveProject(project, output);
    return 0;
}

int RunReconstruct(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("reconstruct"));
    const std::string& output = a.Value("-o");
    const int key = ParseInt(a.Value("--key"), "--key");
    const int percent = int(a.Number("--percent", 0));
    Project project;
    OpenProject(project, a.Single("project file"));
    if (key < 0 || key >= project.Keys().Count())
        throw CliError("--key: the project has no keyframe " + std::to_string(key));
    project.SelectKey(key);
    project.Reconstruct(percent);
    SaveProject(project, output);
    return 0;
}
