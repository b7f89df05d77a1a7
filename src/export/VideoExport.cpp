#include "export/VideoExport.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <QImage>

#include "export/WmvWriter.h"
#include "io/AtomicFile.h"
#include "res/StringTable.h"

namespace {

// The save dialog's filter entries of the containers after WMV (string 1060).
constexpr int kMp4FilterId = 21700;
constexpr int kWebmFilterId = 21701;

constexpr int64_t kKeyFrameSpacing = 20000000;  // two seconds in 100-ns units (MP4, WebM)

VideoEncodingSettings SettingsForContainer(VideoContainer container, int width, int height)
{
    VideoEncodingSettings s;
    s.width = width;
    s.height = height;
    s.keyFrameSpacing = kKeyFrameSpacing;
    s.keyFramesOnlyAtSpacing = true;
    s.frameTimeBase = true;
    s.exactColour = true;
    if (container == VideoContainer::Mp4) {
        s.muxer = "mp4";
        s.encoders = {{"libx264", {{"preset", "medium"}, {"crf", "23"}, {"x264-params", "scenecut=0"}}, 0},
                      {"mpeg4", {}, 3}};
    } else {
        s.muxer = "webm";
        s.encoders = {{"libvpx-vp9", {{"crf", "32"}, {"deadline", "good"}, {"cpu-used", "4"}, {"row-mt", "1"}}, 0}};
    }
    return s;
}

// The picture handed to the writer for one rendered frame.
const PackedPicture& WriterPicture(VideoContainer container, const PackedPicture& frame, int width, int height,
                                   PackedPicture& storage)
{
    if (frame.Width() == width && frame.Height() == height)
        return frame;
    if (container != VideoContainer::Wmv && frame.Width() >= width && frame.Height() >= height)
        storage = CropPicture(frame, width, height);
    else
        storage = LetterboxPicture(frame, width, height);
    return storage;
}

VideoExportResult Failed(std::string error, int systemError = 0)
{
    VideoExportResult result;
    result.status = VideoExportStatus::Failed;
    result.error = std::move(error);
    result.systemError = systemError;
    return result;
}

// Asks the source whether to stop (a stop, once given, stays) and turns the frames
// the encoder has given back into the progress position, which reaches the end of
// its range only when the file is complete.
class ExportMonitor final : public VideoWriteMonitor {
public:
    ExportMonitor(IVideoFrameSource& source, int frames) : m_source(source), m_nFrames(frames) {}

    bool StopRequested() override
    {
        if (!m_bStop)
            m_bStop = m_source.CheckCancel();
        return m_bStop;
    }
    void FramesEncoded(int frames) override { m_source.Progress(std::min(frames, m_nFrames - 1), m_nFrames); }

    bool Stopped() const { return m_bStop; }
    void Complete() { m_source.Progress(m_nFrames, m_nFrames); }

private:
    IVideoFrameSource& m_source;
    int m_nFrames;
    bool m_bStop = false;
};

}  // namespace

QString VideoFileFilter()
{
    QString filter;
    for (const int id : {StrId::VideoFilter, kMp4FilterId, kWebmFilterId}) {
        QString entry = AppString(id);
        while (entry.endsWith(QLatin1Char('|')))
            entry.chop(1);
        filter += entry + QLatin1Char('|');
    }
    return filter + QLatin1Char('|');
}

VideoContainer VideoContainerForPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    std::string suffix = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (suffix == "mp4")
        return VideoContainer::Mp4;
    if (suffix == "webm")
        return VideoContainer::WebM;
    return VideoContainer::Wmv;
}

std::optional<VideoExportPlan> PlanVideoExport(VideoContainer container, int width, int height, int totalFrames,
                                               int speed)
{
    if (speed < 1 || totalFrames <= 0 || width <= 0 || height <= 0)
        return std::nullopt;
    VideoExportPlan plan;
    plan.container = container;
    plan.entry = ChooseVideoSize(width, height);
    plan.fps = plan.entry.fps;
    const int64_t frames = int64_t(plan.fps) * totalFrames / speed;
    if (frames <= 0 || frames > INT32_MAX)
        return std::nullopt;
    plan.frameCount = int(frames);
    plan.timeStep = double(speed) / double(plan.fps);
    if (container == VideoContainer::Wmv) {
        const VideoFrameSize encoded = EncodedVideoSize(plan.entry);
        plan.width = encoded.width;
        plan.height = encoded.height;
    } else {
        // 4:2:0 encoders need even sizes.
        plan.width = width & ~1;
        plan.height = height & ~1;
        if (plan.width < 2 || plan.height < 2)
            return std::nullopt;
    }
    return plan;
}

int VideoFrameSubFrame(int videoFrame, double timeStep)
{
    return static_cast<int>(double(int64_t(videoFrame) * 64) * timeStep);
}

LetterboxRect LetterboxInto(int boxWidth, int boxHeight, int width, int height)
{
    LetterboxRect r;
    if (int64_t(boxWidth) * height < int64_t(boxHeight) * width) {
        // Wider than the box: fill the width, centre vertically.
        r.width = boxWidth;
        r.height = std::max(1, int(int64_t(boxWidth) * height / width));
        r.y = (boxHeight - r.height) / 2;
    } else {
        // Fill the height, centre horizontally.
        r.height = boxHeight;
        r.width = std::max(1, int(int64_t(boxHeight) * width / height));
        r.x = (boxWidth - r.width) / 2;
    }
    return r;
}

