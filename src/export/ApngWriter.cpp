#include "export/ApngWriter.h"

#include "io/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <thread>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

namespace {

constexpr int kIoBufferBytes = 1 << 16;
// Every this many frames the two codings are compared; one larger by more than
// 1 / kMarginDivisor of the other is dropped.
constexpr int64_t kCompareEvery = 8;
constexpr int64_t kMarginDivisor = 50;

std::string FfmpegText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

int WriteToFile(void* opaque, uint8_t* data, int size)
{
    auto* file = static_cast<AtomicFile*>(opaque);
    if (!file->Write({data, size_t(size)}))
        return file->Error() ? AVERROR(file->Error()) : AVERROR(EIO);
    return size;
}

int64_t SeekInFile(void* opaque, int64_t offset, int whence)
{
    const int fd = static_cast<AtomicFile*>(opaque)->Fd();
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : int64_t(position);
}

}  // namespace

// One coding of the loop: FFmpeg's encoder in one pixel format and the muxer writing
// to one file.
struct ApngWriter::Coding {
    AtomicFile* file = nullptr;  // not owned
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVIOContext* io = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVStream* stream = nullptr;

    Coding() = default;
    Coding(const Coding&) = delete;
    Coding& operator=(const Coding&) = delete;
    ~Coding()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (format) {
            format->pb = nullptr;
            avformat_free_context(format);
        }
    }
};

// RGBA lets the encoder store unchanged pixels as transparent over the frame before,
// which wins where most of the picture stands still; RGB stores a quarter fewer bytes
// a pixel, which wins where everything moves. Both are coded and the smaller is kept.
// Both are coded until one is clearly the larger: from then on only the other.
struct ApngWriter::Coder {
    Coding rgba;
    Coding rgb;
    std::unique_ptr<AtomicFile> rgbFile;  // the RGB coding's file until one is chosen
    bool rgbaLive = true;
    bool rgbLive = true;
};

LoopResult FindFfmpegParts(const char* muxer, const char* encoder)
{
    if (!av_guess_format(muxer, nullptr, nullptr))
        return LoopResult::Fail(LoopStatus::NoLibrary,
                                std::string("FFmpeg's libavformat has no \"") + muxer + "\" muxer on this system");
    if (!avcodec_find_encoder_by_name(encoder))
        return LoopResult::Fail(LoopStatus::NoLibrary,
                                std::string("FFmpeg's libavcodec has no \"") + encoder + "\" encoder on this system");
    return {};
}

ApngWriter::ApngWriter(ApngOptions options) : m_options(options) {}

ApngWriter::~ApngWriter()
{
    Abandon();
}

void ApngWriter::Abandon()
{
    m_coder.reset();
    CloseFile();
    m_frames = 0;
}

// A failed FFmpeg step: the file's own failure when writing it failed (a full disk
// shows there), otherwise FFmpeg's text.
LoopResult ApngWriter::Failed(const Coding& coding, const std::string& step, int error)
{
    if (coding.file && !coding.file->Failure().empty())
        return FileFailure(*coding.file);
    return LoopResult::Fail(error == AVERROR(ENOMEM) ? LoopStatus::OutOfMemory : LoopStatus::EncodeFailed,
                            "APNG: " + step + ": " + FfmpegText(error) + ": " + Path());
}

LoopResult ApngWriter::Begin(const std::string& path, const LoopShape& shape)
{
    LoopResult result = Start(path, shape);
    if (!result)
        Abandon();
    return result;
}

LoopResult ApngWriter::Start(const std::string& path, const LoopShape& shape)
{
    Abandon();
    if (LoopResult r = CheckRange("APNG compression", m_options.compression, ApngOptions::kMinCompression,
                                  ApngOptions::kMaxCompression);
        !r)
        return r;
    if (LoopResult r = CheckShape(shape, kMaxSide, "APNG"); !r)
        return r;
    if (LoopResult r = FindFfmpegParts("apng", "apng"); !r)
        return r;
    if (LoopResult opened = OpenFile(path, shape); !opened)
        return opened;
    m_coder = std::make_unique<Coder>();
    m_coder->rgbFile = std::make_unique<AtomicFile>(path);
    if (!m_coder->rgbFile->IsOpen())
        return FileFailure(*m_coder->rgbFile);
    if (LoopResult r = Open(m_coder->rgba, File(), AV_PIX_FMT_RGBA, shape); !r)
        return r;
    return Open(m_coder->rgb, *m_coder->rgbFile, AV_PIX_FMT_RGB24, shape);
}

