#include "export/GifExport.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

const char* GifExportResultName(GifExportResult result)
{
    switch (result) {
    case GifExportResult::Ok: return "ok";
    case GifExportResult::Cancelled: return "cancelled";
    case GifExportResult::NoFrames: return "no frames";
    case GifExportResult::BadFrame: return "bad frame";
    case GifExportResult::CannotCreate: return "cannot create file";
    case GifExportResult::WriteFailed: return "write failed";
    case GifExportResult::OutOfMemory: return "out of memory";
    }
    return "unknown";
}

std::optional<GifRect> ChangedRect(const uint8_t* shown, const uint8_t* next, int width, int height)
{
    GifRect rect{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = shown + size_t(y) * size_t(width);
        const uint8_t* b = next + size_t(y) * size_t(width);
        if (std::memcmp(a, b, size_t(width)) == 0)
            continue;
        int left = 0;
        while (a[left] == b[left])
            ++left;
        int right = width;
        while (a[right - 1] == b[right - 1])
            --right;
        rect.left = std::min(rect.left, left);
        rect.right = std::max(rect.right, right);
        rect.top = std::min(rect.top, y);
        rect.bottom = y + 1;
    }
    if (rect.right <= rect.left)
        return std::nullopt;
    return rect;
}

std::vector<uint8_t> CopyRect(const uint8_t* indexes, int width, const GifRect& rect)
{
    std::vector<uint8_t> out(size_t(rect.Width()) * size_t(rect.Height()));
    for (int y = rect.top; y < rect.bottom; ++y) {
        const uint8_t* row = indexes + size_t(y) * size_t(width) + size_t(rect.left);
        std::copy(row, row + rect.Width(), out.begin() + std::ptrdiff_t(y - rect.top) * rect.Width());
    }
    return out;
}

int GifFrameDelay(int start, int end, int framesPerSecond)
{
    const int64_t from = int64_t(start) * 100 / framesPerSecond;
    const int64_t to = int64_t(end) * 100 / framesPerSecond;
    return int(std::clamp<int64_t>(to - from, 0, GifFile::kMaxDelay));
}

namespace {

bool FrameFits(const PackedPicture& frame)
{
    return !frame.Empty() && frame.Width() >= 1 && frame.Height() >= 1 && frame.Width() <= GifFile::kMaxSize &&
           frame.Height() <= GifFile::kMaxSize &&
           frame.Bits().size() >= size_t(frame.Height()) * size_t(frame.Stride());
}

// A frame's delay is known only when the next different frame (or the end of the loop)
// arrives, so the last frame that changed the screen waits here until then.
struct PendingFrame {
    std::vector<uint8_t> indexes;
    GifRect rect;
    int start = 0;
};

class AnimationWriter {
public:
    AnimationWriter(GifFrameSource& source, int framesPerSecond) : m_source(source), m_fps(framesPerSecond) {}

    GifExportResult Run(const std::string& path)
    {
        const int count = m_source.FrameCount();
        if (count <= 0 || m_fps <= 0)
            return GifExportResult::NoFrames;
        const GifPalette palette = BuildGifPalette(m_source.PaletteSource());
        GifColourMatcher matcher(palette);

        const PackedPicture& first = m_source.RenderGifFrame(0);
        if (!FrameFits(first))
            return GifExportResult::BadFrame;
        m_width = first.Width();
        m_height = first.Height();
        if (!m_file.Create(path, palette, m_width, m_height))
            return GifExportResult::CannotCreate;

        matcher.MapPicture(first, m_shown);
        m_pending = PendingFrame{m_shown, GifRect{0, 0, m_width, m_height}, 0};
        if (auto stop = AfterFrame(0, count))
            return *stop;

        for (int k = 1; k < count; ++k) {
            const PackedPicture& frame = m_source.RenderGifFrame(k);
            if (!FrameFits(frame) || frame.Width() != m_width || frame.Height() != m_height)
                return Abandon(GifExportResult::BadFrame);
            matcher.MapPicture(frame, m_current);
            if (const auto rect = ChangedRect(m_shown.data(), m_current.data(), m_width, m_height)) {
                if (!WritePending(k))
                    return Abandon(GifExportResult::WriteFailed);
                m_pending = PendingFrame{CopyRect(m_current.data(), m_width, *rect), *rect, k};
                std::swap(m_shown, m_current);  // the viewer now shows exactly this frame
            }
            if (auto stop = AfterFrame(k, count))
                return *stop;
        }
        if (!WritePending(count) || !m_file.Close())
            return Abandon(GifExportResult::WriteFailed);
        return GifExportResult::Ok;
    }

private:
    std::optional<GifExportResult> AfterFrame(int k, int count)
    {
        m_source.ShowFrame();
        m_source.Progress(k + 1, count);
        if (m_source.CheckCancel())
            return Abandon(GifExportResult::Cancelled);
        return std::nullopt;
    }

    bool WritePending(int end)
    {
        return m_file.AddFrameRect(m_pending.indexes.data(), GifFrameDelay(m_pending.start, end, m_fps),
                                   m_pending.rect);
    }

    GifExportResult Abandon(GifExportResult result)
    {
        m_file.Discard();
        return result;
    }

public:
    // Why the file could not be created or written.
    const GifWriteError& FileError() const { return m_file.LastError(); }

private:
    GifFrameSource& m_source;
    int m_fps;
    GifFile m_file;
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_shown;    // what the viewer shows after the frames written so far
    std::vector<uint8_t> m_current;  // the frame being compared
    PendingFrame m_pending;
};

}  // namespace

GifExportResult WriteAnimatedGif(const std::string& path, int framesPerSecond, GifFrameSource& source,
                                 GifWriteError* error)
{
    try {
        AnimationWriter writer(source, framesPerSecond);
        const GifExportResult result = writer.Run(path);
        if (error && (result == GifExportResult::CannotCreate || result == GifExportResult::WriteFailed))
            *error = writer.FileError();
        return result;
    } catch (const std::bad_alloc&) {
        if (error)
            *error = {ENOMEM, "out of memory"};
        return GifExportResult::OutOfMemory;  // the writer's file was discarded on unwinding
    }
}
