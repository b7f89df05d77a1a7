#include "export/GifQuality.h"

#include "export/GifExport.h"
#include "export/LzwEncoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>
#include <utility>

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

// The indexes a lossy match may code a pixel as: those whose colour lies near the colour
// the pixel shows. A transparent pixel shows the index beneath it; an opaque one may
// become transparent, showing the index beneath. The error of each substitution is
// carried along the row, and a substitute is taken only while the error carried stays
// within the tolerance: the row's colours keep their average, so that runs coded as one
// show no streaks.
class NearIndexes final : public LzwSubstitutes {
public:
    NearIndexes(const std::vector<Rgb>& colours, int tolerance, uint8_t transparentIndex)
            : m_colours(colours), m_near(colours.size()), m_transparentIndex(transparentIndex),
              m_limit(int64_t(tolerance) * tolerance)
    {
        // With an error carried, a substitute may lie up to twice the tolerance away.
        for (size_t i = 0; i < colours.size(); ++i) {
            std::vector<std::pair<int64_t, uint8_t>> near;
            for (size_t j = 0; j < colours.size(); ++j)
                if (const int64_t d = Distance(colours[i], colours[j]); j != i && d <= 4 * m_limit)
                    near.emplace_back(d, uint8_t(j));
            std::sort(near.begin(), near.end());
            for (const auto& [d, j] : near)
                m_near[i].push_back(j);
        }
    }

    // The frame to code next: its rectangle, and the indexes shown before it (null for
    // a frame without transparency).
    void SetFrame(const GifRect& rect, const uint8_t* shown, int width)
    {
        m_rect = rect;
        m_shown = shown;
        m_width = width;
        m_row = SIZE_MAX;
    }

    std::span<const uint8_t> For(size_t at, uint8_t pixel) override
    {
        const size_t rw = size_t(m_rect.Width()), row = at / rw;
        if (row != m_row) {
            m_row = row;
            m_carry = {0, 0, 0};
        }
        const uint8_t beneath = Beneath(at);
        const uint8_t self = pixel == m_transparentIndex ? beneath : pixel;
        size_t n = 0;
        const auto consider = [&](uint8_t candidate, uint8_t looks) {
            if (Within(looks, self))
                m_buffer[n++] = candidate;
        };
        if (pixel == m_transparentIndex)
            consider(beneath, beneath);
        else if (m_shown)
            consider(m_transparentIndex, beneath);  // first: it continues the runs of unchanged pixels
        for (const uint8_t j : m_near[self])
            consider(j, j);
        return {m_buffer.data(), n};
    }

    void Took(size_t at, uint8_t pixel, uint8_t substitute) override
    {
        const uint8_t beneath = Beneath(at);
        const Rgb& from = m_colours[pixel == m_transparentIndex ? beneath : pixel];
        const Rgb& to = m_colours[substitute == m_transparentIndex ? beneath : substitute];
        m_carry[0] += to.red - from.red;
        m_carry[1] += to.green - from.green;
        m_carry[2] += to.blue - from.blue;
    }

private:
    static int64_t Distance(const Rgb& a, const Rgb& b)
    {
        const int dr = a.red - b.red, dg = a.green - b.green, db = a.blue - b.blue;
        return int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
    }
    uint8_t Beneath(size_t at) const
    {
        if (!m_shown)
            return 0;
        const size_t rw = size_t(m_rect.Width());
        return m_shown[size_t(m_rect.top + int(at / rw)) * size_t(m_width) + size_t(m_rect.left) + at % rw];
    }
    // True when showing `looks` in place of `self` keeps the error carried within the tolerance.
    bool Within(uint8_t looks, uint8_t self) const
    {
        const Rgb &a = m_colours[looks], &b = m_colours[self];
        const int64_t dr = m_carry[0] + a.red - b.red, dg = m_carry[1] + a.green - b.green,
                      db = m_carry[2] + a.blue - b.blue;
        return dr * dr + dg * dg + db * db <= m_limit;
    }

    std::vector<Rgb> m_colours;
    std::vector<std::vector<uint8_t>> m_near;  // by index: the others within twice the tolerance, nearest first
    uint8_t m_transparentIndex;
    int64_t m_limit;
    GifRect m_rect;
    const uint8_t* m_shown = nullptr;
    int m_width = 0;
    size_t m_row = SIZE_MAX;
    std::array<int64_t, 3> m_carry{};
    std::array<uint8_t, 257> m_buffer{};
};

// A frame waiting for its delay: coded already, from its image descriptor to its end.
struct PendingFrame {
    bool transparent = false;
    int64_t start = 0;
    std::vector<uint8_t> image;
};