LoopResult ApngWriter::Open(Coding& c, AtomicFile& file, int pixelFormat, const LoopShape& shape)
{
    c.file = &file;
    const AVCodec* encoder = avcodec_find_encoder_by_name("apng");
    int error = avformat_alloc_output_context2(&c.format, av_guess_format("apng", nullptr, nullptr), nullptr, nullptr);
    if (error < 0)
        return Failed(c, "output", error);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    c.io = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 1, &file, nullptr, WriteToFile, SeekInFile) : nullptr;
    c.codec = avcodec_alloc_context3(encoder);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    c.stream = avformat_new_stream(c.format, nullptr);
    if (!c.io) {
        av_free(buffer);
        return Failed(c, "output", AVERROR(ENOMEM));
    }
    if (!c.codec || !c.frame || !c.packet || !c.stream)
        return Failed(c, "encoder", AVERROR(ENOMEM));
    c.format->pb = c.io;
    c.format->flags |= AVFMT_FLAG_CUSTOM_IO;

    c.codec->width = shape.width;
    c.codec->height = shape.height;
    c.codec->pix_fmt = AVPixelFormat(pixelFormat);
    c.codec->time_base = AVRational{1, shape.framesPerSecond};
    c.codec->framerate = AVRational{shape.framesPerSecond, 1};
    c.codec->compression_level = m_options.compression;
    av_opt_set(c.codec->priv_data, "pred", m_options.bestPrediction ? "mixed" : "paeth", 0);
    if ((error = avcodec_open2(c.codec, encoder, nullptr)) < 0)
        return Failed(c, "open the encoder", error);
    if ((error = avcodec_parameters_from_context(c.stream->codecpar, c.codec)) < 0)
        return Failed(c, "stream", error);
    c.stream->time_base = c.codec->time_base;

    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "plays", "0", 0);  // for ever
    error = avformat_write_header(c.format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (error < 0)
        return Failed(c, "header", error);

    c.frame->format = pixelFormat;
    c.frame->width = shape.width;
    c.frame->height = shape.height;
    if ((error = av_frame_get_buffer(c.frame, 0)) < 0)
        return Failed(c, "frame", error);
    return {};
}

// Hands a frame (nullptr: the end) to the encoder and writes every packet it has
// ready, each lasting one frame.
LoopResult ApngWriter::Encode(Coding& c, const AVFrame* frame)
{
    if (const int error = avcodec_send_frame(c.codec, frame); error < 0)
        return Failed(c, "encode", error);
    for (;;) {
        const int error = avcodec_receive_packet(c.codec, c.packet);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return {};
        if (error < 0)
            return Failed(c, "encode", error);
        c.packet->duration = 1;
        av_packet_rescale_ts(c.packet, c.codec->time_base, c.stream->time_base);
        c.packet->stream_index = c.stream->index;
        const int written = av_write_frame(c.format, c.packet);
        av_packet_unref(c.packet);
        if (written < 0)
            return Failed(c, "write", written);
    }
}

// Ends the encoder's work and the file (the muxer seeks back to write the frame count).
LoopResult ApngWriter::Close(Coding& c)
{
    if (LoopResult result = Encode(c, nullptr); !result)
        return result;
    if (const int error = av_write_trailer(c.format); error < 0)
        return Failed(c, "trailer", error);
    avio_flush(c.io);
    if (c.io->error < 0)
        return Failed(c, "write", c.io->error);
    return {};
}

