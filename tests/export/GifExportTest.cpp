#include "export/GifExport.h"

#include "GifTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QString>

#include <filesystem>
#include <fstream>

using namespace giftest;

namespace {

PackedPicture Plain(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    PackedPicture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(p, x, y, r, g, b);
    return p;
}

PackedPicture WithSquare(PackedPicture p, const GifRect& rect, uint8_t r, uint8_t g, uint8_t b)
{
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            SetPixel(p, x, y, r, g, b);
    return p;
}

GifPalette TableOf(const ParsedGif& gif)
{
    GifPalette palette{};
    for (size_t i = 0; i < 256 && 3 * i + 2 < gif.colourTable.size(); ++i)
        palette[i] = PaletteEntry{gif.colourTable[3 * i + 2], gif.colourTable[3 * i + 1], gif.colourTable[3 * i], 0};
    return palette;
}

// The colours a viewer should show for a rendered frame: each pixel's nearest entry of
// the file's colour table.
QImage Expected(const PackedPicture& frame, const GifPalette& palette)
{
    QImage image(frame.Width(), frame.Height(), QImage::Format_RGB32);
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x) {
            const uint8_t* p = frame.Pixel(x, y);
            const PaletteEntry& e = palette[NearestPaletteIndexPlain(palette, p[2], p[1], p[0])];
            image.setPixel(x, y, qRgb(e.red, e.green, e.blue));
        }
    return image;
}

// Decodes the file with Qt's own GIF reader, frame by frame.
std::vector<QImage> DecodeWithQt(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    std::vector<QImage> frames;
    for (;;) {
        QImage image = reader.read();
        if (image.isNull())
            break;
        frames.push_back(image.convertToFormat(QImage::Format_RGB32));
        if (!reader.canRead())
            break;
    }
    return frames;
}

struct Written {
    GifExportResult result;
    ParsedGif gif;
};

Written Export(const std::string& path, int fps, ScriptedSource& source)
{
    Written w{WriteAnimatedGif(path, fps, source), {}};
    if (w.result == GifExportResult::Ok)
        w.gif = ParseGif(ReadBytes(path));
    return w;
}

std::vector<int> Delays(const ParsedGif& gif)
{
    std::vector<int> d;
    for (const auto& f : gif.frames)
        d.push_back(f.delay);
    return d;
}

}  // namespace

TEST(GifExport, SingleFrameFileLayout)
{
    TempDir dir;
    const std::string path = dir.File("one.gif");
    PackedPicture frame = WithSquare(Plain(16, 8, 40, 80, 120), {2, 2, 5, 4}, 200, 10, 10);
    ScriptedSource source(frame, {frame});
    ASSERT_EQ(WriteAnimatedGif(path, 10, source), GifExportResult::Ok);

    const std::vector<uint8_t> b = ReadBytes(path);
    ASSERT_GT(b.size(), 13u + 768u + 19u + 19u + 1u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 6, b.begin() + 13), (std::vector<uint8_t>{16, 0, 8, 0, 0xF7, 0, 0}));
    // Colour table: two colours at the end (by brightness), black fill before them.
    for (size_t i = 13; i < 13 + 254 * 3; ++i)
        ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 13 + 254 * 3, b.begin() + 13 + 768),
              (std::vector<uint8_t>{200, 10, 10, 40, 80, 120}));
    const std::vector<uint8_t> loop = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                       'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 781, b.begin() + 800), loop);
    // The one frame shows until the loop restarts: 1/10 s.
    const std::vector<uint8_t> frameHead = {0x21, 0xF9, 0x04, 0x04, 10, 0, 0xFF, 0x00, 0x2C, 0,
                                            0,    0,    0,    16,   0,  8, 0,    0x07, 8};
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 800, b.begin() + 819), frameHead);
    EXPECT_EQ(b.back(), 0x3B);
    EXPECT_EQ(b[b.size() - 2], 0x00);

    const ParsedGif gif = ParseGif(b);
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.loopCount, 0);
    EXPECT_EQ(gif.frames[0].disposal, 1);
    const GifPalette palette = TableOf(gif);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const PaletteEntry& e = palette[gif.frames[0].indexes[size_t(y * 16 + x)]];
            const uint8_t* p = frame.Pixel(x, y);
            ASSERT_EQ(e, (PaletteEntry{p[0], p[1], p[2], 0})) << x << "," << y;
        }
}

