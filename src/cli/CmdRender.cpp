#include "cli/CliCommands.h"
#include "cli/CmdExport.h"
#include "export/FailureText.h"
#include "export/PictureFile.h"
#include "project/Project.h"
#include "res/StringTable.h"

int RunRender(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("render"));
    const int64_t frame = a.Number("--frame", 0);
    const std::string& output = a.Value("-o");
    if (PictureFormatForPath(output).empty())
        throw CliError("-o: the picture type is chosen by the extension .bmp, .png, .jpg, .tif or .gif");
    const CliFrameSize size = ParseFrameSize(a.Optional("--size").value_or("screen"));
    if (size.setting != 0 && a.Has("--quick"))
        throw CliError("--quick: only the screen size renders quickly");

    Project project;
    OpenProject(project, a.Single("project file"));
    if (project.Keys().Empty())
        throw CliError("the project has no keyframes");
    // The picture's own size and the custom size render at full size (always smooth).
    if (size.setting != 0) {
        SaveFrameAtSize(project, frame, size, output);
        return 0;
    }
    const PackedPicture picture = project.RenderFrame(frame, !a.Has("--quick"));
    const PictureSaveResult result = SavePicture(output, picture);
    if (!result)
        throw CliFileFailure(StrId::CannotWriteFile, output, PictureSaveCause(result));
    return 0;
}
