#include "cli/CmdExport.h"

#include "cli/CliCommands.h"
#include "cli/CmdExportJobs.h"
#include "animation/FrameChoice.h"
#include "export/ApngWriter.h"
#include "export/AvifWriter.h"
#include "export/BigPicture.h"
#include "export/ExportSequence.h"
#include "export/FailureText.h"
#include "export/GifQuality.h"
#include "export/LoopFanOut.h"
#include "export/VideoLoopWriter.h"
#include "export/WebpWriter.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>

namespace {

constexpr int kDefaultSpeed = 30;
constexpr int kMinPercent = 1;
constexpr int kMaxPercent = 10000;

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

// Whether two output paths name one file: the same path once made absolute, or
// (for files that exist already) the same file reached through links.
bool SameFile(const std::string& a, const std::string& b)
{
    namespace fs = std::filesystem;
    if (fs::absolute(a).lexically_normal() == fs::absolute(b).lexically_normal())
        return true;
    std::error_code error;
    return fs::equivalent(a, b, error);
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

// What the passes of one export wrote and did not write, for the line that ends
// a stopped export.
struct ExportTally {
    std::vector<std::string> written;
    std::vector<std::string> notWritten;
    bool stopped = false;
};

std::string JoinedNames(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// "export cancelled: ..." with what was written and what was not.
int ReportCancelled(ExportConsole& console, const ExportTally& tally)
{
    std::string what = tally.written.empty() ? "no file was written" : "wrote " + JoinedNames(tally.written);
    if (!tally.written.empty() && !tally.notWritten.empty())
        what += "; not written: " + JoinedNames(tally.notWritten);
    console.Error("export cancelled: " + what);
    return 1;
}

std::string FrameCountText(int64_t frames, int width, int height)
{
    return std::to_string(frames) + " frames of " + std::to_string(width) + " x " + std::to_string(height);
}

// The pictures of a sequence: each name when there are a few, else their
// number and the first and last.
std::string PicturesText(const std::vector<std::string>& written)
{
    constexpr size_t kNamedAtMost = 4;
    const std::string count = std::to_string(written.size()) + (written.size() == 1 ? " picture" : " pictures");
    if (written.size() <= kNamedAtMost)
        return count + ": " + JoinedNames(written);
    return count + ", " + written.front() + " to " + written.back();
}

// --- Passes of their own: the classic GIF, the WMV, pictures ---------------------

int ExportGif(CBigPicture& big, ExportConsole& console, const std::string& output, int speed, ExportTally& tally)
{
    GifWriteError error;
    const GifExportResult result = big.WriteAnimatedGif(output, speed, &error);
    if (result != GifExportResult::Ok)
        tally.notWritten.push_back(output);
    if (result == GifExportResult::Cancelled) {
        tally.stopped = true;
        return 1;
    }
    if (result != GifExportResult::Ok)
        throw CliFileFailure(StrId::CannotWriteFile, output, GifFailureCause(result, error));
    tally.written.push_back(output);
    // Classic GIF frames have the work picture's size whatever the frame size.
    console.Out("wrote " + output + ": " + FrameCountText(big.TotalFrames(), big.WorkWidth(), big.WorkHeight()));
    return 0;
}

int ExportWmv(CBigPicture& big, ExportConsole& console, const std::string& output, int speed, ExportTally& tally)
{
    const VideoExportResult result = big.WriteVideo(output, speed);
    if (result.status != VideoExportStatus::Ok)
        tally.notWritten.push_back(output);
    if (result.status == VideoExportStatus::Cancelled) {
        tally.stopped = true;
        return 1;
    }
    if (result.status != VideoExportStatus::Ok)
        throw CliFileFailure(StrId::CannotWriteVideo, output, VideoFailureCause(result));
    tally.written.push_back(output);
    // The size of the video in the file (a PAL WMV is 768 x 576 with square pixels).
    console.Out("wrote " + output + ": " + FrameCountText(result.framesWritten, result.width, result.height) +
                (result.encoder.empty() ? std::string() : " (" + result.encoder + ")"));
    return 0;
}

int ExportPictures(CBigPicture& big, ExportConsole& console, const std::string& output, const std::vector<int>& frames,
                   ExportTally& tally)
{
    const PictureSequenceResult result = ExportPictureSequence(big, output, frames);
    console.FinishBar();
    for (const PictureSequenceResult::Failure& failure : result.failed) {
        const bool full = failure.result.cause == FileError::Cause::DiskFull;
        console.Error(FailureLine(full ? StrId::CannotWriteFile : StrId::CannotSaveFile, failure.path,
                                  PictureSaveCause(failure.result))
                          .toStdString());
    }
    if (!result.written.empty()) {
        console.Out("wrote " + PicturesText(result.written));
        tally.written.push_back(PicturesText(result.written));
    }
    const size_t missing = frames.size() - result.written.size();
    if (missing > 0)
        tally.notWritten.push_back(std::to_string(missing) + " of " + std::to_string(frames.size()) + " pictures");
    if (result.cancelled) {
        tally.stopped = true;
        return 1;
    }
    return result.failed.empty() ? 0 : 1;
}

// --- Outputs written from one render --------------------------------------------

std::string LoopDetails(const ExportOutput& output, const LoopWriter& writer, const LoopResult& result,
                        const ExportChoices& choices)
{
    std::string text = ", " + std::to_string(result.bytes) + " bytes";
    if (output.format == LoopFormat::Video) {
        const auto& video = static_cast<const VideoLoopWriter&>(writer);
        text += " at " + std::to_string(choices.speed) + " frames per second (" + video.EncoderName() + ")";
    }
    if (!result.reduced.empty())
        text += "; to fit " + std::to_string(choices.loop.gif.maxBytes) + " bytes: " + result.reduced;
    return text;
}

int ExportLoops(CBigPicture& big, ExportConsole& console, const std::vector<const ExportOutput*>& outputs,
                const ExportChoices& choices, ExportTally& tally)
{
    std::vector<LoopOutput> loops;
    for (const ExportOutput* output : outputs)
        loops.push_back({output->path, MakeLoopFileWriter(output->format, choices.loop)});
    BigPictureLoopSource source(big);
    const std::vector<LoopResult> results = WriteLoops(loops, choices.speed, source);
    int status = 0;
    for (size_t i = 0; i < results.size(); ++i) {
        const ExportOutput& output = *outputs[i];
        const LoopResult& result = results[i];
        if (result.status != LoopStatus::Ok)
            tally.notWritten.push_back(output.path);
        if (result.status == LoopStatus::Stopped) {
            tally.stopped = true;
            status = 1;
            continue;
        }
        if (result.status == LoopStatus::WriteFailed) {
            // As the other exports say it: the file and the cause in the user's language.
            const FileError error(result.cause, output.path, result.message);
            console.Error(
                FailureLine(StrId::CannotWriteFile, output.path, FailureCause(error, output.path)).toStdString());
            status = 1;
            continue;
        }
        if (!result) {
            console.Error(result.message);
            status = 1;
            continue;
        }
        tally.written.push_back(output.path);
        int width = big.Width(), height = big.Height();
        int64_t frames = big.TotalFrames();
        std::string length;
        if (output.format == LoopFormat::Video) {
            width &= ~1;
            height &= ~1;
            frames *= choices.loop.video.loops;
        } else if (output.format == LoopFormat::HighGif) {
            // What the file holds: frames merged or dropped are not counted.
            const GifQualityReport& report = static_cast<const GifQualityWriter&>(*loops[i].writer).Report();
            frames = report.frames;
            length = " (a loop of " + LoopLengthText(report.hundredths) + ")";
        }
        console.Out("wrote " + output.path + ": " + FrameCountText(frames, width, height) + length +
                    LoopDetails(output, *loops[i].writer, result, choices));
    }
    return status;
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

ExportOutput ClassifyOutput(const std::string& path, bool highGif)
{
    const std::string ext = LowerExtension(path);
    ExportOutput output;
    // As a person reads it: "a//b.gif" and "./b.gif" are "a/b.gif" and "b.gif".
    output.path = std::filesystem::path(path).lexically_normal().string();
    if (const std::optional<LoopFormat> format = LoopFileFormatForPath(path)) {
        output.format = *format;
        if (*format == LoopFormat::HighGif && !highGif)
            output.kind = OutputKind::ClassicGif;
    } else if (ext == ".wmv")
        output.kind = OutputKind::Wmv;
    else if (!PictureFormatForPath(path).empty())
        output.kind = OutputKind::Pictures;
    else
        throw CliError(
            "-o: the output is chosen by the extension: .gif (animation), .webp, .apng, .avif (animated "
            "pictures), .mp4, .webm, .wmv (video) or .jpg, .bmp, .png, .tif (pictures)");
    return output;
}

ExportChoices ParseExportChoices(const CliArgs& a)
{
    ExportChoices c;
    c.speed = int(a.Number("--speed", kDefaultSpeed));
    c.size = a.Has("--size") ? ParseFrameSize(a.Value("--size")) : CliFrameSize{};
    const std::string quality = a.Optional("--quality").value_or("classic");
    if (quality != "classic" && quality != "high")
        throw CliError("--quality: classic or high (got " + quality + ")");
    c.highGif = quality == "high";
    c.loop.gif.maxBytes = uint64_t(a.Number("--max-size", 0));
    c.loop.webp.lossless = a.Has("--lossless");
    c.loop.webp.quality = int(a.Number("--webp-quality", c.loop.webp.quality));
    c.loop.webp.effort = int(a.Number("--webp-effort", c.loop.webp.effort));
    c.loop.apng.compression = int(a.Number("--png-compression", c.loop.apng.compression));
    c.loop.avif.quality = int(a.Number("--avif-quality", c.loop.avif.quality));
    c.loop.avif.speed = int(a.Number("--avif-speed", c.loop.avif.speed));
    if (a.Has("--codec")) {
        const std::optional<VideoCodec> codec = VideoCodecByName(a.Value("--codec"));
        if (!codec)
            throw CliError("--codec: h264, vp9 or av1 (got " + a.Value("--codec") + ")");
        c.loop.video.codec = *codec;
    }
    c.loop.video.crf = int(a.Number("--crf", -1));
    c.loop.video.loops = int(a.Number("--loops", 1));
    c.frames = a.Optional("--frames");
    return c;
}

void CheckOutputs(const CliArgs& a, const std::vector<ExportOutput>& outputs, const ExportChoices& choices)
{
    const auto any = [&](const std::function<bool(const ExportOutput&)>& test) {
        return std::any_of(outputs.begin(), outputs.end(), test);
    };
    const auto isLoop = [](LoopFormat format) {
        return [format](const ExportOutput& o) { return o.kind == OutputKind::Loop && o.format == format; };
    };
    // Options that do nothing for the outputs asked for are mistakes.
    const struct {
        const char* option;
        std::function<bool(const ExportOutput&)> applies;
        const char* text;
    } uses[] = {
        {"--frames", [](const ExportOutput& o) { return o.kind == OutputKind::Pictures; },
         "only a picture sequence is made of chosen frames"},
        {"--quality", [](const ExportOutput& o) { return LowerExtension(o.path) == ".gif"; },
         "only a .gif has a quality to choose"},
        {"--max-size", isLoop(LoopFormat::HighGif), "only the high-quality GIF (--quality high) has a size limit"},
        {"--lossless", isLoop(LoopFormat::Webp), "only a .webp output is lossless or not"},
        {"--webp-quality", isLoop(LoopFormat::Webp), "applies to a .webp output only"},
        {"--webp-effort", isLoop(LoopFormat::Webp), "applies to a .webp output only"},
        {"--png-compression", isLoop(LoopFormat::Apng), "applies to an .apng output only"},
        {"--avif-quality", isLoop(LoopFormat::Avif), "applies to an .avif output only"},
        {"--avif-speed", isLoop(LoopFormat::Avif), "applies to an .avif output only"},
        {"--codec", isLoop(LoopFormat::Video), "applies to .mp4 and .webm outputs only"},
        {"--crf", isLoop(LoopFormat::Video), "applies to .mp4 and .webm outputs only"},
        {"--loops", isLoop(LoopFormat::Video), "applies to .mp4 and .webm outputs only"},
    };
    for (const auto& use : uses) {
        if (a.Has(use.option) && !any(use.applies))
            throw CliError(std::string(use.option) + ": " + use.text);
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (SameFile(outputs[i].path, outputs[j].path))
                throw CliError("-o: " + outputs[i].path + " is asked for twice" +
                               (outputs[i].path == outputs[j].path ? "" : " (as " + outputs[j].path + ")"));
        CheckOutputLibrary(outputs[i], choices);
    }
}

void CheckOutputLibrary(const ExportOutput& output, const ExportChoices& choices)
{
    if (output.kind != OutputKind::Loop)
        return;
    LoopResult found;
    switch (output.format) {
    case LoopFormat::HighGif: break;
    case LoopFormat::Webp:
        if (!WebpAvailable())
            found = LoopResult::Fail(LoopStatus::NoLibrary, "this program was built without libwebp");
        break;
    case LoopFormat::Apng: found = FindFfmpegParts("apng", "apng"); break;
    case LoopFormat::Avif:
        if (AvifEncoders().empty())
            found = LoopResult::Fail(LoopStatus::NoLibrary, "libavif has no AV1 encoder here");
        break;
    case LoopFormat::Video: {
        const VideoCodec codec = ResolveVideoCodec(choices.loop.video.codec, output.path);
        if (codec == VideoCodec::H264 && LowerExtension(output.path) == ".webm")
            throw CliError("--codec: a .webm file holds vp9 or av1, not h264");
        const VideoCodecRange range = CrfRange(codec);
        if (choices.loop.video.crf >= 0 &&
            (choices.loop.video.crf < range.minCrf || choices.loop.video.crf > range.maxCrf))
            throw CliError("--crf: " + std::string(VideoCodecName(codec)) + " takes " + std::to_string(range.minCrf) +
                           " to " + std::to_string(range.maxCrf) + " (got " + std::to_string(choices.loop.video.crf) +
                           ")");
        found = FindVideoEncoder(codec);
        break;
    }
    }
    if (!found)
        throw CliError(output.path + ": " + found.message);
}

int ExportProject(const std::string& projectPath, const std::vector<ExportOutput>& outputs,
                  const ExportChoices& choices, ExportConsole& console, ExportJobObserver& observer)
{
    Project project;
    OpenProject(project, projectPath);
    const int total = project.Keys().GetTotalFrames();
    if (total <= 0)
        throw CliError(projectPath + ": the animation has no frames: nothing was written");
    const bool pictures = std::any_of(outputs.begin(), outputs.end(),
                                      [](const ExportOutput& o) { return o.kind == OutputKind::Pictures; });
    const std::vector<int> frames = pictures ? ParseFrames(choices.frames.value_or("all"), total) : std::vector<int>{};

    CBigPicture big(ExportAnimation(project.Keys(), project.Picture()), &observer);
    SetUpSource(big, project, choices.size);
    const std::vector<ExportPass> passes = PlanPasses(outputs);
    observer.SetPasses(int(passes.size()));
    ExportTally tally;
    int status = 0;
    size_t p = 0;
    for (; p < passes.size() && !tally.stopped; ++p) {
        observer.StartPass(int(p));
        const ExportPass& pass = passes[p];
        int result = 0;
        try {
            if (pass.kind == OutputKind::Loop)
                result = ExportLoops(big, console, pass.outputs, choices, tally);
            else if (pass.kind == OutputKind::ClassicGif)
                result = ExportGif(big, console, pass.outputs.front()->path, choices.speed, tally);
            else if (pass.kind == OutputKind::Wmv)
                result = ExportWmv(big, console, pass.outputs.front()->path, choices.speed, tally);
            else
                result = ExportPictures(big, console, pass.outputs.front()->path, frames, tally);
        } catch (...) {
            console.Failure(std::current_exception());
            result = 1;
        }
        status = std::max(status, result);
        // A stop asked for between two passes stops the export as one during a pass does.
        tally.stopped = tally.stopped || (p + 1 < passes.size() && observer.CheckCancel());
    }
    if (!tally.stopped)
        return status;
    for (; p < passes.size(); ++p)
        for (const ExportOutput* output : passes[p].outputs)
            tally.notWritten.push_back(output->kind == OutputKind::Pictures ? "the picture sequence " + output->path
                                                                            : output->path);
    return ReportCancelled(console, tally);
}

std::vector<ExportPass> PlanPasses(const std::vector<ExportOutput>& outputs)
{
    std::vector<ExportPass> passes;
    ExportPass loops{OutputKind::Loop, {}};
    for (const ExportOutput& output : outputs) {
        if (output.kind == OutputKind::Loop)
            loops.outputs.push_back(&output);
        else
            passes.push_back({output.kind, {&output}});
    }
    if (!loops.outputs.empty())
        passes.insert(passes.begin(), std::move(loops));
    return passes;
}

int RunExport(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("export"));
    const ExportChoices choices = ParseExportChoices(a);
    if (a.Has("--out-dir") || a.Has("--format") || a.Has("--jobs"))
        return RunExportBatch(a, choices);
    if (!a.Has("-o"))
        throw CliError("missing option -o (or --out-dir DIR with --format)");
    std::vector<ExportOutput> outputs;
    for (const std::string& path : a.Values("-o"))
        outputs.push_back(ClassifyOutput(path, choices.highGif));
    CheckOutputs(a, outputs, choices);
    const std::string& project = a.Single("project file");
    ExportConsole console(1);
    ExportJobObserver observer(console, 0);
    return ExportProject(project, outputs, choices, console, observer);
}
