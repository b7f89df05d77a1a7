#pragma once
// CWmvWriter: a small state machine over an FFmpeg muxer and one video encoder.
//
// Open loads an encoding profile and prepares the output file (state 1): a path the
// writer creates, or a seekable descriptor it writes through FFmpeg's I/O callbacks
// (the file's name stays bytes, and the caller keeps the descriptor). The first
// WriteFrame declares the RGB24 input from the bitmap's size, begins writing and
// writes the frame (state 2); later frames are written at sample times of
// frames x 1000 / fps milliseconds, or at frames / fps exactly where the settings
// count in frames. Close ends writing and releases everything.
// Any failure releases everything and leaves state 0, in which every frame fails.
//
// A monitor, when set, is asked whether to stop before each frame, between the
// packets the encoder gives back and during the flush, and hears how many frames
// the encoder has given back. A stop releases the encoder at once (the frames it
// still holds are dropped, nothing more is written), removes a file it created
// from a path (the caller of a descriptor removes its own) and leaves state 0.
//
// WMV files use the ASF muxer with the wmv2 encoder and carry the video stream only
// (no audio samples are ever written, so the profile's audio stream is not created).
// The same machine writes other containers from explicit settings (OpenWith).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QByteArrayView>

#include "export/VideoSampleWriter.h"
#include "export/WmvProfiles.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVOutputFormat;
struct AVPacket;
struct AVStream;
struct SwsContext;

// One encoder the writer may use, with the private options it is given.
struct VideoEncoderChoice {
    std::string name;  // libavcodec encoder name
    std::vector<std::pair<std::string, std::string>> options;
    int fixedQuantiser = 0;  // > 0: constant quantiser when no bit rate is set
};

// Encoder settings in the profile's terms.
struct VideoEncodingSettings {
    std::string muxer;                         // libavformat short name: "asf", "mp4", "webm"
    std::vector<VideoEncoderChoice> encoders;  // the first one available is used
    int width = 0;                             // encoded size
    int height = 0;
    int64_t bitRate = 0;          // bits per second; 0 leaves the encoder's own rate control
    int bufferWindowMs = 0;       // rate control buffer; 0 for none
    int64_t timePerFrame = 0;     // 100-ns units; 0 derives it from the frame rate
    int quality = -1;             // 0..100 for quantiser-based encoders; -1 leaves the default
    int64_t keyFrameSpacing = 0;  // 100-ns units; 0 leaves the encoder's default
    // Options of the muxer ("movflags", "+faststart"). A muxer that reads back what it
    // wrote (MP4's fast start) reopens the descriptor it writes to by its /proc name.
    std::vector<std::pair<std::string, std::string>> muxerOptions;
    // True: the stream counts in frames (1 / fps) instead of milliseconds, so that
    // every frame lasts exactly 1 / fps where the container keeps the time base.
    bool frameTimeBase = false;
    // True: key frames only every keyFrameSpacing, none where the encoder sees a scene change.
    bool keyFramesOnlyAtSpacing = false;
    // True: the RGB to YUV conversion rounds exactly and takes chroma from every pixel;
    // false keeps the fast conversion WMV files have always been written with.
    bool exactColour = false;
};

// The settings a stored profile asks for, for the ASF container and the wmv2 encoder.
VideoEncodingSettings WmvSettingsFromProfile(const WmvProfile& profile);

// The largest quantiser allowed for a profile quality of 0..100: 31 down to 15. Kept mild so that
// the profile's bit rate still rules; higher quality only caps the coarsest pictures.
int QuantiserLimitForQuality(int quality);

// The file a writer's FFmpeg I/O callbacks write to, and errno of the first call that failed.
struct VideoFileOutput {
    int fd = -1;
    int error = 0;
};

class CWmvWriter final : public IVideoSampleWriter {
public:
    enum { kStateUnusable = 0, kStateOpen = 1, kStateWriting = 2 };

    CWmvWriter();
    ~CWmvWriter() override;
    CWmvWriter(const CWmvWriter&) = delete;
    CWmvWriter& operator=(const CWmvWriter&) = delete;

