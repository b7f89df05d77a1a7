#include "export/WmvWriter.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "engine/PackedPicture.h"

namespace {

constexpr const char* kSucceeded = "Method Succeeded";
constexpr int64_t kUnitsPerSecond = 10000000;  // 100-ns units
constexpr int kMaxPathBytes = 4096;
constexpr int kIoBufferBytes = 64 * 1024;

// FFmpeg's write callback takes a const buffer from libavformat 61 on.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoBuffer = const uint8_t*;
#else
using IoBuffer = uint8_t*;
#endif

int WriteToFile(void* opaque, IoBuffer data, int size)
{
    auto* output = static_cast<VideoFileOutput*>(opaque);
    for (int written = 0; written < size;) {
        const ssize_t n = ::write(output->fd, data + written, size_t(size - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            output->error = n < 0 ? errno : ENOSPC;
            return AVERROR(output->error);
        }
        written += int(n);
    }
    return size;
}

int64_t SeekInFile(void* opaque, int64_t offset, int whence)
{
    auto* output = static_cast<VideoFileOutput*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(output->fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(output->fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : int64_t(position);
}

// Division rounding toward minus infinity, so that timestamps before zero keep their order.
int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

AVPixelFormat ChoosePixelFormat(const AVCodec* codec)
{
    if (!codec->pix_fmts)
        return AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_YUV420P)
            return *f;
    }
    return codec->pix_fmts[0];
}

// Without exactness swscale takes its fast path for BGR24, whose chroma comes from
// every second pixel and whose rounding leaves red and blue a level or more low.
int ScalerFlags(bool exactColour)
{
    return exactColour ? SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP : SWS_BICUBIC;
}

bool IsQuantiserEncoder(const AVCodec* codec)
{
    return codec->id == AV_CODEC_ID_WMV2 || codec->id == AV_CODEC_ID_WMV1 || codec->id == AV_CODEC_ID_MPEG4;
}

}  // namespace

int QuantiserLimitForQuality(int quality)
{
    const int q = std::clamp(quality, 0, 100);
    return 31 - q * 16 / 100;
}

VideoEncodingSettings WmvSettingsFromProfile(const WmvProfile& profile)
{
    VideoEncodingSettings s;
    s.muxer = "asf";
    s.encoders = {{"wmv2", {}, 0}};
    if (profile.video) {
        const WmvVideoStream& v = *profile.video;
        s.width = v.width;
        s.height = v.height;
        s.bitRate = v.bitRate;
        s.bufferWindowMs = v.bufferWindowMs;
        s.timePerFrame = v.timePerFrame;
        s.quality = v.quality;
        s.keyFrameSpacing = v.keyFrameSpacing;
    }
    return s;
}

// The writer's I/O context is its own (m_io): the muxer never closes it.
void CWmvWriter::FormatDeleter::operator()(AVFormatContext* context) const
{
    avformat_free_context(context);
}
void CWmvWriter::IoDeleter::operator()(AVIOContext* io) const
{
    av_freep(&io->buffer);
    avio_context_free(&io);
}
void CWmvWriter::CodecDeleter::operator()(AVCodecContext* context) const
{
    avcodec_free_context(&context);
}
void CWmvWriter::FrameDeleter::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}
void CWmvWriter::PacketDeleter::operator()(AVPacket* packet) const
{
    av_packet_free(&packet);
}
void CWmvWriter::ScalerDeleter::operator()(SwsContext* scaler) const
{
    sws_freeContext(scaler);
}

CWmvWriter::CWmvWriter() : m_szError(kSucceeded) {}

CWmvWriter::~CWmvWriter()
{
    Close();
}

void CWmvWriter::Reset(int fps)
{
    Release();
    m_szError = kSucceeded;
    m_nVideoInput = -1;
    m_nFrames = 0;
    m_nTimeMs = 0;
    m_nFps = fps;
    m_nState = kStateUnusable;
    m_nEncoded = 0;
    m_nSystemError = 0;
    m_bStopped = false;
    m_settings = {};
    m_encoderName.clear();
    m_inputWidth = 0;
    m_inputHeight = 0;
}

bool CWmvWriter::Fail(const char* text)
{
    m_szError = text;
    if (m_output.error != 0)
        m_nSystemError = m_output.error;  // the file write behind the failing step
    Release();
    m_nState = kStateUnusable;
    return false;
}

bool CWmvWriter::StopRequested()
{
    if (!m_bStopped && m_pMonitor && m_pMonitor->StopRequested())
        m_bStopped = true;
    return m_bStopped;
}

