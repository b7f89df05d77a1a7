#pragma once
// Animated WebP through libwebp's animation encoder (WebPAnimEncoder), lossy at a
// quality or lossless. Frames carry millisecond timestamps rounded from the loop's
// own times, so the loop lasts its true length to the millisecond, and the file
// says to play for ever. The encoder keeps the coded frames and the file is written
// whole at Finish.

#include "export/LoopWriter.h"

#include <memory>
#include <string>

struct WebpOptions {
    static constexpr int kMinQuality = 0;
    static constexpr int kMaxQuality = 100;
    static constexpr int kMinEffort = 0;
    static constexpr int kMaxEffort = 6;

    bool lossless = false;
    // Lossy: 0 (smallest) to 100 (best); lossless: how hard to compress, 0 to 100.
    int quality = 80;
    // libwebp's method: 0 (fastest) to 6 (smallest).
    int effort = 4;
};

// False when the program was built without libwebp.
bool WebpAvailable();

class WebpWriter final : public LoopFileWriter {
public:
    static constexpr int kMaxSide = 16383;

    explicit WebpWriter(WebpOptions options = {});
    ~WebpWriter() override;

    LoopResult Begin(const std::string& path, const LoopShape& shape) override;
    LoopResult AddFrame(const PackedPicture& frame) override;
    LoopResult Finish() override;
    void Abandon() override;

private:
    struct Encoder;

    WebpOptions m_options;
    std::unique_ptr<Encoder> m_encoder;
    int64_t m_frames = 0;
};