    // Loads the profile text and prepares `path` (created or emptied) as a WMV file at
    // `fps` frames per second.
    bool Open(const std::string& path, QByteArrayView profileXml, int fps);
    // The same on an open, seekable descriptor, written from offset 0 and not closed.
    bool Open(int fd, QByteArrayView profileXml, int fps);
    // Prepares `path` or `fd` for the given settings.
    bool OpenWith(const std::string& path, const VideoEncodingSettings& settings, int fps);
    bool OpenWith(int fd, const VideoEncodingSettings& settings, int fps);

    // Kept across openings; nullptr for none.
    void SetMonitor(VideoWriteMonitor* monitor) { m_pMonitor = monitor; }

    int WriteFrame(const PackedPicture& bitmap) override;
    bool Close() override;
    bool Stopped() const override { return m_bStopped; }
    std::string ErrorText() const override { return m_szError; }
    int SystemError() const override { return m_nSystemError; }
    std::string EncoderName() const override { return m_encoderName; }

    int State() const { return m_nState; }
    int FramesWritten() const { return m_nFrames; }
    // Frames the encoder has given back and the muxer has taken.
    int FramesEncoded() const { return m_nEncoded; }
    // The time of the next sample: frames written x 1000 / fps (integer division).
    int64_t NextSampleTimeMs() const { return m_nTimeMs; }
    int64_t NextSampleTime100ns() const { return m_nTimeMs * 10000; }
    const std::optional<WmvProfile>& Profile() const { return m_profile; }
    const VideoEncodingSettings& Settings() const { return m_settings; }

    // The sample time of frame `frame` at `fps`, in milliseconds.
    static int64_t SampleTimeMs(int64_t frame, int fps) { return frame * 1000 / fps; }

private:
    struct FormatDeleter {
        void operator()(AVFormatContext* context) const;
    };
    struct CodecDeleter {
        void operator()(AVCodecContext* context) const;
    };
    struct FrameDeleter {
        void operator()(AVFrame* frame) const;
    };
    struct PacketDeleter {
        void operator()(AVPacket* packet) const;
    };
    struct ScalerDeleter {
        void operator()(SwsContext* scaler) const;
    };
    struct IoDeleter {
        void operator()(AVIOContext* io) const;
    };

    void Reset(int fps);
    bool Fail(const char* text);
    // Asks the monitor (once it has said stop, the answer stays).
    bool StopRequested();
    // Drops the encoder and everything else without finishing the file.
    bool Stop();
    bool LoadProfile(QByteArrayView profileXml, int fps);
    bool UseSettings(const VideoEncodingSettings& settings, int fps);
    bool PrepareEncoder();
    bool CreateFile(const std::string& path);
    bool AttachFile(int fd);
    bool SetupInput(const PackedPicture& bitmap);
    // Writes the container header with the settings' muxer options.
    bool WriteHeader();
    bool ConfigureEncoder(const VideoEncoderChoice& choice);
    bool WriteSample(const PackedPicture& bitmap);
    bool EncodeAndWrite(const AVFrame* frame);
    bool EndWriting();
    void Release();

    // In the release order: input, writer, its I/O, profile, muxer, picture conversion.
    std::unique_ptr<AVCodecContext, CodecDeleter> m_videoInput;
    AVStream* m_stream = nullptr;  // owned by m_writer
    std::unique_ptr<AVFormatContext, FormatDeleter> m_writer;
    std::unique_ptr<AVIOContext, IoDeleter> m_io;
    VideoFileOutput m_output;
    int m_ownedFd = -1;       // the file Open created from a path
    std::string m_ownedPath;  // its name, removed on a stop
    std::optional<WmvProfile> m_profile;
    const AVOutputFormat* m_muxer = nullptr;  // static libavformat table entry
    std::unique_ptr<SwsContext, ScalerDeleter> m_scaler;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;

    std::string m_szError;
    int m_nVideoInput = -1;
    int m_nFrames = 0;
    int64_t m_nTimeMs = 0;
    int m_nFps = 0;
    int m_nState = kStateUnusable;
    int m_nEncoded = 0;
    int m_nSystemError = 0;
    bool m_bStopped = false;
    VideoWriteMonitor* m_pMonitor = nullptr;

    VideoEncodingSettings m_settings;
    std::string m_encoderName;
    int m_inputWidth = 0;
    int m_inputHeight = 0;
};
