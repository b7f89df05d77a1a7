#pragma once
// The high-quality animated GIF: one palette chosen from every frame of the loop,
// error diffusion that stays still where the picture stays still, pixels that keep
// their colour stored as transparent so that frames compress, any frame size, and
// delays in hundredths of a second alternated so that the loop lasts its true length.
// It loops for ever. Beside it the classic encoder (GifExport.h) stays as it is.
//
// A frame that changes the picture less than the dither's own noise is not stored: the
// frame before stays on screen for its time too, so the loop keeps its length.
//
// The writer keeps the frames until Finish, which chooses the palette and codes them.
// With a size limit it spends quality before frames: near colours coded as one by a
// lossy LZW match, then fewer colours, and only then fewer frames. It searches that
// ladder for the finest step that fits, and says what it took away.

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
    static constexpr int kMaxTolerance = 48;

    int colours = kMaxColours;
    // The largest file wanted, in bytes; 0 for no limit.
    uint64_t maxBytes = 0;
    DitherOptions dither = DefaultDither();
    // The lossy LZW match: a pixel may be coded as another index whose colour lies
    // within this distance of its own (in component steps, 0 to kMaxTolerance; 0 codes
    // every index as it is). A size limit raises it.
    int tolerance = 0;
    // Frames that change less than the dither's noise stay off the screen (see above).
    bool mergeStillFrames = true;

    static DitherOptions DefaultDither();
};

// One way of coding the loop: how many colours, every how many frames one is shown,
// the lossy match's tolerance and the dither's keep tolerance.
struct GifQualityStep {
    int colours = GifQualityOptions::kMaxColours;
    int frameStep = 1;
    int tolerance = 0;
    int keep = 0;
    friend bool operator==(const GifQualityStep&, const GifQualityStep&) = default;
};

// What a size limit tries, finest first, from `first` (every frame): quality before
// frames. Slight changes held back more (the keep tolerance raised), near colours coded
// as one (the match tolerance raised), then fewer colours down to 16, and only then
// every 2nd, 3rd ... frame. No step gives back what one before it took; each one's file
// is smaller than the one before on any ordinary loop.
std::vector<GifQualityStep> GifQualitySteps(const GifQualityStep& first, int frameCount);

// A step between two neighbouring steps of the list, when they differ in one setting
// by more than one: that setting halfway. Nothing otherwise.
std::optional<GifQualityStep> StepBetween(const GifQualityStep& finer, const GifQualityStep& coarser);

// The text saying what a step took away ("near colours (within 12) coded as one, 128
// colours instead of 255, every 2nd frame (24 of 48)"); empty for the first step.
std::string DescribeReduction(const GifQualityStep& step, const GifQualityStep& first, int frameCount);

// What a finished high-quality GIF holds.
struct GifQualityReport {
    int frames = 0;          // frames stored, each shown once in a loop
    int64_t hundredths = 0;  // the loop's length, the sum of the delays
};

// The text of a loop's length in seconds: "2.00 s", "0.71 s".
std::string LoopLengthText(int64_t hundredths);

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

    // What the last finished file holds (nothing before one is finished).
    const GifQualityReport& Report() const { return m_report; }

private:
    // Where coded bytes go; false refuses them (the file is too large, or a write failed).
    using ByteSink = std::function<bool(std::span<const uint8_t>)>;
    enum class Coded { Done, Refused, Stopped };

    GifQualityStep FirstStep() const;
    LoopResult FinishWithin();
    LoopResult FinishWithinLimit();
    Coded Code(const GifQualityStep& step, const ByteSink& sink, GifQualityReport& report);
    // Codes the step in memory; the bytes when they fit the limit.
    Coded CodeInMemory(const GifQualityStep& step, std::vector<uint8_t>& bytes, GifQualityReport& report);

    GifQualityOptions m_options;
    std::optional<ColourHistogram> m_histogram;  // from Begin to the end
    std::map<int, std::vector<Rgb>> m_palettes;  // by number of colours
    std::vector<std::vector<uint8_t>> m_frames;  // packed RGB, top row first
    GifQualityReport m_report;
};
