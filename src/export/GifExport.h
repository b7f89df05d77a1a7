#pragma once
// Animated GIF export: one palette from a source picture, every frame mapped to it,
// each frame after the first stored as the rectangle in which it differs from what the
// viewer shows at that moment, each frame with its own display time.

#include "engine/PackedPicture.h"
#include "export/GifFile.h"

#include <optional>
#include <string>
#include <vector>

// What the export needs from the animation (the export pipeline's frame source).
class GifFrameSource {
public:
    virtual ~GifFrameSource() = default;
    // The picture whose rows build the palette; called once, before any frame.
    virtual const PackedPicture& PaletteSource() = 0;
    // The number of animation frames in one loop.
    virtual int FrameCount() const = 0;
    // Frame f (0 <= f < FrameCount()); every frame has the same size.
    virtual const PackedPicture& RenderGifFrame(int f) = 0;
    // Shows the frame just rendered.
    virtual void ShowFrame() {}
    // True when the user asked to stop; called after every frame.
    virtual bool CheckCancel() { return false; }
    // done of total frames are finished.
    virtual void Progress(int /*done*/, int /*total*/) {}
};

enum class GifExportResult {
    Ok,
    Cancelled,     // stopped by the user; no file written
    NoFrames,      // nothing to write (no frames, or frames per second not positive)
    BadFrame,      // a frame is empty, larger than 65535, or differs in size from frame 0
    CannotCreate,  // the output file cannot be created
    WriteFailed,   // writing failed (disk full...); no file written
    OutOfMemory,
};

const char* GifExportResultName(GifExportResult result);

// Writes the animation to path. On any result but Ok no file is left at path
// (an existing file there is kept unchanged); `error`, when given, says why a
// file could not be created or written.
GifExportResult WriteAnimatedGif(const std::string& path, int framesPerSecond, GifFrameSource& source,
                                 GifWriteError* error = nullptr);

// The smallest rectangle holding every index that differs between two width x height
// index pictures; none when they are equal.
std::optional<GifRect> ChangedRect(const uint8_t* shown, const uint8_t* next, int width, int height);

// The rectangle's indexes, row by row.
std::vector<uint8_t> CopyRect(const uint8_t* indexes, int width, const GifRect& rect);

// Display time, in hundredths of a second, of a frame on screen from animation frame
// start to frame end: the difference of the two frames' times rounded down, so the
// delays of a loop add up to its true length.
int GifFrameDelay(int start, int end, int framesPerSecond);
