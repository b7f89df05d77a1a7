#include "export/VideoLoopWriter.h"

#include "export/VideoExport.h"
#include "export/WmvWriter.h"
#include "io/AtomicFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cctype>

namespace {

constexpr int64_t kKeyFrameSpacing = 20000000;  // two seconds in 100-ns units

std::string Extension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// The encoders of a codec, the preferred first, with the options for a crf.
std::vector<VideoEncoderChoice> EncoderChoices(VideoCodec codec, int crf)
{
    const std::string q = std::to_string(crf);
    switch (codec) {
    case VideoCodec::H264: return {{"libx264", {{"preset", "veryfast"}, {"crf", q}, {"x264-params", "scenecut=0"}}, 0}};
    case VideoCodec::Vp9:
        return {{"libvpx-vp9",
                 {{"crf", q}, {"b", "0"}, {"deadline", "good"}, {"cpu-used", "5"}, {"row-mt", "1"}, {"threads", "0"}},
                 0}};
    case VideoCodec::Av1:
        return {{"libsvtav1", {{"crf", q}, {"preset", "10"}}, 0},
                {"libaom-av1", {{"crf", q}, {"b", "0"}, {"cpu-used", "8"}, {"row-mt", "1"}}, 0}};
    case VideoCodec::Default: break;
    }
    return {};
}

}  // namespace

std::optional<VideoCodec> VideoCodecByName(const std::string& name)
{
    if (name == "h264")
        return VideoCodec::H264;
    if (name == "vp9")
        return VideoCodec::Vp9;
    if (name == "av1")
        return VideoCodec::Av1;
    return std::nullopt;
}

const char* VideoCodecName(VideoCodec codec)
{
    switch (codec) {
    case VideoCodec::H264: return "h264";
    case VideoCodec::Vp9: return "vp9";
    case VideoCodec::Av1: return "av1";
    case VideoCodec::Default: break;
    }
    return "default";
}

VideoCodecRange CrfRange(VideoCodec codec)
{
    switch (codec) {
    case VideoCodec::H264: return {0, 51, 23};
    case VideoCodec::Vp9: return {0, 63, 32};
    case VideoCodec::Av1: return {0, 63, 35};
    case VideoCodec::Default: break;
    }
    return {};
}

bool IsLoopVideoPath(const std::string& path)
{
    const std::string ext = Extension(path);
    return ext == "mp4" || ext == "webm";
}

VideoCodec ResolveVideoCodec(VideoCodec codec, const std::string& path)
{
    if (codec != VideoCodec::Default)
        return codec;
    return Extension(path) == "webm" ? VideoCodec::Vp9 : VideoCodec::H264;
}

LoopResult FindVideoEncoder(VideoCodec codec, std::string* encoder)
{
    const std::vector<VideoEncoderChoice> choices = EncoderChoices(codec, 0);
    std::string names;
    for (const VideoEncoderChoice& choice : choices) {
        if (avcodec_find_encoder_by_name(choice.name.c_str())) {
            if (encoder)
                *encoder = choice.name;
            return {};
        }
        names += (names.empty() ? "" : " or ") + choice.name;
    }
    return LoopResult::Fail(LoopStatus::NoLibrary, std::string("the ") + VideoCodecName(codec) +
                                                       " encoder is missing: FFmpeg was built without " + names);
}

// Asks the writer's observer between the encoder's packets.
class VideoLoopWriter::Monitor final : public VideoWriteMonitor {
public:
    explicit Monitor(const VideoLoopWriter& writer) : m_writer(writer) {}
    bool StopRequested() override { return m_writer.StopRequested(); }

private:
    const VideoLoopWriter& m_writer;
};

struct VideoLoopWriter::Coder {
    CWmvWriter writer;
    PackedPicture even;  // a frame cropped to even sides
};

VideoLoopWriter::VideoLoopWriter(VideoLoopOptions options) : m_options(options) {}

VideoLoopWriter::~VideoLoopWriter()
{
    Abandon();
}