TEST(GifExport, EachFrameCarriesItsOwnDisplayTime)
{
    TempDir dir;
    const PackedPicture a = Plain(20, 10, 10, 10, 10);
    const PackedPicture b = WithSquare(a, {3, 3, 6, 6}, 250, 0, 0);
    const PackedPicture c = WithSquare(a, {10, 1, 12, 2}, 0, 250, 0);
    ScriptedSource source(WithSquare(b, {10, 1, 12, 2}, 0, 250, 0), {a, a, b, b, b, c});
    const Written w = Export(dir.File("d.gif"), 10, source);
    ASSERT_EQ(w.result, GifExportResult::Ok);
    ASSERT_TRUE(w.gif.ok) << w.gif.error;
    ASSERT_EQ(w.gif.frames.size(), 3u);
    // A repeated frame lengthens the one before it; the last stays until the loop restarts.
    EXPECT_EQ(Delays(w.gif), (std::vector<int>{20, 30, 10}));
    EXPECT_EQ(w.gif.frames[0].rect, (GifRect{0, 0, 20, 10}));
    EXPECT_EQ(w.gif.frames[1].rect, (GifRect{3, 3, 6, 6}));
    // c differs from b (shown) in both the square and its own mark.
    EXPECT_EQ(w.gif.frames[2].rect, (GifRect{3, 1, 12, 6}));

    std::vector<std::string> expectedCalls = {"palette"};
    for (int k = 0; k < 6; ++k) {
        expectedCalls.push_back("render " + std::to_string(k));
        expectedCalls.push_back("show");
        expectedCalls.push_back("progress " + std::to_string(k + 1) + "/6");
    }
    EXPECT_EQ(source.calls, expectedCalls);
}

TEST(GifExport, DelaysAddUpToTheLoopLength)
{
    TempDir dir;
    std::vector<PackedPicture> frames;
    for (int k = 0; k < 7; ++k)
        frames.push_back(WithSquare(Plain(8, 8, 0, 0, 0), {k, 0, k + 1, 1}, 255, 255, 255));
    ScriptedSource source(frames[0], frames);
    const Written w = Export(dir.File("t.gif"), 30, source);
    ASSERT_EQ(w.result, GifExportResult::Ok);
    // Frame k starts at k x 100 / 30 hundredths, rounded down: 0 3 6 10 13 16 20 | 23.
    EXPECT_EQ(Delays(w.gif), (std::vector<int>{3, 3, 4, 3, 3, 4, 3}));
}

TEST(GifExport, OnePixelChangeIsWrittenAsThatPixel)
{
    TempDir dir;
    const PackedPicture a = PhotoLike(40, 30);
    const PackedPicture b = WithSquare(a, {17, 23, 18, 24}, 255, 255, 255);
    ScriptedSource source(b, {a, b});
    const Written w = Export(dir.File("p.gif"), 25, source);
    ASSERT_EQ(w.result, GifExportResult::Ok);
    ASSERT_EQ(w.gif.frames.size(), 2u);
    EXPECT_EQ(w.gif.frames[1].rect, (GifRect{17, 23, 18, 24}));
    EXPECT_EQ(Delays(w.gif), (std::vector<int>{4, 4}));
}

