#include "export/LoopFormats.h"

#include <algorithm>
#include <cctype>

std::optional<LoopFileFormat> LoopFileFormatForPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "gif")
        return LoopFileFormat::HighGif;
    if (ext == "webp")
        return LoopFileFormat::Webp;
    if (ext == "apng")
        return LoopFileFormat::Apng;
    if (ext == "avif")
        return LoopFileFormat::Avif;
    if (ext == "mp4" || ext == "webm")
        return LoopFileFormat::Video;
    return std::nullopt;
}

std::unique_ptr<LoopWriter> MakeLoopFileWriter(LoopFileFormat format, const LoopWriterOptions& options)
{
    switch (format) {
    case LoopFileFormat::HighGif: return std::make_unique<GifQualityWriter>(options.gif);
    case LoopFileFormat::Webp: return std::make_unique<WebpWriter>(options.webp);
    case LoopFileFormat::Apng: return std::make_unique<ApngWriter>(options.apng);
    case LoopFileFormat::Avif: return std::make_unique<AvifWriter>(options.avif);
    case LoopFileFormat::Video: return std::make_unique<VideoLoopWriter>(options.video);
    }
    return nullptr;
}
