#pragma once
// GIF89a writer: header with a 256-entry global colour table, optional infinite-loop
// extension, frames of palette indexes (whole or a rectangle) and the trailer.
//
// The file is written through an AtomicFile and takes its name only at a successful
// Close, so a failed or abandoned write never replaces an existing file.

#include "export/GifPalette.h"
#include "export/LzwEncoder.h"
#include "io/AtomicFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A rectangle of the logical screen; right and bottom are exclusive.
struct GifRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const GifRect&, const GifRect&) = default;
};

// Why a GIF file could not be written: errno of the failing step (0 when the
// failure was not the system's) and a text naming the step.
struct GifWriteError {
    int error = 0;
    std::string what;
};

class GifFile {
public:
    static constexpr int kMaxSize = 65535;
    static constexpr int kMaxDelay = 65535;

    GifFile() = default;
    ~GifFile();  // a file not closed is discarded
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;

    // Starts the file: header, colour table and, for animations, the loop extension.
    // False when width or height is outside 1 .. 65535 or the file cannot be created.
    bool Create(const std::string& path, const GifPalette& palette, int width, int height, bool loop = true);

    // A frame covering the whole screen: width x height indexes, top row first.
    bool AddFrame(const uint8_t* indexes, int delay);
    // A frame covering rect (inside the screen): rect.Width() x rect.Height() indexes.
    // delay is in hundredths of a second, limited to 0 .. 65535.
    bool AddFrameRect(const uint8_t* indexes, int delay, const GifRect& rect);

    // Writes the trailer, closes the file and gives it its name; with a batch, the
    // batch names it later. False if any write failed (the partial file is then deleted).
    bool Close(AtomicFileBatch* batch = nullptr);
    // Closes and deletes the partial file.
    void Discard();

    bool IsOpen() const { return m_file != nullptr; }
    bool Failed() const { return m_failed; }
    const GifWriteError& LastError() const { return m_error; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    void Write(const std::vector<uint8_t>& bytes);
    void Fail(int error, const std::string& what);

    std::unique_ptr<AtomicFile> m_file;
    int m_width = 0;
    int m_height = 0;
    bool m_failed = false;
    GifWriteError m_error;
    LzwEncoder m_encoder;
    std::vector<uint8_t> m_buffer;
};