class FrameCoder {
public:
    FrameCoder(int tableBits, uint8_t transparentIndex, NearIndexes* near)
            : m_codeSize(std::max(2, tableBits)), m_transparentIndex(transparentIndex), m_near(near)
    {}

    // The frame's image descriptor and data: the rectangle's indexes, `indexes` (which a
    // lossy match rewrites to what is decoded); those beneath it are `shown` (null for
    // the first frame, which has no transparency).
    PendingFrame Code(const GifRect& rect, std::vector<uint8_t>& indexes, const uint8_t* shown, int width,
                      int64_t start)
    {
        return Image(rect, indexes, shown, width, start, m_near);
    }

    // An empty frame that only waits: one transparent pixel.
    PendingFrame Wait()
    {
        std::vector<uint8_t> pixel{m_transparentIndex};
        PendingFrame frame = Image(GifRect{0, 0, 1, 1}, pixel, nullptr, 1, 0, nullptr);
        frame.transparent = true;
        return frame;
    }

    // The graphic control extension before a frame (kept in place; transparency where used).
    std::vector<uint8_t> Control(const PendingFrame& frame, int delay) const
    {
        std::vector<uint8_t> out = {0x21, 0xF9, 0x04, uint8_t(0x04 | (frame.transparent ? 1 : 0))};
        Put16(out, delay);
        out.push_back(frame.transparent ? m_transparentIndex : 0);
        out.push_back(0x00);
        return out;
    }

private:
    PendingFrame Image(const GifRect& rect, std::vector<uint8_t>& indexes, const uint8_t* shown, int width,
                       int64_t start, NearIndexes* near)
    {
        PendingFrame frame{shown != nullptr, start, {0x2C}};
        std::vector<uint8_t>& out = frame.image;
        Put16(out, rect.left);
        Put16(out, rect.top);
        Put16(out, rect.Width());
        Put16(out, rect.Height());
        out.push_back(0x00);  // no local colour table, not interlaced
        if (near) {
            near->SetFrame(rect, shown, width);
            m_lzw.EncodeLossy(indexes.data(), indexes.size(), m_codeSize, *near, out);
        } else {
            m_lzw.Encode(indexes.data(), indexes.size(), m_codeSize, out);
        }
        out.push_back(0x00);
        return frame;
    }

    int m_codeSize;
    uint8_t m_transparentIndex;
    NearIndexes* m_near;
    LzwEncoder m_lzw;
};

// The rectangle's indexes, with those equal to what is shown made transparent.
std::vector<uint8_t> IndexesOver(const std::vector<uint8_t>& shown, const std::vector<uint8_t>& next, int width,
                                 const GifRect& rect, uint8_t transparentIndex)
{
    std::vector<uint8_t> indexes;
    indexes.reserve(size_t(rect.Width()) * size_t(rect.Height()));
    for (int y = rect.top; y < rect.bottom; ++y) {
        const size_t row = size_t(y) * size_t(width);
        for (int x = rect.left; x < rect.right; ++x)
            indexes.push_back(next[row + size_t(x)] == shown[row + size_t(x)] ? transparentIndex
                                                                              : next[row + size_t(x)]);
    }
    return indexes;
}

// What is shown once the rectangle's coded indexes are drawn over `shown`.
void DrawOver(std::vector<uint8_t>& shown, const std::vector<uint8_t>& indexes, int width, const GifRect& rect,
              uint8_t transparentIndex)
{
    size_t i = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x, ++i)
            if (indexes[i] != transparentIndex)
                shown[size_t(y) * size_t(width) + size_t(x)] = indexes[i];
}

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
    // Half the error passed on: smooth surfaces show no bands at 255 colours, and the
    // grain stays fine enough not to blur detail. Changed pixels within 64 squared steps
    // (8 levels) of what they showed stay as they were, and compress as transparent.
    return DitherOptions{8, 32, 64};
}

std::vector<GifQualityStep> GifQualitySteps(const GifQualityStep& first, int frameCount)
{
    std::vector<GifQualityStep> steps{first};
    const auto add = [&](int colours, int frameStep, int tolerance, int keep) {
        const GifQualityStep& last = steps.back();
        const GifQualityStep step{std::min(colours, last.colours),
                                  std::max(std::min(frameStep, std::max(1, frameCount)), last.frameStep),
                                  std::max(tolerance, last.tolerance), std::max(keep, last.keep)};
        if (!(step == last))
            steps.push_back(step);
    };
    const int most = first.colours;
    for (const int keep : {96, 128, 192, 256, 384, 512})
        add(most, 1, first.tolerance, keep);
    for (const int tolerance : {8, 12, 16, 20, 24, 28, 32})
        add(most, 1, tolerance, 512);
    for (const int colours : {224, 192, 160, 128, 112, 96, 80, 64, 48, 32, 24, 16})
        add(colours, 1, 32, 512);
    // Frames last.
    for (const int frameStep : {2, 3, 4, 6, 8})
        add(16, frameStep, 32, 512);
    return steps;
}

