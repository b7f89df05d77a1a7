#pragma once
// Animated AVIF (an AV1 image sequence) through libavif. The sequence's timescale is
// the loop's frames per second and every frame lasts one tick, so the timing is exact.
// The libavif of this system stores no repetition count: players decide whether the
// sequence loops. Frames are converted to 8-bit YUV 4:2:0; the file is written whole
// at Finish.

#include "export/LoopWriter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AvifOptions {
    static constexpr int kMinQuality = 0;
    static constexpr int kMaxQuality = 100;
    static constexpr int kMinSpeed = 0;
    static constexpr int kMaxSpeed = 10;
    // The speed avifenc defaults to, and the one for frames too large for it.
    static constexpr int kDefaultSpeed = 6;
    static constexpr int kLargeFrameSpeed = 7;
    // libaom at speed 6 and below takes about 400 bytes of memory a pixel whatever the
    // number of frames (3.7 GB for 4096 x 2304), at speed 7 about 60: those speeds are
    // for frames of at most 2048 x 1152 pixels (about 1 GB).
    static constexpr int64_t kSlowSpeedMaxPixels = int64_t(2048) * 1152;
    static constexpr int kAutoSpeed = -1;

    // 0 (smallest) to 100 (the finest quantiser). 70 keeps the program's loops near
    // the high-quality GIF's SSIM at about a ninth of its size.
    int quality = 70;
    // The AV1 encoder's speed: 0 (slowest, smallest) to 10 (fastest); kAutoSpeed for
    // kDefaultSpeed, or kLargeFrameSpeed for frames over kSlowSpeedMaxPixels.
    int speed = kAutoSpeed;
    // The AV1 encoder libavif uses: "auto" (its first choice), "aom", "rav1e" or "svt".
    std::string encoder = "auto";
    // Threads the encoder may use; 0 for every core.
    int threads = 0;
};

// The AV1 encoders this libavif can use ("aom", "rav1e", "svt"); empty without libavif.
std::vector<std::string> AvifEncoders();

// The quantizer of a quality 0..100: 100 is the finest (0), 0 the coarsest (63),
// rounded to the nearest.
int AvifQuantizerForQuality(int quality);
// The speed a writer of these options uses for frames of width x height.
int AvifSpeedFor(int speed, int width, int height);

class AvifWriter final : public LoopFileWriter {
public:
    static constexpr int kMaxSide = 65535;

    explicit AvifWriter(AvifOptions options = {});
    ~AvifWriter() override;

    LoopResult Begin(const std::string& path, const LoopShape& shape) override;
    LoopResult AddFrame(const PackedPicture& frame) override;
    LoopResult Finish() override;
    void Abandon() override;

private:
    struct Encoder;

    AvifOptions m_options;
    std::unique_ptr<Encoder> m_encoder;
    int64_t m_frames = 0;
};
