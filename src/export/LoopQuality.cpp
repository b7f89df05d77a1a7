#include "export/LoopQuality.h"

#include <algorithm>

namespace {

// The slot of a resolved codec in the table of constant-rate factors.
size_t CodecSlot(VideoCodec codec)
{
    switch (codec) {
    case VideoCodec::Vp9: return 1;
    case VideoCodec::Av1: return 2;
    case VideoCodec::H264:
    case VideoCodec::Default: break;
    }
    return 0;
}

}  // namespace

int LoopQuality::Crf(VideoCodec codec) const
{
    const int chosen = m_crf[CodecSlot(codec)];
    return chosen < 0 ? CrfRange(codec).defaultCrf : chosen;
}

void LoopQuality::SetCrf(VideoCodec codec, int crf)
{
    const VideoCodecRange range = CrfRange(codec);
    m_crf[CodecSlot(codec)] = std::clamp(crf, range.minCrf, range.maxCrf);
}

void LoopQuality::ApplyTo(LoopWriterOptions& options) const
{
    options.webp.lossless = webpLossless;
    options.webp.quality = std::clamp(webpQuality, WebpOptions::kMinQuality, WebpOptions::kMaxQuality);
    options.avif.quality = std::clamp(avifQuality, AvifOptions::kMinQuality, AvifOptions::kMaxQuality);
}

void LoopQuality::ApplyTo(std::vector<LoopTarget>& targets) const
{
    for (LoopTarget& target : targets) {
        if (target.format == LoopFileFormat::Video)
            target.crf = Crf(ResolveVideoCodec(target.codec, target.path));
    }
}

LoopQualityRows QualityRowsFor(const std::vector<LoopTarget>& targets)
{
    LoopQualityRows rows;
    for (const LoopTarget& target : targets) {
        rows.webp = rows.webp || target.format == LoopFileFormat::Webp;
        rows.avif = rows.avif || target.format == LoopFileFormat::Avif;
        if (target.format == LoopFileFormat::Video && !rows.video)
            rows.video = ResolveVideoCodec(target.codec, target.path);
    }
    return rows;
}