std::optional<GifQualityStep> StepBetween(const GifQualityStep& finer, const GifQualityStep& coarser)
{
    int GifQualityStep::*const settings[] = {&GifQualityStep::colours, &GifQualityStep::frameStep,
                                             &GifQualityStep::tolerance, &GifQualityStep::keep};
    int differ = 0;
    GifQualityStep between = finer;
    for (int GifQualityStep::*setting : settings) {
        if (finer.*setting == coarser.*setting)
            continue;
        ++differ;
        between.*setting = (finer.*setting + coarser.*setting) / 2;
        if (std::abs(finer.*setting - coarser.*setting) < 2)
            return std::nullopt;
    }
    if (differ != 1 || between.frameStep != finer.frameStep)
        return std::nullopt;  // frames are dropped only at the steps the list names
    return between;
}

std::string DescribeReduction(const GifQualityStep& step, const GifQualityStep& first, int frameCount)
{
    std::vector<std::string> parts;
    if (step.keep != first.keep)
        parts.push_back("changes under " + std::to_string(int(std::lround(std::sqrt(double(step.keep))))) +
                        " levels held back");
    if (step.tolerance != first.tolerance)
        parts.push_back("near colours (within " + std::to_string(step.tolerance) + ") coded as one");
    if (step.colours != first.colours)
        parts.push_back(std::to_string(step.colours) + " colours instead of " + std::to_string(first.colours));
    if (step.frameStep > 1)
        parts.push_back("every " + Ordinal(step.frameStep) + " frame (" +
                        std::to_string(ShownFrameCount(frameCount, step.frameStep)) + " of " +
                        std::to_string(frameCount) + ")");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string LoopLengthText(int64_t hundredths)
{
    const std::string cents = std::to_string(hundredths % 100);
    return std::to_string(hundredths / 100) + "." + (cents.size() < 2 ? "0" : "") + cents + " s";
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
    m_report = {};
    if (LoopResult r = CheckRange("GIF colours", m_options.colours, GifQualityOptions::kMinColours,
                                  GifQualityOptions::kMaxColours);
        !r)
        return r;
    if (LoopResult r =
            CheckRange("the GIF's match tolerance", m_options.tolerance, 0, GifQualityOptions::kMaxTolerance);
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
        result = m_options.maxBytes ? FinishWithinLimit() : FinishWithin();
    } catch (const std::bad_alloc&) {
        result = LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory while writing " + Path());
    }
    if (!result)
        m_report = {};
    Abandon();
    return result;
}

LoopResult GifQualityWriter::FinishWithin()
{
    LoopResult result;
    const Coded coded = Code(
        FirstStep(),
        [&](std::span<const uint8_t> part) {
            result = Append(part);
            return bool(result);
        },
        m_report);
    if (coded == Coded::Stopped)
        return LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + Path());
    return result ? Commit() : result;
}

GifQualityWriter::Coded GifQualityWriter::CodeInMemory(const GifQualityStep& step, std::vector<uint8_t>& bytes,
                                                       GifQualityReport& report)
{
    bytes.clear();
    // Given up as soon as it is too large.
    return Code(
        step,
        [&](std::span<const uint8_t> part) {
            if (bytes.size() + part.size() > m_options.maxBytes)
                return false;
            bytes.insert(bytes.end(), part.begin(), part.end());
            return true;
        },
        report);
}