bool CWmvWriter::Stop()
{
    m_bStopped = true;
    const std::string created = std::exchange(m_ownedPath, {});
    Fail("Writing Stopped");
    if (!created.empty())
        ::unlink(created.c_str());
    return false;
}

void CWmvWriter::Release()
{
    m_videoInput.reset();
    m_stream = nullptr;
    m_writer.reset();
    m_io.reset();
    m_output = {};
    if (m_ownedFd >= 0)
        ::close(std::exchange(m_ownedFd, -1));
    m_ownedPath.clear();
    m_profile.reset();
    m_muxer = nullptr;
    m_scaler.reset();
    m_frame.reset();
    m_packet.reset();
}

bool CWmvWriter::Open(const std::string& path, QByteArrayView profileXml, int fps)
{
    return LoadProfile(profileXml, fps) && PrepareEncoder() && CreateFile(path) && AttachFile(m_ownedFd);
}

bool CWmvWriter::Open(int fd, QByteArrayView profileXml, int fps)
{
    return LoadProfile(profileXml, fps) && PrepareEncoder() && AttachFile(fd);
}

bool CWmvWriter::OpenWith(const std::string& path, const VideoEncodingSettings& settings, int fps)
{
    return UseSettings(settings, fps) && PrepareEncoder() && CreateFile(path) && AttachFile(m_ownedFd);
}

bool CWmvWriter::OpenWith(int fd, const VideoEncodingSettings& settings, int fps)
{
    return UseSettings(settings, fps) && PrepareEncoder() && AttachFile(fd);
}

bool CWmvWriter::LoadProfile(QByteArrayView profileXml, int fps)
{
    Reset(fps);
    m_muxer = av_guess_format("asf", nullptr, nullptr);
    if (!m_muxer)
        return Fail("Unable to Create WindowsMedia Profile Manager");
    m_profile = ParseWmvProfile(profileXml);
    if (!m_profile)
        return Fail("Unable to Load System Profile");
    if (m_profile->version != kWmvProfileVersion)
        return Fail("Unable to Set System Profile Version");
    if (!m_profile->video)
        return Fail("Profile Does not Accept Video input");
    m_settings = WmvSettingsFromProfile(*m_profile);
    return true;
}

bool CWmvWriter::UseSettings(const VideoEncodingSettings& settings, int fps)
{
    Reset(fps);
    m_muxer = av_guess_format(settings.muxer.c_str(), nullptr, nullptr);
    if (!m_muxer)
        return Fail("Unable to Find Container Format");
    if (settings.width <= 0 || settings.height <= 0)
        return Fail("Profile Does not Accept Video input");
    m_settings = settings;
    return true;
}

bool CWmvWriter::PrepareEncoder()
{
    if (m_nFps <= 0 || m_nFps > 1000)
        return Fail("Unable to Set Frame Rate");
    AVFormatContext* context = nullptr;
    if (avformat_alloc_output_context2(&context, m_muxer, nullptr, nullptr) < 0 || !context)
        return Fail("Unable to Create Media Writer Object");
    m_writer.reset(context);

    const AVCodec* codec = nullptr;
    const VideoEncoderChoice* choice = nullptr;
    for (const VideoEncoderChoice& c : m_settings.encoders) {
        codec = avcodec_find_encoder_by_name(c.name.c_str());
        if (codec) {
            choice = &c;
            break;
        }
    }
    if (!codec)
        return Fail("Unable to Set System Profile");
    m_encoderName = choice->name;
    m_stream = avformat_new_stream(m_writer.get(), nullptr);
    m_videoInput.reset(avcodec_alloc_context3(codec));
    if (!m_stream || !m_videoInput)
        return Fail("Unable to Set System Profile");
    m_nVideoInput = m_stream->index;
    return ConfigureEncoder(*choice);
}

bool CWmvWriter::CreateFile(const std::string& path)
{
    if (path.empty() || path.size() >= kMaxPathBytes || path.find('\0') != std::string::npos)
        return Fail("Unable to Convert Output Filename");
    m_ownedFd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_ownedFd < 0)
        return Fail("Unable to Set Output Filename");
    m_ownedPath = path;
    return true;
}

