#include "export/GifQuality.h"

#include "export/GifExport.h"
#include "export/LzwEncoder.h"

#include <algorithm>
#include <new>

namespace {

constexpr int kMaxDelay = 65535;

void Put16(std::vector<uint8_t>& out, int value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

// Bits of the colour table: room for every colour and the transparent index after them.
int TableBits(size_t colours)
{
    int bits = 1;
    while ((size_t(1) << bits) < colours + 1)
        ++bits;
    return bits;
}

std::vector<uint8_t> Header(int width, int height, const std::vector<Rgb>& colours, int tableBits)
{
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, width);
    Put16(out, height);
    out.push_back(uint8_t(0xF0 | (tableBits - 1)));  // global table, 8-bit colour resolution
    out.push_back(0);                                // background colour index
    out.push_back(0);                                // pixel aspect ratio
    for (size_t i = 0; i < (size_t(1) << tableBits); ++i) {
        const Rgb& c = i < colours.size() ? colours[i] : Rgb{};
        out.push_back(c.red);
        out.push_back(c.green);
        out.push_back(c.blue);
    }
    // Application extension: play for ever.
    const uint8_t loop[19] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                              'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    out.insert(out.end(), loop, loop + sizeof loop);
    return out;
}

// A frame waiting for its delay: its rectangle's indexes, some of them transparent.
struct PendingFrame {
    GifRect rect;
    std::vector<uint8_t> indexes;
    bool transparent = false;
    int64_t start = 0;
};

// The rectangle's indexes, with those equal to what is shown made transparent.
PendingFrame FrameOver(const std::vector<uint8_t>& shown, const std::vector<uint8_t>& next, int width,
                       const GifRect& rect, uint8_t transparentIndex, int64_t start)
{
    PendingFrame frame{rect, {}, true, start};
    frame.indexes.reserve(size_t(rect.Width()) * size_t(rect.Height()));
    for (int y = rect.top; y < rect.bottom; ++y) {
        const size_t row = size_t(y) * size_t(width);
        for (int x = rect.left; x < rect.right; ++x)
            frame.indexes.push_back(next[row + size_t(x)] == shown[row + size_t(x)] ? transparentIndex
                                                                                    : next[row + size_t(x)]);
    }
    return frame;
}

class FrameCoder {
public:
    FrameCoder(int tableBits, uint8_t transparentIndex)
            : m_codeSize(std::max(2, tableBits)), m_transparentIndex(transparentIndex)
    {}

    // Graphic control extension (kept in place; transparency where used), descriptor, data.
    const std::vector<uint8_t>& Code(const PendingFrame& frame, int delay)
    {
        m_out.clear();
        const uint8_t control[4] = {0x21, 0xF9, 0x04, uint8_t(0x04 | (frame.transparent ? 1 : 0))};
        m_out.insert(m_out.end(), control, control + 4);
        Put16(m_out, delay);
        m_out.push_back(frame.transparent ? m_transparentIndex : 0);
        m_out.push_back(0x00);
        m_out.push_back(0x2C);
        Put16(m_out, frame.rect.left);
        Put16(m_out, frame.rect.top);
        Put16(m_out, frame.rect.Width());
        Put16(m_out, frame.rect.Height());
        m_out.push_back(0x00);  // no local colour table, not interlaced
        m_lzw.Encode(frame.indexes.data(), frame.indexes.size(), m_codeSize, m_out);
        m_out.push_back(0x00);
        return m_out;
    }

private:
    int m_codeSize;
    uint8_t m_transparentIndex;
    LzwEncoder m_lzw;
    std::vector<uint8_t> m_out;
};

std::string Ordinal(int n)
{
    const int lastTwo = n % 100;
    const char* suffix = lastTwo >= 11 && lastTwo <= 13 ? "th"
                         : n % 10 == 1                  ? "st"
                         : n % 10 == 2                  ? "nd"
                         : n % 10 == 3                  ? "rd"
                                                        : "th";
    return std::to_string(n) + suffix;
}

int ShownFrameCount(int frameCount, int step)
{
    return (frameCount + step - 1) / step;
}

}  // namespace