LoopResult GifQualityWriter::FinishWithinLimit()
{
    const int frameCount = int(m_frames.size());
    std::vector<GifQualityStep> steps = GifQualitySteps(FirstStep(), frameCount);
    // The finest step that fits, by halving: the files grow smaller along the steps.
    // `fits` is the finest step known to fit (steps.size() while none is known), every
    // step up to `tooLarge` is known not to.
    size_t tooLarge = 0, fits = steps.size();
    std::vector<uint8_t> bytes, best;
    GifQualityReport report;
    const auto attempt = [&](size_t i) {
        const Coded coded = CodeInMemory(steps[i], bytes, report);
        if (coded == Coded::Done) {
            fits = i;
            std::swap(best, bytes);
            m_report = report;
        }
        return coded;
    };
    Coded coded = attempt(0);
    if (coded == Coded::Refused && steps.size() > 1)
        coded = attempt(steps.size() - 1);
    while (coded != Coded::Stopped && fits != 0 && fits - tooLarge > 1) {
        const size_t middle = tooLarge + (fits - tooLarge) / 2;
        coded = attempt(middle);
        if (coded == Coded::Refused)
            tooLarge = middle;
    }
    // Between the step that fits and the finer one that does not, the file fills more
    // of the limit: halve the setting they differ in while there is room.
    while (coded != Coded::Stopped && fits != 0 && fits != steps.size() && fits - tooLarge == 1) {
        const std::optional<GifQualityStep> between = StepBetween(steps[tooLarge], steps[fits]);
        if (!between)
            break;
        steps.insert(steps.begin() + std::ptrdiff_t(fits), *between);
        coded = attempt(fits);  // the new step's place; the one that fitted moved up
        if (coded == Coded::Refused)
            tooLarge = fits++;
    }
    if (coded == Coded::Stopped)
        return LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + Path());
    if (fits == steps.size())
        return LoopResult::Fail(LoopStatus::TooLarge,
                                "the GIF does not fit in " + std::to_string(m_options.maxBytes) + " bytes even with " +
                                    DescribeReduction(steps.back(), steps.front(), frameCount) + ": " + Path());
    LoopResult result = Append(best);
    if (result)
        result = Commit();
    if (result)
        result.reduced = DescribeReduction(steps[fits], steps.front(), frameCount);
    return result;
}

GifQualityStep GifQualityWriter::FirstStep() const
{
    return {m_options.colours, 1, m_options.tolerance, m_options.dither.keepTolerance};
}

GifQualityWriter::Coded GifQualityWriter::Code(const GifQualityStep& step, const ByteSink& sink,
                                               GifQualityReport& report)
{
    const int width = Shape().width, height = Shape().height, fps = Shape().framesPerSecond;
    const int count = int(m_frames.size());
    std::vector<Rgb>& colours = m_palettes[step.colours];
    if (colours.empty())
        colours = m_histogram->Palette(step.colours);
    const int tableBits = TableBits(colours.size());
    const uint8_t transparentIndex = uint8_t(colours.size());
    report = {};
    if (!sink(Header(width, height, colours, tableBits)))
        return Coded::Refused;

    DitherOptions ditherOptions = m_options.dither;
    ditherOptions.keepTolerance = step.keep;
    StableDither dither(colours, width, height, ditherOptions);
    std::optional<NearIndexes> near;
    if (step.tolerance > 0)
        near.emplace(colours, step.tolerance, transparentIndex);
    FrameCoder coder(tableBits, transparentIndex, near ? &*near : nullptr);
    std::vector<uint8_t> shown, next;
    const std::vector<uint8_t>* previous = nullptr;  // the frame last mapped
    PendingFrame pending;
    // Writes the waiting frame, shown until `end`; a wait longer than the longest delay
    // goes on in empty frames.
    const auto writePending = [&](int64_t end) {
        int64_t delay = end - pending.start;
        while (delay > kMaxDelay) {
            if (!sink(coder.Control(pending, kMaxDelay)) || !sink(pending.image))
                return false;
            ++report.frames;
            delay -= kMaxDelay;
            pending = coder.Wait();
        }
        ++report.frames;
        return sink(coder.Control(pending, int(delay))) && sink(pending.image);
    };

    for (int k = 0; k < count; k += step.frameStep) {
        const int64_t start = GifFrameStart(k, fps);
        const int nextShown = std::min(k + step.frameStep, count);
        if (start >= GifFrameStart(nextShown, fps))
            continue;  // too short to be shown
        const std::vector<uint8_t>& rgb = m_frames[size_t(k)];
        if (!previous) {
            dither.MapFrame(rgb.data(), nullptr, nullptr, shown);
            pending = coder.Code(GifRect{0, 0, width, height}, shown, nullptr, width, start);
            previous = &rgb;
        } else if (!m_options.mergeStillFrames ||
                   !ChangeUnderDitherNoise(rgb.data(), previous->data(), shown.data(), colours, width, height)) {
            dither.MapFrame(rgb.data(), previous->data(), shown.data(), next);
            if (const auto rect = ChangedRect(shown.data(), next.data(), width, height)) {
                if (!writePending(start))
                    return Coded::Refused;
                std::vector<uint8_t> indexes = IndexesOver(shown, next, width, *rect, transparentIndex);
                pending = coder.Code(*rect, indexes, shown.data(), width, start);
                DrawOver(shown, indexes, width, *rect, transparentIndex);
            }
            previous = &rgb;
        }
        Finishing(k + 1, count);
        if (StopRequested())
            return Coded::Stopped;
    }
    const int64_t end = GifFrameStart(count, fps);
    if (!writePending(end))
        return Coded::Refused;
    report.hundredths = end;
    const uint8_t trailer = 0x3B;
    return sink(std::span<const uint8_t>(&trailer, 1)) ? Coded::Done : Coded::Refused;
}
