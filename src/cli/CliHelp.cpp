// The commands of warplet-cli with their options, ranges and defaults, and the
// help printed from them.

#include "cli/CliCommands.h"
#include "cli/CmdExport.h"

#include "animation/KeyframeStore.h"
#include "engine/Tool.h"
#include "export/ApngWriter.h"
#include "export/AvifWriter.h"
#include "export/GifQuality.h"
#include "export/VideoLoopWriter.h"
#include "export/WebpWriter.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int kHelpWidth = 79;

// A switch, an option with values (and the default shown), a required one, and
// one of whole numbers within a range.
CliOption Switch(std::string_view name, std::string_view text)
{
    CliOption option;
    option.name = name;
    option.text = text;
    return option;
}

CliOption Takes(std::string_view name, std::string_view values, std::string_view text, std::string_view fallback = {})
{
    CliOption option = Switch(name, text);
    option.values = values;
    option.defaultText = fallback;
    return option;
}

CliOption Needs(std::string_view name, std::string_view values, std::string_view text)
{
    CliOption option = Takes(name, values, text);
    option.required = true;
    return option;
}

CliOption Ranged(CliOption option, CliRange range)
{
    option.range = range;
    return option;
}

CliOption Repeated(CliOption option)
{
    option.repeatable = true;
    return option;
}

CliOption SizeOption(std::string_view fallback)
{
    return Takes("--size", "SIZE",
                 "the frame size: screen (the work picture's, longer side 412), picture (the picture file's) or a "
                 "percentage of the picture file's size, 1 to 10000, for example 50 or 50%",
                 fallback);
}

CliOption OutputOption(std::string_view values, std::string_view text)
{
    return Needs("-o", values, text);
}

