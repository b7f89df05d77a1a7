#include "export/PictureCompleteness.h"

#include "export/ByteReading.h"

#include <cstring>

namespace {

// The markers that stand alone, without a length: restarts, TEM, the start of image.
bool StandAloneMarker(uint8_t marker)
{
    return (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01;
}

// Where the entropy-coded data from `pos` ends: at the first 0xFF that is
// neither a stuffed zero nor a restart marker (b.size() when none is left).
size_t ScanEnd(std::span<const uint8_t> b, size_t pos)
{
    while (pos + 1 < b.size()) {
        const void* ff = std::memchr(b.data() + pos, 0xFF, b.size() - pos - 1);
        if (!ff)
            return b.size();
        pos = size_t(static_cast<const uint8_t*>(ff) - b.data());
        const uint8_t next = b[pos + 1];
        if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7))
            return pos;
        ++pos;
    }
    return b.size();
}

// Walks the JPEG's segments from the start of image; inside the entropy-coded
// data after a start of scan, only a 0xFF followed by a marker other than a
// stuffed zero or a restart ends the scan. An embedded thumbnail's own end of
// image lies inside its segment and is skipped with it.
bool JpegComplete(std::span<const uint8_t> b)
{
    size_t pos = 2;
    while (pos < b.size()) {
        if (b[pos] != 0xFF)
            return true;  // not the marker a well-formed file has here: the decoder judges it
        while (pos < b.size() && b[pos] == 0xFF)
            ++pos;  // fill bytes
        if (pos >= b.size())
            return false;
        const uint8_t marker = b[pos++];
        if (marker == 0xD9)
            return true;
        if (StandAloneMarker(marker))
            continue;
        if (pos + 2 > b.size())
            return false;
        const size_t length = bytes::BigEndian16(b, pos);
        if (length < 2 || pos + length > b.size())
            return false;
        pos += length;
        if (marker != 0xDA)
            continue;
        // The scan's data runs to the next real marker.
        pos = ScanEnd(b, pos);
        if (pos + 1 >= b.size())
            return false;
    }
    return false;
}

constexpr char kPngSignature[] = "\x89PNG\r\n\x1A\n";

// Where the walk through a PNG's chunks (length, type, data, check) ended.
struct PngWalk {
    bool complete = false;     // its end chunk was reached
    size_t wholeEnd = 8;       // the end of the last whole chunk
    bool pixelsWhole = false;  // a chunk after the pixel data began before the cut
};

PngWalk WalkPng(std::span<const uint8_t> b)
{
    PngWalk walk;
    bool inData = false, afterData = false;
    size_t pos = 8;
    while (pos + 8 <= b.size()) {
        const uint64_t length = bytes::BigEndian32(b, pos);
        const bool data = bytes::At(b, pos + 4, "IDAT", 4);
        afterData = afterData || (inData && !data);
        inData = inData || data;
        if (pos + 12 + length > b.size())
            break;
        if (bytes::At(b, pos + 4, "IEND", 4)) {
            walk.complete = true;
            break;
        }
        pos += size_t(12 + length);
        walk.wholeEnd = pos;
    }
    // Cut between two chunks after the data, the data may well be whole too.
    walk.pixelsWhole = afterData || (inData && walk.wholeEnd == b.size());
    return walk;
}

}  // namespace

bool PictureFileComplete(std::span<const uint8_t> bytes)
{
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return JpegComplete(bytes);
    if (IsPngFile(bytes))
        return WalkPng(bytes).complete;
    return true;
}

std::optional<size_t> PngWholeChunksBeforeCut(std::span<const uint8_t> bytes)
{
    if (!IsPngFile(bytes))
        return std::nullopt;
    const PngWalk walk = WalkPng(bytes);
    if (walk.complete || !walk.pixelsWhole)
        return std::nullopt;
    return walk.wholeEnd;
}

bool IsPngFile(std::span<const uint8_t> b)
{
    return bytes::At(b, 0, kPngSignature, 8);
}

std::span<const uint8_t> PngEndChunk()
{
    static constexpr uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    return kEnd;
}
