#pragma once
// What the video export needs from a writer: one picture per sample, then close;
// and what a writer tells back while it works.

#include <string>

class PackedPicture;

// Asked by a writer while it encodes and writes. The window answers from its key
// presses, the command line from its signals, a worker from a flag.
class VideoWriteMonitor {
public:
    virtual ~VideoWriteMonitor() = default;

    // Polled before each frame goes to the encoder, between the packets the encoder
    // gives back (also during the flush) and before the file is finished. Once it
    // answers true the writer stops: it finishes at most the frame the encoder is in,
    // writes nothing more and releases everything; the caller deletes the file.
    virtual bool StopRequested() = 0;
    // The encoder has given back `frames` frames in all, each written to the file.
    virtual void FramesEncoded(int frames) { (void)frames; }
};

class IVideoSampleWriter {
public:
    virtual ~IVideoSampleWriter() = default;

    // Writes one frame; the first frame also fixes the input size. 0 on success.
    virtual int WriteFrame(const PackedPicture& bitmap) = 0;
    // Ends writing and releases everything; false when the file could not be finished.
    virtual bool Close() = 0;
    // True when writing ended because the monitor asked to stop.
    virtual bool Stopped() const = 0;
    // The English text of the last step that failed ("Method Succeeded" when none did).
    virtual std::string ErrorText() const = 0;
    // errno of the file operation that failed; 0 when none did.
    virtual int SystemError() const { return 0; }
    // The encoder in use, for instance "wmv2" or "libx264"; empty before the first frame.
    virtual std::string EncoderName() const = 0;
};