std::vector<CliCommand> MakeTable()
{
    const CliOption projectOut = OutputOption("OUT.kib", "the project file to write, which may be PROJECT.kib");
    return {
        {"new",
         "new PICTURE -o OUT.kib",
         "A new project on a picture: keyframes 0 and 1 of 10 frames each, tool 1019 at strength 64.",
         {OutputOption("OUT.kib", "the project file to write")},
         RunNew},
        {"info",
         "info PROJECT.kib",
         "The project as JSON on stdout: format, picture, keyframes, total frames, tool, whether it has a freeze "
         "mask.",
         {},
         RunInfo},
        {"stroke",
         "stroke PROJECT.kib -o OUT.kib --key K --tool ID --points \"x,y ...\" [OPTIONS]",
         "One stroke on keyframe K, as the work window performs it; the tool becomes the project's active tool.",
         {projectOut, Needs("--key", "K", "the keyframe, 0 to the number of keyframes - 1"),
          Needs("--tool", "ID", "the tool, by one of the identifiers below"),
          Ranged(Takes("--strength", "S", "the tool's strength",
                       "the strength the project stores when ID is its active tool, else the tool's own"),
                 {0, 64}),
          Switch("--right", "the right button: brushes that turn, turn the other way"),
          Ranged(Takes("--seed", "N", "seeds the random tools, so that a stroke can be replayed", "from the clock"),
                 {0, UINT32_MAX}),
          Needs("--points", "\"x,y ...\"",
                "the pointer's positions in the work picture: button down at the first, up at the last; a "
                "position within a pixel (12.5,7.25) acts at that pixel"),
          Ranged(Takes("--size", "PIXELS",
                       "the brush's radius in work-picture pixels, at most the picture's longer side; brushes only",
                       "the tool's own size"),
                 {1, kMaxFreeRadius}),
          Takes("--pressure", "\"p ...\"",
                "pen pressure 0 to 1 at each point, one per point (in steps of 1/64; values outside are taken "
                "as 0 or 1): scales the brush's strength",
                "1"),
          Switch("--pressure-size", "pressure scales the brush's size as well as its strength"),
          Switch("--reverse",
                 "as with the reverse key held: enlarge and shrink, pinch and punch, collapse and explosion swap "
                 "at the same size, and rotate turns the other way"),
          Ranged(Takes("--ticks", "\"n ...\"",
                       "timer ticks (10 ms each in the window) resting at each point, one count per point: at most "
                       "1000 at a point (ten seconds held) and 6000 in all (a minute); only tools that repeat use "
                       "them",
                       "0"),
                 {0, kMaxTicksAtPoint})},
         RunStroke},
        {"key",
         "key PROJECT.kib -o OUT.kib OPERATION",
         "One keyframe operation of the strip; OPERATION is exactly one of the options after -o.",
         {projectOut, Switch("--add", "a new last keyframe, a copy of the last one"),
          Takes("--repeat", "K", "a copy of keyframe K, inserted in front of it"),
          Takes("--delete", "K", "deletes keyframe K (only while three or more exist)"),
          Ranged(Takes("--duration", "K D", "keyframe K lasts D frames, D"),
                 {KeyframeStore::kMinDuration, KeyframeStore::kMaxDuration}),
          Takes("--move-left", "K", "keyframe K changes places with the one before it"),
          Takes("--move-right", "K", "keyframe K changes places with the one after it")},
         RunKey},
        {"map",
         "map PROJECT.kib (--key K | --time T) -o MAP.bin",
         "The raw map of a keyframe or of an interpolated frame: width x height elements of two little-endian "
         "int32 (dx, dy in 1/64 pixel), row by row from the top.",
         {OutputOption("MAP.bin", "the file to write"), Takes("--key", "K", "the map of keyframe K"),
          Ranged(Takes("--time", "T", "the map at time T in 1/64 frames"), {0, INT32_MAX})},
         RunMap},
        {"mask",
         "mask PROJECT.kib -o OUT.kib (--from PICTURE | --clear)",
         "Sets the project's freeze mask, which no tool moves: from a picture's alpha, or its grey where it has "
         "none (white or opaque frozen, black or transparent free), scaled to the work picture; or removes it.",
         {projectOut, Takes("--from", "PICTURE", "the picture the mask is taken from"),
          Switch("--clear", "removes the mask")},
         RunMask},
        {"reconstruct",
         "reconstruct PROJECT.kib -o OUT.kib --key K --percent P",
         "Moves keyframe K's whole map toward no deformation by P percent; frozen areas of the mask keep theirs.",
         {projectOut, Needs("--key", "K", "the keyframe, 0 to the number of keyframes - 1"),
          Ranged(Needs("--percent", "P", "how far: 100 takes the deformation back entirely"), {0, 100})},
         RunReconstruct},
        {"render",
         "render PROJECT.kib --frame F -o OUT [OPTIONS]",
         "Animation frame F as a picture; the extension of OUT (.bmp, .png, .jpg, .tif, .gif) chooses the type.",
         {Ranged(Needs("--frame", "F", "the animation frame"), {0, KeyframeStore::kMaxFrameNumber}),
          OutputOption("OUT", "the picture file to write"),
          Switch("--quick", "nearest-neighbour rendering, as during playback; screen size only"), SizeOption("screen")},
         RunRender},
        {"export",
         "export PROJECT.kib -o OUT [-o OUT ...] [OPTIONS]\n"
         "       warplet-cli export PROJECT.kib ... --out-dir DIR --format LIST [--jobs N] [OPTIONS]",
         "Writes one loop of the animation, or chosen frames. The extension of OUT chooses: .gif an animated GIF, "
         ".webp, .apng or .avif an animated picture, .mp4 or .webm a video at the loop's own speed (one frame per "
         "animation frame), .wmv a video at its table's rate, .jpg, .bmp, .png or .tif a sequence of pictures named "
         "by frame number. Several -o render the loop once for all of them (the classic GIF, the WMV and pictures "
         "take a pass of their own). With --out-dir every project is written as DIR/NAME.FORMAT, several side by "
         "side. AVIF files carry no repetition count: players decide whether they loop.",
         {Repeated(Takes("-o", "OUT", "a file to write; may be given several times")),
          Takes("--out-dir", "DIR", "the folder for --format outputs of every project (made when missing)"),
          Takes("--format", "LIST", "with --out-dir: comma-separated gif, webp, apng, avif, mp4, webm, wmv"),
          Ranged(Takes("--jobs", "N", "with --out-dir: projects exported at the same time", "the cores"), {1, 64}),
          Ranged(Takes("--speed", "S", "animation frames per second", "30"), {1, 60}), SizeOption("picture"),
          Takes("--frames", "FRAMES",
                "pictures only: the frames to write, all or frame numbers of the loop (0 to total frames - 1) as "
                "one argument, \"0 5 17\"",
                "all"),
          Takes("--quality", "Q",
                ".gif: classic (the work picture's size, one colour table for every frame, made from the picture) "
                "or high (one palette made from every frame, still dithering, the frame size)",
                "classic"),
          Ranged(Takes("--max-size", "BYTES",
                       "high GIF: the largest file; slight changes held back, near colours coded as one and fewer "
                       "colours (down to 16), and only then fewer frames, until it fits",
                       "no limit"),
                 {int64_t(GifQualityOptions::kMinMaxBytes), int64_t(1) << 40}),
          Ranged(
              Takes("--webp-quality", "Q", ".webp: higher is better and larger (lossless: how hard to compress)", "80"),
              {WebpOptions::kMinQuality, WebpOptions::kMaxQuality}),
          Switch("--lossless", ".webp: lossless frames"),
          Ranged(Takes("--webp-effort", "E", ".webp: higher is slower and smaller", "4"),
                 {WebpOptions::kMinEffort, WebpOptions::kMaxEffort}),
          Ranged(Takes("--png-compression", "L", ".apng: zlib level, higher is slower and smaller", "1"),
                 {ApngOptions::kMinCompression, ApngOptions::kMaxCompression}),
          Ranged(Takes("--avif-quality", "Q", ".avif: higher is finer and larger", "70"),
                 {AvifOptions::kMinQuality, AvifOptions::kMaxQuality}),
          Ranged(Takes("--avif-speed", "S",
                       ".avif: encoder speed, higher is faster and larger; 6 and below take frames of at most "
                       "2048 x 1152 pixels (about 400 bytes of memory a pixel)",
                       "6, 7 for larger frames"),
                 {AvifOptions::kMinSpeed, AvifOptions::kMaxSpeed}),
          Takes("--codec", "C", ".mp4, .webm: h264 (MP4 only), vp9 or av1", "h264 for .mp4, vp9 for .webm"),
          Ranged(Takes("--crf", "N", ".mp4, .webm: constant quality, lower is better; h264 takes at most 51",
                       "h264 23, vp9 32, av1 35"),
                 {0, 63}),
          Ranged(Takes("--loops", "N", ".mp4, .webm: times the loop plays in the file", "1"),
                 {VideoLoopOptions::kMinLoops, VideoLoopOptions::kMaxLoops})},
         RunExport},
        {"print",
         "print PROJECT.kib -o OUT.pdf [OPTIONS]",
         "Prints the chosen frames as the program's print command does, into one PDF document with a page per "
         "frame.",
         {OutputOption("OUT.pdf", "the PDF file to write"),
          Takes("--frames", "FRAMES",
                "the frames to print, all or frame numbers of the loop (0 to total frames - 1) as one argument, "
                "\"0 5 17\"",
                "all"),
          SizeOption("picture"), Takes("--page", "PAGE", "A4 or Letter", "A4"),
          Switch("--fit",
                 "each frame scaled to fill the page's printable area, keeping its proportions (without it, "
                 "frames print at their actual size, 300 pixels per inch)")},
         RunPrint},
        {"check-update",
         "check-update [--force]",
         "Runs the update check at once, on the schedule warplet-cli keeps; JSON on stdout.",
         {Switch("--force", "asks whatever the schedule and the connection test say")},
         RunCheckUpdate},
        {"acquire",
         "acquire [--list] [--device ID] [--item NAME] [--out DIR] [--resolution DPI]",
         "Lists scanners and cameras, or takes one picture from one and prints the path of the written file.",
         {Switch("--list", "lists the devices; with --device, a camera's pictures or a scanner's choices"),
          Takes("--device", "ID", "sane:NAME or gphoto2:MODEL@PORT (see --list)", "the only device found"),
          Takes("--item", "NAME", "cameras: the picture, by its file name or its path on the camera",
                "the first picture"),
          Takes("--out", "DIR", "the folder to write to (made when missing)",
                "\"Warplet pictures\" in the pictures folder"),
          Takes("--resolution", "DPI", "scanners: dots per inch, at least 1", "the scanner's own")},
         RunAcquire},
    };
}