// Converts the frame to the coding's pixels and codes it.
LoopResult ApngWriter::Code(Coding& c, const PackedPicture& frame, int64_t pts)
{
    if (const int error = av_frame_make_writable(c.frame); error < 0)
        return Failed(c, "frame", error);
    const bool alpha = c.frame->format == AV_PIX_FMT_RGBA;
    for (int y = 0; y < Shape().height; ++y) {
        const uint8_t* in = frame.Row(y);
        uint8_t* out = c.frame->data[0] + ptrdiff_t(y) * c.frame->linesize[0];
        for (int x = 0; x < Shape().width; ++x, in += 3) {
            *out++ = in[2];
            *out++ = in[1];
            *out++ = in[0];
            if (alpha)
                *out++ = 0xFF;
        }
    }
    c.frame->pts = pts;
    return Encode(c, c.frame);
}

LoopResult ApngWriter::AddFrame(const PackedPicture& frame)
{
    if (!m_coder)
        return LoopResult::Fail(LoopStatus::NoFrames, "the APNG file was not begun: " + Path());
    if (LoopResult r = CheckFrame(frame, Shape()); !r)
        return r;
    Coder& coder = *m_coder;
    if (!coder.rgbLive || !coder.rgbaLive) {
        if (LoopResult r = Code(coder.rgbLive ? coder.rgb : coder.rgba, frame, m_frames); !r)
            return r;
        ++m_frames;
        return {};
    }
    // The two codings share nothing but the frame: the RGB one runs beside.
    LoopResult rgb;
    std::thread beside([&] {
        try {
            rgb = Code(coder.rgb, frame, m_frames);
        } catch (const std::bad_alloc&) {
            rgb = LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory while writing " + Path());
        }
    });
    LoopResult rgba = Code(coder.rgba, frame, m_frames);
    beside.join();
    if (!rgba)
        return rgba;
    if (!rgb)
        return rgb;
    ++m_frames;
    if (m_frames % kCompareEvery == 0)
        DropTheLarger(avio_tell(coder.rgba.io), avio_tell(coder.rgb.io), false);
    return {};
}

// Stops the coding that is larger (by the margin, unless `atEnd`), with its file.
void ApngWriter::DropTheLarger(int64_t rgba, int64_t rgb, bool atEnd)
{
    Coder& coder = *m_coder;
    const int64_t margin = atEnd ? 0 : std::min(rgba, rgb) / kMarginDivisor;
    if (rgb + margin < rgba)
        coder.rgbaLive = false;
    else if (rgba + margin < rgb || atEnd) {
        coder.rgbLive = false;
        coder.rgbFile.reset();
    }
}

// Gives the file the RGB coding's bytes.
LoopResult ApngWriter::TakeRgbCoding(off_t bytes)
{
    if (!File().Rewind())
        return FileFailure(File());
    std::vector<uint8_t> buffer(size_t(1) << 20);
    for (off_t at = 0; at < bytes;) {
        const ssize_t n = ::pread(m_coder->rgbFile->Fd(), buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_coder->rgbFile->Fail(n < 0 ? errno : EIO, "read");
            return FileFailure(*m_coder->rgbFile);
        }
        if (LoopResult r = Append({buffer.data(), size_t(n)}); !r)
            return r;
        at += n;
    }
    return {};
}

LoopResult ApngWriter::Finish()
{
    if (!m_coder || m_frames == 0) {
        Abandon();
        return LoopResult::Fail(LoopStatus::NoFrames, "no frames to write to " + Path());
    }
    Coder& coder = *m_coder;
    LoopResult result;
    if (coder.rgbaLive)
        result = Close(coder.rgba);
    if (result && coder.rgbLive)
        result = Close(coder.rgb);
    if (result && coder.rgbLive && coder.rgbaLive)
        DropTheLarger(::lseek(File().Fd(), 0, SEEK_END), ::lseek(coder.rgbFile->Fd(), 0, SEEK_END), true);
    if (result && coder.rgbLive)
        result = TakeRgbCoding(::lseek(coder.rgbFile->Fd(), 0, SEEK_END));
    if (result)
        result = Commit();
    Abandon();
    return result;
}