PackedPicture LetterboxPicture(const PackedPicture& frame, int boxWidth, int boxHeight)
{
    PackedPicture out(boxWidth, boxHeight, frame.Header().biXPelsPerMeter);
    if (frame.Width() <= 0 || frame.Height() <= 0 || frame.Header().biBitCount != 24 ||
        frame.Bits().size() < size_t(frame.Stride()) * size_t(frame.Height()))
        return out;  // nothing usable to show: a black frame
    const LetterboxRect r = LetterboxInto(boxWidth, boxHeight, frame.Width(), frame.Height());
    // The packed rows run bottom-up; the image view mirrors them into top-down order.
    const QImage view(frame.Bits().data(), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_BGR888);
    const QImage scaled = view.mirrored(false, true)
                              .scaled(r.width, r.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < r.height; ++y)
        std::memcpy(out.Pixel(r.x, r.y + y), scaled.constScanLine(y), size_t(r.width) * 3);
    return out;
}

PackedPicture CropPicture(const PackedPicture& frame, int width, int height)
{
    PackedPicture out(width, height, frame.Header().biXPelsPerMeter);
    if (width > frame.Width() || height > frame.Height() ||
        frame.Bits().size() < size_t(frame.Stride()) * size_t(frame.Height()))
        return out;
    for (int y = 0; y < height; ++y)
        std::memcpy(out.Row(y), frame.Row(y), size_t(width) * 3);
    return out;
}

std::unique_ptr<IVideoSampleWriter> OpenVideoWriter(const VideoWriterRequest& request)
{
    auto writer = std::make_unique<CWmvWriter>();
    writer->SetMonitor(request.monitor);
    if (request.container == VideoContainer::Wmv)
        writer->Open(request.fd, request.profileXml, request.fps);
    else
        writer->OpenWith(request.fd, SettingsForContainer(request.container, request.width, request.height),
                         request.fps);
    return writer;  // a failed opening shows at the first frame
}

VideoExportResult WriteVideo(const std::string& path, int speed, IVideoFrameSource& source)
{
    return WriteVideo(path, speed, source, OpenVideoWriter);
}

VideoExportResult WriteVideo(const std::string& path, int speed, IVideoFrameSource& source,
                             const VideoWriterFactory& openWriter)
{
    const VideoContainer container = VideoContainerForPath(path);
    if (speed < 1)
        return Failed("Invalid Speed");
    const std::optional<VideoExportPlan> plan =
        PlanVideoExport(container, source.OutputWidth(), source.OutputHeight(), source.TotalFrames(), speed);
    if (!plan)
        return Failed(source.TotalFrames() > 0 && source.OutputWidth() > 0 && source.OutputHeight() > 0
                          ? "Picture or Animation Too Small for Video"
                          : "No Frames to Write");

    VideoWriterRequest request;
    request.container = container;
    request.fps = plan->fps;
    request.width = plan->width;
    request.height = plan->height;
    if (container == VideoContainer::Wmv) {
        request.profileXml = LoadWmvProfileText(plan->entry.profileResource);
        if (request.profileXml.isEmpty())
            return Failed("Unable to Load Profile Resource");
    }
    AtomicFile output(path);
    if (!output.IsOpen())
        return Failed("Unable to Create Output File", output.Error());
    request.fd = output.Fd();
    const int frames = plan->frameCount;
    ExportMonitor monitor(source, frames);
    request.monitor = &monitor;

    std::unique_ptr<IVideoSampleWriter> writer = openWriter(request);
    if (!writer)
        return Failed("Unable to Create Media Writer Object");
    VideoExportResult result;
    result.width = plan->width;
    result.height = plan->height;
    // A stop or a failure closes the writer (a stopped one drops what its encoder holds);
    // the unfinished file goes with `output`.
    const auto end = [&]() {
        const bool stopped = monitor.Stopped() || writer->Stopped();
        if (!stopped) {
            result.error = writer->ErrorText();
            result.systemError = writer->SystemError();
        }
        writer->Close();
        result.status = stopped ? VideoExportStatus::Cancelled : VideoExportStatus::Failed;
        return result;
    };

    source.Progress(0, frames);
    int pictureWidth = plan->width;
    int pictureHeight = plan->height;
    PackedPicture storage;
    for (int j = 0; j < frames; ++j) {
        const PackedPicture& frame = source.RenderVideoFrame(VideoFrameSubFrame(j, plan->timeStep));
        if (writer->WriteFrame(WriterPicture(container, frame, pictureWidth, pictureHeight, storage)) != 0) {
            const std::optional<VideoSizeEntry> smaller =
                container == VideoContainer::Wmv && j == 0 && !writer->Stopped() ? FallbackVideoSize(plan->entry)
                                                                                 : std::nullopt;
            if (!smaller)
                return end();
            // The first frame did not go through: try the next smaller size with the same
            // profile (the encoder scales it to the profile's size).
            writer->Close();
            if (!output.Rewind())
                return Failed("Unable to Create Output File", output.Error());
            writer = openWriter(request);
            if (!writer)
                return Failed("Unable to Create Media Writer Object");
            pictureWidth = smaller->width;
            pictureHeight = smaller->height;
            if (writer->WriteFrame(WriterPicture(container, frame, pictureWidth, pictureHeight, storage)) != 0)
                return end();
        }
        ++result.framesWritten;
        source.ShowFrame();
        if (monitor.StopRequested())
            return end();
    }
    if (!writer->Close() || monitor.StopRequested())
        return end();
    if (!output.Commit())
        return Failed("Unable to Save Output File: " + output.Failure(), output.Error());
    monitor.Complete();
    result.status = VideoExportStatus::Ok;
    result.error = writer->ErrorText();
    result.encoder = writer->EncoderName();
    return result;
}
