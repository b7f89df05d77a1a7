// The high-quality GIF, read back with the test's own GIF parser and a compositor
// that shows frames as a viewer does: stillness where the picture is still, the
// loop's length, any frame size, the palette, dithering and the size limit.

#include "export/GifQuality.h"

#include "LoopTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <set>

using namespace looptest;

namespace {

using Rgb24 = std::vector<uint8_t>;  // packed RGB, top row first

// What a viewer shows after each frame: frames drawn over the ones before (the
// writer only keeps frames in place), transparent pixels leaving what was there.
std::vector<Rgb24> Composite(const giftest::ParsedGif& gif)
{
    std::vector<Rgb24> shown;
    Rgb24 screen(size_t(gif.width) * size_t(gif.height) * 3, 0);
    for (const giftest::ParsedFrame& f : gif.frames) {
        EXPECT_TRUE(f.disposal == 0 || f.disposal == 1) << f.disposal;
        size_t i = 0;
        for (int y = f.rect.top; y < f.rect.bottom; ++y)
            for (int x = f.rect.left; x < f.rect.right; ++x, ++i) {
                const int index = f.indexes[i];
                if (index == f.transparentIndex)
                    continue;
                const size_t at = 3 * (size_t(y) * size_t(gif.width) + size_t(x));
                for (size_t c = 0; c < 3; ++c)
                    screen[at + c] = gif.colourTable.at(3 * size_t(index) + c);
            }
        shown.push_back(screen);
    }
    return shown;
}

giftest::ParsedGif WriteAndParse(const std::string& path, const std::vector<PackedPicture>& frames, int fps,
                                 GifQualityOptions options = {}, LoopResult* result = nullptr)
{
    FramesSource source(frames);
    GifQualityWriter writer(options);
    const LoopResult written = WriteLoop(writer, path, fps, source);
    EXPECT_TRUE(written) << written.message;
    if (result)
        *result = written;
    giftest::ParsedGif gif = giftest::ParseGif(giftest::ReadBytes(path));
    EXPECT_TRUE(gif.ok) << gif.error;
    return gif;
}

int TotalDelay(const giftest::ParsedGif& gif)
{
    return std::accumulate(gif.frames.begin(), gif.frames.end(), 0,
                           [](int sum, const giftest::ParsedFrame& f) { return sum + f.delay; });
}

// A frame whose left half is a still photo-like picture and whose right half is the
// swirl of loop frame k.
PackedPicture HalfMoving(int width, int height, int k)
{
    const PackedPicture still = giftest::PhotoLike(width, height, 0.0, 3);
    PackedPicture frame = giftest::PhotoLike(width, height, 0.5 * k, 9);
    for (int y = 0; y < height; ++y)
        std::memcpy(frame.Row(y), still.Row(y), size_t(width / 2) * 3);
    return frame;
}

// Frames that all differ: a square moving across a grey field.
std::vector<PackedPicture> MovingSquare(int width, int height, int count)
{
    std::vector<PackedPicture> frames;
    for (int k = 0; k < count; ++k) {
        PackedPicture p(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                giftest::SetPixel(p, x, y, 90, 90, 90);
        giftest::SetPixel(p, k % width, (k / width) % height, 250, 40, 40);
        frames.push_back(std::move(p));
    }
    return frames;
}

double MeanError(const Rgb24& a, const PackedPicture& b)
{
    const std::vector<uint8_t> rgb = PictureToRgb(b);
    return looptest::MeanError(a.data(), rgb.data(), rgb.size());
}

}  // namespace

TEST(GifQuality, StillAreasStayStillAndAreStoredAsTransparent)
{
    giftest::TempDir dir;
    const int w = 96, h = 64, n = 8;
    std::vector<PackedPicture> frames;
    for (int k = 0; k < n; ++k)
        frames.push_back(HalfMoving(w, h, k));
    const giftest::ParsedGif gif = WriteAndParse(dir.File("a.gif"), frames, 10);
    ASSERT_EQ(gif.frames.size(), size_t(n));
    const std::vector<Rgb24> shown = Composite(gif);

    for (int k = 1; k < n; ++k) {
        SCOPED_TRACE(k);
        const giftest::ParsedFrame& f = gif.frames[size_t(k)];
        // Only the moving half is stored, its kept pixels transparent.
        EXPECT_GE(f.rect.left, w / 2);
        ASSERT_GE(f.transparentIndex, 0);
        EXPECT_GT(std::count(f.indexes.begin(), f.indexes.end(), uint8_t(f.transparentIndex)), 0);
        // The still half shows exactly what it showed in the first frame: no shimmer.
        for (int y = 0; y < h; ++y) {
            const size_t row = size_t(y) * w * 3;
            ASSERT_TRUE(std::equal(shown[size_t(k)].begin() + std::ptrdiff_t(row),
                                   shown[size_t(k)].begin() + std::ptrdiff_t(row + size_t(w / 2) * 3),
                                   shown[0].begin() + std::ptrdiff_t(row)))
                << "row " << y;
        }
        EXPECT_LT(MeanError(shown[size_t(k)], frames[size_t(k)]), 6.0);
    }
}

TEST(GifQuality, TheLoopLastsItsTrueLengthAndPlaysForEver)
{
    giftest::TempDir dir;
    struct Case {
        int fps, frames, hundredths, shortest;
    };
    // 48 frames at 24 per second are 2 s; 5 at 7 are 0.714 s; above 50 per second no
    // frame is shorter than 2 hundredths (players slow shorter ones down).
    for (const Case c :
         {Case{24, 48, 200, 4}, Case{7, 5, 71, 14}, Case{60, 60, 100, 2}, Case{100, 7, 8, 2}, Case{30, 1, 3, 3}}) {
        SCOPED_TRACE(std::to_string(c.fps) + " fps");
        const giftest::ParsedGif gif = WriteAndParse(dir.File("t.gif"), MovingSquare(20, 10, c.frames), c.fps);
        EXPECT_TRUE(gif.loopExtension);
        EXPECT_EQ(gif.loopCount, 0);
        EXPECT_EQ(TotalDelay(gif), c.hundredths);
        for (const giftest::ParsedFrame& f : gif.frames) {
            EXPECT_GE(f.delay, c.shortest);
            EXPECT_LE(f.delay, c.shortest + 2);
        }
    }
    // Frames equal to the one before lengthen it rather than being stored.
    std::vector<PackedPicture> held = MovingSquare(20, 10, 3);
    held.insert(held.begin() + 1, 3, held[0]);
    const giftest::ParsedGif gif = WriteAndParse(dir.File("h.gif"), held, 10);
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].delay, 40);
    EXPECT_EQ(TotalDelay(gif), 60);
}

