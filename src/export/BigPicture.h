#pragma once
// The export frame source: renders animation frame f of an animation copied
// from a project (ExportAnimation) at the chosen output size, for picture
// sequences, the animated GIF, the video and printing. It renders into its own
// buffers and never touches the project, so it may run on a thread of its own.
//
// Frame size settings (the window passes the application's m_nSaveMode):
//   0 screen: frames have the work picture's size and come from its renderer;
//   1 picture: frames have the picture file's own size;
//   2 custom: the picture file's size scaled by a percentage asked for at
//     every export (the window answers with its size dialog, the command line
//     with an option).
// Settings 1 and 2 keep the undeformed picture at the output size and render
// it through the interpolated map (export/BigPictureRender.h).

#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "export/ExportAnimation.h"
#include "export/GifExport.h"
#include "export/PictureFile.h"
#include "export/VideoExport.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

// What an export tells the window (or the command line) while it runs.
class ExportObserver {
public:
    virtual ~ExportObserver() = default;
    // `done` of `total` steps are finished.
    virtual void Progress(int /*done*/, int /*total*/) {}
    // True when the user asked to stop.
    virtual bool CheckCancel() { return false; }
    // The frame just rendered, to be shown stretched over the work area.
    virtual void ShowFrame(const PackedPicture& /*frame*/) {}
};

// An output size that cannot be rendered (no pixel, or more than the limits).
class ExportSizeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The custom size was asked for and not given (the size dialog was cancelled).
class ExportSizeCancelled : public std::runtime_error {
public:
    ExportSizeCancelled() : std::runtime_error("the size was not chosen") {}
};

class CBigPicture {
public:
    enum Setting { kScreen = 0, kPicture = 1, kCustom = 2 };
    // The largest output frame: each side, and the pixel count (buffers of
    // about 800 MB each).
    static constexpr int kMaxSide = 65535;
    static constexpr int64_t kMaxPixels = int64_t(1) << 28;

    // The percentage for the custom size of a width x height picture; nothing
    // when the user cancelled.
    using PercentQuery = std::function<std::optional<int>(int width, int height)>;

    explicit CBigPicture(ExportAnimation animation, ExportObserver* observer = nullptr);
    CBigPicture(const CBigPicture&) = delete;
    CBigPicture& operator=(const CBigPicture&) = delete;
    virtual ~CBigPicture() = default;

    void SetPercentQuery(PercentQuery query) { m_percentQuery = std::move(query); }
    // Workers of the full-size renderer; 0 (the default) uses every core.
    void SetThreadCount(int threads) { m_nThreads = threads; }
    // The writer WriteVideo opens (the program's own unless replaced).
    void SetVideoWriterFactory(VideoWriterFactory factory) { m_videoWriters = std::move(factory); }

    // Fixes the output size and buffers for a frame size setting. Settings 1 and
    // 2 read the picture file: a picture that cannot be read throws FileError
    // (FileNotFound, or Generic when it cannot be decoded); a cancelled size
    // query throws ExportSizeCancelled; a size out of range throws
    // ExportSizeError.
    void SetSource(const std::string& picturePath, int setting);

    // Frames larger than maxWidth x maxHeight (settings 1 and 2) are rendered at
    // the largest size of their proportions within it, as a page prints them.
    // Applies to the source already set (which is then resampled) and to those
    // set later; 0 x 0 lifts the limit for later sources.
    void SetSizeLimit(int maxWidth, int maxHeight);

    int GetSetting() const { return m_nSetting; }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    // The undeformed picture at the output size (empty for setting 0).
    const PackedPicture& Source() const { return m_source; }
    // The last rendered frame.
    const PackedPicture& Frame() const { return m_frame; }
    // Frames in one loop of the animation.
    int TotalFrames() const;

    // Settings 1 and 2: the interpolated map of frame f becomes the one rendered.
    void PrepareFrame(int64_t f);
    // Renders frame f into Frame(): settings 1 and 2 through the prepared map,
    // setting 0 with the work picture's renderer.
    void RenderFrame(int64_t f);
    // Renders the animation at `subFrame` (1/64 frame) in any setting; the
    // video frames come from here.
    const PackedPicture& RenderSubFrame(int64_t subFrame);
    void ShowFrame();
    // Frame f as a picture file (the type chosen by the extension); with a batch,
    // the file takes its name when the batch is finished.
    PictureSaveResult SaveFrame(const std::string& path, int64_t f, AtomicFileBatch* batch = nullptr);

    // GIF frames always have the work picture's size. The palette comes from
    // the undeformed picture at the output size, or the work picture's own
    // source picture for setting 0.
    const PackedPicture& GifPaletteSource() const;
    const PackedPicture& RenderGifFrame(int f);

    VideoExportResult WriteVideo(const std::string& path, int speed);
    GifExportResult WriteAnimatedGif(const std::string& path, int speed, GifWriteError* error = nullptr);

    // The work picture's size, which screen frames and GIF frames have.
    int WorkWidth() const { return m_animation.Picture().Width(); }
    int WorkHeight() const { return m_animation.Picture().Height(); }

    ExportObserver* Observer() const { return m_pObserver; }

private:
    void SetFullSizeSource(const std::string& picturePath, int setting);
    void SetScreenSource();
    // The output size W x H brought within the size limit.
    void ApplySizeLimit(int64_t& W, int64_t& H) const;
    // Renders the work picture's copy through `map` and copies its display into `into`.
    void RenderThroughWorkPicture(MapRef map, PackedPicture& into);

    ExportAnimation m_animation;
    ExportObserver* m_pObserver;
    PercentQuery m_percentQuery;
    int m_nThreads = 0;
    VideoWriterFactory m_videoWriters = OpenVideoWriter;
    int m_nSetting = kScreen;
    int m_nMaxWidth = 0;  // the size limit; 0: none
    int m_nMaxHeight = 0;
    BITMAPINFOHEADER m_header{};
    PackedPicture m_source;  // settings 1 and 2
    PackedPicture m_frame;
    PackedPicture m_gifFrame;  // work picture size
    MapRef m_map;              // interpolated map of the frame being rendered (in m_animation)
};

// The file name of the i-th of the chosen frames for a sequence saved as `path`:
// the frame number frames[i] is put between the base name and the extension,
// zero-padded to as many digits as the count of chosen frames has; a single
// chosen frame keeps `path` as it is. std::out_of_range for i outside the list.
std::string FrameFileName(const std::string& path, const std::vector<int>& frames, size_t i);
