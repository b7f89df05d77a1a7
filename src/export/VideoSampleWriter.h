#pragma once
// What the video export needs from a writer: one picture per sample, then close.

#include <string>

class PackedPicture;

class IVideoSampleWriter {
public:
    virtual ~IVideoSampleWriter() = default;

    // Writes one frame; the first frame also fixes the input size. 0 on success.
    virtual int WriteFrame(const PackedPicture& bitmap) = 0;
    // Ends writing and releases everything; false when the file could not be finished.
    virtual bool Close() = 0;
    // The English text of the last step that failed ("Method Succeeded" when none did).
    virtual std::string ErrorText() const = 0;
    // The encoder in use, for instance "wmv2" or "libx264"; empty before the first frame.
    virtual std::string EncoderName() const = 0;
};