TEST(GifQuality, FramesOfAnySizeKeepTheirSize)
{
    giftest::TempDir dir;
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 300}, std::pair{301, 3}, std::pair{257, 129}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        const std::vector<PackedPicture> frames = SwirlFrames(w, h, 3);
        const giftest::ParsedGif gif = WriteAndParse(dir.File("s.gif"), frames, 12);
        EXPECT_EQ(gif.width, w);
        EXPECT_EQ(gif.height, h);
        const std::vector<Rgb24> shown = Composite(gif);
        ASSERT_FALSE(shown.empty());
        EXPECT_LT(MeanError(shown.back(), frames.back()), 12.0);
    }
}

TEST(GifQuality, ThePaletteComesFromEveryFrameAndKeepsFewColoursExactly)
{
    giftest::TempDir dir;
    // Each frame brings colours of its own; all of them are shown exactly.
    std::vector<PackedPicture> frames;
    for (int k = 0; k < 4; ++k) {
        PackedPicture p(16, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                giftest::SetPixel(p, x, y, uint8_t(60 * k + (x < 8 ? 10 : 0)), uint8_t(200 - 50 * k),
                                  uint8_t(y < 8 ? 1 : 2));
        frames.push_back(std::move(p));
    }
    const giftest::ParsedGif gif = WriteAndParse(dir.File("p.gif"), frames, 10);
    const std::vector<Rgb24> shown = Composite(gif);
    ASSERT_EQ(shown.size(), frames.size());
    for (size_t k = 0; k < frames.size(); ++k)
        EXPECT_EQ(shown[k], PictureToRgb(frames[k])) << k;
    // 16 colours need a table of 32 entries: room for the transparent index after them.
    EXPECT_EQ(gif.colourTable.size(), 32u * 3);
}

TEST(GifQuality, SmoothGradientsAreDitheredRatherThanBanded)
{
    giftest::TempDir dir;
    // A grey ramp in 8 colours: nearest colours alone would leave bands 32 levels
    // apart; error diffusion keeps the average of every 8 x 8 block close to the ramp.
    PackedPicture ramp(256, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 256; ++x)
            giftest::SetPixel(ramp, x, y, uint8_t(x), uint8_t(x), uint8_t(x));
    GifQualityOptions options;
    options.colours = 8;
    const giftest::ParsedGif gif = WriteAndParse(dir.File("r.gif"), {ramp}, 10, options);
    const Rgb24 shown = Composite(gif).at(0);
    double worst = 0;
    for (int by = 8; by < 24; by += 8)
        for (int bx = 8; bx < 248; bx += 8) {
            double got = 0, want = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    got += shown[3 * (size_t(y) * 256 + size_t(x))];
                    want += x;
                }
            worst = std::max(worst, std::abs(got - want) / 64);
        }
    EXPECT_LT(worst, 6.0);
}

