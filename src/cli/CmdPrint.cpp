#include "cli/CliCommands.h"
#include "cli/CmdExport.h"
#include "cli/CmdExportProgress.h"
#include "animation/FrameChoice.h"
#include "export/BigPicture.h"
#include "io/FileError.h"
#include "export/PrintFrames.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <iostream>
#include <stdexcept>

namespace {

bool ParsePage(const std::string& text)
{
    if (text == "A4" || text == "a4")
        return false;
    if (text == "Letter" || text == "letter")
        return true;
    throw CliError("--page: A4 or Letter");
}

}  // namespace

int RunPrint(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("print"));
    const std::string& output = a.Value("-o");
    const CliFrameSize size = a.Has("--size") ? ParseFrameSize(a.Value("--size")) : CliFrameSize{};
    const bool letter = a.Has("--page") && ParsePage(a.Value("--page"));

    Project project;
    OpenProject(project, a.Single("project file"));
    const int total = project.Keys().GetTotalFrames();
    if (total <= 0)
        throw CliError("the animation has no frames: nothing was printed");
    std::vector<int> frames;
    try {
        frames = ParseFrameList(a.Optional("--frames").value_or("all"), total);
    } catch (const std::invalid_argument& e) {
        throw CliError(std::string("--frames: ") + e.what());
    }

    CliExportProgress progress("print");
    CBigPicture big(ExportAnimation(project.Keys(), project.Picture()), &progress);
    big.SetPercentQuery([percent = size.percent](int, int) { return std::optional<int>(percent); });
    PdfDocument document;
    document.layout = PdfPageLayout(letter, PrintOrientation(project.Picture().Width(), project.Picture().Height()));
    document.title = project.Name();
    document.creator = AppString(StrId::ProductName).toStdString();
    document.placement = a.Has("--fit") ? PrintPlacement::FitToPage : PrintPlacement::ActualSize;
    // Frames are rendered no larger than the page shows them.
    const QSize limit = PrintPixelLimit(document.layout);
    big.SetSizeLimit(limit.width(), limit.height());
    big.SetSource(project.Work().Path(), size.setting);
    PrintResult result;
    try {
        result = PrintFramesToPdf(big, output, frames, document);
    } catch (const FileError& e) {
        throw CliWriteError(output + " (" + e.what() + ")");
    }
    progress.Finish();
    if (result.cancelled) {
        std::cerr << "warplet-cli: print cancelled: no file was written" << std::endl;
        return 1;
    }
    if (result.Failed())
        throw CliWriteError(output + " (" + result.error + ": nothing was written)");
    if (!result.started || result.pages == 0)
        throw CliWriteError(output);
    std::cout << "wrote " << output << ": " << result.pages << (result.pages == 1 ? " page" : " pages") << std::endl;
    return 0;
}
