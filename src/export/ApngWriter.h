#pragma once
// Animated PNG through FFmpeg's APNG encoder and muxer: lossless frames, each after
// the first stored as the part that changed, every frame lasting one tick of a time
// base of 1 / frames per second, and the file set to play for ever (plays 0). The
// muxer writes the frame count at the end, seeking back in the (still unnamed) file.

#include "export/LoopWriter.h"

#include <memory>
#include <string>

struct ApngOptions {
    static constexpr int kMinCompression = 0;
    static constexpr int kMaxCompression = 9;

    // zlib's level: 0 (fastest) to 9 (smallest). Level 1 codes the program's loops
    // four times as fast as level 6 for about 8 % more bytes.
    int compression = 1;
    // Per-row prediction chosen for every row (smaller, slower) instead of the Paeth one.
    bool bestPrediction = false;
};

// Ok when FFmpeg has the muxer and the encoder of these names; else NoLibrary naming
// the one that is missing.
LoopResult FindFfmpegParts(const char* muxer, const char* encoder);

class ApngWriter final : public LoopFileWriter {
public:
    static constexpr int kMaxSide = 32767;

    explicit ApngWriter(ApngOptions options = {});
    ~ApngWriter() override;

    LoopResult Begin(const std::string& path, const LoopShape& shape) override;
    LoopResult AddFrame(const PackedPicture& frame) override;
    LoopResult Finish() override;
    void Abandon() override;

private:
    struct Coder;

    LoopResult Start(const std::string& path, const LoopShape& shape);
    LoopResult Failed(const std::string& step, int error);
    LoopResult Drain();

    ApngOptions m_options;
    std::unique_ptr<Coder> m_coder;
    int64_t m_frames = 0;
};