// Words of `text` in lines of at most `width` columns after an indent of `indent`
// (the first line continues what is already written in `column`).
void Wrapped(std::ostream& out, const std::string& text, size_t column, size_t indent)
{
    std::istringstream words(text);
    size_t at = column;
    bool first = true;
    for (std::string word; words >> word; first = false) {
        if (!first && at + 1 + word.size() > size_t(kHelpWidth)) {
            out << '\n' << std::string(indent, ' ');
            at = indent;
        } else if (!first) {
            out << ' ';
            ++at;
        }
        out << word;
        at += word.size();
    }
    out << '\n';
}

std::string Describe(const CliOption& option)
{
    std::string text(option.text);
    if (option.range)
        text += ": " + std::to_string(option.range->min) + " to " + std::to_string(option.range->max);
    if (option.required)
        text += " (required)";
    else if (!option.defaultText.empty())
        text += " (default " + std::string(option.defaultText) + ")";
    return text;
}

void PrintTools(std::ostream& out)
{
    out << "\ntools (ID and name):\n";
    for (const int id : ToolNameIds())
        out << "  " << id << "  " << AppString(id).toStdString() << '\n';
}

}  // namespace

const std::vector<CliCommand>& CliCommandTable()
{
    static const std::vector<CliCommand> table = MakeTable();
    return table;
}