bool CWmvWriter::AttachFile(int fd)
{
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return Fail("Unable to Set Output Filename");
    m_output.fd = fd;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (!buffer)
        return Fail("Unable to Allocate Memory");
    m_io.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, &m_output, nullptr, WriteToFile, SeekInFile));
    if (!m_io) {
        av_free(buffer);
        return Fail("Unable to Allocate Memory");
    }
    m_writer->pb = m_io.get();
    m_writer->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_nState = kStateOpen;
    return true;
}

bool CWmvWriter::ConfigureEncoder(const VideoEncoderChoice& choice)
{
    AVCodecContext* c = m_videoInput.get();
    const AVCodec* codec = c->codec;
    const VideoEncodingSettings& s = m_settings;
    c->width = s.width;
    c->height = s.height;
    c->pix_fmt = ChoosePixelFormat(codec);
    c->sample_aspect_ratio = AVRational{1, 1};
    // Encoder timestamps count frames; the muxer gets millisecond sample times.
    c->time_base = AVRational{1, m_nFps};
    const double framesPerSecond = s.timePerFrame > 0 ? double(kUnitsPerSecond) / double(s.timePerFrame) : m_nFps;
    c->framerate = av_d2q(framesPerSecond, 1001);
    if (s.bitRate > 0) {
        c->bit_rate = s.bitRate;
        if (s.bufferWindowMs > 0) {
            c->rc_max_rate = s.bitRate;
            c->rc_min_rate = s.bitRate;
            c->rc_buffer_size = int(std::min<int64_t>(s.bitRate * s.bufferWindowMs / 1000, INT32_MAX));
        }
    } else if (choice.fixedQuantiser > 0) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * choice.fixedQuantiser;
    }
    if (s.quality >= 0 && IsQuantiserEncoder(codec)) {
        c->qmin = 2;
        c->qmax = QuantiserLimitForQuality(s.quality);
    }
    if (s.keyFrameSpacing > 0)
        c->gop_size = int(std::max<int64_t>(1, s.keyFrameSpacing * m_nFps / kUnitsPerSecond));
    if (s.keyFramesOnlyAtSpacing && c->gop_size > 0) {
        // No key frame where the encoder sees a scene change: libvpx keeps a fixed
        // interval when its minimum equals the maximum (x264 is told "scenecut=0").
        c->keyint_min = c->gop_size;
    }
    if (m_muxer->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    m_stream->time_base = s.frameTimeBase ? AVRational{1, m_nFps} : AVRational{1, 1000};
    m_stream->avg_frame_rate = c->framerate;
    return true;
}

int CWmvWriter::WriteFrame(const PackedPicture& bitmap)
{
    if (m_nState != kStateUnusable && StopRequested()) {
        Stop();
        return 1;
    }
    switch (m_nState) {
    case kStateOpen:
        if (!SetupInput(bitmap))
            return 1;
        [[fallthrough]];
    case kStateWriting: return WriteSample(bitmap) ? 0 : 1;
    default:
        if (m_szError == kSucceeded)
            m_szError = "Writer Is Not Open";
        return 1;
    }
}

bool CWmvWriter::SetupInput(const PackedPicture& bitmap)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    // The input is RGB24 of the bitmap's size; the encoder scales it to the encoded size.
    if (bitmap.Header().biBitCount != 24 || w <= 0 || h <= 0 ||
        bitmap.Bits().size() < size_t(bitmap.Stride()) * size_t(h))
        return Fail("Unable to Set Media Type");
    AVCodecContext* c = m_videoInput.get();
    m_scaler.reset(sws_getContext(w, h, AV_PIX_FMT_BGR24, c->width, c->height, c->pix_fmt,
                                  ScalerFlags(m_settings.exactColour), nullptr, nullptr, nullptr));
    if (!m_scaler)
        return Fail("Unable to Create Device Context");
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_frame || !m_packet)
        return Fail("Unable to Allocate Memory");
    m_frame->format = c->pix_fmt;
    m_frame->width = c->width;
    m_frame->height = c->height;
    if (av_frame_get_buffer(m_frame.get(), 0) < 0)
        return Fail("Unable to Allocate Memory");

    AVDictionary* options = nullptr;
    for (const VideoEncoderChoice& choice : m_settings.encoders) {
        if (choice.name != m_encoderName)
            continue;
        for (const auto& [key, value] : choice.options)
            av_dict_set(&options, key.c_str(), value.c_str(), 0);
    }
    const int opened = avcodec_open2(c, c->codec, &options);
    av_dict_free(&options);
    if (opened < 0 || avcodec_parameters_from_context(m_stream->codecpar, c) < 0)
        return Fail("Unable to Set Input Properties for Media Writer");
    if (!WriteHeader())
        return Fail("Unable to Initialize Writing");
    m_inputWidth = w;
    m_inputHeight = h;
    m_nState = kStateWriting;
    return true;
}