TEST(GifQuality, ASizeLimitSpendsQualityBeforeFramesAndSaysWhat)
{
    const GifQualityStep first{255, 1, 0, 64};
    const std::vector<GifQualityStep> steps = GifQualitySteps(first, 48);
    ASSERT_GE(steps.size(), 20u);
    EXPECT_EQ(steps[0], first);
    bool framesDropped = false, thirtyTwoAtFullRate = false, sixteenAtFullRate = false;
    for (size_t i = 1; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const GifQualityStep &s = steps[i], &before = steps[i - 1];
        // Each step gives something more up and takes nothing back.
        EXPECT_FALSE(s == before);
        EXPECT_LE(s.colours, before.colours);
        EXPECT_GE(s.frameStep, before.frameStep);
        EXPECT_GE(s.tolerance, before.tolerance);
        EXPECT_GE(s.keep, before.keep);
        // Frames last: once frames are dropped, nothing else changes.
        if (framesDropped) {
            EXPECT_TRUE(s.colours == before.colours && s.tolerance == before.tolerance && s.keep == before.keep);
        }
        framesDropped = s.frameStep > 1;
        thirtyTwoAtFullRate |= s.colours == 32 && s.frameStep == 1;
        sixteenAtFullRate |= s.colours == 16 && s.frameStep == 1;
    }
    EXPECT_TRUE(thirtyTwoAtFullRate);
    EXPECT_TRUE(sixteenAtFullRate);
    EXPECT_GT(steps.back().frameStep, 1);
    EXPECT_GT(steps.back().tolerance, 0);
    // Fewer colours asked for than the ladder names: it starts there and never adds any.
    for (const GifQualityStep& s : GifQualitySteps({40, 1, 0, 64}, 48))
        EXPECT_LE(s.colours, 40);
    // One frame cannot be dropped.
    for (const GifQualityStep& s : GifQualitySteps(first, 1))
        EXPECT_EQ(s.frameStep, 1);

    // Between two neighbouring steps: the one setting they differ in, halfway.
    EXPECT_EQ(StepBetween({255, 1, 8, 512}, {255, 1, 12, 512}), (GifQualityStep{255, 1, 10, 512}));
    EXPECT_EQ(StepBetween({64, 1, 32, 512}, {48, 1, 32, 512}), (GifQualityStep{56, 1, 32, 512}));
    EXPECT_EQ(StepBetween({255, 1, 0, 64}, {255, 1, 0, 96}), (GifQualityStep{255, 1, 0, 80}));
    EXPECT_EQ(StepBetween({255, 1, 8, 512}, {255, 1, 9, 512}), std::nullopt);    // nothing between
    EXPECT_EQ(StepBetween({255, 1, 32, 384}, {224, 1, 32, 512}), std::nullopt);  // two settings
    EXPECT_EQ(StepBetween({16, 2, 32, 512}, {16, 4, 32, 512}), std::nullopt);    // frames only as listed

    EXPECT_EQ(DescribeReduction({128, 1}, {255, 1}, 48), "128 colours instead of 255");
    EXPECT_EQ(DescribeReduction({64, 2}, {255, 1}, 48), "64 colours instead of 255, every 2nd frame (24 of 48)");
    EXPECT_EQ(DescribeReduction({255, 3}, {255, 1}, 7), "every 3rd frame (3 of 7)");
    EXPECT_EQ(DescribeReduction({255, 1}, {255, 1}, 7), "");
    EXPECT_EQ(DescribeReduction({128, 1, 12, 512}, {255, 1, 0, 64}, 48),
              "changes under 23 levels held back, near colours (within 12) coded as one, 128 colours instead of 255");

    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = NoiseFrames(32, 24, 12);
    LoopResult full;
    WriteAndParse(dir.File("full.gif"), frames, 12, {}, &full);
    EXPECT_TRUE(full.reduced.empty());

    GifQualityOptions limited;
    limited.maxBytes = full.bytes * 6 / 10;
    LoopResult fitted;
    const giftest::ParsedGif gif = WriteAndParse(dir.File("fit.gif"), frames, 12, limited, &fitted);
    EXPECT_LE(fitted.bytes, limited.maxBytes);
    EXPECT_EQ(giftest::ReadBytes(dir.File("fit.gif")).size(), fitted.bytes);
    EXPECT_FALSE(fitted.reduced.empty());
    EXPECT_EQ(TotalDelay(gif), 100);  // fewer colours or frames, the same second

    // A limit no reduction reaches writes nothing and keeps the file there.
    {
        std::ofstream(dir.File("old.gif")) << "old";
    }
    limited.maxBytes = GifQualityOptions::kMinMaxBytes;
    FramesSource source(frames);
    GifQualityWriter writer(limited);
    const LoopResult tooLarge = WriteLoop(writer, dir.File("old.gif"), 12, source);
    EXPECT_EQ(tooLarge.status, LoopStatus::TooLarge);
    EXPECT_NE(tooLarge.message.find("1024 bytes"), std::string::npos) << tooLarge.message;
    EXPECT_EQ(giftest::ReadBytes(dir.File("old.gif")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.EntryCount(), 3);
}

TEST(GifQuality, AStopWhileCodingEndsWithinAFrameAndWritesNothing)
{
    giftest::TempDir dir;
    FramesSource source(SwirlFrames(40, 30, 10));
    source.stopAfter = 3;
    source.stopWhileFinishing = true;
    GifQualityWriter writer;
    const LoopResult result = WriteLoop(writer, dir.File("s.gif"), 10, source);
    EXPECT_EQ(result.status, LoopStatus::Stopped);
    EXPECT_EQ(source.finished, 3);
    EXPECT_EQ(dir.EntryCount(), 0);
}

TEST(GifQualityPalette, FindsTheClustersOfAPicture)
{
    // Three tight clusters of 100 colours each: three colours land on their centres.
    ColourHistogram histogram;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> jitter(-3, 3);
    const Rgb centres[3] = {{200, 30, 30}, {30, 200, 30}, {40, 40, 210}};
    for (const Rgb& c : centres)
        for (int i = 0; i < 100; ++i) {
            const uint8_t p[3] = {uint8_t(c.red + jitter(rng)), uint8_t(c.green + jitter(rng)),
                                  uint8_t(c.blue + jitter(rng))};
            histogram.Add(p, 1);
        }
    const std::vector<Rgb> palette = histogram.Palette(3);
    ASSERT_EQ(palette.size(), 3u);
    for (const Rgb& c : centres) {
        const bool near = std::any_of(palette.begin(), palette.end(), [&](const Rgb& p) {
            return std::abs(p.red - c.red) <= 2 && std::abs(p.green - c.green) <= 2 && std::abs(p.blue - c.blue) <= 2;
        });
        EXPECT_TRUE(near) << int(c.red) << "," << int(c.green) << "," << int(c.blue);
    }
    // Smooth surfaces count more: in a 3 x 2 picture whose right column differs by 4,
    // the two pixels next to it count once, the rest (smooth) eight times each.
    ColourHistogram weighted;
    const uint8_t picture[18] = {10, 10, 10, 10, 10, 10, 10, 10, 14, 10, 10, 10, 10, 10, 10, 10, 10, 14};
    weighted.AddPicture(picture, 3, 2);
    EXPECT_EQ(weighted.Total(), 2u * 1 + 2u * 8 + 2u * 1);
}

TEST(GifQualityPalette, FastColourSearchAgreesWithThePlainOneOnPartTables)
{
    // The dithering looks colours up with GifColourMatcher in a table whose unused
    // entries repeat the first colour: it must agree with the plain search and never
    // pick an unused entry.
    std::mt19937 rng(11);
    for (const int n : {1, 2, 7, 100, 255}) {
        std::vector<Rgb> colours;
        for (int i = 0; i < n; ++i)
            colours.push_back(Rgb{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
        const GifPalette table = PaletteTable(colours);
        GifColourMatcher matcher(table);
        for (int q = 0; q < 5000; ++q) {
            const uint8_t r = uint8_t(rng()), g = uint8_t(rng()), b = uint8_t(rng());
            const uint8_t fast = matcher.Nearest(r, g, b);
            ASSERT_EQ(fast, NearestPaletteIndexPlain(table, r, g, b)) << n;
            ASSERT_LT(fast, std::max(n, 1)) << n;
        }
    }
}

TEST(GifQualityPalette, FastNearestColourAgreesWithThePlainSearch)
{
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> component(0, 255);
    for (const int n : {1, 2, 16, 255}) {
        std::vector<ColourPoint> colours;
        for (int i = 0; i < n; ++i)
            colours.push_back({component(rng), component(rng), component(rng)});
        // Equal colours and equal greens, where the lowest index must win.
        if (n > 2) {
            colours[2] = colours[0];
            colours[1][1] = colours[0][1];
        }
        const NearestColourSearch search(colours);
        for (int q = 0; q < 5000; ++q) {
            ColourPoint query{component(rng), component(rng), component(rng)};
            if (q % 7 == 0)
                query = colours[size_t(q) % colours.size()];
            if (q % 11 == 0)  // on whole values, where distances tie
                query = {std::round(query[0]), std::round(query[1]), std::round(query[2])};
            ASSERT_EQ(search.Nearest(query), reference::NearestColour(colours, query)) << n << " " << q;
        }
    }
}

TEST(GifQuality, TheReportSaysWhatTheFileHoldsAndTheLoopKeepsItsLength)
{
    giftest::TempDir dir;
    // 48 frames at 60 per second last 0.80 s; no frame is shorter than 2 hundredths, so
    // the file holds 40 frames of 2.
    FramesSource source(MovingSquare(20, 10, 48));
    GifQualityWriter writer;
    ASSERT_TRUE(WriteLoop(writer, dir.File("f.gif"), 60, source));
    const giftest::ParsedGif gif = giftest::ParseGif(giftest::ReadBytes(dir.File("f.gif")));
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_EQ(gif.frames.size(), 40u);
    EXPECT_EQ(TotalDelay(gif), 80);
    EXPECT_EQ(writer.Report().frames, 40);
    EXPECT_EQ(writer.Report().hundredths, 80);

    EXPECT_EQ(LoopLengthText(80), "0.80 s");
    EXPECT_EQ(LoopLengthText(200), "2.00 s");
    EXPECT_EQ(LoopLengthText(71), "0.71 s");
    EXPECT_EQ(LoopLengthText(5), "0.05 s");
    EXPECT_EQ(LoopLengthText(123456), "1234.56 s");
}

TEST(GifQuality, FramesThatChangeLessThanTheDitherNoiseAreMergedInTheLoopsTime)
{
    giftest::TempDir dir;
    // A textured picture in 16 colours, whose dither noise is several levels; frames 1
    // to 4 brighten a corner by 1 to 4 levels, frame 5 draws a square.
    const PackedPicture base = giftest::PhotoLike(48, 32, 0.0, 3);
    std::vector<PackedPicture> frames(6, base);
    for (int k = 1; k < 6; ++k)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                uint8_t* px = frames[size_t(k)].Pixel(x, y);
                for (int c = 0; c < 3; ++c)
                    px[c] = uint8_t(std::min(255, px[c] + std::min(k, 4)));
            }
    for (int y = 10; y < 20; ++y)
        for (int x = 20; x < 30; ++x)
            giftest::SetPixel(frames[5], x, y, 255, 255, 255);
    GifQualityOptions options;
    options.colours = 16;
    options.dither.keepTolerance = 0;  // every changed pixel is mapped again
    LoopResult result;
    const giftest::ParsedGif merged = WriteAndParse(dir.File("m.gif"), frames, 10, options, &result);
    ASSERT_EQ(merged.frames.size(), 2u);
    EXPECT_EQ(merged.frames[0].delay, 50);  // frames 0 to 4
    EXPECT_EQ(merged.frames[1].delay, 10);
    EXPECT_EQ(TotalDelay(merged), 60);
    // The square is there.
    EXPECT_LT(MeanError(Composite(merged).back(), frames[5]), 12.0);

    // Without merging every frame that maps to other indexes is stored.
    options.mergeStillFrames = false;
    const giftest::ParsedGif every = WriteAndParse(dir.File("e.gif"), frames, 10, options);
    EXPECT_GT(every.frames.size(), 2u);
    EXPECT_EQ(TotalDelay(every), 60);
}

TEST(GifQuality, TheDitherNoiseThatMergesAFrameIsWorkedOutPerBlock)
{
    // Two pixels showing black and grey 100 for (10,10,10) and (90,90,90): squared
    // error 3 x 10^2 + 3 x 10^2 = 600. A change of squared size up to 300 is under half of it.
    const std::vector<Rgb> colours = {{0, 0, 0}, {100, 100, 100}};
    const uint8_t last[6] = {10, 10, 10, 90, 90, 90};
    const uint8_t shown[2] = {0, 1};
    const auto under = [&](std::array<uint8_t, 3> first) {
        const uint8_t next[6] = {first[0], first[1], first[2], 90, 90, 90};
        return ChangeUnderDitherNoise(next, last, shown, colours, 2, 1);
    };
    EXPECT_TRUE(under({10, 10, 10}));
    EXPECT_TRUE(under({20, 10, 10}));   // 100
    EXPECT_TRUE(under({20, 20, 20}));   // 300: exactly half
    EXPECT_FALSE(under({20, 20, 21}));  // 321
    EXPECT_FALSE(under({30, 10, 10}));  // 400

    // The noise counts per block of 8 x 8: a change in a block shown exactly is never
    // under it, however noisy the other block.
    const int w = 16, h = 8;
    std::vector<uint8_t> before(size_t(w * h) * 3, 50), after;
    std::vector<uint8_t> indexes(size_t(w * h), 0);
    const std::vector<Rgb> grey = {{50, 50, 50}, {0, 0, 0}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 8; ++x)
            indexes[size_t(y * w + x)] = 1;  // the left block shows black for grey 50
    after = before;
    after[3 * size_t(w * h - 1)] = 51;  // one level in the right block
    EXPECT_FALSE(ChangeUnderDitherNoise(after.data(), before.data(), indexes.data(), grey, w, h));
    after = before;
    after[0] = 60;  // ten levels in the left block, whose noise is 64 x 3 x 50^2
    EXPECT_TRUE(ChangeUnderDitherNoise(after.data(), before.data(), indexes.data(), grey, w, h));
}

TEST(GifQuality, DifferentSizeLimitsGiveDifferentFilesThatFillThem)
{
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = SwirlFrames(96, 64, 12);
    LoopResult full;
    WriteAndParse(dir.File("full.gif"), frames, 12, {}, &full);
    std::set<uint64_t> sizes;
    for (const int percent : {85, 70, 55}) {
        SCOPED_TRACE(percent);
        GifQualityOptions options;
        options.maxBytes = full.bytes * uint64_t(percent) / 100;
        LoopResult fitted;
        FramesSource source(frames);
        GifQualityWriter writer(options);
        fitted = WriteLoop(writer, dir.File("fit.gif"), 12, source);
        ASSERT_TRUE(fitted) << fitted.message;
        EXPECT_LE(fitted.bytes, options.maxBytes);
        EXPECT_GE(fitted.bytes, options.maxBytes * 8 / 10) << fitted.reduced;
        // Quality is spent first: every frame stays.
        EXPECT_EQ(fitted.reduced.find("frame"), std::string::npos) << fitted.reduced;
        const giftest::ParsedGif gif = giftest::ParseGif(giftest::ReadBytes(dir.File("fit.gif")));
        ASSERT_TRUE(gif.ok) << gif.error;
        EXPECT_EQ(int(gif.frames.size()), writer.Report().frames);
        EXPECT_EQ(TotalDelay(gif), 100);
        sizes.insert(fitted.bytes);
    }
    EXPECT_EQ(sizes.size(), 3u);
}

TEST(GifQuality, TheLossyMatchKeepsEveryRowsAverageWithinItsTolerance)
{
    giftest::TempDir dir;
    const std::vector<PackedPicture> frames = {giftest::PhotoLike(120, 40, 0.0, 5)};
    GifQualityOptions options;
    const giftest::ParsedGif exact = WriteAndParse(dir.File("x.gif"), frames, 10, options);
    options.tolerance = 20;
    LoopResult lossy;
    const giftest::ParsedGif near = WriteAndParse(dir.File("l.gif"), frames, 10, options, &lossy);
    ASSERT_EQ(exact.colourTable, near.colourTable);
    const Rgb24 a = Composite(exact).at(0), b = Composite(near).at(0);
    size_t changed = 0;
    for (int y = 0; y < 40; ++y) {
        // The substitutions' errors summed along the row stay within the tolerance.
        int sum[3] = {0, 0, 0};
        for (int x = 0; x < 120; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t at = 3 * size_t(y * 120 + x) + size_t(c);
                sum[c] += b[at] - a[at];
                changed += b[at] != a[at];
            }
        EXPECT_LE(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2], 20 * 20) << "row " << y;
    }
    EXPECT_GT(changed, 100u);
    EXPECT_LT(giftest::ReadBytes(dir.File("l.gif")).size(), giftest::ReadBytes(dir.File("x.gif")).size());
}

TEST(GifQualityDither, TheErrorGoesSevenAheadThreeBelowBehindFiveBelowOneBelowAhead)
{
    // Black and white, the whole error passed on, nothing kept. Row 0 runs left to right:
    // (1,0) = 96 shows black and passes 96: 7/16 to (2,0) (white already), 3/16 = 18
    // below to the left, 5/16 = 30 below, 1/16 = 6 below to the right. Row 1 runs right
    // to left: (2,1) = 110 + 6 = 116 shows black; (1,1) is white whatever it gets, and
    // passes nothing on; (0,1) = 114 + 18 = 132 shows white.
    const std::vector<Rgb> colours = {{0, 0, 0}, {255, 255, 255}};
    StableDither dither(colours, 3, 2, DitherOptions{16, 255, 0});
    const uint8_t values[6] = {0, 96, 255, 114, 255, 110};
    std::vector<uint8_t> rgb;
    for (const uint8_t v : values)
        rgb.insert(rgb.end(), {v, v, v});
    std::vector<uint8_t> indexes;
    dither.MapFrame(rgb.data(), nullptr, nullptr, indexes);
    EXPECT_EQ(indexes, (std::vector<uint8_t>{0, 0, 1, 1, 1, 0}));
}

TEST(GifQualityDither, AChangedPixelKeepsItsIndexWithinTheKeepToleranceInSquaredSteps)
{
    // Black and grey 100, no error passed on. Frame 0's 48 shows black; frame 1's 51 is
    // 3 x 51^2 = 7803 squared steps from black and 3 x 49^2 = 7203 from grey: it stays
    // black with a keep tolerance of 600 and turns grey with 599.
    const std::vector<Rgb> colours = {{0, 0, 0}, {100, 100, 100}};
    const uint8_t first[3] = {48, 48, 48}, second[3] = {51, 51, 51};
    for (const auto& [keep, index] : {std::pair{600, 0}, std::pair{599, 1}, std::pair{0, 1}}) {
        SCOPED_TRACE(keep);
        StableDither dither(colours, 1, 1, DitherOptions{0, 255, keep});
        std::vector<uint8_t> shown, next;
        dither.MapFrame(first, nullptr, nullptr, shown);
        ASSERT_EQ(shown, std::vector<uint8_t>{0});
        dither.MapFrame(second, first, shown.data(), next);
        EXPECT_EQ(next, std::vector<uint8_t>{uint8_t(index)});
    }
}

TEST(GifQualityPalette, APaletteColourIsTheMeanOfItsCellsRounded)
{
    // One pixel of 10 and two of 11 share a histogram cell, whose mean is 10.67; with
    // 200 beside them and two colours asked for, the palette is 11 and 200.
    ColourHistogram histogram;
    const uint8_t ten[3] = {10, 10, 10}, eleven[3] = {11, 11, 11}, far[3] = {200, 200, 200};
    histogram.Add(ten, 1);
    histogram.Add(eleven, 1, 2);
    histogram.Add(far, 1);
    std::vector<Rgb> palette = histogram.Palette(2);
    std::sort(palette.begin(), palette.end(), [](const Rgb& a, const Rgb& b) { return a.red < b.red; });
    EXPECT_EQ(palette, (std::vector<Rgb>{{11, 11, 11}, {200, 200, 200}}));
}
