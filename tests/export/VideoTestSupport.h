#pragma once
// Helpers for the video tests: a synthetic frame source and a reader that decodes a
// written file with FFmpeg's own demuxer and decoder.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "engine/PackedPicture.h"
#include "export/VideoExport.h"

namespace videotest {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// A picture whose top half is red and bottom half blue.
inline PackedPicture RedOverBlue(int width, int height)
{
    PackedPicture p(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.Pixel(x, y);  // blue, green, red
            const bool top = y < height / 2;
            px[0] = top ? 0 : 255;
            px[2] = top ? 255 : 0;
        }
    }
    return p;
}

// Frames of a fixed size; records the animation times it is asked for.
class SyntheticSource : public IVideoFrameSource {
public:
    SyntheticSource(int width, int height, int totalFrames)
            : m_picture(RedOverBlue(width, height)), m_totalFrames(totalFrames)
    {}
    SyntheticSource(PackedPicture picture, int totalFrames) : m_picture(std::move(picture)), m_totalFrames(totalFrames)
    {}

    int OutputWidth() const override { return m_picture.Width(); }
    int OutputHeight() const override { return m_picture.Height(); }
    int TotalFrames() const override { return m_totalFrames; }
    const PackedPicture& RenderVideoFrame(int subFrame) override
    {
        subFrames.push_back(subFrame);
        return m_picture;
    }
    void ShowFrame() override { ++shown; }
    bool CheckCancel() override
    {
        ++checks;
        return (cancelAfterFrames >= 0 && int(subFrames.size()) >= cancelAfterFrames) || (cancelWhen && cancelWhen());
    }
    void Progress(int done, int total) override
    {
        progress.push_back({done, total});
        if (onProgress)
            onProgress(done, total);
    }

    std::vector<int> subFrames;
    std::vector<std::pair<int, int>> progress;
    int shown = 0;
    int checks = 0;
    int cancelAfterFrames = -1;        // when >= 0: cancel once this many frames were rendered
    std::function<bool()> cancelWhen;  // cancel when it answers true
    std::function<void(int, int)> onProgress;

private:
    PackedPicture m_picture;
    int m_totalFrames;
};

struct VideoInfo {
    bool opened = false;
    std::string container;  // demuxer name
    std::string codec;      // decoder name
    int streams = 0;
    int width = 0;
    int height = 0;
    double frameRate = 0;  // as the demuxer guesses it
    AVRational avgFrameRate{0, 1};
    AVRational timeBase{0, 1};
    std::vector<int64_t> ptsMs;  // presentation times, sorted
    std::vector<int64_t> pts;    // the same in the stream's time base
    std::vector<int> keyFrames;  // the frames (in presentation order) stored as key frames
    int decodedFrames = 0;
    std::vector<Rgb> firstFrame;  // first decoded frame as RGB, top row first
    Rgb At(int x, int y) const { return firstFrame[size_t(y) * size_t(width) + size_t(x)]; }
};