// A frame is compared with what the viewer shows, not with the first frame: after a
// large change, a frame that keeps only a small change must also undo the large one.
TEST(GifExport, FrameUndoesWhatThePreviousFrameLeftOnScreen)
{
    TempDir dir;
    const std::string path = dir.File("ghost.gif");
    const PackedPicture base = Plain(30, 30, 20, 40, 60);
    const PackedPicture square = WithSquare(base, {5, 5, 15, 15}, 240, 200, 0);
    const PackedPicture dot = WithSquare(base, {20, 20, 21, 21}, 240, 200, 0);
    ScriptedSource source(square, {base, square, dot, dot, base});
    const Written w = Export(path, 10, source);
    ASSERT_EQ(w.result, GifExportResult::Ok);
    ASSERT_TRUE(w.gif.ok) << w.gif.error;
    ASSERT_EQ(w.gif.frames.size(), 4u);
    EXPECT_EQ(w.gif.frames[2].rect, (GifRect{5, 5, 21, 21}));
    EXPECT_EQ(w.gif.frames[3].rect, (GifRect{20, 20, 21, 21}));
    EXPECT_EQ(Delays(w.gif), (std::vector<int>{10, 10, 20, 10}));

    const std::vector<QImage> decoded = DecodeWithQt(path);
    const GifPalette palette = TableOf(w.gif);
    const std::vector<PackedPicture> shown = {base, square, dot, base};
    ASSERT_EQ(decoded.size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(decoded[i], Expected(shown[i], palette)) << "frame " << i;
}

TEST(GifExport, QtDecodesEveryFrameAsRendered)
{
    TempDir dir;
    const std::string path = dir.File("anim.gif");
    std::vector<PackedPicture> frames;
    std::vector<PackedPicture> written;
    for (int k = 0; k < 10; ++k) {
        frames.push_back(PhotoLike(120, 90, k * 0.4, 11));
        written.push_back(frames.back());
        if (k == 4) {
            frames.push_back(frames.back());  // a repeat is dropped
        }
    }
    ScriptedSource source(PhotoLike(120, 90), frames);
    const Written w = Export(path, 12, source);
    ASSERT_EQ(w.result, GifExportResult::Ok);
    ASSERT_TRUE(w.gif.ok) << w.gif.error;
    ASSERT_EQ(w.gif.frames.size(), written.size());
    for (size_t i = 1; i < w.gif.frames.size(); ++i) {
        const GifRect& r = w.gif.frames[i].rect;
        EXPECT_LT(r.Width() * r.Height(), 120 * 90 / 2) << "only the swirl changes";
    }

    const std::vector<QImage> decoded = DecodeWithQt(path);
    const GifPalette palette = TableOf(w.gif);
    EXPECT_EQ(palette, BuildGifPalette(PhotoLike(120, 90)));
    ASSERT_EQ(decoded.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i)
        EXPECT_EQ(decoded[i], Expected(written[i], palette)) << "frame " << i;
}

TEST(GifExport, CancelLeavesNoFileAndKeepsAnExistingOne)
{
    TempDir dir;
    const std::string path = dir.File("keep.gif");
    std::ofstream(path) << "old";
    std::vector<PackedPicture> frames;
    for (int k = 0; k < 6; ++k)
        frames.push_back(PhotoLike(32, 32, k, 1));
    ScriptedSource source(frames[0], frames);
    source.cancelAt = 2;
    EXPECT_EQ(WriteAnimatedGif(path, 10, source), GifExportResult::Cancelled);
    EXPECT_EQ(source.checks, 3);
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.EntryCount(), 1);
}

TEST(GifExport, SuccessReplacesAnExistingFile)
{
    TempDir dir;
    const std::string path = dir.File("over.gif");
    std::ofstream(path) << "old";
    const PackedPicture frame = Plain(4, 4, 1, 2, 3);
    ScriptedSource source(frame, {frame, frame});
    ASSERT_EQ(WriteAnimatedGif(path, 10, source), GifExportResult::Ok);
    EXPECT_TRUE(ParseGif(ReadBytes(path)).ok);
    EXPECT_EQ(dir.EntryCount(), 1);
}

TEST(GifExport, FailuresWriteNothing)
{
    TempDir dir;
    const PackedPicture frame = Plain(4, 4, 1, 2, 3);
    {
        ScriptedSource source(frame, {frame});
        EXPECT_EQ(WriteAnimatedGif(dir.File("missing/dir/x.gif"), 10, source), GifExportResult::CannotCreate);
    }
    {
        ScriptedSource source(frame, {});
        EXPECT_EQ(WriteAnimatedGif(dir.File("none.gif"), 10, source), GifExportResult::NoFrames);
        ScriptedSource one(frame, {frame});
        EXPECT_EQ(WriteAnimatedGif(dir.File("none.gif"), 0, one), GifExportResult::NoFrames);
    }
    {
        ScriptedSource source(frame, {frame, Plain(5, 4, 1, 2, 3)});
        EXPECT_EQ(WriteAnimatedGif(dir.File("size.gif"), 10, source), GifExportResult::BadFrame);
        ScriptedSource empty(frame, {PackedPicture()});
        EXPECT_EQ(WriteAnimatedGif(dir.File("empty.gif"), 10, empty), GifExportResult::BadFrame);
    }
    EXPECT_EQ(dir.EntryCount(), 0);
}
