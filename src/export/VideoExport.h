#pragma once
// The video export: renders one loop of the animation frame by frame and writes it
// as a video file. The container follows the file name's extension: ".mp4" (H.264),
// ".webm" (VP9), anything else a WMV file from the stored profiles.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QByteArray>
#include <QString>

#include "engine/PackedPicture.h"
#include "export/VideoSampleWriter.h"
#include "export/WmvProfiles.h"

// What the export asks of the frame source.
class IVideoFrameSource {
public:
    virtual ~IVideoFrameSource() = default;

    // The size of the rendered output frames.
    virtual int OutputWidth() const = 0;
    virtual int OutputHeight() const = 0;
    // Frames in one loop of the animation.
    virtual int TotalFrames() const = 0;
    // Renders the animation at `subFrame` (in 1/64 frame: the map of GetFrameMap (subFrame),
    // which is GetFrameMapScaled (j, x) for video frame j) into an output frame of
    // OutputWidth() x OutputHeight(). The reference stays valid until the next call.
    virtual const PackedPicture& RenderVideoFrame(int subFrame) = 0;
    // Shows the last rendered frame in the work area.
    virtual void ShowFrame() {}
    // True when the user asked to cancel. Asked after each frame
    // and by the writer between the encoder's packets, during the flush included.
    virtual bool CheckCancel() { return false; }
    // Progress position `done` in a range 0 .. `total`: the frames the encoder has given
    // back, `total` only once the file is complete.
    virtual void Progress(int done, int total) { (void)done, (void)total; }
};

enum class VideoContainer { Wmv, Mp4, WebM };

// By the extension of the path's last name, case-insensitive; WMV for every other extension.
VideoContainer VideoContainerForPath(const std::string& path);

// The save dialog's filter in the string table's form ("name|patterns|...||"): each
// container the export writes, WMV first.
QString VideoFileFilter();

// Sizes and timing of one export.
struct VideoExportPlan {
    VideoContainer container = VideoContainer::Wmv;
    VideoSizeEntry entry;  // table entry: profile and frame rate (and the size for WMV)
    int fps = 0;           // F
    int frameCount = 0;    // N = F x total frames / speed
    double timeStep = 0;   // x = speed / F
    int width = 0;         // size of the pictures handed to the writer: for WMV the size
    int height = 0;        // the entry's profile encodes, which the file has
};

// The plan for an output frame of width x height; nothing when there is nothing to
// write (no frames, a speed below 1, fewer than one video frame, a picture too small).
std::optional<VideoExportPlan> PlanVideoExport(VideoContainer container, int width, int height, int totalFrames,
                                               int speed);

// The animation time of video frame j in sub-frames: j x 64 x x, truncated.
int VideoFrameSubFrame(int videoFrame, double timeStep);

// Where a picture of width x height lands, keeping its proportions, centred in a box.
struct LetterboxRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
LetterboxRect LetterboxInto(int boxWidth, int boxHeight, int width, int height);

// A black picture of the box size with `frame` smoothly scaled into its letterbox rectangle.
PackedPicture LetterboxPicture(const PackedPicture& frame, int boxWidth, int boxHeight);

// The top-left width x height part of a picture.
PackedPicture CropPicture(const PackedPicture& frame, int width, int height);

// Failed: nothing was written (an existing file of the name is kept); the window shows
// its "cannot write the video file" message with the cause. Cancelled: the file being
// written is deleted, an existing file of the name is kept.
enum class VideoExportStatus { Ok, Cancelled, Failed };

struct VideoExportResult {
    VideoExportStatus status = VideoExportStatus::Failed;
    std::string error;    // the writer's English text of the step that failed
    int systemError = 0;  // errno of the file operation that failed, 0 when none did
    std::string encoder;  // the encoder used ("mpeg4" when no H.264 encoder exists)
    int framesWritten = 0;
    int width = 0;  // the size of the video in the file
    int height = 0;
};

// What the export asks a writer factory for.
struct VideoWriterRequest {
    int fd = -1;  // the file to write: seekable, written from its start, not closed by the writer
    VideoContainer container = VideoContainer::Wmv;
    QByteArray profileXml;  // WMV: the stored profile text
    int fps = 0;
    int width = 0;  // MP4 and WebM: the encoded size
    int height = 0;
    VideoWriteMonitor* monitor = nullptr;  // asked to stop, told the progress; outlives the writer
};
using VideoWriterFactory = std::function<std::unique_ptr<IVideoSampleWriter>(const VideoWriterRequest&)>;

// The writer of the program: a CWmvWriter opened for the request.
std::unique_ptr<IVideoSampleWriter> OpenVideoWriter(const VideoWriterRequest& request);

// Writes one loop of the animation at `speed` animation frames per second to `path`
// (the file name's bytes). The file is written through an AtomicFile and takes its name
// at the end, so a failed or cancelled export leaves an existing file of that name as it
// was, and an interrupted one leaves nothing. The source's CheckCancel is asked after
// each frame and, through the writer, between the encoder's packets and during its
// flush: a cancel drops what the encoder still holds and deletes the file at once.
VideoExportResult WriteVideo(const std::string& path, int speed, IVideoFrameSource& source);
VideoExportResult WriteVideo(const std::string& path, int speed, IVideoFrameSource& source,
                             const VideoWriterFactory& openWriter);