LoopResult VideoLoopWriter::Begin(const std::string& path, const LoopShape& shape)
{
    Abandon();
    if (!IsLoopVideoPath(path))
        return LoopResult::Fail(LoopStatus::BadOptions, "a video at the loop's speed is a .mp4 or .webm file: " + path);
    const VideoCodec codec = ResolveVideoCodec(m_options.codec, path);
    if (codec == VideoCodec::H264 && Extension(path) == "webm")
        return LoopResult::Fail(LoopStatus::BadOptions, "a .webm file holds vp9 or av1, not h264: " + path);
    const VideoCodecRange range = CrfRange(codec);
    const int crf = m_options.crf < 0 ? range.defaultCrf : m_options.crf;
    const std::string crfName = std::string("crf of ") + VideoCodecName(codec);
    if (LoopResult checked = CheckRange(crfName.c_str(), crf, range.minCrf, range.maxCrf); !checked)
        return checked;
    if (LoopResult checked =
            CheckRange("loops", m_options.loops, VideoLoopOptions::kMinLoops, VideoLoopOptions::kMaxLoops);
        !checked)
        return checked;
    if (LoopResult checked = CheckShape(shape, kMaxSide, "video"); !checked)
        return checked;
    if (shape.width < 2 || shape.height < 2)
        return LoopResult::Fail(LoopStatus::BadFrame, "a video frame is at least 2 x 2 pixels");
    if (LoopResult found = FindVideoEncoder(codec, &m_encoder); !found)
        return found;
    if (LoopResult opened = OpenFile(path, shape); !opened)
        return opened;

    VideoEncodingSettings settings;
    settings.muxer = Extension(path) == "webm" ? "webm" : "mp4";
    settings.encoders = EncoderChoices(codec, crf);
    settings.width = shape.width & ~1;
    settings.height = shape.height & ~1;
    settings.keyFrameSpacing = kKeyFrameSpacing;
    settings.keyFramesOnlyAtSpacing = true;
    settings.frameTimeBase = true;
    settings.exactColour = true;
    if (settings.muxer == "mp4")
        settings.muxerOptions = {{"movflags", "+faststart"}};
    m_monitor = std::make_unique<Monitor>(*this);
    m_coder = std::make_unique<Coder>();
    m_coder->writer.SetMonitor(m_monitor.get());
    if (!m_coder->writer.OpenWith(File().Fd(), settings, shape.framesPerSecond))
        return Failure("opening the encoder");
    return {};
}

LoopResult VideoLoopWriter::Failure(const std::string& step)
{
    LoopResult result;
    if (m_coder && m_coder->writer.Stopped()) {
        result = LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + Path());
    } else if (const int error = m_coder ? m_coder->writer.SystemError() : 0; error != 0) {
        const FileError file(FileError::CauseFromErrno(error), Path(), step, error);
        result = LoopResult::Fail(LoopStatus::WriteFailed, file.what());
        result.cause = file.GetCause();
    } else {
        result = LoopResult::Fail(LoopStatus::EncodeFailed,
                                  Path() + ": " + step + " failed (" +
                                      (m_coder ? m_coder->writer.ErrorText() : std::string("no encoder")) + ")");
    }
    Abandon();
    return result;
}

LoopResult VideoLoopWriter::Encode(const PackedPicture& frame)
{
    const int width = VideoWidth(), height = VideoHeight();
    const PackedPicture* picture = &frame;
    if (frame.Width() != width || frame.Height() != height) {
        m_coder->even = CropPicture(frame, width, height);
        picture = &m_coder->even;
    }
    if (m_coder->writer.WriteFrame(*picture) != 0)
        return Failure("writing a frame");
    ++m_frames;
    return {};
}

LoopResult VideoLoopWriter::AddFrame(const PackedPicture& frame)
{
    if (!m_coder)
        return LoopResult::Fail(LoopStatus::NoFrames, "the video was not begun: " + Path());
    if (LoopResult checked = CheckFrame(frame, Shape()); !checked)
        return checked;
    if (m_options.loops > 1)
        m_kept.push_back(frame);
    return Encode(frame);
}

LoopResult VideoLoopWriter::Finish()
{
    if (!m_coder || m_frames == 0) {
        Abandon();
        return LoopResult::Fail(LoopStatus::NoFrames, "no frames were given for " + Path());
    }
    for (int loop = 1; loop < m_options.loops; ++loop) {
        for (const PackedPicture& frame : m_kept) {
            if (LoopResult encoded = Encode(frame); !encoded)
                return encoded;
        }
    }
    m_kept.clear();
    if (!m_coder->writer.Close())
        return Failure("finishing the file");
    m_coder.reset();
    return Commit();
}

void VideoLoopWriter::Abandon()
{
    if (m_coder)
        m_coder->writer.Close();
    m_coder.reset();
    m_monitor.reset();
    m_kept.clear();
    m_frames = 0;
    CloseFile();
}
