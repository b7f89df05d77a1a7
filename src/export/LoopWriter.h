#pragma once
// Writers of one loop of the animation as a file of its own format (high-quality
// GIF, animated WebP, APNG, animated AVIF): frames in, coder, atomic file out.
//
// A writer is told the frame size and speed (Begin), takes the frames one by one
// (AddFrame) and finishes the file (Finish). The file is written through an
// AtomicFile: it takes its name only when it is complete, so a failed, stopped or
// abandoned writer leaves an existing file of that name as it was and nothing
// else behind. Every frame is shown for 1 / framesPerSecond seconds and the loop
// plays for ever wherever the format can say so.

#include "engine/PackedPicture.h"
#include "io/FileError.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class AtomicFile;

struct LoopShape {
    int width = 0;  // every frame's size
    int height = 0;
    int framesPerSecond = 0;  // 1 .. kMaxLoopFps
};

// The speeds every loop writer takes.
inline constexpr int kMinLoopFps = 1;
inline constexpr int kMaxLoopFps = 100;

enum class LoopStatus {
    Ok,
    Stopped,       // a stop was asked for; no file was written
    BadOptions,    // an option or the speed is out of range (the message names the range)
    BadFrame,      // a frame is empty, too large for the format, or not of the loop's size
    NoFrames,      // Finish before any frame
    NoLibrary,     // the library or encoder the format needs is missing
    WriteFailed,   // the file could not be created or written (see cause)
    EncodeFailed,  // the encoder refused the frames
    TooLarge,      // the file cannot be made to fit the size limit asked for
    OutOfMemory,
};

const char* LoopStatusName(LoopStatus status);

struct LoopResult {
    LoopStatus status = LoopStatus::Ok;
    // English text for people and logs: the file and what failed, or the option and its range.
    std::string message;
    // WriteFailed: what the file error stands for (DiskFull when the disk is full).
    FileError::Cause cause = FileError::Cause::Generic;
    // What a size limit took away to make the file fit ("64 colours, every 2nd frame"); empty when nothing.
    std::string reduced;
    // Bytes of the finished file.
    uint64_t bytes = 0;

    explicit operator bool() const { return status == LoopStatus::Ok; }
    static LoopResult Fail(LoopStatus status, std::string message);
};

// What a writer asks while it works, between frames.
class LoopObserver {
public:
    virtual ~LoopObserver() = default;
    // True when the writer should stop; it then removes its partial file.
    virtual bool StopRequested() { return false; }
    // Finishing work that goes frame by frame (the high-quality GIF codes every
    // frame at the end): `done` of `total` frames.
    virtual void Finishing(int /*done*/, int /*total*/) {}
};

class LoopWriter {
public:
    virtual ~LoopWriter() = default;  // a writer not finished removes its partial file

    // The observer asked between frames (not owned; may be null).
    void SetObserver(LoopObserver* observer) { m_observer = observer; }
    // True for a writer whose Finish codes every frame again (and tells the
    // observer's Finishing how far it is), so that progress can count that work.
    virtual bool FinishesFrameByFrame() const { return false; }

    // Checks the options and the shape, and creates the output file (still without a name).
    virtual LoopResult Begin(const std::string& path, const LoopShape& shape) = 0;
    // The next frame: shape.width x shape.height, 24 bits.
    virtual LoopResult AddFrame(const PackedPicture& frame) = 0;
    // Writes what is left and gives the file its name.
    virtual LoopResult Finish() = 0;
    // Gives up: the partial file is removed now.
    virtual void Abandon() = 0;

protected:
    bool StopRequested() const { return m_observer && m_observer->StopRequested(); }
    void Finishing(int done, int total) const
    {
        if (m_observer)
            m_observer->Finishing(done, total);
    }

private:
    LoopObserver* m_observer = nullptr;
};

// A loop writer with its output file, which every writer here has: an AtomicFile that
// takes its name at Commit and is removed by CloseFile (or the destructor) otherwise.
class LoopFileWriter : public LoopWriter {
public:
    ~LoopFileWriter() override;

protected:
    LoopFileWriter();

    // Creates the (unnamed) output file for `path` and keeps the shape.
    LoopResult OpenFile(const std::string& path, const LoopShape& shape);
    // Appends bytes to the file.
    LoopResult Append(std::span<const uint8_t> bytes);
    // Flushes the file to disk and gives it its name; the result tells its size.
    LoopResult Commit();
    // Closes and removes a file that has not taken its name.
    void CloseFile();

    bool FileOpen() const { return m_file != nullptr; }
    AtomicFile& File() { return *m_file; }
    const LoopShape& Shape() const { return m_shape; }
    const std::string& Path() const { return m_path; }

private:
    LoopShape m_shape;
    std::string m_path;
    std::unique_ptr<AtomicFile> m_file;
};

// Frames for WriteLoop: a loop rendered frame by frame.
class LoopFrameSource : public LoopObserver {
public:
    virtual int FrameCount() const = 0;
    // Frame f (0 <= f < FrameCount()); the reference stays valid until the next call.
    virtual const PackedPicture& RenderLoopFrame(int f) = 0;
    // `done` of `total` frames were handed to the writer.
    virtual void Progress(int /*done*/, int /*total*/) {}
};

// Renders every frame of the source and hands it to the writer, asking the source
// to stop after every frame; the frame size is frame 0's.
LoopResult WriteLoop(LoopWriter& writer, const std::string& path, int framesPerSecond, LoopFrameSource& source);

// --- Helpers the writers share -------------------------------------------------

// "name lies between low and high (got value)" as a BadOptions result, or Ok when inside.
LoopResult CheckRange(const char* name, int64_t value, int64_t low, int64_t high);
// The speed and a frame size of at most maxSide pixels each way.
LoopResult CheckShape(const LoopShape& shape, int maxSide, const char* format);
// A frame of the shape's size with all its rows.
LoopResult CheckFrame(const PackedPicture& frame, const LoopShape& shape);
// The failure of an atomic file as a WriteFailed result naming the file and the cause.
LoopResult FileFailure(const AtomicFile& file);

// Start of frame k in units of 1 / unitsPerSecond seconds: k x units / fps rounded to
// the nearest, in steps of `step` units (a display that cannot show a frame for less
// than `step` units gets no shorter frames: frames that would start at the same time
// as the next one are not shown). The loop of n frames lasts FrameStart(n, ...).
int64_t FrameStart(int64_t k, int framesPerSecond, int unitsPerSecond, int step = 1);

// Packed RGB (red, green, blue; top row first, no padding) of a packed picture.
std::vector<uint8_t> PictureToRgb(const PackedPicture& picture);
