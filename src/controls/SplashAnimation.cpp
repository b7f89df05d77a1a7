#include "controls/SplashAnimation.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFreer {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

}  // namespace

struct SplashAnimation::Impl {
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecFreer> codec;
    std::unique_ptr<AVFrame, FrameFreer> frame;
    std::unique_ptr<AVPacket, PacketFreer> packet;
    std::unique_ptr<SwsContext, ScalerFreer> scaler;
    int stream = -1;
    int interval = 40;

    // One decoded frame, or false at the end of the stream or on an error.
    bool Decode()
    {
        for (;;) {
            const int got = avcodec_receive_frame(codec.get(), frame.get());
            if (got == 0)
                return true;
            if (got == AVERROR_EOF)
                return false;
            if (got != AVERROR(EAGAIN))
                return false;
            const int read = av_read_frame(format.get(), packet.get());
            if (read < 0) {
                avcodec_send_packet(codec.get(), nullptr);  // drain
                continue;
            }
            if (packet->stream_index == stream)
                avcodec_send_packet(codec.get(), packet.get());
            av_packet_unref(packet.get());
        }
    }

    bool Rewind()
    {
        if (av_seek_frame(format.get(), stream, 0, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
        avcodec_flush_buffers(codec.get());
        return true;
    }

    // The full-range "J" formats are the plain ones with another colour range.
    static AVPixelFormat PlainFormat(AVPixelFormat f)
    {
        switch (f) {
        case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
        default: return f;
        }
    }

    QImage Convert()
    {
        const int w = frame->width, h = frame->height;
        scaler.reset(sws_getCachedContext(scaler.release(), w, h,
                                          PlainFormat(static_cast<AVPixelFormat>(frame->format)), w, h,
                                          AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!scaler)
            return {};
        QImage image(w, h, QImage::Format_RGB32);
        if (image.isNull())
            return {};
        uint8_t* dst[4] = {image.bits(), nullptr, nullptr, nullptr};
        int dstStride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
        sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, dst, dstStride);
        return image;
    }
};

SplashAnimation::SplashAnimation() = default;
SplashAnimation::~SplashAnimation() = default;

bool SplashAnimation::Open(const QString& path)
{
    m_impl.reset();
    auto impl = std::make_unique<Impl>();
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return false;
    impl->format.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0)
        return false;
    const AVCodec* decoder = nullptr;
    impl->stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (impl->stream < 0 || !decoder)
        return false;
    impl->codec.reset(avcodec_alloc_context3(decoder));
    if (!impl->codec)
        return false;
    const AVStream* stream = raw->streams[impl->stream];
    if (avcodec_parameters_to_context(impl->codec.get(), stream->codecpar) < 0 ||
        avcodec_open2(impl->codec.get(), decoder, nullptr) < 0)
        return false;
    impl->frame.reset(av_frame_alloc());
    impl->packet.reset(av_packet_alloc());
    if (!impl->frame || !impl->packet)
        return false;
    const AVRational rate = av_guess_frame_rate(raw, const_cast<AVStream*>(stream), nullptr);
    if (rate.num > 0 && rate.den > 0)
        impl->interval = std::max(10, static_cast<int>(1000LL * rate.den / rate.num));
    m_impl = std::move(impl);
    return true;
}

bool SplashAnimation::IsOpen() const
{
    return m_impl != nullptr;
}

QImage SplashAnimation::NextFrame()
{
    if (!m_impl)
        return {};
    if (!m_impl->Decode()) {
        if (!m_impl->Rewind() || !m_impl->Decode())
            return {};
    }
    return m_impl->Convert();
}

int SplashAnimation::FrameInterval() const
{
    return m_impl ? m_impl->interval : 40;
}

QSize SplashAnimation::FrameSize() const
{
    if (!m_impl)
        return {};
    return {m_impl->codec->width, m_impl->codec->height};
}

QString SplashAnimationPath(const QString& programPath)
{
    const QFileInfo info(programPath);
    if (info.suffix().size() == 3)
        return programPath.left(programPath.size() - 3) + QStringLiteral("avi");
    return programPath + QStringLiteral(".avi");
}
