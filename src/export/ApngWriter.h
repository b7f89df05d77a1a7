#pragma once
// Animated PNG through FFmpeg's APNG encoder and muxer: lossless frames, each after
// the first stored as the part that changed, every frame lasting one tick of a time
// base of 1 / frames per second, and the file set to play for ever (plays 0). The
// muxer writes the frame count at the end, seeking back in the (still unnamed) file.
// The loop is coded twice, in RGBA (unchanged pixels transparent over the frame
// before) and in RGB, side by side on two threads, each into an unnamed file of its
// own, until one is more than 2 % larger than the other (they are compared every 8
// frames): that one stops, and the other is the file. Both coded to the end, the
// smaller is kept.

#include "export/LoopWriter.h"

#include <memory>
#include <string>
#include <sys/types.h>

struct AVFrame;

struct ApngOptions {
    static constexpr int kMinCompression = 0;
    static constexpr int kMaxCompression = 9;

    // zlib's level: 0 (fastest) to 9 (smallest). Level 1 codes the program's loops
    // four times as fast as level 6 for about 8 % more bytes.
    int compression = 1;
    // The prediction chosen row by row ("mixed"; smaller) instead of Paeth's for every row.
    bool bestPrediction = true;
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
    struct Coding;
    struct Coder;

    LoopResult Start(const std::string& path, const LoopShape& shape);
    LoopResult Open(Coding& coding, AtomicFile& file, int pixelFormat, const LoopShape& shape);
    LoopResult Code(Coding& coding, const PackedPicture& frame, int64_t pts);
    LoopResult Encode(Coding& coding, const AVFrame* frame);
    LoopResult Close(Coding& coding);
    void DropTheLarger(int64_t rgbaBytes, int64_t rgbBytes, bool atEnd);
    LoopResult TakeRgbCoding(off_t bytes);
    LoopResult Failed(const Coding& coding, const std::string& step, int error);

    ApngOptions m_options;
    std::unique_ptr<Coder> m_coder;
    int64_t m_frames = 0;
};
