#pragma once
// The loop formats written from one render of the loop's frames, the options of
// each writer, and the one place that makes a writer for a format.

#include "export/ApngWriter.h"
#include "export/AvifWriter.h"
#include "export/GifQuality.h"
#include "export/LoopWriter.h"
#include "export/VideoLoopWriter.h"
#include "export/WebpWriter.h"

#include <memory>
#include <optional>
#include <string>

enum class LoopFileFormat { HighGif, Webp, Apng, Avif, Video };

// The format of a loop file by its extension (".webp", ".apng", ".avif", ".mp4",
// ".webm", ".gif" for the high-quality GIF); nothing for other names.
std::optional<LoopFileFormat> LoopFileFormatForPath(const std::string& path);

// Every writer's options; a writer takes its own format's part.
struct LoopWriterOptions {
    GifQualityOptions gif;
    WebpOptions webp;
    ApngOptions apng;
    AvifOptions avif;
    VideoLoopOptions video;
};

// A writer of the format with its part of the options.
std::unique_ptr<LoopWriter> MakeLoopFileWriter(LoopFileFormat format, const LoopWriterOptions& options = {});
