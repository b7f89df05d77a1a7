#pragma once
// The quality a person chooses for the loop formats that have one (WebP, AVIF and
// the videos' constant-rate factor), and which of those choices a set of files
// needs. The save dialogs ask for them; an export takes them into its writers.

#include "export/ExportWorker.h"

#include <array>
#include <optional>
#include <vector>

struct LoopQuality {
    bool webpLossless = false;
    int webpQuality = WebpOptions{}.quality;
    int avifQuality = AvifOptions{}.quality;

    // The constant-rate factor chosen for a codec (resolved: not Default); each
    // codec starts at its own default.
    int Crf(VideoCodec codec) const;
    void SetCrf(VideoCodec codec, int crf);

    // The WebP and AVIF choices in the writers' options.
    void ApplyTo(LoopWriterOptions& options) const;
    // Each video target's constant-rate factor for its codec.
    void ApplyTo(std::vector<LoopTarget>& targets) const;

private:
    std::array<int, 3> m_crf{-1, -1, -1};  // H.264, VP9, AV1; -1: the codec's default
};

// The choices the files of a loop export use: nothing to ask when none.
struct LoopQualityRows {
    bool webp = false;
    bool avif = false;
    std::optional<VideoCodec> video;  // the codec of the (first) video, resolved

    bool Any() const { return webp || avif || video.has_value(); }
};
LoopQualityRows QualityRowsFor(const std::vector<LoopTarget>& targets);