const std::vector<CliOption>& CliOptionsOf(std::string_view command)
{
    for (const CliCommand& c : CliCommandTable()) {
        if (c.name == command)
            return c.options;
    }
    throw std::logic_error("CliOptionsOf: no command " + std::string(command));
}

void PrintUsage(std::ostream& out)
{
    out << "usage: warplet-cli [--lang zh|en] COMMAND ARGUMENTS\n"
           "       warplet-cli COMMAND --help\n"
           "       warplet-cli --version\n\ncommands:\n";
    size_t width = 0;
    for (const CliCommand& command : CliCommandTable())
        width = std::max(width, std::string_view(command.name).size());
    for (const CliCommand& command : CliCommandTable()) {
        const std::string name(command.name);
        out << "  " << name << std::string(width + 2 - name.size(), ' ');
        Wrapped(out, command.summary, width + 4, width + 4);
    }
}

void PrintCommandHelp(std::ostream& out, const CliCommand& command)
{
    out << "usage: warplet-cli " << command.usage << "\n\n";
    Wrapped(out, command.summary, 0, 0);
    if (!command.options.empty()) {
        size_t width = 0;
        for (const CliOption& option : command.options)
            width = std::max(width, option.name.size() + 1 + option.values.size());
        out << "\noptions:\n";
        for (const CliOption& option : command.options) {
            std::string head(option.name);
            if (!option.values.empty())
                head += " " + std::string(option.values);
            out << "  " << head << std::string(width + 2 - head.size(), ' ');
            Wrapped(out, Describe(option), width + 4, width + 4);
        }
    }
    if (std::string_view(command.name) == "stroke")
        PrintTools(out);
}

void PrintVersion(std::ostream& out)
{
    out << "warplet-cli " << WARPLET_VERSION_MAJOR << '.' << WARPLET_VERSION_MINOR << '.' << WARPLET_VERSION_PATCH
        << '.' << WARPLET_VERSION_TWEAK << '\n';
}
