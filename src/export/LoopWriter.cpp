#include "export/LoopWriter.h"

#include "io/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>

const char* LoopStatusName(LoopStatus status)
{
    switch (status) {
    case LoopStatus::Ok: return "ok";
    case LoopStatus::Stopped: return "stopped";
    case LoopStatus::BadOptions: return "bad options";
    case LoopStatus::BadFrame: return "bad frame";
    case LoopStatus::NoFrames: return "no frames";
    case LoopStatus::NoLibrary: return "missing library";
    case LoopStatus::WriteFailed: return "write failed";
    case LoopStatus::EncodeFailed: return "encoding failed";
    case LoopStatus::TooLarge: return "too large";
    case LoopStatus::OutOfMemory: return "out of memory";
    }
    return "unknown";
}

LoopResult LoopResult::Fail(LoopStatus status, std::string message)
{
    LoopResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

LoopResult CheckRange(const char* name, int64_t value, int64_t low, int64_t high)
{
    if (value >= low && value <= high)
        return {};
    return LoopResult::Fail(LoopStatus::BadOptions, std::string(name) + " lies between " + std::to_string(low) +
                                                        " and " + std::to_string(high) + " (got " +
                                                        std::to_string(value) + ")");
}

LoopResult CheckShape(const LoopShape& shape, int maxSide, const char* format)
{
    if (LoopResult speed = CheckRange("frames per second", shape.framesPerSecond, kMinLoopFps, kMaxLoopFps); !speed)
        return speed;
    if (shape.width < 1 || shape.height < 1 || shape.width > maxSide || shape.height > maxSide)
        return LoopResult::Fail(LoopStatus::BadFrame, std::string("a frame of ") + format + " is 1 to " +
                                                          std::to_string(maxSide) + " pixels wide and high (got " +
                                                          std::to_string(shape.width) + " x " +
                                                          std::to_string(shape.height) + ")");
    return {};
}

LoopResult CheckFrame(const PackedPicture& frame, const LoopShape& shape)
{
    if (frame.Width() != shape.width || frame.Height() != shape.height || frame.Header().biBitCount != 24 ||
        frame.Bits().size() < size_t(frame.Stride()) * size_t(frame.Height()))
        return LoopResult::Fail(LoopStatus::BadFrame,
                                "a frame of " + std::to_string(frame.Width()) + " x " + std::to_string(frame.Height()) +
                                    " does not belong to a loop of " + std::to_string(shape.width) + " x " +
                                    std::to_string(shape.height));
    return {};
}

LoopResult FileFailure(const AtomicFile& file)
{
    const FileError error = file.ToError();
    LoopResult result = LoopResult::Fail(LoopStatus::WriteFailed, error.what());
    result.cause = error.GetCause();
    return result;
}

LoopFileWriter::LoopFileWriter() = default;

LoopFileWriter::~LoopFileWriter() = default;

LoopResult LoopFileWriter::OpenFile(const std::string& path, const LoopShape& shape)
{
    CloseFile();
    m_path = path;
    m_shape = shape;
    m_file = std::make_unique<AtomicFile>(path);
    if (m_file->IsOpen())
        return {};
    LoopResult failure = FileFailure(*m_file);
    m_file.reset();
    return failure;
}

LoopResult LoopFileWriter::Append(std::span<const uint8_t> bytes)
{
    if (!m_file)
        return LoopResult::Fail(LoopStatus::NoFrames, "the file was not begun: " + m_path);
    if (!m_file->Write(bytes))
        return FileFailure(*m_file);
    return {};
}

LoopResult LoopFileWriter::Commit()
{
    if (!m_file)
        return LoopResult::Fail(LoopStatus::NoFrames, "the file was not begun: " + m_path);
    struct stat st {};
    LoopResult result;
    if (::fstat(m_file->Fd(), &st) != 0)
        m_file->Fail(errno, "status");
    if (!m_file->Commit())
        result = FileFailure(*m_file);
    else
        result.bytes = uint64_t(st.st_size);
    m_file.reset();
    return result;
}

void LoopFileWriter::CloseFile()
{
    m_file.reset();
}

int64_t FrameStart(int64_t k, int framesPerSecond, int unitsPerSecond, int step)
{
    // round(k x units / (fps x step)) x step, in integers.
    const int64_t denominator = int64_t(framesPerSecond) * step;
    return (2 * k * unitsPerSecond + denominator) / (2 * denominator) * step;
}

std::vector<uint8_t> PictureToRgb(const PackedPicture& picture)
{
    const int width = picture.Width(), height = picture.Height();
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = picture.Row(y);
        for (int x = 0; x < width; ++x, p += 3, out += 3) {
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
    }
    return rgb;
}

namespace {

LoopResult FeedFrames(LoopWriter& writer, const std::string& path, int framesPerSecond, LoopFrameSource& source)
{
    try {
        const int count = source.FrameCount();
        if (count <= 0)
            return LoopResult::Fail(LoopStatus::NoFrames, "the animation has no frames: " + path);
        source.Progress(0, count);
        for (int f = 0; f < count; ++f) {
            const PackedPicture& frame = source.RenderLoopFrame(f);
            if (f == 0) {
                if (LoopResult begun = writer.Begin(path, {frame.Width(), frame.Height(), framesPerSecond}); !begun)
                    return begun;
            }
            if (LoopResult added = writer.AddFrame(frame); !added)
                return added;
            source.Progress(f + 1, count);
            if (source.StopRequested())
                return LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + path);
        }
        return writer.Finish();
    } catch (const std::bad_alloc&) {
        return LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory while writing " + path);
    }
}

}  // namespace

LoopResult WriteLoop(LoopWriter& writer, const std::string& path, int framesPerSecond, LoopFrameSource& source)
{
    writer.SetObserver(&source);
    LoopResult result = FeedFrames(writer, path, framesPerSecond, source);
    writer.SetObserver(nullptr);
    if (!result)
        writer.Abandon();
    return result;
}
