#include "cli/CmdExport.h"

#include "cli/CliCommands.h"
#include "cli/CmdExportProgress.h"
#include "animation/FrameChoice.h"
#include "export/BigPicture.h"
#include "export/ExportSequence.h"
#include "export/FailureText.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cctype>
#include <iostream>

namespace {

constexpr int kDefaultSpeed = 30;
constexpr int kMinPercent = 1;
constexpr int kMaxPercent = 10000;

enum class OutputKind { Gif, Video, Pictures };

std::string LowerExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

OutputKind KindOfOutput(const std::string& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == ".gif")
        return OutputKind::Gif;
    if (ext == ".wmv" || ext == ".mp4" || ext == ".webm")
        return OutputKind::Video;
    if (!PictureFormatForPath(path).empty())
        return OutputKind::Pictures;
    throw CliError(
        "-o: the output is chosen by the extension: .gif (animation), .wmv, .mp4, .webm (video) or "
        ".jpg, .bmp, .png, .tif (pictures)");
}

// The chosen frames, ascending and each once; every one inside the loop.
std::vector<int> ParseFrames(const std::string& text, int totalFrames)
{
    try {
        return ParseFrameList(text, totalFrames);
    } catch (const std::invalid_argument& e) {
        throw CliError(std::string("--frames: ") + e.what());
    }
}

void SetUpSource(CBigPicture& big, Project& project, const CliFrameSize& size)
{
    big.SetPercentQuery([percent = size.percent](int, int) { return std::optional<int>(percent); });
    big.SetSource(project.Work().Path(), size.setting);
}

int ReportCancelled(const std::string& what)
{
    std::cerr << "warplet-cli: export cancelled" << (what.empty() ? "" : ": ") << what << std::endl;
    return 1;
}

int ExportGif(CBigPicture& big, const Project& project, CliExportProgress& progress, const std::string& output,
              int speed)
{
    GifWriteError error;
    const GifExportResult result = big.WriteAnimatedGif(output, speed, &error);
    progress.Finish();
    if (result == GifExportResult::Cancelled)
        return ReportCancelled("no file was written");
    if (result != GifExportResult::Ok)
        throw CliFileFailure(StrId::CannotWriteFile, output, GifFailureCause(result, error));
    // GIF frames have the work picture's size whatever the frame size.
    std::cout << "wrote " << output << ": " << big.TotalFrames() << " frames of " << project.Picture().Width() << " x "
              << project.Picture().Height() << std::endl;
    return 0;
}

int ExportVideo(CBigPicture& big, CliExportProgress& progress, const std::string& output, int speed)
{
    const VideoExportResult result = big.WriteVideo(output, speed);
    progress.Finish();
    if (result.status == VideoExportStatus::Cancelled)
        return ReportCancelled("no file was written");
    if (result.status != VideoExportStatus::Ok)
        throw CliFileFailure(StrId::CannotWriteVideo, output, VideoFailureCause(result));
    // The size of the video in the file (a PAL WMV is 768 x 576 with square pixels).
    std::cout << "wrote " << output << ": " << result.framesWritten << " frames of " << result.width << " x "
              << result.height;
    if (!result.encoder.empty())
        std::cout << " (" << result.encoder << ")";
    std::cout << std::endl;
    return 0;
}

int ExportPictures(CBigPicture& big, CliExportProgress& progress, const std::string& output,
                   const std::vector<int>& frames)
{
    const PictureSequenceResult result = ExportPictureSequence(big, output, frames);
    progress.Finish();
    for (const PictureSequenceResult::Failure& failure : result.failed) {
        const bool full = failure.result.cause == FileError::Cause::DiskFull;
        std::cerr << "warplet-cli: "
                  << FailureLine(full ? StrId::CannotWriteFile : StrId::CannotSaveFile, failure.path,
                                 PictureSaveCause(failure.result))
                         .toStdString()
                  << std::endl;
    }
    if (!result.written.empty())
        std::cout << "wrote " << result.written.size() << (result.written.size() == 1 ? " picture: " : " pictures: ")
                  << result.written.front()
                  << (result.written.size() > 1 ? " .. " + result.written.back() : std::string()) << std::endl;
    if (result.cancelled)
        return ReportCancelled(std::to_string(result.written.size()) + " of " + std::to_string(frames.size()) +
                               " pictures were written");
    return result.failed.empty() ? 0 : 1;
}

}  // namespace

CliFrameSize ParseFrameSize(const std::string& text)
{
    if (text == "screen")
        return {CBigPicture::kScreen, 100};
    if (text == "picture")
        return {CBigPicture::kPicture, 100};
    std::string number = text;
    if (!number.empty() && number.back() == '%')
        number.pop_back();
    const int percent = ParseInt(number, "--size");
    if (percent < kMinPercent || percent > kMaxPercent)
        throw CliError("--size: a percentage lies between 1 and 10000");
    return {CBigPicture::kCustom, percent};
}

void SaveFrameAtSize(Project& project, int64_t frame, const CliFrameSize& size, const std::string& output)
{
    CBigPicture big(ExportAnimation(project.Keys(), project.Picture()));
    SetUpSource(big, project, size);
    const PictureSaveResult result = big.SaveFrame(output, frame);
    if (!result)
        throw CliFileFailure(StrId::CannotWriteFile, output, PictureSaveCause(result));
}

int RunExport(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("export"));
    const std::string& output = a.Value("-o");
    const OutputKind kind = KindOfOutput(output);
    const int speed = int(a.Number("--speed", kDefaultSpeed));
    const CliFrameSize size = a.Has("--size") ? ParseFrameSize(a.Value("--size")) : CliFrameSize{};
    if (a.Has("--frames") && kind != OutputKind::Pictures)
        throw CliError("--frames: only a picture sequence is made of chosen frames");

    Project project;
    OpenProject(project, a.Single("project file"));
    const int total = project.Keys().GetTotalFrames();
    if (total <= 0)
        throw CliError("the animation has no frames: nothing was written");
    const std::vector<int> frames =
        kind == OutputKind::Pictures ? ParseFrames(a.Optional("--frames").value_or("all"), total) : std::vector<int>{};

    CliExportProgress progress("export");
    CBigPicture big(ExportAnimation(project.Keys(), project.Picture()), &progress);
    SetUpSource(big, project, size);
    switch (kind) {
    case OutputKind::Gif: return ExportGif(big, project, progress, output, speed);
    case OutputKind::Video: return ExportVideo(big, progress, output, speed);
    case OutputKind::Pictures: return ExportPictures(big, progress, output, frames);
    }
    return 1;
}
