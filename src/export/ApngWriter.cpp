#include "export/ApngWriter.h"

#include "io/AtomicFile.h"

#include <cerrno>
#include <cstring>
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

struct ApngWriter::Coder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVIOContext* io = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVStream* stream = nullptr;
    bool headerWritten = false;

    ~Coder()
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
LoopResult ApngWriter::Failed(const std::string& step, int error)
{
    if (FileOpen() && !File().Failure().empty())
        return FileFailure(File());
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
    Coder& c = *m_coder;

    const AVCodec* encoder = avcodec_find_encoder_by_name("apng");
    int error = avformat_alloc_output_context2(&c.format, av_guess_format("apng", nullptr, nullptr), nullptr, nullptr);
    if (error < 0)
        return Failed("output", error);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    c.io = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 1, &File(), nullptr, WriteToFile, SeekInFile) : nullptr;
    c.codec = avcodec_alloc_context3(encoder);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    c.stream = avformat_new_stream(c.format, nullptr);
    if (!c.io) {
        av_free(buffer);
        return Failed("output", AVERROR(ENOMEM));
    }
    if (!c.codec || !c.frame || !c.packet || !c.stream)
        return Failed("encoder", AVERROR(ENOMEM));
    c.format->pb = c.io;
    c.format->flags |= AVFMT_FLAG_CUSTOM_IO;

    // RGBA lets the encoder store unchanged pixels as transparent over the frame before:
    // the program's loops come out a third smaller than in RGB.
    c.codec->width = shape.width;
    c.codec->height = shape.height;
    c.codec->pix_fmt = AV_PIX_FMT_RGBA;
    c.codec->time_base = AVRational{1, shape.framesPerSecond};
    c.codec->framerate = AVRational{shape.framesPerSecond, 1};
    c.codec->compression_level = m_options.compression;
    av_opt_set(c.codec->priv_data, "pred", m_options.bestPrediction ? "mixed" : "paeth", 0);
    if ((error = avcodec_open2(c.codec, encoder, nullptr)) < 0)
        return Failed("open the encoder", error);
    if ((error = avcodec_parameters_from_context(c.stream->codecpar, c.codec)) < 0)
        return Failed("stream", error);
    c.stream->time_base = c.codec->time_base;

    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "plays", "0", 0);  // for ever
    error = avformat_write_header(c.format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (error < 0)
        return Failed("header", error);
    c.headerWritten = true;

    c.frame->format = AV_PIX_FMT_RGBA;
    c.frame->width = shape.width;
    c.frame->height = shape.height;
    if ((error = av_frame_get_buffer(c.frame, 0)) < 0)
        return Failed("frame", error);
    return {};
}

// Writes every packet the encoder has ready, each lasting one frame.
LoopResult ApngWriter::Drain()
{
    Coder& c = *m_coder;
    for (;;) {
        const int error = avcodec_receive_packet(c.codec, c.packet);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return {};
        if (error < 0)
            return Failed("encode", error);
        c.packet->duration = 1;
        av_packet_rescale_ts(c.packet, c.codec->time_base, c.stream->time_base);
        c.packet->stream_index = c.stream->index;
        const int written = av_write_frame(c.format, c.packet);
        av_packet_unref(c.packet);
        if (written < 0)
            return Failed("write", written);
    }
}

LoopResult ApngWriter::AddFrame(const PackedPicture& frame)
{
    if (!m_coder)
        return LoopResult::Fail(LoopStatus::NoFrames, "the APNG file was not begun: " + Path());
    if (LoopResult r = CheckFrame(frame, Shape()); !r)
        return r;
    Coder& c = *m_coder;
    int error = av_frame_make_writable(c.frame);
    if (error < 0)
        return Failed("frame", error);
    for (int y = 0; y < Shape().height; ++y) {
        const uint8_t* in = frame.Row(y);
        uint8_t* out = c.frame->data[0] + ptrdiff_t(y) * c.frame->linesize[0];
        for (int x = 0; x < Shape().width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0xFF;
        }
    }
    c.frame->pts = m_frames;
    if ((error = avcodec_send_frame(c.codec, c.frame)) < 0)
        return Failed("encode", error);
    ++m_frames;
    return Drain();
}

LoopResult ApngWriter::Finish()
{
    if (!m_coder || m_frames == 0) {
        Abandon();
        return LoopResult::Fail(LoopStatus::NoFrames, "no frames to write to " + Path());
    }
    Coder& c = *m_coder;
    LoopResult result;
    int error = avcodec_send_frame(c.codec, nullptr);
    if (error < 0)
        result = Failed("encode", error);
    if (result)
        result = Drain();
    if (result && (error = av_write_trailer(c.format)) < 0)
        result = Failed("trailer", error);
    if (result) {
        avio_flush(c.io);
        if (c.io->error < 0)
            result = Failed("write", c.io->error);
    }
    if (result)
        result = Commit();
    Abandon();
    return result;
}