bool CWmvWriter::WriteHeader()
{
    if (m_settings.muxerOptions.empty())
        return avformat_write_header(m_writer.get(), nullptr) >= 0;
    // A second pass over the file (MP4's fast start) opens it again by this name.
    const std::string name = "/proc/self/fd/" + std::to_string(m_output.fd);
    av_freep(&m_writer->url);
    m_writer->url = av_strdup(name.c_str());
    AVDictionary* options = nullptr;
    for (const auto& [key, value] : m_settings.muxerOptions)
        av_dict_set(&options, key.c_str(), value.c_str(), 0);
    const int written = avformat_write_header(m_writer.get(), &options);
    av_dict_free(&options);
    return written >= 0;
}

bool CWmvWriter::WriteSample(const PackedPicture& bitmap)
{
    if (bitmap.Header().biBitCount != 24 || bitmap.Width() != m_inputWidth || bitmap.Height() != m_inputHeight ||
        bitmap.Bits().size() < size_t(bitmap.Stride()) * size_t(m_inputHeight))
        return Fail("Frame Does not Match Input Size");
    if (av_frame_make_writable(m_frame.get()) < 0)
        return Fail("Unable to Lock Buffer");
    // The bitmap's rows run bottom-up: start at the top row and step backwards.
    const uint8_t* const source[1] = {bitmap.Row(0)};
    const int sourceStride[1] = {-bitmap.Stride()};
    sws_scale(m_scaler.get(), source, sourceStride, 0, m_inputHeight, m_frame->data, m_frame->linesize);
    m_frame->pts = m_nFrames;
    if (!EncodeAndWrite(m_frame.get()))
        return false;
    ++m_nFrames;
    m_nTimeMs = SampleTimeMs(m_nFrames, m_nFps);
    return true;
}

bool CWmvWriter::EncodeAndWrite(const AVFrame* frame)
{
    if (avcodec_send_frame(m_videoInput.get(), frame) < 0)
        return Fail("Unable to Write Frame");
    // A packet's encoder timestamp n is frame n, written at n x 1000 / fps ms (in 100-ns units).
    const auto sampleTime = [this](int64_t n) {
        if (n == AV_NOPTS_VALUE)
            return n;
        const int64_t ms = FloorDiv(n * 1000, m_nFps);
        return av_rescale_q(ms * 10000, AVRational{1, int(kUnitsPerSecond)}, m_stream->time_base);
    };
    for (;;) {
        // Each packet may take the encoder a whole frame's work (all of the flush does).
        if (StopRequested())
            return Stop();
        const int received = avcodec_receive_packet(m_videoInput.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0)
            return Fail("Unable to Write Frame");
        AVPacket* p = m_packet.get();
        if (m_settings.frameTimeBase) {
            // Frame n starts at n / fps exactly, in the stream's own time base.
            p->duration = 1;
            av_packet_rescale_ts(p, m_videoInput->time_base, m_stream->time_base);
        } else {
            const int64_t pts = p->pts;
            p->pts = sampleTime(pts);
            p->dts = sampleTime(p->dts);
            p->duration = pts == AV_NOPTS_VALUE ? 0 : sampleTime(pts + 1) - p->pts;
        }
        p->stream_index = m_nVideoInput;
        if (av_interleaved_write_frame(m_writer.get(), p) < 0)
            return Fail("Unable to Write Frame");
        ++m_nEncoded;
        if (m_pMonitor)
            m_pMonitor->FramesEncoded(m_nEncoded);
    }
}

bool CWmvWriter::EndWriting()
{
    if (!EncodeAndWrite(nullptr))
        return false;
    if (StopRequested())
        return Stop();
    if (av_write_trailer(m_writer.get()) < 0)
        return Fail("Unable to End Writing");
    avio_flush(m_io.get());
    if (m_io->error < 0 || m_output.error != 0)
        return Fail("Unable to End Writing");
    if (m_ownedFd >= 0 && ::close(std::exchange(m_ownedFd, -1)) != 0)
        return Fail("Unable to End Writing");
    return true;
}

bool CWmvWriter::Close()
{
    bool finished = m_nState != kStateUnusable;
    if (m_nState == kStateWriting)
        finished = EndWriting();
    Release();
    m_nState = kStateUnusable;
    return finished;
}
