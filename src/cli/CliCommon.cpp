#include "cli/CliCommands.h"
#include "cli/CmdExport.h"

#include "app/AppState.h"
#include "export/FileError.h"
#include "project/FilePath.h"
#include "project/Project.h"

const std::vector<CliCommand>& CliCommandTable()
{
    static const std::vector<CliCommand> table = {
        {"new", "new PICTURE -o OUT.kib", RunNew},
        {"info", "info PROJECT.kib", RunInfo},
        {"stroke",
         "stroke PROJECT.kib -o OUT.kib --key K --tool ID [--strength S] [--right] [--seed N] --points \"x,y ...\" "
         "[--ticks \"n ...\"]",
         RunStroke},
        {"key",
         "key PROJECT.kib -o OUT.kib (--add | --repeat K | --delete K | --duration K D | --move-left K | --move-right K)",
         RunKey},
        {"map", "map PROJECT.kib (--key K | --time T) -o MAP.bin", RunMap},
        {"render", "render PROJECT.kib --frame F -o OUT.bmp|png|jpg|tif|gif [--quick] [--size screen|picture|PERCENT]",
         RunRender},
        {"export",
         "export PROJECT.kib -o OUT.gif|wmv|mp4|webm|jpg|bmp|png|tif [--speed S] [--size screen|picture|PERCENT] "
         "[--frames all|\"F ...\"]",
         RunExport},
        {"print", "print PROJECT.kib -o OUT.pdf [--frames all|\"F ...\"] [--size screen|picture|PERCENT] [--page A4|Letter]",
         RunPrint},
        {"check-update", "check-update [--force]", RunCheckUpdate},
        {"acquire", "acquire [--list] [--device ID] [--item NAME] [--out DIR] [--resolution DPI]", RunAcquire},
    };
    return table;
}

void PrepareProject(Project& project) { project.SetDefaultPicture(PathFromQString(App().m_strDefaultPicture)); }

void OpenProject(Project& project, const std::string& path)
{
    PrepareProject(project);
    project.Load(path);
}

void SaveProject(Project& project, const std::string& path)
{
    try {
        if (!project.Save(path))
            throw CliError("the animation has no frames: nothing was saved");
    } catch (const FileError& e) {
        throw CliWriteError(e.what());
    }
}
