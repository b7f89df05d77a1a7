#pragma once
// The high-quality animated GIF: one palette chosen from every frame of the loop,
// error diffusion that stays still where the picture stays still, pixels that keep
// their colour stored as transparent so that frames compress, any frame size, and
// delays in hundredths of a second alternated so that the loop lasts its true length.
// It loops for ever. Beside it the classic encoder (GifExport.h) stays as it is.
//
// The writer keeps the frames until Finish, which chooses the palette and codes them.
// With a size limit it codes again with fewer colours, then fewer frames, until the
// file fits, and says what it took away.

#include "export/GifQualityDither.h"
#include "export/GifQualityPalette.h"
#include "export/LoopWriter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct GifQualityOptions {
    static constexpr int kMinColours = 2;
    static constexpr int kMaxColours = 255;  // one more index is the transparent one
    static constexpr uint64_t kMinMaxBytes = 1024;

    int colours = kMaxColours;
    // The largest file wanted, in bytes; 0 for no limit.
    uint64_t maxBytes = 0;
    DitherOptions dither = DefaultDither();

    static DitherOptions DefaultDither();
};

// One way of coding the loop: how many colours, and every how many frames one is shown.
struct GifQualityStep {
    int colours = GifQualityOptions::kMaxColours;
    int frameStep = 1;
};

// What a size limit tries, in order, starting from `colours` colours and every frame.
std::vector<GifQualityStep> GifQualitySteps(int colours, int frameCount);

// The text saying what a step took away ("128 colours instead of 255, every 2nd frame
// (24 of 48)"); empty for the first step.
std::string DescribeReduction(const GifQualityStep& step, const GifQualityStep& first, int frameCount);

// The hundredths of a second at which loop frame k starts: k x 100 / fps rounded, in
// steps of 2 above 50 frames per second (players show no frame shorter than 2).
int64_t GifFrameStart(int64_t k, int framesPerSecond);

class GifQualityWriter final : public LoopFileWriter {
public:
    static constexpr int kMaxSide = 65535;

    explicit GifQualityWriter(GifQualityOptions options = {});
    ~GifQualityWriter() override;

    LoopResult Begin(const std::string& path, const LoopShape& shape) override;
    LoopResult AddFrame(const PackedPicture& frame) override;
    LoopResult Finish() override;
    void Abandon() override;
    bool FinishesFrameByFrame() const override { return true; }

private:
    // Where coded bytes go; false refuses them (the file is too large, or a write failed).
    using ByteSink = std::function<bool(std::span<const uint8_t>)>;
    enum class Coded { Done, Refused, Stopped };

    LoopResult FinishWithin();
    Coded Code(const GifQualityStep& step, const ByteSink& sink);

    GifQualityOptions m_options;
    std::optional<ColourHistogram> m_histogram;  // from Begin to the end
    std::map<int, std::vector<Rgb>> m_palettes;  // by number of colours
    std::vector<std::vector<uint8_t>> m_frames;  // packed RGB, top row first
};
