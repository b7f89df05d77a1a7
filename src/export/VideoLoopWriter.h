#pragma once
// MP4 and WebM videos at the loop's own speed: one video frame per animation frame,
// every frame lasting exactly 1 / frames per second, through FFmpeg's encoders. The
// container follows the extension (".mp4", ".webm"); the codec is H.264 (yuv420p,
// with the index at the front of the file so that playback starts before the whole
// file arrives), VP9 or AV1. The loop may be repeated for services that do not loop
// videos; the frames are then kept until Finish.

#include "export/LoopWriter.h"
#include "engine/PackedPicture.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class VideoCodec { Default, H264, Vp9, Av1 };

struct VideoCodecRange {
    int minCrf = 0;
    int maxCrf = 0;
    int defaultCrf = 0;
};

struct VideoLoopOptions {
    static constexpr int kMinLoops = 1;
    static constexpr int kMaxLoops = 1000;

    VideoCodec codec = VideoCodec::Default;  // Default: H.264 in MP4, VP9 in WebM
    int crf = -1;                            // the codec's constant-rate factor; -1 for its default
    int loops = 1;                           // times the loop is played in the file
};

// "h264", "vp9", "av1"; nothing for other names.
std::optional<VideoCodec> VideoCodecByName(const std::string& name);
const char* VideoCodecName(VideoCodec codec);
// The crf range and default of a codec (not Default).
VideoCodecRange CrfRange(VideoCodec codec);
// True for the paths the writer takes: ".mp4" and ".webm", in any case.
bool IsLoopVideoPath(const std::string& path);
// The codec a path gets for a choice (Default resolved by the extension).
VideoCodec ResolveVideoCodec(VideoCodec codec, const std::string& path);
// The FFmpeg encoder the codec is written with here; NoLibrary naming what is missing.
LoopResult FindVideoEncoder(VideoCodec codec, std::string* encoder = nullptr);

class VideoLoopWriter final : public LoopFileWriter {
public:
    static constexpr int kMaxSide = 16384;

    explicit VideoLoopWriter(VideoLoopOptions options = {});
    ~VideoLoopWriter() override;

    LoopResult Begin(const std::string& path, const LoopShape& shape) override;
    LoopResult AddFrame(const PackedPicture& frame) override;
    LoopResult Finish() override;
    void Abandon() override;

    // The encoder in use ("libx264"); empty before Begin.
    const std::string& EncoderName() const { return m_encoder; }
    // The size in the file: the frame's, made even.
    int VideoWidth() const { return Shape().width & ~1; }
    int VideoHeight() const { return Shape().height & ~1; }

private:
    class Monitor;
    struct Coder;

    LoopResult Encode(const PackedPicture& frame);
    LoopResult Failure(const std::string& step);

    VideoLoopOptions m_options;
    std::string m_encoder;
    std::unique_ptr<Monitor> m_monitor;
    std::unique_ptr<Coder> m_coder;
    std::vector<PackedPicture> m_kept;  // with loops > 1
    int64_t m_frames = 0;
};