inline VideoInfo ReadVideo(const QString& path)
{
    VideoInfo info;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return info;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> formatOwner(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    if (avformat_find_stream_info(format, nullptr) < 0)
        return info;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return info;
    AVStream* stream = format->streams[index];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return info;
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> codec(
        avcodec_alloc_context3(decoder), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(codec.get(), stream->codecpar);
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return info;
    info.opened = true;
    info.container = format->iformat->name;
    info.codec = decoder->name;
    info.streams = int(format->nb_streams);
    info.width = stream->codecpar->width;
    info.height = stream->codecpar->height;
    info.frameRate = av_q2d(av_guess_frame_rate(format, stream, nullptr));
    info.avgFrameRate = stream->avg_frame_rate;
    info.timeBase = stream->time_base;
    std::vector<std::pair<int64_t, bool>> packets;  // presentation time, key frame

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto drain = [&]() {
        while (avcodec_receive_frame(codec.get(), frame) == 0) {
            if (info.decodedFrames++ == 0) {
                info.firstFrame.resize(size_t(frame->width) * size_t(frame->height));
                // swscale may write past the end of a row: pad the rows and the buffer.
                const int stride = (frame->width * 3 + 63) / 64 * 64;
                std::vector<uint8_t> rgb(size_t(stride) * size_t(frame->height) + 64);
                // Exact rounding, as a player shows it: the colour tests allow one level.
                SwsContext* sws = sws_getContext(
                    frame->width, frame->height, AVPixelFormat(frame->format), frame->width, frame->height,
                    AV_PIX_FMT_RGB24, SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
                uint8_t* dst[1] = {rgb.data()};
                const int dstStride[1] = {stride};
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
                sws_freeContext(sws);
                for (int y = 0; y < frame->height; ++y) {
                    for (int x = 0; x < frame->width; ++x) {
                        const uint8_t* p = rgb.data() + size_t(y) * size_t(stride) + size_t(x) * 3;
                        info.firstFrame[size_t(y) * size_t(frame->width) + size_t(x)] = {p[0], p[1], p[2]};
                    }
                }
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) {
            if (packet->pts != AV_NOPTS_VALUE)
                packets.emplace_back(packet->pts, (packet->flags & AV_PKT_FLAG_KEY) != 0);
            avcodec_send_packet(codec.get(), packet);
            drain();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec.get(), nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    std::sort(packets.begin(), packets.end());
    for (const auto& [pts, key] : packets) {
        if (key)
            info.keyFrames.push_back(int(info.pts.size()));
        info.pts.push_back(pts);
        info.ptsMs.push_back(av_rescale_q(pts, stream->time_base, AVRational{1, 1000}));
    }
    return info;
}

// The sample times of `frames` frames at `fps`: m x 1000 / fps milliseconds.
inline std::vector<int64_t> SampleTimes(int frames, int fps)
{
    std::vector<int64_t> times;
    for (int m = 0; m < frames; ++m)
        times.push_back(int64_t(m) * 1000 / fps);
    return times;
}

// The start of frame m at `fps` in `timeBase`, where the time base holds it exactly; else
// (a millisecond base) rounded to the nearest unit as the muxer rounds it. -1 for neither.
inline int64_t ExactFrameTime(int64_t m, int fps, AVRational timeBase)
{
    const int64_t unitsPerFrameNum = int64_t(timeBase.den), unitsPerFrameDen = int64_t(timeBase.num) * fps;
    if (unitsPerFrameNum % unitsPerFrameDen == 0)
        return m * (unitsPerFrameNum / unitsPerFrameDen);
    if (timeBase.num == 1 && timeBase.den == 1000)
        return av_rescale_q(m, AVRational{1, fps}, timeBase);
    return -1;
}

// What the stand-in did, shared with the test.
struct EncoderLog {
    int sent = 0;            // frames taken
    int given = 0;           // frames given back
    int givenAfterStop = 0;  // frames given back after the stop was seen
    bool holding = false;    // waiting for the stop
    bool stopped = false;
    bool closed = false;  // the flush ran to its end
};

// An encoder stand-in: it gives each frame back `lag` frames after it took it (as
// encoders with a look-ahead do) and the rest in the flush; it can hold on to a frame
// or to the flush, busy until the monitor says stop, or fail at a frame as a full
// disk would.
class StandInEncoder : public IVideoSampleWriter {
public:
    enum class Hold { Nothing, Frame, Flush };
    struct Options {
        int lag = 0;
        Hold hold = Hold::Nothing;
        int holdFrame = 0;
        std::function<void()> onHold;  // called as the holding starts
        int failFrame = -1;            // this frame fails with `systemError`
        int systemError = 0;
    };

    StandInEncoder(VideoWriteMonitor* monitor, const Options& options, EncoderLog& log)
            : m_pMonitor(monitor), m_options(options), m_log(log)
    {}

    int WriteFrame(const PackedPicture&) override
    {
        if (Poll() || m_bFailed)
            return 1;
        if (m_log.sent == m_options.failFrame) {
            m_bFailed = true;
            return 1;
        }
        ++m_log.sent;
        if (m_options.hold == Hold::Frame && m_log.sent - 1 == m_options.holdFrame && HoldUntilStopped())
            return 1;
        while (m_log.given < m_log.sent - m_options.lag) {
            if (Poll())
                return 1;
            GiveBack();
        }
        return 0;
    }

    bool Close() override
    {
        if (m_log.stopped || m_log.closed || m_bFailed)
            return false;
        if (m_options.hold == Hold::Flush && HoldUntilStopped())
            return false;
        while (m_log.given < m_log.sent) {
            if (Poll())
                return false;
            GiveBack();
        }
        m_log.closed = true;
        return true;
    }

    bool Stopped() const override { return m_log.stopped; }
    std::string ErrorText() const override
    {
        return m_log.stopped ? "Writing Stopped" : m_bFailed ? "Unable to Write Frame" : "Method Succeeded";
    }
    int SystemError() const override { return m_bFailed ? m_options.systemError : 0; }
    std::string EncoderName() const override { return "stand-in"; }

private:
    bool Poll()
    {
        if (!m_log.stopped && m_pMonitor->StopRequested())
            m_log.stopped = true;
        return m_log.stopped;
    }

    void GiveBack()
    {
        ++m_log.given;
        if (m_log.stopped)
            ++m_log.givenAfterStop;
        m_pMonitor->FramesEncoded(m_log.given);
    }

    // Busy as an encoder in the middle of a frame, until the monitor says stop (a
    // generous bound keeps a broken export from hanging the test).
    bool HoldUntilStopped()
    {
        m_log.holding = true;
        if (m_options.onHold)
            m_options.onHold();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!Poll() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        m_log.holding = false;
        return m_log.stopped;
    }

    VideoWriteMonitor* m_pMonitor;
    Options m_options;
    EncoderLog& m_log;
    bool m_bFailed = false;
};

inline VideoWriterFactory StandInFactory(const StandInEncoder::Options& options, EncoderLog& log)
{
    return [options, &log](const VideoWriterRequest& request) {
        return std::make_unique<StandInEncoder>(request.monitor, options, log);
    };
}

inline QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

inline bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

inline QByteArray ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace videotest