DitherOptions GifQualityOptions::DefaultDither()
{
    // Three quarters of the error passed on: smooth surfaces show no bands, and the
    // grain stays fine enough not to blur detail. Changed pixels within 16 squared
    // steps of what they showed stay as they were (and compress as transparent).
    return DitherOptions{12, 32, 16};
}

std::vector<GifQualityStep> GifQualitySteps(int colours, int frameCount)
{
    std::vector<GifQualityStep> steps{{colours, 1}};
    const auto add = [&](int c, int step) {
        c = std::min(c, colours);
        step = std::min(step, std::max(1, frameCount));
        const GifQualityStep s{c, step};
        if (std::none_of(steps.begin(), steps.end(),
                         [&](const GifQualityStep& o) { return o.colours == s.colours && o.frameStep == s.frameStep; }))
            steps.push_back(s);
    };
    for (int c : {192, 128, 96, 64})
        add(c, 1);
    for (int step : {2, 3, 4})
        add(64, step);
    for (int step : {4, 6, 8})
        add(32, step);
    add(16, 8);
    return steps;
}

std::string DescribeReduction(const GifQualityStep& step, const GifQualityStep& first, int frameCount)
{
    std::string text;
    if (step.colours != first.colours)
        text = std::to_string(step.colours) + " colours instead of " + std::to_string(first.colours);
    if (step.frameStep > 1) {
        if (!text.empty())
            text += ", ";
        text += "every " + Ordinal(step.frameStep) + " frame (" +
                std::to_string(ShownFrameCount(frameCount, step.frameStep)) + " of " + std::to_string(frameCount) + ")";
    }
    return text;
}

int64_t GifFrameStart(int64_t k, int framesPerSecond)
{
    return FrameStart(k, framesPerSecond, 100, framesPerSecond > 50 ? 2 : 1);
}

GifQualityWriter::GifQualityWriter(GifQualityOptions options) : m_options(options) {}

GifQualityWriter::~GifQualityWriter() = default;

LoopResult GifQualityWriter::Begin(const std::string& path, const LoopShape& shape)
{
    Abandon();
    if (LoopResult r = CheckRange("GIF colours", m_options.colours, GifQualityOptions::kMinColours,
                                  GifQualityOptions::kMaxColours);
        !r)
        return r;
    if (m_options.maxBytes != 0 && m_options.maxBytes < GifQualityOptions::kMinMaxBytes)
        return LoopResult::Fail(LoopStatus::BadOptions, "the largest GIF size is 0 (no limit) or at least " +
                                                            std::to_string(GifQualityOptions::kMinMaxBytes) +
                                                            " bytes (got " + std::to_string(m_options.maxBytes) + ")");
    if (LoopResult r = CheckShape(shape, kMaxSide, "GIF"); !r)
        return r;
    LoopResult opened = OpenFile(path, shape);
    if (opened)
        m_histogram.emplace();
    return opened;
}

LoopResult GifQualityWriter::AddFrame(const PackedPicture& frame)
{
    if (!m_histogram)
        return LoopResult::Fail(LoopStatus::NoFrames, "the GIF was not begun: " + Path());
    if (LoopResult r = CheckFrame(frame, Shape()); !r)
        return r;
    try {
        std::vector<uint8_t> rgb = PictureToRgb(frame);
        // Every frame counts whole: the palette is for what the viewer sees in every frame.
        m_histogram->AddPicture(rgb.data(), Shape().width, Shape().height);
        m_frames.push_back(std::move(rgb));
    } catch (const std::bad_alloc&) {
        Abandon();
        return LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory for the frames of " + Path());
    }
    return {};
}

void GifQualityWriter::Abandon()
{
    CloseFile();
    m_frames.clear();
    m_histogram.reset();
    m_palettes.clear();
}

LoopResult GifQualityWriter::Finish()
{
    if (!m_histogram || m_frames.empty()) {
        Abandon();
        return LoopResult::Fail(LoopStatus::NoFrames, "no frames to write to " + Path());
    }
    LoopResult result;
    try {
        result = FinishWithin();
    } catch (const std::bad_alloc&) {
        result = LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory while writing " + Path());
    }
    Abandon();
    return result;
}

LoopResult GifQualityWriter::FinishWithin()
{
    const int frameCount = int(m_frames.size());
    const std::vector<GifQualityStep> steps = m_options.maxBytes ? GifQualitySteps(m_options.colours, frameCount)
                                                                 : std::vector<GifQualityStep>{{m_options.colours, 1}};
    LoopResult result;
    for (const GifQualityStep& step : steps) {
        std::vector<uint8_t> bytes;
        Coded coded;
        if (m_options.maxBytes) {
            // Coded in memory, given up as soon as it is too large.
            coded = Code(step, [&](std::span<const uint8_t> part) {
                if (bytes.size() + part.size() > m_options.maxBytes)
                    return false;
                bytes.insert(bytes.end(), part.begin(), part.end());
                return true;
            });
            if (coded == Coded::Done)
                result = Append(bytes);
        } else {
            coded = Code(step, [&](std::span<const uint8_t> part) {
                result = Append(part);
                return bool(result);
            });
        }
        if (coded == Coded::Stopped)
            return LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + Path());
        if (coded == Coded::Done || !result) {
            if (result)
                result = Commit();
            if (result)
                result.reduced = DescribeReduction(step, steps.front(), frameCount);
            return result;
        }
    }
    return LoopResult::Fail(LoopStatus::TooLarge,
                            "the GIF does not fit in " + std::to_string(m_options.maxBytes) + " bytes even with " +
                                DescribeReduction(steps.back(), steps.front(), frameCount) + ": " + Path());
}

GifQualityWriter::Coded GifQualityWriter::Code(const GifQualityStep& step, const ByteSink& sink)
{
    const int width = Shape().width, height = Shape().height, fps = Shape().framesPerSecond;
    const int count = int(m_frames.size());
    std::vector<Rgb>& colours = m_palettes[step.colours];
    if (colours.empty())
        colours = m_histogram->Palette(step.colours);
    const int tableBits = TableBits(colours.size());
    const uint8_t transparentIndex = uint8_t(colours.size());
    if (!sink(Header(width, height, colours, tableBits)))
        return Coded::Refused;

    StableDither dither(colours, width, height, m_options.dither);
    FrameCoder coder(tableBits, transparentIndex);
    std::vector<uint8_t> shown, next;
    const std::vector<uint8_t>* previous = nullptr;  // the frame last mapped
    PendingFrame pending;
    // Writes the waiting frame, shown until `end`; a wait longer than the longest delay
    // goes on in empty frames.
    const auto writePending = [&](int64_t end) {
        int64_t delay = end - pending.start;
        while (delay > kMaxDelay) {
            if (!sink(coder.Code(pending, kMaxDelay)))
                return false;
            delay -= kMaxDelay;
            pending = PendingFrame{GifRect{0, 0, 1, 1}, {transparentIndex}, true, 0};
        }
        return sink(coder.Code(pending, int(delay)));
    };

    for (int k = 0; k < count; k += step.frameStep) {
        const int64_t start = GifFrameStart(k, fps);
        const int nextShown = std::min(k + step.frameStep, count);
        if (start >= GifFrameStart(nextShown, fps))
            continue;  // too short to be shown
        const std::vector<uint8_t>& rgb = m_frames[size_t(k)];
        if (!previous) {
            dither.MapFrame(rgb.data(), nullptr, nullptr, shown);
            pending = PendingFrame{GifRect{0, 0, width, height}, shown, false, start};
        } else {
            dither.MapFrame(rgb.data(), previous->data(), shown.data(), next);
            if (const auto rect = ChangedRect(shown.data(), next.data(), width, height)) {
                if (!writePending(start))
                    return Coded::Refused;
                pending = FrameOver(shown, next, width, *rect, transparentIndex, start);
                std::swap(shown, next);
            }
        }
        previous = &rgb;
        Finishing(k + 1, count);
        if (StopRequested())
            return Coded::Stopped;
    }
    if (!writePending(GifFrameStart(count, fps)))
        return Coded::Refused;
    const uint8_t trailer = 0x3B;
    return sink(std::span<const uint8_t>(&trailer, 1)) ? Coded::Done : Coded::Refused;
}
